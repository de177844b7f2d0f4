// The time line of the control bar. A press anywhere on the groove puts the
// handle under the pointer and the handle then follows the drag; each of
// these user moves is reported through sliderMoved, between sliderPressed
// and sliderReleased. setValue from the play clock reports no move.
// Marks (moments worth finding again, such as a hard braking) are drawn over
// the groove; a press on one reports markClicked instead of moving.
#ifndef VIEWER_WIDGETS_MELPLAYSLIDER_H
#define VIEWER_WIDGETS_MELPLAYSLIDER_H

#include <QSlider>
#include <QString>
#include <QVector>

#include "theme/StyleItem.h"

class MelPlaySlider : public QSlider {
  Q_OBJECT
 public:
  explicit MelPlaySlider(QWidget *parent = nullptr);

  // Groove colour from the item's Normal colour, the played part from its
  // Select colour, the handle from "slider-handle.svg" of imageFolder.
  void setLook(const StyleItem &item, const QString &imageFolder);

  // The value the handle centre would have at x (widget coordinates).
  int valueAt(int x) const;
  // The x (widget coordinates) of the handle centre at a value.
  int positionOf(int value) const;

  struct Mark {
    int value = 0;
    QString toolTip;
  };
  void setMarks(const QVector<Mark> &marks);
  const QVector<Mark> &marks() const { return marks_; }
  // The mark under x, or -1.
  int markAt(int x) const;

  // The part chosen for an export (keys I and O): drawn as brackets over
  // the groove with the part between them lit. -1 leaves an end open.
  void setSpan(int from, int to);
  int spanFrom() const { return spanFrom_; }
  int spanTo() const { return spanTo_; }

 signals:
  void markClicked(int value);

 protected:
  bool event(QEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

 private:
  QVector<Mark> marks_;
  int spanFrom_ = -1;
  int spanTo_ = -1;
};

#endif
