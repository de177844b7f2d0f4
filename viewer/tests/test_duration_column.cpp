// The play-time column, read from real recordings made with ffmpeg and
// checked against ffprobe; and the background reader's safety when loads
// follow each other or the list goes away.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "recordings/DurationLoader.h"
#include "core/KRNData.h"
#include "recordings/MelFileListItem.h"
#include "recording_list_support.h"

namespace {

QString makeRecording(const QString &path, int seconds) {
  QProcess::execute(QStringLiteral("ffmpeg"),
                    {"-v", "error", "-y", "-f", "lavfi", "-i",
                     QStringLiteral("testsrc=size=64x48:rate=5"), "-t", QString::number(seconds),
                     "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", path});
  return path;
}

// "mm:ss" of ffprobe's container duration, whole seconds.
QString ffprobeText(const QString &path) {
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration", "-of",
                                          "default=noprint_wrappers=1:nokey=1", path});
  probe.waitForFinished(30000);
  bool ok = false;
  const double seconds = QString::fromLatin1(probe.readAllStandardOutput()).trimmed().toDouble(&ok);
  if (!ok) return QStringLiteral("ffprobe failed");
  const int whole = static_cast<int>(std::floor(seconds + 1e-6));
  return QStringLiteral("%1:%2")
      .arg(whole / 60, 2, 10, QLatin1Char('0'))
      .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

class DurationColumn : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    listtest::useIconsIn(dir_->filePath(QStringLiteral("app")));
    short_ = makeRecording(dir_->filePath(QStringLiteral("20240501_090000_INF_1.mp4")), 2);
    long_ = makeRecording(dir_->filePath(QStringLiteral("20240501_091000_EVT_1.mp4")), 65);
    broken_ = dir_->filePath(QStringLiteral("20240501_092000_PRK_1.mp4"));
    listtest::touch(broken_, QByteArray(5000, '\x5a'));
    // Many copies of the short recording, and a few of the long one.
    QDir().mkpath(dir_->filePath(QStringLiteral("many")));
    for (int i = 0; i < 600; ++i) {
      const QString copy = dir_->filePath(QStringLiteral("many/20240601_%1%2%3_INF_1.mp4")
                                              .arg(i / 60, 2, 10, QLatin1Char('0'))
                                              .arg(i % 60, 2, 10, QLatin1Char('0'))
                                              .arg(0, 2, 10, QLatin1Char('0')));
      QFile::copy(short_, copy);
      many_.append(copy);
    }
    for (int i = 0; i < 3; ++i) {
      const QString copy = dir_->filePath(QStringLiteral("20240701_10000%1_USR_1.mp4").arg(i));
      QFile::copy(long_, copy);
      few_.append(copy);
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    listtest::resetState();
    list_ = std::make_unique<MelFileListItem>();
    list_->show();
    QObject::connect(list_.get(), &MelFileListItem::durationsShown, [this] { ++shown_; });
  }
  void TearDown() override {
    list_.reset();
    listtest::resetState();
  }
  bool waitShown(int count) {
    return listtest::waitUntil([&] { return shown_ >= count; });
  }
  QString durationAt(int row) const {
    return list_->item(row, 2) ? list_->item(row, 2)->text() : QStringLiteral("no cell");
  }

  static QTemporaryDir *dir_;
  static QString short_, long_, broken_;
  static QStringList many_, few_;
  std::unique_ptr<MelFileListItem> list_;
  int shown_ = 0;
};

QTemporaryDir *DurationColumn::dir_ = nullptr;
QString DurationColumn::short_, DurationColumn::long_, DurationColumn::broken_;
QStringList DurationColumn::many_, DurationColumn::few_;

}  // namespace

TEST_F(DurationColumn, MatchesFfprobeAndStaysEmptyForUnreadableFiles) {
  const QString shortText = ffprobeText(short_);
  const QString longText = ffprobeText(long_);
  ASSERT_EQ(shortText, QStringLiteral("00:02"));
  ASSERT_EQ(longText, QStringLiteral("01:05"));
  list_->onLoadItem({long_, broken_, short_});
  ASSERT_EQ(list_->rowCount(), 3);
  // All rows are there at once; the times follow.
  EXPECT_EQ(durationAt(0), QString());
  ASSERT_TRUE(waitShown(1));
  EXPECT_EQ(durationAt(0), shortText);
  EXPECT_EQ(durationAt(1), longText);
  EXPECT_EQ(durationAt(2), QString());
  const QVector<RecordingItem> &items = ViewerState::instance().recordingList;
  EXPECT_EQ(items[0].durationText, shortText);
  EXPECT_EQ(items[1].durationText, longText);
  EXPECT_EQ(list_->item(0, 2)->textAlignment(), int(Qt::AlignRight | Qt::AlignVCenter));
}

TEST_F(DurationColumn, ASingleFileIsListedAtOnceAndTimedBesideTheWindow) {
  list_->onLoadItem({long_});
  ASSERT_EQ(list_->rowCount(), 1);  // listed before its time is known
  ASSERT_TRUE(listtest::waitUntil([&] { return !durationAt(0).isEmpty(); }));
  EXPECT_EQ(durationAt(0), ffprobeText(long_));
  EXPECT_EQ(ViewerState::instance().recordingList[0].durationText, ffprobeText(long_));
  EXPECT_FALSE(list_->isReadingDurations());
}

TEST_F(DurationColumn, ANewerLoadWinsOverAnOlderOneStillReading) {
  QVector<quint64> reported;
  QObject::connect(list_->durationLoader(), &DurationLoader::durationsRead, list_.get(),
                   [&](quint64 generation) { reported.append(generation); });
  list_->onLoadItem(many_);
  EXPECT_EQ(list_->rowCount(), 600);
  list_->onLoadItem(few_);
  ASSERT_TRUE(waitShown(1));
  listtest::processFor(300);
  EXPECT_EQ(shown_, 1);
  ASSERT_EQ(reported.size(), 1);  // the first load was stopped, not finished
  ASSERT_EQ(list_->rowCount(), 3);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(ViewerState::instance().recordingList[row].filePath, few_[row]);
    EXPECT_EQ(durationAt(row), QStringLiteral("01:05")) << row;
  }
}

TEST_F(DurationColumn, TheReportOfAReplacedLoadIsDropped) {
  list_->onLoadItem({short_, few_[1]});
  // Finished, but its report still waits in the event queue...
  ASSERT_TRUE(listtest::waitUntilNoEvents([&] { return !list_->isReadingDurations(); }));
  EXPECT_EQ(shown_, 0);
  list_->onLoadItem({long_, few_[0]});  // ...when the next load replaces it.
  ASSERT_TRUE(waitShown(1));
  listtest::processFor(200);
  EXPECT_EQ(shown_, 1);
  ASSERT_EQ(list_->rowCount(), 2);
  EXPECT_EQ(ViewerState::instance().recordingList[0].filePath, long_);
  EXPECT_EQ(durationAt(0), QStringLiteral("01:05"));
  EXPECT_EQ(durationAt(1), QStringLiteral("01:05"));
}

TEST_F(DurationColumn, CardFilesDuringAReadAreTheOnesTimed) {
  list_->onLoadItem(many_);
  list_->recvCardFiles({few_[0], short_});
  ASSERT_TRUE(waitShown(1));
  listtest::processFor(200);
  EXPECT_EQ(shown_, 1);
  ASSERT_EQ(list_->rowCount(), 2);
  EXPECT_EQ(durationAt(0), QStringLiteral("00:02"));
  EXPECT_EQ(durationAt(1), QStringLiteral("01:05"));
}

TEST_F(DurationColumn, RowsRemovedMeanwhileGetTheirOwnTimes) {
  listtest::CapturedBoxes boxes;
  list_->onLoadItem({long_, short_, few_[0]});
  list_->selectRow(0);  // the short one
  list_->onDeleteCurrentFile();
  ASSERT_EQ(list_->rowCount(), 2);
  ASSERT_TRUE(waitShown(1));
  EXPECT_EQ(durationAt(0), QStringLiteral("01:05"));
  EXPECT_EQ(durationAt(1), QStringLiteral("01:05"));
  EXPECT_EQ(ViewerState::instance().recordingList[0].filePath, long_);
}

TEST_F(DurationColumn, TheListCanGoAwayWhileReading) {
  list_->onLoadItem(many_);
  ASSERT_TRUE(list_->isReadingDurations());
  list_.reset();
  listtest::processFor(100);
  EXPECT_EQ(shown_, 0);
}

TEST_F(DurationColumn, LoaderReportsOnceInPathOrderAndNotAfterStop) {
  DurationLoader loader;
  QVector<quint64> generations;
  QObject::connect(
      &loader, &DurationLoader::durationsRead, &loader, [&](quint64 g) { generations.append(g); },
      Qt::QueuedConnection);
  const QStringList paths = {long_, broken_, short_, dir_->filePath(QStringLiteral("missing.mp4"))};
  for (int workers : {1, 2, 3}) {
    loader.setWorkerCount(workers);
    generations.clear();
    const quint64 generation = 40 + workers;
    loader.start(generation, paths);
    ASSERT_TRUE(listtest::waitUntil([&] { return !generations.isEmpty(); }));
    EXPECT_EQ(generations, QVector<quint64>{generation});
    QStringList gotPaths, durations;
    EXPECT_FALSE(loader.takeResults(generation - 1, &gotPaths, &durations));
    ASSERT_TRUE(loader.takeResults(generation, &gotPaths, &durations));
    EXPECT_EQ(gotPaths, paths);
    EXPECT_EQ(durations, (QStringList{"01:05", "", "00:02", ""})) << workers;
    EXPECT_FALSE(loader.takeResults(generation, &gotPaths, &durations));  // once only
  }
  generations.clear();
  loader.start(99, many_);
  EXPECT_TRUE(loader.isRunning());
  loader.stop();
  EXPECT_FALSE(loader.isRunning());
  listtest::processFor(200);
  EXPECT_TRUE(generations.isEmpty());
  QStringList gotPaths, durations;
  EXPECT_FALSE(loader.takeResults(99, &gotPaths, &durations));
}
