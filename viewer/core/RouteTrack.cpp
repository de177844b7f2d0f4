#include "core/RouteTrack.h"

#include <algorithm>
#include <cmath>
#include <limits>

RouteTrack::RouteTrack(const QVector<MapPoint> &points) {
  points_.reserve(points.size());
  bool inRun = false;
  for (const MapPoint &p : points) {
    if (p.fix != MapPoint::Fixed) {
      inRun = false;
      continue;
    }
    if (!inRun) runs_.append({static_cast<int>(points_.size()), 0});
    inRun = true;
    points_.append(p);
    runs_.last().end = points_.size();
    maxSpeed_ = std::max(maxSpeed_, p.speed);
  }
}

int RouteTrack::nearestSample(double latitude, double longitude, int near) const {
  // Distances on a plane tangent at the position, in metres: exact enough to
  // tell the points of one drive apart.
  constexpr double kPi = 3.14159265358979323846;
  constexpr double kMetresPerDegree = 6371008.8 * kPi / 180.0;
  constexpr double kSamePlaceMetres = 15.0;
  const double east = std::cos(latitude * kPi / 180.0);
  auto metres = [&](const MapPoint &p) {
    const double dy = p.latitude - latitude;
    double dx = std::fabs(p.longitude - longitude);
    if (dx > 180.0) dx = 360.0 - dx;  // across the date line
    return std::hypot(dx * east, dy) * kMetresPerDegree;
  };
  QVector<double> d(points_.size());
  double best = std::numeric_limits<double>::max();
  int number = -1;
  for (int i = 0; i < points_.size(); ++i) {
    d[i] = metres(points_[i]);
    if (d[i] < best) {
      best = d[i];
      number = points_[i].number;
    }
  }
  if (near < 0) return number;
  // Each pass by the place is a local minimum of the distance; of the passes
  // about as close as the nearest one, take the one nearest in time.
  long long bestGap = std::numeric_limits<long long>::max();
  for (int i = 0; i < points_.size(); ++i) {
    const bool pass = (i == 0 || d[i] <= d[i - 1]) && (i + 1 == d.size() || d[i] <= d[i + 1]);
    if (!pass || d[i] > best + kSamePlaceMetres) continue;
    const long long gap = std::llabs(static_cast<long long>(points_[i].number) - near);
    if (gap < bestGap) {
      number = points_[i].number;
      bestGap = gap;
    }
  }
  return number;
}
