#include "print/ReportPage.h"

#include <QCoreApplication>
#include <algorithm>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "core/ConfigAccess.h"
#include "core/ViewerState.h"

namespace {

constexpr int kMemoLine = 40;

QString tr(const char *text) {
  return QCoreApplication::translate("ReportPage", text);
}

// A TrueType face first: its digits keep their character codes in a PDF
// (the CFF faces of the CJK family lose them, so a printed-to-PDF report
// could not be searched or copied); Korean and Hebrew fall back as usual.
QFont pixelFont(int pixels, bool bold = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

ReportData ReportData::fromViewerState() {
  const ViewerState &s = ViewerState::instance();
  ReportData d;
  d.fileName = s.currentRecording().fileName;
  d.modelName = ConfigAccess::instance().modelName();
  if (s.metadataReady) {
    d.latitude = s.latitudeText;
    d.longitude = s.longitudeText;
    d.speed = s.speedText;
  }
  d.gsensorX = s.gsensorXText;
  d.gsensorY = s.gsensorYText;
  d.gsensorZ = s.gsensorZText;
  d.miles = s.speedUnitMiles;
  return d;
}

namespace ReportPage {

QString wrapMemo(const QString &memo) {
  QString out = QStringLiteral("\n");
  for (int i = 0; i < memo.size(); i += kMemoLine) {
    if (i > 0) out += QLatin1Char('\n');
    out += memo.mid(i, kMemoLine);
  }
  return out;
}

QString dateText(const QString &fileName) {
  const QString n = fileName.left(15);
  if (n.size() < 15) return tr("Date: ");
  return tr("Date: ") + n.mid(0, 4) + "." + n.mid(4, 2) + "." + n.mid(6, 2) + "  " + n.mid(9, 2) +
         " : " + n.mid(11, 2) + " : " + n.mid(13, 2);
}

QString gpsText(const ReportData &d) {
  if (d.latitude.isEmpty() && d.longitude.isEmpty()) return QString();
  return QStringLiteral("GPS: ") + d.latitude + QStringLiteral(" (N), ") + d.longitude +
         QStringLiteral(" (E), ");
}

QString speedText(const ReportData &d) {
  return tr("Speed: ") + d.speed + (d.miles ? QStringLiteral("Mi/h") : QStringLiteral("Km/h"));
}

QString gsensorText(const ReportData &d) {
  return QStringLiteral("G-Sensor: X: ") + d.gsensorX + QStringLiteral(" Y: ") + d.gsensorY +
         QStringLiteral(" Z: ") + d.gsensorZ;
}

QStringList textLines(const ReportData &d) {
  return {tr("FileName: ") + d.fileName,
          dateText(d.fileName),
          tr("Model Name: ") + d.modelName,
          gpsText(d) + speedText(d),
          gsensorText(d),
          tr("Memo: ") + wrapMemo(d.memo)};
}

QSize previewPageSize() {
  return QSize(794, 1123);
}

Layout layout(const QSize &page, int scenes) {
  Layout l;
  l.width = page.width() - 75;
  l.height = page.height() - 40;
  const int W = l.width, H = l.height;
  l.title = QRect(20, 20, W, H);
  const int mainHeight = 2 * H / 5 - 30;
  l.mainPicture = QRect(20, 45, W, mainHeight);
  const int mapTop = mainHeight + 50;
  l.map = QRect(20, mapTop, (W - 20) / 2, H / 5 - 10);
  const int textLeft = l.map.right() + 1 + 20;
  l.text = QRect(textLeft, mapTop, 20 + W - textLeft, l.map.height() + 100);
  // The other channels in two columns beneath the map, each as wide as the
  // map and as high as the page leaves, never taller than the main picture's
  // shape allows.
  const int more = std::max(0, std::min(scenes, 5) - 1);
  if (more > 0) {
    const int top = l.map.bottom() + 1 + 20;
    const int rows = (more + 1) / 2;
    const int cellWidth = (W - 20) / 2;
    const int room = (H + 20 - top - 10 * (rows - 1)) / rows;
    const int cellHeight = std::max(1, std::min(room, cellWidth * mainHeight / std::max(1, W)));
    for (int i = 0; i < more; ++i)
      l.morePictures << QRect(20 + (i % 2) * (cellWidth + 20), top + (i / 2) * (cellHeight + 10),
                              cellWidth, cellHeight);
  }
  return l;
}

void paint(QPainter &painter, const QSize &page, const ReportData &d) {
  if (d.scenes.isEmpty()) return;
  const Layout l = layout(page, d.scenes.size());
  painter.save();
  painter.setPen(Qt::black);
  painter.setFont(pixelFont(12, true));
  painter.drawText(l.title, Qt::AlignHCenter | Qt::AlignTop, tr("Report"));
  painter.drawImage(l.mainPicture.topLeft(),
                    d.scenes.first().scaled(l.mainPicture.size(), Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation));
  if (!d.map.isNull())
    painter.drawImage(l.map.topLeft(), d.map.scaled(l.map.size(), Qt::IgnoreAspectRatio,
                                                    Qt::SmoothTransformation));
  else
    painter.drawRect(l.map.adjusted(0, 0, -1, -1));

  // The text block: one line every 20 pixels, a rule, then the memo.
  const QFont font = pixelFont(8);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int x = l.text.left(), y = l.text.top(), w = l.text.width();
  auto line = [&](int offset, int left, const QString &text) {
    painter.drawText(QRect(x + left, y + offset, w - left, 20), Qt::AlignLeft | Qt::AlignTop, text);
  };
  line(0, 0, tr("FileName: ") + d.fileName);
  line(20, 0, dateText(d.fileName));
  line(40, 0, tr("Model Name: ") + d.modelName);
  const QString gps = gpsText(d);
  line(60, 0, gps);
  // The speed keeps its place after the position, and moves right when a
  // long position would run into it.
  const int speedLeft = gps.isEmpty() ? 0 : std::max(145, metrics.horizontalAdvance(gps) + 4);
  line(60, speedLeft, speedText(d));
  line(80, 0, gsensorText(d));
  painter.drawLine(x, y + 103, x + w - 1, y + 103);
  painter.drawText(QRect(x, y + 115, w, page.height() - (y + 115) - 20),
                   Qt::AlignLeft | Qt::AlignTop, tr("Memo: ") + wrapMemo(d.memo));

  for (int i = 0; i < l.morePictures.size() && i + 1 < d.scenes.size(); ++i) {
    const QRect &cell = l.morePictures[i];
    painter.drawImage(cell.topLeft(), d.scenes[i + 1].scaled(cell.size(), Qt::IgnoreAspectRatio,
                                                             Qt::SmoothTransformation));
  }
  painter.restore();
}

}  // namespace ReportPage
