#include "playback/PlayControlView.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "theme/JsonToStyle.h"
#include "widgets/MelPlayButton.h"
#include "widgets/MelPlaySlider.h"
#include "widgets/MelVolumeProgressBar.h"

namespace {

const char *const kVolumeKey = "volume";
const char *const kMuteKey = "mute";

// Object names of the theme file, in speed-level order.
const char *const kSpeedNames[PlayControlView::kSpeedLevels] = {"bSpeed1", "bSpeed2", "bSpeed3",
                                                                "bSpeed4"};

bool playingOrPaused(PlayState s) {
  return s == PlayState::Playing || s == PlayState::Paused;
}

}  // namespace

PlayControlView::PlayControlView(QWidget *parent) : QWidget(parent) {
  logDebug("PlayControlView::PlayControlView");
  buildUi();
  onRefreshVolume();
  onClearUi();
  lastState_ = ViewerState::instance().playState();
  followPlayState(lastState_);
  connect(&ViewerState::instance(), &ViewerState::playStateChanged, this,
          &PlayControlView::followPlayState);
}

QString PlayControlView::timeText(double ms) {
  const long long s = ms > 0 ? static_cast<long long>(std::floor(ms / 1000.0)) : 0;
  const long long minutes = (s % 3600) / 60;
  const long long seconds = s % 60;
  return QStringLiteral("%1:%2")
      .arg(minutes, 2, 10, QLatin1Char('0'))
      .arg(seconds, 2, 10, QLatin1Char('0'));
}

void PlayControlView::buildUi() {
  setObjectName(QStringLiteral("PlayControlView"));
  setAttribute(Qt::WA_StyledBackground, true);
  JsonToStyle style(ViewerState::instance().appDir);
  style.load(QStringLiteral("ControlView"));
  imageFolder_ = style.imageFolder();

  const StyleItem bar = style.item(QStringLiteral("ControlView"));
  setFixedHeight(bar.status == 0 && bar.height > 0 ? bar.height : 88);
  setStyleSheet(QStringLiteral("#PlayControlView { background-color: %1; }")
                    .arg(bar.color[StyleItem::Default].isEmpty() ? QStringLiteral("#1b1c1e")
                                                                 : bar.color[StyleItem::Default]));

  sTimeLine_ = new MelPlaySlider(this);
  style.apply(sTimeLine_, QStringLiteral("sTimeLine"));
  sTimeLine_->setLook(style.item(QStringLiteral("sTimeLine")), imageFolder_);
  playTime_ = new QLabel(this);
  totalTime_ = new QLabel(this);
  style.apply(playTime_, QStringLiteral("playTime"));
  style.apply(totalTime_, QStringLiteral("totalTime"));
  playTime_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  totalTime_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto imageButton = [&](MelPlayButton *&button, const char *name, const char *image) {
    button = new MelPlayButton(this);
    style.apply(button, QLatin1String(name));
    button->setImage(imageFolder_, QLatin1String(image));
  };
  auto textButton = [&](MelPlayButton *&button, const char *name) {
    button = new MelPlayButton(this);
    style.apply(button, QLatin1String(name));
    button->setTextLook(style.item(QLatin1String(name)));
  };
  imageButton(bReward_, "bReward", "prevfile");
  imageButton(b5sReward_, "b5sReward", "back5");
  imageButton(bPlay_, "bPlay", "play");
  imageButton(bStop_, "bStop", "stop");
  imageButton(b5sForward_, "b5sForward", "fwd5");
  imageButton(bForward_, "bForward", "nextfile");
  imageButton(bCapture_, "bCapture", "snapshot");
  imageButton(bFlip_, "bFlip", "flip");
  imageButton(bSound_, "bSound", "volume");
  textButton(bUnit_, "bUnit");
  textButton(bDelete_, "bDelete");
  for (int i = 0; i < kSpeedLevels; ++i) {
    textButton(bSpeed_[i], kSpeedNames[i]);
    bSpeed_[i]->setCheckable(true);
    const int level = i + 1;
    connect(bSpeed_[i], &QPushButton::clicked, this, [this, level] { onChangedSpeed(level); });
  }
  speedIcon_ = new QLabel(this);
  style.apply(speedIcon_, QStringLiteral("speedIcon"));
  pVolume_ = new MelVolumeProgressBar(this);
  style.apply(pVolume_, QStringLiteral("pVolume"));
  pVolume_->setLook(style.item(QStringLiteral("pVolume")));

  auto *timeRow = new QHBoxLayout;
  timeRow->setSpacing(10);
  timeRow->addWidget(playTime_);
  timeRow->addWidget(sTimeLine_, 1);
  timeRow->addWidget(totalTime_);

  auto *buttonRow = new QHBoxLayout;
  buttonRow->setSpacing(4);
  for (QWidget *w : {bReward_, b5sReward_, bPlay_, bStop_, b5sForward_, bForward_})
    buttonRow->addWidget(w);
  buttonRow->addSpacing(8);
  buttonRow->addWidget(bUnit_);
  buttonRow->addStretch(1);
  buttonRow->addWidget(speedIcon_);
  for (MelPlayButton *b : bSpeed_) buttonRow->addWidget(b);
  buttonRow->addStretch(1);
  for (QWidget *w : {static_cast<QWidget *>(bCapture_), static_cast<QWidget *>(bFlip_),
                     static_cast<QWidget *>(bDelete_)})
    buttonRow->addWidget(w);
  buttonRow->addSpacing(8);
  buttonRow->addWidget(bSound_);
  buttonRow->addWidget(pVolume_);

  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(14, 6, 14, 8);
  column->setSpacing(4);
  column->addLayout(timeRow);
  column->addLayout(buttonRow);

  connect(bPlay_, &QPushButton::clicked, this, &PlayControlView::onClick_bPlay);
  connect(bStop_, &QPushButton::clicked, this, &PlayControlView::onClick_bStop);
  connect(bReward_, &QPushButton::clicked, this, &PlayControlView::onClick_bReward);
  connect(bForward_, &QPushButton::clicked, this, &PlayControlView::onClick_bForward);
  connect(b5sReward_, &QPushButton::clicked, this, &PlayControlView::onClick_b5sReward);
  connect(b5sForward_, &QPushButton::clicked, this, &PlayControlView::onClick_b5sForward);
  connect(bUnit_, &QPushButton::clicked, this, &PlayControlView::onClick_bUnit);
  connect(bDelete_, &QPushButton::clicked, this, &PlayControlView::onClick_bDelete);
  connect(bCapture_, &QPushButton::clicked, this, &PlayControlView::onClick_bCapture);
  connect(bFlip_, &QPushButton::clicked, this, &PlayControlView::onClick_bFlip);
  connect(bSound_, &QPushButton::clicked, this, &PlayControlView::onClick_bSound);
  connect(sTimeLine_, &QSlider::sliderMoved, this, &PlayControlView::onChange_sTimeLine);
  // The play clock must not pull the handle away from the user's hand.
  connect(sTimeLine_, &QSlider::sliderPressed, this, &PlayControlView::onSendStopTimer);
  connect(sTimeLine_, &QSlider::sliderReleased, this, [this] {
    if (ViewerState::instance().playState() == PlayState::Playing) emit onSendRestartTimer();
  });
  connect(pVolume_, &MelVolumeProgressBar::volumeChanged, this,
          &PlayControlView::onVolumeBarChanged);

  // The window's shortcuts act on these buttons; a focused button must not
  // take Space for itself.
  for (QAbstractButton *b : findChildren<QAbstractButton *>()) b->setFocusPolicy(Qt::NoFocus);
  retranslate();
}

void PlayControlView::retranslate() {
  bUnit_->setText(frameUnit_ ? tr("Frm") : tr("Sec"));
  bUnit_->setToolTip(tr("Step unit"));
  bDelete_->setText(tr("Delete"));
  bDelete_->setToolTip(tr("Delete the current file"));
  const QString speeds[kSpeedLevels] = {tr("0.5x"), tr("1x"), tr("1.5x"), tr("2x")};
  for (int i = 0; i < kSpeedLevels; ++i) bSpeed_[i]->setText(speeds[i]);
  speedIcon_->setToolTip(tr("Speed"));
  bPlay_->setToolTip(tr("Play / Pause"));
  bStop_->setToolTip(tr("Stop"));
  bReward_->setToolTip(tr("Previous file"));
  bForward_->setToolTip(tr("Next file"));
  b5sReward_->setToolTip(frameUnit_ ? tr("Previous frame") : tr("5 seconds back"));
  b5sForward_->setToolTip(frameUnit_ ? tr("Next frame") : tr("5 seconds forward"));
  bCapture_->setToolTip(tr("Capture"));
  bFlip_->setToolTip(tr("Flip"));
  bSound_->setToolTip(muted_ ? tr("Sound on") : tr("Mute"));
  pVolume_->setToolTip(tr("Volume"));
}

int PlayControlView::volume() const {
  return pVolume_->value();
}

void PlayControlView::followPlayState(PlayState state) {
  const PlayState previous = lastState_;
  lastState_ = state;
  if (state == PlayState::Playing) {
    bPlay_->setImage(imageFolder_, QStringLiteral("pause"));
    // The engine starts every new file at 1x.
    if (previous == PlayState::Idle || previous == PlayState::Stopped) speedLevel_ = kNormalSpeed;
  } else {
    bPlay_->setImage(imageFolder_, QStringLiteral("play"));
  }
  showSpeedButtons();
}

void PlayControlView::showSpeedButtons() {
  const bool playing = ViewerState::instance().playState() == PlayState::Playing;
  for (int i = 0; i < kSpeedLevels; ++i) {
    bSpeed_[i]->setEnabled(playing);
    bSpeed_[i]->setChecked(i + 1 == speedLevel_);
  }
}

void PlayControlView::requestPause() {
  logInfo("[PlayControlView]: Pause button is clicked.");
  bPlay_->setImage(imageFolder_, QStringLiteral("play"));
  emit onClickedPause();
}

void PlayControlView::setFrameUnit(bool frames) {
  frameUnit_ = frames;
  b5sReward_->setImage(imageFolder_,
                       frames ? QStringLiteral("framestep-back") : QStringLiteral("back5"));
  b5sForward_->setImage(imageFolder_,
                        frames ? QStringLiteral("framestep-fwd") : QStringLiteral("fwd5"));
  retranslate();
}

void PlayControlView::onClick_bPlay() {
  if (!isEnabled()) return;  // input waits while playback starts or stops
  logDebug("PlayControlView::onClick_bPlay");
  const ViewerState &s = ViewerState::instance();
  switch (s.playState()) {
    case PlayState::Stopped:
      return;
    case PlayState::Playing:
      requestPause();
      return;
    case PlayState::Idle:
      if (s.currentRecording().isEmpty()) {
        // Nothing chosen yet: the file list picks its first row and plays it.
        logInfo("[PlayControlView]: Play button is clicked.");
        emit onSendOpenFile();
        return;
      }
      break;
    case PlayState::Paused:
      break;
  }
  logInfo("[PlayControlView]: Play button is clicked.");
  bPlay_->setImage(imageFolder_, QStringLiteral("pause"));
  if (frameUnit_) setFrameUnit(false);
  emit onSendPlay();
}

void PlayControlView::onClick_bStop() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bStop");
  if (!playingOrPaused(ViewerState::instance().playState())) return;
  logInfo("[PlayControlView]: Stop button is clicked.");
  emit onClickedStop(true);
  onClearUi();
  emit onClickedMapEnable(false);
  emit onSendLogoSet(true);
  emit onSendClear();
  emit onSendStop();
}

void PlayControlView::onClick_bReward() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bReward");
  emit onChangePlayFile();
}

void PlayControlView::onClick_bForward() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bForward");
  emit onCallNextFile();
}

void PlayControlView::onClick_b5sReward() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_b5sReward");
  stepMove(false);
}

void PlayControlView::onClick_b5sForward() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_b5sForward");
  stepMove(true);
}

void PlayControlView::stepMove(bool forward) {
  // With nothing loaded there is nothing to step through.
  if (!playingOrPaused(ViewerState::instance().playState())) return;
  emit onSendStopTimer();
  if (frameUnit_) {
    logInfo(forward ? "go to next frame!" : "go to previous frame!");
    emit onClickMoveFrame(forward);
  } else {
    logInfo(forward ? "go to 5s next time!" : "go to 5s previous time!");
    emit onClicked5sMove(forward);
  }
}

void PlayControlView::onClick_bUnit() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bUnit");
  // Frames are stepped only while paused.
  if (ViewerState::instance().playState() == PlayState::Playing) requestPause();
  setFrameUnit(!frameUnit_);
}

void PlayControlView::onClick_bDelete() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bDelete");
  emit onClickedDelete();
}

void PlayControlView::onClick_bCapture() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bCapture");
  emit onSendRefreshImage();
}

void PlayControlView::onClick_bFlip() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bFlip");
  emit onClickedFlip(flipChannel_);
}

void PlayControlView::onClick_bSound() {
  if (!isEnabled()) return;
  logDebug("PlayControlView::onClick_bSound");
  muted_ = !muted_;
  logInfo(muted_ ? "[PlayControlView]: set mute" : "[PlayControlView]: unset mute");
  AppSettings::store().setValue(QLatin1String(kMuteKey), muted_);
  showMuted();
  emit onClickedMute(muted_);
}

void PlayControlView::showMuted() {
  bSound_->setImage(imageFolder_, muted_ ? QStringLiteral("mute") : QStringLiteral("volume"));
  pVolume_->setMutedLook(muted_);
  bSound_->setToolTip(muted_ ? tr("Sound on") : tr("Mute"));
}

void PlayControlView::onVolumeBarChanged(int value) {
  if (!isEnabled()) return;
  AppSettings::store().setValue(QLatin1String(kVolumeKey), value);
  emit onSendVolumeChange(value);
}

void PlayControlView::onChangedSpeed(int index) {
  if (!isEnabled()) {
    showSpeedButtons();
    return;
  }
  logDebug("PlayControlView::onChangedSpeed");
  const bool playing = ViewerState::instance().playState() == PlayState::Playing;
  if (!playing || index < 1 || index > kSpeedLevels || index == speedLevel_) {
    // A refused click must not leave its button checked.
    showSpeedButtons();
    return;
  }
  speedLevel_ = index;
  showSpeedButtons();
  emit onSendChangeSpeed(index);
}

void PlayControlView::onSetPlayData() {
  logDebug("PlayControlView::onSetPlayData");
  onloadTotalTime();
  emit onSendLoadChart();
  emit onClickedMapEnable(!ViewerState::instance().gpsSamples.isEmpty());
  emit onSendLogoSet(false);
}

void PlayControlView::refreshTime() {
  // While the user holds the handle, the handle and the time are theirs.
  if (sTimeLine_->isSliderDown()) return;
  const ViewerState &s = ViewerState::instance();
  if (s.currentTimeMs <= s.totalRangeMs)
    sTimeLine_->setValue(static_cast<int>(qBound(0.0, s.currentTimeMs, double(INT_MAX))));
  playTime_->setText(timeText(s.currentTimeMs));
}

void PlayControlView::onUpdateSlider() {
  refreshTime();
  emit onSendUpdateChart();
}

void PlayControlView::onUpdateTimeText() {
  refreshTime();
}

void PlayControlView::onloadTotalTime() {
  logDebug("PlayControlView::onloadTotalTime");
  const double total = qBound(0.0, ViewerState::instance().totalRangeMs, double(INT_MAX));
  totalTime_->setText(timeText(total));
  sTimeLine_->setMaximum(static_cast<int>(total));
  refreshTime();
}

void PlayControlView::onChange_sTimeLine(int value) {
  if (!isEnabled()) return;
  playTime_->setText(timeText(value));
  emit onChangePlayPosition(value);
}

void PlayControlView::onClearUi() {
  logDebug("PlayControlView::onClearUi");
  setFrameUnit(false);
  bPlay_->setImage(imageFolder_, QStringLiteral("play"));
  speedLevel_ = kNormalSpeed;
  showSpeedButtons();
  playTime_->setText(timeText(0));
  totalTime_->setText(timeText(0));
  sTimeLine_->setValue(0);
  sTimeLine_->setMaximum(0);
}

void PlayControlView::onRefreshVolume() {
  logDebug("PlayControlView::onRefreshVolume");
  QSettings &st = AppSettings::store();
  const int v = st.value(QLatin1String(kVolumeKey), kDefaultVolume).toInt();
  pVolume_->setValue(qBound(0, v, int(MelVolumeProgressBar::kMaximum)));
  muted_ = st.value(QLatin1String(kMuteKey), false).toBool();
  showMuted();
}

void PlayControlView::onSetPause() {
  logDebug("PlayControlView::onSetPause");
  bPlay_->setImage(imageFolder_, QStringLiteral("pause"));
}

void PlayControlView::onSetPlayButton() {
  logDebug("PlayControlView::onSetPlayButton");
  bPlay_->setImage(imageFolder_, QStringLiteral("play"));
}

void PlayControlView::onRecvPlayNextFile() {
  logDebug("PlayControlView::onRecvPlayNextFile");
  if (frameUnit_) setFrameUnit(false);
  emit onCallNextFile();
}

void PlayControlView::onBlockEvent(bool block) {
  logDebug("PlayControlView::onBlockEvent");
  setEnabled(!block);
}

void PlayControlView::setFlipChannel(int channel) {
  flipChannel_ = channel;
}

void PlayControlView::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) retranslate();
}
