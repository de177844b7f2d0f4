// The launcher's lines in the viewer's status log playerStatus.txt, tagged
// ":: [SERVER] ", one whole line per write so the viewer's lines and ours
// never split each other.
#ifndef LAUNCHER_LAUNCHERLOG_H
#define LAUNCHER_LAUNCHERLOG_H

#include <QString>

class LauncherLog {
 public:
  // Points the log at a file; the first line written after this may create
  // the file, later ones only append to it (see write).
  static void setPath(const QString &path);
  static QString path();

  // The line as it is written, without the line feed.
  static QString formatLine(const QString &message);

  // Appends one line. Once the first line is written the file is never
  // created again: the viewer deletes the log when it closes normally, and
  // our last lines must not bring it back.
  static void write(const QString &message);
};

#endif
