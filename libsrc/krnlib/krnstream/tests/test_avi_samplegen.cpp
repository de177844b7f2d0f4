// Our AVI reader on camera-style recordings from our generator, in each of its index
// layouts ("idx1", OpenDML with AVIX parts, none): every stream against ffprobe frame by
// frame, the text records against what the generator meant to write, the "ADAS" block in
// the caller's buffer, and the index-less read against the indexed one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ffprobe_oracle.h"
#include "krnstream.h"
#include "reader_helpers.h"
#include "test_support.h"

namespace {

using Tracks = std::map<int, std::vector<ReadFrame>>;  // by ffprobe stream index

constexpr int64_t kStartUtcSeconds = 1714552200;  // 2024-05-01 08:30:00, the generator's default
constexpr uint32_t kSeconds = 3;
constexpr uint32_t kFps = 10;
constexpr uint32_t kRecords = kSeconds * 10;  // one every 100 ms

uint32_t le32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const uint8_t *p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
float lef(const uint8_t *p) {
  uint32_t bits = le32(p);
  float v;
  memcpy(&v, &bits, 4);
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

// Every stream against ffprobe: size, time in ms, key mark, count, and the frame count
// the information record gives against ffprobe's nb_frames.
Tracks compareWithFfprobe(const std::string &path) {
  SCOPED_TRACE(path);
  EXPECT_EQ(oracle::errors(path), "");
  std::vector<oracle::Stream> streams = oracle::streams(path);
  std::vector<oracle::Packet> packets = oracle::packets(path);
  EXPECT_FALSE(streams.empty());

  OpenedFile file(path);
  EXPECT_EQ(file.openRc, 0);
  EXPECT_EQ(file.infoRc, 0);
  EXPECT_EQ(file.info.container, KRN_CONTAINER_AVI);
  Tracks out;
  std::map<int, uint32_t> perType;
  for (const oracle::Stream &s : streams) {
    SCOPED_TRACE("stream " + std::to_string(s.index) + " " + s.type);
    const int type = oracle::mediaTypeOf(s.type);
    const uint32_t track = perType[type]++;
    std::vector<oracle::Packet> ref;
    for (const auto &p : packets)
      if (p.stream == s.index) ref.push_back(p);
    EXPECT_FALSE(ref.empty());
    const uint32_t frames = type == KRN_MEDIA_VIDEO   ? file.info.video[track].frameCount
                            : type == KRN_MEDIA_AUDIO ? file.info.audio.frameCount
                                                      : file.info.text[track].sampleCount;
    EXPECT_EQ(frames, static_cast<uint32_t>(s.frames));

    std::vector<ReadFrame> got = file.readAll(static_cast<uint32_t>(type), track);
    EXPECT_EQ(file.lastRc, KRNSTREAM_ERR_EOD);
    EXPECT_EQ(got.size(), ref.size());
    for (size_t n = 0; n < got.size() && n < ref.size(); ++n) {
      EXPECT_EQ(got[n].size, static_cast<uint32_t>(ref[n].size)) << "frame " << n;
      EXPECT_NEAR(static_cast<double>(got[n].time), ref[n].dts * 1000.0, 1.0) << "frame " << n;
      EXPECT_EQ(got[n].key == KRN_FRAME_KEY, ref[n].key) << "frame " << n;
    }
    out[s.index] = std::move(got);
  }
  return out;
}

void expectSameFrames(const Tracks &a, const Tracks &b) {
  ASSERT_EQ(a.size(), b.size());
  for (const auto &[stream, frames] : a) {
    const std::vector<ReadFrame> &other = b.at(stream);
    ASSERT_EQ(frames.size(), other.size()) << "stream " << stream;
    for (size_t n = 0; n < frames.size(); ++n)
      EXPECT_TRUE(frames[n] == other[n]) << "stream " << stream << " frame " << n;
  }
}

// A chunk or list as the file lays it out: the top level, and what the first RIFF holds.
struct RiffChunk {
  std::string id;
  std::string form;  // list and RIFF type
  uint64_t payload;
  uint32_t size;
};

std::vector<RiffChunk> chunksIn(const std::vector<uint8_t> &f, uint64_t pos, uint64_t end) {
  std::vector<RiffChunk> out;
  while (pos + 8 <= end && end <= f.size()) {
    RiffChunk c{std::string(f.begin() + pos, f.begin() + pos + 4), "", pos + 8, le32(&f[pos + 4])};
    if ((c.id == "RIFF" || c.id == "LIST") && c.size >= 4)
      c.form.assign(f.begin() + pos + 8, f.begin() + pos + 12);
    out.push_back(c);
    pos += 8 + static_cast<uint64_t>(c.size) + (c.size & 1);
  }
  return out;
}

// What the generator meant each record to hold, from its --telemetry-csv.
std::vector<std::map<std::string, std::string>> readCsv(const std::string &path) {
  std::vector<std::map<std::string, std::string>> rows;
  std::ifstream in(path);
  std::string line;
  std::vector<std::string> header;
  const auto split = [](const std::string &text) {
    std::vector<std::string> cells;
    std::stringstream s(text);
    for (std::string cell; std::getline(s, cell, ',');) cells.push_back(cell);
    return cells;
  };
  if (std::getline(in, line)) header = split(line);
  while (std::getline(in, line)) {
    std::vector<std::string> cells = split(line);
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < header.size() && c < cells.size(); ++c) row[header[c]] = cells[c];
    rows.push_back(row);
  }
  return rows;
}

// NMEA ddmm.mmmm to signed degrees, the way the viewer turns the record into a position.
double degrees(float nmea, bool positive) {
  const float d = std::trunc(nmea / 100) + std::fmod(nmea, 100.0f) / 60;
  return positive ? d : -d;
}

// The same short drive written three times, once per index layout; made once for all
// tests. Three channels in one file, PCM sound and the text stream; the OpenDML file is
// cut into RIFF parts of at most 40000 bytes so that it has AVIX parts.
struct Recordings {
  ScratchDir dir;
  std::map<std::string, std::string> file;  // by --avi-index
  std::map<std::string, std::string> csv;
};

class AviSamplegenFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared_ = new Recordings;
    for (const std::string index : {"idx1", "odml", "none"}) {
      const std::string csv = shared_->dir.path(index + ".csv");
      std::string args = "--channels 3 --layout single --audio --drive-offset 42 --avi-index " +
                         index + " --telemetry-csv '" + csv + "'";
      if (index == "odml") args += " --avi-riff-limit 40000";
      const std::vector<std::string> files = generate(shared_->dir, index, args);
      if (files.size() == 1) shared_->file[index] = files[0];
      shared_->csv[index] = csv;
    }
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }

  static std::vector<std::string> generate(const ScratchDir &dir, const std::string &name,
                                           const std::string &args) {
    const std::string out = dir.path(name);
    const std::string list =
        oracle::run(std::string(SAMPLEGEN_PATH) + " --out '" + out +
                    "' --container avi --duration " + std::to_string(kSeconds) + " --fps " +
                    std::to_string(kFps) + " --size 160x90 " + args + " 2>/dev/null");
    std::vector<std::string> files;
    std::stringstream in(list);
    for (std::string line; std::getline(in, line);) {
      if (line.size() > 4 && line.compare(line.size() - 4, 4, ".avi") == 0) files.push_back(line);
    }
    return files;
  }

  static const std::string &recording(const std::string &index) {
    static const std::string none;
    auto it = shared_->file.find(index);
    EXPECT_NE(it, shared_->file.end()) << "the generator wrote no " << index << " recording";
    return it == shared_->file.end() ? none : it->second;
  }

  static Recordings *shared_;
};

Recordings *AviSamplegenFiles::shared_ = nullptr;

}  // namespace

TEST_F(AviSamplegenFiles, Idx1FileAgreesWithFfprobe) {
  const std::string &path = recording("idx1");
  ASSERT_FALSE(path.empty());
  Tracks frames = compareWithFfprobe(path);
  ASSERT_EQ(frames.size(), 5u);  // three pictures, sound, records
  EXPECT_EQ(frames[0].size(), kSeconds * kFps);
  EXPECT_EQ(frames[4].size(), kRecords);

  OpenedFile file(path);
  const KRNReaderInfo &info = file.info;
  EXPECT_EQ(info.videoCount, 3u);
  EXPECT_EQ(info.audioCount, 1u);
  EXPECT_EQ(info.textCount, 1u);
  for (uint32_t v = 0; v < 3; ++v) {
    SCOPED_TRACE(v);
    EXPECT_EQ(info.video[v].codec, KRNUTIL_FOURCC('H', '2', '6', '4'));
    EXPECT_EQ(info.video[v].width, 160u);
    EXPECT_EQ(info.video[v].height, 90u);
    EXPECT_EQ(info.video[v].frameRate, kFps * 1000);
    EXPECT_EQ(info.video[v].duration, kSeconds * 1000);
    // SPS and PPS behind start codes, as the frames carry them.
    ASSERT_GT(info.video[v].configLength, 8u);
    EXPECT_EQ(le32(info.video[v].config), 0x01000000u);
    EXPECT_EQ(info.video[v].config[4] & 0x1F, 7);
  }
  EXPECT_EQ(info.audio.codec, 1u);  // PCM
  EXPECT_EQ(info.audio.sampleRate, 48000u);
  EXPECT_EQ(info.audio.sampleSize, 2u);
  EXPECT_EQ(info.audio.duration, kSeconds * 1000);
  EXPECT_EQ(info.text[0].maxSampleSize, 72u);
  EXPECT_EQ(info.duration, kSeconds * 1000);
  // Key frames once a second, in the index and behind the start codes alike.
  for (size_t n = 0; n < frames[1].size(); ++n)
    EXPECT_EQ(frames[1][n].key == KRN_FRAME_KEY, n % kFps == 0) << n;
}

TEST_F(AviSamplegenFiles, OpenDmlFileWithAvixPartsAgreesWithFfprobe) {
  const std::string &path = recording("odml");
  ASSERT_FALSE(path.empty());
  // The file really is cut into parts, each within the limit, with super indexes that
  // point at a standard index per part.
  std::vector<uint8_t> bytes = readBytes(path);
  std::vector<RiffChunk> top = chunksIn(bytes, 0, bytes.size());
  ASSERT_GE(top.size(), 3u);
  EXPECT_EQ(top[0].form, "AVI ");
  for (size_t p = 1; p < top.size(); ++p) {
    EXPECT_EQ(top[p].id, "RIFF");
    EXPECT_EQ(top[p].form, "AVIX");
  }
  for (const RiffChunk &part : top) EXPECT_LE(part.size + 8u, 40000u);

  Tracks frames = compareWithFfprobe(path);
  Tracks plain = compareWithFfprobe(recording("idx1"));
  expectSameFrames(plain, frames);

  // A seek by time lands in a later part on the key frame nearest the time
  // (frame 20; the later one when two are as near).
  size_t key = 0;
  for (size_t i = 0; i < frames[0].size(); ++i) {
    if (frames[0][i].key != KRN_FRAME_KEY) continue;
    size_t d = i > 20 ? i - 20 : 20 - i, best = key > 20 ? key - 20 : 20 - key;
    if (d <= best) key = i;
  }
  OpenedFile file(path);
  uint32_t t = 2000;
  ASSERT_TRUE(KRNReaderSeekByTime(file.reader, &t, 1));
  EXPECT_EQ(static_cast<int64_t>(t), frames[0][key].time);
  std::vector<ReadFrame> rest = file.readAll(KRN_MEDIA_VIDEO, 0, 1);
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_TRUE(rest[0] == frames[0][key]);
}

TEST_F(AviSamplegenFiles, WithoutAnIndexTheScanDeliversTheIndexedFrames) {
  const std::string &path = recording("none");
  ASSERT_FALSE(path.empty());
  Traces traces;
  Tracks scanned = compareWithFfprobe(path);
  EXPECT_TRUE(traces.has(L"pIndex is NULL!"));
  Tracks indexed = compareWithFfprobe(recording("idx1"));
  expectSameFrames(indexed, scanned);
  // Key frames found from the pictures' own bytes where no index marks them.
  size_t keys = 0;
  for (const ReadFrame &f : scanned[2]) keys += f.key == KRN_FRAME_KEY;
  EXPECT_EQ(keys, kSeconds);
}

TEST_F(AviSamplegenFiles, TextRecordsHoldWhatTheGeneratorMeant) {
  for (const std::string index : {"idx1", "odml", "none"}) {
    SCOPED_TRACE(index);
    const std::string &path = recording(index);
    ASSERT_FALSE(path.empty());
    const std::vector<std::map<std::string, std::string>> meant = readCsv(shared_->csv[index]);
    ASSERT_EQ(meant.size(), kRecords);

    OpenedFile file(path);
    ASSERT_EQ(file.info.text[0].sampleCount, kRecords);
    std::vector<ReadFrame> records = file.readAll(KRN_MEDIA_TEXT, 0);
    ASSERT_EQ(records.size(), kRecords);
    for (size_t i = 0; i < records.size(); ++i) {
      SCOPED_TRACE(i);
      const std::vector<uint8_t> &b = records[i].bytes;
      const std::map<std::string, std::string> &row = meant[i];
      ASSERT_EQ(b.size(), 72u);
      EXPECT_EQ(records[i].time, static_cast<int64_t>(i) * 100);
      EXPECT_EQ(records[i].duration, 100u);
      EXPECT_EQ(std::string(b.begin() + 6, b.begin() + 10), "tlm1");
      EXPECT_EQ(le32(&b[68]), crc32(b.data(), 68));
      EXPECT_EQ(le32(&b[12]), 420 + i);  // drive sample: 42 s in
      EXPECT_EQ(std::to_string(le32(&b[16]) | static_cast<uint64_t>(le32(&b[20])) << 32),
                row.at("utc_ms"));
      // The viewer's part of the record.
      EXPECT_NEAR(lef(&b[40]), std::stod(row.at("gx")), 1e-5);
      EXPECT_NEAR(lef(&b[44]), std::stod(row.at("gy")), 1e-5);
      EXPECT_NEAR(lef(&b[48]), std::stod(row.at("gz")), 1e-5);
      const uint32_t flags = le32(&b[52]);
      EXPECT_EQ(flags, 1u | 1u << 2);  // north, east
      EXPECT_NEAR(lef(&b[56]), std::stod(row.at("speed_kmh")), 1e-4);
      EXPECT_NEAR(degrees(lef(&b[60]), (flags & 3) == 1), std::stod(row.at("latitude")), 2e-5);
      EXPECT_NEAR(degrees(lef(&b[64]), (flags >> 2 & 3) == 1), std::stod(row.at("longitude")),
                  2e-5);
    }
  }
}

TEST_F(AviSamplegenFiles, AdasBlockIsCopiedIntoTheCallersBuffer) {
  for (const std::string index : {"idx1", "odml", "none"}) {
    SCOPED_TRACE(index);
    const std::string &path = recording(index);
    ASSERT_FALSE(path.empty());
    // The block as the file holds it: the payload of the second "JUNK" chunk.
    std::vector<uint8_t> bytes = readBytes(path);
    std::vector<RiffChunk> top = chunksIn(bytes, 0, bytes.size());
    ASSERT_FALSE(top.empty());
    std::vector<RiffChunk> inFirst =
        chunksIn(bytes, top[0].payload + 4, top[0].payload + top[0].size);
    std::vector<const RiffChunk *> junk;
    for (const RiffChunk &c : inFirst)
      if (c.id == "JUNK") junk.push_back(&c);
    ASSERT_EQ(junk.size(), 2u);
    ASSERT_EQ(junk[1]->size, 32u);
    const uint8_t *block = &bytes[junk[1]->payload];

    std::vector<uint8_t> buffer(64, 0xEE);
    OpenedFile file(path, buffer.data(), static_cast<uint32_t>(buffer.size()));
    ASSERT_EQ(file.infoRc, 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 32),
              std::vector<uint8_t>(block, block + 32));
    EXPECT_EQ(buffer[32], 0xEE) << "copied past the block";
    EXPECT_EQ(buffer.back(), 0xEE);
    // What the generator documents for the block.
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4), "ADAS");
    EXPECT_EQ(le16(&buffer[4]), 1);
    EXPECT_EQ(le16(&buffer[6]), 32);
    EXPECT_EQ(le16(&buffer[8]), 160);
    EXPECT_EQ(le16(&buffer[10]), 90);
    EXPECT_EQ(le16(&buffer[12]), 45);  // horizon
    EXPECT_EQ(le16(&buffer[14]), 81);  // bonnet
    EXPECT_EQ(le32(&buffer[24]), static_cast<uint32_t>(kStartUtcSeconds));
    EXPECT_EQ(le32(&buffer[28]), crc32(buffer.data(), 28));

    // A short buffer takes as much as it holds, and no more.
    std::vector<uint8_t> shortBuffer(10, 0xEE);
    OpenedFile again(path, shortBuffer.data(), 6);
    ASSERT_EQ(again.infoRc, 0);
    EXPECT_EQ(std::string(shortBuffer.begin(), shortBuffer.begin() + 4), "ADAS");
    EXPECT_EQ(le16(&shortBuffer[4]), 1);
    EXPECT_EQ(shortBuffer[6], 0xEE);
  }
}

TEST_F(AviSamplegenFiles, WithoutAdasTheBufferStaysUntouched) {
  ScratchDir dir;
  std::vector<std::string> files = generate(dir, "noadas", "--no-adas --avi-index idx1");
  ASSERT_EQ(files.size(), 1u);
  std::vector<uint8_t> buffer(64, 0xEE);
  OpenedFile file(files[0], buffer.data(), static_cast<uint32_t>(buffer.size()));
  ASSERT_EQ(file.infoRc, 0);
  EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0xEE));
  EXPECT_EQ(file.info.videoCount, 1u);
}

TEST_F(AviSamplegenFiles, SeparateChannelFilesEachCarryTheRecords) {
  ScratchDir dir;
  std::vector<std::string> files =
      generate(dir, "separate", "--channels 2 --layout separate --avi-index odml");
  ASSERT_EQ(files.size(), 2u);
  for (const std::string &f : files) {
    Tracks frames = compareWithFfprobe(f);
    ASSERT_EQ(frames.size(), 2u);  // the picture and the records
    EXPECT_EQ(frames[1].size(), kRecords);
  }
}
