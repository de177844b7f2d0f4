// The playback engine on real X windows (the test runs under Xvfb): the
// generator's recordings are played on three native surfaces, and what the
// surfaces and the snapshots show is compared with the pictures ffmpeg
// decodes from the same files.
#include <gtest/gtest.h>
#include <vlc/vlc.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <functional>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/PlayerInterface.h"
#include "playback/VLCComponent.h"
#include "playback_pictures.h"

namespace {

constexpr int kSyncLimitMs = 100;

struct Suite {
  QTemporaryDir dir;
  QString separate[3];  // 20240501_083000_INF_1/_2/_3.mp4
  QString single;       // two video tracks in one file
  QString soundOnly;    // no video track at all
  ChannelPictures separatePictures[3];
  ChannelPictures trackPictures[2];
  QWidget *window = nullptr;
  QList<QWidget *> surfaces;
};
Suite *suite = nullptr;

bool waitFor(const std::function<bool()> &done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  return true;
}

void idle(int ms) {
  waitFor([] { return false; }, ms);
}

QString readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class Playback : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    suite = new Suite;
    const QString root = suite->dir.path();
    // Sound goes to ALSA's null device, so volume and mute are those of a
    // real output even on a machine without a sound card.
    QDir().mkpath(root + "/home");
    QFile asoundrc(root + "/home/.asoundrc");
    if (asoundrc.open(QIODevice::WriteOnly)) asoundrc.write("pcm.!default { type null }\n");
    asoundrc.close();
    qputenv("HOME", QFile::encodeName(root + "/home"));

    const QString samplegen = QStringLiteral(SAMPLEGEN_PATH);
    QProcess::execute(samplegen, {"--out", root + "/separate", "--channels", "3", "--audio",
                                  "--duration", "5", "--size", "320x180"});
    QProcess::execute(samplegen, {"--out", root + "/single", "--layout", "single", "--channels",
                                  "2", "--audio", "--duration", "5", "--size", "320x180"});
    for (int i = 0; i < 3; ++i) {
      suite->separate[i] = root + QStringLiteral("/separate/20240501_083000_INF_%1.mp4").arg(i + 1);
      suite->separatePictures[i].load(suite->separate[i]);
    }
    suite->single = root + "/single/20240501_083000_INF_1.mp4";
    suite->soundOnly = root + "/sound/20240501_100000_INF_1.mp4";
    QDir().mkpath(root + "/sound");
    QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i", "sine",
                                                 "-t", "1", "-c:a", "aac", suite->soundOnly});
    for (int t = 0; t < 2; ++t) suite->trackPictures[t].load(suite->single, t);

    // Three surfaces of the recordings' own size side by side at the top
    // left corner, so that a grab of the screen shows them one to one.
    suite->window = new QWidget(nullptr, Qt::FramelessWindowHint);
    auto *row = new QHBoxLayout(suite->window);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    for (int i = 0; i < 3; ++i) {
      auto *surface = new QWidget(suite->window);
      surface->setFixedSize(ChannelPictures::kPictureSize);
      row->addWidget(surface);
      suite->surfaces << surface;
    }
    suite->window->move(0, 0);
    suite->window->show();
    idle(200);
  }

  static void TearDownTestSuite() {
    delete suite->window;
    delete suite;
    suite = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(suite->separatePictures[2].frames() > 100) << "the recordings were not made";
    ASSERT_TRUE(suite->trackPictures[1].frames() > 100);
    const QString name =
        QString::fromLatin1(testing::UnitTest::GetInstance()->current_test_info()->name());
    logPath_ = suite->dir.path() + "/log-" + name + ".txt";
    StatusLog::setPath(logPath_);
    ViewerState &st = ViewerState::instance();
    st.appData = suite->dir.path() + "/appdata-" + name;
    st.clearCurrentRecording();
    st.setPlayState(PlayState::Idle);
    st.currentTimeMs = st.totalRangeMs = 0;
    st.volume = 50;
    st.muted = false;
    st.flipped = {};
    player_ = new PlayerInterface;
    player_->setMainScreen(suite->surfaces[0]);
    player_->setSub1Screen(suite->surfaces[1]);
    player_->setSub2Screen(suite->surfaces[2]);
    vlc_ = player_->component();
  }

  void TearDown() override {
    delete player_;
    idle(50);
    StatusLog::setPath(QString());
  }

  void open(const QString &path) {
    CurrentRecording recording;
    recording.fileName = QFileInfo(path).fileName();
    recording.playbackPath = QDir::toNativeSeparators(path);
    ViewerState::instance().setCurrentRecording(recording);
    player_->onOpenFile();
  }

  static bool playing(int ms = 5000) {
    return waitFor([] { return ViewerState::instance().playState() == PlayState::Playing; }, ms);
  }

  QList<const ChannelPictures *> separatePictures(int channels = 3) const {
    QList<const ChannelPictures *> list;
    for (int i = 0; i < channels; ++i) list << &suite->separatePictures[i];
    return list;
  }

  static QVector<int> frames(const QList<const ChannelPictures *> &pictures,
                             const QVector<bool> &mirrored = {}) {
    return shownFrames(suite->surfaces.mid(0, pictures.size()), pictures, mirrored);
  }

  // Waits until every surface shows a picture of its own channel.
  static bool showing(const QList<const ChannelPictures *> &pictures,
                      const QVector<bool> &mirrored = {}, int ms = 3000) {
    return waitFor([&] { return frameDriftMs(frames(pictures, mirrored)) >= 0; }, ms);
  }

  // Waits until every surface shows its channel and the engine has lined the
  // channels up, and the move that does so has taken effect.
  bool started(const QList<const ChannelPictures *> &pictures,
               const QVector<bool> &mirrored = {}) const {
    if (!showing(pictures, mirrored)) return false;
    if (!waitFor([this] { return !vlc_->isSettling(); }, 3000)) return false;
    idle(400);
    return true;
  }

  // The worst drift of `samples` grabs 100 ms apart; -1 when a surface
  // showed nothing recognisable in one of them.
  static int worstDrift(const QList<const ChannelPictures *> &pictures,
                        const QVector<bool> &mirrored = {}, int samples = 5) {
    int worst = 0;
    for (int i = 0; i < samples; ++i) {
      const int drift = frameDriftMs(frames(pictures, mirrored));
      if (drift < 0) return -1;
      worst = std::max(worst, drift);
      idle(100);
    }
    return worst;
  }

  QString log() const { return readAll(logPath_); }

  // Copies of the separate recording that a test may delete.
  QString copySeparate(const QString &folder) const {
    const QString target = suite->dir.path() + "/" + folder;
    QDir().mkpath(target);
    for (const QString &file : suite->separate)
      QFile::copy(file, target + "/" + QFileInfo(file).fileName());
    return target + "/20240501_083000_INF_1.mp4";
  }

  QString logPath_;
  PlayerInterface *player_ = nullptr;
  VLCComponent *vlc_ = nullptr;
};

TEST_F(Playback, SeparateFilesPlayEveryChannelInStepAndSnapshotsShowTheirOwnPicture) {
  QSignalSpy counts(player_, &PlayerInterface::sendChannelCount);
  QSignalSpy load(player_, &PlayerInterface::sendLoadMetadata);
  QSignalSpy playNow(vlc_, &VLCComponent::send_playNow);
  // The rear camera's file opens the whole recording, the front on the main surface.
  open(suite->separate[1]);
  ASSERT_TRUE(playing());
  EXPECT_EQ(playNow.count(), 1);
  EXPECT_TRUE(vlc_->isSeparateFiles());
  ASSERT_EQ(vlc_->channelCount(), 3);
  EXPECT_TRUE(vlc_->channelPath(0).endsWith("_1.mp4"));
  EXPECT_TRUE(vlc_->channelPath(1).endsWith("_2.mp4"));
  EXPECT_TRUE(vlc_->channelPath(2).endsWith("_3.mp4"));
  ASSERT_FALSE(counts.isEmpty());
  EXPECT_EQ(counts.last().at(0).toInt(), 3);
  EXPECT_EQ(load.count(), 1);
  EXPECT_TRUE(ViewerState::instance().metadataReady);
  EXPECT_NEAR(ViewerState::instance().totalRangeMs, 5000, 100);
  EXPECT_TRUE(player_->timersActive());

  ASSERT_TRUE(started(separatePictures()));
  const int drift = worstDrift(separatePictures());
  EXPECT_GE(drift, 0);
  EXPECT_LE(drift, kSyncLimitMs);

  const QString shots = QStringLiteral(VIEWER_BUILD_DIR) + "/tests/screenshots";
  QDir().mkpath(shots);
  QGuiApplication::primaryScreen()
      ->grabWindow(0, 0, 0, suite->window->width(), suite->window->height())
      .save(shots + "/playback-three-surfaces.png");

  for (int ch = 0; ch < 3; ++ch) {
    const QImage snapshot = player_->getScreenImage(ch);
    ASSERT_FALSE(snapshot.isNull()) << "channel " << ch;
    EXPECT_EQ(snapshot.size(), QSize(1920, 1080));
    EXPECT_TRUE(QFileInfo::exists(ViewerState::instance().appData +
                                  QStringLiteral("/Snapshot/%1.png").arg(ch)));
    const double own = suite->separatePictures[ch].difference(snapshot);
    EXPECT_LT(own, 20.0) << "channel " << ch;
    for (int other = 0; other < 3; ++other) {
      if (other == ch) continue;
      EXPECT_LT(own * 2, suite->separatePictures[other].difference(snapshot))
          << "snapshot of channel " << ch << " looks like channel " << other;
    }
  }
  EXPECT_TRUE(player_->getScreenImage(3).isNull());
  const QString text = log();
  EXPECT_TRUE(text.contains("[PlayerInterface]: set timer id 1 (500 ms) and id 2 (1000 ms)"));
  EXPECT_TRUE(text.contains("[PlayerInterface]: Play video"));
  EXPECT_TRUE(text.contains("VLCComponent::SetFile"));
}

TEST_F(Playback, OneFileWithTwoTracksShowsOneTrackPerSurfaceAndSoundOnlyFromMain) {
  open(suite->single);
  ASSERT_TRUE(playing());
  EXPECT_FALSE(vlc_->isSeparateFiles());
  ASSERT_EQ(vlc_->channelCount(), 2);
  const QList<const ChannelPictures *> tracks{&suite->trackPictures[0], &suite->trackPictures[1]};
  ASSERT_TRUE(started(tracks));
  const QList<QImage> shown = grabSurfaces(suite->surfaces.mid(0, 2));
  EXPECT_LT(suite->trackPictures[0].difference(shown[0]) * 2,
            suite->trackPictures[1].difference(shown[0]));
  EXPECT_LT(suite->trackPictures[1].difference(shown[1]) * 2,
            suite->trackPictures[0].difference(shown[1]));
  EXPECT_FALSE(suite->surfaces[2]->isVisible());
  const int drift = worstDrift(tracks);
  EXPECT_GE(drift, 0);
  EXPECT_LE(drift, kSyncLimitMs);
  // Sound only from the main player: the rear one lists the file's audio
  // track but does not decode it.
  EXPECT_GE(libvlc_audio_get_track(vlc_->player(0)), 0);
  EXPECT_EQ(libvlc_audio_get_track(vlc_->player(1)), -1);
}

TEST_F(Playback, RecordingWithoutVideoDoesNotStart) {
  ASSERT_TRUE(QFileInfo::exists(suite->soundOnly));
  QSignalSpy cannot(player_, &PlayerInterface::sendCannotPlay);
  open(suite->soundOnly);
  EXPECT_EQ(cannot.count(), 1);
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Idle);
  EXPECT_TRUE(vlc_->isStopped());
  EXPECT_FALSE(player_->timersActive());
  EXPECT_TRUE(log().contains("!!! Ch is 0"));
  EXPECT_FALSE(log().contains("[PlayerInterface]: Play video"));
}

TEST_F(Playback, PauseHoldsEveryChannelAndAFrameStepMovesEachByOne) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_TRUE(started(separatePictures()));
  player_->onPause();
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Paused);
  EXPECT_EQ(vlc_->state(), VLCComponent::Paused);
  EXPECT_FALSE(player_->timersActive());
  idle(400);
  const QVector<int> held = frames(separatePictures());
  idle(300);
  EXPECT_EQ(frames(separatePictures()), held);
  ASSERT_GE(frameDriftMs(held), 0);

  player_->onFrameMove(true);
  idle(400);
  const QVector<int> stepped = frames(separatePictures());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(stepped[i], held[i] + 1) << "channel " << i;

  player_->onPlay();
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Playing);
  EXPECT_TRUE(player_->timersActive());
  idle(400);
  EXPECT_GT(frames(separatePictures())[0], stepped[0]);
}

TEST_F(Playback, FiveSecondMoveBackFromThreeSecondsGoesToTheStartAndFromZeroToThePreviousFile) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_TRUE(started(separatePictures()));
  QSignalSpy times(player_, &PlayerInterface::sendUpdateTime);
  player_->onPlayPosMove(3000);
  idle(500);
  ASSERT_GT(ViewerState::instance().currentTimeMs, 2500);  // the tick's time, about 3 s
  player_->on5sMove(false);
  EXPECT_EQ(ViewerState::instance().currentTimeMs, 0);
  ASSERT_FALSE(times.isEmpty());
  EXPECT_EQ(times.last().at(0).toDouble(), 0);
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Playing);
  idle(500);
  const QVector<int> atStart = frames(separatePictures());
  ASSERT_GE(atStart[0], 0);
  EXPECT_LT(atStart[0], 30) << "still at frame " << atStart[0];
  const int drift = worstDrift(separatePictures(), {}, 3);
  EXPECT_GE(drift, 0);
  EXPECT_LE(drift, kSyncLimitMs);

  QSignalSpy back(vlc_, &VLCComponent::send_GoBack);
  QSignalSpy previous(player_, &PlayerInterface::sendPreviousFile);
  player_->onPlayPosMove(0);
  player_->on5sMove(false);
  ASSERT_TRUE(waitFor([&] { return previous.count() == 1; }, 3000));
  EXPECT_EQ(back.count(), 1);
  EXPECT_EQ(vlc_->stopCause(), VLCComponent::CausePrevious);
  EXPECT_EQ(vlc_->state(), VLCComponent::Stopped);
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Idle);
}

TEST_F(Playback, NaturalEndMovesOnToTheNextFile) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  QSignalSpy next(vlc_, &VLCComponent::send_GoNext);
  QSignalSpy change(player_, &PlayerInterface::sendFileChange);
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  player_->onPlayPosMove(4000);
  ASSERT_TRUE(waitFor([&] { return change.count() == 1; }, 4000));
  EXPECT_EQ(next.count(), 1);
  EXPECT_EQ(vlc_->stopCause(), VLCComponent::CauseEnd);
  EXPECT_EQ(vlc_->state(), VLCComponent::Stopped);
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Idle);
  ASSERT_FALSE(block.isEmpty());
  EXPECT_TRUE(block.last().at(0).toBool());  // stays blocked until the next file shows
  EXPECT_TRUE(log().contains("[VLCComponent]: end of the recording"));
}

TEST_F(Playback, FiveSecondMoveForwardPastTheEndMovesOnToTheNextFile) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  QSignalSpy change(player_, &PlayerInterface::sendFileChange);
  player_->onPlayPosMove(1000);
  player_->on5sMove(true);
  EXPECT_EQ(ViewerState::instance().currentTimeMs, ViewerState::instance().totalRangeMs);
  ASSERT_TRUE(waitFor([&] { return change.count() == 1; }, 4000));
}

TEST_F(Playback, SeekingByPositionKeepsEveryChannelInStep) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_TRUE(started(separatePictures()));
  for (const int target : {2500, 800}) {
    player_->onPlayPosMove(target);
    EXPECT_EQ(ViewerState::instance().currentTimeMs, target);
    EXPECT_TRUE(player_->timersActive());
    idle(400);
    const QVector<int> shown = frames(separatePictures());
    const int expected = target * 30 / 1000;
    ASSERT_GE(shown[0], 0);
    EXPECT_GE(shown[0], expected) << "seek to " << target;
    EXPECT_LE(shown[0], expected + 25) << "seek to " << target;
    const int drift = worstDrift(separatePictures(), {}, 3);
    EXPECT_GE(drift, 0) << "seek to " << target;
    EXPECT_LE(drift, kSyncLimitMs) << "seek to " << target;
  }
}

TEST_F(Playback, DoubleSpeedPlaysTwiceAsFastInStepAndNormalSpeedReturns) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_TRUE(started(separatePictures()));
  EXPECT_EQ(ViewerState::instance().speedLevel, 2);
  player_->onControlSpeed(4);
  EXPECT_EQ(ViewerState::instance().speedLevel, 4);
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(libvlc_media_player_get_rate(vlc_->player(i)), 2.0f);
  idle(500);
  QVector<int> from = frames(separatePictures());
  idle(1000);
  QVector<int> to = frames(separatePictures());
  ASSERT_GE(frameDriftMs(from), 0);
  ASSERT_GE(frameDriftMs(to), 0);
  EXPECT_NEAR(to[0] - from[0], 60, 15);
  EXPECT_LE(frameDriftMs(to), kSyncLimitMs);

  player_->onControlSpeed(2);
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(libvlc_media_player_get_rate(vlc_->player(i)), 1.0f);
  idle(500);
  from = frames(separatePictures());
  idle(1000);
  to = frames(separatePictures());
  ASSERT_GE(frameDriftMs(to), 0);
  EXPECT_NEAR(to[0] - from[0], 30, 10);
  EXPECT_LE(frameDriftMs(to), kSyncLimitMs);
}

TEST_F(Playback, MuteAndVolumeActOnTheMainPlayerAndLastIntoTheNextRecording) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  EXPECT_NE(vlc_->audioOutput(), "adummy");
  player_->onSetMute(true);
  EXPECT_TRUE(ViewerState::instance().muted);
  EXPECT_EQ(libvlc_audio_get_mute(vlc_->player(0)), 1);
  player_->onControlVolume(30);
  EXPECT_EQ(ViewerState::instance().volume, 30);
  EXPECT_EQ(libvlc_audio_get_volume(vlc_->player(0)), 30);
  player_->onSetMute(false);
  EXPECT_EQ(libvlc_audio_get_mute(vlc_->player(0)), 0);

  player_->onSetMute(true);
  open(suite->separate[0]);  // the audio output is made anew for every recording
  ASSERT_TRUE(playing());
  EXPECT_EQ(libvlc_audio_get_mute(vlc_->player(0)), 1);
  EXPECT_EQ(libvlc_audio_get_volume(vlc_->player(0)), 30);
}

TEST_F(Playback, FlipMirrorsItsChannelOnTheSurfaceAndInSnapshotsAndKeepsItInStep) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_TRUE(started(separatePictures()));
  player_->onFlip(1);
  EXPECT_TRUE(ViewerState::instance().flipped[1]);
  EXPECT_TRUE(vlc_->isFlipped(1));
  const QVector<bool> mirrored{false, true, false};
  ASSERT_TRUE(started(separatePictures(), mirrored));
  QGuiApplication::primaryScreen()
      ->grabWindow(0, 0, 0, suite->window->width(), suite->window->height())
      .save(QStringLiteral(VIEWER_BUILD_DIR) + "/tests/screenshots/playback-rear-mirrored.png");
  const QImage flipped = player_->getScreenImage(1);
  ASSERT_FALSE(flipped.isNull());
  const ChannelPictures &rear = suite->separatePictures[1];
  EXPECT_LT(rear.difference(flipped.mirrored(true, false)) * 2, rear.difference(flipped));
  const QImage front = player_->getScreenImage(0);
  const ChannelPictures &main = suite->separatePictures[0];
  EXPECT_LT(main.difference(front) * 2, main.difference(front.mirrored(true, false)));
  const int drift = worstDrift(separatePictures(), mirrored, 3);
  EXPECT_GE(drift, 0);
  EXPECT_LE(drift, kSyncLimitMs);

  player_->onFlip(1);
  EXPECT_FALSE(vlc_->isFlipped(1));
  ASSERT_TRUE(started(separatePictures()));
  const QImage straight = player_->getScreenImage(1);
  EXPECT_LT(rear.difference(straight) * 2, rear.difference(straight.mirrored(true, false)));
}

TEST_F(Playback, StopRunsThroughTheStatesAndSignalsInOrder) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  std::atomic<int> stateInWorker{0};
  vlc_->setStopHook([&] { stateInWorker = vlc_->state(); });
  QSignalSpy logo(vlc_, &VLCComponent::send_setLogo);
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  QSignalSpy show(vlc_, &VLCComponent::send_ShowWidget);
  player_->onClickStop(false);
  EXPECT_TRUE(ViewerState::instance().busyStopping);
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Idle);
  EXPECT_FALSE(player_->timersActive());
  ASSERT_TRUE(waitFor([&] { return vlc_->state() == VLCComponent::Stopped; }, 2000));
  ASSERT_TRUE(waitFor([&] { return block.count() >= 2; }, 1000));
  EXPECT_EQ(stateInWorker.load(), VLCComponent::Stopping);
  ASSERT_FALSE(logo.isEmpty());
  EXPECT_TRUE(logo.first().at(0).toBool());
  EXPECT_TRUE(block.first().at(0).toBool());
  EXPECT_FALSE(block.last().at(0).toBool());  // a plain stop gives the controls back
  ASSERT_FALSE(show.isEmpty());
  EXPECT_FALSE(show.last().at(0).toBool());
  EXPECT_FALSE(suite->surfaces[0]->isVisible());
  const QString text = log();
  const int requested = text.indexOf("[VLCComponent]: state 7");
  const int stopping = text.indexOf("[VLCComponent]: state 8", requested);
  const int stopped = text.indexOf("[VLCComponent]: state 10", stopping);
  EXPECT_GE(requested, 0);
  EXPECT_GT(stopping, requested);
  EXPECT_GT(stopped, stopping);
}

TEST_F(Playback, OpeningWhileAStopIsUnderWayWaitsForItWithoutHoldingTheWindow) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  vlc_->setStopHook([] { QThread::msleep(500); });
  player_->onClickStop(false);
  QElapsedTimer clock;
  clock.start();
  open(suite->separate[0]);
  EXPECT_LT(clock.elapsed(), 150);  // it looks again later instead of waiting here
  vlc_->setStopHook(nullptr);
  ASSERT_TRUE(playing());
  EXPECT_GE(log().count("PlayerInterface::onOpenFile"), 2);
}

TEST_F(Playback, FileRemovedStopsWithinTheWaitAndLetsTheMediaGo) {
  const QString copy = copySeparate("removed");
  open(copy);
  ASSERT_TRUE(playing());
  idle(300);
  QElapsedTimer clock;
  clock.start();
  player_->onStop(VLCComponent::CauseFileRemoved);
  EXPECT_LT(clock.elapsed(), 2100);
  EXPECT_EQ(vlc_->state(), VLCComponent::Stopped);
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Stopped);
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
  EXPECT_EQ(libvlc_media_player_get_media(vlc_->player(0)), nullptr);
  EXPECT_TRUE(log().contains("Stop cause File Remove"));
  EXPECT_FALSE(log().contains("did not stop within"));
  for (const QString &file : QDir(QFileInfo(copy).absolutePath()).entryList(QDir::Files))
    EXPECT_TRUE(QFile::remove(QFileInfo(copy).absolutePath() + "/" + file));
}

TEST_F(Playback, FileThatVanishesWhilePlayingIsFoundByTheEndCheck) {
  const QString copy = copySeparate("vanished");
  open(copy);
  ASSERT_TRUE(playing());
  idle(300);
  QSignalSpy reset(player_, &PlayerInterface::sendResetAll);
  ASSERT_TRUE(QFile::remove(copy));
  ASSERT_TRUE(waitFor([&] { return reset.count() == 1; }, 1500));
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Stopped);
  EXPECT_FALSE(player_->timersActive());
  EXPECT_TRUE(waitFor([&] { return vlc_->state() == VLCComponent::Stopped; }, 2000));
  EXPECT_TRUE(log().contains("[PlayerInterface]: the playing file is gone"));
}

TEST_F(Playback, StopThatLibvlcDoesNotFinishResetsThePlayersAfterTwoSeconds) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  vlc_->setStopHook([] { QThread::msleep(3000); });
  libvlc_media_player_t *before = vlc_->player(0);
  QElapsedTimer clock;
  clock.start();
  player_->onStop(VLCComponent::CauseFileRemoved);
  const qint64 waited = clock.elapsed();
  EXPECT_GE(waited, 1900);
  EXPECT_LT(waited, 2300);
  EXPECT_TRUE(log().contains("did not stop within"));
  EXPECT_NE(vlc_->player(0), before);
  EXPECT_EQ(vlc_->state(), VLCComponent::Stopped);
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Stopped);
  vlc_->setStopHook(nullptr);
  // The new players play.
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  EXPECT_TRUE(showing(separatePictures()));
}

}  // namespace
