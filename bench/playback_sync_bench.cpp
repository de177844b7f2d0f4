// Three camera channels played together by the viewer's engine, watched from
// the screen: how far apart their pictures get over a minute of playing with
// a seek every five seconds, and how long it takes from the play request until
// every surface shows a picture. A surface's frame is read from the running
// time the generator writes into every picture, so the drift is what the user
// sees, not what libvlc reports (its time moves in 250 ms steps).
// Usage: playback_sync_bench FOLDER (a 60 s, three-channel recording in it)
#include <vlc/vlc.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/PlayerInterface.h"
#include "playback/VLCComponent.h"
#include "playback_pictures.h"

namespace {

constexpr int kStartRuns = 10;
constexpr int kPlayMs = 60000;
constexpr int kSeekEveryMs = 5000;
constexpr int kSettleMs = 500;  // samples this soon after a seek show the jump itself
constexpr int kSampleMs = 200;
const int kSeekTargetsMs[] = {20000, 5000,  40000, 12000, 30000, 48000,
                              3000,  25000, 35000, 10000, 45000};

bool waitFor(const std::function<bool()> &done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
  return true;
}

// A surface shows a picture once it is no longer black: the generator's
// pictures are bright everywhere.
bool showsPicture(const QImage &surface) {
  long sum = 0;
  int n = 0;
  for (int y = 4; y < surface.height(); y += 8)
    for (int x = 4; x < surface.width(); x += 8, ++n) sum += qGray(surface.pixel(x, y));
  return n > 0 && sum / n > 30;
}

int median(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: playback_sync_bench FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QStringList files;
  ChannelPictures pictures[3];
  QList<const ChannelPictures *> pictureList;
  for (int i = 0; i < 3; ++i) {
    files << folder + QStringLiteral("/20240501_083000_INF_%1.mp4").arg(i + 1);
    if (!pictures[i].load(files[i])) {
      std::fprintf(stderr, "no pictures in %s\n", qPrintable(files[i]));
      return 1;
    }
    pictureList << &pictures[i];
  }

  QTemporaryDir work;
  StatusLog::setPath(work.path() + "/playerStatus.txt");
  ViewerState &st = ViewerState::instance();
  st.appData = work.path();

  // Black behind the surfaces: they are hidden until the video shows.
  QWidget window(nullptr, Qt::FramelessWindowHint);
  QPalette black = window.palette();
  black.setColor(QPalette::Window, Qt::black);
  window.setPalette(black);
  window.setAutoFillBackground(true);
  auto *row = new QHBoxLayout(&window);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(8);
  QList<QWidget *> surfaces;
  for (int i = 0; i < 3; ++i) {
    auto *surface = new QWidget(&window);
    surface->setFixedSize(ChannelPictures::kPictureSize);
    row->addWidget(surface);
    surfaces << surface;
  }
  window.move(0, 0);
  window.show();
  waitFor([] { return false; }, 200);

  PlayerInterface player;
  player.setMainScreen(surfaces[0]);
  player.setSub1Screen(surfaces[1]);
  player.setSub2Screen(surfaces[2]);
  CurrentRecording recording;
  recording.fileName = QFileInfo(files[0]).fileName();
  recording.playbackPath = QDir::toNativeSeparators(files[0]);

  // Time from the play request to a picture on all three surfaces.
  std::vector<int> starts;
  for (int run = 0; run < kStartRuns; ++run) {
    player.onClickStop(false);
    player.component()->waitForStopped();
    waitFor([] { return false; }, 300);
    st.setCurrentRecording(recording);
    QElapsedTimer clock;
    clock.start();
    player.onOpenFile();
    const bool shown = waitFor(
        [&] {
          const QList<QImage> shown = grabSurfaces(surfaces);
          for (const QImage &s : shown)
            if (!showsPicture(s)) return false;
          // Bright is not enough: each must be a picture of its own channel.
          for (int i = 0; i < shown.size(); ++i)
            if (pictures[i].frameOf(shown[i]) < 0) return false;
          return true;
        },
        5000);
    starts.push_back(shown ? static_cast<int>(clock.elapsed()) : 5000);
  }

  // A minute of playing with a seek every five seconds.
  player.onClickStop(false);
  player.component()->waitForStopped();
  st.setCurrentRecording(recording);
  player.onOpenFile();
  waitFor([&] { return frameDriftMs(shownFrames(surfaces, pictureList)) >= 0; }, 5000);
  QElapsedTimer clock;
  clock.start();
  qint64 lastSeek = 0;
  size_t nextSeek = 0;
  int worstSettled = 0, worstAny = 0, samples = 0, unrecognised = 0, seeks = 0;
  std::vector<int> settled;
  while (clock.elapsed() < kPlayMs) {
    if (clock.elapsed() - lastSeek >= kSeekEveryMs &&
        nextSeek < sizeof kSeekTargetsMs / sizeof kSeekTargetsMs[0]) {
      player.onPlayPosMove(kSeekTargetsMs[nextSeek++]);
      lastSeek = clock.elapsed();
      ++seeks;
    }
    waitFor([] { return false; }, kSampleMs);
    const int drift = frameDriftMs(shownFrames(surfaces, pictureList));
    ++samples;
    if (drift < 0) {
      ++unrecognised;
      continue;
    }
    worstAny = std::max(worstAny, drift);
    if (clock.elapsed() - lastSeek >= kSettleMs) {
      worstSettled = std::max(worstSettled, drift);
      settled.push_back(drift);
    }
  }
  player.onClickStop(false);
  player.component()->waitForStopped();

  std::printf("playback_sync_bench: three 320x180 channels in separate files, libvlc %s\n",
              libvlc_get_version());
  std::printf(
      "  drift between channel pictures over %d s with %d seeks: worst %d ms once settled "
      "(%d ms or later after a seek), median %d ms; worst at any moment %d ms; "
      "%d of %d samples unreadable\n",
      kPlayMs / 1000, seeks, worstSettled, kSettleMs, median(settled), worstAny, unrecognised,
      samples);
  std::vector<int> sorted = starts;
  std::sort(sorted.begin(), sorted.end());
  std::printf(
      "  play request to a picture on all three surfaces: median %d ms (min %d, max %d, "
      "%d runs; goal under 1000 ms)\n",
      median(starts), sorted.front(), sorted.back(), kStartRuns);
  return 0;
}
