// The AVI reader on crafted files: headers and their limits, the three kinds
// of index, the scan of files without one, and seeking.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avi_builder.h"
#include "krnstream.h"
#include "reader_helpers.h"
#include "test_support.h"

namespace {

using avi::Bytes;

avi::Stream video(size_t frames, std::vector<bool> keys = {}) {
  avi::Stream s;
  s.frames = avi::frames(frames, 100, 1);
  s.keys = std::move(keys);
  return s;
}

avi::Stream pcm(size_t chunks, uint32_t bytes) {
  avi::Stream s;
  s.type = "auds";
  s.codec = std::string("\x01\0\0\0", 4);
  s.kind = "wb";
  s.formatTag = 1;
  s.blockAlign = 2;
  s.sampleSize = 2;
  s.rate = 8000;
  s.bytesPerSecond = 16000;
  s.frames = avi::frames(chunks, bytes, 50);
  for (Bytes &b : s.frames) b.resize(bytes);  // whole samples
  s.length = static_cast<int64_t>(chunks * bytes / 2);
  return s;
}

avi::Stream text(size_t samples) {
  avi::Stream s;
  s.type = "txts";
  s.codec = "GPS ";
  s.kind = "tx";
  s.rate = 10;
  s.suggested = 80;
  s.frames = avi::frames(samples, 72, 90);
  return s;
}

class AviTest : public testing::Test {
 protected:
  std::string write(const avi::File &f, const std::string &name = "t.avi") {
    return write(avi::build(f).bytes, name);
  }
  std::string write(const Bytes &bytes, const std::string &name = "t.avi") {
    std::string path = dir_.path(name);
    writeBytes(path, bytes);
    return path;
  }
  ScratchDir dir_;
};

std::vector<uint8_t> keysOf(const std::vector<ReadFrame> &frames) {
  std::vector<uint8_t> keys;
  for (const ReadFrame &f : frames) keys.push_back(f.key);
  return keys;
}

void expectPayloads(const std::vector<ReadFrame> &got, const std::vector<Bytes> &want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i].bytes, want[i]) << "frame " << i;
}

}  // namespace

// ---------------------------------------------------------------------------
// Headers

TEST_F(AviTest, DescribesVideoAudioAndTextStreams) {
  avi::File f;
  f.streams = {video(10), pcm(4, 1600), text(5)};
  f.streams[0].codec = "H264";
  f.streams[0].rate = 30000;
  f.streams[0].scale = 1001;
  f.streams[0].width = 1920;
  f.streams[0].height = static_cast<uint32_t>(-1080);  // top-down picture
  f.streams[0].extra = {0, 0, 0, 1, 0x67, 0x42};
  f.streams[1].extra = {0x12, 0x10};
  f.streams[2].start = 5;
  OpenedFile file(write(f));
  ASSERT_EQ(file.infoRc, 0);
  const KRNReaderInfo &i = file.info;
  EXPECT_EQ(i.container, KRN_CONTAINER_AVI);
  ASSERT_EQ(i.videoCount, 1u);
  EXPECT_EQ(i.video[0].codec, KRNUTIL_FOURCC('H', '2', '6', '4'));
  EXPECT_EQ(i.video[0].width, 1920u);
  EXPECT_EQ(i.video[0].height, 1080u);
  EXPECT_EQ(i.video[0].bitsPerPixel, 24u);
  EXPECT_EQ(i.video[0].frameRate, 29970u);
  EXPECT_EQ(i.video[0].frameCount, 10u);
  EXPECT_EQ(i.video[0].duration, 333u);
  EXPECT_EQ(i.video[0].configLength, 6u);
  EXPECT_EQ(i.video[0].config[4], 0x67);
  ASSERT_EQ(i.audioCount, 1u);
  EXPECT_EQ(i.audio.codec, 1u);
  EXPECT_EQ(i.audio.sampleRate, 8000u);
  EXPECT_EQ(i.audio.bitRate, 128000u);
  EXPECT_EQ(i.audio.sampleSize, 2u);
  EXPECT_EQ(i.audio.present, 1);
  EXPECT_EQ(i.audio.configLength, 2u);
  EXPECT_EQ(i.audio.frameCount, 3200u);  // samples
  EXPECT_EQ(i.audio.duration, 400u);
  ASSERT_EQ(i.textCount, 1u);
  EXPECT_EQ(i.text[0].sampleCount, 5u);
  EXPECT_EQ(i.text[0].maxSampleSize, 80u);
  EXPECT_EQ(i.duration, 500u);  // text: 5 samples of 100 ms

  // PCM chunks: times follow the bytes delivered; text samples take their
  // slots behind the start offset.
  std::vector<ReadFrame> audio = file.readAll(KRN_MEDIA_AUDIO);
  ASSERT_EQ(audio.size(), 4u);
  EXPECT_EQ(audio[1].time, 100);
  EXPECT_EQ(audio[3].time, 300);
  EXPECT_EQ(audio[3].duration, 100u);
  std::vector<ReadFrame> samples = file.readAll(KRN_MEDIA_TEXT);
  expectPayloads(samples, f.streams[2].frames);
  EXPECT_EQ(samples[0].time, 500);
  EXPECT_EQ(samples[4].time, 900);
  EXPECT_EQ(file.lastRc, KRNSTREAM_ERR_EOD);
}

TEST_F(AviTest, FrameRateFallsBackToMainHeaderThenTo25) {
  avi::File f;
  f.streams = {video(3)};
  f.streams[0].rate = 0;
  f.microSecPerFrame = 33366;
  EXPECT_EQ(OpenedFile(write(f, "a.avi")).info.video[0].frameRate, 29970u);
  f.microSecPerFrame = 0;
  EXPECT_EQ(OpenedFile(write(f, "b.avi")).info.video[0].frameRate, 25000u);
}

TEST_F(AviTest, LargestFrameSizesAreCapped) {
  auto largest = [&](avi::Stream s) {
    avi::File f;
    f.streams = {video(2), s};
    OpenedFile file(write(f));
    return std::make_pair(file.info.video[0].maxFrameSize, file.info.audio.maxFrameSize);
  };
  avi::Stream mp3 = pcm(2, 400);
  mp3.formatTag = 85;
  mp3.suggested = 100000;
  EXPECT_EQ(largest(mp3).second, 8192u);
  mp3.sampleSize = 0;
  EXPECT_EQ(largest(mp3).second, 8192u);
  avi::Stream wav = pcm(2, 400);
  wav.suggested = 100000;
  EXPECT_EQ(largest(wav).second, 16384u);
  wav.suggested = 9000;
  EXPECT_EQ(largest(wav).second, 9000u);

  avi::File f;
  f.streams = {video(2), video(2), video(2)};
  f.streams[0].suggested = 2000000;
  f.streams[1].suggested = 500000;
  OpenedFile file(write(f));
  EXPECT_EQ(file.info.video[0].maxFrameSize, 1048576u);
  EXPECT_EQ(file.info.video[1].maxFrameSize, 500000u);
  EXPECT_EQ(file.info.video[2].maxFrameSize, 64u * 48 / 2);  // none given: the interface's
}

TEST_F(AviTest, SubtitlePicturesAndUnknownStreamsAreNotReported) {
  avi::File f;
  f.streams = {video(3), video(4), pcm(3, 200), text(2)};
  f.streams[0].codec = "DXSB";
  f.streams[1].kind = "db";
  f.streams.insert(f.streams.begin() + 2, video(2));
  f.streams[2].type = "pads";
  OpenedFile file(write(f));
  EXPECT_EQ(file.info.videoCount, 1u);
  EXPECT_EQ(file.info.audioCount, 1u);
  EXPECT_EQ(file.info.textCount, 1u);
  // The one video stream reported is the second stream list: chunks "01db".
  expectPayloads(file.readAll(KRN_MEDIA_VIDEO), f.streams[1].frames);
  expectPayloads(file.readAll(KRN_MEDIA_TEXT), f.streams[4].frames);
}

TEST_F(AviTest, OddHeadersFormsAndMenus) {
  avi::File f;
  f.streams = {video(3)};
  f.streams[0].strhSize = 64;
  {
    Traces traces;
    OpenedFile file(write(f));
    EXPECT_EQ(file.info.videoCount, 1u);
    EXPECT_TRUE(traces.has(L"invalid StreamHeader size dwsize(64) header(56)"));
  }
  f.form = "AVIX";
  EXPECT_EQ(OpenedFile(write(f)).info.videoCount, 1u);
  f.form = "AVIZ";
  {
    Traces traces;
    EXPECT_EQ(OpenedFile(write(f)).openRc, KRNSTREAM_ERR_UNAVAILABLE);
    EXPECT_TRUE(traces.has(L"AVIReaderOpen - File is not AVI"));
  }
  f.form = "AVI ";
  f.menu = true;  // the stream lists that follow a menu are not read
  OpenedFile file(write(f));
  EXPECT_EQ(file.infoRc, 0);
  EXPECT_EQ(file.info.videoCount, 0u);
}

TEST_F(AviTest, AdasBlockComesFromTheSecondJunkChunk) {
  avi::File f;
  f.streams = {video(2)};
  Bytes adas = {'A', 'D', 'A', 'S', 1, 2, 3, 4, 5, 6, 7, 8};
  f.junk = {Bytes{'A', 'D', 'A', 'S', 9, 9}, adas};
  std::string path = write(f);
  uint8_t buf[32];
  memset(buf, 0xEE, sizeof buf);
  OpenedFile whole(path, buf, sizeof buf);
  EXPECT_EQ(Bytes(buf, buf + adas.size()), adas);
  EXPECT_EQ(buf[adas.size()], 0xEE);

  memset(buf, 0xEE, sizeof buf);
  OpenedFile part(path, buf, 6);
  EXPECT_EQ(Bytes(buf, buf + 6), Bytes(adas.begin(), adas.begin() + 6));
  EXPECT_EQ(buf[6], 0xEE);

  f.junk = {adas, Bytes{'J', 'U', 'N', 'K'}};
  memset(buf, 0xEE, sizeof buf);
  OpenedFile none(write(f, "b.avi"), buf, sizeof buf);
  EXPECT_EQ(buf[0], 0xEE);
}

// ---------------------------------------------------------------------------
// Indexes

// MJPEG frames carry no key mark of their own: marks other than 1 can only
// come from the index.
TEST_F(AviTest, RelativeAndAbsoluteIdx1Offsets) {
  avi::File f;
  f.streams = {video(5, {true, false, false, true, false}), pcm(5, 320)};
  f.index = avi::Index::kIdx1;
  OpenedFile relative(write(f, "rel.avi"));
  std::vector<ReadFrame> frames = relative.readAll(KRN_MEDIA_VIDEO);
  expectPayloads(frames, f.streams[0].frames);
  EXPECT_EQ(keysOf(frames), (std::vector<uint8_t>{1, 2, 2, 1, 2}));

  f.index = avi::Index::kIdx1Absolute;
  f.padBeforeMovi = 0x10000;  // the first chunk lies past 0x10000
  avi::Layout layout = avi::build(f);
  ASSERT_GT(layout.chunks[0][0], 0x10000u);
  Traces traces;
  OpenedFile absolute(write(layout.bytes, "abs.avi"));
  EXPECT_TRUE(traces.has(L"index position start at file start position"));
  frames = absolute.readAll(KRN_MEDIA_VIDEO);
  expectPayloads(frames, f.streams[0].frames);
  EXPECT_EQ(keysOf(frames), (std::vector<uint8_t>{1, 2, 2, 1, 2}));
  expectPayloads(absolute.readAll(KRN_MEDIA_AUDIO), f.streams[1].frames);
}

TEST_F(AviTest, Idx1EntriesForMissingStreamsOrOutsideTheFileAreDropped) {
  avi::File f;
  f.streams = {video(4), pcm(4, 320), text(4)};
  for (avi::Stream &s : f.streams) s.length = 0;  // counts come from the index
  avi::Layout base = avi::build(f);
  auto entry = [](const char *id, uint32_t offset, uint32_t size) {
    Bytes e;
    avi::tag(e, id);
    avi::u32(e, 0x10);
    avi::u32(e, offset);
    avi::u32(e, size);
    return e;
  };
  // "05" names no stream (there are three); the other entry runs past the
  // end of the file.
  uint32_t lastText = static_cast<uint32_t>(base.chunks[2].back() - base.movi);
  uint32_t lastVideo = static_cast<uint32_t>(base.chunks[0].back() - base.movi);
  f.extraIdx1 = {entry("05dc", lastText, 72), entry("00dc", lastVideo + 8, 0x7FFFFFF0)};
  OpenedFile file(write(f));
  EXPECT_EQ(file.info.video[0].frameCount, 4u);
  EXPECT_EQ(file.info.audio.frameCount, 4u * 320 / 2);
  EXPECT_EQ(file.info.text[0].sampleCount, 4u);
  expectPayloads(file.readAll(KRN_MEDIA_VIDEO), f.streams[0].frames);
}

TEST_F(AviTest, CutOffIdx1IsReadAsFarAsItGoesAndTheMoviIsScanned) {
  avi::File f;
  f.streams = {video(6, {true, false, false, false, false, false})};
  f.streams[0].length = 0;
  avi::Layout layout = avi::build(f);
  // Three and a half entries of six remain.
  layout.bytes.resize(layout.idx1 + 8 + 16 * 3 + 8);
  OpenedFile file(write(layout.bytes));
  EXPECT_EQ(file.info.video[0].frameCount, 3u);
  std::vector<ReadFrame> frames = file.readAll(KRN_MEDIA_VIDEO);
  expectPayloads(frames, f.streams[0].frames);
  // Found by the scan, so not marked by the index.
  EXPECT_EQ(keysOf(frames), std::vector<uint8_t>(6, KRN_FRAME_KEY));
}

TEST_F(AviTest, OpenDmlIndexesCoverTheAvixParts) {
  avi::File f;
  f.streams = {video(9, {true, false, false, true, false, false, true, false, false}), pcm(9, 320)};
  for (avi::Stream &s : f.streams) s.length = 0;
  f.index = avi::Index::kOpenDml;
  f.parts = 3;
  OpenedFile file(write(f));
  EXPECT_EQ(file.info.video[0].frameCount, 9u);
  EXPECT_EQ(file.info.audio.frameCount, 9u * 160);
  std::vector<ReadFrame> frames = file.readAll(KRN_MEDIA_VIDEO);
  expectPayloads(frames, f.streams[0].frames);
  EXPECT_EQ(keysOf(frames), (std::vector<uint8_t>{1, 2, 2, 1, 2, 2, 1, 2, 2}));
  expectPayloads(file.readAll(KRN_MEDIA_AUDIO), f.streams[1].frames);
}

TEST_F(AviTest, OpenDmlCountsAreBoundedByTheirChunks) {
  avi::File f;
  f.streams = {video(6, {true, false, false, true, false, false})};
  f.index = avi::Index::kOpenDml;
  f.parts = 2;
  f.superIndexCount = 0xFFFFFFFF;  // the chunk holds two entries
  avi::Layout layout = avi::build(f);
  avi::put32(layout.bytes, layout.stdIndexes[1] + 8 + 4, 0x7FFFFFFF);  // entries in use
  OpenedFile file(write(layout.bytes));
  ASSERT_EQ(file.infoRc, 0);
  std::vector<ReadFrame> frames = file.readAll(KRN_MEDIA_VIDEO);
  expectPayloads(frames, f.streams[0].frames);
  EXPECT_EQ(keysOf(frames), (std::vector<uint8_t>{1, 2, 2, 1, 2, 2}));

  // A standard index pointing outside the file is dropped: its part's frames
  // are then missing from the index.
  avi::Layout outside = avi::build(f);
  avi::put32(outside.bytes, outside.indx[0] + 8 + 24 + 16, 0x7FFFFF00);
  OpenedFile cut(write(outside.bytes, "outside.avi"));
  EXPECT_EQ(cut.readAll(KRN_MEDIA_VIDEO).size(), 3u);

  // A reserved word that is not zero makes the standard index invalid.
  avi::put32(layout.bytes, layout.stdIndexes[0] + 8 + 20, 1);
  Traces traces;
  OpenedFile bad(write(layout.bytes, "bad.avi"));
  EXPECT_EQ(bad.infoRc, KRNSTREAM_ERR_UNAVAILABLE);
  EXPECT_TRUE(traces.has(L"[Reaser] AVIReaderReadStdIndex - Standard Index is not valid."));
}

TEST_F(AviTest, EmptySuperIndexLeavesTheIdx1InCharge) {
  avi::File f;
  f.streams = {video(4, {true, false, true, false})};
  f.index = avi::Index::kOpenDml;
  f.superIndexCount = 0;  // a recording stopped before the super index was written
  OpenedFile file(write(f));
  EXPECT_EQ(keysOf(file.readAll(KRN_MEDIA_VIDEO)), (std::vector<uint8_t>{1, 2, 1, 2}));
}

// ---------------------------------------------------------------------------
// Reading

TEST_F(AviTest, SmallBufferGetsTheSizeAndTheSameFrameAfterwards) {
  avi::File f;
  f.streams = {video(2)};
  OpenedFile file(write(f));
  uint8_t small[10];
  KRNReaderFrame fr{};
  fr.data = small;
  fr.capacity = sizeof small;
  fr.mediaType = KRN_MEDIA_VIDEO;
  EXPECT_EQ(KRNReaderReadFrame(file.reader, &fr), KRNSTREAM_ERR_OVERFLOW);
  EXPECT_EQ(fr.capacity, 100u);
  std::vector<ReadFrame> frames = file.readAll(KRN_MEDIA_VIDEO);
  expectPayloads(frames, f.streams[0].frames);

  // A track number past the last is answered with nothing read.
  Traces traces;
  fr.track = 3;
  fr.size = 77;
  EXPECT_EQ(KRNReaderReadFrame(file.reader, &fr), 0);
  EXPECT_EQ(fr.size, 0u);
  EXPECT_TRUE(traces.has(L"AVIReaderReadFrame can not find stream idx req(3) total(1)"));
}

TEST_F(AviTest, ScanWithoutIndexResynchronisesAndSniffsKeyFrames) {
  avi::File f;
  f.index = avi::Index::kNone;
  f.streams = {video(4), text(4)};
  f.streams[0].codec = "H264";
  for (size_t i = 0; i < 4; ++i)
    f.streams[0].frames[i] = {
        0, 0, 0, 1, static_cast<uint8_t>(i % 2 ? 0x41 : 0x65), 1, 2, static_cast<uint8_t>(i)};
  avi::Layout layout = avi::build(f);
  // Garbage without a chunk id in it between the second and third frame.
  Bytes bytes = layout.bytes;
  size_t at = layout.chunks[0][2];
  bytes.insert(bytes.begin() + static_cast<long>(at), 300, 0xAB);
  OpenedFile file(write(bytes));
  std::vector<ReadFrame> frames = file.readAll(KRN_MEDIA_VIDEO);
  expectPayloads(frames, f.streams[0].frames);
  EXPECT_EQ(keysOf(frames), (std::vector<uint8_t>{1, 2, 1, 2}));
  EXPECT_EQ(frames[3].time, 120);
  expectPayloads(file.readAll(KRN_MEDIA_TEXT), f.streams[1].frames);

  // More garbage than the scan looks through: it stops with a result.
  bytes.insert(bytes.begin() + static_cast<long>(at), 3000, 0xAB);
  OpenedFile lost(write(bytes, "lost.avi"));
  EXPECT_EQ(lost.readAll(KRN_MEDIA_VIDEO).size(), 2u);
  EXPECT_EQ(lost.lastRc, KRNSTREAM_ERR_UNAVAILABLE);
}

// Counts and sizes in stream headers are the file's claims: a text stream
// that claims four billion samples of 4 GiB each is held to what the file
// can hold, like the video and audio streams beside it.
TEST_F(AviTest, HeaderCountsAndSizesAreBoundedByTheFile) {
  avi::File f;
  f.streams = {video(10), pcm(4, 1600), text(5)};
  f.streams[0].length = 0xFFFFFFF0;
  f.streams[1].length = 0xFFFFFFF0;
  f.streams[2].length = 0xFFFFFFF0;
  f.streams[2].suggested = 0xFFFFFFF0;
  std::string path = write(f);
  const uint32_t size = static_cast<uint32_t>(fileSize(path));
  OpenedFile file(path);
  ASSERT_EQ(file.infoRc, 0);
  const KRNReaderInfo &i = file.info;
  ASSERT_EQ(i.textCount, 1u);
  EXPECT_LE(i.text[0].sampleCount, size / 8);
  EXPECT_LE(i.text[0].maxSampleSize, 1048576u);
  EXPECT_LE(i.video[0].frameCount, size / 8);
  EXPECT_LE(i.audio.frameCount, size / 2);  // two-byte samples
  // Every sample that is there is still delivered.
  expectPayloads(file.readAll(KRN_MEDIA_TEXT), f.streams[2].frames);
  EXPECT_EQ(file.readAll(KRN_MEDIA_VIDEO).size(), 10u);
}

// ---------------------------------------------------------------------------
// Seeking

TEST_F(AviTest, SeeksFindKeyFramesAndTheOtherStreamsFollow) {
  for (avi::Index index : {avi::Index::kIdx1, avi::Index::kOpenDml}) {
    avi::File f;
    f.index = index;
    std::vector<bool> keys(20, false);
    keys[0] = keys[10] = true;
    f.streams = {video(20, keys), pcm(30, 320), text(8)};
    OpenedFile file(write(f));
    auto nextTime = [&](uint32_t type) { return file.readAll(type, 0, 1).at(0).time; };
    uint32_t t = 180;  // frame 4: key 0 is nearer than key 10
    EXPECT_TRUE(KRNReaderSeekByTime(file.reader, &t, 0));
    EXPECT_EQ(t, 0u);
    t = 200;  // frame 5: as far from both; the later one wins
    EXPECT_TRUE(KRNReaderSeekByTime(file.reader, &t, 0));
    EXPECT_EQ(t, 400u);
    EXPECT_EQ(nextTime(KRN_MEDIA_VIDEO), 400);
    EXPECT_EQ(nextTime(KRN_MEDIA_AUDIO), 400);
    EXPECT_EQ(nextTime(KRN_MEDIA_TEXT), 400);
    // With the flag too: the nearest key frame, not the frame holding the time.
    t = 180;
    EXPECT_TRUE(KRNReaderSeekByTime(file.reader, &t, 1));
    EXPECT_EQ(t, 0u);
    t = 330;  // frame 8: key 10 is nearer
    EXPECT_TRUE(KRNReaderSeekByTime(file.reader, &t, 1));
    EXPECT_EQ(t, 400u);
    EXPECT_EQ(nextTime(KRN_MEDIA_VIDEO), 400);
    EXPECT_EQ(nextTime(KRN_MEDIA_AUDIO), 400);
    t = 390;
    EXPECT_TRUE(KRNReaderSeekByKeyFrame(file.reader, &t, 1));  // key frame at or before
    EXPECT_EQ(t, 0u);
    t = 530;
    EXPECT_TRUE(KRNReaderSeekByMedia(file.reader, &t, KRN_MEDIA_AUDIO));
    EXPECT_EQ(t, 520u);
    EXPECT_EQ(nextTime(KRN_MEDIA_AUDIO), 520);
  }
}

TEST_F(AviTest, SeekWithoutIndexScansOnceThenReadsOn) {
  avi::File f;
  f.index = avi::Index::kNone;
  f.streams = {video(10), text(10)};
  f.streams[0].codec = "H264";
  for (size_t i = 0; i < 10; ++i)
    f.streams[0].frames[i] = {0, 0, 1, static_cast<uint8_t>(i % 5 ? 0x41 : 0x65),
                              static_cast<uint8_t>(i)};
  OpenedFile file(write(f));
  ASSERT_EQ(file.readAll(KRN_MEDIA_VIDEO, 0, 3).size(), 3u);
  uint32_t t = 300;
  EXPECT_TRUE(KRNReaderSeekByTime(file.reader, &t, 0));
  EXPECT_EQ(t, 200u);  // key frames at 0 and 200 ms
  std::vector<ReadFrame> rest = file.readAll(KRN_MEDIA_VIDEO);
  ASSERT_EQ(rest.size(), 5u);
  EXPECT_EQ(rest[0].bytes, f.streams[0].frames[5]);
  EXPECT_EQ(rest[0].key, KRN_FRAME_KEY);
  EXPECT_EQ(rest[1].key, KRN_FRAME_OTHER);
}

TEST_F(AviTest, ChangeTrackAndFailedSeeksKeepPositions) {
  avi::File f;
  f.streams = {video(10), video(10), text(0)};
  f.streams[1].kind = "db";
  f.streams[1].frames = avi::frames(10, 40, 200);
  OpenedFile file(write(f));
  EXPECT_EQ(KRNReaderChangeTrack(file.reader, 0, KRN_MEDIA_VIDEO), 0);  // already current
  EXPECT_EQ(KRNReaderChangeTrack(file.reader, 5, KRN_MEDIA_VIDEO), 0);
  ASSERT_EQ(file.readAll(KRN_MEDIA_VIDEO, 0, 4).size(), 4u);
  // The text stream has nothing to seek to: the whole seek fails and the
  // video stream stays where it was.
  uint32_t t = 200;
  EXPECT_FALSE(KRNReaderSeekByTime(file.reader, &t, 1));
  EXPECT_EQ(file.readAll(KRN_MEDIA_VIDEO, 0, 1).at(0).bytes, f.streams[0].frames[4]);
  // The second video stream takes over at the time the first one reached.
  EXPECT_EQ(KRNReaderChangeTrack(file.reader, 1, KRN_MEDIA_VIDEO), 1);
  std::vector<ReadFrame> rest = file.readAll(KRN_MEDIA_VIDEO, 1);
  ASSERT_EQ(rest.size(), 6u);
  EXPECT_EQ(rest[0].bytes, f.streams[1].frames[4]);
}
