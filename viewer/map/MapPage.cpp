#include "map/MapPage.h"

#include <QFileInfo>
#include <QUrl>

#include "core/StatusLog.h"

namespace {

// A script failing on every tick would otherwise fill the status log.
constexpr int kMessagesLogged = 100;

}  // namespace

void MapPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                       int line, const QString &source) {
  if (level == InfoMessageLevel || messages_ > kMessagesLogged) return;
  if (++messages_ > kMessagesLogged) {
    logError("[MapView]: the page says more; not logged");
    return;
  }
  logError("[MapView]: page %s:%d: %s", qUtf8Printable(QFileInfo(QUrl(source).path()).fileName()),
           line, qUtf8Printable(message));
}

bool MapPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) {
  // Only the page the viewer sets is ever shown.
  if (type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted) {
    logInfo("[MapView]: the map does not open %s", qUtf8Printable(url.toString()));
    return false;
  }
  return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
