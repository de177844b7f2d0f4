// The G-sensor chart under the map: the X, Y and Z curves of the whole
// recording with a white cursor at the playing position and the values of
// the current sample, the speed curve on its own scale behind them, and the
// recording's events as marks. A click on the chart (or a mark) asks for
// that playing time.
#ifndef VIEWER_CHART_CHARTVIEW_H
#define VIEWER_CHART_CHARTVIEW_H

#include <QPixmap>
#include <QPointF>
#include <QVector>
#include <QWidget>
#include <array>

#include "core/MetadataSamples.h"

class QLabel;
class QPainter;

class ChartView : public QWidget {
  Q_OBJECT
 public:
  enum Axis { X = 0, Y = 1, Z = 2 };
  static const char *const kAxisColours[3];

  explicit ChartView(QWidget *parent = nullptr);

  // The points of one curve: x is the sample number, y the value in g.
  const QVector<QPointF> &curve(int axis) const { return curves_[axis]; }
  int pointCount() const { return curves_[X].size(); }
  bool isChartLoaded() const { return chartLoaded_; }
  bool hasCursor() const { return cursor_; }
  QWidget *chartWidget() const { return chart_; }
  QLabel *valueLabel(int axis) const { return values_[axis]; }
  // Where the chart draws a sample number, in chartWidget coordinates; -1
  // without a chart.
  int xOfSample(double number) const;

 public slots:
  void onloadChart();
  void onUpdateChart();
  void onClearData();
  void onBlockEvent(bool block);

 signals:
  // The user asked for this playing time.
  void seekRequested(int ms);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void buildUi();
  void paintChart(QPainter &painter);
  void paintCurves(QPainter &painter, int w, int h);
  void paintSpeed(QPainter &painter, int w, int h);
  void paintEvents(QPainter &painter, int w, int h);
  void invalidate();
  void pressAt(const QPoint &at);
  int eventAt(int x) const;

  QWidget *bar_ = nullptr;
  QWidget *chart_ = nullptr;
  std::array<QLabel *, 3> names_{};
  std::array<QLabel *, 3> values_{};
  QLabel *speedScaleLabel_ = nullptr;
  std::array<QVector<QPointF>, 3> curves_;
  int pointTotal_ = 0;  // n: the last G-sensor sample's number minus 1
  QVector<MapPoint> speed_;
  float speedScale_ = 0;
  QVector<GsensorEvent> events_;
  bool chartLoaded_ = false;
  bool cursor_ = false;
  bool blocked_ = false;
  QColor background_;
  QPixmap cache_;  // everything but the cursor, at the chart's size
};

#endif
