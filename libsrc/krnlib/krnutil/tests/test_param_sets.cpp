// H.264/H.265 configuration records and parameter sets, checked against
// streams made by libx264/libx265 and what ffmpeg and ffprobe make of them.
#include "media.h"

using media::Bytes;
using media::Exact;

namespace {

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

// The parameter sets of the Annex B stream ffmpeg makes from an MP4 track.
std::vector<Bytes> annexBSets(const std::string &mp4, bool hevc) {
  std::string path =
      media::make(mp4 + (hevc ? ".hevc" : ".h264"),
                  "-i 'krnutil_media/" + mp4 + "' -c copy -bsf:v " +
                      (hevc ? "hevc_mp4toannexb -f hevc" : "h264_mp4toannexb -f h264"));
  std::vector<Bytes> sets;
  for (uint32_t type : hevc ? std::vector<uint32_t>{32, 33, 34} : std::vector<uint32_t>{7, 8}) {
    for (const Bytes &u : media::annexBUnits(media::read(path))) {
      if (!u.empty() && (hevc ? (u[0] >> 1) & 0x3F : u[0] & 0x1Fu) == type) {
        sets.push_back(u);
        break;
      }
    }
  }
  return sets;
}

Bytes avcRecord(const std::vector<Bytes> &sps, const std::vector<Bytes> &pps) {
  Bytes r = {1, 100, 0, 31, 0xFF, uint8_t(0xE0 | sps.size())};
  for (const auto *list : {&sps, &pps}) {
    if (list == &pps) r.push_back(uint8_t(pps.size()));
    for (const Bytes &u : *list) {
      r.insert(r.end(), {uint8_t(u.size() >> 8), uint8_t(u.size())});
      r.insert(r.end(), u.begin(), u.end());
    }
  }
  return r;
}

// The arrays of an "hvcC" record, from the array count on.
Bytes hevcArrays(const std::vector<std::vector<Bytes>> &arrays) {
  Bytes r = {uint8_t(arrays.size())};
  for (const auto &units : arrays) {
    r.insert(r.end(), {0xA0, uint8_t(units.size() >> 8), uint8_t(units.size())});
    for (const Bytes &u : units) {
      r.insert(r.end(), {uint8_t(u.size() >> 8), uint8_t(u.size())});
      r.insert(r.end(), u.begin(), u.end());
    }
  }
  return r;
}

Bytes hevcRecord(const std::vector<std::vector<Bytes>> &arrays) {
  Bytes r(22, 0);
  r[0] = 1;
  Bytes tail = hevcArrays(arrays);
  r.insert(r.end(), tail.begin(), tail.end());
  return r;
}

Bytes run(size_t n, uint8_t first) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(first + i);
  return b;
}

}  // namespace

TEST(AvcConfig, RealRecordAgainstFfmpeg) {
  Bytes avcC = media::boxPayload(media::read(x264Mp4()), "avcC");
  ASSERT_GT(avcC.size(), 10u);
  auto probe = media::probe(x264Mp4(), "v:0", "profile,level");
  KRNUtilH264Info info = {};
  ASSERT_TRUE(KRNUtil_GetH264Info(avcC.data(), uint32_t(avcC.size()), 0, &info));
  EXPECT_EQ(probe["profile"], "High");
  EXPECT_EQ(info.profile, 100u);
  EXPECT_EQ(info.level, media::number(probe, "level"));
  EXPECT_EQ(info.nalLengthSize, 4u);
  KRNUtilVideoInfo video = {};
  video.codec = KRNUTIL_FOURCC('a', 'v', 'c', '1');
  EXPECT_TRUE(KRNUtil_GetVideoInfo(avcC.data(), uint32_t(avcC.size()), &video));

  Exact data(avcC);
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length));
  Bytes converted = data.view(length);
  EXPECT_EQ(converted, media::startCodeForm(annexBSets("x264.mp4", false)));
  ASSERT_TRUE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length));  // already converted
  EXPECT_EQ(data.view(length), converted);

  // Back to a record: ffmpeg's, less the High-profile bytes it appends.
  for (const KRNUtilH264Info *summary : {&info, static_cast<KRNUtilH264Info *>(nullptr)}) {
    Bytes rebuilt(converted.size() + 7);
    uint32_t rebuiltLength = 0;
    ASSERT_TRUE(UtilConvH264InfoFromStartCode(converted.data(), uint32_t(converted.size()),
                                              rebuilt.data(), &rebuiltLength, summary));
    EXPECT_EQ(rebuiltLength, converted.size() - 2 * 2 + 7);
    rebuilt.resize(rebuiltLength);
    EXPECT_EQ(rebuilt, Bytes(avcC.begin(), avcC.begin() + long(rebuiltLength)));
  }
}

TEST(AvcConfig, OneSpsOfTwentyFiveBytesAndOnePpsOfFour) {
  Bytes sps = run(25, 0x67), pps = run(4, 0x68);
  Exact data(avcRecord({sps}, {pps}));
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(length, 37u);
  EXPECT_EQ(data.view(length), media::startCodeForm({sps, pps}));
}

TEST(AvcConfig, MalformedRecordsAreRefusedUntouched) {
  Bytes record = avcRecord({run(25, 0x67)}, {run(4, 0x68)});
  for (size_t cut = 0; cut < record.size(); ++cut) {
    Bytes prefix(record.begin(), record.begin() + long(cut));
    Exact data(prefix);
    uint32_t length = data.size;
    // With fewer than 5 bytes after a whole SPS there is no PPS list to read.
    bool expected = cut >= 33 && cut < 38;
    EXPECT_EQ(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length), expected) << cut;
    if (!expected) {
      EXPECT_EQ(data.view(), prefix);
    }
    KRNUtilH264Info info;
    EXPECT_EQ(KRNUtil_GetH264Info(prefix.data(), uint32_t(cut), 0, &info), cut >= 33) << cut;
  }
  // Five one-byte units take 25 bytes as start codes but only 22 as a record.
  Bytes growing = avcRecord({{0x67}, {0x67}, {0x67}}, {{0x68}, {0x68}});
  Exact data(growing);
  uint32_t length = data.size;
  EXPECT_FALSE(KRNUtil_ConvH264InfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(length, growing.size());
  EXPECT_EQ(data.view(), growing);

  KRNUtilH264Info info;
  Bytes ppsFirst = avcRecord({{0x68, 1, 2, 3}}, {});
  EXPECT_FALSE(KRNUtil_GetH264Info(ppsFirst.data(), uint32_t(ppsFirst.size()), 0, &info));
  media::TraceLines trace(L"utilvideo:1");
  uint8_t out[16];
  EXPECT_FALSE(UtilConvH264InfoFromStartCode(nullptr, 0, out, &length, nullptr));
  EXPECT_TRUE(trace.has(L"ERROR:[utilvideo] krnutil_video:"));
  EXPECT_TRUE(trace.has(L"(UtilConvH264InfoFromStartCode) : No codec data!\n"));
}

TEST(HevcConfig, RealRecordAgainstFfmpeg) {
  Bytes hvcC = media::boxPayload(media::read(x265Mp4()), "hvcC");
  ASSERT_GT(hvcC.size(), 23u);
  auto probe = media::probe(x265Mp4(), "v:0", "profile,level,width,height");
  KRNUtilVideoInfo video = {};
  video.codec = KRNUTIL_FOURCC('h', 'v', 'c', '1');
  ASSERT_TRUE(KRNUtil_GetVideoInfo(hvcC.data(), uint32_t(hvcC.size()), &video));
  EXPECT_EQ(probe["profile"], "Main");
  EXPECT_EQ(video.h265Profile, 1u);
  EXPECT_EQ(video.h265Level, media::number(probe, "level"));

  Exact data(hvcC);
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(data.bytes.get(), &length));
  Bytes converted = data.view(length);
  EXPECT_EQ(converted, media::startCodeForm(annexBSets("x265.mp4", true)));

  KRNUtilH265Info info;
  ASSERT_TRUE(UtilConvH265InfoFromStartCode(converted.data(), length, &info));
  EXPECT_EQ(info.width, media::number(probe, "width"));
  EXPECT_EQ(info.height, media::number(probe, "height"));
  EXPECT_EQ(info.spsPtl.profileIdc, 1u);
  EXPECT_EQ(info.vpsPtl.levelIdc, media::number(probe, "level"));
  EXPECT_EQ(info.vps, converted.data() + 4);
  EXPECT_EQ(info.sps[0], 0x42);
  ASSERT_NE(info.pps, nullptr);
  EXPECT_EQ(info.pps[0], 0x44);
  EXPECT_EQ(info.vpsLength + info.spsLength + info.ppsLength + 12, length);

  // The array form keeps every unit, x265's SEI array too.
  Exact arrays(Bytes(hvcC.begin() + 22, hvcC.end()));
  uint32_t arraysLength = arrays.size;
  ASSERT_TRUE(KRNUtil_ConvH265InfoToStartCode(arrays.bytes.get(), &arraysLength));
  std::vector<Bytes> all = media::annexBUnits(arrays.view(arraysLength));
  ASSERT_EQ(all.size(), size_t(hvcC[22]));
  EXPECT_EQ(media::startCodeForm({all[0], all[1], all[2]}), converted);
}

// Encoder settings that move the picture size around inside the SPS.
struct HevcShape {
  const char *name;
  const char *args;
  uint32_t chroma;
  uint32_t subLayersMinus1;
};

class HevcShapes : public ::testing::TestWithParam<HevcShape> {};

TEST_P(HevcShapes, CodedSizeMatchesFfprobe) {
  const HevcShape &s = GetParam();
  std::string path = media::make(
      std::string(s.name) + ".hevc",
      "-f lavfi -i testsrc=size=640x360:rate=30 -t 0.3 -c:v libx265 -preset ultrafast -f hevc " +
          std::string(s.args));
  Bytes stream = media::read(path);
  // 360 lines are coded as 368 with a cropping window; the SPS holds the coded size.
  auto probe = media::probe(path, "v:0", "coded_width,coded_height");
  KRNUtilH265Info info;
  ASSERT_TRUE(UtilConvH265InfoFromStartCode(stream.data(), uint32_t(stream.size()), &info));
  EXPECT_EQ(info.chromaFormatIdc, s.chroma);
  EXPECT_EQ(info.spsMaxSubLayersMinus1, s.subLayersMinus1);
  EXPECT_EQ(info.width, media::number(probe, "coded_width"));
  EXPECT_EQ(info.height, media::number(probe, "coded_height"));
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

TEST(HevcConfig, FirstUnitOfEachOfTheFirstThreeArrays) {
  Bytes vps = run(6, 0x40), vps2 = run(5, 0x41), sps = run(9, 0x42), sps2 = run(3, 0x43);
  Bytes pps = run(4, 0x44), sei = run(7, 0x4E);
  Bytes record = hevcRecord({{vps, vps2}, {sps, sps2}, {pps}, {sei}});
  Exact data(record);
  uint32_t length = data.size;
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(data.view(length), media::startCodeForm({vps, sps, pps}));

  Exact every(Bytes(record.begin() + 22, record.end()));
  length = every.size;
  ASSERT_TRUE(KRNUtil_ConvH265InfoToStartCode(every.bytes.get(), &length));
  EXPECT_EQ(every.view(length), media::startCodeForm({vps, vps2, sps, sps2, pps, sei}));

  // Fewer arrays, or an empty one, give fewer units.
  Exact sparse(hevcRecord({{vps}, {}, {pps}}));
  length = sparse.size;
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(sparse.bytes.get(), &length));
  EXPECT_EQ(sparse.view(length), media::startCodeForm({vps, pps}));
}

TEST(HevcConfig, MalformedRecordsAreRefusedUntouched) {
  Bytes record = hevcRecord({{run(6, 0x40)}, {run(9, 0x42)}, {run(4, 0x44)}, {run(7, 0x4E)}});
  size_t firstThree = 23 + 3 * 5 + 6 + 9 + 4;
  for (size_t cut = 0; cut < record.size(); ++cut) {
    Bytes prefix(record.begin(), record.begin() + long(cut));
    Exact data(prefix);
    uint32_t length = data.size;
    EXPECT_EQ(KRNUtil_ConvHEVCInfoToStartCode(data.bytes.get(), &length), cut >= firstThree) << cut;
    if (cut < firstThree) {
      EXPECT_EQ(data.view(), prefix);
    }
    if (cut <= 22) continue;
    Exact arrays(Bytes(prefix.begin() + 22, prefix.end()));
    length = arrays.size;
    EXPECT_FALSE(KRNUtil_ConvH265InfoToStartCode(arrays.bytes.get(), &length)) << cut;
    EXPECT_EQ(arrays.view(), Bytes(prefix.begin() + 22, prefix.end()));
  }
  // Four one-byte units: 13 bytes as arrays, 20 as start codes.
  Bytes growing = hevcArrays({{{0x40}, {0x40}, {0x40}, {0x40}}});
  Exact data(growing);
  uint32_t length = data.size;
  EXPECT_FALSE(KRNUtil_ConvH265InfoToStartCode(data.bytes.get(), &length));
  EXPECT_EQ(data.view(), growing);
}

TEST(HevcParameterSets, CutOrMissingUnitsFail) {
  Bytes hvcC = media::boxPayload(media::read(x265Mp4()), "hvcC");
  uint32_t length = uint32_t(hvcC.size());
  ASSERT_TRUE(KRNUtil_ConvHEVCInfoToStartCode(hvcC.data(), &length));
  KRNUtilH265Info info;
  ASSERT_TRUE(UtilConvH265InfoFromStartCode(hvcC.data(), length, &info));
  size_t spsAt = size_t(info.sps - hvcC.data());
  // An SPS cut before its picture size cannot give one.
  for (size_t cut = spsAt + 2; cut < spsAt + 20; ++cut) {
    Exact data(Bytes(hvcC.begin(), hvcC.begin() + long(cut)));
    EXPECT_FALSE(UtilConvH265InfoFromStartCode(data.bytes.get(), data.size, &info)) << cut;
  }
  Bytes noVps(hvcC.begin() + long(spsAt - 4), hvcC.begin() + length);
  EXPECT_FALSE(UtilConvH265InfoFromStartCode(noVps.data(), uint32_t(noVps.size()), &info));
  media::TraceLines trace(L"utilvideo:1");
  EXPECT_FALSE(UtilConvH265InfoFromStartCode(nullptr, 0, &info));
  EXPECT_TRUE(trace.has(L"(UtilConvH265InfoFromStartCode) : No codec data!\n"));
}

TEST(FrameToStartCode, LengthPrefixesBecomeStartCodes) {
  Exact data({0, 0, 0, 3, 0x65, 1, 2, 0, 0, 0, 2, 0x41, 9});
  ASSERT_TRUE(UtilConvH264FrameToStartCode(data.bytes.get(), data.size));
  Bytes expected = {0, 0, 0, 1, 0x65, 1, 2, 0, 0, 0, 1, 0x41, 9};
  EXPECT_EQ(data.view(), expected);
  ASSERT_TRUE(UtilConvH264FrameToStartCode(data.bytes.get(), data.size));
  EXPECT_EQ(data.view(), expected);
  // A unit running past the frame stops the conversion there.
  Exact overlong({0, 0, 0, 2, 0x65, 1, 0, 0, 0, 9, 0x41});
  EXPECT_FALSE(UtilConvH264FrameToStartCode(overlong.bytes.get(), overlong.size));
  EXPECT_EQ(overlong.view(), Bytes({0, 0, 0, 1, 0x65, 1, 0, 0, 0, 9, 0x41}));
}

TEST(ExtraDataFromStartCode, StartCodesBecomeTwoByteLengths) {
  Bytes data = {0, 0, 0, 1, 0x67, 1, 2, 0, 0, 0, 1, 0x68, 3};
  Exact out(Bytes(data.size(), 0));
  uint32_t outLength = 0;
  EXPECT_EQ(KRNUtil_ConvH26xExtraDataFromStartCode(data.data(), uint32_t(data.size()),
                                                   out.bytes.get(), &outLength),
            2u);
  EXPECT_EQ(out.view(outLength), Bytes({0, 3, 0x67, 1, 2, 0, 2, 0x68, 3}));
}
