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
  int number = 0;
  float latitude = 0;  // signed decimal degrees
  float longitude = 0;
  float speed = 0;
};

#endif
