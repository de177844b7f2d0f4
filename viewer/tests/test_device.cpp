// The SD-card dialog on drives the test chooses, the card watcher on real
// folders, and the removable-drive test on a made-up /sys tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "core/ConfigAccess.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "device/CheckSDThread.h"
#include "device/SDCardView.h"
#include "device/SystemDriveQuery.h"
#include "device_support.h"
#include "widgets/MessageBoxes.h"

using namespace device_test;

namespace {

class CardDialog : public testing::Test {
 protected:
  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    StatusLog::setPath(tmp_.path() + QStringLiteral("/playerStatus.txt"));
    MessageBoxes::setHook([this](const QString &, const QString &text, bool) {
      messages_ << text;
      return true;
    });
    camera_ = tmp_.path() + QStringLiteral("/CAMERA");
    ASSERT_TRUE(makeConfigCard(camera_, QStringLiteral("KT8ALM_D2")));
    QDir().mkpath(camera_ + QStringLiteral("/DCIM"));
    for (const char *name : {"/20240501_083000_INF_1.mp4", "/DCIM/20240501_083100_EVT_2.avi",
                             "/notes.mp4", "/DCIM/readme.txt"})
      writeAll(camera_ + QLatin1String(name), "x");
    stick_ = tmp_.path() + QStringLiteral("/STICK");
    QDir().mkpath(stick_);
    disk_ = tmp_.path() + QStringLiteral("/DISK");
    ASSERT_TRUE(makeConfigCard(disk_, QStringLiteral("KT8ALM_D2")));
    const qint64 g = 1024LL * 1024 * 1024;
    drives_.list = {DriveInfo{camera_, "/dev/sdb1", "CAMERA", 32 * g, 12 * g + g / 2, true},
                    DriveInfo{stick_, "/dev/sdc1", "STICK", 8 * g, 8 * g, true},
                    DriveInfo{disk_, "/dev/sda2", "DISK", 500 * g, 100 * g, false}};
  }
  void TearDown() override {
    MessageBoxes::setHook(nullptr);
    ConfigAccess::instance().clear();
  }
  QString cell(SDCardView &v, int row, int column) { return v.table()->item(row, column)->text(); }

  QTemporaryDir tmp_;
  QString camera_, stick_, disk_;
  FakeDrives drives_;
  QStringList messages_;
};

}  // namespace

TEST_F(CardDialog, ListsOnlyRemovableDrivesHoldingTheCameraSettings) {
  SDCardView view(&drives_);
  view.show();
  ASSERT_EQ(view.table()->rowCount(), 1);
  EXPECT_EQ(view.table()->columnCount(), 5);
  EXPECT_EQ(cell(view, 0, SDCardView::RootColumn), camera_);
  EXPECT_EQ(cell(view, 0, SDCardView::NameColumn), QStringLiteral("CAMERA "));
  EXPECT_EQ(cell(view, 0, SDCardView::TotalColumn), QStringLiteral("32.0GB"));
  EXPECT_EQ(cell(view, 0, SDCardView::UsedColumn), QStringLiteral("19.5GB"));
  EXPECT_EQ(cell(view, 0, SDCardView::FreeColumn), QStringLiteral("12.5GB"));
  // A refresh finds a card put in meanwhile, and does not list one twice.
  ASSERT_TRUE(makeConfigCard(stick_, QStringLiteral("KT90ALM_D2W")));
  view.findChild<QPushButton *>(QStringLiteral("bRefresh"))->click();
  EXPECT_EQ(view.table()->rowCount(), 2);
  const QByteArray log = readAll(tmp_.path() + QStringLiteral("/playerStatus.txt"));
  EXPECT_TRUE(log.contains("[SDCardView]: Try to load memory..."));
  EXPECT_EQ(log.count("[SDCardView] find valid sdcard!"), 3);
}

TEST_F(CardDialog, OpeningACardReadsItsSettingsAndHandsOverItsRecordings) {
  SDCardView view(&drives_);
  view.show();
  QSignalSpy opened(&view, &SDCardView::onSendSDCardData);
  view.findChild<QPushButton *>(QStringLiteral("bOpen"))->click();
  EXPECT_EQ(messages_, QStringList({"SD Card is not selected!"}));
  EXPECT_EQ(opened.count(), 0);
  messages_.clear();
  view.table()->selectRow(0);
  view.findChild<QPushButton *>(QStringLiteral("bOpen"))->click();
  EXPECT_TRUE(messages_.isEmpty()) << qPrintable(messages_.join('\n'));
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened[0][0].toString(), camera_);
  EXPECT_EQ(opened[0][1].toStringList(),
            QStringList({camera_ + "/20240501_083000_INF_1.mp4",
                         camera_ + "/DCIM/20240501_083100_EVT_2.avi"}));
  EXPECT_TRUE(ConfigAccess::instance().isLoaded());
  EXPECT_EQ(ConfigAccess::instance().modelName(), QStringLiteral("KT8ALM"));
  EXPECT_EQ(view.result(), QDialog::Accepted);
}

TEST_F(CardDialog, EveryReasonACardCannotBeOpenedHasItsMessage) {
  const QString bin = camera_ + QStringLiteral("/CONFIG/config.bin");
  const QByteArray good = readAll(bin);
  QByteArray badSum = good;
  badSum[200] = static_cast<char>(badSum[200] + 1);
  QByteArray otherModel = good;
  otherModel.replace(64, 6, "ZZ9ALM");
  struct Case {
    std::function<void()> damage;
    const char *message;
    const char *log;
  } cases[] = {
      {[&] { QFile::remove(bin); }, "Setting file is not exist!",
       "[SDCardView]: Config File is not exist"},
      {[&] { writeAll(bin, badSum); }, "checksum is different!",
       "[SDCardView]: Config checksum is diffrent."},
      {[&] { writeAll(bin, otherModel); }, "This model is not supported!",
       "[SDCardView]: This model is not supported!"},
      {[&] { writeAll(bin, good + "tail"); }, "Error is occured!",
       "[SDCardView]: Error is Occured!"},
      {[&] { QDir(camera_).removeRecursively(); }, "SD Card is not connected!",
       "[SDCardView]: No SDCard!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.message);
    writeAll(bin, good);
    SDCardView view(&drives_);
    view.show();
    ASSERT_EQ(view.table()->rowCount(), 1);
    view.table()->selectRow(0);
    c.damage();
    messages_.clear();
    QSignalSpy opened(&view, &SDCardView::onSendSDCardData);
    view.findChild<QPushButton *>(QStringLiteral("bOpen"))->click();
    EXPECT_EQ(messages_, QStringList({c.message}));
    EXPECT_EQ(opened.count(), 0);
    EXPECT_FALSE(ConfigAccess::instance().isLoaded());
    EXPECT_TRUE(readAll(tmp_.path() + QStringLiteral("/playerStatus.txt")).contains(c.log));
  }
}

TEST_F(CardDialog, AnEmptyCardIsOpenedWithItsMessage) {
  QFile::remove(camera_ + QStringLiteral("/20240501_083000_INF_1.mp4"));
  QFile::remove(camera_ + QStringLiteral("/DCIM/20240501_083100_EVT_2.avi"));
  SDCardView view(&drives_);
  view.show();
  view.table()->selectRow(0);
  QSignalSpy opened(&view, &SDCardView::onSendSDCardData);
  view.findChild<QPushButton *>(QStringLiteral("bOpen"))->click();
  EXPECT_EQ(messages_, QStringList({"SD Card is Empty!"}));
  ASSERT_EQ(opened.count(), 1);
  EXPECT_TRUE(opened[0][1].toStringList().isEmpty());
}

TEST(CardWatcher, TellsOnceWhenTheCardFolderDisappearsAndDoesNotSpin) {
  QTemporaryDir tmp;
  const QString card = tmp.path() + QStringLiteral("/CARD");
  QDir().mkpath(card + QStringLiteral("/CONFIG"));
  CheckSDThread watcher(card);
  QSignalSpy gone(&watcher, &CheckSDThread::onSendSDNotExist);
  watcher.start();
  ASSERT_TRUE(waitFor([&] { return watcher.checks() >= 1; }));
  // While nothing happens the watcher sleeps.
  QTest::qWait(300);
  EXPECT_LE(watcher.checks(), 2);
  EXPECT_EQ(gone.count(), 0);
  QDir(card).removeRecursively();
  // inotify tells at once; the test allows far more than the fallback look.
  ASSERT_TRUE(waitFor([&] { return gone.count() == 1; }, 3 * CheckSDThread::kPollIntervalMs));
  ASSERT_TRUE(watcher.wait(10000));
  EXPECT_EQ(gone.count(), 1);
}

TEST(CardWatcher, EndsWhenAskedAndNeverTellsThen) {
  QTemporaryDir tmp;
  CheckSDThread watcher(tmp.path());
  QSignalSpy gone(&watcher, &CheckSDThread::onSendSDNotExist);
  watcher.start();
  ASSERT_TRUE(waitFor([&] { return watcher.checks() >= 1; }));
  watcher.breakThread();
  ASSERT_TRUE(watcher.wait(5000));
  EXPECT_EQ(gone.count(), 0);
}

TEST(RemovableDrives, FollowTheKernelsBlockDeviceFolders) {
  QTemporaryDir sys;
  const QString devices = sys.path() + QStringLiteral("/devices");
  auto disk = [&](const QString &path, const char *removable, const QStringList &parts) {
    QDir().mkpath(devices + path);
    writeAll(devices + path + QStringLiteral("/removable"), removable);
    const QString name = QFileInfo(path).fileName();
    QDir().mkpath(sys.path() + QStringLiteral("/class/block"));
    QFile::link(devices + path, sys.path() + QStringLiteral("/class/block/") + name);
    for (const QString &p : parts) {
      QDir().mkpath(devices + path + QLatin1Char('/') + p);
      writeAll(devices + path + QLatin1Char('/') + p + QStringLiteral("/partition"), "1");
      QFile::link(devices + path + QLatin1Char('/') + p,
                  sys.path() + QStringLiteral("/class/block/") + p);
    }
  };
  disk("/pci0000:00/ata1/host0/block/sda", "0", {"sda1", "sda2"});
  disk("/pci0000:00/usb2/2-1/host6/block/sdb", "0", {"sdb1"});  // a USB reader
  disk("/pci0000:00/virtual/block/sdc", "1", {"sdc1"});         // marked removable
  disk("/pci0000:00/mmc_host/mmc0/block/mmcblk0", "0", {"mmcblk0p1"});
  disk("/pci0000:00/nvme/block/nvme0n1", "0", {"nvme0n1p1"});
  SystemDriveQuery query(sys.path());
  EXPECT_FALSE(query.isRemovableDevice("/dev/sda2"));
  EXPECT_TRUE(query.isRemovableDevice("/dev/sdb1"));
  EXPECT_TRUE(query.isRemovableDevice("/dev/sdc1"));
  EXPECT_TRUE(query.isRemovableDevice("/dev/mmcblk0p1"));
  EXPECT_FALSE(query.isRemovableDevice("/dev/nvme0n1p1"));
  EXPECT_FALSE(query.isRemovableDevice("/dev/sdz1"));
  EXPECT_FALSE(query.isRemovableDevice("tmpfs"));
  // On this machine: whatever it lists is removable, and never the root.
  for (const DriveInfo &d : SystemDriveQuery().drives()) {
    EXPECT_TRUE(d.removable);
    EXPECT_NE(d.root, QStringLiteral("/"));
  }
}
