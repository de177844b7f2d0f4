// Consecutive recordings joined into drives: what the user remembers as
// "the trip to work", made of one-minute files.
//
// A drive is a run of continuous, event and user recordings in time order
// in which each recording starts at most kMaxGapMs after the end of the
// drive so far (event and user recordings are written beside the continuous
// ones and overlap them). Parking recordings are never part of a drive: the
// camera writes them while the car stands, so one ends the drive before it.
#ifndef VIEWER_CORE_DRIVETRIPS_H
#define VIEWER_CORE_DRIVETRIPS_H

#include <QVector>

#include "core/RecordingTelemetry.h"

namespace DriveTrips {

constexpr qint64 kMaxGapMs = 60 * 1000;
// Events of overlapping recordings closer than this are one event.
constexpr qint64 kSameEventMs = 2000;

struct Trip {
  QVector<int> recordings;  // indices into the list given to join(), in time order
  qint64 startUtcMs = 0;
  qint64 endUtcMs = 0;
  double distanceMetres = 0;
  float topSpeed = 0;  // the camera's unit
  bool speedMiles = false;
  QVector<TelemetryEvent> events;

  double durationSeconds() const { return (endUtcMs - startUtcMs) / 1000.0; }
  // Distance over duration, in the camera's unit.
  double meanSpeed() const;
};

// Recordings without a duration (unreadable) are left out.
QVector<Trip> join(const QVector<RecordingTelemetry> &recordings);

}  // namespace DriveTrips

#endif
