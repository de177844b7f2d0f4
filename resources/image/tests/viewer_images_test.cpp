// The viewer's images as Qt will load them: every name the views and theme
// files use is present, every SVG is one Qt's renderer reads without a
// complaint and that draws something, and the splash decodes as WebP.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

namespace {

const QString kImageDir = QStringLiteral(IMAGE_DIR);

// Icons that come in state variants: base name and the suffixes it must have.
struct Family {
  const char *base;
  const char *suffixes;
};

const Family kFamilies[] = {
    {"files", "nor ovr dis"},
    {"sdcard", "nor ovr dis"},
    {"language", "nor ovr dis"},
    {"print", "nor ovr dis"},
    {"capture", "nor ovr dis"},
    {"setting", "nor ovr dis"},
    {"about", "nor ovr dis"},
    {"filelist", "nor sel"},
    {"map", "nor sel"},
    {"min", "nor ovr"},
    {"max", "nor ovr"},
    {"restore", "nor ovr"},
    {"close", "nor ovr"},
    {"fullscreen", "nor ovr"},
    {"upperOff", "nor ovr"},
    {"upperAlways", "nor ovr"},
    {"play", "nor ovr dis"},
    {"pause", "nor ovr dis"},
    {"stop", "nor ovr dis"},
    {"prevfile", "nor ovr dis"},
    {"nextfile", "nor ovr dis"},
    {"back5", "nor ovr dis"},
    {"fwd5", "nor ovr dis"},
    {"framestep-back", "nor ovr dis"},
    {"framestep-fwd", "nor ovr dis"},
    {"snapshot", "nor ovr dis"},
    {"speed", "nor ovr dis"},
    {"volume", "nor ovr dis"},
    {"mute", "nor ovr dis"},
    {"flip", "nor ovr dis"},
    {"swap", "nor ovr dis"},
    {"zoom", "nor ovr dis"},
};

const char *const kSingles[] = {
    "inf-icon.svg",     "inf-icon-sel.svg",     "event-icon.svg",    "event-icon-sel.svg",
    "parking-icon.svg", "parking-icon-sel.svg", "icon-user.svg",     "icon-user-sel.svg",
    "type-nor.svg",     "type-dis.svg",         "logo.svg",          "check-on.svg",
    "check-off.svg",    "arrow-down.svg",       "slider-handle.svg", "marker.svg",
    "splash.webp",
};

QStringList variantsOf(const Family &family) {
  QStringList names;
  for (const QString &suffix : QString::fromLatin1(family.suffixes).split(QLatin1Char(' ')))
    names << QStringLiteral("%1-%2.svg").arg(QLatin1String(family.base), suffix);
  return names;
}

QStringList svgFiles() {
  return QDir(kImageDir).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name);
}

// Qt's SVG renderer reports what it cannot read through qWarning and renders on;
// the test collects those reports instead of letting them scroll by.
QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text) {
  if (type != QtDebugMsg && type != QtInfoMsg) g_warnings << text;
}

TEST(ViewerImages, EveryNameTheViewsUseIsPresent) {
  QStringList expected;
  for (const Family &family : kFamilies) expected << variantsOf(family);
  for (const char *name : kSingles) expected << QString::fromLatin1(name);
  for (const QString &name : expected)
    EXPECT_TRUE(QFile::exists(kImageDir + QLatin1Char('/') + name)) << name.toStdString();
}

TEST(ViewerImages, EverySvgLoadsWithoutWarningsAndDrawsSomething) {
  const QStringList files = svgFiles();
  ASSERT_FALSE(files.isEmpty());
  for (const QString &name : files) {
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    QSvgRenderer renderer(kImageDir + QLatin1Char('/') + name);
    QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (renderer.isValid() && !image.isNull()) {
      QPainter painter(&image);
      renderer.render(&painter);
    }
    qInstallMessageHandler(previous);

    EXPECT_TRUE(renderer.isValid()) << name.toStdString();
    EXPECT_TRUE(g_warnings.isEmpty())
        << name.toStdString() << ": " << g_warnings.join(QLatin1Char('\n')).toStdString();
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) painted += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(painted, image.width() * image.height() / 50) << name.toStdString();
  }
}

// A style sheet shows an SVG as a pixmap of its own width and height, so every
// state of one button must have the same size or the button jumps on hover.
TEST(ViewerImages, StatesOfOneIconShareTheirSize) {
  for (const Family &family : kFamilies) {
    const QStringList names = variantsOf(family);
    const QSize first = QSvgRenderer(kImageDir + QLatin1Char('/') + names.first()).defaultSize();
    for (const QString &name : names)
      EXPECT_EQ(QSvgRenderer(kImageDir + QLatin1Char('/') + name).defaultSize(), first)
          << name.toStdString();
  }
}

// Qt reads SVG Tiny 1.2; anything beyond it is dropped silently or with a warning
// that only shows on the user's console.
TEST(ViewerImages, SvgsUseOnlyWhatQtDraws) {
  const char *const unsupported[] = {"<style", "class=", "<filter",   "filter=",
                                     "<mask",  "mask=",  "clip-path", "<clipPath",
                                     "href",   "<text",  "<image",    "<foreignObject"};
  for (const QString &name : svgFiles()) {
    QFile file(kImageDir + QLatin1Char('/') + name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    const QByteArray text = file.readAll();
    for (const char *word : unsupported)
      EXPECT_FALSE(text.contains(word)) << name.toStdString() << " uses " << word;
  }
}

TEST(ViewerImages, SplashDecodesAsWebP640x360) {
  QImageReader reader(kImageDir + QStringLiteral("/splash.webp"));
  EXPECT_EQ(reader.format(), QByteArray("webp"));
  const QImage splash = reader.read();
  ASSERT_FALSE(splash.isNull()) << reader.errorString().toStdString();
  EXPECT_EQ(splash.size(), QSize(640, 360));
  // Dark picture: the corner is the background, not a light or transparent fill.
  EXPECT_LT(qGray(splash.pixel(2, 2)), 64);
  EXPECT_EQ(qAlpha(splash.pixel(2, 2)), 255);
}

}  // namespace

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
