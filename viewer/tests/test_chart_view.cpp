// The G-sensor chart, painted offscreen from samples laid out by hand: the
// number of points, where each value is drawn and clipped, the cursor and
// the values of the current sample, clearing, the speed curve, event marks
// and clicks.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>

#include "chart/ChartView.h"
#include "core/RecordingMetadata.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"

namespace {

int distance(QColor a, QColor b) {
  return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                   std::abs(a.blue() - b.blue())});
}

class Chart : public testing::Test {
 protected:
  void SetUp() override {
    StatusLog::setPath(QString());
    ViewerState &s = ViewerState::instance();
    s.appDir = QStringLiteral(VIEWER_BUILD_DIR);
    RecordingMetadata::clear();
    s.setPlayState(PlayState::Idle);
    chart_ = std::make_unique<ChartView>();
    chart_->resize(392, 200);
    chart_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart_.get()));
    kW = chart_->chartWidget()->width();
    kH = chart_->chartWidget()->height();
    ASSERT_GT(kH, 120);  // below the row of values
  }
  void TearDown() override {
    RecordingMetadata::clear();
    ViewerState::instance().setPlayState(PlayState::Idle);
  }

  // n samples of 100 ms; value(i, axis) gives the reading, speed(i) the speed.
  void load(
      int n, const std::function<float(int, int)> &value,
      const std::function<float(int)> &speed = [](int) { return 30.0f; }) {
    ViewerState &s = ViewerState::instance();
    for (int i = 0; i < n; ++i) {
      s.gsensorSamples.append({i, value(i, 0), value(i, 1), value(i, 2)});
      s.gpsSamples.append({i, 5230.0f, 1319.0f, speed(i), true, true});
    }
    s.totalRangeMs = n * 100.0;
    s.metadataReady = s.chartReady = true;
    chart_->onloadChart();
  }
  QImage picture() {
    QWidget *w = chart_->chartWidget();
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  // The painting rule: x = w * sample / n, y = h/2 - h/2 * value * 0.5.
  QPoint at(double sample, double value, int n) const {
    return QPoint(int(kW * sample / n), kH / 2 + int(-(kH / 2) * value * 0.5));
  }
  int coloured(const QImage &img, const QColor &c, const QRect &area, int tolerance = 10) const {
    int count = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        count += distance(img.pixelColor(x, y), c) <= tolerance;
    return count;
  }

  std::unique_ptr<ChartView> chart_;
  int kW = 0;
  int kH = 0;
};

const QColor kX(0xff, 0x3a, 0x00), kY(0x31, 0x8d, 0xff), kZ(0x65, 0xca, 0x26);

}  // namespace

TEST_F(Chart, AHundredSamplesGiveNinetyEightPointsDrawnByTheRule) {
  // X 0.5, Y -1.0, Z 1.5 throughout: three level lines.
  load(100, [](int, int axis) { return axis == 0 ? 0.5f : axis == 1 ? -1.0f : 1.5f; });
  ASSERT_EQ(chart_->pointCount(), 98);
  for (int a = 0; a < 3; ++a) {
    ASSERT_EQ(chart_->curve(a).size(), 98);
    EXPECT_DOUBLE_EQ(chart_->curve(a).first().x(), 0);
    EXPECT_DOUBLE_EQ(chart_->curve(a).last().x(), 97);
  }
  const QImage img = picture();
  const int y05 = at(0, 0.5, 98).y(), yMinus1 = at(0, -1.0, 98).y(), y15 = at(0, 1.5, 98).y();
  EXPECT_EQ(y05, kH / 2 - (kH / 2) / 4);
  EXPECT_EQ(yMinus1, kH / 2 + (kH / 2) / 2);
  // Each line runs from point 0 to point 97, i.e. up to x = w * 97 / 98.
  const int end = at(97, 0, 98).x();
  for (int x = 2; x < end - 1; x += 7) {
    SCOPED_TRACE(x);
    EXPECT_LE(distance(img.pixelColor(x, y05), kX), 10);
    EXPECT_LE(distance(img.pixelColor(x, yMinus1), kY), 10);
    EXPECT_LE(distance(img.pixelColor(x, y15), kZ), 10);
  }
  EXPECT_GT(distance(img.pixelColor(end + 2, y05), kX), 40);
}

TEST_F(Chart, ValuesBeyondTwoAreClippedAtTheEdges) {
  // X jumps to +3 g at sample 50 and Y to -3 g at sample 70, a flat 0 else.
  load(100, [](int i, int axis) {
    if (axis == 0) return i == 50 ? 3.0f : 0.0f;
    if (axis == 1) return i == 70 ? -3.0f : 0.0f;
    return 0.0f;
  });
  const QImage img = picture();
  // Exactly 2.0 reaches the edge; 3.0 leaves the chart: the line to it
  // crosses the top row and its tip is nowhere inside.
  EXPECT_EQ(at(0, 2.0, 98).y(), 0);
  const int x50 = at(50, 0, 98).x();
  EXPECT_GT(coloured(img, kX, QRect(x50 - 4, 0, 9, 1)), 0);
  EXPECT_GT(coloured(img, kY, QRect(at(70, 0, 98).x() - 4, kH - 1, 9, 1)), 0);
  // Outside the spikes the middle line carries the curves; nothing wraps
  // round to the other edge.
  EXPECT_EQ(coloured(img, kX, QRect(0, kH - 4, kW, 4)), 0);
  EXPECT_EQ(coloured(img, kY, QRect(0, 0, kW, 4)), 0);
}

TEST_F(Chart, TheCursorAndValuesFollowThePlayingTimeAndClearingEmptiesIt) {
  load(100, [](int i, int axis) { return axis == 0 ? i * 0.01f : axis == 1 ? -0.25f : 1.0f; });
  ViewerState &s = ViewerState::instance();
  s.setPlayState(PlayState::Playing);
  s.currentTimeMs = 5000;  // half way
  chart_->onUpdateChart();
  EXPECT_TRUE(chart_->hasCursor());
  const int i = RecordingMetadata::chartIndex(98, 5000, 10000);
  ASSERT_EQ(i, 49);
  EXPECT_EQ(chart_->valueLabel(0)->text(), QStringLiteral("0.490"));
  EXPECT_EQ(chart_->valueLabel(1)->text(), QStringLiteral("-0.250"));
  EXPECT_EQ(chart_->valueLabel(2)->text(), QStringLiteral("1.000"));
  EXPECT_EQ(s.gsensorXText, QStringLiteral("0.490"));
  EXPECT_EQ(s.gsensorYText, QStringLiteral("-0.250"));
  QImage img = picture();
  // A white line from top to bottom at w * 0.5.
  EXPECT_EQ(coloured(img, Qt::white, QRect(kW / 2, 0, 1, kH), 0), kH);
  // Time 0 is not used for the labels.
  s.currentTimeMs = 0;
  chart_->onUpdateChart();
  EXPECT_EQ(chart_->valueLabel(0)->text(), QStringLiteral("0.490"));

  chart_->onClearData();
  for (int a = 0; a < 3; ++a) EXPECT_EQ(chart_->valueLabel(a)->text(), QStringLiteral("0.000"));
  EXPECT_EQ(s.gsensorZText, QStringLiteral("0.000"));
  EXPECT_FALSE(chart_->isChartLoaded());
  EXPECT_FALSE(chart_->hasCursor());
  EXPECT_EQ(chart_->pointCount(), 0);
  img = picture();
  for (const QColor &c : {kX, kY, kZ, QColor(Qt::white)})
    EXPECT_EQ(coloured(img, c, img.rect(), 0), 0);
}

TEST_F(Chart, TheSpeedCurveStandsBehindOnItsOwnScale) {
  // 0 to 60 km/h: the scale goes to 60, the curve from the bottom to the top.
  load(
      100, [](int, int) { return 0.0f; }, [](int i) { return i * 60.0f / 99; });
  const QImage img = picture();
  const QColor ground(0x15, 0x16, 0x17);  // the chart's background in its theme file
  img.save(QStringLiteral(VIEWER_BUILD_DIR "/tests/screenshots/chart-speed.png"));
  // Under the curve the fill, above it the ground: late in the recording
  // (fast) the fill reaches high, early (slow) it does not.
  const int y = kH / 2 + 10;
  EXPECT_GT(distance(img.pixelColor(at(96, 0, 98).x(), y), ground), 3);
  EXPECT_LE(distance(img.pixelColor(at(4, 0, 98).x(), y), ground), 2);
  // The curve's top at the end is near the top edge: 58 of 60 km/h.
  const int top = kH - int(kH * (96 * 60.0 / 99) / 60);
  EXPECT_GT(distance(img.pixelColor(at(96, 0, 98).x(), top + 2), ground), 3);
  EXPECT_LE(distance(img.pixelColor(at(96, 0, 98).x(), top - 4), ground), 2);
}

TEST_F(Chart, EventMarksAndClicksAskForTheirTimes) {
  ViewerState &s = ViewerState::instance();
  s.gsensorEvents = {{40, 0.8f, GsensorEvent::Braking}};
  load(100, [](int, int axis) { return axis == 2 ? 1.0f : 0.0f; });
  const QImage img = picture();
  const int markX = chart_->xOfSample(40);
  EXPECT_EQ(markX, int(kW * 40.0 / 98));
  EXPECT_GT(coloured(img, QColor(0xff, 0xb0, 0x20), QRect(markX - 3, 0, 7, 6), 20), 6);

  QSignalSpy seek(chart_.get(), &ChartView::seekRequested);
  // Nothing plays: no seek.
  QTest::mouseClick(chart_->chartWidget(), Qt::LeftButton, {}, QPoint(kW / 4, kH / 2));
  EXPECT_TRUE(seek.isEmpty());
  s.setPlayState(PlayState::Paused);
  QTest::mouseClick(chart_->chartWidget(), Qt::LeftButton, {}, QPoint(kW / 4, kH / 2));
  ASSERT_EQ(seek.size(), 1);
  EXPECT_NEAR(seek.takeFirst().first().toInt(), 2500, 30);
  // On the mark (or a few pixels beside it): the event's own time.
  QTest::mouseClick(chart_->chartWidget(), Qt::LeftButton, {}, QPoint(markX + 3, kH / 2));
  ASSERT_EQ(seek.size(), 1);
  EXPECT_EQ(seek.takeFirst().first().toInt(), 4000);
  chart_->onBlockEvent(true);
  QTest::mouseClick(chart_->chartWidget(), Qt::LeftButton, {}, QPoint(kW / 2, kH / 2));
  EXPECT_TRUE(seek.isEmpty());
}
