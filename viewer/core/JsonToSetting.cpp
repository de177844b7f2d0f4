#include "core/JsonToSetting.h"

#include "core/BoundedJson.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <QFile>

#include "core/StatusLog.h"

namespace {

QString text(const rapidjson::Value &v) {
  return v.IsString() ? QString::fromUtf8(v.GetString(), static_cast<int>(v.GetStringLength()))
                      : QString();
}

const rapidjson::Value *member(const rapidjson::Value &obj, const char *key) {
  auto it = obj.FindMember(key);
  return it == obj.MemberEnd() ? nullptr : &it->value;
}

// One setting object; false (with the reason) when a field has the wrong shape.
bool readSetting(const rapidjson::Value &v, SettingItem &s, QString &error) {
  const rapidjson::Value *type = member(v, "type");
  const rapidjson::Value *row = member(v, "row");
  if (!type || !type->IsInt() || type->GetInt() < SettingItem::Button ||
      type->GetInt() > SettingItem::Label) {
    error = QStringLiteral("%1: type must be 1 to 4").arg(s.name);
    return false;
  }
  if (!row || !row->IsInt() || row->GetInt() < 0 || row->GetInt() >= JsonToSetting::kMaxSettings) {
    error =
        QStringLiteral("%1: row must be 0 to %2").arg(s.name).arg(JsonToSetting::kMaxSettings - 1);
    return false;
  }
  s.type = type->GetInt();
  s.row = row->GetInt();
  if (const rapidjson::Value *e = member(v, "enable")) s.enable = e->IsBool() && e->GetBool();
  if (const rapidjson::Value *i = member(v, "initial"); i && i->IsNumber())
    s.initial = i->GetDouble();
  if (const rapidjson::Value *t = member(v, "text")) s.text = text(*t);
  if (const rapidjson::Value *l = member(v, "link")) s.link = text(*l);
  const rapidjson::Value *items = member(v, "item");
  if (!items) return true;
  if (!items->IsArray() || items->Size() > JsonToSetting::kMaxChoices) {
    error = QStringLiteral("%1: item must be a list of at most %2 choices")
                .arg(s.name)
                .arg(JsonToSetting::kMaxChoices);
    return false;
  }
  for (const rapidjson::Value &c : items->GetArray()) {
    const rapidjson::Value *name = c.IsObject() ? member(c, "name") : nullptr;
    const rapidjson::Value *value = c.IsObject() ? member(c, "value") : nullptr;
    if (!name || !name->IsString() || !value || !value->IsNumber()) {
      error = QStringLiteral("%1: a choice needs a name and a number").arg(s.name);
      return false;
    }
    s.choices.append(SettingChoice{text(*name), value->GetDouble()});
  }
  return true;
}

}  // namespace

JsonToSetting::JsonToSetting(const QString &path) : path_(path) {}

QString JsonToSetting::defaultPath(const QString &appDir) {
  return appDir + QStringLiteral("/Resources/json/Setting.json");
}

const QStringList &JsonToSetting::groupNames() {
  static const QStringList names = {QStringLiteral("Camera"), QStringLiteral("Battery Protection"),
                                    QStringLiteral("Memory"), QStringLiteral("Sensitive"),
                                    QStringLiteral("System")};
  return names;
}

bool JsonToSetting::openFile() {
  models_.clear();
  current_ = -1;
  error_.clear();
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly))
    error_ = QStringLiteral("cannot open %1").arg(path_);
  else if (file.size() > kMaxFileSize)
    error_ = QStringLiteral("%1 is larger than %2 bytes").arg(path_).arg(kMaxFileSize);
  else
    parse(file.read(kMaxFileSize));
  if (!error_.isEmpty()) {
    models_.clear();
    logError("[JsonToSetting] %s", qUtf8Printable(error_));
  }
  return error_.isEmpty();
}

bool JsonToSetting::parse(const QByteArray &bytes) {
  rapidjson::Document doc;
  // Bounded depth, iterative parsing: a damaged file cannot exhaust the stack.
  if (!BoundedJson::parse(bytes, static_cast<int>(kMaxFileSize), &doc, &error_)) return false;
  if (!doc.IsObject()) {
    error_ = QStringLiteral("the root is not an object");
    return false;
  }
  for (const auto &model : doc.GetObject()) {
    if (!model.value.IsObject()) {
      error_ = text(model.name) + QStringLiteral(" is not an object");
      return false;
    }
    QVector<SettingGroup> groups;
    for (const QString &groupName : groupNames()) {
      const QByteArray key = groupName.toUtf8();
      const rapidjson::Value *group = member(model.value, key.constData());
      if (!group) continue;
      if (!group->IsObject() || group->MemberCount() > kMaxSettings) {
        error_ = QStringLiteral("%1/%2 is not a list of at most %3 settings")
                     .arg(text(model.name), groupName)
                     .arg(kMaxSettings);
        return false;
      }
      QVector<SettingItem> settings;
      for (const auto &entry : group->GetObject()) {
        SettingItem s;
        s.name = text(entry.name);
        if (!entry.value.IsObject() || !readSetting(entry.value, s, error_)) {
          if (error_.isEmpty()) error_ = s.name + QStringLiteral(" is not an object");
          error_ = text(model.name) + QLatin1Char('/') + groupName + QStringLiteral(": ") + error_;
          return false;
        }
        settings.append(s);
      }
      std::stable_sort(settings.begin(), settings.end(),
                       [](const SettingItem &a, const SettingItem &b) { return a.row < b.row; });
      groups.append({groupName, settings});
    }
    models_.append({text(model.name), groups});
  }
  return true;
}

void JsonToSetting::setModel(const QString &model) {
  for (int i = 0; i < models_.size(); ++i)
    if (models_[i].first == model) current_ = i;
}

bool JsonToSetting::hasGroup(const QString &group) const {
  if (current_ < 0) return false;
  for (const SettingGroup &g : models_[current_].second)
    if (g.first == group) return true;
  return false;
}

QVector<SettingGroup> JsonToSetting::getItem() const {
  return current_ < 0 ? QVector<SettingGroup>() : models_[current_].second;
}
