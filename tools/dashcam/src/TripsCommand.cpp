// dashcam trips: consecutive recordings joined into drives.
#include <QCoreApplication>

#include "CardScan.h"
#include "Cells.h"
#include "Cli.h"
#include "Commands.h"
#include "core/DriveTrips.h"

using Cli::tr;

int runTrips(const QStringList &arguments) {
  Cli::Parser p(QStringLiteral("trips [options] PATH..."),
                tr("Joins consecutive recordings into drives: a recording that starts more than a "
                   "minute after the end of the drive so far starts a new one, and parking "
                   "recordings are never part of a drive. Each drive with its start, end, "
                   "duration, distance, top and mean speed and G-sensor events."));
  p.addPaths();
  if (const int exit = p.parse(arguments, 1); exit >= 0) return exit;

  const CardScan scan = CardScan::run(p.parser.positionalArguments(), p.quiet());
  const QVector<RecordingTelemetry> recordings = scan.telemetry();
  const QVector<DriveTrips::Trip> trips = DriveTrips::join(recordings);
  const QString unit =
      recordings.isEmpty() ? QStringLiteral("km/h") : recordings.first().zone.speedUnit();
  Table table({{QStringLiteral("trip"), tr("TRIP"), true},
               {QStringLiteral("start"), tr("START")},
               {QStringLiteral("end"), tr("END")},
               {QStringLiteral("start_utc"), {}},
               {QStringLiteral("end_utc"), {}},
               {QStringLiteral("duration"), tr("DURATION"), true},
               {QStringLiteral("duration_s"), {}},
               {QStringLiteral("distance_km"), tr("KM"), true},
               {QStringLiteral("top_speed"), tr("TOP %1").arg(unit), true},
               {QStringLiteral("mean_speed"), tr("MEAN %1").arg(unit), true},
               {QStringLiteral("speed_unit"), {}},
               {QStringLiteral("events"), tr("EVENTS"), true},
               {QStringLiteral("recordings"), tr("RECORDINGS"), true},
               {QStringLiteral("first_recording"), {}},
               {QStringLiteral("last_recording"), {}}});
  for (int i = 0; i < trips.size(); ++i) {
    const DriveTrips::Trip &trip = trips[i];
    const CardZone &zone = recordings[trip.recordings.first()].zone;
    table.addRow({i + 1, Cells::localTime(zone.toLocal(trip.startUtcMs)),
                  Cells::localTime(zone.toLocal(trip.endUtcMs)), Cells::utcTime(trip.startUtcMs),
                  Cells::utcTime(trip.endUtcMs), Cells::clock(trip.durationSeconds()),
                  Cells::rounded(trip.durationSeconds(), 3), Cells::kilometres(trip.distanceMetres),
                  Cells::rounded(trip.topSpeed, 1), Cells::rounded(trip.meanSpeed(), 1),
                  zone.speedUnit(), trip.events.size(), trip.recordings.size(),
                  recordings[trip.recordings.first()].key, recordings[trip.recordings.last()].key});
  }
  Cli::out(table.render(p.style()));
  return scan.reportProblems();
}
