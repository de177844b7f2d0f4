// The recording-name grammar of the viewer: any name is classified without a
// crash, and what it says about a name agrees with itself.
#include <QString>
#include <cstdint>

#include "core/RecordingName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QString name = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
  const bool accepted = RecordingName::accepted(name);
  const int type = RecordingName::typeOf(name);
  if (type < RecordingName::Unknown || type > RecordingName::User) __builtin_trap();
  const QString label = RecordingName::label(type);
  if (type != RecordingName::Unknown && RecordingName::filterBit(label) != (1 << (type - 1)))
    __builtin_trap();
  RecordingName::icon(type, accepted);
  const int channel = RecordingName::channelOf(name);
  if (channel < 0 || channel > 9) __builtin_trap();
  RecordingName::filterBit(name.left(2));

  // The path form: a folder that does not exist keeps channelFiles off the disk.
  const QString path = QStringLiteral("/nonexistent-krn-fuzz/") + name;
  const bool channelFile = RecordingName::isChannelFile(path);
  for (int c = 1; c <= 3; ++c) {
    const QString sibling = RecordingName::siblingPath(path, c);
    // Exchanging the channel keeps a channel file a channel file.
    if (channelFile && !RecordingName::isChannelFile(sibling)) __builtin_trap();
  }
  if (!RecordingName::channelFiles(path).isEmpty()) __builtin_trap();
  return 0;
}
