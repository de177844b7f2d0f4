// Start-up of the viewer: identity, settings, folders, status log, splash,
// translation, the main window (with its agreement gate) and the event loop.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSplashScreen>
#include <memory>
#include <vector>

#include "app/Language.h"
#include "core/AppSettings.h"
#include "app/MainWindow.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/VLCComponent.h"

namespace {

// The launcher of the platform we came from passes "-platform
// windows:dpiawareness=0"; it means nothing here and must not reach Qt.
std::vector<char *> withoutForeignPlatform(int argc, char **argv) {
  std::vector<char *> args;
  for (int i = 0; i < argc; ++i) {
    if (i + 1 < argc && QByteArray(argv[i]) == "-platform" &&
        QByteArray(argv[i + 1]).startsWith("windows")) {
      ++i;
      continue;
    }
    args.push_back(argv[i]);
  }
  args.push_back(nullptr);
  return args;
}

void raisePriority() {
  // Slightly above normal when permitted; a refusal is not fatal.
  if (setpriority(PRIO_PROCESS, 0, -2) != 0)
    logWarning("[Main]: process priority not raised (not permitted)");
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<char *> args = withoutForeignPlatform(argc, argv);
  int qtArgc = static_cast<int>(args.size()) - 1;
  // The video surfaces are native windows for libvlc; their siblings need not be.
  QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  QApplication app(qtArgc, args.data());
  QApplication::setApplicationName(QStringLiteral("TARVIK DASHCAM"));
  QApplication::setOrganizationName(QStringLiteral("com.TARVIK_DASHCAM"));
  QApplication::setOrganizationDomain(QStringLiteral("com.TARVIK_DASHCAM"));

  QSettings &settings = AppSettings::store();
  AppSettings::initFolders(QApplication::applicationFilePath());
  ViewerState &state = ViewerState::instance();

  const QString dashes(50, QLatin1Char('-'));
  logLine("%s", qPrintable(dashes));
  logLine(" This is log file to record Player status.");
  logLine(" This file should not collect user's information.");
  logLine("%s", qPrintable(dashes));
  logInfo("[Main]: Program is run.");
  logInfo("[Main]: Main Function start now.");
  logInfo("[Main]: QApplication start..");

  state.language = settings.value(QStringLiteral("language"), 0).toInt();
  state.clientId = settings.value(QStringLiteral("id")).toString();
  if (settings.value(QStringLiteral("version")).toString() != QLatin1String(AppSettings::kVersion))
    settings.setValue(QStringLiteral("version"), QString::fromLatin1(AppSettings::kVersion));

  logInfo("[Main]: Set Splash image...");
  QPixmap splashImage(state.resourceDir + QStringLiteral("/image/splash.webp"));
  auto splash = std::make_unique<QSplashScreen>(splashImage);
  if (QScreen *screen = QGuiApplication::primaryScreen())
    splash->move(screen->geometry().center() - splash->rect().center());
  splash->show();
  app.processEvents();
  logLine("Complete! ");

  logInfo("[Main]: Set Translation file...");
  Language::apply(state.language);

  raisePriority();

  logInfo("[Main]: MainWindow start now!");
  MainWindow window;
  if (!window.agreed()) {
    splash->close();
    return 0;
  }
  window.show();
  splash->finish(&window);
  splash.reset();
  window.startUpdateCheck();

  // Files and folders named on the command line are loaded, as users of
  // desktop viewers expect.
  QStringList paths;
  for (int i = 1; i < qtArgc; ++i) paths << QString::fromLocal8Bit(args[static_cast<size_t>(i)]);
  if (!paths.isEmpty()) window.openPaths(paths);

  const int result = app.exec();
  // A stop still under way when the window closed finishes before libvlc goes.
  VLCComponent::waitForAllWorkers(3000);
  return result;
}
