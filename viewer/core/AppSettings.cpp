#include "core/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTranslator>
#include <cmath>

#include "core/StatusLog.h"
#include "core/ViewerState.h"

namespace AppSettings {

const char *const kExitKeys[10] = {"width",  "height", "geoX",         "geoY",      "language",
                                   "volume", "mute",   "snapshotPath", "videoPath", "version"};
const char *const kResetKeys[9] = {"width",        "height",    "language", "volume",   "mute",
                                   "snapshotPath", "videoPath", "version",  "agreement"};

std::function<void()> restartProgram = [] {
  QProcess::startDetached(QCoreApplication::applicationFilePath(), QStringList());
};

QSettings &store() {
  static QSettings settings(QStringLiteral("pexlan"), QStringLiteral("melcor"));
  return settings;
}

void initFolders(const QString &programPath) {
  ViewerState &s = ViewerState::instance();
  s.appDir = QFileInfo(programPath).absolutePath();
  if (s.appDir.isEmpty()) s.appDir = QCoreApplication::applicationDirPath();
  s.resourceDir = s.appDir + QStringLiteral("/Resources");
  s.appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(s.appData);
  StatusLog::setPath(s.appData + QStringLiteral("/playerStatus.txt"));
  StatusLog::setThreshold(5);
}

bool loadTranslation(QTranslator &translator, int language) {
  static const char *const kFiles[] = {"trans_en.qm", "trans_ko.qm", "trans_he.qm"};
  if (language < 0 || language > 2) return false;
  return translator.load(ViewerState::instance().resourceDir + QStringLiteral("/translation/") +
                         QLatin1String(kFiles[language]));
}

bool checkNewVersion(const QString &current, const QString &newest) {
  const QStringList a = current.split(QLatin1Char('.'));
  const QStringList b = newest.split(QLatin1Char('.'));
  for (int i = 0; i < 3; ++i) {
    int x = a.value(i).toInt();
    int y = b.value(i).toInt();
    // Each part on its own: a lower part anywhere counts as older.
    if (x < y) return true;
  }
  return false;
}

MapPosition defaultMapPosition() {
  static constexpr MapPosition kBuiltIn{37.56668f, 126.97841f};
  bool latitudeOk = false;
  bool longitudeOk = false;
  const QSettings &st = store();
  const MapPosition p{st.value(QStringLiteral("mapDefaultLatitude")).toFloat(&latitudeOk),
                      st.value(QStringLiteral("mapDefaultLongitude")).toFloat(&longitudeOk)};
  if (!latitudeOk || !longitudeOk || !std::isfinite(p.latitude) || !std::isfinite(p.longitude) ||
      std::fabs(p.latitude) > 90 || std::fabs(p.longitude) > 180)
    return kBuiltIn;
  return p;
}

}  // namespace AppSettings

AgreementDecision decideAgreement(const QString &stored) {
  AgreementDecision d;
  if (stored.isEmpty() || stored == QLatin1String("0")) {
    d.showDialog = true;
    return d;
  }
  static const QStringList kAccepted = {"1", "3", "5", "7"};
  if (!kAccepted.contains(stored)) return d;
  int value = stored.toInt();
  d.agreed = true;
  d.alwaysDownload = value & 2;
  d.automaticSend = value & 4;
  return d;
}

int agreementValue(bool alwaysDownload, bool automaticSend) {
  int value = alwaysDownload ? 3 : 1;
  if (automaticSend) value |= 4;
  return value;
}
