// dashlauncher: what the user starts. Keeps one viewer running, offers its
// updates and uploads its status log.
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "LauncherLog.h"
#include "MainWindow.h"
#include "ProcessCheck.h"

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  // The viewer's names: both programs resolve the same data folder and log.
  QCoreApplication::setApplicationName(QStringLiteral("TARVIK DASHCAM"));
  QCoreApplication::setOrganizationName(QStringLiteral("com.TARVIK_DASHCAM"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("com.TARVIK_DASHCAM"));

  // One viewer at a time: a running viewer, or another launcher that is
  // about to start one, ends this launcher before it does anything.
  const ProcessCheck processes;
  const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  if (processes.isRunning(QLatin1String(MainWindow::kViewerName)) ||
      processes.isRunning(self, ::getpid())) {
    qDebug("Viewer is already");
    return 0;
  }

  const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(appData);
  LauncherLog::setPath(appData + QStringLiteral("/playerStatus.txt"));

  MainWindow launcher(QCoreApplication::applicationDirPath());
  // What the launcher is asked to open, the viewer opens; the viewer runs in
  // its own folder, so the paths are made absolute here.
  QStringList paths;
  for (const QString &argument : QCoreApplication::arguments().mid(1))
    paths << QFileInfo(argument).absoluteFilePath();
  launcher.setViewerArguments(paths);
  QObject::connect(
      &launcher, &MainWindow::finished, &app, [](int code) { QCoreApplication::exit(code); },
      Qt::QueuedConnection);
  launcher.start();
  return app.exec();
}
