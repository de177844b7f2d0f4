// Where the mounted volumes come from; tests supply their own drives.
#ifndef VIEWER_DEVICE_DRIVEQUERY_H
#define VIEWER_DEVICE_DRIVEQUERY_H

#include <QVector>

#include "device/DriveInfo.h"

class DriveQuery {
 public:
  virtual ~DriveQuery() = default;
  virtual QVector<DriveInfo> drives() const = 0;

  // The drive mounted at root (or holding it); removable false when none.
  DriveInfo driveFor(const QString &root) const;
  // A listed card: removable and holding /CONFIG/config.bin.
  static bool isValidMemory(const QString &root);
};

#endif
