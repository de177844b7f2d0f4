// The surface one channel's video is drawn on. libvlc draws into a native
// child window of it, made here: the surface is a native window of its own
// (without making its ancestors native), so moving it to another parent keeps
// the child window and its id, and the engine keeps drawing after a scene
// swap. A player that will not let go of its window (one being replaced, or
// stuck in a stop) keeps the old one, hidden, and the surface makes a new one
// for the next player: libvlc refuses to share a window between two outputs.
#ifndef VIEWER_PLAYBACK_VIDEOSURFACE_H
#define VIEWER_PLAYBACK_VIDEOSURFACE_H

#include <QColor>
#include <QList>
#include <QPointer>
#include <QWidget>

class VideoSurface : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxWidth = 7680;
  static constexpr int kMaxHeight = 4320;

  VideoSurface(int channel, QWidget *parent = nullptr);
  ~VideoSurface() override;

  // The channel whose player draws here; it never changes.
  int channel() const { return channel_; }

  // Makes the surface a child of parent, stretched over it (up to the
  // maximum size). A surface the engine has hidden stays hidden.
  void moveInto(QWidget *parent);

  // What shows before the first picture; black unless a caller wants a
  // placeholder. Painted directly, so no style sheet of a parent changes it.
  void setFill(const QColor &colour);
  QColor fill() const { return fill_; }

  // The X window a player draws into, made on first use.
  quint32 videoWindow();
  // The player of the current window may still hold it: hide it and make a
  // new one on the next videoWindow().
  void retireVideoWindow();
  // No player holds a retired window any more: delete them.
  void releaseRetiredWindows();
  int retiredWindowCount() const { return retired_.size(); }

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  int channel_;
  QColor fill_ = Qt::black;
  QPointer<QWidget> window_;
  QList<QPointer<QWidget>> retired_;
};

#endif
