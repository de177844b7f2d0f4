#include "UpdateService.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTimer>
#include <fstream>

#include "LauncherLog.h"
#include "VersionText.h"
#include "ZipReader.h"

namespace {

// The update query must not hold back the viewer's start for long.
constexpr int kQueryTimeoutMs = 10000;
constexpr int kTickMs = 1000;

QString replyError(QNetworkReply *reply) {
  return QStringLiteral("error! [%1]: %2")
      .arg(static_cast<int>(reply->error()))
      .arg(reply->errorString());
}

}  // namespace

UpdateService::UpdateService(const DeploymentSettings &deployment, const QString &downloadFolder,
                             QObject *parent)
    : QObject(parent),
      deployment_(deployment),
      downloadFolder_(downloadFolder),
      network_(new QNetworkAccessManager(this)) {}

UpdateService::~UpdateService() {
  if (download_) download_->abort();
  delete archive_;  // never committed: the partial download is discarded
}

QString UpdateService::archiveName() const {
  return QStringLiteral("TARVIK_DASH_CAM_WIN_") + newestVersion_ + QStringLiteral(".zip");
}

QString UpdateService::installerName() const {
  return QStringLiteral("TARVIK DASHCAM Installer ") + newestVersion_ + QStringLiteral(".run");
}

QString UpdateService::installerPath() const {
  return downloadFolder_ + QLatin1Char('/') + installerName();
}

void UpdateService::query() {
  QNetworkRequest request(deployment_.updateQueryUrl());
  request.setTransferTimeout(kQueryTimeoutMs);
  QNetworkReply *reply = network_->get(request);
  connect(reply, &QNetworkReply::finished, this, [this, reply] { onQueryFinished(reply); });
}

void UpdateService::onQueryFinished(QNetworkReply *reply) {
  reply->deleteLater();
  if (reply->error() != QNetworkReply::NoError) {
    LauncherLog::write(replyError(reply));
    qDebug("!@# some connect server Error %d", static_cast<int>(reply->error()));
    emit queryFinished();
    return;
  }
  const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
  const QString version = answer.value(QStringLiteral("ver")).toString();
  newestFile_ = answer.value(QStringLiteral("file")).toString();
  // The version becomes part of file names: only a real version text is kept.
  newestVersion_ = VersionText::isValid(version) ? version : QString();
  LauncherLog::write(QStringLiteral("file name: ") + newestFile_);
  LauncherLog::write(QStringLiteral("file version: ") + newestVersion_);
  if (newestVersion_.isEmpty() && !version.isEmpty())
    LauncherLog::write(QStringLiteral("error! not a version: ") + version.left(64));
  emit queryFinished();
}

void UpdateService::startDownload() {
  qDebug("!@# Download ");
  if (progressTimer_) return;  // one download at a time; its ticks keep coming
  installerReady_ = false;
  downloadFailed_ = false;
  waitCount_ = 0;
  stallSeconds_ = 0;
  received_ = receivedAtLastTick_ = 0;
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kTickMs);
  connect(progressTimer_, &QTimer::timeout, this, &UpdateService::onDownloadTimer);
  progressTimer_->start();

  if (newestVersion_.isEmpty()) {
    LauncherLog::write(QStringLiteral("No newest version to download"));
    downloadFailed_ = true;
    return;
  }
  QDir().mkpath(downloadFolder_);
  const QString archivePath = downloadFolder_ + QLatin1Char('/') + archiveName();
  if (QFile::exists(archivePath)) {
    qDebug("!@# file exist ");
    if (unpack()) {
      installerReady_ = true;
      return;
    }
    // A broken or foreign archive of that name is fetched again.
    LauncherLog::write(QStringLiteral("Archive in Download Folder is not usable; download again"));
  }
  if (QStorageInfo(downloadFolder_).bytesAvailable() < kMinimumFreeBytes) {
    LauncherLog::write(QStringLiteral("Not enough free space in Download Folder"));
    downloadFailed_ = true;
    return;
  }
  LauncherLog::write(QStringLiteral("File not exist in Download Folder"));
  // Written under a temporary name and renamed once complete, so a cut
  // download never looks like an archive.
  archive_ = new QSaveFile(archivePath);
  if (!archive_->open(QIODevice::WriteOnly)) {
    LauncherLog::write(QStringLiteral("error! cannot create ") + archivePath);
    downloadFailed_ = true;
    return;
  }
  LauncherLog::write(QStringLiteral("create File : ") + archivePath);
  QNetworkRequest request(deployment_.releaseArchiveUrl());
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  download_ = network_->get(request);
  connect(download_, &QNetworkReply::readyRead, this, &UpdateService::onArchiveData);
  connect(download_, &QNetworkReply::finished, this, &UpdateService::onArchiveFinished);
}

void UpdateService::onArchiveData() {
  const QByteArray bytes = download_->readAll();
  received_ += bytes.size();
  if (archive_->write(bytes) != bytes.size()) download_->abort();
}

void UpdateService::onArchiveFinished() {
  QNetworkReply *reply = download_;
  download_ = nullptr;
  reply->deleteLater();
  bool received = reply->error() == QNetworkReply::NoError;
  if (received) {
    const QByteArray rest = reply->readAll();
    received_ += rest.size();
    received = archive_->write(rest) == rest.size();
  }
  const bool committed = received && archive_->commit();
  if (!received) LauncherLog::write(replyError(reply));
  delete archive_;
  archive_ = nullptr;
  if (!committed || !unpack()) {
    downloadFailed_ = true;
    return;
  }
  installerReady_ = true;
}

bool UpdateService::unpack() {
  const QString archivePath = downloadFolder_ + QLatin1Char('/') + archiveName();
  std::ifstream in(QFile::encodeName(archivePath).constData(), std::ios::binary);
  if (!in) {
    qDebug("!@# Not Open File");
    return false;
  }
  // Into a temporary name first: a half-written installer must never be
  // started.
  const QString partial = installerPath() + QStringLiteral(".part");
  std::ofstream out(QFile::encodeName(partial).constData(), std::ios::binary | std::ios::trunc);
  ZipReader reader;
  const ZipReader::Result result =
      out ? reader.extractFirst(in, out) : ZipReader::Result::WriteFailed;
  out.close();
  if (result == ZipReader::Result::Ok && !out.fail()) {
    qDebug("!@# file Name = %s", reader.entry().name.c_str());
    QFile::remove(installerPath());
    if (QFile::rename(partial, installerPath())) {
      QFile::setPermissions(installerPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                 QFileDevice::ExeOther);
      installerUnpacked_ = true;
      LauncherLog::write(QStringLiteral("unpack complete: ") + installerPath());
      return true;
    }
  }
  QFile::remove(partial);
  LauncherLog::write(QStringLiteral("error! unpack failed: ") +
                     QString::fromLatin1(ZipReader::resultText(result)));
  qDebug("!@# %s", ZipReader::resultText(result));
  return false;
}

void UpdateService::endProgress(const QString &logText, const QString &message) {
  LauncherLog::write(logText);
  progressTimer_->stop();
  progressTimer_->deleteLater();
  progressTimer_ = nullptr;
  emit progress(message);
}

void UpdateService::onDownloadTimer() {
  if (installerReady_) {
    installerReady_ = false;
    endProgress(QStringLiteral("complete"), QStringLiteral("complete:") + newestVersion_);
    return;
  }
  if (downloadFailed_) {
    endProgress(QStringLiteral("fail"), QStringLiteral("fail"));
    return;
  }
  // Only a download that stopped moving fails; a slow one keeps going.
  stallSeconds_ = received_ == receivedAtLastTick_ ? stallSeconds_ + 1 : 0;
  receivedAtLastTick_ = received_;
  if (stallSeconds_ > stallLimit_) {
    if (download_) download_->abort();  // finishes with an error: the partial file is dropped
    endProgress(QStringLiteral("fail"), QStringLiteral("fail"));
    return;
  }
  ++waitCount_;
  emit progress(QStringLiteral("wait"));
}
