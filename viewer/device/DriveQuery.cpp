#include "device/DriveQuery.h"

#include <QDir>
#include <QFileInfo>

DriveInfo DriveQuery::driveFor(const QString &root) const {
  const QString wanted = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
  for (const DriveInfo &d : drives())
    if (QDir::cleanPath(d.root) == wanted) return d;
  return DriveInfo{};
}

bool DriveQuery::isValidMemory(const QString &root) {
  return QFileInfo(root + QStringLiteral("/CONFIG/config.bin")).isFile();
}
