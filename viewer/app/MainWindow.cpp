#include "app/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "app/AboutView.h"
#include "app/AgreementView.h"
#include "core/LocalSocket.h"
#include "app/LanguageView.h"
#include "app/MapPanel.h"
#include "app/MelShortcutTable.h"
#include "app/RightSideView.h"
#include "app/TopBar.h"
#include "core/AppSettings.h"
#include "core/ConfigAccess.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "device/CardFormatter.h"
#include "device/CheckSDThread.h"
#include "device/SDCardView.h"
#include "device/SystemCardMount.h"
#include "device/SystemDriveQuery.h"
#include "export/ExportPlan.h"
#include "export/SaveAsView.h"
#include "print/PrintChannelSelectView.h"
#include "chart/ChartView.h"
#include "core/GsensorEvents.h"
#include "core/RecordingMetadata.h"
#include "map/MapView.h"
#include "playback/PlayControlView.h"
#include "playback/PlayScreenWindow.h"
#include "playback/PlayerInterface.h"
#include "playback/SceneArea.h"
#include "playback/VLCComponent.h"
#include "playback/VideoSurface.h"
#include "recordings/DurationLoader.h"
#include "recordings/MelFileListItem.h"
#include "recordings/TypeFilterState.h"
#include "settings/SettingView.h"
#include "launcher/LauncherTalk.h"
#include "theme/JsonToStyle.h"
#include "widgets/MelPlaySlider.h"
#include "widgets/MessageBoxes.h"

namespace {

// How long the end of the program waits for the players to let go.
constexpr int kExitLimitMs = 3000;
constexpr int kDurationWaitAtExitMs = 1000;

bool playingOrPaused() {
  const PlayState s = ViewerState::instance().playState();
  return s == PlayState::Playing || s == PlayState::Paused;
}

}  // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      systemDrives_(std::make_unique<SystemDriveQuery>()),
      systemMount_(std::make_unique<SystemCardMount>()),
      drives_(systemDrives_.get()),
      cardMount_(systemMount_.get()) {
  logDebug("MainWindow::MainWindow");
  ViewerState::instance().deleteLogAtExit = true;
  connectLauncher();
  runAgreementGate();
  if (!agreed_) {
    logInfo("User disagree to use privacy information for program");
    return;
  }
  logInfo("Start to set UI");
  buildUi();
  buildShortcuts();
  connectEvent();
  // A quit that does not come through the window (a program reset) still
  // does the work of the end.
  connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::finishExit);
  QTimer::singleShot(0, this, &MainWindow::offerConfigRestore);
}

MainWindow::~MainWindow() {
  // The watcher thread must not outlive the window it reports to; the rest
  // of the end ran when the window was closed.
  stopCardWatcher();
}

// Closing asks the engine to let go of its players first and hides the
// window meanwhile; the rest of the end follows once they are stopped (or
// after kExitLimitMs), with the event loop running all the time.
void MainWindow::closeEvent(QCloseEvent *event) {
  if (!agreed_ || exitDone_) {
    QWidget::closeEvent(event);
    return;
  }
  event->ignore();
  if (closing_) return;
  closing_ = true;
  logInfo("[MainWindow]: Close Application.");
  stopCardWatcher();
  if (playingOrPaused()) player_->onStop(VLCComponent::CausePlain);
  hide();
  VLCComponent *engine = player_->component();
  connect(engine, &VLCComponent::finished, this, &MainWindow::finishExit);
  QTimer::singleShot(kExitLimitMs, this, &MainWindow::finishExit);
  engine->shutDown();
}

void MainWindow::finishExit() {
  if (!agreed_ || exitDone_) return;
  exitDone_ = true;
  ViewerState &s = ViewerState::instance();
  if (!closing_) logInfo("[MainWindow]: Close Application.");
  if (s.saveSettingsAtExit) {
    QSettings &st = AppSettings::store();
    st.setValue(QStringLiteral("width"), width());
    st.setValue(QStringLiteral("height"), height());
    st.setValue(QStringLiteral("geoX"), x());
    st.setValue(QStringLiteral("geoY"), y());
    st.setValue(QStringLiteral("language"), s.language);
    st.setValue(QStringLiteral("volume"), s.volume);
    st.setValue(QStringLiteral("mute"), s.muted);
    st.setValue(QStringLiteral("snapshotPath"),
                st.value(QStringLiteral("snapshotPath")).toString());
    st.setValue(QStringLiteral("videoPath"), st.value(QStringLiteral("videoPath")).toString());
    st.setValue(QStringLiteral("version"), s.version);
  }
  logInfo("[MainWindow]: Delete Thumbs...");
  for (const char *folder : {"/Thumbs", "/Snapshot", "/CONFIG"}) {
    QDir dir(s.appData + QLatin1String(folder));
    // The CONFIG copy of a format that did not finish is offered at the
    // next start instead.
    if (QLatin1String(folder) == QLatin1String("/CONFIG") && CardFormatter::hasPendingRestore())
      continue;
    if (dir.exists()) dir.removeRecursively();
  }
  logInfo("Destruct complete!");
  // A play time still being read from a slow card is let finish.
  DurationLoader::waitForWorkers(kDurationWaitAtExitMs);
  disconnectLauncher();
  logInfo("[MainWindow]: Delete log File...");
  const QString log = s.appData + QStringLiteral("/playerStatus.txt");
  if (QFile::exists(log) && s.deleteLogAtExit) {
    if (QFile::remove(log))
      StatusLog::setPath(QString());  // what is torn down after this must not bring it back
    else
      logError("[MainWindow]: Can not delete log File.");
  }
  close();
}

void MainWindow::runAgreementGate() {
  ViewerState &s = ViewerState::instance();
  const QString stored = AppSettings::store().value(QStringLiteral("agreement")).toString();
  const AgreementDecision d = decideAgreement(stored);
  if (d.showDialog) {
    AgreementView dialog(this);
    connect(&dialog, &QDialog::finished, this, &MainWindow::onAgreeDlgFinished);
    dialog.exec();
    return;
  }
  s.alwaysDownload = d.alwaysDownload;
  s.automaticSend = d.automaticSend;
  agreed_ = d.agreed;
}

// The launcher's socket is opened before the agreement gate; its messages
// to the main window are handled by LauncherTalk.
void MainWindow::connectLauncher() {
  LocalSocket::instance().connectToLauncher();
  launcher_ = new LauncherTalk(this, [this](bool block) { setEventsBlocked(block); });
}

void MainWindow::startUpdateCheck() {
  if (launcher_) launcher_->startUpdateCheck();
}

void MainWindow::disconnectLauncher() {
  LocalSocket::instance().send(QStringLiteral("GoodbyeLauncher"));
  LocalSocket::instance().close();
}

void MainWindow::onAgreeDlgFinished(int result) {
  logDebug("MainWindow::onAgreeDlgFinished");
  if (result == QDialog::Accepted) agreed_ = true;
}

void MainWindow::buildUi() {
  const ViewerState &s = ViewerState::instance();
  JsonToStyle style(s.appDir);
  style.setTranslationContext("ui_mainWindow");
  style.load(QStringLiteral("MainWindow"));
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("TARVIK DASHCAM"));
  setAttribute(Qt::WA_StyledBackground, true);
  setStyleSheet(QStringLiteral("#MainWindow { background-color: #1b1c1e; }"));
  setMinimumSize(1024, 600);

  topBar_ = new TopBar(this);
  shortcuts_ = new MelShortcutTable(style.imageFolder(), this);
  shortcuts_->setFixedWidth(56);

  // The play area: the logo while nothing plays, the video surfaces while a
  // recording plays, and the control bar beneath.
  playArea_ = new QWidget(this);
  playArea_->setObjectName(QStringLiteral("playArea"));
  playArea_->setAttribute(Qt::WA_StyledBackground, true);
  playArea_->setStyleSheet(QStringLiteral("#playArea { background-color: #000000; }"));
  screens_ = new QStackedWidget(playArea_);
  auto *logoPage = new QWidget(screens_);
  logo_ = new QLabel(logoPage);
  style.apply(logo_, QStringLiteral("logo"));
  auto *logoLayout = new QVBoxLayout(logoPage);
  logoLayout->addStretch(1);
  logoLayout->addWidget(logo_, 0, Qt::AlignCenter);
  logoLayout->addStretch(1);
  scenes_ = new SceneArea(screens_);
  screens_->addWidget(logoPage);
  screens_->addWidget(scenes_);
  controls_ = new PlayControlView(playArea_);
  auto *playLayout = new QVBoxLayout(playArea_);
  playLayout->setContentsMargins(0, 0, 0, 0);
  playLayout->setSpacing(0);
  playLayout->addWidget(screens_, 1);
  playLayout->addWidget(controls_);
  player_ = new PlayerInterface(this);
  // The window is dragged by the video as by the title bar.
  scenes_->playScreen()->installEventFilter(this);
  logoPage->installEventFilter(this);

  rightSide_ = new RightSideView(this);

  auto *body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  body->addWidget(shortcuts_);
  body->addWidget(playArea_, 1);
  body->addWidget(rightSide_);
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(topBar_);
  column->addLayout(body, 1);

  // Always 1366 x 768, centred on the primary screen.
  resize(1366, 768);
  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

// Every window-wide shortcut, from one table: the keys, what they do, and
// whether holding the key repeats it. They act whatever child has the focus
// (the list, a button, the slider). Delete is not here: it belongs to the
// list, which deletes its selected rows.
void MainWindow::buildShortcuts() {
  struct Shortcut {
    const char *name;
    QList<QKeySequence> keys;
    void (MainWindow::*slot)();
    bool autoRepeat;
  };
  const Shortcut table[] = {
      {"playPause", {QKeySequence(Qt::Key_Space)}, &MainWindow::onPlayPauseKey, false},
      {"back", {QKeySequence(Qt::Key_Left)}, &MainWindow::onBackKey, false},
      {"forward", {QKeySequence(Qt::Key_Right)}, &MainWindow::onForwardKey, false},
      {"fullScreen",
       {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
       &MainWindow::onRecvFullScreen,
       false},
      {"leaveFullScreen", {QKeySequence(Qt::Key_Escape)}, &MainWindow::onUnsetFullScreen, false},
      {"spanFrom", {QKeySequence(Qt::Key_I)}, &MainWindow::onMarkSpanFrom, false},
      {"spanTo", {QKeySequence(Qt::Key_O)}, &MainWindow::onMarkSpanTo, false},
  };
  keys_ = new QActionGroup(this);
  keys_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  for (const Shortcut &s : table) {
    auto *action = new QAction(keys_);
    action->setObjectName(QLatin1String(s.name));
    action->setShortcuts(s.keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setAutoRepeat(s.autoRepeat);
    connect(action, &QAction::triggered, this, s.slot);
    addAction(action);
  }
}

QList<QAction *> MainWindow::shortcutActions() const {
  return keys_ ? keys_->actions() : QList<QAction *>();
}

void MainWindow::onPlayPauseKey() {
  controls_->onClick_bPlay();
}

void MainWindow::onBackKey() {
  controls_->onClick_b5sReward();
}

void MainWindow::onForwardKey() {
  controls_->onClick_b5sForward();
}

void MainWindow::connectEvent() {
  logDebug("MainWindow::connectEvent");
  connect(topBar_, &TopBar::minimizeRequested, this, &MainWindow::onShowMinimized);
  connect(topBar_, &TopBar::maximizeRequested, this, &MainWindow::onShowMaximized);
  connect(topBar_, &TopBar::closeRequested, this, &QWidget::close);
  connect(topBar_, &TopBar::alwaysOnTopRequested, this, &MainWindow::onFixedTopScreen);
  connect(shortcuts_, &MelShortcutTable::entryActivated, this, &MainWindow::onShortcut);
  connect(rightSide_, &RightSideView::fileListRequested, this, &MainWindow::onShowFilelist);
  connect(rightSide_, &RightSideView::mapRequested, this, &MainWindow::onShowMap);
  connect(rightSide_->typeFilter(), &TypeFilterState::maskChanged, this, &MainWindow::onTypeFilter);
  connectPlayback();
  connectMapAndChart();
}

void MainWindow::connectPlayback() {
  PlayerInterface *p = player_;
  PlayControlView *bar = controls_;
  VLCComponent *vlc = p->component();
  // The engine renders each channel into its own native surface.
  p->setMainScreen(scenes_->videoWidget(0));
  p->setSub1Screen(scenes_->videoWidget(1));
  p->setSub2Screen(scenes_->videoWidget(2));

  // Control bar -> engine.
  connect(bar, &PlayControlView::onSendPlay, p, &PlayerInterface::onPlay);
  connect(bar, &PlayControlView::onClickedPause, p, &PlayerInterface::onPause);
  connect(bar, &PlayControlView::onClickedStop, p, &PlayerInterface::onClickStop);
  connect(bar, &PlayControlView::onClicked5sMove, p, &PlayerInterface::on5sMove);
  connect(bar, &PlayControlView::onClickMoveFrame, p, &PlayerInterface::onFrameMove);
  connect(bar, &PlayControlView::onChangePlayPosition, p, &PlayerInterface::onPlayPosMove);
  connect(bar, &PlayControlView::onSendChangeSpeed, p, &PlayerInterface::onControlSpeed);
  connect(bar, &PlayControlView::onClickedMute, p, &PlayerInterface::onSetMute);
  connect(bar, &PlayControlView::onSendVolumeChange, p, &PlayerInterface::onControlVolume);
  connect(bar, &PlayControlView::onSendStopTimer, p, &PlayerInterface::onStopTimer);
  connect(bar, &PlayControlView::onSendRestartTimer, p, &PlayerInterface::onRestartTimer);
  connect(bar, &PlayControlView::onClickedFlip, p, &PlayerInterface::onFlip);
  connect(bar, &PlayControlView::onSendLogoSet, this, &MainWindow::onShowLogo);
  connect(bar, &PlayControlView::onSendRefreshImage, this, &MainWindow::onGetImage);

  // Engine -> control bar, scenes and window.
  connect(p, &PlayerInterface::onTimeout_500ms, bar, &PlayControlView::onUpdateSlider);
  connect(p, &PlayerInterface::sendSetPlayData, bar, &PlayControlView::onSetPlayData);
  connect(p, &PlayerInterface::sendSetPlayData, this, [this] {
    onShowLogo(false);
    scenes_->playScreen()->onSetZoom();
  });
  connect(p, &PlayerInterface::sendUpdateTime, bar, [bar](double) { bar->onUpdateTimeText(); });
  connect(p, &PlayerInterface::sendClear, bar, &PlayControlView::onClearUi);
  connect(p, &PlayerInterface::sendClear, this, &MainWindow::onClearPlayback);
  connect(p, &PlayerInterface::sendResetAll, this, &MainWindow::onClearPlayback);
  connect(p, &PlayerInterface::sendCannotPlay, bar, &PlayControlView::onClearUi);
  connect(p, &PlayerInterface::sendCannotPlay, this, &MainWindow::onClearPlayback);
  connect(p, &PlayerInterface::sendScreenImages, this, &MainWindow::onScreenImages);
  connect(p, &PlayerInterface::sendClear, this, [this] {
    spanFromMs_ = spanToMs_ = -1;
    showSpan();
  });
  connect(p, &PlayerInterface::sendMessage, this,
          [this](const QString &text) { MessageBoxes::inform(this, text); });
  connect(p, &PlayerInterface::sendChannelCount, scenes_, &SceneArea::setChannelCount);
  connect(scenes_, &SceneArea::sendVideoResize, p, &PlayerInterface::onResizeVideo);
  connect(scenes_, &SceneArea::sceneChanged, bar, &PlayControlView::setFlipChannel);
  connect(vlc, &VLCComponent::send_setBlockEvent, this, &MainWindow::setEventsBlocked);
  connect(vlc, &VLCComponent::send_setLogo, this, &MainWindow::onShowLogo);

  // Moving between files: the engine reports the end of a recording (or a
  // step back past its start) once it has cleared its data; the list then
  // decides what plays next.
  MelFileListItem *list = fileList();
  connect(p, &PlayerInterface::sendFileChange, list, &MelFileListItem::onNextFile);
  connect(p, &PlayerInterface::sendPreviousFile, list, &MelFileListItem::onPreviousFile);
  connect(bar, &PlayControlView::onCallNextFile, list, &MelFileListItem::onNextFile);
  connect(bar, &PlayControlView::onChangePlayFile, list, &MelFileListItem::onPreviousFile);
  connect(bar, &PlayControlView::onSendOpenFile, list, &MelFileListItem::onSetFirstFile);
  connect(bar, &PlayControlView::onClickedDelete, list, &MelFileListItem::onDeleteCurrentFile);
  connect(list, &MelFileListItem::playItemSelected, this, &MainWindow::onPlayItemSelected);
  connect(list, &MelFileListItem::stopRequested, p, &PlayerInterface::onStop);
  connect(list, &MelFileListItem::playButtonStateChanged, bar,
          [bar](bool on) { on ? bar->onSetPause() : bar->onSetPlayButton(); });
  connect(list, &MelFileListItem::controlsCleared, bar, &PlayControlView::onClearUi);
  connect(list, &MelFileListItem::controlsCleared, this, &MainWindow::onClearPlayback);
}

MelFileListItem *MainWindow::fileList() const {
  return rightSide_ ? rightSide_->fileList() : nullptr;
}

TypeFilterState *MainWindow::typeFilter() const {
  return rightSide_ ? rightSide_->typeFilter() : nullptr;
}

// The map with the G-sensor chart beneath it on the right panel's map page
// (floating over the video in full screen), the event marks of the time line,
// and their wiring: the engine's load, tick and clear drive them, and a click
// on the route, the chart or a mark seeks.
void MainWindow::connectMapAndChart() {
  mapPanel_ = new MapPanel(this, rightSide_->mapLayout());
  MapView *map = mapPanel_->map();
  ChartView *chart = mapPanel_->chart();
  MelPlaySlider *timeLine = controls_->timeLine();
  PlayerInterface *p = player_;
  connect(p, &PlayerInterface::sendLoadMetadata, map, &MapView::onLoadMap);
  connect(p, &PlayerInterface::sendLoadMetadata, chart, &ChartView::onloadChart);
  connect(p, &PlayerInterface::onTimeout_500ms, map, &MapView::onUpdateMap);
  connect(p, &PlayerInterface::onTimeout_500ms, chart, &ChartView::onUpdateChart);
  // After a seek or a 5-second move the marker and cursor follow at once.
  connect(p, &PlayerInterface::sendUpdateTime, map, [map](double) { map->onUpdateMap(); });
  connect(p, &PlayerInterface::sendUpdateTime, chart, [chart](double) { chart->onUpdateChart(); });
  connect(p, &PlayerInterface::sendClear, map, &MapView::onClearData);
  connect(p, &PlayerInterface::sendClear, chart, &ChartView::onClearData);
  connect(p, &PlayerInterface::sendClear, timeLine, [timeLine] { timeLine->setMarks({}); });
  // The time line's range is known once the recording plays.
  connect(p, &PlayerInterface::sendSetPlayData, timeLine, [timeLine] {
    const ViewerState &s = ViewerState::instance();
    const int last = s.gsensorSamples.isEmpty() ? 0 : s.gsensorSamples.last().number;
    QVector<MelPlaySlider::Mark> marks;
    for (const GsensorEvent &e : s.gsensorEvents)
      marks.append({qRound(RecordingMetadata::sampleTimeMs(e.number, last, s.totalRangeMs)),
                    GsensorEvents::title(e)});
    timeLine->setMarks(marks);
  });
  connect(controls_, &PlayControlView::onClickedMapEnable, map, &MapView::onMapShow);
  connect(map, &MapView::seekRequested, p, &PlayerInterface::onPlayPosMove);
  connect(chart, &ChartView::seekRequested, p, &PlayerInterface::onPlayPosMove);
  connect(timeLine, &MelPlaySlider::markClicked, p, &PlayerInterface::onPlayPosMove);
}

void MainWindow::onPlayItemSelected() {
  logDebug("MainWindow::onPlayItemSelected");
  player_->onOpenFile();
}

// Whatever ended (a stop, a failure, a move past the last row), the view
// shows where the player is: the logo unless something plays, zoom back to
// the whole picture.
void MainWindow::onClearPlayback() {
  logDebug("MainWindow::onClearPlayback");
  scenes_->playScreen()->onResetZoom();
  if (!playingOrPaused()) onShowLogo(true);
}

void MainWindow::onShowLogo(bool show) {
  logDebug("MainWindow::onShowLogo");
  screens_->setCurrentIndex(show ? 0 : 1);
}

bool MainWindow::logoShown() const {
  return screens_->currentIndex() == 0;
}

// The one place that decides what the user may do while the engine is
// between two states (a start that shows no picture yet, a stop under way):
// the shortcuts, the control bar, the scenes and the list all wait.
void MainWindow::setEventsBlocked(bool block) {
  if (!controls_) return;  // not built: the agreement was refused
  onBlockKeyboardEvent(block);
  controls_->onBlockEvent(block);
  scenes_->onBlockEvent(block);
  fileList()->onBlockEvent(block);
  if (mapPanel_) {
    mapPanel_->map()->onBlockEvent(block);
    mapPanel_->chart()->onBlockEvent(block);
  }
}

void MainWindow::onBlockKeyboardEvent(bool block) {
  logDebug(block ? "------------------------- block! -------------------------"
                 : "------------------------- work! -------------------------");
  if (keys_) keys_->setEnabled(!block);
}

bool MainWindow::keyboardBlocked() const {
  return keys_ && !keys_->isEnabled();
}

// The capture button: pictures of every channel of this moment, then the
// save dialog that saves them.
void MainWindow::onGetImage() {
  logDebug("MainWindow::onGetImage");
  if (!playingOrPaused()) return;
  openSaveDlg(true);
}

SaveAsView *MainWindow::saveDialog() const {
  return qobject_cast<SaveAsView *>(saveDialog_);
}

PrintChannelSelectView *MainWindow::printDialog() const {
  return qobject_cast<PrintChannelSelectView *>(printDialog_);
}

void MainWindow::openSaveDlg(bool snapshotPage) {
  logDebug("MainWindow::openSaveDlg");
  if (saveDialog_ || printDialog_ || pictureUse_ != PictureUse::None) return;
  if (!playingOrPaused()) {
    MessageBoxes::inform(this, tr("Play a recording first: its channels are what is saved."));
    return;
  }
  pictureUse_ = snapshotPage ? PictureUse::Snapshot : PictureUse::Save;
  player_->takeScreenImages();
}

void MainWindow::openPrintDlg() {
  logDebug("MainWindow::openPrintDlg");
  if (saveDialog_ || printDialog_ || pictureUse_ != PictureUse::None) return;
  if (!playingOrPaused()) {
    MessageBoxes::inform(this, tr("Play a recording first: its pictures are what is printed."));
    return;
  }
  pictureUse_ = PictureUse::Print;
  player_->takeScreenImages();
}

void MainWindow::onScreenImages(const QStringList &paths) {
  logDebug("MainWindow::onScreenImages");
  const PictureUse use = pictureUse_;
  pictureUse_ = PictureUse::None;
  if (use == PictureUse::None || !playingOrPaused()) return;
  const ViewerState &s = ViewerState::instance();
  if (use == PictureUse::Save || use == PictureUse::Snapshot) {
    auto *dialog = new SaveAsView(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    ExportSource source = ExportSource::fromViewerState(paths, player_->component()->isSeparateFiles());
    // The position of the pictures just taken (the state's copy is only
    // brought up to date while playing).
    source.position = player_->component()->GetPosition();
    dialog->setSource(source);
    dialog->setSpan(spanFromMs_ >= 0 ? spanFromMs_ / 1000.0 : 0,
                    spanToMs_ >= 0 ? spanToMs_ / 1000.0 : s.totalRangeMs / 1000.0);
    saveDialog_ = dialog;
    connect(dialog, &QObject::destroyed, this, [this] { saveDialog_ = nullptr; });
    dialog->open();
    if (use == PictureUse::Snapshot) dialog->showSnapshotPage();
    return;
  }
  logInfo("[MainWindow]: Execute print channel select Dialog");
  QVector<QImage> frames;
  for (const QString &path : paths) frames << (path.isEmpty() ? QImage() : QImage(path));
  auto *dialog = new PrintChannelSelectView(this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setChannelCount(s.channelCount);
  dialog->setImage(frames);
  // The map as it shows now; a map that is not on screen or has no page
  // gives no picture (the report keeps its place framed and empty).
  MapView *map = mapPanel_ ? mapPanel_->map() : nullptr;
  const bool mapShown = map && map->isPageLoaded() && map->isVisible();
  dialog->setMapImage(mapShown ? map->grab().toImage() : QImage());
  printDialog_ = dialog;
  connect(dialog, &QObject::destroyed, this, [this] { printDialog_ = nullptr; });
  dialog->open();
}

void MainWindow::onMarkSpanFrom() {
  logDebug("MainWindow::onMarkSpanFrom");
  if (!playingOrPaused()) return;
  spanFromMs_ = qRound(ViewerState::instance().currentTimeMs);
  if (spanToMs_ >= 0 && spanToMs_ <= spanFromMs_) spanToMs_ = -1;
  showSpan();
}

void MainWindow::onMarkSpanTo() {
  logDebug("MainWindow::onMarkSpanTo");
  if (!playingOrPaused()) return;
  spanToMs_ = qRound(ViewerState::instance().currentTimeMs);
  if (spanFromMs_ >= 0 && spanFromMs_ >= spanToMs_) spanFromMs_ = -1;
  showSpan();
}

void MainWindow::showSpan() {
  controls_->timeLine()->setSpan(spanFromMs_, spanToMs_);
}

void MainWindow::onTypeFilter(int mask) {
  logDebug("MainWindow::onTypeFilter");
  fileList()->onSortFile(mask);
}

void MainWindow::onShortcut(int entry) {
  switch (entry) {
    case MelShortcutTable::Files:
      fileList()->recvReqFileOpen();
      break;
    case MelShortcutTable::SdCard:
      openSDCardDlg();
      break;
    case MelShortcutTable::Setting:
      openSettingDlg();
      break;
    case MelShortcutTable::Language:
      openLangaugeDlg();
      break;
    case MelShortcutTable::About:
      openAboutDlg();
      break;
    case MelShortcutTable::Print:
      openPrintDlg();
      break;
    case MelShortcutTable::Capture:
      openSaveDlg(false);
      break;
    default:
      break;
  }
}

void MainWindow::openPaths(const QStringList &paths) {
  logDebug("MainWindow::openPaths");
  QStringList files;
  for (const QString &p : paths) {
    QFileInfo info(p);
    if (info.isDir()) {
      openedFolder_ = info.absoluteFilePath();
      // A folder that is a card copy brings its camera settings along.
      if (DriveQuery::isValidMemory(openedFolder_))
        ConfigAccess::instance().readConfig(openedFolder_);
      else
        ConfigAccess::instance().clear();
      files << MelFileListItem::folderFiles(p);
    } else {
      files << info.absoluteFilePath();
    }
  }
  fileList()->onLoadItem(files);
}

void MainWindow::onShowFilelist() {
  logDebug("MainWindow::onShowFilelist");
  rightSide_->showPage(RightSideView::FileListPage);
}

void MainWindow::onShowMap() {
  logDebug("MainWindow::onShowMap");
  rightSide_->showPage(RightSideView::MapPage);
}

void MainWindow::setWindowStateLogged(int state) {
  previousState_ = currentState_;
  currentState_ = state;
  logDebug("AppWindowState::currentState %d", currentState_);
  logDebug("AppWindowState::preState %d", previousState_);
}

void MainWindow::onShowMaximized() {
  logDebug("MainWindow::onShowMaximized");
  if (currentState_ == StateMaximized) {
    showNormal();
    setGeometry(normalGeometry_);
    setWindowStateLogged(StateNormal);
  } else {
    if (currentState_ == StateNormal) normalGeometry_ = geometry();
    showMaximized();
    setWindowStateLogged(StateMaximized);
  }
  topBar_->onChangeMaximizedUi(currentState_ == StateMaximized);
}

void MainWindow::onShowMinimized() {
  logDebug("MainWindow::onShowMinimized");
  showMinimized();
}

void MainWindow::onRecvFullScreen() {
  logDebug("MainWindow::onRecvFullScreen");
  if (currentState_ == StateFullScreen) return;
  logInfo("[MainWindow]: set Full Screen PlayScreenWindow and hide other Windows.");
  if (currentState_ == StateNormal) normalGeometry_ = geometry();
  topBar_->hide();
  shortcuts_->hide();
  rightSide_->hide();
  showFullScreen();
  setWindowStateLogged(StateFullScreen);
}

void MainWindow::onUnsetFullScreen() {
  logDebug("MainWindow::onUnsetFullScreen");
  if (currentState_ != StateFullScreen) return;
  logInfo("[MainWindow]: unset Full Screen and insert other Windows to main layout.");
  topBar_->show();
  shortcuts_->show();
  rightSide_->show();
  const int back = previousState_ == StateMaximized ? StateMaximized : StateNormal;
  if (back == StateMaximized) {
    showMaximized();
  } else {
    showNormal();
    setGeometry(normalGeometry_);
  }
  setWindowStateLogged(back);
}

// The press on the video starts a drag of the whole window, as on the title
// bar; a window that fills the screen stays where it is.
bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->button() == Qt::LeftButton && currentState_ == StateNormal) {
        dragging_ = true;
        dragOffset_ = mouse->globalPos() - frameGeometry().topLeft();
      }
      break;
    }
    case QEvent::MouseMove:
      if (dragging_) move(static_cast<QMouseEvent *>(event)->globalPos() - dragOffset_);
      break;
    case QEvent::MouseButtonRelease:
      dragging_ = false;
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

// The flag goes to the window system through the window handle: changing
// the widget's flags would re-create the window (hidden, shown, moved).
void MainWindow::onFixedTopScreen() {
  logDebug("MainWindow::onFixedTopScreen");
  alwaysOnTop_ = alwaysOnTop_ ? 0 : 1;
  Qt::WindowFlags flags = windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, alwaysOnTop_ == 1);
  overrideWindowFlags(flags);
  if (QWindow *handle = windowHandle()) handle->setFlags(flags);
  topBar_->onChangeAlwaysTopUi(alwaysOnTop_);
}

// Every widget re-labels itself when the translation changes (each handles
// QEvent::LanguageChange); what is left here is what the switch means for
// the window as a whole.
void MainWindow::onChangeTextByLanguage() {
  logDebug("MainWindow::onChangeTextByLanguage");
  update();
}

void MainWindow::onSetNotSaveSetting() {
  logDebug("MainWindow::onSetNotSaveSetting");
  ViewerState::instance().saveSettingsAtExit = false;
}

void MainWindow::onSetProgramFormat() {
  logDebug("MainWindow::onSetProgramFormat");
  if (openedFolder_.isEmpty() || !QFileInfo::exists(openedFolder_)) {
    MessageBoxes::inform(this, tr("SD is not exist!"));
    return;
  }
  ViewerState::instance().saveSettingsAtExit = false;
  if (!MessageBoxes::ask(this, tr("Program Reset"), tr("Program will be quit."))) return;
  QSettings &st = AppSettings::store();
  for (const char *key : AppSettings::kResetKeys) st.remove(QLatin1String(key));
  st.sync();
  QApplication::quit();
  AppSettings::restartProgram();
}

void MainWindow::openAboutDlg() {
  logDebug("MainWindow::openAboutDlg");
  AboutView dialog(this);
  dialog.exec();
}

void MainWindow::openLangaugeDlg() {
  logDebug("MainWindow::openLangaugeDlg");
  LanguageView dialog(this);
  connect(&dialog, &LanguageView::onSendChangeLanguage, this, &MainWindow::onChangeTextByLanguage);
  dialog.exec();
}

void MainWindow::setDeviceAccess(DriveQuery *drives, CardMount *mount) {
  drives_ = drives ? drives : systemDrives_.get();
  cardMount_ = mount ? mount : systemMount_.get();
}

void MainWindow::openSDCardDlg() {
  logDebug("MainWindow::openSDCardDlg");
  logInfo("[MainWindow]: Execute SDCard Dialog");
  SDCardView dialog(drives_, this);
  connect(&dialog, &SDCardView::onSendSDCardData, this, &MainWindow::onReceiveSDCardData);
  dialog.exec();
}

void MainWindow::onReceiveSDCardData(const QString &root, const QStringList &files) {
  logDebug("MainWindow::onReceiveSDCardData");
  openedFolder_ = root;
  startCardWatcher(root);
  if (!files.isEmpty()) fileList()->recvCardFiles(files);
}

void MainWindow::startCardWatcher(const QString &root) {
  stopCardWatcher();
  cardWatcher_ = new CheckSDThread(root, this);
  connect(cardWatcher_, &CheckSDThread::onSendSDNotExist, this, &MainWindow::onSDCardRemoved);
  cardWatcher_->start();
}

void MainWindow::stopCardWatcher() {
  if (!cardWatcher_) return;
  cardWatcher_->breakThread();
  cardWatcher_->wait();
  delete cardWatcher_;
  cardWatcher_ = nullptr;
}

void MainWindow::onSDCardRemoved() {
  logDebug("MainWindow::onSDCardRemoved");
  logInfo("[MainWindow]: SD card is removed.");
  ConfigAccess::instance().clear();
  if (playingOrPaused()) player_->onStop(VLCComponent::CauseFileRemoved);
  fileList()->recvCardFiles(QStringList());
}

void MainWindow::openSettingDlg() {
  logDebug("MainWindow::openSettingDlg");
  SettingView dialog(this);
  dialog.setFormatRunner([this] { return formatOpenedCard(); });
  connect(&dialog, &SettingView::onSendProgramFormat, this, &MainWindow::onSetProgramFormat);
  dialog.exec();
}

int MainWindow::formatOpenedCard() {
  logDebug("MainWindow::formatOpenedCard");
  ConfigAccess &config = ConfigAccess::instance();
  const QString root = config.cardPath();
  // The card leaves the file system while it is formatted.
  stopCardWatcher();
  CardFormatter formatter(drives_, cardMount_, this);
  const int result = formatter.FileFormat(root, config.modelIdentifier());
  const bool touched = result != 1 && result != -6;
  if (touched) {
    // The recordings are gone; the settings file is back where the card is now.
    openedFolder_ = formatter.newRoot();
    config.readConfig(openedFolder_);
    if (playingOrPaused()) player_->onStop(VLCComponent::CauseFileRemoved);
    fileList()->recvCardFiles(SDCardView::recordingsOf(openedFolder_));
  }
  if (QFileInfo(openedFolder_).isDir()) startCardWatcher(openedFolder_);
  return result;
}

void MainWindow::offerConfigRestore() {
  if (!CardFormatter::hasPendingRestore()) return;
  logInfo("[MainWindow]: a CONFIG folder of an unfinished format is kept.");
  if (!MessageBoxes::ask(this, tr("Restore camera settings"),
                         tr("The last SD card format did not finish. The card's CONFIG folder "
                            "was kept. Copy it to the card now?")))
    return;
  const QString card = QFileDialog::getExistingDirectory(this, tr("The SD card"));
  if (card.isEmpty()) return;
  MessageBoxes::inform(this, CardFormatter::restorePending(card)
                                 ? tr("Complete!")
                                 : tr("Can not copy item to sd config folder"));
}
