#include "widgets/MelVolumeProgressBar.h"

#include <QMouseEvent>
#include <QWheelEvent>

MelVolumeProgressBar::MelVolumeProgressBar(QWidget *parent) : QProgressBar(parent) {
  setRange(0, kMaximum);
  setTextVisible(false);
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
  updateStyle();
}

void MelVolumeProgressBar::setLook(const StyleItem &item) {
  item_ = item;
  updateStyle();
}

void MelVolumeProgressBar::setMutedLook(bool muted) {
  muted_ = muted;
  updateStyle();
}

void MelVolumeProgressBar::updateStyle() {
  auto colour = [this](StyleItem::State state, const char *fallback) {
    return item_.status == 0 && !item_.color[state].isEmpty() ? item_.color[state]
                                                              : QString::fromLatin1(fallback);
  };
  const QString level =
      muted_ ? colour(StyleItem::Disable, "#505050") : colour(StyleItem::Select, "#4cdeb2");
  setStyleSheet(QStringLiteral("QProgressBar { background-color: %1; border: none;"
                               " border-radius: 2px; }"
                               "QProgressBar::chunk { background-color: %2; border-radius: 2px; }")
                    .arg(colour(StyleItem::Normal, "#3a3b3e"), level));
}

int MelVolumeProgressBar::valueAt(int x) const {
  const QRect area = contentsRect();
  if (area.width() <= 1) return minimum();
  const int offset = qBound(0, x - area.x(), area.width() - 1);
  // Rounded, and the last pixel is the full level.
  return minimum() +
         (offset * (maximum() - minimum()) * 2 + (area.width() - 1)) / (2 * (area.width() - 1));
}

void MelVolumeProgressBar::setByUser(int value) {
  value = qBound(minimum(), value, maximum());
  if (value == this->value()) return;
  setValue(value);
  emit volumeChanged(value);
}

void MelVolumeProgressBar::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  dragging_ = true;
  setByUser(valueAt(event->pos().x()));
}

void MelVolumeProgressBar::mouseMoveEvent(QMouseEvent *event) {
  if (!dragging_) {
    event->ignore();
    return;
  }
  setByUser(valueAt(event->pos().x()));
}

void MelVolumeProgressBar::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void MelVolumeProgressBar::wheelEvent(QWheelEvent *event) {
  // A notch is 120; touch pads deliver it in smaller pieces.
  wheelRest_ += event->angleDelta().y();
  const int steps = wheelRest_ / 120;
  wheelRest_ -= steps * 120;
  if (steps) setByUser(value() + steps * kWheelStep);
  event->accept();
}
