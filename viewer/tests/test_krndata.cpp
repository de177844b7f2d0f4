// KRNData and the playback metadata on recordings made at test time.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>

#include <cmath>
#include <new>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "core/KRNData.h"
#include "core/RecordingMetadata.h"

namespace {

struct Expected {
  double latitude, longitude, speed, gx, gy, gz;
};

// Generated once for the whole suite: a 3 s, 2-channel single-file
// recording with its telemetry as the generator meant it, and a file
// without a text track and one without video made by ffmpeg.
class Recordings : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    const QString out = dir_->path();
    QProcess::execute(QStringLiteral(SAMPLEGEN_PATH),
                      {"--out", out, "--channels", "2", "--layout", "single", "--duration", "3",
                       "--size", "160x90", "--route", "buenos-aires", "--no-fix", "1:0.5",
                       "--telemetry-csv", out + "/telemetry.csv"});
    QProcess::execute(
        QStringLiteral("ffmpeg"),
        {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=96x64:rate=10", "-t", "2", "-c:v",
         "libx264", "-preset", "ultrafast", out + "/20240501_090000_INF_1.mp4"});
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {"-v", "error", "-y", "-f", "lavfi", "-i", "sine", "-t", "2", "-c:a", "aac",
                       out + "/20240501_100000_INF_1.mp4"});
    QFile csv(out + "/telemetry.csv");
    if (csv.open(QIODevice::ReadOnly)) {
      QTextStream in(&csv);
      in.readLine();  // header
      while (!in.atEnd()) {
        const QStringList f = in.readLine().split(QLatin1Char(','));
        if (f.size() < 14) continue;
        expected_.append({f[5].toDouble(), f[6].toDouble(), f[7].toDouble(), f[11].toDouble(),
                          f[12].toDouble(), f[13].toDouble()});
      }
    }
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override {
    StatusLog::setPath(QString());
    RecordingMetadata::clear();
  }
  static QString file(const char *name) {
    return dir_->path() + QLatin1Char('/') + QLatin1String(name);
  }

  static QTemporaryDir *dir_;
  static QVector<Expected> expected_;
};

QTemporaryDir *Recordings::dir_ = nullptr;
QVector<Expected> Recordings::expected_;

}  // namespace

TEST_F(Recordings, ReadsEveryTextSample) {
  ASSERT_EQ(expected_.size(), 30);
  KRNReaderInfo info{};
  KRNData data(&info);
  ASSERT_EQ(data.open(file("20240501_083000_INF_1.mp4")), KRNData::HasText);
  EXPECT_EQ(data.KRN_GetVideoTotalNum(), 2u);
  EXPECT_EQ(data.KRN_GetTotalRange(), 3000u);
  ASSERT_EQ(data.KRN_GetTextData(0), 0);
  EXPECT_EQ(data.state(), KRNData::Ok);
  ASSERT_EQ(data.KRN_GetTextDataTotalCount(), 30);
  for (int i = 0; i < 30; ++i) {
    uint32_t size = 0;
    const uint8_t *payload = data.sample(i, &size);
    EXPECT_EQ(size, 72u);
    TextSample t;
    ASSERT_TRUE(decodeTextSample(payload, size, &t));
    EXPECT_NEAR(t.x, expected_[i].gx, 1e-4) << i;
    EXPECT_NEAR(t.z, expected_[i].gz, 1e-4) << i;
    EXPECT_NEAR(t.speed, expected_[i].speed, 1e-3) << i;
  }
  EXPECT_EQ(data.KRN_GetTextData(0), -1);  // the reader is closed after one pass
  EXPECT_EQ(data.KRN_TextDataFree(), 0);
  EXPECT_EQ(data.KRN_GetTextDataTotalCount(), 0);
}

TEST_F(Recordings, ExtractionReturnsEverythingAndWritesNothing) {
  ViewerState &s = ViewerState::instance();
  RecordingMetadata::Extraction e = RecordingMetadata::extract(file("20240501_083000_INF_1.mp4"));
  EXPECT_TRUE(e.opened);
  EXPECT_TRUE(e.canPlay);
  EXPECT_TRUE(e.metadataReady);
  EXPECT_EQ(e.channelCount, 2);
  EXPECT_DOUBLE_EQ(e.totalRangeMs, 3000);
  ASSERT_EQ(e.gsensorSamples.size(), 30);
  ASSERT_EQ(e.gpsSamples.size(), 30);
  // The process-wide state is the player's to publish, not the extraction's.
  EXPECT_TRUE(s.gsensorSamples.isEmpty());
  EXPECT_FALSE(s.metadataReady);
  s.gsensorSamples = e.gsensorSamples;
  s.gpsSamples = e.gpsSamples;
  s.metadataReady = true;

  bool anyFix = false;
  const QVector<MapPoint> points =
      RecordingMetadata::buildMapPoints(s.gpsSamples, 1.5f, 2.5f, &anyFix);
  EXPECT_TRUE(anyFix);
  for (int i = 0; i < 30; ++i) {
    const bool noFix = expected_[i].latitude == 0 && expected_[i].longitude == 0;
    if (noFix) {
      EXPECT_EQ(points[i].latitude, 1.5f) << i;  // the default position, speed 0
      EXPECT_EQ(points[i].speed, 0.0f) << i;
      continue;
    }
    // Southern and western hemisphere: the flags make the degrees negative.
    EXPECT_FALSE(s.gpsSamples[i].north);
    EXPECT_FALSE(s.gpsSamples[i].east);
    EXPECT_NEAR(points[i].latitude, expected_[i].latitude, 2e-4) << i;
    EXPECT_NEAR(points[i].longitude, expected_[i].longitude, 2e-4) << i;
  }
  RecordingMetadata::clear();
  EXPECT_TRUE(s.gsensorSamples.isEmpty());
  EXPECT_FALSE(s.metadataReady);
  EXPECT_EQ(s.gsensorXText, QStringLiteral("0.000"));
}

TEST_F(Recordings, FileWithoutTextTrackPlaysWithoutMetadata) {
  KRNReaderInfo info{};
  KRNData data(&info);
  EXPECT_EQ(data.open(file("20240501_090000_INF_1.mp4")), KRNData::NoText);
  RecordingMetadata::Extraction e = RecordingMetadata::extract(file("20240501_090000_INF_1.mp4"));
  EXPECT_TRUE(e.canPlay);
  EXPECT_FALSE(e.metadataReady);
  EXPECT_EQ(e.channelCount, 1);
  EXPECT_TRUE(e.gpsSamples.isEmpty());
}

TEST_F(Recordings, FileWithoutVideoDoesNotPlay) {
  RecordingMetadata::Extraction e = RecordingMetadata::extract(file("20240501_100000_INF_1.mp4"));
  EXPECT_FALSE(e.canPlay);
}

TEST_F(Recordings, UnreadableFileAndDurations) {
  KRNReaderInfo info{};
  KRNData data(&info);
  EXPECT_EQ(data.open(file("missing.mp4")), KRNData::CannotOpen);
  EXPECT_EQ(data.state(), KRNData::OpenFailed);
  EXPECT_EQ(data.KRN_GetTextData(0), -1);
  RecordingMetadata::Extraction e = RecordingMetadata::extract(file("missing.mp4"));
  EXPECT_FALSE(e.opened);
  EXPECT_TRUE(e.canPlay);
  EXPECT_EQ(e.channelCount, 1);
  EXPECT_EQ(durationText(file("20240501_083000_INF_1.mp4")), QStringLiteral("00:03"));
  EXPECT_EQ(durationText(file("missing.mp4")), QString());
  EXPECT_EQ(formatDuration(100 * 60 * 1000 + 999), QStringLiteral("100:00"));
  EXPECT_EQ(formatDuration(61000), QStringLiteral("01:01"));
}

// A text track whose header claims 16,777,216 samples of nearly 4 GiB each
// (a damaged file, or one made to hurt) is read until its first sample
// that does not read, in buffers of a camera record's size: with the address
// space limited to what the process uses plus 256 MiB, nothing runs out.
TEST_F(Recordings, DamagedTextHeadersAllocateNothingLarge) {
  QFile source(file("20240501_083000_INF_1.mp4"));
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  QByteArray bytes = source.readAll();
  const int handler = bytes.indexOf(QByteArray("hdlr\0\0\0\0\0\0\0\0tvxt", 16));
  ASSERT_GT(handler, 0) << "no text track handler";
  const int stsz = bytes.indexOf("stsz", handler);
  ASSERT_GT(stsz, 0);
  auto put32 = [&](int at, quint32 v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
  };
  put32(stsz + 8, 0xFFFFFF00u);   // every sample this large
  put32(stsz + 12, 0x01000000u);  // and this many of them
  const QString damaged = dir_->path() + QStringLiteral("/damaged/20240501_083000_INF_1.mp4");
  QDir().mkpath(QFileInfo(damaged).absolutePath());
  QFile out(damaged);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(bytes);
  out.close();

  long pages = 0;
  QFile statm(QStringLiteral("/proc/self/statm"));
  ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
  pages = statm.readAll().split(' ').value(0).toLong();
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
  struct rlimit limited = old;
  limited.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (256ul << 20);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
  KRNReaderInfo info{};
  KRNData data(&info);
  const int32_t opened = data.open(damaged);
  ASSERT_EQ(opened, KRNData::HasText);
  int32_t read = -1;
  int count = -1;
  try {
    read = data.KRN_GetTextData(0);
    count = data.KRN_GetTextDataTotalCount();
  } catch (const std::bad_alloc &) {
    ADD_FAILURE() << "ran out of memory on a damaged header";
  }
  setrlimit(RLIMIT_AS, &old);
  EXPECT_EQ(read, 0);
  EXPECT_LE(count, 30);
}

TEST(TextSamples, DecodingAndNmea) {
  uint8_t short67[67] = {};
  TextSample t;
  EXPECT_FALSE(decodeTextSample(short67, sizeof short67, &t));  // never read past a short sample
  EXPECT_NEAR(nmeaToDegrees(4807.038f, true), 48.1173f, 1e-4);
  EXPECT_NEAR(nmeaToDegrees(4807.038f, false), -48.1173f, 1e-4);
  EXPECT_NEAR(nmeaToDegrees(1131.000f, false), -11.516667f, 1e-4);
}

TEST(SampleLookup, IndexesAndTexts) {
  EXPECT_EQ(RecordingMetadata::chartIndex(600, 0, 60000), -1);  // index 0 is not used
  EXPECT_EQ(RecordingMetadata::chartIndex(600, 30000, 60000), 300);
  EXPECT_EQ(RecordingMetadata::chartIndex(600, 60000, 60000), -1);
  EXPECT_EQ(RecordingMetadata::mapIndex(599, 100, 60000), -1);  // truncates to 0
  EXPECT_EQ(RecordingMetadata::mapIndex(599, 200, 60000), 1);
  EXPECT_EQ(RecordingMetadata::mapIndex(599, 59999, 60000), 598);
  EXPECT_EQ(RecordingMetadata::chartIndex(600, 100, 0), -1);
  EXPECT_EQ(RecordingMetadata::formatCoordinate(48.117302f), QStringLiteral("48.11730"));
  EXPECT_EQ(RecordingMetadata::formatSpeed(42.5f), QStringLiteral("42.5"));
  EXPECT_EQ(RecordingMetadata::formatSpeed(123.456789f), QStringLiteral("123.457"));
  EXPECT_EQ(RecordingMetadata::formatGsensor(-0.8f), QStringLiteral("-0.800"));
}
