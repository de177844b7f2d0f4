// The launcher's small parts: message splitting, version texts, the log
// package, the process check and the deployment settings.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "DeploymentSettings.h"
#include "LauncherLog.h"
#include "LogPacker.h"
#include "ProcessCheck.h"
#include "VersionText.h"
#include "ViewerMessages.h"

namespace {
void writeFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}
}  // namespace

TEST(ViewerMessages, SplitsMessagesThatArriveInOneRead) {
  EXPECT_EQ(ViewerMessages::split("HelloLauncher"), QStringList{"HelloLauncher"});
  EXPECT_EQ(ViewerMessages::split("closeToDoNotGoodbyeLauncher"),
            (QStringList{"closeToDoNot", "GoodbyeLauncher"}));
  EXPECT_EQ(ViewerMessages::split("1.0.6Download"), (QStringList{"1.0.6", "Download"}));
  // The longer word wins where one begins another.
  EXPECT_EQ(ViewerMessages::split("DownloadWaitingDownloadWaiting"),
            (QStringList{"DownloadWaiting", "DownloadWaiting"}));
  EXPECT_EQ(ViewerMessages::split("ReportHello?"), (QStringList{"Report", "Hello?"}));
  EXPECT_TRUE(ViewerMessages::isVersionText("1.0.6"));
  EXPECT_FALSE(ViewerMessages::isVersionText("Version"));
}

TEST(VersionText, ComparesPartByPart) {
  EXPECT_TRUE(VersionText::isNewer("1.0.6", "1.0.7"));
  EXPECT_TRUE(VersionText::isNewer("1.0.6", "1.1.0"));
  EXPECT_FALSE(VersionText::isNewer("1.0.6", "1.0.6"));
  EXPECT_FALSE(VersionText::isNewer("1.0.7", "1.0.6"));
  EXPECT_FALSE(VersionText::isNewer("1.0", "2.0.0"));  // two-part numbering offers nothing
  EXPECT_FALSE(VersionText::isNewer("", "1.0.7"));
}

TEST(VersionText, OnlyVersionsBecomeFileNames) {
  EXPECT_TRUE(VersionText::isValid("1.0.7"));
  EXPECT_TRUE(VersionText::isValid("10.20"));
  for (const char *bad : {"", "1", "1.0.7/../../x", "../1.0.7", "1.0.7 ", "a.b.c", "1..7"})
    EXPECT_FALSE(VersionText::isValid(bad)) << bad;
}

class LogPackerTest : public testing::Test {
 protected:
  void SetUp() override {
    LauncherLog::setPath(dir_.path() + "/playerStatus.txt");
    QFile log(LauncherLog::path());
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    for (int i = 0; i < 2000; ++i)
      log.write(QStringLiteral("12:00:00.%1:: [i] line %2 ü\n")
                    .arg(i % 1000, 3, 10, QChar('0'))
                    .arg(i)
                    .toUtf8());
  }
  void TearDown() override { LauncherLog::setPath(QString()); }
  QByteArray gunzip(const QString &path) {
    QProcess p;
    p.start("gunzip", {"-c", path});
    p.waitForFinished(30000);
    EXPECT_EQ(p.exitCode(), 0);
    return p.readAllStandardOutput();
  }
  QTemporaryDir dir_{QDir::tempPath() + "/launcher-test-XXXXXX"};
};

TEST_F(LogPackerTest, PackageIsTheLogGzippedUnderItsName) {
  const QDateTime when(QDate(2024, 1, 31), QTime(14, 25, 1));
  const QString name = LogPacker::packageName(when, "5d396b28-0ee1-4ee9-a6b4-228f4b81f837");
  EXPECT_EQ(name, "240131_142501_5d396b28-0ee1-4ee9-a6b4-228f4b81f837_log.zip");
  QFile log(LauncherLog::path());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QByteArray before = log.readAll();
  log.close();
  const QString package = dir_.path() + '/' + name;
  ASSERT_TRUE(LogPacker::pack(LauncherLog::path(), package));
  // The packer logs its own steps into the same file while it reads it: the
  // package holds the log as it was up to the read, byte for byte.
  const QByteArray unpacked = gunzip(package);
  EXPECT_TRUE(unpacked.startsWith(before));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().startsWith(unpacked));
  EXPECT_TRUE(unpacked.contains(":: [SERVER] zip File is not exist."));
}

TEST_F(LogPackerTest, SecondPackageOfTheSameSecondReplacesTheFirst) {
  const QString package = dir_.path() + "/same_log.zip";
  QFile stale(package);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write("not a gzip stream at all");
  stale.close();
  ASSERT_TRUE(LogPacker::pack(LauncherLog::path(), package));
  EXPECT_TRUE(gunzip(package).contains("line 1999"));
  QFile log(LauncherLog::path());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().contains(":: [SERVER] zip File is exist."));
}

TEST_F(LogPackerTest, MissingLogIsReported) {
  EXPECT_FALSE(LogPacker::pack(dir_.path() + "/absent.txt", dir_.path() + "/p_log.zip"));
  QFile log(LauncherLog::path());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().contains("error! cannot open playerStatus.txt to zip!"));
}

TEST(LauncherLog, NeverBringsBackALogTheViewerDeleted) {
  QTemporaryDir dir{QDir::tempPath() + "/launcher-test-XXXXXX"};
  LauncherLog::setPath(dir.path() + "/playerStatus.txt");
  LauncherLog::write("first");
  QFile log(LauncherLog::path());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(
      QString::fromUtf8(log.readAll())
          .contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}:: \\[SERVER\\] first\n$")));
  log.close();
  QFile::remove(LauncherLog::path());  // a normal viewer exit
  LauncherLog::write("late line");
  EXPECT_FALSE(QFile::exists(LauncherLog::path()));
  LauncherLog::setPath(QString());
}

TEST(ProcessCheck, FindsProgramsByTheirExactName) {
  // A real process started from a file named like the viewer.
  QTemporaryDir dir{QDir::tempPath() + "/launcher-test-XXXXXX"};
  const QString program = dir.path() + "/TARVIK DASHCAM";
  ASSERT_TRUE(QFile::copy("/bin/sleep", program));
  QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const ProcessCheck check;
  QProcess running;
  running.start(program, {"30"});
  ASSERT_TRUE(running.waitForStarted());
  EXPECT_TRUE(check.isRunning("TARVIK DASHCAM"));
  EXPECT_FALSE(check.isRunning("tarvik dashcam"));
  EXPECT_FALSE(check.isRunning("TARVIK DASHCAM", static_cast<pid_t>(running.processId())));
  running.kill();
  running.waitForFinished();
  EXPECT_FALSE(check.isRunning("TARVIK DASHCAM"));
}

TEST(ProcessCheck, ReadsCommWhenTheExeLinkIsHiddenAndSkipsEndedProcesses) {
  // A /proc of our own: 101 shows only its comm (as processes of other
  // sessions may), 102 has an exe link, 103 has ended but was not collected.
  QTemporaryDir proc{QDir::tempPath() + "/launcher-test-XXXXXX"};
  struct Entry {
    const char *pid, *comm, *stat;
  };
  for (const Entry &e : {Entry{"101", "dashlauncher\n", "101 (dashlauncher) S 1 1"},
                         Entry{"102", "TARVIK DASHCAM\n", "102 (TARVIK DASHCAM) R 1 1"},
                         Entry{"103", "old viewer\n", "103 (old viewer) Z 1 1"}}) {
    QDir(proc.path()).mkpath(e.pid);
    writeFile(proc.path() + "/" + e.pid + "/comm", e.comm);
    writeFile(proc.path() + "/" + e.pid + "/stat", e.stat);
  }
  QDir(proc.path()).mkpath("self");
  QFile::link("/usr/bin/TARVIK DASHCAM (deleted)", proc.path() + "/102/exe");
  const ProcessCheck check(proc.path());
  EXPECT_TRUE(check.isRunning("dashlauncher"));
  EXPECT_FALSE(check.isRunning("dashlauncher", 101));
  EXPECT_TRUE(check.isRunning("TARVIK DASHCAM"));  // a replaced program file still counts
  EXPECT_FALSE(check.isRunning("TARVIK"));
  EXPECT_FALSE(check.isRunning("old viewer"));
}

TEST(DeploymentSettings, DefaultsAndOverrides) {
  QSettings settings("pexlan", "melcor");
  settings.remove("launcher");
  DeploymentSettings d = DeploymentSettings::read(settings);
  EXPECT_EQ(d.uploadPort, 4422);
  EXPECT_EQ(d.uploadUser, "melcor");
  EXPECT_EQ(d.uploadPassword, "kalMpoz48w!");
  EXPECT_EQ(d.reachPort, 443);
  EXPECT_EQ(d.reachHosts.size(), 2);
  EXPECT_EQ(d.updateQueryUrl().path(), "/api/firmware");
  EXPECT_EQ(d.updateQueryUrl().query(), "model=TARVIK.Viewer.win");
  EXPECT_EQ(d.releaseArchiveUrl().scheme(), "https");
  settings.setValue("launcher/updateServer", "http://127.0.0.1:8080");
  settings.setValue("launcher/reachHosts", "127.0.0.1,localhost");
  d = DeploymentSettings::read(settings);
  EXPECT_EQ(d.updateQueryUrl().toString(),
            "http://127.0.0.1:8080/api/firmware?model=TARVIK.Viewer.win");
  EXPECT_EQ(d.reachHosts, (QStringList{"127.0.0.1", "localhost"}));
  const QUrl upload = d.uploadUrl("240131_142501_x_log.zip");
  EXPECT_EQ(upload.scheme(), "ftp");
  EXPECT_EQ(upload.port(), 4422);
  EXPECT_EQ(upload.path(), "/240131_142501_x_log.zip");
  settings.remove("launcher");
}
