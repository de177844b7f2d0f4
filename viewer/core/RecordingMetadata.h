// What the player takes from a recording when playback starts: channel
// count, total range and the G-sensor/GPS samples, and the look-ups of the
// sample that belongs to the current playing time.
#ifndef VIEWER_CORE_RECORDINGMETADATA_H
#define VIEWER_CORE_RECORDINGMETADATA_H

#include <QString>
#include <QVector>

#include "core/MetadataSamples.h"

namespace RecordingMetadata {

// Everything a recording tells about itself when it starts playing.
struct Extraction {
  bool opened = false;  // the reader could open the file
  bool canPlay = true;  // false: the file has no video track
  bool metadataReady = false;
  int channelCount = 1;
  double totalRangeMs = 0;
  QVector<GsensorSample> gsensorSamples;
  QVector<GpsSample> gpsSamples;
};

// Reads a recording's information and its G-sensor and GPS samples. Nothing
// is written anywhere: the caller publishes what it wants of the result.
Extraction extract(const QString &path);

// Clears the sample lists, flags and G-sensor strings.
void clear();

// NMEA samples as signed decimal degrees; a point without fix (latitude and
// longitude both 0) is put at the default position with speed 0.
QVector<MapPoint> buildMapPoints(const QVector<GpsSample> &gps, float defaultLatitude,
                                 float defaultLongitude, bool *anyFix = nullptr);

// Index of the chart sample for the playing time, or -1 when it is not to
// be used (outside 0 < i < points).
int chartIndex(int points, double currentMs, double totalMs);
// Index into the map points for the playing time, or -1 when not used
// (outside 1 <= i < last sample number).
int mapIndex(int lastSampleNumber, double currentMs, double totalMs);

QString formatCoordinate(float degrees);  // 5 fixed decimals
QString formatSpeed(float speed);         // shortest form, 6 significant digits
QString formatGsensor(float value);       // 3 fixed decimals

}  // namespace RecordingMetadata

#endif
