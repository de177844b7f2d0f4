// One camera setting as the editor holds it: how Setting.json shows it, the
// config.bin item it edits, and which of its choices is saved and pending.
#ifndef VIEWER_CORE_SETTINGITEM_H
#define VIEWER_CORE_SETTINGITEM_H

#include <QPair>
#include <QString>
#include <QVector>

struct SettingChoice {
  QString name;  // label, translated when shown
  double value = 0;
};

struct SettingItem {
  enum Type { Button = 1, Choices = 2, ComboBox = 3, Label = 4 };

  QString name;  // display name, the key of the rules ("Speed Unit", ...)
  QString link;  // configStr.json item
  QString text;
  int type = Label;
  int row = 0;
  bool enable = true;
  double initial = 0;
  QVector<SettingChoice> choices;
  // The choice that matches the value read from the card; -1 when the value
  // is none of the choices (shown as "unknown" and written back unchanged).
  int savedIndex = -1;
  int pendingIndex = -1;  // -1: no change pending
  bool hidden = false;

  // The choice holding a value, -1 for none.
  int indexOf(double value) const {
    for (int i = 0; i < choices.size(); ++i)
      if (choices[i].value == value) return i;
    return -1;
  }
  // The choice shown: the pending one, else the saved one.
  int shownIndex() const { return pendingIndex >= 0 ? pendingIndex : savedIndex; }
};

using SettingGroup = QPair<QString, QVector<SettingItem>>;

#endif
