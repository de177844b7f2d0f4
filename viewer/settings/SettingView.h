// The setting editor. The device side shows the camera's settings of the
// opened card, one page per group of Setting.json, and writes them back to
// its config.bin; the PC-viewer side holds the program, update and
// crash-report pages.
#ifndef VIEWER_SETTINGS_SETTINGVIEW_H
#define VIEWER_SETTINGS_SETTINGVIEW_H

#include <QVector>
#include <functional>

#include "widgets/ThemedDialog.h"

class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class SettingOpt;
class SettingOptCrashReport;
class SettingOptProgram;
class SettingOptUpdate;

class SettingView : public ThemedDialog {
  Q_OBJECT
 public:
  // Formats the opened card and reads its config.bin again; answers 0 when
  // done, 1 when the user declined, a negative code on failure.
  using FormatRunner = std::function<int()>;

  explicit SettingView(QWidget *parent = nullptr);

  void setFormatRunner(FormatRunner runner) { formatRunner_ = std::move(runner); }
  const QVector<SettingOpt *> &devicePages() const { return devicePages_; }
  SettingOpt *page(const QString &group) const;
  SettingOptProgram *programPage() const { return programPage_; }
  SettingOptUpdate *updatePage() const { return updatePage_; }
  SettingOptCrashReport *crashReportPage() const { return crashPage_; }
  QListWidget *groupList() const { return groupList_; }
  QStackedWidget *pages() const { return stack_; }
  QLabel *stateLabel() const { return state_; }
  // What the device side says when it has no settings to show.
  QString deviceNote() const;
  bool showingDevice() const { return showingDevice_; }
  int getIndexNum(const QString &group) const;

 public slots:
  void onClickApply();
  void onClickOk();
  void onResetData();
  bool onSetData();
  // Asks before a change that needs the card formatted; false when writing
  // failed.
  bool onDeviceSetInit();
  void onFileFormat();
  void onSetProgramFormat();
  void onStateLabelChange();
  void showDevice();
  void showPCViewer();
  int getAgreement() const;
  void setAgreement();

 signals:
  // The main window runs the program reset.
  void onSendProgramFormat();

 private:
  void buildDeviceSide();
  void buildViewerSide();
  void addPage(const QString &title, QWidget *page, bool device);
  void fillGroupList();
  void onRequestFormat(const QString &name);
  void onRequestReset();
  bool writeValues();
  int runFormat();
  void reloadValues();
  // Tells the launcher the new agreement; the one place this dialog talks
  // to the launcher.
  void sendAgreementToLauncher(int value);

  QLabel *title_;
  QPushButton *bDevice_;
  QPushButton *bPCViewer_;
  QListWidget *groupList_;
  QStackedWidget *stack_;
  QLabel *state_;
  QPushButton *bDefault_;
  QPushButton *bOk_;
  QPushButton *bCancel_;
  QPushButton *bClose_;
  QLabel *note_ = nullptr;
  QVector<SettingOpt *> devicePages_;
  QVector<QPair<QString, int>> deviceEntries_;  // list text, stack index
  QVector<QPair<QString, int>> viewerEntries_;
  SettingOptProgram *programPage_ = nullptr;
  SettingOptUpdate *updatePage_ = nullptr;
  SettingOptCrashReport *crashPage_ = nullptr;
  FormatRunner formatRunner_;
  bool showingDevice_ = true;
  bool resetVoiceGuide_ = false;
};

#endif
