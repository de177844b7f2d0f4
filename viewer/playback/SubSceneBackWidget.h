// The dark back of one rear-camera slot: holds the slot's caption and its
// SubPlayerWindow, and reports a press anywhere on the slot (the video
// widget passes its presses up to it), which swaps the slot into the main
// surface.
#ifndef VIEWER_PLAYBACK_SUBSCENEBACKWIDGET_H
#define VIEWER_PLAYBACK_SUBSCENEBACKWIDGET_H

#include <QWidget>

class SubSceneBackWidget : public QWidget {
  Q_OBJECT
 public:
  static constexpr QRgb kBackground = 0x151617;

  explicit SubSceneBackWidget(QWidget *parent = nullptr);

 signals:
  void mousePressed();

 protected:
  void mousePressEvent(QMouseEvent *event) override;
};

#endif
