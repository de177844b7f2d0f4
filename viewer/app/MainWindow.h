// The viewer's only top-level window: title bar, shortcut panel, play area
// and the right-hand panel with the file list and the map.
#ifndef VIEWER_APP_MAINWINDOW_H
#define VIEWER_APP_MAINWINDOW_H

#include <QRect>
#include <QWidget>

class QLabel;
class QTranslator;
class MapPanel;
class MelFileComboBox;
class MelFileListItem;
class MelShortcutTable;
class MelTypeButton;
class PlayControlView;
class PlayerInterface;
class QStackedWidget;
class SceneArea;
class TypeFilterState;
class RightSideView;
class TopBar;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(QTranslator *translator, QWidget *parent = nullptr);
  ~MainWindow() override;

  // False when the privacy agreement was refused: the program then ends
  // without showing the window.
  bool agreed() const { return agreed_; }

  // Loads files and folders (a folder contributes its plain files).
  void openPaths(const QStringList &paths);

  TopBar *topBar() const { return topBar_; }
  MelShortcutTable *shortcuts() const { return shortcuts_; }
  RightSideView *rightSide() const { return rightSide_; }
  QWidget *playArea() const { return playArea_; }
  MelFileListItem *fileList() const { return fileList_; }
  PlayerInterface *player() const { return player_; }
  PlayControlView *controls() const { return controls_; }
  SceneArea *scenes() const { return scenes_; }
  MapPanel *mapPanel() const { return mapPanel_; }
  bool logoShown() const;
  TypeFilterState *typeFilter() const { return typeFilter_; }
  int alwaysOnTopMode() const { return alwaysOnTop_; }
  // Window states as the log shows them; 3 is full screen.
  enum WindowState { StateNormal = 0, StateMinimized = 1, StateMaximized = 2, StateFullScreen = 3 };
  int currentState() const { return currentState_; }
  bool keyboardBlocked() const { return keyboardBlocked_; }
  QString openedFolder() const { return openedFolder_; }

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

 signals:
  // Keyboard shortcuts, for the control bar.
  void playPauseKey();
  void backKey();
  void forwardKey();

 protected:
  void keyPressEvent(QKeyEvent *event) override;

 private:
  void setWindowStateLogged(int state);
  void runAgreementGate();
  void buildUi();
  void connectEvent();
  void connectPlayback();
  void connectMapAndChart();
  void setEventsBlocked(bool block);
  void onShortcut(int entry);

  QTranslator *translator_;
  bool agreed_ = false;
  int alwaysOnTop_ = 0;
  int currentState_ = StateNormal;
  int previousState_ = StateNormal;
  QRect normalGeometry_;
  bool keyboardBlocked_ = false;
  QString openedFolder_;
  TopBar *topBar_ = nullptr;
  MelShortcutTable *shortcuts_ = nullptr;
  RightSideView *rightSide_ = nullptr;
  QWidget *playArea_ = nullptr;
  QLabel *logo_ = nullptr;
  QStackedWidget *screens_ = nullptr;
  SceneArea *scenes_ = nullptr;
  PlayControlView *controls_ = nullptr;
  PlayerInterface *player_ = nullptr;
  MelFileListItem *fileList_ = nullptr;
  TypeFilterState *typeFilter_ = nullptr;
  MelFileComboBox *typeCombo_ = nullptr;
  QList<MelTypeButton *> typeButtons_;
  MapPanel *mapPanel_ = nullptr;
};

#endif
