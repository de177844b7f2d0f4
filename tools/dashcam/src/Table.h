// What a command prints: rows of named values, as an aligned table for
// people, or as JSON or CSV for scripts.
#ifndef DASHCAM_TABLE_H
#define DASHCAM_TABLE_H

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

class Table {
 public:
  enum class Style { Text, Json, Csv };

  struct Column {
    QString key;         // JSON key and CSV header
    QString title;       // heading of the text table; empty: not in the text table
    bool right = false;  // numbers are right-aligned in the text table
  };

  explicit Table(const QVector<Column> &columns) : columns_(columns) {}

  // One value per column: a QString, a number, a bool, or a null QVariant
  // for "nothing" (an empty cell, JSON null).
  void addRow(const QVector<QVariant> &values) { rows_.append(values); }
  int rowCount() const { return rows_.size(); }

  QByteArray render(Style style) const;

 private:
  QByteArray text() const;
  QByteArray json() const;
  QByteArray csv() const;

  QVector<Column> columns_;
  QVector<QVector<QVariant>> rows_;
};

#endif
