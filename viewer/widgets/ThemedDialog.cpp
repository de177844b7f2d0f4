#include "widgets/ThemedDialog.h"

#include <QMouseEvent>

#include "core/ViewerState.h"

ThemedDialog::ThemedDialog(const QString &themeFile, const QByteArray &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      style_(ViewerState::instance().appDir) {
  setModal(true);
  style_.setTranslationContext(context);
  style_.load(themeFile);
  const StyleItem frame = style_.item(QStringLiteral("dialog"));
  if (frame.status == 0) {
    resize(frame.width, frame.height);
    setStyleSheet(QStringLiteral("QDialog { background-color: %1; border: %2; }")
                      .arg(frame.color[StyleItem::Default].isEmpty()
                               ? QStringLiteral("#232427")
                               : frame.color[StyleItem::Default],
                           frame.border[StyleItem::Default]));
    if (frame.marginTop > 0) titleHeight_ = frame.marginTop;
  }
}

void ThemedDialog::mousePressEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton && event->pos().y() < titleHeight_) {
    dragging_ = true;
    dragOffset_ = event->globalPos() - frameGeometry().topLeft();
  }
  QDialog::mousePressEvent(event);
}

void ThemedDialog::mouseMoveEvent(QMouseEvent *event) {
  if (dragging_) move(event->globalPos() - dragOffset_);
  QDialog::mouseMoveEvent(event);
}

void ThemedDialog::mouseReleaseEvent(QMouseEvent *event) {
  dragging_ = false;
  QDialog::mouseReleaseEvent(event);
}
