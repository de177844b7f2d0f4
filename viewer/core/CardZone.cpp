#include "core/CardZone.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>
#include <cstdlib>

#include "core/ConfigAccess.h"

namespace {

// The camera keeps its time zone as minutes + 720 ("UTC+00:00" is 720).
constexpr int kZoneSettingBase = 720;
// How far above a recording's folder its card's root may be.
constexpr int kCardDepth = 4;

}  // namespace

qint64 CardZone::toUtcMs(const QDateTime &local) const {
  QDateTime t(local.date(), local.time(), fromCard ? Qt::OffsetFromUTC : Qt::LocalTime,
              fromCard ? offsetMinutes * 60 : 0);
  return t.toMSecsSinceEpoch();
}

int CardZone::offsetAt(const QDateTime &local) const {
  if (fromCard) return offsetMinutes;
  return QDateTime(local.date(), local.time(), Qt::LocalTime).offsetFromUtc() / 60;
}

QString CardZone::offsetText(int minutes) {
  const int m = std::abs(minutes);
  return QStringLiteral("%1%2:%3")
      .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
      .arg(m / 60, 2, 10, QLatin1Char('0'))
      .arg(m % 60, 2, 10, QLatin1Char('0'));
}

QString CardZone::describe() const {
  if (fromCard)
    return QCoreApplication::translate("CardZone", "UTC%1 from the card's config.bin")
        .arg(offsetText(offsetMinutes));
  return QCoreApplication::translate("CardZone", "computer time zone %1")
      .arg(QString::fromUtf8(QTimeZone::systemTimeZoneId()));
}

QString CardZone::speedUnit() const {
  return speedMiles ? QStringLiteral("mi/h") : QStringLiteral("km/h");
}

CardZones::CardZones(const QString &descriptionPath) : descriptionPath_(descriptionPath) {}

int CardZones::offsetFromSetting(double value) {
  return static_cast<int>(value) - kZoneSettingBase;
}

CardZone CardZones::forCard(const QString &cardFolder) {
  {
    QMutexLocker hold(&lock_);
    const auto known = cards_.constFind(cardFolder);
    if (known != cards_.constEnd()) return *known;
  }
  CardZone zone;
  ConfigAccess config(descriptionPath_);
  double value = 0;
  if (config.readConfig(cardFolder) == ConfigAccess::Ok) {
    zone.cardFolder = cardFolder;
    // A zone outside what the earth has is a damaged value, not a zone.
    if (config.value(QStringLiteral("timeZone"), &value) &&
        std::abs(offsetFromSetting(value)) <= 14 * 60) {
      zone.fromCard = true;
      zone.offsetMinutes = offsetFromSetting(value);
    }
    zone.speedMiles = config.value(QStringLiteral("speedUnit"), &value) && value == 1;
  }
  QMutexLocker hold(&lock_);
  cards_.insert(cardFolder, zone);
  return zone;
}

CardZone CardZones::forRecording(const QString &recordingPath) {
  const QString folder = QFileInfo(recordingPath).absolutePath();
  QString card;
  bool known = false;
  {
    QMutexLocker hold(&lock_);
    const auto it = folders_.constFind(folder);
    if ((known = it != folders_.constEnd())) card = *it;
  }
  if (!known) {
    QDir dir(folder);
    for (int depth = 0; depth <= kCardDepth; ++depth) {
      if (QFileInfo(ConfigAccess::configPath(dir.absolutePath())).isFile()) {
        card = dir.absolutePath();
        break;
      }
      if (!dir.cdUp()) break;
    }
    QMutexLocker hold(&lock_);
    folders_.insert(folder, card);
  }
  return card.isEmpty() ? CardZone() : forCard(card);
}
