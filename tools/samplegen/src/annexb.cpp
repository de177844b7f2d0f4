#include "annexb.h"

#include <algorithm>
#include <stdexcept>

namespace samplegen {
namespace {

constexpr uint8_t kStartCode[4] = {0, 0, 0, 1};

}  // namespace

AnnexBForm annexBForm(const std::vector<uint8_t> &c) {
  if (c.size() < 7) throw std::runtime_error("avcC too short");
  if ((c[4] & 3) != 3) throw std::runtime_error("avcC: NAL lengths other than 4 bytes");
  AnnexBForm out;
  size_t pos = 5;
  int sets[2] = {0, 0};
  for (int kind = 0; kind < 2; ++kind) {
    if (pos >= c.size()) throw std::runtime_error("avcC ends before its parameter sets");
    const int count = kind == 0 ? c[pos] & 0x1F : c[pos];
    ++pos;
    for (int k = 0; k < count; ++k) {
      if (pos + 2 > c.size()) throw std::runtime_error("avcC parameter set runs past its end");
      const size_t length = static_cast<size_t>(c[pos] << 8 | c[pos + 1]);
      pos += 2;
      if (pos + length > c.size()) throw std::runtime_error("avcC parameter set runs past its end");
      out.parameterSets.insert(out.parameterSets.end(), kStartCode, kStartCode + 4);
      out.parameterSets.insert(out.parameterSets.end(), c.begin() + static_cast<long>(pos),
                               c.begin() + static_cast<long>(pos + length));
      pos += length;
      ++sets[kind];
    }
  }
  if (sets[0] == 0 || sets[1] == 0) throw std::runtime_error("avcC without SPS or PPS");
  return out;
}

void toStartCodes(std::vector<uint8_t> &frame) {
  size_t pos = 0;
  while (pos < frame.size()) {
    if (frame.size() - pos < 4) throw std::runtime_error("H.264 frame ends inside a NAL length");
    const size_t length = static_cast<size_t>(frame[pos]) << 24 | frame[pos + 1] << 16 |
                          frame[pos + 2] << 8 | frame[pos + 3];
    if (length == 0 || length > frame.size() - pos - 4) {
      throw std::runtime_error("H.264 NAL unit runs past the end of its frame");
    }
    std::copy(kStartCode, kStartCode + 4, frame.begin() + static_cast<long>(pos));
    pos += 4 + length;
  }
}

}  // namespace samplegen
