// The update dialog: offers to download a newer version (download mode) or,
// once the launcher has it, to close the program and install it (install
// mode). Accepted means "close the program now and install".
#ifndef VIEWER_LAUNCHER_UPDATEVIEW_H
#define VIEWER_LAUNCHER_UPDATEVIEW_H

#include "widgets/ThemedDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;
class WaitAlertView;

class UpdateView : public ThemedDialog {
  Q_OBJECT
 public:
  enum Mode { DownloadMode, InstallMode };

  UpdateView(Mode mode, QWidget *parent = nullptr);
  ~UpdateView() override;

  void setText(const QString &version);
  Mode mode() const { return mode_; }
  QString installerPath() const;

  // Runs the dialog for a version; when the user chose to install, ends the
  // program for the update. Returns the dialog's result.
  static int offer(QWidget *parent, const QString &version, Mode mode);

  // Tells the launcher the program closes for the installer and leaves the
  // event loop (the launcher starts the installer once we are gone).
  static void closeProgramForUpdate();

 public slots:
  void checkUpdate();
  void onRecvMessage(const QString &message);

 private:
  void subscribe(bool on);
  bool askInstall();
  void storeAlwaysDownload();

  Mode mode_;
  QString version_;
  bool downloaded_ = false;
  WaitAlertView *wait_ = nullptr;
  QLabel *title_;
  QLabel *lContext_;
  QCheckBox *cAlwaysDownload_;
  QPushButton *bOk_;
  QPushButton *bCancel_;
  QPushButton *bClose_;
};

#endif
