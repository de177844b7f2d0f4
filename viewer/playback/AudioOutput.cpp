#include "playback/AudioOutput.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace AudioOutput {

namespace {

bool soundServerReachable() {
  if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")) return true;
  QStringList sockets;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) sockets << runtime + QStringLiteral("/pulse/native");
  sockets << QStringLiteral("/run/user/%1/pulse/native").arg(getuid())
          << QStringLiteral("/var/run/pulse/native");
  for (const QString &socket : sockets)
    if (QFileInfo::exists(socket)) return true;
  return false;
}

bool soundCardPresent() {
  QFile cards(QStringLiteral("/proc/asound/cards"));
  if (cards.open(QIODevice::ReadOnly)) {
    const QByteArray text = cards.readAll().trimmed();
    if (!text.isEmpty() && !text.contains("no soundcards")) return true;
  }
  // A default device set up by hand (a plug, a network or a null sink).
  return QFileInfo::exists(QDir::homePath() + QStringLiteral("/.asoundrc")) ||
         QFileInfo::exists(QStringLiteral("/etc/asound.conf"));
}

}  // namespace

Machine probe() {
  return Machine{soundServerReachable(), soundCardPresent()};
}

QByteArray choose(const QList<QByteArray> &available, const Machine &machine) {
  const struct {
    const char *name;
    bool usable;
  } preference[] = {{"pulse", machine.soundServer}, {"alsa", machine.soundCard}, {"adummy", true}};
  for (const auto &output : preference)
    if (output.usable && available.contains(QByteArray(output.name))) return output.name;
  return QByteArrayLiteral("adummy");
}

}  // namespace AudioOutput
