#include "MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTimer>
#include <QUuid>

#include "LauncherLog.h"
#include "ReportUploader.h"
#include "UpdateService.h"
#include "VersionText.h"
#include "ViewerMessages.h"

namespace {

constexpr int kReachTimeoutMs = 1000;
constexpr int kStartTimeoutMs = 30000;
// After "closeToDoNot" the viewer is closing by itself; one that is still
// there after this is closed for it.
constexpr int kUpdateCloseTimeoutMs = 10000;
// After "GoodbyeLauncher" the viewer still stores its settings and removes
// its work folders; the launcher waits for that, but not forever.
constexpr int kGoodbyeTimeoutMs = 30000;

struct ErrorText {
  QProcess::ProcessError error;
  const char *text;
};

const ErrorText kProcessErrors[] = {
    {QProcess::FailedToStart, "Failed to start server"},
    {QProcess::Crashed, "Process is Crashed"},
    {QProcess::Timedout,
     "The waitFor...() is timed out. pcrocess's state is not changed. you can call again "
     "waitFor...()"},
    {QProcess::ReadError, "Can not read data from process. Is the process running now?"},
    {QProcess::WriteError,
     "failed to write process. The process could close to write channel or finish running "
     "status"},
    {QProcess::UnknownError, "Unknown error is occured."},
};

QString yesNo(bool value) {
  return value ? QStringLiteral("true") : QStringLiteral("false");
}

}  // namespace

MainWindow::MainWindow(const QString &clientPath, QObject *parent)
    : QObject(parent),
      clientPath_(clientPath),
      settings_(QStringLiteral("pexlan"), QStringLiteral("melcor")),
      deployment_(DeploymentSettings::read(settings_)) {
  const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  updates_ = new UpdateService(deployment_, downloads, this);
  uploader_ = new ReportUploader(deployment_, appData, this);
  viewer_ = new QProcess(this);
  server_ = new QLocalServer(this);
  viewerEndTimer_ = new QTimer(this);
  viewerEndTimer_->setSingleShot(true);

  handlers_ = {
      {QStringLiteral("HelloLauncher"), &MainWindow::onHelloLauncher},
      {QStringLiteral("Version"), &MainWindow::onVersionRequest},
      {QStringLiteral("Download"), &MainWindow::onDownload},
      {QStringLiteral("DownloadWaiting"), &MainWindow::onDownloadWaiting},
      {QStringLiteral("ExistUpdate"), &MainWindow::onExistUpdate},
      {QStringLiteral("updateAgreement"), &MainWindow::onUpdateAgreement},
      {QStringLiteral("Report"), &MainWindow::onReport},
      {QStringLiteral("closeToDoNot"), &MainWindow::onCloseToDoNot},
      {QStringLiteral("GoodbyeLauncher"), &MainWindow::onGoodbyeLauncher},
  };

  connect(viewer_, &QProcess::stateChanged, this, &MainWindow::onCheckStatus);
  connect(viewer_, &QProcess::errorOccurred, this, &MainWindow::onCheckError);
  connect(viewer_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
          &MainWindow::onCheckFinished);
  connect(server_, &QLocalServer::newConnection, this, &MainWindow::onRecvNewConnection);
  connect(updates_, &UpdateService::progress, this, &MainWindow::send);
  connect(uploader_, &ReportUploader::uploaded, this, &MainWindow::onUploaded);
  connect(uploader_, &ReportUploader::failed, this, &MainWindow::onUploadFailed);
  connect(viewerEndTimer_, &QTimer::timeout, this, [this] {
    if (viewer_->state() == QProcess::NotRunning) return;
    if (closeForUpdate_) {
      LauncherLog::write(QStringLiteral("viewer is still running; close it to update program"));
      viewer_->kill();  // the update exit follows from finished()
      return;
    }
    LauncherLog::write(QStringLiteral("viewer did not end after goodbye. launcher will be exit"));
    endLauncher(0);
  });
}

MainWindow::~MainWindow() {
  stopServer();
}

QString MainWindow::serverPath() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  const QString name = QStringLiteral("KQ7CommService");
  return runtime.isEmpty() ? name : runtime + QLatin1Char('/') + name;
}

void MainWindow::start() {
  LauncherLog::write(QString(80, QLatin1Char('=')));
  currentVersion_ = settings_.value(QStringLiteral("version")).toString();
  clientId_ = settings_.value(QStringLiteral("id")).toString();
  readAgreement();

  networkOk_ = checkNetwork();
  if (!networkOk_) {
    LauncherLog::write(QStringLiteral("Network is disable"));
    LauncherLog::write(QStringLiteral("Network is disable! so run program here"));
    startViewer();
    return;
  }
  LauncherLog::write(QStringLiteral("Network is enable"));
  // The viewer starts once the query has answered or failed.
  connect(updates_, &UpdateService::queryFinished, this, [this] {
    const QString newest = updates_->newestVersion();
    LauncherLog::write(QStringLiteral("currentVersion: ") + currentVersion_);
    if (!currentVersion_.isEmpty() && !newest.isEmpty() &&
        VersionText::isNewer(currentVersion_, newest) && autoUpdate_) {
      LauncherLog::write(QStringLiteral("Update is exist"));
      updateExists_ = true;
    }
    startViewer();
  });
  updates_->query();
}

void MainWindow::readAgreement() {
  settings_.sync();  // the viewer may have changed it since we last looked
  const QString stored = settings_.value(QStringLiteral("agreement")).toString();
  const int value = stored.isEmpty() ? 0 : stored.toInt();
  autoUpdate_ = value & 2;
  sendReport_ = value & 4;
  LauncherLog::write(QStringLiteral("Automatic update: ") + yesNo(autoUpdate_));
  LauncherLog::write(QStringLiteral("Send report: ") + yesNo(sendReport_));
}

bool MainWindow::checkNetwork() {
  for (const QString &host : deployment_.reachHosts) {
    QTcpSocket probe;
    probe.connectToHost(host.trimmed(), static_cast<quint16>(deployment_.reachPort));
    const bool connected = probe.waitForConnected(kReachTimeoutMs);
    probe.abort();
    if (connected) return true;
  }
  return false;
}

void MainWindow::startViewer() {
  if (clientId_.isEmpty() || QUuid(clientId_).isNull()) {
    LauncherLog::write(QStringLiteral("client ID is not exist!"));
    clientId_ = QUuid::createUuid().toString(QUuid::WithoutBraces);
  } else {
    LauncherLog::write(QStringLiteral("clientID is exist"));
  }
  LauncherLog::write(QStringLiteral("clientID: ") + clientId_);
  settings_.setValue(QStringLiteral("id"), clientId_);
  settings_.sync();
  uploader_->setClientId(clientId_);

  LauncherLog::write(QStringLiteral("clientPath: ") + clientPath_);
  QDir::setCurrent(clientPath_);
  // Listening before the viewer starts, so its greeting always finds us.
  listen();
  viewer_->setWorkingDirectory(clientPath_);
  viewer_->setProcessChannelMode(QProcess::ForwardedChannels);
  viewer_->start(clientPath_ + QLatin1Char('/') + QLatin1String(kViewerName), viewerArguments_,
                 QIODevice::ReadWrite);
  if (viewer_->waitForStarted(kStartTimeoutMs)) viewerPid_ = viewer_->processId();
}

void MainWindow::listen() {
  server_->setMaxPendingConnections(2);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(serverPath());
  if (server_->listen(serverPath()))
    LauncherLog::write(QStringLiteral("Socket is listening now!"));
  else
    LauncherLog::write(QStringLiteral("Unable to listen on socket ") + server_->errorString());
}

void MainWindow::stopServer() {
  if (!server_->isListening() && !client_) return;
  qDebug("server stop!");
  if (client_) {
    client_->disconnect(this);
    client_->abort();
    client_->deleteLater();
    client_ = nullptr;
  }
  server_->close();
  QLocalServer::removeServer(serverPath());
}

void MainWindow::onRecvNewConnection() {
  LauncherLog::write(QStringLiteral("recieve new connection!"));
  while (QLocalSocket *socket = server_->nextPendingConnection()) {
    // Only the newest viewer is served; an older connection is closed.
    if (client_) {
      client_->disconnect(this);
      client_->abort();
      client_->deleteLater();
    }
    client_ = socket;
    connect(client_, &QLocalSocket::readyRead, this, &MainWindow::onReadData);
  }
  greeted_ = false;
  closeForUpdate_ = false;
  uploadDone_ = false;
}

void MainWindow::onReadData() {
  if (sender() != client_ || !client_) return;
  const QString read = QString::fromUtf8(client_->readAll());
  for (const QString &message : ViewerMessages::split(read)) dispatch(message);
}

void MainWindow::dispatch(const QString &message) {
  LauncherLog::write(QStringLiteral("Recv Message: ") + message);
  const auto handler = handlers_.constFind(message);
  if (handler != handlers_.constEnd()) {
    (this->*handler.value())();
    return;
  }
  if (ViewerMessages::isVersionText(message)) {
    onVersionText(message);
    return;
  }
  LauncherLog::write(QStringLiteral("Unknown message: no answer"));
}

void MainWindow::send(const QString &message) {
  if (!client_ || client_->state() != QLocalSocket::ConnectedState) return;
  LauncherLog::write(QStringLiteral("Send Message: ") + message);
  client_->write(message.toUtf8());
  client_->flush();
}

void MainWindow::onHelloLauncher() {
  greeted_ = true;
  send(networkOk_ ? QStringLiteral("HelloClient") : QStringLiteral("DisableNetwork"));
}

void MainWindow::onVersionText(const QString &version) {
  const QString newest = updates_->newestVersion();
  if (!newest.isEmpty() && VersionText::isNewer(version, newest))
    send(QStringLiteral("FindUpdate"));
}

void MainWindow::onVersionRequest() {
  // Without an answer from the update server there is nothing to tell.
  if (!updates_->newestVersion().isEmpty()) send(updates_->newestVersion());
}

void MainWindow::onDownload() {
  updates_->startDownload();
}

void MainWindow::onExistUpdate() {
  if (updateExists_) {
    send(updates_->newestVersion());
    return;
  }
  LauncherLog::write(QStringLiteral("No Update"));
  send(QStringLiteral("NoUpdate"));
}

void MainWindow::onUpdateAgreement() {
  readAgreement();
}

void MainWindow::onReport() {
  uploadDone_ = false;
  uploader_->report();
}

void MainWindow::onCloseToDoNot() {
  closeForUpdate_ = true;
  LauncherLog::write(QStringLiteral("viewer closes to update program"));
  waitForViewerEnd(kUpdateCloseTimeoutMs);
}

void MainWindow::onGoodbyeLauncher() {
  qDebug("Goodbye client!");
  LauncherLog::write(QStringLiteral("Goodbye client!"));
  saidGoodbye_ = true;
  stopServer();
  if (!closeForUpdate_) waitForViewerEnd(kGoodbyeTimeoutMs);
}

void MainWindow::waitForViewerEnd(int timeoutMs) {
  if (viewer_->state() == QProcess::NotRunning) {
    if (!closeForUpdate_) endLauncher(0);
    return;
  }
  viewerEndTimer_->start(timeoutMs);
}

void MainWindow::onUploaded() {
  uploadDone_ = true;
  send(QStringLiteral("Send_Complete"));
  if (!endAfterUpload_) return;
  LauncherLog::write(QStringLiteral("endProgram is set. launcher will be exit"));
  endLauncher(0);
}

void MainWindow::onUploadFailed() {
  if (!endAfterUpload_) return;
  LauncherLog::write(QStringLiteral("upload failed. launcher will be exit"));
  endLauncher(0);
}

void MainWindow::onCheckStatus(QProcess::ProcessState state) {
  if (state == QProcess::Starting) LauncherLog::write(QStringLiteral("Process Started"));
  if (state == QProcess::Running)
    LauncherLog::write(QStringLiteral("Process Ready to read and write!"));
}

void MainWindow::onCheckError(QProcess::ProcessError error) {
  for (const ErrorText &e : kProcessErrors) {
    if (e.error == error) LauncherLog::write(QLatin1String(e.text));
  }
  // How the viewer ended is decided in onCheckFinished; a viewer that never
  // started has no end to wait for.
  if (error != QProcess::FailedToStart) return;
  LauncherLog::write(viewer_->errorString());
  endLauncher(1);
}

void MainWindow::onCheckFinished(int exitCode, QProcess::ExitStatus exitStatus) {
  viewerEndTimer_->stop();
  LauncherLog::write(QStringLiteral("viewer exit code: %1").arg(exitCode));
  if (closeForUpdate_) {
    LauncherLog::write(QStringLiteral("process is finished to update program"));
    const QString installer = updates_->installerPath();
    if (updates_->installerUnpacked() && QFile::exists(installer)) {
      const bool started =
          QProcess::startDetached(installer, QStringList(), QFileInfo(installer).absolutePath());
      LauncherLog::write((started ? QStringLiteral("start installer: ")
                                  : QStringLiteral("error! cannot start installer: ")) +
                         installer);
    }
    LauncherLog::write(QStringLiteral("timer is end. launcher will be exit"));
    endLauncher(0);
    return;
  }
  if (exitStatus == QProcess::NormalExit) {
    qDebug("process is finished normal");
    LauncherLog::write(QStringLiteral("process is finished normal"));
    endLauncher(0);
    return;
  }
  LauncherLog::write(QStringLiteral("process is finished cause it Crashed"));
  stopServer();
  if (!sendReport_) {
    endLauncher(0);
    return;
  }
  // The launcher stays until the log is uploaded (or the upload failed).
  endAfterUpload_ = true;
  if (!uploader_->busy()) uploader_->report();
}

void MainWindow::endLauncher(int exitCode) {
  if (ended_) return;
  ended_ = true;
  stopServer();
  emit finished(exitCode);
}
