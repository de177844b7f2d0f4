// Our MP4 reader against ffprobe, frame by frame, on files ffmpeg makes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ffprobe_oracle.h"
#include "krnstream.h"
#include "test_support.h"

namespace {

// Reads every frame of every track and compares it with ffprobe's packets:
// size, time relative to the track's first packet (ms), key mark, count.
void compareWithFfprobe(const std::string &path) {
  SCOPED_TRACE(path);
  EXPECT_EQ(oracle::errors(path), "");
  std::vector<oracle::Stream> streams = oracle::streams(path);
  std::vector<oracle::Packet> packets = oracle::packets(path);
  ASSERT_FALSE(streams.empty());

  std::wstring wpath = widen(path);
  KRNReaderParam param{};
  param.path = wpath.c_str();
  KRNReader *reader = nullptr;
  ASSERT_EQ(KRNReaderOpen(&reader, &param), 0);
  KRNReaderInfo info{};
  ASSERT_EQ(KRNReaderGetInfo(reader, &info), 0);

  std::map<int, int> perType;
  for (const oracle::Stream &s : streams) {
    SCOPED_TRACE("stream " + std::to_string(s.index) + " " + s.type);
    int type = oracle::mediaTypeOf(s.type);
    uint32_t track = static_cast<uint32_t>(perType[type]++);
    std::vector<oracle::Packet> ref;
    for (const auto &p : packets)
      if (p.stream == s.index) ref.push_back(p);
    ASSERT_FALSE(ref.empty());

    uint32_t frames = type == KRN_MEDIA_VIDEO   ? info.video[track].frameCount
                      : type == KRN_MEDIA_AUDIO ? info.audio.frameCount
                                                : info.text[track].sampleCount;
    EXPECT_EQ(frames, ref.size());

    std::vector<uint8_t> buf(1 << 20);
    size_t n = 0;
    for (;; ++n) {
      KRNReaderFrame f{};
      f.data = buf.data();
      f.capacity = static_cast<uint32_t>(buf.size());
      f.mediaType = static_cast<uint32_t>(type);
      f.track = track;
      int32_t rc = KRNReaderReadFrame(reader, &f);
      if (rc == KRNSTREAM_ERR_EOD) break;
      ASSERT_EQ(rc, 0) << "frame " << n;
      ASSERT_LT(n, ref.size());
      EXPECT_EQ(f.size, static_cast<uint32_t>(ref[n].size)) << "frame " << n;
      double refMs = (ref[n].dts - ref[0].dts) * 1000.0;
      EXPECT_NEAR(static_cast<double>(f.time), refMs, 1.0) << "frame " << n;
      EXPECT_EQ(f.keyFrame == KRN_FRAME_KEY, ref[n].key) << "frame " << n;
      if (type == KRN_MEDIA_VIDEO && f.size >= 4) {
        EXPECT_EQ(buf[0] | buf[1] | buf[2], 0) << "frame " << n;
        EXPECT_EQ(buf[3], 1) << "frame " << n;
      }
    }
    EXPECT_EQ(n, ref.size());
  }
  KRNReaderClose(reader);
}

class FfmpegFiles : public testing::Test {
 protected:
  std::string make(const std::string &name, const std::string &args) {
    std::string out = dir_.path(name);
    EXPECT_TRUE(oracle::ffmpeg(args + " '" + out + "'")) << args;
    return out;
  }
  const std::string video_ = "-f lavfi -i testsrc=size=320x240:rate=25 ";
  const std::string audio_ = "-f lavfi -i sine=frequency=440:sample_rate=44100 ";
  ScratchDir dir_;
};

}  // namespace

TEST_F(FfmpegFiles, H264WithAac) {
  compareWithFfprobe(
      make("plain.mp4", video_ + audio_ + "-t 3 -c:v libx264 -preset ultrafast -g 12 -c:a aac"));
}

TEST_F(FfmpegFiles, H264WithAacFaststartAndBFrames) {
  compareWithFfprobe(make("fast.mp4", video_ + audio_ +
                                          "-t 3 -c:v libx264 -preset fast -bf 2 -g 25 -c:a aac "
                                          "-movflags faststart"));
}

TEST_F(FfmpegFiles, H265AsHvc1AndHev1) {
  const std::string x265 = "-c:v libx265 -preset ultrafast -x265-params log-level=error:keyint=15 ";
  std::string hvc1 = make("hvc1.mp4", video_ + "-t 2 " + x265 + "-tag:v hvc1");
  std::string hev1 = make("hev1.mp4", video_ + "-t 2 " + x265 + "-tag:v hev1");
  compareWithFfprobe(hvc1);
  compareWithFfprobe(hev1);

  KRNReaderInfo info{};
  std::wstring w = widen(hvc1);
  KRNReaderParam param{};
  param.path = w.c_str();
  ASSERT_EQ(KRNReaderGetInfoFile(&param, &info), 0);
  EXPECT_EQ(info.video[0].codec, KRNUTIL_FOURCC('H', '2', '6', '5'));
  EXPECT_EQ(info.video[0].width, 320u);
  // VPS, SPS and PPS in start-code form.
  ASSERT_GT(info.video[0].configLength, 12u);
  EXPECT_EQ(info.video[0].config[3], 1);
  EXPECT_EQ(info.video[0].config[4], 0x40);
}

TEST_F(FfmpegFiles, FragmentedKeyframeRuns) {
  compareWithFfprobe(make("frag.mp4", video_ + audio_ +
                                          "-t 3 -c:v libx264 -preset ultrafast -g 10 -c:a aac "
                                          "-movflags frag_keyframe+empty_moov"));
}

TEST_F(FfmpegFiles, TwoVideoTracks) {
  std::string two = make("two.mp4", video_ + "-f lavfi -i testsrc2=size=160x120:rate=15 " +
                                        "-t 2 -map 0 -map 1 -c:v libx264 -preset ultrafast");
  compareWithFfprobe(two);
  KRNReaderInfo info{};
  std::wstring w = widen(two);
  KRNReaderParam param{};
  param.path = w.c_str();
  ASSERT_EQ(KRNReaderGetInfoFile(&param, &info), 0);
  ASSERT_EQ(info.videoCount, 2u);
  EXPECT_EQ(info.video[1].width, 160u);
  EXPECT_EQ(info.video[1].frameCount, 30u);
  EXPECT_EQ(info.video[1].frameRate, 15151u);  // 1000000 / (2000 ms / 30 frames)
}

// Camera-style recordings from our generator: every track, the text track
// included, against ffprobe, and the durations and counts it reports.
class SamplegenFiles : public testing::Test {
 protected:
  std::vector<std::string> generate(const std::string &args) {
    std::string list = oracle::run(std::string(SAMPLEGEN_PATH) + " --out '" + dir_.dir() +
                                   "' --duration 3 --size 160x90 " + args);
    std::vector<std::string> files;
    std::stringstream in(list);
    std::string line;
    while (std::getline(in, line)) {
      if (line.size() > 4 && line.compare(line.size() - 4, 4, ".mp4") == 0) files.push_back(line);
    }
    EXPECT_FALSE(files.empty()) << args;
    return files;
  }
  void checkDurations(const std::string &path) {
    SCOPED_TRACE(path);
    KRNReaderInfo info{};
    std::wstring w = widen(path);
    KRNReaderParam param{};
    param.path = w.c_str();
    ASSERT_EQ(KRNReaderGetInfoFile(&param, &info), 0);
    std::map<int, int> perType;
    for (const oracle::Stream &s : oracle::streams(path)) {
      int type = oracle::mediaTypeOf(s.type);
      uint32_t track = static_cast<uint32_t>(perType[type]++);
      uint32_t duration = type == KRN_MEDIA_VIDEO   ? info.video[track].duration
                          : type == KRN_MEDIA_AUDIO ? info.audio.duration
                                                    : info.text[track].duration;
      if (s.duration <= 0) continue;
      // ffprobe applies the edit list that hides the encoder's priming
      // samples at the start of an AAC track; the reader reports the media
      // duration, which still holds them (up to two frames of 1024 samples).
      double slack = type == KRN_MEDIA_AUDIO ? 2048.0 * 1000 / info.audio.sampleRate : 1.0;
      EXPECT_GE(duration + 1.0, s.duration * 1000) << s.type;
      EXPECT_LE(duration, s.duration * 1000 + slack) << s.type;
    }
    uint32_t longest = info.video[0].duration;
    if (info.audioCount && info.audio.duration > longest) longest = info.audio.duration;
    EXPECT_EQ(info.duration, longest);
    EXPECT_EQ(info.video[0].duration, 3000u);
  }
  ScratchDir dir_;
};

TEST_F(SamplegenFiles, SeparateChannelFilesWithAudio) {
  std::vector<std::string> files = generate("--channels 3 --layout separate --audio");
  ASSERT_EQ(files.size(), 3u);
  for (const std::string &f : files) {
    compareWithFfprobe(f);
    checkDurations(f);
  }
}

TEST_F(SamplegenFiles, ThreeTracksInOneFile) {
  std::vector<std::string> files = generate("--channels 3 --layout single --type EVT");
  ASSERT_EQ(files.size(), 1u);
  compareWithFfprobe(files[0]);
  checkDurations(files[0]);
}

TEST_F(SamplegenFiles, FragmentedH265) {
  std::vector<std::string> files =
      generate("--channels 2 --layout single --fragmented --codec h265 --hevc-tag hev1");
  ASSERT_EQ(files.size(), 1u);
  compareWithFfprobe(files[0]);
  checkDurations(files[0]);
}
