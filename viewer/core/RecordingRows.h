// The bookkeeping of the recording list without the widget that shows it:
// which rows the type filter shows (visibleRows), which row plays, where it
// stands among the visible ones, and what "next" and "previous" mean. The
// rows themselves are the process-wide recordingList; the table widget only
// mirrors what this class decides.
#ifndef VIEWER_CORE_RECORDINGROWS_H
#define VIEWER_CORE_RECORDINGROWS_H

#include <QList>
#include <QString>
#include <QVector>

#include "core/RecordingItem.h"

class RecordingRows {
 public:
  static constexpr int kAllTypes = 15;

  RecordingRows(QVector<RecordingItem> &items, QVector<int> &visible);

  // Nothing listed, nothing chosen, the filter kept.
  void reset();
  // Appends one row (numbered after the others); true when the filter shows it.
  bool append(RecordingItem item);
  // Takes a new list (a load of several files). The recording at
  // playingPath, if listed, stays the chosen one; otherwise nothing is
  // chosen and, when rows were listed before, "next" starts from the top.
  void replace(const QVector<RecordingItem> &items, const QString &playingPath, bool wasEmpty);

  // The type filter (bits 1 Infinity, 2 Event, 4 Parking, 8 User).
  void setFilter(int mask);
  int filter() const { return mask_; }
  bool isShown(int row) const;
  bool typeShown(int type) const;

  // Removes rows (any order) from the list, numbers the rest anew and keeps
  // the chosen row and its position in step; true when the chosen row was
  // among them (nothing is chosen then, and "next" goes on with the row that
  // followed it).
  bool remove(QList<int> rows);
  // Takes one row out as it is: its number leaves the shown rows, the item
  // leaves the list, and nothing is numbered anew (renumber() follows).
  void removeOne(int row);
  // Numbers the rows 0, 1, 2 ... and lists the shown ones again.
  void renumber();

  // The row that plays; its position among the shown rows (-1 when the
  // filter hides it).
  void choose(int row);
  void clearChoice();
  int playRow() const { return playRow_; }
  int currentPosition() const { return position_; }
  // The row "next" and "previous" go to; -1 at the end of the shown rows.
  int nextRow() const;
  int previousRow() const;
  int firstRow() const;

 private:
  QVector<RecordingItem> &items_;
  QVector<int> &visible_;
  int mask_ = kAllTypes;
  int playRow_ = -1;
  int position_ = 0;
};

#endif
