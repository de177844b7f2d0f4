// How the commands write times, distances and speeds into their rows.
#ifndef DASHCAM_CELLS_H
#define DASHCAM_CELLS_H

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace Cells {

QString localTime(const QDateTime &t);  // "2024-05-01 08:30:00"
QString utcTime(qint64 utcMs);          // "2024-05-01T08:30:00.000Z"
QString clock(double seconds);          // "1:02:03" or "02:03"
QVariant kilometres(double metres);     // 3 decimals
QVariant rounded(double value, int decimals);
QVariant coordinate(bool fix, double degrees);  // 7 decimals, null without fix

}  // namespace Cells

#endif
