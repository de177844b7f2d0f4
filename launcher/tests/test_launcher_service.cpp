// The launcher's main object against real servers on 127.0.0.1, with a
// client speaking for the viewer and a stand-in viewer program that ends
// when told to (or is killed).
#include <signal.h>
#include <sys/stat.h>

#include "LauncherLog.h"
#include "MainWindow.h"
#include "UpdateService.h"
#include "launcher_fixture.h"
#include "zip_builder.h"

namespace {

const char kStandIn[] =
    "#!/bin/sh\n"
    "# Stand-in viewer: runs until a file named quit appears beside it.\n"
    "while [ ! -e quit ]; do sleep 0.05; done\n"
    "exit 0\n";

const char kInstaller[] =
    "#!/bin/sh\n"
    "touch \"$(dirname \"$0\")/installer-ran\"\n";

class LauncherService : public testing::Test {
 protected:
  void SetUp() override {
    QDir(appDataFolder()).removeRecursively();
    QDir(downloadFolder()).removeRecursively();
    QDir().mkpath(appDataFolder());
    LauncherLog::setPath(logPath());
    writeFile(logPath(), "10:00:00.000:: [i] [Main]: Program is run.\n");
    writeFile(client_.path() + "/TARVIK DASHCAM", kStandIn);
    QFile::setPermissions(client_.path() + "/TARVIK DASHCAM",
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    installer_ = QByteArray(kInstaller) + QByteArray(100000, '#') + '\n';
    writeFile(work_.path() + "/release.zip",
              QByteArray::fromStdString(ZipBuilder().build(installer_.toStdString())));
  }
  void TearDown() override {
    writeFile(client_.path() + "/quit", "");
    launcher_.reset();
    LauncherLog::setPath(QString());
  }

  // Starts the servers (extra arguments for the HTTP server) and the launcher.
  void start(const QString &agreement, QStringList serverArgs = {}, bool network = true) {
    serverArgs << "--archive" << work_.path() + "/release.zip"
               << "--request-log" << requestLog() << "--ftp-dir" << ftpDir();
    servers_ = std::make_unique<TestServers>(serverArgs);
    ASSERT_GT(servers_->http, 0);
    // Port 1 on 127.0.0.1 refuses at once: no network.
    storeSettings(agreement, "1.0.6", servers_->http, servers_->ftp, network ? servers_->http : 1);
    launcher_ = std::make_unique<MainWindow>(client_.path());
    QObject::connect(launcher_.get(), &MainWindow::finished,
                     [this](int code) { exitCode_ = code; });
    launcher_->start();
  }
  bool connectClient(ViewerClient &client) {
    return waitFor([] { return QFile::exists(MainWindow::serverPath()); }) &&
           client.connectTo(MainWindow::serverPath());
  }
  bool ended() {
    return waitFor([this] { return exitCode_ != -1; });
  }
  QString requestLog() const { return work_.path() + "/requests.txt"; }
  QString ftpDir() const { return work_.path() + "/ftp"; }
  QString log() const { return QString::fromUtf8(readFile(logPath())); }
  QStringList packages() const { return QDir(ftpDir()).entryList({"*_log.zip"}, QDir::Files); }
  void stopViewer() { writeFile(client_.path() + "/quit", ""); }

  QTemporaryDir client_{QDir::tempPath() + "/launcher-test-XXXXXX"};
  QTemporaryDir work_{QDir::tempPath() + "/launcher-test-XXXXXX"};
  QByteArray installer_;
  std::unique_ptr<TestServers> servers_;
  std::unique_ptr<MainWindow> launcher_;
  int exitCode_ = -1;
};

TEST_F(LauncherService, SocketIsForTheUserOnly) {
  start("1");
  ASSERT_TRUE(waitFor([] { return QFile::exists(MainWindow::serverPath()); }));
  struct stat st;
  ASSERT_EQ(::stat(QFile::encodeName(MainWindow::serverPath()).constData(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0077, 0u) << std::oct << st.st_mode;
}

TEST_F(LauncherService, UpdateFoundDownloadedAndInstalled) {
  // The archive takes about 2.5 s to arrive, so progress ticks are seen.
  start("3", {"--version", "1.0.7", "--throttle", "2.5"});
  ViewerClient viewer;
  ASSERT_TRUE(connectClient(viewer));
  viewer.send("HelloLauncher");
  ASSERT_TRUE(viewer.hears("HelloClient"));
  viewer.send("1.0.6");
  ASSERT_TRUE(viewer.hears("FindUpdate"));
  viewer.take();
  viewer.send("Version");
  ASSERT_TRUE(viewer.hears("1.0.7"));
  viewer.take();
  viewer.send("ExistUpdate");
  ASSERT_TRUE(viewer.hears("1.0.7"));
  EXPECT_FALSE(viewer.take().contains("NoUpdate"));

  viewer.send("Download");
  ASSERT_TRUE(viewer.hears("complete:1.0.7", 30000));
  const QString progress = viewer.take();
  EXPECT_TRUE(progress.startsWith("wait")) << progress.toStdString();
  EXPECT_FALSE(progress.contains("fail"));
  const QString installer = downloadFolder() + "/TARVIK DASHCAM Installer 1.0.7.run";
  EXPECT_EQ(readFile(installer), installer_);
  EXPECT_TRUE(QFileInfo(installer).isExecutable());
  EXPECT_TRUE(QFile::exists(downloadFolder() + "/TARVIK_DASH_CAM_WIN_1.0.7.zip"));

  // The viewer turns automatic updates off and says so.
  QSettings("pexlan", "melcor").setValue("agreement", "1");
  viewer.send("updateAgreement");
  ASSERT_TRUE(waitFor([this] { return log().count("Automatic update: false") == 1; }));

  viewer.send("closeToDoNot");
  ASSERT_TRUE(waitFor([this] { return log().contains("Recv Message: closeToDoNot"); }));
  stopViewer();
  ASSERT_TRUE(ended());
  EXPECT_EQ(exitCode_, 0);
  EXPECT_TRUE(waitFor([] { return QFile::exists(downloadFolder() + "/installer-ran"); }));
  const QString l = log();
  for (const char *line :
       {"Automatic update: true", "Send report: false", "Network is enable",
        "file name: TARVIK_DASH_CAM_WIN.zip", "file version: 1.0.7", "currentVersion: 1.0.6",
        "Update is exist", "Socket is listening now!", "recieve new connection!",
        "File not exist in Download Folder", "complete", "process is finished to update program"})
    EXPECT_TRUE(l.contains(QStringLiteral(":: [SERVER] ") + line)) << line;
  EXPECT_FALSE(l.contains("process is finished cause it Crashed"));
}

TEST_F(LauncherService, NoUpdateReportAndGoodbye) {
  start("1", {"--version", "1.0.6"});
  ViewerClient viewer;
  ASSERT_TRUE(connectClient(viewer));
  viewer.send("ExistUpdate");
  ASSERT_TRUE(viewer.hears("NoUpdate"));
  viewer.take();
  viewer.send("1.0.6");  // not older than the newest: no answer
  viewer.send("Report");
  ASSERT_TRUE(viewer.hears("Send_Complete", 30000));
  EXPECT_FALSE(viewer.take().contains("FindUpdate"));
  ASSERT_EQ(packages().size(), 1);
  const QString package = packages().first();
  EXPECT_TRUE(package.endsWith(QSettings("pexlan", "melcor").value("id").toString() + "_log.zip"));
  QProcess gunzip;
  gunzip.start("gunzip", {"-c", ftpDir() + "/" + package});
  ASSERT_TRUE(gunzip.waitForFinished(10000));
  const QByteArray unpacked = gunzip.readAllStandardOutput();
  EXPECT_TRUE(readFile(logPath()).startsWith(unpacked));
  EXPECT_TRUE(unpacked.contains(":: [i] [Main]: Program is run."));
  EXPECT_FALSE(QFile::exists(appDataFolder() + "/" + package));  // sent, so removed
  EXPECT_TRUE(log().contains(":: [SERVER] No Update"));
  EXPECT_TRUE(log().contains(":: [SERVER] file upload complete to ftp"));

  viewer.send("GoodbyeLauncher");
  ASSERT_TRUE(waitFor([this] { return log().contains("Goodbye client!"); }));
  EXPECT_EQ(exitCode_, -1);  // the launcher waits for the viewer to finish closing
  stopViewer();
  ASSERT_TRUE(ended());
  EXPECT_EQ(exitCode_, 0);
}

TEST_F(LauncherService, WithoutNetworkTheViewerIsToldSo) {
  start("3", {}, false);
  ViewerClient viewer;
  ASSERT_TRUE(connectClient(viewer));
  viewer.send("HelloLauncher");
  ASSERT_TRUE(viewer.hears("DisableNetwork"));
  EXPECT_TRUE(log().contains("Network is disable! so run program here"));
  EXPECT_TRUE(readFile(requestLog()).isEmpty());  // no update query was made
}

TEST_F(LauncherService, CrashUploadsTheLogOnlyWhenAllowed) {
  for (const char *agreement : {"5", "1"}) {
    SCOPED_TRACE(agreement);
    exitCode_ = -1;
    QDir(ftpDir()).removeRecursively();
    start(agreement);
    ASSERT_TRUE(waitFor([this] { return launcher_->viewerPid() > 0; }));
    ::kill(static_cast<pid_t>(launcher_->viewerPid()), SIGKILL);
    ASSERT_TRUE(ended());
    EXPECT_EQ(exitCode_, 0);
    EXPECT_TRUE(log().contains("process is finished cause it Crashed"));
    EXPECT_EQ(packages().size(), agreement[0] == '5' ? 1 : 0);
    launcher_.reset();
    servers_.reset();
  }
}

TEST_F(LauncherService, ArchiveInTheDownloadFolderIsUsedOnlyWhenSound) {
  start("3", {"--version", "1.0.7"});
  ViewerClient viewer;
  ASSERT_TRUE(connectClient(viewer));
  const QString archive = downloadFolder() + "/TARVIK_DASH_CAM_WIN_1.0.7.zip";
  QDir().mkpath(downloadFolder());

  QFile::copy(work_.path() + "/release.zip", archive);
  viewer.send("Download");
  ASSERT_TRUE(viewer.hears("complete:1.0.7"));
  EXPECT_FALSE(readFile(requestLog()).contains("/download/"));  // nothing was fetched
  viewer.take();

  QFile::remove(archive);
  writeFile(archive,
            QByteArray(ZipBuilder().build(std::string(5000, 'x')).substr(0, 60).c_str(), 60));
  viewer.send("Download");
  ASSERT_TRUE(viewer.hears("complete:1.0.7", 30000));
  EXPECT_TRUE(readFile(requestLog()).contains("/download/"));  // the broken one was replaced
  EXPECT_EQ(readFile(downloadFolder() + "/TARVIK DASHCAM Installer 1.0.7.run"), installer_);
}

TEST_F(LauncherService, BrokenArchiveAnswersFail) {
  ZipBuilder bad;
  bad.setCrc = true;
  bad.crc = 1;
  writeFile(work_.path() + "/release.zip", QByteArray::fromStdString(bad.build("#!/bin/sh\n")));
  start("3", {"--version", "1.0.7"});
  ViewerClient viewer;
  ASSERT_TRUE(connectClient(viewer));
  viewer.send("Download");
  ASSERT_TRUE(viewer.hears("fail"));
  EXPECT_FALSE(viewer.heard().contains("complete"));
  EXPECT_FALSE(QFile::exists(downloadFolder() + "/TARVIK DASHCAM Installer 1.0.7.run"));
  EXPECT_TRUE(log().contains("error! unpack failed: CRC-32 does not match"));
}

TEST_F(LauncherService, StalledDownloadFailsAndLeavesNoArchive) {
  start("3", {"--version", "1.0.7", "--stall", "--throttle", "0.2"});
  launcher_->updates()->setStallLimit(2);
  ViewerClient viewer;
  ASSERT_TRUE(connectClient(viewer));
  viewer.send("Download");
  ASSERT_TRUE(viewer.hears("fail", 30000));
  EXPECT_TRUE(viewer.heard().startsWith("wait"));
  EXPECT_TRUE(QDir(downloadFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(LauncherService, NewestConnectionIsServed) {
  start("1");
  ViewerClient first, second;
  ASSERT_TRUE(connectClient(first));
  ASSERT_TRUE(waitFor([this] { return log().count("recieve new connection!") == 1; }));
  ASSERT_TRUE(connectClient(second));
  ASSERT_TRUE(waitFor([&] { return first.socket().state() == QLocalSocket::UnconnectedState; }));
  second.send("HelloLauncher");
  EXPECT_TRUE(second.hears("HelloClient"));
}

TEST_F(LauncherService, ViewerThatCannotStartEndsTheLauncher) {
  QFile::remove(client_.path() + "/TARVIK DASHCAM");
  start("1", {}, false);
  ASSERT_TRUE(ended());
  EXPECT_EQ(exitCode_, 1);
  EXPECT_TRUE(log().contains(":: [SERVER] Failed to start server"));
}

}  // namespace
