#include "core/CameraSettings.h"

#include "core/ConfigAccess.h"
#include "core/ViewerState.h"

namespace CameraSettings {

namespace {

// Settings a model variant does not have.
const char *const kVariantLeds[] = {"Front Security LED", "Rear Security LED", "Security LED"};
constexpr int kLedlessVariant = 115;
constexpr int kLowPowerParking = 2;  // "Parking Record Mode" choice

// A pending choice equal to the saved one is no change.
void settle(SettingItem *s) {
  if (s->pendingIndex == s->savedIndex) s->pendingIndex = -1;
}

}  // namespace

SettingItem *find(QVector<SettingItem> *page, const QString &name) {
  if (!page) return nullptr;
  for (SettingItem &s : *page)
    if (s.name == name) return &s;
  return nullptr;
}

SettingItem *findLink(QVector<SettingItem> *page, const QString &link) {
  if (!page) return nullptr;
  for (SettingItem &s : *page)
    if (s.link == link) return &s;
  return nullptr;
}

bool hasChanges(const QVector<SettingItem> &page) {
  for (const SettingItem &s : page)
    if (s.pendingIndex >= 0) return true;
  return false;
}

bool needsFormat(const QString &name) {
  return name == QLatin1String("Video Bitrate") || name == QLatin1String("Memory Allocation");
}

void load(QVector<SettingItem> *page, const ConfigAccess &config) {
  const bool ledless = config.modelIdentifier().contains(QLatin1String("J74")) &&
                       config.variant() == kLedlessVariant;
  for (SettingItem &s : *page) {
    double value = 0;
    s.pendingIndex = -1;
    s.savedIndex = !s.link.isEmpty() && config.value(s.link, &value) ? s.indexOf(value) : -1;
    s.hidden = false;
    for (const char *led : kVariantLeds)
      if (ledless && s.name == QLatin1String(led)) s.hidden = true;
  }
}

SettingItem *applyTies(QVector<SettingItem> *page, QVector<SettingItem> *related) {
  if (SettingItem *fps = find(page, QStringLiteral("Front Record FPS")))
    for (SettingItem &s : *page)
      if (s.name == QLatin1String("HDR")) s.enable = fps->shownIndex() != 1;
  SettingItem *mode = find(page, QStringLiteral("Parking Record Mode"));
  SettingItem *cut = find(related, QStringLiteral("Cut Time"));
  if (!mode || !cut) return nullptr;
  cut->enable = mode->shownIndex() != kLowPowerParking;
  return cut;
}

QVector<SettingItem *> choose(QVector<SettingItem> *page, QVector<SettingItem> *related,
                              SettingItem *s, int index) {
  QVector<SettingItem *> changed;
  if (!s || index < 0 || index >= s->choices.size()) return changed;
  s->pendingIndex = index;
  const QString &name = s->name;
  if (name == QLatin1String("Speed Unit")) {
    ViewerState::instance().speedUnitMiles = s->choices[index].name == QLatin1String("mi/h");
  } else if (name == QLatin1String("Front Record FPS")) {
    for (SettingItem &hdr : *page) {
      if (hdr.name != QLatin1String("HDR")) continue;
      hdr.enable = index != 1;
      changed.append(&hdr);
    }
  } else if (name == QLatin1String("Parking Record Mode") && related) {
    // The low-power mode records no cut files: "Cut Time" takes its first
    // choice and is fixed, and the camera sleeps between events.
    const bool lowPower = index == kLowPowerParking;
    if (SettingItem *cut = find(related, QStringLiteral("Cut Time"))) {
      cut->pendingIndex = lowPower ? 0 : -1;
      cut->enable = !lowPower;
      settle(cut);
      changed.append(cut);
    }
    SettingItem *sleep = findLink(page, QStringLiteral("sleepMode"));
    if (!sleep) sleep = findLink(related, QStringLiteral("sleepMode"));
    if (sleep) {
      sleep->pendingIndex = lowPower ? 1 : 0;
      settle(sleep);
      changed.append(sleep);
    }
  }
  settle(s);
  return changed;
}

void resetToDefaults(QVector<SettingItem> *page) {
  for (SettingItem &s : *page) {
    const int index = s.link.isEmpty() ? -1 : s.indexOf(s.initial);
    if (index < 0) continue;  // a default that is none of the choices is not applied
    s.pendingIndex = index == s.savedIndex ? -1 : index;
  }
}

void applyPending(const QVector<SettingItem> &page, ConfigAccess *config) {
  for (const SettingItem &s : page)
    if (s.pendingIndex >= 0 && s.pendingIndex < s.choices.size() && !s.link.isEmpty())
      config->setValue(s.link, s.choices[s.pendingIndex].value);
}

int relatedPage(const QVector<QVector<SettingItem> *> &pages, int index) {
  if (index < 0 || index >= pages.size() ||
      !find(pages[index], QStringLiteral("Parking Record Mode")))
    return -1;
  int related = -1;
  // The last page holding "Cut Time", as the editor has always linked them.
  for (int i = 0; i < pages.size(); ++i)
    if (i != index && find(pages[i], QStringLiteral("Cut Time"))) related = i;
  return related;
}

}  // namespace CameraSettings
