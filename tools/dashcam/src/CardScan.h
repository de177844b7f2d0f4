// Finds the recordings below the paths given on the command line (a card,
// folders, files), groups the files of each recording's channels, and reads
// them on all cores, reporting progress on standard error.
#ifndef DASHCAM_CARDSCAN_H
#define DASHCAM_CARDSCAN_H

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include "core/CardZone.h"
#include "core/RecordingTelemetry.h"

struct ScannedRecording {
  QString folder;
  QString key;                   // "20240501_083000_INF"
  QList<int> channels;           // in order
  QStringList files;             // one per channel file, in channel order
  RecordingTelemetry telemetry;  // read from the first file that holds it
  QStringList problems;          // "file name: reason", one per damaged file

  bool damaged() const { return !problems.isEmpty(); }
};

// A file that is not part of any recording and should have been one, or a
// path that does not exist.
struct StrayFile {
  QString path;
  QString reason;
};

struct CardScan {
  QVector<ScannedRecording> recordings;  // by start time, then key
  QVector<StrayFile> strays;
  int fileCount = 0;

  bool anyProblem() const;
  // Every damaged file and stray with its reason, for standard error.
  QStringList problemLines() const;
  // Writes them to standard error; the exit code they call for.
  int reportProblems() const;
  // The readable telemetry of every recording, in time order.
  QVector<RecordingTelemetry> telemetry() const;

  // Scans the paths and reads every recording; progress goes to standard
  // error unless quiet.
  static CardScan run(const QStringList &paths, bool quiet);
};

#endif
