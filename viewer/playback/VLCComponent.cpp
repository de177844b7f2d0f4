#include "playback/VLCComponent.h"

#include <unistd.h>
#include <vlc/vlc.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/StatusLog.h"

struct VLCComponent::Shared {
  std::atomic<int> state{VLCComponent::Created};
  std::atomic<int> cause{VLCComponent::CauseEnd};
  std::atomic<int> channels{0};
  std::atomic<int> streams{0};
  std::atomic<bool> error{false};
  // The player whose events count (channel 0's); events of any other are dropped.
  std::atomic<libvlc_media_player_t *> main{nullptr};
  // Every channel's current player, to tell whose track changed.
  std::array<std::atomic<libvlc_media_player_t *>, VLCComponent::kMaxChannels> players{};
  // Each stop gets a ticket; a worker whose ticket is no longer the latest
  // was given up on and must not report.
  std::atomic<quint64> stopTicket{0};
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

constexpr int kStopPollMs = 100;
constexpr int kSnapshotWidth = 1920;
constexpr int kSnapshotHeight = 1080;
// libvlc 3.0 reports a player's time in steps of 250 ms, up to half a second
// behind its picture. Channels started and moved together stay in step by
// themselves; one is brought back to channel 0 only when the reported times
// are further apart than that uncertainty.
constexpr qint64 kResyncToleranceMs = 800;
// Channels just started (or re-created for a flip) are watched this often
// until all of them show a picture, at most for three seconds.
constexpr int kSettlePollMs = 15;
constexpr int kSettlePollLimit = 200;
constexpr int kDisposeWaitMs = 2000;

const char *const kSeparateSuffixes[] = {"_1.mp4", "_2.mp4", "_3.mp4"};

bool isSeparateFileName(const QString &path) {
  for (const char *suffix : kSeparateSuffixes)
    if (path.endsWith(QLatin1String(suffix))) return true;
  return false;
}

// Bursts of one warning (late pictures after a start or a seek) are written
// once, followed by how often they came.
void handleLibvlcLog(void *, int level, const libvlc_log_t *context, const char *format,
                     va_list args) {
  if (level < LIBVLC_WARNING) return;
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

void handleLibvlcEvent(const libvlc_event_t *event, void *data) {
  auto *shared = static_cast<VLCComponent::Shared *>(data);
  if (event->p_obj != shared->main.load()) return;
  int value = 0;
  switch (event->type) {
    case libvlc_MediaPlayerESAdded:
      if (shared->state.load() < VLCComponent::StopRequested) shared->streams.fetch_add(1);
      break;
    case libvlc_MediaPlayerESDeleted: {
      const int state = shared->state.load();
      if (state < VLCComponent::StopRequested || state == VLCComponent::Stopped) break;
      int left = shared->streams.load();
      if (left > 0) left = shared->streams.fetch_sub(1) - 1;
      if (shared->state.exchange(VLCComponent::StreamRemoved) != VLCComponent::StreamRemoved)
        logDebug("[VLCComponent]: state %d", VLCComponent::StreamRemoved);
      if (left <= 0) shared->channels = 0;
      value = left;
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
  if (shared->owner) emit shared->owner->playerEvent(event->type, value);
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

void runOnWorker(const std::shared_ptr<VLCComponent::Shared> &shared, std::function<void()> job) {
  shared->workers.fetch_add(1);
  std::thread([shared, job = std::move(job)] {
    job();
    shared->workers.fetch_sub(1);
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

bool pulseServerReachable() {
  if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")) return true;
  QStringList sockets;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) sockets << runtime + QStringLiteral("/pulse/native");
  sockets << QStringLiteral("/run/user/%1/pulse/native").arg(getuid())
          << QStringLiteral("/var/run/pulse/native");
  for (const QString &socket : sockets)
    if (QFileInfo::exists(socket)) return true;
  return false;
}

bool alsaDevicePresent() {
  QFile cards(QStringLiteral("/proc/asound/cards"));
  if (cards.open(QIODevice::ReadOnly)) {
    const QByteArray text = cards.readAll().trimmed();
    if (!text.isEmpty() && !text.contains("no soundcards")) return true;
  }
  // A default device set up by hand (a plug, a network or a null sink).
  return QFileInfo::exists(QDir::homePath() + QStringLiteral("/.asoundrc")) ||
         QFileInfo::exists(QStringLiteral("/etc/asound.conf"));
}

// The platform's own output first, the silent one where there is no device.
QByteArray chooseAudioOutput(libvlc_instance_t *vlc) {
  QList<QByteArray> available;
  libvlc_audio_output_t *list = libvlc_audio_output_list_get(vlc);
  for (libvlc_audio_output_t *o = list; o; o = o->p_next) available << QByteArray(o->psz_name);
  libvlc_audio_output_list_release(list);
  QList<QByteArray> wanted;
  if (pulseServerReachable()) wanted << "pulse";
  if (alsaDevicePresent()) wanted << "alsa";
  wanted << "adummy";
  for (const QByteArray &name : wanted)
    if (available.contains(name)) return name;
  return QByteArrayLiteral("adummy");
}

}  // namespace

VLCComponent::VLCComponent(QObject *parent) : QObject(parent), shared_(std::make_shared<Shared>()) {
  logDebug("VLCComponent::VLCComponent");
  shared_->owner = this;
  connect(this, &VLCComponent::playerEvent, this, &VLCComponent::onPlayerEvent,
          Qt::QueuedConnection);
  connect(this, &VLCComponent::stopWorkerDone, this, &VLCComponent::onStopWorkerDone,
          Qt::QueuedConnection);
  connect(this, &VLCComponent::send_ShowWidget, this, &VLCComponent::recv_ShowWidget);
  settlePoll_ = new QTimer(this);
  settlePoll_->setInterval(kSettlePollMs);
  connect(settlePoll_, &QTimer::timeout, this, &VLCComponent::onSettlePoll);
  connect(this, &VLCComponent::workerFinished, this, &VLCComponent::onWorkerFinished,
          Qt::QueuedConnection);
  connect(this, &VLCComponent::videoTrackSelected, this, &VLCComponent::onVideoTrackSelected,
          Qt::QueuedConnection);

  if (!instanceFor(false)) return;
  audioOutput_ = chooseAudioOutput(instance_);
  logInfo("[VLCComponent]: audio output \"%s\"", audioOutput_.constData());
  for (int i = 0; i < kMaxChannels; ++i) players_[i] = createPlayer(i, false);
  attachEvents(players_[0]);
  shared_->main = players_[0];
  setState(Created);
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
  ++shared_->stopTicket;
  std::vector<libvlc_media_player_t *> players;
  for (libvlc_media_player_t *&p : players_) {
    if (p) players.push_back(p);
    p = nullptr;
  }
  disposePlayers(shared_, players);
  // The players hold the instances; a stop stuck in libvlc keeps both alive
  // and the process does not wait for it longer than this.
  QElapsedTimer clock;
  clock.start();
  while (shared_->workers.load() > 0 && clock.elapsed() < kDisposeWaitMs) QThread::msleep(10);
  for (int i = 0; i < kMaxChannels; ++i) {
    if (surfaces_[i]) surfaces_[i]->removeEventFilter(this);
    if (layers_[i]) {
      layers_[i]->hide();
      retiredLayers_ << layers_[i];
    }
  }
  if (shared_->workers.load() > 0)
    logError("[VLCComponent]: a stop did not finish at exit");  // its windows stay, hidden
  else
    for (const QPointer<QWidget> &layer : retiredLayers_) delete layer.data();
  if (mirrorInstance_) libvlc_release(mirrorInstance_);
  if (instance_) libvlc_release(instance_);
}

libvlc_instance_t *VLCComponent::instanceFor(bool mirrored) {
  libvlc_instance_t *&slot = mirrored ? mirrorInstance_ : instance_;
  if (slot) return slot;
  std::vector<const char *> args(std::begin(kInstanceArgs), std::end(kInstanceArgs));
  if (mirrored) args.insert(args.end(), std::begin(kMirrorArgs), std::end(kMirrorArgs));
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
  if (const uint32_t window = windowOf(channel)) libvlc_media_player_set_xwindow(player, window);
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

void VLCComponent::SetVideoWindow(int id, QWidget *widget) {
  if (id < 0 || id >= kMaxChannels || surfaces_[id] == widget) return;
  if (surfaces_[id]) surfaces_[id]->removeEventFilter(this);
  if (layers_[id]) {
    layers_[id]->hide();
    retiredLayers_ << layers_[id];
    layers_[id] = nullptr;
  }
  surfaces_[id] = widget;
  if (!widget) return;
  widget->setAttribute(Qt::WA_NativeWindow);
  QPalette black = widget->palette();
  black.setColor(QPalette::Window, Qt::black);
  widget->setPalette(black);
  widget->setAutoFillBackground(true);
  QSizePolicy policy = widget->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(policy);
  widget->installEventFilter(this);
  newLayer(id);
}

QWidget *VLCComponent::newLayer(int id) {
  QWidget *surface = surfaces_[id];
  auto *layer = new QWidget(surface);
  layer->setObjectName(QStringLiteral("videoLayer%1").arg(id));
  // libvlc draws into an X window of its own below this one: it needs a
  // native window even inside parents that have none.
  layer->setAttribute(Qt::WA_NativeWindow);
  layer->setAttribute(Qt::WA_DontCreateNativeAncestors);
  QPalette black = layer->palette();
  black.setColor(QPalette::Window, Qt::black);
  layer->setPalette(black);
  layer->setAutoFillBackground(true);
  layer->setGeometry(surface->rect());
  layer->show();
  layer->raise();
  layer->winId();
  layers_[id] = layer;
  return layer;
}

void VLCComponent::retireLayer(int id) {
  if (!surfaces_[id]) return;
  if (layers_[id]) {
    layers_[id]->hide();
    retiredLayers_ << layers_[id];
  }
  newLayer(id);
}

uint32_t VLCComponent::windowOf(int id) const {
  return layers_[id] ? static_cast<uint32_t>(layers_[id]->winId()) : 0;
}

bool VLCComponent::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Resize) {
    for (int i = 0; i < kMaxChannels; ++i)
      if (surfaces_[i] == watched && layers_[i]) layers_[i]->setGeometry(surfaces_[i]->rect());
  }
  return QObject::eventFilter(watched, event);
}

void VLCComponent::onWorkerFinished() {
  if (shared_->workers.load() > 0) return;
  for (const QPointer<QWidget> &layer : retiredLayers_) delete layer.data();
  retiredLayers_.clear();
}

void VLCComponent::applyWindows() {
  bool applied = false;
  for (int i = 0; i < kMaxChannels; ++i) {
    const uint32_t window = windowOf(i);
    if (!players_[i] || !window) continue;
    if (libvlc_media_player_get_xwindow(players_[i]) == window) continue;
    libvlc_media_player_set_xwindow(players_[i], window);
    applied = true;
  }
  if (applied) emit send_ApplyWindowToWidget();
}

void VLCComponent::SetFile(const QString &path, int channelCount, double totalRangeMs) {
  logDebug("VLCComponent::SetFile");
  shared_->cause = CauseEnd;
  shared_->error = false;
  shared_->streams = 0;
  voutSeen_ = false;
  rate_ = 1.0f;
  totalRangeMs_ = totalRangeMs;
  lastMainTime_ = 0;
  stopSettling();

  // A channel mirrored or straightened while stopped gets its player from
  // the other instance now.
  for (int i = 0; i < kMaxChannels; ++i) {
    if (!players_[i] || playerMirrored_[i] == flip_[i]) continue;
    libvlc_media_player_t *old = players_[i];
    players_[i] = createPlayer(i, flip_[i]);
    if (i == 0) {
      attachEvents(players_[0]);
      shared_->main = players_[0];
      detachEvents(old);
    }
    libvlc_media_player_release(old);
  }
  applyWindows();

  // A camera that writes every channel into one file names it like a front
  // camera file; its several video tracks tell it apart.
  separateFiles_ = isSeparateFileName(path) && channelCount <= 1;
  sources_ = {};
  int count = 0;
  if (!separateFiles_) {
    // One file whose video tracks are the channels: each player shows the
    // track of its own number, only channel 0 decodes the sound.
    count = std::clamp(channelCount, 1, kMaxChannels);
    for (int i = 0; i < count; ++i) {
      sources_[i].path = path;
      if (i > 0) sources_[i].options = QStringList{QStringLiteral(":no-audio")};
    }
  } else {
    const QFileInfo info(path);
    QString base = info.completeBaseName();
    if (base.contains(QLatin1Char('_'))) base.chop(2);
    for (const char *suffix : kSeparateSuffixes) {
      const QString file = QDir::toNativeSeparators(info.absolutePath() + QLatin1Char('/') + base +
                                                    QLatin1String(suffix));
      if (!QFileInfo(file).isFile()) continue;
      sources_[count].path = file;
      if (count > 0) sources_[count].options = QStringList{QStringLiteral(":no-audio")};
      ++count;
    }
  }
  for (int i = 0; i < kMaxChannels; ++i) {
    if (!players_[i]) continue;
    libvlc_media_t *media = i < count ? createMedia(i, {}) : nullptr;
    libvlc_media_player_set_media(players_[i], media);
    if (media) libvlc_media_release(media);
  }
  shared_->channels = count;
  setState(MediaSet);
}

int VLCComponent::Play() {
  logDebug("VLCComponent::Play");
  const int count = activeChannels();
  if (!players_[0] || count == 0) return -1;
  emit send_ShowWidget(false);
  resetAudioDevice();
  for (int i = 0; i < count; ++i) {
    if (libvlc_media_player_play(players_[i]) != 0) {
      logError("[VLCComponent]: channel %d does not play", i);
      if (i == 0) return -1;
    }
    libvlc_media_player_set_rate(players_[i], 1.0f);
  }
  rate_ = 1.0f;
  if (count > 1) {
    // libvlc 3.0 starts every player on the first video track and has no
    // option to start on another; switching before the picture comes keeps
    // the first track off the rear surfaces.
    if (!separateFiles_)
      for (int i = 1; i < count; ++i) tracksPending_ |= 1u << i;
    startSettling();
  }
  emit send_setBlockEvent(true);
  setState(Running);
  return 0;
}

void VLCComponent::startSettling() {
  settlePolls_ = 0;
  settleFromSeek_ = seekCount_;
  settlePoll_->start();
}

void VLCComponent::stopSettling() {
  settlePoll_->stop();
  restarting_ = 0;
  tracksPending_ = 0;
  tracksSwitching_ = 0;
}

// Each player starts in its own time: how long it takes to open its file and
// make its first picture differs from channel to channel, and more so on a
// busy machine. Once every channel shows a picture they are moved together
// to one time, which lines them up to a frame.
void VLCComponent::onSettlePoll() {
  ++settlePolls_;
  const int count = activeChannels();
  for (int i = 1; i < count; ++i) {
    if (!(tracksPending_ & (1u << i))) continue;
    libvlc_track_description_t *tracks = libvlc_video_get_track_description(players_[i]);
    int known = 0;
    for (libvlc_track_description_t *t = tracks; t; t = t->p_next)
      if (t->i_id >= 0) ++known;
    libvlc_track_description_list_release(tracks);
    if (known > i) switchRearTrack(i);
  }
  bool ready = tracksPending_ == 0 && tracksSwitching_ == 0;
  for (int i = 0; i < count && ready; ++i) {
    const libvlc_state_t s = libvlc_media_player_get_state(players_[i]);
    if (libvlc_media_player_has_vout(players_[i]) == 0 ||
        (s != libvlc_Playing && s != libvlc_Paused))
      ready = false;
  }
  if (!ready && settlePolls_ < kSettlePollLimit) return;
  if (!ready) logError("[VLCComponent]: not every channel shows a picture");
  const unsigned restarted = restarting_;
  stopSettling();
  // A move asked for since (a seek by the user) took every channel along
  // already.
  if (count < 2 || seekCount_ != settleFromSeek_) return;
  // The time comes from a channel that kept playing.
  int reference = 0;
  for (int i = 0; i < count; ++i) {
    if (!(restarted & (1u << i))) {
      reference = i;
      break;
    }
  }
  Seek(std::max<qint64>(0, libvlc_media_player_get_time(players_[reference])));
}

void VLCComponent::switchRearTrack(int channel) {
  tracksPending_ &= ~(1u << channel);
  if (!selectVideoTrack(channel)) return;
  tracksSwitching_ |= 1u << channel;
  settleFromSeek_ = seekCount_;  // the new track needs the move that ends the settling
}

void VLCComponent::onVideoTrackSelected(int channel, int track) {
  // A track taken up while playing shows nothing before its next key frame;
  // the move that follows the settling brings one in at once.
  if (wantedTrack_[channel] == track) tracksSwitching_ &= ~(1u << channel);
}

void VLCComponent::Pause() {
  logDebug("VLCComponent::Pause");
  for (int i = 0; i < activeChannels(); ++i) libvlc_media_player_set_pause(players_[i], 1);
  setState(Paused);
}

void VLCComponent::Resume() {
  logDebug("VLCComponent::Resume");
  for (int i = 0; i < activeChannels(); ++i) libvlc_media_player_set_pause(players_[i], 0);
  setState(Running);
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
  setState(StopRequested);
  emit send_setLogo(true);
  emit send_setBlockEvent(true);
  shared_->cause = cause;
  startStopWorker();
}

void VLCComponent::startStopWorker() {
  stopSettling();
  if (pendingStop_ != 0) return;  // the stop on its way reports with the latest cause
  const quint64 ticket = ++shared_->stopTicket;
  pendingStop_ = ticket;
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
    if (shared->stopTicket.load() == ticket) {
      shared->state = Stopping;
      logDebug("[VLCComponent]: state %d", Stopping);
    }
    {
      std::lock_guard<std::mutex> guard(shared->lock);
      if (shared->owner) emit shared->owner->send_ShowWidget(false);
    }
    if (hook) hook();
    // Rear channels first: channel 0's stop is the one that reports.
    for (libvlc_media_player_t *p : players) libvlc_media_player_stop(p);
    for (libvlc_media_player_t *p : players) libvlc_media_player_release(p);
    if (shared->stopTicket.load() != ticket) return;
    shared->state = Stopped;
    logDebug("[VLCComponent]: state %d", Stopped);
    std::lock_guard<std::mutex> guard(shared->lock);
    if (shared->owner) emit shared->owner->stopWorkerDone(ticket);
  });
}

void VLCComponent::onStopWorkerDone(quint64 ticket) {
  if (ticket == pendingStop_) completeStop();
}

void VLCComponent::completeStop() {
  pendingStop_ = 0;
  setState(Stopped);
  resetAudioDevice();
  const int cause = shared_->cause.load();
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
  if (cause == CauseEnd || cause == CausePrevious || cause == CauseLogo || cause == CausePlain)
    emit send_setBlockEvent(cause == CauseEnd || cause == CausePrevious);
}

bool VLCComponent::waitForStopped(int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    if (isStopped()) {
      if (pendingStop_ != 0) completeStop();
      return true;
    }
    if (pendingStop_ == 0 && (state() == Running || state() == Paused)) {
      logError("[VLCComponent]: waiting for a stop nobody asked for");
      return false;
    }
    const qint64 left = timeoutMs - clock.elapsed();
    if (left <= 0) break;
    QThread::msleep(static_cast<unsigned long>(std::min<qint64>(kStopPollMs, left)));
  }
  resetPlayers(static_cast<int>(clock.elapsed()));
  return false;
}

void VLCComponent::resetPlayers(int waitedMs) {
  logError("[VLCComponent]: the players did not stop within %d ms; they are created anew",
           waitedMs);
  ++shared_->stopTicket;  // the stuck worker keeps its references and stays silent
  shared_->main = nullptr;
  detachEvents(players_[0]);
  for (int i = 0; i < kMaxChannels; ++i) {
    if (players_[i]) libvlc_media_player_release(players_[i]);
    retireLayer(i);  // the stuck player still holds its window
    players_[i] = createPlayer(i, flip_[i]);
  }
  attachEvents(players_[0]);
  shared_->main = players_[0];
  completeStop();
}

void VLCComponent::Seek(qint64 ms) {
  logDebug("VLCComponent::Seek");
  ++seekCount_;
  for (int i = 0; i < activeChannels(); ++i) libvlc_media_player_set_time(players_[i], ms);
  lastMainTime_ = ms;
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
    setState(Paused);
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

void VLCComponent::NextFrame() {
  logDebug("VLCComponent::NextFrame");
  for (int i = 0; i < activeChannels(); ++i) libvlc_media_player_next_frame(players_[i]);
}

void VLCComponent::SetSpeed(float rate) {
  logDebug("VLCComponent::SetSpeed");
  const int count = activeChannels();
  for (int i = 0; i < count; ++i) libvlc_media_player_set_pause(players_[i], 1);
  for (int i = 0; i < count; ++i) libvlc_media_player_set_rate(players_[i], rate);
  rate_ = rate;
  const qint64 t = GetCurrentPos();
  // Every channel goes to the same time, so they leave together.
  Seek(t <= 0 ? 0 : std::max<qint64>(0, t - 1000));
  for (int i = 0; i < count; ++i) libvlc_media_player_set_pause(players_[i], 0);
  setState(Running);
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
  retireLayer(channel);  // the old player lets go of its window only when stopped
  libvlc_media_player_t *fresh = createPlayer(channel, flip_[channel]);
  if (!fresh) return;
  QStringList extra{
      QStringLiteral(":start-time=%1").arg(static_cast<double>(at) / 1000.0, 0, 'f', 3)};
  if (paused) extra << QStringLiteral(":start-paused");
  libvlc_media_t *media = createMedia(channel, extra);
  libvlc_media_player_set_media(fresh, media);
  if (media) libvlc_media_release(media);
  if (channel == 0) {
    attachEvents(fresh);
    shared_->main = fresh;
    detachEvents(old);
    lastMainTime_ = at;
  }
  players_[channel] = fresh;
  // Its stop blocks, so the old player goes away on a worker.
  disposePlayers(shared_, {old});
  libvlc_media_player_play(fresh);
  libvlc_media_player_set_rate(fresh, rate_);
  restarting_ |= 1u << channel;
  if (!separateFiles_ && channel > 0) tracksPending_ |= 1u << channel;
  startSettling();
}

qint64 VLCComponent::GetCurrentPos() const {
  if (!players_[0] || (restarting_ & 1u)) return lastMainTime_;
  const qint64 t = libvlc_media_player_get_time(players_[0]);
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

int VLCComponent::GetImage(int id, const QString &path) {
  logDebug("VLCComponent::GetImage");
  if (id < 0 || id >= activeChannels() || !players_[id]) return -1;
  QDir().mkpath(QFileInfo(path).absolutePath());
  return libvlc_video_take_snapshot(players_[id], 0, QFile::encodeName(path).constData(),
                                    kSnapshotWidth, kSnapshotHeight);
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

void VLCComponent::onPlayerEvent(int type, int value) {
  const int s = state();
  switch (type) {
    case libvlc_MediaPlayerPlaying:
      logDebug("[VLCComponent]: playing");
      if (s >= StopRequested || (restarting_ & 1u)) break;
      setState(Running);
      syncToMain(kResyncToleranceMs);
      break;
    case libvlc_MediaPlayerVout: {
      if (value <= 0 || voutSeen_ || s >= StopRequested || s < Running) break;
      if (shared_->error.load()) {
        logError("[VLCComponent]: video output of a player in error");
        break;
      }
      voutSeen_ = true;
      logDebug("[VLCComponent]: video output created");
      for (int i = 0; i < activeChannels(); ++i) {
        if (!separateFiles_) {
          if (i == 0)
            selectVideoTrack(0);
          else if (tracksPending_ & (1u << i))
            switchRearTrack(i);
        }
        libvlc_media_player_set_rate(players_[i], 1.0f);
      }
      rate_ = 1.0f;
      syncToMain(kResyncToleranceMs);
      emit send_ShowWidget(true);
      for (int id = 1; id < kMaxChannels; ++id) {
        QWidget *surface = surfaces_[id];
        if (surface && surface->parentWidget() && !surface->parentWidget()->layout())
          surface->setGeometry(surface->parentWidget()->rect());
      }
      emit send_setBlockEvent(false);
      emit send_playNow();
      break;
    }
    case libvlc_MediaPlayerEndReached:
      logInfo("[VLCComponent]: end of the recording");
      if (s == Running || s == Paused) startStopWorker();
      break;
    case libvlc_MediaPlayerStopped:
      logDebug("[VLCComponent]: channel 0 stopped");
      break;
    case libvlc_MediaPlayerESDeleted:
      if (s == StreamRemoved) logDebug("[VLCComponent]: stream removed, %d left", value);
      break;
    case libvlc_MediaPlayerEncounteredError:
      logError("[VLCComponent]: libvlc reports an error on channel 0");
      break;
    case libvlc_MediaPlayerSnapshotTaken:
      logDebug("[VLCComponent]: snapshot taken");
      break;
    default:
      break;
  }
}

bool VLCComponent::selectVideoTrack(int channel) {
  bool switched = false;
  libvlc_track_description_t *tracks = libvlc_video_get_track_description(players_[channel]);
  int index = 0;
  for (libvlc_track_description_t *t = tracks; t; t = t->p_next) {
    if (t->i_id < 0) continue;  // "Disable"
    if (index++ != channel) continue;
    if (libvlc_video_get_track(players_[channel]) != t->i_id) {
      // Off first: libvlc 3.0 starts the new track's decoder before it lets
      // the old one go, and the new video output would find the window taken.
      libvlc_video_set_track(players_[channel], -1);
      libvlc_video_set_track(players_[channel], t->i_id);
      wantedTrack_[channel] = t->i_id;
      switched = true;
    }
    break;
  }
  libvlc_track_description_list_release(tracks);
  return switched;
}

void VLCComponent::syncToMain(qint64 toleranceMs) {
  const int count = activeChannels();
  if (count < 2) return;
  const qint64 main = libvlc_media_player_get_time(players_[0]);
  if (main <= 0) return;
  for (int i = 1; i < count; ++i) {
    const qint64 t = libvlc_media_player_get_time(players_[i]);
    if (t < 0 || std::llabs(t - main) <= toleranceMs) continue;
    logDebug("[VLCComponent]: channel %d at %lld ms, channel 0 at %lld ms: moved", i,
             static_cast<long long>(t), static_cast<long long>(main));
    libvlc_media_player_set_time(players_[i], main);
  }
}

void VLCComponent::resetAudioDevice() {
  if (!players_[0]) return;
  char *device = libvlc_audio_output_device_get(players_[0]);
  if (device && *device)
    logDebug("[VLCComponent]: audio device \"%s\" back to the default", device);
  libvlc_free(device);
  libvlc_audio_output_set(players_[0], audioOutput_.constData());
}

void VLCComponent::setState(int state) {
  if (shared_->state.exchange(state) != state) logDebug("[VLCComponent]: state %d", state);
}

int VLCComponent::state() const {
  return shared_->state.load();
}

int VLCComponent::stopCause() const {
  return shared_->cause.load();
}

int VLCComponent::channelCount() const {
  return shared_->channels.load();
}

int VLCComponent::activeChannels() const {
  return std::clamp(shared_->channels.load(), 0, kMaxChannels);
}

bool VLCComponent::isStopped() const {
  const int s = state();
  return s == Created || s == MediaSet || s == Stopped;
}

bool VLCComponent::isSettling() const {
  return settlePoll_->isActive();
}

bool VLCComponent::isFlipped(int channel) const {
  return channel >= 0 && channel < kMaxChannels && flip_[channel];
}

QString VLCComponent::channelPath(int channel) const {
  return channel >= 0 && channel < kMaxChannels ? sources_[channel].path : QString();
}

QWidget *VLCComponent::videoWindow(int id) const {
  return id >= 0 && id < kMaxChannels ? surfaces_[id].data() : nullptr;
}

libvlc_media_player_t *VLCComponent::player(int channel) const {
  return channel >= 0 && channel < kMaxChannels ? players_[channel] : nullptr;
}

void VLCComponent::setStopHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  shared_->stopHook = std::move(hook);
}
