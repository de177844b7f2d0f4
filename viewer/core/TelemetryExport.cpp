#include "core/TelemetryExport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>
#include <cmath>

#include "core/GsensorEvents.h"
#include "core/RecordingMetadata.h"
#include "core/RecordingName.h"

namespace TelemetryExport {

namespace {

QString tr(const char *text) {
  return QCoreApplication::translate("TelemetryExport", text);
}

QString utcText(qint64 ms) {
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
      .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QString degrees(double value) {
  return QString::number(value, 'f', 7);
}

QString xmlText(const QString &text) {
  return text.toHtmlEscaped();
}

QString jsonString(const QString &text) {
  QString out = QStringLiteral("\"");
  for (const QChar c : text) {
    if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
      out += QLatin1Char('\\') + c;
    else if (c.unicode() < 0x20)
      out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    else
      out += c;
  }
  return out + QLatin1Char('"');
}

// What an export is made of, gathered once for every format.
struct Prepared {
  struct Line {
    QString name;
    QVector<TelemetrySegment> segments;
  };
  QVector<Line> lines;
  QVector<TelemetryEvent> events;  // within the window, with position or not
  QString zones;                   // the zones the times come from
  QString speedUnit;
  int samples = 0;
  int positions = 0;
};

Prepared prepare(const QVector<Track> &tracks, const Window &window) {
  Prepared p;
  QStringList zones, units;
  for (const Track &track : tracks) {
    QVector<const RecordingTelemetry *> recordings;
    for (const RecordingTelemetry &r : track.recordings) {
      recordings.append(&r);
      for (const TelemetryEvent &e : r.events)
        if (e.utcMs >= window.fromUtcMs && e.utcMs <= window.toUtcMs) p.events.append(e);
      if (!zones.contains(r.zone.describe())) zones << r.zone.describe();
      if (!units.contains(r.zone.speedUnit())) units << r.zone.speedUnit();
    }
    const QVector<TelemetryPoint> points = RecordingTelemetry::merged(recordings);
    for (const TelemetryPoint &point : points)
      if (point.utcMs >= window.fromUtcMs && point.utcMs <= window.toUtcMs) ++p.samples;
    Prepared::Line line{track.name,
                        RecordingTelemetry::segments(points, window.fromUtcMs, window.toUtcMs)};
    for (const TelemetrySegment &s : line.segments) p.positions += s.size();
    if (!line.segments.isEmpty()) p.lines.append(line);
  }
  p.zones = zones.join(QStringLiteral("; "));
  p.speedUnit = units.join(QLatin1Char('/'));
  return p;
}

QString metadataText(const Prepared &p) {
  return tr("Times in UTC from the file names' local time, %1. Speed in %2, G-sensor in g.")
      .arg(p.zones, p.speedUnit);
}

void writeGpx(QTextStream &out, const QVector<Track> &, const Window &, const Prepared &p) {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<gpx version=\"1.1\" creator=\"dashcam\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
         "xmlns:dashcam=\"urn:tarvik:dashcam:telemetry:1\">\n"
      << "  <metadata>\n    <desc>" << xmlText(metadataText(p)) << "</desc>\n  </metadata>\n";
  for (const TelemetryEvent &e : p.events) {
    if (!e.fix) continue;
    out << "  <wpt lat=\"" << degrees(e.latitude) << "\" lon=\"" << degrees(e.longitude)
        << "\">\n    <time>" << utcText(e.utcMs) << "</time>\n    <name>"
        << xmlText(GsensorEvents::title(e.event)) << "</name>\n    <type>event</type>\n"
        << "    <extensions><dashcam:peak>" << RecordingMetadata::formatGsensor(e.event.change)
        << "</dashcam:peak></extensions>\n  </wpt>\n";
  }
  for (const Prepared::Line &line : p.lines) {
    out << "  <trk>\n    <name>" << xmlText(line.name) << "</name>\n";
    for (const TelemetrySegment &segment : line.segments) {
      out << "    <trkseg>\n";
      for (const TelemetryPoint &pt : segment)
        out << "      <trkpt lat=\"" << degrees(pt.latitude) << "\" lon=\"" << degrees(pt.longitude)
            << "\"><time>" << utcText(pt.utcMs) << "</time><extensions><dashcam:speed>"
            << RecordingMetadata::formatSpeed(pt.speed) << "</dashcam:speed><dashcam:gx>"
            << RecordingMetadata::formatGsensor(pt.gx) << "</dashcam:gx><dashcam:gy>"
            << RecordingMetadata::formatGsensor(pt.gy) << "</dashcam:gy><dashcam:gz>"
            << RecordingMetadata::formatGsensor(pt.gz) << "</dashcam:gz></extensions></trkpt>\n";
      out << "    </trkseg>\n";
    }
    out << "  </trk>\n";
  }
  out << "</gpx>\n";
}

// One row per sample, with or without fix.
void writeCsv(QTextStream &out, const QVector<Track> &tracks, const Window &window,
              const Prepared &p) {
  out << "track,recording,sample,utc,seconds,utc_offset,zone,fix,latitude,longitude,speed_"
      << (p.speedUnit == QLatin1String("mi/h") ? "mph" : "kmh") << ",gx,gy,gz,event\n";
  for (const Track &track : tracks) {
    for (const RecordingTelemetry &r : track.recordings) {
      const QString offset = CardZone::offsetText(r.zone.offsetAt(r.localStart));
      const QString zone = r.zone.fromCard ? QStringLiteral("card") : QStringLiteral("computer");
      const QString name = csvField(r.key);
      int nextEvent = 0;
      for (const TelemetryPoint &pt : r.points) {
        while (nextEvent < r.events.size() && r.events[nextEvent].event.number < pt.number)
          ++nextEvent;
        const bool event =
            nextEvent < r.events.size() && r.events[nextEvent].event.number == pt.number;
        if (pt.utcMs < window.fromUtcMs || pt.utcMs > window.toUtcMs) continue;
        out << csvField(track.name) << ',' << name << ',' << pt.number << ',' << utcText(pt.utcMs)
            << ',' << QString::number(pt.offsetMs / 1000.0, 'f', 3) << ',' << offset << ',' << zone
            << ',' << (pt.fix ? '1' : '0') << ',';
        if (pt.fix)
          out << degrees(pt.latitude) << ',' << degrees(pt.longitude) << ','
              << RecordingMetadata::formatSpeed(pt.speed);
        else
          out << ",,";
        out << ',' << RecordingMetadata::formatGsensor(pt.gx) << ','
            << RecordingMetadata::formatGsensor(pt.gy) << ','
            << RecordingMetadata::formatGsensor(pt.gz) << ',' << (event ? '1' : '0') << '\n';
      }
    }
  }
}

// Values of every point of a line, nested as its coordinates are.
template <typename Value>
QString nested(const QVector<TelemetrySegment> &segments, bool multi, Value value) {
  QStringList parts;
  for (const TelemetrySegment &s : segments) {
    QStringList items;
    items.reserve(s.size());
    for (const TelemetryPoint &pt : s) items << value(pt);
    parts << QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']');
  }
  return multi ? QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']') : parts.first();
}

void writeGeoJson(QTextStream &out, const QVector<Track> &, const Window &, const Prepared &p) {
  out << "{\"type\":\"FeatureCollection\",\n \"features\":[";
  bool first = true;
  auto separator = [&] {
    out << (first ? "\n  " : ",\n  ");
    first = false;
  };
  for (const Prepared::Line &line : p.lines) {
    const bool multi = line.segments.size() > 1;
    separator();
    out << "{\"type\":\"Feature\",\"geometry\":{\"type\":\""
        << (multi ? "MultiLineString" : "LineString") << "\",\"coordinates\":"
        << nested(line.segments, multi,
                  [](const TelemetryPoint &pt) {
                    return QLatin1Char('[') + degrees(pt.longitude) + QLatin1Char(',') +
                           degrees(pt.latitude) + QLatin1Char(']');
                  })
        << "},\n   \"properties\":{\"name\":" << jsonString(line.name)
        << ",\"timeZone\":" << jsonString(p.zones) << ",\"speedUnit\":" << jsonString(p.speedUnit)
        << ",\n    \"coordTimes\":"
        << nested(line.segments, multi,
                  [](const TelemetryPoint &pt) { return jsonString(utcText(pt.utcMs)); })
        << ",\n    \"speeds\":"
        << nested(line.segments, multi,
                  [](const TelemetryPoint &pt) { return RecordingMetadata::formatSpeed(pt.speed); })
        << ",\n    \"gsensor\":"
        << nested(line.segments, multi,
                  [](const TelemetryPoint &pt) {
                    return QStringLiteral("[%1,%2,%3]")
                        .arg(RecordingMetadata::formatGsensor(pt.gx),
                             RecordingMetadata::formatGsensor(pt.gy),
                             RecordingMetadata::formatGsensor(pt.gz));
                  })
        << "}}";
  }
  for (const TelemetryEvent &e : p.events) {
    if (!e.fix) continue;
    separator();
    out << "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":["
        << degrees(e.longitude) << ',' << degrees(e.latitude)
        << "]},\"properties\":{\"kind\":\"event\""
        << ",\"title\":" << jsonString(GsensorEvents::title(e.event))
        << ",\"time\":" << jsonString(utcText(e.utcMs))
        << ",\"peak\":" << RecordingMetadata::formatGsensor(e.event.change) << "}}";
  }
  out << "\n]}\n";
}

void writeKml(QTextStream &out, const QVector<Track> &, const Window &, const Prepared &p) {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n  <name>dashcam</name>\n"
      << "  <description>" << xmlText(metadataText(p)) << "</description>\n";
  for (const Prepared::Line &line : p.lines) {
    out << "  <Placemark>\n    <name>" << xmlText(line.name) << "</name>\n    <TimeSpan><begin>"
        << utcText(line.segments.first().first().utcMs) << "</begin><end>"
        << utcText(line.segments.last().last().utcMs) << "</end></TimeSpan>\n    <MultiGeometry>\n";
    for (const TelemetrySegment &segment : line.segments) {
      out << "      <LineString><tessellate>1</tessellate><coordinates>\n";
      for (const TelemetryPoint &pt : segment)
        out << "        " << degrees(pt.longitude) << ',' << degrees(pt.latitude) << ",0\n";
      out << "      </coordinates></LineString>\n";
    }
    out << "    </MultiGeometry>\n  </Placemark>\n";
  }
  for (const TelemetryEvent &e : p.events) {
    if (!e.fix) continue;
    out << "  <Placemark>\n    <name>" << xmlText(GsensorEvents::title(e.event))
        << "</name>\n    <TimeStamp><when>" << utcText(e.utcMs)
        << "</when></TimeStamp>\n    <Point><coordinates>" << degrees(e.longitude) << ','
        << degrees(e.latitude) << ",0</coordinates></Point>\n  </Placemark>\n";
  }
  out << "</Document>\n</kml>\n";
}

struct FormatInfo {
  Format format;
  const char *name;
  const char *suffix;
  bool needsPositions;
  void (*write)(QTextStream &, const QVector<Track> &, const Window &, const Prepared &);
};

const FormatInfo kFormats[] = {
    {Format::Gpx, "gpx", "gpx", true, writeGpx},
    {Format::Csv, "csv", "csv", false, writeCsv},
    {Format::GeoJson, "geojson", "geojson", true, writeGeoJson},
    {Format::Kml, "kml", "kml", true, writeKml},
};

const FormatInfo &infoOf(Format format) {
  for (const FormatInfo &f : kFormats)
    if (f.format == format) return f;
  return kFormats[0];
}

void setError(QString *error, const QString &text) {
  if (error) *error = text;
}

}  // namespace

QString csvField(const QString &text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool formatFromName(const QString &name, Format *format) {
  for (const FormatInfo &f : kFormats)
    if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0) {
      if (format) *format = f.format;
      return true;
    }
  return false;
}

QString formatName(Format format) {
  return QLatin1String(infoOf(format).name);
}

QString fileSuffix(Format format) {
  return QLatin1String(infoOf(format).suffix);
}

QStringList formatNames() {
  QStringList names;
  for (const FormatInfo &f : kFormats) names << QLatin1String(f.name);
  return names;
}

bool write(QIODevice *device, const QVector<Track> &tracks, Format format, const Window &window,
           QString *error) {
  const FormatInfo &info = infoOf(format);
  const Prepared p = prepare(tracks, window);
  if (p.samples == 0) {
    setError(error, tr("There is no telemetry in the chosen time."));
    return false;
  }
  if (info.needsPositions && p.positions == 0) {
    setError(error, tr("The camera had no GPS position in the chosen time."));
    return false;
  }
  QTextStream out(device);
  out.setCodec("UTF-8");
  info.write(out, tracks, window, p);
  out.flush();
  if (out.status() != QTextStream::Ok) {
    setError(error, tr("The file cannot be written."));
    return false;
  }
  return true;
}

bool writeFile(const QString &outPath, const QVector<Track> &tracks, Format format,
               const Window &window, QString *error) {
  QSaveFile file(outPath);
  if (!file.open(QIODevice::WriteOnly)) {
    setError(error, tr("%1 cannot be written: %2").arg(outPath, file.errorString()));
    return false;
  }
  if (!write(&file, tracks, format, window, error)) {
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    setError(error, tr("%1 cannot be written: %2").arg(outPath, file.errorString()));
    return false;
  }
  return true;
}

bool exportRecording(const QString &recordingPath, Format format, double fromSec, double toSec,
                     const QString &outPath, QString *error) {
  CardZones zones;
  const CardZone zone = zones.forRecording(recordingPath);
  RecordingTelemetry r = RecordingTelemetry::read(recordingPath, zone);
  // Every channel file carries the telemetry; where this one lost it, the
  // front channel's may still hold it.
  if (r.points.isEmpty()) {
    const QString front = RecordingName::siblingPath(recordingPath, 1);
    if (front != recordingPath) {
      RecordingTelemetry f = RecordingTelemetry::read(front, zone);
      if (!f.points.isEmpty()) r = f;
    }
  }
  if (r.points.isEmpty()) {
    setError(error, r.readable() ? tr("The recording holds no telemetry.")
                                 : tr("%1: %2").arg(r.fileName, r.problem));
    return false;
  }
  Window window;
  window.fromUtcMs = r.startUtcMs + static_cast<qint64>(std::floor(std::max(0.0, fromSec) * 1000));
  if (toSec >= 0) window.toUtcMs = r.startUtcMs + static_cast<qint64>(std::ceil(toSec * 1000));
  const Track track{r.key, {r}};
  return writeFile(outPath, {track}, format, window, error);
}

}  // namespace TelemetryExport
