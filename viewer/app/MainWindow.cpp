#include "app/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTranslator>
#include <QVBoxLayout>

#include "app/AboutView.h"
#include "app/AgreementView.h"
#include "core/AppSettings.h"
#include "app/LanguageView.h"
#include "app/MapPanel.h"
#include "app/MelShortcutTable.h"
#include "app/RightSideView.h"
#include "core/StatusLog.h"
#include "app/TopBar.h"
#include "chart/ChartView.h"
#include "core/GsensorEvents.h"
#include "core/RecordingMetadata.h"
#include "core/ViewerState.h"
#include "map/MapView.h"
#include "playback/PlayControlView.h"
#include "playback/PlayScreenWindow.h"
#include "playback/PlayerInterface.h"
#include "playback/SceneArea.h"
#include "playback/VLCComponent.h"
#include "playback/VideoSurface.h"
#include "recordings/MelFileComboBox.h"
#include "recordings/MelFileListItem.h"
#include "recordings/MelTypeButton.h"
#include "recordings/TypeFilterState.h"
#include "theme/JsonToStyle.h"
#include "widgets/MelPlaySlider.h"
#include "widgets/MessageBoxes.h"

MainWindow::MainWindow(QTranslator *translator, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), translator_(translator) {
  logDebug("MainWindow::MainWindow");
  ViewerState::instance().deleteLogAtExit = true;
  runAgreementGate();
  if (!agreed_) {
    logInfo("User disagree to use privacy information for program");
    return;
  }
  logInfo("Start to set UI");
  buildUi();
  connectEvent();
}

MainWindow::~MainWindow() {
  ViewerState &s = ViewerState::instance();
  if (!agreed_) return;
  logInfo("[MainWindow]: Close Application.");
  const PlayState state = s.playState();
  if (state == PlayState::Playing || state == PlayState::Paused) player_->onStop(3);
  if (s.saveSettingsAtExit) {
    QSettings &st = AppSettings::store();
    st.setValue(QStringLiteral("width"), width());
    st.setValue(QStringLiteral("height"), height());
    st.setValue(QStringLiteral("geoX"), x());
    st.setValue(QStringLiteral("geoY"), y());
    st.setValue(QStringLiteral("language"), s.language);
    st.setValue(QStringLiteral("volume"), st.value(QStringLiteral("volume"), 50).toInt());
    st.setValue(QStringLiteral("mute"), st.value(QStringLiteral("mute"), false).toBool());
    st.setValue(QStringLiteral("snapshotPath"),
                st.value(QStringLiteral("snapshotPath")).toString());
    st.setValue(QStringLiteral("videoPath"), st.value(QStringLiteral("videoPath")).toString());
    st.setValue(QStringLiteral("version"), s.version);
  }
  logInfo("[MainWindow]: Delete Thumbs...");
  for (const char *folder : {"/Thumbs", "/Snapshot", "/CONFIG"}) {
    QDir dir(s.appData + QLatin1String(folder));
    if (dir.exists()) dir.removeRecursively();
  }
  logInfo("Destruct complete!");
  logInfo("[MainWindow]: Delete log File...");
  const QString log = s.appData + QStringLiteral("/playerStatus.txt");
  if (QFile::exists(log) && s.deleteLogAtExit) {
    if (QFile::remove(log))
      StatusLog::setPath(QString());  // what is torn down after this must not bring it back
    else
      logError("[MainWindow]: Can not delete log File.");
  }
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
  // Dialogs that are not part of the program yet stay greyed out.
  for (auto entry : {MelShortcutTable::SdCard, MelShortcutTable::Print, MelShortcutTable::Capture,
                     MelShortcutTable::Setting})
    shortcuts_->setEntryEnabled(entry, false);

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

  rightSide_ = new RightSideView(this);
  // The file list page: the type filter above the list.
  typeFilter_ = new TypeFilterState(this);
  auto *filterRow = new QHBoxLayout;
  filterRow->setContentsMargins(8, 8, 8, 8);
  filterRow->setSpacing(4);
  typeCombo_ = new MelFileComboBox(rightSide_);
  typeCombo_->follow(typeFilter_);
  filterRow->addWidget(typeCombo_);
  const QPair<const char *, int> types[] = {{QT_TR_NOOP("All Type"), TypeFilterState::kAll},
                                            {QT_TR_NOOP("Infinity"), 1},
                                            {QT_TR_NOOP("Event"), 2},
                                            {QT_TR_NOOP("Parking"), 4},
                                            {QT_TR_NOOP("User"), 8}};
  for (const auto &t : types) {
    auto *b = new MelTypeButton(tr(t.first), t.second, rightSide_);
    b->follow(typeFilter_);
    typeButtons_ << b;
    filterRow->addWidget(b);
  }
  filterRow->addStretch(1);
  fileList_ = new MelFileListItem(rightSide_);
  fileList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rightSide_->fileListLayout()->addLayout(filterRow);
  rightSide_->fileListLayout()->addWidget(fileList_, 1);

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

void MainWindow::connectEvent() {
  logDebug("MainWindow::connectEvent");
  connect(topBar_, &TopBar::minimizeRequested, this, &MainWindow::onShowMinimized);
  connect(topBar_, &TopBar::maximizeRequested, this, &MainWindow::onShowMaximized);
  connect(topBar_, &TopBar::closeRequested, this, &QWidget::close);
  connect(topBar_, &TopBar::alwaysOnTopRequested, this, &MainWindow::onFixedTopScreen);
  connect(shortcuts_, &MelShortcutTable::entryActivated, this, &MainWindow::onShortcut);
  connect(rightSide_, &RightSideView::fileListRequested, this, &MainWindow::onShowFilelist);
  connect(rightSide_, &RightSideView::mapRequested, this, &MainWindow::onShowMap);
  connect(typeFilter_, &TypeFilterState::maskChanged, this, &MainWindow::onTypeFilter);
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
  connect(p, &PlayerInterface::sendClear, this, &MainWindow::onClearPlayback);
  connect(p, &PlayerInterface::sendResetAll, this, &MainWindow::onClearPlayback);
  connect(p, &PlayerInterface::sendCannotPlay, bar, &PlayControlView::onClearUi);
  connect(p, &PlayerInterface::sendChannelCount, scenes_, &SceneArea::setChannelCount);
  connect(scenes_, &SceneArea::sendVideoResize, p, &PlayerInterface::onResizeVideo);
  connect(scenes_, &SceneArea::sendBlockKeyboard, this, &MainWindow::onBlockKeyboardEvent);
  connect(scenes_, &SceneArea::sceneChanged, bar, &PlayControlView::setFlipChannel);
  connect(vlc, &VLCComponent::send_setBlockEvent, this, &MainWindow::setEventsBlocked);
  connect(vlc, &VLCComponent::send_setLogo, this, &MainWindow::onShowLogo);

  // Moving between files: the engine reports the end of a recording (or a
  // step back past its start) once it has cleared its data; the list then
  // decides what plays next.
  MelFileListItem *list = fileList_;
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

  // Keyboard shortcuts act on the bar's buttons.
  connect(this, &MainWindow::playPauseKey, bar, &PlayControlView::onClick_bPlay);
  connect(this, &MainWindow::backKey, bar, &PlayControlView::onClick_b5sReward);
  connect(this, &MainWindow::forwardKey, bar, &PlayControlView::onClick_b5sForward);
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
  connect(p->component(), &VLCComponent::send_setBlockEvent, map, &MapView::onBlockEvent);
  connect(p->component(), &VLCComponent::send_setBlockEvent, chart, &ChartView::onBlockEvent);
}

void MainWindow::onPlayItemSelected() {
  logDebug("MainWindow::onPlayItemSelected");
  topBar_->setFileName(ViewerState::instance().currentRecording().fileName);
  player_->onOpenFile();
}

void MainWindow::onClearPlayback() {
  logDebug("MainWindow::onClearPlayback");
  if (ViewerState::instance().currentRecording().isEmpty()) topBar_->unsetFileName();
  scenes_->playScreen()->onResetZoom();
  if (ViewerState::instance().playState() != PlayState::Playing &&
      ViewerState::instance().playState() != PlayState::Paused)
    onShowLogo(true);
}

void MainWindow::onShowLogo(bool show) {
  logDebug("MainWindow::onShowLogo");
  screens_->setCurrentIndex(show ? 0 : 1);
}

bool MainWindow::logoShown() const {
  return screens_->currentIndex() == 0;
}

// Input is held back while playback starts or files change, so a click
// cannot reach an engine that is between two states.
void MainWindow::setEventsBlocked(bool block) {
  onBlockKeyboardEvent(block);
  controls_->onBlockEvent(block);
  scenes_->onBlockEvent(block);
  fileList_->onBlockEvent(block);
}

void MainWindow::onGetImage() {
  logDebug("MainWindow::onGetImage");
  const ViewerState &s = ViewerState::instance();
  if (s.playState() != PlayState::Playing && s.playState() != PlayState::Paused) return;
  QDir().mkpath(s.appData + QStringLiteral("/Snapshot"));
  for (int channel = 0; channel < s.channelCount && channel < 3; ++channel)
    player_->getScreenImage(channel);
}

void MainWindow::onTypeFilter(int mask) {
  logDebug("MainWindow::onTypeFilter");
  fileList_->onSortFile(mask);
}

void MainWindow::onShortcut(int entry) {
  switch (entry) {
    case MelShortcutTable::Files:
      fileList_->recvReqFileOpen();
      break;
    case MelShortcutTable::Language:
      openLangaugeDlg();
      break;
    case MelShortcutTable::About:
      openAboutDlg();
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
      const QFileInfoList entries = QDir(p).entryInfoList(QDir::Files);
      for (const QFileInfo &e : entries) files << e.absoluteFilePath();
    } else {
      files << info.absoluteFilePath();
    }
  }
  fileList_->onLoadItem(files);
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

void MainWindow::onBlockKeyboardEvent(bool block) {
  logDebug(block ? "------------------------- block! -------------------------"
                 : "------------------------- work! -------------------------");
  keyboardBlocked_ = block;
}

void MainWindow::keyPressEvent(QKeyEvent *event) {
  if (keyboardBlocked_ || event->isAutoRepeat()) {
    event->ignore();
    return;
  }
  switch (event->key()) {
    case Qt::Key_Space:
      emit playPauseKey();
      break;
    case Qt::Key_Left:
      emit backKey();
      break;
    case Qt::Key_Right:
      emit forwardKey();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      onRecvFullScreen();
      break;
    case Qt::Key_Escape:
      onUnsetFullScreen();
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void MainWindow::onFixedTopScreen() {
  logDebug("MainWindow::onFixedTopScreen");
  alwaysOnTop_ = alwaysOnTop_ ? 0 : 1;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, alwaysOnTop_ == 1);
  // Changing the flags hides the window; bring it back where it was,
  // without activating it.
  if (visible) {
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
  }
  topBar_->onChangeAlwaysTopUi(alwaysOnTop_);
}

void MainWindow::onChangeTextByLanguage() {
  logDebug("MainWindow::onChangeTextByLanguage");
  shortcuts_->retranslate();
  rightSide_->retranslate();
  controls_->retranslate();
  scenes_->retranslate();
  static const char *const kTypeTexts[] = {QT_TR_NOOP("All Type"), QT_TR_NOOP("Infinity"),
                                           QT_TR_NOOP("Event"), QT_TR_NOOP("Parking"),
                                           QT_TR_NOOP("User")};
  for (int i = 0; i < typeButtons_.size(); ++i) typeButtons_[i]->setText(tr(kTypeTexts[i]));
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
  LanguageView dialog(translator_, this);
  connect(&dialog, &LanguageView::onSendChangeLanguage, this, &MainWindow::onChangeTextByLanguage);
  dialog.exec();
}
