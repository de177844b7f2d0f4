// The whole program in one process under Xvfb: the main window, its file
// list, control bar, scenes and the libvlc engine, driven through their
// widgets and signals on recordings made by the generator.
#include <gtest/gtest.h>
#include <vlc/vlc.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <functional>
#include <memory>

#include "core/AppSettings.h"
#include "app/MainWindow.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/PlayControlView.h"
#include "playback/PlayerInterface.h"
#include "playback/SceneArea.h"
#include "playback/VLCComponent.h"
#include "playback/VideoSurface.h"
#include "playback_pictures.h"
#include "recordings/MelFileListItem.h"
#include "widgets/MessageBoxes.h"

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs = 8000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

void pause(int ms) {
  waitFor([] { return false; }, ms);
}

QString screenshotPath(const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

// The generator's recordings, made once: two 6-second segments with three
// cameras as separate files (rows 0-5), and an event stored as one file
// with two video tracks (row 6).
struct Card {
  QTemporaryDir dir;
  ChannelPictures separate[3];
  ChannelPictures tracks[2];
  QString path(const char *name) const {
    return dir.path() + QLatin1Char('/') + QLatin1String(name);
  }
};
Card *gCard = nullptr;

class MainWindowE2E : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    gCard = new Card;
    const QString out = gCard->dir.path();
    // Sound goes to ALSA's null device: a real audio output, so mute and
    // volume can be read back, on a machine without a sound card.
    QDir().mkpath(out + "/home");
    QFile asoundrc(out + "/home/.asoundrc");
    if (asoundrc.open(QIODevice::WriteOnly)) asoundrc.write("pcm.!default { type null }\n");
    asoundrc.close();
    qputenv("HOME", QFile::encodeName(out + "/home"));
    QProcess::execute(QStringLiteral(SAMPLEGEN_PATH),
                      {"--out", out, "--channels", "3", "--duration", "6", "--segments", "2",
                       "--size", "320x180", "--audio"});
    QProcess::execute(
        QStringLiteral(SAMPLEGEN_PATH),
        {"--out", out, "--start", "20240501_084000", "--type", "EVT", "--channels", "2", "--layout",
         "single", "--duration", "6", "--size", "320x180", "--audio"});
    for (int c = 0; c < 3; ++c)
      gCard->separate[c].load(gCard->path("20240501_083000_INF_1.mp4")
                                  .replace("_1.mp4", QString("_%1.mp4").arg(c + 1)));
    for (int t = 0; t < 2; ++t) gCard->tracks[t].load(gCard->path("20240501_084000_EVT_1.mp4"), t);
  }
  static void TearDownTestSuite() { delete gCard; }

  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    s.appData = data_.path();
    StatusLog::setPath(data_.path() + QStringLiteral("/playerStatus.txt"));
    AppSettings::store().clear();
    AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
    MessageBoxes::setHook([this](const QString &, const QString &text, bool) {
      messages_ << text;
      return true;
    });
    window_ = std::make_unique<MainWindow>(nullptr);
    window_->show();
    ASSERT_TRUE(QTest_waitExposed());
    window_->openPaths({gCard->dir.path()});
    ASSERT_TRUE(waitFor([this] { return list()->rowCount() == 7; }));
  }
  void TearDown() override {
    window_.reset();
    MessageBoxes::setHook(nullptr);
    AppSettings::store().clear();
  }
  bool QTest_waitExposed() {
    return waitFor([this] {
      return window_->isVisible() && window_->windowHandle() &&
             window_->windowHandle()->isExposed();
    });
  }

  MelFileListItem *list() const { return window_->fileList(); }
  PlayerInterface *player() const { return window_->player(); }
  VLCComponent *vlc() const { return window_->player()->component(); }
  PlayControlView *bar() const { return window_->controls(); }
  PlayState state() const { return ViewerState::instance().playState(); }

  // Plays the list's row and waits until every surface shows pictures.
  void playRow(int row) {
    // A double click on the row, as a person would choose it.
    list()->scrollToItem(list()->item(row, 1));
    const QPoint at = list()->visualItemRect(list()->item(row, 1)).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitFor([this] {
      return state() == PlayState::Playing && !window_->logoShown() &&
             vlc()->state() == VLCComponent::Running;
    })) << "state "
        << static_cast<int>(state()) << " component " << vlc()->state();
    pause(800);
  }
  qint64 channelTime(int c) const { return libvlc_media_player_get_time(vlc()->player(c)); }
  // Largest distance in ms between the frame channel 0 shows and the frames
  // of the other channels, read from snapshots taken while paused (the
  // pictures carry their frame numbers); -1 when a frame was not recognised.
  int pausedDrift() {
    const bool wasPlaying = state() == PlayState::Playing;
    if (wasPlaying) bar()->onClick_bPlay();
    waitFor([this] { return state() == PlayState::Paused; });
    pause(300);
    window_->onGetImage();
    QVector<int> frames;
    for (int c = 0; c < 3; ++c)
      frames << gCard->separate[c].frameOf(
          QImage(data_.path() + QStringLiteral("/Snapshot/%1.png").arg(c)));
    if (wasPlaying) bar()->onClick_bPlay();
    waitFor([this] { return state() == PlayState::Playing; });
    return frameDriftMs(frames);
  }

  QTemporaryDir data_;
  QStringList messages_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace

TEST_F(MainWindowE2E, ThreeCameraFilesPlayOnTheirOwnSurfaces) {
  playRow(0);
  EXPECT_EQ(vlc()->channelCount(), 3);
  EXPECT_TRUE(vlc()->isSeparateFiles());
  const int startDrift = pausedDrift();
  EXPECT_GE(startDrift, 0);
  EXPECT_LE(startDrift, 100);
  QScreen *screen = QGuiApplication::primaryScreen();
  screen->grabWindow(0).save(screenshotPath(QStringLiteral("main-window-playing")));

  // Snapshots of every channel go to the Snapshot folder, each showing its
  // own camera's picture.
  window_->onGetImage();
  for (int c = 0; c < 3; ++c) {
    QImage shot(data_.path() + QStringLiteral("/Snapshot/%1.png").arg(c));
    ASSERT_FALSE(shot.isNull()) << c;
    double own = gCard->separate[c].difference(shot);
    for (int other = 0; other < 3; ++other) {
      if (other != c) {
        EXPECT_LT(own, gCard->separate[other].difference(shot)) << c << " vs " << other;
      }
    }
  }
}

TEST_F(MainWindowE2E, TwoTracksOfOneFileShowOnMainAndSubSurfaces) {
  playRow(6);
  EXPECT_FALSE(vlc()->isSeparateFiles());
  EXPECT_EQ(vlc()->channelCount(), 2);
  window_->onGetImage();
  for (int t = 0; t < 2; ++t) {
    QImage shot(data_.path() + QStringLiteral("/Snapshot/%1.png").arg(t));
    ASSERT_FALSE(shot.isNull()) << t;
    EXPECT_LT(gCard->tracks[t].difference(shot), gCard->tracks[1 - t].difference(shot)) << t;
  }
  // Sound comes from the main surface only.
  EXPECT_NE(libvlc_audio_get_track(vlc()->player(0)), -1);
  EXPECT_EQ(libvlc_audio_get_track(vlc()->player(1)), -1);
}

TEST_F(MainWindowE2E, ControlsPauseStepSeekSpeedMuteFlipSwapAndFullScreen) {
  playRow(0);
  bar()->onClick_bPlay();  // pause
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Paused; }));
  pause(300);
  auto frameShown = [this] {
    window_->onGetImage();
    return gCard->separate[0].frameOf(QImage(data_.path() + QStringLiteral("/Snapshot/0.png")));
  };
  const int before = frameShown();
  ASSERT_GE(before, 0);
  bar()->onClick_bUnit();  // seconds -> frames: the step buttons step frames
  bar()->onClick_b5sForward();
  ASSERT_TRUE(waitFor([&] { return frameShown() > before; }, 3000));
  EXPECT_EQ(state(), PlayState::Paused);
  const int stepped = frameShown();
  bar()->onClick_b5sReward();  // one frame back
  ASSERT_TRUE(waitFor(
      [&] {
        const int f = frameShown();
        return f >= 0 && f < stepped;
      },
      3000));
  EXPECT_EQ(state(), PlayState::Paused);
  bar()->onClick_bUnit();  // back to seconds
  bar()->onClick_bPlay();  // resume
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Playing; }));

  // Slider seek, and the 5-second move back from 3 s lands on 0.
  player()->onPlayPosMove(3000);
  ASSERT_TRUE(waitFor([this] { return std::abs(channelTime(0) - 3000) < 600; }));
  pause(400);
  int seekDrift = pausedDrift();
  EXPECT_GE(seekDrift, 0);
  EXPECT_LE(seekDrift, 100);
  bar()->onClick_b5sReward();
  ASSERT_TRUE(waitFor([this] { return channelTime(0) < 700; }));
  pause(400);
  seekDrift = pausedDrift();
  EXPECT_GE(seekDrift, 0);
  EXPECT_LE(seekDrift, 100);

  // Speed 2x and back.
  bar()->onChangedSpeed(4);
  ASSERT_TRUE(waitFor([this] { return libvlc_media_player_get_rate(vlc()->player(2)) == 2.0f; }));
  EXPECT_EQ(libvlc_media_player_get_rate(vlc()->player(0)), 2.0f);
  bar()->onChangedSpeed(2);
  ASSERT_TRUE(waitFor([this] { return libvlc_media_player_get_rate(vlc()->player(0)) == 1.0f; }));

  // Mute on the main channel.
  pause(300);
  bar()->onClick_bSound();
  ASSERT_TRUE(waitFor([] { return ViewerState::instance().muted; }));
  ASSERT_TRUE(waitFor([this] { return libvlc_audio_get_mute(vlc()->player(0)) == 1; }));
  bar()->onClick_bSound();
  ASSERT_TRUE(waitFor([this] { return libvlc_audio_get_mute(vlc()->player(0)) == 0; }));

  // Flip the front camera.
  player()->onFlip(0);
  ASSERT_TRUE(waitFor([this] { return vlc()->isFlipped(0); }));
  player()->onFlip(0);
  ASSERT_TRUE(waitFor([this] { return !vlc()->isFlipped(0); }));

  // Swap a rear camera onto the main surface and back.
  QLabel *mainCaption = window_->scenes()->caption(0);
  ASSERT_NE(mainCaption, nullptr);
  window_->scenes()->onChangeSceneView(1);
  pause(300);
  EXPECT_EQ(mainCaption->text(), QStringLiteral("CAM 1"));
  window_->scenes()->onChangeSceneView(1);
  pause(300);
  EXPECT_EQ(mainCaption->text(), QStringLiteral("Front"));

  // Full screen shows the play area only, and comes back.
  window_->onRecvFullScreen();
  ASSERT_TRUE(waitFor([this] { return window_->isFullScreen(); }));
  pause(500);
  QGuiApplication::primaryScreen()->grabWindow(0).save(
      screenshotPath(QStringLiteral("main-window-fullscreen")));
  EXPECT_FALSE(window_->fileList()->isVisible());
  window_->onUnsetFullScreen();
  ASSERT_TRUE(waitFor([this] { return !window_->isFullScreen(); }));
  EXPECT_TRUE(window_->fileList()->isVisible());
}

TEST_F(MainWindowE2E, NaturalEndMovesToTheNextRow) {
  playRow(0);
  const QString first = ViewerState::instance().currentRecording().fileName;
  player()->onPlayPosMove(5200);
  ASSERT_TRUE(waitFor(
      [&] {
        return ViewerState::instance().currentRecording().fileName != first &&
               state() == PlayState::Playing;
      },
      15000));
  EXPECT_EQ(ViewerState::instance().currentRecording().fileName,
            QStringLiteral("20240501_083000_INF_2.mp4"));
}

TEST_F(MainWindowE2E, NextOnTheLastRowStopsAndClears) {
  playRow(6);
  list()->onNextFile();
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Stopped; }));
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
  ASSERT_TRUE(waitFor([this] { return window_->logoShown(); }));
}

TEST_F(MainWindowE2E, DeletingThePlayingFileStopsAndTheListMovesOn) {
  playRow(1);
  const QString path = gCard->path("20240501_083000_INF_2.mp4");
  const QByteArray keep = [&] {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  list()->selectRow(1);
  list()->onDeleteCurrentFileFromDisk();
  ASSERT_TRUE(waitFor([this] { return state() != PlayState::Playing; }));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(list()->rowCount(), 6);
  ASSERT_TRUE(waitFor([this] { return vlc()->isStopped(); }));
  // Put the file back for the other tests.
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(keep);
}

TEST_F(MainWindowE2E, FiveSecondsBackAtTheStartGoesToThePreviousFile) {
  playRow(1);
  player()->onPlayPosMove(0);
  ASSERT_TRUE(waitFor([this] { return channelTime(0) < 500; }));
  ViewerState::instance().currentTimeMs = 0;
  bar()->onClick_b5sReward();
  ASSERT_TRUE(waitFor(
      [] {
        return ViewerState::instance().currentRecording().fileName ==
                   QStringLiteral("20240501_083000_INF_1.mp4") &&
               ViewerState::instance().playState() == PlayState::Playing;
      },
      15000));
}
