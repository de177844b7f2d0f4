// ffprobe and ffmpeg as the judges of exported files: durations, sizes,
// frame counts and decoded pictures.
#ifndef VIEWER_TESTS_EXPORT_SUPPORT_H
#define VIEWER_TESTS_EXPORT_SUPPORT_H

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace exporttest {

// Runs a program to its end; its standard output, or empty on a failure.
inline QByteArray run(const QString &program, const QStringList &args, int *exitCode = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(600000)) {
    p.kill();
    p.waitForFinished();
  }
  if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return p.readAllStandardOutput();
}

// One ffprobe value ("format=duration", "stream=width", ...) of a stream.
inline QString probe(const QString &file, const QString &entries, const QString &stream = "v:0",
                     const QStringList &extra = {}) {
  QStringList args{"-v", "error"};
  if (!stream.isEmpty()) args << "-select_streams" << stream;
  args << extra << "-show_entries" << entries << "-of" << "default=nw=1:nk=1" << file;
  return QString::fromUtf8(run("ffprobe", args)).trimmed();
}

inline double durationOf(const QString &file) {
  return probe(file, "format=duration", QString()).toDouble();
}

// Video frames decoded from start to end (ffprobe reads the whole file).
inline int decodedFrames(const QString &file, const QString &stream = "v:0") {
  return probe(file, "stream=nb_read_frames", stream, {"-count_frames"}).toInt();
}

inline int packetCount(const QString &file, const QString &stream = "v:0") {
  return probe(file, "stream=nb_read_packets", stream, {"-count_packets"}).toInt();
}

// The md5 of every video packet of a stream: equal lists mean the very
// same pictures, copied.
inline QByteArray packetHashes(const QString &file, const QString &map) {
  // Lines starting with '#' name the streams; the rest: index, times, size, md5.
  QByteArray out;
  for (const QByteArray &line : run("ffmpeg", {"-v", "error", "-i", file, "-map", map, "-c", "copy",
                                               "-f", "framemd5", "-"})
                                    .split('\n')) {
    if (line.startsWith('#') || line.isEmpty()) continue;
    const QList<QByteArray> fields = line.split(',');
    out += fields.last().trimmed() + '\n';  // the packet's md5 alone: times may be rebased
  }
  return out;
}

// The picture at `seconds` of a file's video `map`, decoded by ffmpeg.
inline QImage frameAt(const QString &file, double seconds, const QString &map = "0:v:0") {
  const QByteArray png =
      run("ffmpeg", {"-v", "error", "-ss", QString::number(seconds), "-i", file, "-map", map,
                     "-frames:v", "1", "-f", "image2pipe", "-vcodec", "png", "-"});
  return QImage::fromData(png, "PNG");
}

}  // namespace exporttest

#endif
