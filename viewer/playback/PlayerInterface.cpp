#include "playback/PlayerInterface.h"

#include <vlc/vlc.h>

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/VLCComponent.h"
#include "core/RecordingMetadata.h"

namespace {

constexpr int kOpenPollMs = 300;
constexpr int kOpenPollLimit = 10;  // three seconds of a busy component
constexpr int kStopWaitMs = 2000;
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
  openPoll_ = new QTimer(this);
  openPoll_->setSingleShot(true);
  connect(openPoll_, &QTimer::timeout, this, &PlayerInterface::onOpenFile);

  connect(vlc_, &VLCComponent::send_playNow, this, &PlayerInterface::onSetComplete);
  connect(vlc_, &VLCComponent::send_GoNext, this, &PlayerInterface::onRecvStop);
  connect(vlc_, &VLCComponent::send_GoBack, this, &PlayerInterface::onRecvStopPrevious);
}

PlayerInterface::~PlayerInterface() {
  logDebug("PlayerInterface::~PlayerInterface");
  killTimers();
}

bool PlayerInterface::timersActive() const {
  return tick_->isActive() && second_->isActive();
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

void PlayerInterface::onOpenFile() {
  logDebug("PlayerInterface::onOpenFile");
  const int s = vlc_->state();
  if (s == VLCComponent::StopRequested || s == VLCComponent::Stopping ||
      s == VLCComponent::StreamRemoved) {
    // A stop is on its way: look again shortly instead of holding the window.
    if (openPollCount_ < kOpenPollLimit) {
      ++openPollCount_;
      openPoll_->start(kOpenPollMs);
      return;
    }
    vlc_->waitForStopped(0);
  }
  openPoll_->stop();
  openPollCount_ = 0;
  killTimers();
  if (s == VLCComponent::Running || s == VLCComponent::Paused) vlc_->Stop(VLCComponent::CausePlain);
  if (!vlc_->isStopped()) vlc_->waitForStopped(kStopWaitMs);
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
  const int s = vlc_->state();
  if (s == VLCComponent::Running || s == VLCComponent::Paused) return;  // still starting
  if (!vlc_->isStopped()) vlc_->waitForStopped(kStopWaitMs);
  const QString path = st.currentRecording().playbackPath;
  if (path.isEmpty()) {
    logError("[PlayerInterface]: no recording to play");
    return;
  }
  st.busyStopping = false;
  RecordingMetadata::clear();
  const RecordingMetadata::Extraction metadata = RecordingMetadata::extract();
  if (!metadata.canPlay) {
    emit sendCannotPlay();
    return;
  }
  emit sendChannelCount(st.channelCount);
  if (metadata.metadataReady) emit sendLoadMetadata();

  vlc_->SetFile(path, st.channelCount, st.totalRangeMs);
  if (vlc_->isSeparateFiles()) {
    st.channelCount = vlc_->channelCount();
    emit sendChannelCount(st.channelCount);
  }
  if (vlc_->Play() != 0) {
    logError("[PlayerInterface]: %s does not play", qUtf8Printable(path));
    return;
  }
  if (st.totalRangeMs <= 0) st.totalRangeMs = static_cast<double>(vlc_->GetTotalTime());
  startTimers();
  logInfo("[PlayerInterface]: Play video");
}

void PlayerInterface::onPause() {
  logDebug("PlayerInterface::onPause");
  ViewerState &st = ViewerState::instance();
  if (st.playState() != PlayState::Playing) return;
  killTimers();
  vlc_->Pause();
  st.setPlayState(PlayState::Paused);
}

void PlayerInterface::onClickStop(bool showLogo) {
  logDebug("PlayerInterface::onClickStop");
  if (!playingOrPaused()) return;
  killTimers();
  ViewerState::instance().busyStopping = true;
  vlc_->Stop(showLogo ? VLCComponent::CauseLogo : VLCComponent::CausePlain);
  onClearData();
}

void PlayerInterface::onStop(int cause) {
  logDebug("PlayerInterface::onStop");
  if (!playingOrPaused()) return;
  ViewerState &st = ViewerState::instance();
  killTimers();
  st.busyStopping = false;
  switch (cause) {
    case VLCComponent::CauseIdle:
      vlc_->Stop(cause);
      onClearData();
      st.setPlayState(PlayState::Idle);
      return;
    case VLCComponent::CausePlain:
      vlc_->Stop(cause);
      break;
    case VLCComponent::CauseFileRemoved:
      vlc_->Stop(cause);
      vlc_->waitForStopped(kStopWaitMs);
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
  if (forward) {
    vlc_->NextFrame();
    if (t > st.currentTimeMs) st.currentTimeMs = static_cast<double>(t);
  } else {
    // One frame back from the picture shown (the camera tools seek 800 ms
    // forward here, which makes the back button step forwards).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // Still the one call that answers the playing frame rate in libvlc 3.0.
    const float fps = libvlc_media_player_get_fps(vlc_->player(0));
#pragma GCC diagnostic pop
    const double frameMs = fps > 1.0f ? 1000.0 / fps : 1000.0 / 30.0;
    const double shown = std::max(st.currentTimeMs, static_cast<double>(t));
    const double target = std::max(0.0, shown - frameMs);
    vlc_->Seek(static_cast<qint64>(target));
    st.currentTimeMs = target;
  }
}

void PlayerInterface::onPlayPosMove(int ms) {
  logDebug("PlayerInterface::onPlayPosMove");
  ViewerState &st = ViewerState::instance();
  killTimers();
  vlc_->Seek(ms);
  callResetAll();
  st.currentTimeMs = ms;
  emit sendUpdateTime(ms);
  if (playingOrPaused()) startTimers();
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
  startTimers();
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
  emit sendSetPlayData();
  if (st.playState() == PlayState::Idle) st.speedLevel = 2;
  st.flipped = {};
  vlc_->ResetFlips();
  if (st.totalRangeMs <= 0) st.totalRangeMs = static_cast<double>(vlc_->GetTotalTime());
  st.setPlayState(PlayState::Playing);
}

void PlayerInterface::setMainScreen(QWidget *widget) {
  logDebug("PlayerInterface::setMainScreen");
  vlc_->SetVideoWindow(0, widget);
}

void PlayerInterface::setSub1Screen(QWidget *widget) {
  logDebug("PlayerInterface::setSub1Screen");
  vlc_->SetVideoWindow(1, widget);
}

void PlayerInterface::setSub2Screen(QWidget *widget) {
  logDebug("PlayerInterface::setSub2Screen");
  vlc_->SetVideoWindow(2, widget);
}

QImage PlayerInterface::getScreenImage(int channel) {
  logDebug("PlayerInterface::getScreenImage");
  const QString folder = ViewerState::instance().appData + QStringLiteral("/Snapshot");
  QDir().mkpath(folder);
  const QString path =
      QDir::toNativeSeparators(folder + QLatin1Char('/') + QString::number(channel) + ".png");
  if (vlc_->GetImage(channel, path) != 0) {
    logError("[PlayerInterface]: no snapshot of channel %d", channel);
    return QImage();
  }
  return QImage(path);
}
