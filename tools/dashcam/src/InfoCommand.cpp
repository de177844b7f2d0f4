// dashcam info: one row per recording.
#include <QCoreApplication>
#include <QDir>

#include "CardScan.h"
#include "Cells.h"
#include "Cli.h"
#include "Commands.h"

namespace {

using Cli::tr;

// The cameras of a recording: one file per channel, or (where the camera
// stores them as tracks of one file) the video tracks of its only file.
QString channelText(const ScannedRecording &r) {
  QStringList parts;
  if (r.files.size() == 1 && r.telemetry.videoTracks > 1) {
    for (int c = 1; c <= r.telemetry.videoTracks; ++c) parts << QString::number(c);
  } else {
    for (int c : r.channels) parts << QString::number(c);
  }
  return parts.join(QLatin1Char(','));
}

}  // namespace

int runInfo(const QStringList &arguments) {
  Cli::Parser p(QStringLiteral("info [options] PATH..."),
                tr("Lists every recording below the paths (a card, folders or files): its time as "
                   "the camera named it, type, channels, duration, GPS points with a fix, "
                   "distance, top speed and G-sensor events. Damaged or unreadable files are "
                   "listed with the reason, and the exit status is then 1."));
  p.addPaths();
  if (const int exit = p.parse(arguments, 1); exit >= 0) return exit;

  const CardScan scan = CardScan::run(p.parser.positionalArguments(), p.quiet());
  const QString unit = scan.recordings.isEmpty()
                           ? QStringLiteral("km/h")
                           : scan.recordings.first().telemetry.zone.speedUnit();
  Table table({{QStringLiteral("time"), tr("TIME")},
               {QStringLiteral("utc"), {}},
               {QStringLiteral("type"), tr("TYPE")},
               {QStringLiteral("channels"), tr("CH")},
               {QStringLiteral("duration"), tr("DURATION"), true},
               {QStringLiteral("duration_s"), {}},
               {QStringLiteral("gps_points"), tr("GPS"), true},
               {QStringLiteral("distance_km"), tr("KM"), true},
               {QStringLiteral("top_speed"), tr("TOP %1").arg(unit), true},
               {QStringLiteral("speed_unit"), {}},
               {QStringLiteral("events"), tr("EVENTS"), true},
               {QStringLiteral("recording"), {}},
               {QStringLiteral("files"), {}},
               {QStringLiteral("zone"), {}},
               {QStringLiteral("status"), tr("STATUS")}});
  for (const ScannedRecording &r : scan.recordings) {
    const RecordingTelemetry &t = r.telemetry;
    const bool read = t.durationMs > 0;
    QStringList files;
    for (const QString &f : r.files) files << QDir::toNativeSeparators(f);
    table.addRow({Cells::localTime(t.localStart), Cells::utcTime(t.startUtcMs),
                  r.key.section(QLatin1Char('_'), 2, 2), channelText(r),
                  read ? Cells::clock(t.durationMs / 1000.0) : QVariant(),
                  read ? Cells::rounded(t.durationMs / 1000.0, 3) : QVariant(),
                  read ? t.fixCount() : QVariant(),
                  read ? Cells::kilometres(t.distanceMetres()) : QVariant(),
                  read ? Cells::rounded(t.topSpeed(), 1) : QVariant(), t.zone.speedUnit(),
                  read ? t.events.size() : QVariant(), r.key, files.join(QLatin1Char(';')),
                  t.zone.describe(),
                  r.damaged() ? r.problems.join(QStringLiteral("; ")) : QStringLiteral("ok")});
  }
  for (const StrayFile &s : scan.strays)
    table.addRow({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                  QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                  QDir::toNativeSeparators(s.path), QVariant(),
                  QDir::toNativeSeparators(s.path) + QStringLiteral(": ") + s.reason});
  Cli::out(table.render(p.style()));
  return scan.anyProblem() ? Cli::SomeUnreadable : Cli::Done;
}
