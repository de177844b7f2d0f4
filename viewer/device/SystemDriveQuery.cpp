#include "device/SystemDriveQuery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

QByteArray readSmall(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.read(64).trimmed() : QByteArray();
}

}  // namespace

SystemDriveQuery::SystemDriveQuery(const QString &sysRoot) : sysRoot_(sysRoot) {}

bool SystemDriveQuery::isRemovableDevice(const QString &device) const {
  if (!device.startsWith(QLatin1String("/dev/"))) return false;
  const QString name = QFileInfo(device).canonicalFilePath().isEmpty()
                           ? QFileInfo(device).fileName()
                           : QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
  // A partition's sysfs folder sits inside its disk's folder.
  QString node = QFileInfo(sysRoot_ + QStringLiteral("/class/block/") + name).canonicalFilePath();
  if (node.isEmpty()) return false;
  if (QFileInfo::exists(node + QStringLiteral("/partition"))) node = QFileInfo(node).path();
  const QString disk = QFileInfo(node).fileName();
  if (disk.startsWith(QLatin1String("mmcblk"))) return true;
  if (readSmall(node + QStringLiteral("/removable")) == "1") return true;
  return node.contains(QLatin1String("/usb"));
}

QVector<DriveInfo> SystemDriveQuery::drives() const {
  QVector<DriveInfo> out;
  for (const QStorageInfo &v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady() || v.rootPath() == QLatin1String("/")) continue;
    const QString device = QString::fromLocal8Bit(v.device());
    DriveInfo d;
    d.root = v.rootPath();
    d.device = device;
    d.label = v.name().isEmpty() ? QFileInfo(d.root).fileName() : v.name();
    d.bytesTotal = v.bytesTotal();
    d.bytesFree = v.bytesFree();
    d.removable = isRemovableDevice(device);
    if (d.removable) out.append(d);
  }
  return out;
}
