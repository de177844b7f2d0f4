#include "media.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace samplegen {

uint64_t Track::mediaDuration() const {
  uint64_t total = 0;
  for (const SampleRef &s : samples) total += s.duration;
  return total;
}

uint32_t Track::storedSize(size_t i) const {
  const SampleRef &s = samples.at(i);
  const bool withSets = inbandParameterSets && s.sync;
  return s.size + (withSets ? static_cast<uint32_t>(parameterSets.size()) : 0);
}

uint32_t Track::largestSample() const {
  uint32_t largest = 0;
  for (size_t i = 0; i < samples.size(); ++i) largest = std::max(largest, storedSize(i));
  return largest;
}

uint64_t Track::totalBytes() const {
  uint64_t total = 0;
  for (size_t i = 0; i < samples.size(); ++i) total += storedSize(i);
  return total;
}

SampleSource::~SampleSource() {
  if (file_) std::fclose(file_);
}

void SampleSource::read(const Track &track, size_t index, std::vector<uint8_t> &out) {
  const SampleRef &s = track.samples.at(index);
  out.clear();
  if (track.inbandParameterSets && s.sync) {
    out.insert(out.end(), track.parameterSets.begin(), track.parameterSets.end());
  }
  const size_t head = out.size();
  out.resize(head + s.size);

  if (track.sourcePath.empty()) {
    if (s.offset + s.size > track.memory.size()) {
      throw std::runtime_error("sample " + std::to_string(index) + " of " + track.label +
                               " lies outside its memory block");
    }
    std::copy_n(track.memory.begin() + static_cast<std::ptrdiff_t>(s.offset), s.size,
                out.begin() + static_cast<std::ptrdiff_t>(head));
    return;
  }

  if (openPath_ != track.sourcePath) {
    if (file_) std::fclose(file_);
    file_ = std::fopen(track.sourcePath.c_str(), "rb");
    openPath_ = file_ ? track.sourcePath : std::string();
    if (!file_) throw std::runtime_error("cannot open " + track.sourcePath);
  }
  if (s.size == 0) return;  // an empty sample reads nothing (and out may have no storage)
  if (fseeko(file_, static_cast<off_t>(s.offset), SEEK_SET) != 0 ||
      std::fread(out.data() + head, 1, s.size, file_) != s.size) {
    throw std::runtime_error("cannot read sample " + std::to_string(index) + " from " +
                             track.sourcePath);
  }
}

}  // namespace samplegen
