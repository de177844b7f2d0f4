// Fuzzes the reader of the camera's config.bin: any bytes are read without
// a crash, and whatever reads as valid writes back to a file that reads
// again with the same values.
//
// The model descriptions come from configStr.json: the path in the
// environment variable CONFIG_STR_JSON, else the one the build gives as
// CONFIG_STR_JSON_PATH.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "core/ConfigAccess.h"
#include "core/StatusLog.h"

namespace {

QString descriptionPath() {
  if (const char *env = std::getenv("CONFIG_STR_JSON")) return QString::fromLocal8Bit(env);
#ifdef CONFIG_STR_JSON_PATH
  return QStringLiteral(CONFIG_STR_JSON_PATH);
#else
  return QStringLiteral("resources/json/configStr.json");
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const QString description = [] {
    StatusLog::setThreshold(-1);  // nothing to the status log
    return descriptionPath();
  }();
  ConfigAccess access(description);
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
  if (access.readBytes(bytes) != ConfigAccess::Ok) return 0;
  QByteArray blocks = bytes.left(ConfigAccess::kHeaderSize);
  const QByteArray again = ConfigAccess::serialise(blocks, access.config());
  ConfigAccess check(description);
  if (check.readBytes(again) != ConfigAccess::Ok) std::abort();
  for (const ConfigSection &section : access.config())
    for (const ConfigItem &item : section.items) {
      double v = -1;
      if (!check.value(item.name, &v) || v != item.value) std::abort();
    }
  return 0;
}
