#include "theme/JsonToStyle.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "core/BoundedJson.h"
#include "core/StatusLog.h"

struct JsonToStyle::Document {
  rapidjson::Document json;
};

namespace {

const int kWeights[] = {0, 12, 25, 50, 57, 63, 75, 81, 87};
const char *const kStates[] = {"Default", "Normal", "Select", "Hover", "Disable"};

int intMember(const rapidjson::Value &obj, const char *key) {
  auto it = obj.FindMember(key);
  return it != obj.MemberEnd() && it->value.IsInt() ? it->value.GetInt() : 0;
}

QString stringMember(const rapidjson::Value &obj, const char *key, const QString &fallback = {}) {
  auto it = obj.FindMember(key);
  return it != obj.MemberEnd() && it->value.IsString()
             ? QString::fromUtf8(it->value.GetString(),
                                 static_cast<int>(it->value.GetStringLength()))
             : fallback;
}

const rapidjson::Value *objectMember(const rapidjson::Value &obj, const char *key) {
  auto it = obj.FindMember(key);
  return it != obj.MemberEnd() && it->value.IsObject() ? &it->value : nullptr;
}

void readStates(const rapidjson::Value &obj, const char *key,
                std::array<QString, StyleItem::StateCount> &out) {
  const rapidjson::Value *states = objectMember(obj, key);
  if (!states) return;
  for (int s = 0; s < StyleItem::StateCount; ++s) out[s] = stringMember(*states, kStates[s]);
}

bool literalTrue(const rapidjson::Value &obj, const char *key) {
  auto it = obj.FindMember(key);
  return it != obj.MemberEnd() && it->value.IsBool() && it->value.GetBool();
}

}  // namespace

JsonToStyle::JsonToStyle(const QString &appDir)
    : jsonFolder_(appDir + QStringLiteral("/Resources/json/")),
      imageFolder_(appDir + QStringLiteral("/Resources/image/")),
      doc_(std::make_unique<Document>()) {
  doc_->json.SetObject();
}

JsonToStyle::~JsonToStyle() = default;

const QStringList &JsonToStyle::sizeBehaviourNames() {
  static const QStringList names = {"Fixed", "Minimum", "Maximum", "Expanding", "Movable"};
  return names;
}

const QStringList &JsonToStyle::weightNames() {
  static const QStringList names = {"Thin",     "ExtraLight", "Light",     "Normal", "Medium",
                                    "DemiBold", "Bold",       "ExtraBold", "Black"};
  return names;
}

int JsonToStyle::weightFor(const QString &name) {
  int i = weightNames().indexOf(name);
  return i < 0 ? -1 : kWeights[i];
}

bool JsonToStyle::load(const QString &fileName) {
  fileName_ = fileName;
  doc_->json.SetObject();
  QFile file(jsonFolder_ + fileName + QStringLiteral(".json"));
  if (!file.open(QIODevice::ReadOnly)) return false;
  // A theme file is a few kilobytes; anything near this is not one of ours.
  constexpr int kMaxThemeBytes = 1024 * 1024;
  rapidjson::Document parsed;
  QString error;
  if (!BoundedJson::parse(file.read(kMaxThemeBytes + 1), kMaxThemeBytes, &parsed, &error)) {
    logError("[JsonToStyle]: %s.json refused: %s", qUtf8Printable(fileName), qUtf8Printable(error));
    return false;
  }
  if (!parsed.IsObject()) return false;
  doc_->json.Swap(parsed);
  return true;
}

StyleItem JsonToStyle::item(const QString &objectName) const {
  StyleItem it;
  const QByteArray key = objectName.toUtf8();
  auto member = doc_->json.FindMember(key.constData());
  if (member == doc_->json.MemberEnd() || !member->value.IsObject()) return it;
  const rapidjson::Value &obj = member->value;
  it.status = 0;
  if (const auto *v = objectMember(obj, "position"))
    it.x = intMember(*v, "x"), it.y = intMember(*v, "y");
  if (const auto *v = objectMember(obj, "size"))
    it.width = intMember(*v, "width"), it.height = intMember(*v, "height");
  if (const auto *v = objectMember(obj, "minimum"))
    it.minWidth = intMember(*v, "width"), it.minHeight = intMember(*v, "height");
  if (const auto *v = objectMember(obj, "maximum")) {
    it.maxWidth = intMember(*v, "width");
    it.maxHeight = intMember(*v, "height");
    if (it.maxWidth == -1) it.maxWidth = 7680;
    if (it.maxHeight == -1) it.maxHeight = 4320;
  }
  if (const auto *v = objectMember(obj, "margin")) {
    it.marginLeft = intMember(*v, "left");
    it.marginTop = intMember(*v, "top");
    it.marginRight = intMember(*v, "right");
    it.marginBottom = intMember(*v, "bottom");
  }
  if (const auto *v = objectMember(obj, "scale")) {
    const QStringList &names = sizeBehaviourNames();
    it.scaleX = names.indexOf(stringMember(*v, "x"));
    it.scaleY = names.indexOf(stringMember(*v, "y"));
    it.scaleWidth = names.indexOf(stringMember(*v, "width"));
    it.scaleHeight = names.indexOf(stringMember(*v, "height"));
  }
  if (const auto *v = objectMember(obj, "font")) {
    it.fontFamily = stringMember(*v, "family", it.fontFamily);
    int weight = weightFor(stringMember(*v, "weight"));
    if (weight >= 0) it.fontWeight = weight;  // unknown names keep the normal weight
    if (int size = intMember(*v, "size")) it.fontPixelSize = size;
  }
  readStates(obj, "color", it.color);
  readStates(obj, "textColor", it.textColor);
  readStates(obj, "image", it.image);
  readStates(obj, "border", it.border);
  it.show = literalTrue(obj, "show");
  auto enable = obj.FindMember("enable");
  if (enable != obj.MemberEnd()) it.enable = enable->value.IsBool() && enable->value.GetBool();
  it.text = stringMember(obj, "text");
  return it;
}

QString JsonToStyle::styleSheet(const StyleItem &item) const {
  QString sheet;
  const QString &border = item.border[StyleItem::Default];
  sheet += QStringLiteral("border: ") + (border.isEmpty() ? QStringLiteral("none") : border);
  const QString &image = item.image[StyleItem::Default];
  if (!image.isEmpty() && image != QLatin1String("none"))
    sheet +=
        QStringLiteral("; border-image: url(\"") + imageFolder_ + image + QStringLiteral("\")");
  const QString &color = item.color[StyleItem::Default];
  if (!color.isEmpty()) sheet += QStringLiteral("; background-color: ") + color;
  const QString &text = item.textColor[StyleItem::Default];
  if (!text.isEmpty()) sheet += QStringLiteral("; color: ") + text;
  sheet += QLatin1Char(';');
  return sheet;
}

void JsonToStyle::apply(QWidget *widget, const QString &objectName) const {
  if (!widget) return;
  const StyleItem it = item(objectName);
  if (it.status == -1 || !it.show) {
    widget->hide();
    return;
  }
  widget->setObjectName(objectName);
  widget->setGeometry(it.x, it.y, it.width, it.height);
  widget->setMinimumSize(it.minWidth, it.minHeight);
  widget->setMaximumSize(it.maxWidth, it.maxHeight);
  widget->setContentsMargins(it.marginLeft, it.marginTop, it.marginRight, it.marginBottom);
  widget->setFont(it.font());
  widget->setEnabled(it.enable);
  if (!it.text.isEmpty()) {
    const QByteArray source = it.text.toUtf8();
    const QString text =
        context_.isEmpty() ? it.text
                           : QCoreApplication::translate(context_.constData(), source.constData());
    if (auto *label = qobject_cast<QLabel *>(widget))
      label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
      button->setText(text);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
      edit->setText(text);
  }
  widget->setStyleSheet(styleSheet(it));
  widget->show();
}
