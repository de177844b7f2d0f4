#include "export/TelemetryFiles.h"

#include "core/TelemetryExport.h"
#include "export/ExportPlan.h"

namespace TelemetryFiles {

TelemetryExport::Format formatOf(int format) {
  switch (format) {
    case ExportChoice::Csv:
      return TelemetryExport::Format::Csv;
    case ExportChoice::GeoJson:
      return TelemetryExport::Format::GeoJson;
    case ExportChoice::Kml:
      return TelemetryExport::Format::Kml;
    default:
      return TelemetryExport::Format::Gpx;
  }
}

QString suffix(int format) {
  return TelemetryExport::fileSuffix(formatOf(format));
}

bool write(const QString &recordingPath, int format, double fromSec, double toSec,
           const QString &outPath, QString *error) {
  return TelemetryExport::exportRecording(recordingPath, formatOf(format), fromSec, toSec, outPath,
                                          error);
}

}  // namespace TelemetryFiles
