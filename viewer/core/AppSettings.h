// The program settings store ("pexlan"/"melcor"), shared with the launcher,
// and the start-up helpers around it.
#ifndef VIEWER_CORE_APPSETTINGS_H
#define VIEWER_CORE_APPSETTINGS_H

#include <QSettings>
#include <QString>
#include <functional>

class QTranslator;

namespace AppSettings {

constexpr const char *kVersion = "1.0.6";

QSettings &store();

// Keys written at exit, in the order they are written.
extern const char *const kExitKeys[10];
// Keys a program reset removes ("id" stays).
extern const char *const kResetKeys[9];

// Resolves AppDir, ResourceDir and AppData into the state object, creates
// AppData and points the status log at it.
void initFolders(const QString &programPath);

// Loads the translation of a language (0 English, 1 Korean, 2 Hebrew) into
// translator; false when the file is missing or the index unknown.
bool loadTranslation(QTranslator &translator, int language);

// Starts a new copy of the program (after a program reset). Tests replace it.
extern std::function<void()> restartProgram;

// True when the newest version is newer, part by part.
bool checkNewVersion(const QString &current, const QString &newest);

// Where the map stands while a recording has no GPS fix: the deployment
// settings "mapDefaultLatitude" and "mapDefaultLongitude" (signed decimal
// degrees), else Seoul City Hall.
struct MapPosition {
  float latitude = 0;
  float longitude = 0;
};
MapPosition defaultMapPosition();

}  // namespace AppSettings

// What the stored "agreement" text means at start-up.
struct AgreementDecision {
  bool showDialog = false;
  bool agreed = false;
  bool alwaysDownload = false;
  bool automaticSend = false;
};
AgreementDecision decideAgreement(const QString &stored);
int agreementValue(bool alwaysDownload, bool automaticSend);

#endif
