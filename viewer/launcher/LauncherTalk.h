// The main window's side of the talk with the launcher: the update check at
// start-up, the download it offers, the wait while the launcher fetches the
// new version, and the close for the installer.
#ifndef VIEWER_LAUNCHER_LAUNCHERTALK_H
#define VIEWER_LAUNCHER_LAUNCHERTALK_H

#include <QObject>
#include <QString>
#include <functional>

class QWidget;
class WaitAlertView;

class LauncherTalk : public QObject {
  Q_OBJECT
 public:
  // window: parent of the dialogs; blockControls holds the window's
  // controls back while a download runs.
  LauncherTalk(QWidget *window, std::function<void(bool)> blockControls);
  ~LauncherTalk() override;

  // With automatic updates chosen and a launcher to ask: sends our version;
  // the launcher answers "FindUpdate" when a newer one exists.
  void startUpdateCheck();

  // The version a "complete" message carries: the text after ":".
  static QString versionOf(const QString &message);

 public slots:
  void onRecvMessage(const QString &message);
  void onUpdateDlgFinished(int result);

 private:
  void subscribe(bool on);
  void closeWait();
  void onFindUpdate();
  void onComplete(const QString &message);
  void onFail();

  QWidget *window_;
  std::function<void(bool)> blockControls_;
  WaitAlertView *wait_ = nullptr;
  bool updateAccepted_ = false;
};

#endif
