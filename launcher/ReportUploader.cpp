#include "ReportUploader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "LauncherLog.h"
#include "LogPacker.h"

namespace {
// A log upload that has not finished in this time has failed.
constexpr int kUploadTimeoutMs = 60000;
}  // namespace

ReportUploader::ReportUploader(const DeploymentSettings &deployment, const QString &appData,
                               QObject *parent)
    : QObject(parent),
      deployment_(deployment),
      appData_(appData),
      network_(new QNetworkAccessManager(this)) {}

void ReportUploader::report() {
  if (reply_) {
    LauncherLog::write(QStringLiteral("upload is running; report skipped"));
    return;
  }
  const QString name = LogPacker::packageName(QDateTime::currentDateTime(), clientId_);
  LogPacker::pack(appData_ + QStringLiteral("/playerStatus.txt"),
                  appData_ + QLatin1Char('/') + name);
  upload(name);
}

void ReportUploader::upload(const QString &packageName) {
  LauncherLog::write(QStringLiteral("ready to send file to ftp"));
  packagePath_ = appData_ + QLatin1Char('/') + packageName;
  LauncherLog::write(QStringLiteral("upload file at : ") + packagePath_);
  if (!QFile::exists(packagePath_)) {
    LauncherLog::write(QStringLiteral("File is not here. new path set!"));
    packagePath_ = QCoreApplication::applicationDirPath() + QLatin1Char('/') + packageName;
  }
  QFile package(packagePath_);
  if (!package.open(QIODevice::ReadOnly)) {
    LauncherLog::write(QStringLiteral("no file!"));
    emit failed();
    return;
  }
  QNetworkRequest request(deployment_.uploadUrl(packageName));
  request.setTransferTimeout(kUploadTimeoutMs);
  reply_ = network_->put(request, package.readAll());
  connect(reply_, &QNetworkReply::finished, this, &ReportUploader::onFinished);
}

void ReportUploader::onFinished() {
  QNetworkReply *reply = reply_;
  reply_ = nullptr;
  reply->deleteLater();
  if (reply->error() != QNetworkReply::NoError) {
    // The package stays in AppData for a later look.
    LauncherLog::write(QStringLiteral("error! [%1]: %2")
                           .arg(static_cast<int>(reply->error()))
                           .arg(reply->errorString()));
    emit failed();
    return;
  }
  LauncherLog::write(QStringLiteral("file upload complete to ftp"));
  LauncherLog::write(QStringLiteral("Send_Complete"));
  QFile::remove(packagePath_);
  emit uploaded();
}
