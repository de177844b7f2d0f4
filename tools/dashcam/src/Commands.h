// The commands of the dashcam program; each takes its arguments (after the
// command word) and returns the exit code.
#ifndef DASHCAM_COMMANDS_H
#define DASHCAM_COMMANDS_H

#include <QStringList>

int runInfo(const QStringList &arguments);
int runTrips(const QStringList &arguments);
int runEvents(const QStringList &arguments);
int runExport(const QStringList &arguments);
int runConfig(const QStringList &arguments);

#endif
