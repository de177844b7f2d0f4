// The dashcam program as scripts use it: run as a process on cards the sample
// generator writes, its output read back with the tools people open it in
// (xmllint, gpsbabel, Python's json) and compared with what the generator
// says every recording holds (its telemetry CSV).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace {

constexpr int kDeadlineMs = 180 * 1000;
constexpr double kDegrees = 1e-5;
constexpr qint64 kZoneMs = 2 * 3600 * 1000;  // the card's clock runs at UTC+02:00

struct Outcome {
  int exit = -1;
  QByteArray out;
  QByteArray err;
};

Outcome run(const QString &program, const QStringList &args,
            const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  Outcome o;
  if (!p.waitForStarted(kDeadlineMs) || !p.waitForFinished(kDeadlineMs)) {
    p.kill();
    p.waitForFinished();
    o.err = "did not finish: " + program.toUtf8();
    return o;
  }
  o.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 128;
  o.out = p.readAllStandardOutput();
  o.err = p.readAllStandardError();
  return o;
}

Outcome dashcam(const QStringList &args,
                const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
  return run(QStringLiteral(DASHCAM_PATH), args, env);
}

// One row of the generator's telemetry CSV.
struct Sample {
  QString recording;
  qint64 utcMs = 0;  // as the generator names it: the file name's time taken as UTC
  bool fix = false;
  double latitude = 0, longitude = 0, speed = 0;
  bool event = false;
};

QVector<Sample> readRoute(const QString &path) {
  QVector<Sample> samples;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return samples;
  const QList<QByteArray> header = f.readLine().trimmed().split(',');
  auto col = [&](const char *name) { return header.indexOf(QByteArray(name)); };
  const int rec = col("recording"), utc = col("utc_ms"), fix = col("fix"), lat = col("latitude"),
            lon = col("longitude"), speed = col("speed_kmh"), event = col("event");
  while (!f.atEnd()) {
    const QList<QByteArray> c = f.readLine().trimmed().split(',');
    if (c.size() < header.size()) continue;
    samples.append({QString::fromLatin1(c[rec]), c[utc].toLongLong(), c[fix] == "1",
                    c[lat].toDouble(), c[lon].toDouble(), c[speed].toDouble(), c[event] == "1"});
  }
  return samples;
}

double haversine(double lat1, double lon1, double lat2, double lon2) {
  constexpr double kRadius = 6371008.8;
  constexpr double kRad = M_PI / 180.0;
  const double dLat = (lat2 - lat1) * kRad, dLon = (lon2 - lon1) * kRad;
  const double a =
      std::sin(dLat / 2) * std::sin(dLat / 2) +
      std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
  return 2 * kRadius * std::asin(std::min(1.0, std::sqrt(a)));
}

// The samples in time order, each moment once (an event recording repeats
// the moments of the continuous one beside it).
QVector<Sample> timeline(QVector<Sample> samples) {
  std::stable_sort(samples.begin(), samples.end(),
                   [](const Sample &a, const Sample &b) { return a.utcMs < b.utcMs; });
  QVector<Sample> out;
  for (const Sample &s : samples)
    if (out.isEmpty() || s.utcMs != out.last().utcMs) out.append(s);
  return out;
}

// Length of the route between consecutive samples that both have a fix.
double routeMetres(const QVector<Sample> &ordered) {
  double metres = 0;
  for (int i = 1; i < ordered.size(); ++i) {
    const Sample &a = ordered[i - 1], &b = ordered[i];
    if (a.fix && b.fix && b.utcMs - a.utcMs <= 150)
      metres += haversine(a.latitude, a.longitude, b.latitude, b.longitude);
  }
  return metres;
}

QVector<Sample> withFix(const QVector<Sample> &samples) {
  QVector<Sample> out;
  for (const Sample &s : samples)
    if (s.fix) out.append(s);
  return out;
}

QJsonArray jsonRows(const Outcome &o) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(o.out, &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  EXPECT_TRUE(doc.isArray());
  return doc.array();
}

qint64 isoMs(const QString &text) {
  return QDateTime::fromString(text, Qt::ISODateWithMs).toMSecsSinceEpoch();
}

// The fields of a CSV line, quotes taken off.
QStringList csvFields(const QByteArray &line) {
  QStringList fields;
  QString field;
  bool quoted = false;
  const QString text = QString::fromUtf8(line);
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted && c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
      field += c;
      ++i;
    } else if (c == QLatin1Char('"')) {
      quoted = !quoted;
    } else if (c == QLatin1Char(',') && !quoted) {
      fields << field;
      field.clear();
    } else {
      field += c;
    }
  }
  return fields << field;
}

bool onPath(const char *program) {
  return !QStandardPaths::findExecutable(QLatin1String(program)).isEmpty();
}

// A track point read back from an export.
struct Point {
  double latitude = 0, longitude = 0;
  qint64 utcMs = 0;
};

// The card: one morning's drive with a hard braking, a second drive after a
// pause, and the parked car knocked at. Made once for every test.
class DashcamCard : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    ASSERT_TRUE(dir_->isValid());
    card_ = dir_->filePath(QStringLiteral("card"));
    const QStringList common{QStringLiteral("--out"),  card_,
                             QStringLiteral("--size"), QStringLiteral("64x64"),
                             QStringLiteral("--fps"),  QStringLiteral("5")};
    auto gen = [&](const QString &csv, const QStringList &args) {
      const Outcome o =
          run(QStringLiteral(SAMPLEGEN_PATH),
              common + args + QStringList{QStringLiteral("--telemetry-csv"), path(csv)});
      ASSERT_EQ(o.exit, 0) << o.err.toStdString();
    };
    // Three 20-second files with a GPS outage in each, two cameras.
    gen(QStringLiteral("drive1.csv"),
        QString("--start 20240501_083000 --duration 20 --segments 3 --channels 2 --no-fix 5:4")
            .split(' '));
    // The hard braking, filed as an event right after them.
    gen(QStringLiteral("event.csv"), QString("--start 20240501_083100 --type EVT --drive-offset 60 "
                                             "--duration 20 --event-at 8 --channels 2")
                                         .split(' '));
    // Nine minutes later the drive goes on: a second trip.
    gen(QStringLiteral("drive2.csv"),
        QString("--start 20240501_084000 --drive-offset 600 --duration 20 --segments 2")
            .split(' '));
    // Parked; something knocks against the car.
    gen(QStringLiteral("parked.csv"),
        QString("--start 20240501_091500 --type PRK --duration 30 --event-at 15").split(' '));
    const Outcome config =
        run(QStringLiteral(SAMPLEGEN_PATH),
            {QStringLiteral("--out"), card_, QStringLiteral("--config"),
             QStringLiteral("KT90ALM_D2W"), QStringLiteral("--config-only"),
             QStringLiteral("--config-set"), QStringLiteral("timeZone=840"),
             QStringLiteral("--config-resources"), QStringLiteral(RESOURCES_JSON)});
    ASSERT_EQ(config.exit, 0) << config.err.toStdString();
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static QString path(const QString &name) { return dir_->filePath(name); }
  static QVector<Sample> route(const QString &csv) { return readRoute(path(csv)); }
  static QVector<Sample> ofRecording(const QVector<Sample> &all, const QString &key) {
    QVector<Sample> out;
    for (const Sample &s : all)
      if (s.recording == key) out.append(s);
    return out;
  }
  // Every moment of the card in time order.
  static QVector<Sample> allSamples() {
    QVector<Sample> all;
    for (const char *csv : {"drive1.csv", "event.csv", "drive2.csv", "parked.csv"})
      all += route(QLatin1String(csv));
    return timeline(all);
  }

  static QTemporaryDir *dir_;
  static QString card_;
};

QTemporaryDir *DashcamCard::dir_ = nullptr;
QString DashcamCard::card_;

TEST_F(DashcamCard, InfoListsEveryRecordingWithItsFigures) {
  const Outcome o = dashcam({QStringLiteral("info"), QStringLiteral("--json"), card_});
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QJsonArray rows = jsonRows(o);
  ASSERT_EQ(rows.size(), 7);
  QVector<Sample> all = route(QStringLiteral("drive1.csv")) + route(QStringLiteral("event.csv")) +
                        route(QStringLiteral("drive2.csv")) + route(QStringLiteral("parked.csv"));
  QStringList keys;
  for (const QJsonValue &v : rows) {
    const QJsonObject r = v.toObject();
    const QString key = r[QStringLiteral("recording")].toString();
    keys << key;
    SCOPED_TRACE(key.toStdString());
    const QVector<Sample> own = ofRecording(all, key);
    ASSERT_FALSE(own.isEmpty());
    EXPECT_EQ(r[QStringLiteral("status")].toString(), QStringLiteral("ok"));
    EXPECT_EQ(r[QStringLiteral("gps_points")].toInt(), withFix(own).size());
    const double metres = routeMetres(own);
    EXPECT_NEAR(r[QStringLiteral("distance_km")].toDouble() * 1000, metres,
                std::max(1.0, metres * 0.005));
    double top = 0;
    for (const Sample &s : own) top = std::max(top, s.speed);
    EXPECT_NEAR(r[QStringLiteral("top_speed")].toDouble(), top, 0.11);
    EXPECT_NEAR(r[QStringLiteral("duration_s")].toDouble(), own.size() / 10.0, 0.11);
    const int spikes =
        std::count_if(own.begin(), own.end(), [](const Sample &s) { return s.event; });
    EXPECT_EQ(r[QStringLiteral("events")].toInt(), spikes);
    // The name's time is the card's clock (UTC+02:00).
    EXPECT_EQ(isoMs(r[QStringLiteral("utc")].toString()), own.first().utcMs - kZoneMs);
    EXPECT_TRUE(r[QStringLiteral("zone")].toString().contains(QStringLiteral("config.bin")));
  }
  EXPECT_EQ(keys, QStringList({"20240501_083000_INF", "20240501_083020_INF", "20240501_083040_INF",
                               "20240501_083100_EVT", "20240501_084000_INF", "20240501_084020_INF",
                               "20240501_091500_PRK"}));
  EXPECT_EQ(rows[0].toObject()[QStringLiteral("channels")].toString(), QStringLiteral("1,2"));
  EXPECT_EQ(rows[4].toObject()[QStringLiteral("channels")].toString(), QStringLiteral("1"));
  // Progress and summary go to standard error only, and --quiet stops them.
  EXPECT_FALSE(o.err.isEmpty());
  const Outcome quiet =
      dashcam({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("--quiet"), card_});
  EXPECT_EQ(quiet.exit, 0);
  EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
  EXPECT_EQ(quiet.out, o.out);
}

TEST_F(DashcamCard, InfoAsCsvAndAsAlignedTable) {
  const Outcome csv = dashcam({QStringLiteral("info"), QStringLiteral("--csv"), card_});
  ASSERT_EQ(csv.exit, 0);
  const QList<QByteArray> lines = csv.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 8);
  EXPECT_TRUE(lines[0].startsWith("time,utc,type,channels,")) << lines[0].toStdString();
  const QStringList header = csvFields(lines[0]);
  for (const QByteArray &line : lines.mid(1)) EXPECT_EQ(csvFields(line).size(), header.size());
  // A field holding the separator is quoted.
  EXPECT_EQ(csvFields(lines[1]).value(header.indexOf(QStringLiteral("channels"))),
            QStringLiteral("1,2"));
  EXPECT_TRUE(lines[1].contains("\"1,2\""));

  const Outcome text = dashcam({QStringLiteral("info"), QStringLiteral("-q"), card_});
  ASSERT_EQ(text.exit, 0);
  const QList<QByteArray> rows = text.out.trimmed().split('\n');
  ASSERT_EQ(rows.size(), 8);
  // Columns line up: every row's STATUS column starts where the heading's does.
  const int status = rows[0].indexOf("STATUS");
  ASSERT_GT(status, 0);
  for (const QByteArray &row : rows.mid(1))
    EXPECT_EQ(row.indexOf("ok"), status) << row.toStdString();
  EXPECT_TRUE(rows[4].contains("EVT"));
}

TEST_F(DashcamCard, TripsJoinConsecutiveRecordingsAndLeaveParkingOut) {
  const Outcome o = dashcam({QStringLiteral("trips"), QStringLiteral("--json"), card_});
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QJsonArray trips = jsonRows(o);
  ASSERT_EQ(trips.size(), 2);
  const QVector<Sample> first =
      timeline(route(QStringLiteral("drive1.csv")) + route(QStringLiteral("event.csv")));
  const QVector<Sample> second = timeline(route(QStringLiteral("drive2.csv")));
  const QVector<QVector<Sample>> expected{first, second};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const QJsonObject t = trips[i].toObject();
    const QVector<Sample> &s = expected[i];
    EXPECT_EQ(isoMs(t[QStringLiteral("start_utc")].toString()), s.first().utcMs - kZoneMs);
    EXPECT_NEAR(isoMs(t[QStringLiteral("end_utc")].toString()), s.last().utcMs + 100 - kZoneMs, 1);
    const double metres = routeMetres(s);
    EXPECT_NEAR(t[QStringLiteral("distance_km")].toDouble() * 1000, metres, metres * 0.005);
    const double hours = t[QStringLiteral("duration_s")].toDouble() / 3600;
    EXPECT_NEAR(t[QStringLiteral("mean_speed")].toDouble(), metres / 1000 / hours, 0.5);
    double top = 0;
    for (const Sample &x : s) top = std::max(top, x.speed);
    EXPECT_NEAR(t[QStringLiteral("top_speed")].toDouble(), top, 0.11);
  }
  EXPECT_EQ(trips[0].toObject()[QStringLiteral("recordings")].toInt(), 4);
  EXPECT_EQ(trips[0].toObject()[QStringLiteral("events")].toInt(), 1);
  EXPECT_EQ(trips[1].toObject()[QStringLiteral("recordings")].toInt(), 2);
  EXPECT_EQ(trips[1].toObject()[QStringLiteral("events")].toInt(), 0);
  EXPECT_EQ(trips[0].toObject()[QStringLiteral("start")].toString(),
            QStringLiteral("2024-05-01 08:30:00"));
}

// A parking recording ends the drive before it even within the minute: the
// car stood. Event recordings inside a drive do not split it.
TEST_F(DashcamCard, ParkingBetweenRecordingsSplitsTheDrive) {
  const QString folder = path(QStringLiteral("parking-between"));
  for (const QString &args :
       {QStringLiteral("--start 20240502_100000 --duration 20"),
        QStringLiteral("--start 20240502_100005 --type EVT --duration 10 --drive-offset 5"),
        QStringLiteral("--start 20240502_100030 --type PRK --duration 20 --drive-offset 20"),
        QStringLiteral("--start 20240502_100100 --duration 20 --drive-offset 20 --layout single "
                       "--channels 2")}) {
    const Outcome o =
        run(QStringLiteral(SAMPLEGEN_PATH),
            QStringList{QStringLiteral("--out"), folder, QStringLiteral("--size"),
                        QStringLiteral("64x64"), QStringLiteral("--fps"), QStringLiteral("5")} +
                args.split(QLatin1Char(' ')));
    ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  }
  const Outcome o = dashcam({QStringLiteral("trips"), QStringLiteral("--csv"), folder});
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QList<QByteArray> lines = o.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 3);
  const QStringList header = csvFields(lines[0]);
  const int count = header.indexOf(QStringLiteral("recordings"));
  const int first = header.indexOf(QStringLiteral("first_recording"));
  EXPECT_EQ(csvFields(lines[1]).value(count), QStringLiteral("2"));
  EXPECT_EQ(csvFields(lines[2]).value(count), QStringLiteral("1"));
  EXPECT_EQ(csvFields(lines[2]).value(first), QStringLiteral("20240502_100100_INF"));
  // Two cameras as tracks of one file are two channels.
  const Outcome info = dashcam({QStringLiteral("info"), QStringLiteral("--json"), folder});
  ASSERT_EQ(info.exit, 0);
  const QJsonArray rows = jsonRows(info);
  ASSERT_EQ(rows.size(), 4);
  EXPECT_EQ(rows[3].toObject()[QStringLiteral("channels")].toString(), QStringLiteral("1,2"));
  EXPECT_EQ(rows[0].toObject()[QStringLiteral("channels")].toString(), QStringLiteral("1"));
}

TEST_F(DashcamCard, EventsMatchTheGeneratorsSpikes) {
  const Outcome o = dashcam({QStringLiteral("events"), QStringLiteral("--json"), card_});
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QJsonArray events = jsonRows(o);
  QVector<Sample> spikes;
  for (const Sample &s : route(QStringLiteral("event.csv")) + route(QStringLiteral("parked.csv")))
    if (s.event) spikes.append(s);
  ASSERT_EQ(spikes.size(), 2);
  ASSERT_EQ(events.size(), 2);
  for (int i = 0; i < 2; ++i) {
    const QJsonObject e = events[i].toObject();
    EXPECT_EQ(e[QStringLiteral("recording")].toString(), spikes[i].recording);
    EXPECT_NEAR(isoMs(e[QStringLiteral("utc")].toString()), spikes[i].utcMs - kZoneMs, 500);
    // Where the car was then, to the metre.
    EXPECT_NEAR(e[QStringLiteral("latitude")].toDouble(), spikes[i].latitude, 2e-5);
    EXPECT_NEAR(e[QStringLiteral("longitude")].toDouble(), spikes[i].longitude, 2e-5);
    EXPECT_GT(e[QStringLiteral("peak_g")].toDouble(), 0.3);
  }
  EXPECT_EQ(events[0].toObject()[QStringLiteral("kind")].toString(), QStringLiteral("braking"));
  EXPECT_EQ(events[1].toObject()[QStringLiteral("kind")].toString(), QStringLiteral("impact"));
}

// Runs an export of the card into a file; the file's path.
QString exportTo(const QString &card, const QString &format, const QString &file,
                 const QStringList &more = {}) {
  const Outcome o = dashcam(QStringList{QStringLiteral("export"), QStringLiteral("-q"),
                                        QStringLiteral("--format"), format} +
                            more + QStringList{card, QStringLiteral("-o"), file});
  EXPECT_EQ(o.exit, 0) << o.err.toStdString();
  EXPECT_TRUE(o.out.isEmpty());
  return file;
}

// Reads what gpsbabel makes of a file: the waypoints (its default), or with
// -t the points of the tracks, in file order.
QVector<Point> gpsbabelPoints(const QString &input, const QString &file, bool tracks) {
  QStringList args{QStringLiteral("-i"), input,
                   QStringLiteral("-f"), file,
                   QStringLiteral("-o"), QStringLiteral("unicsv"),
                   QStringLiteral("-F"), QStringLiteral("-")};
  if (tracks) args.prepend(QStringLiteral("-t"));
  const Outcome o = run(QStringLiteral("gpsbabel"), args);
  EXPECT_EQ(o.exit, 0) << o.err.toStdString();
  QVector<Point> points;
  const QList<QByteArray> lines = o.out.split('\n');
  if (lines.isEmpty()) return points;
  const QList<QByteArray> header = lines.first().trimmed().split(',');
  const int lat = header.indexOf("Latitude"), lon = header.indexOf("Longitude");
  EXPECT_GE(lat, 0);
  EXPECT_GE(lon, 0);
  for (const QByteArray &line : lines.mid(1)) {
    const QList<QByteArray> c = line.trimmed().split(',');
    if (c.size() <= std::max(lat, lon)) continue;
    points.append({c[lat].toDouble(), c[lon].toDouble(), 0});
  }
  return points;
}

void expectSameRoute(const QVector<Point> &got, const QVector<Sample> &want) {
  ASSERT_EQ(got.size(), want.size());
  int off = 0;
  for (int i = 0; i < got.size(); ++i)
    if (std::abs(got[i].latitude - want[i].latitude) > kDegrees ||
        std::abs(got[i].longitude - want[i].longitude) > kDegrees)
      ++off;
  EXPECT_EQ(off, 0);
  for (const Point &p : got) EXPECT_FALSE(p.latitude == 0 && p.longitude == 0);
}

TEST_F(DashcamCard, GpxIsWellFormedAndReadsBackAsTheRoute) {
  ASSERT_TRUE(onPath("xmllint") && onPath("gpsbabel")) << "scripts/install-deps.sh installs them";
  const QString gpx = exportTo(card_, QStringLiteral("gpx"), path(QStringLiteral("card.gpx")));
  EXPECT_EQ(run(QStringLiteral("xmllint"), {QStringLiteral("--noout"), gpx}).exit, 0);
  const QVector<Sample> want = withFix(allSamples());
  // Our own reading: times, segments and the zone named in the metadata.
  QFile f(gpx);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&f);
  QVector<Point> points;
  int tracks = 0, segments = 0, waypoints = 0;
  QString desc;
  bool inPoint = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isEndElement() && xml.name() == QLatin1String("trkpt")) inPoint = false;
    if (!xml.isStartElement()) continue;
    const QString name = xml.name().toString();
    if (name == QLatin1String("trk")) {
      ++tracks;
    } else if (name == QLatin1String("trkseg")) {
      ++segments;
    } else if (name == QLatin1String("wpt")) {
      ++waypoints;
    } else if (name == QLatin1String("desc")) {
      desc = xml.readElementText();
    } else if (name == QLatin1String("trkpt")) {
      points.append({xml.attributes().value(QLatin1String("lat")).toDouble(),
                     xml.attributes().value(QLatin1String("lon")).toDouble(), 0});
      inPoint = true;
    } else if (name == QLatin1String("time") && inPoint) {
      points.last().utcMs = isoMs(xml.readElementText());
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  ASSERT_EQ(points.size(), want.size());
  for (int i = 0; i < points.size(); ++i) ASSERT_EQ(points[i].utcMs, want[i].utcMs - kZoneMs) << i;
  expectSameRoute(points, want);
  // Two drives and the parked car; the first drive's three outages break
  // its line into four.
  EXPECT_EQ(tracks, 3);
  EXPECT_EQ(segments, 4 + 1 + 1);
  EXPECT_EQ(waypoints, 2);
  EXPECT_TRUE(desc.contains(QStringLiteral("UTC+02:00"))) << desc.toStdString();
  EXPECT_TRUE(desc.contains(QStringLiteral("config.bin"))) << desc.toStdString();

  expectSameRoute(gpsbabelPoints(QStringLiteral("gpx"), gpx, true), want);
  // Its default reading gives the waypoints: the two events.
  EXPECT_EQ(gpsbabelPoints(QStringLiteral("gpx"), gpx, false).size(), 2);
}

TEST_F(DashcamCard, KmlOpensInGpsbabel) {
  ASSERT_TRUE(onPath("xmllint") && onPath("gpsbabel")) << "scripts/install-deps.sh installs them";
  const QString kml = exportTo(card_, QStringLiteral("kml"), path(QStringLiteral("card.kml")));
  EXPECT_EQ(run(QStringLiteral("xmllint"), {QStringLiteral("--noout"), kml}).exit, 0);
  const QVector<Sample> want = withFix(allSamples());
  expectSameRoute(gpsbabelPoints(QStringLiteral("kml"), kml, true), want);
  EXPECT_EQ(gpsbabelPoints(QStringLiteral("kml"), kml, false).size(), 2);
}

TEST_F(DashcamCard, GeoJsonParsesWithPythonInLongitudeLatitudeOrder) {
  ASSERT_TRUE(onPath("python3"));
  const QString file =
      exportTo(card_, QStringLiteral("geojson"), path(QStringLiteral("card.geojson")));
  const char *script =
      "import json,sys\n"
      "d=json.load(open(sys.argv[1]))\n"
      "assert d['type']=='FeatureCollection'\n"
      "for f in d['features']:\n"
      "  g=f['geometry']\n"
      "  if g['type']=='Point': continue\n"
      "  assert g['type'] in ('LineString','MultiLineString'), g['type']\n"
      "  lines=g['coordinates'] if g['type']=='MultiLineString' else [g['coordinates']]\n"
      "  times=f['properties']['coordTimes']\n"
      "  times=times if g['type']=='MultiLineString' else [times]\n"
      "  print(g['type'])\n"
      "  for line,ts in zip(lines,times):\n"
      "    assert len(line)==len(ts)\n"
      "    for (lon,lat),t in zip(line,ts): print(lon,lat,t)\n";
  const Outcome o =
      run(QStringLiteral("python3"), {QStringLiteral("-c"), QLatin1String(script), file});
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QVector<Sample> want = withFix(allSamples());
  QVector<Point> points;
  QStringList types;
  for (const QByteArray &line : o.out.trimmed().split('\n')) {
    const QList<QByteArray> c = line.split(' ');
    if (c.size() == 1) {
      types << QString::fromLatin1(c[0]);
      continue;
    }
    // [longitude, latitude]
    points.append({c[1].toDouble(), c[0].toDouble(), isoMs(QString::fromLatin1(c[2]))});
  }
  EXPECT_EQ(types, QStringList({"MultiLineString", "LineString", "LineString"}));
  expectSameRoute(points, want);
  for (int i = 0; i < std::min(points.size(), want.size()); ++i)
    ASSERT_EQ(points[i].utcMs, want[i].utcMs - kZoneMs);
}

TEST_F(DashcamCard, CsvHasOneRowPerSampleAndTheWindowCutsIt) {
  const QString file = exportTo(card_, QStringLiteral("csv"), path(QStringLiteral("card.csv")));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
  const QList<QByteArray> header = lines.first().split(',');
  EXPECT_EQ(header.mid(0, 4), QList<QByteArray>({"track", "recording", "sample", "utc"}));
  for (const char *column : {"latitude", "longitude", "speed_kmh", "gx", "gy", "gz", "fix"})
    EXPECT_TRUE(header.contains(column)) << column;
  QVector<Sample> every;  // each recording's own samples, overlaps included
  for (const char *csv : {"drive1.csv", "event.csv", "drive2.csv", "parked.csv"})
    every += route(QLatin1String(csv));
  ASSERT_EQ(lines.size() - 1, every.size());
  const int lat = header.indexOf("latitude"), lon = header.indexOf("longitude"),
            fix = header.indexOf("fix"), rec = header.indexOf("recording");
  QMap<QString, int> rows;
  for (const QByteArray &line : lines.mid(1)) {
    const QList<QByteArray> c = line.split(',');
    ++rows[QString::fromLatin1(c[rec])];
    if (c[fix] == "0") {
      EXPECT_TRUE(c[lat].isEmpty() && c[lon].isEmpty());
    }
  }
  EXPECT_EQ(rows.value(QStringLiteral("20240501_083100_EVT")), 200);

  // --from/--to in the card's clock, and the same moments given in UTC.
  const QString window = exportTo(card_, QStringLiteral("csv"), path(QStringLiteral("win.csv")),
                                  {QStringLiteral("--from"), QStringLiteral("08:40:05"),
                                   QStringLiteral("--to"), QStringLiteral("08:40:10")});
  const QString windowUtc =
      exportTo(card_, QStringLiteral("csv"), path(QStringLiteral("win-utc.csv")),
               {QStringLiteral("--from"), QStringLiteral("2024-05-01T06:40:05Z"),
                QStringLiteral("--to"), QStringLiteral("2024-05-01T06:40:10Z")});
  QFile w(window), wu(windowUtc);
  ASSERT_TRUE(w.open(QIODevice::ReadOnly) && wu.open(QIODevice::ReadOnly));
  const QByteArray inWindow = w.readAll();
  EXPECT_EQ(inWindow, wu.readAll());
  EXPECT_EQ(inWindow.trimmed().split('\n').size() - 1, 51);  // 5 s of 100 ms samples, both ends
}

TEST_F(DashcamCard, ExportToStandardOutputAndRefusals) {
  const Outcome o =
      dashcam({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("geojson"),
               QStringLiteral("-q"), card_, QStringLiteral("-o"), QStringLiteral("-")});
  ASSERT_EQ(o.exit, 0);
  QJsonParseError error;
  QJsonDocument::fromJson(o.out, &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError);
  EXPECT_TRUE(o.err.isEmpty());

  // A window without samples writes nothing and says so.
  const QString none = path(QStringLiteral("none.gpx"));
  const Outcome empty =
      dashcam({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("gpx"),
               QStringLiteral("--from"), QStringLiteral("2030-01-01T00:00:00Z"), card_,
               QStringLiteral("-o"), none});
  EXPECT_EQ(empty.exit, 1);
  EXPECT_FALSE(empty.err.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(none));
  // Usage errors.
  for (const QStringList &args :
       {QStringList{QStringLiteral("export"), card_, QStringLiteral("-o"), none},
        QStringList{QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("shp"),
                    card_, QStringLiteral("-o"), none},
        QStringList{QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("gpx"),
                    card_},
        QStringList{QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("gpx"),
                    QStringLiteral("--from"), QStringLiteral("yesterday"), card_,
                    QStringLiteral("-o"), none}}) {
    const Outcome u = dashcam(args);
    EXPECT_EQ(u.exit, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(u.out.isEmpty());
    EXPECT_FALSE(u.err.isEmpty());
  }
}

TEST_F(DashcamCard, ConfigShowSetCheckGoThroughTheEditorsRules) {
  const QString card = path(QStringLiteral("config-card"));
  ASSERT_TRUE(QDir().mkpath(card + QStringLiteral("/CONFIG")));
  const QString bin = card + QStringLiteral("/CONFIG/config.bin");
  QFile::remove(bin);
  ASSERT_TRUE(QFile::copy(card_ + QStringLiteral("/CONFIG/config.bin"), bin));
  QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner);

  auto show = [&] {
    QMap<QString, QString> values;
    const Outcome o =
        dashcam({QStringLiteral("config"), QStringLiteral("show"), QStringLiteral("--json"), card});
    EXPECT_EQ(o.exit, 0) << o.err.toStdString();
    for (const QJsonValue &v : jsonRows(o))
      values[v.toObject()[QStringLiteral("setting")].toString()] =
          v.toObject()[QStringLiteral("value")].toString();
    return values;
  };
  const QMap<QString, QString> before = show();
  EXPECT_EQ(before.value(QStringLiteral("Time Zone")), QStringLiteral("UTC+02:00"));
  EXPECT_EQ(before.value(QStringLiteral("Model Name")), QStringLiteral("KT90ALM"));
  EXPECT_EQ(before.value(QStringLiteral("Cut Time")), QStringLiteral("1 min"));

  // The low-power parking mode fixes the cut time and puts the camera to
  // sleep, as in the editor; one rename replaces the file.
  struct stat old {};
  ASSERT_EQ(stat(QFile::encodeName(bin).constData(), &old), 0);
  const Outcome set = dashcam({QStringLiteral("config"), QStringLiteral("set"), card,
                               QStringLiteral("Speed Unit=mi/h"), QStringLiteral("cuttime=2 min")});
  ASSERT_EQ(set.exit, 0) << set.err.toStdString();
  QMap<QString, QString> after = show();
  EXPECT_EQ(after.value(QStringLiteral("Speed Unit")), QStringLiteral("mi/h"));
  EXPECT_EQ(after.value(QStringLiteral("Cut Time")), QStringLiteral("2 min"));
  struct stat now {};
  ASSERT_EQ(stat(QFile::encodeName(bin).constData(), &now), 0);
  EXPECT_NE(now.st_ino, old.st_ino);
  EXPECT_FALSE(QFileInfo::exists(bin + QStringLiteral(".tmp")));

  const Outcome low = dashcam({QStringLiteral("config"), QStringLiteral("set"), card,
                               QStringLiteral("Parking Record Mode=Low Power")});
  ASSERT_EQ(low.exit, 0) << low.err.toStdString();
  after = show();
  EXPECT_EQ(after.value(QStringLiteral("Parking Record Mode")), QStringLiteral("Low Power"));
  EXPECT_EQ(after.value(QStringLiteral("Cut Time")), QStringLiteral("1 min"));
  EXPECT_EQ(after.value(QStringLiteral("Low Power Mode")), QStringLiteral("On"));
  EXPECT_EQ(after.value(QStringLiteral("Speed Unit")), QStringLiteral("mi/h"));
  EXPECT_EQ(dashcam({QStringLiteral("config"), QStringLiteral("check"), card}).exit, 0);

  // Refused, and the file left as it was: a value none of the choices, a
  // setting the low-power mode fixes, one that needs a format, an unknown one.
  QFile file(bin);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  file.close();
  for (const QString &a : {QStringLiteral("Speed Unit=knots"), QStringLiteral("Cut Time=3 min"),
                           QStringLiteral("Video Bitrate=High"), QStringLiteral("Warp=9")}) {
    const Outcome r = dashcam({QStringLiteral("config"), QStringLiteral("set"), card, a});
    EXPECT_EQ(r.exit, 2) << a.toStdString();
    EXPECT_FALSE(r.err.isEmpty());
  }
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), bytes);
  file.close();

  // A changed byte past the first two blocks fails the checksum.
  QByteArray damaged = bytes;
  damaged[200] = static_cast<char>(damaged[200] ^ 0x01);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(damaged);
  file.close();
  const Outcome check = dashcam({QStringLiteral("config"), QStringLiteral("check"), card});
  EXPECT_EQ(check.exit, 1);
  EXPECT_TRUE(check.out.contains("CheckSum Error!") || check.err.contains("CheckSum Error!"));
  EXPECT_EQ(dashcam({QStringLiteral("config"), QStringLiteral("set"), card,
                     QStringLiteral("Speed Unit=km/h")})
                .exit,
            1);
}

TEST_F(DashcamCard, OneTripExportedByItsNumber) {
  const QString gpx = exportTo(card_, QStringLiteral("gpx"), path(QStringLiteral("trip2.gpx")),
                               {QStringLiteral("--trip"), QStringLiteral("2")});
  const QVector<Sample> want = withFix(timeline(route(QStringLiteral("drive2.csv"))));
  expectSameRoute(gpsbabelPoints(QStringLiteral("gpx"), gpx, true), want);
  // Seconds count from the drive's start.
  const QString part = exportTo(
      card_, QStringLiteral("csv"), path(QStringLiteral("trip2.csv")),
      {QStringLiteral("--trip"), QStringLiteral("2"), QStringLiteral("--to"), QStringLiteral("1")});
  QFile f(part);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 1 + 11);
  EXPECT_TRUE(lines[1].contains("20240501_084000_INF"));
  EXPECT_EQ(dashcam({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("gpx"),
                     QStringLiteral("--trip"), QStringLiteral("3"), card_, QStringLiteral("-o"),
                     path(QStringLiteral("none.gpx"))})
                .exit,
            1);
}

// Two recordings of one stretch of road filed one after the other (another
// car's card, a receiver's glitch): the jump back is no part of the drive.
TEST_F(DashcamCard, AJumpInPlaceIsNotDriven) {
  const QString folder = path(QStringLiteral("jump"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString source = card_ + QStringLiteral("/20240501_084000_INF_1.mp4");
  for (const char *name : {"20240504_100000_INF_1.mp4", "20240504_100020_INF_1.mp4"})
    ASSERT_TRUE(QFile::copy(source, folder + QLatin1Char('/') + QLatin1String(name)));
  const double one = routeMetres(route(QStringLiteral("drive2.csv")).mid(0, 200));
  const Outcome o = dashcam({QStringLiteral("trips"), QStringLiteral("--json"), folder});
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QJsonArray trips = jsonRows(o);
  ASSERT_EQ(trips.size(), 1);
  EXPECT_NEAR(trips[0].toObject()[QStringLiteral("distance_km")].toDouble() * 1000, 2 * one,
              2 * one * 0.005);
  const Outcome gpx =
      dashcam({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("gpx"),
               QStringLiteral("-q"), folder, QStringLiteral("-o"), QStringLiteral("-")});
  EXPECT_EQ(gpx.out.count("<trkseg>"), 2);
}

// South and west of Greenwich: the signs of the camera's hemisphere flags.
TEST_F(DashcamCard, SouthernAndWesternPositionsKeepTheirSigns) {
  const QString folder = path(QStringLiteral("buenos-aires"));
  const QString csv = path(QStringLiteral("buenos-aires.csv"));
  const Outcome gen =
      run(QStringLiteral(SAMPLEGEN_PATH),
          QString("--size 64x64 --fps 5 --duration 10 --route buenos-aires --start 20240503_120000")
                  .split(' ') +
              QStringList{QStringLiteral("--out"), folder, QStringLiteral("--telemetry-csv"), csv});
  ASSERT_EQ(gen.exit, 0) << gen.err.toStdString();
  const Outcome o =
      dashcam({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("geojson"),
               QStringLiteral("-q"), folder, QStringLiteral("-o"), QStringLiteral("-")});
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QJsonArray features =
      QJsonDocument::fromJson(o.out).object()[QStringLiteral("features")].toArray();
  ASSERT_EQ(features.size(), 1);
  const QJsonArray line = features[0]
                              .toObject()[QStringLiteral("geometry")]
                              .toObject()[QStringLiteral("coordinates")]
                              .toArray();
  QVector<Point> points;
  for (const QJsonValue &v : line)
    points.append({v.toArray()[1].toDouble(), v.toArray()[0].toDouble(), 0});
  const QVector<Sample> want = withFix(readRoute(csv));
  ASSERT_FALSE(want.isEmpty());
  EXPECT_LT(want.first().latitude, 0);
  EXPECT_LT(want.first().longitude, 0);
  expectSameRoute(points, want);
}

// Without the card's config.bin the names are read in the computer's zone,
// and the outputs say so.
TEST_F(DashcamCard, WithoutConfigTheComputersZoneIsTaken) {
  const QString folder = path(QStringLiteral("loose"));
  ASSERT_TRUE(QDir().mkpath(folder));
  for (const char *name : {"20240501_084000_INF_1.mp4", "20240501_084020_INF_1.mp4"})
    ASSERT_TRUE(QFile::copy(card_ + QLatin1Char('/') + QLatin1String(name),
                            folder + QLatin1Char('/') + QLatin1String(name)));
  QProcessEnvironment tokyo = QProcessEnvironment::systemEnvironment();
  tokyo.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Tokyo"));
  const Outcome o = dashcam({QStringLiteral("info"), QStringLiteral("--json"), folder}, tokyo);
  ASSERT_EQ(o.exit, 0) << o.err.toStdString();
  const QJsonArray rows = jsonRows(o);
  ASSERT_EQ(rows.size(), 2);
  const QVector<Sample> samples = route(QStringLiteral("drive2.csv"));
  const QJsonObject first = rows[0].toObject();
  EXPECT_EQ(isoMs(first[QStringLiteral("utc")].toString()),
            samples.first().utcMs - 9 * 3600 * 1000);
  EXPECT_TRUE(first[QStringLiteral("zone")].toString().contains(QStringLiteral("Asia/Tokyo")))
      << first[QStringLiteral("zone")].toString().toStdString();
  const Outcome kml =
      dashcam({QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("kml"),
               QStringLiteral("-q"), folder, QStringLiteral("-o"), QStringLiteral("-")},
              tokyo);
  ASSERT_EQ(kml.exit, 0);
  EXPECT_TRUE(kml.out.contains("Asia/Tokyo"));
  EXPECT_TRUE(kml.out.contains("<begin>2024-04-30T23:40:00.000Z</begin>"));
}

// Damaged files beside sound ones: each listed with its reason, exit 1.
TEST_F(DashcamCard, DamagedFilesAreListedWithTheirReason) {
  const QString folder = path(QStringLiteral("damaged"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString good = card_ + QStringLiteral("/20240501_084000_INF_1.mp4");
  ASSERT_TRUE(QFile::copy(good, folder + QStringLiteral("/20240501_084000_INF_1.mp4")));
  QFile source(good);
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  const QByteArray whole = source.readAll();
  auto write = [&](const QString &name, const QByteArray &bytes) {
    QFile f(folder + QLatin1Char('/') + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  };
  write(QStringLiteral("20240501_100000_INF_1.mp4"), whole.left(whole.size() / 5));  // cut
  write(QStringLiteral("20240501_100100_INF_1.mp4"), QByteArray());                  // zero length
  write(QStringLiteral("20240501_100200_INF_1.mp4"), QByteArray(4096, 'x'));         // not a video
  write(QStringLiteral("holiday.mp4"), whole);  // a video, but not the camera's

  for (const QString &style : {QStringLiteral("--json"), QStringLiteral("--csv"), QString()}) {
    QStringList args{QStringLiteral("info"), QStringLiteral("-q"), folder};
    if (!style.isEmpty()) args << style;
    const Outcome o = dashcam(args);
    EXPECT_EQ(o.exit, 1) << style.toStdString();
    for (const char *name : {"20240501_100000_INF_1.mp4", "20240501_100100_INF_1.mp4",
                             "20240501_100200_INF_1.mp4", "holiday.mp4"})
      EXPECT_TRUE(o.out.contains(name)) << name << " " << style.toStdString();
    if (style == QLatin1String("--json")) {
      QMap<QString, QString> status;
      for (const QJsonValue &v : jsonRows(o)) {
        const QJsonObject r = v.toObject();
        status[QFileInfo(r[QStringLiteral("files")].toString()).fileName()] =
            r[QStringLiteral("status")].toString();
      }
      EXPECT_EQ(status.value(QStringLiteral("20240501_084000_INF_1.mp4")), QStringLiteral("ok"));
      EXPECT_TRUE(status.value(QStringLiteral("20240501_100100_INF_1.mp4")).contains("empty"));
      for (const QString &s : status) EXPECT_FALSE(s.isEmpty());
      EXPECT_EQ(status.size(), 5);
    }
  }
  // The trips and events of what could be read are still given, with exit 1.
  const Outcome trips = dashcam({QStringLiteral("trips"), QStringLiteral("--json"), folder});
  EXPECT_EQ(trips.exit, 1);
  EXPECT_EQ(jsonRows(trips).size(), 1);
  EXPECT_TRUE(trips.err.contains("20240501_100100_INF_1.mp4"));
}

TEST(DashcamCommandLine, HelpAndUsageExitCodes) {
  for (const char *command : {"info", "trips", "events", "export", "config"}) {
    const Outcome help = dashcam({QLatin1String(command), QStringLiteral("--help")});
    EXPECT_EQ(help.exit, 0) << command;
    EXPECT_TRUE(help.out.startsWith("Usage: dashcam " + QByteArray(command))) << command;
    EXPECT_TRUE(help.err.isEmpty());
    const Outcome bare = dashcam({QLatin1String(command)});
    EXPECT_EQ(bare.exit, 2) << command;
    EXPECT_TRUE(bare.out.isEmpty()) << command;
  }
  EXPECT_EQ(dashcam({}).exit, 2);
  EXPECT_EQ(dashcam({QStringLiteral("frobnicate")}).exit, 2);
  EXPECT_EQ(dashcam({QStringLiteral("--help")}).exit, 0);
  EXPECT_EQ(dashcam({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("--csv"),
                     QStringLiteral(".")})
                .exit,
            2);
  EXPECT_EQ(dashcam({QStringLiteral("info"), QStringLiteral("--bogus"), QStringLiteral(".")}).exit,
            2);
  const Outcome missing = dashcam({QStringLiteral("info"), QStringLiteral("/no/such/card")});
  EXPECT_EQ(missing.exit, 1);
  EXPECT_TRUE(missing.out.contains("/no/such/card"));
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
