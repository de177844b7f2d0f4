// The save and print dialogs in the whole program under Xvfb: the capture
// button, the "Download" and "Print" entries and the keys I and O, on a
// three-camera recording played by libvlc. The pictures saved and printed
// are judged against ffmpeg's decoding of each channel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QWindow>
#include <cstdio>
#include <memory>

#include "app/MainWindow.h"
#include "app/MapPanel.h"
#include "app/MelShortcutTable.h"
#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "export/ExportCommand.h"
#include "export/SaveAsView.h"
#include "gui_wait.h"
#include "map/MapView.h"
#include "playback/PlayControlView.h"
#include "playback/PlayerInterface.h"
#include "playback/VLCComponent.h"
#include "playback_pictures.h"
#include "print/PreviewPrint.h"
#include "print/PrintChannelSelectView.h"
#include "print/PrintView.h"
#include "recordings/MelFileListItem.h"
#include "widgets/MessageBoxes.h"

namespace {

using guitest::waitFor;

QString screenshotPath(const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

// The whole screen with the dialog over the main window, once the dialog
// has painted what it shows now.
void grabScreen(const char *name, QWidget *dialog) {
  waitFor([dialog] { return dialog->windowHandle() && dialog->windowHandle()->isExposed(); });
  QCoreApplication::processEvents();
  dialog->repaint();
  QGuiApplication::primaryScreen()->grabWindow(0).save(screenshotPath(QLatin1String(name)));
}

constexpr int kSeconds = 12;
constexpr int kFps = 30;

// One recording of three cameras in separate files, made once.
struct Card {
  QTemporaryDir dir;
  ChannelPictures channels[3];
  QString file(int channel) const {
    return dir.path() + QStringLiteral("/20230101_120000_INF_%1.mp4").arg(channel + 1);
  }
};
Card *gCard = nullptr;

class SaveAndPrintE2E : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    gCard = new Card;
    QProcess::execute(QStringLiteral(SAMPLEGEN_PATH),
                      {"--out", gCard->dir.path(), "--start", "20230101_120000", "--channels", "3",
                       "--duration", QString::number(kSeconds), "--size", "320x180"});
    for (int c = 0; c < 3; ++c) gCard->channels[c].load(gCard->file(c));
  }
  static void TearDownTestSuite() {
    delete gCard;
    gCard = nullptr;
  }

  void SetUp() override {
    ASSERT_EQ(gCard->channels[2].frames(), kSeconds * kFps);
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    s.appData = data_.path();
    s.clearCurrentRecording();
    s.setPlayState(PlayState::Idle);
    StatusLog::setPath(data_.path() + QStringLiteral("/playerStatus.txt"));
    AppSettings::store().clear();
    AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
    AppSettings::store().setValue(QStringLiteral("snapshotPath"), out_.path() + "/pictures");
    AppSettings::store().setValue(QStringLiteral("videoPath"), out_.path() + "/videos");
    MessageBoxes::setHook([this](const QString &, const QString &text, bool) {
      messages_ << text;
      return true;
    });
    window_ = std::make_unique<MainWindow>(nullptr);
    window_->show();
    ASSERT_TRUE(waitFor([this] {
      return window_->windowHandle() && window_->windowHandle()->isExposed();
    }));
    QApplication::setActiveWindow(window_.get());
    window_->openPaths({gCard->dir.path()});
    ASSERT_TRUE(waitFor([this] { return window_->fileList()->rowCount() == 3; }));
  }
  void TearDown() override {
    if (window_->saveDialog()) window_->saveDialog()->reject();
    if (window_->printDialog()) window_->printDialog()->reject();
    window_->close();
    waitFor([this] { return window_->exitDone(); });
    window_.reset();
    MessageBoxes::setHook(nullptr);
    AppSettings::store().clear();
  }

  PlayerInterface *player() const { return window_->player(); }
  VLCComponent *vlc() const { return player()->component(); }
  PlayState state() const { return ViewerState::instance().playState(); }

  // Plays the recording and pauses it at `ms`, its three channels showing
  // that moment.
  void pausedAt(int ms) {
    MelFileListItem *list = window_->fileList();
    const QPoint at = list->visualItemRect(list->item(0, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitFor([this] {
      return state() == PlayState::Playing && vlc()->state() == VLCComponent::Running &&
             !vlc()->isBusy();
    }, 30000));
    window_->controls()->onClick_bPlay();
    ASSERT_TRUE(waitFor([this] { return state() == PlayState::Paused; }));
    player()->onPlayPosMove(ms);
    // Settled when every channel's surface shows the same frame near `ms`.
    const int expected = ms * kFps / 1000;
    ASSERT_TRUE(waitFor(
        [&] {
          QSignalSpy taken(player(), &PlayerInterface::sendScreenImages);
          player()->takeScreenImages();
          if (!waitFor([&] { return !taken.isEmpty(); })) return false;
          for (int c = 0; c < 3; ++c) {
            const int f = gCard->channels[c].frameOf(
                QImage(data_.path() + QStringLiteral("/Snapshot/%1.png").arg(c)));
            if (f < 0 || std::abs(f - expected) > 3) return false;
          }
          return true;
        },
        30000));
  }

  // A key pressed while the list has the focus, as a person presses it.
  void key(Qt::Key k) {
    MelFileListItem *list = window_->fileList();
    list->setFocus();
    ASSERT_TRUE(waitFor([list] { return list->hasFocus(); }));
    QTest::keyClick(list, k);
  }

  QTemporaryDir data_;
  QTemporaryDir out_;
  QStringList messages_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace

TEST_F(SaveAndPrintE2E, CaptureButtonSavesEachChannelAsItShowsAtThatMoment) {
  pausedAt(3000);  // a quarter of the 12 s
  QPushButton *capture = window_->controls()->findChild<QPushButton *>("bCapture");
  ASSERT_NE(capture, nullptr);
  QTest::mouseClick(capture, Qt::LeftButton);
  ASSERT_TRUE(waitFor([this] { return window_->saveDialog() != nullptr; }));
  SaveAsView *dialog = window_->saveDialog();
  // Straight to the snapshot page with every channel ticked.
  ASSERT_TRUE(waitFor([&] { return dialog->isVisible(); }));
  EXPECT_TRUE(dialog->onSettingPage());
  EXPECT_EQ(dialog->mode(), 1);
  EXPECT_EQ(dialog->folder(), out_.path() + "/pictures");
  EXPECT_EQ(dialog->findChild<QLabel *>("lTitle")->text(), "File Setting");
  grabScreen("e2e-capture-snapshot-page", dialog);
  const double position = vlc()->GetPosition();
  EXPECT_NEAR(position, 0.25, 0.01);
  std::printf("[ position ] %.9f\n", position);
  QSignalSpy done(dialog, &SaveAsView::saveFinished);
  QTest::mouseClick(dialog->findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return done.count() == 1; }, 30000));
  EXPECT_TRUE(done.first().first().toBool());
  EXPECT_EQ(messages_.last(), "Complete to Save Snapshot!");
  for (int c = 0; c < 3; ++c) {
    const QString name = ExportCommand::snapshotName("20230101_120000_INF_1.mp4", c, position);
    if (c == 0 && std::abs(position - 0.25) < 1e-9) {
      EXPECT_EQ(name, "20230101_120000_INF_1_1_25.jpg");
    }
    const QImage saved(out_.path() + "/pictures/" + name);
    ASSERT_FALSE(saved.isNull()) << name.toStdString();
    // The channel's own picture, of the frame shown at 3 s.
    EXPECT_NEAR(gCard->channels[c].frameOf(saved), 3 * kFps, 3) << c;
    for (int other = 0; other < 3; ++other) {
      if (other == c) continue;
      EXPECT_LT(gCard->channels[c].difference(saved), gCard->channels[other].difference(saved))
          << c << " " << other;
    }
  }
}

TEST_F(SaveAndPrintE2E, DownloadEntryOpensTheChoiceWithTheMarkedSpan) {
  EXPECT_TRUE(window_->shortcuts()->entryEnabled(MelShortcutTable::Capture));
  EXPECT_TRUE(window_->shortcuts()->entryEnabled(MelShortcutTable::Print));
  pausedAt(2000);
  key(Qt::Key_I);
  EXPECT_EQ(window_->spanFromMs(), 2000);
  player()->onPlayPosMove(7000);
  key(Qt::Key_O);
  EXPECT_EQ(window_->spanToMs(), 7000);
  QTest::mouseClick(window_->shortcuts()->button(MelShortcutTable::Capture), Qt::LeftButton);
  ASSERT_TRUE(waitFor([this] { return window_->saveDialog() != nullptr; }));
  SaveAsView *dialog = window_->saveDialog();
  ASSERT_TRUE(waitFor([&] { return dialog->isVisible(); }));
  EXPECT_FALSE(dialog->onSettingPage());
  EXPECT_EQ(dialog->findChild<QLabel *>("lTitle")->text(), "Choose Save Scene");
  for (int c = 1; c <= 3; ++c)
    EXPECT_TRUE(dialog->findChild<QCheckBox *>(QString("item%1").arg(c))->isVisible());
  EXPECT_FALSE(dialog->findChild<QCheckBox *>("item4")->isVisible());
  grabScreen("e2e-download-channel-page", dialog);
  dialog->findChild<QCheckBox *>("item2")->setChecked(true);
  QTest::mouseClick(dialog->findChild<QPushButton *>("bSaveVideo"), Qt::LeftButton);
  EXPECT_TRUE(dialog->onSettingPage());
  EXPECT_EQ(dialog->findChild<QTimeEdit *>("editFrom")->time(), QTime(0, 0, 2));
  EXPECT_EQ(dialog->findChild<QTimeEdit *>("editTo")->time(), QTime(0, 0, 7));
  EXPECT_TRUE(dialog->findChild<QLabel *>("lSpanNote")->text().contains("key frame"));
  grabScreen("e2e-download-video-page", dialog);
  QSignalSpy done(dialog, &SaveAsView::saveFinished);
  QTest::mouseClick(dialog->findChild<QPushButton *>("bSave"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return done.count() == 1; }, 60000));
  EXPECT_TRUE(done.first().first().toBool()) << messages_.last().toStdString();
  EXPECT_EQ(messages_.last(), "Complete File Download!");
  const QString clip = out_.path() + "/videos/20230101_120000_INF_2_2-7.mp4";
  ASSERT_TRUE(QFileInfo::exists(clip));
  // The second camera's pictures, from the key frame at or before 2 s.
  const QImage first = [&] {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-i", clip, "-frames:v", "1", "-f", "image2pipe", "-vcodec",
                       "png", "-"});
    p.waitForFinished(30000);
    return QImage::fromData(p.readAllStandardOutput(), "PNG");
  }();
  ASSERT_FALSE(first.isNull());
  const int frame = gCard->channels[1].frameOf(first);
  EXPECT_LE(frame, 2 * kFps);
  EXPECT_GE(frame, 1 * kFps);
}

TEST_F(SaveAndPrintE2E, PrintEntryPrintsTheChosenChannelsPicturesAndTheMap) {
  pausedAt(6000);
  // With the file list in front the map is not on screen: no map picture.
  QTest::mouseClick(window_->shortcuts()->button(MelShortcutTable::Print), Qt::LeftButton);
  ASSERT_TRUE(waitFor([this] { return window_->printDialog() != nullptr; }));
  window_->printDialog()->onShowPrintView();
  ASSERT_NE(window_->printDialog()->printView(), nullptr);
  EXPECT_TRUE(window_->printDialog()->printView()->preview()->data().map.isNull());
  window_->printDialog()->printView()->reject();
  ASSERT_TRUE(waitFor([this] { return window_->printDialog() == nullptr; }));

  window_->onShowMap();
  ASSERT_TRUE(waitFor([this] { return window_->mapPanel()->map()->isPageLoaded(); }, 90000));
  QTest::mouseClick(window_->shortcuts()->button(MelShortcutTable::Print), Qt::LeftButton);
  ASSERT_TRUE(waitFor([this] { return window_->printDialog() != nullptr; }));
  PrintChannelSelectView *select = window_->printDialog();
  ASSERT_TRUE(waitFor([&] { return select->isVisible(); }));
  EXPECT_TRUE(select->item(2)->isVisible());
  EXPECT_FALSE(select->item(3)->isVisible());
  grabScreen("e2e-print-channel-choice", select);
  select->item(1)->setChecked(true);
  QTest::mouseClick(select->findChild<QPushButton *>("bOk"), Qt::LeftButton);
  PrintView *view = select->printView();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(waitFor([&] { return view->isVisible(); }));
  const ReportData &data = view->preview()->data();
  ASSERT_EQ(data.scenes.size(), 2);
  EXPECT_EQ(data.fileName, "20230101_120000_INF_1.mp4");
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(gCard->channels[i].frameOf(data.scenes[i]), 6 * kFps, 3) << i;
    EXPECT_LT(gCard->channels[i].difference(data.scenes[i]),
              gCard->channels[2].difference(data.scenes[i]));
  }
  // The map as it shows: the page's own ground and route, not one grey.
  ASSERT_FALSE(data.map.isNull());
  QSet<QRgb> colours;
  for (int y = 0; y < data.map.height(); y += 7)
    for (int x = 0; x < data.map.width(); x += 7) colours.insert(data.map.pixel(x, y));
  EXPECT_GT(colours.size(), 5);
  view->memoBox()->setPlainText("Stopped at the lights");
  QTest::mouseClick(view->findChild<QPushButton *>("bInputMemo"), Qt::LeftButton);
  grabScreen("e2e-print-view", view);
  view->reject();
  EXPECT_TRUE(waitFor([this] { return window_->printDialog() == nullptr; }));
}
