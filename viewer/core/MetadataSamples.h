// Per-sample records extracted from a recording's text track.
#ifndef VIEWER_CORE_METADATASAMPLES_H
#define VIEWER_CORE_METADATASAMPLES_H

struct GsensorSample {
  int number = 0;
  float x = 0, y = 0, z = 0;
};

struct GpsSample {
  int number = 0;
  float latitudeRaw = 0;   // NMEA ddmm.mmmm
  float longitudeRaw = 0;  // NMEA dddmm.mmmm
  float speed = 0;
  bool north = false;
  bool east = false;
};

struct MapPoint {
  // NoFix: the camera had no position (it stores 0, 0); the point carries the
  // default position and speed 0. Invalid: the sample's values cannot be a
  // position (outside +-90/+-180 or not a number); the point only keeps the
  // sample numbers in step and is never drawn or sent to the map.
  enum Fix : unsigned char { Fixed, NoFix, Invalid };

  int number = 0;
  float latitude = 0;  // signed decimal degrees
  float longitude = 0;
  float speed = 0;
  Fix fix = Fixed;
};

// A moment where the G-sensor reading changed sharply.
struct GsensorEvent {
  enum Kind : unsigned char { Braking, Impact };

  int number = 0;    // sample number where the change began
  float change = 0;  // largest change of the reading, in g
  Kind kind = Impact;
};

#endif
