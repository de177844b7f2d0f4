// dashcam-samplegen: writes recordings the way the dash camera does, for tests, benchmarks
// and the demo card. The pictures come from ffmpeg; the container is our own writer, so
// that our readers are checked against a producer that shares no code with them.

#include "config_card.h"
#include "container_writer.h"
#include "drive.h"
#include "ffmpeg_encoder.h"
#include "options.h"
#include "route.h"
#include "telemetry_record.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace samplegen {
namespace {

void makeDirectories(const std::string &path) {
  std::string partial;
  size_t from = 0;
  while (from <= path.size()) {
    const size_t slash = path.find('/', from);
    partial = path.substr(0, slash == std::string::npos ? path.size() : slash);
    from = slash == std::string::npos ? path.size() + 1 : slash + 1;
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
      throw std::runtime_error("cannot create folder " + partial + ": " + std::strerror(errno));
    }
  }
}

// ffmpeg's intermediate files for one run; removed at the end unless asked to keep them.
class WorkFolder {
 public:
  explicit WorkFolder(bool keep) : keep_(keep) {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/dashcam-samplegen.XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a work folder");
    path_ = pattern;
  }
  WorkFolder(const WorkFolder &) = delete;
  WorkFolder &operator=(const WorkFolder &) = delete;
  ~WorkFolder() {
    if (keep_) {
      std::fprintf(stderr, "intermediate files kept in %s\n", path_.c_str());
      return;
    }
    for (const std::string &f : files_) unlink(f.c_str());
    rmdir(path_.c_str());
  }

  std::string file(const std::string &name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
  }
  void release() {
    if (keep_) return;
    for (const std::string &f : files_) unlink(f.c_str());
    files_.clear();
  }

 private:
  bool keep_;
  std::string path_;
  std::vector<std::string> files_;
};

DrivePlan drivePlan(const Options &o, int segment, int64_t startMs) {
  const uint32_t step = kTelemetryStepMs;
  DrivePlan plan;
  plan.route = findRoute(o.route);
  plan.firstIndex = (o.driveOffsetMs + static_cast<uint32_t>(segment) * o.durationMs) / step;
  plan.count = o.durationMs / step;
  plan.mode = o.type == "PRK" ? DriveMode::Parked : DriveMode::Driving;
  if (o.type == "EVT" || o.type == "PRK")
    plan.eventAt = o.eventAtMs.value_or(o.durationMs / 2) / step;
  for (const auto &[begin, length] : o.noFixMs) {
    plan.noFix.emplace_back(begin / step, std::min(begin + length, o.durationMs) / step);
  }
  plan.startUtcMs = startMs;
  return plan;
}

void writeSegment(const Options &o, int segment, ContainerWriter &writer, WorkFolder &work) {
  const int64_t startMs =
      static_cast<int64_t>(o.start) * 1000 + static_cast<int64_t>(segment) * o.durationMs;
  const std::time_t start = static_cast<std::time_t>(startMs / 1000);
  const std::string base = nameTime(start) + "_" + o.type;

  const DriveResult drive = simulateDrive(drivePlan(o, segment, startMs));
  const Track telemetry = makeTelemetryTrack(drive.samples, o.recordSize, o.shortRecords);
  if (!o.telemetryCsv.empty()) {
    appendTelemetryCsv(o.telemetryCsv, base, drive.samples, drive.eventIndex, segment == 0);
  }
  if (o.verbose && drive.eventIndex) {
    std::fprintf(stderr, "%s: event at %.1f s\n", base.c_str(),
                 *drive.eventIndex * kTelemetryStepMs / 1000.0);
  }

  std::vector<EncodedChannel> channels;
  for (int c = 1; c <= o.channels; ++c) {
    const std::string name = base + "_" + std::to_string(c);
    channels.push_back(encodeChannel(o, c, start, writer.audioCodec(), work.file(name + ".mp4"),
                                     work.file(name + ".pcm")));
  }

  std::vector<RecordingFile> files;
  const auto newFile = [&](int channel) {
    RecordingFile f;
    f.path = o.outDir + "/" + base + "_" + std::to_string(channel) + "." + writer.extension();
    f.aidd = o.aidd;
    f.startTime = start;
    f.fps = o.fps;
    f.gop = o.gop;
    return f;
  };
  if (o.singleFile) {
    RecordingFile f = newFile(1);
    for (const EncodedChannel &ch : channels) f.tracks.push_back(&ch.video);
    if (channels[0].audio) f.tracks.push_back(&*channels[0].audio);
    f.tracks.push_back(&telemetry);
    files.push_back(f);
  } else {
    for (int c = 1; c <= o.channels; ++c) {
      RecordingFile f = newFile(c);
      const EncodedChannel &ch = channels[static_cast<size_t>(c - 1)];
      f.tracks.push_back(&ch.video);
      if (ch.audio) f.tracks.push_back(&*ch.audio);
      f.tracks.push_back(&telemetry);
      files.push_back(f);
    }
  }

  for (const RecordingFile &f : files) {
    writer.write(f);
    std::printf("%s\n", f.path.c_str());
    std::fflush(stdout);
  }
  work.release();
}

int run(const Options &o) {
  std::unique_ptr<ContainerWriter> writer = makeContainerWriter(o.container, o.containerSettings);
  if (!writer) throw UsageError("unknown container " + o.container);
  makeDirectories(o.outDir);
  if (!o.configModel.empty()) {
    std::printf(
        "%s\n",
        writeConfigCard(o.outDir, o.configModel, o.configResources, o.configValues).c_str());
    if (o.configOnly) return 0;
  }
  WorkFolder work(o.keepTemp);
  for (int segment = 0; segment < o.segments; ++segment) writeSegment(o, segment, *writer, work);
  return 0;
}

}  // namespace
}  // namespace samplegen

int main(int argc, char **argv) {
  using namespace samplegen;
  try {
    const Options options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
      std::fputs(usageText().c_str(), stdout);
      return 0;
    }
    return run(options);
  } catch (const UsageError &e) {
    std::fprintf(stderr, "dashcam-samplegen: %s\n(see --help)\n", e.what());
    return 2;
  } catch (const std::exception &e) {
    std::fprintf(stderr, "dashcam-samplegen: %s\n", e.what());
    return 1;
  }
}
