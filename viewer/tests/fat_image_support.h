// A FAT image file standing in for a card: mkfs.fat makes it, mtools look
// inside it, and MtoolsMount plays the kernel's part in mounting it.
#ifndef VIEWER_TESTS_FAT_IMAGE_SUPPORT_H
#define VIEWER_TESTS_FAT_IMAGE_SUPPORT_H

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include "device/CardMount.h"
#include "device_support.h"

namespace device_test {

// FAT32 with 64 sectors per cluster needs at least 65525 clusters of 32 KiB.
constexpr qint64 kImageSize = 2200LL * 1024 * 1024;

inline QString tool(const char *name) {
  QString path = QStandardPaths::findExecutable(QLatin1String(name));
  if (path.isEmpty())
    path = QStandardPaths::findExecutable(QLatin1String(name), {"/usr/sbin", "/sbin"});
  return path;
}

inline int run(const char *name, const QStringList &args, QByteArray *out = nullptr) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(tool(name), args);
  if (!p.waitForFinished(120000)) return -1;
  if (out) *out = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The image's files appear in the card folder while it is "mounted".
class MtoolsMount : public CardMount {
 public:
  MtoolsMount(QString image, QString folder) : image_(image), folder_(folder) {}

  bool unmount(const DriveInfo &, QString *error) override {
    ++unmounts;
    if (failUnmount) {
      *error = QStringLiteral("target is busy");
      return false;
    }
    return sync() && QDir(folder_).removeRecursively() && QDir().mkpath(folder_);
  }
  bool mount(const DriveInfo &, QString *root, QString *) override {
    ++mounts;
    QDir(folder_).removeRecursively();
    QDir().mkpath(folder_);
    QByteArray names;
    if (run("mdir", {"-b", "-i", image_, "::/"}, &names) == 0 && !names.trimmed().isEmpty() &&
        run("mcopy", {"-s", "-n", "-i", image_, "::/*", folder_}) != 0)
      return false;
    if (blockConfig) writeAll(folder_ + QStringLiteral("/CONFIG"), "not a folder");
    *root = folder_;
    return true;
  }
  // Writes the folder into the image, as the kernel does at an unmount.
  bool sync() {
    QByteArray names;
    run("mdir", {"-b", "-i", image_, "::/"}, &names);
    for (const QByteArray &n : names.split('\n'))
      if (!n.trimmed().isEmpty()) run("mdeltree", {"-i", image_, QString::fromUtf8(n.trimmed())});
    const QStringList entries = QDir(folder_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString &e : entries)
      if (run("mcopy", {"-s", "-o", "-i", image_, folder_ + QLatin1Char('/') + e, "::/"}) != 0)
        return false;
    return true;
  }

  int unmounts = 0;
  int mounts = 0;
  bool failUnmount = false;
  bool blockConfig = false;

 private:
  QString image_;
  QString folder_;
};

// Makes a used card: an image of another label and small clusters holding
// the camera's files, "mounted" at folder.
inline bool makeCardImage(const QString &image, const QString &source) {
  QFile f(image);
  if (!f.open(QIODevice::WriteOnly) || !f.resize(kImageSize)) return false;
  f.close();
  if (run("mkfs.fat", {"-F", "32", "-n", "OLDCARD", "-s", "8", image}) != 0) return false;
  QStringList args = {"-s", "-i", image};
  for (const QString &e : QDir(source).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
    args << source + QLatin1Char('/') + e;
  args << QStringLiteral("::/");
  return run("mcopy", args) == 0;
}

inline bool haveFatTools() {
  qputenv("MTOOLS_SKIP_CHECK", "1");
  return !tool("mkfs.fat").isEmpty() && !tool("fsck.fat").isEmpty() && !tool("mcopy").isEmpty();
}

}  // namespace device_test

#endif
