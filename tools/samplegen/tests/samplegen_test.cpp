// dashcam-samplegen as its users see it: the files it writes are read back with ffprobe
// (and a small box walk of our own), and the telemetry records are decoded here, with the
// viewer's own rules, and compared with what the generator meant to write.

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// ---- running programs ------------------------------------------------------------------

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string readText(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Outcome run(const std::vector<std::string> &argv, const fs::path &scratch) {
  const std::string outPath = (scratch / "stdout.txt").string();
  const std::string errPath = (scratch / "stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  Outcome o;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  }
  posix_spawn_file_actions_destroy(&actions);
  o.out = readText(outPath);
  o.err = readText(errPath);
  return o;
}

bool onPath(const std::string &program) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::vector<std::string> lines(const std::string &text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

// ---- what ffprobe sees --------------------------------------------------------------------

struct Packet {
  double pts = 0;
  double dts = 0;
  size_t size = 0;
  bool key = false;
  Bytes data;
};

struct Stream {
  std::string type, codec, tag, handler, title, profile;
  long frames = 0;  // nb_frames
  int width = 0, height = 0;
  double duration = NAN, start = NAN;
  std::vector<Packet> packets;
};

struct Probe {
  std::string err;
  std::vector<Stream> streams;
};

// ffprobe's "data" hex dump: "00000000: 544c 4d31 ...  ascii".
Bytes fromHexDump(const std::string &dump) {
  Bytes out;
  for (const std::string &line : lines(dump)) {
    const std::string hex = line.substr(10, 40);
    std::string digits;
    for (char c : hex) {
      if (c != ' ') digits += c;
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
      out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
  }
  return out;
}

double number(const rapidjson::Value &v, const char *key) {
  if (!v.HasMember(key)) return NAN;
  const rapidjson::Value &f = v[key];
  return f.IsString() ? std::stod(f.GetString()) : f.GetDouble();
}

std::string text(const rapidjson::Value &v, const char *key) {
  return v.HasMember(key) && v[key].IsString() ? v[key].GetString() : "";
}

Probe probe(const fs::path &file, const fs::path &scratch) {
  const Outcome o = run({"ffprobe", "-v", "warning", "-show_streams", "-show_packets", "-show_data",
                         "-of", "json", file.string()},
                        scratch);
  Probe p;
  p.err = o.err;
  rapidjson::Document doc;
  doc.Parse(o.out.c_str());
  if (o.status != 0 || doc.HasParseError()) {
    p.err += "\nffprobe failed";
    return p;
  }
  for (const auto &s : doc["streams"].GetArray()) {
    Stream st;
    st.type = text(s, "codec_type");
    st.codec = text(s, "codec_name");
    st.tag = text(s, "codec_tag_string");
    st.profile = text(s, "profile");
    if (s.HasMember("tags")) {
      st.handler = text(s["tags"], "handler_name");
      st.title = text(s["tags"], "title");
    }
    st.frames = s.HasMember("nb_frames") ? std::atol(text(s, "nb_frames").c_str()) : 0;
    st.width = s.HasMember("width") ? s["width"].GetInt() : 0;
    st.height = s.HasMember("height") ? s["height"].GetInt() : 0;
    st.duration = number(s, "duration");
    st.start = number(s, "start_time");
    p.streams.push_back(st);
  }
  for (const auto &pk : doc["packets"].GetArray()) {
    Packet packet;
    packet.pts = number(pk, "pts_time");
    packet.dts = number(pk, "dts_time");
    packet.size = static_cast<size_t>(number(pk, "size"));
    packet.key = text(pk, "flags").find('K') != std::string::npos;
    packet.data = fromHexDump(text(pk, "data"));
    p.streams.at(static_cast<size_t>(pk["stream_index"].GetInt())).packets.push_back(packet);
  }
  return p;
}

// ---- a box walk of our own -----------------------------------------------------------

uint32_t be32(const Bytes &b, size_t at) {
  return static_cast<uint32_t>(b.at(at)) << 24 | b.at(at + 1) << 16 | b.at(at + 2) << 8 |
         b.at(at + 3);
}

struct Box {
  std::string type;
  size_t start = 0;  // of the payload
  size_t size = 0;   // of the payload
};

std::vector<Box> children(const Bytes &file, size_t from, size_t end) {
  std::vector<Box> out;
  while (from + 8 <= end) {
    const size_t size = be32(file, from);
    if (size < 8 || from + size > end) break;
    out.push_back(
        {std::string(file.begin() + from + 4, file.begin() + from + 8), from + 8, size - 8});
    from += size;
  }
  return out;
}

const Box *find(const std::vector<Box> &boxes, const std::string &type) {
  for (const Box &b : boxes) {
    if (b.type == type) return &b;
  }
  return nullptr;
}

Bytes readBytes(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// What our reader relies on, per track: handler, media header, chunk offsets, chunking.
struct TrackLayout {
  std::string handler, mediaHeader, entry, offsets;
  uint32_t largestChunk = 0;
};

std::vector<TrackLayout> trackLayouts(const Bytes &file) {
  std::vector<TrackLayout> out;
  const std::vector<Box> top = children(file, 0, file.size());
  const Box *moov = find(top, "moov");
  if (!moov) return out;
  for (const Box &trak : children(file, moov->start, moov->start + moov->size)) {
    if (trak.type != "trak") continue;
    TrackLayout t;
    const Box *mdia = find(children(file, trak.start, trak.start + trak.size), "mdia");
    const std::vector<Box> inMdia = children(file, mdia->start, mdia->start + mdia->size);
    const Box *hdlr = find(inMdia, "hdlr");
    t.handler = std::string(file.begin() + hdlr->start + 8, file.begin() + hdlr->start + 12);
    const Box *minf = find(inMdia, "minf");
    for (const Box &m : children(file, minf->start, minf->start + minf->size)) {
      if (m.type == "vmhd" || m.type == "smhd" || m.type == "nmhd") t.mediaHeader = m.type;
      if (m.type != "stbl") continue;
      for (const Box &s : children(file, m.start, m.start + m.size)) {
        if (s.type == "stco" || s.type == "co64") t.offsets = s.type;
        if (s.type == "stsd") {
          t.entry = std::string(file.begin() + s.start + 12, file.begin() + s.start + 16);
        }
        if (s.type == "stsc") {
          for (uint32_t i = 0, n = be32(file, s.start + 4); i < n; ++i) {
            t.largestChunk = std::max(t.largestChunk, be32(file, s.start + 8 + 12 * i + 4));
          }
        }
      }
    }
    out.push_back(t);
  }
  return out;
}

// ---- the telemetry record, decoded the way the viewer does ---------------------------

template <typename T>
T little(const Bytes &b, size_t at) {
  T v;
  std::memcpy(&v, b.data() + at, sizeof v);  // the test host is little-endian, as the record
  return v;
}

uint32_t crc32(const uint8_t *data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

struct Record {
  uint32_t driveIndex;
  int64_t utcMs;
  double latE7, lonE7;
  float gx, gy, gz;
  uint32_t flags;
  float speed, latNmea, lonNmea;
  double lat, lon;  // signed degrees from the NMEA fields and the flags
};

Record decode(const Bytes &b) {
  Record r{};
  r.driveIndex = little<uint32_t>(b, 12);
  r.utcMs = little<int64_t>(b, 16);
  r.latE7 = little<int32_t>(b, 24) * 1e-7;
  r.lonE7 = little<int32_t>(b, 28) * 1e-7;
  r.gx = little<float>(b, 40);
  r.gy = little<float>(b, 44);
  r.gz = little<float>(b, 48);
  r.flags = little<uint32_t>(b, 52);
  r.speed = little<float>(b, 56);
  r.latNmea = little<float>(b, 60);
  r.lonNmea = little<float>(b, 64);
  const auto degrees = [](float nmea, bool positive) {
    const float d = std::trunc(nmea / 100) + std::fmod(nmea, 100.0f) / 60;
    return positive ? d : -d;
  };
  r.lat = degrees(r.latNmea, (r.flags & 3) == 1);
  r.lon = degrees(r.lonNmea, ((r.flags >> 2) & 3) == 1);
  return r;
}

double metres(double lat1, double lon1, double lat2, double lon2) {
  const double rad = M_PI / 180;
  const double x = (lon2 - lon1) * rad * std::cos((lat1 + lat2) / 2 * rad);
  return 6371008.8 * std::hypot(x, (lat2 - lat1) * rad);
}

std::vector<std::map<std::string, std::string>> readCsv(const fs::path &path) {
  std::vector<std::map<std::string, std::string>> rows;
  const std::vector<std::string> all = lines(readText(path));
  if (all.empty()) return rows;
  const auto split = [](const std::string &line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
    return cells;
  };
  const std::vector<std::string> header = split(all[0]);
  for (size_t i = 1; i < all.size(); ++i) {
    const std::vector<std::string> cells = split(all[i]);
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < header.size() && c < cells.size(); ++c) row[header[c]] = cells[c];
    rows.push_back(row);
  }
  return rows;
}

// ---- fixture ------------------------------------------------------------------------

const char *const kChannelNames[] = {"CH1 FRONT", "CH2 REAR", "CH3 REAR 2"};

const std::regex kMp4Name(
    R"((19|20)\d{2}(0[1-9]|1[012])(0[1-9]|1[0-9]|2[0-9]|3[01])_(0[0-9]|1[0-9]|2[0-3])([0-5][0-9])([0-5][0-9])_([EIPU][NVRS][FTKR])_([12345]).mp4)");

class Samplegen : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/samplegen_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the generator into a fresh folder; returns the files it reports.
  std::vector<fs::path> generate(const std::string &name, std::vector<std::string> args) {
    const fs::path out = dir_ / name;
    args.insert(args.begin(), {SAMPLEGEN_PATH, "--out", out.string()});
    const Outcome o = run(args, dir_);
    EXPECT_EQ(o.status, 0) << o.err;
    std::vector<fs::path> files;
    for (const std::string &line : lines(o.out)) files.emplace_back(line);
    return files;
  }

  // Text-track records of a file as ffprobe hands them out.
  std::vector<Record> records(const fs::path &file, Probe *seen = nullptr) {
    const Probe p = probe(file, dir_);
    EXPECT_EQ(p.err, "") << file;
    std::vector<Record> out;
    for (const Stream &s : p.streams) {
      if (s.type != "subtitle") continue;
      for (const Packet &pk : s.packets) {
        EXPECT_GE(pk.data.size(), 72u);
        if (pk.data.size() >= 72) out.push_back(decode(pk.data));
      }
    }
    if (seen) *seen = p;
    return out;
  }

  fs::path dir_;
};

// ---- names and files ---------------------------------------------------------------

TEST_F(Samplegen, SeparateChannelFilesAndSegmentsFollowTheNameGrammar) {
  const std::vector<fs::path> files =
      generate("names", {"--channels", "3", "--type", "EVT", "--start", "20231231_235959",
                         "--duration", "1", "--segments", "2", "--size", "160x90", "--fps", "10"});
  const std::vector<std::string> expected = {
      "20231231_235959_EVT_1.mp4", "20231231_235959_EVT_2.mp4", "20231231_235959_EVT_3.mp4",
      "20240101_000000_EVT_1.mp4", "20240101_000000_EVT_2.mp4", "20240101_000000_EVT_3.mp4"};
  ASSERT_EQ(files.size(), expected.size());
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(files[i].filename().string(), expected[i]);
    EXPECT_TRUE(std::regex_match(files[i].filename().string(), kMp4Name)) << files[i];
    EXPECT_TRUE(fs::is_regular_file(files[i])) << files[i];
  }
  // Nothing half-written is left beside the recordings.
  size_t onDisk = 0;
  for (const auto &entry : fs::directory_iterator(dir_ / "names"))
    onDisk += entry.is_regular_file();
  EXPECT_EQ(onDisk, expected.size());
}

TEST_F(Samplegen, EveryRecordingTypeAndTheSingleFileLayoutNameTheirFiles) {
  for (const std::string type : {"INF", "PRK", "USR"}) {
    const std::vector<fs::path> files = generate(
        type, {"--type", type, "--start", "20240229_235958", "--duration", "0.5", "--channels", "2",
               "--layout", "single", "--size", "160x90", "--fps", "10"});
    ASSERT_EQ(files.size(), 1u) << type;
    EXPECT_EQ(files[0].filename().string(), "20240229_235958_" + type + "_1.mp4");
  }
}

TEST_F(Samplegen, RefusesWhatItCannotWrite) {
  const std::vector<std::vector<std::string>> refused = {
      {"--start", "20230230_120000"},                  // no such day
      {"--start", "18991231_120000"},                  // outside the name grammar
      {"--duration", "1.05"},                          // between two telemetry samples
      {"--fps", "24", "--duration", "0.1"},            // not a whole number of frames
      {"--hevc-tag", "hev1"},                          // needs H.265
      {"--type", "XYZ"},                               //
      {"--channels", "4"},                             //
      {"--event-at", "3"},                             // only for EVT and PRK
      {"--text-sample-size", "60"},                    // smaller than the record
      {"--short-record", "1:72"},                      // not shorter than the record
      {"--duration", "2", "--short-record", "20:40"},  // past the last record
  };
  for (const auto &args : refused) {
    std::vector<std::string> argv = {SAMPLEGEN_PATH, "--out", (dir_ / "refused").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const Outcome o = run(argv, dir_);
    EXPECT_EQ(o.status, 2) << args[0] << " " << args[1];
    EXPECT_NE(o.err, "");
  }
  EXPECT_FALSE(fs::exists(dir_ / "refused"));
}

// ---- containers, as ffprobe reads them ----------------------------------------------

struct Mode {
  const char *name = "";
  std::vector<std::string> args;
  int videoTracks = 1;  // per file
  int files = 1;
  const char *codec = "h264";  // as ffprobe names it
  const char *tag = "avc1";    // sample entry
  const char *profile = "";    // H.264 profile ffprobe should report, "" = any
  bool audio = false;          // in the first file
  bool fragmented = false;
  bool moovFirst = false;
  double seconds = 2;
  int fps = 30;
  int gop = 30;
  size_t recordSize = 72;
  std::optional<uint32_t> aidd = 0u;
};

Mode mode(const char *name, std::vector<std::string> args, void (*adjust)(Mode &)) {
  Mode m;
  m.name = name;
  m.args = std::move(args);
  adjust(m);
  return m;
}

void PrintTo(const Mode &m, std::ostream *os) {
  *os << m.name;
}

class SamplegenContainer : public Samplegen, public ::testing::WithParamInterface<Mode> {};

TEST_P(SamplegenContainer, FfprobeReadsWhatWasWritten) {
  const Mode &m = GetParam();
  const std::vector<fs::path> files = generate(m.name, m.args);
  ASSERT_EQ(files.size(), static_cast<size_t>(m.files));
  const int frames = static_cast<int>(std::lround(m.seconds * m.fps));
  const int records = static_cast<int>(std::lround(m.seconds * 10));

  for (size_t f = 0; f < files.size(); ++f) {
    SCOPED_TRACE(files[f].string());
    const Probe p = probe(files[f], dir_);
    EXPECT_EQ(p.err, "");
    const bool audio = m.audio && f == 0;
    ASSERT_EQ(p.streams.size(), static_cast<size_t>(m.videoTracks + (audio ? 1 : 0) + 1));

    for (int v = 0; v < m.videoTracks; ++v) {
      const Stream &s = p.streams[static_cast<size_t>(v)];
      EXPECT_EQ(s.type, "video");
      EXPECT_EQ(s.codec, m.codec);
      EXPECT_EQ(s.tag, m.tag);
      if (*m.profile) {
        EXPECT_EQ(s.profile, m.profile);
      }
      // Channel n is the n-th video track of a single file, or the video of file "_n".
      const size_t channel = m.videoTracks > 1 ? static_cast<size_t>(v) : f;
      EXPECT_EQ(s.handler, kChannelNames[channel]);
      EXPECT_NEAR(s.duration, m.seconds, 1e-6);
      ASSERT_EQ(s.packets.size(), static_cast<size_t>(frames));
      for (int i = 0; i < frames; ++i) {
        EXPECT_NEAR(s.packets[i].pts, static_cast<double>(i) / m.fps, 1e-6) << i;
        EXPECT_EQ(s.packets[i].key, i % m.gop == 0) << i;
      }
      // "hev1" repeats the parameter sets in front of every key frame, "hvc1" does not.
      if (std::string(m.codec) == "hevc") {
        const bool inBand = std::string(m.tag) == "hev1";
        for (int i = 0; i < frames; i += m.gop) {
          const Bytes &d = s.packets[static_cast<size_t>(i)].data;
          ASSERT_GT(d.size(), 5u);
          const int firstUnit = (d[4] >> 1) & 0x3F;  // after the 4-byte length
          EXPECT_EQ(firstUnit == 32, inBand) << "VPS in front of key frame " << i;
        }
      }
    }
    if (audio) {
      const Stream &s = p.streams[static_cast<size_t>(m.videoTracks)];
      EXPECT_EQ(s.codec, "aac");
      EXPECT_FALSE(s.packets.empty());
      // The encoder's priming samples are cut by an edit list; fragmented readers show
      // them before zero instead.
      const double end = s.packets.back().pts + 1024.0 / 48000;
      EXPECT_GE(end, m.seconds - 1e-6);
      EXPECT_LT(end, m.seconds + 1024.0 / 48000 + 1e-6);
      if (!m.fragmented) {
        EXPECT_NEAR(s.duration, m.seconds, 1e-3);
      }
    }
    const Stream &text = p.streams.back();
    EXPECT_EQ(text.tag, "tx3g");
    ASSERT_EQ(text.packets.size(), static_cast<size_t>(records));
    for (int i = 0; i < records; ++i) {
      const Packet &pk = text.packets[static_cast<size_t>(i)];
      EXPECT_NEAR(pk.pts, i * 0.1, 1e-6) << i;
      EXPECT_EQ(pk.size, m.recordSize) << i;
      EXPECT_TRUE(pk.key) << i;
      // The bytes are the record of that moment, not a neighbour's or another track's.
      ASSERT_EQ(pk.data.size(), m.recordSize);
      EXPECT_EQ(little<uint32_t>(pk.data, 68), crc32(pk.data.data(), 68)) << i;
      EXPECT_EQ(decode(pk.data).driveIndex, static_cast<uint32_t>(i)) << i;
    }

    // Every frame decodes.
    const Outcome decoded = run({"ffmpeg", "-v", "error", "-i", files[f].string(), "-map", "0:v",
                                 "-map", "0:a?", "-f", "null", "-"},
                                dir_);
    EXPECT_EQ(decoded.status, 0);
    EXPECT_EQ(decoded.err, "");

    // Top level: ftyp, the camera's AIDD box, then moov and media in the chosen order.
    const Bytes bytes = readBytes(files[f]);
    const std::vector<Box> top = children(bytes, 0, bytes.size());
    ASSERT_GE(top.size(), 3u);
    EXPECT_EQ(top[0].type, "ftyp");
    size_t next = 1;
    if (m.aidd) {
      EXPECT_EQ(top[1].type, "AIDD");
      EXPECT_EQ(top[1].size, 4u);
      EXPECT_EQ(be32(bytes, top[1].start), *m.aidd);
      ++next;
    } else {
      EXPECT_EQ(find(top, "AIDD"), nullptr);
    }
    size_t moofs = 0;
    for (const Box &b : top) moofs += b.type == "moof";
    if (m.fragmented) {
      EXPECT_EQ(top[next].type, "moov");
      EXPECT_EQ(moofs, static_cast<size_t>((frames + m.gop - 1) / m.gop));
    } else {
      EXPECT_EQ(moofs, 0u);
      EXPECT_EQ(top[next].type, m.moovFirst ? "moov" : "mdat");
      EXPECT_EQ(top.back().type, m.moovFirst ? "mdat" : "moov");
    }

    // What our own reader counts on.
    const std::vector<TrackLayout> tracks = trackLayouts(bytes);
    ASSERT_EQ(tracks.size(), p.streams.size());
    for (const TrackLayout &t : tracks) {
      EXPECT_EQ(t.offsets, "stco");
      if (t.handler == "soun") {
        EXPECT_LE(t.largestChunk, 1u) << "one AAC frame per chunk";
      }
    }
    EXPECT_EQ(tracks.front().mediaHeader, "vmhd");
    EXPECT_EQ(tracks.back().handler, "tvxt");
    EXPECT_EQ(tracks.back().mediaHeader, "nmhd");
    EXPECT_EQ(tracks.back().entry, "tx3g");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SamplegenContainer,
    ::testing::Values(
        mode("separate_audio",
             {"--channels", "2", "--audio", "--duration", "3", "--aidd", "0x5A3C0001"},
             [](Mode &m) {
               m.files = 2;
               m.audio = true;
               m.seconds = 3;
               m.aidd = 0x5A3C0001u;
             }),
        mode("single_three_tracks",
             {"--channels", "3", "--layout", "single", "--audio", "--duration", "2",
              "--h264-profile", "main"},
             [](Mode &m) {
               m.videoTracks = 3;
               m.audio = true;
               m.profile = "Main";
             }),
        mode("fragmented_single",
             {"--channels", "2", "--layout", "single", "--audio", "--fragmented", "--duration",
              "3"},
             [](Mode &m) {
               m.videoTracks = 2;
               m.audio = true;
               m.fragmented = true;
               m.seconds = 3;
             }),
        mode("h265_hvc1_moov_first",
             {"--codec", "h265", "--moov-first", "--duration", "2", "--no-aidd"},
             [](Mode &m) {
               m.codec = "hevc";
               m.tag = "hvc1";
               m.moovFirst = true;
               m.aidd.reset();
             }),
        mode("h265_hev1_fragmented",
             {"--codec", "h265", "--hevc-tag", "hev1", "--fragmented", "--duration", "2"},
             [](Mode &m) {
               m.codec = "hevc";
               m.tag = "hev1";
               m.fragmented = true;
             }),
        mode("odd_rate_and_gop",
             {"--fps", "25", "--gop", "10", "--duration", "2.4", "--size", "320x180",
              "--fragmented", "--text-sample-size", "96"},
             [](Mode &m) {
               m.fragmented = true;
               m.seconds = 2.4;
               m.fps = 25;
               m.gop = 10;
               m.recordSize = 96;
             })),
    [](const ::testing::TestParamInfo<Mode> &info) { return std::string(info.param.name); });

TEST_F(Samplegen, PlaysInVlcWhenInstalled) {
  if (!onPath("cvlc")) GTEST_SKIP() << "cvlc is not installed";
  const std::vector<fs::path> files = generate("vlc", {"--audio", "--duration", "2"});
  ASSERT_EQ(files.size(), 1u);
  const Outcome o =
      run({"cvlc", "--play-and-exit", "--vout=dummy", "--aout=dummy", files[0].string()}, dir_);
  EXPECT_EQ(o.status, 0);
  for (const std::string &line : lines(o.err)) {
    EXPECT_EQ(line.find(" error:"), std::string::npos) << line;
  }
}

// ---- telemetry ------------------------------------------------------------------------

TEST_F(Samplegen, RecordsCarryTheIntendedValuesInTheViewersLayout) {
  const fs::path csv = dir_ / "intended.csv";
  const std::vector<fs::path> files =
      generate("records", {"--drive-offset", "42", "--duration", "3", "--start", "20240501_083000",
                           "--telemetry-csv", csv.string(), "--size", "160x90", "--fps", "10"});
  ASSERT_EQ(files.size(), 1u);
  const std::vector<std::map<std::string, std::string>> meant = readCsv(csv);
  const Probe p = probe(files[0], dir_);
  const std::vector<Packet> &packets = p.streams.back().packets;
  ASSERT_EQ(meant.size(), 30u);
  ASSERT_EQ(packets.size(), meant.size());

  const int64_t start = 1714552200000;  // 2024-05-01 08:30:00 UTC
  for (size_t i = 0; i < packets.size(); ++i) {
    SCOPED_TRACE(i);
    const Bytes &b = packets[i].data;
    ASSERT_EQ(b.size(), 72u);
    // Timed-text framing: no text, one box over the rest of the record.
    EXPECT_EQ(b[0] | b[1], 0);
    EXPECT_EQ(be32(b, 2), 70u);
    EXPECT_EQ(std::string(b.begin() + 6, b.begin() + 10), "tlm1");
    EXPECT_EQ(little<uint32_t>(b, 68), crc32(b.data(), 68));

    const Record r = decode(b);
    const auto &row = meant[i];
    EXPECT_EQ(r.driveIndex, 420 + i);
    EXPECT_EQ(r.utcMs, start + static_cast<int64_t>(i) * 100);
    EXPECT_EQ(row.at("utc_ms"), std::to_string(r.utcMs));
    EXPECT_EQ(r.flags, 1u | 1u << 2);  // north, east
    EXPECT_NEAR(r.lat, std::stod(row.at("latitude")), 2e-5);
    EXPECT_NEAR(r.lon, std::stod(row.at("longitude")), 2e-5);
    EXPECT_NEAR(r.latE7, std::stod(row.at("latitude")), 1e-7);
    EXPECT_NEAR(r.lonE7, std::stod(row.at("longitude")), 1e-7);
    EXPECT_NEAR(r.speed, std::stod(row.at("speed_kmh")), 1e-4);
    EXPECT_NEAR(r.gx, std::stod(row.at("gx")), 1e-5);
    EXPECT_NEAR(r.gy, std::stod(row.at("gy")), 1e-5);
    EXPECT_NEAR(r.gz, std::stod(row.at("gz")), 1e-5);
    EXPECT_EQ(static_cast<int>(b[38]), std::stoi(row.at("satellites")));
    EXPECT_EQ(b[11], 3);  // 3-D fix
  }
}

TEST_F(Samplegen, TheDriveStartsOnTheRouteAndMovesAsItsSpeedSays) {
  const std::vector<fs::path> files =
      generate("drive", {"--duration", "20", "--size", "64x64", "--fps", "1"});
  ASSERT_EQ(files.size(), 1u);
  const std::vector<Record> r = records(files[0]);
  ASSERT_EQ(r.size(), 200u);
  // Ernst-Reuter-Platz, standing.
  EXPECT_LT(metres(r[0].lat, r[0].lon, 52.5127, 13.32235), 5);
  EXPECT_FLOAT_EQ(r[0].speed, 0);
  EXPECT_GT(r.back().speed, 20);  // on its way along Strasse des 17. Juni
  for (size_t i = 1; i < r.size(); ++i) {
    SCOPED_TRACE(i);
    const double moved = metres(r[i - 1].latE7, r[i - 1].lonE7, r[i].latE7, r[i].lonE7);
    const double expected = (r[i - 1].speed + r[i].speed) / 2 / 3.6 * 0.1;
    EXPECT_NEAR(moved, expected, 0.1);
    // The NMEA fields are 32-bit floats: good to about a metre.
    EXPECT_LT(metres(r[i].lat, r[i].lon, r[i].latE7, r[i].lonE7), 1.5);
    EXPECT_LE(r[i].speed, 50.01);
    EXPECT_LT(std::fabs(r[i].gy), 0.3);  // a calm drive
    EXPECT_NEAR(r[i].gz, 1.0, 0.05);
    // The longitudinal G follows the change of speed.
    const double accel = (r[i].speed - r[i - 1].speed) / 3.6 / 0.1 / 9.80665;
    EXPECT_NEAR(r[i].gy, accel, 0.08);
  }
}

TEST_F(Samplegen, ConsecutiveSegmentsContinueTheSameDrive) {
  const std::vector<fs::path> two =
      generate("two", {"--segments", "2", "--duration", "2", "--drive-offset", "30", "--size",
                       "64x64", "--fps", "5"});
  const std::vector<fs::path> whole = generate(
      "whole", {"--duration", "4", "--drive-offset", "30", "--size", "64x64", "--fps", "5"});
  const std::vector<fs::path> later =
      generate("later", {"--duration", "2", "--drive-offset", "32", "--start", "20240501_083002",
                         "--size", "64x64", "--fps", "5"});
  ASSERT_EQ(two.size(), 2u);
  ASSERT_EQ(whole.size(), 1u);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(two[1].filename(), later[0].filename());

  std::vector<Record> joined = records(two[0]);
  const std::vector<Record> second = records(two[1]);
  joined.insert(joined.end(), second.begin(), second.end());
  const std::vector<Record> all = records(whole[0]);
  const std::vector<Record> resumed = records(later[0]);
  ASSERT_EQ(joined.size(), 40u);
  ASSERT_EQ(all.size(), 40u);
  ASSERT_EQ(resumed.size(), 20u);
  for (size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(joined[i].driveIndex, all[i].driveIndex);
    EXPECT_EQ(joined[i].utcMs, all[i].utcMs);
    EXPECT_EQ(joined[i].latNmea, all[i].latNmea);
    EXPECT_EQ(joined[i].lonNmea, all[i].lonNmea);
    EXPECT_EQ(joined[i].speed, all[i].speed);
    EXPECT_EQ(joined[i].gy, all[i].gy);
    if (i >= 20) {
      EXPECT_EQ(resumed[i - 20].latNmea, all[i].latNmea);
      EXPECT_EQ(resumed[i - 20].speed, all[i].speed);
      EXPECT_EQ(resumed[i - 20].gx, all[i].gx);
    }
  }
  EXPECT_GT(all.back().speed, 0) << "the offset should find the car moving";
}

TEST_F(Samplegen, AnEventRecordingHoldsAHardBraking) {
  const std::vector<std::string> common = {"--drive-offset", "60",    "--duration", "8",
                                           "--size",         "64x64", "--fps",      "5"};
  std::vector<std::string> evt = common;
  const fs::path csv = dir_ / "evt.csv";
  evt.insert(evt.end(), {"--type", "EVT", "--event-at", "2", "--telemetry-csv", csv.string()});
  const std::vector<Record> braked = records(generate("evt", evt).at(0));
  const std::vector<Record> calm = records(generate("inf", common).at(0));
  ASSERT_EQ(braked.size(), 80u);
  ASSERT_EQ(calm.size(), 80u);

  size_t peak = 0;
  for (size_t i = 0; i < braked.size(); ++i) {
    if (braked[i].gy < braked[peak].gy) peak = i;
  }
  EXPECT_LT(braked[peak].gy, -0.6);
  EXPECT_GE(peak, 20u);  // not before the event time
  // The table names the sample where the braking began: the reading falls
  // from there on and is deep within half a second.
  const std::vector<std::map<std::string, std::string>> meant = readCsv(csv);
  ASSERT_EQ(meant.size(), braked.size());
  std::vector<size_t> marked;
  for (size_t i = 0; i < meant.size(); ++i) {
    if (meant[i].at("event") == "1") marked.push_back(i);
  }
  ASSERT_EQ(marked.size(), 1u);
  const size_t began = marked[0];
  EXPECT_GE(began, 20u);
  EXPECT_GT(braked[began].gy, -0.2);
  EXPECT_LT(braked[began + 5].gy, -0.6);
  // It is a real stop: the speed falls hard around the spike.
  const size_t from = peak >= 15 ? peak - 15 : 0;
  EXPECT_GT(braked[from].speed - braked[std::min(peak + 15, braked.size() - 1)].speed, 20);
  for (const Record &r : calm) EXPECT_GT(r.gy, -0.3);
  // Up to the event both recordings saw the same drive.
  EXPECT_EQ(braked[10].latNmea, calm[10].latNmea);
  EXPECT_EQ(braked[10].speed, calm[10].speed);
}

TEST_F(Samplegen, AParkingRecordingStandsStillAndFeelsTheKnock) {
  const fs::path csv = dir_ / "prk.csv";
  const std::vector<Record> r = records(
      generate("prk", {"--type", "PRK", "--drive-offset", "100", "--duration", "4", "--event-at",
                       "2", "--size", "64x64", "--fps", "5", "--telemetry-csv", csv.string()})
          .at(0));
  ASSERT_EQ(r.size(), 40u);
  const std::vector<std::map<std::string, std::string>> meant = readCsv(csv);
  ASSERT_EQ(meant.size(), 40u);
  for (size_t i = 0; i < meant.size(); ++i) EXPECT_EQ(meant[i].at("event"), i == 20 ? "1" : "0");
  float strongest = 0;
  for (size_t i = 0; i < r.size(); ++i) {
    EXPECT_EQ(r[i].speed, 0);
    EXPECT_EQ(r[i].latNmea, r[0].latNmea);
    EXPECT_EQ(r[i].lonNmea, r[0].lonNmea);
    if (i < 20) {
      EXPECT_LT(std::fabs(r[i].gx), 0.05) << i;
    }
    strongest = std::max(strongest, std::fabs(r[i].gx));
  }
  EXPECT_GT(strongest, 0.4);
}

TEST_F(Samplegen, AStretchWithoutFixHasNoPosition) {
  const std::vector<Record> r =
      records(generate("nofix", {"--no-fix", "1:0.5", "--drive-offset", "50", "--duration", "2",
                                 "--size", "64x64", "--fps", "5"})
                  .at(0));
  ASSERT_EQ(r.size(), 20u);
  for (size_t i = 0; i < r.size(); ++i) {
    SCOPED_TRACE(i);
    const bool lost = i >= 10 && i < 15;
    EXPECT_EQ(r[i].latNmea == 0 && r[i].lonNmea == 0, lost);
    EXPECT_EQ(r[i].flags, lost ? 0u : 5u);
    if (lost) {
      EXPECT_EQ(r[i].speed, 0);
    }
    EXPECT_NEAR(r[i].gz, 1.0, 0.05);  // the G-sensor goes on
  }
  EXPECT_GT(r[9].speed, 0);
  EXPECT_LT(metres(r[9].lat, r[9].lon, r[15].lat, r[15].lon), 20);
}

TEST_F(Samplegen, ACutRecordEndsEarlyAndTheOthersStayWhole) {
  const std::vector<fs::path> files =
      generate("cut", {"--short-record", "5:40", "--short-record", "12:67", "--duration", "2",
                       "--size", "64x64", "--fps", "5"});
  ASSERT_EQ(files.size(), 1u);
  const Probe p = probe(files[0], dir_);
  const std::vector<Packet> &packets = p.streams.back().packets;
  ASSERT_EQ(packets.size(), 20u);
  for (size_t i = 0; i < packets.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(packets[i].data.size(), i == 5 ? 40u : i == 12 ? 67u : 72u);
  }
  // What is left of a cut record is its beginning.
  EXPECT_EQ(std::string(packets[5].data.begin() + 6, packets[5].data.begin() + 10), "tlm1");
}

TEST_F(Samplegen, SouthernAndWesternRouteSetsTheOtherHemisphereFlags) {
  const std::vector<Record> r =
      records(generate("ba", {"--route", "buenos-aires", "--drive-offset", "40", "--duration", "2",
                              "--size", "64x64", "--fps", "5"})
                  .at(0));
  ASSERT_EQ(r.size(), 20u);
  for (const Record &x : r) {
    EXPECT_EQ(x.flags & 3, 2u);         // south
    EXPECT_EQ((x.flags >> 2) & 3, 2u);  // west
    EXPECT_GT(x.lat, -34.63);
    EXPECT_LT(x.lat, -34.59);
    EXPECT_GT(x.lon, -58.39);
    EXPECT_LT(x.lon, -58.37);
    EXPECT_NEAR(x.lat, x.latE7, 2e-5);
    EXPECT_NEAR(x.lon, x.lonE7, 2e-5);
  }
}

// ---- AVI ------------------------------------------------------------------------------

const std::regex kAviName(
    R"((19|20)\d{2}(0[1-9]|1[012])(0[1-9]|1[0-9]|2[0-9]|3[01])_(0[0-9]|1[0-9]|2[0-3])([0-5][0-9])([0-5][0-9])_([EIPU][NVRS][FTKR])_([12345]).avi)");

uint32_t le32(const Bytes &b, size_t at) {
  return static_cast<uint32_t>(b.at(at)) | b.at(at + 1) << 8 | b.at(at + 2) << 16 |
         static_cast<uint32_t>(b.at(at + 3)) << 24;
}
uint16_t le16(const Bytes &b, size_t at) {
  return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::string fourcc(const Bytes &b, size_t at) {
  return std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + 4));
}

struct RiffChunk {
  std::string id, form;  // form: the type of a list or RIFF
  size_t start = 0;      // of the header
  size_t size = 0;       // of the payload
  size_t payload() const { return start + 8; }
  size_t end() const { return start + 8 + size; }
};

// The chunks in [from, end), as our readers walk them; stops at one that does not fit.
std::vector<RiffChunk> riffChunks(const Bytes &f, size_t from, size_t end) {
  std::vector<RiffChunk> out;
  while (from + 8 <= end) {
    RiffChunk c;
    c.id = fourcc(f, from);
    c.start = from;
    c.size = le32(f, from + 4);
    if (c.end() > end) break;
    if ((c.id == "RIFF" || c.id == "LIST") && c.size >= 4) c.form = fourcc(f, from + 8);
    out.push_back(c);
    from = c.end() + (c.size & 1);
  }
  return out;
}
std::vector<RiffChunk> inside(const Bytes &f, const RiffChunk &list) {
  return riffChunks(f, list.payload() + 4, list.end());
}
const RiffChunk *findChunk(const std::vector<RiffChunk> &chunks, const std::string &id,
                           const std::string &form = "") {
  for (const RiffChunk &c : chunks) {
    if (c.id == id && c.form == form) return &c;
  }
  return nullptr;
}

// ffprobe cannot tell what a "txts" stream holds: it takes it for a subtitle stream and
// looks for a codec in the packets' bytes, where the only subtitle formats it would know
// are DVB ones. These are the lines it writes about that at the warning level; any other
// line is a fault of ours.
std::vector<std::string> unexplainedWarnings(const std::string &err, size_t textStream) {
  const std::string n = std::to_string(textStream);
  const std::regex known[] = {
      std::regex(R"(\[avi @ 0x[0-9a-f]+\] probed stream )" + n + " failed"),
      std::regex(R"(\[avi @ 0x[0-9a-f]+\] Could not find codec parameters for stream )" + n +
                 R"( \(Subtitle: none(, \d+ kb/s)?\): unknown codec)"),
      std::regex(
          R"(Consider increasing the value for the 'analyzeduration' \(\d+\) and 'probesize' \(\d+\) options)"),
      std::regex("Unsupported codec with id 0 for input stream " + n),
  };
  std::vector<std::string> out;
  for (const std::string &line : lines(err)) {
    bool explained = false;
    for (const std::regex &r : known) explained = explained || std::regex_match(line, r);
    if (!explained) out.push_back(line);
  }
  return out;
}

// A chunk that starts playing on its own: sound, records, and pictures that open with
// the parameter sets (which only key frames carry).
bool isKey(const Bytes &f, const RiffChunk &c) {
  if (c.id.substr(2) != "dc") return true;
  return c.size > 5 && le32(f, c.payload()) == 0x01000000u && (f[c.payload() + 4] & 0x1F) == 7;
}

struct AviMode {
  const char *name = "";
  std::vector<std::string> args;
  std::string index = "idx1";
  uint64_t riffLimit = 0;  // OpenDML: the part limit asked for
  int videoStreams = 1;    // per file
  int files = 1;
  bool audio = false;  // in the first file
  bool adas = true;
  double seconds = 2;
  int fps = 10;
  int gop = 10;
  size_t recordSize = 72;
};

AviMode aviMode(const char *name, std::vector<std::string> args, void (*adjust)(AviMode &)) {
  AviMode m;
  m.name = name;
  m.args = std::move(args);
  m.args.insert(m.args.begin(), {"--container", "avi", "--size", "160x90", "--duration", "2"});
  adjust(m);
  return m;
}

void PrintTo(const AviMode &m, std::ostream *os) {
  *os << m.name;
}

class SamplegenAvi : public Samplegen, public ::testing::WithParamInterface<AviMode> {
 protected:
  // What ffprobe makes of one file: streams, every packet, the warnings.
  void checkWithFfprobe(const fs::path &file, const Probe &p, bool audio) {
    const AviMode &m = GetParam();
    const int frames = static_cast<int>(std::lround(m.seconds * m.fps));
    const int records = static_cast<int>(std::lround(m.seconds * 10));
    ASSERT_EQ(p.streams.size(), static_cast<size_t>(m.videoStreams + (audio ? 1 : 0) + 1));
    EXPECT_EQ(unexplainedWarnings(p.err, p.streams.size() - 1), std::vector<std::string>());

    for (int v = 0; v < m.videoStreams; ++v) {
      const Stream &s = p.streams[static_cast<size_t>(v)];
      SCOPED_TRACE("video " + std::to_string(v));
      EXPECT_EQ(s.type, "video");
      EXPECT_EQ(s.codec, "h264");
      EXPECT_EQ(s.tag, "H264");
      EXPECT_EQ(s.width, 160);
      const size_t channel = m.videoStreams > 1 ? static_cast<size_t>(v) : 0;
      if (m.videoStreams == 1) {
        // One channel per file: the file name says which.
        const std::string name = file.filename().string();
        EXPECT_EQ(s.title, kChannelNames[name[name.size() - 5] - '1']);
      } else {
        EXPECT_EQ(s.title, kChannelNames[channel]);
      }
      EXPECT_EQ(s.frames, frames);
      ASSERT_EQ(s.packets.size(), static_cast<size_t>(frames));
      for (int i = 0; i < frames; ++i) {
        const Packet &pk = s.packets[static_cast<size_t>(i)];
        EXPECT_NEAR(pk.dts, static_cast<double>(i) / m.fps, 1e-6) << i;
        EXPECT_EQ(pk.key, i % m.gop == 0) << i;
        // Start-code form; key frames open with the parameter sets (SPS, then PPS).
        ASSERT_GT(pk.data.size(), 5u) << i;
        EXPECT_EQ(be32(pk.data, 0), 1u) << i;
        EXPECT_EQ((pk.data[4] & 0x1F) == 7, pk.key) << i;
      }
    }
    if (audio) {
      const Stream &s = p.streams[static_cast<size_t>(m.videoStreams)];
      EXPECT_EQ(s.type, "audio");
      EXPECT_EQ(s.codec, "pcm_s16le");
      EXPECT_EQ(s.title, "CH1 AUDIO");
      const long samples = std::lround(m.seconds * 48000);
      EXPECT_EQ(s.frames, samples);
      long bytes = 0;
      for (const Packet &pk : s.packets) {
        EXPECT_NEAR(pk.dts, bytes / 2 / 48000.0, 1e-6);
        EXPECT_LE(pk.size, 2048u);
        bytes += static_cast<long>(pk.size);
      }
      EXPECT_EQ(bytes, samples * 2);
    }
    const Stream &text = p.streams.back();
    EXPECT_EQ(text.type, "subtitle");
    EXPECT_EQ(text.title, "GPS G-sensor");
    EXPECT_EQ(text.frames, records);
    EXPECT_NEAR(text.duration, m.seconds, 1e-6);
    ASSERT_EQ(text.packets.size(), static_cast<size_t>(records));
    for (int i = 0; i < records; ++i) {
      const Packet &pk = text.packets[static_cast<size_t>(i)];
      EXPECT_NEAR(pk.dts, i * 0.1, 1e-6) << i;
      EXPECT_TRUE(pk.key) << i;
      ASSERT_EQ(pk.data.size(), m.recordSize) << i;
      EXPECT_EQ(little<uint32_t>(pk.data, 68), crc32(pk.data.data(), 68)) << i;
      EXPECT_EQ(decode(pk.data).driveIndex, static_cast<uint32_t>(i)) << i;
    }
  }

  // The RIFF layout our reader counts on, read back with a walk of our own.
  void checkLayout(const Bytes &f, const Probe &p) {
    const AviMode &m = GetParam();
    const std::vector<RiffChunk> top = riffChunks(f, 0, f.size());
    ASSERT_FALSE(top.empty());
    ASSERT_EQ(top.back().end() + (top.back().size & 1), f.size()) << "bytes after the last part";
    EXPECT_EQ(top[0].id, "RIFF");
    EXPECT_EQ(top[0].form, "AVI ");
    for (size_t k = 1; k < top.size(); ++k) EXPECT_EQ(top[k].form, "AVIX") << k;
    if (m.index == "odml" && m.riffLimit) {
      EXPECT_GT(top.size(), 1u) << "no AVIX part";
      for (const RiffChunk &part : top) EXPECT_LE(part.size + 8, m.riffLimit);
    } else {
      EXPECT_EQ(top.size(), 1u);
    }

    const std::vector<RiffChunk> first = inside(f, top[0]);
    ASSERT_GE(first.size(), 4u);
    EXPECT_EQ(first[0].form, "hdrl");
    EXPECT_EQ(first[1].id, "JUNK");
    EXPECT_EQ(first[2].id, "JUNK");
    EXPECT_EQ(first[3].form, "movi");
    EXPECT_EQ(first[3].start % 2048, 0u);
    EXPECT_EQ(findChunk(first, "idx1") != nullptr, m.index != "none");

    // The second JUNK chunk: the ADAS block, or as many zeros.
    const RiffChunk &adas = first[2];
    ASSERT_EQ(adas.size, 32u);
    if (m.adas) {
      EXPECT_EQ(fourcc(f, adas.payload()), "ADAS");
      EXPECT_EQ(le16(f, adas.payload() + 4), 1u);
      EXPECT_EQ(le16(f, adas.payload() + 8), 160u);
      EXPECT_EQ(le16(f, adas.payload() + 10), 90u);
      EXPECT_EQ(le32(f, adas.payload() + 28), crc32(&f[adas.payload()], 28));
    } else {
      EXPECT_EQ(Bytes(f.begin() + static_cast<long>(adas.payload()),
                      f.begin() + static_cast<long>(adas.end())),
                Bytes(32, 0));
    }

    // Stream headers: "strh", "strf", the OpenDML super index, the name.
    const std::vector<RiffChunk> hdrl = inside(f, first[0]);
    ASSERT_FALSE(hdrl.empty());
    EXPECT_EQ(hdrl[0].id, "avih");
    EXPECT_EQ((le32(f, hdrl[0].payload() + 12) & 0x10) != 0, m.index != "none");
    std::vector<std::vector<RiffChunk>> strl;
    for (const RiffChunk &c : hdrl) {
      if (c.form == "strl") strl.push_back(inside(f, c));
    }
    ASSERT_EQ(strl.size(), p.streams.size());
    EXPECT_EQ(findChunk(hdrl, "LIST", "odml") != nullptr, m.index == "odml");
    for (const std::vector<RiffChunk> &s : strl) {
      ASSERT_GE(s.size(), 3u);
      EXPECT_EQ(s[0].id, "strh");
      EXPECT_EQ(s[0].size, 56u);
      EXPECT_EQ(s[1].id, "strf");
      EXPECT_EQ(findChunk(s, "indx") != nullptr, m.index == "odml");
      EXPECT_NE(findChunk(s, "strn"), nullptr);
    }
    EXPECT_EQ(fourcc(f, strl.back()[0].payload()), "txts");

    // Every frame chunk in order of time, in the "movi" lists of all parts.
    std::vector<RiffChunk> frames;
    std::vector<size_t> moviTypes;  // position of each part's "movi" list type
    std::map<size_t, std::vector<RiffChunk>> stdIndexes;  // by part
    for (size_t k = 0; k < top.size(); ++k) {
      const RiffChunk *movi = findChunk(inside(f, top[k]), "LIST", "movi");
      ASSERT_NE(movi, nullptr) << k;
      moviTypes.push_back(movi->payload());
      for (const RiffChunk &c : inside(f, *movi)) {
        if (c.id.rfind("ix", 0) == 0) {
          stdIndexes[k].push_back(c);
        } else {
          frames.push_back(c);
        }
      }
    }
    size_t packets = 0;
    for (const Stream &s : p.streams) packets += s.type == "audio" ? 0 : s.packets.size();
    size_t audioChunks = 0;
    for (const RiffChunk &c : frames) audioChunks += c.id.substr(2) == "wb";
    EXPECT_EQ(frames.size() - audioChunks, packets);

    if (m.index != "none") {
      // "idx1": the chunks of the first part, offsets from its "movi" list type.
      const RiffChunk &idx1 = *findChunk(first, "idx1");
      const size_t entries = idx1.size / 16;
      size_t inFirst = 0;
      for (const RiffChunk &c : frames) inFirst += c.start < top[0].end();
      ASSERT_EQ(entries, inFirst);
      EXPECT_EQ(le32(f, idx1.payload() + 8), 4u) << "offsets count from the movi list type";
      for (size_t e = 0; e < entries; ++e) {
        const size_t at = idx1.payload() + 16 * e;
        const RiffChunk &c = frames[e];
        EXPECT_EQ(fourcc(f, at), c.id) << e;
        EXPECT_EQ(le32(f, at + 4), isKey(f, c) ? 0x10u : 0u) << e;
        EXPECT_EQ(moviTypes[0] + le32(f, at + 8), c.start) << e;
        EXPECT_EQ(le32(f, at + 12), c.size) << e;
      }
    }
    if (m.index == "odml") {
      // Each super index lists one standard index per part; together they point at every
      // chunk of the stream, key frames without bit 31.
      for (size_t sn = 0; sn < strl.size(); ++sn) {
        SCOPED_TRACE("stream " + std::to_string(sn));
        const RiffChunk &indx = *findChunk(strl[sn], "indx");
        const std::string id = fourcc(f, indx.payload() + 8);
        EXPECT_EQ(f[indx.payload() + 3], 0) << "index of indexes";
        std::vector<const RiffChunk *> mine;
        for (const RiffChunk &c : frames) {
          if (c.id == id) mine.push_back(&c);
        }
        // One standard index for each part that holds chunks of the stream.
        const uint32_t inUse = le32(f, indx.payload() + 4);
        EXPECT_GE(inUse, 1u);
        EXPECT_LE(inUse, top.size());
        size_t next = 0;
        for (uint32_t e = 0; e < inUse; ++e) {
          const size_t at = indx.payload() + 24 + 16 * e;
          const size_t ixPos = le32(f, at);
          ASSERT_EQ(le32(f, at + 4), 0u);
          ASSERT_LT(ixPos + 32, f.size());
          EXPECT_EQ(fourcc(f, ixPos), "ix" + id.substr(0, 2));
          EXPECT_EQ(le32(f, at + 8), le32(f, ixPos + 4) + 8);
          EXPECT_EQ(fourcc(f, ixPos + 16), id);
          const uint64_t base = le32(f, ixPos + 20) | static_cast<uint64_t>(le32(f, ixPos + 24))
                                                          << 32;
          EXPECT_NE(std::find(moviTypes.begin(), moviTypes.end(), base), moviTypes.end());
          EXPECT_EQ(le32(f, ixPos + 28), 0u);
          for (uint32_t k = 0, n = le32(f, ixPos + 12); k < n; ++k, ++next) {
            ASSERT_LT(next, mine.size());
            const uint32_t off = le32(f, ixPos + 32 + 8 * k);
            const uint32_t size = le32(f, ixPos + 36 + 8 * k);
            EXPECT_EQ(base + off - 8, mine[next]->start);
            EXPECT_EQ(size & 0x7FFFFFFF, mine[next]->size);
            EXPECT_EQ((size >> 31) == 0, isKey(f, *mine[next]));
          }
        }
        EXPECT_EQ(next, mine.size());
      }
    } else {
      EXPECT_TRUE(stdIndexes.empty());
    }
  }
};

TEST_P(SamplegenAvi, FfprobeReadsWhatWasWritten) {
  const AviMode &m = GetParam();
  const std::vector<fs::path> files = generate(m.name, m.args);
  ASSERT_EQ(files.size(), static_cast<size_t>(m.files));
  for (size_t f = 0; f < files.size(); ++f) {
    SCOPED_TRACE(files[f].string());
    EXPECT_TRUE(std::regex_match(files[f].filename().string(), kAviName));
    const Probe p = probe(files[f], dir_);
    checkWithFfprobe(files[f], p, m.audio && f == 0);
    checkLayout(readBytes(files[f]), p);

    // Every picture and every sound sample decodes.
    const Outcome decoded = run({"ffmpeg", "-v", "error", "-i", files[f].string(), "-map", "0:v",
                                 "-map", "0:a?", "-f", "null", "-"},
                                dir_);
    EXPECT_EQ(decoded.status, 0);
    EXPECT_EQ(decoded.err, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SamplegenAvi,
    ::testing::Values(aviMode("idx1_single_with_audio",
                              {"--channels", "3", "--layout", "single", "--audio", "--fps", "10"},
                              [](AviMode &m) {
                                m.videoStreams = 3;
                                m.audio = true;
                              }),
                      aviMode("odml_avix_parts",
                              {"--channels", "2", "--layout", "single", "--audio", "--fps", "10",
                               "--avi-index", "odml", "--avi-riff-limit", "30000"},
                              [](AviMode &m) {
                                m.index = "odml";
                                m.riffLimit = 30000;
                                m.videoStreams = 2;
                                m.audio = true;
                              }),
                      aviMode("odml_one_part_separate",
                              {"--channels", "2", "--avi-index", "odml", "--fps", "10",
                               "--no-adas"},
                              [](AviMode &m) {
                                m.index = "odml";
                                m.files = 2;
                                m.adas = false;
                              }),
                      aviMode("no_index_odd_rate",
                              {"--avi-index", "none", "--fps", "25", "--gop", "10", "--duration",
                               "2.4", "--text-sample-size", "96", "--audio"},
                              [](AviMode &m) {
                                m.index = "none";
                                m.fps = 25;
                                m.gop = 10;
                                m.seconds = 2.4;
                                m.recordSize = 96;
                                m.audio = true;
                              })),
    [](const ::testing::TestParamInfo<AviMode> &info) { return std::string(info.param.name); });

TEST_F(Samplegen, AviAndMp4CarryTheSameRecords) {
  const std::vector<std::string> common = {"--drive-offset", "30",    "--duration", "2",
                                           "--size",         "64x64", "--fps",      "5"};
  std::vector<std::string> avi = common;
  avi.insert(avi.end(), {"--container", "avi"});
  const std::vector<fs::path> mp4Files = generate("mp4", common);
  const std::vector<fs::path> aviFiles = generate("avi", avi);
  ASSERT_EQ(mp4Files.size(), 1u);
  ASSERT_EQ(aviFiles.size(), 1u);
  EXPECT_EQ(aviFiles[0].stem(), mp4Files[0].stem());
  const Probe fromMp4 = probe(mp4Files[0], dir_);
  const Probe fromAvi = probe(aviFiles[0], dir_);
  ASSERT_FALSE(fromMp4.streams.empty());
  ASSERT_FALSE(fromAvi.streams.empty());
  const std::vector<Packet> &a = fromMp4.streams.back().packets;
  const std::vector<Packet> &b = fromAvi.streams.back().packets;
  ASSERT_EQ(a.size(), 20u);
  ASSERT_EQ(b.size(), a.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].data, b[i].data) << i;
  // The pictures are the same encode; AVI carries them behind start codes, key frames
  // with the parameter sets in front.
  const std::vector<Packet> &mp4Pictures = fromMp4.streams[0].packets;
  const std::vector<Packet> &aviPictures = fromAvi.streams[0].packets;
  ASSERT_EQ(aviPictures.size(), mp4Pictures.size());
  for (size_t i = 0; i < mp4Pictures.size(); ++i) {
    Bytes expected = mp4Pictures[i].data;
    for (size_t pos = 0; pos + 4 <= expected.size();) {
      const size_t length = be32(expected, pos);
      expected[pos] = expected[pos + 1] = expected[pos + 2] = 0;
      expected[pos + 3] = 1;
      pos += 4 + length;
    }
    const Bytes &got = aviPictures[i].data;
    ASSERT_GE(got.size(), expected.size()) << i;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                           got.end() - static_cast<long>(expected.size())))
        << i;
    EXPECT_EQ(got.size() > expected.size(), mp4Pictures[i].key) << i;
  }
}

TEST_F(Samplegen, RefusesWhatAnAviCannotHold) {
  const std::vector<std::vector<std::string>> refused = {
      {"--container", "avi", "--codec", "h265"},
      {"--container", "avi", "--fragmented"},
      {"--container", "avi", "--moov-first"},
      {"--container", "avi", "--aidd", "5"},
      {"--container", "avi", "--no-aidd"},
      {"--avi-index", "odml"},  // MP4 is the default container
      {"--no-adas"},
      {"--container", "avi", "--avi-riff-limit", "100000"},  // needs odml
      {"--container", "avi", "--avi-index", "odml", "--avi-riff-limit", "100"},
      {"--container", "avi", "--avi-index", "odml", "--avi-riff-limit", "4294967296"},
      {"--container", "avi", "--avi-index", "idx2"},
      {"--container", "mkv"},
  };
  for (const auto &args : refused) {
    std::vector<std::string> argv = {SAMPLEGEN_PATH, "--out", (dir_ / "refused").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const Outcome o = run(argv, dir_);
    std::string shown;
    for (const std::string &a : args) shown += a + " ";
    EXPECT_EQ(o.status, 2) << shown;
    EXPECT_NE(o.err, "") << shown;
  }
  EXPECT_FALSE(fs::exists(dir_ / "refused"));
}

}  // namespace

// ---- the camera's settings file --------------------------------------------------------

namespace {

TEST_F(Samplegen, WritesTheCameraSettingsFileOfEachModel) {
  // Sizes follow the viewer's layouts: five 32-byte blocks, 128 bytes per
  // section, one checksum byte.
  const std::pair<const char *, size_t> models[] = {{"KT7ALM_F1", 160 + 3 * 128 + 1},
                                                    {"KT8ALM_D2", 160 + 4 * 128 + 1},
                                                    {"KT90ALM_D2W", 160 + 4 * 128 + 1},
                                                    {"UKTALM_J74", 160 + 4 * 128 + 1}};
  for (const auto &[model, size] : models) {
    const fs::path out = dir_ / model;
    const Outcome o = run({SAMPLEGEN_PATH, "--out", out.string(), "--config", model,
                           "--config-only", "--config-set", "hdr=0"},
                          dir_);
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string bin = readText(out / "CONFIG" / "config.bin");
    ASSERT_EQ(bin.size(), size) << model;
    EXPECT_EQ(bin.substr(64, std::string(model).size()), model);
    EXPECT_EQ(bin.substr(0, 32).find(std::string(model).substr(0, 5)), 0u);
    uint8_t sum = 0;
    for (size_t i = 64; i < bin.size(); ++i) sum = static_cast<uint8_t>(sum + uint8_t(bin[i]));
    EXPECT_EQ(sum, 0) << model;
    // Only the settings file: no recordings.
    size_t files = 0;
    for (const auto &entry : fs::recursive_directory_iterator(out))
      files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);
  }
  EXPECT_EQ(
      run({SAMPLEGEN_PATH, "--out", (dir_ / "x").string(), "--config", "NOPE_1", "--config-only"},
          dir_)
          .status,
      1);
  EXPECT_EQ(run({SAMPLEGEN_PATH, "--out", (dir_ / "y").string(), "--config", "KT7ALM_F1",
                 "--config-only", "--config-set", "variant=115"},
                dir_)
                .status,
            1);  // KT7ALM has no variant item
  EXPECT_EQ(run({SAMPLEGEN_PATH, "--config-only"}, dir_).status, 2);
  EXPECT_EQ(run({SAMPLEGEN_PATH, "--config", "KT7ALM_F1", "--config-set", "hdr"}, dir_).status, 2);
}

}  // namespace
