// Takes a card off the file system before it is formatted and back after.
// Tests replace it; the program uses SystemCardMount.
#ifndef VIEWER_DEVICE_CARDMOUNT_H
#define VIEWER_DEVICE_CARDMOUNT_H

#include <QString>

#include "device/DriveInfo.h"

class CardMount {
 public:
  virtual ~CardMount() = default;
  virtual bool unmount(const DriveInfo &drive, QString *error) = 0;
  // Mounts the device again; root answers where it is now (the label, and
  // with it the mount point, may have changed).
  virtual bool mount(const DriveInfo &drive, QString *root, QString *error) = 0;
};

#endif
