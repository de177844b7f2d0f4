#include "app/Language.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/AppSettings.h"
#include "core/StatusLog.h"

namespace Language {

namespace {

QTranslator &ours() {
  static QTranslator *translator = new QTranslator;  // lives as long as the program
  return *translator;
}

QTranslator &qts() {
  static QTranslator *translator = new QTranslator;
  return *translator;
}

const char *const kQtFiles[Count] = {nullptr, "qtbase_ko", "qtbase_he"};

}  // namespace

bool apply(int language) {
  QApplication::removeTranslator(&ours());
  QApplication::removeTranslator(&qts());
  const bool loaded = AppSettings::loadTranslation(ours(), language);
  if (loaded) QApplication::installTranslator(&ours());
  if (language > 0 && language < Count &&
      qts().load(QLatin1String(kQtFiles[language]),
                 QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qts());
  QApplication::setLayoutDirection(language == Hebrew ? Qt::RightToLeft : Qt::LeftToRight);
  if (!loaded) logError("[Language]: no translation for language %d", language);
  return loaded;
}

}  // namespace Language
