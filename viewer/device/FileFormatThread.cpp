#include "device/FileFormatThread.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "core/StatusLog.h"
#include "device/CardMount.h"

namespace {

constexpr int kFormatTimeoutMs = 10 * 60 * 1000;

bool sameBytes(const QString &a, const QString &b) {
  QFile fa(a), fb(b);
  if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
  if (fa.size() != fb.size()) return false;
  while (!fa.atEnd())
    if (fa.read(1 << 16) != fb.read(1 << 16)) return false;
  return true;
}

}  // namespace

FileFormatThread::FileFormatThread(const DriveInfo &drive, const QString &label,
                                   const QString &tempFolder, CardMount *mount, QObject *parent)
    : QThread(parent),
      drive_(drive),
      label_(volumeLabel(label)),
      tempFolder_(tempFolder),
      mount_(mount),
      program_(QStringLiteral("mkfs.fat")) {}

QString FileFormatThread::formatterProgram(const QString &appDir) {
  const QString shipped = appDir + QStringLiteral("/library/mkdosfs/mkdosfs");
  if (QFileInfo(shipped).isExecutable()) return shipped;
  const QString found = QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"));
  if (!found.isEmpty()) return found;
  const QString sbin =
      QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"), {"/usr/sbin", "/sbin"});
  return sbin.isEmpty() ? QStringLiteral("mkfs.fat") : sbin;
}

QString FileFormatThread::volumeLabel(const QString &identifier) {
  // FAT keeps 11 characters of a label; mkfs.fat refuses longer ones.
  return identifier.left(11);
}

QStringList FileFormatThread::formatterArguments(const QString &label, const QString &device) {
  return {QStringLiteral("-F"),
          QStringLiteral("32"),
          QStringLiteral("-n"),
          label,
          QStringLiteral("-s"),
          QStringLiteral("64"),
          device};
}

bool FileFormatThread::copyConfigFolder(const QString &from, const QString &to) {
  if (!QFileInfo(from + QStringLiteral("/config.bin")).isFile()) {
    logError("'config.bin' not found in the source directory.");
    return false;
  }
  if (!QDir().mkpath(to)) {
    logError("Failed to create destination directory!");
    return false;
  }
  QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString source = it.next();
    const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
    QDir().mkpath(QFileInfo(target).path());
    QFile::remove(target);
    if (!QFile::copy(source, target) || !sameBytes(source, target)) {
      logError(QFileInfo(source).fileName() == QLatin1String("config.bin")
                   ? "'config.bin' copy failed."
                   : "Failed to File Copy!");
      return false;
    }
  }
  logInfo("Copy Success!!!!!");
  return true;
}

void FileFormatThread::run() {
  result_ = format();
  emit finishedWith(result_);
}

int FileFormatThread::format() {
  logDebug("FileFormatThread::run");
  // A system disk is never formatted, whatever asked for it.
  if (!drive_.removable || drive_.device.isEmpty() || drive_.root.isEmpty() ||
      QDir::cleanPath(drive_.root) == QLatin1String("/")) {
    logError("[Format] %s is not a removable card", qUtf8Printable(drive_.device));
    return NotRemovable;
  }
  const QString cardConfig = drive_.root + QStringLiteral("/CONFIG");
  emit step(tr("Copying the CONFIG folder..."));
  QDir(tempFolder_).removeRecursively();
  if (!copyConfigFolder(cardConfig, tempFolder_)) {
    QDir(tempFolder_).removeRecursively();
    return TempCopyFailed;
  }
  QString error;
  emit step(tr("Formatting the SD card..."));
  if (!mount_->unmount(drive_, &error)) {
    logError("[Format] cannot unmount %s: %s", qUtf8Printable(drive_.device),
             qUtf8Printable(error));
    QDir(tempFolder_).removeRecursively();  // nothing was touched
    return RemountFailed;
  }
  QProcess mkfs;
  mkfs.setProcessChannelMode(QProcess::MergedChannels);
  mkfs.start(program_, formatterArguments(label_, drive_.device));
  const bool finished = mkfs.waitForFinished(kFormatTimeoutMs);
  const int code = finished && mkfs.exitStatus() == QProcess::NormalExit ? mkfs.exitCode() : -1;
  if (code == 0) {
    logInfo("mkdosfs process finished successfully!");
    logInfo("SD card formatted successfully!!!!!");
  } else {
    logError("[Format] mkdosfs process failed with exit code : %d", code);
    logError("[Format] %s", mkfs.readAll().trimmed().constData());
  }
  if (!mount_->mount(drive_, &newRoot_, &error)) {
    logError("[Format] cannot mount %s: %s", qUtf8Printable(drive_.device), qUtf8Printable(error));
    return RemountFailed;
  }
  if (code != 0 && !QFileInfo(newRoot_).isDir()) {
    logError("Directory does not exist.");
    return CardFolderGone;
  }
  emit step(tr("Restoring the CONFIG folder..."));
  if (!copyConfigFolder(tempFolder_, newRoot_ + QStringLiteral("/CONFIG"))) return CopyBackFailed;
  if (!QDir(tempFolder_).removeRecursively()) return TempCopyFailed;
  // A card mkfs did not format is not reported as formatted.
  return code == 0 ? Done : FormatFailed;
}
