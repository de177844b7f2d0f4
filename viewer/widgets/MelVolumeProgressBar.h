// The volume control of the control bar: a thin bar from 0 to 100 that the
// user sets by pressing or dragging on it, or by the wheel in steps of 5.
// Only those user changes are reported (volumeChanged); setValue is silent.
#ifndef VIEWER_WIDGETS_MELVOLUMEPROGRESSBAR_H
#define VIEWER_WIDGETS_MELVOLUMEPROGRESSBAR_H

#include <QProgressBar>

#include "theme/StyleItem.h"

class MelVolumeProgressBar : public QProgressBar {
  Q_OBJECT
 public:
  static constexpr int kMaximum = 100;
  static constexpr int kWheelStep = 5;

  explicit MelVolumeProgressBar(QWidget *parent = nullptr);

  // Background from the item's Normal colour, the level from its Select
  // colour, and a dimmed level (Disable colour) while muted.
  void setLook(const StyleItem &item);
  void setMutedLook(bool muted);
  bool mutedLook() const { return muted_; }

  // The level a press at x (widget coordinates) sets.
  int valueAt(int x) const;

 signals:
  void volumeChanged(int value);

 protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;

 private:
  void setByUser(int value);
  void updateStyle();
  StyleItem item_;
  bool muted_ = false;
  bool dragging_ = false;
  int wheelRest_ = 0;
};

#endif
