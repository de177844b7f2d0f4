// The surface one channel's video is drawn on. It is a native window of its
// own, without making its ancestors native, because libvlc draws into it by
// window id; moving it to another parent keeps that window (and its id), so
// the engine keeps drawing into it after a scene swap.
#ifndef VIEWER_PLAYBACK_VIDEOSURFACE_H
#define VIEWER_PLAYBACK_VIDEOSURFACE_H

#include <QColor>
#include <QWidget>

class VideoSurface : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxWidth = 7680;
  static constexpr int kMaxHeight = 4320;

  VideoSurface(int channel, QWidget *parent = nullptr);

  // The channel whose player draws here; it never changes.
  int channel() const { return channel_; }

  // Makes the surface a child of parent, stretched over it (up to the
  // maximum size). A surface the engine has hidden stays hidden.
  void moveInto(QWidget *parent);

  // What shows before the first picture; black unless a caller wants a
  // placeholder. Painted directly, so no style sheet of a parent changes it.
  void setFill(const QColor &colour);
  QColor fill() const { return fill_; }

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  int channel_;
  QColor fill_ = Qt::black;
};

#endif
