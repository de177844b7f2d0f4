// Marks on the time line: drawn where their values lie, a press on one
// reports the mark instead of moving the handle, anywhere else the handle
// moves as before.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "widgets/MelPlaySlider.h"

TEST(SliderMarks, AreDrawnAtTheirValuesAndAPressOnOneReportsIt) {
  MelPlaySlider slider;
  slider.resize(400, 18);
  slider.setRange(0, 60000);
  slider.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
  slider.setMarks({{25000, QStringLiteral("Hard braking, 0.80 g")}});
  const int x = slider.positionOf(25000);
  EXPECT_NEAR(slider.valueAt(x), 25000, 60000 / 300);  // within a pixel

  const QImage img = slider.grab().toImage().convertToFormat(QImage::Format_RGB32);
  auto amber = [&img](int from, int to) {
    int n = 0;
    for (int px = std::max(0, from); px <= std::min(img.width() - 1, to); ++px)
      for (int y = 0; y < 3; ++y) n += qRed(img.pixel(px, y)) > 200 && qBlue(img.pixel(px, y)) < 90;
    return n;
  };
  EXPECT_GT(amber(x - 3, x + 3), 4);
  EXPECT_EQ(amber(0, x - 8) + amber(x + 8, img.width()), 0);

  QSignalSpy mark(&slider, &MelPlaySlider::markClicked);
  QSignalSpy moved(&slider, &QSlider::sliderMoved);
  QSignalSpy pressed(&slider, &QSlider::sliderPressed);
  QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x + 4, 9));
  ASSERT_EQ(mark.size(), 1);
  EXPECT_EQ(mark.first().first().toInt(), 25000);
  EXPECT_TRUE(moved.isEmpty());
  EXPECT_TRUE(pressed.isEmpty());
  EXPECT_EQ(slider.value(), 0);

  // Away from the mark the handle goes where the pointer is.
  QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x + 60, 9));
  EXPECT_EQ(mark.size(), 1);
  ASSERT_EQ(moved.size(), 1);
  EXPECT_EQ(moved.first().first().toInt(), slider.valueAt(x + 60));

  // An empty time line (nothing loaded) has no marks to hit.
  slider.setRange(0, 0);
  QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x, 9));
  EXPECT_EQ(mark.size(), 1);
  slider.setRange(0, 60000);
  slider.setMarks({});
  QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x, 9));
  EXPECT_EQ(mark.size(), 1);
}
