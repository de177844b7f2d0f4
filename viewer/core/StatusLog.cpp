#include "core/StatusLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QMutex>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr int kMessageBytes = 1024;

QString gPath;
int gThreshold = 5;
QMutex gPathLock;

const char *const kTags[] = {":: [e] ", ":: [w] ", ":: [i] ", ":: [l] ", ":: [d] "};

void writeFormatted(StatusLog::Kind kind, const char *format, va_list args) {
  if (gThreshold < static_cast<int>(kind)) return;
  char message[kMessageBytes];
  vsnprintf(message, sizeof message, format, args);
  StatusLog::write(kind, QString::fromUtf8(message));
}

}  // namespace

namespace StatusLog {

void setPath(const QString &p) {
  QMutexLocker lock(&gPathLock);
  gPath = p;
}

QString path() {
  QMutexLocker lock(&gPathLock);
  return gPath;
}

void setThreshold(int t) {
  gThreshold = t;
}
int threshold() {
  return gThreshold;
}

QString formatLine(Kind kind, const QString &message) {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
         QString::fromLatin1(kTags[kind]) + message;
}

void write(Kind kind, const QString &message) {
  const QString p = path();
  if (p.isEmpty() || gThreshold < static_cast<int>(kind)) return;
  // One write(2) of the whole line on an O_APPEND descriptor: the launcher
  // and our worker threads append to the same file, and a line must never
  // be split by theirs.
  QByteArray line = formatLine(kind, message).toUtf8();
  line.append('\n');
  int fd = ::open(p.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;  // a line that cannot be written is lost silently
  ssize_t ignored = ::write(fd, line.constData(), static_cast<size_t>(line.size()));
  (void)ignored;
  ::close(fd);
}

}  // namespace StatusLog

#define DEFINE_LOG_WRITER(name, kind)   \
  void name(const char *format, ...) {  \
    va_list args;                       \
    va_start(args, format);             \
    writeFormatted(kind, format, args); \
    va_end(args);                       \
  }

DEFINE_LOG_WRITER(logError, StatusLog::Error)
DEFINE_LOG_WRITER(logWarning, StatusLog::Warning)
DEFINE_LOG_WRITER(logInfo, StatusLog::Info)
DEFINE_LOG_WRITER(logLine, StatusLog::Line)
DEFINE_LOG_WRITER(logDebug, StatusLog::Debug)
