#include "options.h"

#include "drive.h"
#include "route.h"
#include "telemetry_record.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <regex>

namespace samplegen {
namespace {

std::string joined(const std::vector<std::string> &names, const char *separator) {
  std::string out;
  for (const std::string &n : names) out += (out.empty() ? "" : separator) + n;
  return out;
}

long long parseInteger(const std::string &option, const std::string &text, long long low,
                       long long high) {
  errno = 0;
  char *end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || errno != 0 || v < low || v > high) {
    throw UsageError(option + ": expected a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", got '" + text + "'");
  }
  return v;
}

// Seconds with up to three decimals, as milliseconds.
uint32_t parseSeconds(const std::string &option, const std::string &text) {
  static const std::regex form(R"(\d{1,6}(\.\d{1,3})?)");
  if (!std::regex_match(text, form)) {
    throw UsageError(option + ": expected seconds such as 60 or 2.5, got '" + text + "'");
  }
  return static_cast<uint32_t>(std::llround(std::strtod(text.c_str(), nullptr) * 1000));
}

std::time_t parseStart(const std::string &text) {
  static const std::regex form(R"((\d{4})(\d{2})(\d{2})_(\d{2})(\d{2})(\d{2}))");
  std::smatch m;
  if (!std::regex_match(text, m, form)) {
    throw UsageError("--start: expected YYYYMMDD_HHMMSS, got '" + text + "'");
  }
  std::tm tm{};
  tm.tm_year = std::stoi(m[1]) - 1900;
  tm.tm_mon = std::stoi(m[2]) - 1;
  tm.tm_mday = std::stoi(m[3]);
  tm.tm_hour = std::stoi(m[4]);
  tm.tm_min = std::stoi(m[5]);
  tm.tm_sec = std::stoi(m[6]);
  const std::tm given = tm;
  const std::time_t t = timegm(&tm);
  // timegm normalises out-of-range fields; a real date comes back unchanged.
  if (tm.tm_year != given.tm_year || tm.tm_mon != given.tm_mon || tm.tm_mday != given.tm_mday ||
      tm.tm_hour != given.tm_hour || tm.tm_min != given.tm_min || tm.tm_sec != given.tm_sec) {
    throw UsageError("--start: '" + text + "' is not a valid date and time");
  }
  if (given.tm_year < 0 || given.tm_year > 199) {
    throw UsageError("--start: the year must lie between 1900 and 2099");
  }
  return t;
}

struct OptionEntry {
  const char *name;
  const char *value;  // nullptr for a flag
  const char *help;
  std::function<void(Options &, const std::string &)> apply;
  const char *container = nullptr;  // the only container the option applies to
};

const std::vector<OptionEntry> &optionTable() {
  static const std::vector<OptionEntry> table = {
      {"--out", "DIR", "folder for the recordings (default .)",
       [](Options &o, const std::string &v) { o.outDir = v; }},
      {"--start", "YYYYMMDD_HHMMSS", "start of the first recording (default 20240501_083000)",
       [](Options &o, const std::string &v) { o.start = parseStart(v); }},
      {"--type", "INF|EVT|PRK|USR", "recording type (default INF)",
       [](Options &o, const std::string &v) {
         if (v != "INF" && v != "EVT" && v != "PRK" && v != "USR") {
           throw UsageError("--type: expected INF, EVT, PRK or USR, got '" + v + "'");
         }
         o.type = v;
       }},
      {"--channels", "1-3", "camera channels (default 1)",
       [](Options &o, const std::string &v) {
         o.channels = static_cast<int>(parseInteger("--channels", v, 1, 3));
       }},
      {"--layout", "separate|single",
       "channels as files _1, _2, _3 (default) or as video tracks of one file",
       [](Options &o, const std::string &v) {
         if (v != "separate" && v != "single") {
           throw UsageError("--layout: expected separate or single, got '" + v + "'");
         }
         o.singleFile = v == "single";
       }},
      {"--duration", "SECONDS", "length of each recording (default 60)",
       [](Options &o, const std::string &v) { o.durationMs = parseSeconds("--duration", v); }},
      {"--segments", "N", "consecutive recordings of the same drive (default 1)",
       [](Options &o, const std::string &v) {
         o.segments = static_cast<int>(parseInteger("--segments", v, 1, 1000));
       }},
      {"--fps", "N", "frame rate (default 30)",
       [](Options &o, const std::string &v) {
         o.fps = static_cast<uint32_t>(parseInteger("--fps", v, 1, 120));
       }},
      {"--size", "WxH", "picture size (default 640x360)",
       [](Options &o, const std::string &v) {
         static const std::regex form(R"((\d{2,4})x(\d{2,4}))");
         std::smatch m;
         if (!std::regex_match(v, m, form))
           throw UsageError("--size: expected WxH, got '" + v + "'");
         o.width = static_cast<uint32_t>(std::stoul(m[1]));
         o.height = static_cast<uint32_t>(std::stoul(m[2]));
         if (o.width % 2 || o.height % 2 || o.width < 64 || o.height < 64) {
           throw UsageError("--size: width and height must be even and at least 64");
         }
       }},
      {"--gop", "FRAMES", "frames from one key frame to the next (default: one second)",
       [](Options &o, const std::string &v) {
         o.gop = static_cast<uint32_t>(parseInteger("--gop", v, 1, 1200));
       }},
      {"--codec", "h264|h265", "video codec (default h264)",
       [](Options &o, const std::string &v) {
         if (v != "h264" && v != "h265") {
           throw UsageError("--codec: expected h264 or h265, got '" + v + "'");
         }
         o.codec = v == "h265" ? VideoCodec::H265 : VideoCodec::H264;
       }},
      {"--hevc-tag", "hvc1|hev1",
       "H.265 sample entry: parameter sets only in hvcC (hvc1, default) or also before every "
       "key frame (hev1)",
       [](Options &o, const std::string &v) {
         if (v != "hvc1" && v != "hev1") {
           throw UsageError("--hevc-tag: expected hvc1 or hev1, got '" + v + "'");
         }
         o.hev1 = v == "hev1";
       }},
      {"--h264-profile", "baseline|main|high", "H.264 profile (default: encoder's choice)",
       [](Options &o, const std::string &v) {
         if (v != "baseline" && v != "main" && v != "high") {
           throw UsageError("--h264-profile: expected baseline, main or high, got '" + v + "'");
         }
         o.h264Profile = v;
       }},
      {"--audio", nullptr, "sound in channel 1: AAC in MP4, 16-bit PCM in AVI",
       [](Options &o, const std::string &) { o.audio = true; }},
      {"--route", "NAME", "drive route: berlin (default), buenos-aires",
       [](Options &o, const std::string &v) {
         if (!findRoute(v)) {
           throw UsageError("--route: unknown route '" + v +
                            "' (known: " + joined(routeNames(), ", ") + ")");
         }
         o.route = v;
       }},
      {"--drive-offset", "SECONDS", "where in the drive the first recording starts (default 0)",
       [](Options &o, const std::string &v) {
         o.driveOffsetMs = parseSeconds("--drive-offset", v);
       }},
      {"--event-at", "SECONDS",
       "EVT: hard braking from this time on; PRK: knock at this time (default: middle)",
       [](Options &o, const std::string &v) { o.eventAtMs = parseSeconds("--event-at", v); }},
      {"--no-fix", "START:LENGTH",
       "stretch without GPS fix, seconds into the recording; repeatable",
       [](Options &o, const std::string &v) {
         const size_t colon = v.find(':');
         if (colon == std::string::npos) {
           throw UsageError("--no-fix: expected START:LENGTH, got '" + v + "'");
         }
         o.noFixMs.emplace_back(parseSeconds("--no-fix", v.substr(0, colon)),
                                parseSeconds("--no-fix", v.substr(colon + 1)));
       }},
      {"--text-sample-size", "BYTES", "size of each telemetry record (default and least 72)",
       [](Options &o, const std::string &v) {
         o.recordSize =
             static_cast<size_t>(parseInteger("--text-sample-size", v, kTelemetryRecordSize, 4096));
       }},
      {"--short-record", "INDEX:BYTES",
       "cut telemetry record INDEX (from 0) of each recording to BYTES; repeatable",
       [](Options &o, const std::string &v) {
         const size_t colon = v.find(':');
         if (colon == std::string::npos) {
           throw UsageError("--short-record: expected INDEX:BYTES, got '" + v + "'");
         }
         o.shortRecords.emplace_back(
             static_cast<uint32_t>(parseInteger("--short-record", v.substr(0, colon), 0, 863999)),
             static_cast<size_t>(parseInteger("--short-record", v.substr(colon + 1), 1, 4095)));
       }},
      {"--telemetry-csv", "FILE", "also write the intended telemetry values to FILE",
       [](Options &o, const std::string &v) { o.telemetryCsv = v; }},
      {"--container", "NAME", "container format: mp4 (default) or avi",
       [](Options &o, const std::string &v) {
         if (!makeContainerWriter(v, {})) {
           throw UsageError("--container: unknown '" + v +
                            "' (known: " + joined(containerNames(), ", ") + ")");
         }
         o.container = v;
       }},
      {"--fragmented", nullptr, "MP4: fragmented, one moof/mdat per key-frame interval",
       [](Options &o, const std::string &) { o.containerSettings.fragmented = true; }, "mp4"},
      {"--moov-first", nullptr, "MP4: moov before mdat (default: after, as cameras write it)",
       [](Options &o, const std::string &) { o.containerSettings.moovFirst = true; }, "mp4"},
      {"--aidd", "VALUE", "MP4: value of the top-level AIDD box (default 0; hex with 0x)",
       [](Options &o, const std::string &v) {
         o.aidd = static_cast<uint32_t>(parseInteger("--aidd", v, 0, 0xFFFFFFFFll));
       },
       "mp4"},
      {"--no-aidd", nullptr, "MP4: leave the AIDD box out",
       [](Options &o, const std::string &) { o.aidd.reset(); }, "mp4"},
      {"--avi-index", "idx1|odml|none",
       "AVI: idx1 (default), OpenDML indexes with AVIX parts, or no index",
       [](Options &o, const std::string &v) {
         static const std::pair<const char *, AviIndex> kinds[] = {
             {"idx1", AviIndex::Idx1}, {"odml", AviIndex::OpenDml}, {"none", AviIndex::None}};
         for (const auto &[name, kind] : kinds) {
           if (v == name) {
             o.containerSettings.aviIndex = kind;
             return;
           }
         }
         throw UsageError("--avi-index: expected idx1, odml or none, got '" + v + "'");
       },
       "avi"},
      {"--avi-riff-limit", "BYTES", "AVI OpenDML: largest RIFF part (default 1 GiB)",
       [](Options &o, const std::string &v) {
         o.containerSettings.riffLimit = static_cast<uint64_t>(
             parseInteger("--avi-riff-limit", v, kMinRiffLimit, kMaxRiffLimit));
       },
       "avi"},
      {"--no-adas", nullptr, "AVI: no ADAS block (the second JUNK chunk holds zeros)",
       [](Options &o, const std::string &) { o.containerSettings.adas = false; }, "avi"},
      {"--config", "MODEL",
       "also write CONFIG/config.bin for this model identifier (e.g. KT90ALM_D2W)",
       [](Options &o, const std::string &v) { o.configModel = v; }},
      {"--config-resources", "DIR",
       "folder with configStr.json and Setting.json (default: the viewer's resources)",
       [](Options &o, const std::string &v) { o.configResources = v; }},
      {"--config-set", "ITEM=VALUE",
       "settings file: give an item this value instead of its default; repeatable",
       [](Options &o, const std::string &v) {
         const size_t eq = v.find('=');
         if (eq == std::string::npos || eq == 0)
           throw UsageError("--config-set: expected ITEM=VALUE, got '" + v + "'");
         o.configValues.emplace_back(
             v.substr(0, eq), static_cast<uint32_t>(
                                  parseInteger("--config-set", v.substr(eq + 1), 0, 0xFFFFFFFFll)));
       }},
      {"--config-only", nullptr, "write only CONFIG/config.bin, no recordings",
       [](Options &o, const std::string &) { o.configOnly = true; }},
      {"--ffmpeg", "PATH", "ffmpeg program (default ffmpeg from PATH)",
       [](Options &o, const std::string &v) { o.ffmpeg = v; }},
      {"--threads", "N", "encoder threads (default 1)",
       [](Options &o, const std::string &v) {
         o.threads = static_cast<int>(parseInteger("--threads", v, 1, 64));
       }},
      {"--font", "FILE", "font for the picture texts (default: DejaVu Sans Mono or Noto CJK)",
       [](Options &o, const std::string &v) { o.font = v; }},
      {"--keep-temp", nullptr, "keep ffmpeg's intermediate files",
       [](Options &o, const std::string &) { o.keepTemp = true; }},
      {"--verbose", nullptr, "show the ffmpeg commands",
       [](Options &o, const std::string &) { o.verbose = true; }},
      {"--help", nullptr, "this text", [](Options &o, const std::string &) { o.help = true; }},
  };
  return table;
}

void validate(const Options &o, const std::vector<const OptionEntry *> &given) {
  for (const OptionEntry *e : given) {
    if (e->container && o.container != e->container) {
      throw UsageError(std::string(e->name) + " applies to --container " + e->container + " only");
    }
  }
  if (o.container == "avi") {
    if (o.codec != VideoCodec::H264) throw UsageError("AVI recordings carry H.264 video only");
    const bool limitGiven = std::any_of(given.begin(), given.end(), [](const OptionEntry *e) {
      return std::string(e->name) == "--avi-riff-limit";
    });
    if (limitGiven && o.containerSettings.aviIndex != AviIndex::OpenDml) {
      throw UsageError("--avi-riff-limit needs --avi-index odml");
    }
  }
  if (o.durationMs == 0 || o.durationMs % kTelemetryStepMs != 0) {
    throw UsageError("--duration must be a positive multiple of 0.1 s");
  }
  if (static_cast<uint64_t>(o.durationMs) * o.fps % 1000 != 0) {
    throw UsageError("--duration must hold a whole number of frames at " + std::to_string(o.fps) +
                     " fps");
  }
  if (o.driveOffsetMs % kTelemetryStepMs != 0) {
    throw UsageError("--drive-offset must be a multiple of 0.1 s");
  }
  if (o.eventAtMs) {
    if (o.type != "EVT" && o.type != "PRK") {
      throw UsageError("--event-at only applies to EVT and PRK recordings");
    }
    if (*o.eventAtMs >= o.durationMs) throw UsageError("--event-at lies beyond --duration");
  }
  for (const auto &[begin, length] : o.noFixMs) {
    if (begin % kTelemetryStepMs || length % kTelemetryStepMs || length == 0 ||
        begin >= o.durationMs) {
      throw UsageError(
          "--no-fix: start and length must be multiples of 0.1 s inside the recording");
    }
  }
  if (o.configOnly && o.configModel.empty()) throw UsageError("--config-only needs --config");
  for (const auto &[index, bytes] : o.shortRecords) {
    if (index >= o.durationMs / kTelemetryStepMs || bytes >= o.recordSize) {
      throw UsageError(
          "--short-record: the record must lie inside the recording and be cut below "
          "--text-sample-size");
    }
  }
  if (o.hev1 && o.codec != VideoCodec::H265) throw UsageError("--hevc-tag needs --codec h265");
  if (!o.h264Profile.empty() && o.codec != VideoCodec::H264) {
    throw UsageError("--h264-profile needs --codec h264");
  }
  const uint64_t segmentsMs = static_cast<uint64_t>(o.durationMs) * o.segments;
  const std::time_t lastStart =
      o.start + static_cast<std::time_t>(segmentsMs - o.durationMs) / 1000;
  std::tm last{};
  gmtime_r(&lastStart, &last);
  if (last.tm_year > 199) throw UsageError("the last recording would start after 2099");
  if (o.driveOffsetMs + segmentsMs > 24ull * 3600 * 1000) {
    throw UsageError("the drive is limited to 24 hours");
  }
}

}  // namespace

Options parseOptions(const std::vector<std::string> &args) {
  Options o;
  o.start = parseStart("20240501_083000");
  std::vector<const OptionEntry *> given;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    const auto it = std::find_if(optionTable().begin(), optionTable().end(),
                                 [&](const OptionEntry &s) { return arg == s.name; });
    if (it == optionTable().end()) throw UsageError("unknown option '" + arg + "'");
    std::string value;
    if (it->value) {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value (" + it->value + ")");
      value = args[++i];
    }
    it->apply(o, value);
    given.push_back(&*it);
  }
  if (o.gop == 0) o.gop = o.fps;
#ifdef SAMPLEGEN_RESOURCES
  if (o.configResources.empty()) o.configResources = SAMPLEGEN_RESOURCES;
#endif
  if (!o.help) validate(o, given);
  return o;
}

std::string usageText() {
  std::string text =
      "usage: dashcam-samplegen [options]\n"
      "Writes dash-camera recordings with test pictures, GPS and G-sensor data.\n"
      "Prints the path of every file written.\n\n";
  for (const OptionEntry &s : optionTable()) {
    std::string left = std::string("  ") + s.name + (s.value ? std::string(" ") + s.value : "");
    left = left.size() < 30 ? left + std::string(30 - left.size(), ' ')
                            : left + "\n" + std::string(30, ' ');
    text += left + " " + s.help + "\n";
  }
  return text;
}

std::string nameTime(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d_%H%M%S", &tm);
  return buf;
}

}  // namespace samplegen
