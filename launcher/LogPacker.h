// Packs the status log into one gzip stream for upload.
#ifndef LAUNCHER_LOGPACKER_H
#define LAUNCHER_LOGPACKER_H

#include <QDateTime>
#include <QString>

class LogPacker {
 public:
  // "yyMMdd_HHmmss_<client id>_log.zip" (a gzip stream, whatever the name says).
  static QString packageName(const QDateTime &when, const QString &clientId);

  // Writes the gzip of `logPath` to `packagePath`, replacing an older
  // package of the same name. Logs each step; false when nothing usable
  // was written.
  static bool pack(const QString &logPath, const QString &packagePath);
};

#endif
