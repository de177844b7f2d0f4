// Command line of dashcam-samplegen.
#pragma once

#include "container_writer.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace samplegen {

enum class VideoCodec { H264, H265 };

struct Options {
  // What is recorded.
  std::string outDir = ".";
  std::time_t start = 0;  // first recording's start (name time, taken as UTC)
  std::string type = "INF";
  int channels = 1;
  bool singleFile = false;  // all channels as video tracks of the "_1" file
  uint32_t durationMs = 60000;
  int segments = 1;

  // Video and audio.
  uint32_t fps = 30;
  uint32_t width = 640;
  uint32_t height = 360;
  uint32_t gop = 0;  // frames per key-frame interval; 0 = one second
  VideoCodec codec = VideoCodec::H264;
  bool hev1 = false;        // H.265 with parameter sets in-band ("hev1")
  std::string h264Profile;  // passed to the encoder when set
  bool audio = false;

  // Drive and telemetry.
  std::string route = "berlin";
  uint32_t driveOffsetMs = 0;
  std::optional<uint32_t> eventAtMs;
  std::vector<std::pair<uint32_t, uint32_t>> noFixMs;  // start, length within the recording
  size_t recordSize = 72;
  std::vector<std::pair<uint32_t, size_t>> shortRecords;  // record index, bytes kept
  std::string telemetryCsv;

  // Container.
  std::string container = "mp4";
  ContainerSettings containerSettings;
  std::optional<uint32_t> aidd = 0;

  // The camera's settings file CONFIG/config.bin (model identifier; empty: none).
  std::string configModel;
  std::string configResources;  // folder with configStr.json and Setting.json
  bool configOnly = false;      // no recordings, only the settings file
  std::vector<std::pair<std::string, uint32_t>> configValues;  // item values set by hand

  // Tools.
  std::string ffmpeg = "ffmpeg";
  int threads = 1;
  std::string font;
  bool keepTemp = false;
  bool verbose = false;
  bool help = false;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws UsageError for anything it cannot accept.
Options parseOptions(const std::vector<std::string> &args);
std::string usageText();

// "20240501_083000" for a time.
std::string nameTime(std::time_t t);

}  // namespace samplegen
