// MPEG-4 Part 2 and MPEG-1/2 sequence headers, start codes, emulation
// prevention and the elementary-stream frame cutter.
#include <algorithm>
#include <string>

#include "media.h"

using media::Bytes;

namespace {

KRNUtilVideoInfo describe(const Bytes &data, uint32_t codec, bool *ok) {
  KRNUtilVideoInfo video = {};
  video.codec = codec;
  *ok = KRNUtil_GetVideoInfo(data.data(), uint32_t(data.size()), &video);
  return video;
}

std::wstring wide(const std::string &s) {
  return std::wstring(s.begin(), s.end());
}

// Most significant bit first, as the VOL header is written.
class BitWriter {
 public:
  void put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) bits_.push_back((value >> i) & 1);
  }
  Bytes bytes() const {
    Bytes out = {0, 0, 1, 0x20};
    for (size_t i = 0; i < bits_.size(); i += 8) {
      uint8_t b = 0;
      for (size_t k = 0; k < 8; ++k)
        b = uint8_t(b << 1 | (i + k < bits_.size() ? bits_[i + k] : 0));
      out.push_back(b);
    }
    return out;
  }

 private:
  std::vector<int> bits_;
};

struct VolShape {
  bool layerId;
  uint32_t verid;
  bool extendedPar;
  bool vbv;
  uint32_t shape;
  uint32_t resolution;
  uint32_t sprite;
  uint32_t quantType;
};

// A video object layer header with the given choices and a 176x144 picture.
Bytes vol(const VolShape &s) {
  BitWriter w;
  w.put(0, 1);  // random accessible
  w.put(1, 8);  // simple object
  w.put(s.layerId, 1);
  if (s.layerId) {
    w.put(s.verid, 4);
    w.put(1, 3);
  }
  w.put(s.extendedPar ? 15 : 1, 4);
  if (s.extendedPar) w.put(0xABCD, 16);
  w.put(s.vbv ? 1 : 0, 1);  // control parameters
  if (s.vbv) {
    w.put(1, 2);
    w.put(0, 1);
    w.put(1, 1);
    w.put(0x7FFFF, 19);
    w.put(0xFFFFFFFF, 32);
    w.put(0x3FFFFFFF, 28);
  }
  w.put(s.shape, 2);
  w.put(1, 1);
  w.put(s.resolution, 16);
  w.put(1, 1);
  w.put(1, 1);  // fixed rate
  int bits = 1;
  while (bits < 16 && (1u << bits) < s.resolution) ++bits;
  w.put(1, bits);
  w.put(1, 1);
  w.put(176, 13);
  w.put(1, 1);
  w.put(144, 13);
  w.put(1, 1);
  w.put(0, 1);  // interlaced
  w.put(1, 1);  // OBMC disable
  w.put(s.sprite, s.layerId && s.verid != 1 ? 2 : 1);
  w.put(0, 1);  // not 8 bit
  w.put(s.quantType, 1);
  if (s.quantType) {
    w.put(1, 1);  // intra matrix, ended early by a zero
    for (int i = 0; i < 10; ++i) w.put(16, 8);
    w.put(0, 8);
    w.put(0, 1);
  }
  w.put(0xFFFF, 16);  // rest of the header
  return w.bytes();
}

const uint32_t kMp4v = KRNUTIL_FOURCC('M', 'P', '4', 'V');
const uint32_t kMpeg = KRNUTIL_FOURCC('M', 'P', 'E', 'G');

}  // namespace

// ---------------------------------------------------------------------------
// MPEG-4 Part 2

struct Mpeg4Stream {
  const char *name;
  const char *args;
  uint32_t codec;
};

class Mpeg4Streams : public ::testing::TestWithParam<Mpeg4Stream> {};

TEST_P(Mpeg4Streams, PictureSizeMatchesFfprobe) {
  const Mpeg4Stream &s = GetParam();
  std::string path = media::make(std::string(s.name) + ".m4v", s.args);
  Bytes data = media::read(path);
  auto probe = media::probe(path, "v:0", "width,height");
  bool ok = false;
  KRNUtilVideoInfo video = describe(data, s.codec, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(video.width, media::probeNumber(probe, "width"));
  EXPECT_EQ(video.height, media::probeNumber(probe, "height"));
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, Mpeg4Streams,
    ::testing::Values(
        Mpeg4Stream{"mpeg4", "-f lavfi -i testsrc=size=352x288:rate=25 -t 0.2 -c:v mpeg4 -f m4v",
                    kMp4v},
        Mpeg4Stream{"mpeg4quant",
                    "-f lavfi -i testsrc=size=640x480:rate=30000/1001 -t 0.2 -c:v mpeg4 "
                    "-mpeg_quant 1 -f m4v",
                    KRNUTIL_FOURCC('M', 'P', '4', 'S')},
        Mpeg4Stream{"xvid", "-f lavfi -i testsrc=size=320x240:rate=30 -t 0.2 -c:v libxvid -f m4v",
                    KRNUTIL_FOURCC('X', 'V', 'I', 'D')}),
    [](const ::testing::TestParamInfo<Mpeg4Stream> &p) { return std::string(p.param.name); });

TEST(Mpeg4Vol, OptionalFieldsAreSteppedOver) {
  const VolShape shapes[] = {
      {false, 1, false, false, 0, 25, 0, 0}, {true, 1, true, false, 0, 30000, 0, 0},
      {true, 2, false, true, 0, 1, 0, 0},    {true, 5, true, true, 0, 65535, 0, 1},
      {false, 1, false, true, 0, 2, 0, 1},
  };
  for (const VolShape &s : shapes) {
    bool ok = false;
    KRNUtilVideoInfo video = describe(vol(s), KRNUTIL_FOURCC('D', 'I', 'V', 'X'), &ok);
    ASSERT_TRUE(ok) << s.layerId << s.verid << s.extendedPar << s.vbv << " " << s.resolution;
    EXPECT_EQ(video.width, 176u);
    EXPECT_EQ(video.height, 144u);
  }
}

TEST(Mpeg4Vol, UnsupportedHeadersFailWithTheirTrace) {
  media::TraceLines trace(L"utilvideo:1");
  bool ok = true;
  KRNUtilVideoInfo video = describe(vol({false, 1, false, false, 1, 25, 0, 0}), kMp4v, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(video.width, 0u);
  EXPECT_TRUE(trace.has(L"[DecVideo] GetMPEG4Info - Parsing Error for video_object_layer_shape\n"));

  describe(vol({true, 2, false, false, 0, 25, 2, 0}), kMp4v, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(trace.has(L"[DecVideo] GetMPEG4Info - Parsing Error for sprite_enable\n"));

  Bytes noVol = {0, 0, 1, 0xB0, 1, 0, 0, 1, 0xB5, 0x89, 0, 0, 1};
  describe(noVol, kMp4v, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(trace.has(L"[Util]\tUtilGetMPEG4Info - Parsing Error for VOL Start Code\n"));
}

TEST(Mpeg4Vol, QuantMatrixCutShortFails) {
  Bytes header = vol({false, 1, false, false, 0, 25, 0, 1});
  // Stop inside the matrix: the header is not complete.
  Bytes cut(header.begin(), header.begin() + 14);
  media::TraceLines trace(L"utilvideo:1");
  bool ok = true;
  describe(cut, kMp4v, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(trace.has(L"[DecVideo] GetMPEG4Info - Parsing Error for quant_type\n"));
  // Any shorter cut fails too, and never reads past the data.
  for (size_t n = 0; n < header.size() - 2; ++n) {
    Bytes part(header.begin(), header.begin() + long(n));
    describe(part, kMp4v, &ok);
    EXPECT_FALSE(ok) << n;
  }
}

// ---------------------------------------------------------------------------
// MPEG-1/2 video

struct MpegStream {
  const char *name;
  const char *args;
  const char *probedRate;
  uint32_t frameRate;
  uint32_t bitRate;  // 0: not checked
};

class MpegStreams : public ::testing::TestWithParam<MpegStream> {};

TEST_P(MpegStreams, SequenceHeaderMatchesFfprobe) {
  const MpegStream &s = GetParam();
  std::string path = media::make(s.name, s.args);
  Bytes data = media::read(path);
  auto probe = media::probe(path, "v:0", "width,height,r_frame_rate");
  bool ok = false;
  KRNUtilVideoInfo video = describe(data, kMpeg, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(video.width, media::probeNumber(probe, "width"));
  EXPECT_EQ(video.height, media::probeNumber(probe, "height"));
  EXPECT_EQ(probe["r_frame_rate"], s.probedRate);
  EXPECT_EQ(video.frameRate, s.frameRate);
  if (s.bitRate) {
    EXPECT_EQ(video.bitRate, s.bitRate);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, MpegStreams,
    ::testing::Values(
        MpegStream{"pal.m2v",
                   "-f lavfi -i testsrc=size=720x576:rate=25 -t 0.2 -c:v mpeg2video -b:v 4M "
                   "-maxrate 4M -bufsize 1835k -f mpeg2video",
                   "25/1", 25000, 4000000},
        // 120 Mbit/s needs the bit-rate extension above the header's 18 bits.
        MpegStream{"hd.m2v",
                   "-f lavfi -i testsrc=size=1920x1080:rate=30000/1001 -t 0.2 -c:v mpeg2video "
                   "-b:v 120M -maxrate 120M -bufsize 9000k -f mpeg2video",
                   "30000/1001", 29970, 120000000},
        // 12.5 fps is coded as 24 fps times the extension's 1/2.
        MpegStream{"half.m2v",
                   "-f lavfi -i testsrc=size=352x288:rate=12.5 -t 0.4 -c:v mpeg2video "
                   "-f mpeg2video",
                   "12/1", 12000, 0},
        MpegStream{"film.m1v",
                   "-f lavfi -i testsrc=size=352x240:rate=24000/1001 -t 0.2 -c:v mpeg1video "
                   "-f mpeg1video",
                   "24000/1001", 23975, 0}),
    [](const ::testing::TestParamInfo<MpegStream> &p) {
      std::string n = p.param.name;
      return n.substr(0, n.find('.'));
    });

TEST(MpegSequence, MissingOrCutHeader) {
  bool ok = true;
  describe(Bytes({0, 0, 1, 0xB8, 0, 0, 0}), kMpeg, &ok);
  EXPECT_FALSE(ok);
  describe(Bytes({0, 0, 1, 0xB3, 0x16, 0x01, 0x20}), kMpeg, &ok);
  EXPECT_FALSE(ok);
}

TEST(VideoInfo, UnknownCodecIsRefused) {
  Bytes data(64, 0);
  bool ok = true;
  describe(data, KRNUTIL_FOURCC('W', 'M', 'V', '3'), &ok);
  EXPECT_FALSE(ok);
}

// ---------------------------------------------------------------------------
// Emulation prevention and start codes

TEST(RemoveEpb, EscapesAreRemoved) {
  struct Case {
    Bytes in;
    Bytes out;
  };
  const Case cases[] = {
      {{0, 0, 3, 1}, {0, 0, 1}},
      {{0, 0, 3, 0, 0, 3}, {0, 0, 0, 0}},
      {{0, 3, 0, 0, 3, 3}, {0, 3, 0, 0, 3}},
      {{0, 0, 0, 3}, {0, 0, 0}},
      {{0x42, 0, 0, 3, 0, 0x9e, 0, 0, 3, 0}, {0x42, 0, 0, 0, 0x9e, 0, 0, 0}},
      {{}, {}},
  };
  for (const Case &c : cases) {
    Bytes buffer = c.in;
    buffer.push_back(0xEE);  // must not be touched
    uint32_t length = uint32_t(c.in.size());
    KRNUtil_H26xRemoveEPB(buffer.data(), &length);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), c.out);
    EXPECT_EQ(buffer.back(), 0xEE);
  }
}

TEST(FindStartCode, NeedsMoreThanFourBytes) {
  uint8_t four[] = {0, 0, 1, 0x65};
  uint8_t *cursor = four;
  uint32_t remaining = 4;
  uint32_t code = 0;
  EXPECT_FALSE(KRNUtil_FindStartCode(&cursor, &remaining, &code));
  EXPECT_EQ(cursor, four);

  uint8_t five[] = {0, 0, 1, 0x65, 0x88};
  cursor = five;
  remaining = 5;
  ASSERT_TRUE(KRNUtil_FindStartCode(&cursor, &remaining, &code));
  EXPECT_EQ(code, 0x165u);
  EXPECT_EQ(cursor, five);
}

TEST(FindStartCode, WalksEveryCodeOfARealStream) {
  std::string path = media::make(
      "scan.m2v", "-f lavfi -i testsrc=size=352x288:rate=25 -t 0.2 -c:v mpeg2video -f mpeg2video");
  Bytes data = media::read(path);
  std::vector<uint32_t> expected;
  for (size_t i = 0; i + 4 < data.size(); ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
      expected.push_back(0x100 + data[i + 3]);
  }
  std::vector<uint32_t> found;
  uint8_t *cursor = data.data();
  uint32_t remaining = uint32_t(data.size());
  uint32_t code = 0;
  while (KRNUtil_FindStartCode(&cursor, &remaining, &code)) {
    found.push_back(code);
    ASSERT_EQ(cursor + remaining, data.data() + data.size());
    cursor += 3;
    remaining -= 3;
  }
  EXPECT_EQ(found, expected);
  EXPECT_EQ(std::count(found.begin(), found.end(), 0x1B3u), 1);

  // The exact-pattern form finds the first picture.
  cursor = data.data();
  remaining = uint32_t(data.size());
  ASSERT_TRUE(KRNUtil_FindStartCode2(&cursor, &remaining, 0x00000100u));
  EXPECT_EQ(cursor[3], 0x00);
  EXPECT_GT(cursor, data.data());
  uint8_t tail[] = {0, 0, 1, 0};
  cursor = tail;
  remaining = 4;
  EXPECT_FALSE(KRNUtil_FindStartCode2(&cursor, &remaining, 0x00000100u));
}

// ---------------------------------------------------------------------------
// Frame cutter

struct EsStream {
  const char *name;
  const char *args;
  bool hevc;
};

class FrameCutter : public ::testing::TestWithParam<EsStream> {};

TEST_P(FrameCutter, CutsAsManyAccessUnitsAsFfprobeCounts) {
  const EsStream &s = GetParam();
  std::string path = media::make(s.name, s.args);
  Bytes whole = media::read(path);
  auto probe = media::probe(path, "v:0", "nb_read_frames", "-count_frames");
  uint32_t (*readOne)(KrnFile *, uint8_t *, uint32_t) =
      s.hevc ? UtilVideo_H265_ReadOneFrame : UtilVideo_H264_ReadOneFrame;

  KrnFile *file = KRN_FileOpen(wide(path).c_str(), KRN_FILE_READ);
  ASSERT_NE(file, nullptr);
  Bytes buffer(whole.size() + 16);
  Bytes joined;
  uint32_t frames = 0;
  for (;;) {
    uint32_t n = readOne(file, buffer.data(), uint32_t(buffer.size()));
    if (n == 0) break;
    ASSERT_GE(n, 4u);
    EXPECT_TRUE(buffer[0] == 0 && buffer[1] == 0 && (buffer[2] == 1 || buffer[3] == 1));
    joined.insert(joined.end(), buffer.begin(), buffer.begin() + n);
    ++frames;
  }
  KRN_FileClose(file);
  EXPECT_EQ(frames, media::probeNumber(probe, "nb_read_frames"));
  EXPECT_EQ(joined, whole);
}

TEST_P(FrameCutter, FrameLargerThanTheBufferLeavesTheFileInPlace) {
  const EsStream &s = GetParam();
  std::string path = media::make(s.name, s.args);
  uint32_t (*readOne)(KrnFile *, uint8_t *, uint32_t) =
      s.hevc ? UtilVideo_H265_ReadOneFrame : UtilVideo_H264_ReadOneFrame;
  KrnFile *file = KRN_FileOpen(wide(path).c_str(), KRN_FILE_READ);
  ASSERT_NE(file, nullptr);
  Bytes big(1 << 22);
  uint32_t first = readOne(file, big.data(), uint32_t(big.size()));
  ASSERT_GT(first, 64u);
  Bytes firstFrame(big.begin(), big.begin() + first);
  int32_t second = KRN_FileTell(file);
  uint32_t secondSize = readOne(file, big.data(), uint32_t(big.size()));
  ASSERT_GT(secondSize, 8u);
  ASSERT_EQ(KRN_FileSeek(file, second, KRN_SEEK_SET), 0);

  Bytes small(secondSize - 1);
  EXPECT_EQ(readOne(file, small.data(), uint32_t(small.size())), 0u);
  EXPECT_EQ(KRN_FileTell(file), second);
  Bytes exact(secondSize);
  EXPECT_EQ(readOne(file, exact.data(), uint32_t(exact.size())), secondSize);
  KRN_FileClose(file);
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, FrameCutter,
    ::testing::Values(EsStream{"cut.h264",
                               "-f lavfi -i testsrc=size=640x360:rate=30 -t 1 -c:v libx264 "
                               "-preset superfast -bf 3 -pix_fmt yuv420p -f h264",
                               false},
                      EsStream{"cutslices.h264",
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
