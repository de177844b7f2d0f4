// Formatting a card, on a real FAT image file: the program's own format flow
// (CardFormatter and FileFormatThread) with the image as the card's device,
// real mkfs.fat, and mtools standing in for the kernel's mount: a mount
// copies the image's files into the card folder, an unmount writes the
// folder back into the image. fsck.fat and mtools then look at the result.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "device/CardFormatter.h"
#include "device/CardMount.h"
#include "device/FileFormatThread.h"
#include "device_support.h"
#include "fat_image_support.h"
#include "widgets/MessageBoxes.h"

using namespace device_test;

namespace {

class CardFormat : public testing::Test {
 protected:
  void SetUp() override {
    if (!haveFatTools()) GTEST_SKIP() << "dosfstools or mtools are not installed";
    ViewerState::instance().appData = tmp_.path() + QStringLiteral("/appdata");
    ViewerState::instance().appDir = QStringLiteral(VIEWER_BUILD_DIR);
    QDir().mkpath(ViewerState::instance().appData);
    StatusLog::setPath(tmp_.path() + QStringLiteral("/playerStatus.txt"));
    MessageBoxes::setHook([this](const QString &title, const QString &text, bool question) {
      (question ? questions_ : messages_) << (title.isEmpty() ? text : title + ": " + text);
      return true;
    });
    image_ = tmp_.path() + QStringLiteral("/card.img");
    card_ = tmp_.path() + QStringLiteral("/media/OLDCARD");
    const QString source = tmp_.path() + QStringLiteral("/source");
    ASSERT_TRUE(makeConfigCard(source, QStringLiteral("KT90ALM_D2W")));
    ASSERT_TRUE(writeAll(source + QStringLiteral("/CONFIG/camera.log"), "boot 1\nboot 2\n"));
    ASSERT_TRUE(writeAll(source + QStringLiteral("/20240501_083000_INF_1.mp4"), "recording"));
    config_ = readAll(source + QStringLiteral("/CONFIG/config.bin"));
    ASSERT_TRUE(makeCardImage(image_, source));
    mount_ = std::make_unique<MtoolsMount>(image_, card_);
    QString root;
    ASSERT_TRUE(mount_->mount(DriveInfo{}, &root, nullptr));
    mount_->mounts = 0;
    drives_.list = {DriveInfo{card_, image_, "OLDCARD", kImageSize, kImageSize / 2, true}};
  }
  void TearDown() override { MessageBoxes::setHook(nullptr); }

  // The image's first 4 MiB: boot sectors and FATs.
  QByteArray headHash() {
    QFile f(image_);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.read(4 << 20), QCryptographicHash::Sha1);
  }
  QByteArray imageText(const char *tool, const QStringList &args) {
    QByteArray out;
    run(tool, args, &out);
    return out;
  }

  QTemporaryDir tmp_;
  QString image_;
  QString card_;
  QByteArray config_;
  std::unique_ptr<MtoolsMount> mount_;
  FakeDrives drives_;
  QStringList messages_;
  QStringList questions_;
};

}  // namespace

TEST_F(CardFormat, FormatsFat32WithTheModelLabelAndKeepsConfig) {
  CardFormatter formatter(&drives_, mount_.get(), nullptr);
  const int result = formatter.FileFormat(card_, QStringLiteral("KT90ALM_D2W"));
  ASSERT_EQ(result, 0) << qPrintable(messages_.join('\n'));
  EXPECT_TRUE(messages_.isEmpty()) << qPrintable(messages_.join('\n'));
  ASSERT_EQ(questions_.size(), 1);
  EXPECT_TRUE(questions_[0].contains(image_)) << qPrintable(questions_[0]);
  EXPECT_TRUE(questions_[0].contains(QStringLiteral("2.1GB"))) << qPrintable(questions_[0]);
  EXPECT_EQ(mount_->unmounts, 1);
  EXPECT_EQ(mount_->mounts, 1);
  EXPECT_EQ(formatter.newRoot(), card_);
  EXPECT_FALSE(CardFormatter::hasPendingRestore());
  EXPECT_FALSE(QDir(CardFormatter::tempFolder()).exists());
  ASSERT_TRUE(mount_->sync());

  QByteArray fsck;
  EXPECT_EQ(run("fsck.fat", {"-n", image_}, &fsck), 0) << fsck.constData();
  const QByteArray info = imageText("minfo", {"-i", image_, "::"});
  EXPECT_TRUE(info.contains("disk type=\"FAT32   \"")) << info.constData();
  EXPECT_TRUE(info.contains("cluster size: 64 sectors")) << info.constData();
  EXPECT_TRUE(info.contains("disk label=\"KT90ALM_D2W\"")) << info.constData();
  const QByteArray listing = imageText("mdir", {"-b", "-/", "-i", image_, "::/"});
  EXPECT_FALSE(listing.contains("INF_1.mp4")) << listing.constData();  // recordings are gone
  EXPECT_TRUE(listing.contains("::/CONFIG/config.bin")) << listing.constData();
  EXPECT_EQ(imageText("mtype", {"-i", image_, "::/CONFIG/config.bin"}), config_);
  EXPECT_EQ(imageText("mtype", {"-i", image_, "::/CONFIG/camera.log"}),
            QByteArray("boot 1\nboot 2\n"));
}

TEST_F(CardFormat, AFailedCopyBackIsReportedAndTheCopyIsKeptForRestore) {
  mount_->blockConfig = true;
  CardFormatter formatter(&drives_, mount_.get(), nullptr);
  EXPECT_EQ(formatter.FileFormat(card_, QStringLiteral("KT90ALM_D2W")),
            FileFormatThread::CopyBackFailed);
  EXPECT_EQ(messages_, QStringList({"Fail to format SDCard!"}));
  EXPECT_EQ(CardFormatter::resultText(FileFormatThread::CopyBackFailed),
            QStringLiteral("Can not copy item to sd config folder"));
  const QByteArray log = readAll(tmp_.path() + QStringLiteral("/playerStatus.txt"));
  EXPECT_TRUE(log.contains("Error! -5 Can not copy item to sd config folder")) << log.constData();
  EXPECT_TRUE(log.contains("Failed to create destination directory!"));
  // The card lost its folder; the copy waits in AppData for a restore.
  ASSERT_TRUE(CardFormatter::hasPendingRestore());
  EXPECT_EQ(readAll(CardFormatter::tempFolder() + QStringLiteral("/config.bin")), config_);
  QFile::remove(card_ + QStringLiteral("/CONFIG"));
  ASSERT_TRUE(CardFormatter::restorePending(card_));
  EXPECT_EQ(readAll(card_ + QStringLiteral("/CONFIG/config.bin")), config_);
  EXPECT_FALSE(CardFormatter::hasPendingRestore());
}

TEST_F(CardFormat, AFailingFormatterIsNotReportedAsSuccess) {
  CardFormatter formatter(&drives_, mount_.get(), nullptr);
  formatter.setFormatterProgram(tool("false").isEmpty() ? QStringLiteral("/bin/false")
                                                        : tool("false"));
  EXPECT_EQ(formatter.FileFormat(card_, QStringLiteral("KT90ALM_D2W")),
            FileFormatThread::FormatFailed);
  EXPECT_EQ(messages_, QStringList({"Fail to format SDCard!"}));
  EXPECT_EQ(readAll(card_ + QStringLiteral("/CONFIG/config.bin")), config_);
  EXPECT_FALSE(CardFormatter::hasPendingRestore());
  const QByteArray log = readAll(tmp_.path() + QStringLiteral("/playerStatus.txt"));
  EXPECT_TRUE(log.contains("[Format] mkdosfs process failed with exit code : 1"));
}

TEST_F(CardFormat, OnlyRemovableCardsAreFormatted) {
  const QByteArray before = headHash();
  drives_.list[0].removable = false;
  CardFormatter formatter(&drives_, mount_.get(), nullptr);
  EXPECT_EQ(formatter.FileFormat(card_, QStringLiteral("KT90ALM_D2W")),
            FileFormatThread::NotRemovable);
  EXPECT_TRUE(questions_.isEmpty());
  EXPECT_EQ(messages_, QStringList({"Only a removable SD card can be formatted!"}));
  // A folder no drive holds is no card either.
  EXPECT_EQ(formatter.FileFormat(tmp_.path(), QStringLiteral("KT90ALM_D2W")),
            FileFormatThread::NotRemovable);
  // The thread refuses on its own too, whoever started it.
  for (const DriveInfo &d :
       {DriveInfo{card_, image_, "X", 1, 1, false}, DriveInfo{"/", image_, "X", 1, 1, true}}) {
    FileFormatThread thread(d, QStringLiteral("KT90ALM_D2W"), CardFormatter::tempFolder(),
                            mount_.get());
    thread.start();
    ASSERT_TRUE(thread.wait(30000));
    EXPECT_EQ(thread.result(), FileFormatThread::NotRemovable);
  }
  EXPECT_EQ(mount_->unmounts, 0);
  EXPECT_EQ(headHash(), before);
}

TEST_F(CardFormat, ACardThatCannotBeUnmountedIsLeftAsItWas) {
  mount_->failUnmount = true;
  CardFormatter formatter(&drives_, mount_.get(), nullptr);
  EXPECT_EQ(formatter.FileFormat(card_, QStringLiteral("KT90ALM_D2W")),
            FileFormatThread::RemountFailed);
  EXPECT_EQ(readAll(card_ + QStringLiteral("/CONFIG/config.bin")), config_);
  EXPECT_FALSE(CardFormatter::hasPendingRestore());
  EXPECT_EQ(FileFormatThread::volumeLabel(QStringLiteral("KT90ALM_D2W_LONG")),
            QStringLiteral("KT90ALM_D2W"));
  EXPECT_EQ(FileFormatThread::formatterArguments("L", "/dev/sdz1"),
            QStringList({"-F", "32", "-n", "L", "-s", "64", "/dev/sdz1"}));
}
