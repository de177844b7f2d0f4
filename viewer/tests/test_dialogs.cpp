// The dialogs as a person sees them: each is rendered to a picture in the
// build tree (screenshots/) and must show its themed children.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>

#include "app/AboutView.h"
#include "app/AgreementView.h"
#include "app/LanguageView.h"
#include "core/AppSettings.h"
#include "core/ViewerState.h"
#include "widgets/MessageBoxes.h"

namespace {

// Distinct colours in a picture: a themed dialog has text, borders and
// buttons; a dialog whose theme failed is one flat colour.
int colourCount(const QImage &image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  return colours.size();
}

QImage render(QWidget &w, const QString &name) {
  w.show();
  QImage image = w.grab().toImage();
  QDir().mkpath(QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots"));
  image.save(QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots/") + name +
             QStringLiteral(".png"));
  return image;
}

class Dialogs : public testing::Test {
 protected:
  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
  }
};

}  // namespace

TEST_F(Dialogs, AgreementViewShowsStatementChoicesAndButtons) {
  AgreementView v;
  EXPECT_EQ(v.size(), QSize(640, 520));
  auto *text = v.findChild<QTextEdit *>(QStringLiteral("teAgreementContext"));
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("status log")));
  for (const char *name : {"cAlwaysDownload", "cAutomaticSend"}) {
    auto *box = v.findChild<QCheckBox *>(QLatin1String(name));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(box->isHidden());
  }
  EXPECT_GT(colourCount(render(v, QStringLiteral("agreement"))), 20);
}

TEST_F(Dialogs, LanguageViewListsTheThreeLanguagesAndShowsAStoredHebrew) {
  LanguageView v(nullptr);
  QComboBox *box = v.languageBox();
  ASSERT_EQ(box->count(), 3);
  EXPECT_EQ(box->itemText(0), QStringLiteral("English "));
  EXPECT_EQ(box->itemText(1), QStringLiteral("Korean "));
  EXPECT_EQ(box->itemText(2), QStringLiteral("Hebrew "));
  EXPECT_GT(colourCount(render(v, QStringLiteral("language"))), 10);

  ViewerState::instance().language = 2;
  LanguageView hebrew(nullptr);
  EXPECT_EQ(hebrew.languageBox()->currentIndex(), 2);  // never -1
  hebrew.changeLanguage();                             // OK with nothing changed
  EXPECT_EQ(ViewerState::instance().language, 2);
  ViewerState::instance().language = 0;
}

TEST_F(Dialogs, EscapeInTheAgreementRefusesAsCancelDoes) {
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("1"));
  QStringList messages;
  MessageBoxes::setHook([&](const QString &, const QString &text, bool) {
    messages << text;
    return true;
  });
  AgreementView v;
  v.show();
  QTest::keyClick(&v, Qt::Key_Escape);
  EXPECT_EQ(v.result(), QDialog::Rejected);
  EXPECT_EQ(AppSettings::store().value(QStringLiteral("agreement")).toString(),
            QStringLiteral("0"));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("If you do not agree")));
  MessageBoxes::setHook(nullptr);
  AppSettings::store().clear();
}

TEST_F(Dialogs, AboutViewSwitchesPages) {
  AboutView v;
  EXPECT_EQ(v.pages()->count(), 3);
  v.findChild<QPushButton *>(QStringLiteral("bShortCutInfo"))->click();
  EXPECT_EQ(v.pages()->currentIndex(), 2);
  v.findChild<QPushButton *>(QStringLiteral("bProgramInfo"))->click();
  EXPECT_EQ(v.pages()->currentIndex(), 0);
  EXPECT_GT(colourCount(render(v, QStringLiteral("about"))), 10);
}
