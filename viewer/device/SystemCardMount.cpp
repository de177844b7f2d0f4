#include "device/SystemCardMount.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "core/StatusLog.h"

namespace {

constexpr int kToolTimeoutMs = 60000;

// Runs a tool and answers its exit code (-1 when it is missing or hangs).
int runTool(const QString &name, const QStringList &args, QString *output) {
  const QString program = QStandardPaths::findExecutable(name).isEmpty()
                              ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"})
                              : QStandardPaths::findExecutable(name);
  if (program.isEmpty()) return -1;
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForFinished(kToolTimeoutMs)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (output) *output = QString::fromLocal8Bit(p.readAll()).trimmed();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace

bool SystemCardMount::unmount(const DriveInfo &drive, QString *error) {
  QString out;
  if (runTool(QStringLiteral("udisksctl"),
              {QStringLiteral("unmount"), QStringLiteral("--no-user-interaction"),
               QStringLiteral("-b"), drive.device},
              &out) == 0)
    return true;
  logInfo("[Format] udisksctl unmount: %s", qUtf8Printable(out));
  if (runTool(QStringLiteral("umount"), {drive.root}, &out) == 0) return true;
  if (error) *error = out;
  return false;
}

bool SystemCardMount::mount(const DriveInfo &drive, QString *root, QString *error) {
  QString out;
  if (runTool(QStringLiteral("udisksctl"),
              {QStringLiteral("mount"), QStringLiteral("--no-user-interaction"),
               QStringLiteral("-b"), drive.device},
              &out) == 0) {
    // "Mounted /dev/sdb1 at /media/user/LABEL"
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(" at (.+?)\\.?$")).match(out);
    if (m.hasMatch()) {
      *root = m.captured(1);
      return true;
    }
  }
  logInfo("[Format] udisksctl mount: %s", qUtf8Printable(out));
  QDir().mkpath(drive.root);
  if (runTool(QStringLiteral("mount"), {drive.device, drive.root}, &out) == 0) {
    *root = drive.root;
    return true;
  }
  if (error) *error = out;
  return false;
}
