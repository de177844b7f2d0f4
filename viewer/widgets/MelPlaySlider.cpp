#include "widgets/MelPlaySlider.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace {

const QColor kMarkColour(0xff, 0xb0, 0x20);
const QColor kSpanColour(0x4c, 0xa0, 0xff);
constexpr int kMarkReach = 5;  // pixels either side of a mark that still hit it

}  // namespace

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

int MelPlaySlider::positionOf(int value) const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
  const int span = groove.width() - handle.width();
  if (span <= 0) return groove.x() + handle.width() / 2;
  return groove.x() + handle.width() / 2 +
         QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, opt.upsideDown);
}

void MelPlaySlider::setMarks(const QVector<Mark> &marks) {
  marks_ = marks;
  update();
}

int MelPlaySlider::markAt(int x) const {
  if (maximum() == minimum()) return -1;
  int found = -1;
  int nearest = kMarkReach + 1;
  for (int i = 0; i < marks_.size(); ++i) {
    const int distance = std::abs(positionOf(marks_[i].value) - x);
    if (distance < nearest) {
      nearest = distance;
      found = i;
    }
  }
  return found;
}

bool MelPlaySlider::event(QEvent *event) {
  if (event->type() == QEvent::ToolTip) {
    auto *help = static_cast<QHelpEvent *>(event);
    const int mark = markAt(help->pos().x());
    if (mark >= 0 && !marks_[mark].toolTip.isEmpty()) {
      QToolTip::showText(help->globalPos(), marks_[mark].toolTip, this);
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QSlider::event(event);
}

void MelPlaySlider::setSpan(int from, int to) {
  spanFrom_ = from;
  spanTo_ = to;
  update();
}

void MelPlaySlider::paintEvent(QPaintEvent *event) {
  QSlider::paintEvent(event);
  if (maximum() == minimum()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  if (spanFrom_ >= 0 || spanTo_ >= 0) {
    // The chosen part: a band along the groove between two brackets.
    const int mid = height() / 2;
    const int left = positionOf(spanFrom_ >= 0 ? spanFrom_ : minimum());
    const int right = positionOf(spanTo_ >= 0 ? spanTo_ : maximum());
    QColor band = kSpanColour;
    band.setAlpha(110);
    p.fillRect(QRect(QPoint(left, mid - 4), QPoint(right, mid + 3)), band);
    p.setPen(QPen(kSpanColour, 2));
    if (spanFrom_ >= 0) {
      p.drawLine(left, 2, left, height() - 3);
      p.drawLine(left, 2, left + 4, 2);
      p.drawLine(left, height() - 3, left + 4, height() - 3);
    }
    if (spanTo_ >= 0) {
      p.drawLine(right, 2, right, height() - 3);
      p.drawLine(right, 2, right - 4, 2);
      p.drawLine(right, height() - 3, right - 4, height() - 3);
    }
  }
  if (marks_.isEmpty()) return;
  // A small flag above and below the groove, so the handle never hides a mark.
  p.setPen(Qt::NoPen);
  p.setBrush(kMarkColour);
  const int mid = height() / 2;
  for (const Mark &m : marks_) {
    if (m.value < minimum() || m.value > maximum()) continue;
    const int x = positionOf(m.value);
    const QPointF top[3] = {{x - 4.0, 0.0}, {x + 4.0, 0.0}, {double(x), mid - 3.0}};
    const QPointF bottom[3] = {
        {x - 4.0, double(height())}, {x + 4.0, double(height())}, {double(x), mid + 3.0}};
    p.drawPolygon(top, 3);
    p.drawPolygon(bottom, 3);
  }
}

void MelPlaySlider::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton || maximum() == minimum()) {
    event->ignore();
    return;
  }
  event->accept();
  const int mark = markAt(event->pos().x());
  if (mark >= 0) {
    emit markClicked(marks_[mark].value);
    return;
  }
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
