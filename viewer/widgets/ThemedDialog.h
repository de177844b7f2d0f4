// A frameless modal dialog whose children take their look from the dialog's
// theme file; it can be dragged by its title area.
#ifndef VIEWER_WIDGETS_THEMEDDIALOG_H
#define VIEWER_WIDGETS_THEMEDDIALOG_H

#include <QDialog>
#include <QPoint>

#include "theme/JsonToStyle.h"

class ThemedDialog : public QDialog {
  Q_OBJECT
 public:
  ThemedDialog(const QString &themeFile, const QByteArray &context, QWidget *parent = nullptr);

 protected:
  // Applies the theme to a child and gives it its object name.
  template <typename W>
  W *themed(W *widget, const QString &name) {
    widget->setObjectName(name);
    style_.apply(widget, name);
    return widget;
  }
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

  JsonToStyle style_;
  int titleHeight_ = 40;

 private:
  bool dragging_ = false;
  QPoint dragOffset_;
};

#endif
