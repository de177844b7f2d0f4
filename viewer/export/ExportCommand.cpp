#include "export/ExportCommand.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>

namespace {

QString seconds(double s) {
  return QString::number(std::max(0.0, s), 'f', 3);
}

// The recording's name without its last four characters (".mp4", ".avi").
QString withoutExtension(const QString &fileName) {
  return fileName.left(std::max(0, fileName.size() - 4));
}

// Text for drawtext: colons and the characters the filter graph reads are
// escaped twice over (once for the graph, once for the option).
QString drawtextText(const QString &text) {
  QString out;
  for (const QChar c : text) {
    if (c == QLatin1Char(':'))
      out += QStringLiteral("\\\\\\:");
    else if (c == QLatin1Char('\\') || c == QLatin1Char('\''))
      continue;  // never in our captions; dropped rather than mis-quoted
    else if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('[') ||
             c == QLatin1Char(']') || c == QLatin1Char('='))
      out += QLatin1Char('\\') + QString(c);
    else
      out += c;
  }
  return out;
}

}  // namespace

namespace ExportCommand {

QString ffmpegProgram(const QString &appDir) {
  const QString shipped = appDir + QStringLiteral("/library/ffmpeg/ffmpeg");
  if (QFileInfo(shipped).isExecutable()) return shipped;
  const QString onPath = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
  return onPath.isEmpty() ? QStringLiteral("ffmpeg") : onPath;
}

QStringList channelExport(const QString &input, int videoTrack, const QString &output) {
  return {QStringLiteral("-y"),      QStringLiteral("-i"),
          input,                     QStringLiteral("-vcodec"),
          QStringLiteral("copy"),    QStringLiteral("-map"),
          QStringLiteral("0:v:%1").arg(videoTrack),
          QStringLiteral("-acodec"), QStringLiteral("aac"),
          QStringLiteral("-map"),    QStringLiteral("0:a?"),
          QStringLiteral("-threads"), QStringLiteral("1"),
          output};
}

QStringList trimmedExport(const QString &input, int videoTrack, double fromSec, double toSec,
                          const QString &output) {
  // Seeking before the input lands on the key frame at or before fromSec;
  // the whole clip is then moved so that this key frame starts at 0.
  return {QStringLiteral("-y"),
          QStringLiteral("-ss"),
          seconds(fromSec),
          QStringLiteral("-i"),
          input,
          QStringLiteral("-t"),
          seconds(toSec - fromSec),
          QStringLiteral("-vcodec"),
          QStringLiteral("copy"),
          QStringLiteral("-map"),
          QStringLiteral("0:v:%1").arg(videoTrack),
          QStringLiteral("-acodec"),
          QStringLiteral("aac"),
          QStringLiteral("-map"),
          QStringLiteral("0:a?"),
          QStringLiteral("-avoid_negative_ts"),
          QStringLiteral("make_zero"),
          QStringLiteral("-threads"),
          QStringLiteral("1"),
          output};
}

QStringList progressOptions() {
  return {QStringLiteral("-progress"), QStringLiteral("pipe:1"), QStringLiteral("-nostats"),
          QStringLiteral("-v"), QStringLiteral("error")};
}

QSize sideBySideSize(const QSize &front, int channels) {
  const int w = front.width() / 4 * 4;
  const int h = front.height() / 4 * 4;
  return channels > 1 ? QSize(w + w / 2, h) : QSize(w, h);
}

QVector<Caption> captions(const QDateTime &start, const QVector<double> &speedPerSecond,
                          bool miles, double fromSec, double toSec) {
  QVector<Caption> out;
  const int first = std::max(0, static_cast<int>(std::floor(fromSec)));
  const int last = std::max(first, static_cast<int>(std::ceil(toSec)));
  const QString unit = miles ? QStringLiteral("mi/h") : QStringLiteral("km/h");
  for (int s = first; s < last; ++s) {
    const double speed = s < speedPerSecond.size() ? speedPerSecond[s] : -1;
    QString text = start.addSecs(s).toString(QStringLiteral("yyyy.MM.dd  HH:mm:ss"));
    if (speed >= 0) text += QStringLiteral("  %1 %2").arg(qRound(speed)).arg(unit);
    // In the clip the span starts at 0.
    out.append({std::max(0.0, s - fromSec), text});
  }
  return out;
}

QStringList inputLabels(const QVector<Source> &sources) {
  QStringList files, labels;
  for (const Source &s : sources) {
    if (!files.contains(s.file)) files << s.file;
    labels << QStringLiteral("%1:v:%2").arg(files.indexOf(s.file)).arg(s.videoTrack);
  }
  return labels;
}

QString sideBySideFilter(const QStringList &inputs, const QVector<Caption> &captions,
                         const QString &fontFile) {
  const int channels = inputs.size();
  QStringList graph;
  // The front picture cut to a multiple of 4, so halves stay even.
  graph << QStringLiteral("[%1]scale=trunc(iw/4)*4:trunc(ih/4)*4,setsar=1[f0]").arg(inputs.value(0));
  QString front = QStringLiteral("f0");
  QStringList rears;
  for (int i = 1; i < channels; ++i) {
    const QString ref = QStringLiteral("f%1").arg(i);
    graph << QStringLiteral("[%1][%2]scale2ref=w=main_w/2:h=main_h/2[r%3][%4]")
                 .arg(inputs[i], front)
                 .arg(i)
                 .arg(ref);
    graph << QStringLiteral("[r%1]setsar=1[s%1]").arg(i);
    front = ref;
    rears << QStringLiteral("[s%1]").arg(i);
  }
  QString composed = QStringLiteral("[%1]").arg(front);
  if (channels == 2) {
    graph << QStringLiteral("[s1]pad=iw:ih*2:0:0:black[col]");
    graph << composed + QStringLiteral("[col]hstack=inputs=2[c]");
    composed = QStringLiteral("[c]");
  } else if (channels >= 3) {
    graph << rears.join(QString()) + QStringLiteral("vstack=inputs=%1[col]").arg(rears.size());
    graph << composed + QStringLiteral("[col]hstack=inputs=2[c]");
    composed = QStringLiteral("[c]");
  }
  // One drawtext per caption, each shown for its own span.
  QString text = composed;
  for (int i = 0; i < captions.size(); ++i) {
    const double from = captions[i].fromSec;
    const double to = i + 1 < captions.size() ? captions[i + 1].fromSec : 1e9;
    QString options = QStringLiteral(
                          "drawtext=expansion=none:fontsize=h/18:fontcolor=white:box=1:"
                          "boxcolor=black@0.6:boxborderw=4:x=8:y=8:text=%1:"
                          "enable=gte(t\\,%2)*lt(t\\,%3)")
                          .arg(drawtextText(captions[i].text))
                          .arg(from, 0, 'f', 3)
                          .arg(to, 0, 'f', 3);
    if (!fontFile.isEmpty()) options += QStringLiteral(":fontfile=") + drawtextText(fontFile);
    text += (i == 0 ? QString() : QStringLiteral(",")) + options;
  }
  if (captions.isEmpty()) text += QStringLiteral("null");
  graph << text + QStringLiteral(",format=yuv420p[out]");
  return graph.join(QStringLiteral(";\n")) + QLatin1Char('\n');
}

QStringList sideBySideExport(const QVector<Source> &sources, const QString &audioFile,
                             const QString &filterScript, double fromSec, double toSec,
                             const QString &output) {
  QStringList args{QStringLiteral("-y")};
  QStringList files;
  for (const Source &s : sources)
    if (!files.contains(s.file)) files << s.file;
  int audioInput = files.indexOf(audioFile);
  if (audioInput < 0 && !audioFile.isEmpty()) {
    audioInput = files.size();
    files << audioFile;
  }
  for (const QString &file : files)
    args << QStringLiteral("-ss") << seconds(fromSec) << QStringLiteral("-t")
         << seconds(toSec - fromSec) << QStringLiteral("-i") << file;
  args << QStringLiteral("-filter_complex_script") << filterScript;
  args << QStringLiteral("-map") << QStringLiteral("[out]");
  if (audioInput >= 0) args << QStringLiteral("-map") << QStringLiteral("%1:a:0?").arg(audioInput);
  args << QStringLiteral("-c:v") << QStringLiteral("libx264")
       << QStringLiteral("-preset") << QStringLiteral("veryfast") << QStringLiteral("-crf")
       << QStringLiteral("23") << QStringLiteral("-c:a") << QStringLiteral("aac")
       << QStringLiteral("-threads") << QStringLiteral("2") << output;
  return args;
}

QString captionFont() {
  for (const char *path : {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
                           "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"})
    if (QFileInfo::exists(QLatin1String(path))) return QLatin1String(path);
  return QString();
}

QString trackFileName(const QString &recordingFileName, int channel, const QString &type) {
  return withoutExtension(recordingFileName) + QStringLiteral("_%1.").arg(channel + 1) + type;
}

QString channelFileName(const QString &channelFile, const QString &type) {
  return QFileInfo(channelFile).completeBaseName() + QLatin1Char('.') + type;
}

QString trimmedName(const QString &fileName, double fromSec, double toSec) {
  const QFileInfo info(fileName);
  return info.completeBaseName() +
         QStringLiteral("_%1-%2.").arg(qRound(fromSec)).arg(qRound(toSec)) + info.suffix();
}

QString sideBySideName(const QString &recordingFileName, const QString &type) {
  QString base = QFileInfo(recordingFileName).completeBaseName();
  // "..._INF_1" -> "..._INF": the composed video holds every channel.
  const int underscore = base.lastIndexOf(QLatin1Char('_'));
  if (underscore > 0 && base.size() - underscore == 2 && base.at(underscore + 1).isDigit())
    base.truncate(underscore);
  return base + QStringLiteral("_sidebyside.") + type;
}

QString positionDigits(double position) {
  if (!std::isfinite(position) || position <= 0) return QStringLiteral("0");
  // Shortest form with up to 6 significant digits, written without exponent.
  const double rounded = QString::number(position, 'g', 6).toDouble();
  QString fixed = QString::number(rounded, 'f', 12);
  while (fixed.endsWith(QLatin1Char('0'))) fixed.chop(1);
  const int point = fixed.indexOf(QLatin1Char('.'));
  const QString digits = point < 0 ? QString() : fixed.mid(point + 1);
  return digits.isEmpty() ? QStringLiteral("0") : digits;
}

QString snapshotName(const QString &recordingFileName, int channel, double position) {
  return withoutExtension(recordingFileName) +
         QStringLiteral("_%1_%2.jpg").arg(channel + 1).arg(positionDigits(position));
}

double progressSeconds(const QByteArray &line) {
  // ffmpeg 5 writes out_time_us; older ones the same value as out_time_ms.
  for (const char *key : {"out_time_us=", "out_time_ms="}) {
    if (!line.startsWith(key)) continue;
    bool ok = false;
    const qint64 us = line.mid(static_cast<int>(qstrlen(key))).trimmed().toLongLong(&ok);
    if (ok && us >= 0) return us / 1e6;
  }
  return -1;
}

QString temporaryName(const QString &output) {
  const QFileInfo info(output);
  return info.absolutePath() + QStringLiteral("/.") + info.completeBaseName() +
         QStringLiteral(".partial.") + info.suffix();
}

}  // namespace ExportCommand
