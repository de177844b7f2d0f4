// What the save dialog asks of ffmpeg and how it names what it writes: the
// argument lists of a channel export, a trimmed export and a side-by-side
// export, the names of exported files and snapshots, and the reading of
// ffmpeg's progress lines. Nothing here runs a program or touches a file.
#ifndef VIEWER_EXPORT_EXPORTCOMMAND_H
#define VIEWER_EXPORT_EXPORTCOMMAND_H

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ExportCommand {

// The ffmpeg shipped below the program folder, else the one on PATH.
QString ffmpegProgram(const QString &appDir);

// Export of one channel: video track `videoTrack` copied, sound made AAC.
// The order of the arguments is the one the camera's users' scripts know.
QStringList channelExport(const QString &input, int videoTrack, const QString &output);

// The same between fromSec and toSec. Stream copy can only start on a key
// frame: the clip starts at the key frame at or before fromSec.
QStringList trimmedExport(const QString &input, int videoTrack, double fromSec, double toSec,
                          const QString &output);

// Options put in front of every run so that ffmpeg reports how far it got
// on standard output ("out_time_us=..." lines) and nothing else there.
QStringList progressOptions();

// One video of a side-by-side export: input file and its video track.
struct Source {
  QString file;
  int videoTrack = 0;
};

// The picture of a side-by-side export: the front channel at its own size
// (cut to a multiple of 4), the rear ones at half that size in a column to
// its right (a single rear one at the top, black beneath).
QSize sideBySideSize(const QSize &front, int channels);

// One text shown from `fromSec` until the next one starts.
struct Caption {
  double fromSec = 0;
  QString text;
};
// The captions of a recording: its date-time (from the file name, counting
// on with the seconds) and the speed of the sample of that second.
QVector<Caption> captions(const QDateTime &start, const QVector<double> &speedPerSecond,
                          bool miles, double fromSec, double toSec);
// The graph's names of the sources' video tracks ("1:v:0"): input files
// in the order they first appear, each named once.
QStringList inputLabels(const QVector<Source> &sources);
// The filter graph composing the channels (front first) with the captions
// burned into the top left corner; the composed video is labelled [out].
QString sideBySideFilter(const QStringList &inputs, const QVector<Caption> &captions,
                         const QString &fontFile);
// The full argument list; the filter graph is read from filterScript. The
// sound comes from audioFile (channel 1's), read as one more input when it
// is not among the pictures' files.
QStringList sideBySideExport(const QVector<Source> &sources, const QString &audioFile,
                             const QString &filterScript, double fromSec, double toSec,
                             const QString &output);
// A bold monospaced font for the captions; empty to let ffmpeg choose.
QString captionFont();

// Exported file of channel i (from 0) of a recording whose tracks are in one
// file: the name without its extension + "_" + (i + 1) + "." + type.
QString trackFileName(const QString &recordingFileName, int channel, const QString &type);
// A channel file under its own name with the target type's extension.
QString channelFileName(const QString &channelFile, const QString &type);
// A trimmed export carries its span in whole seconds: "..._10-20.mp4".
QString trimmedName(const QString &fileName, double fromSec, double toSec);
// The composed export: the recording's name without channel digit and
// extension + "_sidebyside." + type.
QString sideBySideName(const QString &recordingFileName, const QString &type);

// Snapshot of channel i (from 0) at playing position 0-1: the recording's
// name without extension + "_" + (i + 1) + "_" + the digits after the point
// of the position (shortest form, up to 6 significant digits) + ".jpg".
QString snapshotName(const QString &recordingFileName, int channel, double position);
QString positionDigits(double position);

// Seconds written so far from one line of ffmpeg's progress output, or -1
// when the line does not say.
double progressSeconds(const QByteArray &line);

// A name in the same folder that the output is written under until it is
// complete (same extension, so ffmpeg picks the same container).
QString temporaryName(const QString &output);

}  // namespace ExportCommand

#endif
