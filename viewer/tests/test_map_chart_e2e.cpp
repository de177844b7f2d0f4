// The map and the chart in the whole program, under Xvfb with the real web
// engine (offline) and libvlc, on the demo card: the event recording's
// braking where the generator put it, on the time line, the chart and the
// route, each mark taking playback there; the map toggle, the list/map
// switch, the display strings, and the floating map in full screen, with
// screenshots of both layouts while playing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QWebEngineView>
#include <cstdio>
#include <memory>

#include "app/MainWindow.h"
#include "app/MapPanel.h"
#include "app/RightSideView.h"
#include "chart/ChartView.h"
#include "core/AppSettings.h"
#include "core/RecordingMetadata.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "map/MapView.h"
#include "map_page.h"
#include "playback/PlayControlView.h"
#include "playback/PlayerInterface.h"
#include "playback/VLCComponent.h"
#include "recordings/MelFileListItem.h"
#include "widgets/MelPlaySlider.h"
#include "widgets/MessageBoxes.h"


namespace {

const QString kCard = QStringLiteral(DEMO_CARD);
const char *const kEventRecording = "20240501_083500_EVT";

QString screenshotPath(const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

// The sample where the generator's table says the recording's event began.
int eventSampleOf(const QString &recording) {
  QFile csv(kCard + QStringLiteral("-telemetry/") + recording + QStringLiteral(".csv"));
  if (!csv.open(QIODevice::ReadOnly)) return -1;
  QTextStream in(&csv);
  const int column = in.readLine().split(QLatin1Char(',')).indexOf(QStringLiteral("event"));
  for (int i = 0; !in.atEnd(); ++i)
    if (in.readLine().split(QLatin1Char(',')).value(column) == QLatin1String("1")) return i;
  return -1;
}

class MapChartE2E : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    home_ = new QTemporaryDir;
    // Sound goes to ALSA's null device on a machine without a sound card.
    QFile asoundrc(home_->path() + "/.asoundrc");
    if (asoundrc.open(QIODevice::WriteOnly)) asoundrc.write("pcm.!default { type null }\n");
    asoundrc.close();
    qputenv("HOME", QFile::encodeName(home_->path()));
  }
  static void TearDownTestSuite() { delete home_; }

  void SetUp() override {
    if (!QFileInfo::exists(kCard + QStringLiteral("/.complete")))
      GTEST_SKIP() << "no demo card at " << qPrintable(kCard) << " (build target demo_card)";
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    s.appData = data_.path();
    StatusLog::setPath(data_.path() + QStringLiteral("/playerStatus.txt"));
    AppSettings::store().clear();
    AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
    MessageBoxes::setHook([](const QString &, const QString &, bool) { return true; });
    window_ = std::make_unique<MainWindow>(nullptr);
    window_->show();
    ASSERT_TRUE(waitUntil(
        [this] { return window_->windowHandle() && window_->windowHandle()->isExposed(); }));
    window_->openPaths({kCard});
    ASSERT_TRUE(waitUntil([this] { return list()->rowCount() >= 12; }));
    // The map page loads once the map is first on screen.
    EXPECT_EQ(map()->webView(), nullptr);
    window_->onShowMap();
    ASSERT_TRUE(waitUntil([this] { return map()->isPageLoaded(); })) << "the map page";
    window_->onShowFilelist();
  }
  void TearDown() override {
    if (HasFailure()) {
      // What the map said about itself, to tell a page problem from a test one.
      QFile log(data_.path() + QStringLiteral("/playerStatus.txt"));
      if (log.open(QIODevice::ReadOnly))
        for (const QByteArray &line : log.readAll().split('\n'))
          if (line.contains("MapView") || line.contains("PlayerInterface]"))
            std::printf("%s\n", line.constData());
    }
    window_.reset();
    MessageBoxes::setHook(nullptr);
    AppSettings::store().clear();
  }

  MelFileListItem *list() const { return window_->fileList(); }
  MapView *map() const { return window_->mapPanel()->map(); }
  ChartView *chart() const { return window_->mapPanel()->chart(); }
  QWebEngineView *page() const { return map()->webView(); }
  MelPlaySlider *timeLine() const { return window_->controls()->timeLine(); }
  VLCComponent *vlc() const { return window_->player()->component(); }
  PlayState state() const { return ViewerState::instance().playState(); }
  qint64 playingTime() const { return vlc()->GetCurrentPos(); }

  // Plays the recording whose name starts so, by a double click on its row.
  void play(const QString &name) {
    const ViewerState &s = ViewerState::instance();
    int row = -1;
    for (int r = 0; r < s.visibleRows.size(); ++r)
      if (s.recordingList[s.visibleRows[r]].fileName.startsWith(name)) row = r;
    ASSERT_GE(row, 0) << qPrintable(name);
    list()->scrollToItem(list()->item(row, 1));
    const QPoint at = list()->visualItemRect(list()->item(row, 1)).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitUntil([this] {
      return state() == PlayState::Playing && !window_->logoShown() &&
             vlc()->state() == VLCComponent::Running;
    }));
  }
  // Seeks somewhere else first, then does `click` and waits for playback to
  // arrive within 700 ms of `ms`.
  bool clickTakesPlaybackTo(const std::function<void()> &click, double ms) {
    window_->player()->onPlayPosMove(5000);
    if (!waitUntil([this] { return std::abs(playingTime() - 5000) < 700; })) return false;
    click();
    return waitUntil([&] { return std::abs(playingTime() - ms) < 700; }, 8000);
  }

  static QTemporaryDir *home_;
  QTemporaryDir data_;
  std::unique_ptr<MainWindow> window_;
};

QTemporaryDir *MapChartE2E::home_ = nullptr;

}  // namespace

TEST_F(MapChartE2E, TheBrakingIsMarkedOnTimeLineChartAndRouteAndEachMarkSeeksThere) {
  const int began = eventSampleOf(QLatin1String(kEventRecording));
  ASSERT_GT(began, 0) << "the demo card's table of its event recording";
  const double eventMs = began * 100.0;  // one sample every 100 ms
  window_->onShowMap();
  play(QLatin1String(kEventRecording));
  ASSERT_TRUE(
      waitUntil([this] { return evaluate(page(), "!!routeLayer && !!eventLayer").toBool(); }));

  // The time line.
  ASSERT_TRUE(waitUntil([this] { return timeLine()->marks().size() == 1; }));
  const MelPlaySlider::Mark mark = timeLine()->marks().first();
  EXPECT_NEAR(mark.value, eventMs, 500);
  EXPECT_TRUE(mark.toolTip.startsWith(QStringLiteral("Hard braking")));
  // The chart: its mark where the spike is.
  const ViewerState &s = ViewerState::instance();
  ASSERT_EQ(s.gsensorEvents.size(), 1);
  EXPECT_NEAR(s.gsensorEvents[0].number, began, 5);
  const QImage plot = chart()->chartWidget()->grab().toImage();
  const int spikeX = chart()->xOfSample(began);
  const int reach = chart()->xOfSample(began + 5) - spikeX + 1;
  int amber = 0;
  for (int x = spikeX - reach; x <= spikeX + reach; ++x)
    for (int y = 0; y < 6; ++y)
      amber += colourDistance(plot.pixelColor(x, y), QColor(0xff, 0xb0, 0x20)) < 20;
  EXPECT_GT(amber, 6);
  // The route: one mark, at the place the car was.
  const QVariantList marks = evaluate(page(),
                                      "eventLayer.getLayers().map(function (m) {"
                                      " var p = m.getLatLng(); return [m.sample, p.lat, p.lng]; })")
                                 .toList();
  ASSERT_EQ(marks.size(), 1);
  const QVariantList routeMark = marks[0].toList();
  EXPECT_NEAR(routeMark[0].toInt(), began, 5);
  const MapPoint &there = s.mapPoints[began];
  EXPECT_NEAR(routeMark[1].toDouble(), there.latitude, 2e-4);  // within 20 m
  EXPECT_NEAR(routeMark[2].toDouble(), there.longitude, 3e-4);

  // The picture once the page has painted the route it was shown with.
  waitUntil([this] { return evaluate(page(), "routeDrawn").toBool(); });
  QGuiApplication::primaryScreen()->grabWindow(0).save(
      screenshotPath(QStringLiteral("map-chart-event")));

  // Each mark takes playback to the braking.
  EXPECT_TRUE(clickTakesPlaybackTo(
      [this, mark] {
        QTest::mouseClick(timeLine(), Qt::LeftButton, {},
                          QPoint(timeLine()->positionOf(mark.value), timeLine()->height() / 2));
      },
      eventMs))
      << "time line: " << playingTime();
  EXPECT_TRUE(clickTakesPlaybackTo(
      [this, spikeX] {
        QTest::mouseClick(chart()->chartWidget(), Qt::LeftButton, {},
                          QPoint(spikeX, chart()->chartWidget()->height() / 2));
      },
      eventMs))
      << "chart: " << playingTime();
  // On the map the user first brings the mark into sight, paused, so the
  // map holds still under the pointer.
  window_->controls()->onClick_bPlay();
  ASSERT_TRUE(waitUntil([this] { return state() == PlayState::Paused; }));
  EXPECT_TRUE(clickTakesPlaybackTo(
      [this, routeMark] {
        evaluate(page(), QStringLiteral("map.setView([%1, %2], map.getZoom(), {animate: false}); 1")
                             .arg(routeMark[1].toDouble(), 0, 'f', 7)
                             .arg(routeMark[2].toDouble(), 0, 'f', 7));
        QPoint at = pagePoint(page(), routeMark[1].toDouble(), routeMark[2].toDouble());
        // Still where it was a moment later: nothing moves the map now.
        waitUntil([&] {
          const QPoint again = pagePoint(page(), routeMark[1].toDouble(), routeMark[2].toDouble());
          const bool still = again == at;
          at = again;
          return still;
        });
        QTest::mouseMove(page()->focusProxy(), at);
        QTest::mouseClick(page()->focusProxy(), Qt::LeftButton, {}, at);
      },
      eventMs))
      << "route: " << playingTime();
  EXPECT_EQ(state(), PlayState::Paused);
}

TEST_F(MapChartE2E, MapAndChartFollowPlaybackInTheWindowAndFloatInFullScreen) {
  // Nothing plays: the list shows; the map page says there is no position.
  RightSideView *side = window_->rightSide();
  EXPECT_EQ(side->currentPage(), RightSideView::FileListPage);
  window_->onShowMap();
  EXPECT_EQ(side->currentPage(), RightSideView::MapPage);
  EXPECT_EQ(map()->notice(), QStringLiteral("No GPS position"));
  window_->onShowFilelist();
  EXPECT_EQ(side->currentPage(), RightSideView::FileListPage);
  play(QStringLiteral("20240501_083600_INF"));
  window_->onShowMap();
  // The control bar's map toggle shows the map for a recording with GPS.
  ASSERT_TRUE(waitUntil([this] { return map()->notice().isEmpty(); }));
  // Ticks move the marker and the cursor, and keep the display strings.
  const ViewerState &s = ViewerState::instance();
  ASSERT_TRUE(waitUntil([&] { return s.currentTimeMs > 3000 && chart()->hasCursor(); }));
  const QString speedBefore = evaluate(page(), "car.getLatLng().lng").toString();
  ASSERT_TRUE(
      waitUntil([&] { return evaluate(page(), "car.getLatLng().lng").toString() != speedBefore; }));
  const int i =
      RecordingMetadata::mapIndex(s.mapPoints.last().number, s.currentTimeMs, s.totalRangeMs);
  ASSERT_GE(i, 1);
  EXPECT_NE(s.latitudeText, QStringLiteral("00.00000"));
  EXPECT_EQ(s.gsensorZText, chart()->valueLabel(ChartView::Z)->text());
  EXPECT_NE(s.gsensorZText, QStringLiteral("0.000"));
  waitUntil([] { return false; }, 600);
  QScreen *screen = QGuiApplication::primaryScreen();
  screen->grabWindow(0).save(screenshotPath(QStringLiteral("map-chart-window")));

  // Full screen: the map and chart float over the video, above it.
  window_->onRecvFullScreen();
  MapPanel *panel = window_->mapPanel();
  ASSERT_TRUE(
      waitUntil([&] { return panel->isFloating() && panel->floatingFrame()->isVisible(); }));
  ASSERT_TRUE(waitUntil([&] { return window_->isFullScreen() || window_->currentState() == 3; }));
  waitUntil([] { return false; }, 1200);
  const QImage full = screen->grabWindow(0).toImage();
  full.save(screenshotPath(QStringLiteral("map-chart-fullscreen")));
  const QRect frame(panel->floatingFrame()->mapToGlobal(QPoint(0, 0)),
                    panel->floatingFrame()->size());
  ASSERT_TRUE(full.rect().contains(frame)) << frame.x() << "," << frame.y();
  // The page's plain ground (no network here) shows where the map floats,
  // not the video under it.
  const QRect mapArea(map()->webView()->mapToGlobal(QPoint(0, 0)), map()->webView()->size());
  int ground = 0, all = 0;
  for (int y = mapArea.top(); y < mapArea.bottom(); y += 3)
    for (int x = mapArea.left(); x < mapArea.right(); x += 3, ++all)
      ground += colourDistance(full.pixelColor(x, y), QColor(0xdf, 0xe3, 0xe6)) < 8;
  EXPECT_GT(ground, all / 3);
  // Dragged by its grip, it moves with the pointer and stays in the window.
  const QPoint before = panel->floatingFrame()->pos();
  QTest::mousePress(map(), Qt::LeftButton, {}, QPoint(40, 6));
  QMouseEvent move(QEvent::MouseMove, QPoint(40, 6) - QPoint(300, 200),
                   map()->mapToGlobal(QPoint(40, 6)) - QPoint(300, 200), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(map(), &move);
  QTest::mouseRelease(map(), Qt::LeftButton, {}, QPoint(40, 6) - QPoint(300, 200));
  EXPECT_EQ(panel->floatingFrame()->pos(), before - QPoint(300, 200));

  // Back from full screen: in the right panel again, no longer floating.
  window_->onUnsetFullScreen();
  ASSERT_TRUE(waitUntil([&] { return !panel->isFloating(); }));
  EXPECT_FALSE(panel->floatingFrame()->isVisible());
  EXPECT_TRUE(side->isAncestorOf(panel));
  EXPECT_FALSE(map()->isFloating());

  // Stop: the map toggle hides the map, the chart is cleared, the marks go.
  window_->controls()->onClick_bStop();
  ASSERT_TRUE(waitUntil([this] { return state() != PlayState::Playing; }));
  EXPECT_EQ(map()->notice(), QStringLiteral("No GPS position"));
  EXPECT_EQ(chart()->valueLabel(ChartView::X)->text(), QStringLiteral("0.000"));
  EXPECT_TRUE(timeLine()->marks().isEmpty());
  EXPECT_TRUE(receivedCalls(page()).contains(QStringLiteral("clearRoute()")));
}
