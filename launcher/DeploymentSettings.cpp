#include "DeploymentSettings.h"

#include <QUrlQuery>

namespace {

struct Key {
  const char *name;
  const char *fallback;
};

// Keys in the group "launcher" and the released product's values.
const Key kReachHosts = {"reachHosts", "one.one.one.one,dns.google"};
const Key kReachPort = {"reachPort", "443"};
const Key kUpdateServer = {"updateServer", "http://update.tarvik-dashcam.com"};
const Key kDownloadServer = {"downloadServer", "https://download.tarvik-dashcam.com"};
const Key kUploadHost = {"uploadHost", "log.tarvik-dashcam.com"};
const Key kUploadPort = {"uploadPort", "4422"};
const Key kUploadUser = {"uploadUser", "melcor"};
const Key kUploadPassword = {"uploadPassword", "kalMpoz48w!"};

QString text(QSettings &s, const Key &key) {
  return s.value(QLatin1String(key.name), QLatin1String(key.fallback)).toString();
}

}  // namespace

DeploymentSettings DeploymentSettings::read(QSettings &s) {
  DeploymentSettings d;
  s.beginGroup(QStringLiteral("launcher"));
  // A list written by QSettings comes back as a list; one typed by hand as
  // "a,b" comes back as text.
  const QVariant hosts = s.value(QLatin1String(kReachHosts.name));
  d.reachHosts =
      hosts.isValid() ? hosts.toStringList() : QString::fromLatin1(kReachHosts.fallback).split(',');
  if (d.reachHosts.size() == 1) d.reachHosts = d.reachHosts.first().split(QLatin1Char(','));
  d.reachPort = text(s, kReachPort).toInt();
  d.updateServer = text(s, kUpdateServer);
  d.downloadServer = text(s, kDownloadServer);
  d.uploadHost = text(s, kUploadHost);
  d.uploadPort = text(s, kUploadPort).toInt();
  d.uploadUser = text(s, kUploadUser);
  d.uploadPassword = text(s, kUploadPassword);
  s.endGroup();
  return d;
}

QUrl DeploymentSettings::updateQueryUrl() const {
  QUrl url(updateServer + QStringLiteral("/api/firmware"));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("model"), QStringLiteral("TARVIK.Viewer.win"));
  url.setQuery(query);
  return url;
}

QUrl DeploymentSettings::releaseArchiveUrl() const {
  return QUrl(downloadServer +
              QStringLiteral("/download/TARVIK_DASH_CAM/viewer/win/TARVIK_DASH_CAM_WIN.zip"));
}

QUrl DeploymentSettings::uploadUrl(const QString &packageName) const {
  QUrl url;
  url.setScheme(QStringLiteral("ftp"));
  url.setHost(uploadHost);
  url.setPort(uploadPort);
  url.setUserName(uploadUser);
  url.setPassword(uploadPassword);
  // Relative to the account's home folder, which is the FTP root we see.
  url.setPath(QLatin1Char('/') + packageName);
  return url;
}
