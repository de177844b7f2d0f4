// Looks through /proc for programs of the current user's session (same user,
// same runtime folder XDG_RUNTIME_DIR, where the launcher's socket lives), by
// the name of the file they were started from.
#ifndef LAUNCHER_PROCESSCHECK_H
#define LAUNCHER_PROCESSCHECK_H

#include <QString>
#include <sys/types.h>

class ProcessCheck {
 public:
  explicit ProcessCheck(const QString &procRoot = QStringLiteral("/proc")) : root_(procRoot) {}

  // True when a process other than `except` runs a program file named
  // exactly `name` (case-sensitive) in the current user's session.
  bool isRunning(const QString &name, pid_t except = 0) const;

  // The program file name of one process: the target of its exe link (a
  // replaced file keeps its name), else its comm line.
  QString programName(const QString &pidFolder) const;

  // The runtime folder a process was given; processes whose environment we
  // cannot read count as ours.
  // A process that has ended but was not yet collected by its parent.
  static bool ended(const QString &pidFolder);

  static bool sameSession(const QString &pidFolder, const QByteArray &runtimeDir);

 private:
  QString root_;
};

#endif
