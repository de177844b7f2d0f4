// How phones and action cameras lay out their MP4 files: 64-bit and open-ended
// box sizes, 64-bit chunk offsets, several "mdat" boxes, "moov" first, and
// tracks the reader does not deliver. Hostile sample tables are bounded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "krnstream.h"
#include "mp4_builder.h"
#include "reader_helpers.h"
#include "test_support.h"

namespace {

using mp4::Bytes;

mp4::TrackDescription video(uint32_t id, uint32_t samples) {
  mp4::TrackDescription t;
  t.id = id;
  t.sampleEntry = mp4::avc1Entry(320, 240, 100);
  t.timescale = 30000;
  for (uint32_t i = 0; i < samples; ++i) {
    Bytes s;
    uint32_t n = 6 + i;
    mp4::u32(s, n);
    s.push_back(i % 3 == 0 ? 0x65 : 0x41);
    for (uint32_t k = 1; k < n; ++k) s.push_back(static_cast<uint8_t>(i + k));
    t.sizes.push_back(static_cast<uint32_t>(s.size()));
    t.payloads.push_back(s);
    t.deltas.push_back(1001);
  }
  t.samplesPerChunk = 2;
  t.stss = true;
  t.syncSamples = {1, 4, 7};
  return t;
}

mp4::TrackDescription audio(uint32_t id, uint32_t samples) {
  mp4::TrackDescription t;
  t.id = id;
  t.handler = "soun";
  t.mediaHeader = "smhd";
  t.sampleEntry = mp4::mp4aEntry(48000, 600);
  t.timescale = 48000;
  for (uint32_t i = 0; i < samples; ++i) {
    t.sizes.push_back(20 + i);
    t.deltas.push_back(1024);
  }
  t.samplesPerChunk = 3;
  return t;
}

mp4::TrackDescription text(uint32_t id, uint32_t samples) {
  mp4::TrackDescription t;
  t.id = id;
  t.handler = "tvxt";
  t.mediaHeader = "nmhd";
  t.sampleEntry = mp4::textEntry();
  for (uint32_t i = 0; i < samples; ++i) {
    t.sizes.push_back(12);
    t.deltas.push_back(100);
  }
  t.samplesPerChunk = 4;
  return t;
}

// A track of a kind that is not delivered, with all its tables.
mp4::TrackDescription other(uint32_t id, const char *handler, const char *header) {
  mp4::TrackDescription t = video(id, 4);
  t.handler = handler;
  t.mediaHeader = header;
  t.sampleEntry = mp4::textEntry();
  return t;
}

struct Frames {
  std::vector<ReadFrame> video, audio, text;
  KRNReaderInfo info{};
  int32_t infoRc = -1;
};

Frames readAll(const std::string &path) {
  OpenedFile f(path);
  Frames out;
  out.infoRc = f.infoRc;
  out.info = f.info;
  if (f.infoRc != 0) return out;
  if (f.info.videoCount) out.video = f.readAll(KRN_MEDIA_VIDEO);
  if (f.info.audioCount) out.audio = f.readAll(KRN_MEDIA_AUDIO);
  if (f.info.textCount) out.text = f.readAll(KRN_MEDIA_TEXT);
  return out;
}

class Mp4Layouts : public testing::Test {
 protected:
  std::string write(const Bytes &bytes, const std::string &name) {
    std::string p = dir_.path(name);
    mp4::writeFile(p, bytes);
    return p;
  }
  std::vector<mp4::TrackDescription> tracks() { return {video(1, 9), audio(2, 7), text(3, 5)}; }
  ScratchDir dir_;
};

}  // namespace

// Each layout holds the same samples; the reader must deliver exactly what it
// delivers from the plain layout.
TEST_F(Mp4Layouts, EveryLayoutDeliversTheSameFrames) {
  Frames plain = readAll(write(mp4::buildFile(tracks()), "plain.mp4"));
  ASSERT_EQ(plain.infoRc, 0);
  ASSERT_EQ(plain.video.size(), 9u);
  ASSERT_EQ(plain.audio.size(), 7u);
  ASSERT_EQ(plain.text.size(), 5u);

  struct Case {
    const char *name;
    mp4::Layout layout;
    Bytes extraTop;
    bool zeroLast;
  };
  Bytes junkMdat = mp4::box("mdat", Bytes(24, 0xEE));
  Bytes twoMdat = junkMdat;
  mp4::append(twoMdat, mp4::box("free", Bytes(5, 0)));
  mp4::append(twoMdat, junkMdat);
  const Case cases[] = {
      {"large sizes", {true, false, false}, {}, false},
      {"co64", {false, true, false}, {}, false},
      {"moov first", {false, false, true}, {}, false},
      {"large sizes, co64, moov first", {true, true, true}, {}, false},
      {"size 0 for the last box of every level", {}, {}, true},
      {"moov first, mdat to the end of the file", {false, true, true}, {}, true},
      {"three mdat boxes", {}, twoMdat, false},
      {"three mdat boxes with large sizes", {true, false, false}, twoMdat, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = mp4::buildFile(tracks(), c.extraTop, c.layout);
    if (c.zeroLast) mp4::zeroLastSizes(file, 0, file.size());
    Frames got = readAll(write(file, "layout.mp4"));
    ASSERT_EQ(got.infoRc, 0);
    EXPECT_EQ(got.info.videoCount, 1u);
    EXPECT_EQ(got.info.audioCount, 1u);
    EXPECT_EQ(got.info.textCount, 1u);
    EXPECT_EQ(got.info.video[0].frameCount, 9u);
    EXPECT_EQ(got.info.video[0].width, 320u);
    EXPECT_EQ(got.info.duration, plain.info.duration);
    EXPECT_EQ(got.video, plain.video);
    EXPECT_EQ(got.audio, plain.audio);
    EXPECT_EQ(got.text, plain.text);
  }
}

// A child whose size runs past its parent ends at the parent's end.
TEST_F(Mp4Layouts, ChildrenAreHeldInsideTheirParent) {
  Bytes file = mp4::buildFile({video(1, 3)});
  // The last box of the file is "moov"; claim it is far larger than the file.
  size_t moov = file.size();
  for (size_t pos = 0; pos + 8 <= file.size();) {
    uint32_t size = static_cast<uint32_t>(file[pos] << 24 | file[pos + 1] << 16 |
                                          file[pos + 2] << 8 | file[pos + 3]);
    if (std::equal(file.begin() + static_cast<long>(pos) + 4,
                   file.begin() + static_cast<long>(pos) + 8, "moov"))
      moov = pos;
    pos += size;
  }
  ASSERT_LT(moov, file.size());
  file[moov] = 0x7F;
  Frames got = readAll(write(file, "long-moov.mp4"));
  ASSERT_EQ(got.infoRc, 0);
  EXPECT_EQ(got.video.size(), 3u);
}

// Timecode, telemetry, hint and unknown tracks are left out: the file still
// opens, they take no stream index and the delivered tracks keep their
// numbers. Twelve such tracks with five tables each would need 60 indexes.
TEST_F(Mp4Layouts, TracksNotDeliveredAreSkippedWithoutIndexes) {
  std::vector<mp4::TrackDescription> all = {other(10, "tmcd", "gmhd"), video(1, 9)};
  const char *kinds[][2] = {{"meta", "nmhd"}, {"hint", "hmhd"}, {"gpmd", "gmhd"},
                            {"abcd", "vmhd"}, {"mebx", "nmhd"}, {"text", "nmhd"}};
  uint32_t id = 20;
  for (int round = 0; round < 2; ++round)
    for (auto &k : kinds) all.push_back(other(id++, k[0], k[1]));
  all.push_back(audio(2, 7));
  all.push_back(text(3, 5));
  Frames got = readAll(write(mp4::buildFile(all), "many.mp4"));
  ASSERT_EQ(got.infoRc, 0);
  EXPECT_EQ(got.info.videoCount, 1u);
  EXPECT_EQ(got.info.audioCount, 1u);
  EXPECT_EQ(got.info.textCount, 1u);
  // The filler bytes of a sample depend on its track's place in the file:
  // sizes, times and marks are compared.
  Frames plain = readAll(write(mp4::buildFile(tracks()), "plain.mp4"));
  auto shape = [](std::vector<ReadFrame> frames) {
    for (ReadFrame &f : frames) f.hash = 0;
    return frames;
  };
  EXPECT_EQ(got.video, plain.video);
  EXPECT_EQ(shape(got.audio), shape(plain.audio));
  EXPECT_EQ(shape(got.text), shape(plain.text));
}

// A fixed sample size lets "stsz" claim any number of samples; the count is
// held to what the chunks and the file can hold, and seeking stays bounded.
TEST_F(Mp4Layouts, FixedSizeSampleCountsAreBounded) {
  mp4::TrackDescription t = text(1, 3);
  t.stszFixed = 12;
  t.stszCount = 16777216;
  std::string p = write(mp4::buildFile({t}), "fixed.mp4");
  {
    OpenedFile f(p);
    ASSERT_EQ(f.infoRc, 0);
    ASSERT_EQ(f.info.textCount, 1u);
    // One chunk of four samples is all the tables describe.
    EXPECT_EQ(f.info.text[0].sampleCount, 4u);
    EXPECT_LE(f.readAll(KRN_MEDIA_TEXT).size(), 4u);
  }

  // One-byte samples, 2^31 of them, in chunks that claim 2^31 samples each:
  // no more samples than the file has bytes.
  t.stszFixed = 1;
  t.stszCount = 0x80000000u;
  t.stscSamplesPerChunk = 0x80000000u;
  p = write(mp4::buildFile({t}), "ones.mp4");
  long size = fileSize(p);
  OpenedFile f(p);
  ASSERT_EQ(f.infoRc, 0);
  ASSERT_EQ(f.info.textCount, 1u);
  EXPECT_LE(f.info.text[0].sampleCount, static_cast<uint32_t>(size));
  uint32_t at = 0xFFFFFF;
  KRNReaderSeekByTime(f.reader, &at, 1);  // walks at most the bounded count
  EXPECT_LE(f.readAll(KRN_MEDIA_TEXT).size(), static_cast<size_t>(size));
}

// Audio read a chunk at a time: a chunk claiming 2^30 + 1 samples of 4 bytes
// is 4 GiB + 4 bytes, not 4 bytes, and is refused at once.
TEST_F(Mp4Layouts, WholeChunkFramesAreBoundedIn64Bits) {
  mp4::TrackDescription a = audio(1, 6);
  a.sizes.assign(6, 4);
  a.samplesPerChunk = 2;
  a.stszFixed = 4;
  Frames good = readAll(write(mp4::buildFile({a}), "pcm.mp4"));
  ASSERT_EQ(good.infoRc, 0);
  ASSERT_EQ(good.audio.size(), 3u);  // three chunks of two samples
  EXPECT_EQ(good.audio[0].size, 8u);

  a.stscSamplesPerChunk = 0x40000001u;
  OpenedFile f(write(mp4::buildFile({a}), "hostile-pcm.mp4"));
  ASSERT_EQ(f.infoRc, 0);
  std::vector<ReadFrame> frames = f.readAll(KRN_MEDIA_AUDIO);
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(f.lastRc, KRNSTREAM_ERR_EOD);
}

// An empty "stss" says no sample is a sync sample; without one every sample is.
TEST_F(Mp4Layouts, EmptySyncTableMeansNoKeyFrames) {
  mp4::TrackDescription v = video(1, 4);
  v.syncSamples.clear();
  std::vector<ReadFrame> frames = readAll(write(mp4::buildFile({v}), "nosync.mp4")).video;
  ASSERT_EQ(frames.size(), 4u);
  for (const ReadFrame &f : frames) EXPECT_EQ(f.key, KRN_FRAME_OTHER);

  v.stss = false;
  frames = readAll(write(mp4::buildFile({v}), "allsync.mp4")).video;
  ASSERT_EQ(frames.size(), 4u);
  for (const ReadFrame &f : frames) EXPECT_EQ(f.key, KRN_FRAME_KEY);
}

// Asking again after a failed get-information starts from a clean slate: the
// answer is the same, and no cursor of the first try is left behind.
TEST_F(Mp4Layouts, GetInformationAfterAFailureIsTheSame) {
  // 1 parsing cursor + 4 video tracks x 5 tables = 21: one index too many.
  std::vector<mp4::TrackDescription> four;
  for (uint32_t i = 1; i <= 4; ++i) four.push_back(video(i, 3));
  OpenedFile f(write(mp4::buildFile(four), "four.mp4"));
  EXPECT_EQ(f.infoRc, KRNSTREAM_ERR_NOMEM);
  for (int i = 0; i < 3; ++i) {
    KRNReaderInfo again{};
    EXPECT_EQ(KRNReaderGetInfo(f.reader, &again), KRNSTREAM_ERR_NOMEM);
  }
}

// Tables met twice (a track's "trak" repeated under the same id) replace
// the earlier ones and take no second stream index: four "trak" boxes of
// two tracks need the indexes of two.
TEST_F(Mp4Layouts, RepeatedTablesTakeNoExtraIndexes) {
  std::vector<mp4::TrackDescription> twice = {video(1, 3), video(1, 3), video(2, 3), video(2, 3)};
  Frames got = readAll(write(mp4::buildFile(twice), "twice.mp4"));
  ASSERT_EQ(got.infoRc, 0);
  EXPECT_EQ(got.info.videoCount, 2u);
  EXPECT_EQ(got.video.size(), 3u);
}
