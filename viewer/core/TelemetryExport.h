// Writes the track of recordings to the files map and GPS programs,
// spreadsheets, web maps and Google Earth read: GPX, CSV, GeoJSON and KML.
// Times are UTC (the file names' local time placed in the card's zone);
// stretches without fix break the track into segments and nothing is ever
// written at (0, 0). Files are written under a temporary name in the target
// folder and renamed when complete.
#ifndef VIEWER_CORE_TELEMETRYEXPORT_H
#define VIEWER_CORE_TELEMETRYEXPORT_H

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QVector>

#include "core/RecordingTelemetry.h"

namespace TelemetryExport {

enum class Format { Gpx, Csv, GeoJson, Kml };

// "gpx", "csv", "geojson", "kml" (any case); false for anything else.
bool formatFromName(const QString &name, Format *format);
QString formatName(Format format);
QString fileSuffix(Format format);  // "gpx", "csv", "geojson", "kml"
QStringList formatNames();

// A CSV field, quoted when it holds a separator, a quote or a line break.
QString csvField(const QString &text);

// One line of the export: consecutive recordings of one drive, in time
// order. A GPX <trk>, a GeoJSON feature, a KML placemark.
struct Track {
  QString name;
  QVector<RecordingTelemetry> recordings;
};

// Only samples with fromUtcMs <= time <= toUtcMs are written.
struct Window {
  qint64 fromUtcMs = RecordingTelemetry::kEarliest;
  qint64 toUtcMs = RecordingTelemetry::kLatest;
};

// The whole export to a device. False when there is nothing to write: no
// sample in the window, or (GPX, GeoJSON, KML) no position.
bool write(QIODevice *out, const QVector<Track> &tracks, Format format, const Window &window,
           QString *error);
// The same to a file, atomically.
bool writeFile(const QString &outPath, const QVector<Track> &tracks, Format format,
               const Window &window, QString *error);

// The telemetry of one recording, fromSec to toSec after its start (toSec
// < 0: to the end), as the save dialog offers it. The card's zone is found
// from the recording's folder.
bool exportRecording(const QString &recordingPath, Format format, double fromSec, double toSec,
                     const QString &outPath, QString *error);

}  // namespace TelemetryExport

#endif
