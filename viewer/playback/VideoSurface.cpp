#include "playback/VideoSurface.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>

VideoSurface::VideoSurface(int channel, QWidget *parent) : QWidget(parent), channel_(channel) {
  setObjectName(QStringLiteral("videoSurface%1").arg(channel));
  // Qt would otherwise make every sibling (captions, slot backs) a native
  // window as well; only the surfaces need one.
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  setAttribute(Qt::WA_DontCreateNativeAncestors);
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMaximumSize(kMaxWidth, kMaxHeight);
}

void VideoSurface::setFill(const QColor &colour) {
  fill_ = colour;
  update();
}

void VideoSurface::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), fill_);
}

void VideoSurface::moveInto(QWidget *parent) {
  const bool hiddenByOwner = isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
  if (parentWidget() != parent) setParent(parent);
  setGeometry(QRect(QPoint(0, 0), parent->size().boundedTo(maximumSize())));
  // setParent hides the widget; only the engine decides when video is shown.
  if (!hiddenByOwner) show();
}
