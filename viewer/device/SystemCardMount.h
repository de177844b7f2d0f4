// Unmounts and mounts cards with udisksctl (the user's own session may do
// that without a password), falling back to umount/mount.
#ifndef VIEWER_DEVICE_SYSTEMCARDMOUNT_H
#define VIEWER_DEVICE_SYSTEMCARDMOUNT_H

#include "device/CardMount.h"

class SystemCardMount : public CardMount {
 public:
  bool unmount(const DriveInfo &drive, QString *error) override;
  bool mount(const DriveInfo &drive, QString *root, QString *error) override;
};

#endif
