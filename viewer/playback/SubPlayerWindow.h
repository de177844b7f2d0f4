// A small video surface holder for a rear camera: carries one channel's
// video widget stretched over itself and tells the engine its size.
#ifndef VIEWER_PLAYBACK_SUBPLAYERWINDOW_H
#define VIEWER_PLAYBACK_SUBPLAYERWINDOW_H

#include <QSize>
#include <QWidget>

class VideoSurface;

class SubPlayerWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SubPlayerWindow(QWidget *parent = nullptr);

  void setVideoWidget(VideoSurface *video);
  VideoSurface *videoWidget() const { return video_; }
  int id() const { return id_; }
  bool isTransparent() const { return transparent_; }

  // Stretches the video widget over the window and tells the engine its size.
  void applySize();

 public slots:
  void onSetId(int id);
  // Lets the background behind the window show where no video is drawn.
  void onSetTransparent();

 signals:
  void sendVideoResize(int id, QSize size);

 protected:
  void resizeEvent(QResizeEvent *event) override;

 private:
  VideoSurface *video_ = nullptr;
  int id_ = 0;
  bool transparent_ = false;
};

#endif
