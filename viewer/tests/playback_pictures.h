// The pictures of one channel as ffmpeg decodes them, to tell which channel
// and which frame a surface or a snapshot shows. The generator writes the
// running time and frame number into the bottom left corner of every
// picture, so the frame is found by that caption; the channel by the whole
// picture, which differs from channel to channel.
#ifndef VIEWER_TESTS_PLAYBACK_PICTURES_H
#define VIEWER_TESTS_PLAYBACK_PICTURES_H

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QVector>

class QWidget;

class ChannelPictures {
 public:
  // The size the recordings are made at, and where the caption sits in it.
  static const QSize kPictureSize;
  static const QRect kCaption;
  static const QSize kThumbSize;

  // Decodes video track `track` of the file; false when ffmpeg gave nothing.
  bool load(const QString &file, int track = 0);
  int frames() const { return captions_.size(); }

  // The frame whose caption is closest to the picture's, or -1 when no
  // caption is close (the picture is not of this channel or not there yet).
  // `distance` is the mean difference of the frame found; above the limit
  // (not necessarily the smallest) when none is close.
  int frameOf(const QImage &picture, double *distance = nullptr) const;
  // Mean colour difference (0-255 a channel) between the picture and frame
  // i, both made small; the smallest over all frames when i is -1.
  double difference(const QImage &picture, int frame = -1) const;

 private:
  QVector<QByteArray> captions_;  // grey, kCaption.size()
  QVector<QByteArray> thumbs_;    // RGB, kThumbSize
  mutable int lastFound_ = -1;    // where the next search starts
};

// Each widget's part of one grab of the whole screen: all surfaces at the
// same instant.
QList<QImage> grabSurfaces(const QList<QWidget *> &surfaces);

// Which frame each surface shows at one instant (-1: none recognised).
// mirrored[i] tells that surface i shows its picture mirrored.
QVector<int> shownFrames(const QList<QWidget *> &surfaces,
                         const QList<const ChannelPictures *> &pictures,
                         const QVector<bool> &mirrored = {});

// The largest distance in ms between channel 0's frame and another's, at
// `fps`; -1 when a surface showed no recognisable frame.
int frameDriftMs(const QVector<int> &frames, int fps = 30);

#endif
