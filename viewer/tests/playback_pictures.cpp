#include "playback_pictures.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <limits>

const QSize ChannelPictures::kPictureSize(320, 180);
const QRect ChannelPictures::kCaption(0, 160, 170, 20);
const QSize ChannelPictures::kThumbSize(80, 45);

namespace {

// Above this mean grey difference a caption is not the frame's.
constexpr double kCaptionLimit = 24.0;

QByteArray decode(const QString &file, int track, const QString &filter) {
  QProcess ffmpeg;
  ffmpeg.start(QStringLiteral("ffmpeg"),
               {"-v", "error", "-i", file, "-map", QStringLiteral("0:v:%1").arg(track), "-vf",
                filter, "-f", "rawvideo", "-"});
  if (!ffmpeg.waitForFinished(60000)) return QByteArray();
  return ffmpeg.readAllStandardOutput();
}

QVector<QByteArray> split(const QByteArray &all, int frameBytes) {
  QVector<QByteArray> frames;
  for (int at = 0; at + frameBytes <= all.size(); at += frameBytes)
    frames.append(all.mid(at, frameBytes));
  return frames;
}

QImage normalised(const QImage &picture) {
  QImage image = picture.convertToFormat(QImage::Format_RGB32);
  if (image.size() != ChannelPictures::kPictureSize)
    image = image.scaled(ChannelPictures::kPictureSize, Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
  return image;
}

}  // namespace

bool ChannelPictures::load(const QString &file, int track) {
  const QString caption = QStringLiteral("crop=%1:%2:%3:%4,format=gray")
                              .arg(kCaption.width())
                              .arg(kCaption.height())
                              .arg(kCaption.x())
                              .arg(kCaption.y());
  captions_ = split(decode(file, track, caption), kCaption.width() * kCaption.height());
  const QString thumb = QStringLiteral("scale=%1:%2:flags=area,format=rgb24")
                            .arg(kThumbSize.width())
                            .arg(kThumbSize.height());
  thumbs_ = split(decode(file, track, thumb), kThumbSize.width() * kThumbSize.height() * 3);
  return !captions_.isEmpty() && captions_.size() == thumbs_.size();
}

int ChannelPictures::frameOf(const QImage &picture, double *distance) const {
  const QImage image = normalised(picture);
  QByteArray grey(kCaption.width() * kCaption.height(), 0);
  for (int y = 0; y < kCaption.height(); ++y)
    for (int x = 0; x < kCaption.width(); ++x)
      grey[y * kCaption.width() + x] =
          static_cast<char>(qGray(image.pixel(kCaption.x() + x, kCaption.y() + y)));
  // Frames are tried from the one found last (surfaces mostly show it or one
  // close after), and a frame is dropped as soon as it is worse than the best
  // so far or than the limit: the look at the screen must not take from the
  // players the time it is measuring.
  const int w = kCaption.width();
  const long limitSum = static_cast<long>(kCaptionLimit * grey.size());
  int best = -1;
  long bestSum = std::numeric_limits<long>::max();
  const int count = captions_.size();
  const int from = lastFound_ >= 0 && lastFound_ < count ? lastFound_ : 0;
  for (int n = 0; n < count; ++n) {
    const int i = (from + n) % count;
    const auto *a = reinterpret_cast<const uchar *>(captions_[i].constData());
    const auto *b = reinterpret_cast<const uchar *>(grey.constData());
    const long bound = std::min(bestSum, limitSum + 1);
    long sum = 0;
    for (int y = 0; y < kCaption.height() && sum < bound; ++y)
      for (int x = y * w; x < (y + 1) * w; ++x) sum += std::abs(int(a[x]) - int(b[x]));
    if (sum < bestSum) {
      bestSum = sum;
      best = i;
    }
  }
  if (best >= 0 && bestSum <= limitSum) lastFound_ = best;
  const double mean = best < 0 ? 255.0 : double(bestSum) / grey.size();
  if (distance) *distance = mean;
  return mean <= kCaptionLimit ? best : -1;
}

double ChannelPictures::difference(const QImage &picture, int frame) const {
  const QImage small = picture.convertToFormat(QImage::Format_RGB32)
                           .scaled(kThumbSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  double best = 255.0;
  for (int i = 0; i < thumbs_.size(); ++i) {
    if (frame >= 0 && i != frame) continue;
    const auto *t = reinterpret_cast<const uchar *>(thumbs_[i].constData());
    long sum = 0;
    for (int y = 0; y < kThumbSize.height(); ++y) {
      for (int x = 0; x < kThumbSize.width(); ++x) {
        const QRgb c = small.pixel(x, y);
        const uchar *p = t + (y * kThumbSize.width() + x) * 3;
        sum += std::abs(qRed(c) - p[0]) + std::abs(qGreen(c) - p[1]) + std::abs(qBlue(c) - p[2]);
      }
    }
    best = std::min(best, double(sum) / (kThumbSize.width() * kThumbSize.height() * 3));
  }
  return best;
}

QList<QImage> grabSurfaces(const QList<QWidget *> &surfaces) {
  // Only the part of the screen the surfaces cover: a whole-screen grab at
  // every look would take from the players the time being measured.
  QRect covered;
  for (QWidget *w : surfaces) covered |= QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
  const QImage screen = QGuiApplication::primaryScreen()
                            ->grabWindow(0, covered.x(), covered.y(), covered.width(),
                                         covered.height())
                            .toImage();
  QList<QImage> parts;
  for (QWidget *w : surfaces)
    parts << screen.copy(QRect(w->mapToGlobal(QPoint(0, 0)) - covered.topLeft(), w->size()));
  return parts;
}

QVector<int> shownFrames(const QList<QWidget *> &surfaces,
                         const QList<const ChannelPictures *> &pictures,
                         const QVector<bool> &mirrored) {
  const QList<QImage> parts = grabSurfaces(surfaces);
  QVector<int> frames;
  for (int i = 0; i < parts.size() && i < pictures.size(); ++i) {
    const bool flip = i < mirrored.size() && mirrored[i];
    frames << pictures[i]->frameOf(flip ? parts[i].mirrored(true, false) : parts[i]);
  }
  return frames;
}

int frameDriftMs(const QVector<int> &frames, int fps) {
  if (frames.isEmpty()) return -1;
  int worst = 0;
  for (int f : frames) {
    if (f < 0) return -1;
    worst = std::max(worst, std::abs(f - frames[0]));
  }
  return static_cast<int>(std::lround(worst * 1000.0 / fps));
}
