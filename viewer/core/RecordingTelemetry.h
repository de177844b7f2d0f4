// One recording's telemetry on the time line of the world: every text
// sample with its UTC time, position (when the camera had a fix), speed and
// G-sensor reading, the G-sensor events, and the figures of the drive
// (points with a fix, distance, top speed). What the command-line tool
// lists and what the telemetry exports write.
#ifndef VIEWER_CORE_RECORDINGTELEMETRY_H
#define VIEWER_CORE_RECORDINGTELEMETRY_H

#include <QDateTime>
#include <QString>
#include <QVector>
#include <limits>

#include "core/CardZone.h"
#include "core/MetadataSamples.h"

struct TelemetryPoint {
  int number = 0;       // sample number in the recording
  qint64 utcMs = 0;     // time of the sample, ms since 1970 (UTC)
  double offsetMs = 0;  // from the recording's start
  bool fix = false;     // latitude and longitude hold a position
  double latitude = 0;  // signed decimal degrees
  double longitude = 0;
  float speed = 0;  // in the camera's unit, 0 without fix
  float gx = 0, gy = 0, gz = 0;
};

struct TelemetryEvent {
  GsensorEvent event;
  qint64 utcMs = 0;
  double offsetMs = 0;
  bool fix = false;  // position of the car when it happened
  double latitude = 0, longitude = 0;
};

// Consecutive points with a fix, each at most kJoinGapMs after the one
// before: a stretch without fix, or a gap in time, starts a new one.
using TelemetrySegment = QVector<TelemetryPoint>;

class RecordingTelemetry {
 public:
  // Points further apart than this are not joined by a line.
  static constexpr qint64 kJoinGapMs = 2000;
  static constexpr qint64 kEarliest = std::numeric_limits<qint64>::min();
  static constexpr qint64 kLatest = std::numeric_limits<qint64>::max();

  // Reads the recording's file (the channel file that holds the text
  // track). A file that does not read completely keeps what was read and
  // says why in problem().
  static RecordingTelemetry read(const QString &path, const CardZone &zone);

  QString path;
  QString fileName;
  QString key;  // date, time and type: "20240501_083000_INF"
  int type = 0;
  QDateTime localStart;  // as the file name gives it
  qint64 startUtcMs = 0;
  CardZone zone;
  double durationMs = 0;
  int videoTracks = 0;
  QVector<TelemetryPoint> points;
  QVector<TelemetryEvent> events;

  // Why a file is not a readable recording, from its name, size and
  // tracks alone (without reading the telemetry); empty when it is one.
  static QString fileProblem(const QString &path);

  // Empty when the file read as a sound recording; else why it did not.
  QString problem;
  bool readable() const { return problem.isEmpty(); }

  int fixCount() const;
  float topSpeed() const { return topSpeedOf(points); }
  // Length of the drive along the points with a fix, in metres.
  double distanceMetres() const { return distanceOf(segments(points)); }

  // The points of several recordings in time order; where recordings
  // overlap (an event recording is written beside the continuous one) a
  // moment is taken once.
  static QVector<TelemetryPoint> merged(const QVector<const RecordingTelemetry *> &recordings);

  // Segments of points in time order (of one recording or of consecutive
  // ones), only the points within [fromUtcMs, toUtcMs].
  static QVector<TelemetrySegment> segments(const QVector<TelemetryPoint> &points,
                                            qint64 fromUtcMs = kEarliest, qint64 toUtcMs = kLatest);
  static double distanceOf(const QVector<TelemetrySegment> &segments);
  static float topSpeedOf(const QVector<TelemetryPoint> &points);
};

// Great-circle distance on the mean earth sphere, in metres.
double haversineMetres(double latitude1, double longitude1, double latitude2, double longitude2);

#endif
