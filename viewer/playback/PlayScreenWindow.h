// The main video surface holder. It carries one channel's video widget (the
// scene) and zooms it with the mouse wheel: level 3 shows the whole picture,
// 4 twice and 5 four times its size, centred so that the point under the
// wheel stays put. It is a native window so a zoomed scene is clipped to it.
// Mouse presses and releases are left to the parent (window dragging).
#ifndef VIEWER_PLAYBACK_PLAYSCREENWINDOW_H
#define VIEWER_PLAYBACK_PLAYSCREENWINDOW_H

#include <QRect>
#include <QSize>
#include <QWidget>

class VideoSurface;

class PlayScreenWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kNormalZoom = 3;
  static constexpr int kMaxZoom = 5;

  explicit PlayScreenWindow(QWidget *parent = nullptr);

  // Takes scene as this window's video widget, stretched over the window.
  void setSceneWidget(VideoSurface *scene);
  VideoSurface *sceneWidget() const { return scene_; }

  int id() const { return id_; }
  int zoomLevel() const { return level_; }
  bool isZoomEnabled() const { return zoomEnabled_; }

  // Geometry of the scene at a zoom level, for a wheel at `at` in a window
  // of size `window`.
  static QRect zoomGeometry(int level, const QPoint &at, const QSize &window);

  // Stretches the scene over the window and tells the engine its size.
  void applySize();

 public slots:
  void onSetId(int id);
  void onSetZoom();
  void onResetZoom();

 signals:
  void sendVideoResize(int id, QSize size);

 protected:
  void wheelEvent(QWheelEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void zoomStep(int direction, const QPoint &at);

  VideoSurface *scene_ = nullptr;
  int id_ = 0;
  int level_ = kNormalZoom;
  bool zoomEnabled_ = false;
  int wheelRest_ = 0;
};

#endif
