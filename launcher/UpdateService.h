// The newest release: asks the update server for its version, downloads the
// release archive into the user's download folder when the viewer asks for
// it, unpacks the installer and tells the viewer how it goes, once a second.
#ifndef LAUNCHER_UPDATESERVICE_H
#define LAUNCHER_UPDATESERVICE_H

#include <QObject>
#include <QString>

#include "DeploymentSettings.h"

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;
class QTimer;

class UpdateService : public QObject {
  Q_OBJECT
 public:
  UpdateService(const DeploymentSettings &deployment, const QString &downloadFolder,
                QObject *parent = nullptr);
  ~UpdateService() override;

  // Asks for the newest version; queryFinished() follows in every case.
  void query();
  QString newestVersion() const { return newestVersion_; }
  QString newestFile() const { return newestFile_; }

  // "Download": reuses a sound archive of the newest version in the download
  // folder, else downloads it; progress() reports "wait" every second, then
  // "complete:<version>" or "fail".
  void startDownload();
  bool downloading() const { return progressTimer_ != nullptr; }

  QString archiveName() const;
  QString installerName() const;
  QString installerPath() const;
  // True once the installer of the newest version was unpacked and checked
  // in this run.
  bool installerUnpacked() const { return installerUnpacked_; }

  // Seconds without a received byte before a download counts as failed.
  void setStallLimit(int seconds) { stallLimit_ = seconds; }
  static constexpr qint64 kMinimumFreeBytes = 367001600;  // 350 MiB

 signals:
  void queryFinished();
  void progress(const QString &message);

 private slots:
  void onDownloadTimer();

 private:
  void onQueryFinished(QNetworkReply *reply);
  void onArchiveData();
  void onArchiveFinished();
  bool unpack();
  void endProgress(const QString &logText, const QString &message);

  DeploymentSettings deployment_;
  QString downloadFolder_;
  QNetworkAccessManager *network_;
  QString newestVersion_;
  QString newestFile_;

  QTimer *progressTimer_ = nullptr;
  QNetworkReply *download_ = nullptr;
  QSaveFile *archive_ = nullptr;
  bool installerReady_ = false;
  bool installerUnpacked_ = false;
  bool downloadFailed_ = false;
  int waitCount_ = 0;
  int stallSeconds_ = 0;
  int stallLimit_ = 120;
  qint64 received_ = 0;
  qint64 receivedAtLastTick_ = 0;
};

#endif
