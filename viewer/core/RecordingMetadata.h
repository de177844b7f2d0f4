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
  bool infoRead = false;      // the reader gave the file's information
  bool textComplete = true;   // false: the text track ended in a sample that did not read
  int textSamplesListed = 0;  // samples the text track's headers announce
  int channelCount = 1;
  double totalRangeMs = 0;
  QVector<GsensorSample> gsensorSamples;
  QVector<GpsSample> gpsSamples;
  QVector<GsensorEvent> gsensorEvents;  // sharp changes of the G-sensor
};

// Reads a recording's information and its G-sensor and GPS samples. Nothing
// is written anywhere: the caller publishes what it wants of the result.
Extraction extract(const QString &path);

// Makes an extraction the recording's metadata for the whole program (the
// state object's totals, sample lists, events and flags); returns it.
const Extraction &publish(const Extraction &e);

// Clears the sample lists, flags and G-sensor strings.
void clear();

// NMEA samples as signed decimal degrees; a point without fix (latitude and
// longitude both 0) is put at the default position with speed 0 and marked
// NoFix; one that cannot be a position is marked Invalid.
QVector<MapPoint> buildMapPoints(const QVector<GpsSample> &gps, float defaultLatitude,
                                 float defaultLongitude, bool *anyFix = nullptr);
// Whether a latitude and longitude can be a position on the earth.
bool isPosition(double latitude, double longitude);

// Index of the chart sample for the playing time, or -1 when it is not to
// be used (outside 0 < i < points).
int chartIndex(int points, double currentMs, double totalMs);
// Index into the map points for the playing time, or -1 when not used
// (outside 1 <= i < last sample number).
int mapIndex(int lastSampleNumber, double currentMs, double totalMs);

// Index of the point that holds a sample number (the last one at or before
// it, since unreadable samples leave holes), or -1.
int pointIndexForSample(const QVector<MapPoint> &points, int number);

// Playing time of a sample, the samples spreading evenly over the recording.
double sampleTimeMs(int number, int lastSampleNumber, double totalMs);

QString formatCoordinate(float degrees);  // 5 fixed decimals
QString formatSpeed(float speed);         // shortest form, 6 significant digits
QString formatGsensor(float value);       // 3 fixed decimals

}  // namespace RecordingMetadata

#endif
