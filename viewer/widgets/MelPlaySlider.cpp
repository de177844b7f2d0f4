#include "widgets/MelPlaySlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

MelPlaySlider::MelPlaySlider(QWidget *parent) : QSlider(Qt::Horizontal, parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
  setRange(0, 0);
  setTracking(true);
}

void MelPlaySlider::setLook(const StyleItem &item, const QString &imageFolder) {
  auto colour = [&item](StyleItem::State state, const char *fallback) {
    return item.status == 0 && !item.color[state].isEmpty() ? item.color[state]
                                                            : QString::fromLatin1(fallback);
  };
  setStyleSheet(
      QStringLiteral("QSlider { background: transparent; }"
                     "QSlider::groove:horizontal { height: 4px; background: %1;"
                     " border-radius: 2px; }"
                     "QSlider::sub-page:horizontal { background: %2; border-radius: 2px; }"
                     "QSlider::add-page:horizontal { background: %1; border-radius: 2px; }"
                     "QSlider::handle:horizontal { width: 18px; height: 18px; margin: -7px 0px;"
                     " image: url(\"%3slider-handle.svg\"); }"
                     "QSlider::sub-page:horizontal:disabled { background: %4; }")
          .arg(colour(StyleItem::Normal, "#3a3b3e"), colour(StyleItem::Select, "#4cdeb2"),
               imageFolder, colour(StyleItem::Disable, "#505050")));
}

int MelPlaySlider::valueAt(int x) const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
  const int span = groove.width() - handle.width();
  if (span <= 0) return minimum();
  const int offset = qBound(0, x - groove.x() - handle.width() / 2, span);
  return QStyle::sliderValueFromPosition(minimum(), maximum(), offset, span, opt.upsideDown);
}

void MelPlaySlider::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton || maximum() == minimum()) {
    event->ignore();
    return;
  }
  event->accept();
  setSliderDown(true);
  setSliderPosition(valueAt(event->pos().x()));
}

void MelPlaySlider::mouseMoveEvent(QMouseEvent *event) {
  if (!isSliderDown()) {
    event->ignore();
    return;
  }
  event->accept();
  setSliderPosition(valueAt(event->pos().x()));
}

void MelPlaySlider::mouseReleaseEvent(QMouseEvent *event) {
  if (!isSliderDown() || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  event->accept();
  setSliderDown(false);
}
