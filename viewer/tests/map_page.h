// Helpers for tests that look into the map page: wait for a condition while
// the event loop runs, evaluate JavaScript in the page, find where a
// position is drawn.
#ifndef VIEWER_TESTS_MAP_PAGE_H
#define VIEWER_TESTS_MAP_PAGE_H

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class QWebEngineView;

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 15000);

// The value of a JavaScript expression in the page (invalid on time-out).
QVariant evaluate(QWebEngineView *view, const QString &script);

// Where the page draws a position, in the view's coordinates.
QPoint pagePoint(QWebEngineView *view, double latitude, double longitude);

// Every call the page received, as it recorded them.
QStringList receivedCalls(QWebEngineView *view);

// The view as it is on the screen (a grab of the screen, cut to the view).
QImage viewOnScreen(QWebEngineView *view);

// Largest difference of one colour channel.
int colourDistance(QColor a, QColor b);

#endif
