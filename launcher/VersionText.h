// Release version texts "[softVer].[majorVer].[minorVer]" and the rule that
// says whether one is newer than another (the same rule as the viewer's).
#ifndef LAUNCHER_VERSIONTEXT_H
#define LAUNCHER_VERSIONTEXT_H

#include <QString>

class VersionText {
 public:
  // Three (or two) decimal parts; anything else, such as a text with a path
  // separator, is not a version and never becomes part of a file name.
  static bool isValid(const QString &text);

  // Each part of the newest compared with the same part of the current one:
  // any part above makes it newer. Writes the format lines to the log.
  static bool isNewer(const QString &current, const QString &newest);
};

#endif
