#include "Table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "core/TelemetryExport.h"

namespace {

QString cellText(const QVariant &v) {
  if (v.isNull()) return {};
  if (v.type() == QVariant::Bool) return v.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
  return v.toString();
}

}  // namespace

QByteArray Table::render(Style style) const {
  switch (style) {
    case Style::Json:
      return json();
    case Style::Csv:
      return csv();
    case Style::Text:
      break;
  }
  return text();
}

QByteArray Table::text() const {
  QVector<int> shown;
  for (int c = 0; c < columns_.size(); ++c)
    if (!columns_[c].title.isEmpty()) shown.append(c);
  QVector<int> width(columns_.size(), 0);
  for (int c : shown) {
    width[c] = columns_[c].title.size();
    for (const QVector<QVariant> &row : rows_)
      width[c] = std::max(width[c], cellText(row[c]).size());
  }
  auto line = [&](auto cell) {
    QString out;
    for (int i = 0; i < shown.size(); ++i) {
      const int c = shown[i];
      const QString t = cell(c);
      const bool last = i + 1 == shown.size();
      if (i > 0) out += QStringLiteral("  ");
      if (columns_[c].right)
        out += t.rightJustified(width[c]);
      else
        out += last ? t : t.leftJustified(width[c]);
    }
    return out + QLatin1Char('\n');
  };
  QString out = line([&](int c) { return columns_[c].title; });
  for (const QVector<QVariant> &row : rows_) out += line([&](int c) { return cellText(row[c]); });
  return out.toUtf8();
}

QByteArray Table::json() const {
  QJsonArray array;
  for (const QVector<QVariant> &row : rows_) {
    QJsonObject object;
    for (int c = 0; c < columns_.size(); ++c)
      object.insert(columns_[c].key,
                    row[c].isNull() ? QJsonValue() : QJsonValue::fromVariant(row[c]));
    array.append(object);
  }
  return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QByteArray Table::csv() const {
  QStringList header;
  for (const Column &c : columns_) header << c.key;
  QString out = header.join(QLatin1Char(',')) + QLatin1Char('\n');
  for (const QVector<QVariant> &row : rows_) {
    QStringList fields;
    for (const QVariant &v : row)
      fields << TelemetryExport::csvField(v.type() == QVariant::Bool ? QString::number(v.toInt())
                                                                     : cellText(v));
    out += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
  }
  return out.toUtf8();
}
