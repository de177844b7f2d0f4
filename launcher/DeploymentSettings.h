// Where the launcher reaches its servers. Each value is read from the
// program settings ("pexlan"/"melcor", group "launcher") and falls back to
// the address of the released product, so a test or a site with its own
// mirror points the launcher elsewhere without a new build.
#ifndef LAUNCHER_DEPLOYMENTSETTINGS_H
#define LAUNCHER_DEPLOYMENTSETTINGS_H

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUrl>

struct DeploymentSettings {
  QStringList reachHosts;  // tried in turn for the reachability test
  int reachPort = 443;
  QString updateServer;    // scheme://host[:port] of the update query
  QString downloadServer;  // scheme://host[:port] of the release archive
  QString uploadHost;
  int uploadPort = 4422;
  QString uploadUser;
  QString uploadPassword;

  static DeploymentSettings read(QSettings &settings);

  QUrl updateQueryUrl() const;
  QUrl releaseArchiveUrl() const;
  QUrl uploadUrl(const QString &packageName) const;
};

#endif
