#include "playback/VideoSurface.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

VideoSurface::VideoSurface(int channel, QWidget *parent) : QWidget(parent), channel_(channel) {
  setObjectName(QStringLiteral("videoSurface%1").arg(channel));
  // Qt would otherwise make every sibling (captions, slot backs) a native
  // window as well; only the surfaces need one.
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  setAttribute(Qt::WA_DontCreateNativeAncestors);
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMaximumSize(kMaxWidth, kMaxHeight);
  QSizePolicy policy = sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
}

VideoSurface::~VideoSurface() {
  // Children go with the surface; a retired window still held by a stuck
  // player would go too, which is why the engine lets go of its players first.
  retired_.clear();
}

void VideoSurface::setFill(const QColor &colour) {
  fill_ = colour;
  update();
}

void VideoSurface::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), fill_);
}

void VideoSurface::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (window_) window_->setGeometry(rect());
}

void VideoSurface::moveInto(QWidget *parent) {
  const bool hiddenByOwner = isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
  if (parentWidget() != parent) setParent(parent);
  setGeometry(QRect(QPoint(0, 0), parent->size().boundedTo(maximumSize())));
  // setParent hides the widget; only the engine decides when video is shown.
  if (!hiddenByOwner) show();
}

quint32 VideoSurface::videoWindow() {
  if (!window_) {
    auto *window = new QWidget(this);
    window->setObjectName(QStringLiteral("videoLayer%1").arg(channel_));
    // libvlc draws into an X window of its own below this one: it needs a
    // native window even inside parents that have none.
    window->setAttribute(Qt::WA_NativeWindow);
    window->setAttribute(Qt::WA_DontCreateNativeAncestors);
    QPalette black = window->palette();
    black.setColor(QPalette::Window, Qt::black);
    window->setPalette(black);
    window->setAutoFillBackground(true);
    window->setGeometry(rect());
    window->show();
    window->raise();
    window_ = window;
  }
  return static_cast<quint32>(window_->winId());
}

void VideoSurface::retireVideoWindow() {
  if (!window_) return;
  window_->hide();
  retired_ << window_;
  window_ = nullptr;
}

void VideoSurface::releaseRetiredWindows() {
  for (const QPointer<QWidget> &window : retired_) delete window.data();
  retired_.clear();
}
