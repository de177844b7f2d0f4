// The reader interface and the MP4 reader on crafted files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "krnstream.h"
#include "mp4_builder.h"
#include "test_support.h"

extern "C" int krnstream_header_is_c(void);

namespace {

using mp4::Bytes;

struct OpenReader {
  OpenReader(const std::string &path) {
    wpath = widen(path);
    param.path = wpath.c_str();
    rc = KRNReaderOpen(&reader, &param);
    if (rc == 0) infoRc = KRNReaderGetInfo(reader, &info);
  }
  ~OpenReader() { KRNReaderClose(reader); }
  int32_t read(uint32_t type, uint32_t track, std::vector<uint8_t> &buf, KRNReaderFrame &f) {
    f = KRNReaderFrame{};
    f.data = buf.data();
    f.capacity = static_cast<uint32_t>(buf.size());
    f.mediaType = type;
    f.track = track;
    return KRNReaderReadFrame(reader, &f);
  }
  std::wstring wpath;
  KRNReaderParam param{};
  KRNReader *reader = nullptr;
  KRNReaderInfo info{};
  int32_t rc = -1;
  int32_t infoRc = -1;
};

mp4::TrackDescription videoTrack(uint32_t id, uint32_t samples, uint8_t profile = 100) {
  mp4::TrackDescription t;
  t.id = id;
  t.sampleEntry = mp4::avc1Entry(1920, 1080, profile);
  t.timescale = 30000;
  for (uint32_t i = 0; i < samples; ++i) {
    Bytes s;
    uint32_t n = 10 + i;  // one NAL unit per sample, 4-byte length
    mp4::u32(s, n);
    s.push_back(i == 0 ? 0x65 : 0x41);
    for (uint32_t k = 1; k < n; ++k) s.push_back(static_cast<uint8_t>(k));
    t.sizes.push_back(static_cast<uint32_t>(s.size()));
    t.payloads.push_back(s);
    t.deltas.push_back(1001);
  }
  t.samplesPerChunk = 3;
  t.stss = true;
  t.syncSamples = {1, 4};
  return t;
}

mp4::TrackDescription textTrack(uint32_t id, uint32_t samples, const char *handler = "tvxt") {
  mp4::TrackDescription t;
  t.id = id;
  t.handler = handler;
  t.mediaHeader = "nmhd";
  t.sampleEntry = mp4::textEntry();
  t.timescale = 1000;
  for (uint32_t i = 0; i < samples; ++i) {
    t.sizes.push_back(68);
    t.deltas.push_back(100);
  }
  t.samplesPerChunk = 5;
  return t;
}

class Mp4Test : public testing::Test {
 protected:
  std::string write(const Bytes &bytes, const std::string &name = "t.mp4") {
    std::string p = dir_.path(name);
    mp4::writeFile(p, bytes);
    return p;
  }
  ScratchDir dir_;
};

}  // namespace

TEST(ReaderHeader, CompilesAsPlainC) {
  EXPECT_EQ(krnstream_header_is_c(), 1);
}

TEST_F(Mp4Test, FormatSelection) {
  Traces traces;
  Bytes wave = mp4::box("fmt ", Bytes(16, 0));
  Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  mp4::append(riff, wave);
  OpenReader w(write(riff, "a.wav"));
  EXPECT_EQ(w.rc, KRNSTREAM_ERR_FORMAT);
  EXPECT_EQ(w.reader, nullptr);
  EXPECT_TRUE(traces.has(L"[krnstreamr]"));
  EXPECT_TRUE(traces.has(L"[Reader]\tReaderOpen - File format is not supported!"));

  // "mdat" first, no "ftyp": still MP4, classified from the few bytes it has.
  Bytes onlyMdat = mp4::box("mdat", Bytes(20, 1));
  OpenReader m(write(onlyMdat, "m.mp4"));
  EXPECT_EQ(m.rc, 0);
  EXPECT_EQ(m.param.fileSize, 28u);
  // Without a "moov" (a recording cut by power loss) there is nothing to read.
  EXPECT_EQ(m.infoRc, KRNSTREAM_ERR_FORMAT);

  OpenReader tiny(write(Bytes{'x', 'y'}, "tiny.mp4"));
  EXPECT_EQ(tiny.rc, KRNSTREAM_ERR_FORMAT);
}

TEST_F(Mp4Test, InfoOfVideoAndTextTracks) {
  Bytes aidd;
  mp4::u32(aidd, 0xCAFE0042);
  std::string p =
      write(mp4::buildFile({videoTrack(1, 6), textTrack(2, 12)}, mp4::box("AIDD", aidd)));
  OpenReader r(p);
  ASSERT_EQ(r.rc, 0);
  ASSERT_EQ(r.infoRc, 0);
  const KRNReaderInfo &i = r.info;
  EXPECT_EQ(i.container, KRN_CONTAINER_MP4);
  EXPECT_EQ(i.timeBase, 1000u);
  EXPECT_EQ(i.videoCount, 1u);
  EXPECT_EQ(i.textCount, 1u);
  EXPECT_EQ(i.audioCount, 0u);
  EXPECT_EQ(i.cameraData, 0xCAFE0042u);
  EXPECT_EQ(i.cameraDataPos, 28u);  // behind the 20-byte "ftyp"
  EXPECT_EQ(i.video[0].codec, KRNUTIL_FOURCC('A', 'V', 'C', '1'));
  EXPECT_EQ(i.video[0].width, 1920u);
  EXPECT_EQ(i.video[0].height, 1080u);
  EXPECT_EQ(i.video[0].frameCount, 6u);
  EXPECT_EQ(i.video[0].duration, 200u);  // 6 x 1001 / 30000 s
  EXPECT_EQ(i.video[0].maxFrameSize, 1920u * 1080 / 2);
  // Parameter sets in start-code form.
  ASSERT_EQ(i.video[0].configLength, 4u + 6 + 4 + 4);
  EXPECT_EQ(memcmp(i.video[0].config, "\0\0\0\1\x67", 5), 0);
  EXPECT_EQ(i.text[0].sampleCount, 12u);
  EXPECT_EQ(i.text[0].maxSampleSize, 1024u);
  EXPECT_EQ(i.text[0].duration, 1200u);
  EXPECT_EQ(i.duration, 1200u);
}

TEST_F(Mp4Test, Profile77IsReportedAsH264) {
  OpenReader r(write(mp4::buildFile({videoTrack(1, 2, 77)})));
  ASSERT_EQ(r.infoRc, 0);
  EXPECT_EQ(r.info.video[0].codec, KRNUTIL_FOURCC('H', '2', '6', '4'));
}

TEST_F(Mp4Test, VideoFramesComeInStartCodeFormWithKeyMarks) {
  OpenReader r(write(mp4::buildFile({videoTrack(1, 6)})));
  ASSERT_EQ(r.infoRc, 0);
  std::vector<uint8_t> buf(1024);
  KRNReaderFrame f;
  for (uint32_t i = 0; i < 6; ++i) {
    ASSERT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), 0) << i;
    EXPECT_EQ(f.size, 4 + 10 + i);  // same size as stored
    EXPECT_EQ(memcmp(buf.data(), "\0\0\0\1", 4), 0);
    EXPECT_EQ(buf[4], i == 0 ? 0x65 : 0x41);
    EXPECT_EQ(f.time, static_cast<int64_t>(i * 1001 * 1000 / 30000));
    EXPECT_EQ(f.duration, 33u);
    EXPECT_EQ(f.keyFrame, (i == 0 || i == 3) ? KRN_FRAME_KEY : KRN_FRAME_OTHER);
    EXPECT_EQ(f.chunk, i / 3 + 1);
  }
  EXPECT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), KRNSTREAM_ERR_EOD);
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), KRNSTREAM_ERR_UNAVAILABLE);
  EXPECT_EQ(r.read(4, 0, buf, f), 0);
  EXPECT_EQ(f.size, 0u);
}

TEST_F(Mp4Test, ShortNalLengthsGrowAndBadLengthsFail) {
  mp4::TrackDescription t = videoTrack(1, 0);
  t.sampleEntry = mp4::avc1Entry(64, 64, 66, 1);  // 2-byte lengths
  Bytes s = {0, 3, 0x65, 1, 2, 0, 2, 0x41, 9};    // two units
  Bytes bad = {0, 9, 0x41, 1};                    // unit runs past the sample
  t.payloads = {s, bad, s};
  t.sizes = {9, 4, 9};
  t.deltas = {1001, 1001, 1001};
  t.syncSamples = {1};
  OpenReader r(write(mp4::buildFile({t})));
  ASSERT_EQ(r.infoRc, 0);
  std::vector<uint8_t> buf(10);
  KRNReaderFrame f;
  ASSERT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), KRNSTREAM_ERR_BUFSIZE);  // needs 13
  EXPECT_EQ(f.capacity, 13u);
  buf.resize(13);
  ASSERT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), 0);
  EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 13),
            (std::vector<uint8_t>{0, 0, 0, 1, 0x65, 1, 2, 0, 0, 0, 1, 0x41, 9}));
  EXPECT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), KRNSTREAM_ERR_EOD);
  EXPECT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), 0);  // the track goes on after it
}

TEST_F(Mp4Test, TextSamplesLargerThanTheDefaultAskForABiggerBuffer) {
  mp4::TrackDescription t = textTrack(1, 3);
  t.sizes = {68, 1500, 68};
  t.payloads = {Bytes(68, 1), Bytes(1500, 2), Bytes(68, 3)};
  OpenReader r(write(mp4::buildFile({t})));
  ASSERT_EQ(r.infoRc, 0);
  ASSERT_EQ(r.info.text[0].maxSampleSize, 1024u);
  std::vector<uint8_t> buf(r.info.text[0].maxSampleSize);
  KRNReaderFrame f;
  ASSERT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(f.keyFrame, KRN_FRAME_KEY);  // no "stss": every sample is a key sample
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), KRNSTREAM_ERR_BUFSIZE);
  EXPECT_EQ(f.capacity, 1500u);
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), KRNSTREAM_ERR_BUFSIZE);  // still the same sample
  buf.resize(1500);
  ASSERT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(f.size, 1500u);
  EXPECT_EQ(f.time, 100);
  EXPECT_EQ(buf[1499], 2);
  ASSERT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(buf[0], 3);
  EXPECT_EQ(f.time, 200);
}

TEST_F(Mp4Test, TextHandlerIsNotReported) {
  OpenReader r(write(mp4::buildFile({videoTrack(1, 2), textTrack(2, 4, "text")})));
  ASSERT_EQ(r.infoRc, 0);
  EXPECT_EQ(r.info.textCount, 0u);
  EXPECT_EQ(r.info.videoCount, 1u);
}

TEST_F(Mp4Test, AacTrackInfo) {
  mp4::TrackDescription a;
  a.id = 3;
  a.handler = "soun";
  a.mediaHeader = "smhd";
  a.sampleEntry = mp4::mp4aEntry(44100, 20000);
  a.timescale = 44100;
  for (int i = 0; i < 10; ++i) a.sizes.push_back(300 + i), a.deltas.push_back(1024);
  a.samplesPerChunk = 4;
  OpenReader r(write(mp4::buildFile({videoTrack(1, 3), a})));
  ASSERT_EQ(r.infoRc, 0);
  ASSERT_EQ(r.info.audioCount, 1u);
  EXPECT_EQ(r.info.audio.codec, 255u);
  EXPECT_EQ(r.info.audio.sampleRate, 44100u);
  EXPECT_EQ(r.info.audio.channels, 2u);
  EXPECT_EQ(r.info.audio.bitRate, 96000u);
  EXPECT_EQ(r.info.audio.maxFrameSize, 8192u);  // 20000 capped
  EXPECT_EQ(r.info.audio.frameCount, 10u);
  ASSERT_EQ(r.info.audio.configLength, 2u);
  std::vector<uint8_t> buf(8192);
  KRNReaderFrame f;
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(r.read(KRN_MEDIA_AUDIO, 0, buf, f), 0);
    EXPECT_EQ(f.size, 300u + i);  // variable sizes: one frame per sample
    EXPECT_EQ(f.time, static_cast<int64_t>(i * 1024 * 1000 / 44100));
  }
}

TEST_F(Mp4Test, BoxRunningPastTheEndKeepsEarlierTracks) {
  Bytes file = mp4::buildFile({videoTrack(1, 2)});
  Bytes broken;
  mp4::u32(broken, 1000000);
  mp4::tag(broken, "free");
  mp4::append(file, broken);
  OpenReader r(write(file));
  ASSERT_EQ(r.infoRc, 0);
  EXPECT_EQ(r.info.videoCount, 1u);
}

TEST_F(Mp4Test, TwoTraksWithOneIdFillOneRecord) {
  mp4::TrackDescription a = videoTrack(5, 3);
  mp4::TrackDescription b = videoTrack(5, 3);
  OpenReader r(write(mp4::buildFile({a, b})));
  ASSERT_EQ(r.infoRc, 0);
  EXPECT_EQ(r.info.videoCount, 1u);
}

// Tables take indexes of the file's one stream: 1 + 5 x 3 + 4 = 20 fit, a
// fourth video track does not.
TEST_F(Mp4Test, SampleTableCursorsCountAgainstTheIndexLimit) {
  OpenReader fits(
      write(mp4::buildFile({videoTrack(1, 4), videoTrack(2, 4), videoTrack(3, 4), textTrack(4, 5)}),
            "fits.mp4"));
  EXPECT_EQ(fits.infoRc, 0);
  EXPECT_EQ(fits.info.videoCount, 3u);
  Traces traces;
  OpenReader over(write(
      mp4::buildFile({videoTrack(1, 4), videoTrack(2, 4), videoTrack(3, 4), videoTrack(4, 4)}),
      "over.mp4"));
  EXPECT_EQ(over.rc, 0);
  EXPECT_EQ(over.infoRc, KRNSTREAM_ERR_NOMEM);
  EXPECT_TRUE(traces.has(L"[Reader]\t\tMP4ReaderParseStbl - KRNStreamBuf_Index error!!!"));
}

TEST_F(Mp4Test, SkipEndDeliversTheFrameButEndsTheRead) {
  OpenReader r(write(mp4::buildFile({textTrack(1, 10)})));
  ASSERT_EQ(r.infoRc, 0);
  EXPECT_EQ(KRNReaderSetSkip(r.reader, 0, 250, 1, 0), 1);
  std::vector<uint8_t> buf(100);
  KRNReaderFrame f;
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), KRNSTREAM_ERR_EOD);
  EXPECT_EQ(f.time, 300);
  EXPECT_EQ(f.size, 68u);
  EXPECT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), KRNSTREAM_ERR_EOD);  // already past
}

TEST_F(Mp4Test, TimeDeltaShiftsDeliveredTimes) {
  OpenReader r(write(mp4::buildFile({textTrack(1, 3)})));
  ASSERT_EQ(r.infoRc, 0);
  KRNReaderSetTimeDelta(r.reader, 500, KRN_MEDIA_TEXT);
  KRNReaderSetTimeDelta(r.reader, 20, KRN_MEDIA_TEXT);
  std::vector<uint8_t> buf(100);
  KRNReaderFrame f;
  r.read(KRN_MEDIA_TEXT, 0, buf, f);
  r.read(KRN_MEDIA_TEXT, 0, buf, f);
  EXPECT_EQ(f.time, 620);
  KRNReaderSetTimeDelta(r.reader, 0, KRN_MEDIA_TEXT);
  r.read(KRN_MEDIA_TEXT, 0, buf, f);
  EXPECT_EQ(f.time, 200);
}

TEST_F(Mp4Test, SeeksLandOnSyncSamplesAndTimes) {
  mp4::TrackDescription v = videoTrack(1, 9);
  v.syncSamples = {1, 4, 7};
  OpenReader r(write(mp4::buildFile({v, textTrack(2, 4)})));
  ASSERT_EQ(r.infoRc, 0);
  std::vector<uint8_t> buf(1024);
  KRNReaderFrame f;
  uint32_t t = 190;  // frame 5 (index) starts at 166.8 ms; sync before it is frame 3 (100 ms)
  ASSERT_EQ(KRNReaderSeekByKeyFrame(r.reader, &t, 1), 1);
  EXPECT_EQ(t, 100u);
  ASSERT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), 0);
  EXPECT_EQ(f.time, 100);
  EXPECT_EQ(f.keyFrame, KRN_FRAME_KEY);
  EXPECT_EQ(buf[4], 0x41);
  EXPECT_EQ(f.size, 4u + 13);  // the fourth sample
  ASSERT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(f.time, 100);  // text follows the video's time

  t = 140;  // nearest sync to 140 ms: 100 ms (frame 3) rather than 200 ms (frame 6)
  ASSERT_EQ(KRNReaderSeekByTime(r.reader, &t, 0), 1);
  EXPECT_EQ(t, 100u);
  t = 160;
  ASSERT_EQ(KRNReaderSeekByTime(r.reader, &t, 0), 1);
  EXPECT_EQ(t, 200u);
  t = 190;  // exact: the frame at or before 190 ms (166 ms), then its sync sample
  ASSERT_EQ(KRNReaderSeekByTime(r.reader, &t, 1), 1);
  EXPECT_EQ(t, 100u);
  ASSERT_EQ(r.read(KRN_MEDIA_VIDEO, 0, buf, f), 0);
  EXPECT_EQ(f.size, 4u + 13);
  EXPECT_EQ(f.keyFrame, KRN_FRAME_KEY);
  t = 0;
  ASSERT_EQ(KRNReaderSeekByMedia(r.reader, &t, KRN_MEDIA_TEXT), 1);
  ASSERT_EQ(r.read(KRN_MEDIA_TEXT, 0, buf, f), 0);
  EXPECT_EQ(f.time, 0);
}

TEST_F(Mp4Test, FilesOf4GiBAreRefusedAtOpen) {
  std::string p = dir_.path("huge.mp4");
  mp4::writeFile(p, mp4::buildFile({textTrack(1, 2)}));
  ASSERT_EQ(truncate(p.c_str(), (4ll << 30) + 100), 0);
  OpenReader r(p);
  EXPECT_EQ(r.rc, KRNSTREAM_ERR_FORMAT);
}
