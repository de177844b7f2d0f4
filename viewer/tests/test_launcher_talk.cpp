// The viewer's side of the launcher talk (LocalSocket, the About dialog's
// update check, UpdateView and WaitAlertView, the log report) against the
// real dashlauncher program, which here starts a stand-in viewer and serves
// this test process instead. Its servers run on 127.0.0.1.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include "app/AboutView.h"
#include "core/AppSettings.h"
#include "core/LocalSocket.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "launcher/LauncherTalk.h"
#include "launcher/UpdateView.h"
#include "launcher/WaitAlertView.h"
#include "launcher_fixture.h"
#include "widgets/MessageBoxes.h"

namespace {

QString shotPath(const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

class LauncherTalkTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Downloads and the socket go to folders of this test alone.
    static QTemporaryDir home{QDir::tempPath() + "/launcher-test-XXXXXX"};
    QDir().mkpath(home.path() + "/run");
    QFile::setPermissions(home.path() + "/run",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path() + "/run"));
  }

  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    s.appData = appDataFolder();
    s.version = QStringLiteral("1.0.6");
    s.alwaysDownload = false;
    s.automaticSend = false;
    QDir().mkpath(s.appData);
    QDir(downloadFolder()).removeRecursively();
    QFile::remove(logPath());
    StatusLog::setPath(logPath());
    MessageBoxes::setHook([this](const QString &title, const QString &text, bool) {
      boxes_ << (title.isEmpty() ? text : title + ": " + text);
      return false;
    });
  }

  void TearDown() override {
    MessageBoxes::setHook(nullptr);
    LocalSocket::instance().close();
    writeFile(client_.path() + "/quit", "");
    if (launcher_.state() != QProcess::NotRunning && !launcher_.waitForFinished(30000))
      launcher_.kill();
    servers_.reset();
  }

  // The real launcher, copied beside a stand-in viewer that ends on "quit".
  void startLauncher(const QString &agreement) {
    QFile::copy(QStringLiteral(DASHLAUNCHER_PATH), client_.path() + "/dashlauncher");
    writeFile(client_.path() + "/TARVIK DASHCAM",
              "#!/bin/sh\nwhile [ ! -e quit ]; do sleep 0.05; done\n");
    for (const char *program : {"/dashlauncher", "/TARVIK DASHCAM"})
      QFile::setPermissions(client_.path() + program,
                            QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ZipBuilderArchive();
    servers_ = std::make_unique<TestServers>(
        QStringList{"--version", "1.0.7", "--archive", work_.path() + "/release.zip", "--throttle",
                    "2", "--ftp-dir", work_.path() + "/ftp"});
    ASSERT_GT(servers_->http, 0);
    storeSettings(agreement, "1.0.6", servers_->http, servers_->ftp, servers_->http);
    AppSettings::store().sync();
    launcher_.setProcessChannelMode(QProcess::ForwardedChannels);
    launcher_.start(client_.path() + "/dashlauncher", QStringList());
    ASSERT_TRUE(launcher_.waitForStarted(10000));
    ASSERT_TRUE(waitFor([] { return QFile::exists(LocalSocket::serverPath()); }, 30000));
  }

  void ZipBuilderArchive() {
    // Python's zipfile writes the release archive, as a packager would.
    const QString script =
        "import zipfile,sys\n"
        "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
        "  z.writestr('setup.run', '#!/bin/sh\\nexit 0\\n' + '#' * 50000)\n";
    ASSERT_EQ(QProcess::execute("/usr/bin/python3", {"-c", script, work_.path() + "/release.zip"}),
              0);
  }

  QString log() const { return QString::fromUtf8(readFile(logPath())); }

  QTemporaryDir client_{QDir::tempPath() + "/launcher-test-XXXXXX"};
  QTemporaryDir work_{QDir::tempPath() + "/launcher-test-XXXXXX"};
  QProcess launcher_;
  std::unique_ptr<TestServers> servers_;
  QStringList boxes_;
};

TEST(LauncherMessages, SplitsWhatArrivesInOneRead) {
  EXPECT_EQ(LocalSocket::split("complete:1.0.7"), QStringList{"complete:1.0.7"});
  EXPECT_EQ(LocalSocket::split("waitcomplete:1.0.7"), (QStringList{"wait", "complete:1.0.7"}));
  EXPECT_EQ(LocalSocket::split("waitwaitfail"), (QStringList{"wait", "wait", "fail"}));
  EXPECT_EQ(LocalSocket::split("HelloClient1.0.7"), (QStringList{"HelloClient", "1.0.7"}));
  EXPECT_EQ(LocalSocket::split("complete"), QStringList{"complete"});
  EXPECT_EQ(LocalSocket::split("Send_Complete"), QStringList{"Send_Complete"});
  EXPECT_EQ(LocalSocket::split("hello"), QStringList{"hello"});
  EXPECT_EQ(LauncherTalk::versionOf("complete:1.0.7"), "1.0.7");
  EXPECT_EQ(LauncherTalk::versionOf("complete"), "");
}

TEST_F(LauncherTalkTest, WithoutLauncherTheViewerWorksAlone) {
  QFile::remove(LocalSocket::serverPath());
  LocalSocket::instance().connectToLauncher();
  EXPECT_FALSE(LocalSocket::instance().isConnected());
  EXPECT_TRUE(log().contains(":: [e] N: Error = ServerNotFoundError"));
  LocalSocket::instance().send("Version");  // goes nowhere, and says nothing
  EXPECT_FALSE(log().contains("Send Message: Version"));
  AboutView about;
  about.openUpdateDlg();
  UpdateView update(UpdateView::InstallMode);
  update.setText("1.0.7");
  update.checkUpdate();
  EXPECT_EQ(boxes_, (QStringList{"Network Communication is not support now.",
                                 "Network Communication is not working."}));
}

TEST_F(LauncherTalkTest, AboutFindsTheUpdateAndDownloadsIt) {
  startLauncher("1");
  LocalSocket &socket = LocalSocket::instance();
  socket.connectToLauncher();
  ASSERT_TRUE(socket.canTalk());
  EXPECT_TRUE(log().contains(":: [i] GetMessage Complete! Message is : HelloClient"));

  // Acts on the dialogs as they come up: a picture of each, then Download.
  bool shotUpdate = false, shotWait = false;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *update = qobject_cast<UpdateView *>(modal); update && !shotUpdate) {
      shotUpdate = update->grab().save(shotPath("update-view-download"));
      // Clicked from the event loop: the download's wait runs inside the click.
      QTimer::singleShot(0, update->findChild<QPushButton *>("bOk"), &QPushButton::click);
    } else if (auto *wait = qobject_cast<WaitAlertView *>(modal); wait && !shotWait) {
      shotWait = wait->grab().save(shotPath("wait-alert-view-offscreen"));
    }
  });
  driver.start(50);
  AboutView about;
  about.openUpdateDlg();
  ASSERT_TRUE(waitFor([&] { return boxes_.size() == 1; }, 60000));
  driver.stop();
  EXPECT_TRUE(shotUpdate);
  EXPECT_TRUE(shotWait);
  // The install question came (and was declined, so the program goes on).
  EXPECT_EQ(boxes_.first(),
            "Update Message: Download is complete.\nWould you like to install now?");
  const QString l = log();
  for (const char *line :
       {":: [i] Send Message: Version", ":: [SERVER] Send Message: 1.0.7",
        ":: [d] [AboutView] RecvMessage: 1.0.7", ":: [i] Send Message: Download",
        ":: [SERVER] Send Message: wait", ":: [i] Send Message: DownloadWaiting",
        ":: [SERVER] Recv Message: DownloadWaiting", ":: [SERVER] Send Message: complete:1.0.7",
        ":: [d] [UpdateView] RecvMessage: complete:1.0.7", ":: [i] Send Message: updateAgreement",
        ":: [SERVER] Recv Message: updateAgreement"})
    EXPECT_TRUE(l.contains(line)) << line;
  EXPECT_TRUE(QFileInfo(downloadFolder() + "/TARVIK DASHCAM Installer 1.0.7.run").isExecutable());
  EXPECT_TRUE(socket.isConnected());

  // The launcher found no update at its start (automatic updates were off).
  QStringList heard;
  QObject::connect(&socket, &LocalSocket::onSendRecvMessage, &socket,
                   [&](const QString &m) { heard << m; });
  socket.send("ExistUpdate");
  ASSERT_TRUE(waitFor([&] { return heard.contains("NoUpdate"); }));

  // The crash-report page's "send now": the log is packed and uploaded.
  socket.send("Report");
  ASSERT_TRUE(waitFor([&] { return heard.contains("Send_Complete"); }, 30000));
  const QStringList packages = QDir(work_.path() + "/ftp").entryList({"*_log.zip"}, QDir::Files);
  ASSERT_EQ(packages.size(), 1);

  // Goodbye goes out; the launcher ends once its (stand-in) viewer has.
  socket.send("GoodbyeLauncher");
  socket.close();
  writeFile(client_.path() + "/quit", "");
  ASSERT_TRUE(launcher_.waitForFinished(30000));
  EXPECT_EQ(launcher_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(launcher_.exitCode(), 0);
  EXPECT_TRUE(log().contains(":: [SERVER] Goodbye client!"));
}

TEST_F(LauncherTalkTest, DisableNetworkSilencesAllButGoodbye) {
  startLauncher("3");
  QSettings("pexlan", "melcor").setValue("launcher/reachPort", 1);
  // The launcher read its settings at start; restart it without network.
  writeFile(client_.path() + "/quit", "");
  ASSERT_TRUE(launcher_.waitForFinished(30000));
  QFile::remove(client_.path() + "/quit");
  launcher_.start(client_.path() + "/dashlauncher", QStringList());
  ASSERT_TRUE(launcher_.waitForStarted(10000));
  ASSERT_TRUE(waitFor(
      [this] {
        return log().count("Socket is listening now!") == 2 && log().contains("Network is disable");
      },
      30000));

  LocalSocket &socket = LocalSocket::instance();
  socket.connectToLauncher();
  EXPECT_TRUE(socket.isConnected());
  EXPECT_FALSE(socket.talkEnabled());
  socket.send("Version");
  socket.send("Report");
  AboutView about;
  about.openUpdateDlg();
  EXPECT_EQ(boxes_, QStringList{"Network Communication is not support now."});
  socket.send("GoodbyeLauncher");
  ASSERT_TRUE(waitFor([this] { return log().contains("Goodbye client!"); }));
  const QString l = log();
  EXPECT_FALSE(l.contains("Recv Message: Version"));
  EXPECT_FALSE(l.contains("Recv Message: Report"));
  EXPECT_TRUE(l.contains(":: [SERVER] Send Message: DisableNetwork"));
}

}  // namespace
