// What the map page may tell the viewer: published to the page over a web
// channel as "mapBridge". Only what the user did on the map comes back this
// way; the viewer talks to the page by running its functions.
#ifndef VIEWER_MAP_MAPBRIDGE_H
#define VIEWER_MAP_MAPBRIDGE_H

#include <QObject>

class MapBridge : public QObject {
  Q_OBJECT
 public:
  explicit MapBridge(QObject *parent = nullptr) : QObject(parent) {}

 public slots:
  // A click on the route, at this position.
  void routeClicked(double latitude, double longitude) { emit routeClickedAt(latitude, longitude); }
  // A click on an event mark, which stands for this sample.
  void markClicked(int sampleNumber) { emit markClickedAt(sampleNumber); }

 signals:
  void routeClickedAt(double latitude, double longitude);
  void markClickedAt(int sampleNumber);
};

#endif
