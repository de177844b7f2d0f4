// dashcam export: the track of recordings as GPX, CSV, GeoJSON or KML.
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "CardScan.h"
#include "Cells.h"
#include "Cli.h"
#include "Commands.h"
#include "core/DriveTrips.h"
#include "core/TelemetryExport.h"

namespace {

using Cli::tr;

// A time of --from/--to as UTC milliseconds. first: the earliest recording,
// whose clock and day a time without date or zone is read in.
bool parseTime(const QString &text, const RecordingTelemetry &first, qint64 *utcMs) {
  static const QRegularExpression seconds(QStringLiteral("^([0-9]+(\\.[0-9]+)?)s?$"));
  const QRegularExpressionMatch m = seconds.match(text);
  if (m.hasMatch()) {
    *utcMs = first.startUtcMs + std::llround(m.captured(1).toDouble() * 1000);
    return true;
  }
  QString iso = text;
  iso.replace(QLatin1Char(' '), QLatin1Char('T'));
  QDateTime t = QDateTime::fromString(iso, Qt::ISODateWithMs);
  if (!t.isValid()) {
    const QTime time = QTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid()) return false;
    t = QDateTime(first.localStart.date(), time);
  }
  // With "Z" or an offset the time says its zone; else it is the camera's.
  *utcMs = t.timeSpec() == Qt::LocalTime ? first.zone.toUtcMs(t) : t.toMSecsSinceEpoch();
  return true;
}

}  // namespace

int runExport(const QStringList &arguments) {
  Cli::Parser p(
      QStringLiteral(
          "export --format gpx|csv|geojson|kml [--trip N] [--from T] [--to T] PATH... -o FILE"),
      tr("Writes the track of the recordings with time (UTC), position, speed and G-sensor "
         "values. Each drive is a track of its own; stretches without GPS fix break it into "
         "segments. T is a number of seconds after the start of the first recording (of the "
         "drive, with --trip), a time of day (HH:MM:SS) on its day, or a date and time "
         "(2024-05-01T08:31:00); both in the "
         "camera's clock unless they end in Z or an offset. FILE - writes to standard output."));
  p.parser.addOption({QStringLiteral("trip"),
                      tr("Only drive N, numbered as 'dashcam trips' lists the same paths."),
                      QStringLiteral("N")});
  p.parser.addOption({QStringLiteral("format"), tr("gpx, csv, geojson or kml."), tr("FORMAT")});
  p.parser.addOption({QStringLiteral("from"), tr("Only samples from this time on."), tr("T")});
  p.parser.addOption({QStringLiteral("to"), tr("Only samples up to this time."), tr("T")});
  p.parser.addOption(
      {{QStringLiteral("o"), QStringLiteral("output")}, tr("The file to write."), tr("FILE")});
  p.addPaths();
  if (const int exit = p.parse(arguments, 1); exit >= 0) return exit;

  TelemetryExport::Format format;
  if (!TelemetryExport::formatFromName(p.parser.value(QStringLiteral("format")), &format)) {
    Cli::err(tr("--format must be one of: %1")
                 .arg(TelemetryExport::formatNames().join(QStringLiteral(", "))));
    return Cli::Usage;
  }
  const QString output = p.parser.value(QStringLiteral("output"));
  if (output.isEmpty()) {
    Cli::err(tr("-o FILE is missing (- for standard output)"));
    return Cli::Usage;
  }
  int tripNumber = 0;
  if (p.parser.isSet(QStringLiteral("trip"))) {
    bool number = false;
    tripNumber = p.parser.value(QStringLiteral("trip")).toInt(&number);
    if (!number || tripNumber < 1) {
      Cli::err(tr("--trip takes a drive's number (1, 2, ...)"));
      return Cli::Usage;
    }
  }

  const CardScan scan = CardScan::run(p.parser.positionalArguments(), p.quiet());
  const QVector<RecordingTelemetry> recordings = scan.telemetry();
  if (recordings.isEmpty()) {
    scan.reportProblems();
    Cli::err(tr("no readable recording"));
    return Cli::SomeUnreadable;
  }
  // Each drive a track; recordings outside drives (parking) one each.
  const QVector<DriveTrips::Trip> trips = DriveTrips::join(recordings);
  if (tripNumber > trips.size()) {
    scan.reportProblems();
    Cli::err(tr("--trip %1: there are %2 drives").arg(tripNumber).arg(trips.size()));
    return Cli::SomeUnreadable;
  }
  // Times without date are on the day of the first recording exported.
  const RecordingTelemetry &first =
      tripNumber > 0 ? recordings[trips[tripNumber - 1].recordings.first()] : recordings.first();
  TelemetryExport::Window window;
  for (const char *bound : {"from", "to"}) {
    const QString text = p.parser.value(QLatin1String(bound));
    if (text.isEmpty()) continue;
    qint64 *at = qstrcmp(bound, "from") == 0 ? &window.fromUtcMs : &window.toUtcMs;
    if (!parseTime(text, first, at)) {
      Cli::err(tr("--%1: \"%2\" is not a time").arg(QLatin1String(bound), text));
      return Cli::Usage;
    }
  }

  QVector<TelemetryExport::Track> tracks;
  QVector<bool> inTrip(recordings.size(), false);
  for (int t = 0; t < trips.size(); ++t) {
    const DriveTrips::Trip &trip = trips[t];
    if (tripNumber > 0 && t + 1 != tripNumber) continue;
    TelemetryExport::Track track;
    track.name = Cells::localTime(recordings[trip.recordings.first()].localStart);
    for (int i : trip.recordings) {
      track.recordings.append(recordings[i]);
      inTrip[i] = true;
    }
    tracks.append(track);
  }
  for (int i = 0; i < recordings.size() && tripNumber == 0; ++i)
    if (!inTrip[i]) tracks.append({Cells::localTime(recordings[i].localStart), {recordings[i]}});
  std::stable_sort(tracks.begin(), tracks.end(),
                   [](const TelemetryExport::Track &a, const TelemetryExport::Track &b) {
                     return a.recordings.first().startUtcMs < b.recordings.first().startUtcMs;
                   });

  QString error;
  bool written;
  if (output == QLatin1String("-")) {
    QFile out;
    written = out.open(stdout, QIODevice::WriteOnly) &&
              TelemetryExport::write(&out, tracks, format, window, &error);
  } else {
    written = TelemetryExport::writeFile(output, tracks, format, window, &error);
  }
  const int exit = scan.reportProblems();
  if (!written) {
    Cli::err(error);
    return Cli::SomeUnreadable;
  }
  return exit;
}
