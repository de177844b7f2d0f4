#include "LauncherLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>

namespace {
QString gPath;
bool gCreated = false;
}  // namespace

void LauncherLog::setPath(const QString &path) {
  gPath = path;
  gCreated = false;
}

QString LauncherLog::path() {
  return gPath;
}

QString LauncherLog::formatLine(const QString &message) {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
         QStringLiteral(":: [SERVER] ") + message;
}

void LauncherLog::write(const QString &message) {
  if (gPath.isEmpty()) return;
  QByteArray line = formatLine(message).toUtf8();
  line.append('\n');
  const int create = gCreated ? 0 : O_CREAT;
  const int fd =
      ::open(gPath.toLocal8Bit().constData(), O_WRONLY | O_APPEND | O_CLOEXEC | create, 0644);
  gCreated = true;
  if (fd < 0) return;  // a line that cannot be written is lost, as in the viewer
  const ssize_t ignored = ::write(fd, line.constData(), static_cast<size_t>(line.size()));
  (void)ignored;
  ::close(fd);
}
