// Real road polylines the simulated car drives along.
#pragma once

#include <string>
#include <vector>

namespace samplegen {

struct Waypoint {
  double latitude;      // signed decimal degrees
  double longitude;     // signed decimal degrees
  double limitKmh;      // speed limit of the road from here to the next waypoint
  double lightSeconds;  // traffic light here: longest red phase; 0 = no light
};

struct Route {
  std::string name;
  std::string description;
  double altitude;  // typical height above sea level, metres
  std::vector<Waypoint> points;
};

// nullptr when there is no route of that name.
const Route *findRoute(const std::string &name);
std::vector<std::string> routeNames();

}  // namespace samplegen
