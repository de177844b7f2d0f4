// The playback control bar: time texts, the play button and step unit per
// play state, the speed buttons, the time line, clearing, blocking, volume
// and mute from the program settings, and the status-log lines.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/PlayControlView.h"
#include "widgets/MelPlayButton.h"
#include "widgets/MelPlaySlider.h"
#include "widgets/MelVolumeProgressBar.h"

namespace {

// Keeps a run outside ctest away from the user's own settings.
const bool kPrivateSettings = [] {
  if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
  }
  return true;
}();

// Every signal of the bar, in the order they came.
class SignalLog : public QObject {
 public:
  explicit SignalLog(PlayControlView *bar) {
    auto add = [this](const char *name) { return [this, name] { names.append(name); }; };
    connect(bar, &PlayControlView::onSendPlay, this, add("play"));
    connect(bar, &PlayControlView::onClickedPause, this, add("pause"));
    connect(bar, &PlayControlView::onClickedStop, this,
            [this](bool click) { names.append(click ? "stop(click)" : "stop"); });
    connect(bar, &PlayControlView::onCallNextFile, this, add("next"));
    connect(bar, &PlayControlView::onChangePlayFile, this, add("previous"));
    connect(bar, &PlayControlView::onClicked5sMove, this,
            [this](bool f) { names.append(f ? "5s+" : "5s-"); });
    connect(bar, &PlayControlView::onClickMoveFrame, this,
            [this](bool f) { names.append(f ? "frame+" : "frame-"); });
    connect(bar, &PlayControlView::onClickedMute, this,
            [this](bool m) { names.append(m ? "mute" : "unmute"); });
    connect(bar, &PlayControlView::onClickedFlip, this,
            [this](int c) { names.append(QStringLiteral("flip%1").arg(c)); });
    connect(bar, &PlayControlView::onClickedMapEnable, this,
            [this](bool on) { names.append(on ? "map on" : "map off"); });
    connect(bar, &PlayControlView::onClickedDelete, this, add("delete"));
    connect(bar, &PlayControlView::onChangePlayPosition, this,
            [this](int v) { names.append(QStringLiteral("position %1").arg(v)); });
    connect(bar, &PlayControlView::onSendChangeSpeed, this,
            [this](int v) { names.append(QStringLiteral("speed %1").arg(v)); });
    connect(bar, &PlayControlView::onSendVolumeChange, this,
            [this](int v) { names.append(QStringLiteral("volume %1").arg(v)); });
    connect(bar, &PlayControlView::onSendLoadChart, this, add("load chart"));
    connect(bar, &PlayControlView::onSendUpdateChart, this, add("update chart"));
    connect(bar, &PlayControlView::onSendClear, this, add("clear"));
    connect(bar, &PlayControlView::onSendRefreshImage, this, add("capture"));
    connect(bar, &PlayControlView::onSendStop, this, add("stopped"));
    connect(bar, &PlayControlView::onSendStopTimer, this, add("stop timer"));
    connect(bar, &PlayControlView::onSendRestartTimer, this, add("restart timer"));
    connect(bar, &PlayControlView::onSendLogoSet, this,
            [this](bool on) { names.append(on ? "logo on" : "logo off"); });
    connect(bar, &PlayControlView::onSendOpenFile, this, add("open file"));
  }
  QStringList names;
};

class ControlBar : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.setPlayState(PlayState::Idle);
    CurrentRecording r;
    r.fileName = QStringLiteral("20230101_120000_INF_1.mp4");
    s.setCurrentRecording(r);
    s.totalRangeMs = 0;
    s.currentTimeMs = 0;
    s.gpsSamples.clear();
    QSettings &st = AppSettings::store();
    st.remove(QStringLiteral("volume"));
    st.remove(QStringLiteral("mute"));
    logPath_ = dir_.filePath(QStringLiteral("playerStatus.txt"));
    StatusLog::setPath(logPath_);
  }
  void TearDown() override {
    StatusLog::setPath(QString());
    ViewerState::instance().setPlayState(PlayState::Idle);
    ViewerState::instance().clearCurrentRecording();
  }

  // A bar made after the settings and state of the test are in place.
  PlayControlView &bar() {
    if (!bar_) {
      bar_.reset(new PlayControlView);
      bar_->resize(1100, 88);
      bar_->show();
      signals_.reset(new SignalLog(bar_.get()));
    }
    return *bar_;
  }
  QStringList &emitted() {
    bar();
    return signals_->names;
  }
  template <typename W = MelPlayButton>
  W *child(const char *name) {
    W *w = bar().findChild<W *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString text(const char *label) { return child<QLabel>(label)->text(); }
  void setState(PlayState state) { ViewerState::instance().setPlayState(state); }
  QStringList logLines() {
    QFile f(logPath_);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QByteArray &line : f.readAll().split('\n'))
      if (!line.isEmpty()) out.append(QString::fromUtf8(line).section(QStringLiteral("] "), 1, -1));
    return out;
  }
  bool speedsEnabled(bool enabled) {
    for (int i = 1; i <= 4; ++i) {
      const QByteArray name = "bSpeed" + QByteArray::number(i);
      if (child(name.constData())->isEnabled() != enabled) return false;
    }
    return true;
  }
  int checkedSpeed() {
    int checked = 0;
    for (int i = 1; i <= 4; ++i) {
      const QByteArray name = "bSpeed" + QByteArray::number(i);
      if (child(name.constData())->isChecked()) checked = checked ? -1 : i;
    }
    return checked;
  }
  static void send(QWidget *w, QEvent::Type type, int x, Qt::MouseButtons held) {
    const QPoint at(x, w->height() / 2);
    QMouseEvent e(type, at, w->mapToGlobal(at),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  static void drag(QWidget *w, int fromX, int toX) {
    send(w, QEvent::MouseButtonPress, fromX, Qt::LeftButton);
    send(w, QEvent::MouseMove, (fromX + toX) / 2, Qt::LeftButton);
    send(w, QEvent::MouseMove, toX, Qt::LeftButton);
    send(w, QEvent::MouseButtonRelease, toX, Qt::NoButton);
  }

  QTemporaryDir dir_;
  QString logPath_;
  std::unique_ptr<PlayControlView> bar_;
  std::unique_ptr<SignalLog> signals_;
};

}  // namespace

TEST(ControlBarTime, MinutesAndSecondsWithoutHours) {
  EXPECT_EQ(PlayControlView::timeText(0), QStringLiteral("00:00"));
  EXPECT_EQ(PlayControlView::timeText(999.9), QStringLiteral("00:00"));
  EXPECT_EQ(PlayControlView::timeText(1000), QStringLiteral("00:01"));
  EXPECT_EQ(PlayControlView::timeText(59999), QStringLiteral("00:59"));
  EXPECT_EQ(PlayControlView::timeText(60000), QStringLiteral("01:00"));
  EXPECT_EQ(PlayControlView::timeText(3599999), QStringLiteral("59:59"));
  EXPECT_EQ(PlayControlView::timeText(3600000), QStringLiteral("00:00"));
  EXPECT_EQ(PlayControlView::timeText((3600 + 2 * 60 + 3) * 1000.0), QStringLiteral("02:03"));
  EXPECT_EQ(PlayControlView::timeText(-2500), QStringLiteral("00:00"));
}

TEST_F(ControlBar, EveryControlIsThemedAndShown) {
  for (const char *name :
       {"bPlay", "bStop", "bReward", "bForward", "b5sReward", "b5sForward", "bUnit", "bDelete",
        "bCapture", "bFlip", "bSound", "bSpeed1", "bSpeed2", "bSpeed3", "bSpeed4"})
    EXPECT_TRUE(child(name)->isVisible()) << name;
  EXPECT_TRUE(child<MelPlaySlider>("sTimeLine")->isVisible());
  EXPECT_TRUE(child<MelVolumeProgressBar>("pVolume")->isVisible());
  EXPECT_TRUE(child<QLabel>("playTime")->isVisible());
  EXPECT_EQ(child("bPlay")->size(), QSize(36, 36));
  EXPECT_EQ(bar().height(), 88);
  EXPECT_EQ(child("bUnit")->text(), QStringLiteral("Sec"));
  EXPECT_EQ(text("playTime"), QStringLiteral("00:00"));
  EXPECT_EQ(text("totalTime"), QStringLiteral("00:00"));
}

TEST_F(ControlBar, PlayButtonFollowsThePlayState) {
  MelPlayButton *play = child("bPlay");
  EXPECT_EQ(play->image(), QStringLiteral("play"));

  QTest::mouseClick(play, Qt::LeftButton);  // idle
  EXPECT_EQ(emitted(), QStringList{"play"});
  EXPECT_EQ(play->image(), QStringLiteral("pause"));

  setState(PlayState::Playing);
  emitted().clear();
  QTest::mouseClick(play, Qt::LeftButton);
  EXPECT_EQ(emitted(), QStringList{"pause"});
  EXPECT_EQ(play->image(), QStringLiteral("play"));

  setState(PlayState::Paused);
  emitted().clear();
  bar().onClick_bPlay();
  EXPECT_EQ(emitted(), QStringList{"play"});

  setState(PlayState::Stopped);
  emitted().clear();
  bar().onClick_bPlay();
  QTest::mouseClick(play, Qt::LeftButton);
  EXPECT_TRUE(emitted().isEmpty());
  EXPECT_EQ(play->image(), QStringLiteral("play"));

  EXPECT_EQ(logLines().filter(QStringLiteral("[PlayControlView]:")),
            (QStringList{"[PlayControlView]: Play button is clicked.",
                         "[PlayControlView]: Pause button is clicked.",
                         "[PlayControlView]: Play button is clicked."}));
}

TEST_F(ControlBar, PlayWithNothingChosenAsksTheListToOpenOne) {
  ViewerState::instance().clearCurrentRecording();
  bar().onClick_bPlay();
  EXPECT_EQ(emitted(), QStringList{"open file"});
  EXPECT_EQ(child("bPlay")->image(), QStringLiteral("play"));
}

TEST_F(ControlBar, UnitTogglesAndPausesAPlayingFileFirst) {
  setState(PlayState::Playing);
  MelPlayButton *unit = child("bUnit");
  QTest::mouseClick(unit, Qt::LeftButton);
  EXPECT_EQ(emitted(), QStringList{"pause"});
  EXPECT_TRUE(bar().isFrameUnit());
  EXPECT_EQ(unit->text(), QStringLiteral("Frm"));
  EXPECT_EQ(child("b5sReward")->image(), QStringLiteral("framestep-back"));
  EXPECT_EQ(child("b5sForward")->image(), QStringLiteral("framestep-fwd"));

  setState(PlayState::Paused);
  emitted().clear();
  QTest::mouseClick(child("b5sReward"), Qt::LeftButton);
  QTest::mouseClick(child("b5sForward"), Qt::LeftButton);
  EXPECT_EQ(emitted(), (QStringList{"stop timer", "frame-", "stop timer", "frame+"}));

  bar().onClick_bUnit();  // paused: no second pause
  EXPECT_FALSE(bar().isFrameUnit());
  EXPECT_EQ(unit->text(), QStringLiteral("Sec"));
  EXPECT_EQ(child("b5sReward")->image(), QStringLiteral("back5"));
  emitted().clear();
  bar().onClick_b5sReward();
  bar().onClick_b5sForward();
  EXPECT_EQ(emitted(), (QStringList{"stop timer", "5s-", "stop timer", "5s+"}));

  EXPECT_EQ(logLines().filter(QStringLiteral("go to ")),
            (QStringList{"go to previous frame!", "go to next frame!", "go to 5s previous time!",
                         "go to 5s next time!"}));
}

TEST_F(ControlBar, PlayingAgainReturnsToSeconds) {
  setState(PlayState::Paused);
  bar().onClick_bUnit();
  ASSERT_TRUE(bar().isFrameUnit());
  bar().onClick_bPlay();
  EXPECT_FALSE(bar().isFrameUnit());
  EXPECT_EQ(child("bUnit")->text(), QStringLiteral("Sec"));
  EXPECT_EQ(emitted(), QStringList{"play"});
}

TEST_F(ControlBar, StepButtonsIgnoredWhenStopped) {
  setState(PlayState::Stopped);
  bar().onClick_b5sForward();
  bar().onClick_bUnit();
  bar().onClick_b5sReward();
  EXPECT_TRUE(emitted().isEmpty());
}

TEST_F(ControlBar, SpeedButtonsOnlyWhilePlaying) {
  EXPECT_TRUE(speedsEnabled(false));
  EXPECT_EQ(checkedSpeed(), 2);
  bar().onChangedSpeed(4);
  EXPECT_TRUE(emitted().isEmpty());
  EXPECT_EQ(bar().speedLevel(), 2);

  setState(PlayState::Playing);
  EXPECT_TRUE(speedsEnabled(true));
  QTest::mouseClick(child("bSpeed4"), Qt::LeftButton);
  EXPECT_EQ(emitted(), QStringList{"speed 4"});
  EXPECT_EQ(checkedSpeed(), 4);

  // The chosen level again changes nothing and stays checked.
  QTest::mouseClick(child("bSpeed4"), Qt::LeftButton);
  bar().onChangedSpeed(4);
  bar().onChangedSpeed(0);
  bar().onChangedSpeed(5);
  EXPECT_EQ(emitted(), QStringList{"speed 4"});
  EXPECT_EQ(checkedSpeed(), 4);

  QTest::mouseClick(child("bSpeed1"), Qt::LeftButton);
  EXPECT_EQ(emitted(), (QStringList{"speed 4", "speed 1"}));
  EXPECT_EQ(checkedSpeed(), 1);

  // Pausing keeps the level but locks the buttons; resuming keeps it.
  setState(PlayState::Paused);
  EXPECT_TRUE(speedsEnabled(false));
  setState(PlayState::Playing);
  EXPECT_EQ(checkedSpeed(), 1);

  // A file started from idle runs at 1x.
  setState(PlayState::Idle);
  setState(PlayState::Playing);
  EXPECT_EQ(checkedSpeed(), 2);
  EXPECT_EQ(bar().speedLevel(), 2);
}

TEST_F(ControlBar, TimeLineFollowsTheClockAndReportsDrags) {
  ViewerState &s = ViewerState::instance();
  s.totalRangeMs = 60000;
  s.currentTimeMs = 1500;
  setState(PlayState::Playing);
  bar().onloadTotalTime();
  auto *slider = child<MelPlaySlider>("sTimeLine");
  EXPECT_EQ(slider->maximum(), 60000);
  EXPECT_EQ(slider->value(), 1500);
  EXPECT_EQ(text("totalTime"), QStringLiteral("01:00"));
  EXPECT_EQ(text("playTime"), QStringLiteral("00:01"));

  s.currentTimeMs = 30250;
  bar().onUpdateSlider();
  EXPECT_EQ(slider->value(), 30250);
  EXPECT_EQ(text("playTime"), QStringLiteral("00:30"));
  EXPECT_EQ(emitted(), QStringList{"update chart"});

  // Past the end the handle stays where it was.
  s.currentTimeMs = 60001;
  bar().onUpdateSlider();
  EXPECT_EQ(slider->value(), 30250);

  emitted().clear();
  const int from = slider->width() / 4;
  const int to = slider->width() * 3 / 4;
  drag(slider, from, to);
  const int expected = slider->valueAt(to);
  EXPECT_GT(expected, 40000);
  EXPECT_LT(expected, 50000);
  ASSERT_GE(emitted().size(), 3);
  EXPECT_EQ(emitted().first(), QStringLiteral("stop timer"));
  EXPECT_EQ(emitted().last(), QStringLiteral("restart timer"));
  EXPECT_EQ(emitted().at(emitted().size() - 2), QStringLiteral("position %1").arg(expected));
  EXPECT_EQ(emitted().filter(QStringLiteral("position")).size(), 3);
  EXPECT_EQ(slider->value(), expected);
  EXPECT_EQ(text("playTime"), PlayControlView::timeText(expected));

  // Paused: the engine's timers stay off after the drag.
  setState(PlayState::Paused);
  emitted().clear();
  drag(slider, to, from);
  EXPECT_FALSE(emitted().contains(QStringLiteral("restart timer")));
  EXPECT_TRUE(emitted().contains(QStringLiteral("position %1").arg(slider->valueAt(from))));
}

TEST_F(ControlBar, TheClockDoesNotMoveAHeldHandle) {
  ViewerState &s = ViewerState::instance();
  s.totalRangeMs = 60000;
  setState(PlayState::Playing);
  bar().onloadTotalTime();
  auto *slider = child<MelPlaySlider>("sTimeLine");
  send(slider, QEvent::MouseButtonPress, slider->width() / 2, Qt::LeftButton);
  const int held = slider->value();
  s.currentTimeMs = 2000;
  bar().onUpdateSlider();
  EXPECT_EQ(slider->value(), held);
  send(slider, QEvent::MouseButtonRelease, slider->width() / 2, Qt::NoButton);
  bar().onUpdateSlider();
  EXPECT_EQ(slider->value(), 2000);
}

TEST_F(ControlBar, PlayDataLoadsTotalsMapAndChart) {
  ViewerState &s = ViewerState::instance();
  s.totalRangeMs = 3723000;
  s.gpsSamples.append(GpsSample{});
  bar().onSetPlayData();
  EXPECT_EQ(text("totalTime"), QStringLiteral("02:03"));
  EXPECT_EQ(child<MelPlaySlider>("sTimeLine")->maximum(), 3723000);
  EXPECT_EQ(emitted(), (QStringList{"load chart", "map on", "logo off"}));
  s.gpsSamples.clear();
}

TEST_F(ControlBar, ClearUiResetsEverything) {
  ViewerState &s = ViewerState::instance();
  s.totalRangeMs = 90000;
  s.currentTimeMs = 45000;
  setState(PlayState::Playing);
  bar().onloadTotalTime();
  bar().onChangedSpeed(3);
  bar().onClick_bUnit();  // pauses, frames
  setState(PlayState::Paused);
  bar().onSetPause();
  ASSERT_TRUE(bar().isFrameUnit());

  bar().onClearUi();
  EXPECT_FALSE(bar().isFrameUnit());
  EXPECT_EQ(child("bUnit")->text(), QStringLiteral("Sec"));
  EXPECT_EQ(child("bPlay")->image(), QStringLiteral("play"));
  EXPECT_EQ(checkedSpeed(), 2);
  EXPECT_EQ(bar().speedLevel(), 2);
  EXPECT_EQ(text("playTime"), QStringLiteral("00:00"));
  EXPECT_EQ(text("totalTime"), QStringLiteral("00:00"));
  EXPECT_EQ(child<MelPlaySlider>("sTimeLine")->value(), 0);
  // Nothing to seek in until the next file's data arrives.
  emitted().clear();
  drag(child<MelPlaySlider>("sTimeLine"), 10, 300);
  EXPECT_TRUE(emitted().filter(QStringLiteral("position")).isEmpty());
}

TEST_F(ControlBar, StopClearsTheBarAndTheViews) {
  bar().onClick_bStop();  // idle: nothing to stop
  EXPECT_TRUE(emitted().isEmpty());
  ViewerState::instance().totalRangeMs = 9000;
  setState(PlayState::Paused);
  bar().onloadTotalTime();
  bar().onClick_bStop();
  EXPECT_EQ(emitted(), (QStringList{"stop(click)", "map off", "logo on", "clear", "stopped"}));
  EXPECT_EQ(text("totalTime"), QStringLiteral("00:00"));
}

TEST_F(ControlBar, FileCaptureDeleteAndFlipButtons) {
  QTest::mouseClick(child("bReward"), Qt::LeftButton);
  QTest::mouseClick(child("bForward"), Qt::LeftButton);
  QTest::mouseClick(child("bCapture"), Qt::LeftButton);
  QTest::mouseClick(child("bDelete"), Qt::LeftButton);
  QTest::mouseClick(child("bFlip"), Qt::LeftButton);
  bar().setFlipChannel(2);
  QTest::mouseClick(child("bFlip"), Qt::LeftButton);
  EXPECT_EQ(emitted(), (QStringList{"previous", "next", "capture", "delete", "flip0", "flip2"}));

  setState(PlayState::Paused);
  bar().onClick_bUnit();
  emitted().clear();
  bar().onRecvPlayNextFile();
  EXPECT_EQ(emitted(), QStringList{"next"});
  EXPECT_FALSE(bar().isFrameUnit());
}

TEST_F(ControlBar, BlockedControlsIgnoreInput) {
  ViewerState::instance().totalRangeMs = 60000;
  setState(PlayState::Playing);
  bar().onloadTotalTime();
  bar().onBlockEvent(true);
  EXPECT_TRUE(bar().isBlocked());
  for (const char *name : {"bPlay", "bStop", "bReward", "bForward", "b5sReward", "b5sForward",
                           "bUnit", "bDelete", "bCapture", "bFlip", "bSound", "bSpeed3"})
    QTest::mouseClick(child(name), Qt::LeftButton);
  bar().onClick_bPlay();
  bar().onClick_b5sForward();
  bar().onChangedSpeed(3);
  auto *slider = child<MelPlaySlider>("sTimeLine");
  drag(slider, 10, slider->width() - 10);
  auto *volume = child<MelVolumeProgressBar>("pVolume");
  drag(volume, 1, volume->width() - 1);
  EXPECT_TRUE(emitted().isEmpty()) << emitted().join(", ").toStdString();
  EXPECT_EQ(slider->value(), 0);
  EXPECT_EQ(volume->value(), 50);
  EXPECT_EQ(checkedSpeed(), 2);
  EXPECT_FALSE(bar().isMuted());

  bar().onBlockEvent(false);
  QTest::mouseClick(child("bPlay"), Qt::LeftButton);
  EXPECT_EQ(emitted(), QStringList{"pause"});
}

TEST_F(ControlBar, VolumeAndMuteDefaults) {
  EXPECT_EQ(bar().volume(), PlayControlView::kDefaultVolume);
  EXPECT_FALSE(bar().isMuted());
  EXPECT_EQ(child("bSound")->image(), QStringLiteral("volume"));
}

TEST_F(ControlBar, VolumeAndMuteRestoredAndStored) {
  QSettings &st = AppSettings::store();
  st.setValue(QStringLiteral("volume"), 30);
  st.setValue(QStringLiteral("mute"), true);
  EXPECT_EQ(bar().volume(), 30);
  EXPECT_TRUE(bar().isMuted());
  EXPECT_EQ(child("bSound")->image(), QStringLiteral("mute"));
  EXPECT_TRUE(child<MelVolumeProgressBar>("pVolume")->mutedLook());

  QTest::mouseClick(child("bSound"), Qt::LeftButton);
  EXPECT_FALSE(bar().isMuted());
  EXPECT_EQ(st.value(QStringLiteral("mute")).toBool(), false);
  auto *volume = child<MelVolumeProgressBar>("pVolume");
  send(volume, QEvent::MouseButtonPress, volume->width() - 1, Qt::LeftButton);
  send(volume, QEvent::MouseButtonRelease, volume->width() - 1, Qt::NoButton);
  EXPECT_EQ(bar().volume(), 100);
  EXPECT_EQ(st.value(QStringLiteral("volume")).toInt(), 100);
  EXPECT_EQ(emitted(), (QStringList{"unmute", "volume 100"}));
  EXPECT_EQ(logLines().filter(QStringLiteral("mute")),
            QStringList{"[PlayControlView]: unset mute"});

  // Another part of the program changed the settings: refresh shows them.
  st.setValue(QStringLiteral("volume"), 250);
  st.setValue(QStringLiteral("mute"), true);
  bar().onRefreshVolume();
  EXPECT_EQ(bar().volume(), 100);
  EXPECT_TRUE(bar().isMuted());
  QTest::mouseClick(child("bSound"), Qt::LeftButton);
  QTest::mouseClick(child("bSound"), Qt::LeftButton);
  EXPECT_EQ(logLines().filter(QStringLiteral("mute")),
            (QStringList{"[PlayControlView]: unset mute", "[PlayControlView]: unset mute",
                         "[PlayControlView]: set mute"}));
}

TEST(VolumeBar, WheelAndPressesStayInRange) {
  MelVolumeProgressBar volume;
  volume.resize(101, 6);
  volume.setValue(50);
  QSignalSpy changed(&volume, &MelVolumeProgressBar::volumeChanged);
  QWheelEvent up(QPointF(5, 3), QPointF(5, 3), QPoint(), QPoint(0, 120), Qt::NoButton,
                 Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&volume, &up);
  EXPECT_EQ(volume.value(), 55);
  QWheelEvent half(QPointF(5, 3), QPointF(5, 3), QPoint(), QPoint(0, -60), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&volume, &half);
  EXPECT_EQ(volume.value(), 55);
  QApplication::sendEvent(&volume, &half);
  EXPECT_EQ(volume.value(), 50);
  EXPECT_EQ(volume.valueAt(0), 0);
  EXPECT_EQ(volume.valueAt(50), 50);
  EXPECT_EQ(volume.valueAt(100), 100);
  EXPECT_EQ(volume.valueAt(500), 100);
  volume.setValue(20);  // from the program: not a user change
  EXPECT_EQ(changed.count(), 2);
}
