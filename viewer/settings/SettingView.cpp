#include "settings/SettingView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>

#include "core/AppSettings.h"
#include "core/ConfigAccess.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "core/CameraSettings.h"
#include "core/JsonToSetting.h"
#include "settings/SettingOpt.h"
#include "settings/SettingOptCrashReport.h"
#include "settings/SettingOptProgram.h"
#include "settings/SettingOptUpdate.h"
#include "widgets/MessageBoxes.h"

SettingView::SettingView(QWidget *parent)
    : ThemedDialog(QStringLiteral("SettingView"), "ui_settingView", parent) {
  title_ = themed(new QLabel(tr("Setting"), this), QStringLiteral("lTitle"));
  bDevice_ = themed(new QPushButton(tr("Device"), this), QStringLiteral("bDevice"));
  bPCViewer_ = themed(new QPushButton(tr("PC Viewer"), this), QStringLiteral("bPCViewer"));
  groupList_ = themed(new QListWidget(this), QStringLiteral("lwGroup"));
  stack_ = themed(new QStackedWidget(this), QStringLiteral("swPage"));
  state_ = themed(new QLabel(this), QStringLiteral("lState"));
  bDefault_ = themed(new QPushButton(tr("Default"), this), QStringLiteral("bDefault"));
  bOk_ = themed(new QPushButton(tr("OK"), this), QStringLiteral("bOk"));
  bCancel_ = themed(new QPushButton(tr("Cancel"), this), QStringLiteral("bCancel"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  // The list and the page frame keep their look to themselves instead of
  // passing their border on to every row inside.
  groupList_->setStyleSheet(
      QStringLiteral("QListWidget#lwGroup { %1 padding: 4px; } QListWidget::item { height: 40px; "
                     "border: none; padding-left: 8px; } QListWidget::item:selected { "
                     "background-color: #43aea3; color: "
                     "#ffffff; }")
          .arg(style_.styleSheet(style_.item(QStringLiteral("lwGroup")))));
  stack_->setStyleSheet(QStringLiteral("QStackedWidget#swPage { %1 }")
                            .arg(style_.styleSheet(style_.item(QStringLiteral("swPage")))));
  for (QPushButton *b : {bDevice_, bPCViewer_}) {
    b->setCheckable(true);
    // The side shown is marked.
    b->setStyleSheet(QStringLiteral("QPushButton#%1 { %2 } QPushButton#%1:checked { "
                                    "background-color: #43aea3; color: #ffffff; }")
                         .arg(b->objectName(), style_.styleSheet(style_.item(b->objectName()))));
  }
  buildDeviceSide();
  buildViewerSide();
  connect(bDevice_, &QPushButton::clicked, this, &SettingView::showDevice);
  connect(bPCViewer_, &QPushButton::clicked, this, &SettingView::showPCViewer);
  connect(groupList_, &QListWidget::currentRowChanged, this, [this](int row) {
    const auto &entries = showingDevice_ ? deviceEntries_ : viewerEntries_;
    if (row >= 0 && row < entries.size()) stack_->setCurrentIndex(entries[row].second);
  });
  connect(bDefault_, &QPushButton::clicked, this, &SettingView::onResetData);
  connect(bOk_, &QPushButton::clicked, this, &SettingView::onClickOk);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(bClose_, &QPushButton::clicked, this, &QDialog::reject);
  showDevice();
}

void SettingView::addPage(const QString &title, QWidget *page, bool device) {
  auto *scroll = new QScrollArea(stack_);
  scroll->setObjectName(QStringLiteral("scroll_") + page->objectName());
  scroll->setWidget(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
  page->setAutoFillBackground(false);
  page->setStyleSheet(page->styleSheet() +
                      QStringLiteral(" QLabel { color: #e0e0e0; } QCheckBox { color: #e0e0e0; }"
                                     " QPushButton { %1 } QPushButton:disabled { color: #606060; }")
                          .arg(style_.styleSheet(style_.item(QStringLiteral("pageChoice")))));
  const int index = stack_->addWidget(scroll);
  (device ? deviceEntries_ : viewerEntries_).append({title, index});
}

void SettingView::buildDeviceSide() {
  logDebug("SettingView::buildDeviceSide");
  const ConfigAccess &config = ConfigAccess::instance();
  QString note;
  QVector<SettingGroup> groups;
  if (!config.isLoaded()) {
    note = tr("There is no camera setting file. Open the camera's SD card to change its settings.");
  } else {
    JsonToSetting description(JsonToSetting::defaultPath(ViewerState::instance().appDir));
    if (!description.openFile()) {
      note = tr("This model is not support!");
    } else {
      description.setModel(config.modelIdentifier());
      groups = description.getItem();
      if (groups.isEmpty()) note = tr("This model is not supported!");
    }
  }
  if (!note.isEmpty()) {
    logInfo("[SettingView]: %s", qUtf8Printable(note));
    note_ = new QLabel(note, stack_);
    note_->setObjectName(QStringLiteral("lDeviceNote"));
    note_->setWordWrap(true);
    note_->setAlignment(Qt::AlignCenter);
    note_->setStyleSheet(QStringLiteral("color: #e0e0e0; font-size: 14px;"));
    deviceEntries_.append({tr("Device"), stack_->addWidget(note_)});
    return;
  }
  for (const SettingGroup &g : groups) {
    auto *page = new SettingOpt(g.first, style_);
    page->setItem(g.second);
    devicePages_.append(page);
    addPage(QCoreApplication::translate("Setting", g.first.toUtf8().constData()), page, true);
  }
  // "Parking Record Mode" also changes "Cut Time", which another page shows.
  QVector<QVector<SettingItem> *> items;
  for (SettingOpt *page : devicePages_) items.append(&page->items());
  for (int i = 0; i < devicePages_.size(); ++i) {
    const int related = CameraSettings::relatedPage(items, i);
    if (related >= 0) devicePages_[i]->setRelated(devicePages_[related]);
  }
  for (SettingOpt *page : devicePages_) {
    connect(page, &SettingOpt::changeState, this, &SettingView::onStateLabelChange);
    connect(page, &SettingOpt::requestReset, this, &SettingView::onRequestReset);
    connect(page, &SettingOpt::requestFormat, this,
            [this](const QString &name, int, int) { onRequestFormat(name); });
  }
  reloadValues();
}

void SettingView::buildViewerSide() {
  const StyleItem title = style_.item(QStringLiteral("pageTitle"));
  const StyleItem context = style_.item(QStringLiteral("pageContext"));
  programPage_ = new SettingOptProgram(title.font(), context.font());
  programPage_->SetProgamVersion(ViewerState::instance().version);
  programPage_->SetProgramUUid(ViewerState::instance().clientId);
  updatePage_ = new SettingOptUpdate(title.font(), context.font());
  crashPage_ = new SettingOptCrashReport(title.font(), context.font());
  const int agreement = getAgreement();
  updatePage_->alwaysDownload()->setChecked(agreement & 2);
  crashPage_->automaticSend()->setChecked(agreement & 4);
  addPage(tr("Program Setting"), programPage_, false);
  addPage(tr("Update"), updatePage_, false);
  addPage(tr("Crash Report"), crashPage_, false);
  connect(programPage_, &SettingOptProgram::onSendProgramFormat, this,
          &SettingView::onSetProgramFormat);
}

void SettingView::fillGroupList() {
  const auto &entries = showingDevice_ ? deviceEntries_ : viewerEntries_;
  groupList_->clear();
  for (const auto &e : entries) groupList_->addItem(e.first);
  groupList_->setCurrentRow(0);
  bDevice_->setChecked(showingDevice_);
  bPCViewer_->setChecked(!showingDevice_);
  bDefault_->setEnabled(showingDevice_ && !devicePages_.isEmpty());
}

void SettingView::showDevice() {
  logDebug("SettingView::showDevice");
  showingDevice_ = true;
  fillGroupList();
}

void SettingView::showPCViewer() {
  logDebug("SettingView::showPCViewer");
  showingDevice_ = false;
  fillGroupList();
}

SettingOpt *SettingView::page(const QString &group) const {
  for (SettingOpt *p : devicePages_)
    if (p->group() == group) return p;
  return nullptr;
}

QString SettingView::deviceNote() const {
  return note_ ? note_->text() : QString();
}

int SettingView::getIndexNum(const QString &group) const {
  for (int i = 0; i < devicePages_.size(); ++i)
    if (devicePages_[i]->group() == group) return i;
  return -1;
}

void SettingView::reloadValues() {
  for (SettingOpt *page : devicePages_) page->setAllValue(ConfigAccess::instance());
  resetVoiceGuide_ = false;
  onStateLabelChange();
}

void SettingView::onStateLabelChange() {
  bool changed = resetVoiceGuide_;
  for (SettingOpt *page : devicePages_) changed = changed || page->hasChanges();
  state_->setText(changed ? tr("There are unsaved settings.") : QString());
}

void SettingView::onResetData() {
  logDebug("SettingView::onResetData");
  for (SettingOpt *page : devicePages_) CameraSettings::resetToDefaults(&page->items());
  for (SettingOpt *page : devicePages_) page->applyTies();
  for (SettingOpt *page : devicePages_)
    for (const SettingItem &s : page->items()) page->setValue(s.row);
  resetVoiceGuide_ = true;
  onStateLabelChange();
}

void SettingView::onRequestReset() {
  if (MessageBoxes::ask(this, tr("Initialize"),
                        tr("Every camera setting returns to its default. Save to keep it.")))
    onResetData();
}

void SettingView::onRequestFormat(const QString &name) {
  if (CameraSettings::needsFormat(name))
    onDeviceSetInit();
  else
    onFileFormat();
}

// Writes the pending choices into the card's values and the card.
bool SettingView::writeValues() {
  ConfigAccess &config = ConfigAccess::instance();
  ConfigAccess fallback = config;
  for (SettingOpt *page : devicePages_) CameraSettings::applyPending(page->items(), &config);
  if (resetVoiceGuide_) config.setValue(QStringLiteral("voiceGuide"), 1);
  if (config.writeMemory(config.cardPath()) != ConfigAccess::Ok) {
    config = fallback;  // the card still holds the old values
    MessageBoxes::inform(this, tr("Error Occured!"));
    return false;
  }
  reloadValues();
  return true;
}

bool SettingView::onSetData() {
  logDebug("SettingView::onSetData");
  setAgreement();
  if (devicePages_.isEmpty()) return true;
  const ConfigAccess &config = ConfigAccess::instance();
  if (config.cardPath().isEmpty() || !QFileInfo(config.cardPath()).isDir()) {
    MessageBoxes::inform(this, tr("SD is not exist!"));
    return false;
  }
  // A change that needs the card formatted is settled first: formatted
  // with everything else, or taken back.
  if (!onDeviceSetInit()) return false;
  bool pending = resetVoiceGuide_;
  for (SettingOpt *page : devicePages_) pending = pending || page->hasChanges();
  return !pending || writeValues();
}

void SettingView::onClickApply() {
  logDebug("SettingView::onClickApply");
  onSetData();
}

void SettingView::onClickOk() {
  logDebug("SettingView::onClickOk");
  if (onSetData()) accept();
}

bool SettingView::onDeviceSetInit() {
  logDebug("SettingView::onDeviceSetInit");
  QVector<SettingItem *> changed;
  for (SettingOpt *page : devicePages_)
    for (SettingItem &s : page->items())
      if (CameraSettings::needsFormat(s.name) && s.pendingIndex >= 0) changed.append(&s);
  if (changed.isEmpty()) return true;
  const ConfigAccess &config = ConfigAccess::instance();
  if (!QFileInfo(config.cardPath()).isDir()) {
    MessageBoxes::inform(this, tr("SD is not exist!"));
    return false;
  }
  if (!MessageBoxes::ask(this, tr("Device Reset"),
                         tr("The memory will be formatted to return some settings to defaults.") +
                             QLatin1Char('\n') + tr("It can't go back if you clicked yes."))) {
    // Without the format the card keeps what it has.
    for (SettingItem *s : changed) s->pendingIndex = -1;
    for (SettingOpt *page : devicePages_)
      for (const SettingItem &s : page->items()) page->setValue(s.row);
    onStateLabelChange();
    return true;
  }
  if (!writeValues()) return false;
  const int result = runFormat();
  if (result == 0) MessageBoxes::inform(this, tr("Complete!"));
  if (result < 0) MessageBoxes::inform(this, tr("Error Occured!"));
  return true;
}

int SettingView::runFormat() {
  const int result = formatRunner_ ? formatRunner_() : -1;
  if (result == 0) reloadValues();
  return result;
}

void SettingView::onFileFormat() {
  logDebug("SettingView::onFileFormat");
  const ConfigAccess &config = ConfigAccess::instance();
  if (!config.isLoaded() || !QFileInfo(config.cardPath()).isDir()) {
    MessageBoxes::inform(this, tr("SD is not exist!"));
    return;
  }
  if (!MessageBoxes::ask(this, tr("Do you Really want to file format?"),
                         tr("It can't go back if you clicked yes.")))
    return;
  const int result = runFormat();
  if (result == 0) MessageBoxes::inform(this, tr("Complete!"));
  if (result < 0) MessageBoxes::inform(this, tr("Error Occured!"));
}

void SettingView::onSetProgramFormat() {
  logDebug("SettingView::onSetProgramFormat");
  emit onSendProgramFormat();
}

int SettingView::getAgreement() const {
  return AppSettings::store().value(QStringLiteral("agreement")).toString().toInt();
}

void SettingView::setAgreement() {
  logDebug("SettingView::setAgreement");
  ViewerState &s = ViewerState::instance();
  const bool always = updatePage_->alwaysDownload()->isChecked();
  const bool automatic = crashPage_->automaticSend()->isChecked();
  const int value = agreementValue(always, automatic);
  if (value == getAgreement()) return;
  AppSettings::store().setValue(QStringLiteral("agreement"), QString::number(value));
  s.alwaysDownload = always;
  s.automaticSend = automatic;
  sendAgreementToLauncher(value);
}

void SettingView::sendAgreementToLauncher(int value) {
  // The launcher reads the stored value when it starts; a running launcher
  // would be told "updateAgreement" here, but the viewer has no connection to
  // it yet.
  logInfo("[SettingView]: updateAgreement %d (launcher is not running)", value);
}
