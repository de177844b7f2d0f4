// The language the viewer speaks: our own translation, Qt's translation of
// its own dialogs (Yes/No, file dialogs) for the same language, and the
// writing direction (Hebrew lays out right to left). Installing a
// translation sends every widget a LanguageChange event; each widget
// re-labels itself on it.
#ifndef VIEWER_APP_LANGUAGE_H
#define VIEWER_APP_LANGUAGE_H

namespace Language {

enum Index { English = 0, Korean = 1, Hebrew = 2, Count = 3 };

// Switches to language 0-2; false when our translation file is missing
// (the program then speaks English).
bool apply(int language);

}  // namespace Language

#endif
