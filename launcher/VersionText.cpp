#include "VersionText.h"

#include <QRegularExpression>
#include <QStringList>

#include "LauncherLog.h"

bool VersionText::isValid(const QString &text) {
  static const QRegularExpression kVersion(QStringLiteral("^\\d{1,9}(\\.\\d{1,9}){1,2}$"));
  return kVersion.match(text).hasMatch();
}

bool VersionText::isNewer(const QString &current, const QString &newest) {
  const int dots = current.count(QLatin1Char('.'));
  if (dots == 1) {
    LauncherLog::write(QStringLiteral("current version format is [softVer].[minorVer]"));
    LauncherLog::write(QStringLiteral("this format doesn't support now."));
    return false;  // an unknown numbering offers no update
  }
  if (dots != 2) return false;
  LauncherLog::write(QStringLiteral("current version format is [softVer].[majorVer].[minorVer]"));
  const QStringList a = current.split(QLatin1Char('.'));
  const QStringList b = newest.split(QLatin1Char('.'));
  for (int i = 0; i < 3; ++i)
    if (b.value(i).toInt() > a.value(i).toInt()) return true;
  return false;
}
