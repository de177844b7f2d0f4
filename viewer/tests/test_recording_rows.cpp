// The recording list's bookkeeping on its own: filter, choice, next and
// previous, removal with the chosen row kept in step.
#include <gtest/gtest.h>

#include "core/RecordingRows.h"

namespace {

RecordingItem item(const char *name, int type) {
  RecordingItem i;
  i.fileName = QString::fromLatin1(name);
  i.filePath = QStringLiteral("/card/") + i.fileName;
  i.type = type;
  return i;
}

class Rows : public testing::Test {
 protected:
  void SetUp() override {
    // I E P U I
    for (const auto &[name, type] : std::vector<std::pair<const char *, int>>{
             {"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 1}})
      rows.append(item(name, type));
  }
  QVector<RecordingItem> items;
  QVector<int> visible;
  RecordingRows rows{items, visible};
};

TEST_F(Rows, TheFilterDecidesTheShownRowsAndTheChosenOnesPosition) {
  EXPECT_EQ(visible, (QVector<int>{0, 1, 2, 3, 4}));
  rows.choose(2);
  EXPECT_EQ(rows.currentPosition(), 2);
  rows.setFilter(1 | 2 | 8);  // parking hidden, and with it the chosen row
  EXPECT_EQ(visible, (QVector<int>{0, 1, 3, 4}));
  EXPECT_EQ(rows.currentPosition(), -1);
  EXPECT_EQ(rows.nextRow(), 0);  // next starts at the top
  rows.setFilter(RecordingRows::kAllTypes);
  EXPECT_EQ(rows.currentPosition(), 2);
  // An appended row obeys the filter in force; a type 0 row is never shown.
  rows.setFilter(2);
  EXPECT_FALSE(rows.append(item("f", 1)));
  EXPECT_TRUE(rows.append(item("g", 2)));
  EXPECT_FALSE(rows.append(item("h", 0)));
  EXPECT_EQ(visible, (QVector<int>{1, 6}));
  EXPECT_EQ(items[7].index, 7);
}

TEST_F(Rows, NextAndPreviousStopAtTheEndsOfTheShownRows) {
  rows.setFilter(1 | 4);  // a c e
  rows.choose(0);
  EXPECT_EQ(rows.previousRow(), -1);
  EXPECT_EQ(rows.nextRow(), 2);
  rows.choose(4);
  EXPECT_EQ(rows.nextRow(), -1);
  EXPECT_EQ(rows.previousRow(), 2);
  EXPECT_EQ(rows.firstRow(), 0);
  rows.reset();
  EXPECT_EQ(rows.firstRow(), -1);
  EXPECT_EQ(rows.nextRow(), -1);
}

TEST_F(Rows, RemovingKeepsTheChosenRowInStepOrLetsNextFollowOn) {
  rows.choose(3);
  EXPECT_FALSE(rows.remove({0, 1}));
  EXPECT_EQ(rows.playRow(), 1);  // "d" moved up two rows
  EXPECT_EQ(items[rows.playRow()].fileName, QStringLiteral("d"));
  EXPECT_EQ(rows.currentPosition(), 1);
  for (int i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].index, i);

  // The chosen row itself goes: nothing is chosen, next goes on with "e".
  EXPECT_TRUE(rows.remove({1}));
  EXPECT_EQ(rows.playRow(), -1);
  EXPECT_EQ(items[rows.nextRow()].fileName, QStringLiteral("e"));
}

TEST_F(Rows, ALoadThatKeepsThePlayingRecordingKeepsItChosen) {
  rows.choose(1);
  QVector<RecordingItem> again{item("b", 2), item("x", 1)};
  rows.replace(again, QStringLiteral("/card/b"), false);
  EXPECT_EQ(rows.playRow(), 0);
  EXPECT_EQ(rows.currentPosition(), 0);
  rows.replace({item("y", 1)}, QStringLiteral("/card/b"), false);
  EXPECT_EQ(rows.playRow(), -1);
  EXPECT_EQ(rows.currentPosition(), -1);  // not listed: next starts at the top
  EXPECT_EQ(rows.nextRow(), 0);
}

}  // namespace
