// The route and event logic the map, the chart and the command-line tool
// share: positions checked and cut into runs, the nearest sample to a place,
// sample times, the default position, and events found in the drives the
// generator makes (whose tables say where it put them).
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <limits>

#include "core/AppSettings.h"
#include "core/GsensorEvents.h"
#include "core/KRNData.h"
#include "core/RecordingMetadata.h"
#include "core/RouteTrack.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"

namespace {

MapPoint fixed(int n, float lat, float lng, float speed = 30) {
  return {n, lat, lng, speed, MapPoint::Fixed};
}

GpsSample gps(int n, float latRaw, float lngRaw, float speed = 10) {
  return {n, latRaw, lngRaw, speed, true, true};
}

}  // namespace

TEST(MapPoints, PositionsWithoutFixOrOutsideTheEarthAreMarked) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const QVector<GpsSample> in = {
      gps(0, 5230.7620f, 1319.3410f),  // 52.51270 N, 13.32235 E
      gps(1, 0, 0, 0),                 // no fix
      gps(2, 9530.0f, 1319.3410f),     // 95.5 degrees north
      gps(3, 5230.7620f, 18100.0f),    // 181 degrees east
      gps(4, nan, 1319.3410f),         //
      gps(5, 5230.7620f, 1319.3410f, std::numeric_limits<float>::infinity()),
      gps(6, 8959.9f, 17959.9f),  // just inside the earth
  };
  bool anyFix = false;
  const QVector<MapPoint> p = RecordingMetadata::buildMapPoints(in, 37.5f, 127.0f, &anyFix);
  ASSERT_EQ(p.size(), 7);
  EXPECT_TRUE(anyFix);
  EXPECT_EQ(p[0].fix, MapPoint::Fixed);
  EXPECT_NEAR(p[0].latitude, 52.51270, 1e-5);
  EXPECT_NEAR(p[0].longitude, 13.32235, 1e-5);
  EXPECT_EQ(p[1].fix, MapPoint::NoFix);
  EXPECT_EQ(p[1].latitude, 37.5f);
  EXPECT_EQ(p[1].speed, 0.0f);
  for (int i = 2; i <= 5; ++i) EXPECT_EQ(p[i].fix, MapPoint::Invalid) << i;
  EXPECT_EQ(p[6].fix, MapPoint::Fixed);
  EXPECT_FALSE(RecordingMetadata::isPosition(-90.01, 0));
  EXPECT_TRUE(RecordingMetadata::isPosition(-90, -180));

  bool none = true;
  RecordingMetadata::buildMapPoints({gps(0, 0, 0), gps(1, 9999, 0)}, 0, 0, &none);
  EXPECT_FALSE(none);
}

TEST(RouteTrack, GapsCutTheRouteIntoRuns) {
  const QVector<MapPoint> points = {
      fixed(0, 52.0f, 13.0f, 10),    fixed(1, 52.001f, 13.0f, 20), {2, 0, 0, 0, MapPoint::NoFix},
      {3, 0, 0, 0, MapPoint::NoFix}, fixed(4, 52.002f, 13.0f, 70), {5, 0, 0, 0, MapPoint::Invalid},
      fixed(6, 52.003f, 13.0f, 40),
  };
  const RouteTrack route(points);
  ASSERT_EQ(route.points().size(), 4);
  ASSERT_EQ(route.runs().size(), 3);
  EXPECT_EQ(route.runs()[0].begin, 0);
  EXPECT_EQ(route.runs()[0].end, 2);
  EXPECT_EQ(route.runs()[1].begin, 2);
  EXPECT_EQ(route.runs()[1].end, 3);
  EXPECT_EQ(route.runs()[2].begin, 3);
  EXPECT_FLOAT_EQ(route.maxSpeed(), 70);
  for (const MapPoint &p : route.points()) EXPECT_EQ(p.fix, MapPoint::Fixed);
  EXPECT_TRUE(RouteTrack({{0, 0, 0, 0, MapPoint::NoFix}}).isEmpty());
  EXPECT_EQ(RouteTrack().nearestSample(52, 13), -1);
}

TEST(RouteTrack, TheNearestSampleToAPlacePrefersThePassNearestInTime) {
  // A road driven east and half of it back west: places on that half are
  // passed twice.
  QVector<MapPoint> points;
  for (int i = 0; i <= 100; ++i) points.append(fixed(i, 52.0f, 13.0f + i * 0.0001f));
  for (int i = 1; i <= 50; ++i) points.append(fixed(100 + i, 52.00001f, 13.01f - i * 0.0001f));
  const RouteTrack route(points);
  // At the 70th point out (the 130th back): the nearer pass without a hint,
  // the pass nearer in time with one.
  const int plain = route.nearestSample(52.0, 13.007);
  EXPECT_TRUE(plain == 70 || plain == 130) << plain;
  EXPECT_EQ(route.nearestSample(52.0, 13.007, 20), 70);
  EXPECT_EQ(route.nearestSample(52.0, 13.007, 140), 130);
  // A place only passed once is found wherever the car is now.
  EXPECT_EQ(route.nearestSample(52.0, 13.0, 150), 0);
  // Across the date line, distances wrap.
  const RouteTrack pacific({fixed(0, 0, 179.999f), fixed(1, 0, 170.0f)});
  EXPECT_EQ(pacific.nearestSample(0, -179.999), 0);
}

TEST(SampleLookup, PointsBySampleNumberAndTimes) {
  const QVector<MapPoint> holes = {fixed(0, 1, 1), fixed(1, 1, 1), fixed(3, 1, 1), fixed(4, 1, 1)};
  EXPECT_EQ(RecordingMetadata::pointIndexForSample(holes, -1), -1);
  EXPECT_EQ(RecordingMetadata::pointIndexForSample(holes, 1), 1);
  EXPECT_EQ(RecordingMetadata::pointIndexForSample(holes, 2), 1);  // the hole: the one before
  EXPECT_EQ(RecordingMetadata::pointIndexForSample(holes, 3), 2);
  EXPECT_EQ(RecordingMetadata::pointIndexForSample(holes, 99), 3);
  EXPECT_DOUBLE_EQ(RecordingMetadata::sampleTimeMs(250, 599, 60000), 25000);
  EXPECT_DOUBLE_EQ(RecordingMetadata::sampleTimeMs(0, 599, 60000), 0);
  EXPECT_DOUBLE_EQ(RecordingMetadata::sampleTimeMs(10, 599, 0), 0);
}

TEST(DefaultMapPosition, ComesFromTheDeploymentSettings) {
  QSettings &st = AppSettings::store();
  st.remove(QStringLiteral("mapDefaultLatitude"));
  st.remove(QStringLiteral("mapDefaultLongitude"));
  const AppSettings::MapPosition builtIn = AppSettings::defaultMapPosition();
  EXPECT_TRUE(RecordingMetadata::isPosition(builtIn.latitude, builtIn.longitude));
  st.setValue(QStringLiteral("mapDefaultLatitude"), QStringLiteral("-33.8688"));
  st.setValue(QStringLiteral("mapDefaultLongitude"), QStringLiteral("151.2093"));
  EXPECT_FLOAT_EQ(AppSettings::defaultMapPosition().latitude, -33.8688f);
  EXPECT_FLOAT_EQ(AppSettings::defaultMapPosition().longitude, 151.2093f);
  // Something that is no position falls back to the built-in one.
  st.setValue(QStringLiteral("mapDefaultLatitude"), QStringLiteral("north"));
  EXPECT_FLOAT_EQ(AppSettings::defaultMapPosition().latitude, builtIn.latitude);
  st.setValue(QStringLiteral("mapDefaultLatitude"), 123.0);
  EXPECT_FLOAT_EQ(AppSettings::defaultMapPosition().latitude, builtIn.latitude);
  st.remove(QStringLiteral("mapDefaultLatitude"));
  st.remove(QStringLiteral("mapDefaultLongitude"));
}

TEST(GsensorEvents, SharpChangesAloneAreEvents) {
  QVector<GsensorSample> calm;
  for (int i = 0; i < 300; ++i)
    calm.append({i, 0.02f * std::sin(i * 0.7f), 0.1f * std::sin(i * 0.05f), 1.0f});
  EXPECT_TRUE(GsensorEvents::detect(calm, 100).isEmpty());

  // A blow from the side at sample 120, and an unreadable reading that must
  // not count as one.
  QVector<GsensorSample> knocked = calm;
  knocked[120].x = 0.9f;
  knocked[121].x = -0.5f;
  knocked[200].z = std::numeric_limits<float>::quiet_NaN();
  const QVector<GsensorEvent> e = GsensorEvents::detect(knocked, 100);
  ASSERT_EQ(e.size(), 1);
  EXPECT_EQ(e[0].number, 120);
  EXPECT_EQ(e[0].kind, GsensorEvent::Impact);
  EXPECT_GT(e[0].change, 0.85f);
  EXPECT_TRUE(GsensorEvents::title(e[0]).startsWith(QStringLiteral("Impact, 0.")));
  // Two blows further apart than the hold-off are two events; at another
  // sampling rate the same times apply.
  knocked[200].z = 1.0f;
  knocked[190].y = -0.9f;
  EXPECT_EQ(GsensorEvents::detect(knocked, 100).size(), 2);
  EXPECT_EQ(GsensorEvents::detect(knocked, 10).size(), 1);  // 7 s at 10 ms is one
  EXPECT_TRUE(GsensorEvents::detect({}, 100).isEmpty());
}

namespace {

// Recordings of the generator with the tables of what they hold.
class Drives : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    auto make = [](const QString &name, const QStringList &args) {
      QProcess::execute(QStringLiteral(SAMPLEGEN_PATH),
                        QStringList{"--out", dir_->path() + "/" + name, "--size", "64x64", "--fps",
                                    "5", "--telemetry-csv", dir_->path() + "/" + name + ".csv"} +
                            args);
    };
    make("evt", {"--type", "EVT", "--drive-offset", "300", "--duration", "30", "--event-at", "12"});
    make("prk", {"--type", "PRK", "--drive-offset", "100", "--duration", "20", "--event-at", "9"});
    make("inf", {"--drive-offset", "0", "--duration", "90", "--no-fix", "40:5"});
    make("ba", {"--route", "buenos-aires", "--duration", "60", "--drive-offset", "30"});
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override {
    StatusLog::setPath(QString());
    RecordingMetadata::clear();
  }
  void TearDown() override { RecordingMetadata::clear(); }

  static QString recording(const QString &name) {
    const QStringList files =
        QDir(dir_->path() + "/" + name).entryList({QStringLiteral("*.mp4")}, QDir::Files);
    return files.isEmpty() ? QString() : dir_->path() + "/" + name + "/" + files.first();
  }
  // The sample where the generator's table says the event began, or -1.
  static int eventSample(const QString &name) {
    QFile csv(dir_->path() + "/" + name + ".csv");
    if (!csv.open(QIODevice::ReadOnly)) return -1;
    QTextStream in(&csv);
    const int column = in.readLine().split(QLatin1Char(',')).indexOf(QStringLiteral("event"));
    for (int i = 0; !in.atEnd(); ++i)
      if (in.readLine().split(QLatin1Char(',')).value(column) == QLatin1String("1")) return i;
    return -1;
  }
  static QTemporaryDir *dir_;
};

QTemporaryDir *Drives::dir_ = nullptr;

}  // namespace

TEST_F(Drives, TheHardBrakingIsFoundWhereTheGeneratorPutIt) {
  const int began = eventSample("evt");
  ASSERT_GE(began, 120);
  ASSERT_TRUE(RecordingMetadata::publish(RecordingMetadata::extract(recording("evt"))).metadataReady);
  const QVector<GsensorEvent> &e = ViewerState::instance().gsensorEvents;
  ASSERT_EQ(e.size(), 1);  // coming to a stop is part of it
  EXPECT_NEAR(e[0].number, began, 5);
  EXPECT_EQ(e[0].kind, GsensorEvent::Braking);
  EXPECT_NEAR(e[0].change, 0.78, 0.1);
}

TEST_F(Drives, TheKnockAgainstTheParkedCarIsAnImpact) {
  const int knock = eventSample("prk");
  ASSERT_EQ(knock, 90);
  ASSERT_TRUE(RecordingMetadata::publish(RecordingMetadata::extract(recording("prk"))).metadataReady);
  const QVector<GsensorEvent> &e = ViewerState::instance().gsensorEvents;
  ASSERT_EQ(e.size(), 1);
  EXPECT_NEAR(e[0].number, knock, 5);
  EXPECT_EQ(e[0].kind, GsensorEvent::Impact);
}

TEST_F(Drives, AnOrdinaryDriveHasNoEventsAndItsRouteHasItsGap) {
  // Starting, stopping at lights, turning: none of it is an event.
  for (const char *name : {"inf", "ba"}) {
    SCOPED_TRACE(name);
    RecordingMetadata::clear();
    ASSERT_TRUE(RecordingMetadata::publish(RecordingMetadata::extract(recording(name))).metadataReady);
    EXPECT_TRUE(ViewerState::instance().gsensorEvents.isEmpty());
  }
  RecordingMetadata::clear();
  ASSERT_TRUE(RecordingMetadata::publish(RecordingMetadata::extract(recording("inf"))).metadataReady);
  const ViewerState &s = ViewerState::instance();
  const RouteTrack route(RecordingMetadata::buildMapPoints(s.gpsSamples, 0, 0));
  ASSERT_EQ(route.runs().size(), 2);
  EXPECT_EQ(route.runs()[0].end, 400);
  EXPECT_EQ(route.points().size(), 850);
  EXPECT_EQ(route.points()[400].number, 450);
}
