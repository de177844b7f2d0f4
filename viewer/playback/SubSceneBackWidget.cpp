#include "playback/SubSceneBackWidget.h"

#include <QMouseEvent>

SubSceneBackWidget::SubSceneBackWidget(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SubSceneBackWidget"));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(kBackground));
  setPalette(p);
  setCursor(Qt::PointingHandCursor);
}

void SubSceneBackWidget::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  event->accept();
  emit mousePressed();
}
