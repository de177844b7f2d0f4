// The vehicle's position on a web map beside the video. The map is our own
// page (Resources/map/map.html on Leaflet) in an embedded web view, made
// when the map is first on screen; the
// viewer runs the page's functions: initMap() and setLatLng() as the marker
// follows playback, and setRoute(), setEvents(), setNoFix() and clearRoute()
// for the whole route coloured by speed and its event marks. Clicks on the
// route or a mark come back over a web channel and become seek requests.
#ifndef VIEWER_MAP_MAPVIEW_H
#define VIEWER_MAP_MAPVIEW_H

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

#include "core/MetadataSamples.h"
#include "core/RouteTrack.h"

class QLabel;
class QWebEngineView;
class MapBridge;

class MapView : public QWidget {
  Q_OBJECT
 public:
  // Thickness of the grip the floating map is dragged by.
  static constexpr int kGripHeight = 18;

  explicit MapView(QWidget *parent = nullptr);
  ~MapView() override;

  bool isPageLoaded() const { return pageLoaded_; }
  bool hasNoFix() const { return noFix_; }
  // The page could not be shown (no web engine here, or it failed twice).
  bool isUnavailable() const { return unavailable_; }
  // The text the panel shows instead of the map, empty while the map shows.
  QString notice() const;
  QWebEngineView *webView() const { return view_; }
  const RouteTrack &route() const { return route_; }

  // In full screen the map floats over the video: a press on its grip drags
  // `moved` (the map or what holds it). nullptr puts it back in its place.
  void setFloating(QWidget *moved);
  bool isFloating() const { return moved_ != nullptr; }

 public slots:
  // The page finished loading (or failed to): (re-)initialise its map.
  void setLoadMap(bool ok);
  // The recording's samples are there: the route, its events and the first
  // position.
  void onLoadMap();
  // The 500 ms tick: the marker to the current sample.
  void onUpdateMap();
  void onClearData();
  void onMapShow(bool show);
  void onBlockEvent(bool block);
  void resizeUi();

 signals:
  // The user asked for this playing time (a click on the route or a mark).
  void seekRequested(int ms);
  void mapCleared();
  // Every JavaScript call, as it goes to the page.
  void scriptRun(const QString &script);

 protected:
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

 private:
  void buildUi();
  void createPage();
  bool webEngineUsable() const;
  void loadPage();
  void onMapInitialised(bool ok);
  void mapFailed();
  void pageFailed();
  void showUnavailable();
  void runScript(const QString &script);
  void sendRecording();
  void sendPosition(const MapPoint &point, bool centre);
  void setNoFixShown(bool noFix);
  void onRouteClicked(double latitude, double longitude);
  void onMarkClicked(int sampleNumber);
  void requestSample(int sampleNumber);
  int currentSample() const;
  void updateNotice();

  QWidget *back_ = nullptr;
  QWidget *front_ = nullptr;
  QWebEngineView *view_ = nullptr;
  bool closing_ = false;  // the page goes with the view: its answers mean nothing now
  QLabel *notice_ = nullptr;
  QLabel *grip_ = nullptr;
  MapBridge *bridge_ = nullptr;
  QByteArray page_;
  QString pageFolder_;
  QColor mapColour_;
  bool pageLoaded_ = false;
  bool noFix_ = false;
  bool wasNoFix_ = false;
  bool noFixShown_ = false;
  bool unavailable_ = false;
  bool mapShown_ = false;
  bool blocked_ = false;
  int loadAttempts_ = 0;
  int loadedData_ = 0;
  QSize minimumSize_;
  QSize maximumSize_;
  QWidget *moved_ = nullptr;
  bool dragging_ = false;
  QPoint dragOffset_;
  RouteTrack route_;
  MapPoint shown_;  // the last position sent
};

#endif
