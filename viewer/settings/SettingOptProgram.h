// The viewer's own page of the setting editor: program version, client
// identifier and the program reset.
#ifndef VIEWER_SETTINGS_SETTINGOPTPROGRAM_H
#define VIEWER_SETTINGS_SETTINGOPTPROGRAM_H

#include <QWidget>

class QLabel;
class QPushButton;

class SettingOptProgram : public QWidget {
  Q_OBJECT
 public:
  explicit SettingOptProgram(const QFont &titleFont, const QFont &contextFont,
                             QWidget *parent = nullptr);
  void SetProgamVersion(const QString &version);
  void SetProgramUUid(const QString &id);

 signals:
  // "Program Reset" was pressed; the main window asks and restarts.
  void onSendProgramFormat();

 private:
  QLabel *version_;
  QLabel *uuid_;
  QPushButton *bProgramReset_;
};

#endif
