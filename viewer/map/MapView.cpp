#include "map/MapView.h"

#include <unistd.h>

#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>

#include "core/AppSettings.h"
#include "core/RecordingMetadata.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "map/MapBridge.h"
#include "map/MapPage.h"
#include "map/MapScript.h"
#include "theme/JsonToStyle.h"

namespace {

// The camera records speed in km/h; the viewer shows it as it is.
const char *const kSpeedUnit = "km/h";
// One load, and one more after a failure.
constexpr int kLoadAttempts = 2;

bool playingOrPaused() {
  const PlayState s = ViewerState::instance().playState();
  return s == PlayState::Playing || s == PlayState::Paused;
}

QString colourOf(const StyleItem &item, const char *fallback) {
  return item.status == 0 && !item.color[StyleItem::Default].isEmpty()
             ? item.color[StyleItem::Default]
             : QString::fromLatin1(fallback);
}

}  // namespace

MapView::MapView(QWidget *parent) : QWidget(parent) {
  logDebug("MapView::MapView");
  buildUi();
  logInfo("[MapView]: Enter MapView class.");
}

void MapView::buildUi() {
  setObjectName(QStringLiteral("MapView"));
  setAttribute(Qt::WA_StyledBackground, true);
  const ViewerState &s = ViewerState::instance();
  JsonToStyle style(s.appDir);
  style.setTranslationContext("ui_mapView");
  style.load(QStringLiteral("MapView"));
  const QString mapColour = colourOf(style.item(QStringLiteral("mapFront")), "#dfe3e6");
  setStyleSheet(QStringLiteral("#MapView { background-color: %1; }")
                    .arg(colourOf(style.item(QStringLiteral("MapView")), "#232427")));

  // Back to front: the grip (shown while floating), the page's frame, the page.
  back_ = new QWidget(this);
  back_->setObjectName(QStringLiteral("mapBack"));
  back_->setAttribute(Qt::WA_StyledBackground, true);
  back_->setStyleSheet(QStringLiteral("#mapBack { background-color: %1; }")
                           .arg(colourOf(style.item(QStringLiteral("mapBack")), "#2f3136")));
  grip_ = new QLabel(back_);
  style.apply(grip_, QStringLiteral("mapGrip"));
  grip_->setText(tr("Map"));
  grip_->hide();
  front_ = new QWidget(this);
  front_->setObjectName(QStringLiteral("mapFront"));
  front_->setAttribute(Qt::WA_StyledBackground, true);
  front_->setStyleSheet(QStringLiteral("#mapFront { background-color: %1; }").arg(mapColour));
  notice_ = new QLabel(this);
  style.apply(notice_, QStringLiteral("mapNotice"));
  notice_->setAlignment(Qt::AlignCenter);
  notice_->setWordWrap(true);
  setMinimumSize(160, 120);
  minimumSize_ = minimumSize();
  maximumSize_ = maximumSize();
  mapColour_ = QColor(mapColour);
  pageFolder_ = s.resourceDir + QStringLiteral("/json/");
  updateNotice();
}

// A page going away answers its pending calls with nothing and may report a
// failed load; reloading it then would build a page on a view being torn down.
MapView::~MapView() {
  closing_ = true;
  if (!view_) return;
  if (view_->page()) view_->page()->disconnect(this);
  delete view_;
  view_ = nullptr;
}

// The web engine (a browser of its own, with processes beside ours) starts
// when the map is first on screen, not with the program: whoever never looks
// at the map does not pay for it.
void MapView::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!view_ && !unavailable_) createPage();
}

void MapView::createPage() {
  if (!webEngineUsable()) {
    showUnavailable();
    return;
  }
  view_ = new QWebEngineView(front_);
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  auto *page = new MapPage(view_);
  view_->setPage(page);
  page->setBackgroundColor(mapColour_);
  // Tile servers ask programs to name themselves.
  page->profile()->setHttpUserAgent(
      QStringLiteral("TARVIK DASHCAM/%1 (map panel)").arg(ViewerState::instance().version));
  page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
  page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  bridge_ = new MapBridge(this);
  auto *channel = new QWebChannel(page);
  channel->registerObject(QStringLiteral("mapBridge"), bridge_);
  page->setWebChannel(channel);
  connect(bridge_, &MapBridge::routeClickedAt, this, &MapView::onRouteClicked);
  connect(bridge_, &MapBridge::markClickedAt, this, &MapView::onMarkClicked);
  connect(page, &QWebEnginePage::loadFinished, this, &MapView::setLoadMap);
  connect(page, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus, int code) {
            logError("[MapView]: the map page stopped (%d)", code);
            mapFailed();
          });
  updateNotice();
  resizeUi();
  loadPage();
}

// The web engine needs a shared OpenGL context, and as root it refuses to
// start its sandbox and ends the whole process unless told to run without.
bool MapView::webEngineUsable() const {
  QOpenGLContext *shared = QOpenGLContext::globalShareContext();
  if (!shared || !shared->isValid()) {
    logError("[MapView]: no OpenGL context for the map page");
    return false;
  }
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX") &&
      !qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox")) {
    logError("[MapView]: the map page does not run as root");
    return false;
  }
  return true;
}

void MapView::loadPage() {
  ++loadAttempts_;
  QFile file(ViewerState::instance().resourceDir + QStringLiteral("/map/map.html"));
  if (!file.open(QIODevice::ReadOnly)) {
    logError("[MapView]: no map page at %s", qUtf8Printable(file.fileName()));
    QTimer::singleShot(0, this, [this] { setLoadMap(false); });
    return;
  }
  page_ = file.readAll();
  view_->setHtml(QString::fromUtf8(page_), QUrl::fromLocalFile(pageFolder_));
}

void MapView::setLoadMap(bool ok) {
  logDebug("MapView::setLoadMap");
  if (!ok || !view_) {
    mapFailed();
    return;
  }
  // initMap() answers false when the page could not build its map (its
  // script library missing, say): that is a failed load as well. Until it
  // has answered, nothing else is sent.
  QPointer<MapView> self(this);
  view_->page()->runJavaScript(QStringLiteral("initMap()"), [self](const QVariant &result) {
    if (self) self->onMapInitialised(result.toBool());
  });
  emit scriptRun(QStringLiteral("initMap()"));
}

void MapView::onMapInitialised(bool ok) {
  if (closing_) return;
  if (!ok) {
    mapFailed();
    return;
  }
  logInfo("[MapView]: Set map data is complete.");
  const bool wasLoaded = pageLoaded_;
  pageLoaded_ = true;
  if (wasLoaded) return;
  runScript(MapScript::setTexts(tr("No GPS fix"), tr("Speed (%1)")));
  if (!loadedData_) return;
  // The data came before the page: hand it over now.
  noFixShown_ = !noFix_;
  sendRecording();
  const ViewerState &s = ViewerState::instance();
  const int at = RecordingMetadata::pointIndexForSample(s.mapPoints, std::max(currentSample(), 0));
  if (at >= 0 && s.mapPoints[at].fix != MapPoint::Invalid) sendPosition(s.mapPoints[at], true);
}

void MapView::mapFailed() {
  if (closing_) return;
  logError("[MapView]: Failed to set map data.");
  pageLoaded_ = false;
  pageFailed();
}

void MapView::pageFailed() {
  if (!view_ || loadAttempts_ >= kLoadAttempts) {
    showUnavailable();
    return;
  }
  logInfo("[MapView]: loading the map page again");
  loadPage();
}

void MapView::showUnavailable() {
  unavailable_ = true;
  pageLoaded_ = false;
  updateNotice();
}

QString MapView::notice() const {
  return notice_->isVisibleTo(this) ? notice_->text() : QString();
}

void MapView::updateNotice() {
  const bool showMap = mapShown_ && !unavailable_;
  back_->setVisible(showMap);
  front_->setVisible(showMap);
  if (view_) view_->setVisible(showMap);
  notice_->setText(unavailable_ ? tr("Map unavailable") : tr("No GPS position"));
  notice_->setVisible(!showMap);
  notice_->raise();
}

void MapView::runScript(const QString &script) {
  if (!view_) return;
  view_->page()->runJavaScript(script);
  emit scriptRun(script);
}

void MapView::onLoadMap() {
  logDebug("MapView::onLoadMap");
  logDebug("MapView::setData");
  ViewerState &s = ViewerState::instance();
  const AppSettings::MapPosition home = AppSettings::defaultMapPosition();
  s.mapPoints = RecordingMetadata::buildMapPoints(s.gpsSamples, home.latitude, home.longitude);
  route_ = RouteTrack(s.mapPoints);
  loadedData_ = 1;
  if (pageLoaded_) {
    runScript(QStringLiteral("initMap()"));
    pageLoaded_ = true;
  }
  if (s.mapPoints.isEmpty()) return;
  MapPoint first = s.mapPoints.first();
  // Without a usable first position the map opens at the default one; the
  // first fix that follows then re-initialises the map, as after any
  // stretch without fix.
  noFix_ = wasNoFix_ = first.fix != MapPoint::Fixed;
  if (noFix_) first = {first.number, home.latitude, home.longitude, 0.0f, MapPoint::NoFix};
  if (pageLoaded_) {
    noFixShown_ = !noFix_;
    sendRecording();
  }
  sendPosition(first, true);
}

void MapView::sendRecording() {
  const ViewerState &s = ViewerState::instance();
  runScript(MapScript::setRoute(route_, QString::fromLatin1(kSpeedUnit)));
  runScript(MapScript::setEvents(s.gsensorEvents, s.mapPoints));
  setNoFixShown(noFix_);
}

void MapView::sendPosition(const MapPoint &point, bool centre) {
  ViewerState &s = ViewerState::instance();
  s.latitudeText = RecordingMetadata::formatCoordinate(point.latitude);
  s.longitudeText = RecordingMetadata::formatCoordinate(point.longitude);
  s.speedText = RecordingMetadata::formatSpeed(point.speed);
  shown_ = point;
  if (pageLoaded_)
    runScript(MapScript::setLatLng(s.latitudeText, s.longitudeText, s.speedText, centre));
}

void MapView::setNoFixShown(bool noFix) {
  if (!pageLoaded_ || noFix == noFixShown_) return;
  noFixShown_ = noFix;
  runScript(noFix ? QStringLiteral("setNoFix(true)") : QStringLiteral("setNoFix(false)"));
}

void MapView::onUpdateMap() {
  const ViewerState &s = ViewerState::instance();
  if (!s.metadataReady || !playingOrPaused() || s.mapPoints.isEmpty()) return;
  const int i = currentSample();
  if (i < 0) return;
  const int at = RecordingMetadata::pointIndexForSample(s.mapPoints, i);
  if (at < 0 || s.mapPoints[at].fix == MapPoint::Invalid) return;  // never sent
  const MapPoint &point = s.mapPoints[at];
  if (point.fix == MapPoint::NoFix) {
    noFix_ = wasNoFix_ = true;
    setNoFixShown(true);
  } else {
    noFix_ = false;
    if (wasNoFix_ && pageLoaded_) {
      wasNoFix_ = false;
      setLoadMap(true);
    }
    setNoFixShown(false);
  }
  sendPosition(point, false);
}

int MapView::currentSample() const {
  const ViewerState &s = ViewerState::instance();
  if (s.mapPoints.isEmpty()) return -1;
  return RecordingMetadata::mapIndex(s.mapPoints.last().number, s.currentTimeMs, s.totalRangeMs);
}

void MapView::onClearData() {
  logDebug("MapView::onClearData");
  ViewerState &s = ViewerState::instance();
  s.gpsSamples.clear();
  s.mapPoints.clear();
  loadedData_ = 0;
  route_ = RouteTrack();
  dragging_ = false;
  noFix_ = wasNoFix_ = false;
  if (pageLoaded_) {
    runScript(QStringLiteral("clearRoute()"));
    noFixShown_ = false;
  }
  emit mapCleared();
}

void MapView::onMapShow(bool show) {
  logDebug("MapView::onMapShow");
  mapShown_ = show;
  updateNotice();
}

void MapView::onBlockEvent(bool block) {
  blocked_ = block;
}

void MapView::onRouteClicked(double latitude, double longitude) {
  if (blocked_ || route_.isEmpty()) return;
  const int number = route_.nearestSample(latitude, longitude, currentSample());
  if (number >= 0) requestSample(number);
}

void MapView::onMarkClicked(int sampleNumber) {
  if (blocked_) return;
  requestSample(sampleNumber);
}

void MapView::requestSample(int sampleNumber) {
  const ViewerState &s = ViewerState::instance();
  if (!s.metadataReady || !playingOrPaused() || s.mapPoints.isEmpty()) return;
  const double ms =
      RecordingMetadata::sampleTimeMs(sampleNumber, s.mapPoints.last().number, s.totalRangeMs);
  logInfo("[MapView]: go to sample %d (%d ms)", sampleNumber, qRound(ms));
  emit seekRequested(qRound(ms));
}

void MapView::setFloating(QWidget *moved) {
  moved_ = moved;
  dragging_ = false;
  grip_->setVisible(moved != nullptr);
  resizeUi();
}

void MapView::resizeUi() {
  const int top = moved_ ? kGripHeight : 0;
  back_->setGeometry(rect());
  grip_->setGeometry(6, 0, width() - 12, kGripHeight);
  front_->setGeometry(0, top, width(), height() - top);
  if (view_) view_->setGeometry(front_->rect());
  notice_->setGeometry(rect());
}

void MapView::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  resizeUi();
}

void MapView::mousePressEvent(QMouseEvent *event) {
  if (!moved_ || event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  dragging_ = true;
  dragOffset_ = event->globalPos() - moved_->pos();
  event->accept();
}

void MapView::mouseMoveEvent(QMouseEvent *event) {
  if (!dragging_ || !moved_) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  QPoint to = event->globalPos() - dragOffset_;
  // Kept whole inside the window it floats in.
  if (const QWidget *area = moved_->parentWidget()) {
    to.setX(qBound(0, to.x(), std::max(0, area->width() - moved_->width())));
    to.setY(qBound(0, to.y(), std::max(0, area->height() - moved_->height())));
  }
  moved_->move(to);
  event->accept();
}

void MapView::mouseReleaseEvent(QMouseEvent *event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}
