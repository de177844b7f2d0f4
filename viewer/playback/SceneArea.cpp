#include "playback/SceneArea.h"

#include <QEvent>

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "playback/PlayScreenWindow.h"
#include "playback/SubPlayerWindow.h"
#include "playback/SubSceneBackWidget.h"
#include "playback/VideoSurface.h"
#include "theme/JsonToStyle.h"

namespace {

const char *const kCaptionNames[SceneArea::kChannels] = {"mainLabel", "sub1Label", "sub2Label"};

QVBoxLayout *captionedColumn(QWidget *owner, QLabel *caption, QWidget *content) {
  auto *column = new QVBoxLayout(owner);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(caption);
  column->addWidget(content, 1);
  return column;
}

}  // namespace

SceneArea::SceneArea(QWidget *parent) : QWidget(parent) {
  logDebug("SceneArea::SceneArea");
  setObjectName(QStringLiteral("SceneArea"));
  setAttribute(Qt::WA_StyledBackground, true);
  JsonToStyle style(ViewerState::instance().appDir);
  style.load(QStringLiteral("SceneArea"));
  const StyleItem area = style.item(QStringLiteral("SceneArea"));
  setStyleSheet(QStringLiteral("#SceneArea { background-color: %1; }")
                    .arg(area.color[StyleItem::Default].isEmpty()
                             ? QStringLiteral("#1b1c1e")
                             : area.color[StyleItem::Default]));

  for (int c = 0; c < kChannels; ++c) {
    captions_[c] = new QLabel(this);
    style.apply(captions_[c], QLatin1String(kCaptionNames[c]));
  }
  mainPanel_ = new QWidget(this);
  mainPanel_->setObjectName(QStringLiteral("mainPanel"));
  mainPanel_->setAutoFillBackground(true);
  QPalette back = mainPanel_->palette();
  back.setColor(QPalette::Window, QColor(SubSceneBackWidget::kBackground));
  mainPanel_->setPalette(back);
  playScreen_ = new PlayScreenWindow(mainPanel_);
  captionedColumn(mainPanel_, captions_[0], playScreen_);
  for (int s = 0; s < 2; ++s) {
    backs_[s] = new SubSceneBackWidget(this);
    subs_[s] = new SubPlayerWindow(backs_[s]);
    subs_[s]->onSetTransparent();
    captionedColumn(backs_[s], captions_[s + 1], subs_[s]);
    const int slot = s + 1;
    connect(backs_[s], &SubSceneBackWidget::mousePressed, this,
            [this, slot] { onChangeSceneView(slot); });
    connect(subs_[s], &SubPlayerWindow::sendVideoResize, this, &SceneArea::sendVideoResize);
  }
  connect(playScreen_, &PlayScreenWindow::sendVideoResize, this, &SceneArea::sendVideoResize);

  for (int c = 0; c < kChannels; ++c) videos_[c] = new VideoSurface(c, this);
  place(0, 1, 2);

  grid_ = new QGridLayout(this);
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setSpacing(2);
  grid_->addWidget(mainPanel_, 0, 0, 2, 1);
  grid_->addWidget(backs_[0], 0, 1);
  grid_->addWidget(backs_[1], 1, 1);
  applyLayout();
  retranslate();
}

VideoSurface *SceneArea::videoWidget(int channel) const {
  return channel >= 0 && channel < kChannels ? videos_[channel] : nullptr;
}

SubPlayerWindow *SceneArea::subWindow(int slot) const {
  return slot == 1 || slot == 2 ? subs_[slot - 1] : nullptr;
}

SubSceneBackWidget *SceneArea::subBack(int slot) const {
  return slot == 1 || slot == 2 ? backs_[slot - 1] : nullptr;
}

QLabel *SceneArea::caption(int slot) const {
  return slot >= 0 && slot < kChannels ? captions_[slot] : nullptr;
}

int SceneArea::mainChannel() const {
  return playScreen_->id();
}

QString SceneArea::channelLabel(int channel) {
  switch (channel) {
    case 0:
      return tr("Front");
    case 1:
      return tr("CAM 1");
    case 2:
      return tr("CAM 2");
    default:
      return QString();
  }
}

QString SceneArea::channelToolTip(int channel) {
  switch (channel) {
    case 0:
      return tr("Front Scene");
    case 1:
      return tr("Rear Scene1");
    case 2:
      return tr("Rear Scene2");
    default:
      return QString();
  }
}

void SceneArea::retranslate() {
  updateCaptions();
}

void SceneArea::updateCaptions() {
  const int shown[kChannels] = {playScreen_->id(), subs_[0]->id(), subs_[1]->id()};
  QWidget *const panels[kChannels] = {mainPanel_, backs_[0], backs_[1]};
  for (int i = 0; i < kChannels; ++i) {
    captions_[i]->setText(channelLabel(shown[i]));
    panels[i]->setToolTip(channelToolTip(shown[i]));
  }
}

void SceneArea::place(int mainChannel, int sub1Channel, int sub2Channel) {
  playScreen_->setSceneWidget(videos_[mainChannel]);
  subs_[0]->setVideoWidget(videos_[sub1Channel]);
  subs_[1]->setVideoWidget(videos_[sub2Channel]);
  playScreen_->onSetId(mainChannel);
  subs_[0]->onSetId(sub1Channel);
  subs_[1]->onSetId(sub2Channel);
  updateCaptions();
}

void SceneArea::applyLayout() {
  const bool subs = channelCount_ > 1;
  backs_[0]->setVisible(subs);
  // With two channels the second slot stays as an empty back, so the one
  // rear picture keeps the size it has next to a second one.
  backs_[1]->setVisible(subs);
  subs_[1]->setVisible(channelCount_ > 2);
  captions_[2]->setVisible(channelCount_ > 2);
  grid_->setColumnStretch(0, subs ? kMainStretch : 1);
  grid_->setColumnStretch(1, subs ? kSubStretch : 0);
}

void SceneArea::setChannelCount(int count) {
  logDebug("SceneArea::setChannelCount");
  channelCount_ = qBound(1, count, kChannels);
  // A channel the new recording lacks must not stay on a visible surface;
  // the surfaces on show are the main one and the first count - 1 slots.
  const int ids[kChannels] = {playScreen_->id(), subs_[0]->id(), subs_[1]->id()};
  for (int i = 0; i < channelCount_; ++i) {
    if (ids[i] >= channelCount_) {
      onResetScenes();
      break;
    }
  }
  applyLayout();
}

void SceneArea::onResetScenes() {
  logDebug("SceneArea::onResetScenes");
  if (playScreen_->id() == 0 && subs_[0]->id() == 1 && subs_[1]->id() == 2) return;
  playScreen_->onResetZoom();
  place(0, 1, 2);
  playScreen_->applySize();
  subs_[0]->applySize();
  subs_[1]->applySize();
  emit sceneChanged(0);
}

void SceneArea::onChangeSceneView(int slot) {
  logDebug("SceneArea::onChangeSceneView");
  if (!isEnabled() || slot < 1 || slot > 2 || slot >= channelCount_) return;
  SubPlayerWindow *sub = subs_[slot - 1];
  const int mainId = playScreen_->id();
  const int subId = sub->id();
  playScreen_->onResetZoom();
  VideoSurface *mainVideo = playScreen_->sceneWidget();
  VideoSurface *subVideo = sub->videoWidget();
  playScreen_->setSceneWidget(subVideo);
  sub->setVideoWidget(mainVideo);
  playScreen_->onSetId(subId);
  sub->onSetId(mainId);
  playScreen_->applySize();
  sub->applySize();
  playScreen_->onSetZoom();
  updateCaptions();
  logInfo("[SceneArea]: main scene shows channel %d, slot %d shows channel %d", subId, slot,
          mainId);
  emit sceneChanged(subId);
}

void SceneArea::onBlockEvent(bool block) {
  logDebug("SceneArea::onBlockEvent");
  setEnabled(!block);
}

void SceneArea::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) retranslate();
}
