// The camera's file-name grammar: which files are recordings, of which type
// and channel, and where a recording's other channels are.
#ifndef VIEWER_CORE_RECORDINGNAME_H
#define VIEWER_CORE_RECORDINGNAME_H

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace RecordingName {

enum Type { Unknown = 0, Infinity = 1, Event = 2, Parking = 3, User = 4 };

// True when the name (without directory) is a recording's.
bool accepted(const QString &fileName);
// Type code from the third "_"-separated word (0 for any other word).
int typeOf(const QString &fileName);
// "I", "E", "P", "U", or empty for type 0.
QString label(int type);
// Icon file in Resources/image/ ("inf-icon.svg", ...); highlighted variant
// when selected. Empty for type 0.
QString icon(int type, bool selected = false);
// Type bit of the filter mask (1, 2, 4, 8) for a label letter; 0 otherwise.
int filterBit(const QString &label);
// Channel digit of the name (the first channel field), 0 when none.
int channelOf(const QString &fileName);
// Every channel digit of the name: one, or two for a two-channel AVI.
QList<int> channelsOf(const QString &fileName);
// Start of the recording as the name gives it: the camera's local time
// (Qt::LocalTime spec, to be placed in a zone by the caller); invalid when
// the name is not a recording's.
QDateTime startTime(const QString &fileName);
// What the files of one recording share: date, time and type word
// ("20240501_083000_INF"); empty when the name is not a recording's.
QString recordingKey(const QString &fileName);
// The path of the same recording's file for another channel: the channel
// digit before the extension is exchanged ("_1.mp4" -> "_2.mp4").
QString siblingPath(const QString &path, int channel);
// True when the recording's channels are separate files: the name ends in
// "_1.mp4", "_2.mp4" or "_3.mp4".
bool isChannelFile(const QString &path);
// The files of the recording's channels 1-3 that exist as regular files, in
// channel order (native separators): the channels a player shows, front first.
QStringList channelFiles(const QString &path);

}  // namespace RecordingName

#endif
