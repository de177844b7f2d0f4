// The rules of the camera's settings, kept apart from any page or widget so
// that the setting editor and the command-line tool change a card the same
// way: which choice the card's value is, which settings a model variant does
// not have, which settings follow another one, the defaults, and how the
// chosen values go into config.bin.
#ifndef VIEWER_CORE_CAMERASETTINGS_H
#define VIEWER_CORE_CAMERASETTINGS_H

#include <QString>
#include <QVector>

#include "core/SettingItem.h"

class ConfigAccess;

namespace CameraSettings {

// Saved choices from the card's values, pending choices cleared, the
// settings the card's model variant does not have hidden.
void load(QVector<SettingItem> *page, const ConfigAccess &config);

// The settings whose state follows another's take the state of what is
// shown: "HDR" after "Front Record FPS" on the same page, "Cut Time" (on the
// related page) after "Parking Record Mode". Returns the related page's
// setting it changed, or null.
SettingItem *applyTies(QVector<SettingItem> *page, QVector<SettingItem> *related);

// Choice `index` of the setting `s` of `page`, and what follows from it.
// Returns every other setting whose state changed (on either page); empty
// when the index is not one of the setting's choices.
QVector<SettingItem *> choose(QVector<SettingItem> *page, QVector<SettingItem> *related,
                              SettingItem *s, int index);

// Every setting with a default among its choices takes it as pending
// choice. The caller applies the ties afterwards.
void resetToDefaults(QVector<SettingItem> *page);

// The pending choices of a page into the card's values.
void applyPending(const QVector<SettingItem> &page, ConfigAccess *config);

// A change of this setting needs the card formatted ("Video Bitrate",
// "Memory Allocation").
bool needsFormat(const QString &name);

// The page (index into pages) whose settings the rules of page `index` also
// change: the one holding "Cut Time" for the page holding "Parking Record
// Mode"; -1 for none.
int relatedPage(const QVector<QVector<SettingItem> *> &pages, int index);

SettingItem *find(QVector<SettingItem> *page, const QString &name);
SettingItem *findLink(QVector<SettingItem> *page, const QString &link);
bool hasChanges(const QVector<SettingItem> &page);

}  // namespace CameraSettings

#endif
