#include "chart/ChartView.h"

#include <QEvent>
#include <QHelpEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLine>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/GsensorEvents.h"
#include "core/RecordingMetadata.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "theme/JsonToStyle.h"

const char *const ChartView::kAxisColours[3] = {"#ff3a00", "#318dff", "#65ca26"};

namespace {

const char *const kNameObjects[3] = {"gSensorLX", "gSensorLY", "gSensorLZ"};
const char *const kValueObjects[3] = {"gSensorLXValue", "gSensorLYValue", "gSensorLZValue"};
const char *const kAxisNames[3] = {"X", "Y", "Z"};
const QColor kEventColour(0xff, 0xb0, 0x20);
const QColor kSpeedLine(0xc8, 0xca, 0xd0, 120);
const QColor kSpeedFill(0xff, 0xff, 0xff, 22);
const QColor kGuide(0x3a, 0x3b, 0x3e);
constexpr int kMarkReach = 5;  // pixels either side of a mark that still hit it
// Far enough outside any chart that clipping hides it, near enough that the
// conversion to whole pixels cannot overflow.
constexpr double kFarOutside = 1e6;

bool playingOrPaused() {
  const PlayState s = ViewerState::instance().playState();
  return s == PlayState::Playing || s == PlayState::Paused;
}

int toPixel(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::clamp(v, -kFarOutside, kFarOutside));
}

// Speed scales in steps of 20 (km/h) above the fastest moment.
float speedScaleFor(float fastest) {
  return std::max(20.0f, std::ceil(fastest / 20.0f) * 20.0f);
}

}  // namespace

ChartView::ChartView(QWidget *parent) : QWidget(parent) {
  logDebug("ChartView::ChartView");
  buildUi();
}

void ChartView::buildUi() {
  setObjectName(QStringLiteral("ChartView"));
  setAttribute(Qt::WA_StyledBackground, true);
  const ViewerState &s = ViewerState::instance();
  JsonToStyle style(s.appDir);
  style.setTranslationContext("ui_chartView");
  style.load(QStringLiteral("ChartView"));
  const StyleItem panel = style.item(QStringLiteral("ChartView"));
  const QString panelColour = panel.status == 0 && !panel.color[StyleItem::Default].isEmpty()
                                  ? panel.color[StyleItem::Default]
                                  : QStringLiteral("#1b1c1e");
  setStyleSheet(QStringLiteral("#ChartView { background-color: %1; }").arg(panelColour));
  setFixedHeight(panel.status == 0 && panel.height > 0 ? panel.height : 200);
  const StyleItem plot = style.item(QStringLiteral("chartWidget"));
  background_ = QColor(plot.status == 0 && !plot.color[StyleItem::Default].isEmpty()
                           ? plot.color[StyleItem::Default]
                           : QStringLiteral("#151617"));

  bar_ = new QWidget(this);
  bar_->setObjectName(QStringLiteral("chartBar"));
  auto *row = new QHBoxLayout(bar_);
  row->setContentsMargins(10, 4, 10, 4);
  row->setSpacing(6);
  for (int a = 0; a < 3; ++a) {
    names_[a] = new QLabel(QLatin1String(kAxisNames[a]), bar_);
    values_[a] = new QLabel(QStringLiteral("0.000"), bar_);
    style.apply(names_[a], QLatin1String(kNameObjects[a]));
    style.apply(values_[a], QLatin1String(kValueObjects[a]));
    names_[a]->setText(QLatin1String(kAxisNames[a]));
    names_[a]->setStyleSheet(
        QStringLiteral("color: %1; font-weight: bold;").arg(QLatin1String(kAxisColours[a])));
    values_[a]->setText(QStringLiteral("0.000"));
    values_[a]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(names_[a]);
    row->addWidget(values_[a]);
    row->addSpacing(8);
  }
  row->addStretch(1);
  speedScaleLabel_ = new QLabel(bar_);
  style.apply(speedScaleLabel_, QStringLiteral("speedScale"));
  row->addWidget(speedScaleLabel_);

  chart_ = new QWidget(this);
  chart_->setObjectName(QStringLiteral("chartWidget"));
  chart_->setCursor(Qt::PointingHandCursor);
  chart_->setMouseTracking(true);
  chart_->installEventFilter(this);

  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(bar_);
  column->addWidget(chart_, 1);
}

void ChartView::onloadChart() {
  logDebug("ChartView::onloadChart");
  const ViewerState &s = ViewerState::instance();
  const QVector<GsensorSample> &g = s.gsensorSamples;
  if (!g.isEmpty()) pointTotal_ = std::max(0, g.last().number - 1);
  for (auto &c : curves_) {
    c.clear();
    c.reserve(pointTotal_);
  }
  for (int k = 0; k < pointTotal_ && k < g.size(); ++k) {
    const double x = g[k].number;
    curves_[X].append({x, g[k].x});
    curves_[Y].append({x, g[k].y});
    curves_[Z].append({x, g[k].z});
  }
  // The speed of every sample with a fix, on its own scale behind the curves.
  speed_.clear();
  float fastest = 0;
  for (const MapPoint &p : RecordingMetadata::buildMapPoints(s.gpsSamples, 0, 0)) {
    if (p.fix != MapPoint::Fixed && !speed_.isEmpty() && speed_.last().fix == MapPoint::Fixed)
      speed_.append(p);  // the end of a stretch with fix
    if (p.fix != MapPoint::Fixed) continue;
    speed_.append(p);
    fastest = std::max(fastest, p.speed);
  }
  speedScale_ = speedScaleFor(fastest);
  speedScaleLabel_->setText(tr("Speed to %1 km/h").arg(double(speedScale_), 0, 'f', 0));
  events_ = s.gsensorEvents;
  chartLoaded_ = true;
  logInfo("[ChartView]: Load chart data completely.");
  invalidate();
}

void ChartView::onUpdateChart() {
  ViewerState &s = ViewerState::instance();
  if (!s.metadataReady || !playingOrPaused()) return;
  cursor_ = true;
  const int i = RecordingMetadata::chartIndex(pointCount(), s.currentTimeMs, s.totalRangeMs);
  if (i > 0) {
    QString *texts[3] = {&s.gsensorXText, &s.gsensorYText, &s.gsensorZText};
    for (int a = 0; a < 3; ++a) {
      *texts[a] = RecordingMetadata::formatGsensor(static_cast<float>(curves_[a][i].y()));
      values_[a]->setText(*texts[a]);
    }
  }
  chart_->update();
}

void ChartView::onClearData() {
  logDebug("ChartView::onClearData");
  ViewerState &s = ViewerState::instance();
  s.gsensorSamples.clear();
  for (auto &c : curves_) c.clear();
  speed_.clear();
  events_.clear();
  s.resetGsensorTexts();
  for (QLabel *v : values_) v->setText(QStringLiteral("0.000"));
  speedScaleLabel_->clear();
  chartLoaded_ = false;
  cursor_ = false;
  invalidate();
}

void ChartView::onBlockEvent(bool block) {
  blocked_ = block;
}

void ChartView::invalidate() {
  cache_ = QPixmap();
  chart_->update();
}

int ChartView::xOfSample(double number) const {
  if (pointTotal_ <= 0) return -1;
  return toPixel(chart_->width() * number / pointTotal_);
}

bool ChartView::eventFilter(QObject *watched, QEvent *event) {
  if (watched != chart_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Paint: {
      QPainter painter(chart_);
      paintChart(painter);
      return true;
    }
    case QEvent::Resize:
      cache_ = QPixmap();
      return false;
    case QEvent::MouseButtonPress: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->button() == Qt::LeftButton) pressAt(mouse->pos());
      return true;
    }
    case QEvent::ToolTip: {
      const int e = eventAt(static_cast<QHelpEvent *>(event)->pos().x());
      chart_->setToolTip(e >= 0 ? GsensorEvents::title(events_[e]) : QString());
      return false;
    }
    default:
      return false;
  }
}

void ChartView::paintChart(QPainter &painter) {
  const int w = chart_->width();
  const int h = chart_->height();
  if (ViewerState::instance().gsensorSamples.isEmpty()) {
    chartLoaded_ = false;
    cursor_ = false;
  }
  if (cache_.size() != QSize(w, h)) {
    cache_ = QPixmap(w, h);
    cache_.fill(background_);
    QPainter p(&cache_);
    p.translate(0, h / 2);
    p.setPen(kGuide);
    p.drawLine(0, 0, w, 0);
    if (chartLoaded_) {
      paintSpeed(p, w, h);
      paintEvents(p, w, h);
      paintCurves(p, w, h);
    }
  }
  painter.drawPixmap(0, 0, cache_);
  if (!cursor_) return;
  const ViewerState &s = ViewerState::instance();
  if (s.totalRangeMs <= 0) return;
  painter.translate(0, h / 2);
  painter.setPen(Qt::white);
  const int x = toPixel(w * (s.currentTimeMs / s.totalRangeMs));
  painter.drawLine(x, -h / 2, x, h / 2);
}

// Each point i is joined to point i + 1 in the axis' colour: x spans the
// recording over the width, a value of 1.0 rises a quarter of the height
// above the middle, and what lies beyond +-2.0 is clipped.
void ChartView::paintCurves(QPainter &painter, int w, int h) {
  if (pointTotal_ <= 0) return;
  const double half = h / 2;
  QVector<QLine> lines;
  for (int a = 0; a < 3; ++a) {
    const QVector<QPointF> &c = curves_[a];
    lines.clear();
    lines.reserve(c.size());
    QPoint from;
    for (int i = 0; i < c.size(); ++i) {
      const QPoint to(toPixel(w * c[i].x() / pointTotal_), toPixel(-half * c[i].y() * 0.5));
      if (i > 0) lines.append(QLine(from, to));
      from = to;
    }
    painter.setPen(QColor(QLatin1String(kAxisColours[a])));
    painter.drawLines(lines);
  }
}

void ChartView::paintSpeed(QPainter &painter, int w, int h) {
  if (pointTotal_ <= 0 || speedScale_ <= 0 || speed_.isEmpty()) return;
  const double bottom = h - h / 2;
  QPainterPath line;
  QPainterPath area;
  double runStart = 0;
  bool inRun = false;
  double lastX = 0;
  for (const MapPoint &p : speed_) {
    const double x = w * double(p.number) / pointTotal_;
    if (p.fix != MapPoint::Fixed) {
      if (inRun) {
        area.lineTo(lastX, bottom);
        area.lineTo(runStart, bottom);
        area.closeSubpath();
      }
      inRun = false;
      continue;
    }
    const double y = bottom - h * double(p.speed) / speedScale_;
    if (!inRun) {
      line.moveTo(x, y);
      area.moveTo(x, bottom);
      area.lineTo(x, y);
      runStart = x;
      inRun = true;
    } else {
      line.lineTo(x, y);
      area.lineTo(x, y);
    }
    lastX = x;
  }
  if (inRun) {
    area.lineTo(lastX, bottom);
    area.lineTo(runStart, bottom);
    area.closeSubpath();
  }
  painter.fillPath(area, kSpeedFill);
  painter.setPen(kSpeedLine);
  painter.drawPath(line);
}

void ChartView::paintEvents(QPainter &painter, int w, int h) {
  if (pointTotal_ <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const GsensorEvent &e : events_) {
    const int x = toPixel(w * double(e.number) / pointTotal_);
    painter.setPen(QPen(kEventColour, 1, Qt::DashLine));
    painter.drawLine(x, -h / 2, x, h - h / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kEventColour);
    const QPointF flag[3] = {{x - 5.0, -h / 2.0}, {x + 5.0, -h / 2.0}, {double(x), -h / 2.0 + 8}};
    painter.drawPolygon(flag, 3);
  }
  painter.restore();
}

int ChartView::eventAt(int x) const {
  int found = -1;
  int nearest = kMarkReach + 1;
  for (int i = 0; i < events_.size(); ++i) {
    const int distance = std::abs(xOfSample(events_[i].number) - x);
    if (distance < nearest) {
      nearest = distance;
      found = i;
    }
  }
  return found;
}

void ChartView::pressAt(const QPoint &at) {
  const ViewerState &s = ViewerState::instance();
  if (blocked_ || !chartLoaded_ || !s.metadataReady || !playingOrPaused() || s.totalRangeMs <= 0 ||
      chart_->width() <= 0)
    return;
  const int mark = eventAt(at.x());
  double ms = 0;
  if (mark >= 0) {
    const int last = s.gsensorSamples.isEmpty() ? 0 : s.gsensorSamples.last().number;
    ms = RecordingMetadata::sampleTimeMs(events_[mark].number, last, s.totalRangeMs);
  } else {
    ms = s.totalRangeMs * std::clamp(double(at.x()) / chart_->width(), 0.0, 1.0);
  }
  logInfo("[ChartView]: go to %d ms", qRound(ms));
  emit seekRequested(qRound(ms));
}
