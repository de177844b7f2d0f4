#include "playback/VLCComponent.h"

#include <vlc/vlc.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/RecordingName.h"
#include "core/StatusLog.h"
#include "playback/AudioOutput.h"
#include "playback/ChannelSync.h"
#include "playback/VideoSurface.h"

struct VLCComponent::Shared {
  EngineState state;
  std::atomic<int> streams{0};
  std::atomic<bool> error{false};
  // The player whose events count (channel 0's); events of any other are dropped.
  std::atomic<libvlc_media_player_t *> main{nullptr};
  // Every channel's current player, to tell whose track changed.
  std::array<std::atomic<libvlc_media_player_t *>, VLCComponent::kMaxChannels> players{};
  std::atomic<int> workers{0};
  std::mutex lock;  // guards owner and stopHook
  VLCComponent *owner = nullptr;
  std::function<void()> stopHook;
};

namespace {

const char *const kInstanceArgs[] = {"--no-keyboard-events",
                                     "--no-mouse-events",
                                     "--mouse-hide-timeout=-1",
                                     "--no-sub-autodetect-file",
                                     "--no-interact",
                                     "--no-stats",
                                     "--no-snapshot-preview",
                                     // libvlc's own texts over the video (the
                                     // file name at the start, the snapshot's
                                     // path) are not this program's.
                                     "--no-osd",
                                     "--no-video-title-show",
                                     "--no-snapshot-sequential",
                                     "--avcodec-threads=0",
                                     "--file-caching=1000",
                                     "--verbose=1",
                                     "--clock-jitter=5000",
                                     "--clock-synchro=0"};
// libvlc 3.0 takes video filters only from the configuration of the instance
// a player belongs to (a media option never reaches the video output), and
// has no call to change them while playing. Mirrored channels therefore play
// on a second instance whose only difference is this filter.
const char *const kMirrorArgs[] = {"--video-filter=transform", "--transform-type=hflip"};

const libvlc_event_type_t kMainEvents[] = {
    libvlc_MediaPlayerPlaying,          libvlc_MediaPlayerVout,
    libvlc_MediaPlayerEndReached,       libvlc_MediaPlayerStopped,
    libvlc_MediaPlayerESAdded,          libvlc_MediaPlayerESDeleted,
    libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerSnapshotTaken};

constexpr int kSnapshotWidth = 1920;
constexpr int kSnapshotHeight = 1080;

QStringList &extraArguments() {
  static QStringList arguments;
  return arguments;
}

// Only errors reach the status log: libvlc warns dozens of times at every
// start (boxes it does not know, late pictures), and each line written from
// its threads would hold up the decoding that the user waits for. Bursts of
// one error are written once, followed by how often they came.
void handleLibvlcLog(void *, int level, const libvlc_log_t *context, const char *format,
                     va_list args) {
  if (level < LIBVLC_ERROR) return;
  static std::mutex repeatLock;
  static std::string lastFormat;
  static int repeats = 0;
  char text[512];
  vsnprintf(text, sizeof text, format, args);
  const char *module = nullptr;
  const char *file = nullptr;
  unsigned line = 0;
  libvlc_log_get_context(context, &module, &file, &line);
  std::lock_guard<std::mutex> guard(repeatLock);
  if (lastFormat == format) {
    ++repeats;
    return;
  }
  if (repeats > 0) logDebug("[VLC] last message repeated %d times", repeats);
  lastFormat = format;
  repeats = 0;
  logDebug("[VLC] %s %s: %s", level >= LIBVLC_ERROR ? "error" : "warning",
           module ? module : "libvlc", text);
}

// On libvlc's event thread: only the engine state and two counters change
// here; everything else is decided on the GUI thread.
void handleLibvlcEvent(const libvlc_event_t *event, void *data) {
  auto *shared = static_cast<VLCComponent::Shared *>(data);
  auto *player = static_cast<libvlc_media_player_t *>(event->p_obj);
  if (player != shared->main.load()) return;
  int value = 0;
  switch (event->type) {
    case libvlc_MediaPlayerESAdded:
      if (!EngineState::stopping(shared->state.state())) shared->streams.fetch_add(1);
      break;
    case libvlc_MediaPlayerESDeleted: {
      if (!EngineState::stopping(shared->state.state())) break;
      int left = shared->streams.load();
      while (left > 0 && !shared->streams.compare_exchange_weak(left, left - 1)) {
      }
      value = std::max(0, left - 1);
      if (shared->state.streamRemoved())
        logDebug("[VLCComponent]: state %d", VLCComponent::StreamRemoved);
      break;
    }
    case libvlc_MediaPlayerEncounteredError:
      shared->error = true;
      break;
    case libvlc_MediaPlayerVout:
      value = event->u.media_player_vout.new_count;
      break;
    default:
      break;
  }
  std::lock_guard<std::mutex> guard(shared->lock);
  if (shared->owner)
    emit shared->owner->playerEvent(event->type, value, reinterpret_cast<quintptr>(player));
}

// A rear channel took up a video track: only used while the channels of a
// one-file recording move to their own tracks.
void handleTrackSelected(const libvlc_event_t *event, void *data) {
  auto *shared = static_cast<VLCComponent::Shared *>(data);
  if (event->u.media_player_es_changed.i_type != libvlc_track_video) return;
  for (int i = 1; i < VLCComponent::kMaxChannels; ++i) {
    if (shared->players[i].load() != event->p_obj) continue;
    std::lock_guard<std::mutex> guard(shared->lock);
    if (shared->owner)
      emit shared->owner->videoTrackSelected(i, event->u.media_player_es_changed.i_id);
    return;
  }
}

// Workers of every component, for the end of the program.
std::atomic<int> gLiveWorkers{0};

void runOnWorker(const std::shared_ptr<VLCComponent::Shared> &shared, std::function<void()> job) {
  shared->workers.fetch_add(1);
  gLiveWorkers.fetch_add(1);
  std::thread([shared, job = std::move(job)] {
    job();
    shared->workers.fetch_sub(1);
    gLiveWorkers.fetch_sub(1);
    std::lock_guard<std::mutex> guard(shared->lock);
    if (shared->owner) emit shared->owner->workerFinished();
  }).detach();
}

// Stops and releases players that are no longer ours, off the GUI thread.
void disposePlayers(const std::shared_ptr<VLCComponent::Shared> &shared,
                    std::vector<libvlc_media_player_t *> players) {
  if (players.empty()) return;
  runOnWorker(shared, [players] {
    for (libvlc_media_player_t *p : players) libvlc_media_player_stop(p);
    for (libvlc_media_player_t *p : players) libvlc_media_player_release(p);
  });
}

QList<QByteArray> audioOutputsOf(libvlc_instance_t *vlc) {
  QList<QByteArray> available;
  libvlc_audio_output_t *list = libvlc_audio_output_list_get(vlc);
  for (libvlc_audio_output_t *o = list; o; o = o->p_next) available << QByteArray(o->psz_name);
  libvlc_audio_output_list_release(list);
  return available;
}

}  // namespace

VLCComponent::VLCComponent(QObject *parent) : QObject(parent), shared_(std::make_shared<Shared>()) {
  logDebug("VLCComponent::VLCComponent");
  shared_->owner = this;
  connect(this, &VLCComponent::playerEvent, this, &VLCComponent::onPlayerEvent,
          Qt::QueuedConnection);
  connect(this, &VLCComponent::stopWorkerDone, this, &VLCComponent::onStopWorkerDone,
          Qt::QueuedConnection);
  connect(this, &VLCComponent::workerFinished, this, &VLCComponent::onWorkerFinished,
          Qt::QueuedConnection);
  connect(this, &VLCComponent::send_ShowWidget, this, &VLCComponent::recv_ShowWidget);
  sync_ = new ChannelSync(this);
  connect(this, &VLCComponent::videoTrackSelected, sync_, &ChannelSync::onVideoTrackSelected,
          Qt::QueuedConnection);
  stopLimit_ = new QTimer(this);
  stopLimit_->setSingleShot(true);
  stopLimit_->setInterval(kStopLimitMs);
  connect(stopLimit_, &QTimer::timeout, this, &VLCComponent::onStopLimit);
  startLimit_ = new QTimer(this);
  startLimit_->setSingleShot(true);
  startLimit_->setInterval(kStartLimitMs);
  connect(startLimit_, &QTimer::timeout, this, &VLCComponent::onStartLimit);

  if (!instanceFor(false)) return;
  audioOutput_ = AudioOutput::choose(audioOutputsOf(instance_), AudioOutput::probe());
  logInfo("[VLCComponent]: audio output \"%s\"", audioOutput_.constData());
  for (int i = 0; i < kMaxChannels; ++i) players_[i] = createPlayer(i, false);
  setMainPlayer(players_[0]);
}

VLCComponent::~VLCComponent() {
  logDebug("VLCComponent::~VLCComponent");
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->owner = nullptr;
    shared_->stopHook = nullptr;
  }
  shared_->main = nullptr;
  detachEvents(players_[0]);
  shared_->state.abandonStop();
  std::vector<libvlc_media_player_t *> players;
  for (libvlc_media_player_t *&p : players_) {
    if (p) players.push_back(p);
    p = nullptr;
  }
  // The players hold their instance: it goes once the last of them is released.
  disposePlayers(shared_, players);
  if (mirrorInstance_) libvlc_release(mirrorInstance_);
  if (instance_) libvlc_release(instance_);
}

void VLCComponent::setExtraArguments(const QStringList &arguments) {
  extraArguments() = arguments;
}

libvlc_instance_t *VLCComponent::instanceFor(bool mirrored) {
  libvlc_instance_t *&slot = mirrored ? mirrorInstance_ : instance_;
  if (slot) return slot;
  std::vector<QByteArray> extra;
  for (const QString &a : extraArguments()) extra.push_back(a.toUtf8());
  std::vector<const char *> args(std::begin(kInstanceArgs), std::end(kInstanceArgs));
  if (mirrored) args.insert(args.end(), std::begin(kMirrorArgs), std::end(kMirrorArgs));
  for (const QByteArray &a : extra) args.push_back(a.constData());
  slot = libvlc_new(static_cast<int>(args.size()), args.data());
  if (!slot) {
    logError("[VLCComponent]: libvlc refused to start (%s)", mirrored ? "mirrored" : "main");
    return nullptr;
  }
  libvlc_log_set(slot, handleLibvlcLog, nullptr);
  return slot;
}

libvlc_media_player_t *VLCComponent::createPlayer(int channel, bool mirrored) {
  libvlc_instance_t *vlc = instanceFor(mirrored);
  if (!vlc) return nullptr;
  libvlc_media_player_t *player = libvlc_media_player_new(vlc);
  if (!player) {
    logError("[VLCComponent]: no media player for channel %d", channel);
    return nullptr;
  }
  // Mouse and keys belong to our widgets (zoom, drag, shortcuts).
  libvlc_video_set_key_input(player, 0);
  libvlc_video_set_mouse_input(player, 0);
  if (!audioOutput_.isEmpty()) libvlc_audio_output_set(player, audioOutput_.constData());
  if (surfaces_[channel])
    libvlc_media_player_set_xwindow(player, surfaces_[channel]->videoWindow());
  libvlc_event_attach(libvlc_media_player_event_manager(player), libvlc_MediaPlayerESSelected,
                      handleTrackSelected, shared_.get());
  shared_->players[channel] = player;
  playerMirrored_[channel] = mirrored;
  return player;
}

libvlc_media_t *VLCComponent::createMedia(int channel, const QStringList &extra) const {
  const Source &source = sources_[channel];
  libvlc_instance_t *vlc = playerMirrored_[channel] ? mirrorInstance_ : instance_;
  if (!vlc || source.path.isEmpty()) return nullptr;
  libvlc_media_t *media = libvlc_media_new_path(vlc, QFile::encodeName(source.path).constData());
  if (!media) return nullptr;
  for (const QString &option : source.options + extra)
    libvlc_media_add_option(media, option.toUtf8().constData());
  return media;
}

void VLCComponent::attachEvents(libvlc_media_player_t *player) {
  if (!player) return;
  libvlc_event_manager_t *events = libvlc_media_player_event_manager(player);
  for (libvlc_event_type_t type : kMainEvents)
    libvlc_event_attach(events, type, handleLibvlcEvent, shared_.get());
}

void VLCComponent::detachEvents(libvlc_media_player_t *player) {
  if (!player) return;
  libvlc_event_manager_t *events = libvlc_media_player_event_manager(player);
  for (libvlc_event_type_t type : kMainEvents)
    libvlc_event_detach(events, type, handleLibvlcEvent, shared_.get());
}

void VLCComponent::setMainPlayer(libvlc_media_player_t *player) {
  libvlc_media_player_t *old = shared_->main.exchange(player);
  if (old == player) {
    attachEvents(player);
    return;
  }
  attachEvents(player);
  detachEvents(old);
}

void VLCComponent::SetVideoWindow(int id, VideoSurface *surface) {
  if (id < 0 || id >= kMaxChannels || surfaces_[id] == surface) return;
  surfaces_[id] = surface;
  // The drawing window is made now, with the rest of the window, rather than
  // at the first play: a window made later would stack above what was meant
  // to float over the video.
  if (surface) surface->videoWindow();
}

void VLCComponent::applyWindows() {
  bool applied = false;
  for (int i = 0; i < kMaxChannels; ++i) {
    if (!players_[i] || !surfaces_[i]) continue;
    const uint32_t window = surfaces_[i]->videoWindow();
    if (libvlc_media_player_get_xwindow(players_[i]) == window) continue;
    libvlc_media_player_set_xwindow(players_[i], window);
    applied = true;
  }
  if (applied) emit send_ApplyWindowToWidget();
}

void VLCComponent::SetFile(const QString &path, int channelCount, double totalRangeMs) {
  logDebug("VLCComponent::SetFile");
  cause_ = CauseEnd;
  shared_->error = false;
  shared_->streams = 0;
  starting_ = false;
  rate_ = 1.0f;
  totalRangeMs_ = totalRangeMs;
  lastMainTime_ = 0;
  restarting_ = 0;
  sync_->stopped();

  // A channel mirrored or straightened while stopped gets its player from
  // the other instance now.
  for (int i = 0; i < kMaxChannels; ++i) {
    if (!players_[i] || playerMirrored_[i] == flip_[i]) continue;
    libvlc_media_player_t *old = players_[i];
    players_[i] = createPlayer(i, flip_[i]);
    if (i == 0) setMainPlayer(players_[0]);
    libvlc_media_player_release(old);
  }
  applyWindows();

  // A camera that writes every channel into one file names it like a front
  // camera file; its several video tracks tell it apart.
  separateFiles_ = RecordingName::isChannelFile(path) && channelCount <= 1;
  // One file whose video tracks are the channels: each player shows the
  // track of its own number. Only channel 0 decodes the sound.
  QStringList files = separateFiles_ ? RecordingName::channelFiles(path) : QStringList();
  if (!separateFiles_)
    for (int i = 0; i < std::clamp(channelCount, 1, kMaxChannels); ++i) files << path;
  sources_ = {};
  const int count = std::min<int>(files.size(), kMaxChannels);
  for (int i = 0; i < count; ++i) {
    sources_[i].path = files[i];
    if (i > 0) sources_[i].options = QStringList{QStringLiteral(":no-audio")};
  }
  for (int i = 0; i < kMaxChannels; ++i) {
    if (!players_[i]) continue;
    libvlc_media_t *media = i < count ? createMedia(i, {}) : nullptr;
    libvlc_media_player_set_media(players_[i], media);
    if (media) libvlc_media_release(media);
  }
  channels_ = count;
  shared_->state.move({Created, MediaSet, Stopped}, MediaSet);
  logDebug("[VLCComponent]: state %d", state());
}

int VLCComponent::Play() {
  logDebug("VLCComponent::Play");
  const int count = activeChannels();
  if (!players_[0] || count == 0 || !shared_->state.move({MediaSet}, Running)) return -1;
  emit send_ShowWidget(false);
  resetAudioDevice();
  for (int i = 0; i < count; ++i) {
    if (libvlc_media_player_play(players_[i]) != 0) {
      logError("[VLCComponent]: channel %d does not play", i);
      if (i == 0) {
        shared_->state.move({Running}, MediaSet);
        return -1;
      }
    }
    libvlc_media_player_set_rate(players_[i], 1.0f);
  }
  logDebug("[VLCComponent]: state %d", Running);
  rate_ = 1.0f;
  starting_ = true;
  startLimit_->start();
  sync_->started(separateFiles_);
  updateBlock();
  return 0;
}

void VLCComponent::Pause() {
  logDebug("VLCComponent::Pause");
  // Where channel 0 is at the request: the paused channels are lined up there.
  qint64 at = sync_->mainTimeGuess();
  if (at < 0) at = lastMainTime_;  // just moved: where it was moved to
  if (totalRangeMs_ > 0) at = std::min<qint64>(at, static_cast<qint64>(totalRangeMs_));
  // A player still getting going after a move is paused by the sync once it
  // runs (a pause before that would keep the picture from before the move).
  for (int i = 0; i < activeChannels(); ++i)
    if (at < 0 || sync_->landed(i)) libvlc_media_player_set_pause(players_[i], 1);
  if (shared_->state.move({Running}, Paused)) logDebug("[VLCComponent]: state %d", Paused);
  if (at >= 0) lastMainTime_ = at;
  sync_->paused(at);
}

void VLCComponent::Resume() {
  logDebug("VLCComponent::Resume");
  for (int i = 0; i < activeChannels(); ++i) libvlc_media_player_set_pause(players_[i], 0);
  if (shared_->state.move({Paused}, Running)) logDebug("[VLCComponent]: state %d", Running);
  sync_->resumed();
}

void VLCComponent::Stop(int cause) {
  logDebug("VLCComponent::Stop");
  if (state() == Paused) {
    for (int i = 0; i < activeChannels(); ++i) {
      libvlc_media_player_set_pause(players_[i], 0);
      libvlc_media_player_set_rate(players_[i], 1.0f);
    }
    rate_ = 1.0f;
  }
  cause_ = cause;
  const quint32 ticket = shared_->state.requestStop();
  logDebug("[VLCComponent]: state %d", state());
  emit send_setLogo(true);
  starting_ = false;
  startLimit_->stop();
  sync_->stopped();
  beginStop(ticket);
  updateBlock();
}

// A stop already on its way reports with the latest cause; a new one (also
// one asked for just after the last worker finished, before it reported)
// gets a worker of its own.
void VLCComponent::beginStop(quint32 ticket) {
  if (ticket == pendingStop_) return;
  pendingStop_ = ticket;
  startStopWorker(ticket);
  stopLimit_->start();
}

void VLCComponent::cancelMoveOn() {
  if (pendingStop_ != 0 && (cause_ == CauseEnd || cause_ == CausePrevious)) cause_ = CausePlain;
}

void VLCComponent::startStopWorker(quint32 ticket) {
  // The worker holds its own references: if it gets stuck in libvlc the
  // players can be replaced under it.
  std::vector<libvlc_media_player_t *> players;
  for (int i = kMaxChannels - 1; i >= 0; --i) {
    if (!players_[i]) continue;
    libvlc_media_player_retain(players_[i]);
    players.push_back(players_[i]);
  }
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    hook = shared_->stopHook;
  }
  auto shared = shared_;
  runOnWorker(shared_, [shared, players, ticket, hook] {
    if (shared->state.workerStopping(ticket)) logDebug("[VLCComponent]: state %d", Stopping);
    {
      std::lock_guard<std::mutex> guard(shared->lock);
      if (shared->owner) emit shared->owner->send_ShowWidget(false);
    }
    if (hook) hook();
    // Rear channels first: channel 0's stop is the one that reports. Taking
    // the media away ends the playback as a stop does, but keeps what the
    // player built to show it (video and audio outputs): the next recording
    // takes them over instead of building them anew, which is most of the
    // time until its first picture. A released player lets go of them.
    for (libvlc_media_player_t *p : players) libvlc_media_player_set_media(p, nullptr);
    for (libvlc_media_player_t *p : players) libvlc_media_player_release(p);
    if (!shared->state.workerStopped(ticket)) return;  // given up on meanwhile
    logDebug("[VLCComponent]: state %d", Stopped);
    std::lock_guard<std::mutex> guard(shared->lock);
    if (shared->owner) emit shared->owner->stopWorkerDone(ticket);
  });
}

void VLCComponent::onStopWorkerDone(quint32 ticket) {
  if (ticket == pendingStop_) completeStop();
}

void VLCComponent::onStopLimit() {
  if (pendingStop_ != 0) resetPlayers();
}

void VLCComponent::completeStop() {
  pendingStop_ = 0;
  stopLimit_->stop();
  channels_ = 0;
  restarting_ = 0;
  resetAudioDevice();
  const int cause = cause_;
  logDebug("[VLCComponent]: stopped, cause %d", cause);
  switch (cause) {
    case CauseEnd:
      emit send_GoNext();
      break;
    case CausePrevious:
      emit send_GoBack();
      break;
    case CauseLogo:
      emit send_setLogo(true);
      break;
    case CauseFileRemoved:
      logInfo("Stop cause File Remove");
      if (players_[0]) libvlc_media_player_set_media(players_[0], nullptr);
      break;
    default:
      break;
  }
  emit stopped();
  // A move to the next file has started it by now and keeps input held
  // until it shows; otherwise input is given back here.
  updateBlock();
}

void VLCComponent::resetPlayers() {
  // The worker may have got through just now, its report still on the way
  // (the GUI thread was busy): then the players are fine as they are.
  if (!shared_->state.abandonStop(pendingStop_)) {
    logDebug("[VLCComponent]: the players stopped late");
    completeStop();
    return;
  }
  // From here the worker stays silent; it keeps its own references to the
  // players and lets them go when libvlc lets it.
  logError("[VLCComponent]: the players did not stop within %d ms; they are created anew",
           kStopLimitMs);
  // The events go first, while this component's reference still holds the
  // player: the worker may release the last other one at any moment.
  shared_->main = nullptr;
  detachEvents(players_[0]);
  for (int i = 0; i < kMaxChannels; ++i) {
    if (players_[i]) libvlc_media_player_release(players_[i]);
    if (surfaces_[i]) surfaces_[i]->retireVideoWindow();  // the stuck player still holds it
    players_[i] = createPlayer(i, flip_[i]);
  }
  setMainPlayer(players_[0]);
  completeStop();
}

void VLCComponent::shutDown() {
  logDebug("VLCComponent::shutDown");
  shuttingDown_ = true;
  if (!isStopped()) Stop(CausePlain);
  if (shared_->workers.load() == 0 && pendingStop_ == 0)
    QTimer::singleShot(0, this, &VLCComponent::finished);
}

bool VLCComponent::waitForAllWorkers(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (gLiveWorkers.load() > 0) {
    if (clock.elapsed() >= ms) return false;
    QThread::msleep(5);
  }
  return true;
}

bool VLCComponent::hasWorkers() const {
  return shared_->workers.load() > 0;
}

void VLCComponent::Seek(qint64 ms) {
  logDebug("VLCComponent::Seek");
  if (state() == Paused) {
    sync_->movePaused(ms);
    lastMainTime_ = ms;
    return;
  }
  for (int i = 0; i < activeChannels(); ++i) libvlc_media_player_set_time(players_[i], ms);
  lastMainTime_ = ms;
  sync_->moved();
}

void VLCComponent::Forward(qint64 ms) {
  logDebug("VLCComponent::Forward");
  if (ms < 0) {
    Resume();  // runs into the end, which moves on to the next file
    return;
  }
  const qint64 target = GetCurrentPos() + ms;
  const qint64 total = totalRangeMs_ > 0 ? static_cast<qint64>(totalRangeMs_) : GetTotalTime();
  if (total > 0 && target >= total) {
    Seek(total);
    if (shared_->state.move({Running}, Paused)) logDebug("[VLCComponent]: state %d", Paused);
    return;
  }
  Seek(target);
  if (state() != Paused) Resume();
}

void VLCComponent::Rewind(qint64 ms) {
  logDebug("VLCComponent::Rewind");
  if (ms < 0) {
    Resume();
    Stop(CausePrevious);
    return;
  }
  const qint64 target = GetCurrentPos() - ms;
  if (target >= 0) {
    Seek(target);
    return;
  }
  if (state() == Paused) Resume();
  Seek(0);
}

// Frame steps are precise moves of every channel to the middle of the next
// (or previous) frame: libvlc's own next-frame step continues from where the
// decoder was before a paused move, and would show an older picture.
void VLCComponent::NextFrame() {
  logDebug("VLCComponent::NextFrame");
  stepFrame(1);
}

void VLCComponent::PreviousFrame() {
  logDebug("VLCComponent::PreviousFrame");
  stepFrame(-1);
}

void VLCComponent::stepFrame(int direction) {
  const double fps = GetFps();
  const double frameMs = fps > 1 ? 1000.0 / fps : 1000.0 / 30.0;
  const qint64 shown = static_cast<qint64>(std::floor((GetCurrentPos() + 0.5) / frameMs));
  const qint64 target = std::max<qint64>(0, shown + direction);
  Seek(static_cast<qint64>(std::llround((static_cast<double>(target) + 0.5) * frameMs)));
}

void VLCComponent::SetSpeed(float rate) {
  logDebug("VLCComponent::SetSpeed");
  const int count = activeChannels();
  for (int i = 0; i < count; ++i) libvlc_media_player_set_pause(players_[i], 1);
  for (int i = 0; i < count; ++i) libvlc_media_player_set_rate(players_[i], rate);
  const qint64 t = GetCurrentPos();
  rate_ = rate;
  // Every channel goes to the same time, so they leave together.
  const qint64 to = t <= 0 ? 0 : std::max<qint64>(0, t - 1000);
  for (int i = 0; i < count; ++i) libvlc_media_player_set_time(players_[i], to);
  lastMainTime_ = to;
  for (int i = 0; i < count; ++i) libvlc_media_player_set_pause(players_[i], 0);
  shared_->state.move({Paused}, Running);
  sync_->rateChanged(rate);
}

void VLCComponent::SetVolume(int volume) {
  logDebug("VLCComponent::SetVolume");
  if (players_[0]) libvlc_audio_set_volume(players_[0], volume);
}

void VLCComponent::SetMute(bool on) {
  logDebug("VLCComponent::SetMute");
  if (players_[0]) libvlc_audio_set_mute(players_[0], on ? 1 : 0);
}

void VLCComponent::SetResize(int id, const QSize &size) {
  if (id < 0 || id >= kMaxChannels || !surfaces_[id]) return;
  surfaces_[id]->resize(size);
}

void VLCComponent::SetFlip(int channel, bool mirrored) {
  if (channel < 0 || channel >= kMaxChannels || flip_[channel] == mirrored) return;
  flip_[channel] = mirrored;
  logDebug("[VLCComponent]: channel %d %s", channel, mirrored ? "mirrored" : "straight");
  const int s = state();
  if (channel < activeChannels() && (s == Running || s == Paused)) restartChannel(channel);
}

void VLCComponent::ResetFlips() {
  for (int i = 0; i < kMaxChannels; ++i) SetFlip(i, false);
}

void VLCComponent::restartChannel(int channel) {
  const bool paused = state() == Paused;
  const qint64 at = GetCurrentPos();
  libvlc_media_player_t *old = players_[channel];
  // The old player lets go of its window only when stopped.
  if (surfaces_[channel]) surfaces_[channel]->retireVideoWindow();
  libvlc_media_player_t *fresh = createPlayer(channel, flip_[channel]);
  if (!fresh) return;
  QStringList extra{
      QStringLiteral(":start-time=%1").arg(static_cast<double>(at) / 1000.0, 0, 'f', 3)};
  if (paused) extra << QStringLiteral(":start-paused");
  libvlc_media_t *media = createMedia(channel, extra);
  libvlc_media_player_set_media(fresh, media);
  if (media) libvlc_media_release(media);
  players_[channel] = fresh;
  if (channel == 0) {
    setMainPlayer(fresh);
    lastMainTime_ = at;
    restarting_ |= 1u;
  }
  // Its stop blocks, so the old player goes away on a worker.
  disposePlayers(shared_, {old});
  libvlc_media_player_play(fresh);
  libvlc_media_player_set_rate(fresh, rate_);
  sync_->channelRestarted(channel, separateFiles_);
}

qint64 VLCComponent::GetCurrentPos() const {
  // Paused, channel 0 shows the moment it was lined up at (libvlc's own
  // figure may be from up to half a second before).
  if (!players_[0] || (restarting_ & 1u) || state() == Paused) return lastMainTime_;
  qint64 t = sync_->mainTimeNow();
  if (t < 0) t = libvlc_media_player_get_time(players_[0]);
  if (t >= 0) lastMainTime_ = t;
  return t < 0 ? 0 : t;
}

qint64 VLCComponent::GetTotalTime() const {
  if (!players_[0]) return 0;
  const qint64 length = libvlc_media_player_get_length(players_[0]);
  return length < 0 ? 0 : length;
}

double VLCComponent::GetPosition() const {
  if (!players_[0]) return 0;
  const float position = libvlc_media_player_get_position(players_[0]);
  return position < 0 ? 0 : position;
}

double VLCComponent::GetFps() const {
  if (!players_[0]) return 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  // Still the one call that answers the playing frame rate in libvlc 3.0.
  const float fps = libvlc_media_player_get_fps(players_[0]);
#pragma GCC diagnostic pop
  return fps > 0 ? fps : 0;
}

int VLCComponent::GetImage(int id, const QString &path) {
  logDebug("VLCComponent::GetImage");
  if (id < 0 || id >= activeChannels() || !players_[id]) return -1;
  QDir().mkpath(QFileInfo(path).absolutePath());
  // libvlc answers 0 even when it wrote nothing: only a file written now
  // counts, never one left from an earlier snapshot.
  if (QFile::exists(path) && !QFile::remove(path)) {
    logError("[VLCComponent]: cannot replace the snapshot of channel %d", id);
    return -1;
  }
  const int rc = libvlc_video_take_snapshot(players_[id], 0, QFile::encodeName(path).constData(),
                                            kSnapshotWidth, kSnapshotHeight);
  if (rc != 0 || QFileInfo(path).size() <= 0) {
    logError("[VLCComponent]: no snapshot of channel %d was written", id);
    return -1;
  }
  return 0;
}

void VLCComponent::GetImagesAsync(const QList<int> &channels, const QStringList &paths) {
  logDebug("VLCComponent::GetImagesAsync");
  struct Job {
    libvlc_media_player_t *player;
    QString path;
  };
  std::vector<Job> jobs;
  for (int i = 0; i < channels.size() && i < paths.size(); ++i) {
    const int id = channels[i];
    const QString &path = paths[i];
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (QFile::exists(path)) QFile::remove(path);  // only a picture written now counts
    if (id < 0 || id >= activeChannels() || !players_[id] || QFile::exists(path)) {
      jobs.push_back({nullptr, path});
      continue;
    }
    libvlc_media_player_retain(players_[id]);
    jobs.push_back({players_[id], path});
  }
  auto shared = shared_;
  runOnWorker(shared_, [shared, jobs] {
    QStringList written;
    for (const Job &job : jobs) {
      if (!job.player) {
        written << QString();
        continue;
      }
      const int rc = libvlc_video_take_snapshot(
          job.player, 0, QFile::encodeName(job.path).constData(), kSnapshotWidth, kSnapshotHeight);
      libvlc_media_player_release(job.player);
      written << (rc == 0 && QFileInfo(job.path).size() > 0 ? job.path : QString());
    }
    std::lock_guard<std::mutex> guard(shared->lock);
    if (shared->owner) emit shared->owner->imagesTaken(written);
  });
}

void VLCComponent::recv_ShowWidget(bool show) {
  const int count = activeChannels();
  for (int i = 0; i < kMaxChannels; ++i) {
    if (!surfaces_[i]) continue;
    if (!show)
      surfaces_[i]->hide();
    else if (i < count)
      surfaces_[i]->show();
  }
}

void VLCComponent::onPlayerEvent(int type, int value, quintptr player) {
  if (player != reinterpret_cast<quintptr>(players_[0])) return;  // a player since replaced
  const int s = state();
  switch (type) {
    case libvlc_MediaPlayerPlaying:
      logDebug("[VLCComponent]: playing");
      restarting_ &= ~1u;
      break;
    case libvlc_MediaPlayerVout:
      if (value <= 0 || !starting_ || (s != Running && s != Paused)) break;
      if (shared_->error.load()) {
        fail(tr("The recording could not be played."));
        break;
      }
      onVideoShown();
      break;
    case libvlc_MediaPlayerEndReached:
      logInfo("[VLCComponent]: end of the recording");
      if (s != Running && s != Paused) break;
      // An end before any picture: libvlc found nothing it could play.
      if (starting_) {
        fail(tr("The recording could not be played."));
        break;
      }
      cause_ = CauseEnd;
      sync_->stopped();
      beginStop(shared_->state.requestStop());
      updateBlock();
      break;
    case libvlc_MediaPlayerStopped:
      logDebug("[VLCComponent]: channel 0 stopped");
      break;
    case libvlc_MediaPlayerESDeleted:
      if (s == StreamRemoved) logDebug("[VLCComponent]: stream removed, %d left", value);
      break;
    case libvlc_MediaPlayerEncounteredError:
      logError("[VLCComponent]: libvlc reports an error on channel 0");
      if (starting_ || s == Running || s == Paused) fail(tr("The recording could not be played."));
      break;
    case libvlc_MediaPlayerSnapshotTaken:
      logDebug("[VLCComponent]: snapshot taken");
      break;
    default:
      break;
  }
}

void VLCComponent::onVideoShown() {
  starting_ = false;
  startLimit_->stop();
  logDebug("[VLCComponent]: video output created");
  for (int i = 0; i < activeChannels(); ++i) libvlc_media_player_set_rate(players_[i], rate_);
  emit send_ShowWidget(true);
  for (int id = 1; id < kMaxChannels; ++id) {
    QWidget *surface = surfaces_[id];
    if (surface && surface->parentWidget() && !surface->parentWidget()->layout())
      surface->setGeometry(surface->parentWidget()->rect());
  }
  updateBlock();
  emit send_playNow();
}

void VLCComponent::onStartLimit() {
  if (starting_) fail(tr("The recording shows no picture."));
}

void VLCComponent::fail(const QString &reason) {
  starting_ = false;
  startLimit_->stop();
  logError("[VLCComponent]: %s", qUtf8Printable(reason));
  updateBlock();
  emit playbackFailed(reason);
}

void VLCComponent::updateBlock() {
  const bool busy = isBusy();
  if (busy == blocked_) return;
  blocked_ = busy;
  emit send_setBlockEvent(busy);
}

void VLCComponent::resetAudioDevice() {
  if (!players_[0]) return;
  char *device = libvlc_audio_output_device_get(players_[0]);
  if (device && *device)
    logDebug("[VLCComponent]: audio device \"%s\" back to the default", device);
  libvlc_free(device);
  libvlc_audio_output_set(players_[0], audioOutput_.constData());
}

void VLCComponent::onWorkerFinished() {
  if (shared_->workers.load() > 0) return;
  for (const QPointer<VideoSurface> &surface : surfaces_)
    if (surface) surface->releaseRetiredWindows();
  if (shuttingDown_ && pendingStop_ == 0) emit finished();
}

int VLCComponent::state() const {
  return shared_->state.state();
}

int VLCComponent::channelCount() const {
  return channels_;
}

int VLCComponent::activeChannels() const {
  return std::clamp(channels_, 0, kMaxChannels);
}

bool VLCComponent::isStopped() const {
  return shared_->state.isIdle() && pendingStop_ == 0;
}

bool VLCComponent::isStopping() const {
  return pendingStop_ != 0 || shared_->state.isStopping();
}

bool VLCComponent::isBusy() const {
  return starting_ || isStopping();
}

bool VLCComponent::isSettling() const {
  return sync_->isSettling();
}

bool VLCComponent::isFlipped(int channel) const {
  return channel >= 0 && channel < kMaxChannels && flip_[channel];
}

QString VLCComponent::channelPath(int channel) const {
  return channel >= 0 && channel < kMaxChannels ? sources_[channel].path : QString();
}

VideoSurface *VLCComponent::videoWindow(int id) const {
  return id >= 0 && id < kMaxChannels ? surfaces_[id].data() : nullptr;
}

qint64 VLCComponent::channelTime(int channel) const {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return -1;
  return libvlc_media_player_get_time(players_[channel]);
}

float VLCComponent::channelRate(int channel) const {
  if (channel < 0 || channel >= kMaxChannels || !players_[channel]) return 0;
  return libvlc_media_player_get_rate(players_[channel]);
}

bool VLCComponent::channelShowsPicture(int channel) const {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return false;
  const libvlc_state_t s = libvlc_media_player_get_state(players_[channel]);
  return libvlc_media_player_has_vout(players_[channel]) > 0 &&
         (s == libvlc_Playing || s == libvlc_Paused);
}

void VLCComponent::pauseChannel(int channel) {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return;
  const libvlc_state_t s = libvlc_media_player_get_state(players_[channel]);
  if (s == libvlc_Playing || s == libvlc_Buffering)
    libvlc_media_player_set_pause(players_[channel], 1);
}

int VLCComponent::channelState(int channel) const {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return -1;
  return libvlc_media_player_get_state(players_[channel]);
}

bool VLCComponent::channelPaused(int channel) const {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return true;
  return libvlc_media_player_get_state(players_[channel]) == libvlc_Paused;
}

bool VLCComponent::channelHasAudio(int channel) const {
  if (channel < 0 || channel >= kMaxChannels || !players_[channel]) return false;
  return libvlc_audio_get_track(players_[channel]) >= 0;
}

bool VLCComponent::channelMuted(int channel) const {
  if (channel < 0 || channel >= kMaxChannels || !players_[channel]) return false;
  return libvlc_audio_get_mute(players_[channel]) == 1;
}

int VLCComponent::channelVolume(int channel) const {
  if (channel < 0 || channel >= kMaxChannels || !players_[channel]) return -1;
  return libvlc_audio_get_volume(players_[channel]);
}

bool VLCComponent::channelHasMedia(int channel) const {
  if (channel < 0 || channel >= kMaxChannels || !players_[channel]) return false;
  libvlc_media_t *media = libvlc_media_player_get_media(players_[channel]);
  if (!media) return false;
  libvlc_media_release(media);
  return true;
}

QList<int> VLCComponent::videoTrackIds(int channel) const {
  QList<int> ids;
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return ids;
  libvlc_track_description_t *tracks = libvlc_video_get_track_description(players_[channel]);
  for (libvlc_track_description_t *t = tracks; t; t = t->p_next)
    if (t->i_id >= 0) ids << t->i_id;  // not "Disable"
  libvlc_track_description_list_release(tracks);
  return ids;
}

int VLCComponent::videoTrack(int channel) const {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return -1;
  return libvlc_video_get_track(players_[channel]);
}

void VLCComponent::setVideoTrack(int channel, int id) {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return;
  // Off first: libvlc 3.0 starts the new track's decoder before it lets the
  // old one go, and the new video output would find the window taken.
  libvlc_video_set_track(players_[channel], -1);
  libvlc_video_set_track(players_[channel], id);
}

void VLCComponent::seekChannel(int channel, qint64 ms) {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return;
  libvlc_media_player_set_time(players_[channel], ms);
}

void VLCComponent::setChannelRate(int channel, float rate) {
  if (channel < 0 || channel >= activeChannels() || !players_[channel]) return;
  libvlc_media_player_set_rate(players_[channel], rate);
}

void VLCComponent::setStopHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  shared_->stopHook = std::move(hook);
}
