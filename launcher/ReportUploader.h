// Packs the status log and uploads the package to the log server by FTP.
#ifndef LAUNCHER_REPORTUPLOADER_H
#define LAUNCHER_REPORTUPLOADER_H

#include <QObject>
#include <QString>

#include "DeploymentSettings.h"

class QNetworkAccessManager;
class QNetworkReply;

class ReportUploader : public QObject {
  Q_OBJECT
 public:
  ReportUploader(const DeploymentSettings &deployment, const QString &appData,
                 QObject *parent = nullptr);

  void setClientId(const QString &id) { clientId_ = id; }

  // Packs and uploads; the end is told by uploaded() or failed().
  void report();
  bool busy() const { return reply_ != nullptr; }

 signals:
  void uploaded();
  void failed();

 private:
  void upload(const QString &packageName);
  void onFinished();

  DeploymentSettings deployment_;
  QString appData_;
  QString clientId_;
  QString packagePath_;
  QNetworkAccessManager *network_;
  QNetworkReply *reply_ = nullptr;
};

#endif
