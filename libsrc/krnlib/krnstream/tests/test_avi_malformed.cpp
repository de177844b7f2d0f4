// Malformed AVI recordings: cut short, and with damaged headers and indexes.
// Every open, read and seek must come back with a result code; the sanitizer
// build runs this too, so a read outside a buffer fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "avi_builder.h"
#include "ffprobe_oracle.h"
#include "krnstream.h"
#include "reader_helpers.h"
#include "test_support.h"

namespace {

constexpr size_t kMaxFramesPerTrack = 5000;

// Opens, describes, reads every stream, seeks, reads again. Returns the
// number of frames delivered.
size_t exercise(const std::string &path) {
  uint8_t adas[64];
  OpenedFile file(path, adas, sizeof adas);
  if (file.infoRc != 0) return 0;
  const KRNReaderInfo &info = file.info;
  size_t delivered = 0;
  auto all = [&] {
    for (uint32_t v = 0; v < info.videoCount; ++v)
      delivered += file.readAll(KRN_MEDIA_VIDEO, v, kMaxFramesPerTrack).size();
    if (info.audioCount) delivered += file.readAll(KRN_MEDIA_AUDIO, 0, kMaxFramesPerTrack).size();
    for (uint32_t t = 0; t < info.textCount; ++t)
      delivered += file.readAll(KRN_MEDIA_TEXT, t, kMaxFramesPerTrack).size();
  };
  all();
  uint32_t t = info.duration / 2;
  KRNReaderSeekByTime(file.reader, &t, 0);
  t = info.duration / 3;
  KRNReaderSeekByKeyFrame(file.reader, &t, 1);
  t = info.duration;
  KRNReaderSeekByMedia(file.reader, &t, KRN_MEDIA_AUDIO);
  KRNReaderChangeTrack(file.reader, 1, KRN_MEDIA_VIDEO);
  all();
  return delivered;
}

struct Region {
  size_t from, to;
};

class AviMalformed : public testing::Test {
 protected:
  // The whole file, 200 cuts, then 300 damaged copies: bytes flipped and
  // hostile 32-bit values planted in the given regions (headers, indexes).
  void runAll(const std::vector<uint8_t> &original, const std::vector<Region> &regions) {
    std::string path = dir_.path("bad.avi");
    writeBytes(path, original);
    ASSERT_GT(exercise(path), 0u);

    for (size_t i = 1; i <= 200; ++i) {
      size_t len = original.size() * i / 201;
      writeBytes(path,
                 std::vector<uint8_t>(original.begin(), original.begin() + static_cast<long>(len)));
      exercise(path);
    }
    std::mt19937 rng(4321);
    for (int i = 0; i < 300; ++i) {
      std::vector<uint8_t> bad = original;
      const Region &r = regions[static_cast<size_t>(i) % regions.size()];
      size_t at = r.from + rng() % (r.to - r.from);
      if (i % 3 == 0) {
        static const uint32_t kHostile[] = {
            0, 1, 7, 8, 9, 0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0xFFFFFFF8, 0x10000};
        at = std::min(at & ~size_t{3}, bad.size() - 4);
        avi::put32(bad, at, kHostile[rng() % 10]);
      } else {
        bad[at] ^= static_cast<uint8_t>(1 + rng() % 255);
      }
      writeBytes(path, bad);
      exercise(path);
    }
  }
  ScratchDir dir_;
};

avi::File crafted(avi::Index index, int parts) {
  avi::File f;
  f.index = index;
  f.parts = parts;
  f.junk = {avi::Bytes(8, 0), avi::Bytes{'A', 'D', 'A', 'S', 1, 2, 3}};
  avi::Stream v;
  v.codec = "H264";
  for (size_t i = 0; i < 12; ++i)
    v.frames.push_back(
        {0, 0, 0, 1, static_cast<uint8_t>(i % 4 ? 0x41 : 0x65), 7, 7, static_cast<uint8_t>(i)});
  for (size_t i = 0; i < 12; ++i) v.keys.push_back(i % 4 == 0);
  avi::Stream a;
  a.type = "auds";
  a.kind = "wb";
  a.formatTag = 1;
  a.sampleSize = a.blockAlign = 2;
  a.rate = 8000;
  a.frames = avi::frames(12, 160, 3);
  avi::Stream t;
  t.type = "txts";
  t.kind = "tx";
  t.rate = 10;
  t.frames = avi::frames(6, 72, 9);
  f.streams = {v, a, t, v};
  f.streams[3].kind = "db";
  return f;
}

std::vector<Region> regionsOf(const avi::Layout &l) {
  std::vector<Region> r = {{0, l.movi}};  // headers
  if (l.idx1) r.push_back({l.idx1, l.bytes.size()});
  for (size_t ix : l.stdIndexes) r.push_back({ix, ix + 40});
  return r;
}

}  // namespace

TEST_F(AviMalformed, Idx1RecordingCutAndDamaged) {
  avi::Layout l = avi::build(crafted(avi::Index::kIdx1, 1));
  runAll(l.bytes, regionsOf(l));
}

TEST_F(AviMalformed, OpenDmlRecordingCutAndDamaged) {
  avi::Layout l = avi::build(crafted(avi::Index::kOpenDml, 3));
  runAll(l.bytes, regionsOf(l));
}

TEST_F(AviMalformed, RecordingWithoutIndexCutAndDamaged) {
  avi::Layout l = avi::build(crafted(avi::Index::kNone, 1));
  // Without an index the frame chunks are what the reader walks.
  runAll(l.bytes, {{0, l.movi}, {l.movi, l.bytes.size()}});
}

TEST_F(AviMalformed, FfmpegRecordingCutAndDamaged) {
  std::string src = dir_.path("src.avi");
  ASSERT_TRUE(
      oracle::ffmpeg("-f lavfi -i testsrc=size=96x64:rate=10 -f lavfi -i sine -t 1 "
                     "-c:v libx264 -preset ultrafast -g 4 -c:a libmp3lame '" +
                     src + "'"));
  std::vector<uint8_t> bytes = readBytes(src);
  std::string all(bytes.begin(), bytes.end());
  size_t movi = all.find("movi"), idx1 = all.rfind("idx1");
  ASSERT_NE(movi, std::string::npos);
  ASSERT_NE(idx1, std::string::npos);
  runAll(bytes, {{0, movi}, {idx1, bytes.size()}});
}
