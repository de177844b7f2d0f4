// The one-page report of the moment shown: what it holds and how it is
// laid out. The same drawing goes to the printer and, scaled, to the
// preview, so what the user sees before printing is what is printed.
#ifndef VIEWER_PRINT_REPORTPAGE_H
#define VIEWER_PRINT_REPORTPAGE_H

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

class QPainter;

struct ReportData {
  QString fileName;
  QString modelName;
  QString latitude, longitude, speed;
  QString gsensorX, gsensorY, gsensorZ;
  bool miles = false;
  QString memo;             // as typed
  QVector<QImage> scenes;   // the chosen channels' pictures, in channel order
  QImage map;

  // The recording being played and the values of its current sample.
  static ReportData fromViewerState();
};

namespace ReportPage {

// The memo as printed: a line break first, then the text with a line break
// after every 40 characters (none after the last one).
QString wrapMemo(const QString &memo);
// "Date: 2024.01.31  23 : 59 : 59" from a name beginning YYYYMMDD_HHMMSS.
QString dateText(const QString &fileName);
// The text block's lines, top to bottom (the memo last).
QStringList textLines(const ReportData &data);

// The page of the preview: A4 at 96 dots per inch.
QSize previewPageSize();

// Where the parts of a page of this size go (device pixels).
struct Layout {
  int width = 0, height = 0;  // W and H: the page less its margins
  QRect title, mainPicture, map, text;
  QVector<QRect> morePictures;  // second to fifth chosen channel
};
Layout layout(const QSize &page, int scenes);

// Draws the report on a page of the given size; nothing without a picture.
void paint(QPainter &painter, const QSize &page, const ReportData &data);

}  // namespace ReportPage

#endif
