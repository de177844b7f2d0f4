#include "core/JsonToConfig.h"

#include "core/BoundedJson.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <QFile>
#include <QStringList>

#include "core/StatusLog.h"

namespace {

QString text(const rapidjson::Value &v) {
  return QString::fromUtf8(v.GetString(), static_cast<int>(v.GetStringLength()));
}

// One section: an array of {"name", "type"} objects whose sizes fit 128 bytes.
bool readSection(const rapidjson::Value &array, ConfigSection &section, QString &error) {
  if (!array.IsArray()) {
    error = QStringLiteral("section %1 is not an array").arg(section.name);
    return false;
  }
  int used = 0;
  for (const rapidjson::Value &entry : array.GetArray()) {
    auto name = entry.IsObject() ? entry.FindMember("name") : entry.MemberEnd();
    auto type = entry.IsObject() ? entry.FindMember("type") : entry.MemberEnd();
    if (!entry.IsObject() || name == entry.MemberEnd() || !name->value.IsString() ||
        type == entry.MemberEnd() || !type->value.IsInt()) {
      error = QStringLiteral("section %1 has an item without name or type").arg(section.name);
      return false;
    }
    const int size = type->value.GetInt();
    if (size != 1 && size != 2 && size != 4) {
      error = QStringLiteral("item %1 has size %2").arg(text(name->value)).arg(size);
      return false;
    }
    used += size;
    if (used > JsonToConfig::kSectionSize) {
      error = QStringLiteral("section %1 is larger than %2 bytes")
                  .arg(section.name)
                  .arg(JsonToConfig::kSectionSize);
      return false;
    }
    section.items.append(ConfigItem{text(name->value), size, 0});
  }
  return true;
}

}  // namespace

JsonToConfig::JsonToConfig(const QString &path) : path_(path) {
  openFile();
}

QString JsonToConfig::defaultPath(const QString &appDir) {
  return appDir + QStringLiteral("/Resources/json/configStr.json");
}

bool JsonToConfig::openFile() {
  models_.clear();
  current_ = -1;
  error_.clear();
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) {
    error_ = QStringLiteral("cannot open %1").arg(path_);
  } else if (file.size() > kMaxFileSize) {
    error_ = QStringLiteral("%1 is larger than %2 bytes").arg(path_).arg(kMaxFileSize);
  } else {
    parse(file.read(kMaxFileSize));
  }
  open_ = error_.isEmpty();
  if (!open_) {
    models_.clear();
    logError("[JsonToConfig] %s", qUtf8Printable(error_));
  }
  return open_;
}

bool JsonToConfig::parse(const QByteArray &bytes) {
  rapidjson::Document doc;
  // Bounded depth, iterative parsing: a damaged file cannot exhaust the stack.
  if (!BoundedJson::parse(bytes, static_cast<int>(kMaxFileSize), &doc, &error_)) return false;
  if (!doc.IsObject()) {
    error_ = QStringLiteral("the root is not an object");
    return false;
  }
  for (const auto &model : doc.GetObject()) {
    const QString name = text(model.name);
    if (!model.value.IsObject() || model.value.MemberCount() > kMaxSections) {
      error_ = QStringLiteral("model %1 is not a list of at most %2 sections")
                   .arg(name)
                   .arg(kMaxSections);
      return false;
    }
    ModelConfig config;
    for (const auto &sec : model.value.GetObject()) {
      ConfigSection section;
      section.name = text(sec.name);
      if (!readSection(sec.value, section, error_)) {
        error_ = name + QStringLiteral(": ") + error_;
        return false;
      }
      config.append(section);
    }
    models_.append({name, config});
  }
  return true;
}

bool JsonToConfig::setModel(const QString &model) {
  for (int i = 0; i < models_.size(); ++i) {
    if (models_[i].first == model) {
      current_ = i;
      return true;
    }
  }
  return false;
}

ModelConfig JsonToConfig::getItem() const {
  return current_ < 0 ? ModelConfig() : models_[current_].second;
}

QStringList JsonToConfig::models() const {
  QStringList names;
  for (const auto &m : models_) names << m.first;
  return names;
}
