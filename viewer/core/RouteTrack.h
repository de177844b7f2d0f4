// The route of a recording as a line on the map: the positions with a fix,
// cut into runs wherever the camera had no fix or stored something that
// cannot be a position, so a lost fix is a gap and never a jump. Also finds
// the sample nearest to a place on the route.
#ifndef VIEWER_CORE_ROUTETRACK_H
#define VIEWER_CORE_ROUTETRACK_H

#include <QVector>

#include "core/MetadataSamples.h"

class RouteTrack {
 public:
  struct Run {
    int begin = 0;  // index into points(), inclusive
    int end = 0;    // exclusive
  };

  RouteTrack() = default;
  explicit RouteTrack(const QVector<MapPoint> &points);

  // Only points with a fix, in sample order.
  const QVector<MapPoint> &points() const { return points_; }
  const QVector<Run> &runs() const { return runs_; }
  bool isEmpty() const { return points_.isEmpty(); }
  float maxSpeed() const { return maxSpeed_; }

  // Sample number of the route point nearest to a position, or -1 without
  // a route. Where the route passes the same place more than once (a drive
  // there and back), the pass nearest to sample `near` wins among the points
  // within a few metres of the nearest one.
  int nearestSample(double latitude, double longitude, int near = -1) const;

 private:
  QVector<MapPoint> points_;
  QVector<Run> runs_;
  float maxSpeed_ = 0;
};

#endif
