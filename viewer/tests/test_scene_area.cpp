// The video area: wheel zoom of the main surface, the layouts for one to
// three channels, the scene swap with its captions and sizes, and (under
// Xvfb) the native video windows surviving the swap, with a screenshot of
// the area and the control bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <QVBoxLayout>
#include <QWindow>

#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/PlayControlView.h"
#include "playback/PlayScreenWindow.h"
#include "playback/SceneArea.h"
#include "playback/SubPlayerWindow.h"
#include "playback/SubSceneBackWidget.h"
#include "playback/VideoSurface.h"

namespace {

// Delivered as the window system delivers it, so an ignored wheel travels
// up to the parents.
void wheel(QWidget *w, QPoint at, int delta) {
  QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QSpontaneKeyEvent::setSpontaneous(&e);
  qApp->notify(w, &e);
}

void press(QWidget *w, QPoint at) {
  QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

struct Resize {
  int id;
  QSize size;
  bool operator==(const Resize &o) const { return id == o.id && size == o.size; }
};

std::ostream &operator<<(std::ostream &os, const Resize &r) {
  return os << r.id << ":" << r.size.width() << "x" << r.size.height();
}

class ResizeLog : public QObject {
 public:
  template <typename Sender>
  explicit ResizeLog(Sender *sender) {
    connect(sender, &Sender::sendVideoResize, this, [this](int id, QSize size) {
      all.push_back({id, size});
    });
  }
  std::vector<Resize> all;
};

class Zoom : public testing::Test {
 protected:
  void SetUp() override {
    window_.resize(400, 300);
    scene_ = new VideoSurface(0);
    window_.setSceneWidget(scene_);
    window_.show();
  }
  PlayScreenWindow window_;
  VideoSurface *scene_ = nullptr;
};

class Scenes : public testing::Test {
 protected:
  void SetUp() override {
    ViewerState::instance().appDir = QStringLiteral(VIEWER_BUILD_DIR);
    auto *column = new QVBoxLayout(&top_);
    column->setContentsMargins(0, 0, 0, 0);
    area_ = new SceneArea(&top_);
    column->addWidget(area_);
    top_.resize(1000, 600);
    top_.show();
    QApplication::processEvents();
  }
  SceneArea &area() { return *area_; }
  QString captionText(int slot) { return area().caption(slot)->text(); }
  QGridLayout *grid() { return qobject_cast<QGridLayout *>(area().layout()); }
  QWidget top_;
  SceneArea *area_ = nullptr;
};

bool onX11() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

TEST_F(Zoom, WheelNeedsZoomEnabled) {
  ResizeLog log(&window_);
  wheel(&window_, QPoint(100, 50), 120);
  EXPECT_EQ(window_.zoomLevel(), 3);
  EXPECT_EQ(scene_->geometry(), QRect(0, 0, 400, 300));
  EXPECT_TRUE(log.all.empty());
}

TEST_F(Zoom, LevelsThreeToFiveWithTheirGeometries) {
  window_.onSetId(1);
  window_.onSetZoom();
  ResizeLog log(&window_);
  // From the video widget, as the real wheel arrives: it passes up to the window.
  wheel(scene_, QPoint(100, 50), 120);
  EXPECT_EQ(window_.zoomLevel(), 4);
  EXPECT_EQ(scene_->geometry(), QRect(-100, -50, 800, 600));
  wheel(&window_, QPoint(100, 50), 120);
  EXPECT_EQ(window_.zoomLevel(), 5);
  EXPECT_EQ(scene_->geometry(), QRect(-300, -150, 1600, 1200));
  // Two steps up reach four times the size; a third does nothing.
  wheel(&window_, QPoint(200, 200), 120);
  EXPECT_EQ(window_.zoomLevel(), 5);
  EXPECT_EQ(scene_->geometry(), QRect(-300, -150, 1600, 1200));
  EXPECT_EQ(log.all, (std::vector<Resize>{{1, {800, 600}}, {1, {1600, 1200}}}));

  wheel(&window_, QPoint(10, 20), -120);
  EXPECT_EQ(scene_->geometry(), QRect(-10, -20, 800, 600));
  wheel(&window_, QPoint(10, 20), -120);
  EXPECT_EQ(window_.zoomLevel(), 3);
  EXPECT_EQ(scene_->geometry(), QRect(0, 0, 400, 300));
  wheel(&window_, QPoint(10, 20), -120);
  EXPECT_EQ(window_.zoomLevel(), 3);
  EXPECT_EQ(log.all.size(), 4u);
  EXPECT_EQ(log.all.back(), (Resize{1, {400, 300}}));
}

TEST_F(Zoom, SmallWheelPiecesAddUpToOneStep) {
  window_.onSetZoom();
  wheel(&window_, QPoint(0, 0), 60);
  EXPECT_EQ(window_.zoomLevel(), 3);
  wheel(&window_, QPoint(0, 0), 60);
  EXPECT_EQ(window_.zoomLevel(), 4);
  // Two notches in one event are two steps.
  wheel(&window_, QPoint(0, 0), -240);
  EXPECT_EQ(window_.zoomLevel(), 3);
}

TEST_F(Zoom, ResetLogsDisablesAndStretches) {
  QTemporaryDir dir;
  const QString logPath = dir.filePath(QStringLiteral("playerStatus.txt"));
  StatusLog::setPath(logPath);
  window_.onSetZoom();
  wheel(&window_, QPoint(40, 30), 120);
  ResizeLog log(&window_);
  window_.onResetZoom();
  StatusLog::setPath(QString());
  EXPECT_FALSE(window_.isZoomEnabled());
  EXPECT_EQ(window_.zoomLevel(), 3);
  EXPECT_EQ(scene_->geometry(), QRect(0, 0, 400, 300));
  EXPECT_EQ(log.all, (std::vector<Resize>{{0, {400, 300}}}));
  QFile f(logPath);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(
      f.readAll().contains("[PlayScreenWindow::onResetZoom] window: 400x300 / scene: 800x600"));
  wheel(&window_, QPoint(40, 30), 120);
  EXPECT_EQ(window_.zoomLevel(), 3);
}

TEST_F(Zoom, NewWindowSizeShowsTheWholePicture) {
  window_.onSetZoom();
  wheel(&window_, QPoint(40, 30), 120);
  ResizeLog log(&window_);
  window_.resize(640, 360);
  EXPECT_EQ(window_.zoomLevel(), 3);
  EXPECT_EQ(scene_->geometry(), QRect(0, 0, 640, 360));
  EXPECT_EQ(log.all.back(), (Resize{0, {640, 360}}));
  EXPECT_TRUE(window_.isZoomEnabled());
}

TEST_F(Zoom, SceneSizeStopsAtTheLargestPicture) {
  window_.resize(2400, 1200);
  window_.onSetZoom();
  wheel(&window_, QPoint(0, 0), 240);
  EXPECT_EQ(scene_->size(), QSize(VideoSurface::kMaxWidth, VideoSurface::kMaxHeight));
}

TEST_F(Scenes, VideoWidgetsAreTheOnlyNativeWindows) {
  for (int c = 0; c < 3; ++c) {
    VideoSurface *v = area().videoWidget(c);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->channel(), c);
    EXPECT_TRUE(v->testAttribute(Qt::WA_NativeWindow));
    EXPECT_NE(v->internalWinId(), 0u);
  }
  EXPECT_EQ(area().videoWidget(3), nullptr);
  EXPECT_NE(area().playScreen()->internalWinId(), 0u);
  for (QWidget *alien :
       {static_cast<QWidget *>(&area()), area().mainPanel(),
        static_cast<QWidget *>(area().subBack(1)), static_cast<QWidget *>(area().subWindow(1)),
        static_cast<QWidget *>(area().caption(0))})
    EXPECT_EQ(alien->internalWinId(), 0u) << alien->objectName().toStdString();
}

TEST_F(Scenes, DefaultArrangementAndCaptions) {
  EXPECT_EQ(area().videoWidget(0)->parentWidget(), area().playScreen());
  EXPECT_EQ(area().videoWidget(1)->parentWidget(), area().subWindow(1));
  EXPECT_EQ(area().videoWidget(2)->parentWidget(), area().subWindow(2));
  EXPECT_EQ(area().playScreen()->id(), 0);
  EXPECT_EQ(area().subWindow(1)->id(), 1);
  EXPECT_EQ(area().subWindow(2)->id(), 2);
  EXPECT_EQ(captionText(0), QStringLiteral("Front"));
  EXPECT_EQ(captionText(1), QStringLiteral("CAM 1"));
  EXPECT_EQ(captionText(2), QStringLiteral("CAM 2"));
  EXPECT_EQ(area().mainPanel()->toolTip(), QStringLiteral("Front Scene"));
  EXPECT_EQ(area().subBack(1)->toolTip(), QStringLiteral("Rear Scene1"));
  EXPECT_EQ(area().subBack(2)->toolTip(), QStringLiteral("Rear Scene2"));
  EXPECT_EQ(area().videoWidget(1)->geometry(), area().subWindow(1)->rect());
  EXPECT_EQ(area().videoWidget(0)->geometry(), area().playScreen()->rect());
}

TEST_F(Scenes, ThreeChannelsShareTheWidthFourToSix) {
  area().setChannelCount(3);
  QApplication::processEvents();
  EXPECT_EQ(grid()->columnStretch(0), 4);
  EXPECT_EQ(grid()->columnStretch(1), 6);
  EXPECT_TRUE(area().subBack(1)->isVisible());
  EXPECT_TRUE(area().subBack(2)->isVisible());
  EXPECT_TRUE(area().subWindow(2)->isVisible());
  const double ratio = double(area().mainPanel()->width()) / double(area().subBack(1)->width());
  EXPECT_NEAR(ratio, 4.0 / 6.0, 0.02);
  EXPECT_EQ(area().subBack(1)->x(), area().subBack(2)->x());
  EXPECT_LT(area().subBack(1)->y(), area().subBack(2)->y());
}

TEST_F(Scenes, OneChannelHidesTheSubColumn) {
  area().setChannelCount(1);
  QApplication::processEvents();
  EXPECT_FALSE(area().subBack(1)->isVisible());
  EXPECT_FALSE(area().subBack(2)->isVisible());
  EXPECT_EQ(area().mainPanel()->width(), area().width());
  EXPECT_EQ(area().videoWidget(0)->width(), area().width());
  area().setChannelCount(3);
  QApplication::processEvents();
  EXPECT_TRUE(area().subBack(2)->isVisible());
  EXPECT_LT(area().mainPanel()->width(), area().width() / 2);
}

TEST_F(Scenes, TwoChannelsLeaveTheSecondSlotEmpty) {
  area().setChannelCount(2);
  QApplication::processEvents();
  EXPECT_TRUE(area().subWindow(1)->isVisible());
  EXPECT_TRUE(area().subBack(2)->isVisible());
  EXPECT_FALSE(area().subWindow(2)->isVisible());
  EXPECT_FALSE(area().caption(2)->isVisible());
  EXPECT_EQ(area().subBack(1)->height(), area().subBack(2)->height());
}

TEST_F(Scenes, SwapExchangesChannelsWidgetsCaptionsAndSizes) {
  area().setChannelCount(3);
  QApplication::processEvents();
  const WId ids[3] = {area().videoWidget(0)->winId(), area().videoWidget(1)->winId(),
                      area().videoWidget(2)->winId()};
  area().playScreen()->onSetZoom();
  wheel(area().playScreen(), QPoint(50, 50), 240);  // zoomed when the swap comes
  ResizeLog sizes(&area());
  QStringList order;
  QObject::connect(&area(), &SceneArea::sceneChanged, &area(),
                   [&](int c) { order << QStringLiteral("main %1").arg(c); });

  area().onChangeSceneView(2);
  PlayScreenWindow *main = area().playScreen();
  SubPlayerWindow *sub2 = area().subWindow(2);
  EXPECT_EQ(main->id(), 2);
  EXPECT_EQ(sub2->id(), 0);
  EXPECT_EQ(area().subWindow(1)->id(), 1);
  EXPECT_EQ(main->sceneWidget(), area().videoWidget(2));
  EXPECT_EQ(sub2->videoWidget(), area().videoWidget(0));
  EXPECT_EQ(area().videoWidget(2)->parentWidget(), main);
  EXPECT_EQ(area().videoWidget(0)->parentWidget(), sub2);
  EXPECT_EQ(area().videoWidget(2)->geometry(), main->rect());
  EXPECT_EQ(area().videoWidget(0)->geometry(), sub2->rect());
  EXPECT_TRUE(area().videoWidget(0)->isVisible());
  EXPECT_TRUE(area().videoWidget(2)->isVisible());
  EXPECT_EQ(main->zoomLevel(), 3);
  EXPECT_TRUE(main->isZoomEnabled());
  EXPECT_EQ(captionText(0), QStringLiteral("CAM 2"));
  EXPECT_EQ(captionText(2), QStringLiteral("Front"));
  EXPECT_EQ(captionText(1), QStringLiteral("CAM 1"));
  EXPECT_EQ(area().mainPanel()->toolTip(), QStringLiteral("Rear Scene2"));
  EXPECT_EQ(area().subBack(2)->toolTip(), QStringLiteral("Front Scene"));
  EXPECT_EQ(order, (QStringList{"main 2"}));
  ASSERT_GE(sizes.all.size(), 2u);
  const std::vector<Resize> last(sizes.all.end() - 2, sizes.all.end());
  EXPECT_EQ(last, (std::vector<Resize>{{2, main->size()}, {0, sub2->size()}}));
  EXPECT_EQ(area().mainChannel(), 2);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(area().videoWidget(c)->winId(), ids[c]);

  // A press on the slot, here on its video widget, swaps back.
  press(area().videoWidget(0), QPoint(5, 5));
  EXPECT_EQ(main->id(), 0);
  EXPECT_EQ(sub2->id(), 2);
  EXPECT_EQ(area().videoWidget(0)->parentWidget(), main);
  EXPECT_EQ(area().videoWidget(2)->parentWidget(), sub2);
  EXPECT_EQ(captionText(0), QStringLiteral("Front"));
  EXPECT_EQ(captionText(2), QStringLiteral("CAM 2"));
}

TEST_F(Scenes, SwapKeepsAHiddenVideoHidden) {
  area().videoWidget(1)->hide();
  area().onChangeSceneView(1);
  EXPECT_EQ(area().videoWidget(1)->parentWidget(), area().playScreen());
  EXPECT_TRUE(area().videoWidget(1)->isHidden());
  EXPECT_TRUE(area().videoWidget(0)->isVisible());
}

TEST_F(Scenes, SwapsThatCannotHappenDoNothing) {
  QSignalSpy changed(&area(), &SceneArea::sceneChanged);
  area().setChannelCount(2);
  area().onChangeSceneView(2);  // the empty slot
  area().onChangeSceneView(0);
  area().onChangeSceneView(3);
  press(area().subBack(2), QPoint(3, 3));
  area().setChannelCount(1);
  area().onChangeSceneView(1);
  area().setChannelCount(3);
  area().onBlockEvent(true);
  press(area().subBack(1), QPoint(3, 3));
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(area().playScreen()->id(), 0);
  area().onBlockEvent(false);
  press(area().subBack(1), QPoint(3, 3));
  EXPECT_EQ(area().playScreen()->id(), 1);
}

TEST_F(Scenes, FewerChannelsBringBackAHiddenChannel) {
  area().setChannelCount(3);
  area().onChangeSceneView(1);
  area().setChannelCount(2);  // channels 0 and 1 are both still on show
  EXPECT_EQ(area().playScreen()->id(), 1);
  area().setChannelCount(3);
  area().onChangeSceneView(2);  // main shows 2 now, slot 2 shows 1
  QSignalSpy changed(&area(), &SceneArea::sceneChanged);
  area().setChannelCount(2);
  EXPECT_EQ(area().playScreen()->id(), 0);
  EXPECT_EQ(area().subWindow(1)->id(), 1);
  EXPECT_EQ(area().videoWidget(0)->parentWidget(), area().playScreen());
  EXPECT_EQ(captionText(0), QStringLiteral("Front"));
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.first().first().toInt(), 0);
}

TEST_F(Scenes, TransparentSubWindowShowsTheSlotBack) {
  area().videoWidget(1)->hide();
  QApplication::processEvents();
  const QImage shot = area().subBack(1)->grab().toImage();
  const QPoint inside = area().subWindow(1)->geometry().center();
  EXPECT_TRUE(area().subWindow(1)->isTransparent());
  EXPECT_EQ(shot.pixelColor(inside).rgb() & 0xffffff, SubSceneBackWidget::kBackground);

  SubPlayerWindow opaque;
  opaque.resize(40, 30);
  EXPECT_FALSE(opaque.isTransparent());
  EXPECT_EQ(opaque.grab().toImage().pixelColor(20, 15), QColor(Qt::black));
}

// Under Xvfb: the X windows libvlc draws into survive the swap.
TEST(ScenesOnX11, SwapMovesTheNativeWindowsThemselves) {
  if (!onX11()) GTEST_SKIP() << "runs under Xvfb (QT_QPA_PLATFORM=xcb)";
  ViewerState::instance().appDir = QStringLiteral(VIEWER_BUILD_DIR);
  SceneArea area;
  area.resize(900, 500);
  area.setChannelCount(3);
  const QColor colours[3] = {QColor(0x2f6690), QColor(0x9a6b2f), QColor(0x3a7d44)};
  for (int c = 0; c < 3; ++c) area.videoWidget(c)->setFill(colours[c]);
  area.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
  const WId before[3] = {area.videoWidget(0)->winId(), area.videoWidget(1)->winId(),
                         area.videoWidget(2)->winId()};

  area.onChangeSceneView(2);
  QTest::qWait(200);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(area.videoWidget(c)->winId(), before[c]);
  // The X server agrees: channel 2's window is now a child of the main
  // surface's window, channel 0's of the top-level window.
  auto children = [](WId parent) {
    QProcess p;
    p.start(QStringLiteral("xwininfo"),
            {QStringLiteral("-children"), QStringLiteral("-id"), QString::number(parent)});
    p.waitForFinished(5000);
    return QString::fromLatin1(p.readAllStandardOutput());
  };
  const QString hex2 = QStringLiteral("0x%1 ").arg(before[2], 0, 16);
  const QString hex0 = QStringLiteral("0x%1 ").arg(before[0], 0, 16);
  EXPECT_TRUE(children(area.playScreen()->winId()).contains(hex2));
  EXPECT_FALSE(children(area.playScreen()->winId()).contains(hex0));
  EXPECT_TRUE(children(area.winId()).contains(hex0));
  EXPECT_EQ(area.videoWidget(2)->windowHandle()->parent(), area.playScreen()->windowHandle());
  EXPECT_TRUE(area.videoWidget(0)->windowHandle()->isVisible());

  // And on screen: the main surface shows channel 2's picture, slot 2 channel 0's.
  const QImage screen = area.screen()->grabWindow(area.winId()).toImage();
  const QPoint mainCentre = area.playScreen()->mapTo(&area, area.playScreen()->rect().center());
  const QPoint slotCentre = area.subWindow(2)->mapTo(&area, area.subWindow(2)->rect().center());
  EXPECT_EQ(screen.pixelColor(mainCentre), colours[2]);
  EXPECT_EQ(screen.pixelColor(slotCentre), colours[0]);
}

TEST(ScenesOnX11, Screenshot) {
  if (!onX11()) GTEST_SKIP() << "runs under Xvfb (QT_QPA_PLATFORM=xcb)";
  ViewerState &s = ViewerState::instance();
  s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
  CurrentRecording r;
  r.fileName = QStringLiteral("20230101_120000_INF_1.mp4");
  s.setCurrentRecording(r);
  s.setPlayState(PlayState::Playing);
  s.totalRangeMs = 3723000;
  s.currentTimeMs = 1234000;
  AppSettings::store().setValue(QStringLiteral("volume"), 60);
  AppSettings::store().setValue(QStringLiteral("mute"), false);

  QWidget top;
  top.setObjectName(QStringLiteral("top"));
  top.setStyleSheet(QStringLiteral("#top { background-color: #1b1c1e; }"));
  top.setAttribute(Qt::WA_StyledBackground, true);
  auto *column = new QVBoxLayout(&top);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto *area = new SceneArea(&top);
  auto *bar = new PlayControlView(&top);
  column->addWidget(area, 1);
  column->addWidget(bar);
  area->setChannelCount(3);
  const QColor colours[3] = {QColor(0x2f6690), QColor(0x9a6b2f), QColor(0x3a7d44)};
  for (int c = 0; c < 3; ++c) area->videoWidget(c)->setFill(colours[c]);
  bar->onSetPlayData();
  bar->onChangedSpeed(3);
  top.resize(1100, 640);
  top.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
  QTest::qWait(300);

  const QString folder = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(folder);
  const QString path = folder + QStringLiteral("/playback-controls.png");
  const QImage shot = top.screen()->grabWindow(top.winId()).toImage();
  ASSERT_TRUE(shot.save(path));
  EXPECT_EQ(shot.size(), QSize(1100, 640));
  const QPoint barPoint = bar->mapTo(&top, QPoint(4, bar->height() - 4));
  EXPECT_EQ(shot.pixelColor(barPoint), QColor(0x1b1c1e));
  std::cout << "screenshot: " << path.toStdString() << std::endl;

  // The same after a click on the lower rear slot.
  area->onChangeSceneView(2);
  QTest::qWait(300);
  const QImage swapped = top.screen()->grabWindow(top.winId()).toImage();
  ASSERT_TRUE(swapped.save(folder + QStringLiteral("/playback-controls-swapped.png")));
  const QPoint mainCentre = area->playScreen()->mapTo(&top, area->playScreen()->rect().center());
  EXPECT_EQ(swapped.pixelColor(mainCentre), colours[2]);
  s.setPlayState(PlayState::Idle);
  s.clearCurrentRecording();
}
