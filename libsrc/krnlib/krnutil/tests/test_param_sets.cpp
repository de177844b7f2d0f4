// H.264/H.265 configuration records and parameter sets, checked against
// streams made by libx264/libx265 and against what ffprobe reads from them.
#include <memory>

#include "media.h"

using media::Bytes;

namespace {

const uint32_t kAvc1 = KRNUTIL_FOURCC('a', 'v', 'c', '1');
const uint32_t kHvc1 = KRNUTIL_FOURCC('h', 'v', 'c', '1');

std::string x264Mp4() {
  return media::make(
      "x264.mp4",
      "-f lavfi -i testsrc=size=1280x720:rate=30 -t 1 -c:v libx264 -preset superfast "
      "-profile:v high -pix_fmt yuv420p");
}

std::string x265Mp4() {
  return media::make("x265.mp4",
                     "-f lavfi -i testsrc=size=1280x720:rate=30 -t 1 -pix_fmt yuv420p -c:v libx265 "
                     "-preset ultrafast -x265-params log-level=error -tag:v hvc1");
}

// The Annex B form ffmpeg itself makes of an MP4 track.
std::string annexB(const std::string &mp4, const std::string &name, const char *filter,
                   const char *format) {
  return media::make(name, "-i '" + mp4 + "' -c copy -bsf:v " + filter + " -f " + format);
}

std::vector<Bytes> unitsOfType(const Bytes &stream, bool hevc, uint32_t type) {
  std::vector<Bytes> found;
  for (const Bytes &u : media::annexBUnits(stream)) {
    if (u.empty()) continue;
    uint32_t t = hevc ? (u[0] >> 1) & 0x3F : u[0] & 0x1F;
    if (t == type) found.push_back(u);
  }
  return found;
}

// A block of exactly the data's size, so that a read or write past it is
// caught by the sanitizer builds.
struct Exact {
  explicit Exact(const Bytes &data) : size(uint32_t(data.size())), bytes(new uint8_t[data.size()]) {
    if (!data.empty()) memcpy(bytes.get(), data.data(), data.size());
  }
  Bytes view() const { return Bytes(bytes.get(), bytes.get() + size); }
  uint32_t size;
  std::unique_ptr<uint8_t[]> bytes;
};

Bytes avcRecord(const std::vector<Bytes> &sps, const std::vector<Bytes> &pps) {
  Bytes r = {1, 100, 0, 31, 0xFF, uint8_t(0xE0 | sps.size())};
  for (const Bytes &s : sps) {
    r.push_back(uint8_t(s.size() >> 8));
    r.push_back(uint8_t(s.size()));
    r.insert(r.end(), s.begin(), s.end());
  }
  r.push_back(uint8_t(pps.size()));
  for (const Bytes &p : pps) {
    r.push_back(uint8_t(p.size() >> 8));
    r.push_back(uint8_t(p.size()));
    r.insert(r.end(), p.begin(), p.end());
  }
  return r;
}

Bytes hevcArrays(const std::vector<std::pair<uint8_t, std::vector<Bytes>>> &arrays) {
  Bytes r = {uint8_t(arrays.size())};
  for (const auto &a : arrays) {
    r.push_back(a.first);
    r.push_back(uint8_t(a.second.size() >> 8));
    r.push_back(uint8_t(a.second.size()));
    for (const Bytes &u : a.second) {
      r.push_back(uint8_t(u.size() >> 8));
      r.push_back(uint8_t(u.size()));
      r.insert(r.end(), u.begin(), u.end());
    }
  }
  return r;
}

Bytes hevcRecord(const std::vector<std::pair<uint8_t, std::vector<Bytes>>> &arrays) {
  Bytes r(22, 0);
  r[0] = 1;
  r[1] = 1;
  r[12] = 93;
  Bytes tail = hevcArrays(arrays);
  r.insert(r.end(), tail.begin(), tail.end());
  return r;
}

Bytes seq(size_t n, uint8_t first) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(first + i);
  return b;
}

}  // namespace

// ---------------------------------------------------------------------------
// H.264 "avcC"

TEST(AvcConfig, RealRecordSummaryMatchesFfprobe) {
  Bytes avcC = media::boxPayload(media::read(x264Mp4()), "avcC");
  ASSERT_GT(avcC.size(), 10u);
  auto probe = media::probe(x264Mp4(), "v:0", "profile,level");

  KRNUtilH264Info info = {};
  ASSERT_TRUE(KRNUtil_GetH264Info(avcC.data(), uint32_t(avcC.size()), 0, &info));
  EXPECT_EQ(probe["profile"], "High");
  EXPECT_EQ(info.profile, 100u);
  EXPECT_EQ(info.level, media::probeNumber(probe, "level"));
  EXPECT_EQ(info.nalLengthSize, 4u);

  // The record may sit behind a box header the caller did not strip.
  Bytes boxed = {0, 0, 0, 0, 'a', 'v', 'c', 'C'};
  boxed.insert(boxed.end(), avcC.begin(), avcC.end());
  KRNUtilH264Info again = {};
  ASSERT_TRUE(KRNUtil_GetH264Info(boxed.data(), uint32_t(boxed.size()), 8, &again));
  EXPECT_EQ(again.level, info.level);
  EXPECT_FALSE(KRNUtil_GetH264Info(boxed.data(), uint32_t(boxed.size()), 100000, &again));

  // AVC takes its picture size from the container: nothing is written.
  KRNUtilVideoInfo video = {};
  video.codec = kAvc1;
  EXPECT_TRUE(KRNUtil_GetVideoInfo(avcC.data(), uint32_t(avcC.size()), &video));
  EXPECT_EQ(video.width, 0u);
  EXPECT_EQ(video.height, 0u);
}

TEST(AvcConfig, StartCodeFormMatchesFfmpegAnnexB) {
  std::string mp4 = x264Mp4();
  Bytes avcC = media::boxPayload(media::read(mp4), "avcC");
  Bytes stream = media::read(annexB(mp4, "x264.h264", "h264_mp4toannexb", "h264"));
  std::vector<Bytes> sps = unitsOfType(stream, false, 7);
  std::vector<Bytes> pps = unitsOfType(stream, false, 8);
  ASSERT_FALSE(sps.empty());
  ASSERT_FALSE(pps.empty());

  Exact data(avcC);
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length));
  Bytes converted(data.bytes.get(), data.bytes.get() + length);
  EXPECT_EQ(converted, media::startCodeForm({sps[0], pps[0]}));

  // Already in start-code form: left alone.
  uint32_t again = length;
  ASSERT_TRUE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &again));
  EXPECT_EQ(again, length);
  EXPECT_EQ(Bytes(data.bytes.get(), data.bytes.get() + again), converted);
}

TEST(AvcConfig, RecordRebuiltFromStartCodesMatchesFfmpeg) {
  Bytes avcC = media::boxPayload(media::read(x264Mp4()), "avcC");
  Bytes converted = avcC;
  uint32_t length = uint32_t(converted.size());
  ASSERT_TRUE(KRNUtil_ConvH264InfoToStartCode(converted.data(), &length));
  converted.resize(length);

  KRNUtilH264Info info = {};
  ASSERT_TRUE(KRNUtil_GetH264Info(avcC.data(), uint32_t(avcC.size()), 0, &info));
  Bytes rebuilt(converted.size() + 7);
  uint32_t rebuiltLength = 0;
  ASSERT_TRUE(UtilConvH264InfoFromStartCode(converted.data(), uint32_t(converted.size()),
                                            rebuilt.data(), &rebuiltLength, &info));
  EXPECT_EQ(rebuiltLength, converted.size() - 2 * 2 + 7);
  rebuilt.resize(rebuiltLength);
  // ffmpeg appends the High-profile chroma and bit-depth bytes after the PPS.
  ASSERT_LE(rebuilt.size(), avcC.size());
  EXPECT_EQ(rebuilt, Bytes(avcC.begin(), avcC.begin() + long(rebuilt.size())));

  // Without a summary the header comes from the SPS itself.
  Bytes fromSps(converted.size() + 7);
  uint32_t fromSpsLength = 0;
  ASSERT_TRUE(UtilConvH264InfoFromStartCode(converted.data(), uint32_t(converted.size()),
                                            fromSps.data(), &fromSpsLength, nullptr));
  fromSps.resize(fromSpsLength);
  EXPECT_EQ(fromSps, rebuilt);
}

TEST(AvcConfig, FromStartCodeRejectsMissingData) {
  media::TraceLines trace(L"utilvideo:1");
  uint8_t out[16];
  uint32_t outLength = 0;
  EXPECT_FALSE(UtilConvH264InfoFromStartCode(nullptr, 0, out, &outLength, nullptr));
  EXPECT_TRUE(trace.has(L"ERROR:[utilvideo] krnutil_video:"));
  EXPECT_TRUE(trace.has(L"(UtilConvH264InfoFromStartCode) : No codec data!\n"));
  // Only a PPS: no SPS to describe the stream.
  const uint8_t ppsOnly[] = {0, 0, 0, 1, 0x68, 0xEF, 0x8F, 0xCB};
  EXPECT_FALSE(UtilConvH264InfoFromStartCode(ppsOnly, sizeof(ppsOnly), out, &outLength, nullptr));
}

TEST(AvcConfig, TwentyFiveByteSpsAndFourBytePps) {
  Bytes sps = seq(25, 0x67);
  Bytes pps = seq(4, 0x68);
  Exact data(avcRecord({sps}, {pps}));
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length));
  ASSERT_EQ(length, 37u);
  EXPECT_EQ(Bytes(data.bytes.get(), data.bytes.get() + length), media::startCodeForm({sps, pps}));
}

TEST(AvcConfig, SpsNotFirstOrAbsent) {
  Bytes notSps = avcRecord({{0x68, 1, 2, 3}}, {});
  KRNUtilH264Info info = {};
  EXPECT_FALSE(KRNUtil_GetH264Info(notSps.data(), uint32_t(notSps.size()), 0, &info));
  KRNUtilVideoInfo video = {};
  video.codec = KRNUTIL_FOURCC('H', '2', '6', '4');
  EXPECT_FALSE(KRNUtil_GetVideoInfo(notSps.data(), uint32_t(notSps.size()), &video));
  Bytes none = avcRecord({}, {});
  EXPECT_FALSE(KRNUtil_GetH264Info(none.data(), uint32_t(none.size()), 0, &info));
}

TEST(AvcConfig, LengthsRunningPastTheRecordAreRefused) {
  Bytes record = avcRecord({seq(25, 0x67)}, {seq(4, 0x68)});
  // Every cut inside the SPS or the PPS is malformed and must leave the data alone.
  for (size_t cut = 6; cut < record.size(); ++cut) {
    Exact data(Bytes(record.begin(), record.begin() + long(cut)));
    uint32_t length = data.size;
    bool ok = KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length);
    bool spsWhole = cut >= 6 + 2 + 25;
    bool ppsCountSkipped = spsWhole && cut - (6 + 2 + 25) < 5;
    EXPECT_EQ(ok, ppsCountSkipped) << "cut " << cut;
    if (!ok) {
      EXPECT_EQ(length, cut);
      EXPECT_EQ(data.view(), Bytes(record.begin(), record.begin() + long(cut)));
    }
  }
  KRNUtilH264Info info = {};
  for (size_t cut = 0; cut < 12; ++cut) {
    EXPECT_FALSE(KRNUtil_GetH264Info(record.data(), uint32_t(cut), 0, &info)) << cut;
  }
}

TEST(AvcConfig, StartCodeFormThatWouldOutgrowTheRecordIsRefused) {
  // Five one-byte units: 2 + 1 bytes each in the record, 4 + 1 in start-code form.
  Bytes record = avcRecord({{0x67}, {0x67}, {0x67}}, {{0x68}, {0x68}});
  Exact data(record);
  uint32_t length = data.size;
  EXPECT_FALSE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(length, record.size());
  EXPECT_EQ(data.view(), record);
}

// ---------------------------------------------------------------------------
// H.265 "hvcC" and parameter sets

TEST(HevcConfig, RecordHeaderMatchesFfprobe) {
  std::string mp4 = x265Mp4();
  Bytes hvcC = media::boxPayload(media::read(mp4), "hvcC");
  ASSERT_GT(hvcC.size(), 23u);
  auto probe = media::probe(mp4, "v:0", "profile,level");
  KRNUtilVideoInfo video = {};
  video.codec = kHvc1;
  ASSERT_TRUE(KRNUtil_GetVideoInfo(hvcC.data(), uint32_t(hvcC.size()), &video));
  EXPECT_EQ(probe["profile"], "Main");
  EXPECT_EQ(video.h265Profile, 1u);
  EXPECT_EQ(video.h265Level, media::probeNumber(probe, "level"));

  KRNUtilHEVCConfig config = {};
  ASSERT_TRUE(UtilConvH265Info(hvcC.data(), uint32_t(hvcC.size()), &config));
  EXPECT_EQ(config.compatibilityFlags & 0x40000000u, 0x40000000u);  // Main compatible
  EXPECT_FALSE(UtilConvH265Info(hvcC.data(), 12, &config));
}

TEST(HevcConfig, StartCodeFormMatchesFfmpegAnnexB) {
  std::string mp4 = x265Mp4();
  Bytes hvcC = media::boxPayload(media::read(mp4), "hvcC");
  Bytes stream = media::read(annexB(mp4, "x265.hevc", "hevc_mp4toannexb", "hevc"));
  std::vector<Bytes> vps = unitsOfType(stream, true, 32);
  std::vector<Bytes> sps = unitsOfType(stream, true, 33);
  std::vector<Bytes> pps = unitsOfType(stream, true, 34);
  ASSERT_FALSE(vps.empty());
  ASSERT_FALSE(sps.empty());
  ASSERT_FALSE(pps.empty());

  Exact data(hvcC);
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(data.bytes.get(), &length));
  Bytes converted(data.bytes.get(), data.bytes.get() + length);
  EXPECT_EQ(converted, media::startCodeForm({vps[0], sps[0], pps[0]}));

  // The array form keeps every unit, the SEI array of x265 included.
  Exact arrays(Bytes(hvcC.begin() + 22, hvcC.end()));
  uint32_t arraysLength = arrays.size;
  ASSERT_TRUE(KRNUtil_ConvH265InfoToStartCode(arrays.bytes.get(), &arraysLength));
  Bytes all(arrays.bytes.get(), arrays.bytes.get() + arraysLength);
  ASSERT_GT(all.size(), converted.size());
  EXPECT_EQ(Bytes(all.begin(), all.begin() + long(converted.size())), converted);
  EXPECT_EQ(media::annexBUnits(all).size(), size_t(hvcC[22]));
}

TEST(HevcConfig, PictureSizeFromParameterSetsMatchesFfprobe) {
  std::string mp4 = x265Mp4();
  Bytes hvcC = media::boxPayload(media::read(mp4), "hvcC");
  uint32_t length = uint32_t(hvcC.size());
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(hvcC.data(), &length));
  auto probe = media::probe(mp4, "v:0", "width,height,level");

  KRNUtilH265Info info;
  ASSERT_TRUE(UtilConvH265InfoFromStartCode(hvcC.data(), length, &info));
  EXPECT_EQ(info.width, media::probeNumber(probe, "width"));
  EXPECT_EQ(info.height, media::probeNumber(probe, "height"));
  EXPECT_EQ(info.chromaFormatIdc, 1u);
  EXPECT_EQ(info.spsPtl.profileIdc, 1u);
  EXPECT_EQ(info.spsPtl.levelIdc, media::probeNumber(probe, "level"));
  EXPECT_EQ(info.vpsPtl.levelIdc, info.spsPtl.levelIdc);
  EXPECT_EQ(info.vpsBaseLayerInternal, 1u);
  EXPECT_EQ(info.vpsBaseLayerAvailable, 1u);
  EXPECT_EQ(info.spsId, 0u);
  // The unit pointers point into the caller's data at each NAL header.
  ASSERT_NE(info.vps, nullptr);
  ASSERT_NE(info.pps, nullptr);
  EXPECT_EQ(info.vps, hvcC.data() + 4);
  EXPECT_EQ(info.vps[0], 0x40);
  EXPECT_EQ(info.sps[0], 0x42);
  EXPECT_EQ(info.pps[0], 0x44);
  EXPECT_EQ(info.vpsLength + info.spsLength + info.ppsLength + 12, length);
}

// Streams straight out of the encoder, in shapes that move the picture size
// around inside the SPS.
struct HevcShape {
  const char *name;
  const char *args;
  uint32_t chroma;
  uint32_t subLayersMinus1;
};

class HevcShapes : public ::testing::TestWithParam<HevcShape> {};

TEST_P(HevcShapes, PictureSizeMatchesFfprobe) {
  const HevcShape &shape = GetParam();
  std::string path = media::make(
      std::string(shape.name) + ".hevc",
      std::string("-f lavfi -i testsrc=size=640x360:rate=30 -t 0.3 -c:v libx265 -preset "
                  "ultrafast -f hevc ") +
          shape.args);
  Bytes stream = media::read(path);
  // The SPS holds the coded size; 360 lines are coded as 368 with a cropping window.
  auto probe = media::probe(path, "v:0", "coded_width,coded_height");
  KRNUtilH265Info info;
  ASSERT_TRUE(UtilConvH265InfoFromStartCode(stream.data(), uint32_t(stream.size()), &info));
  EXPECT_EQ(info.chromaFormatIdc, shape.chroma);
  EXPECT_EQ(info.spsMaxSubLayersMinus1, shape.subLayersMinus1);
  EXPECT_EQ(info.vpsMaxSubLayersMinus1, shape.subLayersMinus1);
  EXPECT_EQ(info.width, media::probeNumber(probe, "coded_width"));
  EXPECT_EQ(info.height, media::probeNumber(probe, "coded_height"));
}

INSTANTIATE_TEST_SUITE_P(
    Encoder, HevcShapes,
    ::testing::Values(HevcShape{"yuv420", "-pix_fmt yuv420p -x265-params log-level=error", 1, 0},
                      HevcShape{"yuv444", "-pix_fmt yuv444p -x265-params log-level=error", 3, 0},
                      HevcShape{"yuv422", "-pix_fmt yuv422p -x265-params log-level=error", 2, 0},
                      HevcShape{"sublayers",
                                "-pix_fmt yuv420p -x265-params log-level=error:temporal-layers=1",
                                1, 1}),
    [](const ::testing::TestParamInfo<HevcShape> &p) { return std::string(p.param.name); });

TEST(HevcConfig, OnlyFirstUnitOfTheFirstThreeArrays) {
  Bytes vps1 = seq(6, 0x40), vps2 = seq(5, 0x41);
  Bytes sps1 = seq(9, 0x42), sps2 = seq(3, 0x43);
  Bytes pps1 = seq(4, 0x44);
  Bytes sei = seq(7, 0x4E);
  Bytes record =
      hevcRecord({{0xA0, {vps1, vps2}}, {0xA1, {sps1, sps2}}, {0xA2, {pps1}}, {0x27, {sei}}});
  Exact data(record);
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(Bytes(data.bytes.get(), data.bytes.get() + length),
            media::startCodeForm({vps1, sps1, pps1}));

  Bytes arrays(record.begin() + 22, record.end());
  Exact every(arrays);
  uint32_t everyLength = every.size;
  ASSERT_TRUE(KRNUtil_ConvH265InfoToStartCode(every.bytes.get(), &everyLength));
  EXPECT_EQ(Bytes(every.bytes.get(), every.bytes.get() + everyLength),
            media::startCodeForm({vps1, vps2, sps1, sps2, pps1, sei}));
}

TEST(HevcConfig, FewerArraysAndEmptyArrays) {
  Bytes vps = seq(6, 0x40), sps = seq(9, 0x42);
  Exact twoArrays(hevcRecord({{0xA0, {vps}}, {0xA1, {sps}}}));
  uint32_t length = twoArrays.size;
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(twoArrays.bytes.get(), &length));
  EXPECT_EQ(Bytes(twoArrays.bytes.get(), twoArrays.bytes.get() + length),
            media::startCodeForm({vps, sps}));

  Exact emptyArray(hevcRecord({{0xA0, {vps}}, {0xA1, {}}, {0xA2, {sps}}}));
  length = emptyArray.size;
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(emptyArray.bytes.get(), &length));
  EXPECT_EQ(Bytes(emptyArray.bytes.get(), emptyArray.bytes.get() + length),
            media::startCodeForm({vps, sps}));
}

TEST(HevcConfig, TruncatedRecordsAreRefusedUntouched) {
  Bytes hvcC = media::boxPayload(media::read(x265Mp4()), "hvcC");
  ASSERT_GT(hvcC.size(), 23u);
  // The first three arrays end where the SEI array begins.
  size_t pos = 23;
  for (int a = 0; a < 3; ++a) {
    uint32_t count = (uint32_t(hvcC[pos + 1]) << 8) | hvcC[pos + 2];
    pos += 3;
    for (uint32_t u = 0; u < count; ++u) pos += 2 + ((size_t(hvcC[pos]) << 8) | hvcC[pos + 1]);
  }
  for (size_t cut = 0; cut < pos; ++cut) {
    Bytes prefix(hvcC.begin(), hvcC.begin() + long(cut));
    Exact data(prefix);
    uint32_t length = data.size;
    EXPECT_FALSE(KRNUtil_ConvHEVCInfoToStartCode(data.bytes.get(), &length)) << "cut " << cut;
    EXPECT_EQ(length, cut);
    EXPECT_EQ(data.view(), prefix);
  }
  Bytes arrays(hvcC.begin() + 22, hvcC.end() - 1);
  Exact data(arrays);
  uint32_t length = data.size;
  EXPECT_FALSE(KRNUtil_ConvH265InfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(data.view(), arrays);
}

TEST(HevcConfig, ArrayFormThatWouldOutgrowItsDataIsRefused) {
  Bytes arrays = hevcArrays({{0xA0, {{0x40}, {0x40}, {0x40}, {0x40}}}});
  Exact data(arrays);
  uint32_t length = data.size;
  EXPECT_FALSE(KRNUtil_ConvH265InfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(length, arrays.size());
  EXPECT_EQ(data.view(), arrays);
}

TEST(HevcParameterSets, CutShortOrMissingUnitsFail) {
  std::string mp4 = x265Mp4();
  Bytes hvcC = media::boxPayload(media::read(mp4), "hvcC");
  uint32_t length = uint32_t(hvcC.size());
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(hvcC.data(), &length));
  hvcC.resize(length);
  KRNUtilH265Info info;
  ASSERT_TRUE(UtilConvH265InfoFromStartCode(hvcC.data(), length, &info));
  size_t spsEnd = size_t(info.sps - hvcC.data()) + info.spsLength;

  // An SPS cut before its picture size cannot give one.
  size_t spsStart = size_t(info.sps - hvcC.data());
  for (size_t cut = spsStart + 2; cut < spsStart + 20; ++cut) {
    Exact data(Bytes(hvcC.begin(), hvcC.begin() + long(cut)));
    EXPECT_FALSE(UtilConvH265InfoFromStartCode(data.bytes.get(), data.size, &info)) << cut;
  }
  Exact whole(Bytes(hvcC.begin(), hvcC.begin() + long(spsEnd)));
  EXPECT_TRUE(UtilConvH265InfoFromStartCode(whole.bytes.get(), whole.size, &info));
  EXPECT_EQ(info.pps, nullptr);

  // Without a VPS there is nothing to describe.
  Bytes noVps(hvcC.begin() + long(spsStart - 4), hvcC.end());
  EXPECT_FALSE(UtilConvH265InfoFromStartCode(noVps.data(), uint32_t(noVps.size()), &info));

  media::TraceLines trace(L"utilvideo:1");
  EXPECT_FALSE(UtilConvH265InfoFromStartCode(nullptr, 0, &info));
  EXPECT_TRUE(trace.has(L"(UtilConvH265InfoFromStartCode) : No codec data!\n"));
}

// ---------------------------------------------------------------------------
// Frames and extra data

TEST(FrameToStartCode, LengthPrefixesBecomeStartCodes) {
  Bytes frame = {0, 0, 0, 3, 0x65, 1, 2, 0, 0, 0, 2, 0x41, 9};
  Exact data(frame);
  ASSERT_TRUE(UtilConvH264FrameToStartCode(data.bytes.get(), data.size));
  EXPECT_EQ(data.view(), Bytes({0, 0, 0, 1, 0x65, 1, 2, 0, 0, 0, 1, 0x41, 9}));
  // Already converted: unchanged.
  ASSERT_TRUE(UtilConvH264FrameToStartCode(data.bytes.get(), data.size));
  EXPECT_EQ(data.view(), Bytes({0, 0, 0, 1, 0x65, 1, 2, 0, 0, 0, 1, 0x41, 9}));
}

TEST(FrameToStartCode, UnitRunningPastTheFrameStopsTheConversion) {
  Bytes frame = {0, 0, 0, 2, 0x65, 1, 0, 0, 0, 9, 0x41};
  Exact data(frame);
  EXPECT_FALSE(UtilConvH264FrameToStartCode(data.bytes.get(), data.size));
  EXPECT_EQ(data.view(), Bytes({0, 0, 0, 1, 0x65, 1, 0, 0, 0, 9, 0x41}));
}

TEST(ExtraDataFromStartCode, StartCodesBecomeTwoByteLengths) {
  Bytes data = {0, 0, 0, 1, 0x67, 1, 2, 0, 0, 0, 1, 0x68, 3};
  Bytes out(data.size());
  uint32_t outLength = 99;
  EXPECT_EQ(KRNUtil_ConvH26xExtraDataFromStartCode(data.data(), uint32_t(data.size()), out.data(),
                                                   &outLength),
            2u);
  ASSERT_EQ(outLength, 9u);
  out.resize(outLength);
  EXPECT_EQ(out, Bytes({0, 3, 0x67, 1, 2, 0, 2, 0x68, 3}));
}

TEST(ExtraDataFromStartCode, RealParameterSetsRoundTrip) {
  Bytes hvcC = media::boxPayload(media::read(x265Mp4()), "hvcC");
  uint32_t length = uint32_t(hvcC.size());
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(hvcC.data(), &length));
  Exact out(Bytes(length, 0));
  uint32_t outLength = 0;
  uint32_t last =
      KRNUtil_ConvH26xExtraDataFromStartCode(hvcC.data(), length, out.bytes.get(), &outLength);
  std::vector<Bytes> units = media::annexBUnits(Bytes(hvcC.begin(), hvcC.begin() + length));
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(last, units[2].size());
  EXPECT_EQ(outLength, length - 3 * 2);
  // Read back as length-prefixed units.
  Bytes written = out.view();
  size_t pos = 0;
  for (const Bytes &u : units) {
    ASSERT_LE(pos + 2, size_t(outLength));
    size_t n = (size_t(written[pos]) << 8) | written[pos + 1];
    ASSERT_EQ(n, u.size());
    EXPECT_EQ(Bytes(written.begin() + long(pos + 2), written.begin() + long(pos + 2 + n)), u);
    pos += 2 + n;
  }
}
