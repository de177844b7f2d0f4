// One mounted volume as the SD-card dialog and the formatter see it.
#ifndef VIEWER_DEVICE_DRIVEINFO_H
#define VIEWER_DEVICE_DRIVEINFO_H

#include <QString>
#include <QtGlobal>

struct DriveInfo {
  QString root;    // mount point
  QString device;  // block device (or, in tests, an image file)
  QString label;   // volume name shown in the table
  qint64 bytesTotal = 0;
  qint64 bytesFree = 0;
  // A removable card: a USB reader or a built-in mmcblk slot. Only these are
  // listed and only these may be formatted.
  bool removable = false;
};

#endif
