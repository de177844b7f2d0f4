// What the launcher tests share: its servers on 127.0.0.1 (test_servers.py),
// a stand-in viewer program, a client that speaks for the viewer, and a
// wait that keeps the event loop running.
#ifndef LAUNCHER_TESTS_LAUNCHER_FIXTURE_H
#define LAUNCHER_TESTS_LAUNCHER_FIXTURE_H

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

inline bool waitFor(const std::function<bool()> &done, int timeoutMs = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

inline QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// HTTP update server and FTP log server; they end when this object does.
class TestServers {
 public:
  explicit TestServers(const QStringList &args) {
    process_.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(LAUNCHER_TESTS_DIR "/test_servers.py")} + args);
    process_.setReadChannel(QProcess::StandardOutput);
    if (!process_.waitForStarted(10000)) return;
    waitFor([this] { return process_.canReadLine(); }, 60000);
    const QJsonObject ports = QJsonDocument::fromJson(process_.readLine()).object();
    http = ports.value("http").toInt();
    ftp = ports.value("ftp").toInt();
  }
  ~TestServers() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(5000);
  }
  int http = 0;
  int ftp = 0;

 private:
  QProcess process_;
};

inline QString appDataFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}
inline QString downloadFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}
inline QString logPath() {
  return appDataFolder() + QStringLiteral("/playerStatus.txt");
}

// The program settings the launcher reads, pointed at the test servers.
// reachPort 0 makes the reachability test fail.
inline void storeSettings(const QString &agreement, const QString &version, int httpPort,
                          int ftpPort, int reachPort) {
  QSettings s(QStringLiteral("pexlan"), QStringLiteral("melcor"));
  s.clear();
  if (!agreement.isEmpty()) s.setValue("agreement", agreement);
  if (!version.isEmpty()) s.setValue("version", version);
  const QString server = QStringLiteral("http://127.0.0.1:%1").arg(httpPort);
  s.setValue("launcher/reachHosts", "127.0.0.1");
  s.setValue("launcher/reachPort", reachPort);
  s.setValue("launcher/updateServer", server);
  s.setValue("launcher/downloadServer", server);
  s.setValue("launcher/uploadHost", "127.0.0.1");
  s.setValue("launcher/uploadPort", ftpPort);
  s.sync();
}

// Speaks for the viewer on the launcher's socket and keeps what it hears.
class ViewerClient {
 public:
  bool connectTo(const QString &path) {
    socket_.connectToServer(path);
    if (!socket_.waitForConnected(5000)) return false;
    QObject::connect(&socket_, &QLocalSocket::readyRead,
                     [this] { heard_ += QString::fromUtf8(socket_.readAll()); });
    return true;
  }
  void send(const QString &message) {
    socket_.write(message.toUtf8());
    socket_.flush();
  }
  // Waits until the launcher has said `text` (counting from the last take).
  bool hears(const QString &text, int timeoutMs = 15000) {
    return waitFor([&] { return heard_.contains(text); }, timeoutMs);
  }
  QString take() {
    const QString h = heard_;
    heard_.clear();
    return h;
  }
  QString heard() const { return heard_; }
  QLocalSocket &socket() { return socket_; }

 private:
  QLocalSocket socket_;
  QString heard_;
};

#endif
