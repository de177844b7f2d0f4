#include "map/MapScript.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

#include "core/GsensorEvents.h"
#include "core/RecordingMetadata.h"
#include "core/RouteTrack.h"

namespace MapScript {

namespace {

// Six decimals of a degree: about ten centimetres, finer than the camera.
void appendNumber(QByteArray &out, double value, int decimals = 6) {
  char buffer[32];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  out.append(buffer, static_cast<int>(r.ptr - buffer));
}

// Text as a JavaScript string literal.
void appendString(QByteArray &out, const QString &text) {
  out.append('"');
  for (const QChar c : text) {
    const ushort u = c.unicode();
    if (u == '"' || u == '\\') {
      out.append('\\').append(char(u));
    } else if (u < 0x20 || u > 0x7e) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      out.append(escape);
    } else {
      out.append(char(u));
    }
  }
  out.append('"');
}

}  // namespace

const QVector<SpeedBand> &speedBands() {
  static const QVector<SpeedBand> kBands = {
      {0, "#3b6fd8"},  {20, "#22a6c4"},  {40, "#3cbf62"},  {60, "#b9cf2c"},
      {80, "#f2a22c"}, {100, "#e8552f"}, {120, "#b0306a"},
  };
  return kBands;
}

int bandOf(float speed) {
  const QVector<SpeedBand> &bands = speedBands();
  int band = 0;
  while (band + 1 < bands.size() && speed >= bands[band + 1].from) ++band;
  return band;
}

QString setRoute(const RouteTrack &route, const QString &unit) {
  const QVector<MapPoint> &points = route.points();
  const QVector<SpeedBand> &bands = speedBands();
  // Each run of the route is cut where the speed band changes; the piece
  // that ends there and the one that starts share the point, so the line is
  // unbroken.
  QVector<QByteArray> lines(bands.size());
  QVector<int> lineCount(bands.size(), 0);
  for (const RouteTrack::Run &run : route.runs()) {
    int start = run.begin;
    while (start < run.end) {
      const int band = bandOf(points[start].speed);
      int stop = start + 1;
      while (stop < run.end && bandOf(points[stop].speed) == band) ++stop;
      const int last = std::min(stop, run.end - 1);
      QByteArray &out = lines[band];
      out.append(lineCount[band]++ ? ",[" : "[");
      for (int i = start; i <= last; ++i) {
        if (i > start) out.append(',');
        appendNumber(out, points[i].latitude);
        out.append(',');
        appendNumber(out, points[i].longitude);
      }
      out.append(']');
      start = stop;
      if (start == last && start == run.end - 1) break;  // a lone last point
    }
  }
  double south = 90, north = -90, west = 180, east = -180;
  for (const MapPoint &p : points) {
    south = std::min(south, double(p.latitude));
    north = std::max(north, double(p.latitude));
    west = std::min(west, double(p.longitude));
    east = std::max(east, double(p.longitude));
  }

  QByteArray js;
  js.reserve(points.size() * 24 + 512);
  js.append("setRoute({\"unit\":");
  appendString(js, unit);
  js.append(",\"points\":").append(QByteArray::number(points.size()));
  js.append(",\"maxSpeed\":");
  appendNumber(js, route.maxSpeed(), 1);
  js.append(",\"bands\":[");
  bool first = true;
  for (int b = 0; b < bands.size(); ++b) {
    if (lineCount[b] == 0) continue;
    js.append(first ? "{" : ",{");
    first = false;
    js.append("\"from\":");
    appendNumber(js, bands[b].from, 0);
    if (b + 1 < bands.size()) {
      js.append(",\"to\":");
      appendNumber(js, bands[b + 1].from, 0);
    }
    js.append(",\"colour\":\"").append(bands[b].colour).append("\",\"lines\":[");
    js.append(lines[b]).append("]}");
  }
  js.append("]");
  if (!points.isEmpty()) {
    js.append(",\"bounds\":[");
    appendNumber(js, south);
    js.append(',');
    appendNumber(js, west);
    js.append(',');
    appendNumber(js, north);
    js.append(',');
    appendNumber(js, east);
    js.append(']');
  }
  js.append("})");
  return QString::fromLatin1(js);
}

QString setEvents(const QVector<GsensorEvent> &events, const QVector<MapPoint> &points) {
  QByteArray js("setEvents([");
  bool first = true;
  for (const GsensorEvent &e : events) {
    int at = RecordingMetadata::pointIndexForSample(points, e.number);
    while (at >= 0 && points[at].fix != MapPoint::Fixed) --at;
    if (at < 0) continue;  // no position known yet at that moment
    js.append(first ? "{" : ",{");
    first = false;
    js.append("\"lat\":");
    appendNumber(js, points[at].latitude);
    js.append(",\"lng\":");
    appendNumber(js, points[at].longitude);
    js.append(",\"sample\":").append(QByteArray::number(e.number));
    js.append(",\"kind\":").append(e.kind == GsensorEvent::Braking ? "\"braking\"" : "\"impact\"");
    js.append(",\"title\":");
    appendString(js, GsensorEvents::title(e));
    js.append('}');
  }
  js.append("])");
  return QString::fromLatin1(js);
}

QString setTexts(const QString &noFix, const QString &legendTitle) {
  QByteArray js("setTexts({\"noFix\":");
  appendString(js, noFix);
  js.append(",\"legendTitle\":");
  appendString(js, legendTitle);
  js.append("})");
  return QString::fromLatin1(js);
}

QString setLatLng(const QString &latitude, const QString &longitude, const QString &speed,
                  bool centre) {
  return QStringLiteral("setLatLng(") + latitude + QStringLiteral(", ") + longitude +
         QStringLiteral(", ") + speed +
         (centre ? QStringLiteral(", true)") : QStringLiteral(", false)"));
}

}  // namespace MapScript
