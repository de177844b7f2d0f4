// Finds the moments of a recording where the G-sensor reading changes
// sharply: hard braking, a crash, a knock against the parked car. The viewer
// marks them on the time line, the chart and the route; the command-line
// tool lists them.
#ifndef VIEWER_CORE_GSENSOREVENTS_H
#define VIEWER_CORE_GSENSOREVENTS_H

#include <QString>
#include <QVector>

#include "core/MetadataSamples.h"

namespace GsensorEvents {

struct Settings {
  // The reading is compared with its own mean over this much time before it.
  double windowMs = 1000;
  // A change of the reading (the length of the difference vector) this
  // large, in g, is an event ...
  double thresholdG = 0.45;
  // ... which began where the change first exceeded this ...
  double onsetG = 0.15;
  // ... and nothing within this much time after it is another event (the
  // car coming to a stop after braking is part of the braking).
  double holdOffMs = 5000;
};

// samplePeriodMs: time between two samples (100 ms when not known).
QVector<GsensorEvent> detect(const QVector<GsensorSample> &samples, double samplePeriodMs,
                             const Settings &settings = Settings());

// What the user reads about an event: "Hard braking, 0.82 g".
QString title(const GsensorEvent &event);

}  // namespace GsensorEvents

#endif
