// The web page the map runs in. What the page's scripts complain about goes
// to the status log (the one place a failure of the page can be seen), and
// the page never navigates away from the map: a link opened in it would
// leave the panel without its map.
#ifndef VIEWER_MAP_MAPPAGE_H
#define VIEWER_MAP_MAPPAGE_H

#include <QWebEnginePage>

class MapPage : public QWebEnginePage {
  Q_OBJECT
 public:
  explicit MapPage(QObject *parent = nullptr) : QWebEnginePage(parent) {}

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                int line, const QString &source) override;
  bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

 private:
  int messages_ = 0;
};

#endif
