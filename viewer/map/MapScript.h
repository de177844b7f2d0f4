// The calls that hand a recording's route and events to the map page, built
// as JavaScript text. The route goes as lines grouped by speed band, so the
// page draws a whole drive with a handful of layers.
#ifndef VIEWER_MAP_MAPSCRIPT_H
#define VIEWER_MAP_MAPSCRIPT_H

#include <QString>
#include <QVector>

#include "core/MetadataSamples.h"

class RouteTrack;

namespace MapScript {

struct SpeedBand {
  float from;  // lowest speed of the band, in the recording's unit
  const char *colour;
};
// Bands from slow to fast; the last one is open-ended.
const QVector<SpeedBand> &speedBands();
int bandOf(float speed);

// "setRoute({...})": unit, the bands in use with their lines (flat
// latitude/longitude lists) and the bounds of the route.
QString setRoute(const RouteTrack &route, const QString &unit);

// "setEvents([...])": a mark per event that has a position (the last fix at
// or before it), with its sample number and title.
QString setEvents(const QVector<GsensorEvent> &events, const QVector<MapPoint> &points);

// "setTexts({...})": the page's own words in the user's language; %1 in the
// legend title stands for the speed unit.
QString setTexts(const QString &noFix, const QString &legendTitle);

QString setLatLng(const QString &latitude, const QString &longitude, const QString &speed,
                  bool centre);

}  // namespace MapScript

#endif
