#include "LogPacker.h"

#include <zlib.h>

#include <QFile>
#include <QFileInfo>

#include "LauncherLog.h"

namespace {
constexpr qint64 kChunk = 64 * 1024;
}

QString LogPacker::packageName(const QDateTime &when, const QString &clientId) {
  return when.toString(QStringLiteral("yyMMdd_HHmmss")) + QLatin1Char('_') + clientId +
         QStringLiteral("_log.zip");
}

bool LogPacker::pack(const QString &logPath, const QString &packagePath) {
  LauncherLog::write(QStringLiteral("set zip File : ") + packagePath);
  if (QFileInfo::exists(packagePath)) {
    LauncherLog::write(QStringLiteral("zip File is exist."));
    QFile::remove(packagePath);
  } else {
    LauncherLog::write(QStringLiteral("zip File is not exist."));
  }
  LauncherLog::write(QStringLiteral("open File : ") + logPath);
  QFile log(logPath);
  if (!log.open(QIODevice::ReadOnly)) {
    LauncherLog::write(QStringLiteral("error! cannot open playerStatus.txt to zip!"));
    return false;
  }
  LauncherLog::write(QStringLiteral("file open complete"));
  gzFile gz = gzopen(QFile::encodeName(packagePath).constData(), "wb");
  if (!gz) {
    LauncherLog::write(QStringLiteral("error! cannot open zipfile to zip!"));
    return false;
  }
  LauncherLog::write(QStringLiteral("gzopen complete"));
  bool ok = true;
  QByteArray chunk;
  while (ok && !(chunk = log.read(kChunk)).isEmpty()) {
    if (gzwrite(gz, chunk.constData(), static_cast<unsigned>(chunk.size())) != chunk.size()) {
      int code = 0;
      LauncherLog::write(QStringLiteral("error!") + QString::fromLatin1(gzerror(gz, &code)));
      ok = false;
    }
  }
  // The trailer is written on close; a failed close leaves a broken package.
  if (gzclose(gz) != Z_OK) ok = false;
  LauncherLog::write(QStringLiteral("Complete zip!"));
  return ok;
}
