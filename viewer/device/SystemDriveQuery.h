// The machine's mounted volumes whose block device is removable: a disk with
// /sys/block/<disk>/removable set, one on a USB bus, or an mmcblk card slot.
#ifndef VIEWER_DEVICE_SYSTEMDRIVEQUERY_H
#define VIEWER_DEVICE_SYSTEMDRIVEQUERY_H

#include "device/DriveQuery.h"

class SystemDriveQuery : public DriveQuery {
 public:
  // sysRoot: where /sys is (tests point it at a fake tree).
  explicit SystemDriveQuery(const QString &sysRoot = QStringLiteral("/sys"));
  QVector<DriveInfo> drives() const override;
  // Whether the block device (/dev/sdb1, /dev/mmcblk0p1) is on a removable disk.
  bool isRemovableDevice(const QString &device) const;

 private:
  QString sysRoot_;
};

#endif
