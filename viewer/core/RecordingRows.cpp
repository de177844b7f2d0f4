#include "core/RecordingRows.h"

#include <algorithm>
#include <functional>

#include "core/RecordingName.h"

RecordingRows::RecordingRows(QVector<RecordingItem> &items, QVector<int> &visible)
    : items_(items), visible_(visible) {}

void RecordingRows::reset() {
  items_.clear();
  visible_.clear();
  playRow_ = -1;
  position_ = 0;
}

bool RecordingRows::typeShown(int type) const {
  return (RecordingName::filterBit(RecordingName::label(type)) & mask_) != 0;
}

bool RecordingRows::isShown(int row) const {
  return row >= 0 && row < items_.size() && typeShown(items_[row].type);
}

bool RecordingRows::append(RecordingItem item) {
  const int row = items_.size();
  item.index = row;
  items_.append(item);
  // The new row obeys the filter that is in force.
  if (!typeShown(item.type)) return false;
  visible_.append(row);
  return true;
}

void RecordingRows::replace(const QVector<RecordingItem> &items, const QString &playingPath,
                            bool wasEmpty) {
  items_ = items;
  playRow_ = -1;
  for (int row = 0; row < items_.size(); ++row) {
    items_[row].index = row;
    if (!playingPath.isEmpty() && items_[row].filePath == playingPath) playRow_ = row;
  }
  if (playRow_ < 0 && !wasEmpty) position_ = -1;  // the recording played is not listed
  setFilter(mask_);
}

void RecordingRows::setFilter(int mask) {
  mask_ = mask & kAllTypes;
  visible_.clear();
  for (int row = 0; row < items_.size(); ++row) {
    const bool shown = typeShown(items_[row].type);
    if (shown) visible_.append(row);
    if (row == playRow_) position_ = shown ? visible_.size() - 1 : -1;
  }
}

void RecordingRows::renumber() {
  for (int i = 0; i < items_.size(); ++i) items_[i].index = i;
  visible_.clear();
  for (int row = 0; row < items_.size(); ++row)
    if (typeShown(items_[row].type)) visible_.append(row);
}

bool RecordingRows::remove(QList<int> rows) {
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  const int oldPlayRow = playRow_;
  const bool hadPosition = position_ >= 0;
  int removedBefore = 0;
  bool chosenRemoved = false;
  for (int row : rows) {
    if (row < 0 || row >= items_.size()) continue;
    visible_.removeOne(row);
    items_.remove(row);
    if (row < oldPlayRow) ++removedBefore;
    if (row == oldPlayRow) chosenRemoved = true;
  }
  renumber();
  if (oldPlayRow < 0) return false;
  const int shifted = oldPlayRow - removedBefore;
  if (!chosenRemoved) {
    playRow_ = shifted;
    position_ = visible_.indexOf(playRow_);
    return false;
  }
  // Nothing is chosen; "next" goes on with the row that followed it.
  playRow_ = -1;
  int before = 0;
  for (int row : visible_)
    if (row < shifted) ++before;
  position_ = hadPosition ? before - 1 : -1;
  return true;
}

void RecordingRows::removeOne(int row) {
  if (row < 0 || row >= items_.size()) return;
  visible_.removeOne(row);
  items_.remove(row);
}

void RecordingRows::choose(int row) {
  if (row < 0 || row >= items_.size()) return;
  playRow_ = row;
  position_ = visible_.indexOf(row);
}

void RecordingRows::clearChoice() {
  playRow_ = -1;
}

int RecordingRows::nextRow() const {
  if (position_ >= visible_.size() - 1) return -1;
  return visible_.at(position_ + 1);
}

int RecordingRows::previousRow() const {
  const int last = visible_.size() - 1;
  if (position_ <= 0 || last < 0) return -1;
  return visible_.at(std::min(position_ - 1, last));
}

int RecordingRows::firstRow() const {
  return visible_.isEmpty() ? -1 : visible_.first();
}
