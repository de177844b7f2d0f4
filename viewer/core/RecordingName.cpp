#include "core/RecordingName.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace {

#define KRN_DATE_TIME                                                               \
  "(19|20)\\d{2}(0[1-9]|1[012])(0[1-9]|1[0-9]|2[0-9]|3[01])_(0[0-9]|1[0-9]|2[0-3])" \
  "([0-5][0-9])([0-5][0-9])_([EIPU][NVRS][FTKR])_([12345])"

const QRegularExpression &aviOne() {
  static const QRegularExpression re(QStringLiteral(KRN_DATE_TIME ".avi"));
  return re;
}
const QRegularExpression &aviTwo() {
  static const QRegularExpression re(QStringLiteral(KRN_DATE_TIME "_([12345]).avi"));
  return re;
}
const QRegularExpression &mp4One() {
  static const QRegularExpression re(QStringLiteral(KRN_DATE_TIME ".mp4"));
  return re;
}

struct TypeInfo {
  const char *word;
  const char *label;
  const char *icon;
  const char *iconSelected;
};

const TypeInfo kTypes[] = {
    {"", "", "", ""},
    {"INF", "I", "inf-icon.svg", "inf-icon-sel.svg"},
    {"EVT", "E", "event-icon.svg", "event-icon-sel.svg"},
    {"PRK", "P", "parking-icon.svg", "parking-icon-sel.svg"},
    {"USR", "U", "icon-user.svg", "icon-user-sel.svg"},
};

}  // namespace

namespace RecordingName {

bool accepted(const QString &fileName) {
  if (fileName.split(QLatin1Char('_')).size() < 4) return false;
  const QString ending = fileName.right(4);
  if (ending == QLatin1String(".avi"))
    return aviOne().match(fileName).hasMatch() || aviTwo().match(fileName).hasMatch();
  if (ending == QLatin1String(".mp4")) return mp4One().match(fileName).hasMatch();
  return false;
}

int typeOf(const QString &fileName) {
  const QStringList parts = fileName.split(QLatin1Char('_'));
  if (parts.size() < 3) return Unknown;
  for (int t = Infinity; t <= User; ++t)
    if (parts[2] == QLatin1String(kTypes[t].word)) return t;
  return Unknown;
}

QString label(int type) {
  return type >= Infinity && type <= User ? QString::fromLatin1(kTypes[type].label) : QString();
}

QString icon(int type, bool selected) {
  if (type < Infinity || type > User) return {};
  return QString::fromLatin1(selected ? kTypes[type].iconSelected : kTypes[type].icon);
}

int filterBit(const QString &l) {
  for (int t = Infinity; t <= User; ++t)
    if (l == QLatin1String(kTypes[t].label)) return 1 << (t - 1);
  return 0;
}

namespace {
QRegularExpressionMatch matchOf(const QString &fileName) {
  QRegularExpressionMatch m = mp4One().match(fileName);
  if (!m.hasMatch()) m = aviTwo().match(fileName);
  if (!m.hasMatch()) m = aviOne().match(fileName);
  return m;
}
}  // namespace

int channelOf(const QString &fileName) {
  const QRegularExpressionMatch m = matchOf(fileName);
  return m.hasMatch() ? m.captured(8).toInt() : 0;
}

QList<int> channelsOf(const QString &fileName) {
  if (!accepted(fileName)) return {};
  const QRegularExpressionMatch m = matchOf(fileName);
  QList<int> channels{m.captured(8).toInt()};
  if (m.lastCapturedIndex() >= 9) channels << m.captured(9).toInt();
  return channels;
}

QDateTime startTime(const QString &fileName) {
  if (!accepted(fileName)) return {};
  // The grammar allows 31 February; QDateTime does not, and such a name
  // gives an invalid time.
  return QDateTime::fromString(fileName.left(15), QStringLiteral("yyyyMMdd_HHmmss"));
}

QString recordingKey(const QString &fileName) {
  return accepted(fileName) ? fileName.left(19) : QString();
}

QString siblingPath(const QString &path, int channel) {
  const int dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot < 2 || path.at(dot - 2) != QLatin1Char('_') || !path.at(dot - 1).isDigit()) return path;
  QString out = path;
  out[dot - 1] = QChar(QLatin1Char(static_cast<char>('0' + channel)));
  return out;
}

}  // namespace RecordingName

namespace {
const char *const kChannelSuffixes[] = {"_1.mp4", "_2.mp4", "_3.mp4"};
}  // namespace

bool RecordingName::isChannelFile(const QString &path) {
  for (const char *suffix : kChannelSuffixes)
    if (path.endsWith(QLatin1String(suffix))) return true;
  return false;
}

QStringList RecordingName::channelFiles(const QString &path) {
  const QFileInfo info(path);
  QString base = info.completeBaseName();
  if (base.contains(QLatin1Char('_'))) base.chop(2);  // the channel suffix ("_1")
  QStringList files;
  for (const char *suffix : kChannelSuffixes) {
    const QString file = QDir::toNativeSeparators(info.absolutePath() + QLatin1Char('/') + base +
                                                  QLatin1String(suffix));
    if (QFileInfo(file).isFile()) files << file;
  }
  return files;
}
