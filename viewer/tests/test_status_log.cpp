// The status log: line layout, tags, threshold and whole lines.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "core/StatusLog.h"

namespace {

QStringList readLines(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class StatusLogTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.path() + QStringLiteral("/playerStatus.txt");
    StatusLog::setPath(path_);
    StatusLog::setThreshold(5);
  }
  void TearDown() override { StatusLog::setPath(QString()); }
  QTemporaryDir dir_;
  QString path_;
};

}  // namespace

TEST_F(StatusLogTest, LineLayoutAndTags) {
  logError("e %d", 1);
  logWarning("w");
  logInfo("[Main]: Program is run.");
  logLine("l");
  logDebug("MainWindow::openSDCardDlg");
  const QStringList lines = readLines(path_);
  ASSERT_EQ(lines.size(), 5);
  const QRegularExpression shape(
      QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d\d\d:: \[([ewild])\] (.*)$)"));
  const char tags[] = {'e', 'w', 'i', 'l', 'd'};
  const QStringList messages = {"e 1", "w", "[Main]: Program is run.", "l",
                                "MainWindow::openSDCardDlg"};
  for (int i = 0; i < 5; ++i) {
    QRegularExpressionMatch m = shape.match(lines[i]);
    ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
    EXPECT_EQ(m.captured(1), QString(QLatin1Char(tags[i])));
    EXPECT_EQ(m.captured(2), messages[i]);
  }
}

TEST_F(StatusLogTest, ThresholdAndMessageLimit) {
  StatusLog::setThreshold(2);
  logDebug("hidden");
  logLine("hidden too");
  logInfo("shown");
  StatusLog::setThreshold(5);
  logInfo("%s", std::string(5000, 'x').c_str());
  const QStringList lines = readLines(path_);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral(":: [i] shown")));
  EXPECT_EQ(lines[1].size(), 12 + 7 + 1023);  // time, tag, message cut to 1024 bytes
}

TEST_F(StatusLogTest, OnlyTheUserReadsItAndHomeIsNotNamed) {
  const QByteArray savedHome = qgetenv("HOME");
  qputenv("HOME", "/home/ann");
  logInfo("[PlayerInterface]: /home/ann/Videos/a.mp4 and /home/anna/b.mp4 and /home/ann");
  qputenv("HOME", savedHome);
  const QStringList lines = readLines(path_);
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral("~/Videos/a.mp4 and /home/anna/b.mp4 and ~")))
      << lines[0].toStdString();
  EXPECT_EQ(QFile::permissions(path_) &
                (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
            QFile::Permissions());

  // A log an older version left readable by everybody is closed up.
  const QString old = dir_.path() + QStringLiteral("/old.txt");
  QFile f(old);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
  StatusLog::setPath(old);
  logInfo("x");
  EXPECT_FALSE(QFile::permissions(old) & QFile::ReadOther);
}

TEST_F(StatusLogTest, ConcurrentWritersLeaveWholeLines) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 500; ++i)
        logInfo("[Worker]: thread %d line %d %s", t, i, std::string(200, 'z').c_str());
    });
  for (auto &t : threads) t.join();
  const QStringList lines = readLines(path_);
  ASSERT_EQ(lines.size(), 2000);
  const QRegularExpression shape(
      QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d\d\d:: \[i\] \[Worker\]: thread \d line \d+ z{200}$)"));
  for (const QString &l : lines) ASSERT_TRUE(shape.match(l).hasMatch()) << l.toStdString();
}
