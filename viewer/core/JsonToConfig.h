// Reads configStr.json, the description of every camera model's config.bin
// value area, and answers the sections of one model.
#ifndef VIEWER_CORE_JSONTOCONFIG_H
#define VIEWER_CORE_JSONTOCONFIG_H

#include <QPair>
#include <QString>
#include <QVector>

#include "core/ModelConfig.h"

class JsonToConfig {
 public:
  // Limits a description must keep; anything larger is a damaged file.
  static constexpr qint64 kMaxFileSize = 1024 * 1024;
  static constexpr int kSectionSize = 128;
  static constexpr int kMaxSections = 64;

  // Opens and parses the file at once; openFile() tells whether it worked.
  explicit JsonToConfig(const QString &path);

  // Path of configStr.json below a program folder.
  static QString defaultPath(const QString &appDir);

  bool openFile();
  bool isOpen() const { return open_; }
  bool setModel(const QString &model);
  ModelConfig getItem() const;
  QStringList models() const;
  // Why the last openFile() failed, for the log.
  QString errorText() const { return error_; }

 private:
  bool parse(const QByteArray &text);

  QString path_;
  QString error_;
  bool open_ = false;
  QVector<QPair<QString, ModelConfig>> models_;
  int current_ = -1;
};

#endif
