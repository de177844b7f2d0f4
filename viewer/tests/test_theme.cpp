// The theme loader on files written by the tests.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "theme/JsonToStyle.h"

namespace {

class ThemeTest : public testing::Test {
 protected:
  void SetUp() override { QDir().mkpath(dir_.path() + QStringLiteral("/Resources/json")); }
  void write(const QString &name, const QByteArray &json) {
    QFile f(dir_.path() + QStringLiteral("/Resources/json/") + name + QStringLiteral(".json"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(json);
  }
  QTemporaryDir dir_;
};

}  // namespace

TEST_F(ThemeTest, MissingOrBrokenFileDescribesNothing) {
  JsonToStyle style(dir_.path());
  EXPECT_FALSE(style.load(QStringLiteral("Absent")));
  EXPECT_EQ(style.item(QStringLiteral("logo")).status, -1);
  write(QStringLiteral("Broken"), "{ \"logo\": { \"show\": true, }");
  EXPECT_FALSE(style.load(QStringLiteral("Broken")));
  EXPECT_EQ(style.item(QStringLiteral("logo")).status, -1);
  QLabel label;
  label.show();
  style.apply(&label, QStringLiteral("logo"));
  EXPECT_TRUE(label.isHidden());
  EXPECT_EQ(style.imageFolder(), dir_.path() + QStringLiteral("/Resources/image/"));
}

TEST_F(ThemeTest, DeeplyNestedOrHugeFilesAreRefusedWithoutCrashing) {
  JsonToStyle style(dir_.path());
  // Nesting this deep overflows a recursive parser's stack.
  const int depth = 200000;
  write(QStringLiteral("Deep"),
        "{\"logo\": " + QByteArray(depth, '[') + QByteArray(depth, ']') + "}");
  EXPECT_FALSE(style.load(QStringLiteral("Deep")));
  write(QStringLiteral("Huge"), "{\"logo\": \"" + QByteArray(3 * 1024 * 1024, 'x') + "\"}");
  EXPECT_FALSE(style.load(QStringLiteral("Huge")));
  // Brackets inside strings are text, not nesting.
  write(QStringLiteral("Text"),
        "{\"logo\": {\"show\": true, \"note\": \"" + QByteArray(500, '[') + "\"}}");
  EXPECT_TRUE(style.load(QStringLiteral("Text")));
  EXPECT_EQ(style.item(QStringLiteral("logo")).status, 0);
}

TEST_F(ThemeTest, ItemFieldsAndDefaults) {
  write(QStringLiteral("View"), R"({
    "full": {
      "position": {"x": 10, "y": 20}, "size": {"width": 300, "height": 40},
      "minimum": {"width": 5}, "maximum": {"width": -1, "height": -1},
      "margin": {"left": 1, "top": 2, "right": 3, "bottom": 4},
      "scale": {"x": "Expanding", "y": "Wobbly", "width": "Fixed", "height": "Movable"},
      "font": {"family": "DejaVu Sans", "weight": "Bold", "size": 14},
      "color": {"Default": "#303030", "Hover": "#404040"},
      "textColor": {"Normal": "#a0a0a0"},
      "image": {"Default": "logo.svg"},
      "border": {"Default": "1px solid #707070"},
      "show": true, "enable": false, "text": "Hello"
    },
    "empty": {},
    "stringShow": {"show": "true"},
    "oddWeight": {"font": {"weight": "Heavy", "size": 9}}
  })");
  JsonToStyle style(dir_.path());
  ASSERT_TRUE(style.load(QStringLiteral("View")));
  StyleItem f = style.item(QStringLiteral("full"));
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(f.x, 10);
  EXPECT_EQ(f.y, 20);
  EXPECT_EQ(f.width, 300);
  EXPECT_EQ(f.minWidth, 5);
  EXPECT_EQ(f.minHeight, 0);  // missing inside the object reads as 0
  EXPECT_EQ(f.maxWidth, 7680);
  EXPECT_EQ(f.maxHeight, 4320);
  EXPECT_EQ(f.marginBottom, 4);
  EXPECT_EQ(f.scaleX, 3);
  EXPECT_EQ(f.scaleY, -1);
  EXPECT_EQ(f.scaleWidth, 0);
  EXPECT_EQ(f.scaleHeight, 4);
  EXPECT_EQ(f.fontFamily, QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(f.fontWeight, 75);
  EXPECT_EQ(f.fontPixelSize, 14);
  EXPECT_EQ(f.color[StyleItem::Default], QStringLiteral("#303030"));
  EXPECT_EQ(f.color[StyleItem::Select], QString());  // missing state inside the object
  EXPECT_EQ(f.textColor[StyleItem::Default], QString());
  EXPECT_EQ(f.textColor[StyleItem::Normal], QStringLiteral("#a0a0a0"));
  EXPECT_EQ(f.image[StyleItem::Default], QStringLiteral("logo.svg"));
  EXPECT_TRUE(f.show);
  EXPECT_FALSE(f.enable);
  EXPECT_EQ(f.text, QStringLiteral("Hello"));

  StyleItem e = style.item(QStringLiteral("empty"));
  EXPECT_EQ(e.status, 0);
  EXPECT_FALSE(e.show);
  EXPECT_EQ(e.fontFamily, QStringLiteral("Noto Sans CJK KR"));
  EXPECT_EQ(e.fontWeight, 50);
  EXPECT_EQ(e.fontPixelSize, 11);
  EXPECT_EQ(e.scaleWidth, 3);
  EXPECT_EQ(e.textColor[StyleItem::Hover], QStringLiteral("#000000"));
  EXPECT_EQ(e.image[StyleItem::Disable], QStringLiteral("none"));
  EXPECT_FALSE(style.item(QStringLiteral("stringShow")).show);
  EXPECT_EQ(style.item(QStringLiteral("oddWeight")).fontWeight, 50);
  EXPECT_EQ(style.item(QStringLiteral("nobody")).status, -1);
}

TEST_F(ThemeTest, ApplySetsGeometryStyleAndVisibility) {
  write(QStringLiteral("Apply"), R"({
    "bOk": {"position": {"x": 7, "y": 8}, "size": {"width": 90, "height": 30},
            "image": {"Default": "ok.svg"}, "color": {"Default": "#303030"},
            "border": {"Default": "1px solid #707070"}, "show": true, "text": "OK"},
    "hidden": {"size": {"width": 90, "height": 30}}
  })");
  JsonToStyle style(dir_.path());
  ASSERT_TRUE(style.load(QStringLiteral("Apply")));
  QWidget parent;
  auto *ok = new QPushButton(&parent);
  auto *hidden = new QPushButton(&parent);
  style.apply(ok, QStringLiteral("bOk"));
  style.apply(hidden, QStringLiteral("hidden"));
  EXPECT_EQ(ok->geometry(), QRect(7, 8, 90, 30));
  EXPECT_EQ(ok->text(), QStringLiteral("OK"));
  EXPECT_EQ(ok->objectName(), QStringLiteral("bOk"));
  EXPECT_TRUE(ok->styleSheet().contains(QStringLiteral("border: 1px solid #707070")));
  EXPECT_TRUE(ok->styleSheet().contains(QStringLiteral("border-image: url(\"") +
                                        style.imageFolder() + QStringLiteral("ok.svg\")")));
  EXPECT_TRUE(ok->styleSheet().contains(QStringLiteral("background-color: #303030")));
  EXPECT_FALSE(ok->isHidden());
  EXPECT_TRUE(hidden->isHidden());
}

TEST(ThemeWeights, NamesMapToToolkitWeights) {
  const int expected[] = {0, 12, 25, 50, 57, 63, 75, 81, 87};
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(JsonToStyle::weightFor(JsonToStyle::weightNames()[i]), expected[i]);
  EXPECT_EQ(JsonToStyle::weightFor(QStringLiteral("bold")), -1);  // case-sensitive
}
