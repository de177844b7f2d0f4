// dashcam events: the G-sensor events of the recordings.
#include <QCoreApplication>

#include "CardScan.h"
#include "Cells.h"
#include "Cli.h"
#include "Commands.h"
#include "core/GsensorEvents.h"

using Cli::tr;

int runEvents(const QStringList &arguments) {
  Cli::Parser p(QStringLiteral("events [options] PATH..."),
                tr("Lists the moments where the G-sensor reading changed sharply (hard braking, "
                   "impacts, knocks against the parked car): time, recording, seconds into it, "
                   "position and the peak change in g."));
  p.addPaths();
  if (const int exit = p.parse(arguments, 1); exit >= 0) return exit;

  const CardScan scan = CardScan::run(p.parser.positionalArguments(), p.quiet());
  Table table({{QStringLiteral("time"), tr("TIME")},
               {QStringLiteral("utc"), {}},
               {QStringLiteral("recording"), tr("RECORDING")},
               {QStringLiteral("offset_s"), tr("AT s"), true},
               {QStringLiteral("latitude"), tr("LATITUDE"), true},
               {QStringLiteral("longitude"), tr("LONGITUDE"), true},
               {QStringLiteral("peak_g"), tr("PEAK g"), true},
               {QStringLiteral("kind"), {}},
               {QStringLiteral("title"), tr("EVENT")}});
  for (const ScannedRecording &r : scan.recordings) {
    const RecordingTelemetry &t = r.telemetry;
    for (const TelemetryEvent &e : t.events)
      table.addRow({Cells::localTime(t.zone.toLocal(e.utcMs)), Cells::utcTime(e.utcMs), r.key,
                    Cells::rounded(e.offsetMs / 1000.0, 1), Cells::coordinate(e.fix, e.latitude),
                    Cells::coordinate(e.fix, e.longitude), Cells::rounded(e.event.change, 3),
                    e.event.kind == GsensorEvent::Braking ? QStringLiteral("braking")
                                                          : QStringLiteral("impact"),
                    GsensorEvents::title(e.event)});
  }
  Cli::out(table.render(p.style()));
  return scan.reportProblems();
}
