#include "device/SDCardView.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "core/ConfigAccess.h"
#include "core/RecordingName.h"
#include "core/StatusLog.h"
#include "device/DriveQuery.h"
#include "widgets/MessageBoxes.h"

namespace {

// What the user and the log are told when a card's config.bin cannot be used.
struct ReadFailure {
  ConfigAccess::Result result;
  const char *log;
  const char *message;
};
const ReadFailure kReadFailures[] = {
    {ConfigAccess::FileMissing, "[SDCardView]: Config File is not exist",
     QT_TRANSLATE_NOOP("SDCardView", "Setting file is not exist!")},
    {ConfigAccess::ChecksumError, "[SDCardView]: Config checksum is diffrent.",
     QT_TRANSLATE_NOOP("SDCardView", "checksum is different!")},
    {ConfigAccess::UnsupportedModel, "[SDCardView]: This model is not supported!",
     QT_TRANSLATE_NOOP("SDCardView", "This model is not supported!")},
    {ConfigAccess::DescriptionMissing, "[SDCardView]: This model is not supported!",
     QT_TRANSLATE_NOOP("SDCardView", "This model is not support!")},
};

// Cameras keep their recordings in the root or a folder or two below it.
constexpr int kRecordingDepth = 2;

}  // namespace

SDCardView::SDCardView(DriveQuery *drives, QWidget *parent)
    : ThemedDialog(QStringLiteral("SDCardView"), "ui_sdcardView", parent), drives_(drives) {
  title_ = themed(new QLabel(tr("SD Card"), this), QStringLiteral("lTitle"));
  table_ = themed(new QTableWidget(0, ColumnCount, this), QStringLiteral("twSDCard"));
  table_->setHorizontalHeaderLabels({tr("Drive"), tr("Name"), tr("Total"), tr("Used"), tr("Free")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(RootColumn, QHeaderView::ResizeToContents);
  table_->setShowGrid(false);
  table_->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::ResizeToContents);
  // The table keeps its frame to itself; the header matches the dialog.
  table_->setStyleSheet(
      QStringLiteral("QTableWidget#twSDCard { %1 } QHeaderView::section { background-color: "
                     "#303030; color: #e0e0e0; border: none; padding: 6px; } "
                     "QTableWidget::item:selected { background-color: #43aea3; color: #ffffff; }")
          .arg(style_.styleSheet(style_.item(QStringLiteral("twSDCard")))));
  bRefresh_ = themed(new QPushButton(tr("Refresh"), this), QStringLiteral("bRefresh"));
  bOpen_ = themed(new QPushButton(tr("Open"), this), QStringLiteral("bOpen"));
  bCancel_ = themed(new QPushButton(tr("Cancel"), this), QStringLiteral("bCancel"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  connect(bRefresh_, &QPushButton::clicked, this, &SDCardView::loadMemory);
  connect(bOpen_, &QPushButton::clicked, this, &SDCardView::onClickOpen);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(bClose_, &QPushButton::clicked, this, &QDialog::reject);
  connect(table_, &QTableWidget::itemClicked, this, &SDCardView::onItemClicked);
}

QString SDCardView::gigabytes(qint64 bytes) {
  return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0), 'f', 1) +
         QStringLiteral("GB");
}

void SDCardView::showEvent(QShowEvent *event) {
  ThemedDialog::showEvent(event);
  loadMemory();
}

void SDCardView::loadMemory() {
  logDebug("SDCardView::loadMemory");
  logInfo("[SDCardView]: Try to load memory...");
  table_->setRowCount(0);
  for (const DriveInfo &d : drives_->drives()) {
    if (!d.removable || !DriveQuery::isValidMemory(d.root)) continue;
    logInfo("[SDCardView] find valid sdcard!");
    const int row = table_->rowCount();
    table_->insertRow(row);
    const QString cells[ColumnCount] = {d.root, d.label + QLatin1Char(' '), gigabytes(d.bytesTotal),
                                        gigabytes(d.bytesTotal - d.bytesFree),
                                        gigabytes(d.bytesFree)};
    for (int c = 0; c < ColumnCount; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
  }
  logLine("Complete!");
}

void SDCardView::onItemClicked() {
  logInfo("[SDCardView]: SDCard Item is clicked.");
}

QStringList SDCardView::recordingsOf(const QString &root) {
  QStringList files;
  const int base = root.count(QLatin1Char('/'));
  QDirIterator it(root, {QStringLiteral("*.mp4"), QStringLiteral("*.avi")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (path.count(QLatin1Char('/')) - base - 1 > kRecordingDepth) continue;
    if (RecordingName::accepted(QFileInfo(path).fileName())) files << path;
  }
  files.sort();
  return files;
}

void SDCardView::onClickOpen() {
  logDebug("SDCardView::onClickOpen");
  logInfo("[SDCardView]: Open Folder is clicked.");
  const QList<QTableWidgetItem *> chosen = table_->selectedItems();
  const QString root =
      chosen.isEmpty() ? QString() : table_->item(chosen.first()->row(), 0)->text();
  if (root.isEmpty() || !QFileInfo(root).isDir()) {
    logInfo("[SDCardView]: No SDCard!");
    MessageBoxes::inform(this, table_->rowCount() == 0 || !root.isEmpty()
                                   ? tr("SD Card is not connected!")
                                   : tr("SD Card is not selected!"));
    return;
  }
  const ConfigAccess::Result read = ConfigAccess::instance().readConfig(root);
  if (read != ConfigAccess::Ok) {
    const char *log = "[SDCardView]: Error is Occured!";
    QString message = tr("Error is occured!");
    for (const ReadFailure &f : kReadFailures)
      if (f.result == read) log = f.log, message = tr(f.message);
    logInfo("%s", log);
    MessageBoxes::inform(this, message);
    return;
  }
  const QStringList files = recordingsOf(root);
  if (files.isEmpty()) {
    logInfo("[SDCardView]: No Item!");
    MessageBoxes::inform(this, tr("SD Card is Empty!"));
  }
  emit onSendSDCardData(root, files);
  accept();
}
