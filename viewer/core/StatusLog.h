// The status log playerStatus.txt, shared with the launcher: one whole line
// per call, appended and closed at once so other processes can interleave.
#ifndef VIEWER_CORE_STATUSLOG_H
#define VIEWER_CORE_STATUSLOG_H

#include <QString>

namespace StatusLog {

// Tags and the threshold at which each kind is written.
enum Kind { Error = 0, Warning = 1, Info = 2, Line = 3, Debug = 4 };

void setPath(const QString &path);
QString path();
void setThreshold(int threshold);
int threshold();

// The text with the user's home folder written as "~": the log keeps no
// personal data, and a user name is one.
QString withoutHome(const QString &text);
// The line as it is written, without the trailing line feed.
QString formatLine(Kind kind, const QString &message);
void write(Kind kind, const QString &message);

}  // namespace StatusLog

void logError(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logWarning(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logInfo(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logDebug(const char *format, ...) __attribute__((format(printf, 1, 2)));

#endif
