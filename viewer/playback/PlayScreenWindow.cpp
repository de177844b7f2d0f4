#include "playback/PlayScreenWindow.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QWheelEvent>

#include "core/StatusLog.h"
#include "playback/VideoSurface.h"

namespace {

constexpr int kWheelNotch = 120;

}  // namespace

PlayScreenWindow::PlayScreenWindow(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PlayScreenWindow"));
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  setAttribute(Qt::WA_DontCreateNativeAncestors);
  setAttribute(Qt::WA_NativeWindow);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::black);
  setPalette(p);
  setMinimumSize(64, 36);
}

void PlayScreenWindow::setSceneWidget(VideoSurface *scene) {
  scene_ = scene;
  if (!scene_) return;
  scene_->moveInto(this);
  level_ = kNormalZoom;
}

QRect PlayScreenWindow::zoomGeometry(int level, const QPoint &at, const QSize &window) {
  const int w = window.width();
  const int h = window.height();
  switch (level) {
    case 4:
      return QRect(-at.x(), -at.y(), 2 * w, 2 * h);
    case 5:
      return QRect(-3 * at.x(), -3 * at.y(), 4 * w, 4 * h);
    default:
      return QRect(0, 0, w, h);
  }
}

void PlayScreenWindow::applySize() {
  if (!scene_) return;
  scene_->setGeometry(rect());
  emit sendVideoResize(id_, scene_->size());
}

void PlayScreenWindow::onSetId(int id) {
  logDebug("PlayScreenWindow::onSetId");
  id_ = id;
}

void PlayScreenWindow::onSetZoom() {
  logDebug("PlayScreenWindow::onSetZoom");
  zoomEnabled_ = true;
}

void PlayScreenWindow::onResetZoom() {
  const QSize scene = scene_ ? scene_->size() : QSize();
  logInfo("[PlayScreenWindow::onResetZoom] window: %dx%d / scene: %dx%d", width(), height(),
          scene.width(), scene.height());
  level_ = kNormalZoom;
  zoomEnabled_ = false;
  wheelRest_ = 0;
  applySize();
}

void PlayScreenWindow::zoomStep(int direction, const QPoint &at) {
  const int level = qBound(kNormalZoom, level_ + direction, kMaxZoom);
  if (level == level_) return;
  level_ = level;
  scene_->setGeometry(zoomGeometry(level_, at, size()));
  emit sendVideoResize(id_, scene_->size());
}

void PlayScreenWindow::wheelEvent(QWheelEvent *event) {
  if (!zoomEnabled_ || !scene_) {
    event->ignore();
    return;
  }
  event->accept();
  // A notch is 120; touch pads deliver it in smaller pieces.
  wheelRest_ += event->angleDelta().y();
  const QPoint at = event->position().toPoint();
  for (; wheelRest_ >= kWheelNotch; wheelRest_ -= kWheelNotch) zoomStep(1, at);
  for (; wheelRest_ <= -kWheelNotch; wheelRest_ += kWheelNotch) zoomStep(-1, at);
}

void PlayScreenWindow::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  // A zoom is relative to the old size; a new size starts from the whole picture.
  level_ = kNormalZoom;
  wheelRest_ = 0;
  applySize();
}
