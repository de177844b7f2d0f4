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

bool ProcessCheck::ended(const QString &pidFolder) {
  // stat: "pid (comm) state ..."; the name may hold spaces and parentheses.
  QFile stat(pidFolder + QStringLiteral("/stat"));
  if (!stat.open(QIODevice::ReadOnly)) return true;
  const QByteArray line = stat.readAll();
  const int close = line.lastIndexOf(')');
  const char state = close >= 0 && close + 2 < line.size() ? line[close + 2] : 'X';
  return state == 'Z' || state == 'X' || state == 'x';
}

bool ProcessCheck::sameSession(const QString &pidFolder, const QByteArray &runtimeDir) {
  QFile environ(pidFolder + QStringLiteral("/environ"));
  if (!environ.open(QIODevice::ReadOnly)) return true;
  const QByteArray key("XDG_RUNTIME_DIR=");
  for (const QByteArray &entry : environ.readAll().split('\0'))
    if (entry.startsWith(key)) return entry.mid(key.size()) == runtimeDir;
  return runtimeDir.isEmpty();
}

bool ProcessCheck::isRunning(const QString &name, pid_t except) const {
  const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
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
    const bool named = program == name || (fromComm && program == name.left(kCommLength));
    if (named && !ended(folder) && sameSession(folder, runtimeDir)) return true;
  }
  return false;
}
