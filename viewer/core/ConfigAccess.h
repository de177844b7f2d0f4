// The camera's own settings file /CONFIG/config.bin on its SD card: reads and
// checks it, keeps its values for the setting editor, and writes it back.
//
// Layout: five 32-byte text blocks (firmware, kept, model identifier, kept,
// Wi-Fi password), N sections of 128 bytes as the model's description lays
// them out, and one checksum byte that makes the sum of every byte from
// offset 64 on zero modulo 256.
#ifndef VIEWER_CORE_CONFIGACCESS_H
#define VIEWER_CORE_CONFIGACCESS_H

#include <QByteArray>
#include <QString>

#include "core/ModelConfig.h"

class JsonToConfig;

class ConfigAccess {
 public:
  enum Result {
    Ok = 0,
    FileMissing,         // no /CONFIG/config.bin
    ReadError,           // the file cannot be read or is shorter than its blocks
    UnsupportedModel,    // the identifier is not in configStr.json
    DescriptionMissing,  // configStr.json is missing or damaged
    SizeMismatch,        // the file is not as long as the model's layout
    ChecksumError,
    WriteError,
  };

  static constexpr int kBlockSize = 32;
  static constexpr int kBlockCount = 5;
  static constexpr int kHeaderSize = kBlockSize * kBlockCount;
  static constexpr int kSectionSize = 128;
  // Bytes 0-63 (firmware text and the second block) are not summed.
  static constexpr int kChecksumStart = 64;
  static constexpr int kMaxFileSize = 64 * 1024;

  // The configuration of the card the viewer has open.
  static ConfigAccess &instance();

  // descriptionPath: configStr.json; empty for the program's own.
  explicit ConfigAccess(const QString &descriptionPath = QString());

  Result readConfig(const QString &cardFolder);
  // The checks and values of readConfig on a file's bytes; the card path
  // stays empty.
  Result readBytes(const QByteArray &bytes);
  Result writeMemory(const QString &cardFolder);
  bool getModelConfigStruct();
  void clear();

  bool isLoaded() const { return loaded_; }
  QString cardPath() const { return cardPath_; }
  QString firmware() const { return firmware_; }
  QString firmwareVersion() const { return firmware_.right(4); }
  QString modelIdentifier() const { return identifier_; }
  QString modelName() const { return modelNameFor(identifier_); }
  QString wifiPassword() const { return wifiPassword_; }
  // The model variant read with a "J74" identifier; -1 for other models.
  int variant() const { return variant_; }
  const ModelConfig &config() const { return config_; }

  // Item values by name; false when the model has no such item.
  bool value(const QString &item, double *out) const;
  bool setValue(const QString &item, double value);

  // The shown model name: the known model whose name + "_" occurs in the
  // identifier, else empty.
  static QString modelNameFor(const QString &identifier);
  static QString configPath(const QString &cardFolder);
  // The checksum byte for the bytes from offset 64 on (checksum excluded).
  static quint8 checksum(const QByteArray &fromOffset64);
  // The complete file for blocks and values (values truncated to their size).
  static QByteArray serialise(const QByteArray &blocks, const ModelConfig &config);

 private:
  QString descriptionPath() const;
  bool modelFrom(JsonToConfig &description);

  QString descriptionPath_;
  bool loaded_ = false;
  QString cardPath_;
  QByteArray blocks_;
  QString firmware_;
  QString identifier_;
  QString wifiPassword_;
  int variant_ = -1;
  ModelConfig config_;
};

#endif
