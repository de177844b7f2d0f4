// The update page: the running version, the "download updates by itself"
// choice and a check for a newer release, which the launcher answers.
#ifndef VIEWER_SETTINGS_SETTINGOPTUPDATE_H
#define VIEWER_SETTINGS_SETTINGOPTUPDATE_H

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

class SettingOptUpdate : public QWidget {
  Q_OBJECT
 public:
  explicit SettingOptUpdate(const QFont &titleFont, const QFont &contextFont,
                            QWidget *parent = nullptr);
  QCheckBox *alwaysDownload() const { return cAlwaysDownload_; }
  QString stateText() const;

 public slots:
  // Asks the launcher whether a newer release exists. This is the one place
  // that talks to the launcher for this page.
  void askLauncherForUpdate();

 private:
  QLabel *version_;
  QCheckBox *cAlwaysDownload_;
  QPushButton *bCheckUpdate_;
  QLabel *state_;
};

#endif
