// The viewer's only top-level window: title bar, shortcut panel, play area
// and the right-hand panel with the file list and the map. It wires the
// parts together, owns the window-wide keyboard shortcuts, and is the one
// place that decides what the user may do while the engine starts or stops.
#ifndef VIEWER_APP_MAINWINDOW_H
#define VIEWER_APP_MAINWINDOW_H

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <memory>

class CardMount;
class CheckSDThread;
class DriveQuery;
class MapPanel;
class MelFileListItem;
class MelShortcutTable;
class PlayControlView;
class PlayerInterface;
class QAction;
class QActionGroup;
class QLabel;
class QStackedWidget;
class RightSideView;
class SceneArea;
class TopBar;
class TypeFilterState;
class LauncherTalk;
class PrintChannelSelectView;
class SaveAsView;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget *parent = nullptr);
  ~MainWindow() override;

  // False when the privacy agreement was refused: the program then ends
  // without showing the window.
  bool agreed() const { return agreed_; }

  // With automatic updates chosen, asks the launcher for a newer version.
  void startUpdateCheck();

  // Loads files and folders (a folder contributes its plain files).
  void openPaths(const QStringList &paths);

  TopBar *topBar() const { return topBar_; }
  MelShortcutTable *shortcuts() const { return shortcuts_; }
  RightSideView *rightSide() const { return rightSide_; }
  QWidget *playArea() const { return playArea_; }
  MelFileListItem *fileList() const;
  PlayerInterface *player() const { return player_; }
  PlayControlView *controls() const { return controls_; }
  SceneArea *scenes() const { return scenes_; }
  MapPanel *mapPanel() const { return mapPanel_; }
  bool logoShown() const;
  TypeFilterState *typeFilter() const;
  int alwaysOnTopMode() const { return alwaysOnTop_; }
  // Window states as the log shows them; 3 is full screen.
  enum WindowState { StateNormal = 0, StateMinimized = 1, StateMaximized = 2, StateFullScreen = 3 };
  int currentState() const { return currentState_; }
  // Input waits (shortcuts, control bar, scenes, list) while the engine
  // starts or stops.
  bool keyboardBlocked() const;
  QString openedFolder() const { return openedFolder_; }
  // The window-wide shortcuts, one action each.
  QList<QAction *> shortcutActions() const;
  // The work done at the end has run (settings written, folders removed).
  bool exitDone() const { return exitDone_; }

  // SD cards: where drives come from and how cards are unmounted and
  // mounted for a format (tests supply their own; not owned).
  void setDeviceAccess(DriveQuery *drives, CardMount *mount);
  CheckSDThread *cardWatcher() const { return cardWatcher_; }

  // The save and print dialogs while they are open (else null).
  SaveAsView *saveDialog() const;
  PrintChannelSelectView *printDialog() const;
  // The part of the recording chosen with the keys I and O, in ms (-1: open).
  int spanFromMs() const { return spanFromMs_; }
  int spanToMs() const { return spanToMs_; }

 public slots:
  void onAgreeDlgFinished(int result);
  void onShowFilelist();
  void onTypeFilter(int mask);
  void onShowMap();
  void onShowMaximized();
  void onRecvFullScreen();
  void onUnsetFullScreen();
  void onBlockKeyboardEvent(bool block);
  void onShowLogo(bool show);
  void onGetImage();
  void onPlayItemSelected();
  void onClearPlayback();
  void onShowMinimized();
  void onFixedTopScreen();
  void onChangeTextByLanguage();
  void onSetNotSaveSetting();
  void onSetProgramFormat();
  void openAboutDlg();
  void openLangaugeDlg();
  void openSDCardDlg();
  void openSettingDlg();
  void openPrintDlg();
  // The capture button opens it on the snapshot page, the "Download" entry
  // on the channel choice.
  void openSaveDlg(bool snapshotPage);
  // The pictures of every channel are taken; the dialog asked for opens.
  void onScreenImages(const QStringList &paths);
  // Keys I and O: the start and the end of the part to export.
  void onMarkSpanFrom();
  void onMarkSpanTo();
  // A card was opened in the SD-card dialog.
  void onReceiveSDCardData(const QString &root, const QStringList &files);
  // The watcher found the opened card gone.
  void onSDCardRemoved();
  // Formats the opened card for the setting editor; its result code.
  int formatOpenedCard();

 protected:
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void setWindowStateLogged(int state);
  void runAgreementGate();
  void buildUi();
  void buildShortcuts();
  void connectEvent();
  void connectPlayback();
  void connectMapAndChart();
  void setEventsBlocked(bool block);
  void onShortcut(int entry);
  void onPlayPauseKey();
  void onBackKey();
  void onForwardKey();
  void finishExit();
  void startCardWatcher(const QString &root);
  void stopCardWatcher();
  void offerConfigRestore();
  void connectLauncher();
  void disconnectLauncher();

  bool agreed_ = false;
  bool closing_ = false;
  bool exitDone_ = false;
  int alwaysOnTop_ = 0;
  int currentState_ = StateNormal;
  int previousState_ = StateNormal;
  QRect normalGeometry_;
  QString openedFolder_;
  // Dragging the window by the video.
  bool dragging_ = false;
  QPoint dragOffset_;
  TopBar *topBar_ = nullptr;
  MelShortcutTable *shortcuts_ = nullptr;
  RightSideView *rightSide_ = nullptr;
  QWidget *playArea_ = nullptr;
  QLabel *logo_ = nullptr;
  QStackedWidget *screens_ = nullptr;
  SceneArea *scenes_ = nullptr;
  PlayControlView *controls_ = nullptr;
  PlayerInterface *player_ = nullptr;
  QActionGroup *keys_ = nullptr;
  std::unique_ptr<DriveQuery> systemDrives_;
  std::unique_ptr<CardMount> systemMount_;
  DriveQuery *drives_ = nullptr;
  CardMount *cardMount_ = nullptr;
  CheckSDThread *cardWatcher_ = nullptr;
  LauncherTalk *launcher_ = nullptr;
  MapPanel *mapPanel_ = nullptr;
  // What the pictures being taken are for.
  enum class PictureUse { None, Save, Snapshot, Print };
  PictureUse pictureUse_ = PictureUse::None;
  QObject *saveDialog_ = nullptr;
  QObject *printDialog_ = nullptr;
  int spanFromMs_ = -1;
  int spanToMs_ = -1;
  void showSpan();
};

#endif
