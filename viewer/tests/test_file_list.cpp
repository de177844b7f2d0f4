// The recording list: loading, merging, messages, the type filter, the
// current recording, next/previous, removal and deletion, drops and the
// input blocking. Files here are empty (their play time is not the point);
// test_duration_column.cpp reads real recordings.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "recordings/MelFileListItem.h"
#include "core/RecordingName.h"
#include "recording_list_support.h"

using listtest::CapturedBoxes;

namespace {

const char *const kNoItem = "There is no item.";
const char *const kExists = "Item is exist!";
const char *const kUnsupported = "Item format is different with our service supproted!";

class FileList : public testing::Test {
 protected:
  void SetUp() override {
    listtest::resetState();
    ASSERT_TRUE(dir_.isValid());
    logPath_ = dir_.filePath(QStringLiteral("playerStatus.txt"));
    StatusLog::setPath(logPath_);
    list_.resize(400, 300);
    list_.show();
    QObject::connect(&list_, &MelFileListItem::durationsShown, [this] { ++shown_; });
    listtest::useIconsIn(dir_.filePath(QStringLiteral("app")));
  }
  void TearDown() override {
    StatusLog::setPath(QString());
    listtest::resetState();
  }

  // An empty file under a recording's name (or any name).
  QString file(const QString &name, const QByteArray &content = QByteArray()) {
    const QString path = dir_.filePath(name);
    EXPECT_TRUE(listtest::touch(path, content)) << path.toStdString();
    return path;
  }
  QStringList files(const QStringList &names) {
    QStringList out;
    for (const QString &n : names) out.append(file(n));
    return out;
  }
  QString nameAt(int row) const {
    return list_.item(row, 1) ? list_.item(row, 1)->text() : QString();
  }
  QString letterAt(int row) const { return list_.letter(row); }
  QLabel *labelAt(int row) const { return qobject_cast<QLabel *>(list_.cellWidget(row, 0)); }
  QString labelStyleAt(int row) const {
    auto *label = qobject_cast<QLabel *>(list_.cellWidget(row, 0));
    return label ? label->styleSheet() : QString();
  }
  // After a load of several files: until their times are shown.
  void waitForDurations() {
    const int before = shown_;
    ASSERT_TRUE(listtest::waitUntil([&] { return shown_ > before; }));
  }
  QVector<RecordingItem> &items() { return ViewerState::instance().recordingList; }
  QVector<int> &visible() { return ViewerState::instance().visibleRows; }
  const CurrentRecording &current() { return ViewerState::instance().currentRecording(); }

  // Five recordings, one of each type and the typeless one, in this order
  // after sorting.
  void loadFiveTypes() {
    list_.onLoadItem(files({"20230101_100000_INF_1.mp4", "20230101_110000_EVT_1.mp4",
                            "20230101_120000_PRK_1.mp4", "20230101_130000_USR_1.mp4",
                            "20230101_140000_INF_1.mp4"}));
    waitForDurations();
  }

  QTemporaryDir dir_;
  QString logPath_;
  int shown_ = 0;
  MelFileListItem list_;
};

}  // namespace

TEST_F(FileList, TableLooksAsTheViewerExpects) {
  EXPECT_EQ(list_.columnCount(), 3);
  EXPECT_EQ(list_.columnWidth(0), 30);
  EXPECT_EQ(list_.columnWidth(1), 285);
  EXPECT_EQ(list_.columnWidth(2), 70);
  EXPECT_EQ(list_.verticalHeader()->defaultSectionSize(), 24);
  EXPECT_EQ(list_.selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list_.selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list_.editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(list_.showGrid());
  EXPECT_FALSE(list_.isSortingEnabled());
  EXPECT_EQ(list_.contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_TRUE(list_.dragEnabled());
  EXPECT_TRUE(list_.acceptDrops());
  EXPECT_EQ(list_.font().family(), QStringLiteral("Noto Sans CJK KR"));
  EXPECT_EQ(list_.font().pixelSize(), 12);
  list_.onChangeSelectionMode(true);
  EXPECT_EQ(list_.selectionMode(), QAbstractItemView::ExtendedSelection);
  list_.onChangeSelectionMode(false);
  EXPECT_EQ(list_.selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(FileList, SeveralPathsAreSortedByNameMergedAndNumbered) {
  CapturedBoxes boxes;
  const QString a = file(QStringLiteral("20230101_100000_EVT_1.mp4"), QByteArray(1234, 'x'));
  const QString b = file(QStringLiteral("20230101_100000_INF_2.mp4"));
  const QString c = file(QStringLiteral("20230102_080000_PRK_1.mp4"));
  list_.onLoadItem({c, a, a, b});
  waitForDurations();
  EXPECT_TRUE(boxes.boxes.isEmpty());
  ASSERT_EQ(list_.rowCount(), 3);
  ASSERT_EQ(items().size(), 3);
  EXPECT_EQ(nameAt(0), QStringLiteral("20230101_100000_EVT_1.mp4"));
  EXPECT_EQ(nameAt(1), QStringLiteral("20230101_100000_INF_2.mp4"));
  EXPECT_EQ(nameAt(2), QStringLiteral("20230102_080000_PRK_1.mp4"));
  EXPECT_EQ(letterAt(0), QStringLiteral("E"));
  EXPECT_EQ(letterAt(1), QStringLiteral("I"));
  EXPECT_EQ(letterAt(2), QStringLiteral("P"));
  ASSERT_NE(labelAt(2), nullptr);
  EXPECT_EQ(labelAt(2)->text(), QStringLiteral("P"));
  // The repeated path became one row carrying both extensions.
  EXPECT_EQ(items()[0].extensionCount, 2);
  EXPECT_EQ(items()[0].extensions[0], QStringLiteral("mp4"));
  EXPECT_EQ(items()[0].extensions[1], QStringLiteral("mp4"));
  EXPECT_EQ(items()[0].fileSize, 1234u);
  EXPECT_EQ(items()[0].filePath, a);
  EXPECT_EQ(items()[1].extensionCount, 1);
  EXPECT_EQ(items()[2].type, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(items()[i].index, i);
  EXPECT_EQ(visible(), (QVector<int>{0, 1, 2}));
  EXPECT_TRUE(listtest::logHas(logPath_, QStringLiteral("[MelFileListItem]: Load File Complete.")));
  const QRegularExpression elapsed(QStringLiteral("getFileTime elapsed time: \\d+ms$"));
  bool timed = false;
  for (const QString &line : listtest::logLines(logPath_)) timed |= elapsed.match(line).hasMatch();
  EXPECT_TRUE(timed);
}

TEST_F(FileList, SeveralPathsReplaceTheListAndOnePathAppends) {
  CapturedBoxes boxes;
  list_.onLoadItem(files({"20230101_100000_INF_1.mp4", "20230101_110000_INF_1.mp4"}));
  waitForDurations();
  list_.onLoadItem(files({"20230201_100000_EVT_1.mp4", "20230201_090000_USR_1.mp4"}));
  waitForDurations();
  ASSERT_EQ(list_.rowCount(), 2);
  EXPECT_EQ(nameAt(0), QStringLiteral("20230201_090000_USR_1.mp4"));
  list_.onLoadItem({file(QStringLiteral("20220101_100000_PRK_1.mp4"))});
  ASSERT_EQ(list_.rowCount(), 3);
  ASSERT_EQ(items().size(), 3);
  // Appended at the end, not sorted in.
  EXPECT_EQ(nameAt(2), QStringLiteral("20220101_100000_PRK_1.mp4"));
  EXPECT_EQ(items()[2].index, 2);
  EXPECT_EQ(items()[2].extensions[0], QStringLiteral("mp4"));
  EXPECT_EQ(visible(), (QVector<int>{0, 1, 2}));
  EXPECT_TRUE(boxes.boxes.isEmpty());
}

TEST_F(FileList, TheSameSingleFileTwiceIsRefused) {
  CapturedBoxes boxes;
  const QString path = file(QStringLiteral("20230101_120000_INF_1.mp4"));
  list_.onLoadItem({path});
  list_.onLoadItem({path});
  EXPECT_EQ(list_.rowCount(), 1);
  EXPECT_EQ(items().size(), 1);
  EXPECT_EQ(boxes.texts(), QStringList{QString::fromLatin1(kExists)});
  EXPECT_FALSE(boxes.boxes[0].question);
  EXPECT_TRUE(listtest::logHas(
      logPath_, QStringLiteral("[MelFileListItem]: Some files were loaded already.")));
}

TEST_F(FileList, MessagesForNothingAndForForeignFiles) {
  CapturedBoxes boxes;
  list_.onLoadItem({});
  EXPECT_TRUE(listtest::logHas(logPath_, QStringLiteral("[MelFileListItem]: no Item.")));
  list_.onLoadItem({file(QStringLiteral("holiday.mp4"))});
  EXPECT_EQ(list_.rowCount(), 0);
  EXPECT_TRUE(listtest::logHas(logPath_, QStringLiteral("[MelFileListItem]: Unsupported Files.")));
  // A load of several with one foreign file lists the others, then says so once.
  list_.onLoadItem({file(QStringLiteral("20230101_120000_INF_1.MP4")),
                    file(QStringLiteral("20230101_120000_INF_1.mp4")),
                    file(QStringLiteral("notes.txt"))});
  waitForDurations();
  EXPECT_EQ(list_.rowCount(), 1);
  EXPECT_EQ(boxes.texts(),
            (QStringList{QString::fromLatin1(kNoItem), QString::fromLatin1(kUnsupported),
                         QString::fromLatin1(kUnsupported)}));
}

TEST_F(FileList, FilterShowsTheMaskedTypesInTableOrder) {
  list_.onLoadItem(files({"20230101_100000_INF_1.mp4", "20230101_110000_EVT_1.mp4",
                          "20230101_120000_PRK_1.mp4", "20230101_130000_USR_1.mp4",
                          "20230101_140000_ENR_1.mp4", "20230101_150000_INF_1.mp4"}));
  waitForDurations();
  ASSERT_EQ(list_.rowCount(), 6);
  EXPECT_EQ(letterAt(4), QString());  // typeless: no letter
  // The typeless row is never shown, not even with every type selected.
  EXPECT_EQ(visible(), (QVector<int>{0, 1, 2, 3, 5}));
  EXPECT_TRUE(list_.isRowHidden(4));
  list_.onSortFile(1 | 4);
  EXPECT_EQ(visible(), (QVector<int>{0, 2, 5}));
  EXPECT_TRUE(list_.isRowHidden(1));
  EXPECT_FALSE(list_.isRowHidden(2));
  list_.onSortFile(8);
  EXPECT_EQ(visible(), (QVector<int>{3}));
  list_.onSortFile(0);
  EXPECT_TRUE(visible().isEmpty());
  list_.onSortFile(15);
  EXPECT_EQ(visible(), (QVector<int>{0, 1, 2, 3, 5}));
  EXPECT_FALSE(list_.isRowHidden(1));
}

TEST_F(FileList, ALoadObeysTheFilterInForce) {
  list_.onSortFile(2);
  loadFiveTypes();
  EXPECT_EQ(visible(), (QVector<int>{1}));
  list_.onLoadItem({file(QStringLiteral("20230102_100000_EVT_1.mp4"))});
  list_.onLoadItem({file(QStringLiteral("20230102_110000_INF_1.mp4"))});
  EXPECT_EQ(visible(), (QVector<int>{1, 5}));
  EXPECT_TRUE(list_.isRowHidden(6));
}

TEST_F(FileList, OnlyRowsOnScreenCarryALabelWidget) {
  QStringList names;
  for (int i = 0; i < 300; ++i)
    names.append(QStringLiteral("20230101_%1%2%3_%4_1.mp4")
                     .arg(i / 60, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0'))
                     .arg(0, 2, 10, QLatin1Char('0'))
                     .arg(QLatin1String(i % 2 ? "EVT" : "INF")));
  list_.onLoadItem(files(names));
  waitForDurations();
  auto labelCount = [this] {
    int n = 0;
    for (int row = 0; row < list_.rowCount(); ++row) n += labelAt(row) ? 1 : 0;
    return n;
  };
  const int onScreen = list_.viewport()->height() / 24 + 1;
  EXPECT_GE(labelCount(), onScreen);
  EXPECT_LE(labelCount(), onScreen + 20);
  ASSERT_NE(labelAt(0), nullptr);
  EXPECT_EQ(labelAt(1)->text(), QStringLiteral("E"));
  EXPECT_EQ(labelAt(299), nullptr);

  list_.onSetFirstFile();
  EXPECT_TRUE(labelStyleAt(0).contains(RecordingName::icon(1, true)));
  list_.scrollToBottom();
  ASSERT_NE(labelAt(299), nullptr);
  EXPECT_EQ(labelAt(299)->text(), QStringLiteral("E"));
  EXPECT_TRUE(labelStyleAt(299).contains(RecordingName::icon(2, false)));
  EXPECT_EQ(labelAt(0), nullptr);
  EXPECT_LE(labelCount(), onScreen + 20);
  list_.scrollToTop();  // the current row comes back highlighted
  EXPECT_TRUE(labelStyleAt(0).contains(RecordingName::icon(1, true)));

  list_.onSortFile(2);  // hidden rows carry none
  EXPECT_EQ(labelAt(0), nullptr);
  EXPECT_NE(labelAt(1), nullptr);
  EXPECT_NE(labelAt(2 * onScreen - 1), nullptr);  // events fill the screen now
}

TEST_F(FileList, ChoosingARowFillsTheCurrentRecording) {
  int played = 0;
  QObject::connect(&list_, &MelFileListItem::playItemSelected, [&] { ++played; });
  QDir().mkpath(dir_.filePath(QStringLiteral("sub dir")));
  const QString path = dir_.filePath(QStringLiteral("sub dir/20230101_100000_EVT_2.mp4"));
  ASSERT_TRUE(listtest::touch(path, QByteArray(77, 'x')));
  list_.onLoadItem({path, file(QStringLiteral("20230101_090000_INF_1.mp4"))});
  waitForDurations();
  list_.onSetFirstFile();
  EXPECT_EQ(current().fileName, QStringLiteral("20230101_090000_INF_1.mp4"));
  list_.onNextFile();
  EXPECT_EQ(played, 2);
  EXPECT_EQ(current().index, 1);
  EXPECT_EQ(current().fileName, QStringLiteral("20230101_100000_EVT_2.mp4"));
  EXPECT_EQ(current().type, 2);
  EXPECT_EQ(current().fileSize, 77u);
  EXPECT_EQ(current().extensionCount, 1);
  EXPECT_EQ(current().extensions[0], QStringLiteral("mp4"));
  // Native separators: on this system the path stays as it is.
  EXPECT_EQ(current().playbackPath, path);
  EXPECT_FALSE(current().playbackPath.contains(QLatin1Char('\\')));
  EXPECT_TRUE(listtest::logHas(logPath_, QStringLiteral("Play item set complete!")));
  EXPECT_TRUE(listtest::logHas(
      logPath_, QStringLiteral("[MelFileListItem]: change select item to forward.")));
  // Only the current row shows the highlighted icon.
  EXPECT_TRUE(labelStyleAt(1).contains(ViewerState::instance().appDir +
                                       QStringLiteral("/Resources/image/") +
                                       RecordingName::icon(2, true)));
  EXPECT_TRUE(labelStyleAt(0).contains(ViewerState::instance().appDir +
                                       QStringLiteral("/Resources/image/") +
                                       RecordingName::icon(1, false)));
}

TEST_F(FileList, NextAndPreviousStopAtBothEnds) {
  CapturedBoxes boxes;
  loadFiveTypes();
  int cleared = 0, noNext = 0, buttonOff = 0;
  QObject::connect(&list_, &MelFileListItem::controlsCleared, [&] { ++cleared; });
  QObject::connect(&list_, &MelFileListItem::noNextFile, [&] { ++noNext; });
  QObject::connect(&list_, &MelFileListItem::playButtonStateChanged,
                   [&](bool on) { buttonOff += on ? 0 : 1; });
  list_.onSetFirstFile();
  EXPECT_EQ(list_.currentPosition(), 0);
  list_.onPreviousFile();
  EXPECT_EQ(boxes.texts(), QStringList{QString::fromLatin1(kNoItem)});
  EXPECT_EQ(list_.currentPosition(), 0);
  EXPECT_EQ(current().index, 0);
  EXPECT_TRUE(listtest::logHas(logPath_, QStringLiteral("[MelFileListItem]: change select item")));

  for (int i = 1; i < 5; ++i) {
    list_.onNextFile();
    EXPECT_EQ(list_.currentPosition(), i);
    EXPECT_EQ(list_.currentRow(), i);
  }
  ViewerState::instance().setPlayState(PlayState::Playing);
  list_.onNextFile();  // on the last row: no wrap-around
  EXPECT_TRUE(current().isEmpty());
  EXPECT_EQ(ViewerState::instance().playState(), PlayState::Stopped);
  EXPECT_EQ(noNext, 1);
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(buttonOff, 1);

  list_.onPreviousFile();
  EXPECT_EQ(list_.currentPosition(), 3);
  EXPECT_EQ(current().index, 3);
}

TEST_F(FileList, NextSkipsHiddenRowsAndStartsAfterAFilteredOutCurrent) {
  loadFiveTypes();  // I E P U I
  list_.onSetFirstFile();
  list_.onNextFile();
  ASSERT_EQ(current().index, 1);  // the event
  list_.onSortFile(1 | 8);        // hides it
  EXPECT_EQ(list_.currentPosition(), -1);
  EXPECT_EQ(visible(), (QVector<int>{0, 3, 4}));
  list_.onNextFile();
  EXPECT_EQ(current().index, 0);
  EXPECT_EQ(list_.currentPosition(), 0);
  list_.onNextFile();
  EXPECT_EQ(current().index, 3);
  list_.onSortFile(15);  // shown again: the position follows the row
  EXPECT_EQ(list_.currentPosition(), 3);
}

TEST_F(FileList, RemoveThenRenumber) {
  loadFiveTypes();
  list_.onSortFile(1 | 2 | 8);  // P hidden: visible 0 1 3 4
  list_.onRemoveFile(1);
  list_.removeRow(1);
  EXPECT_EQ(visible(), (QVector<int>{0, 3, 4}));
  list_.onRenumber();
  ASSERT_EQ(items().size(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(items()[i].index, i);
  EXPECT_EQ(items()[1].type, 3);
  EXPECT_EQ(visible(), (QVector<int>{0, 2, 3}));
  list_.onRemoveFile(17);  // no such row: nothing happens
  EXPECT_EQ(items().size(), 4);
}

TEST_F(FileList, DeleteAtListAsksAndRemovesTheSelectedRows) {
  CapturedBoxes boxes;
  loadFiveTypes();
  list_.onChangeSelectionMode(true);
  list_.selectRow(1);
  list_.selectionModel()->select(list_.model()->index(3, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  boxes.answer = false;
  list_.contextMenu()->actions().at(0)->trigger();
  EXPECT_EQ(list_.rowCount(), 5);
  ASSERT_EQ(boxes.boxes.size(), 1);
  EXPECT_TRUE(boxes.boxes[0].question);
  EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("Warning"));
  EXPECT_EQ(boxes.boxes[0].text,
            QStringLiteral("Do you want to delete the selected files at list?"));
  boxes.answer = true;
  list_.contextMenu()->actions().at(0)->trigger();
  ASSERT_EQ(list_.rowCount(), 3);
  EXPECT_EQ(nameAt(0), QStringLiteral("20230101_100000_INF_1.mp4"));
  EXPECT_EQ(nameAt(1), QStringLiteral("20230101_120000_PRK_1.mp4"));
  EXPECT_EQ(nameAt(2), QStringLiteral("20230101_140000_INF_1.mp4"));
  EXPECT_EQ(items().size(), 3);
  EXPECT_EQ(items()[2].index, 2);
  EXPECT_EQ(visible(), (QVector<int>{0, 1, 2}));
  // The files are still there.
  EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("20230101_110000_EVT_1.mp4"))));
}

TEST_F(FileList, DeleteKeyAsksTheListQuestion) {
  CapturedBoxes boxes;
  loadFiveTypes();
  list_.setFocus();
  list_.selectRow(2);
  QTest::keyClick(&list_, Qt::Key_Delete);
  ASSERT_EQ(boxes.boxes.size(), 1);
  EXPECT_EQ(boxes.boxes[0].text,
            QStringLiteral("Do you want to delete the selected files at list?"));
  EXPECT_EQ(list_.rowCount(), 4);
}

TEST_F(FileList, DeleteFromDiskStopsThePlayerAndKeepsTheNextRowNext) {
  CapturedBoxes boxes;
  loadFiveTypes();
  QVector<int> stops;
  QObject::connect(&list_, &MelFileListItem::stopRequested, [&](int r) { stops.append(r); });
  list_.onSetFirstFile();
  list_.onNextFile();  // row 1 plays
  ViewerState::instance().setPlayState(PlayState::Paused);
  list_.selectRow(1);
  const QString doomed = items()[1].filePath;
  list_.contextMenu()->actions().at(1)->trigger();
  EXPECT_EQ(boxes.boxes.last().text,
            QStringLiteral("Do you want to delete the selected files at disk?"));
  EXPECT_EQ(stops, QVector<int>{4});
  EXPECT_FALSE(QFile::exists(doomed));
  ASSERT_EQ(list_.rowCount(), 4);
  EXPECT_TRUE(current().isEmpty());
  EXPECT_EQ(list_.playRow(), -1);
  list_.onNextFile();  // goes on with the row that followed the deleted one
  EXPECT_EQ(current().fileName, QStringLiteral("20230101_120000_PRK_1.mp4"));
}

TEST_F(FileList, DeletingRowsBeforeTheCurrentOneKeepsItCurrent) {
  CapturedBoxes boxes;
  loadFiveTypes();
  list_.onSetFirstFile();
  for (int i = 0; i < 3; ++i) list_.onNextFile();  // row 3 plays
  QVector<int> stops;
  QObject::connect(&list_, &MelFileListItem::stopRequested, [&](int r) { stops.append(r); });
  ViewerState::instance().setPlayState(PlayState::Playing);
  list_.selectRow(0);
  list_.onDeleteCurrentFile();
  EXPECT_TRUE(stops.isEmpty());
  EXPECT_EQ(list_.playRow(), 2);
  EXPECT_EQ(list_.currentPosition(), 2);
  EXPECT_EQ(current().index, 2);
  EXPECT_EQ(current().fileName, QStringLiteral("20230101_130000_USR_1.mp4"));
  list_.onNextFile();
  EXPECT_EQ(current().fileName, QStringLiteral("20230101_140000_INF_1.mp4"));
}

TEST_F(FileList, AFileThatCannotBeDeletedStaysListedAndIsReported) {
  CapturedBoxes boxes;
  // A non-empty folder under a recording's name cannot be removed as a file.
  const QString stubborn = dir_.filePath(QStringLiteral("20230101_100000_INF_1.mp4"));
  ASSERT_TRUE(QDir().mkpath(stubborn + QStringLiteral("/inside")));
  list_.onLoadItem({stubborn, file(QStringLiteral("20230101_110000_INF_1.mp4"))});
  waitForDurations();
  ASSERT_EQ(list_.rowCount(), 2);
  list_.onChangeSelectionMode(true);
  list_.selectAll();
  list_.onDeleteCurrentFileFromDisk();
  ASSERT_EQ(list_.rowCount(), 1);
  EXPECT_EQ(items()[0].filePath, stubborn);
  ASSERT_EQ(boxes.boxes.size(), 2);
  EXPECT_TRUE(boxes.boxes[1].text.contains(stubborn));
  EXPECT_FALSE(boxes.boxes[1].question);
}

TEST_F(FileList, ContextMenuNeedsASelection) {
  const QList<QAction *> actions = list_.contextMenu()->actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("  Delete at list  "));
  EXPECT_EQ(actions[1]->text(), QStringLiteral("  Delete from disk  "));
  CapturedBoxes boxes;
  emit list_.customContextMenuRequested(QPoint(5, 5));  // empty list, nothing selected
  EXPECT_TRUE(listtest::logHas(logPath_, QStringLiteral("No Select Items")));
  EXPECT_TRUE(boxes.boxes.isEmpty());
}

TEST_F(FileList, ClickChoosesTheRowAndDoubleClickPlaysItOnce) {
  loadFiveTypes();
  int played = 0;
  QObject::connect(&list_, &MelFileListItem::playItemSelected, [&] { ++played; });
  const QPoint row2 = list_.visualRect(list_.model()->index(2, 1)).center();
  QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier, row2);
  EXPECT_EQ(played, 1);
  EXPECT_EQ(current().index, 2);
  QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier, row2);
  EXPECT_EQ(played, 1);  // the selection did not change
  QTest::mouseDClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier, row2);
  EXPECT_EQ(played, 2);
  const QPoint row3 = list_.visualRect(list_.model()->index(3, 1)).center();
  QTest::mouseDClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier, row3);
  EXPECT_EQ(played, 3);  // the press of the double click chose it already
  EXPECT_EQ(current().index, 3);
}

TEST_F(FileList, BlockedListIgnoresMouseKeysAndDrops) {
  CapturedBoxes boxes;
  loadFiveTypes();
  list_.onBlockEvent(true);
  const QPoint row2 = list_.visualRect(list_.model()->index(2, 1)).center();
  QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier, row2);
  EXPECT_TRUE(current().isEmpty());
  list_.selectRow(1);
  QTest::keyClick(&list_, Qt::Key_Delete);
  EXPECT_TRUE(boxes.boxes.isEmpty());

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file(QStringLiteral("20230301_100000_INF_1.mp4")))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list_.viewport(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list_.viewport(), &drop);
  EXPECT_EQ(list_.rowCount(), 5);

  list_.onBlockEvent(false);
  QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier, row2);
  EXPECT_EQ(current().index, 2);
}

TEST_F(FileList, DroppedUrlsAreLoadedAsPaths) {
  CapturedBoxes boxes;
  const QStringList p = files({"20230301_110000_EVT_1.mp4", "20230301_100000_INF_1.mp4"});
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(p[0]), QUrl::fromLocalFile(p[1])});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list_.viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list_.viewport(), &drop);
  waitForDurations();
  ASSERT_EQ(list_.rowCount(), 2);
  EXPECT_EQ(items()[0].filePath, p[1]);
  EXPECT_TRUE(
      listtest::logHas(logPath_, QStringLiteral("[MelFileListItem]: items are dropped in list.")));
  EXPECT_TRUE(boxes.boxes.isEmpty());

  QMimeData text;
  text.setText(QStringLiteral("not a file"));
  QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list_.viewport(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}

// Answers the next modal file dialog with a folder and the files in it.
static void answerFileDialog(const QString &folder, const QStringList &names) {
  auto *poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, folder, names] {
    auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll->stop();
    poll->deleteLater();
    dialog->setDirectory(folder);
    // Typed into the name field, as a user would.
    auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(names.isEmpty()
                      ? folder
                      : QLatin1Char('"') + names.join(QStringLiteral("\" \"")) + QLatin1Char('"'));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  poll->start(10);
}

TEST_F(FileList, OpenFolderStopsThePlayerAndLoadsEveryPlainFile) {
  CapturedBoxes boxes;
  const QString folder = dir_.filePath(QStringLiteral("card"));
  QDir().mkpath(folder + QStringLiteral("/sub"));
  for (const char *name : {"20230101_110000_EVT_1.mp4", "20230101_100000_INF_1.mp4",
                           "20230101_100000_INF_2.mp4", "sub/20230101_120000_INF_1.mp4"})
    listtest::touch(folder + QLatin1Char('/') + QLatin1String(name));
  QVector<int> stops;
  QObject::connect(&list_, &MelFileListItem::stopRequested, [&](int r) { stops.append(r); });
  ViewerState::instance().setPlayState(PlayState::Playing);
  answerFileDialog(folder, {});
  list_.recvReqFolderOpen();
  waitForDurations();
  EXPECT_EQ(stops, QVector<int>{3});
  ASSERT_EQ(list_.rowCount(), 3);  // the sub-folder's file is not taken
  EXPECT_EQ(items()[0].filePath, folder + QStringLiteral("/20230101_100000_INF_1.mp4"));
  EXPECT_EQ(items()[2].filePath, folder + QStringLiteral("/20230101_110000_EVT_1.mp4"));
  EXPECT_TRUE(boxes.boxes.isEmpty());
}

TEST_F(FileList, OpenFileLoadsTheChosenFiles) {
  const QStringList p = files({"20230101_110000_EVT_1.mp4", "20230101_100000_INF_1.mp4"});
  answerFileDialog(dir_.path(), {"20230101_110000_EVT_1.mp4", "20230101_100000_INF_1.mp4"});
  list_.recvReqFileOpen();
  waitForDurations();
  ASSERT_EQ(list_.rowCount(), 2);
  EXPECT_EQ(items()[0].filePath, p[1]);
  EXPECT_EQ(items()[1].filePath, p[0]);
}

TEST(FileListUrls, LocalPathsStayNativeAndAnythingElseIsNoPath) {
  EXPECT_EQ(MelFileListItem::pathFromUrl(QUrl(QStringLiteral("file:///media/card/DCIM/a b.mp4"))),
            QStringLiteral("/media/card/DCIM/a b.mp4"));
  // A file on another host or a web address is not read in place.
  EXPECT_EQ(MelFileListItem::pathFromUrl(QUrl(QStringLiteral("file://nas/share/x.mp4"))),
            QString());
  EXPECT_EQ(MelFileListItem::pathFromUrl(QUrl(QStringLiteral("http://example.com/x.mp4"))),
            QString());
  EXPECT_EQ(MelFileListItem::pathFromUrl(QUrl(QStringLiteral("/relative/looking.mp4"))), QString());
}

TEST_F(FileList, ToolTipShowsTheThumbnail) {
  loadFiveTypes();
  list_.onUpdateData(QStringLiteral("/tmp/thumb 1.png"), 3);
  EXPECT_EQ(items()[3].thumbnailPath, QStringLiteral("/tmp/thumb 1.png"));
  EXPECT_EQ(list_.item(3, 1)->toolTip(), QStringLiteral("<img src=\"/tmp/thumb 1.png\">"));
  list_.onUpdateData(QStringLiteral("/tmp/x.png"), 5);
  list_.onUpdateData(QStringLiteral("/tmp/x.png"), -1);
  EXPECT_TRUE(listtest::logHas(logPath_,
                               QStringLiteral("Can't update tool tip because item is not exist.")));
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(items()[row].thumbnailPath.isEmpty(), row != 3) << row;
  }
}

TEST_F(FileList, CardFilesReplaceEverythingAndClearTheControls) {
  loadFiveTypes();
  list_.onSetFirstFile();
  ASSERT_FALSE(current().isEmpty());
  int cleared = 0;
  bool buttonOn = true;
  QObject::connect(&list_, &MelFileListItem::controlsCleared, [&] { ++cleared; });
  QObject::connect(&list_, &MelFileListItem::playButtonStateChanged,
                   [&](bool on) { buttonOn = on; });
  list_.recvCardFiles(files({"20240101_100000_EVT_1.mp4", "20240101_100000_EVT_2.mp4"}));
  waitForDurations();
  EXPECT_TRUE(current().isEmpty());
  EXPECT_EQ(cleared, 1);
  EXPECT_FALSE(buttonOn);
  ASSERT_EQ(list_.rowCount(), 2);
  EXPECT_EQ(items().size(), 2);
  EXPECT_EQ(visible(), (QVector<int>{0, 1}));
  EXPECT_EQ(list_.currentPosition(), 0);
  // A single card file lands in an empty list, not after the old rows.
  list_.recvCardFiles(files({"20240102_100000_EVT_1.mp4"}));
  EXPECT_EQ(list_.rowCount(), 1);
  EXPECT_EQ(items().size(), 1);
}
