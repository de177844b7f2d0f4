#include "recordings/MelFileListItem.h"

#include <QAction>
#include <QEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSet>
#include <algorithm>
#include <functional>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "recordings/DurationLoader.h"
#include "core/KRNData.h"
#include "core/RecordingName.h"
#include "widgets/MessageBoxes.h"

namespace {

const char *const kMenuStyle =
    "QMenu { background-color: #1b1c1e; border: 1px solid #101010; color: #b3b3b3; }"
    "QMenu::item { height: 20px; background-color: transparent; color: #b3b3b3; }"
    "QMenu::item:selected { background-color: #43aea3; color: #ffffff; }";

bool playerActive() {
  const PlayState s = ViewerState::instance().playState();
  return s == PlayState::Playing || s == PlayState::Paused;
}

}  // namespace

MelFileListItem::MelFileListItem(QWidget *parent)
    : MelTableWidget(parent),
      loader_(new DurationLoader(this)),
      rows_(ViewerState::instance().recordingList, ViewerState::instance().visibleRows) {
  setColumnCount(3);
  setColumnWidth(LabelColumn, 30);
  setColumnWidth(NameColumn, 285);
  setColumnWidth(DurationColumn, 70);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setDragEnabled(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);

  auto *menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("fileListMenu"));
  menu->setStyleSheet(QString::fromLatin1(kMenuStyle));
  deleteAtList_ = menu->addAction(QString());
  deleteFromDisk_ = menu->addAction(QString());
  connect(deleteAtList_, &QAction::triggered, this, &MelFileListItem::onDeleteCurrentFile);
  connect(deleteFromDisk_, &QAction::triggered, this,
          &MelFileListItem::onDeleteCurrentFileFromDisk);
  menu_ = menu;
  retranslate();
  connect(this, &QWidget::customContextMenuRequested, this, &MelFileListItem::showContextMenu);

  connect(loader_, &DurationLoader::durationsRead, this, &MelFileListItem::onFinishReadFileTime,
          Qt::QueuedConnection);
}

MelFileListItem::~MelFileListItem() {
  // The workers report to this object; they must be gone before it is.
  loader_->stop();
}

void MelFileListItem::retranslate() {
  deleteAtList_->setText(tr("  Delete at list  "));
  deleteFromDisk_->setText(tr("  Delete from disk  "));
}

void MelFileListItem::changeEvent(QEvent *event) {
  MelTableWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) retranslate();
}

bool MelFileListItem::isReadingDurations() const {
  return loader_->isRunning();
}

QString MelFileListItem::pathFromUrl(const QUrl &url) {
  // Only what is on this computer: a web address or a file on another host
  // (file://host/...) is not a recording the viewer can read in place.
  if (!url.isLocalFile() || !url.host().isEmpty()) return QString();
  return url.toLocalFile();
}

QString MelFileListItem::labelStyleSheet(int type, bool highlighted) {
  const QString icon = RecordingName::icon(type, highlighted);
  if (icon.isEmpty()) return QString();
  // The icon fills the cell; the letter sits small in its corner.
  return QStringLiteral(
             "QLabel { image: url(\"%1/Resources/image/%2\"); color: %3; font-size: 9px; "
             "font-weight: bold; padding: 0px 1px 0px 0px; }")
      .arg(ViewerState::instance().appDir, icon,
           highlighted ? QStringLiteral("#4cdeb2") : QStringLiteral("#d0d0d0"));
}

// ---------------------------------------------------------------- loading

void MelFileListItem::recvReqFileOpen() {
  logDebug("MelFileListItem::recvReqFileOpen");
  const QStringList paths = QFileDialog::getOpenFileNames(
      this, tr("Open file"), QStringLiteral("./"), tr("Movie file (*.avi *.mp4)"));
  if (paths.isEmpty()) return;  // cancelled
  onLoadItem(paths);
}

void MelFileListItem::recvReqFolderOpen() {
  logDebug("MelFileListItem::recvReqFolderOpen");
  const QString folder = QFileDialog::getExistingDirectory(this, tr("Open Folder"), QString(),
                                                           QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return;  // cancelled
  loadFolder(folder);
}

void MelFileListItem::loadFolder(const QString &folder) {
  if (playerActive()) emit stopRequested(StopPlain);
  onLoadItem(folderFiles(folder));
}

QStringList MelFileListItem::folderFiles(const QString &folder) {
  QStringList paths;
  const QFileInfoList entries =
      QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
  for (const QFileInfo &entry : entries) paths.append(entry.absoluteFilePath());
  return paths;
}

void MelFileListItem::recvCardFiles(const QStringList &paths) {
  logDebug("MelFileListItem::recvCardFiles");
  loader_->stop();
  ++generation_;
  setRowCount(0);
  rows_.reset();
  ViewerState::instance().clearCurrentRecording();
  emit playButtonStateChanged(false);
  emit controlsCleared();
  onLoadItem(paths);
}

void MelFileListItem::onLoadItem(const QStringList &paths) {
  logDebug("MelFileListItem::onLoadItem");
  if (rowCount() == 0) resetList();
  if (paths.isEmpty()) {
    logInfo("[MelFileListItem]: no Item.");
    MessageBoxes::inform(this, tr("There is no item."));
    return;
  }
  if (paths.size() == 1)
    loadOne(paths.first());
  else
    loadMany(paths);
}

void MelFileListItem::resetList() {
  rows_.reset();
}

void MelFileListItem::loadOne(const QString &path) {
  ViewerState &state = ViewerState::instance();
  for (const RecordingItem &listed : state.recordingList) {
    if (listed.filePath != path) continue;
    logInfo("[MelFileListItem]: Some files were loaded already.");
    MessageBoxes::inform(this, tr("Item is exist!"));
    return;
  }
  const QFileInfo info(path);
  if (!RecordingName::accepted(info.fileName())) {
    logInfo("[MelFileListItem]: Unsupported Files.");
    MessageBoxes::inform(this, tr("Item format is different with our service supproted!"));
    return;
  }
  RecordingItem item;
  item.filePath = path;
  item.fileSize = static_cast<uint32_t>(info.size());
  item.fileName = info.fileName();
  item.type = RecordingName::typeOf(item.fileName);
  item.extensions[0] = info.completeSuffix();
  item.extensionCount = 1;

  const int row = rowCount();
  const bool shown = rows_.append(item);
  insertRow(row);
  fillRow(row, state.recordingList[row]);
  setRowHidden(row, !shown);
  syncLabels();
  // The play time is read beside the GUI: the file may sit on a slow card.
  loader_->add(++generation_, {path});
  logInfo("[MelFileListItem]: Load File Complete.");
}

void MelFileListItem::loadMany(const QStringList &paths) {
  ViewerState &state = ViewerState::instance();
  const bool wasEmpty = rowCount() == 0;
  QSet<QString> listed;
  for (const RecordingItem &item : state.recordingList) listed.insert(item.filePath);

  bool alreadyListed = false;
  bool unsupported = false;
  QVector<RecordingItem> batch;
  batch.reserve(paths.size());
  for (const QString &path : paths) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!RecordingName::accepted(name)) {
      (listed.contains(path) ? alreadyListed : unsupported) = true;
      continue;
    }
    if (!batch.isEmpty() && batch.last().filePath == path) {
      RecordingItem &same = batch.last();
      if (same.extensionCount < static_cast<int>(same.extensions.size()))
        same.extensions[static_cast<size_t>(same.extensionCount++)] = info.completeSuffix();
      continue;
    }
    RecordingItem item;
    item.index = batch.size();
    item.filePath = path;
    item.fileSize = static_cast<uint32_t>(info.size());
    item.fileName = name;
    item.type = RecordingName::typeOf(name);
    item.extensions[0] = info.completeSuffix();
    item.extensionCount = 1;
    batch.append(item);
  }
  std::stable_sort(batch.begin(), batch.end(), [](const RecordingItem &a, const RecordingItem &b) {
    return a.fileName < b.fileName;
  });
  // Rows are numbered now rather than when the durations arrive, so a row
  // chosen before then already carries its own number.
  QStringList batchPaths;
  batchPaths.reserve(batch.size());
  for (int i = 0; i < batch.size(); ++i) {
    batch[i].index = i;
    batchPaths.append(batch[i].filePath);
  }

  // The reader of an earlier load must not fill this one.
  ++generation_;
  loader_->stop();

  const CurrentRecording &current = ViewerState::instance().currentRecording();
  setUpdatesEnabled(false);
  setRowCount(0);
  setRowCount(batch.size());
  for (int row = 0; row < batch.size(); ++row) fillRow(row, batch[row]);
  rows_.replace(batch,
                current.isEmpty() ? QString() : QDir::fromNativeSeparators(current.playbackPath),
                wasEmpty);
  showFilteredRows();
  setUpdatesEnabled(true);

  if (!batch.isEmpty()) loader_->start(generation_, batchPaths);

  if (alreadyListed) {
    logInfo("[MelFileListItem]: Some files were loaded already.");
    MessageBoxes::inform(this, tr("Item is exist!"));
  } else if (unsupported) {
    logInfo("[MelFileListItem]: Unsupported Files.");
    MessageBoxes::inform(this, tr("Item format is different with our service supproted!"));
  } else {
    logInfo("[MelFileListItem]: Load File Complete.");
  }
}

void MelFileListItem::fillRow(int row, const RecordingItem &item) {
  auto *typeCell = new QTableWidgetItem;
  typeCell->setData(LetterRole, RecordingName::label(item.type));
  setItem(row, LabelColumn, typeCell);

  auto *name = new QTableWidgetItem(item.fileName);
  if (!item.thumbnailPath.isEmpty())
    name->setToolTip(QStringLiteral("<img src=\"") + item.thumbnailPath + QStringLiteral("\">"));
  setItem(row, NameColumn, name);

  auto *duration = new QTableWidgetItem(item.durationText);
  duration->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setItem(row, DurationColumn, duration);
}

QString MelFileListItem::letter(int row) const {
  const QTableWidgetItem *cell = item(row, LabelColumn);
  return cell ? cell->data(LetterRole).toString() : QString();
}

// A label widget per row costs more than the whole load once there are
// thousands of rows (every child widget is laid out against all its
// siblings), so only the rows on screen, and a few beyond, carry one.
void MelFileListItem::syncLabels() {
  constexpr int kMargin = 8;
  const int rows = rowCount();
  int first = rowAt(0);
  int last = viewport()->height() > 0 ? rowAt(viewport()->height() - 1) : first;
  if (first < 0) first = 0;
  if (last < 0) last = rows - 1;  // the table ends above the bottom edge
  first = qMax(0, first - kMargin);
  last = qMin(rows - 1, last + kMargin);

  for (auto it = labelCells_.begin(); it != labelCells_.end();) {
    if (!it->isValid()) {  // its row was removed, and the widget with it
      it = labelCells_.erase(it);
      continue;
    }
    const int row = it->row();
    if (row >= first && row <= last && !isRowHidden(row)) {
      ++it;
      continue;
    }
    removeCellWidget(row, LabelColumn);
    it = labelCells_.erase(it);
  }
  const QVector<RecordingItem> &list = ViewerState::instance().recordingList;
  for (int row = first; row <= last && row < list.size(); ++row) {
    if (isRowHidden(row) || cellWidget(row, LabelColumn)) continue;
    auto *label = new QLabel(letter(row));
    label->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    label->setStyleSheet(labelStyleSheet(list[row].type, row == rows_.playRow()));
    setCellWidget(row, LabelColumn, label);
    labelCells_.append(QPersistentModelIndex(model()->index(row, LabelColumn)));
  }
}

void MelFileListItem::scrollContentsBy(int dx, int dy) {
  MelTableWidget::scrollContentsBy(dx, dy);
  syncLabels();
}

void MelFileListItem::resizeEvent(QResizeEvent *event) {
  MelTableWidget::resizeEvent(event);
  syncLabels();
}

void MelFileListItem::onFinishReadFileTime(quint64 generation) {
  logDebug("MelFileListItem::onFinishReadFileTime");
  QStringList paths, durations;
  // A report of a load that has since been replaced finds nothing to take.
  if (!loader_->takeResults(generation, &paths, &durations)) return;
  QHash<QString, QString> byPath;
  byPath.reserve(paths.size());
  for (int i = 0; i < paths.size(); ++i) byPath.insert(paths.at(i), durations.at(i));
  // Rows may have been removed or appended since the load; match by path.
  QVector<RecordingItem> &list = ViewerState::instance().recordingList;
  const int rows = qMin(rowCount(), list.size());
  for (int row = 0; row < rows; ++row) {
    RecordingItem &item = list[row];
    const auto found = byPath.constFind(item.filePath);
    if (found != byPath.constEnd()) item.durationText = found.value();
    if (QTableWidgetItem *cell = this->item(row, DurationColumn)) cell->setText(item.durationText);
  }
  emit durationsShown();
}

// -------------------------------------------------------------- filtering

void MelFileListItem::onSortFile(int mask) {
  logDebug("MelFileListItem::onSortFile");
  rows_.setFilter(mask);
  showFilteredRows();
}

void MelFileListItem::showFilteredRows() {
  for (int row = 0; row < rowCount(); ++row) setRowHidden(row, !rows_.isShown(row));
  syncLabels();
}

void MelFileListItem::onRenumber() {
  logDebug("MelFileListItem::onRenumber");
  rows_.renumber();
}

void MelFileListItem::onRemoveFile(int row) {
  logDebug("MelFileListItem::onRemoveFile");
  rows_.removeOne(row);
}

// ---------------------------------------------------- choosing the play item

void MelFileListItem::setHighlighted(int row, bool highlighted) {
  if (row < 0 || row >= rowCount()) return;
  auto *label = qobject_cast<QLabel *>(cellWidget(row, LabelColumn));
  const QVector<RecordingItem> &list = ViewerState::instance().recordingList;
  if (label && row < list.size())
    label->setStyleSheet(labelStyleSheet(list[row].type, highlighted));
}

void MelFileListItem::setPlayItem() {
  ViewerState &state = ViewerState::instance();
  const int row = currentRow();
  if (row < 0 || row >= state.recordingList.size()) return;
  if (rows_.playRow() != row) {
    setHighlighted(rows_.playRow(), false);
    setHighlighted(row, true);
  }
  rows_.choose(row);

  const RecordingItem &item = state.recordingList[row];
  CurrentRecording current;
  current.index = item.index;
  current.fileSize = item.fileSize;
  current.extensions = item.extensions;
  current.fileName = item.fileName;
  current.type = item.type;
  current.playbackPath = QDir::toNativeSeparators(item.filePath);
  current.extensionCount = item.extensionCount;
  state.setCurrentRecording(current);
  logInfo("Play item set complete!");
  emit playItemSelected();
}

void MelFileListItem::moveTo(int row) {
  selectRow(row);
  setCurrentCell(row, NameColumn);
  scrollToItem(item(row, NameColumn));
  setPlayItem();
}

void MelFileListItem::onSetFirstFile() {
  logDebug("MelFileListItem::onSetFirstFile");
  const int first = rows_.firstRow();
  if (first < 0) {
    logInfo("[MelFileListItem]: no Item.");
    return;
  }
  moveTo(first);
}

void MelFileListItem::onNextFile() {
  logDebug("MelFileListItem::onNextFile");
  logInfo("[MelFileListItem]: change select item to forward.");
  const int next = rows_.nextRow();
  if (next < 0) {
    // Nothing follows: what plays stops, it does not play on behind the logo.
    if (playerActive()) emit stopRequested(StopPlain);
    ViewerState &state = ViewerState::instance();
    setHighlighted(rows_.playRow(), false);
    rows_.clearChoice();
    state.clearCurrentRecording();
    state.setPlayState(PlayState::Stopped);
    emit playButtonStateChanged(false);
    emit controlsCleared();
    emit noNextFile();
    return;
  }
  moveTo(next);
}

void MelFileListItem::onPreviousFile() {
  logDebug("MelFileListItem::onPreviousFile");
  logInfo("[MelFileListItem]: change select item");
  const int previous = rows_.previousRow();
  if (previous < 0) {
    MessageBoxes::inform(this, tr("There is no item."));
    return;
  }
  moveTo(previous);
}

void MelFileListItem::onChangeSelectionMode(bool multiple) {
  logDebug("MelFileListItem::onChangeSelectionMode");
  setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection
                            : QAbstractItemView::SingleSelection);
}

void MelFileListItem::onUpdateData(const QString &thumbnailPath, int row) {
  logDebug("MelFileListItem::onUpdateData");
  QVector<RecordingItem> &list = ViewerState::instance().recordingList;
  QTableWidgetItem *name = this->item(row, NameColumn);
  if (row < 0 || row >= list.size() || !name) {
    logError("Can't update tool tip because item is not exist.");
    return;
  }
  list[row].thumbnailPath = thumbnailPath;
  name->setToolTip(QStringLiteral("<img src=\"") + thumbnailPath + QStringLiteral("\">"));
}

// ----------------------------------------------------------------- deletion

QList<int> MelFileListItem::selectedRowNumbers() const {
  QList<int> rows;
  for (const QModelIndex &index : selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  return rows;
}

void MelFileListItem::onDeleteCurrentFile() {
  logDebug("MelFileListItem::onDeleteCurrentFile");
  deleteSelected(false);
}

void MelFileListItem::onDeleteCurrentFileFromDisk() {
  logDebug("MelFileListItem::onDeleteCurrentFileFromDisk");
  deleteSelected(true);
}

void MelFileListItem::deleteSelected(bool fromDisk) {
  const QList<int> rows = selectedRowNumbers();  // last row first
  if (rows.isEmpty()) {
    logInfo("No Select Items");
    return;
  }
  const QString question = fromDisk ? tr("Do you want to delete the selected files at disk?")
                                    : tr("Do you want to delete the selected files at list?");
  if (!MessageBoxes::ask(this, tr("Warning"), question)) return;
  if (rows.contains(rows_.playRow()) && playerActive()) emit stopRequested(StopForDeletion);

  ViewerState &state = ViewerState::instance();
  QStringList undeletable;
  QList<int> removed;
  for (int row : rows) {
    if (row >= state.recordingList.size()) continue;
    if (fromDisk) {
      // A file that stays on the disk stays in the list too.
      const QString path = state.recordingList[row].filePath;
      if (!QFile::remove(path) && QFile::exists(path)) {
        logError("[MelFileListItem]: Can't delete %s", qUtf8Printable(path));
        undeletable.append(path);
        continue;
      }
    }
    removed.append(row);
  }
  const bool chosenRemoved = rows_.remove(removed);
  for (int row : removed) removeRow(row);  // last first
  syncLabels();

  // The current recording keeps its row number in step with the rows left;
  // when it is gone, nothing is current and next file goes on with the row
  // that followed it.
  if (chosenRemoved) {
    state.clearCurrentRecording();
    emit playButtonStateChanged(false);
    emit controlsCleared();
  } else if (rows_.playRow() >= 0) {
    CurrentRecording current = state.currentRecording();
    const int index = state.recordingList[rows_.playRow()].index;
    if (!current.isEmpty() && current.index != index) {
      current.index = index;
      state.setCurrentRecording(current);
    }
  }

  if (!undeletable.isEmpty())
    MessageBoxes::inform(this, tr("These files could not be deleted from the disk:\n%1")
                                   .arg(undeletable.join(QLatin1Char('\n'))));
}

// ------------------------------------------------------------ input events

void MelFileListItem::showContextMenu(const QPoint &pos) {
  if (selectedRowNumbers().isEmpty()) {
    logInfo("No Select Items");
    return;
  }
  menu_->exec(viewport()->mapToGlobal(pos));
}

void MelFileListItem::mousePressEvent(QMouseEvent *event) {
  const int before = currentRow();
  MelTableWidget::mousePressEvent(event);
  playSetByPress_ = false;
  if (event->button() != Qt::LeftButton) return;
  if (currentRow() != before && currentRow() >= 0) {
    setPlayItem();
    playSetByPress_ = true;
  }
}

void MelFileListItem::mouseDoubleClickEvent(QMouseEvent *event) {
  MelTableWidget::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const bool chosen = playSetByPress_;
  playSetByPress_ = false;
  if (!chosen && indexAt(event->pos()).isValid()) setPlayItem();
}

void MelFileListItem::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Delete) {
    event->accept();
    onDeleteCurrentFile();
    return;
  }
  MelTableWidget::keyPressEvent(event);
}

void MelFileListItem::dragEnterEvent(QDragEnterEvent *event) {
  if (!event->mimeData()->hasUrls()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MelFileListItem::dragMoveEvent(QDragMoveEvent *event) {
  if (!event->mimeData()->hasUrls()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MelFileListItem::dropEvent(QDropEvent *event) {
  if (!event->mimeData()->hasUrls()) {
    event->ignore();
    return;
  }
  logInfo("[MelFileListItem]: items are dropped in list.");
  event->acceptProposedAction();
  QStringList paths, refused;
  bool folder = false;
  for (const QUrl &url : event->mimeData()->urls()) {
    const QString path = pathFromUrl(url);
    if (path.isEmpty()) {
      refused.append(url.toDisplayString());
      continue;
    }
    if (QFileInfo(path).isDir()) {
      folder = true;
      paths.append(folderFiles(path));
    } else {
      paths.append(path);
    }
  }
  if (!refused.isEmpty()) {
    logInfo("[MelFileListItem]: dropped items that are not on this computer were refused.");
    MessageBoxes::inform(
        this,
        tr("Only files on this computer can be opened:\n%1").arg(refused.join(QLatin1Char('\n'))));
    if (paths.isEmpty()) return;
  }
  // A dropped folder is opened as Open Folder opens it.
  if (folder && playerActive()) emit stopRequested(StopPlain);
  onLoadItem(paths);
}
