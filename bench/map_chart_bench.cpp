// map_chart_bench: how long a long drive takes to show on the map and the chart, and what
// one tick of playback costs the map.
//
// A 60-minute recording from the sample generator (10 samples a second: 36,000 GPS and
// G-sensor samples) is read the way playback reads it, then:
//  - map: from MapView::onLoadMap() (points, route, events and the first position sent)
//    until the page has painted the whole route (two animation frames after setRoute);
//  - chart: ChartView::onloadChart() and its first paint of all three curves, the speed
//    curve and the marks;
//  - tick: MapView::onUpdateMap() until the page has moved the marker (the reply to a
//    script run after it), and the chart's tick with its repaint.
// Each is repeated and the median reported against its target (300 ms, 100 ms, 16 ms).
// The map runs on the real web engine, offline, so this runs under Xvfb.
//
// Usage: map_chart_bench [--rounds N] RECORDING VIEWER_DIR

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QThread>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "chart/ChartView.h"
#include "core/RecordingMetadata.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "map/MapView.h"

namespace {

double ms(const QElapsedTimer &t) {
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 30000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// Runs a script and waits for its answer: the page has run everything sent before it.
QVariant answer(QWebEngineView *view, const QString &script) {
  auto got = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
  view->page()->runJavaScript(script, [got](const QVariant &v) { *got = {true, v}; });
  waitUntil([got] { return got->first; });
  return got->second;
}

bool report(const char *what, const std::vector<double> &times, double target) {
  const double m = median(times);
  const auto [lo, hi] = std::minmax_element(times.begin(), times.end());
  std::printf("%-34s median %7.1f ms  (min %.1f, max %.1f, %zu runs)  target < %.0f ms  %s\n", what,
              m, *lo, *hi, times.size(), target, m < target ? "ok" : "MISSED");
  return m < target;
}

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  int rounds = 9;
  if (args.size() >= 2 && args[0] == QLatin1String("--rounds")) {
    rounds = std::max(1, args[1].toInt());
    args = args.mid(2);
  }
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: map_chart_bench [--rounds N] RECORDING VIEWER_DIR\n");
    return 2;
  }
  StatusLog::setPath(QString());
  ViewerState &s = ViewerState::instance();
  s.appDir = QFileInfo(args[1]).absoluteFilePath();
  s.resourceDir = s.appDir + QStringLiteral("/Resources");

  QElapsedTimer read;
  read.start();
  if (!RecordingMetadata::publish(RecordingMetadata::extract(args[0])).metadataReady) {
    std::fprintf(stderr, "map_chart_bench: %s has no GPS/G-sensor samples\n", qPrintable(args[0]));
    return 1;
  }
  std::printf("%s: %d samples, %.0f s, read in %.0f ms\n", qPrintable(args[0]),
              static_cast<int>(s.gpsSamples.size()), s.totalRangeMs / 1000, ms(read));
  s.setPlayState(PlayState::Playing);
  // Kept to load again each round (clearing empties the state's lists).
  const QVector<GsensorSample> gsensor = s.gsensorSamples;
  const QVector<GpsSample> gps = s.gpsSamples;

  QWidget window;
  window.resize(400, 700);
  MapView *map = new MapView(&window);
  ChartView *chart = new ChartView(&window);
  map->setGeometry(0, 0, 400, 500);
  chart->setGeometry(0, 500, 400, 200);
  map->onMapShow(true);
  window.show();
  if (!waitUntil([map] { return map->isPageLoaded(); })) {
    std::fprintf(stderr, "map_chart_bench: the map page did not load\n");
    return 1;
  }
  QWebEngineView *view = map->webView();

  std::vector<double> mapLoad, chartLoad, tick, chartTick;
  for (int r = 0; r < rounds; ++r) {
    map->onClearData();
    chart->onClearData();
    s.gsensorSamples = gsensor;
    s.gpsSamples = gps;
    s.currentTimeMs = 0;
    answer(view, QStringLiteral("0"));

    QElapsedTimer t;
    t.start();
    map->onLoadMap();
    if (!waitUntil([view] { return answer(view, QStringLiteral("routeDrawn")).toBool(); })) {
      std::fprintf(stderr, "map_chart_bench: the route was not drawn\n");
      return 1;
    }
    mapLoad.push_back(ms(t));

    t.restart();
    chart->onloadChart();
    chart->chartWidget()->repaint();
    chartLoad.push_back(ms(t));
  }
  // Ticks along the drive, half a second of playing time apart.
  for (int k = 1; k <= 20 * rounds; ++k) {
    s.currentTimeMs = s.totalRangeMs * k / (20.0 * rounds + 1);
    QElapsedTimer t;
    t.start();
    map->onUpdateMap();
    answer(view, QStringLiteral("0"));
    tick.push_back(ms(t));
    t.restart();
    chart->onUpdateChart();
    chart->chartWidget()->repaint();
    chartTick.push_back(ms(t));
  }
  // The chart really drew its curves (not an empty or hidden widget).
  const QImage drawn = chart->chartWidget()->grab().toImage();
  int curvePixels = 0;
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x)
      curvePixels += drawn.pixelColor(x, y) == QColor(QLatin1String(ChartView::kAxisColours[0]));
  std::printf("chart: %d x %d pixels, %d of them the X curve's\n", drawn.width(), drawn.height(),
              curvePixels);
  const int points = static_cast<int>(map->route().points().size());
  std::printf("route: %d points in %d runs, %d events\n", points,
              static_cast<int>(map->route().runs().size()),
              static_cast<int>(s.gsensorEvents.size()));
  bool ok = report("map: load and draw the route", mapLoad, 300);
  ok &= report("chart: load and draw", chartLoad, 100);
  ok &= report("map: one tick (marker moved)", tick, 16);
  report("chart: one tick (cursor, values)", chartTick, 16);
  return ok ? 0 : 1;
}
