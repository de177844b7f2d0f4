// The whole program in one process under Xvfb: the main window, its file
// list, control bar, scenes and the libvlc engine, driven through their
// widgets, keys and mouse on recordings made by the generator. Every
// situation ends with input free and the view in a defined state, and a
// watch records the longest time the GUI thread did not answer.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/MainWindow.h"
#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "gui_wait.h"
#include "playback/PlayControlView.h"
#include "playback/PlayScreenWindow.h"
#include "playback/PlayerInterface.h"
#include "playback/SceneArea.h"
#include "playback/VLCComponent.h"
#include "playback/VideoSurface.h"
#include "playback_pictures.h"
#include "recordings/MelFileListItem.h"
#include "widgets/MessageBoxes.h"

namespace {

using guitest::waitFor;

QString screenshotPath(const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

// The generator's recordings, made once: two 15-second segments with three
// cameras as separate files (rows 0-5), and an event stored as one file
// with two video tracks (row 6). Aside from the card: a recording without
// video and one cut short by a power loss, for the tests that add them.
struct Card {
  QTemporaryDir dir;
  QTemporaryDir extra;
  ChannelPictures separate[3];
  ChannelPictures tracks[2];
  QString soundOnly;
  QString damaged;
  QString path(const char *name) const {
    return dir.path() + QLatin1Char('/') + QLatin1String(name);
  }
};
Card *gCard = nullptr;
guitest::StallWatch *gStalls = nullptr;

class MainWindowE2E : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    gCard = new Card;
    const QString out = gCard->dir.path();
    // Sound goes to ALSA's null device: a real audio output, so mute and
    // volume can be read back, on a machine without a sound card.
    const QString home = gCard->extra.path() + "/home";
    QDir().mkpath(home);
    QFile asoundrc(home + "/.asoundrc");
    if (asoundrc.open(QIODevice::WriteOnly)) asoundrc.write("pcm.!default { type null }\n");
    asoundrc.close();
    qputenv("HOME", QFile::encodeName(home));
    QProcess::execute(QStringLiteral(SAMPLEGEN_PATH),
                      {"--out", out, "--channels", "3", "--duration", "15", "--segments", "2",
                       "--size", "320x180", "--audio"});
    QProcess::execute(
        QStringLiteral(SAMPLEGEN_PATH),
        {"--out", out, "--start", "20240501_084000", "--type", "EVT", "--channels", "2", "--layout",
         "single", "--duration", "15", "--size", "320x180", "--audio"});
    for (int c = 0; c < 3; ++c)
      gCard->separate[c].load(gCard->path("20240501_083000_INF_1.mp4")
                                  .replace("_1.mp4", QString("_%1.mp4").arg(c + 1)));
    for (int t = 0; t < 2; ++t) gCard->tracks[t].load(gCard->path("20240501_084000_EVT_1.mp4"), t);
    gCard->soundOnly = gCard->extra.path() + "/20240501_090000_INF_1.mp4";
    QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i", "sine",
                                                 "-t", "2", "-c:a", "aac", gCard->soundOnly});
    gCard->damaged = gCard->extra.path() + "/20240501_091000_INF_1.mp4";
    QFile whole(gCard->path("20240501_083000_INF_1.mp4")), cut(gCard->damaged);
    if (whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly)) {
      QByteArray bytes = whole.read(6 * 1024);
      for (int i = 64; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
      cut.write(bytes);
    }
    gStalls = new guitest::StallWatch;
  }
  static void TearDownTestSuite() {
    std::printf("[ stall ] longest GUI-thread stall during the end-to-end run: %lld ms\n",
                static_cast<long long>(gStalls->longestMs()));
    delete gStalls;
    delete gCard;
  }

  void SetUp() override {
    gStalls->takeRecentMs();
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    s.appData = data_.path();
    s.clearCurrentRecording();
    s.setPlayState(PlayState::Idle);
    StatusLog::setPath(data_.path() + QStringLiteral("/playerStatus.txt"));
    AppSettings::store().clear();
    AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
    MessageBoxes::setHook([this](const QString &, const QString &text, bool) {
      messages_ << text;
      return true;
    });
    window_ = std::make_unique<MainWindow>(nullptr);
    window_->show();
    ASSERT_TRUE(waitFor([this] {
      return window_->isVisible() && window_->windowHandle() &&
             window_->windowHandle()->isExposed();
    }));
    // Without a window manager nobody activates the window; the keys of a
    // person go to the active window.
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(waitFor([this] { return window_->isActiveWindow(); }));
    window_->openPaths({gCard->dir.path()});
    ASSERT_TRUE(waitFor([this] { return list()->rowCount() == 7; }));
  }
  void TearDown() override {
    if (qEnvironmentVariableIsSet("KEEP_TEST_DIR")) {
      data_.setAutoRemove(false);
      ViewerState::instance().deleteLogAtExit = false;
      std::printf("[ data ] %s\n", qPrintable(data_.path()));
    }
    // Closed as a user closes it: the players are let go before it goes.
    window_->close();
    waitFor([this] { return window_->exitDone(); });
    window_.reset();
    std::printf("[ stall ] %lld ms\n", static_cast<long long>(gStalls->takeRecentMs()));
    MessageBoxes::setHook(nullptr);
    AppSettings::store().clear();
  }

  MelFileListItem *list() const { return window_->fileList(); }
  PlayerInterface *player() const { return window_->player(); }
  VLCComponent *vlc() const { return window_->player()->component(); }
  PlayControlView *bar() const { return window_->controls(); }
  PlayState state() const { return ViewerState::instance().playState(); }
  template <typename W = QWidget>
  W *barChild(const char *name) const {
    return bar()->findChild<W *>(QLatin1String(name));
  }

  // Input reaches everything again and the view shows where the player is.
  bool inputFree() const {
    return !window_->keyboardBlocked() && bar()->isEnabled() && list()->isEnabled() &&
           window_->scenes()->isEnabled() && !vlc()->isBusy();
  }
  void expectIdleView(const char *shot) {
    ASSERT_TRUE(waitFor([this] { return inputFree(); })) << "input stays blocked";
    EXPECT_TRUE(waitFor([this] { return window_->logoShown(); }));
    EXPECT_NE(state(), PlayState::Playing);
    EXPECT_FALSE(player()->timersActive());
    EXPECT_EQ(barChild<QLabel>("playTime")->text(), QStringLiteral("00:00"));
    EXPECT_EQ(barChild<QLabel>("totalTime")->text(), QStringLiteral("00:00"));
    QGuiApplication::primaryScreen()->grabWindow(0).save(screenshotPath(QLatin1String(shot)));
  }

  QPoint rowCentre(int row) const {
    list()->scrollToItem(list()->item(row, 1));
    return list()->visualItemRect(list()->item(row, 1)).center();
  }
  // Plays the list's row (a double click, as a person chooses it) and waits
  // until pictures show.
  void playRow(int row) {
    const QPoint at = rowCentre(row);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitFor([this] {
      return state() == PlayState::Playing && !window_->logoShown() &&
             vlc()->state() == VLCComponent::Running && inputFree();
    })) << "state "
        << static_cast<int>(state()) << " component " << vlc()->state();
  }
  // Plays to the last half second of the recording on show.
  void nearTheEnd() {
    player()->onPlayPosMove(static_cast<int>(ViewerState::instance().totalRangeMs) - 500);
  }
  // A key pressed while the list has the focus.
  void key(Qt::Key k) {
    list()->setFocus();
    ASSERT_TRUE(waitFor([this] { return list()->hasFocus(); }));
    QTest::keyClick(list(), k);
  }
  // Snapshots of every channel, taken as the capture button takes them.
  void snapshots() {
    // The pictures alone: the capture button would open the save dialog too.
    if (ViewerState::instance().playState() != PlayState::Playing &&
        ViewerState::instance().playState() != PlayState::Paused)
      return;
    QSignalSpy done(player(), &PlayerInterface::sendScreenImages);
    player()->takeScreenImages();
    waitFor([&] { return !done.isEmpty(); });
  }
  // The frames each channel shows while paused, read from snapshots; the
  // channels are in step once these are within 100 ms of channel 0.
  bool pausedInStep(int channels) {
    if (state() == PlayState::Playing) bar()->onClick_bPlay();
    if (!waitFor([this] { return state() == PlayState::Paused; })) return false;
    return waitFor([&] {
      snapshots();
      QVector<int> frames;
      for (int c = 0; c < channels; ++c)
        frames << gCard->separate[c].frameOf(
            QImage(data_.path() + QStringLiteral("/Snapshot/%1.png").arg(c)));
      const int drift = frameDriftMs(frames);
      return drift >= 0 && drift <= 100;
    });
  }

  QTemporaryDir data_;
  QStringList messages_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowE2E, ThreeCameraFilesPlayOnTheirOwnSurfaces) {
  playRow(0);
  EXPECT_EQ(vlc()->channelCount(), 3);
  EXPECT_TRUE(vlc()->isSeparateFiles());
  EXPECT_TRUE(pausedInStep(3));
  QGuiApplication::primaryScreen()->grabWindow(0).save(screenshotPath("main-window-playing"));
  // Snapshots of every channel go to the Snapshot folder, each showing its
  // own camera's picture.
  snapshots();
  for (int c = 0; c < 3; ++c) {
    QImage shot(data_.path() + QStringLiteral("/Snapshot/%1.png").arg(c));
    ASSERT_FALSE(shot.isNull()) << c;
    const double own = gCard->separate[c].difference(shot);
    for (int other = 0; other < 3; ++other) {
      if (other == c) continue;
      EXPECT_LT(own, gCard->separate[other].difference(shot)) << c << " " << other;
    }
  }
}

TEST_F(MainWindowE2E, TwoTracksOfOneFileShowOnMainAndSubSurfaces) {
  playRow(6);
  EXPECT_FALSE(vlc()->isSeparateFiles());
  EXPECT_EQ(vlc()->channelCount(), 2);
  ASSERT_TRUE(waitFor([this] { return !vlc()->isSettling(); }));
  EXPECT_TRUE(waitFor([this] {
    snapshots();
    for (int t = 0; t < 2; ++t) {
      QImage shot(data_.path() + QStringLiteral("/Snapshot/%1.png").arg(t));
      if (shot.isNull() ||
          gCard->tracks[t].difference(shot) >= gCard->tracks[1 - t].difference(shot))
        return false;
    }
    return true;
  }));
  // Sound comes from the main surface only.
  EXPECT_TRUE(vlc()->channelHasAudio(0));
  EXPECT_FALSE(vlc()->channelHasAudio(1));
}

TEST_F(MainWindowE2E, ControlsPauseStepSeekSpeedMuteFlipSwapAndFullScreen) {
  playRow(0);
  bar()->onClick_bPlay();  // pause
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Paused; }));
  auto frameShown = [this] {
    snapshots();
    const int f =
        gCard->separate[0].frameOf(QImage(data_.path() + QStringLiteral("/Snapshot/0.png")));
    return f;
  };
  int before = -1;
  ASSERT_TRUE(guitest::waitStable(
      [&] {
        const int f = frameShown();
        const bool same = f >= 0 && f == before;
        before = f;
        return same;
      },
      200));
  bar()->onClick_bUnit();  // seconds -> frames: the step buttons step frames
  bar()->onClick_b5sForward();
  ASSERT_TRUE(waitFor([&] { return frameShown() > before; }));
  EXPECT_EQ(state(), PlayState::Paused);
  const int stepped = frameShown();
  bar()->onClick_b5sReward();  // one frame back
  ASSERT_TRUE(waitFor([&] {
    const int f = frameShown();
    return f >= 0 && f < stepped;
  }));
  EXPECT_EQ(state(), PlayState::Paused);
  bar()->onClick_bUnit();  // back to seconds
  bar()->onClick_bPlay();  // resume
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Playing; }));

  // Slider seek, and the 5-second move back from 3 s lands on 0.
  player()->onPlayPosMove(3000);
  ASSERT_TRUE(waitFor([this] { return std::abs(vlc()->GetCurrentPos() - 3000) < 600; }));
  EXPECT_TRUE(pausedInStep(3));
  bar()->onClick_bPlay();
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Playing; }));
  bar()->onClick_b5sReward();
  ASSERT_TRUE(waitFor([this] { return vlc()->GetCurrentPos() < 900; }));
  EXPECT_TRUE(pausedInStep(3));
  bar()->onClick_bPlay();
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Playing; }));

  // Speed 2x and back.
  bar()->onChangedSpeed(4);
  ASSERT_TRUE(waitFor([this] { return vlc()->channelRate(0) == 2.0f; }));
  EXPECT_FLOAT_EQ(vlc()->rate(), 2.0f);
  bar()->onChangedSpeed(2);
  ASSERT_TRUE(waitFor([this] { return vlc()->channelRate(0) == 1.0f; }));

  // Mute on the main channel.
  bar()->onClick_bSound();
  ASSERT_TRUE(waitFor([] { return ViewerState::instance().muted; }));
  ASSERT_TRUE(waitFor([this] { return vlc()->channelMuted(0); }));
  bar()->onClick_bSound();
  ASSERT_TRUE(waitFor([this] { return !vlc()->channelMuted(0); }));

  // Flip the front camera.
  player()->onFlip(0);
  ASSERT_TRUE(waitFor([this] { return vlc()->isFlipped(0); }));
  player()->onFlip(0);
  ASSERT_TRUE(waitFor([this] { return !vlc()->isFlipped(0); }));

  // Swap a rear camera onto the main surface and back.
  QLabel *mainCaption = window_->scenes()->caption(0);
  ASSERT_NE(mainCaption, nullptr);
  window_->scenes()->onChangeSceneView(1);
  EXPECT_EQ(mainCaption->text(), QStringLiteral("CAM 1"));
  window_->scenes()->onChangeSceneView(1);
  EXPECT_EQ(mainCaption->text(), QStringLiteral("Front"));

  // Full screen by the Return key, whatever has the focus, and back by Escape.
  key(Qt::Key_Return);
  ASSERT_TRUE(waitFor([this] { return window_->isFullScreen(); }));
  ASSERT_TRUE(waitFor([this] { return !window_->fileList()->isVisible(); }));
  QGuiApplication::primaryScreen()->grabWindow(0).save(screenshotPath("main-window-fullscreen"));
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  ASSERT_TRUE(waitFor([this] { return !window_->isFullScreen(); }));
  EXPECT_TRUE(waitFor([this] { return window_->fileList()->isVisible(); }));
}

// Every file is a row of its own: the row after the front camera's file is
// the same recording's first rear camera file, then the next recording.
TEST_F(MainWindowE2E, NaturalEndMovesToTheNextRow) {
  playRow(2);
  nearTheEnd();
  ASSERT_TRUE(waitFor(
      [&] {
        return ViewerState::instance().currentRecording().fileName ==
                   QStringLiteral("20240501_083015_INF_1.mp4") &&
               state() == PlayState::Playing && inputFree();
      },
      20000))
      << ViewerState::instance().currentRecording().fileName.toStdString();
}

// a: the recording on the last visible row ends by itself.
TEST_F(MainWindowE2E, EndOfTheLastRowStopsWithInputFree) {
  playRow(6);
  nearTheEnd();
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Stopped; }, 20000));
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
  expectIdleView("end-of-last-row");
  EXPECT_TRUE(vlc()->isStopped());
}

// b: five seconds back at 0 s of the first row, and Left with nothing loaded.
TEST_F(MainWindowE2E, BackAtTheStartOfTheFirstRowAndWithNothingLoaded) {
  key(Qt::Key_Left);  // nothing loaded: nothing happens
  EXPECT_EQ(state(), PlayState::Idle);
  EXPECT_TRUE(inputFree());
  EXPECT_TRUE(messages_.isEmpty());

  playRow(0);
  player()->onPlayPosMove(0);
  ASSERT_TRUE(waitFor([this] { return vlc()->GetCurrentPos() < 400; }));
  ViewerState::instance().currentTimeMs = 0;
  key(Qt::Key_Left);
  ASSERT_TRUE(waitFor([this] { return messages_.contains(QStringLiteral("There is no item.")); }));
  expectIdleView("back-at-first-row");
}

// c: the playing row is deleted with the Delete key.
TEST_F(MainWindowE2E, DeletingThePlayingRowStopsWithInputFree) {
  playRow(1);
  list()->selectRow(1);
  key(Qt::Key_Delete);
  ASSERT_TRUE(
      messages_.contains(QStringLiteral("Do you want to delete the selected files at list?")));
  EXPECT_EQ(list()->rowCount(), 6);
  EXPECT_TRUE(QFile::exists(gCard->path("20240501_083000_INF_2.mp4")));
  expectIdleView("deleted-playing-row");
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
}

TEST_F(MainWindowE2E, DeletingThePlayingFileFromDiskStopsAndTheListMovesOn) {
  playRow(1);
  const QString path = gCard->path("20240501_083000_INF_2.mp4");
  QFile original(path);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  const QByteArray keep = original.readAll();
  original.close();
  list()->selectRow(1);
  list()->onDeleteCurrentFileFromDisk();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(list()->rowCount(), 6);
  expectIdleView("deleted-playing-file");
  // The next row plays on demand.
  list()->onNextFile();
  EXPECT_TRUE(waitFor([this] { return state() == PlayState::Playing && inputFree(); }));
  // Put the file back for the other tests.
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(keep);
}

// d: libvlc cannot play the file (a recording cut short by a power loss).
TEST_F(MainWindowE2E, ARecordingThatCannotBePlayedIsReportedWithInputFree) {
  window_->openPaths({gCard->damaged});
  ASSERT_EQ(list()->rowCount(), 8);
  const QPoint at = rowCentre(7);
  QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
  ASSERT_TRUE(waitFor(
      [this] {
        for (const QString &m : messages_)
          if (m.contains(QStringLiteral("20240501_091000_INF_1.mp4"))) return true;
        return false;
      },
      VLCComponent::kStartLimitMs + 5000))
      << messages_.join(" | ").toStdString();
  expectIdleView("cannot-be-played");
  // The next choice plays as usual.
  playRow(0);
}

// e: moving on reaches a recording without video.
TEST_F(MainWindowE2E, MovingOnToARecordingWithoutVideoStopsWithAMessage) {
  window_->openPaths({gCard->soundOnly});
  ASSERT_EQ(list()->rowCount(), 8);
  playRow(6);
  nearTheEnd();
  ASSERT_TRUE(waitFor(
      [this] {
        for (const QString &m : messages_)
          if (m.contains(QStringLiteral("no video"))) return true;
        return false;
      },
      20000))
      << messages_.join(" | ").toStdString();
  expectIdleView("moved-on-to-no-video");
}

// 2: Next on the last row stops what plays.
TEST_F(MainWindowE2E, NextOnTheLastRowStopsThePlayer) {
  playRow(6);
  QTest::mouseClick(barChild<QPushButton>("bForward"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Stopped; }));
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
  EXPECT_TRUE(waitFor([this] { return vlc()->isStopped(); }));
  EXPECT_FALSE(player()->timersActive());
  expectIdleView("next-on-last-row");
}

// 3: the step buttons and the arrow keys do nothing with nothing loaded.
TEST_F(MainWindowE2E, StepsWithNothingLoadedDoNothing) {
  for (const char *name : {"b5sForward", "b5sReward"})
    QTest::mouseClick(barChild<QPushButton>(name), Qt::LeftButton);
  key(Qt::Key_Right);
  key(Qt::Key_Left);
  bar()->onClick_bUnit();  // frames
  key(Qt::Key_Right);
  bar()->onClick_bUnit();
  EXPECT_EQ(state(), PlayState::Idle);
  EXPECT_FALSE(player()->timersActive());
  EXPECT_TRUE(vlc()->isStopped());
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
  expectIdleView("steps-with-nothing-loaded");
}

// 12: dropped web addresses are refused, a dropped folder is opened.
TEST_F(MainWindowE2E, DroppedAddressesAreRefusedAndADroppedFolderIsOpened) {
  auto drop = [this](const QList<QUrl> &urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list()->viewport(), &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list()->viewport(), &event);
  };
  drop({QUrl(QStringLiteral("http://example.com/20240501_083000_INF_1.mp4")),
        QUrl(QStringLiteral("file://nas/share/20240501_083000_INF_1.mp4"))});
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith(QStringLiteral("Only files on this computer")));
  EXPECT_EQ(list()->rowCount(), 7);

  playRow(0);
  messages_.clear();
  drop({QUrl::fromLocalFile(gCard->extra.path())});
  // The folder's recordings replace the list (its plain files, as Open
  // Folder loads them); what played was stopped first.
  EXPECT_EQ(list()->rowCount(), 2);
  EXPECT_EQ(ViewerState::instance().recordingList[0].fileName,
            QStringLiteral("20240501_090000_INF_1.mp4"));
  expectIdleView("dropped-folder");
}

// 13: the shortcuts act whatever has the focus; the list keeps its rows.
TEST_F(MainWindowE2E, ShortcutsWorkFromTheFocusedList) {
  list()->setFocus();
  list()->setCurrentCell(3, 1);
  key(Qt::Key_Space);  // nothing chosen: the first row plays
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Playing && inputFree(); }));
  EXPECT_EQ(ViewerState::instance().currentRecording().fileName,
            QStringLiteral("20240501_083000_INF_1.mp4"));
  key(Qt::Key_Space);
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Paused; }));
  const int row = list()->currentRow();
  key(Qt::Key_Right);
  EXPECT_EQ(list()->currentRow(), row);  // the list did not take the arrow
  EXPECT_GE(ViewerState::instance().currentTimeMs, 5000);
  key(Qt::Key_Space);
  ASSERT_TRUE(waitFor([this] { return state() == PlayState::Playing; }));
  EXPECT_TRUE(inputFree());
  QGuiApplication::primaryScreen()->grabWindow(0).save(screenshotPath("keys-from-the-list"));
}

TEST_F(MainWindowE2E, InputWaitsWhilePlaybackStartsAndOnlyThen) {
  QSignalSpy blocks(vlc(), &VLCComponent::send_setBlockEvent);
  playRow(0);
  ASSERT_FALSE(blocks.isEmpty());
  EXPECT_TRUE(blocks.first().at(0).toBool());
  EXPECT_FALSE(blocks.last().at(0).toBool());
  for (QAction *a : window_->shortcutActions())
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_EQ(window_->shortcutActions().size(), 7);  // with I and O, the marks of a span
  for (QAction *a : window_->shortcutActions()) {
    EXPECT_FALSE(a->autoRepeat());
    EXPECT_EQ(a->shortcutContext(), Qt::WindowShortcut);
  }
}

TEST_F(MainWindowE2E, AlwaysOnTopNeitherHidesNorMovesTheWindow) {
  int hides = 0;
  struct HideCounter : QObject {
    int *count;
    explicit HideCounter(int *c) : count(c) {}
    bool eventFilter(QObject *, QEvent *e) override {
      if (e->type() == QEvent::Hide) ++*count;
      return false;
    }
  } counter(&hides);
  window_->installEventFilter(&counter);
  const QPoint where = window_->pos();
  window_->onFixedTopScreen();
  EXPECT_EQ(window_->alwaysOnTopMode(), 1);
  EXPECT_TRUE(window_->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  window_->onFixedTopScreen();
  EXPECT_FALSE(window_->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(hides, 0);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(window_->pos(), where);
  window_->removeEventFilter(&counter);
}

TEST_F(MainWindowE2E, TheWindowIsDraggedByTheVideoArea) {
  QWidget *video = window_->scenes()->playScreen();
  const QPoint start = window_->pos();
  const QPoint inside(20, 20);
  const QPoint global = video->mapToGlobal(inside);
  QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(video, &press);
  QMouseEvent move(QEvent::MouseMove, inside + QPoint(30, 12), global + QPoint(30, 12),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(video, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, inside + QPoint(30, 12), global + QPoint(30, 12),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(video, &release);
  EXPECT_TRUE(waitFor([&] { return window_->pos() == start + QPoint(30, 12); }))
      << window_->pos().x() << "," << window_->pos().y();
}

TEST_F(MainWindowE2E, FiveSecondsBackAtTheStartGoesToThePreviousFile) {
  playRow(1);
  player()->onPlayPosMove(0);
  ASSERT_TRUE(waitFor([this] { return vlc()->GetCurrentPos() < 500; }));
  ViewerState::instance().currentTimeMs = 0;
  bar()->onClick_b5sReward();
  ASSERT_TRUE(waitFor(
      [this] {
        return ViewerState::instance().currentRecording().fileName ==
                   QStringLiteral("20240501_083000_INF_1.mp4") &&
               state() == PlayState::Playing && inputFree();
      },
      15000));
}

}  // namespace
