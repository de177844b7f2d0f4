#include "core/ConfigAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/JsonToConfig.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"

namespace {

const char *const kModelNames[] = {"KT7ALM", "KT8ALM", "KT90ALM", "UKTALM"};

// The variant value sits at item 24 of the fourth section of "J74" cards.
constexpr int kVariantSection = 3;
constexpr int kVariantItem = 24;

QString blockText(const QByteArray &blocks, int block) {
  const QByteArray raw = blocks.mid(block * ConfigAccess::kBlockSize, ConfigAccess::kBlockSize);
  const int end = raw.indexOf('\0');
  return QString::fromLatin1(end < 0 ? raw : raw.left(end));
}

quint32 readLe(const char *p, int size) {
  quint32 v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<quint8>(p[i]);
  return v;
}

// Writes all bytes, syncs them to the card and only then renames over the
// old file, so an interruption leaves either the old or the new file.
bool writeAtomically(const QString &path, const QByteArray &bytes) {
  const QByteArray target = QFile::encodeName(path);
  const QByteArray temp = target + ".tmp";
  const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  qint64 done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n <= 0) break;
    done += n;
  }
  const bool written = done == bytes.size() && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.constData(), target.constData()) != 0) {
    ::unlink(temp.constData());
    return false;
  }
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);  // the rename itself reaches the card
    ::close(dir);
  }
  return true;
}

}  // namespace

ConfigAccess &ConfigAccess::instance() {
  static ConfigAccess access;
  return access;
}

ConfigAccess::ConfigAccess(const QString &descriptionPath) : descriptionPath_(descriptionPath) {}

QString ConfigAccess::modelNameFor(const QString &identifier) {
  for (const char *name : kModelNames)
    if (identifier.contains(QLatin1String(name) + QLatin1Char('_'))) return QLatin1String(name);
  return QString();
}

QString ConfigAccess::configPath(const QString &cardFolder) {
  return QDir::toNativeSeparators(cardFolder + QStringLiteral("/CONFIG/config.bin"));
}

quint8 ConfigAccess::checksum(const QByteArray &fromOffset64) {
  quint8 sum = 0;
  for (char c : fromOffset64) sum = static_cast<quint8>(sum + static_cast<quint8>(c));
  return static_cast<quint8>(~(sum - 1));
}

QByteArray ConfigAccess::serialise(const QByteArray &blocks, const ModelConfig &config) {
  QByteArray out = blocks.leftJustified(kHeaderSize, '\0', true);
  for (const ConfigSection &section : config) {
    logDebug("ConfigAccess::setMemoryBuffer");
    QByteArray buffer(kSectionSize, '\0');
    int offset = 0;
    for (const ConfigItem &item : section.items) {
      if (offset + item.size > kSectionSize) break;  // descriptions are checked to fit
      // Values are whole numbers; a value too large for its size keeps its
      // low bytes, as the camera reads them.
      const quint32 v = static_cast<quint32>(static_cast<qint64>(item.value));
      for (int b = 0; b < item.size; ++b)
        buffer[offset + b] = static_cast<char>((v >> (8 * b)) & 0xff);
      offset += item.size;
    }
    out += buffer;
  }
  out += static_cast<char>(checksum(out.mid(kChecksumStart)));
  return out;
}

void ConfigAccess::clear() {
  loaded_ = false;
  cardPath_.clear();
  blocks_.clear();
  firmware_.clear();
  identifier_.clear();
  wifiPassword_.clear();
  variant_ = -1;
  config_.clear();
}

QString ConfigAccess::descriptionPath() const {
  return descriptionPath_.isEmpty() ? JsonToConfig::defaultPath(ViewerState::instance().appDir)
                                    : descriptionPath_;
}

bool ConfigAccess::getModelConfigStruct() {
  JsonToConfig description(descriptionPath());
  return modelFrom(description);
}

bool ConfigAccess::modelFrom(JsonToConfig &description) {
  logDebug("ConfigAccess::getModelConfigStruct");
  if (!description.setModel(identifier_)) return false;
  config_ = description.getItem();
  return true;
}

ConfigAccess::Result ConfigAccess::readConfig(const QString &cardFolder) {
  logDebug("ConfigAccess::readConfig");
  logInfo("[SDCardView]: Try read Config file data...");
  clear();
  QFile file(configPath(cardFolder));
  if (!file.exists()) return FileMissing;
  if (!file.open(QIODevice::ReadOnly)) {
    logError("Error! Failed to read data!");
    return ReadError;
  }
  const Result result = readBytes(file.read(kMaxFileSize + 1));
  if (result == Ok) {
    cardPath_ = cardFolder;
    logInfo("read configuration Complete!");
  }
  return result;
}

// Reads into a fresh copy and takes it over only when the whole file is
// sound: a damaged file never leaves half of its values behind.
ConfigAccess::Result ConfigAccess::readBytes(const QByteArray &bytes) {
  clear();
  if (bytes.size() < kHeaderSize) {
    logError("Error! Failed to read data!");
    return ReadError;
  }
  ConfigAccess fresh(descriptionPath_);
  fresh.blocks_ = bytes.left(kHeaderSize);
  fresh.firmware_ = blockText(fresh.blocks_, 0);
  fresh.identifier_ = blockText(fresh.blocks_, 2);
  if (!fresh.identifier_.isEmpty()) fresh.wifiPassword_ = blockText(fresh.blocks_, 4);

  JsonToConfig description(descriptionPath());
  if (!description.isOpen()) return DescriptionMissing;
  if (!fresh.modelFrom(description)) {
    logError("[ConfigAccess] model identifier \"%s\" is not supported",
             qUtf8Printable(fresh.identifier_));
    return UnsupportedModel;
  }
  const qint64 expected =
      kHeaderSize + static_cast<qint64>(kSectionSize) * fresh.config_.size() + 1;
  if (bytes.size() != expected) {
    logError("[ConfigAccess] config.bin holds %s bytes, the layout of %s needs %lld",
             bytes.size() > kMaxFileSize ? "too many" : qPrintable(QString::number(bytes.size())),
             qUtf8Printable(fresh.identifier_), expected);
    return SizeMismatch;
  }
  int offset = kHeaderSize;
  for (ConfigSection &section : fresh.config_) {
    logDebug("ConfigAccess::setStruct");
    logInfo("[SDCardView]: Set struct data...");
    int at = 0;
    for (ConfigItem &item : section.items) {
      item.value = readLe(bytes.constData() + offset + at, item.size);
      at += item.size;
    }
    logInfo("set structure Complete!");
    offset += kSectionSize;
  }
  const quint8 stored = static_cast<quint8>(bytes.at(offset));
  if (checksum(bytes.mid(kChecksumStart, offset - kChecksumStart)) != stored) {
    logError("CheckSum Error!");
    return ChecksumError;
  }
  if (fresh.identifier_.contains(QLatin1String("J74")) && fresh.config_.size() > kVariantSection &&
      fresh.config_[kVariantSection].items.size() > kVariantItem)
    fresh.variant_ = static_cast<int>(fresh.config_[kVariantSection].items[kVariantItem].value);
  const QString keepDescription = descriptionPath_;
  *this = fresh;
  descriptionPath_ = keepDescription;
  loaded_ = true;
  return Ok;
}

ConfigAccess::Result ConfigAccess::writeMemory(const QString &cardFolder) {
  logDebug("ConfigAccess::writeMemory");
  logInfo("[SettingView]: write config file...");
  if (!loaded_ || !writeAtomically(configPath(cardFolder), serialise(blocks_, config_))) {
    logError("Error! Occur exception when write memory!");
    return WriteError;
  }
  logInfo("write memory complete!");
  return Ok;
}

bool ConfigAccess::value(const QString &item, double *out) const {
  for (const ConfigSection &section : config_)
    for (const ConfigItem &i : section.items)
      if (i.name == item) {
        if (out) *out = i.value;
        return true;
      }
  return false;
}

bool ConfigAccess::setValue(const QString &item, double value) {
  for (ConfigSection &section : config_)
    for (ConfigItem &i : section.items)
      if (i.name == item) {
        i.value = value;
        return true;
      }
  return false;
}
