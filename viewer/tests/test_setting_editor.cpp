// The setting editor and the SD-card dialog as a person uses them, under
// Xvfb: every setting of every model changed through its widget and saved,
// the rules between settings, the model variant, unknown values, the
// flows that need a card, and the main window losing its card. Each page is
// kept as a picture in screenshots/.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/MelShortcutTable.h"
#include "core/AppSettings.h"
#include "core/ConfigAccess.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "device/CheckSDThread.h"
#include "device/SDCardView.h"
#include "device_support.h"
#include "fat_image_support.h"
#include "playback/PlayerInterface.h"
#include "recordings/MelFileListItem.h"
#include "core/JsonToSetting.h"
#include "settings/SettingOpt.h"
#include "settings/SettingOptCrashReport.h"
#include "settings/SettingOptUpdate.h"
#include "settings/SettingView.h"
#include "widgets/MessageBoxes.h"

using namespace device_test;

namespace {

void saveShot(QWidget &w, const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  QApplication::processEvents();
  w.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

class Editor : public testing::Test {
 protected:
  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    s.appData = tmp_.path() + QStringLiteral("/appdata");
    s.speedUnitMiles = false;
    QDir().mkpath(s.appData);
    StatusLog::setPath(tmp_.path() + QStringLiteral("/playerStatus.txt"));
    AppSettings::store().clear();
    MessageBoxes::setHook([this](const QString &title, const QString &text, bool question) {
      messages_ << (title.isEmpty() ? text : title);
      return question ? answer_ : true;
    });
  }
  void TearDown() override {
    MessageBoxes::setHook(nullptr);
    ConfigAccess::instance().clear();
    AppSettings::store().clear();
  }
  QString openCard(const QString &model, const QStringList &sets = {}) {
    const QString dir = tmp_.path() + QLatin1Char('/') + model;
    EXPECT_TRUE(makeConfigCard(dir, model, sets));
    EXPECT_EQ(ConfigAccess::instance().readConfig(dir), ConfigAccess::Ok);
    return dir;
  }
  static SettingItem *item(SettingView &v, const char *group, const char *name) {
    SettingOpt *page = v.page(QLatin1String(group));
    return page ? page->find(QLatin1String(name)) : nullptr;
  }
  static QWidget *widget(SettingView &v, const char *group, const char *kind, int row) {
    return v.page(QLatin1String(group))
        ->findChild<QWidget *>(QLatin1String(kind) + QString::number(row));
  }
  static void showGroup(SettingView &v, int index) {
    v.groupList()->setCurrentRow(index);
    QApplication::processEvents();
  }
  // Chooses another choice through the setting's widget, as a person
  // would; answers the choice now shown.
  static int change(SettingView &v, SettingOpt *page, const SettingItem &s) {
    const int from = s.shownIndex();
    v.groupList()->setCurrentRow(v.getIndexNum(page->group()));
    if (s.type == SettingItem::Choices) {
      const int to = (from + 1) % s.choices.size();
      auto *b = page->findChild<QPushButton *>(QStringLiteral("choice%1_%2").arg(s.row).arg(to));
      if (!b) return -1;
      QTest::mouseClick(b, Qt::LeftButton);
      return to;
    }
    auto *combo = page->findChild<QComboBox *>(QStringLiteral("comboBox%1").arg(s.row));
    if (!combo) return -1;
    combo->setFocus();
    QTest::keyClick(combo, from + 1 < s.choices.size() ? Qt::Key_Down : Qt::Key_Up);
    return combo->currentIndex();
  }

  QTemporaryDir tmp_;
  QStringList messages_;
  bool answer_ = true;
};

}  // namespace

TEST_F(Editor, EverySettingOfEveryModelChangedThroughItsWidgetIsSaved) {
  for (const char *model : kModels) {
    SCOPED_TRACE(model);
    messages_.clear();
    const QString card = openCard(model);
    const QByteArray before = readAll(card + QStringLiteral("/CONFIG/config.bin"));
    int formats = 0;
    SettingView view;
    view.setFormatRunner([&] { return ++formats, 0; });
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const bool battery = QString(model) != QLatin1String("KT7ALM_F1");
    ASSERT_EQ(view.devicePages().size(), battery ? 5 : 4);
    for (int g = 0; g < view.devicePages().size(); ++g) {
      showGroup(view, g);
      saveShot(view, QStringLiteral("settings-%1-%2")
                         .arg(model, QString(view.devicePages()[g]->group()).remove(' ')));
    }
    // The parking mode first (it sets the low-power mode), and within a page
    // from the last row up (the frame rate after the HDR it disables).
    QMap<QString, double> expected;
    QVector<QPair<SettingOpt *, int>> order;
    for (SettingOpt *page : view.devicePages())
      for (int i = page->items().size() - 1; i >= 0; --i) order.append({page, i});
    std::stable_partition(order.begin(), order.end(), [](const QPair<SettingOpt *, int> &o) {
      return o.first->items()[o.second].name == QLatin1String("Parking Record Mode");
    });
    int changed = 0;
    for (const auto &o : order) {
      const SettingItem s = o.first->items()[o.second];
      if (s.type != SettingItem::Choices && s.type != SettingItem::ComboBox) continue;
      ASSERT_TRUE(s.enable) << qPrintable(s.name);
      const int to = change(view, o.first, s);
      ASSERT_GE(to, 0) << qPrintable(s.name);
      ASSERT_NE(to, s.shownIndex() < 0 ? -2 : s.savedIndex) << qPrintable(s.name);
      expected[s.link] = s.choices[to].value;
      ++changed;
    }
    EXPECT_GT(changed, 12);
    EXPECT_EQ(formats, 2);  // video bitrate and memory allocation each asked for one
    EXPECT_EQ(messages_.count(QStringLiteral("Device Reset")), 2);
    view.findChild<QPushButton *>(QStringLiteral("bOk"))->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);

    ConfigAccess again(resourceJson("configStr.json"));
    ASSERT_EQ(again.readConfig(card), ConfigAccess::Ok);  // the checksum holds
    for (auto it = expected.begin(); it != expected.end(); ++it) {
      double v = -1;
      ASSERT_TRUE(again.value(it.key(), &v));
      EXPECT_EQ(v, it.value()) << qPrintable(it.key());
    }
    EXPECT_EQ(readAll(card + QStringLiteral("/CONFIG/config.bin")).left(160), before.left(160));
  }
}

TEST_F(Editor, TheRulesBetweenSettingsFollowEachChange) {
  openCard(QStringLiteral("KT90ALM_D2W"));
  SettingView view;
  view.show();
  // Speed unit: the flag the speed display and the print report read.
  SettingItem *unit = item(view, "Camera", "Speed Unit");
  ASSERT_NE(unit, nullptr);
  auto *miles =
      view.page("Camera")->findChild<QPushButton *>(QStringLiteral("choice%1_1").arg(unit->row));
  ASSERT_NE(miles, nullptr);
  EXPECT_EQ(miles->text(), QStringLiteral("mi/h"));
  QTest::mouseClick(miles, Qt::LeftButton);
  EXPECT_TRUE(ViewerState::instance().speedUnitMiles);
  EXPECT_EQ(view.stateLabel()->text(), QStringLiteral("There are unsaved settings."));
  view.page("Camera")->onChangeValue(unit->row, 0);
  EXPECT_FALSE(ViewerState::instance().speedUnitMiles);
  EXPECT_EQ(unit->pendingIndex, -1);  // back at the saved choice: nothing pending
  EXPECT_TRUE(view.stateLabel()->text().isEmpty());

  // 60 fps leaves no room for HDR.
  SettingItem *fps = item(view, "Camera", "Front Record FPS");
  SettingItem *hdr = item(view, "Camera", "HDR");
  QWidget *hdrRow = widget(view, "Camera", "backWidget", hdr->row);
  view.page("Camera")->onChangeValue(fps->row, 1);
  EXPECT_FALSE(hdr->enable);
  for (QPushButton *b : hdrRow->findChildren<QPushButton *>()) EXPECT_FALSE(b->isEnabled());
  view.page("Camera")->onChangeValue(fps->row, 0);
  EXPECT_TRUE(hdr->enable);

  // Low-power parking: no cut time to choose, the sleep mode on.
  SettingItem *mode = item(view, "Battery Protection", "Parking Record Mode");
  SettingItem *cut = item(view, "Memory", "Cut Time");
  SettingItem *sleep = view.page("Battery Protection")->findLink(QStringLiteral("sleepMode"));
  ASSERT_TRUE(mode && cut && sleep);
  cut->savedIndex = 2;  // as if the card had 3 minutes
  auto *modeBox =
      qobject_cast<QComboBox *>(widget(view, "Battery Protection", "comboBox", mode->row));
  modeBox->setCurrentIndex(2);
  EXPECT_EQ(cut->pendingIndex, 0);
  EXPECT_FALSE(cut->enable);
  EXPECT_FALSE(
      widget(view, "Memory", "backWidget", cut->row)->findChild<QPushButton *>()->isEnabled());
  EXPECT_EQ(sleep->pendingIndex, 1);
  modeBox->setCurrentIndex(1);
  EXPECT_EQ(cut->pendingIndex, -1);
  EXPECT_TRUE(cut->enable);
  EXPECT_EQ(sleep->pendingIndex, -1);  // 0 is what the card holds
  EXPECT_EQ(sleep->savedIndex, 0);
}

TEST_F(Editor, ModelsShowTheirOwnGroupsVariantAndTexts) {
  openCard(QStringLiteral("KT7ALM_F1"));
  {
    SettingView view;
    QStringList groups;
    for (SettingOpt *p : view.devicePages()) groups << p->group();
    EXPECT_EQ(groups, QStringList({"Camera", "Memory", "Sensitive", "System"}));
    auto *name = qobject_cast<QLabel *>(
        widget(view, "System", "label", item(view, "System", "Model Name")->row));
    EXPECT_EQ(name->text(), QStringLiteral("KT7ALM"));
    auto *version = qobject_cast<QLabel *>(
        widget(view, "System", "label", item(view, "System", "Firmware Version")->row));
    EXPECT_EQ(version->text(), QStringLiteral("1.03"));
  }
  for (int variant : {115, 7}) {
    openCard(QStringLiteral("UKTALM_J74"), {QStringLiteral("variant=%1").arg(variant)});
    SettingView view;
    view.show();
    showGroup(view, view.getIndexNum(QStringLiteral("System")));
    for (const char *led : {"Front Security LED", "Rear Security LED"}) {
      SettingItem *s = item(view, "System", led);
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(s->hidden, variant == 115);
      EXPECT_EQ(widget(view, "System", "backWidget", s->row)->isVisible(), variant != 115);
    }
    auto *password = qobject_cast<QLabel *>(
        widget(view, "System", "label", item(view, "System", "Wifi Password")->row));
    EXPECT_EQ(password->text(), QStringLiteral("dashcam-UKTALM"));
    if (variant == 115) saveShot(view, QStringLiteral("settings-UKTALM_J74-variant115-System"));
  }
}

TEST_F(Editor, AValueOutsideTheChoicesShowsUnknownAndIsWrittenBackUnchanged) {
  const QString card = openCard(QStringLiteral("KT8ALM_D2"), {"hdr=7", "gsensorDriving=9"});
  SettingView view;
  view.show();
  SettingItem *hdr = item(view, "Camera", "HDR");
  EXPECT_EQ(hdr->savedIndex, -1);
  QWidget *row = widget(view, "Camera", "backWidget", hdr->row);
  EXPECT_TRUE(row->findChild<QLabel *>(QStringLiteral("unknown%1").arg(hdr->row))->isVisible());
  for (QPushButton *b : row->findChildren<QPushButton *>()) EXPECT_FALSE(b->isChecked());
  SettingItem *g = item(view, "Sensitive", "Driving G-Sensor");
  auto *combo = qobject_cast<QComboBox *>(widget(view, "Sensitive", "comboBox", g->row));
  EXPECT_EQ(combo->currentText(), QStringLiteral("unknown"));
  showGroup(view, view.getIndexNum(QStringLiteral("Camera")));
  saveShot(view, QStringLiteral("settings-KT8ALM_D2-unknown-Camera"));
  view.page("Camera")->onChangeValue(item(view, "Camera", "Audio Recording")->row, 0);
  view.findChild<QPushButton *>(QStringLiteral("bOk"))->click();
  ConfigAccess again(resourceJson("configStr.json"));
  ASSERT_EQ(again.readConfig(card), ConfigAccess::Ok);
  double v = 0;
  again.value(QStringLiteral("hdr"), &v);
  EXPECT_EQ(v, 7);
  again.value(QStringLiteral("gsensorDriving"), &v);
  EXPECT_EQ(v, 9);
  again.value(QStringLiteral("audioRecord"), &v);
  EXPECT_EQ(v, 0);
}

TEST_F(Editor, DefaultsFormatAndSavingNeedTheCard) {
  const QString card =
      openCard(QStringLiteral("KT90ALM_D2W"), {"cutTime=180", "speakerVolume=5", "voiceGuide=0"});
  {
    SettingView view;
    view.findChild<QPushButton *>(QStringLiteral("bDefault"))->click();
    EXPECT_EQ(view.stateLabel()->text(), QStringLiteral("There are unsaved settings."));
    view.findChild<QPushButton *>(QStringLiteral("bOk"))->click();
    ConfigAccess again(resourceJson("configStr.json"));
    ASSERT_EQ(again.readConfig(card), ConfigAccess::Ok);
    double v = 0;
    again.value(QStringLiteral("cutTime"), &v);
    EXPECT_EQ(v, 60);
    again.value(QStringLiteral("speakerVolume"), &v);
    EXPECT_EQ(v, 3);
    again.value(QStringLiteral("voiceGuide"), &v);
    EXPECT_EQ(v, 1);
  }
  {
    // The format button asks, runs the format and tells how it ended.
    int formats = 0;
    SettingView view;
    view.setFormatRunner([&] { return ++formats, 0; });
    SettingItem *format = item(view, "Memory", "SD Card Format");
    qobject_cast<QPushButton *>(widget(view, "Memory", "button", format->row))->click();
    EXPECT_EQ(formats, 1);
    EXPECT_EQ(messages_, QStringList({"Do you Really want to file format?", "Complete!"}));
    messages_.clear();
    view.setFormatRunner([&] { return -5; });
    view.onFileFormat();
    EXPECT_EQ(messages_, QStringList({"Do you Really want to file format?", "Error Occured!"}));
    messages_.clear();
    answer_ = false;  // "no" to the device reset keeps what the card has
    SettingItem *bitrate = item(view, "Memory", "Video Bitrate");
    view.page("Memory")->onChangeValue(bitrate->row, 0);
    EXPECT_EQ(messages_, QStringList({"Device Reset"}));
    EXPECT_EQ(bitrate->pendingIndex, -1);
    EXPECT_EQ(formats, 1);
    answer_ = true;
  }
  {
    // The card is gone: nothing is written anywhere.
    SettingView view;
    view.page("Camera")->onChangeValue(item(view, "Camera", "GPS")->row, 0);
    const QString moved = card + QStringLiteral("-gone");
    ASSERT_TRUE(QDir().rename(card, moved));
    const QByteArray before = readAll(moved + QStringLiteral("/CONFIG/config.bin"));
    messages_.clear();
    view.findChild<QPushButton *>(QStringLiteral("bOk"))->click();
    EXPECT_EQ(messages_, QStringList({"SD is not exist!"}));
    EXPECT_NE(view.result(), QDialog::Accepted);
    EXPECT_FALSE(QDir(card).exists());
    EXPECT_EQ(readAll(moved + QStringLiteral("/CONFIG/config.bin")), before);
    messages_.clear();
    view.onFileFormat();
    EXPECT_EQ(messages_, QStringList({"SD is not exist!"}));
  }
}

TEST_F(Editor, WithoutACardTheDeviceSideSaysSoAndTheViewerSideWorks) {
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("5"));
  SettingView view;
  view.show();
  EXPECT_TRUE(view.devicePages().isEmpty());
  EXPECT_TRUE(view.deviceNote().startsWith(QStringLiteral("There is no camera setting file")));
  saveShot(view, QStringLiteral("settings-no-card"));
  view.findChild<QPushButton *>(QStringLiteral("bPCViewer"))->click();
  ASSERT_EQ(view.groupList()->count(), 3);
  const char *names[] = {"program", "update", "crash-report"};
  for (int i = 0; i < 3; ++i) {
    showGroup(view, i);
    saveShot(view, QStringLiteral("settings-viewer-%1").arg(names[i]));
  }
  EXPECT_FALSE(view.updatePage()->alwaysDownload()->isChecked());
  EXPECT_TRUE(view.crashReportPage()->automaticSend()->isChecked());
  view.findChild<QPushButton *>(QStringLiteral("bCheckUpdate"))->click();
  EXPECT_TRUE(view.updatePage()->stateText().contains(QStringLiteral("launcher is not running")));
  showGroup(view, 1);
  saveShot(view, QStringLiteral("settings-viewer-update"));
  view.findChild<QPushButton *>(QStringLiteral("bSendLog"))->click();
  EXPECT_TRUE(
      view.crashReportPage()->stateText().contains(QStringLiteral("launcher is not running")));
  int resets = 0;
  QObject::connect(&view, &SettingView::onSendProgramFormat, [&] { ++resets; });
  view.findChild<QPushButton *>(QStringLiteral("bProgramReset"))->click();
  EXPECT_EQ(resets, 1);
  view.updatePage()->alwaysDownload()->setChecked(true);
  view.findChild<QPushButton *>(QStringLiteral("bOk"))->click();
  EXPECT_EQ(AppSettings::store().value(QStringLiteral("agreement")).toString(),
            QStringLiteral("7"));
  EXPECT_TRUE(ViewerState::instance().alwaysDownload);
}

TEST(SettingDescription, DamagedFilesAreReportedNotCrashedOn) {
  QTemporaryDir tmp;
  const QString path = tmp.path() + QStringLiteral("/Setting.json");
  const QByteArray cases[] = {
      "{",
      QByteArray(300000, '{'),
      "{\"M\": {\"Camera\": {\"X\": {\"type\": 9, \"row\": 0}}}}",
      "{\"M\": {\"Camera\": {\"X\": {\"type\": 2, \"row\": -1}}}}",
      "{\"M\": {\"Camera\": {\"X\": {\"type\": 2, \"row\": 0, \"item\": [{\"name\": 1}]}}}}",
      "{\"M\": {\"Camera\": []}}",
  };
  for (const QByteArray &text : cases) {
    ASSERT_TRUE(writeAll(path, text));
    JsonToSetting description(path);
    EXPECT_FALSE(description.openFile());
    description.setModel(QStringLiteral("M"));
    EXPECT_TRUE(description.getItem().isEmpty());
    EXPECT_FALSE(description.isCameraTreeExist());
  }
  JsonToSetting shipped(resourceJson("Setting.json"));
  ASSERT_TRUE(shipped.openFile());
  shipped.setModel(QStringLiteral("KT7ALM_F1"));
  EXPECT_TRUE(shipped.isCameraTreeExist());
  EXPECT_FALSE(shipped.isVoltageTreeExist());
  EXPECT_TRUE(shipped.isMemoryTreeExist() && shipped.isSensitiveTreeExist() &&
              shipped.isSystemTreeExist());
  // Every choice list of every model keeps its default among its choices.
  for (const char *model : kModels) {
    shipped.setModel(QLatin1String(model));
    for (const SettingGroup &g : shipped.getItem())
      for (const SettingItem &s : g.second)
        if (!s.choices.isEmpty()) {
          EXPECT_GE(s.indexOf(s.initial), 0) << model << " " << qPrintable(s.name);
        }
  }
}

TEST_F(Editor, TheCardDialogShowsTheCards) {
  const QString card = openCard(QStringLiteral("KT90ALM_D2W"));
  FakeDrives drives;
  const qint64 g = 1024LL * 1024 * 1024;
  drives.list = {DriveInfo{card, "/dev/sdb1", "KT90ALM_D2W", 64 * g, 40 * g, true},
                 DriveInfo{card, "/dev/mmcblk0p1", "CAMERA", 32 * g, 31 * g, true}};
  SDCardView view(&drives);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.table()->selectRow(0);
  EXPECT_EQ(view.table()->rowCount(), 2);
  saveShot(view, QStringLiteral("sdcard-dialog"));
}

// The main window loses the card it plays from: playback stops and the
// list is cleared, once.
TEST_F(Editor, TheMainWindowLetsGoOfARemovedCard) {
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
  const QString card = openCard(QStringLiteral("KT8ALM_D2"));
  ASSERT_TRUE(samplegen({"--out", card, "--duration", "4", "--size", "160x96", "--fps", "10"}));
  FakeDrives drives;
  drives.list = {DriveInfo{card, "/dev/sdb1", "CAM", 1 << 30, 1 << 29, true}};
  ConfigAccess::instance().clear();
  MainWindow window(nullptr);
  window.setDeviceAccess(&drives, nullptr);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // The card is opened the way a person does: the "Open SD Card" entry,
  // the card's row, "Open".
  QPushButton *sdEntry = window.shortcuts()->button(MelShortcutTable::SdCard);
  QPushButton *settingEntry = window.shortcuts()->button(MelShortcutTable::Setting);
  ASSERT_TRUE(sdEntry->isEnabled() && settingEntry->isEnabled());
  QTimer::singleShot(0, [] {
    auto *dialog = qobject_cast<SDCardView *>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->table()->rowCount(), 1);
    dialog->table()->selectRow(0);
    dialog->findChild<QPushButton *>(QStringLiteral("bOpen"))->click();
  });
  sdEntry->click();
  EXPECT_EQ(window.openedFolder(), card);
  EXPECT_EQ(ConfigAccess::instance().modelName(), QStringLiteral("KT8ALM"));
  int pages = 0;
  QTimer::singleShot(0, [&pages] {
    auto *dialog = qobject_cast<SettingView *>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    pages = dialog->devicePages().size();
    dialog->reject();
  });
  settingEntry->click();
  EXPECT_EQ(pages, 5);
  MelFileListItem *list = window.fileList();
  ASSERT_TRUE(waitFor([&] { return list->rowCount() == 1; }));
  ASSERT_NE(window.cardWatcher(), nullptr);
  int removals = 0;
  QObject::connect(window.cardWatcher(), &CheckSDThread::onSendSDNotExist, [&] { ++removals; });
  const QPoint at = list->visualItemRect(list->item(0, 1)).center();
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  ASSERT_TRUE(waitFor([] { return ViewerState::instance().playState() == PlayState::Playing; }));
  messages_.clear();
  ASSERT_TRUE(QDir(card).removeRecursively());
  ASSERT_TRUE(waitFor([&] {
    return list->rowCount() == 0 && ViewerState::instance().playState() != PlayState::Playing &&
           ViewerState::instance().playState() != PlayState::Paused;
  }));
  EXPECT_TRUE(ViewerState::instance().currentRecording().isEmpty());
  EXPECT_FALSE(ConfigAccess::instance().isLoaded());
  waitFor([] { return false; }, 500);
  EXPECT_EQ(removals, 1);
}

// "SD Card Format" in the editor of the main window's card, on a FAT image:
// the watcher is held while the card is away, the recordings are gone from
// the list, the settings file is read again from the formatted card.
TEST_F(Editor, TheEditorFormatsTheMainWindowsCard) {
  if (!haveFatTools()) GTEST_SKIP() << "dosfstools or mtools are not installed";
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
  const QString source = tmp_.path() + QStringLiteral("/source");
  ASSERT_TRUE(makeConfigCard(source, QStringLiteral("UKTALM_J74")));
  ASSERT_TRUE(samplegen({"--out", source, "--duration", "1", "--size", "160x96", "--fps", "10"}));
  const QString image = tmp_.path() + QStringLiteral("/card.img");
  const QString card = tmp_.path() + QStringLiteral("/media/OLDCARD");
  ASSERT_TRUE(makeCardImage(image, source));
  MtoolsMount mount(image, card);
  QString root;
  ASSERT_TRUE(mount.mount(DriveInfo{}, &root, nullptr));
  FakeDrives drives;
  drives.list = {DriveInfo{card, image, "OLDCARD", kImageSize, kImageSize / 2, true}};
  ConfigAccess::instance().clear();
  MainWindow window(nullptr);
  window.setDeviceAccess(&drives, &mount);
  window.show();
  ASSERT_EQ(ConfigAccess::instance().readConfig(card), ConfigAccess::Ok);
  window.onReceiveSDCardData(card, SDCardView::recordingsOf(card));
  ASSERT_TRUE(waitFor([&] { return window.fileList()->rowCount() == 1; }));
  int removals = 0;
  QObject::connect(window.cardWatcher(), &CheckSDThread::onSendSDNotExist, [&] { ++removals; });
  messages_.clear();
  QTimer::singleShot(0, [] {
    auto *dialog = qobject_cast<SettingView *>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    SettingItem *format = item(*dialog, "Memory", "SD Card Format");
    ASSERT_NE(format, nullptr);
    qobject_cast<QPushButton *>(widget(*dialog, "Memory", "button", format->row))->click();
    dialog->reject();
  });
  window.shortcuts()->button(MelShortcutTable::Setting)->click();
  EXPECT_EQ(messages_, QStringList({"Do you Really want to file format?", "Format SD Card",
                                    "There is no item.", "Complete!"}));
  EXPECT_EQ(mount.unmounts, 1);
  EXPECT_EQ(removals, 0);  // the card was away on purpose
  EXPECT_EQ(window.fileList()->rowCount(), 0);
  EXPECT_TRUE(ConfigAccess::instance().isLoaded());
  EXPECT_EQ(ConfigAccess::instance().cardPath(), card);
  ASSERT_NE(window.cardWatcher(), nullptr);
  EXPECT_TRUE(window.cardWatcher()->isRunning());
  ASSERT_TRUE(mount.sync());
  QByteArray info;
  run("minfo", {"-i", image, "::"}, &info);
  EXPECT_TRUE(info.contains("disk label=\"UKTALM_J74 \"")) << info.constData();
  EXPECT_TRUE(info.contains("cluster size: 64 sectors"));
}
