#include "core/GsensorEvents.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace GsensorEvents {

namespace {

constexpr double kDefaultPeriodMs = 100;

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

Vec3 operator-(const Vec3 &a, const Vec3 &b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

double length(const Vec3 &v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// The readings as vectors; an unreadable value (not a number) repeats the
// reading before it, so it neither raises nor hides an event.
QVector<Vec3> readings(const QVector<GsensorSample> &samples) {
  QVector<Vec3> out;
  out.reserve(samples.size());
  Vec3 last{0, 0, 1};
  for (const GsensorSample &s : samples) {
    if (std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z)) last = {s.x, s.y, s.z};
    out.append(last);
  }
  return out;
}

// Difference between each reading and the mean of the window before it
// (running sums keep this linear in the number of samples).
QVector<Vec3> changes(const QVector<Vec3> &g, int window) {
  QVector<Vec3> out(g.size());
  Vec3 sum;
  for (int i = 0; i < g.size(); ++i) {
    const int count = std::min(i, window);
    if (count > 0) {
      const Vec3 mean{sum.x / count, sum.y / count, sum.z / count};
      out[i] = g[i] - mean;
    }
    sum.x += g[i].x;
    sum.y += g[i].y;
    sum.z += g[i].z;
    if (i >= window) {
      sum.x -= g[i - window].x;
      sum.y -= g[i - window].y;
      sum.z -= g[i - window].z;
    }
  }
  return out;
}

}  // namespace

QVector<GsensorEvent> detect(const QVector<GsensorSample> &samples, double samplePeriodMs,
                             const Settings &settings) {
  QVector<GsensorEvent> events;
  const double period =
      std::isfinite(samplePeriodMs) && samplePeriodMs > 0 ? samplePeriodMs : kDefaultPeriodMs;
  const int window = std::max(1, static_cast<int>(std::lround(settings.windowMs / period)));
  const int holdOff = std::max(1, static_cast<int>(std::lround(settings.holdOffMs / period)));
  const QVector<Vec3> d = changes(readings(samples), window);

  int quietUntil = 0;
  for (int i = 1; i < d.size(); ++i) {
    if (i < quietUntil || length(d[i]) < settings.thresholdG) continue;
    // Back to where the change began, at most one window.
    int onset = i;
    while (onset > 1 && i - onset < window && length(d[onset - 1]) >= settings.onsetG) --onset;
    // Its size: the largest change within a window from the crossing.
    int peak = i;
    for (int j = i + 1; j < d.size() && j <= i + window; ++j)
      if (length(d[j]) > length(d[peak])) peak = j;
    const Vec3 &p = d[peak];
    GsensorEvent e;
    e.number = samples[onset].number;
    e.change = static_cast<float>(length(p));
    // Slowing down shows as the longitudinal axis falling; anything else is
    // a blow from some side.
    e.kind = -p.y >= 0.7 * length(p) ? GsensorEvent::Braking : GsensorEvent::Impact;
    events.append(e);
    quietUntil = i + holdOff;
  }
  return events;
}

QString title(const GsensorEvent &event) {
  const QString kind = event.kind == GsensorEvent::Braking
                           ? QCoreApplication::translate("GsensorEvents", "Hard braking")
                           : QCoreApplication::translate("GsensorEvents", "Impact");
  return QStringLiteral("%1, %2 g").arg(kind).arg(double(event.change), 0, 'f', 2);
}

}  // namespace GsensorEvents
