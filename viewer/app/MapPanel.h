// The map with the G-sensor chart beneath it. It lives on the map page of
// the right-hand panel; while the main window is in full screen (where that
// panel is hidden) it floats over the video in a frame of its own, which the
// user drags by the map's grip.
#ifndef VIEWER_APP_MAPPANEL_H
#define VIEWER_APP_MAPPANEL_H

#include <QPoint>
#include <QWidget>

class QBoxLayout;
class ChartView;
class MapView;

class MapPanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kFloatingWidth = 360;
  static constexpr int kFloatingHeight = 440;
  // Room left free under the floating frame for the control bar.
  static constexpr int kFloatingBottom = 104;

  // window: the main window whose full screen the panel follows; home: the
  // layout the panel sits in otherwise.
  MapPanel(QWidget *window, QBoxLayout *home);

  MapView *map() const { return map_; }
  ChartView *chart() const { return chart_; }
  bool isFloating() const { return floating_; }
  QWidget *floatingFrame() const { return frame_; }
  void setFloating(bool floating);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void keepFrameInside();
  void placeFrame();

  QWidget *window_;
  QBoxLayout *home_;
  QWidget *frame_;
  MapView *map_;
  ChartView *chart_;
  bool floating_ = false;
  QPoint placedAt_{-1, -1};  // where the panel put the frame, until the user moves it
};

#endif
