// The map view on the real web engine under Xvfb, offline: what the page
// receives, the default position without fix, the re-initialisation when
// the fix returns, clicks on the route, what is drawn, and a page that does
// not load. Recordings come from the generator; playing time is set by hand
// (no video is played here).
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cmath>
#include <memory>

#include "core/AppSettings.h"
#include "core/RecordingMetadata.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "map/MapScript.h"
#include "map/MapView.h"
#include "map_page.h"

namespace {

struct Meant {
  double latitude = 0, longitude = 0, speed = 0;
  bool fix = false;
};

// What the generator meant each sample to hold (its telemetry table).
QVector<Meant> readTable(const QString &path) {
  QVector<Meant> rows;
  QFile csv(path);
  if (!csv.open(QIODevice::ReadOnly)) return rows;
  QTextStream in(&csv);
  const QStringList header = in.readLine().split(QLatin1Char(','));
  const int fix = header.indexOf(QStringLiteral("fix"));
  const int lat = header.indexOf(QStringLiteral("latitude"));
  const int lng = header.indexOf(QStringLiteral("longitude"));
  const int speed = header.indexOf(QStringLiteral("speed_kmh"));
  while (!in.atEnd()) {
    const QStringList f = in.readLine().split(QLatin1Char(','));
    if (f.size() != header.size()) continue;
    rows.append({f[lat].toDouble(), f[lng].toDouble(), f[speed].toDouble(), f[fix] == "1"});
  }
  return rows;
}

struct LatLngCall {
  double latitude = 0, longitude = 0;
  QString speed;
  bool centre = false;
};

// "setLatLng(52.51270, 13.32235, 0, true)": five decimals, the speed as it
// stands, ", true)" or ", false)".
bool parseSetLatLng(const QString &call, LatLngCall *out) {
  static const QRegularExpression form(
      QStringLiteral(R"(^setLatLng\((-?\d+\.\d{5}), (-?\d+\.\d{5}), ([^,]+), (true|false)\)$)"));
  const QRegularExpressionMatch m = form.match(call);
  if (!m.hasMatch()) return false;
  *out = {m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3),
          m.captured(4) == QLatin1String("true")};
  return true;
}

QStringList only(const QStringList &calls, const QStringList &names) {
  QStringList out;
  for (const QString &c : calls)
    for (const QString &n : names)
      if (c.startsWith(n + QLatin1Char('('))) out << c;
  return out;
}

class MapViewTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    const QString out = dir_->path();
    auto make = [&](const QStringList &args) {
      QProcess::execute(QStringLiteral(SAMPLEGEN_PATH),
                        QStringList{"--out", out, "--size", "64x64", "--fps", "5"} + args);
    };
    // 30 s along Strasse des 17. Juni, without fix from 12 s to 16 s.
    make({"--start", "20240501_083000", "--drive-offset", "60", "--duration", "30", "--no-fix",
          "12:4", "--telemetry-csv", out + "/route.csv"});
    // A recording that starts without fix.
    make({"--start", "20240501_090000", "--drive-offset", "60", "--duration", "6", "--no-fix",
          "0:2", "--telemetry-csv", out + "/nofix.csv"});
    // One record cut short by an interrupted write.
    make({"--start", "20240501_091000", "--drive-offset", "60", "--duration", "3", "--short-record",
          "10:40"});
  }
  static void TearDownTestSuite() { delete dir_; }
  static QString file(const char *name) {
    return dir_->path() + QLatin1Char('/') + QLatin1String(name);
  }

  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    StatusLog::setPath(log_.path() + QStringLiteral("/playerStatus.txt"));
    AppSettings::store().clear();
    RecordingMetadata::clear();
    s.setPlayState(PlayState::Idle);
  }
  void TearDown() override {
    map_.reset();
    RecordingMetadata::clear();
    ViewerState::instance().setPlayState(PlayState::Idle);
    AppSettings::store().clear();
  }

  // A map of 480 x 420 on the screen, its page loaded, every call recorded.
  void openMap() {
    map_ = std::make_unique<MapView>();
    QObject::connect(map_.get(), &MapView::scriptRun,
                     [this](const QString &script) { sent_ << script; });
    map_->resize(480, 420);
    map_->onMapShow(true);
    map_->show();
    ASSERT_TRUE(waitUntil([this] { return map_->isPageLoaded(); })) << "the page did not load";
    ASSERT_TRUE(waitUntil([this] { return evaluate(view(), "bridge !== null").toBool(); }));
  }
  // The recording's samples, as playback reads them, and the map loads them.
  void load(const char *name) {
    ViewerState &s = ViewerState::instance();
    ASSERT_TRUE(RecordingMetadata::publish(RecordingMetadata::extract(file(name))).metadataReady);
    s.setPlayState(PlayState::Playing);
    s.currentTimeMs = 0;
    map_->onLoadMap();
  }
  void tick(double ms) {
    ViewerState::instance().currentTimeMs = ms;
    map_->onUpdateMap();
  }
  QWebEngineView *view() const { return map_->webView(); }
  QString logText() const {
    QFile f(log_.path() + QStringLiteral("/playerStatus.txt"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }

  static QTemporaryDir *dir_;
  QTemporaryDir log_;
  std::unique_ptr<MapView> map_;
  QStringList sent_;
};

QTemporaryDir *MapViewTest::dir_ = nullptr;

}  // namespace

TEST_F(MapViewTest, ThePageReceivesTheCallsExactlyAsWritten) {
  openMap();
  const QVector<Meant> meant = readTable(file("route.csv"));
  ASSERT_EQ(meant.size(), 300);
  sent_.clear();
  load("20240501_083000_INF_1.mp4");

  // Loading: the map again, the route and its events, then the first point
  // centred.
  ASSERT_GE(sent_.size(), 4);
  EXPECT_EQ(sent_[0], QStringLiteral("initMap()"));
  EXPECT_TRUE(sent_[1].startsWith(QStringLiteral("setRoute({")));
  EXPECT_TRUE(sent_[2].startsWith(QStringLiteral("setEvents([")));
  const QStringList firsts = only(sent_, {"setLatLng"});
  ASSERT_EQ(firsts.size(), 1);
  LatLngCall first;
  ASSERT_TRUE(parseSetLatLng(firsts[0], &first)) << qPrintable(firsts[0]);
  EXPECT_TRUE(first.centre);
  EXPECT_NEAR(first.latitude, meant[0].latitude, 2e-5);
  EXPECT_NEAR(first.longitude, meant[0].longitude, 2e-5);
  EXPECT_EQ(first.speed, QString::number(static_cast<float>(meant[0].speed), 'g', 6));
  // What was sent is what the print report will read.
  const ViewerState &s = ViewerState::instance();
  EXPECT_EQ(firsts[0], "setLatLng(" + s.latitudeText + ", " + s.longitudeText + ", " + s.speedText +
                           ", true)");

  // The ticks: the sample of each playing time, never centred.
  sent_.clear();
  for (double ms = 500; ms <= 11000; ms += 500) tick(ms);
  const QStringList moves = only(sent_, {"setLatLng"});
  ASSERT_EQ(moves.size(), 22);
  for (int k = 0; k < moves.size(); ++k) {
    SCOPED_TRACE(qPrintable(moves[k]));
    LatLngCall c;
    ASSERT_TRUE(parseSetLatLng(moves[k], &c));
    EXPECT_FALSE(c.centre);
    const int i = RecordingMetadata::mapIndex(299, 500.0 * (k + 1), 30000);
    EXPECT_NEAR(c.latitude, meant[i].latitude, 2e-5);
    EXPECT_NEAR(c.longitude, meant[i].longitude, 2e-5);
    // The speed in its shortest form, as the record holds it (a 32-bit float).
    EXPECT_EQ(c.speed, QString::number(static_cast<float>(meant[i].speed), 'g', 6));
    EXPECT_NEAR(c.speed.toDouble(), meant[i].speed, 1e-3);
  }
  EXPECT_EQ(sent_.count(QStringLiteral("initMap()")), 0);

  // The page got every one of them, in order.
  const QStringList sentCalls = only(
      QStringList() << QStringLiteral("initMap()") << firsts << moves, {"initMap", "setLatLng"});
  QStringList got = only(receivedCalls(view()), {"initMap", "setLatLng"});
  ASSERT_GE(got.size(), sentCalls.size());
  got = got.mid(got.size() - sentCalls.size());
  for (int k = 0; k < sentCalls.size(); ++k) {
    SCOPED_TRACE(qPrintable(sentCalls[k] + " / " + got[k]));
    const QStringList a = sentCalls[k].section('(', 1).chopped(1).split(QStringLiteral(", "));
    const QStringList b = got[k].section('(', 1).chopped(1).split(QStringLiteral(", "));
    EXPECT_EQ(sentCalls[k].section('(', 0, 0), got[k].section('(', 0, 0));
    ASSERT_EQ(a.size(), b.size());
    for (int j = 0; j < a.size(); ++j) {
      if (a[j] == "true" || a[j] == "false" || a[j].isEmpty())
        EXPECT_EQ(a[j], b[j]);
      else
        EXPECT_DOUBLE_EQ(a[j].toDouble(), b[j].toDouble());
    }
  }
}

TEST_F(MapViewTest, AStretchWithoutFixShowsTheDefaultPositionAndTheFixReInitialises) {
  AppSettings::store().setValue(QStringLiteral("mapDefaultLatitude"), 47.49791);
  AppSettings::store().setValue(QStringLiteral("mapDefaultLongitude"), 19.04023);
  openMap();
  sent_.clear();
  load("20240501_090000_INF_1.mp4");
  // The first point has no fix: the default position, speed 0, no-fix set.
  EXPECT_EQ(only(sent_, {"setLatLng"}),
            QStringList{QStringLiteral("setLatLng(47.49791, 19.04023, 0, true)")});
  EXPECT_TRUE(map_->hasNoFix());
  EXPECT_TRUE(sent_.contains(QStringLiteral("setNoFix(true)")));

  sent_.clear();
  for (double ms = 500; ms <= 5500; ms += 500) tick(ms);
  // While without fix (the first 2 s) the marker stands at the default
  // position; the first tick with a fix re-runs initMap() right before its
  // position, and only then.
  const QStringList calls = only(sent_, {"setLatLng", "initMap"});
  const int firstFix = calls.indexOf(QRegularExpression(QStringLiteral("^setLatLng\\(52\\..*")));
  ASSERT_GT(firstFix, 0) << qPrintable(calls.join('\n'));
  EXPECT_EQ(calls[firstFix - 1], QStringLiteral("initMap()"));
  EXPECT_EQ(calls.count(QStringLiteral("initMap()")), 1);
  for (int k = 0; k < firstFix - 1; ++k)
    EXPECT_EQ(calls[k], QStringLiteral("setLatLng(47.49791, 19.04023, 0, false)"));
  EXPECT_FALSE(map_->hasNoFix());

  // In the long recording the same happens in the middle, and the route has
  // a gap there instead of a line to the default position or to (0, 0).
  sent_.clear();
  map_->onClearData();
  RecordingMetadata::clear();
  load("20240501_083000_INF_1.mp4");
  for (double ms = 500; ms <= 20000; ms += 500) tick(ms);
  EXPECT_EQ(sent_.count(QStringLiteral("initMap()")), 2);  // the load, the fix's return
  const RouteTrack &route = map_->route();
  ASSERT_EQ(route.runs().size(), 2);
  EXPECT_EQ(route.points().size(), 260);
  EXPECT_EQ(evaluate(view(), "routeLayer.getLayers().length").toInt() >= 2, true);
  const QVariantList bounds =
      evaluate(view(),
               "(function(){ var b = routeLayer.getBounds();"
               " return [b.getSouth(), b.getWest(), b.getNorth(), b.getEast()]; })()")
          .toList();
  ASSERT_EQ(bounds.size(), 4);
  EXPECT_GT(bounds[0].toDouble(), 52.5);  // nowhere near Budapest or (0, 0)
  EXPECT_LT(bounds[2].toDouble(), 52.53);
  EXPECT_GT(bounds[1].toDouble(), 13.3);
  EXPECT_LT(bounds[3].toDouble(), 13.4);
}

TEST_F(MapViewTest, AClickOnTheRouteSeeksToThatSample) {
  openMap();
  load("20240501_083000_INF_1.mp4");
  ASSERT_TRUE(waitUntil([this] { return evaluate(view(), "routeDrawn").toBool(); }));
  // The whole route in sight, as the user would zoom out to it.
  evaluate(view(), "map.fitBounds(routeLayer.getBounds(), {animate: false}); true");
  QSignalSpy seek(map_.get(), &MapView::seekRequested);
  const ViewerState &s = ViewerState::instance();
  for (const int sample : {40, 220, 280}) {
    SCOPED_TRACE(sample);
    const MapPoint p = s.mapPoints[sample];
    ASSERT_EQ(p.fix, MapPoint::Fixed);
    const QPoint at = pagePoint(view(), p.latitude, p.longitude);
    ASSERT_TRUE(view()->rect().contains(at)) << at.x() << "," << at.y();
    QWidget *target = view()->focusProxy();
    ASSERT_NE(target, nullptr);
    seek.clear();
    QTest::mouseMove(target, at);
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitUntil([&] { return !seek.isEmpty(); }, 5000));
    EXPECT_NEAR(seek.first().first().toInt(), sample * 100, 500);
  }
  // While the engine holds input back, clicks do nothing.
  map_->onBlockEvent(true);
  seek.clear();
  const MapPoint p = s.mapPoints[220];
  const QPoint at = pagePoint(view(), p.latitude, p.longitude);
  QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, at);
  waitUntil([] { return false; }, 600);
  EXPECT_TRUE(seek.isEmpty());
}

TEST_F(MapViewTest, OfflineTheRouteMarkerScaleAndLegendAreDrawn) {
  openMap();
  load("20240501_083000_INF_1.mp4");
  tick(25000);
  ASSERT_TRUE(waitUntil([this] { return evaluate(view(), "routeDrawn").toBool(); }));
  waitUntil([] { return false; }, 500);  // the marker's picture settles
  const QImage shot = viewOnScreen(view());
  shot.save(QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots/map-offline.png"));
  const QColor ground(0xdf, 0xe3, 0xe6);
  // Most of the panel is the plain ground: no error page, nothing blank.
  int plain = 0;
  for (int y = 0; y < shot.height(); y += 4)
    for (int x = 0; x < shot.width(); x += 4)
      plain += colourDistance(shot.pixelColor(x, y), ground) < 8;
  EXPECT_GT(plain, (shot.width() / 4) * (shot.height() / 4) / 2);

  // Along the route, away from the marker: the line in its speed band's
  // colour.
  const ViewerState &s = ViewerState::instance();
  const QPoint car = pagePoint(view(), s.mapPoints[249].latitude, s.mapPoints[249].longitude);
  int checked = 0, onLine = 0;
  for (int i = 0; i + 1 < s.mapPoints.size(); i += 10) {
    const MapPoint &p = s.mapPoints[i];
    const MapPoint &q = s.mapPoints[i + 1];
    if (p.fix != MapPoint::Fixed || q.fix != MapPoint::Fixed) continue;
    const QPoint at = pagePoint(view(), p.latitude, p.longitude);
    if ((at - car).manhattanLength() < 40 || !shot.rect().contains(at)) continue;
    const QColor band(QLatin1String(MapScript::speedBands()[MapScript::bandOf(p.speed)].colour));
    ++checked;
    onLine += colourDistance(shot.pixelColor(at), band) < 40;
  }
  EXPECT_GE(checked, 15);
  EXPECT_GE(onLine, checked * 9 / 10) << onLine << " of " << checked;

  // The marker where the car is, with its speed beside it.
  int carPixels = 0;
  for (int dy = -8; dy <= 8; ++dy)
    for (int dx = -8; dx <= 8; ++dx)
      carPixels +=
          colourDistance(shot.pixelColor(car + QPoint(dx, dy)), QColor(0x4c, 0xde, 0xb2)) < 30;
  EXPECT_GT(carPixels, 20);
  EXPECT_TRUE(evaluate(view(), "document.querySelector('.speed').textContent")
                  .toString()
                  .endsWith(QStringLiteral(" km/h")));
  // Scale and legend (with the unit).
  EXPECT_TRUE(evaluate(view(), "!!document.querySelector('.leaflet-control-scale-line')").toBool());
  EXPECT_EQ(evaluate(view(), "document.querySelector('.legend').style.display").toString(), "");
  EXPECT_TRUE(evaluate(view(), "document.querySelector('.legend').textContent")
                  .toString()
                  .contains(QStringLiteral("km/h")));
}

TEST_F(MapViewTest, ShortRecordsAndImpossiblePositionsAreNeverDrawnOrSent) {
  openMap();
  ViewerState &s = ViewerState::instance();
  ASSERT_TRUE(RecordingMetadata::publish(RecordingMetadata::extract(file("20240501_091000_INF_1.mp4"))).metadataReady);
  ASSERT_EQ(s.gpsSamples.size(), 29);  // the cut record is not read
  EXPECT_EQ(s.gpsSamples[10].number, 11);
  // A record whose position cannot be on the earth (95 degrees north).
  s.gpsSamples[20].latitudeRaw = 9530.0f;
  s.setPlayState(PlayState::Playing);
  sent_.clear();
  map_->onLoadMap();
  EXPECT_EQ(map_->route().points().size(), 28);
  EXPECT_EQ(map_->route().runs().size(), 2);
  ASSERT_TRUE(waitUntil(
      [this] { return receivedCalls(view()).contains(QStringLiteral("setRoute(28 points)")); }));
  // The sample of the cut record's time shows the sample before it; the
  // impossible one is not sent at all.
  sent_.clear();
  // The playing time whose map look-up gives sample i.
  auto timeOf = [](int i) { return (i + 0.5) * 3000.0 / 29; };
  tick(timeOf(10));
  ASSERT_EQ(s.gpsSamples[20].number, 21);
  ASSERT_EQ(RecordingMetadata::mapIndex(29, timeOf(21), 3000), 21);
  tick(timeOf(21));
  ASSERT_EQ(only(sent_, {"setLatLng"}).size(), 1);
  LatLngCall c;
  ASSERT_TRUE(parseSetLatLng(only(sent_, {"setLatLng"})[0], &c));
  const int at = RecordingMetadata::pointIndexForSample(s.mapPoints, 9);
  EXPECT_NEAR(c.latitude, s.mapPoints[at].latitude, 1e-5);
}

TEST_F(MapViewTest, APageThatFailsIsRetriedOnceThenThePanelSaysSo) {
  // Resources with the page but without its map library.
  QTemporaryDir app;
  const QString res = app.path() + QStringLiteral("/Resources");
  QDir().mkpath(res + QStringLiteral("/map"));
  QDir().mkpath(res + QStringLiteral("/json"));
  for (const char *name : {"map.html", "map.js", "map.css"})
    QFile::copy(QStringLiteral(VIEWER_BUILD_DIR "/Resources/map/") + QLatin1String(name),
                res + QStringLiteral("/map/") + QLatin1String(name));
  ViewerState &s = ViewerState::instance();
  s.appDir = app.path();
  s.resourceDir = res;
  map_ = std::make_unique<MapView>();
  QObject::connect(map_.get(), &MapView::scriptRun,
                   [this](const QString &script) { sent_ << script; });
  map_->resize(400, 300);
  map_->onMapShow(true);
  map_->show();
  ASSERT_TRUE(waitUntil([this] { return map_->isUnavailable(); }));
  EXPECT_EQ(map_->notice(), QStringLiteral("Map unavailable"));
  EXPECT_EQ(logText().count(QStringLiteral("[MapView]: Failed to set map data.")), 2);
  EXPECT_EQ(logText().count(QStringLiteral("[MapView]: loading the map page again")), 1);
  // Positions are not sent to a page that is not there.
  s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
  s.resourceDir = s.appDir + QStringLiteral("/Resources");
  sent_.clear();
  load("20240501_083000_INF_1.mp4");
  tick(1000);
  EXPECT_TRUE(sent_.isEmpty()) << qPrintable(sent_.join('\n').left(300));
  EXPECT_FALSE(map_->isPageLoaded());
  // The display strings still follow the recording.
  EXPECT_NE(s.latitudeText, QString());

  // No page at all: the same.
  s.resourceDir = app.path() + QStringLiteral("/nothing");
  MapView bare;
  bare.onMapShow(true);
  bare.show();
  ASSERT_TRUE(waitUntil([&] { return bare.isUnavailable(); }));
  EXPECT_EQ(bare.notice(), QStringLiteral("Map unavailable"));
}

// Closed while its page is still loading or answering: the page goes with the
// map, its unanswered calls are no failure and nothing is loaded again.
TEST_F(MapViewTest, AMapClosedWhileItsPageLoadsLetsItGoQuietly) {
  for (int round = 0; round < 3; ++round) {
    map_ = std::make_unique<MapView>();
    map_->resize(400, 300);
    map_->onMapShow(true);
    map_->show();
    // Round 0 goes at once, the others once the page is there.
    if (round > 0) {
      ASSERT_TRUE(waitUntil([this] { return map_->isPageLoaded(); }));
    }
    if (round == 2) map_->webView()->page()->runJavaScript(QStringLiteral("initMap()"));
    map_.reset();
    // Whatever the engine still had to say arrives now.
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 300; });
  }
  EXPECT_FALSE(logText().contains(QStringLiteral("loading the map page again")))
      << qPrintable(logText());
  EXPECT_FALSE(logText().contains(QStringLiteral("Failed to set map data")));
}
