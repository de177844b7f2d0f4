// MPEG-4 Visual and MPEG-1/2 sequence headers, emulation prevention, start
// codes and the elementary-stream frame cutter.
#include <algorithm>

#include "media.h"

using media::Bytes;

namespace {

const uint32_t kMp4v = KRNUTIL_FOURCC('M', 'P', '4', 'V');

bool describe(const Bytes &data, uint32_t codec, KRNUtilVideoInfo *video) {
  *video = KRNUtilVideoInfo();
  video->codec = codec;
  return KRNUtil_GetVideoInfo(data.data(), uint32_t(data.size()), video);
}

struct Vol {
  uint32_t verid;  // 0: no layer identifier
  bool extendedPar;
  bool vbv;
  uint32_t shape;
  uint32_t resolution;
  uint32_t sprite;
  bool quantMatrix;
};

// A video object layer header for a 176x144 picture, most significant bit first.
Bytes vol(const Vol &v) {
  std::vector<int> bits;
  auto put = [&bits](uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) bits.push_back((value >> i) & 1);
  };
  put(0x11, 9);  // random accessible, object type
  put(v.verid != 0, 1);
  if (v.verid) put(v.verid << 3 | 1, 7);
  put(v.extendedPar ? 15 : 1, 4);
  if (v.extendedPar) put(0xABCD, 16);
  put(v.vbv, 1);
  if (v.vbv) put(0x9, 4), put(0xFFFFFFFF, 32), put(0xFFFFFFFF, 32), put(0x7FFF, 15);
  put(v.shape, 2);
  put(1, 1), put(v.resolution, 16), put(1, 1), put(1, 1);
  int incrementBits = 1;
  while (incrementBits < 16 && (1u << incrementBits) < v.resolution) ++incrementBits;
  put(1, incrementBits);
  put(1, 1), put(176, 13), put(1, 1), put(144, 13), put(1, 1), put(1, 2);
  put(v.sprite, v.verid > 1 ? 2 : 1);
  put(0, 1);  // 8-bit
  put(v.quantMatrix, 1);
  if (v.quantMatrix) put(1, 1), put(0x10101010, 32), put(0x1000, 16), put(0, 1);
  put(0xFFFF, 16);
  Bytes out = {0, 0, 1, 0x20};
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t b = 0;
    for (size_t k = i; k < i + 8; ++k) b = uint8_t(b << 1 | (k < bits.size() ? bits[k] : 0));
    out.push_back(b);
  }
  return out;
}

}  // namespace

struct EncodedStream {
  const char *name;
  const char *args;
  uint32_t codec;
  uint32_t frameRate = 0;  // MPEG-1/2 only
  uint32_t bitRate = 0;    // MPEG-1/2 only, 0 when not checked
};

class Mpeg4Streams : public ::testing::TestWithParam<EncodedStream> {};

TEST_P(Mpeg4Streams, PictureSizeMatchesFfprobe) {
  const EncodedStream &s = GetParam();
  std::string path = media::make(s.name, s.args);
  auto probe = media::probe(path, "v:0", "width,height");
  KRNUtilVideoInfo video;
  ASSERT_TRUE(describe(media::read(path), s.codec, &video));
  EXPECT_EQ(video.width, media::number(probe, "width"));
  EXPECT_EQ(video.height, media::number(probe, "height"));
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, Mpeg4Streams,
    ::testing::Values(
        EncodedStream{"mpeg4.m4v",
                      "-f lavfi -i testsrc=size=352x288:rate=25 -t 0.2 -c:v mpeg4 -f m4v", kMp4v},
        EncodedStream{"mpeg4quant.m4v",
                      "-f lavfi -i testsrc=size=640x480:rate=30000/1001 -t 0.2 -c:v mpeg4 "
                      "-mpeg_quant 1 -f m4v",
                      KRNUTIL_FOURCC('M', 'P', '4', 'S')},
        EncodedStream{"xvid.m4v",
                      "-f lavfi -i testsrc=size=320x240:rate=30 -t 0.2 -c:v libxvid -f m4v",
                      KRNUTIL_FOURCC('X', 'V', 'I', 'D')}),
    [](const ::testing::TestParamInfo<EncodedStream> &p) {
      return std::string(p.param.name).substr(0, std::string(p.param.name).find('.'));
    });

TEST(Mpeg4Vol, OptionalFieldsAreSteppedOver) {
  for (const Vol &v :
       {Vol{0, false, false, 0, 25, 0, false}, Vol{1, true, false, 0, 30000, 0, false},
        Vol{2, false, true, 0, 1, 0, true}, Vol{5, true, true, 0, 65535, 0, true}}) {
    KRNUtilVideoInfo video;
    ASSERT_TRUE(describe(vol(v), KRNUTIL_FOURCC('D', 'I', 'V', 'X'), &video)) << v.verid;
    EXPECT_EQ(video.width, 176u);
    EXPECT_EQ(video.height, 144u);
  }
}

TEST(Mpeg4Vol, UnsupportedOrCutHeadersFailWithTheirTrace) {
  media::TraceLines trace(L"utilvideo:1");
  KRNUtilVideoInfo video;
  EXPECT_FALSE(describe(vol({0, false, false, 1, 25, 0, false}), kMp4v, &video));
  EXPECT_EQ(video.width, 0u);
  EXPECT_TRUE(trace.has(L"[DecVideo] GetMPEG4Info - Parsing Error for video_object_layer_shape\n"));
  EXPECT_FALSE(describe(vol({2, false, false, 0, 25, 2, false}), kMp4v, &video));
  EXPECT_TRUE(trace.has(L"[DecVideo] GetMPEG4Info - Parsing Error for sprite_enable\n"));
  EXPECT_FALSE(describe({0, 0, 1, 0xB0, 1, 0, 0, 1, 0xB5, 0x89, 0, 0, 1}, kMp4v, &video));
  EXPECT_TRUE(trace.has(L"[Util]\tUtilGetMPEG4Info - Parsing Error for VOL Start Code\n"));
  Bytes header = vol({0, false, false, 0, 25, 0, true});
  EXPECT_FALSE(describe(Bytes(header.begin(), header.begin() + 14), kMp4v, &video));
  EXPECT_TRUE(trace.has(L"[DecVideo] GetMPEG4Info - Parsing Error for quant_type\n"));
  // Any cut before the end of the fields read fails, without reading past it.
  for (size_t n = 0; n < header.size() - 2; ++n) {
    EXPECT_FALSE(describe(Bytes(header.begin(), header.begin() + long(n)), kMp4v, &video)) << n;
  }
}

class MpegStreams : public ::testing::TestWithParam<EncodedStream> {};

TEST_P(MpegStreams, SequenceHeaderMatchesFfprobe) {
  const EncodedStream &s = GetParam();
  std::string path = media::make(s.name, s.args);
  auto probe = media::probe(path, "v:0", "width,height,r_frame_rate");
  KRNUtilVideoInfo video;
  ASSERT_TRUE(describe(media::read(path), s.codec, &video));
  EXPECT_EQ(video.width, media::number(probe, "width"));
  EXPECT_EQ(video.height, media::number(probe, "height"));
  std::string rate = probe["r_frame_rate"];
  double probed = std::stod(rate) * 1000 / std::stod(rate.substr(rate.find('/') + 1));
  EXPECT_NEAR(video.frameRate, probed, 1.5);  // 23.976 is shown as 23.975
  EXPECT_EQ(video.frameRate, s.frameRate);
  if (s.bitRate) {
    EXPECT_EQ(video.bitRate, s.bitRate);
  }
}

const uint32_t kMpeg = KRNUTIL_FOURCC('M', 'P', 'E', 'G');

INSTANTIATE_TEST_SUITE_P(
    Encoder, MpegStreams,
    ::testing::Values(
        EncodedStream{"pal.m2v",
                      "-f lavfi -i testsrc=size=720x576:rate=25 -t 0.2 -c:v mpeg2video -b:v 4M "
                      "-maxrate 4M -bufsize 1835k -f mpeg2video",
                      kMpeg, 25000, 4000000},
        // 120 Mbit/s needs the bit-rate extension above the header's 18 bits.
        EncodedStream{"hd.m2v",
                      "-f lavfi -i testsrc=size=1920x1080:rate=30000/1001 -t 0.2 -c:v mpeg2video "
                      "-b:v 120M -maxrate 120M -bufsize 9000k -f mpeg2video",
                      kMpeg, 29970, 120000000},
        // ffmpeg codes 12.5 fps as 24 fps times the extension's 1/2.
        EncodedStream{"half.m2v",
                      "-f lavfi -i testsrc=size=352x288:rate=12.5 -t 0.4 -c:v mpeg2video "
                      "-f mpeg2video",
                      kMpeg, 12000, 0},
        // 24000/1001 is shown as 23.975.
        EncodedStream{"film.m1v",
                      "-f lavfi -i testsrc=size=352x240:rate=24000/1001 -t 0.2 -c:v mpeg1video "
                      "-f mpeg1video",
                      kMpeg, 23975, 0}),
    [](const ::testing::TestParamInfo<EncodedStream> &p) {
      return std::string(p.param.name).substr(0, std::string(p.param.name).find('.'));
    });

TEST(VideoInfo, MissingHeadersAndUnknownCodecsFail) {
  KRNUtilVideoInfo video;
  EXPECT_FALSE(describe({0, 0, 1, 0xB8, 0, 0, 0}, kMpeg, &video));
  EXPECT_FALSE(describe({0, 0, 1, 0xB3, 0x16, 0x01, 0x20}, kMpeg, &video));
  EXPECT_FALSE(describe(Bytes(64, 0), KRNUTIL_FOURCC('W', 'M', 'V', '3'), &video));
}

TEST(RemoveEpb, EscapesAreRemoved) {
  const std::pair<Bytes, Bytes> cases[] = {
      {{0, 0, 3, 1}, {0, 0, 1}},
      {{0, 0, 3, 0, 0, 3}, {0, 0, 0, 0}},
      {{0, 3, 0, 0, 3, 3}, {0, 3, 0, 0, 3}},
      {{0x42, 0, 0, 3, 0, 0x9e, 0, 0, 0, 3}, {0x42, 0, 0, 0, 0x9e, 0, 0, 0}},
      {{}, {}},
  };
  for (const auto &c : cases) {
    Bytes buffer = c.first;
    buffer.push_back(0xEE);  // past the length: never touched
    uint32_t length = uint32_t(c.first.size());
    KRNUtil_H26xRemoveEPB(buffer.data(), &length);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), c.second);
    EXPECT_EQ(buffer.back(), 0xEE);
  }
}

TEST(FindStartCode, NeedsMoreThanFourBytes) {
  uint8_t bytes[] = {0, 0, 1, 0x65, 0x88};
  uint8_t *cursor = bytes;
  uint32_t remaining = 4, code = 0;
  EXPECT_FALSE(KRNUtil_FindStartCode(&cursor, &remaining, &code));
  EXPECT_EQ(cursor, bytes);
  remaining = 5;
  ASSERT_TRUE(KRNUtil_FindStartCode(&cursor, &remaining, &code));
  EXPECT_EQ(code, 0x165u);
  EXPECT_EQ(cursor, bytes);
}

TEST(FindStartCode, WalksEveryCodeOfARealStream) {
  Bytes data = media::read(media::make(
      "scan.m2v", "-f lavfi -i testsrc=size=352x288:rate=25 -t 0.2 -c:v mpeg2video -f mpeg2video"));
  std::vector<uint32_t> expected, found;
  for (size_t i = 0; i + 4 < data.size(); ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
      expected.push_back(0x100 + data[i + 3]);
  }
  uint8_t *cursor = data.data();
  uint32_t remaining = uint32_t(data.size()), code = 0;
  while (KRNUtil_FindStartCode(&cursor, &remaining, &code)) {
    found.push_back(code);
    ASSERT_EQ(cursor + remaining, data.data() + data.size());
    cursor += 3;
    remaining -= 3;
  }
  EXPECT_EQ(found, expected);
  cursor = data.data();
  remaining = uint32_t(data.size());
  const uint8_t picture[] = {0, 0, 1, 0};
  auto first = std::search(data.begin(), data.end(), std::begin(picture), std::end(picture));
  ASSERT_TRUE(KRNUtil_FindStartCode2(&cursor, &remaining, 0x00000100u));
  EXPECT_EQ(cursor - data.data(), first - data.begin());
}

// ---------------------------------------------------------------------------
// Frame cutter

struct EsStream {
  const char *name;
  const char *args;
  bool hevc;
};

class FrameCutter : public ::testing::TestWithParam<EsStream> {
 protected:
  uint32_t readOne(KrnFile *file, Bytes &buffer, uint32_t capacity) {
    return (GetParam().hevc ? UtilVideo_H265_ReadOneFrame : UtilVideo_H264_ReadOneFrame)(
        file, buffer.data(), capacity);
  }
  KrnFile *open() {
    std::string path = media::make(GetParam().name, GetParam().args);
    return KRN_FileOpen(std::wstring(path.begin(), path.end()).c_str(), KRN_FILE_READ);
  }
};

TEST_P(FrameCutter, CutsAsManyAccessUnitsAsFfprobeCounts) {
  std::string path = media::make(GetParam().name, GetParam().args);
  Bytes whole = media::read(path), joined, buffer(whole.size());
  KrnFile *file = open();
  ASSERT_NE(file, nullptr);
  uint32_t frames = 0;
  for (uint32_t n; (n = readOne(file, buffer, uint32_t(buffer.size()))) != 0; ++frames) {
    ASSERT_GE(n, 4u);
    EXPECT_TRUE(buffer[0] == 0 && buffer[1] == 0 && (buffer[2] == 1 || buffer[3] == 1));
    joined.insert(joined.end(), buffer.begin(), buffer.begin() + n);
  }
  KRN_FileClose(file);
  EXPECT_EQ(frames, media::number(media::probe(path, "v:0", "nb_read_frames", "-count_frames"),
                                  "nb_read_frames"));
  EXPECT_EQ(joined, whole);
}

TEST_P(FrameCutter, FrameLargerThanTheBufferLeavesTheFileInPlace) {
  KrnFile *file = open();
  ASSERT_NE(file, nullptr);
  Bytes buffer(1 << 22);
  ASSERT_GT(readOne(file, buffer, uint32_t(buffer.size())), 64u);
  int32_t second = KRN_FileTell(file);
  uint32_t size = readOne(file, buffer, uint32_t(buffer.size()));
  ASSERT_GT(size, 8u);
  ASSERT_EQ(KRN_FileSeek(file, second, KRN_SEEK_SET), 0);
  EXPECT_EQ(readOne(file, buffer, size - 1), 0u);
  EXPECT_EQ(KRN_FileTell(file), second);
  EXPECT_EQ(readOne(file, buffer, size), size);  // an exact fit is enough
  KRN_FileClose(file);
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, FrameCutter,
    ::testing::Values(EsStream{"cut.h264",
                               "-f lavfi -i testsrc=size=640x360:rate=30 -t 1 -c:v libx264 "
                               "-preset superfast -bf 3 -pix_fmt yuv420p -f h264",
                               false},
                      EsStream{"slices.h264",
                               "-f lavfi -i testsrc=size=640x360:rate=30 -t 0.5 -c:v libx264 "
                               "-preset superfast -x264-params slices=4 -pix_fmt yuv420p -f h264",
                               false},
                      EsStream{"cut.hevc",
                               "-f lavfi -i testsrc=size=640x360:rate=30 -t 1 -c:v libx265 "
                               "-preset ultrafast -pix_fmt yuv420p -x265-params "
                               "log-level=error:bframes=3 -f hevc",
                               true}),
    [](const ::testing::TestParamInfo<EsStream> &p) {
      std::string n = p.param.name;
      return n.substr(0, n.find('.')) + (p.param.hevc ? "_hevc" : "_avc");
    });
