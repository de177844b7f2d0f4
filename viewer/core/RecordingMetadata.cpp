#include "core/RecordingMetadata.h"

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "core/KRNData.h"

namespace RecordingMetadata {

Extraction extract(const QString &path) {
  Extraction e;
  KRNReaderInfo info{};
  KRNData data(&info);
  const int32_t opened = data.open(path);
  if (opened < 0) return e;  // plays without metadata, if libvlc can read it
  e.opened = true;
  if (opened == KRNData::NoInfo) return e;
  if (data.KRN_GetVideoTotalNum() == 0) {
    logDebug("!!! Ch is 0");
    e.canPlay = false;
    return e;
  }
  e.channelCount = static_cast<int>(data.KRN_GetVideoTotalNum());
  e.totalRangeMs = data.KRN_GetTotalRange();
  if (opened == KRNData::HasText) {
    data.KRN_GetTextData(0);
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
  return e;
}

void clear() {
  ViewerState &s = ViewerState::instance();
  s.gsensorSamples.clear();
  s.gpsSamples.clear();
  s.mapPoints.clear();
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
      points.append({g.number, defaultLatitude, defaultLongitude, 0.0f});
      continue;
    }
    fix = true;
    points.append({g.number, nmeaToDegrees(g.latitudeRaw, g.north),
                   nmeaToDegrees(g.longitudeRaw, g.east), g.speed});
  }
  if (anyFix) *anyFix = fix;
  return points;
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
