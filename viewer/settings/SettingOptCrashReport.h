// The crash-report page: whether the status log is sent after a crash, and
// sending it now, both through the launcher.
#ifndef VIEWER_SETTINGS_SETTINGOPTCRASHREPORT_H
#define VIEWER_SETTINGS_SETTINGOPTCRASHREPORT_H

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

class SettingOptCrashReport : public QWidget {
  Q_OBJECT
 public:
  explicit SettingOptCrashReport(const QFont &titleFont, const QFont &contextFont,
                                 QWidget *parent = nullptr);
  QCheckBox *automaticSend() const { return cAutomaticSend_; }
  QString stateText() const;

 public slots:
  // Asks the launcher to pack and upload the status log. This is the one
  // place that talks to the launcher for this page.
  void sendLogThroughLauncher();

 private:
  QCheckBox *cAutomaticSend_;
  QPushButton *bSendLog_;
  QLabel *state_;
};

#endif
