#include "export/ExportPlan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "core/RecordingMetadata.h"
#include "core/RecordingName.h"
#include "core/ViewerState.h"
#include "export/ExportCommand.h"
#include "export/TelemetryFiles.h"

namespace {

QString tr(const char *text) {
  return QCoreApplication::translate("ExportPlan", text);
}

QString joinPath(const QString &folder, const QString &name) {
  return QDir(folder).absoluteFilePath(name);
}

// Speed of each whole second of the recording from its map points.
QVector<double> speedsOf(const ViewerState &s) {
  QVector<double> speeds;
  if (s.mapPoints.isEmpty() || s.totalRangeMs <= 0) return speeds;
  const int last = s.gpsSamples.isEmpty() ? s.mapPoints.last().number : s.gpsSamples.last().number;
  const int seconds = static_cast<int>(std::ceil(s.totalRangeMs / 1000.0));
  speeds.fill(-1, seconds);
  int p = 0;
  for (int sec = 0; sec < seconds; ++sec) {
    // The last point at or before the middle of the second.
    while (p + 1 < s.mapPoints.size() &&
           RecordingMetadata::sampleTimeMs(s.mapPoints[p + 1].number, last, s.totalRangeMs) <=
               sec * 1000.0 + 500.0)
      ++p;
    const MapPoint &point = s.mapPoints[p];
    speeds[sec] = point.fix == MapPoint::Fixed ? point.speed : -1;
  }
  return speeds;
}

}  // namespace

const char *const ExportPlan::kFilterScriptToken = "{filter-graph}";

QString ExportSource::fileName() const {
  return QFileInfo(recordingPath).fileName();
}

bool ExportSource::isSeparateFiles(const QString &path, int videoTracksInFile) {
  return RecordingName::isChannelFile(path) && videoTracksInFile <= 1;
}

ExportSource ExportSource::fromViewerState(const QStringList &pictures, bool separateFiles) {
  const ViewerState &s = ViewerState::instance();
  ExportSource source;
  source.recordingPath = QDir::fromNativeSeparators(s.currentRecording().playbackPath);
  source.separateFiles = separateFiles;
  source.channelFiles.clear();
  if (separateFiles)
    for (const QString &file : RecordingName::channelFiles(source.recordingPath))
      source.channelFiles << QDir::fromNativeSeparators(file);
  else
    source.channelFiles << source.recordingPath;
  source.channelCount = std::max(1, s.channelCount);
  source.durationSec = s.totalRangeMs / 1000.0;
  source.position = s.playPosition;
  source.pictures = pictures;
  source.speedPerSecond = speedsOf(s);
  source.miles = s.speedUnitMiles;
  source.start = QDateTime::fromString(source.fileName().left(15), QStringLiteral("yyyyMMdd_HHmmss"));
  source.start.setTimeSpec(Qt::UTC);  // shown as written, whatever the computer's zone
  return source;
}

bool ExportChoice::anyChannel() const {
  for (bool c : channels)
    if (c) return true;
  return false;
}

namespace ExportPlan {

bool isTrimmed(const ExportSource &source, const ExportChoice &choice) {
  const double to = choice.toSec > 0 ? choice.toSec : source.durationSec;
  return choice.fromSec > 0.0005 || to < source.durationSec - 0.0005;
}

QVector<ExportStep> build(const ExportSource &source, const ExportChoice &choice,
                          QString *reason) {
  QVector<ExportStep> steps;
  auto fail = [&](const QString &why) {
    if (reason) *reason = why;
    return QVector<ExportStep>();
  };
  const int channels = std::min(source.channelCount, static_cast<int>(choice.channels.size()));
  QVector<int> chosen;
  for (int i = 0; i < channels; ++i)
    if (choice.channels[i]) chosen << i;
  if (chosen.isEmpty() && choice.mode != ExportChoice::TelemetryMode)
    return fail(tr("There is no select channel"));
  const double from = std::max(0.0, choice.fromSec);
  const double to = choice.toSec > 0 ? std::min(choice.toSec, source.durationSec)
                                     : source.durationSec;
  if (choice.mode != ExportChoice::SnapshotMode && to <= from)
    return fail(tr("The end of the span must come after its start."));
  const bool trimmed = isTrimmed(source, choice);

  if (choice.mode == ExportChoice::SnapshotMode) {
    for (int i : chosen) {
      ExportStep step;
      step.kind = ExportStep::Picture;
      step.source = source.pictures.value(i);
      step.output = joinPath(choice.folder, ExportCommand::snapshotName(source.fileName(), i,
                                                                        source.position));
      steps << step;
    }
    return steps;
  }

  auto telemetryStep = [&](const QString &output) {
    ExportStep step;
    step.kind = ExportStep::Telemetry;
    step.source = source.channelFiles.value(0, source.recordingPath);
    step.output = output;
    step.telemetryFormat = choice.mode == ExportChoice::TelemetryMode ? choice.telemetryFormat
                                                                      : ExportChoice::Gpx;
    step.fromSec = from;
    step.toSec = to;
    return step;
  };
  if (choice.mode == ExportChoice::TelemetryMode) {
    QString name = QFileInfo(source.fileName()).completeBaseName();
    if (trimmed) name = QFileInfo(ExportCommand::trimmedName(name + ".x", from, to)).completeBaseName();
    steps << telemetryStep(joinPath(choice.folder,
                                    name + QLatin1Char('.') + TelemetryFiles::suffix(choice.telemetryFormat)));
    return steps;
  }

  auto besideGpx = [&](const QString &video) {
    const QFileInfo info(video);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".gpx");
  };

  if (choice.sideBySide) {
    QVector<ExportCommand::Source> sources;
    for (int i : chosen) {
      if (source.separateFiles) {
        if (i >= source.channelFiles.size()) return fail(tr("A channel file is missing."));
        sources.append({source.channelFiles[i], 0});
      } else {
        sources.append({source.recordingPath, i});
      }
    }
    QString name = ExportCommand::sideBySideName(source.fileName(), choice.type);
    if (trimmed) name = ExportCommand::trimmedName(name, from, to);
    ExportStep step;
    step.kind = ExportStep::Ffmpeg;
    step.output = joinPath(choice.folder, name);
    step.seconds = to - from;
    step.filterGraph = ExportCommand::sideBySideFilter(
        ExportCommand::inputLabels(sources),
        ExportCommand::captions(source.start, source.speedPerSecond, source.miles, from, to),
        ExportCommand::captionFont());
    // Sound from channel 1, chosen or not.
    const QString audio = source.separateFiles ? source.channelFiles.value(0) : source.recordingPath;
    step.arguments = ExportCommand::sideBySideExport(
        sources, audio, QLatin1String(kFilterScriptToken), from, to, step.output);
    steps << step;
    if (choice.telemetryBeside) steps << telemetryStep(besideGpx(step.output));
    return steps;
  }

  for (int i : chosen) {
    ExportStep step;
    step.seconds = to - from;
    QString input;
    int track = 0;
    QString name;
    if (source.separateFiles) {
      if (i >= source.channelFiles.size()) return fail(tr("A channel file is missing."));
      input = source.channelFiles[i];
      name = ExportCommand::channelFileName(input, choice.type);
    } else {
      input = source.recordingPath;
      track = i;
      name = ExportCommand::trackFileName(source.fileName(), i, choice.type);
    }
    if (trimmed) name = ExportCommand::trimmedName(name, from, to);
    step.output = joinPath(choice.folder, name);
    step.source = input;
    if (trimmed) {
      step.kind = ExportStep::Ffmpeg;
      step.arguments = ExportCommand::trimmedExport(input, track, from, to, step.output);
    } else if (source.separateFiles &&
               QFileInfo(input).suffix().compare(choice.type, Qt::CaseInsensitive) == 0) {
      step.kind = ExportStep::Copy;
    } else {
      step.kind = ExportStep::Ffmpeg;
      step.arguments = ExportCommand::channelExport(input, track, step.output);
    }
    steps << step;
    if (choice.telemetryBeside) steps << telemetryStep(besideGpx(step.output));
  }
  return steps;
}

}  // namespace ExportPlan
