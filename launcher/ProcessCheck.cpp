#include "ProcessCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// comm holds at most 15 characters of the name.
constexpr int kCommLength = 15;

}  // namespace

QString ProcessCheck::programName(const QString &pidFolder) const {
  QString target = QFile::symLinkTarget(pidFolder + QStringLiteral("/exe"));
  if (!target.isEmpty()) {
    // A program file replaced while it runs reads "<path> (deleted)".
    const QString deleted = QStringLiteral(" (deleted)");
    if (target.endsWith(deleted)) target.chop(deleted.size());
    return QFileInfo(target).fileName();
  }
  QFile comm(pidFolder + QStringLiteral("/comm"));
  if (!comm.open(QIODevice::ReadOnly)) return QString();
  return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

bool ProcessCheck::isRunning(const QString &name, pid_t except) const {
  const QStringList entries = QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  const uid_t me = ::getuid();
  for (const QString &entry : entries) {
    bool numeric = false;
    const qint64 pid = entry.toLongLong(&numeric);
    if (!numeric || pid == except) continue;
    const QString folder = root_ + QLatin1Char('/') + entry;
    struct stat st;
    if (::stat(folder.toLocal8Bit().constData(), &st) != 0 || st.st_uid != me) continue;
    const QString program = programName(folder);
    // Without the exe link only the first 15 characters are known.
    const bool fromComm = QFile::symLinkTarget(folder + QStringLiteral("/exe")).isEmpty();
    if (program == name || (fromComm && program == name.left(kCommLength))) return true;
  }
  return false;
}
