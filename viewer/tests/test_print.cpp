// The printed report: its text lines and memo wrapping, the page printed to
// a PDF by QPrinter (no dialog) and read back with pdftotext and pdftoppm,
// and the two print dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QXmlStreamReader>

#include "core/ViewerState.h"
#include "gui_wait.h"
#include "print/PreviewPrint.h"
#include "print/PrintChannelSelectView.h"
#include "print/PrintView.h"
#include "print/ReportPage.h"
#include "widgets/MessageBoxes.h"

namespace {

QString screenshotPath(const QString &name) {
  const QString dir = QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

const QColor kChannelColours[] = {QColor(220, 30, 30), QColor(30, 180, 40), QColor(40, 60, 220)};
const QColor kMapColour(240, 200, 20);

// A camera picture of one colour with a white frame, so a scaled copy is
// told by its middle.
QImage picture(const QColor &colour, const QSize &size = QSize(320, 180)) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  QPainter p(&image);
  p.setPen(QPen(Qt::white, 4));
  p.drawRect(image.rect().adjusted(2, 2, -3, -3));
  return image;
}

bool near(const QColor &a, const QColor &b, int tolerance = 40) {
  return std::abs(a.red() - b.red()) < tolerance && std::abs(a.green() - b.green()) < tolerance &&
         std::abs(a.blue() - b.blue()) < tolerance;
}

QString run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The words of a PDF with their horizontal extent (pdftotext -bbox).
struct Word {
  QString text;
  double left = 0, right = 0;
};
QVector<Word> wordBoxes(const QString &pdf) {
  QVector<Word> words;
  QXmlStreamReader xml(run("pdftotext", {"-bbox", pdf, "-"}));
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement() || xml.name() != QLatin1String("word")) continue;
    Word w;
    w.left = xml.attributes().value("xMin").toDouble();
    w.right = xml.attributes().value("xMax").toDouble();
    w.text = xml.readElementText();
    words << w;
  }
  return words;
}

class Report : public testing::Test {
 protected:
  void SetUp() override {
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    s.resourceDir = s.appDir + QStringLiteral("/Resources");
    MessageBoxes::setHook([this](const QString &, const QString &text, bool) {
      messages_ << text;
      return true;
    });
  }
  void TearDown() override { MessageBoxes::setHook(nullptr); }

  ReportData values() const {
    ReportData d;
    d.fileName = "20240131_235959_INF_1.mp4";
    d.modelName = "KT8ALM";
    d.latitude = "37.56650";
    d.longitude = "126.97800";
    d.speed = "54";
    d.gsensorX = "0.120";
    d.gsensorY = "-0.340";
    d.gsensorZ = "0.980";
    return d;
  }

  // Prints a report of `channels` chosen channels (of three) with the memo
  // to a PDF; the page as text and as a picture.
  void printReport(const std::array<bool, PrintView::kChannels> &flags, const QString &memo,
                   const QString &name) {
    PrintView view;
    view.preview()->setReportValues(values());
    view.setChannelShow(flags);
    view.setSceneImage({picture(kChannelColours[0]), picture(kChannelColours[1]),
                        picture(kChannelColours[2]), QImage(), QImage()});
    view.setMapImage(picture(kMapColour, QSize(400, 300)));
    view.memoBox()->setPlainText(memo);
    view.onWriteMemo();
    view.resize(900, 700);
    view.show();
    view.grab().save(screenshotPath(name + "-dialog"));
    pdf_ = dir_.path() + "/" + name + ".pdf";
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf_);
    printer.setPageSize(QPageSize(QPageSize::A4));
    ASSERT_TRUE(view.printTo(&printer));
    page_ = QSize(printer.width(), printer.height());
    resolution_ = printer.resolution();
    QFile::remove(screenshotPath(name + "-page").replace(".png", ".pdf"));
    QFile::copy(pdf_, screenshotPath(name + "-page").replace(".png", ".pdf"));
    text_ = run("pdftotext", {"-layout", pdf_, "-"});
    run("pdftoppm", {"-png", "-r", QString::number(resolution_), "-singlefile", pdf_,
                     dir_.path() + "/" + name});
    image_ = QImage(dir_.path() + "/" + name + ".png");
    image_.save(screenshotPath(name + "-page"));
  }
  QColor at(const QRect &r) const { return image_.pixelColor(r.center()); }

  QTemporaryDir dir_;
  QStringList messages_;
  QString pdf_, text_;
  QSize page_;
  int resolution_ = 0;
  QImage image_;
};

}  // namespace

TEST(ReportText, MemoLinesOfFortyCharacters) {
  EXPECT_EQ(ReportPage::wrapMemo(QString(40, 'a')), "\n" + QString(40, 'a'));
  EXPECT_EQ(ReportPage::wrapMemo(QString(41, 'a')), "\n" + QString(40, 'a') + "\na");
  EXPECT_EQ(ReportPage::wrapMemo(QString(80, 'b')), "\n" + QString(40, 'b') + "\n" + QString(40, 'b'));
  EXPECT_EQ(ReportPage::wrapMemo(QString()), "\n");
}

TEST(ReportText, LinesOfTheTextBlock) {
  EXPECT_EQ(ReportPage::dateText("20240131_235959_INF_1.mp4"), "Date: 2024.01.31  23 : 59 : 59");
  ReportData d;
  d.fileName = "20240131_235959_INF_1.mp4";
  d.latitude = "37.56650";
  d.longitude = "126.97800";
  d.speed = "54";
  d.gsensorX = "0.1";
  d.gsensorY = "0.2";
  d.gsensorZ = "0.3";
  d.miles = true;
  const QStringList lines = ReportPage::textLines(d);
  EXPECT_EQ(lines[0], "FileName: 20240131_235959_INF_1.mp4");
  EXPECT_EQ(lines[2], "Model Name: ");
  EXPECT_EQ(lines[3], "GPS: 37.56650 (N), 126.97800 (E), Speed: 54Mi/h");
  EXPECT_EQ(lines[4], "G-Sensor: X: 0.1 Y: 0.2 Z: 0.3");
  // Without a position the labels stay, the values are empty.
  d.latitude.clear();
  d.longitude.clear();
  d.speed.clear();
  d.miles = false;
  EXPECT_EQ(ReportPage::textLines(d)[3], "Speed: Km/h");
}

TEST_F(Report, ThreeChannelsPrintToPdfWithTextPicturesAndMap) {
  const QString memo = QString(40, 'M') + "X";  // 41 characters
  printReport({true, true, true, false, false}, memo, "report-three");
  ASSERT_FALSE(image_.isNull());
  // pdftoppm rounds the page up to whole pixels.
  EXPECT_NEAR(image_.width(), page_.width(), 1);
  EXPECT_NEAR(image_.height(), page_.height(), 1);
  EXPECT_TRUE(text_.contains("Report"));
  EXPECT_TRUE(text_.contains("FileName: 20240131_235959_INF_1.mp4"));
  // pdftotext writes any gap between words as one space; the two spaces
  // of the date line show as a gap twice the one after "Date:".
  EXPECT_TRUE(text_.contains("Date: 2024.01.31 23 : 59 : 59")) << text_.toStdString();
  const QVector<Word> words = wordBoxes(pdf_);
  int date = -1;
  for (int i = 0; i + 3 < words.size(); ++i)
    if (words[i].text == "Date:" && words[i + 1].text == "2024.01.31" && words[i + 2].text == "23")
      date = i;
  ASSERT_GE(date, 0);
  const double oneSpace = words[date + 1].left - words[date].right;
  const double twoSpaces = words[date + 2].left - words[date + 1].right;
  EXPECT_NEAR(twoSpaces / oneSpace, 2.0, 0.25) << oneSpace << " " << twoSpaces;
  EXPECT_TRUE(text_.contains("Model Name: KT8ALM"));
  EXPECT_TRUE(text_.contains("GPS: 37.56650 (N), 126.97800 (E),"));
  EXPECT_TRUE(text_.contains("Speed: 54Km/h"));
  EXPECT_TRUE(text_.contains("G-Sensor: X: 0.120 Y: -0.340 Z: 0.980"));
  EXPECT_FALSE(text_.contains("G-Senor"));
  // The memo: 40 characters on a line, the 41st on the next.
  const QStringList lines = text_.split('\n');
  int memoLine = -1;
  for (int i = 0; i < lines.size(); ++i)
    if (lines[i].contains("Memo:")) memoLine = i;
  ASSERT_GE(memoLine, 0);
  ASSERT_LT(memoLine + 2, lines.size());
  EXPECT_EQ(lines[memoLine + 1].trimmed(), QString(40, 'M'));
  EXPECT_EQ(lines[memoLine + 2].trimmed(), "X");
  // The pictures: front large on top, the map, the two rear ones beneath.
  const ReportPage::Layout l = ReportPage::layout(page_, 3);
  ASSERT_EQ(l.morePictures.size(), 2);
  EXPECT_TRUE(near(at(l.mainPicture), kChannelColours[0])) << at(l.mainPicture).name().toStdString();
  EXPECT_TRUE(near(at(l.map), kMapColour)) << at(l.map).name().toStdString();
  EXPECT_TRUE(near(at(l.morePictures[0]), kChannelColours[1]));
  EXPECT_TRUE(near(at(l.morePictures[1]), kChannelColours[2]));
  EXPECT_EQ(l.mainPicture.size(), QSize(page_.width() - 75, 2 * (page_.height() - 40) / 5 - 30));
  EXPECT_EQ(l.map.size(), QSize((page_.width() - 75 - 20) / 2, (page_.height() - 40) / 5 - 10));
  // Everything on the page.
  for (const QRect &r : l.morePictures) EXPECT_LE(r.bottom(), page_.height() - 20);
}

TEST_F(Report, OneChannelPrintsOnlyMainPictureMapAndText) {
  printReport({false, false, true, false, false}, "short memo", "report-one");
  ASSERT_FALSE(image_.isNull());
  const ReportPage::Layout one = ReportPage::layout(page_, 1);
  EXPECT_TRUE(one.morePictures.isEmpty());
  // The chosen channel is the main picture, whichever it is.
  EXPECT_TRUE(near(at(one.mainPicture), kChannelColours[2]));
  EXPECT_TRUE(near(at(one.map), kMapColour));
  EXPECT_TRUE(text_.contains("Memo:"));
  EXPECT_TRUE(text_.contains("short memo"));
  // Beneath the map the page is white.
  const ReportPage::Layout three = ReportPage::layout(page_, 3);
  int coloured = 0;
  for (const QRect &r : three.morePictures)
    for (int y = r.top(); y < r.bottom(); y += 5)
      for (int x = r.left(); x < r.right(); x += 5)
        if (image_.pixelColor(x, y).lightness() < 240) ++coloured;
  EXPECT_EQ(coloured, 0);
}

TEST_F(Report, ChannelChoiceLeadsToThePrintView) {
  PrintChannelSelectView select;
  select.setChannelCount(3);
  select.setImage({picture(kChannelColours[0]), picture(kChannelColours[1]),
                   picture(kChannelColours[2])});
  select.setMapImage(picture(kMapColour));
  select.show();
  EXPECT_TRUE(select.item(2)->isVisible());
  EXPECT_FALSE(select.item(3)->isVisible());
  select.grab().save(screenshotPath("print-select-dialog"));
  for (int i = 0; i < 3; ++i) select.item(i)->setChecked(false);
  QTest::mouseClick(select.findChild<QPushButton *>("bOk"), Qt::LeftButton);
  EXPECT_EQ(messages_, QStringList{"There is not selected channel!"});
  EXPECT_EQ(select.printView(), nullptr);
  EXPECT_TRUE(select.isVisible());

  select.item(0)->setChecked(true);
  select.item(2)->setChecked(true);
  QTest::mouseClick(select.findChild<QPushButton *>("bOk"), Qt::LeftButton);
  PrintView *view = select.printView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->sceneCount(), 2);
  const ReportData &shown = view->preview()->data();
  ASSERT_EQ(shown.scenes.size(), 2);
  EXPECT_TRUE(near(shown.scenes[1].pixelColor(160, 90), kChannelColours[2]));
  EXPECT_FALSE(shown.map.isNull());
  // A memo typed and applied shows in the preview.
  view->memoBox()->setPlainText("Parked at the gate");
  QTest::mouseClick(view->findChild<QPushButton *>("bInputMemo"), Qt::LeftButton);
  EXPECT_EQ(view->preview()->data().memo, "Parked at the gate");
  EXPECT_EQ(view->printableMemo(), "\nParked at the gate");
  const QImage preview = view->preview()->grab().toImage();
  preview.save(screenshotPath("print-preview"));
  int red = 0;
  for (int y = 0; y < preview.height(); y += 2)
    for (int x = 0; x < preview.width(); x += 2)
      if (near(preview.pixelColor(x, y), kChannelColours[0], 30)) ++red;
  EXPECT_GT(red, 500);
  QSignalSpy relayed(&select, &PrintChannelSelectView::finishedPrintView);
  QTest::mouseClick(view->findChild<QPushButton *>("bCancel"), Qt::LeftButton);
  EXPECT_EQ(relayed.count(), 1);
}

TEST_F(Report, OneChannelRecordingOffersOneBoxAndPrintsOnePicture) {
  PrintChannelSelectView select;
  select.setChannelCount(1);
  // Frames beyond the recording's channels are never used.
  select.setImage({picture(kChannelColours[0]), picture(kChannelColours[1])});
  select.setMapImage(picture(kMapColour));
  select.show();
  EXPECT_TRUE(select.item(0)->isVisible());
  EXPECT_TRUE(select.item(0)->isChecked());
  EXPECT_FALSE(select.item(1)->isVisible());
  select.item(1)->setChecked(true);  // hidden: not counted
  QTest::mouseClick(select.findChild<QPushButton *>("bOk"), Qt::LeftButton);
  PrintView *view = select.printView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->sceneCount(), 1);
  ASSERT_EQ(view->preview()->data().scenes.size(), 1);
  EXPECT_TRUE(near(view->preview()->data().scenes[0].pixelColor(160, 90), kChannelColours[0]));
  view->reject();
}
