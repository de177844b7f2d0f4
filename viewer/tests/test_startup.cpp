// Start-up decisions: the agreement gate, versions, settings at exit and
// the program reset, with the real dialogs and window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QAction>
#include <QMenu>
#include <QTranslator>

#include "app/AgreementView.h"
#include "app/Language.h"
#include "app/MelShortcutTable.h"
#include "app/RightSideView.h"
#include "app/TopBar.h"
#include "core/AppSettings.h"
#include "recordings/MelFileComboBox.h"
#include "recordings/MelFileListItem.h"
#include "recordings/MelTypeButton.h"
#include "recordings/MelTypeList.h"
#include "gui_wait.h"
#include "app/MainWindow.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "widgets/MessageBoxes.h"

namespace {

// Runs action on the first modal dialog that opens.
void whenModalOpens(std::function<void(QWidget *)> action) {
  auto *timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (QWidget *modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    }
  });
  timer->start();
}

class StartupTest : public testing::Test {
 protected:
  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    s.appData = data_.path();
    s.alwaysDownload = s.automaticSend = false;
    s.saveSettingsAtExit = true;
    StatusLog::setPath(data_.path() + QStringLiteral("/playerStatus.txt"));
    AppSettings::store().clear();
    MessageBoxes::setHook([this](const QString &, const QString &text, bool) {
      messages_ << text;
      return answer_;
    });
  }
  void TearDown() override {
    MessageBoxes::setHook(nullptr);
    AppSettings::store().clear();
  }
  QString stored(const char *key) {
    return AppSettings::store().value(QLatin1String(key)).toString();
  }

  QTemporaryDir data_;
  QStringList messages_;
  bool answer_ = true;
};

}  // namespace

TEST(AgreementDecision, StoredValues) {
  EXPECT_TRUE(decideAgreement(QString()).showDialog);
  EXPECT_TRUE(decideAgreement(QStringLiteral("0")).showDialog);
  for (const char *v : {"1", "3", "5", "7"}) {
    AgreementDecision d = decideAgreement(QLatin1String(v));
    EXPECT_TRUE(d.agreed) << v;
    EXPECT_FALSE(d.showDialog);
  }
  AgreementDecision five = decideAgreement(QStringLiteral("5"));
  EXPECT_TRUE(five.automaticSend);
  EXPECT_FALSE(five.alwaysDownload);
  EXPECT_TRUE(decideAgreement(QStringLiteral("3")).alwaysDownload);
  for (const char *v : {"2", "4", "6", "8", "x", "01"}) {
    AgreementDecision d = decideAgreement(QLatin1String(v));
    EXPECT_FALSE(d.agreed) << v;
    EXPECT_FALSE(d.showDialog) << v;
  }
  EXPECT_EQ(agreementValue(false, false), 1);
  EXPECT_EQ(agreementValue(true, false), 3);
  EXPECT_EQ(agreementValue(false, true), 5);
  EXPECT_EQ(agreementValue(true, true), 7);
}

TEST(VersionCheck, PartByPart) {
  EXPECT_FALSE(AppSettings::checkNewVersion(QStringLiteral("1.0.6"), QStringLiteral("1.0.6")));
  EXPECT_TRUE(AppSettings::checkNewVersion(QStringLiteral("1.0.6"), QStringLiteral("1.1.0")));
  EXPECT_TRUE(AppSettings::checkNewVersion(QStringLiteral("1.0.6"), QStringLiteral("1.0.7")));
  EXPECT_FALSE(AppSettings::checkNewVersion(QStringLiteral("1.0.6"), QStringLiteral("1.0.5")));
  // Each part is compared on its own.
  EXPECT_TRUE(AppSettings::checkNewVersion(QStringLiteral("2.0.0"), QStringLiteral("1.5.0")));
}

TEST_F(StartupTest, FirstStartRefusalStoresZeroAndEndsWithoutWindow) {
  whenModalOpens([](QWidget *dialog) {
    dialog->findChild<QPushButton *>(QStringLiteral("bCancel"))->click();
  });
  MainWindow window(nullptr);
  EXPECT_FALSE(window.agreed());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(stored("agreement"), QStringLiteral("0"));
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith(QStringLiteral("If you do not agree")));
}

TEST_F(StartupTest, StoredZeroShowsTheDialogAgain) {
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("0"));
  bool shown = false;
  whenModalOpens([&shown](QWidget *dialog) {
    shown = true;
    dialog->findChild<QCheckBox *>(QStringLiteral("cAutomaticSend"))->setChecked(true);
    dialog->findChild<QPushButton *>(QStringLiteral("bAgree"))->click();
  });
  MainWindow window(nullptr);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(window.agreed());
  EXPECT_EQ(stored("agreement"), QStringLiteral("5"));
  EXPECT_TRUE(ViewerState::instance().automaticSend);
  EXPECT_FALSE(ViewerState::instance().alwaysDownload);
}

TEST_F(StartupTest, StoredFiveNeedsNoDialogAndTwoIsRefused) {
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("5"));
  {
    MainWindow window(nullptr);
    EXPECT_TRUE(window.agreed());
    EXPECT_TRUE(ViewerState::instance().automaticSend);
    EXPECT_FALSE(ViewerState::instance().alwaysDownload);
  }
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("2"));
  MainWindow refused(nullptr);
  EXPECT_FALSE(refused.agreed());
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(StartupTest, SettingsAreWrittenAtExit) {
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
  ViewerState::instance().language = 1;
  {
    MainWindow window(nullptr);
    ASSERT_TRUE(window.agreed());
    EXPECT_EQ(window.size(), QSize(1366, 768));
    window.show();
    window.move(40, 30);
    // The end's work runs when the window is closed, with the event loop
    // still running, not when it is destroyed.
    window.close();
    ASSERT_TRUE(guitest::waitFor([&] { return window.exitDone(); }));
    EXPECT_FALSE(window.isVisible());
  }
  EXPECT_EQ(stored("width"), QStringLiteral("1366"));
  EXPECT_EQ(stored("height"), QStringLiteral("768"));
  EXPECT_EQ(stored("geoX"), QStringLiteral("40"));
  EXPECT_EQ(stored("language"), QStringLiteral("1"));
  EXPECT_EQ(stored("volume"), QStringLiteral("50"));
  EXPECT_EQ(stored("mute"), QStringLiteral("false"));
  EXPECT_EQ(stored("version"), QStringLiteral("1.0.6"));
  EXPECT_TRUE(AppSettings::store().contains(QStringLiteral("snapshotPath")));
  // The log is removed at a normal exit.
  EXPECT_FALSE(QFile::exists(data_.path() + QStringLiteral("/playerStatus.txt")));
  ViewerState::instance().language = 0;
}

TEST_F(StartupTest, ProgramResetRemovesNineKeysButKeepsTheId) {
  QSettings &st = AppSettings::store();
  st.setValue(QStringLiteral("agreement"), QStringLiteral("7"));
  st.setValue(QStringLiteral("id"), QStringLiteral("1b4e28ba-2fa1-11d2-883f-0016d3cca427"));
  for (const char *key : AppSettings::kResetKeys)
    if (QLatin1String(key) != QLatin1String("agreement")) st.setValue(QLatin1String(key), 1);
  bool restarted = false;
  AppSettings::restartProgram = [&restarted] { restarted = true; };
  {
    MainWindow window(nullptr);
    ASSERT_TRUE(window.agreed());
    window.onSetProgramFormat();  // nothing opened yet
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_[0], QStringLiteral("SD is not exist!"));
    EXPECT_FALSE(restarted);

    window.openPaths({data_.path()});
    answer_ = false;
    window.onSetProgramFormat();
    EXPECT_FALSE(restarted);
    EXPECT_EQ(stored("agreement"), QStringLiteral("7"));
    answer_ = true;
    window.onSetProgramFormat();
    EXPECT_TRUE(restarted);
  }
  for (const char *key : AppSettings::kResetKeys)
    EXPECT_FALSE(st.contains(QLatin1String(key))) << key;
  EXPECT_EQ(stored("id"), QStringLiteral("1b4e28ba-2fa1-11d2-883f-0016d3cca427"));
}

TEST_F(StartupTest, TranslationsLoadByLanguageIndex) {
  QTranslator translator;
  ASSERT_TRUE(AppSettings::loadTranslation(translator, 1));
  QApplication::installTranslator(&translator);
  EXPECT_EQ(QApplication::translate("MelShortcutTable", "Open SD Card"),
            QStringLiteral("SD 카드 열기"));
  QApplication::removeTranslator(&translator);
  // Hebrew is reachable through the stored setting although the dialog lists
  // only English and Korean.
  ASSERT_TRUE(AppSettings::loadTranslation(translator, 2));
  QApplication::installTranslator(&translator);
  EXPECT_EQ(QApplication::translate("AgreementView", "Agree"), QStringLiteral("מסכים"));
  QApplication::removeTranslator(&translator);
  EXPECT_TRUE(AppSettings::loadTranslation(translator, 0));
  EXPECT_FALSE(AppSettings::loadTranslation(translator, 3));
}

TEST_F(StartupTest, EveryVisibleTextFollowsALanguageSwitch) {
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
  MainWindow window(nullptr);
  ASSERT_TRUE(window.agreed());
  window.show();
  ASSERT_TRUE(Language::apply(Language::Korean));
  // Widgets are told of the new language by events of their own.
  QCoreApplication::processEvents();
  MelFileComboBox *combo = window.rightSide()->typeCombo();
  EXPECT_EQ(combo->currentText(), QStringLiteral("  전체"));
  EXPECT_EQ(combo->typeList()->checkBox(4)->text(), QStringLiteral("주차"));
  EXPECT_EQ(window.rightSide()->typeButtons().at(1)->text(), QStringLiteral("상시"));
  EXPECT_EQ(window.fileList()->contextMenu()->actions().at(0)->text(),
            QApplication::translate("MelFileListItem", "  Delete at list  "));
  EXPECT_NE(window.fileList()->contextMenu()->actions().at(0)->text(),
            QStringLiteral("  Delete at list  "));
  bool titleTranslated = false;
  for (QPushButton *b : window.topBar()->findChildren<QPushButton *>())
    if (b->toolTip() == QApplication::translate("TopBar", "Always on top") &&
        b->toolTip() != QStringLiteral("Always on top"))
      titleTranslated = true;
  EXPECT_TRUE(titleTranslated);
  EXPECT_EQ(window.shortcuts()->button(MelShortcutTable::SdCard)->toolTip(),
            QStringLiteral("SD 카드 열기"));
  // Qt's own dialogs speak the language too.
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
  EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight);

  ASSERT_TRUE(Language::apply(Language::Hebrew));
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::layoutDirection(), Qt::RightToLeft);
  EXPECT_EQ(window.layoutDirection(), Qt::RightToLeft);
  EXPECT_EQ(combo->typeList()->checkBox(4)->text(), QStringLiteral("חניה"));

  ASSERT_TRUE(Language::apply(Language::English));
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight);
  EXPECT_EQ(combo->currentText(), QStringLiteral("  All Type"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
}
