#include "Cells.h"

#include <cmath>

namespace Cells {

QString localTime(const QDateTime &t) {
  return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString utcTime(qint64 utcMs) {
  return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC)
      .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QString clock(double seconds) {
  const qint64 s = std::llround(seconds);
  const QString ms = QStringLiteral("%1:%2")
                         .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                         .arg(s % 60, 2, 10, QLatin1Char('0'));
  return s >= 3600 ? QStringLiteral("%1:%2").arg(s / 3600).arg(ms) : ms;
}

QVariant rounded(double value, int decimals) {
  if (!std::isfinite(value)) return QVariant();
  return QString::number(value, 'f', decimals).toDouble();
}

QVariant kilometres(double metres) {
  return rounded(metres / 1000.0, 3);
}

QVariant coordinate(bool fix, double degrees) {
  return fix ? rounded(degrees, 7) : QVariant();
}

}  // namespace Cells
