// Reads Setting.json, the description of how each camera model's settings
// are shown and edited: groups of settings with their widget kind, row,
// choices and defaults.
#ifndef VIEWER_CORE_JSONTOSETTING_H
#define VIEWER_CORE_JSONTOSETTING_H

#include <QStringList>
#include <QVector>

#include "core/SettingItem.h"

class JsonToSetting {
 public:
  static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;
  static constexpr int kMaxSettings = 64;  // per group
  static constexpr int kMaxChoices = 256;  // per setting

  explicit JsonToSetting(const QString &path);
  static QString defaultPath(const QString &appDir);
  // The groups the editor knows, in the order it shows them.
  static const QStringList &groupNames();

  bool openFile();
  void setModel(const QString &model);
  bool isCameraTreeExist() const { return hasGroup(QStringLiteral("Camera")); }
  bool isVoltageTreeExist() const { return hasGroup(QStringLiteral("Battery Protection")); }
  bool isMemoryTreeExist() const { return hasGroup(QStringLiteral("Memory")); }
  bool isSensitiveTreeExist() const { return hasGroup(QStringLiteral("Sensitive")); }
  bool isSystemTreeExist() const { return hasGroup(QStringLiteral("System")); }
  QVector<SettingGroup> getItem() const;
  QString errorText() const { return error_; }

 private:
  bool hasGroup(const QString &group) const;
  bool parse(const QByteArray &text);

  QString path_;
  QString error_;
  QVector<QPair<QString, QVector<SettingGroup>>> models_;
  int current_ = -1;
};

#endif
