// Container-neutral description of what goes into one recording file: tracks with
// their codec configuration and sample tables. Encoders and the telemetry builder fill
// it; container writers (MP4, AVI) only read it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace samplegen {

enum class TrackKind { Video, Audio, Telemetry };
enum class Codec { H264, H265, Aac, Pcm, Telemetry };

struct SampleRef {
  uint64_t offset = 0;    // position in the track's source (file or memory block)
  uint32_t size = 0;      // stored bytes in the source
  uint32_t duration = 0;  // in the track's time scale
  bool sync = false;
};

struct Track {
  TrackKind kind = TrackKind::Video;
  Codec codec = Codec::H264;
  std::string label;  // "CH1 FRONT", used as handler name
  uint32_t timescale = 0;

  // Decoder configuration: avcC or hvcC payload for video, AudioSpecificConfig for AAC
  // (none for PCM).
  std::vector<uint8_t> config;
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t channelCount = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;   // PCM: little-endian signed samples of this many bits
  uint32_t primingSamples = 0;  // encoder delay at the start of an AAC track
  uint64_t playDuration = 0;    // audio: presented duration in time-scale units after priming

  // H.265 stored as 'hev1': the parameter sets (length-prefixed NAL units) also travel
  // in front of every sync sample.
  bool inbandParameterSets = false;
  std::vector<uint8_t> parameterSets;

  std::string sourcePath;       // samples are read from this file ...
  std::vector<uint8_t> memory;  // ... or from this block when sourcePath is empty
  std::vector<SampleRef> samples;

  uint64_t mediaDuration() const;
  uint32_t storedSize(size_t i) const;
  uint32_t largestSample() const;
  uint64_t totalBytes() const;
};

struct RecordingFile {
  std::string path;
  std::vector<const Track *> tracks;  // written in this order, track IDs from 1
  std::optional<uint32_t> aidd;       // value of the top-level "AIDD" box, none = no box
  std::time_t startTime = 0;          // recording start, seconds since 1970 (UTC)
  uint32_t fps = 0;                   // video frame rate
  uint32_t gop = 0;                   // frames per key-frame interval
};

// Reads sample bodies from the track sources; keeps the current source file open.
class SampleSource {
 public:
  SampleSource() = default;
  SampleSource(const SampleSource &) = delete;
  SampleSource &operator=(const SampleSource &) = delete;
  ~SampleSource();

  // The sample as it is stored in the output (with in-band parameter sets when asked).
  void read(const Track &track, size_t index, std::vector<uint8_t> &out);

 private:
  std::FILE *file_ = nullptr;
  std::string openPath_;
};

}  // namespace samplegen
