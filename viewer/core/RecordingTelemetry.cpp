#include "core/RecordingTelemetry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "core/KRNData.h"
#include "core/RecordingMetadata.h"
#include "core/RecordingName.h"

namespace {

QString tr(const char *text) {
  return QCoreApplication::translate("RecordingTelemetry", text);
}

}  // namespace

double haversineMetres(double latitude1, double longitude1, double latitude2, double longitude2) {
  constexpr double kRadians = 3.14159265358979323846 / 180.0;
  constexpr double kEarthRadius = 6371008.8;  // mean radius, metres
  const double dLat = (latitude2 - latitude1) * kRadians;
  const double dLon = (longitude2 - longitude1) * kRadians;
  const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(latitude1 * kRadians) * std::cos(latitude2 * kRadians) *
                       std::sin(dLon / 2) * std::sin(dLon / 2);
  return 2 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(a)));
}

namespace {

// What the name and the size of a file already tell.
QString nameProblem(const QFileInfo &file) {
  if (!file.isFile()) return tr("no such file");
  if (!RecordingName::startTime(file.fileName()).isValid())
    return tr("not a camera recording's file name");
  if (file.size() == 0) return tr("empty file");
  return {};
}

// What the reader's answer tells.
QString readerProblem(bool opened, bool infoRead, bool hasVideo) {
  if (!opened) return tr("not readable as MP4 or AVI (damaged or cut short)");
  if (!infoRead) return tr("its tracks cannot be read");
  if (!hasVideo) return tr("no video track");
  return {};
}

}  // namespace

QString RecordingTelemetry::fileProblem(const QString &path) {
  const QString named = nameProblem(QFileInfo(path));
  if (!named.isEmpty()) return named;
  KRNReaderInfo info{};
  KRNData data(&info);
  const int32_t opened = data.open(path);
  return readerProblem(opened >= 0, opened == KRNData::HasText || opened == KRNData::NoText,
                       info.videoCount > 0);
}

RecordingTelemetry RecordingTelemetry::read(const QString &path, const CardZone &zone) {
  RecordingTelemetry t;
  const QFileInfo file(path);
  t.path = path;
  t.fileName = file.fileName();
  t.key = RecordingName::recordingKey(t.fileName);
  t.type = RecordingName::typeOf(t.fileName);
  t.localStart = RecordingName::startTime(t.fileName);
  t.zone = zone;
  if (t.localStart.isValid()) t.startUtcMs = zone.toUtcMs(t.localStart);
  t.problem = nameProblem(file);
  if (!t.problem.isEmpty()) return t;

  const RecordingMetadata::Extraction e = RecordingMetadata::extract(path);
  t.problem = readerProblem(e.opened, e.infoRead, e.canPlay);
  if (!t.problem.isEmpty()) return t;
  t.durationMs = e.totalRangeMs;
  t.videoTracks = e.channelCount;
  if (!e.textComplete)
    t.problem = tr("cut short: %1 of %2 telemetry samples readable")
                    .arg(e.gpsSamples.size())
                    .arg(e.textSamplesListed);

  const QVector<MapPoint> map = RecordingMetadata::buildMapPoints(e.gpsSamples, 0, 0);
  const int last =
      std::max(e.textSamplesListed, e.gpsSamples.isEmpty() ? 0 : e.gpsSamples.last().number + 1) -
      1;
  t.points.reserve(map.size());
  for (int i = 0; i < map.size(); ++i) {
    const MapPoint &m = map[i];
    const GsensorSample &g = e.gsensorSamples[i];
    TelemetryPoint p;
    p.number = m.number;
    p.offsetMs = RecordingMetadata::sampleTimeMs(m.number, last, t.durationMs);
    p.utcMs = t.startUtcMs + std::llround(p.offsetMs);
    p.fix = m.fix == MapPoint::Fixed;
    if (p.fix) {
      p.latitude = m.latitude;
      p.longitude = m.longitude;
      p.speed = m.speed;
    }
    p.gx = g.x;
    p.gy = g.y;
    p.gz = g.z;
    t.points.append(p);
  }
  for (const GsensorEvent &event : e.gsensorEvents) {
    TelemetryEvent te;
    te.event = event;
    te.offsetMs = RecordingMetadata::sampleTimeMs(event.number, last, t.durationMs);
    te.utcMs = t.startUtcMs + std::llround(te.offsetMs);
    const int at = RecordingMetadata::pointIndexForSample(map, event.number);
    if (at >= 0 && t.points[at].fix) {
      te.fix = true;
      te.latitude = t.points[at].latitude;
      te.longitude = t.points[at].longitude;
    }
    t.events.append(te);
  }
  return t;
}

int RecordingTelemetry::fixCount() const {
  return static_cast<int>(
      std::count_if(points.cbegin(), points.cend(), [](const TelemetryPoint &p) { return p.fix; }));
}

float RecordingTelemetry::topSpeedOf(const QVector<TelemetryPoint> &points) {
  float top = 0;
  for (const TelemetryPoint &p : points)
    if (p.fix && std::isfinite(p.speed)) top = std::max(top, p.speed);
  return top;
}

QVector<TelemetryPoint> RecordingTelemetry::merged(
    const QVector<const RecordingTelemetry *> &recordings) {
  // Samples closer than this are the same moment seen by two recordings.
  constexpr qint64 kSameMomentMs = 50;
  QVector<TelemetryPoint> all;
  for (const RecordingTelemetry *r : recordings) all += r->points;
  std::stable_sort(all.begin(), all.end(), [](const TelemetryPoint &a, const TelemetryPoint &b) {
    return a.utcMs < b.utcMs;
  });
  QVector<TelemetryPoint> out;
  out.reserve(all.size());
  for (const TelemetryPoint &p : all) {
    if (!out.isEmpty() && p.utcMs - out.last().utcMs < kSameMomentMs) {
      // Of two readings of one moment, the one with a position counts.
      if (p.fix && !out.last().fix) out.last() = p;
      continue;
    }
    out.append(p);
  }
  return out;
}

QVector<TelemetrySegment> RecordingTelemetry::segments(const QVector<TelemetryPoint> &points,
                                                       qint64 fromUtcMs, qint64 toUtcMs) {
  QVector<TelemetrySegment> out;
  bool open = false;
  qint64 lastMs = 0;
  for (const TelemetryPoint &p : points) {
    if (p.utcMs < fromUtcMs || p.utcMs > toUtcMs) continue;
    if (!p.fix) {
      open = false;
      continue;
    }
    if (!open || p.utcMs - lastMs > kJoinGapMs || p.utcMs < lastMs) out.append(TelemetrySegment());
    open = true;
    lastMs = p.utcMs;
    out.last().append(p);
  }
  return out;
}

double RecordingTelemetry::distanceOf(const QVector<TelemetrySegment> &segments) {
  double metres = 0;
  for (const TelemetrySegment &s : segments)
    for (int i = 1; i < s.size(); ++i)
      metres +=
          haversineMetres(s[i - 1].latitude, s[i - 1].longitude, s[i].latitude, s[i].longitude);
  return metres;
}
