// Reads back the MP4 files that ffmpeg wrote for us: per track the codec configuration
// and where each encoded sample lies in that file. Only what our own encodes contain is
// understood (one sample description per track, no fragments).
#pragma once

#include "media.h"

#include <cstdint>
#include <string>
#include <vector>

namespace samplegen {

struct EncodedTrack {
  std::string handler;      // "vide", "soun"
  std::string sampleEntry;  // "avc1", "hvc1", "hev1", "mp4a"
  uint32_t timescale = 0;
  std::vector<uint8_t> config;  // avcC / hvcC payload, or AudioSpecificConfig of "esds"
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t channelCount = 0;
  uint32_t sampleRate = 0;
  uint32_t editMediaTime = 0;      // media time where the first edit starts (encoder delay)
  std::vector<SampleRef> samples;  // offsets are file positions
};

std::vector<EncodedTrack> readEncodedMp4(const std::string &path);

}  // namespace samplegen
