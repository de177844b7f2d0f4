#include "core/RecordingMetadata.h"

#include <algorithm>
#include <cmath>

#include "core/GsensorEvents.h"
#include "core/KRNData.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"

namespace RecordingMetadata {

Extraction extract(const QString &path) {
  Extraction e;
  KRNReaderInfo info{};
  KRNData data(&info);
  const int32_t opened = data.open(path);
  if (opened < 0) return e;  // plays without metadata, if libvlc can read it
  e.opened = true;
  if (opened == KRNData::NoInfo) return e;
  e.infoRead = true;
  if (data.KRN_GetVideoTotalNum() == 0) {
    logDebug("!!! Ch is 0");
    e.canPlay = false;
    return e;
  }
  e.channelCount = static_cast<int>(data.KRN_GetVideoTotalNum());
  e.totalRangeMs = data.KRN_GetTotalRange();
  if (opened == KRNData::HasText) {
    e.textSamplesListed = static_cast<int>(info.text[0].sampleCount);
    data.KRN_GetTextData(0);
    e.textComplete = data.state() == KRNData::Ok;
    const int n = data.KRN_GetTextDataTotalCount();
    e.gsensorSamples.reserve(n);
    e.gpsSamples.reserve(n);
    for (int i = 0; i < n; ++i) {
      uint32_t size = 0;
      const uint8_t *payload = data.sample(i, &size);
      TextSample t;
      if (!decodeTextSample(payload, size, &t)) continue;  // too short to hold the fields
      e.gsensorSamples.append({i, t.x, t.y, t.z});
      e.gpsSamples.append({i, t.latitude, t.longitude, t.speed, t.north(), t.east()});
    }
  }
  e.metadataReady = !e.gsensorSamples.isEmpty() && !e.gpsSamples.isEmpty();
  if (e.metadataReady) {
    const int count = e.gsensorSamples.last().number + 1;
    e.gsensorEvents = GsensorEvents::detect(e.gsensorSamples, e.totalRangeMs / count);
  }
  return e;
}

const Extraction &publish(const Extraction &e) {
  ViewerState &s = ViewerState::instance();
  s.channelCount = e.channelCount;
  s.totalRangeMs = e.totalRangeMs;
  s.gsensorSamples = e.gsensorSamples;
  s.gpsSamples = e.gpsSamples;
  s.gsensorEvents = e.gsensorEvents;
  s.metadataReady = s.chartReady = e.metadataReady;
  return e;
}

void clear() {
  ViewerState &s = ViewerState::instance();
  s.gsensorSamples.clear();
  s.gpsSamples.clear();
  s.mapPoints.clear();
  s.gsensorEvents.clear();
  s.metadataReady = false;
  s.chartReady = false;
  s.resetGsensorTexts();
}

QVector<MapPoint> buildMapPoints(const QVector<GpsSample> &gps, float defaultLatitude,
                                 float defaultLongitude, bool *anyFix) {
  QVector<MapPoint> points;
  points.reserve(gps.size());
  bool fix = false;
  for (const GpsSample &g : gps) {
    if (g.latitudeRaw == 0.0f && g.longitudeRaw == 0.0f) {
      points.append({g.number, defaultLatitude, defaultLongitude, 0.0f, MapPoint::NoFix});
      continue;
    }
    const float latitude = nmeaToDegrees(g.latitudeRaw, g.north);
    const float longitude = nmeaToDegrees(g.longitudeRaw, g.east);
    if (!isPosition(latitude, longitude) || !std::isfinite(g.speed)) {
      points.append({g.number, 0.0f, 0.0f, 0.0f, MapPoint::Invalid});
      continue;
    }
    fix = true;
    points.append({g.number, latitude, longitude, g.speed, MapPoint::Fixed});
  }
  if (anyFix) *anyFix = fix;
  return points;
}

bool isPosition(double latitude, double longitude) {
  return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
         std::fabs(longitude) <= 180.0;
}

int pointIndexForSample(const QVector<MapPoint> &points, int number) {
  const auto after = std::upper_bound(points.cbegin(), points.cend(), number,
                                      [](int n, const MapPoint &p) { return n < p.number; });
  return static_cast<int>(after - points.cbegin()) - 1;
}

double sampleTimeMs(int number, int lastSampleNumber, double totalMs) {
  if (lastSampleNumber < 0 || totalMs <= 0) return 0;
  return totalMs * number / (lastSampleNumber + 1);
}

int chartIndex(int points, double currentMs, double totalMs) {
  if (totalMs <= 0) return -1;
  const int i = static_cast<int>(points * (currentMs / totalMs));
  return i > 0 && i < points ? i : -1;
}

int mapIndex(int lastSampleNumber, double currentMs, double totalMs) {
  if (totalMs <= 0) return -1;
  const int i = static_cast<int>(lastSampleNumber * (currentMs / totalMs));
  return i >= 1 && i < lastSampleNumber ? i : -1;
}

QString formatCoordinate(float degrees) {
  return QString::number(degrees, 'f', 5);
}
QString formatSpeed(float speed) {
  return QString::number(speed, 'g', 6);
}
QString formatGsensor(float value) {
  return QString::number(value, 'f', 3);
}

}  // namespace RecordingMetadata
