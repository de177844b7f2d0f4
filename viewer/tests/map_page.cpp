#include "map_page.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QThread>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <cstdlib>
#include <memory>

bool waitUntil(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

QVariant evaluate(QWebEngineView *view, const QString &script) {
  struct Answer {
    bool done = false;
    QVariant value;
  };
  auto answer = std::make_shared<Answer>();
  view->page()->runJavaScript(script, [answer](const QVariant &v) {
    answer->value = v;
    answer->done = true;
  });
  waitUntil([answer] { return answer->done; });
  return answer->value;
}

QPoint pagePoint(QWebEngineView *view, double latitude, double longitude) {
  const QVariantList xy =
      evaluate(view, QStringLiteral("(function(){ var p = map.latLngToContainerPoint([%1, %2]);"
                                    " return [p.x, p.y]; })()")
                         .arg(latitude, 0, 'f', 7)
                         .arg(longitude, 0, 'f', 7))
          .toList();
  if (xy.size() != 2) return QPoint(-1, -1);
  return QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble()));
}

QStringList receivedCalls(QWebEngineView *view) {
  return evaluate(view, QStringLiteral("receivedCalls")).toStringList();
}

QImage viewOnScreen(QWebEngineView *view) {
  const QPoint at = view->mapToGlobal(QPoint(0, 0));
  return view->screen()
      ->grabWindow(0, at.x(), at.y(), view->width(), view->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

int colourDistance(QColor a, QColor b) {
  return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                   std::abs(a.blue() - b.blue())});
}
