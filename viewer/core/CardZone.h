// The clock a card's recordings were named by. Cameras name their files in
// local time; the card's config.bin says which zone that was and in which
// unit the camera stores speeds. Without a readable config.bin the
// computer's own zone is taken, and the outputs say so.
#ifndef VIEWER_CORE_CARDZONE_H
#define VIEWER_CORE_CARDZONE_H

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QString>

struct CardZone {
  bool fromCard = false;    // the offset comes from the card's config.bin
  int offsetMinutes = 0;    // east of UTC; meaningful when fromCard
  bool speedMiles = false;  // the camera's "Speed Unit" is "mi/h"
  QString cardFolder;       // folder holding CONFIG/config.bin, when found

  // Milliseconds since 1970 (UTC) of a file name's local time.
  qint64 toUtcMs(const QDateTime &local) const;
  // Offset from UTC at that time, in minutes (the computer's zone changes
  // with daylight saving).
  int offsetAt(const QDateTime &local) const;
  // "UTC+01:00 from the card's config.bin" or "computer time zone
  // Europe/Berlin"; names the zone in the outputs' metadata.
  QString describe() const;
  QString speedUnit() const;               // "km/h" or "mi/h"
  static QString offsetText(int minutes);  // "+01:00"
};

// Finds and reads the card a recording belongs to, once per card.
class CardZones {
 public:
  // descriptionPath: configStr.json; empty for the program's own.
  explicit CardZones(const QString &descriptionPath = QString());

  // The zone of the card holding the recording: config.bin is looked for in
  // the recording's folder and the folders above it (cameras keep the
  // recordings a level or two below the card's root).
  CardZone forRecording(const QString &recordingPath);
  // The zone a card's config.bin gives, or the computer's.
  CardZone forCard(const QString &cardFolder);

  // The "timeZone" item's value for an offset in minutes, and back.
  static int offsetFromSetting(double value);

 private:
  QString descriptionPath_;
  QMutex lock_;
  QHash<QString, CardZone> cards_;   // by card folder
  QHash<QString, QString> folders_;  // recording folder -> card folder ("" for none)
};

#endif
