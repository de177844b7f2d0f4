#include "core/StatusLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QMutex>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr int kMessageBytes = 1024;

// Kept on the heap and never freed: a worker thread may still write a line
// while the program's static objects are being destroyed at exit.
QString &gPath = *new QString;
int gThreshold = 5;
QMutex &gPathLock = *new QMutex;
bool gPermissionsChecked = false;  // guarded by gPathLock

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
  gPermissionsChecked = false;
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

QString withoutHome(const QString &text) {
  const QString home = QDir::homePath();
  if (home.isEmpty() || home == QLatin1String("/")) return text;
  QString out;
  out.reserve(text.size());
  int from = 0;
  for (int at = text.indexOf(home); at >= 0; at = text.indexOf(home, at + 1)) {
    const int end = at + home.size();
    // Only the whole folder name: "/home/ann" is not part of "/home/anna".
    if (end < text.size() && text.at(end) != QLatin1Char('/')) continue;
    out += text.midRef(from, at - from);
    out += QLatin1Char('~');
    from = end;
    at = end - 1;
  }
  out += text.midRef(from);
  return out;
}

QString formatLine(Kind kind, const QString &message) {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
         QString::fromLatin1(kTags[kind]) + withoutHome(message);
}

void write(Kind kind, const QString &message) {
  const QString p = path();
  if (p.isEmpty() || gThreshold < static_cast<int>(kind)) return;
  // One write(2) of the whole line on an O_APPEND descriptor: the launcher
  // and our worker threads append to the same file, and a line must never
  // be split by theirs.
  QByteArray line = formatLine(kind, message).toUtf8();
  line.append('\n');
  // The log is the user's own business: readable by nobody else, also when
  // an older version left it readable by all.
  int fd = ::open(p.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;  // a line that cannot be written is lost silently
  {
    QMutexLocker lock(&gPathLock);
    if (!gPermissionsChecked) {
      gPermissionsChecked = true;
      struct stat st;
      if (::fstat(fd, &st) == 0 && (st.st_mode & 077) != 0) ::fchmod(fd, 0600);
    }
  }
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
