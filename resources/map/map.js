// The viewer's map page. The viewer calls these functions:
//   initMap()                            make the map (again: re-centre on the next position)
//   setLatLng(lat, lng, speed, centre)   move the car marker; centre the map when asked
//   setRoute(route)                      the recording's route, coloured by speed, with a legend
//   setEvents(events)                    marks of hard braking and impacts on the route
//   setNoFix(flag)                       the camera has (no) GPS fix at the moment
//   clearRoute()                         nothing is played any more
//   setTexts(texts)                      the page's words in the user's language
// and hears back over the web channel object "mapBridge": routeClicked(lat, lng) and
// markClicked(sample). Map tiles come from OpenStreetMap when the network answers; without
// them the route, marker, scale and legend stand on the plain ground of map.css.
'use strict';

var map = null;
var bridge = null;
var receivedCalls = [];   // every call of the viewer, in order, as text
var routeDrawn = false;   // the last route has been painted

var tiles = null;
var legend = null;
var noFixNote = null;
var renderer = null;
var car = null;
var routeLayer = null;
var eventLayer = null;
var unit = 'km/h';
var recentre = true;
var routeFitted = false;
var pendingFit = null;
var noFix = false;
var lastFix = null;
var heading = 0;
var followPausedUntil = 0;
var texts = { noFix: 'No GPS fix', legendTitle: 'Speed (%1)' };

if (typeof QWebChannel !== 'undefined' && typeof qt !== 'undefined' && qt.webChannelTransport) {
  new QWebChannel(qt.webChannelTransport, function (channel) {
    bridge = channel.objects.mapBridge;
  });
}

function record(name, args) {
  receivedCalls.push(name + '(' + Array.prototype.map.call(args, String).join(', ') + ')');
}

function textControl(position, className) {
  var control = L.control({ position: position });
  control.onAdd = function () {
    var div = L.DomUtil.create('div', className);
    div.style.display = 'none';
    L.DomEvent.disableClickPropagation(div);
    return div;
  };
  return control;
}

function initMap() {
  record('initMap', arguments);
  if (typeof L === 'undefined' || !document.getElementById('map')) return false;
  recentre = true;
  if (map) return true;
  renderer = L.canvas({ padding: 0.5, tolerance: 6 });
  map = L.map('map', { renderer: renderer, preferCanvas: true, fadeAnimation: false });
  // Plain-text credits: a link would take the panel away from this page.
  map.attributionControl.setPrefix('Leaflet');
  map.setView([20, 0], 2);
  tiles = L.tileLayer('https://tile.openstreetmap.org/{z}/{x}/{y}.png', { maxZoom: 19 });
  tiles.once('tileload', function () {
    map.attributionControl.addAttribution('&copy; OpenStreetMap contributors');
  });
  tiles.addTo(map);
  L.control.scale({ imperial: false, position: 'bottomleft' }).addTo(map);
  legend = textControl('bottomright', 'legend').addTo(map);
  noFixNote = textControl('topright', 'nofix-note').addTo(map);
  noFixNote.getContainer().textContent = texts.noFix;
  map.on('dragstart', function () { followPausedUntil = Date.now() + 10000; });
  map.on('resize', function () {
    if (pendingFit && map.getSize().x > 0) fitRoute(pendingFit);
  });
  return true;
}

function carIcon() {
  return L.divIcon({
    className: '',
    html: '<div class="car"><img src="../image/marker.svg"></div><div class="speed"></div>',
    iconSize: [32, 32],
    iconAnchor: [16, 16]
  });
}

function bearing(from, to) {
  var rad = Math.PI / 180;
  var y = Math.sin((to.lng - from.lng) * rad) * Math.cos(to.lat * rad);
  var x = Math.cos(from.lat * rad) * Math.sin(to.lat * rad) -
          Math.sin(from.lat * rad) * Math.cos(to.lat * rad) * Math.cos((to.lng - from.lng) * rad);
  return Math.atan2(y, x) / rad;
}

function showCar(speed) {
  var element = car.getElement();
  if (!element) return;
  element.querySelector('.car').className = noFix ? 'car nofix' : 'car';
  element.querySelector('.car img').style.transform = 'rotate(' + heading + 'deg)';
  element.querySelector('.speed').textContent = noFix ? '—' : Math.round(speed) + ' ' + unit;
}

function setLatLng(lat, lng, speed, centre) {
  record('setLatLng', arguments);
  if (!map) return false;
  var here = L.latLng(lat, lng);
  var moved = !car || !car.getLatLng().equals(here);
  if (!car) {
    car = L.marker(here, { icon: carIcon(), interactive: false, keyboard: false, zIndexOffset: 1000 });
    car.addTo(map);
  } else {
    car.setLatLng(here);
  }
  if (!noFix) {
    if (lastFix && lastFix.distanceTo(here) > 2) heading = bearing(lastFix, here);
    lastFix = here;
  }
  showCar(speed);
  if (centre || recentre) {
    map.setView(here, routeFitted ? map.getZoom() : 16, { animate: false });
    recentre = false;
  } else if (moved && !noFix && Date.now() > followPausedUntil &&
             !map.getBounds().pad(-0.15).contains(here)) {
    // Keep the moving car in sight, unless the user is looking around (a car
    // standing still, as while paused, leaves the map where the user put it).
    map.panTo(here);
  }
  return true;
}

function fitRoute(bounds) {
  pendingFit = null;
  map.fitBounds(bounds, { padding: [24, 24], maxZoom: 17, animate: false });
}

function onRouteClick(e) {
  L.DomEvent.stopPropagation(e);
  if (bridge) bridge.routeClicked(e.latlng.lat, e.latlng.lng);
}

function toLatLngs(flat) {
  var out = new Array(flat.length / 2);
  for (var i = 0; i < out.length; ++i) out[i] = [flat[2 * i], flat[2 * i + 1]];
  return out;
}

function showLegend(route) {
  var div = legend.getContainer();
  div.innerHTML = '';
  if (!route.bands.length) {
    div.style.display = 'none';
    return;
  }
  var title = L.DomUtil.create('div', 'title', div);
  title.textContent = texts.legendTitle.replace('%1', unit);
  route.bands.forEach(function (band) {
    var row = L.DomUtil.create('div', '', div);
    var swatch = L.DomUtil.create('span', 'swatch', row);
    swatch.style.background = band.colour;
    row.appendChild(document.createTextNode(
        band.to === undefined ? '\u2265 ' + band.from : band.from + '\u2013' + band.to));
  });
  div.style.display = '';
}

function removeRoute() {
  if (routeLayer) map.removeLayer(routeLayer);
  if (eventLayer) map.removeLayer(eventLayer);
  routeLayer = eventLayer = null;
  routeFitted = false;
  pendingFit = null;
}

function setRoute(route) {
  receivedCalls.push('setRoute(' + route.points + ' points)');
  if (!map) return false;
  removeRoute();
  routeDrawn = false;
  unit = route.unit || unit;
  routeLayer = L.featureGroup();
  var all = [];
  var bands = route.bands.map(function (band) {
    var lines = band.lines.map(toLatLngs);
    all = all.concat(lines);
    return L.polyline(lines, { renderer: renderer, color: band.colour, weight: 5, opacity: 0.95 });
  });
  // A dark casing under the coloured line keeps it readable on tiles and on plain ground.
  routeLayer.addLayer(L.polyline(all, { renderer: renderer, color: '#1b1c1e', weight: 8,
                                        opacity: 0.45 }));
  bands.forEach(function (line) { routeLayer.addLayer(line); });
  routeLayer.on('click', onRouteClick);
  routeLayer.addTo(map);
  showLegend(route);
  if (route.bounds) {
    var b = route.bounds;
    var bounds = L.latLngBounds([b[0], b[1]], [b[2], b[3]]);
    routeFitted = true;
    if (map.getSize().x > 0) fitRoute(bounds); else pendingFit = bounds;
  }
  requestAnimationFrame(function () {
    requestAnimationFrame(function () { routeDrawn = true; });
  });
  return true;
}

function setEvents(events) {
  receivedCalls.push('setEvents(' + events.length + ' events)');
  if (!map) return false;
  if (eventLayer) map.removeLayer(eventLayer);
  eventLayer = L.layerGroup();
  events.forEach(function (ev) {
    var mark = L.circleMarker([ev.lat, ev.lng], {
      renderer: renderer, radius: 7, color: '#1b1c1e', weight: 2, fillOpacity: 1,
      fillColor: ev.kind === 'braking' ? '#ffb020' : '#e0604a'
    });
    mark.bindTooltip(ev.title, { direction: 'top', className: 'event-title' });
    mark.sample = ev.sample;
    mark.on('click', function (e) {
      L.DomEvent.stopPropagation(e);
      if (bridge) bridge.markClicked(ev.sample);
    });
    eventLayer.addLayer(mark);
  });
  eventLayer.addTo(map);
  return true;
}

function setNoFix(flag) {
  record('setNoFix', arguments);
  noFix = !!flag;
  if (!map) return false;
  noFixNote.getContainer().style.display = noFix ? '' : 'none';
  if (car) showCar(0);
  return true;
}

function clearRoute() {
  record('clearRoute', arguments);
  if (!map) return false;
  removeRoute();
  if (car) map.removeLayer(car);
  car = null;
  lastFix = null;
  noFix = false;
  legend.getContainer().style.display = 'none';
  noFixNote.getContainer().style.display = 'none';
  return true;
}

function setTexts(words) {
  record('setTexts', arguments);
  texts.noFix = words.noFix || texts.noFix;
  texts.legendTitle = words.legendTitle || texts.legendTitle;
  if (noFixNote) noFixNote.getContainer().textContent = texts.noFix;
  return true;
}
