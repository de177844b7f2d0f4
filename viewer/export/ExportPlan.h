// What one press of the save button writes: the recording as the dialog
// found it, the user's choices, and the list of steps (copies, ffmpeg runs,
// pictures, telemetry files) with the final name of each output.
#ifndef VIEWER_EXPORT_EXPORTPLAN_H
#define VIEWER_EXPORT_EXPORTPLAN_H

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// The recording being played, as the save dialog needs it.
struct ExportSource {
  QString recordingPath;     // the file being played
  QStringList channelFiles;  // separate files: one per channel, in order
  bool separateFiles = false;
  int channelCount = 1;
  double durationSec = 0;
  double position = 0;        // playing position 0-1
  QStringList pictures;       // the snapshot taken of each channel ("" where none)
  QVector<double> speedPerSecond;  // -1 where the camera had no fix
  bool miles = false;
  QDateTime start;  // the file name's date and time

  QString fileName() const;
  // The recording being played and its metadata in the viewer's state;
  // separateFiles as the player found it.
  static ExportSource fromViewerState(const QStringList &pictures, bool separateFiles);
  // Separate files when the name ends "_1.mp4" ... "_3.avi" and the file
  // holds one video track at most (a camera that writes every channel into
  // one file names it like a front camera file); the channel files are
  // then those of the recording that exist, channel 1 first.
  static bool isSeparateFiles(const QString &path, int videoTracksInFile);
};

struct ExportChoice {
  enum Mode { SnapshotMode = 1, VideoMode = 2, TelemetryMode = 3 };
  // The telemetry formats, in the order the dialog offers them.
  enum TelemetryFormat { Gpx = 0, Csv, GeoJson, Kml };

  int mode = VideoMode;
  QVector<bool> channels = QVector<bool>(5, false);
  QString type = QStringLiteral("mp4");
  QString folder;
  double fromSec = 0;
  double toSec = 0;  // 0 or the duration: to the end
  bool sideBySide = false;
  bool telemetryBeside = false;
  int telemetryFormat = Gpx;

  bool anyChannel() const;
};

struct ExportStep {
  enum Kind { Copy, Ffmpeg, Picture, Telemetry };
  Kind kind = Copy;
  QString source;          // copied file, picture, or the recording
  QStringList arguments;   // ffmpeg's, ending in the output path
  QString filterGraph;     // side by side: the graph ffmpeg reads from a file
  QString output;          // the final name
  double seconds = 0;      // length of the media written, for the progress
  int telemetryFormat = ExportChoice::Gpx;
  double fromSec = 0, toSec = 0;
};

namespace ExportPlan {

// The arguments hold this where the filter graph's file goes.
extern const char *const kFilterScriptToken;

// True when the span is less than the whole recording.
bool isTrimmed(const ExportSource &source, const ExportChoice &choice);
// The steps, in channel order; an empty list and a reason when there is
// nothing that can be written.
QVector<ExportStep> build(const ExportSource &source, const ExportChoice &choice,
                          QString *reason = nullptr);

}  // namespace ExportPlan

#endif
