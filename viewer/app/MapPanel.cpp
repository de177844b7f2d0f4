#include "app/MapPanel.h"

#include <QBoxLayout>
#include <QEvent>

#include "chart/ChartView.h"
#include "core/StatusLog.h"
#include "map/MapView.h"

MapPanel::MapPanel(QWidget *window, QBoxLayout *home)
    : QWidget(nullptr), window_(window), home_(home) {
  setObjectName(QStringLiteral("mapPanel"));
  map_ = new MapView(this);
  chart_ = new ChartView(this);
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(map_, 1);
  column->addWidget(chart_);
  home_->addWidget(this);

  // The video surfaces are native windows; only a native frame stacks above
  // them.
  frame_ = new QWidget(window_);
  frame_->setObjectName(QStringLiteral("floatingMap"));
  frame_->setAttribute(Qt::WA_NativeWindow, true);
  frame_->setAttribute(Qt::WA_StyledBackground, true);
  frame_->setStyleSheet(
      QStringLiteral("#floatingMap { background-color: #1b1c1e;"
                     " border: 1px solid #3a3b3e; }"));
  auto *inFrame = new QVBoxLayout(frame_);
  inFrame->setContentsMargins(1, 1, 1, 1);
  frame_->resize(kFloatingWidth, kFloatingHeight);
  frame_->hide();
  window_->installEventFilter(this);
}

void MapPanel::setFloating(bool floating) {
  if (floating == floating_) return;
  floating_ = floating;
  logDebug(floating ? "[MapPanel]: the map floats over the video"
                    : "[MapPanel]: the map goes back to the right panel");
  if (floating) {
    frame_->layout()->addWidget(this);
    placeFrame();
    frame_->show();
    frame_->raise();
    show();
    map_->setFloating(frame_);
  } else {
    map_->setFloating(nullptr);
    frame_->hide();
    home_->addWidget(this);
    show();
  }
}

// Bottom right, above the control bar.
void MapPanel::placeFrame() {
  placedAt_ = QPoint(window_->width() - frame_->width() - 16,
                     window_->height() - frame_->height() - kFloatingBottom);
  frame_->move(placedAt_);
  keepFrameInside();
  placedAt_ = frame_->pos();
}

void MapPanel::keepFrameInside() {
  const int x = qBound(0, frame_->x(), std::max(0, window_->width() - frame_->width()));
  const int y = qBound(0, frame_->y(), std::max(0, window_->height() - frame_->height()));
  frame_->move(x, y);
}

bool MapPanel::eventFilter(QObject *watched, QEvent *event) {
  if (watched == window_) {
    if (event->type() == QEvent::WindowStateChange)
      setFloating(window_->windowState() & Qt::WindowFullScreen);
    else if (event->type() == QEvent::Resize && floating_)
      frame_->pos() == placedAt_ ? placeFrame() : keepFrameInside();
  }
  return QWidget::eventFilter(watched, event);
}
