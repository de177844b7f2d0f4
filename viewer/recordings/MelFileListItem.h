// The recording list: one row per loaded file with its type label, name and
// play time. Loads files, folders, drops and the SD card's files; filters by
// type; makes the chosen row the current recording; steps to the next and
// previous visible row; removes rows from the list or deletes their files.
// The rows' data lives in ViewerState::recordingList and visibleRows.
#ifndef VIEWER_RECORDINGS_MELFILELISTITEM_H
#define VIEWER_RECORDINGS_MELFILELISTITEM_H

#include <QStringList>
#include <QUrl>

#include "core/RecordingRows.h"
#include "recordings/MelTableWidget.h"

class DurationLoader;
class QAction;
class QMenu;
struct RecordingItem;

class MelFileListItem : public MelTableWidget {
  Q_OBJECT
 public:
  // Why the list asks the player to stop.
  enum StopReason { StopPlain = 3, StopForDeletion = 4 };
  enum Column { LabelColumn = 0, NameColumn = 1, DurationColumn = 2 };
  // The type letter of a row, kept on its column-0 cell.
  static constexpr int LetterRole = Qt::UserRole + 1;

  explicit MelFileListItem(QWidget *parent = nullptr);
  ~MelFileListItem() override;

  // Position of the current recording in visibleRows; -1 when the type
  // filter hides it.
  int currentPosition() const { return rows_.currentPosition(); }
  // Table row of the current recording, -1 when none is set.
  int playRow() const { return rows_.playRow(); }
  int filterMask() const { return rows_.filter(); }
  const RecordingRows &rows() const { return rows_; }
  // True while the play times of a multi-file load are being read.
  bool isReadingDurations() const;
  DurationLoader *durationLoader() const { return loader_; }
  // "  Delete at list  " and "  Delete from disk  ", shown on a right click.
  QMenu *contextMenu() const { return menu_; }

  // The type letter of a row ("I", "E", "P", "U" or empty).
  QString letter(int row) const;

  // A dropped URL as a path: a local file keeps its native path; anything
  // else (a web address, a file on another host) gives an empty path.
  static QString pathFromUrl(const QUrl &url);
  // The plain files of a folder, as Open Folder loads them.
  static QStringList folderFiles(const QString &folder);
  // The style sheet of the type label of a row.
  static QString labelStyleSheet(int type, bool highlighted);

 public slots:
  void recvReqFileOpen();
  void recvReqFolderOpen();
  // Loads a folder's files, stopping what plays first.
  void loadFolder(const QString &folder);
  // The SD-card dialog's files replace everything loaded so far.
  void recvCardFiles(const QStringList &paths);
  void onLoadItem(const QStringList &paths);
  void onSortFile(int mask);
  void onRenumber();
  void onRemoveFile(int row);
  // Asks, then removes the selected rows from the list.
  void onDeleteCurrentFile();
  // Asks, then deletes the selected rows' files from the disk.
  void onDeleteCurrentFileFromDisk();
  void onSetFirstFile();
  void onNextFile();
  void onPreviousFile();
  // Several rows may be selected at once (for deletion) or only one.
  void onChangeSelectionMode(bool multiple);
  void onUpdateData(const QString &thumbnailPath, int row);
  // The background reader of load `generation` has finished.
  void onFinishReadFileTime(quint64 generation);

 signals:
  // CurrentRecording holds the row to play.
  void playItemSelected();
  void stopRequested(int reason);
  void playButtonStateChanged(bool on);
  void controlsCleared();
  // Next file was asked for on the last visible row; nothing is current.
  void noNextFile();
  // Column 2 shows the play times of the latest multi-file load.
  void durationsShown();

 protected:
  void changeEvent(QEvent *event) override;
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;

 private:
  void retranslate();
  void resetList();
  void loadOne(const QString &path);
  void loadMany(const QStringList &paths);
  void fillRow(int row, const RecordingItem &item);
  void syncLabels();
  void setHighlighted(int row, bool highlighted);
  void moveTo(int row);
  void showFilteredRows();
  void setPlayItem();
  void showContextMenu(const QPoint &pos);
  QList<int> selectedRowNumbers() const;
  void deleteSelected(bool fromDisk);

  DurationLoader *loader_;
  QMenu *menu_;
  QAction *deleteAtList_ = nullptr;
  QAction *deleteFromDisk_ = nullptr;
  // Cells that carry a label widget: only the rows on screen do.
  QList<QPersistentModelIndex> labelCells_;
  quint64 generation_ = 0;
  RecordingRows rows_;
  // The press that opened a double click already chose the row.
  bool playSetByPress_ = false;
};

#endif
