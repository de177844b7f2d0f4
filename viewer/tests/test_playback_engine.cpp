// The playback engine on real X windows (the test runs under Xvfb): the
// generator's recordings are played on three native surfaces, and what the
// surfaces and the snapshots show is compared with the pictures ffmpeg
// decodes from the same files. Every wait is for a condition, with a
// deadline generous enough for a loaded machine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <cstdio>

#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "gui_wait.h"
#include "playback/ChannelSync.h"
#include "playback/PlayerInterface.h"
#include "playback/VLCComponent.h"
#include "playback/VideoSurface.h"
#include "playback_pictures.h"

namespace {

using guitest::waitFor;

constexpr int kSyncLimitMs = 100;
// Long enough for every check of a test to happen before the end.
constexpr int kRecordingMs = 20000;

struct Suite {
  QTemporaryDir dir;
  QString separate[3];  // 20240501_083000_INF_1/_2/_3.mp4
  QString single;       // two video tracks in one file
  QString soundOnly;    // no video track at all
  QString damaged;      // a recording's name on bytes no player can read
  ChannelPictures separatePictures[3];
  ChannelPictures trackPictures[2];
  QWidget *window = nullptr;
  QList<QWidget *> surfaces;
  int worstDrift = 0;  // of every in-step check of the run, for the report
  int worstAfter = 0;  // of the grabs after them
};
Suite *suite = nullptr;
VLCComponent *gVlc = nullptr;  // the engine of the test that runs

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
    QProcess::execute(samplegen,
                      {"--out", root + "/separate", "--channels", "3", "--audio", "--duration",
                       QString::number(kRecordingMs / 1000), "--size", "320x180"});
    QProcess::execute(
        samplegen, {"--out", root + "/single", "--layout", "single", "--channels", "2", "--audio",
                    "--duration", QString::number(kRecordingMs / 1000), "--size", "320x180"});
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
    // The start of a real recording cut off after 6 KiB (power lost while
    // recording), the rest never written: a name and a header, no pictures.
    QDir().mkpath(root + "/damaged");
    suite->damaged = root + "/damaged/20240501_110000_INF_1.mp4";
    QFile whole(suite->separate[0]), cut(suite->damaged);
    if (whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly)) {
      QByteArray bytes = whole.read(6 * 1024);
      for (int i = 64; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
      cut.write(bytes);
    }

    // Three surfaces of the recordings' own size side by side at the top
    // left corner, so that a grab of the screen shows them one to one.
    suite->window = new QWidget(nullptr, Qt::FramelessWindowHint);
    auto *row = new QHBoxLayout(suite->window);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    for (int i = 0; i < 3; ++i) {
      auto *surface = new VideoSurface(i, suite->window);
      surface->setFixedSize(ChannelPictures::kPictureSize);
      row->addWidget(surface);
      suite->surfaces << surface;
    }
    suite->window->move(0, 0);
    suite->window->show();
    waitFor(
        [] { return suite->window->windowHandle() && suite->window->windowHandle()->isExposed(); });
  }

  static void TearDownTestSuite() {
    std::printf(
        "[ sync ] worst drift of the in-step checks: %d ms; of the grabs after them: %d ms\n",
        suite->worstDrift, suite->worstAfter);
    delete suite->window;
    if (qEnvironmentVariableIsSet("KEEP_TEST_DIR")) suite->dir.setAutoRemove(false);
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
    st.flipped = {};
    AppSettings::store().clear();
    makePlayer();
  }

  void makePlayer() {
    player_ = new PlayerInterface;
    player_->setMainScreen(surface(0));
    player_->setSub1Screen(surface(1));
    player_->setSub2Screen(surface(2));
    vlc_ = player_->component();
    gVlc = vlc_;
    QObject::connect(player_, &PlayerInterface::sendMessage,
                     [this](const QString &text) { messages_ << text; });
  }

  void TearDown() override {
    delete player_;
    player_ = nullptr;
    StatusLog::setPath(QString());
    AppSettings::store().clear();
  }

  static VideoSurface *surface(int i) { return static_cast<VideoSurface *>(suite->surfaces[i]); }

  void open(const QString &path) {
    CurrentRecording recording;
    recording.fileName = QFileInfo(path).fileName();
    recording.playbackPath = QDir::toNativeSeparators(path);
    ViewerState::instance().setCurrentRecording(recording);
    player_->onOpenFile();
  }

  static PlayState playState() { return ViewerState::instance().playState(); }
  static bool playing(int ms = 10000) {
    return waitFor([] { return playState() == PlayState::Playing; }, ms);
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
                      const QVector<bool> &mirrored = {}, int ms = 8000) {
    return waitFor([&] { return frameDriftMs(frames(pictures, mirrored)) >= 0; }, ms);
  }

  // Once pictures show and the engine has lined the channels up, every
  // channel is within kSyncLimitMs of channel 0 in three grabs in a row (a
  // picture late by a moment on a busy machine is not a drift). Returns the
  // drift of the last of them, or -1 when the channels never got in step.
  // The five grabs that follow are only measured (the worst is reported at
  // the end of the run): on a loaded machine a picture may come late.
  static int inStep(const QList<const ChannelPictures *> &pictures,
                    const QVector<bool> &mirrored = {}) {
    if (!showing(pictures, mirrored)) return -1;
    if (!waitFor([] { return !gVlc->isSettling(); })) return -1;
    int inARow = 0, last = -1;
    QElapsedTimer between;
    between.start();
    auto spaced = [&](const std::function<bool(int)> &take) {
      return waitFor([&] {
        if (between.elapsed() < 40) return false;
        between.restart();
        return take(frameDriftMs(frames(pictures, mirrored)));
      });
    };
    if (!spaced([&](int drift) {
          inARow = drift >= 0 && drift <= kSyncLimitMs ? inARow + 1 : 0;
          last = drift;
          return inARow >= 3;
        })) {
      const QVector<int> f = frames(pictures, mirrored);
      std::printf("[ sync ] not in step: frames %d %d %d\n", f.value(0), f.value(1), f.value(2));
      return -1;
    }
    int samples = 0;
    spaced([&](int drift) {
      if (drift >= 0) suite->worstAfter = std::max(suite->worstAfter, drift);
      return ++samples >= 6;
    });
    suite->worstDrift = std::max(suite->worstDrift, last);
    return last;
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
  QStringList messages_;
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
  EXPECT_NEAR(ViewerState::instance().totalRangeMs, kRecordingMs, 100);
  EXPECT_TRUE(player_->timersActive());

  const int drift = inStep(separatePictures());
  EXPECT_GE(drift, 0);

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
  EXPECT_GE(inStep(tracks), 0);
  const QList<QImage> shown = grabSurfaces(suite->surfaces.mid(0, 2));
  EXPECT_LT(suite->trackPictures[0].difference(shown[0]) * 2,
            suite->trackPictures[1].difference(shown[0]));
  EXPECT_LT(suite->trackPictures[1].difference(shown[1]) * 2,
            suite->trackPictures[0].difference(shown[1]));
  EXPECT_FALSE(suite->surfaces[2]->isVisible());
  // Sound only from the main player: the rear one lists the file's audio
  // track but does not decode it.
  EXPECT_TRUE(vlc_->channelHasAudio(0));
  EXPECT_FALSE(vlc_->channelHasAudio(1));
}

TEST_F(Playback, RecordingWithoutVideoIsRefusedWithAMessageAndLeavesInputFree) {
  ASSERT_TRUE(QFileInfo::exists(suite->soundOnly));
  QSignalSpy cannot(player_, &PlayerInterface::sendCannotPlay);
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  open(suite->soundOnly);
  EXPECT_EQ(cannot.count(), 1);
  EXPECT_EQ(playState(), PlayState::Idle);
  EXPECT_TRUE(vlc_->isStopped());
  EXPECT_FALSE(vlc_->isBusy());
  EXPECT_FALSE(player_->timersActive());
  EXPECT_TRUE(block.isEmpty());
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains("no video")) << messages_[0].toStdString();
  EXPECT_TRUE(log().contains("!!! Ch is 0"));
  EXPECT_FALSE(log().contains("[PlayerInterface]: Play video"));
}

TEST_F(Playback, PauseShowsOneMomentOnEveryChannelAndAFrameStepMovesEachByOne) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  player_->onPause();
  EXPECT_EQ(playState(), PlayState::Paused);
  EXPECT_EQ(vlc_->state(), VLCComponent::Paused);
  EXPECT_FALSE(player_->timersActive());
  // Paused, the channels are moved to the moment of the pause: the same
  // frame everywhere, however far apart the pauses took effect.
  QVector<int> held;
  ASSERT_TRUE(guitest::waitStable(
      [&] {
        const QVector<int> now = frames(separatePictures());
        const bool same = now == held && frameDriftMs(now) == 0;
        held = now;
        return same;
      },
      300))
      << "frames " << held[0] << " " << held[1] << " " << held[2];

  player_->onFrameMove(true);
  QVector<int> stepped;
  EXPECT_TRUE(waitFor([&] {
    stepped = frames(separatePictures());
    return stepped == QVector<int>{held[0] + 1, held[1] + 1, held[2] + 1};
  })) << "after a step: "
      << stepped[0] << " " << stepped[1] << " " << stepped[2];

  player_->onPlay();
  EXPECT_EQ(playState(), PlayState::Playing);
  EXPECT_TRUE(player_->timersActive());
  EXPECT_TRUE(waitFor([&] { return frames(separatePictures())[0] > stepped[0] + 3; }));
}

// A pause that comes while the players are still busy with a move: the
// players that have not taken it are asked again now and then, not at every
// look, which would fill libvlc's request queue until it threw requests away
// (the line-up moves among them) and left the channels apart.
TEST_F(Playback, APauseRightAfterAMoveLinesTheChannelsUpWithoutFloodingThePlayers) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  QElapsedTimer clock;
  clock.start();
  const int repeatedBefore = vlc_->sync()->pausesRepeated();
  // A move back while playing and the pause at once, then a slider move and
  // the pause at once.
  const QList<std::pair<qint64, int>> rounds = {{-1, 0}, {4000, 120}, {-1, 0}, {2000, 60}};
  for (const auto &[to, frame] : rounds) {
    if (to < 0) {
      player_->onPlayPosMove(3000);
      ASSERT_TRUE(waitFor([&] { return frames(separatePictures())[0] >= 90; }));
      player_->on5sMove(false);
    } else {
      player_->onPlayPosMove(to);
    }
    player_->onPause();
    // The line-up may take a while on a busy machine: the pictures are looked
    // at once it is done.
    ASSERT_TRUE(waitFor([&] { return !vlc_->isSettling(); }));
    QVector<int> held;
    ASSERT_TRUE(guitest::waitStable(
        [&] {
          const QVector<int> now = frames(separatePictures());
          const bool same = now == held && now[0] >= 0 && frameDriftMs(now) == 0;
          held = now;
          return same;
        },
        300))
        << "to " << to << ": frames " << held[0] << " " << held[1] << " " << held[2];
    EXPECT_NEAR(held[0], frame, 3) << to;
    player_->onPlay();
    ASSERT_TRUE(waitFor([&] { return frames(separatePictures())[0] > held[0] + 3; }));
  }
  // Three channels asked again at most every quarter of a second.
  const qint64 allowed = 3 * (clock.elapsed() / ChannelSync::kPauseAgainMs + 3);
  EXPECT_LE(vlc_->sync()->pausesRepeated() - repeatedBefore, allowed);
  EXPECT_FALSE(log().contains(QStringLiteral("fifo overflow"))) << qPrintable(log());
}

TEST_F(Playback, FiveSecondMoveBackFromThreeSecondsGoesToTheStartAndFromZeroToThePreviousFile) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  QSignalSpy times(player_, &PlayerInterface::sendUpdateTime);
  player_->onPlayPosMove(3000);
  ASSERT_TRUE(waitFor([] { return ViewerState::instance().currentTimeMs > 2900; }));
  player_->on5sMove(false);
  EXPECT_EQ(ViewerState::instance().currentTimeMs, 0);
  ASSERT_FALSE(times.isEmpty());
  EXPECT_EQ(times.last().at(0).toDouble(), 0);
  EXPECT_EQ(playState(), PlayState::Playing);
  EXPECT_TRUE(waitFor([&] {
    const int f = frames(separatePictures())[0];
    return f >= 0 && f < 30;
  }));
  EXPECT_GE(inStep(separatePictures()), 0);

  QSignalSpy back(vlc_, &VLCComponent::send_GoBack);
  QSignalSpy previous(player_, &PlayerInterface::sendPreviousFile);
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  player_->onPlayPosMove(0);
  player_->on5sMove(false);
  ASSERT_TRUE(waitFor([&] { return previous.count() == 1; }));
  EXPECT_EQ(back.count(), 1);
  EXPECT_EQ(vlc_->stopCause(), VLCComponent::CausePrevious);
  EXPECT_EQ(vlc_->state(), VLCComponent::Stopped);
  EXPECT_EQ(playState(), PlayState::Idle);
  // Nobody chose a previous file (there is no list here): input is free.
  ASSERT_FALSE(block.isEmpty());
  EXPECT_FALSE(block.last().at(0).toBool());
}

TEST_F(Playback, NaturalEndMovesOnToTheNextFileAndFreesInputWhenNothingFollows) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  QSignalSpy next(vlc_, &VLCComponent::send_GoNext);
  QSignalSpy change(player_, &PlayerInterface::sendFileChange);
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  player_->onPlayPosMove(kRecordingMs - 1000);
  ASSERT_TRUE(waitFor([&] { return change.count() == 1; }));
  EXPECT_EQ(next.count(), 1);
  EXPECT_EQ(vlc_->stopCause(), VLCComponent::CauseEnd);
  EXPECT_EQ(vlc_->state(), VLCComponent::Stopped);
  EXPECT_EQ(playState(), PlayState::Idle);
  // No next file was opened: input is given back, not held for a picture
  // that will never come.
  ASSERT_FALSE(block.isEmpty());
  EXPECT_FALSE(block.last().at(0).toBool());
  EXPECT_FALSE(vlc_->isBusy());
  EXPECT_TRUE(log().contains("[VLCComponent]: end of the recording"));
}

TEST_F(Playback, ARecordingChosenWhileTheEndIsHandledWinsOverTheNextFile) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  // The end's stop takes its time, as on a busy machine.
  vlc_->setStopHook([] { QThread::msleep(400); });
  QSignalSpy change(player_, &PlayerInterface::sendFileChange);
  player_->onPlayPosMove(kRecordingMs - 500);
  ASSERT_TRUE(
      waitFor([&] { return vlc_->isStopping() && vlc_->stopCause() == VLCComponent::CauseEnd; }));
  open(suite->single);  // the user double-clicks another row meanwhile
  vlc_->setStopHook(nullptr);
  ASSERT_TRUE(playing());
  EXPECT_EQ(change.count(), 0);
  EXPECT_EQ(ViewerState::instance().currentRecording().playbackPath,
            QDir::toNativeSeparators(suite->single));
  EXPECT_FALSE(vlc_->isSeparateFiles());
}

TEST_F(Playback, FiveSecondMoveForwardPastTheEndMovesOnToTheNextFile) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  QSignalSpy change(player_, &PlayerInterface::sendFileChange);
  player_->onPlayPosMove(kRecordingMs - 3000);
  player_->on5sMove(true);
  EXPECT_EQ(ViewerState::instance().currentTimeMs, ViewerState::instance().totalRangeMs);
  ASSERT_TRUE(waitFor([&] { return change.count() == 1; }));
}

TEST_F(Playback, StepsAndMovesWithNothingLoadedDoNothing) {
  QSignalSpy times(player_, &PlayerInterface::sendUpdateTime);
  for (bool forward : {false, true}) {
    player_->on5sMove(forward);
    player_->onFrameMove(forward);
  }
  player_->onPlayPosMove(2000);
  EXPECT_EQ(playState(), PlayState::Idle);
  EXPECT_FALSE(player_->timersActive());
  EXPECT_TRUE(times.isEmpty());
  EXPECT_TRUE(vlc_->isStopped());
  EXPECT_FALSE(vlc_->isBusy());
}

TEST_F(Playback, SeekingByPositionKeepsEveryChannelInStep) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  for (const int target : {2500, 800}) {
    player_->onPlayPosMove(target);
    EXPECT_EQ(ViewerState::instance().currentTimeMs, target);
    EXPECT_TRUE(player_->timersActive());
    const int expected = target * 30 / 1000;
    int shown = -1;
    EXPECT_TRUE(waitFor([&] {
      shown = frames(separatePictures())[0];
      return shown >= expected && shown <= expected + 40;
    })) << "seek to "
        << target << " shows frame " << shown;
    EXPECT_GE(inStep(separatePictures()), 0) << "seek to " << target;
  }
}

// The players keep what they built to show a recording for the next one;
// the next one must still never show where the last one stopped.
TEST_F(Playback, TheNextRecordingNeverShowsThePictureTheLastOneStoppedAt) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  const int lateMs = kRecordingMs - 2000;
  const int lateFrame = lateMs * 30 / 1000;
  auto everyChannelIsLate = [&] {
    for (int frame : frames(separatePictures()))
      if (frame < lateFrame) return false;
    return true;
  };
  player_->onPlayPosMove(lateMs);
  ASSERT_TRUE(waitFor(everyChannelIsLate));
  for (int round = 0; round < 2; ++round) {
    player_->onClickStop(false);
    ASSERT_TRUE(waitFor([&] { return vlc_->isStopped(); }));
    open(suite->separate[0]);
    int stale = -1;
    const bool fromTheStart = waitFor([&] {
      const QVector<int> f = frames(separatePictures());
      for (int frame : f)
        if (frame >= lateFrame - 30) stale = frame;
      for (int frame : f)
        if (frame < 0 || frame > 60) return false;
      return true;
    });
    EXPECT_TRUE(fromTheStart) << "round " << round;
    EXPECT_EQ(stale, -1) << "round " << round << ": a surface showed frame " << stale
                         << " of the recording before";
    EXPECT_GE(inStep(separatePictures()), 0) << "round " << round;
    // The second round starts where the first one's pictures were.
    player_->onPlayPosMove(lateMs);
    ASSERT_TRUE(waitFor(everyChannelIsLate));
  }
}

TEST_F(Playback, AChannelThatFallsBehindIsBroughtBackIntoStep) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  // Channel 1 is thrown back by 400 ms, as a start that took longer would
  // leave it; the engine has to see it and bring it back.
  ASSERT_TRUE(waitFor([&] { return vlc_->sync()->mainTimeNow() > 500; }));
  const int before = vlc_->sync()->corrections();
  vlc_->seekChannel(1, vlc_->sync()->mainTimeNow() - 400);
  // Whether the lag is caught up by a faster rate or by a move depends on
  // how long the move back took; either way the engine corrects it.
  ASSERT_TRUE(waitFor([&] { return vlc_->sync()->corrections() > before; }))
      << "the lag of channel 1 was not seen";
  EXPECT_GE(inStep(separatePictures()), 0);
}

TEST_F(Playback, DoubleSpeedPlaysTwiceAsFastInStepAndNormalSpeedReturns) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  EXPECT_EQ(ViewerState::instance().speedLevel, 2);
  player_->onControlSpeed(4);
  EXPECT_EQ(ViewerState::instance().speedLevel, 4);
  EXPECT_FLOAT_EQ(vlc_->rate(), 2.0f);
  EXPECT_FLOAT_EQ(vlc_->channelRate(0), 2.0f);
  EXPECT_GE(inStep(separatePictures()), 0);
  // Over a second of wall time channel 0 moves about 60 frames.
  QVector<int> from;
  ASSERT_TRUE(waitFor([&] {
    from = frames(separatePictures());
    return from[0] >= 0;
  }));
  QElapsedTimer clock;
  clock.start();
  QVector<int> to;
  ASSERT_TRUE(waitFor([&] {
    if (clock.elapsed() < 1000) return false;
    to = frames(separatePictures());
    return to[0] >= 0;
  }));
  const double perSecond = (to[0] - from[0]) * 1000.0 / clock.elapsed();
  EXPECT_NEAR(perSecond, 60, 18);

  player_->onControlSpeed(2);
  EXPECT_FLOAT_EQ(vlc_->channelRate(0), 1.0f);
  EXPECT_TRUE(waitFor([&] { return vlc_->channelRate(2) == 1.0f; }));
  EXPECT_GE(inStep(separatePictures()), 0);
}

TEST_F(Playback, MuteAndVolumeActOnTheMainPlayerAndLastIntoTheNextRecording) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  EXPECT_NE(vlc_->audioOutput(), "adummy");
  player_->onSetMute(true);
  EXPECT_TRUE(ViewerState::instance().muted);
  EXPECT_TRUE(vlc_->channelMuted(0));
  player_->onControlVolume(30);
  EXPECT_EQ(ViewerState::instance().volume, 30);
  EXPECT_EQ(vlc_->channelVolume(0), 30);
  player_->onSetMute(false);
  EXPECT_FALSE(vlc_->channelMuted(0));

  player_->onSetMute(true);
  open(suite->separate[0]);  // the audio output is made anew for every recording
  ASSERT_TRUE(playing());
  EXPECT_TRUE(vlc_->channelMuted(0));
  EXPECT_EQ(vlc_->channelVolume(0), 30);
}

TEST_F(Playback, StoredVolumeAndMuteApplyFromTheFirstRecording) {
  delete player_;
  AppSettings::store().setValue(QStringLiteral("volume"), 35);
  AppSettings::store().setValue(QStringLiteral("mute"), true);
  makePlayer();
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  EXPECT_EQ(ViewerState::instance().volume, 35);
  EXPECT_TRUE(waitFor([&] { return vlc_->channelVolume(0) == 35 && vlc_->channelMuted(0); }));
}

TEST_F(Playback, FlipMirrorsItsChannelOnTheSurfaceAndInSnapshotsAndKeepsItInStep) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_GE(inStep(separatePictures()), 0);
  player_->onFlip(1);
  EXPECT_TRUE(ViewerState::instance().flipped[1]);
  EXPECT_TRUE(vlc_->isFlipped(1));
  const QVector<bool> mirrored{false, true, false};
  EXPECT_GE(inStep(separatePictures(), mirrored), 0);
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

  player_->onFlip(1);
  EXPECT_FALSE(vlc_->isFlipped(1));
  EXPECT_GE(inStep(separatePictures()), 0);
  const QImage straight = player_->getScreenImage(1);
  EXPECT_LT(rear.difference(straight) * 2, rear.difference(straight.mirrored(true, false)));
}

TEST_F(Playback, SnapshotsAreNeverAnOldPicture) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  ASSERT_TRUE(showing(separatePictures()));
  // A picture left from before: the snapshot replaces it or fails.
  const QString folder = ViewerState::instance().appData + "/Snapshot";
  QDir().mkpath(folder);
  QImage stale(QSize(64, 36), QImage::Format_RGB32);
  stale.fill(Qt::magenta);
  ASSERT_TRUE(stale.save(folder + "/0.png"));
  const QImage shot = player_->getScreenImage(0);
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), QSize(1920, 1080));
  // Where nothing can be written (the folder is taken by a file), there is
  // no picture rather than a stale one.
  const QString blocked = suite->dir.path() + "/appdata-blocked";
  QDir().mkpath(blocked);
  QFile taken(blocked + "/Snapshot");
  ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
  taken.close();
  ViewerState::instance().appData = blocked;
  EXPECT_TRUE(player_->getScreenImage(0).isNull());
  EXPECT_TRUE(log().contains("no snapshot of channel 0"));
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
  EXPECT_EQ(playState(), PlayState::Idle);
  EXPECT_FALSE(player_->timersActive());
  ASSERT_TRUE(waitFor([&] { return vlc_->state() == VLCComponent::Stopped; }));
  ASSERT_TRUE(waitFor([&] { return block.count() >= 2; }));
  EXPECT_EQ(stateInWorker.load(), VLCComponent::Stopping);
  ASSERT_FALSE(logo.isEmpty());
  EXPECT_TRUE(logo.first().at(0).toBool());
  EXPECT_TRUE(block.first().at(0).toBool());
  EXPECT_FALSE(block.last().at(0).toBool());  // a plain stop gives the controls back
  ASSERT_TRUE(waitFor([&] { return !show.isEmpty() && !suite->surfaces[0]->isVisible(); }));
  EXPECT_FALSE(show.last().at(0).toBool());
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
  EXPECT_LT(clock.elapsed(), 100);  // it opens once the stop is over, not by waiting here
  EXPECT_TRUE(player_->openPending());
  vlc_->setStopHook(nullptr);
  ASSERT_TRUE(playing());
  EXPECT_FALSE(player_->openPending());
}

TEST_F(Playback, FileRemovedStopsWithoutWaitingAndLetsTheMediaGo) {
  const QString copy = copySeparate("removed");
  open(copy);
  ASSERT_TRUE(playing());
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  QElapsedTimer clock;
  clock.start();
  player_->onStop(VLCComponent::CauseFileRemoved);
  EXPECT_LT(clock.elapsed(), 100);
  EXPECT_EQ(playState(), PlayState::Stopped);
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
  // Stopped as the window sees it: the worker's report has been handled too.
  ASSERT_TRUE(waitFor([&] { return vlc_->isStopped(); }));
  EXPECT_FALSE(vlc_->channelHasMedia(0));
  EXPECT_TRUE(log().contains("Stop cause File Remove"));
  EXPECT_FALSE(log().contains("did not stop within"));
  // The stop for a removed file gives input back too.
  ASSERT_FALSE(block.isEmpty());
  EXPECT_FALSE(block.last().at(0).toBool());
  for (const QString &file : QDir(QFileInfo(copy).absolutePath()).entryList(QDir::Files))
    EXPECT_TRUE(QFile::remove(QFileInfo(copy).absolutePath() + "/" + file));
}

TEST_F(Playback, FileThatVanishesWhilePlayingIsFoundByTheEndCheck) {
  const QString copy = copySeparate("vanished");
  open(copy);
  ASSERT_TRUE(playing());
  QSignalSpy reset(player_, &PlayerInterface::sendResetAll);
  ASSERT_TRUE(QFile::remove(copy));
  ASSERT_TRUE(waitFor([&] { return reset.count() == 1; }));
  EXPECT_EQ(playState(), PlayState::Stopped);
  EXPECT_FALSE(player_->timersActive());
  EXPECT_TRUE(waitFor([&] { return vlc_->state() == VLCComponent::Stopped; }));
  EXPECT_TRUE(waitFor([&] { return !vlc_->isBusy(); }));
  EXPECT_TRUE(log().contains("[PlayerInterface]: the playing file is gone"));
}

TEST_F(Playback, DamagedRecordingIsReportedAndNothingStaysBlockedOrStale) {
  // A good recording first, so that its totals are there to be taken.
  open(suite->single);
  ASSERT_TRUE(playing());
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  QSignalSpy cannot(player_, &PlayerInterface::sendCannotPlay);
  open(suite->damaged);
  ASSERT_TRUE(waitFor([&] { return !messages_.isEmpty(); }, VLCComponent::kStartLimitMs + 5000));
  EXPECT_TRUE(messages_.last().contains(QFileInfo(suite->damaged).fileName()))
      << messages_.last().toStdString();
  EXPECT_GE(cannot.count(), 1);
  ASSERT_TRUE(waitFor([&] { return vlc_->isStopped(); }));
  EXPECT_FALSE(vlc_->isBusy());
  ASSERT_FALSE(block.isEmpty());
  EXPECT_FALSE(block.last().at(0).toBool());
  EXPECT_NE(playState(), PlayState::Playing);
  EXPECT_FALSE(player_->timersActive());
  // Nothing of the recording before is taken for this one's.
  EXPECT_EQ(ViewerState::instance().totalRangeMs, 0);
  EXPECT_EQ(ViewerState::instance().channelCount, 0);
  EXPECT_TRUE(ViewerState::instance().gpsSamples.isEmpty());

  // A recording that is not there at all is refused at once.
  messages_.clear();
  open(suite->dir.path() + "/nowhere/20240501_120000_INF_1.mp4");
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains("cannot be read")) << messages_[0].toStdString();
  EXPECT_TRUE(vlc_->isStopped());
  EXPECT_FALSE(vlc_->isBusy());
}

TEST_F(Playback, StopThatLibvlcDoesNotFinishIsGivenUpOnWithoutHoldingTheWindow) {
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  vlc_->setStopHook([] { QThread::msleep(VLCComponent::kStopLimitMs + 1500); });
  QSignalSpy block(vlc_, &VLCComponent::send_setBlockEvent);
  guitest::StallWatch stalls;
  player_->onStop(VLCComponent::CauseFileRemoved);
  EXPECT_EQ(playState(), PlayState::Stopped);
  ASSERT_TRUE(waitFor([&] { return log().contains("did not stop within"); }, 20000));
  EXPECT_EQ(vlc_->state(), VLCComponent::Stopped);
  EXPECT_FALSE(vlc_->isBusy());
  EXPECT_FALSE(block.last().at(0).toBool());
  EXPECT_LT(stalls.longestMs(), 1000);  // the wait passed with the window working
  vlc_->setStopHook(nullptr);
  // The new players play.
  open(suite->separate[0]);
  ASSERT_TRUE(playing());
  EXPECT_TRUE(showing(separatePictures()));
}

TEST(PlaybackWithoutLibvlc, PlayIsRefusedWithAMessageAndNothingCrashes) {
  VLCComponent::setExtraArguments({QStringLiteral("--no-such-option-anywhere")});
  PlayerInterface player;
  VLCComponent::setExtraArguments({});
  QStringList messages;
  QObject::connect(&player, &PlayerInterface::sendMessage,
                   [&](const QString &text) { messages << text; });
  EXPECT_FALSE(player.component()->isUsable());
  CurrentRecording recording;
  recording.fileName = QFileInfo(suite ? suite->separate[0] : QString()).fileName();
  recording.playbackPath = QStringLiteral(SAMPLEGEN_PATH);  // any file that is there
  ViewerState::instance().setCurrentRecording(recording);
  player.onOpenFile();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains("could not be started")) << messages[0].toStdString();
  EXPECT_NE(ViewerState::instance().playState(), PlayState::Playing);
  VLCComponent *vlc = player.component();
  vlc->Pause();
  vlc->Resume();
  vlc->Seek(1000);
  vlc->SetSpeed(2.0f);
  vlc->NextFrame();
  vlc->SetVolume(10);
  EXPECT_EQ(vlc->GetImage(0, QDir::tempPath() + "/none.png"), -1);
  EXPECT_FALSE(vlc->isBusy());
  ViewerState::instance().clearCurrentRecording();
}

}  // namespace
