// The telemetry of a recording written to a file (GPX, CSV, GeoJSON, KML)
// through the export the command-line tool uses as well.
#ifndef VIEWER_EXPORT_TELEMETRYFILES_H
#define VIEWER_EXPORT_TELEMETRYFILES_H

#include <QString>

namespace TelemetryFiles {

// The file name's extension of a format: "gpx", "csv", "geojson", "kml".
QString suffix(int format);

// format: ExportChoice::TelemetryFormat. The samples between fromSec and
// toSec of the recording; false with a reason when nothing was written.
bool write(const QString &recordingPath, int format, double fromSec, double toSec,
           const QString &outPath, QString *error);

}  // namespace TelemetryFiles

#endif
