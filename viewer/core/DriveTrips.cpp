#include "core/DriveTrips.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>

#include "core/RecordingName.h"

namespace DriveTrips {

namespace {

constexpr double kMetresPerMile = 1609.344;

qint64 endOf(const RecordingTelemetry &r) {
  return r.startUtcMs + std::llround(r.durationMs);
}

void finish(Trip *trip, const QVector<RecordingTelemetry> &recordings) {
  QVector<const RecordingTelemetry *> parts;
  for (int i : trip->recordings) {
    parts.append(&recordings[i]);
    for (const TelemetryEvent &e : recordings[i].events) trip->events.append(e);
  }
  std::stable_sort(
      trip->events.begin(), trip->events.end(),
      [](const TelemetryEvent &a, const TelemetryEvent &b) { return a.utcMs < b.utcMs; });
  QVector<TelemetryEvent> events;
  for (const TelemetryEvent &e : trip->events)
    if (events.isEmpty() || e.utcMs - events.last().utcMs >= kSameEventMs) events.append(e);
  trip->events = events;
  const QVector<TelemetryPoint> points = RecordingTelemetry::merged(parts);
  trip->distanceMetres = RecordingTelemetry::distanceOf(RecordingTelemetry::segments(points));
  trip->topSpeed = RecordingTelemetry::topSpeedOf(points);
  trip->speedMiles = recordings[trip->recordings.first()].zone.speedMiles;
}

}  // namespace

double Trip::meanSpeed() const {
  const double hours = durationSeconds() / 3600.0;
  if (hours <= 0) return 0;
  const double perHour = distanceMetres / hours;
  return speedMiles ? perHour / kMetresPerMile : perHour / 1000.0;
}

QVector<Trip> join(const QVector<RecordingTelemetry> &recordings) {
  QVector<int> order;
  for (int i = 0; i < recordings.size(); ++i)
    if (recordings[i].durationMs > 0) order.append(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return recordings[a].startUtcMs < recordings[b].startUtcMs;
  });
  QVector<Trip> trips;
  bool open = false;
  for (int i : order) {
    const RecordingTelemetry &r = recordings[i];
    if (r.type == RecordingName::Parking) {
      open = false;
      continue;
    }
    if (!open || r.startUtcMs - trips.last().endUtcMs > kMaxGapMs) {
      trips.append(Trip());
      trips.last().startUtcMs = r.startUtcMs;
      trips.last().endUtcMs = endOf(r);
    }
    open = true;
    Trip &trip = trips.last();
    trip.recordings.append(i);
    trip.endUtcMs = std::max(trip.endUtcMs, endOf(r));
  }
  for (Trip &trip : trips) finish(&trip, recordings);
  return trips;
}

}  // namespace DriveTrips
