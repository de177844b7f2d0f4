// AVI (RIFF) recordings the way the camera writes them: one "vids" stream per video track
// (H.264 in start-code form, parameter sets in front of every key frame), PCM sound, and a
// "txts" stream with one telemetry record per chunk; two "JUNK" chunks between the headers
// and "movi", the second holding the "ADAS" block; indexed by "idx1", by OpenDML indexes
// with AVIX parts, or not at all. Layout in README.md.
#pragma once

#include "container_writer.h"

#include <cstdint>
#include <vector>

namespace samplegen {

constexpr size_t kAdasBlockSize = 32;

// The "ADAS" block of a recording: the camera's driver-assistance calibration.
std::vector<uint8_t> adasBlock(const RecordingFile &file);

class AviWriter : public ContainerWriter {
 public:
  explicit AviWriter(const ContainerSettings &settings) : settings_(settings) {}
  std::string extension() const override { return "avi"; }
  Codec audioCodec() const override { return Codec::Pcm; }
  void write(const RecordingFile &file) override;

 private:
  ContainerSettings settings_;
};

}  // namespace samplegen
