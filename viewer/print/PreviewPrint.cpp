#include "print/PreviewPrint.h"

#include <QPainter>

#include "core/StatusLog.h"

PreviewPrint::PreviewPrint(QWidget *parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewPrint::setSceneData(int count, const QVector<QImage> &images) {
  logDebug("PreviewPrint::setSceneData");
  data_.scenes = images.mid(0, count);
  update();
}

void PreviewPrint::setMapData(const QImage &map) {
  logDebug("PreviewPrint::setMapData");
  data_.map = map;
  update();
}

void PreviewPrint::setMemo(const QString &memo) {
  data_.memo = memo;
  update();
}

// The values keep the pictures and memo already given.
void PreviewPrint::setReportValues(const ReportData &values) {
  ReportData d = values;
  d.scenes = data_.scenes;
  d.map = data_.map;
  d.memo = data_.memo;
  data_ = d;
  update();
}

void PreviewPrint::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Dark));
  // The page keeps its shape, as large as the widget allows, centred.
  const QSize page = ReportPage::previewPageSize();
  const double scale =
      std::min(static_cast<double>(width()) / page.width(), static_cast<double>(height()) / page.height());
  const QSizeF shown(page.width() * scale, page.height() * scale);
  painter.translate((width() - shown.width()) / 2, (height() - shown.height()) / 2);
  painter.scale(scale, scale);
  painter.fillRect(QRect(QPoint(0, 0), page), Qt::white);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.setRenderHint(QPainter::TextAntialiasing);
  ReportPage::paint(painter, page, data_);
}
