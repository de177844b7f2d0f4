#include "export/TelemetryFiles.h"

#include <QCoreApplication>

#include "export/ExportPlan.h"

#if __has_include("core/TelemetryExport.h")
#include "core/TelemetryExport.h"
#define VIEWER_HAS_TELEMETRY_EXPORT 1
#endif

namespace TelemetryFiles {

bool write(const QString &recordingPath, int format, double fromSec, double toSec,
           const QString &outPath, QString *error) {
#ifdef VIEWER_HAS_TELEMETRY_EXPORT
  TelemetryExport::Format f = TelemetryExport::Format::Gpx;
  switch (format) {
    case ExportChoice::Csv:
      f = TelemetryExport::Format::Csv;
      break;
    case ExportChoice::GeoJson:
      f = TelemetryExport::Format::GeoJson;
      break;
    case ExportChoice::Kml:
      f = TelemetryExport::Format::Kml;
      break;
    default:
      break;
  }
  return TelemetryExport::exportRecording(recordingPath, f, fromSec, toSec, outPath, error);
#else
  Q_UNUSED(recordingPath);
  Q_UNUSED(format);
  Q_UNUSED(fromSec);
  Q_UNUSED(toSec);
  Q_UNUSED(outPath);
  if (error)
    *error = QCoreApplication::translate("TelemetryFiles",
                                         "Telemetry export is not part of this build.");
  return false;
#endif
}

}  // namespace TelemetryFiles
