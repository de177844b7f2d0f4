// Saving the moment shown and exporting the recording: the names and the
// ffmpeg arguments, and then real exports of the generator's recordings
// judged by ffprobe, ffmpeg and our own AVI reader; trimming, side by side,
// the GPX beside a clip, cancel and the failures a user can run into.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QXmlStreamReader>
#include <cstdio>
#include <memory>
#include <string>

#include "core/AppSettings.h"
#include "core/RecordingName.h"
#include "core/ViewerState.h"
#include "export/ExportCommand.h"
#include "export/ExportPlan.h"
#include "export/ExportRunner.h"
#include "export/SaveAsView.h"
#include "export_support.h"
#include "gui_wait.h"
#include "krnstream.h"
#include "widgets/MessageBoxes.h"

using exporttest::probe;
using guitest::waitFor;

namespace {

QString screenshotPath(const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

// Recordings made once for all tests: three cameras in separate files, two
// cameras as tracks of one file (10 s each), and a 60-second drive at
// 640x360 for trimming and for an export long enough to cancel.
struct Media {
  QTemporaryDir dir;
  QString separate(int channel) const {
    return dir.path() + QStringLiteral("/sep/20230101_120000_INF_%1.mp4").arg(channel);
  }
  QString tracks() const { return dir.path() + "/single/20230102_120000_EVT_1.mp4"; }
  QString drive() const { return dir.path() + "/long/20240501_083000_INF_1.mp4"; }
};
Media *gMedia = nullptr;

int countAviVideoFrames(const QString &path) {
  const std::wstring wide = path.toStdWString();
  KRNReaderParam param{};
  param.path = wide.c_str();
  KRNReader *reader = nullptr;
  if (KRNReaderOpen(&reader, &param) != 0) return -1;
  KRNReaderInfo info{};
  if (KRNReaderGetInfo(reader, &info) != 0 || info.container != KRN_CONTAINER_AVI) {
    KRNReaderClose(reader);
    return -2;
  }
  std::vector<uint8_t> buffer(4 << 20);
  int frames = 0;
  for (;;) {
    KRNReaderFrame f{};
    f.data = buffer.data();
    f.capacity = static_cast<uint32_t>(buffer.size());
    f.mediaType = KRN_MEDIA_VIDEO;
    f.track = 0;
    const int32_t rc = KRNReaderReadFrame(reader, &f);
    if (rc != 0) break;
    ++frames;
  }
  KRNReaderClose(reader);
  return frames;
}

// The times of a GPX file's track points, in order.
QVector<QDateTime> pointTimes(const QString &gpx) {
  QVector<QDateTime> times;
  QFile file(gpx);
  if (!file.open(QIODevice::ReadOnly)) return times;
  QXmlStreamReader xml(&file);
  bool inPoint = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QLatin1String("trkpt")) inPoint = true;
    if (xml.isEndElement() && xml.name() == QLatin1String("trkpt")) inPoint = false;
    if (inPoint && xml.isStartElement() && xml.name() == QLatin1String("time"))
      times << QDateTime::fromString(xml.readElementText(), Qt::ISODateWithMs);
  }
  return times;
}

// The source of a recording as the dialog gets it from the player.
ExportSource sourceOf(const QString &path, int channels, double seconds) {
  ExportSource s;
  s.recordingPath = path;
  const int tracks = probe(path, "stream=index", "v").split('\n', Qt::SkipEmptyParts).size();
  s.separateFiles = ExportSource::isSeparateFiles(path, tracks);
  if (s.separateFiles)
    for (const QString &file : RecordingName::channelFiles(path))
      s.channelFiles << QDir::fromNativeSeparators(file);
  else
    s.channelFiles << path;
  s.channelCount = channels;
  s.durationSec = seconds;
  s.start = QDateTime::fromString(QFileInfo(path).fileName().left(15), "yyyyMMdd_HHmmss");
  s.start.setTimeSpec(Qt::UTC);
  for (int i = 0; i < static_cast<int>(seconds); ++i) s.speedPerSecond << 40 + i;
  return s;
}

class Export : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    gMedia = new Media;
    const QString root = gMedia->dir.path();
    const QString gen = QStringLiteral(SAMPLEGEN_PATH);
    QProcess::execute(gen, {"--out", root + "/sep", "--start", "20230101_120000", "--channels", "3",
                            "--duration", "10", "--size", "320x180", "--audio"});
    QProcess::execute(gen, {"--out", root + "/single", "--start", "20230102_120000", "--type",
                            "EVT", "--channels", "2", "--layout", "single", "--duration", "10",
                            "--size", "320x180", "--audio"});
    QProcess::execute(gen, {"--out", root + "/long", "--start", "20240501_083000", "--duration",
                            "60", "--size", "640x360", "--audio"});
  }
  static void TearDownTestSuite() {
    delete gMedia;
    gMedia = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(QFileInfo::exists(gMedia->separate(3)));
    ASSERT_TRUE(QFileInfo::exists(gMedia->tracks()));
    ASSERT_TRUE(QFileInfo::exists(gMedia->drive()));
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    AppSettings::store().clear();
    MessageBoxes::setHook([this](const QString &, const QString &text, bool question) {
      messages_ << text;
      return question ? answer_ : true;
    });
  }
  void TearDown() override {
    MessageBoxes::setHook(nullptr);
    AppSettings::store().clear();
  }

  // Runs the steps to their end; true when all were written.
  bool runSteps(const QVector<ExportStep> &steps, QString *message = nullptr,
                ExportRunner *runner = nullptr) {
    std::unique_ptr<ExportRunner> own;
    if (!runner) {
      own = std::make_unique<ExportRunner>(ExportCommand::ffmpegProgram(QString()));
      runner = own.get();
    }
    bool done = false, ok = false;
    QObject::connect(runner, &ExportRunner::finished, [&](bool good, const QString &text) {
      done = true;
      ok = good;
      if (message) *message = text;
    });
    runner->start(steps);
    EXPECT_TRUE(waitFor([&] { return done; }, 300000));
    return ok;
  }
  QStringList filesIn(const QString &folder) const {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }

  QTemporaryDir out_;
  QStringList messages_;
  bool answer_ = true;
};

}  // namespace

// ---- names and arguments ----

TEST(ExportNames, SnapshotNamesCarryChannelAndPositionDigits) {
  EXPECT_EQ(ExportCommand::snapshotName("20230101_120000_INF_1.mp4", 0, 0.25),
            "20230101_120000_INF_1_1_25.jpg");
  EXPECT_EQ(ExportCommand::snapshotName("20230101_120000_INF_1.mp4", 2, 0.5),
            "20230101_120000_INF_1_3_5.jpg");
  // Up to 6 significant digits, never an exponent.
  EXPECT_EQ(ExportCommand::positionDigits(1.0 / 3.0), "333333");
  EXPECT_EQ(ExportCommand::positionDigits(0.123456789), "123457");
  EXPECT_EQ(ExportCommand::positionDigits(0.00001234), "00001234");
  EXPECT_EQ(ExportCommand::positionDigits(0), "0");
  EXPECT_EQ(ExportCommand::positionDigits(1), "0");
}

TEST(ExportNames, ExportedFilesAreNamedByChannelTrackAndSpan) {
  EXPECT_EQ(ExportCommand::trackFileName("20230102_120000_EVT_1.mp4", 1, "avi"),
            "20230102_120000_EVT_1_2.avi");
  EXPECT_EQ(ExportCommand::channelFileName("/card/20230101_120000_INF_2.mp4", "avi"),
            "20230101_120000_INF_2.avi");
  EXPECT_EQ(ExportCommand::trimmedName("20230101_120000_INF_2.mp4", 10, 20),
            "20230101_120000_INF_2_10-20.mp4");
  EXPECT_EQ(ExportCommand::sideBySideName("20230101_120000_INF_1.mp4", "mp4"),
            "20230101_120000_INF_sidebyside.mp4");
  EXPECT_EQ(ExportCommand::temporaryName("/x/a_1.avi"), "/x/.a_1.partial.avi");
}

TEST(ExportNames, ChannelExportArgumentsAreTheCamerasOwnList) {
  EXPECT_EQ(ExportCommand::channelExport("/in/a_1.mp4", 0, "/out/a_1.avi"),
            QStringList({"-y", "-i", "/in/a_1.mp4", "-vcodec", "copy", "-map", "0:v:0", "-acodec",
                         "aac", "-map", "0:a?", "-threads", "1", "/out/a_1.avi"}));
  EXPECT_EQ(ExportCommand::channelExport("/in/b_1.mp4", 2, "/out/b_1_3.mp4")[6], "0:v:2");
}

TEST(ExportNames, ProgressLinesGiveSecondsWritten) {
  EXPECT_DOUBLE_EQ(ExportCommand::progressSeconds("out_time_us=12500000\n"), 12.5);
  EXPECT_DOUBLE_EQ(ExportCommand::progressSeconds("out_time_ms=2000000"), 2.0);
  EXPECT_LT(ExportCommand::progressSeconds("out_time=00:00:12.500000"), 0);
  EXPECT_LT(ExportCommand::progressSeconds("out_time_us=N/A"), 0);
}

TEST(ExportNames, SideBySideSizeFollowsTheFrontPicture) {
  EXPECT_EQ(ExportCommand::sideBySideSize(QSize(1920, 1080), 3), QSize(2880, 1080));
  EXPECT_EQ(ExportCommand::sideBySideSize(QSize(322, 182), 2), QSize(480, 180));
  EXPECT_EQ(ExportCommand::sideBySideSize(QSize(640, 360), 1), QSize(640, 360));
}

TEST(ExportNames, CaptionsCountTheClockOnFromTheFileName) {
  const QDateTime start(QDate(2024, 1, 31), QTime(23, 59, 58), Qt::UTC);
  const QVector<ExportCommand::Caption> c =
      ExportCommand::captions(start, {10, 20.4, -1, 30}, false, 1, 4);
  ASSERT_EQ(c.size(), 3);
  EXPECT_EQ(c[0].text, "2024.01.31  23:59:59  20 km/h");
  EXPECT_DOUBLE_EQ(c[0].fromSec, 0);
  EXPECT_EQ(c[1].text, "2024.02.01  00:00:00");  // no fix: no speed
  EXPECT_DOUBLE_EQ(c[2].fromSec, 2);
  EXPECT_EQ(ExportCommand::captions(start, {50}, true, 0, 1)[0].text,
            "2024.01.31  23:59:58  50 mi/h");
}

// ---- plans ----

TEST_F(Export, PlanPicksCopyRemuxTrimAndSnapshotSteps) {
  ExportSource s = sourceOf(gMedia->separate(1), 3, 10);
  ExportChoice c;
  c.channels[0] = c.channels[2] = true;
  c.folder = out_.path();
  QVector<ExportStep> steps = ExportPlan::build(s, c);
  ASSERT_EQ(steps.size(), 2);
  EXPECT_EQ(steps[0].kind, ExportStep::Copy);
  EXPECT_EQ(QFileInfo(steps[1].output).fileName(), "20230101_120000_INF_3.mp4");
  c.type = "avi";
  steps = ExportPlan::build(s, c);
  EXPECT_EQ(steps[1].arguments,
            ExportCommand::channelExport(gMedia->separate(3), 0, out_.path() + "/20230101_120000_INF_3.avi"));
  c.fromSec = 2;
  c.toSec = 6;
  steps = ExportPlan::build(s, c);
  EXPECT_EQ(QFileInfo(steps[0].output).fileName(), "20230101_120000_INF_1_2-6.avi");
  EXPECT_TRUE(steps[0].arguments.contains("-ss"));
  c.mode = ExportChoice::SnapshotMode;
  s.position = 0.25;
  s.pictures = QStringList{"/a/0.png", "/a/1.png", "/a/2.png"};
  steps = ExportPlan::build(s, c);
  ASSERT_EQ(steps.size(), 2);
  EXPECT_EQ(steps[1].source, "/a/2.png");
  EXPECT_EQ(QFileInfo(steps[1].output).fileName(), "20230101_120000_INF_1_3_25.jpg");
  QString reason;
  c.channels.fill(false);
  EXPECT_TRUE(ExportPlan::build(s, c, &reason).isEmpty());
  EXPECT_EQ(reason, "There is no select channel");
}

// ---- real exports ----

TEST_F(Export, SeparateMp4ChannelAsMp4IsTheSameFileByteForByte) {
  ExportChoice c;
  c.channels[1] = true;
  c.folder = out_.path();
  ASSERT_TRUE(runSteps(ExportPlan::build(sourceOf(gMedia->separate(1), 3, 10), c)));
  QFile a(gMedia->separate(2)), b(out_.path() + "/20230101_120000_INF_2.mp4");
  ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  EXPECT_GT(a.size(), 10000);
  EXPECT_TRUE(a.readAll() == b.readAll());
  EXPECT_EQ(filesIn(out_.path()), QStringList{"20230101_120000_INF_2.mp4"});
}

TEST_F(Export, SeparateMp4ChannelAsAviIsReadByFfprobeAndOurReader) {
  ExportChoice c;
  c.channels[0] = true;
  c.type = "avi";
  c.folder = out_.path();
  ExportRunner runner(ExportCommand::ffmpegProgram(QString()));
  ASSERT_TRUE(runSteps(ExportPlan::build(sourceOf(gMedia->separate(1), 3, 10), c), nullptr, &runner));
  const QString avi = out_.path() + "/20230101_120000_INF_1.avi";
  // What ffmpeg was told: the list above, the output under its temporary name.
  QStringList expected = ExportCommand::progressOptions() +
                         ExportCommand::channelExport(gMedia->separate(1), 0,
                                                      ExportCommand::temporaryName(avi));
  EXPECT_EQ(runner.lastArguments(), expected);
  const int source = exporttest::decodedFrames(gMedia->separate(1));
  EXPECT_EQ(source, 300);
  EXPECT_EQ(exporttest::decodedFrames(avi), source);
  EXPECT_EQ(countAviVideoFrames(avi), source);
  EXPECT_EQ(probe(avi, "stream=codec_name", "a:0"), "aac");
  EXPECT_EQ(filesIn(out_.path()), QStringList{"20230101_120000_INF_1.avi"});
}

TEST_F(Export, OneFileWithTracksExportsTheChosenTrack) {
  ExportChoice c;
  c.channels[1] = true;
  c.folder = out_.path();
  const ExportSource source = sourceOf(gMedia->tracks(), 2, 10);
  EXPECT_FALSE(source.separateFiles);  // named like a front camera file, but two tracks
  const QVector<ExportStep> steps = ExportPlan::build(source, c);
  ASSERT_EQ(steps.size(), 1);
  EXPECT_EQ(steps[0].arguments, ExportCommand::channelExport(gMedia->tracks(), 1,
                                                             out_.path() + "/20230102_120000_EVT_1_2.mp4"));
  ASSERT_TRUE(runSteps(steps));
  const QString out = out_.path() + "/20230102_120000_EVT_1_2.mp4";
  ASSERT_TRUE(QFileInfo::exists(out)) << filesIn(out_.path()).join(' ').toStdString();
  EXPECT_EQ(probe(out, "stream=index", "v").split('\n').size(), 1);
  const QByteArray exported = exporttest::packetHashes(out, "0:v:0");
  EXPECT_FALSE(exported.isEmpty());
  EXPECT_EQ(exported, exporttest::packetHashes(gMedia->tracks(), "0:v:1"));
  EXPECT_NE(exported, exporttest::packetHashes(gMedia->tracks(), "0:v:0"));
}

TEST_F(Export, TrimmedExportLastsTheSpanWithinOneKeyFrameInterval) {
  // On a key frame and between two (key frames every second).
  for (const auto &span : {std::make_pair(10.0, 20.0), std::make_pair(10.5, 20.5)}) {
    ExportChoice c;
    c.channels[0] = true;
    c.folder = out_.path();
    c.fromSec = span.first;
    c.toSec = span.second;
    ASSERT_TRUE(runSteps(ExportPlan::build(sourceOf(gMedia->drive(), 1, 60), c)));
    const QString out = out_.path() + QStringLiteral("/20240501_083000_INF_1_%1-%2.mp4")
                                          .arg(qRound(span.first))
                                          .arg(qRound(span.second));
    ASSERT_TRUE(QFileInfo::exists(out)) << filesIn(out_.path()).join(' ').toStdString();
    const double video = probe(out, "stream=duration").toDouble();
    // The clip may start up to one key-frame interval early.
    EXPECT_NEAR(video, 10.0, 1.0) << span.first;
    EXPECT_GE(video, 10.0 - 0.05) << span.first;
    EXPECT_NEAR(exporttest::durationOf(out), 10.0, 1.0) << span.first;
    EXPECT_EQ(probe(out, "stream=codec_name", "a:0"), "aac");
    EXPECT_EQ(exporttest::decodedFrames(out), exporttest::packetCount(out));
    std::printf("[ trim %.1f-%.1f ] video %.3f s, file %.3f s\n", span.first, span.second, video,
                exporttest::durationOf(out));
  }
}

TEST_F(Export, SideBySideComposesThreeChannelsWithTheTextBurnedIn) {
  ExportChoice c;
  c.channels[0] = c.channels[1] = c.channels[2] = true;
  c.folder = out_.path();
  c.sideBySide = true;
  ASSERT_TRUE(runSteps(ExportPlan::build(sourceOf(gMedia->separate(1), 3, 10), c)));
  const QString out = out_.path() + "/20230101_120000_INF_sidebyside.mp4";
  EXPECT_EQ(probe(out, "stream=width"), "480");
  EXPECT_EQ(probe(out, "stream=height"), "180");
  EXPECT_EQ(probe(out, "stream=codec_name"), "h264");
  EXPECT_EQ(probe(out, "stream=codec_name", "a:0"), "aac");
  EXPECT_EQ(exporttest::decodedFrames(out), 300);  // played to the end
  // The caption sits top left over the front picture: a dark box with white
  // letters where the front camera shows something else; the rear pictures
  // are the other channels at half size.
  const QImage composed = exporttest::frameAt(out, 5.5);
  const QImage front = exporttest::frameAt(gMedia->separate(1), 5.5);
  const QImage rear = exporttest::frameAt(gMedia->separate(3), 5.5).scaled(160, 90);
  ASSERT_EQ(composed.size(), QSize(480, 180));
  composed.save(screenshotPath("export-side-by-side"));
  int white = 0, dark = 0, changed = 0;
  for (int y = 8; y < 24; ++y)
    for (int x = 8; x < 200; ++x) {
      const QColor a = composed.pixelColor(x, y), b = front.pixelColor(x, y);
      if (a.lightness() > 220) ++white;
      if (a.lightness() < 60) ++dark;
      if (std::abs(a.lightness() - b.lightness()) > 60) ++changed;
    }
  EXPECT_GT(white, 150);
  EXPECT_GT(dark, 300);
  EXPECT_GT(changed, 600);
  // Below the caption the front picture is the front camera's.
  double diffFront = 0, diffRear = 0;
  for (int y = 100; y < 170; y += 4)
    for (int x = 20; x < 300; x += 4)
      diffFront += std::abs(composed.pixelColor(x, y).lightness() - front.pixelColor(x, y).lightness());
  for (int y = 95; y < 175; y += 4)
    for (int x = 325; x < 475; x += 4)
      diffRear += std::abs(composed.pixelColor(x, y).lightness() -
                           rear.pixelColor(x - 320, y - 90).lightness());
  EXPECT_LT(diffFront / (18 * 70), 12);
  EXPECT_LT(diffRear / (20 * 38), 20);
}

TEST_F(Export, SideBySideOfTheRearChannelsTakesTheSoundOfChannelOne) {
  ExportChoice c;
  c.channels[1] = c.channels[2] = true;
  c.folder = out_.path();
  c.sideBySide = true;
  const QVector<ExportStep> steps = ExportPlan::build(sourceOf(gMedia->separate(1), 3, 10), c);
  ASSERT_EQ(steps.size(), 1);
  // Channel 1's file is read for its sound alone.
  EXPECT_EQ(steps[0].arguments.filter(gMedia->separate(1)).size(), 1);
  EXPECT_TRUE(steps[0].arguments.contains("2:a:0?"));
  ASSERT_TRUE(runSteps(steps));
  const QString out = out_.path() + "/20230101_120000_INF_sidebyside.mp4";
  EXPECT_EQ(probe(out, "stream=width"), "480");
  EXPECT_EQ(probe(out, "stream=codec_name", "a:0"), "aac");
  EXPECT_NEAR(probe(out, "stream=duration", "a:0").toDouble(), 10.0, 0.2);
  // The front place shows channel 2.
  const QImage composed = exporttest::frameAt(out, 5.5);
  const QImage rear = exporttest::frameAt(gMedia->separate(2), 5.5);
  double diff = 0;
  for (int y = 100; y < 170; y += 4)
    for (int x = 20; x < 300; x += 4)
      diff += std::abs(composed.pixelColor(x, y).lightness() - rear.pixelColor(x, y).lightness());
  EXPECT_LT(diff / (18 * 70), 12);
}

TEST_F(Export, GpxBesideTheClipHoldsTheSpanOnly) {
  ExportChoice c;
  c.channels[0] = true;
  c.folder = out_.path();
  c.fromSec = 10;
  c.toSec = 20;
  c.telemetryBeside = true;
  QString message;
  ASSERT_TRUE(runSteps(ExportPlan::build(sourceOf(gMedia->drive(), 1, 60), c), &message))
      << message.toStdString();
  const QString gpx = out_.path() + "/20240501_083000_INF_1_10-20.gpx";
  ASSERT_TRUE(QFileInfo::exists(gpx));
  EXPECT_EQ(QProcess::execute("xmllint", {"--noout", gpx}), 0);
  // gpsbabel reads the track (-t) and lists its points with their times.
  int code = -1;
  const QByteArray csv = exporttest::run(
      "gpsbabel", {"-t", "-i", "gpx", "-f", gpx, "-o", "unicsv", "-F", "-"}, &code);
  EXPECT_EQ(code, 0) << csv.toStdString();
  QList<QByteArray> rows = csv.trimmed().split('\n');
  ASSERT_GT(rows.size(), 5) << csv.toStdString();
  EXPECT_TRUE(rows.takeFirst().startsWith("No,Latitude,Longitude"));
  const auto rowTime = [](const QByteArray &row) {
    const QList<QByteArray> f = row.split(',');
    return QDateTime::fromString(QString::fromLatin1(f.value(3).trimmed() + " " + f.value(4).trimmed()),
                                 "yyyy/MM/dd HH:mm:ss.zzz");
  };
  EXPECT_EQ(rows.size(), pointTimes(gpx).size());
  const QDateTime start(QDate(2024, 5, 1), QTime(8, 30, 0));
  EXPECT_NEAR(start.msecsTo(rowTime(rows.first())) / 1000.0, 10, 0.5) << rows.first().toStdString();
  EXPECT_NEAR(start.msecsTo(rowTime(rows.last())) / 1000.0, 20, 0.5) << rows.last().toStdString();
  // The whole drive for comparison: the span holds its points from 10 s to
  // 20 s after its first one, and no others.
  ExportStep whole;
  whole.kind = ExportStep::Telemetry;
  whole.source = gMedia->drive();
  whole.output = out_.path() + "/whole/all.gpx";
  whole.fromSec = 0;
  whole.toSec = 60;
  ASSERT_TRUE(runSteps({whole}));
  const QVector<QDateTime> span = pointTimes(gpx), all = pointTimes(whole.output);
  ASSERT_GT(all.size(), 50);
  ASSERT_FALSE(span.isEmpty());
  EXPECT_NEAR(span.size(), all.size() / 6.0, all.size() / 60.0 + 1);
  EXPECT_NEAR(all.first().msecsTo(span.first()) / 1000.0, 10, 1.0);
  EXPECT_NEAR(all.first().msecsTo(span.last()) / 1000.0, 20, 1.0);
}

// ---- failures ----

TEST_F(Export, FailuresSayWhatFailedAndLeaveNoFile) {
  ExportChoice c;
  c.channels[0] = true;
  c.type = "avi";
  c.folder = out_.path();
  const QVector<ExportStep> steps = ExportPlan::build(sourceOf(gMedia->separate(1), 3, 10), c);
  QString message;
  {  // no ffmpeg where the program looks for it
    ExportRunner runner(out_.path() + "/library/ffmpeg/ffmpeg");
    EXPECT_FALSE(runSteps(steps, &message, &runner));
    EXPECT_TRUE(message.contains("ffmpeg could not be started")) << message.toStdString();
  }
  EXPECT_TRUE(filesIn(out_.path()).isEmpty());

  // ffmpeg refuses a file that is not a recording.
  QTemporaryDir bad;
  const QString broken = bad.path() + "/20230101_120000_INF_1.mp4";
  QFile f(broken);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(100000, 'x'));
  f.close();
  EXPECT_FALSE(runSteps(ExportPlan::build(sourceOf(broken, 1, 10), c), &message));
  EXPECT_TRUE(message.contains("ffmpeg failed")) << message.toStdString();
  EXPECT_TRUE(filesIn(out_.path()).isEmpty()) << filesIn(out_.path()).join(' ').toStdString();

  // A copy whose source went away.
  ExportStep copy;
  copy.kind = ExportStep::Copy;
  copy.source = bad.path() + "/gone_1.mp4";
  copy.output = out_.path() + "/gone_1.mp4";
  EXPECT_FALSE(runSteps({copy}, &message));
  EXPECT_TRUE(message.contains("Cannot read")) << message.toStdString();
  EXPECT_TRUE(filesIn(out_.path()).isEmpty());

  // A folder that cannot take the file (a file stands where it should be).
  QFile blocker(out_.path() + "/blocked");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  ExportStep blocked = steps[0];
  blocked.output = out_.path() + "/blocked/x.avi";
  blocked.arguments.last() = blocked.output;
  EXPECT_FALSE(runSteps({blocked}, &message));
  EXPECT_EQ(filesIn(out_.path()), QStringList{"blocked"});
}

TEST_F(Export, DiskFullIsReportedAndLeavesNoFile) {
  // A small file system of our own, when the machine lets us make one.
  if (QProcess::execute("sh", {"-c", "command -v mount >/dev/null && [ $(id -u) = 0 ]"}) != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  QTemporaryDir mountPoint;
  if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=200k", "tmpfs", mountPoint.path()}) != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  ExportChoice c;
  c.channels[0] = true;
  c.folder = mountPoint.path();
  QString message;
  const bool copied = runSteps(ExportPlan::build(sourceOf(gMedia->separate(1), 3, 10), c), &message);
  std::printf("[ disk full, copy ] %s\n", qPrintable(message));
  const QString copyMessage = message;
  c.type = "avi";
  const bool remuxed = runSteps(ExportPlan::build(sourceOf(gMedia->separate(1), 3, 10), c), &message);
  const QStringList left = filesIn(mountPoint.path());
  QProcess::execute("umount", {mountPoint.path()});
  EXPECT_FALSE(copied);
  EXPECT_FALSE(remuxed);
  std::printf("[ disk full, ffmpeg ] %s\n", qPrintable(message));
  EXPECT_TRUE(copyMessage.contains("No space left on device")) << copyMessage.toStdString();
  // Both name the file the user asked for.
  EXPECT_TRUE(copyMessage.contains("/20230101_120000_INF_1.mp4")) << copyMessage.toStdString();
  EXPECT_TRUE(message.contains("/20230101_120000_INF_1.avi")) << message.toStdString();
  EXPECT_FALSE(copyMessage.contains(".partial") || message.contains(".partial"));
  EXPECT_TRUE(message.contains("ffmpeg failed")) << message.toStdString();
  EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

// ---- the dialog ----

TEST_F(Export, DialogPagesModesFoldersAndChannelChoice) {
  SaveAsView view;
  view.setSource(sourceOf(gMedia->separate(1), 3, 10));
  view.show();
  auto *item1 = view.findChild<QCheckBox *>("item1");
  ASSERT_NE(item1, nullptr);
  EXPECT_TRUE(item1->isVisible());
  EXPECT_FALSE(view.findChild<QCheckBox *>("item4")->isVisible());
  EXPECT_EQ(view.findChild<QLabel *>("lTitle")->text(), "Choose Save Scene");
  view.grab().save(screenshotPath("save-dialog-channels"));
  QTest::mouseClick(view.findChild<QPushButton *>("bSaveVideo"), Qt::LeftButton);
  EXPECT_EQ(messages_, QStringList{"There is no select channel"});
  EXPECT_FALSE(view.onSettingPage());
  item1->setChecked(true);
  QTest::mouseClick(view.findChild<QPushButton *>("bSaveVideo"), Qt::LeftButton);
  EXPECT_TRUE(view.onSettingPage());
  EXPECT_EQ(view.findChild<QLabel *>("lTitle")->text(), "File Setting");
  EXPECT_EQ(QDir::fromNativeSeparators(view.findChild<QLineEdit *>("editPath")->text()),
            SaveAsView::defaultVideoFolder());
  EXPECT_TRUE(SaveAsView::defaultVideoFolder().endsWith("/TARVIK"));
  EXPECT_TRUE(view.findChild<QRadioButton *>("rAvi")->isVisible());
  view.findChild<QRadioButton *>("rAvi")->setChecked(true);
  EXPECT_EQ(view.type(), "avi");
  view.grab().save(screenshotPath("save-dialog-video"));
  QTest::mouseClick(view.findChild<QPushButton *>("bBack"), Qt::LeftButton);
  // A stored folder wins over the default; the type controls are video's.
  AppSettings::store().setValue("snapshotPath", out_.path());
  SaveAsView second;
  second.setSource(sourceOf(gMedia->separate(1), 3, 10));
  second.show();
  second.findChild<QCheckBox *>("item2")->setChecked(true);
  QTest::mouseClick(second.findChild<QPushButton *>("bSaveSnapshot"), Qt::LeftButton);
  EXPECT_EQ(second.folder(), out_.path());
  EXPECT_FALSE(second.findChild<QRadioButton *>("rMp4")->isVisible());
  EXPECT_FALSE(second.findChild<QTimeEdit *>("editFrom")->isVisible());
  second.grab().save(screenshotPath("save-dialog-snapshot"));
}

TEST_F(Export, SnapshotsAreCompleteOnlyWhenEveryPictureWasWritten) {
  QImage picture(64, 36, QImage::Format_RGB32);
  picture.fill(Qt::red);
  const QString png = out_.path() + "/0.png";
  ASSERT_TRUE(picture.save(png));
  QTemporaryDir target;
  AppSettings::store().setValue("snapshotPath", target.path());
  ExportSource s = sourceOf(gMedia->separate(1), 3, 10);
  s.position = 0.25;
  s.pictures = QStringList{png, QString(), png};
  SaveAsView view;
  view.setSource(s);
  view.show();
  view.findChild<QCheckBox *>("item1")->setChecked(true);
  view.findChild<QCheckBox *>("item2")->setChecked(true);
  QTest::mouseClick(view.findChild<QPushButton *>("bSaveSnapshot"), Qt::LeftButton);
  QSignalSpy done(&view, &SaveAsView::saveFinished);
  QTest::mouseClick(view.findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return done.count() == 1; }));
  EXPECT_FALSE(done.first().first().toBool());
  EXPECT_FALSE(messages_.contains("Complete to Save Snapshot!"));
  EXPECT_TRUE(messages_.last().contains("20230101_120000_INF_1_2_25.jpg")) << messages_.last().toStdString();

  view.findChild<QCheckBox *>("item2")->setChecked(false);
  view.findChild<QCheckBox *>("item3")->setChecked(true);
  answer_ = true;  // channel 1's picture is there from the first try
  QTest::mouseClick(view.findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return done.count() == 2; }));
  EXPECT_TRUE(done.last().first().toBool());
  EXPECT_EQ(messages_.last(), "Complete to Save Snapshot!");
  const QImage saved(target.path() + "/20230101_120000_INF_1_3_25.jpg");
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.size(), QSize(64, 36));
  EXPECT_GT(saved.pixelColor(30, 18).red(), 200);
}

TEST_F(Export, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  AppSettings::store().setValue("videoPath", out_.path());
  const QString target = out_.path() + "/20230101_120000_INF_1.mp4";
  QFile existing(target);
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("keep me");
  existing.close();
  SaveAsView view;
  view.setSource(sourceOf(gMedia->separate(1), 3, 10));
  view.show();
  view.findChild<QCheckBox *>("item1")->setChecked(true);
  QTest::mouseClick(view.findChild<QPushButton *>("bSaveVideo"), Qt::LeftButton);
  QSignalSpy done(&view, &SaveAsView::saveFinished);
  answer_ = false;
  QTest::mouseClick(view.findChild<QPushButton *>("bSave"), Qt::LeftButton);
  EXPECT_TRUE(messages_.last().contains("20230101_120000_INF_1.mp4"));
  EXPECT_FALSE(view.runner()->isRunning());
  QFile kept(target);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
  kept.close();
  answer_ = true;
  QTest::mouseClick(view.findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return done.count() == 1; }, 60000));
  EXPECT_EQ(messages_.last(), "Complete File Download!");
  EXPECT_EQ(QFileInfo(target).size(), QFileInfo(gMedia->separate(1)).size());
}

TEST_F(Export, CancelStopsFfmpegWithinASecondAndLeavesNoFile) {
  AppSettings::store().setValue("videoPath", out_.path());
  SaveAsView view;
  view.setSource(sourceOf(gMedia->drive(), 1, 60));
  view.show();
  view.findChild<QCheckBox *>("item1")->setChecked(true);
  QTest::mouseClick(view.findChild<QPushButton *>("bSaveVideo"), Qt::LeftButton);
  view.findChild<QCheckBox *>("cSideBySide")->setChecked(true);
  QSignalSpy done(&view, &SaveAsView::saveFinished);
  QTest::mouseClick(view.findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_NE(view.progressDialog(), nullptr);
  // Under way: ffmpeg runs and has reported some progress.
  ASSERT_TRUE(waitFor([&] { return view.progressDialog() && view.progressDialog()->value() >= 2; },
                      120000));
  ASSERT_NE(view.runner()->process(), nullptr);
  const qint64 pid = view.runner()->process()->processId();
  ASSERT_GT(pid, 0);
  view.grab().save(screenshotPath("save-dialog-progress-owner"));
  view.progressDialog()->grab().save(screenshotPath("save-dialog-progress"));
  QElapsedTimer clock;
  clock.start();
  auto *cancel = view.progressDialog()->findChild<QPushButton *>();
  ASSERT_NE(cancel, nullptr);
  QTest::mouseClick(cancel, Qt::LeftButton);
  const QString proc = QStringLiteral("/proc/%1/stat").arg(pid);
  auto gone = [&] {
    QFile stat(proc);
    if (!stat.open(QIODevice::ReadOnly)) return true;
    return stat.readAll().contains(") Z ");  // ended, not yet reaped
  };
  ASSERT_TRUE(waitFor(gone, 5000));
  std::printf("[ cancel ] ffmpeg gone %lld ms after the click\n",
              static_cast<long long>(clock.elapsed()));
  EXPECT_LT(clock.elapsed(), 1000);
  ASSERT_TRUE(waitFor([&] { return done.count() == 1; }));
  EXPECT_FALSE(done.first().first().toBool());
  EXPECT_FALSE(QFileInfo::exists(out_.path() + "/20240501_083000_INF_sidebyside.mp4"));
  EXPECT_TRUE(filesIn(out_.path()).isEmpty()) << filesIn(out_.path()).join(' ').toStdString();
  EXPECT_TRUE(messages_.last().contains("cancelled"));
}

TEST_F(Export, TelemetryOfTheSpanFromTheDialogInTheChosenFormat) {
  AppSettings::store().setValue("videoPath", out_.path());
  SaveAsView view;
  view.setSource(sourceOf(gMedia->drive(), 1, 60));
  view.setSpan(10, 20);
  view.show();
  // No channel is needed for the track.
  QTest::mouseClick(view.findChild<QPushButton *>("bSaveTelemetry"), Qt::LeftButton);
  ASSERT_TRUE(view.onSettingPage());
  EXPECT_TRUE(messages_.isEmpty());
  auto *format = view.findChild<QComboBox *>("cbFormat");
  ASSERT_NE(format, nullptr);
  EXPECT_TRUE(format->isVisible());
  EXPECT_FALSE(view.findChild<QRadioButton *>("rAvi")->isVisible());
  EXPECT_FALSE(view.findChild<QCheckBox *>("cSideBySide")->isVisible());
  format->setCurrentText("CSV");
  view.grab().save(screenshotPath("save-dialog-telemetry"));
  QSignalSpy done(&view, &SaveAsView::saveFinished);
  QTest::mouseClick(view.findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return done.count() == 1; }, 60000));
  EXPECT_TRUE(done.first().first().toBool()) << messages_.last().toStdString();
  EXPECT_EQ(messages_.last(), "Complete File Download!");
  QFile csv(out_.path() + "/20240501_083000_INF_1_10-20.csv");
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << filesIn(out_.path()).join(' ').toStdString();
  QList<QByteArray> rows = csv.readAll().trimmed().split('\n');
  ASSERT_GT(rows.size(), 10);
  const QList<QByteArray> header = rows.takeFirst().split(',');
  const int seconds = header.indexOf("seconds");
  ASSERT_GE(seconds, 0);
  double first = 1e9, last = -1;
  for (const QByteArray &row : rows) {
    const double s = row.split(',').value(seconds).toDouble();
    EXPECT_GE(s, 10 - 0.001);
    EXPECT_LE(s, 20 + 0.001);
    first = std::min(first, s);
    last = std::max(last, s);
  }
  EXPECT_LT(first, 10.5);
  EXPECT_GT(last, 19.5);

  // KML the same way; gpsbabel reads it.
  QTest::mouseClick(view.findChild<QPushButton *>("bBack"), Qt::LeftButton);
  QTest::mouseClick(view.findChild<QPushButton *>("bSaveTelemetry"), Qt::LeftButton);
  format->setCurrentText("KML");
  QTest::mouseClick(view.findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return done.count() == 2; }, 60000));
  EXPECT_TRUE(done.last().first().toBool());
  int code = -1;
  const QByteArray points = exporttest::run(
      "gpsbabel", {"-t", "-i", "kml", "-f", out_.path() + "/20240501_083000_INF_1_10-20.kml", "-o",
                   "unicsv", "-F", "-"},
      &code);
  EXPECT_EQ(code, 0);
  EXPECT_NEAR(points.trimmed().split('\n').size() - 1, rows.size(), 2);
}
