// One group page of the setting editor ("Camera", "Memory", ...): a row per
// setting with its title and the widget of its kind, the values read from
// the card, and the rules that tie settings together.
#ifndef VIEWER_SETTINGS_SETTINGOPT_H
#define VIEWER_SETTINGS_SETTINGOPT_H

#include <QFont>
#include <QWidget>

#include "core/SettingItem.h"

class ConfigAccess;
class JsonToStyle;
class QGridLayout;

class SettingOpt : public QWidget {
  Q_OBJECT
 public:
  SettingOpt(const QString &group, const JsonToStyle &style, QWidget *parent = nullptr);

  QString group() const { return group_; }
  // Builds one row of widgets per setting, in row order.
  void setItem(const QVector<SettingItem> &items);
  // The page whose settings the rules of this page also change ("Cut Time"
  // lives on another page than "Parking Record Mode").
  void setRelated(SettingOpt *related) { related_ = related; }
  // Takes the saved choices from the card's values (and the model variant's
  // hidden settings) and shows them.
  void setAllValue(const ConfigAccess &config);
  void setValue(int row);
  // The settings whose state follows another's (HDR after the frame rate,
  // Cut Time after the parking mode) take the state of what is shown.
  void applyTies();
  QVector<SettingItem> &items() { return items_; }
  const QVector<SettingItem> &items() const { return items_; }
  SettingItem *find(const QString &name);
  SettingItem *findLink(const QString &link);
  bool hasChanges() const;
  QFont titleFont() const { return titleFont_; }
  QFont contextFont() const { return contextFont_; }

 public slots:
  // A user chose choice `index` of the setting on `row`.
  void onChangeValue(int row, int index);

 signals:
  void changeState(bool changed);
  void requestReset();
  // "SD Card Format", "Video Bitrate", "Memory Allocation": the dialog runs
  // the format flow.
  void requestFormat(const QString &name, int row, int savedIndex);

 private:
  SettingItem *itemAtRow(int row);
  // The setting is one of this page's.
  bool owns(const SettingItem *s) const;
  QWidget *buildWidget(const SettingItem &item);
  void onButton(int row);
  void refresh(SettingItem *item);

  QString group_;
  QString choiceSheet_;
  QString contextSheet_;
  QFont titleFont_;
  QFont contextFont_;
  QGridLayout *grid_;
  QVector<SettingItem> items_;
  SettingOpt *related_ = nullptr;
  const ConfigAccess *config_ = nullptr;
  bool populating_ = false;
};

#endif
