// dashcam: a card's recordings and their telemetry from the command line.
#include <QCoreApplication>
#include <QFileInfo>

#include "Cli.h"
#include "Commands.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"

namespace {

struct Command {
  const char *name;
  const char *summary;
  int (*run)(const QStringList &arguments);
};

const Command kCommands[] = {
    {"info",
     QT_TRANSLATE_NOOP("dashcam",
                       "one line per recording: time, type, channels, duration, "
                       "GPS points, distance, top speed, events"),
     runInfo},
    {"trips", QT_TRANSLATE_NOOP("dashcam", "consecutive recordings joined into drives"), runTrips},
    {"events", QT_TRANSLATE_NOOP("dashcam", "the G-sensor events with time, position and peak"),
     runEvents},
    {"export", QT_TRANSLATE_NOOP("dashcam", "the track as GPX, CSV, GeoJSON or KML"), runExport},
    {"config", QT_TRANSLATE_NOOP("dashcam", "show, change or check a card's camera settings"),
     runConfig},
};

QString overview() {
  QString text = QCoreApplication::translate(
      "dashcam",
      "Usage: dashcam COMMAND [options] ...\n\n"
      "The recordings of a dash camera's card and their telemetry.\n\nCommands:\n");
  for (const Command &c : kCommands)
    text += QStringLiteral("  %1  %2\n")
                .arg(QString::fromLatin1(c.name).leftJustified(7))
                .arg(QCoreApplication::translate("dashcam", c.summary));
  text += QCoreApplication::translate(
      "dashcam",
      "\n'dashcam COMMAND --help' describes a command.\n"
      "Exit status: 0 done, 1 some inputs unreadable, 2 wrong command line.\n");
  return text;
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("dashcam"));
  // Installed beside the viewer: its Resources (the camera descriptions)
  // are ours too. The status log is the viewer's; we write none.
  ViewerState &state = ViewerState::instance();
  state.appDir = QCoreApplication::applicationDirPath();
  state.resourceDir = state.appDir + QStringLiteral("/Resources");
  StatusLog::setPath(QString());

  const QStringList args = app.arguments().mid(1);
  if (args.isEmpty()) {
    Cli::err(QCoreApplication::translate("dashcam", "a command is missing"));
    fputs(qPrintable(overview()), stderr);
    return Cli::Usage;
  }
  const QString word = args.first();
  if (word == QLatin1String("--help") || word == QLatin1String("-h") ||
      word == QLatin1String("help")) {
    Cli::out(overview().toUtf8());
    return Cli::Done;
  }
  for (const Command &c : kCommands)
    if (word == QLatin1String(c.name)) return c.run(args.mid(1));
  Cli::err(QCoreApplication::translate("dashcam", "unknown command \"%1\"").arg(word));
  fputs(qPrintable(overview()), stderr);
  return Cli::Usage;
}
