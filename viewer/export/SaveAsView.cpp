#include "export/SaveAsView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimeEdit>

#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "export/ExportCommand.h"
#include "export/ExportRunner.h"
#include "widgets/MessageBoxes.h"

namespace {

constexpr int kChannelBoxes = 5;

QTime timeOf(double seconds) {
  return QTime(0, 0).addMSecs(static_cast<int>(std::max(0.0, seconds) * 1000.0 + 0.5));
}

double secondsOf(const QTime &time) {
  return QTime(0, 0).msecsTo(time) / 1000.0;
}

}  // namespace

SaveAsView::SaveAsView(QWidget *parent)
    : ThemedDialog(QStringLiteral("SaveAsView"), "ui_saveAsView", parent) {
  logDebug("SaveAsView::SaveAsView");
  title_ = themed(new QLabel(this), QStringLiteral("lTitle"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  strChannel_ = themed(new QLabel(this), QStringLiteral("strChannel"));
  for (int i = 0; i < kChannelBoxes; ++i)
    items_ << themed(new QCheckBox(this), QStringLiteral("item%1").arg(i + 1));
  bSaveSnapshot_ = themed(new QPushButton(this), QStringLiteral("bSaveSnapshot"));
  bSaveVideo_ = themed(new QPushButton(this), QStringLiteral("bSaveVideo"));
  bSaveTelemetry_ = themed(new QPushButton(this), QStringLiteral("bSaveTelemetry"));
  strPath_ = themed(new QLabel(this), QStringLiteral("strPath"));
  editPath_ = themed(new QLineEdit(this), QStringLiteral("editPath"));
  editPath_->setReadOnly(true);
  bChangePath_ = themed(new QPushButton(this), QStringLiteral("bChangePath"));
  strType_ = themed(new QLabel(this), QStringLiteral("strType"));
  rMp4_ = themed(new QRadioButton(QStringLiteral("MP4"), this), QStringLiteral("rMp4"));
  rAvi_ = themed(new QRadioButton(QStringLiteral("AVI"), this), QStringLiteral("rAvi"));
  auto *types = new QButtonGroup(this);
  types->addButton(rMp4_);
  types->addButton(rAvi_);
  rMp4_->setChecked(true);
  strSpan_ = themed(new QLabel(this), QStringLiteral("strSpan"));
  editFrom_ = themed(new QTimeEdit(this), QStringLiteral("editFrom"));
  editTo_ = themed(new QTimeEdit(this), QStringLiteral("editTo"));
  for (QTimeEdit *edit : {editFrom_, editTo_}) edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  lSpanNote_ = themed(new QLabel(this), QStringLiteral("lSpanNote"));
  lSpanNote_->setWordWrap(true);
  cSideBySide_ = themed(new QCheckBox(this), QStringLiteral("cSideBySide"));
  cTelemetry_ = themed(new QCheckBox(this), QStringLiteral("cTelemetry"));
  strFormat_ = themed(new QLabel(this), QStringLiteral("strFormat"));
  cbFormat_ = themed(new QComboBox(this), QStringLiteral("cbFormat"));
  cbFormat_->addItems({QStringLiteral("GPX"), QStringLiteral("CSV"), QStringLiteral("GeoJSON"),
                       QStringLiteral("KML")});
  bBack_ = themed(new QPushButton(this), QStringLiteral("bBack"));
  bSave_ = themed(new QPushButton(this), QStringLiteral("bSave"));

  const QSettings &settings = AppSettings::store();
  snapshotFolder_ = settings.value(QStringLiteral("snapshotPath")).toString();
  videoFolder_ = settings.value(QStringLiteral("videoPath")).toString();

  runner_ = new ExportRunner(ExportCommand::ffmpegProgram(ViewerState::instance().appDir), this);
  connect(runner_, &ExportRunner::finished, this, &SaveAsView::onRunnerFinished);

  connect(bClose_, &QPushButton::clicked, this, &QDialog::reject);
  connect(bSaveSnapshot_, &QPushButton::clicked, this,
          [this] { onChangeMode(ExportChoice::SnapshotMode); });
  connect(bSaveVideo_, &QPushButton::clicked, this,
          [this] { onChangeMode(ExportChoice::VideoMode); });
  connect(bSaveTelemetry_, &QPushButton::clicked, this,
          [this] { onChangeMode(ExportChoice::TelemetryMode); });
  connect(bChangePath_, &QPushButton::clicked, this, &SaveAsView::onChangePath);
  connect(rMp4_, &QRadioButton::toggled, this, &SaveAsView::onChangeType);
  connect(rAvi_, &QRadioButton::toggled, this, &SaveAsView::onChangeType);
  connect(cSideBySide_, &QCheckBox::toggled, this, &SaveAsView::updateNotes);
  connect(editFrom_, &QTimeEdit::timeChanged, this, &SaveAsView::updateNotes);
  connect(editTo_, &QTimeEdit::timeChanged, this, &SaveAsView::updateNotes);
  connect(bBack_, &QPushButton::clicked, this, [this] { onChangeView(0); });
  connect(bSave_, &QPushButton::clicked, this, &SaveAsView::onShowChannelView);
  retranslate();
  onChangeView(0);
}

SaveAsView::~SaveAsView() = default;

QString SaveAsView::defaultSnapshotFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) +
         QStringLiteral("/TARVIK");
}

QString SaveAsView::defaultVideoFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) +
         QStringLiteral("/TARVIK");
}

void SaveAsView::retranslate() {
  title_->setText(page_ == 0 ? tr("Choose Save Scene") : tr("File Setting"));
  strChannel_->setText(tr("Channel"));
  const QStringList names{tr("Front Scene"), tr("Rear Scene1"), tr("Rear Scene2"),
                          tr("Channel 4"), tr("Channel 5")};
  for (int i = 0; i < kChannelBoxes; ++i) items_[i]->setText(names[i]);
  bSaveSnapshot_->setText(tr("Snapshot"));
  bSaveVideo_->setText(tr("Video"));
  bSaveTelemetry_->setText(tr("Telemetry"));
  strPath_->setText(tr("Folder"));
  bChangePath_->setText(tr("Change"));
  strType_->setText(tr("Type"));
  strSpan_->setText(tr("From / to"));
  cSideBySide_->setText(tr("Side by side (all chosen channels in one video)"));
  cTelemetry_->setText(tr("GPS track (GPX) beside the video"));
  strFormat_->setText(tr("Format"));
  bBack_->setText(tr("Back"));
  bSave_->setText(tr("Save"));
  updateNotes();
}

void SaveAsView::changeEvent(QEvent *event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  ThemedDialog::changeEvent(event);
}

void SaveAsView::setSource(const ExportSource &source) {
  logDebug("SaveAsView::setSource");
  source_ = source;
  for (int i = 0; i < kChannelBoxes; ++i) {
    items_[i]->setVisible(i < source.channelCount);
    items_[i]->setChecked(false);
  }
  const QTime end = timeOf(source.durationSec);
  for (QTimeEdit *edit : {editFrom_, editTo_}) edit->setTimeRange(QTime(0, 0), end);
  setSpan(0, source.durationSec);
}

void SaveAsView::setSpan(double fromSec, double toSec) {
  editFrom_->setTime(timeOf(fromSec));
  editTo_->setTime(timeOf(toSec > 0 ? toSec : source_.durationSec));
  updateNotes();
}

void SaveAsView::showSnapshotPage() {
  for (int i = 0; i < kChannelBoxes; ++i) items_[i]->setChecked(i < source_.channelCount);
  onChangeMode(ExportChoice::SnapshotMode);
}

QString &SaveAsView::modeFolder() {
  return mode_ == ExportChoice::SnapshotMode ? snapshotFolder_ : videoFolder_;
}

QString SaveAsView::folder() const {
  if (mode_ == ExportChoice::SnapshotMode)
    return snapshotFolder_.isEmpty() ? defaultSnapshotFolder() : snapshotFolder_;
  return videoFolder_.isEmpty() ? defaultVideoFolder() : videoFolder_;
}

void SaveAsView::onChangeView(int page) {
  logDebug("SaveAsView::onChangeView");
  page_ = page;
  const bool first = page == 0;
  const bool video = mode_ == ExportChoice::VideoMode;
  const bool snapshot = mode_ == ExportChoice::SnapshotMode;
  strChannel_->setVisible(first);
  for (int i = 0; i < kChannelBoxes; ++i) items_[i]->setVisible(first && i < source_.channelCount);
  bSaveSnapshot_->setVisible(first);
  bSaveVideo_->setVisible(first);
  bSaveTelemetry_->setVisible(first);
  strPath_->setVisible(!first);
  editPath_->setVisible(!first);
  bChangePath_->setVisible(!first);
  // The type controls belong to video only.
  strType_->setVisible(!first && video);
  rMp4_->setVisible(!first && video);
  rAvi_->setVisible(!first && video);
  strSpan_->setVisible(!first && !snapshot);
  editFrom_->setVisible(!first && !snapshot);
  editTo_->setVisible(!first && !snapshot);
  lSpanNote_->setVisible(!first && !snapshot);
  cSideBySide_->setVisible(!first && video);
  cTelemetry_->setVisible(!first && video);
  strFormat_->setVisible(!first && mode_ == ExportChoice::TelemetryMode);
  cbFormat_->setVisible(!first && mode_ == ExportChoice::TelemetryMode);
  bBack_->setVisible(!first);
  bSave_->setVisible(!first);
  title_->setText(first ? tr("Choose Save Scene") : tr("File Setting"));
  updateNotes();
}

void SaveAsView::onChangeMode(int mode) {
  logDebug("SaveAsView::onChangeMode");
  bool any = false;
  for (int i = 0; i < kChannelBoxes && i < source_.channelCount; ++i) any |= items_[i]->isChecked();
  if (!any && mode != ExportChoice::TelemetryMode) {
    MessageBoxes::inform(this, tr("There is no select channel"));
    return;
  }
  mode_ = mode;
  editPath_->setText(QDir::toNativeSeparators(folder()));
  onChangeView(1);
}

void SaveAsView::onChangePath() {
  logDebug("SaveAsView::onChangePath");
  const QString chosen = QFileDialog::getExistingDirectory(this, tr("Search Folder"), folder());
  if (chosen.isEmpty()) return;
  modeFolder() = chosen;
  editPath_->setText(QDir::toNativeSeparators(chosen));
  // Kept for the next time; the store is written out when the program ends.
  AppSettings::store().setValue(mode_ == ExportChoice::SnapshotMode ? QStringLiteral("snapshotPath")
                                                                    : QStringLiteral("videoPath"),
                                chosen);
}

void SaveAsView::onChangeType() {
  type_ = rAvi_->isChecked() ? QStringLiteral("avi") : QStringLiteral("mp4");
}

void SaveAsView::updateNotes() {
  if (!lSpanNote_) return;
  const double from = secondsOf(editFrom_->time());
  const double to = secondsOf(editTo_->time());
  ExportChoice c;
  c.fromSec = from;
  c.toSec = to;
  const bool trimmed = ExportPlan::isTrimmed(source_, c);
  if (mode_ == ExportChoice::TelemetryMode)
    lSpanNote_->setText(tr("The samples of this span are written."));
  else if (cSideBySide_->isChecked())
    lSpanNote_->setText(tr("The video is encoded anew: it starts exactly at \"from\"."));
  else if (trimmed)
    lSpanNote_->setText(tr("Cut without encoding anew: the clip starts at the key frame at or "
                           "before \"from\"."));
  else
    lSpanNote_->setText(tr("The whole recording. Set \"from\" and \"to\" (or the marks I and O "
                           "on the time line) to save a part."));
}

ExportChoice SaveAsView::choice() const {
  ExportChoice c;
  c.mode = mode_;
  for (int i = 0; i < kChannelBoxes; ++i) c.channels[i] = items_[i]->isChecked();
  c.type = type_;
  c.folder = folder();
  if (mode_ != ExportChoice::SnapshotMode) {
    c.fromSec = secondsOf(editFrom_->time());
    c.toSec = secondsOf(editTo_->time());
  }
  c.sideBySide = mode_ == ExportChoice::VideoMode && cSideBySide_->isChecked();
  c.telemetryBeside = mode_ == ExportChoice::VideoMode && cTelemetry_->isChecked();
  c.telemetryFormat = cbFormat_->currentIndex();
  return c;
}

void SaveAsView::onShowChannelView() {
  logDebug("SaveAsView::onShowChannelView");
  if (runner_->isRunning()) return;
  QString reason;
  const QVector<ExportStep> steps = ExportPlan::build(source_, choice(), &reason);
  if (steps.isEmpty()) {
    lastMessage_ = reason;
    MessageBoxes::inform(this, reason);
    return;
  }
  QStringList existing;
  for (const ExportStep &step : steps)
    if (QFileInfo::exists(step.output)) existing << QFileInfo(step.output).fileName();
  if (!existing.isEmpty() &&
      !MessageBoxes::ask(this, tr("File exists"),
                         tr("These files exist already:\n%1\nReplace them?")
                             .arg(existing.join(QLatin1Char('\n')))))
    return;
  if (!QDir().mkpath(folder())) {
    lastMessage_ = tr("Could not create the folder %1").arg(QDir::toNativeSeparators(folder()));
    MessageBoxes::inform(this, lastMessage_);
    return;
  }
  progress_ = new QProgressDialog(tr("Saving..."), tr("Cancel"), 0, 100, this);
  progress_->setObjectName(QStringLiteral("exportProgress"));
  progress_->setWindowTitle(tr("Save"));
  progress_->setWindowModality(Qt::WindowModal);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  progress_->setMinimumDuration(0);
  progress_->setMinimumWidth(420);
  progress_->setValue(0);
  connect(runner_, &ExportRunner::progress, progress_, &QProgressDialog::setValue);
  connect(runner_, &ExportRunner::stepStarted, progress_, [this, steps](int index) {
    if (progress_ && index < steps.size())
      progress_->setLabelText(
          tr("Saving %1 (%2 of %3)...")
              .arg(QFileInfo(steps[index].output).fileName())
              .arg(index + 1)
              .arg(steps.size()));
  });
  connect(progress_, &QProgressDialog::canceled, runner_, &ExportRunner::cancel);
  progress_->show();
  runner_->start(steps);
}

void SaveAsView::onRunnerFinished(bool ok, const QString &message) {
  logDebug("SaveAsView::onRunnerFinished");
  const bool cancelled = progress_ && progress_->wasCanceled();
  if (progress_) {
    progress_->disconnect(runner_);
    runner_->disconnect(progress_);
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  }
  if (ok)
    lastMessage_ = mode_ == ExportChoice::SnapshotMode ? tr("Complete to Save Snapshot!")
                                                       : tr("Complete File Download!");
  else if (cancelled)
    lastMessage_ = tr("Saving was cancelled; no partial file was kept.");
  else
    lastMessage_ = tr("Saving failed: %1").arg(message);
  MessageBoxes::inform(this, lastMessage_);
  emit saveFinished(ok);
}
