#include "playback/PlayerInterface.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include "core/AppSettings.h"
#include "core/RecordingMetadata.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/VLCComponent.h"
#include "playback/VideoSurface.h"

namespace {

constexpr qint64 kMoveMs = 5000;
constexpr double kEndPosition = 0.99;
const float kSpeedRates[] = {0.5f, 1.0f, 1.5f, 2.0f};  // levels 1-4

bool playingOrPaused() {
  const PlayState s = ViewerState::instance().playState();
  return s == PlayState::Playing || s == PlayState::Paused;
}

}  // namespace

PlayerInterface::PlayerInterface(QObject *parent) : QObject(parent) {
  logDebug("PlayerInterface::PlayerInterface");
  vlc_ = new VLCComponent(this);
  tick_ = new QTimer(this);
  tick_->setInterval(kTickMs);
  connect(tick_, &QTimer::timeout, this, &PlayerInterface::onTick);
  second_ = new QTimer(this);
  second_->setInterval(kSecondMs);
  connect(second_, &QTimer::timeout, this, &PlayerInterface::onSecond);

  connect(vlc_, &VLCComponent::send_playNow, this, &PlayerInterface::onSetComplete);
  connect(vlc_, &VLCComponent::send_GoNext, this, &PlayerInterface::onRecvStop);
  connect(vlc_, &VLCComponent::send_GoBack, this, &PlayerInterface::onRecvStopPrevious);
  connect(vlc_, &VLCComponent::stopped, this, &PlayerInterface::onEngineStopped);
  connect(vlc_, &VLCComponent::playbackFailed, this, &PlayerInterface::onPlaybackFailed);
  connect(vlc_, &VLCComponent::imagesTaken, this, [this](const QStringList &written) {
    for (int c = 0; c < written.size(); ++c)
      if (written[c].isEmpty()) logError("[PlayerInterface]: no snapshot of channel %d", c);
    emit sendScreenImages(written);
  });

  // The volume and mute the user chose last time apply from the first
  // recording on, not only once the bar is touched.
  ViewerState &st = ViewerState::instance();
  QSettings &settings = AppSettings::store();
  st.volume = qBound(0, settings.value(QStringLiteral("volume"), 50).toInt(), 100);
  st.muted = settings.value(QStringLiteral("mute"), false).toBool();
}

PlayerInterface::~PlayerInterface() {
  logDebug("PlayerInterface::~PlayerInterface");
  killTimers();
}

bool PlayerInterface::timersActive() const {
  return tick_->isActive() && second_->isActive();
}

bool PlayerInterface::hasPlayback() const {
  return playingOrPaused();
}

void PlayerInterface::startTimers() {
  tick_->start();
  second_->start();
  logDebug("[PlayerInterface]: set timer id %d (%d ms) and id %d (%d ms)", kTickTimerId, kTickMs,
           kSecondTimerId, kSecondMs);
}

void PlayerInterface::killTimers() {
  if (!tick_->isActive() && !second_->isActive()) return;
  tick_->stop();
  second_->stop();
  logDebug("[PlayerInterface]: kill timer id %d and id %d", kTickTimerId, kSecondTimerId);
}

void PlayerInterface::onTick() {
  onUpdatePlayTime();
  emit onTimeout_500ms();
  callResetAll();
}

void PlayerInterface::onSecond() {
  emit onTimeout_1s();
}

bool PlayerInterface::currentFileExists() const {
  return QFileInfo::exists(ViewerState::instance().currentRecording().playbackPath);
}

void PlayerInterface::refuse(const QString &text) {
  logError("[PlayerInterface]: %s", qUtf8Printable(text));
  emit sendCannotPlay();
  emit sendMessage(text);
}

// Opens the current recording. What plays is stopped first; the open itself
// happens once the engine has stopped, whoever asked for the stop: a row
// chosen while the end of a recording is being handled wins over the move
// to the next row.
void PlayerInterface::onOpenFile() {
  logDebug("PlayerInterface::onOpenFile");
  killTimers();
  openPending_ = true;
  if (vlc_->isStopping()) {
    vlc_->cancelMoveOn();
    ViewerState::instance().setPlayState(PlayState::Idle);
    return;
  }
  const int s = vlc_->state();
  if (s == VLCComponent::Running || s == VLCComponent::Paused) {
    // What plays is on its way out: nothing plays until the new one shows.
    ViewerState::instance().setPlayState(PlayState::Idle);
    vlc_->Stop(VLCComponent::CausePlain);
    return;
  }
  startPending();
}

void PlayerInterface::onEngineStopped() {
  if (openPending_) startPending();
}

void PlayerInterface::startPending() {
  openPending_ = false;
  ViewerState::instance().setPlayState(PlayState::Idle);
  onPlay();
}

void PlayerInterface::onPlay() {
  logDebug("PlayerInterface::onPlay");
  ViewerState &st = ViewerState::instance();
  if (st.playState() == PlayState::Playing) return;
  if (st.playState() == PlayState::Paused) {
    vlc_->Resume();
    startTimers();
    st.setPlayState(PlayState::Playing);
    return;
  }
  if (vlc_->isStopping()) {
    openPending_ = true;  // starts once the stop is over
    return;
  }
  const int s = vlc_->state();
  if (s == VLCComponent::Running || s == VLCComponent::Paused) return;  // still starting
  const QString path = st.currentRecording().playbackPath;
  if (path.isEmpty()) {
    logError("[PlayerInterface]: no recording to play");
    return;
  }
  // Nothing of the recording played before may stay: its totals would be
  // taken for this one's when this one's cannot be read.
  st.busyStopping = false;
  RecordingMetadata::clear();
  st.totalRangeMs = 0;
  st.channelCount = 0;
  st.currentTimeMs = 0;
  st.playPosition = 0;
  if (!vlc_->isUsable()) {
    refuse(tr("The video player could not be started, so no recording can be played."));
    return;
  }
  const QFileInfo file(path);
  if (!file.isFile() || !file.isReadable()) {
    refuse(tr("The recording cannot be read:\n%1").arg(file.fileName()));
    return;
  }
  const RecordingMetadata::Extraction metadata = RecordingMetadata::extract(path);
  if (!metadata.canPlay) {
    refuse(tr("This recording has no video and cannot be played:\n%1").arg(file.fileName()));
    return;
  }
  RecordingMetadata::publish(metadata);
  emit sendChannelCount(st.channelCount);
  if (metadata.metadataReady) emit sendLoadMetadata();

  vlc_->SetFile(path, st.channelCount, st.totalRangeMs);
  if (vlc_->isSeparateFiles()) {
    st.channelCount = vlc_->channelCount();
    emit sendChannelCount(st.channelCount);
  }
  if (vlc_->Play() != 0) {
    refuse(tr("The recording could not be played:\n%1").arg(file.fileName()));
    return;
  }
  if (st.totalRangeMs <= 0) st.totalRangeMs = static_cast<double>(vlc_->GetTotalTime());
  startTimers();
  logInfo("[PlayerInterface]: Play video");
}

// libvlc could not play the file, or no picture came: back to the logo
// with everything cleared, and the user is told.
void PlayerInterface::onPlaybackFailed(const QString &reason) {
  logDebug("PlayerInterface::onPlaybackFailed");
  const QString name = ViewerState::instance().currentRecording().fileName;
  killTimers();
  vlc_->Stop(VLCComponent::CauseLogo);
  onClearData();
  ViewerState::instance().setPlayState(PlayState::Idle);
  emit sendCannotPlay();
  emit sendMessage(name.isEmpty() ? reason : reason + QLatin1Char('\n') + name);
}

void PlayerInterface::onPause() {
  logDebug("PlayerInterface::onPause");
  ViewerState &st = ViewerState::instance();
  if (st.playState() != PlayState::Playing) return;
  killTimers();
  vlc_->Pause();
  st.currentTimeMs = static_cast<double>(vlc_->GetCurrentPos());
  st.setPlayState(PlayState::Paused);
  emit sendUpdateTime(st.currentTimeMs);
}

void PlayerInterface::onClickStop(bool showLogo) {
  logDebug("PlayerInterface::onClickStop");
  if (!playingOrPaused()) return;
  killTimers();
  openPending_ = false;
  ViewerState::instance().busyStopping = true;
  vlc_->Stop(showLogo ? VLCComponent::CauseLogo : VLCComponent::CausePlain);
  onClearData();
}

// The engine is stopped asynchronously in every case: the rest of the view
// is cleared at once and the engine gives input back when it is done.
void PlayerInterface::onStop(int cause) {
  logDebug("PlayerInterface::onStop");
  if (!playingOrPaused()) return;
  ViewerState &st = ViewerState::instance();
  killTimers();
  openPending_ = false;
  st.busyStopping = false;
  switch (cause) {
    case VLCComponent::CauseIdle:
      vlc_->Stop(cause);
      onClearData();
      st.setPlayState(PlayState::Idle);
      return;
    case VLCComponent::CausePlain:
    case VLCComponent::CauseFileRemoved:
      vlc_->Stop(cause);
      break;
    default:
      return;
  }
  onClearData();
  onClearFileInfo();
  st.setPlayState(PlayState::Stopped);
}

void PlayerInterface::on5sMove(bool forward) {
  logDebug("PlayerInterface::on5sMove");
  if (!playingOrPaused()) return;  // nothing loaded: nothing to move
  ViewerState &st = ViewerState::instance();
  killTimers();
  double c = st.currentTimeMs;
  const double total = st.totalRangeMs;
  if (forward && c >= total) {
    vlc_->Forward(-1);
  } else if (!forward && c <= 0) {
    vlc_->Rewind(-1);
  } else if (!forward) {
    c = c < kMoveMs ? 0 : c - kMoveMs;
    vlc_->Rewind(kMoveMs);
  } else {
    c = c > total - kMoveMs ? total : c + kMoveMs;
    vlc_->Forward(kMoveMs);
  }
  st.currentTimeMs = c;
  emit sendUpdateTime(c);
  if (vlc_->isStopping()) return;  // moving on to the previous file
  if (vlc_->state() != VLCComponent::Paused) {
    st.setPlayState(PlayState::Playing);
    startTimers();
  } else {
    st.setPlayState(PlayState::Paused);
  }
}

void PlayerInterface::onFrameMove(bool forward) {
  logDebug("PlayerInterface::onFrameMove");
  ViewerState &st = ViewerState::instance();
  if (playingOrPaused() && !currentFileExists()) {
    stopForVanishedFile();
    return;
  }
  if (st.playState() != PlayState::Paused) return;
  const qint64 total = vlc_->GetTotalTime();
  const qint64 t = vlc_->GetCurrentPos();
  if (total - 100 <= t) return;
  if (forward)
    vlc_->NextFrame();
  else
    vlc_->PreviousFrame();
  st.currentTimeMs = static_cast<double>(vlc_->GetCurrentPos());
  emit sendUpdateTime(st.currentTimeMs);
}

void PlayerInterface::onPlayPosMove(int ms) {
  logDebug("PlayerInterface::onPlayPosMove");
  if (!playingOrPaused()) return;
  ViewerState &st = ViewerState::instance();
  killTimers();
  vlc_->Seek(ms);
  callResetAll();
  st.currentTimeMs = ms;
  emit sendUpdateTime(ms);
  if (st.playState() == PlayState::Playing) startTimers();
}

// The end check: near the end the ticks stop (the end itself moves on to the
// next file); a file that went away while playing stops everything.
void PlayerInterface::callResetAll() {
  if (vlc_->GetPosition() > kEndPosition) killTimers();
  if (playingOrPaused() && !currentFileExists()) stopForVanishedFile();
}

void PlayerInterface::stopForVanishedFile() {
  logInfo("[PlayerInterface]: the playing file is gone");
  killTimers();
  ViewerState::instance().setPlayState(PlayState::Stopped);
  vlc_->Stop(VLCComponent::CausePlain);
  onClearData();
  emit sendResetAll();
}

void PlayerInterface::onControlSpeed(int level) {
  logDebug("PlayerInterface::onControlSpeed");
  if (level < 1 || level > 4) return;
  ViewerState::instance().speedLevel = level;
  if (ViewerState::instance().playState() == PlayState::Playing)
    vlc_->SetSpeed(kSpeedRates[level - 1]);
}

void PlayerInterface::onControlVolume(int volume) {
  logDebug("PlayerInterface::onControlVolume");
  ViewerState::instance().volume = volume;
  vlc_->SetVolume(volume);
}

void PlayerInterface::onSetMute(bool on) {
  logDebug("PlayerInterface::onSetMute");
  ViewerState::instance().muted = on;
  vlc_->SetMute(on);
}

void PlayerInterface::onFlip(int channel) {
  logDebug("PlayerInterface::onFlip");
  ViewerState &st = ViewerState::instance();
  if (channel < 0 || channel >= static_cast<int>(st.flipped.size())) return;
  st.flipped[channel] = !st.flipped[channel];
  vlc_->SetFlip(channel, st.flipped[channel]);
}

void PlayerInterface::onResizeVideo(int id, QSize size) {
  logDebug("PlayerInterface::onResizeVideo id: %d, size: %dx%d", id, size.width(), size.height());
  vlc_->SetResize(id, size);
}

void PlayerInterface::onRestartTimer() {
  logDebug("PlayerInterface::onRestartTimer");
  if (ViewerState::instance().playState() == PlayState::Playing) startTimers();
}

void PlayerInterface::onStopTimer() {
  logDebug("PlayerInterface::onStopTimer");
  killTimers();
}

void PlayerInterface::onUpdatePlayTime() {
  ViewerState &st = ViewerState::instance();
  st.currentTimeMs = static_cast<double>(vlc_->GetCurrentPos());
  st.playPosition = vlc_->GetPosition();
}

void PlayerInterface::onClearData() {
  logDebug("PlayerInterface::onClearData");
  ViewerState &st = ViewerState::instance();
  if (playingOrPaused()) st.setPlayState(PlayState::Idle);
  emit sendClear();
  RecordingMetadata::clear();
  st.flipped = {};
  vlc_->ResetFlips();
  st.currentTimeMs = 0;
  st.totalRangeMs = 0;
  st.channelCount = 0;
  st.playPosition = 0;
  st.latitudeText = st.longitudeText = QStringLiteral("00.00000");
  st.speedText = QStringLiteral("0");
  st.resetGsensorTexts();
}

void PlayerInterface::onClearFileInfo() {
  logDebug("PlayerInterface::onClearFileInfo");
  ViewerState::instance().clearCurrentRecording();
}

void PlayerInterface::onRecvStop() {
  logDebug("PlayerInterface::onRecvStop");
  moveOnAfterStop(&PlayerInterface::sendFileChange);
}

void PlayerInterface::onRecvStopPrevious() {
  logDebug("PlayerInterface::onRecvStopPrevious");
  moveOnAfterStop(&PlayerInterface::sendPreviousFile);
}

// After a stop that goes on to another file: clear what played and let the
// list choose the next or previous one; a file that vanished resets all.
void PlayerInterface::moveOnAfterStop(void (PlayerInterface::*next)()) {
  killTimers();
  if (!currentFileExists()) {
    ViewerState::instance().setPlayState(PlayState::Stopped);
    onClearData();
    emit sendResetAll();
    return;
  }
  onClearData();
  emit(this->*next)();
}

void PlayerInterface::onSetComplete() {
  logDebug("PlayerInterface::onSetComplete");
  ViewerState &st = ViewerState::instance();
  vlc_->SetVolume(st.volume);
  vlc_->SetMute(st.muted);
  if (st.totalRangeMs <= 0) st.totalRangeMs = static_cast<double>(vlc_->GetTotalTime());
  emit sendSetPlayData();
  if (st.playState() == PlayState::Idle) st.speedLevel = 2;
  st.flipped = {};
  vlc_->ResetFlips();
  st.setPlayState(PlayState::Playing);
}

void PlayerInterface::setMainScreen(VideoSurface *widget) {
  logDebug("PlayerInterface::setMainScreen");
  vlc_->SetVideoWindow(0, widget);
}

void PlayerInterface::setSub1Screen(VideoSurface *widget) {
  logDebug("PlayerInterface::setSub1Screen");
  vlc_->SetVideoWindow(1, widget);
}

void PlayerInterface::setSub2Screen(VideoSurface *widget) {
  logDebug("PlayerInterface::setSub2Screen");
  vlc_->SetVideoWindow(2, widget);
}

QString PlayerInterface::snapshotPath(int channel) const {
  const QString folder = ViewerState::instance().appData + QStringLiteral("/Snapshot");
  return QDir::toNativeSeparators(folder + QLatin1Char('/') + QString::number(channel) + ".png");
}

void PlayerInterface::takeScreenImages() {
  logDebug("PlayerInterface::takeScreenImages");
  QList<int> channels;
  QStringList paths;
  for (int c = 0; c < ViewerState::instance().channelCount && c < 3; ++c) {
    channels << c;
    paths << snapshotPath(c);
  }
  vlc_->GetImagesAsync(channels, paths);
}

QImage PlayerInterface::getScreenImage(int channel) {
  logDebug("PlayerInterface::getScreenImage");
  const QString path = snapshotPath(channel);
  if (vlc_->GetImage(channel, path) != 0) {
    logError("[PlayerInterface]: no snapshot of channel %d", channel);
    return QImage();
  }
  return QImage(path);
}
