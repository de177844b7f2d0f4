#include "playback/SubPlayerWindow.h"

#include <QResizeEvent>

#include "core/StatusLog.h"
#include "playback/VideoSurface.h"

SubPlayerWindow::SubPlayerWindow(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SubPlayerWindow"));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::black);
  setPalette(p);
}

void SubPlayerWindow::setVideoWidget(VideoSurface *video) {
  video_ = video;
  if (video_) video_->moveInto(this);
}

void SubPlayerWindow::applySize() {
  if (!video_) return;
  video_->setGeometry(QRect(QPoint(0, 0), size().boundedTo(video_->maximumSize())));
  emit sendVideoResize(id_, video_->size());
}

void SubPlayerWindow::onSetId(int id) {
  logDebug("SubPlayerWindow::onSetId");
  id_ = id;
}

void SubPlayerWindow::onSetTransparent() {
  logDebug("SubPlayerWindow::onSetTransparent");
  transparent_ = true;
  setAutoFillBackground(false);
  setAttribute(Qt::WA_NoSystemBackground, true);
  setAttribute(Qt::WA_TranslucentBackground, true);
  update();
}

void SubPlayerWindow::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  applySize();
}
