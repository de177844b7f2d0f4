// The launcher's one object (it has no window): starts the viewer, serves
// its local socket, answers its messages and decides how the launcher ends
// when the viewer ends.
#ifndef LAUNCHER_MAINWINDOW_H
#define LAUNCHER_MAINWINDOW_H

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QSettings>
#include <QString>

#include "DeploymentSettings.h"

class QLocalServer;
class QLocalSocket;
class QTimer;
class ReportUploader;
class UpdateService;

class MainWindow : public QObject {
  Q_OBJECT
 public:
  static constexpr const char *kViewerName = "TARVIK DASHCAM";

  // clientPath: the folder that holds the launcher and the viewer.
  explicit MainWindow(const QString &clientPath, QObject *parent = nullptr);
  ~MainWindow() override;

  // Reachability test, update query and the viewer's start.
  void start();

  // Files or folders the viewer is to open, handed on as its arguments.
  void setViewerArguments(const QStringList &arguments) { viewerArguments_ = arguments; }

  // Where the local socket "KQ7CommService" lives: the user's runtime
  // folder, so it is neither shared with nor reachable by other users.
  static QString serverPath();

  bool networkOk() const { return networkOk_; }
  UpdateService *updates() const { return updates_; }
  qint64 viewerPid() const { return viewerPid_; }

 signals:
  // The launcher has nothing left to do and ends with this code.
  void finished(int exitCode);

 private slots:
  void onCheckStatus(QProcess::ProcessState state);
  void onCheckError(QProcess::ProcessError error);
  void onCheckFinished(int exitCode, QProcess::ExitStatus exitStatus);
  void onReadData();
  void onRecvNewConnection();

 private:
  using Handler = void (MainWindow::*)();
  void readAgreement();
  bool checkNetwork();
  void startViewer();
  void listen();
  void stopServer();
  void send(const QString &message);
  void dispatch(const QString &message);
  void endLauncher(int exitCode);
  void waitForViewerEnd(int timeoutMs);

  // Message handlers.
  void onHelloLauncher();
  void onVersionRequest();
  void onDownload();
  void onDownloadWaiting() {}
  void onExistUpdate();
  void onUpdateAgreement();
  void onReport();
  void onCloseToDoNot();
  void onGoodbyeLauncher();
  void onVersionText(const QString &version);
  void onUploaded();
  void onUploadFailed();

  QString clientPath_;
  QStringList viewerArguments_;
  QSettings settings_;
  DeploymentSettings deployment_;
  QString currentVersion_;
  QString clientId_;
  QHash<QString, Handler> handlers_;

  QProcess *viewer_ = nullptr;
  qint64 viewerPid_ = 0;
  QLocalServer *server_ = nullptr;
  QLocalSocket *client_ = nullptr;
  UpdateService *updates_ = nullptr;
  ReportUploader *uploader_ = nullptr;
  QTimer *viewerEndTimer_ = nullptr;

  bool greeted_ = false;
  bool autoUpdate_ = false;
  bool sendReport_ = false;
  bool updateExists_ = false;
  bool closeForUpdate_ = false;
  bool saidGoodbye_ = false;
  bool uploadDone_ = false;
  bool endAfterUpload_ = false;
  bool networkOk_ = false;
  bool ended_ = false;
};

#endif
