// The preview of the report: the printed page drawn scaled into the widget.
#ifndef VIEWER_PRINT_PREVIEWPRINT_H
#define VIEWER_PRINT_PREVIEWPRINT_H

#include <QWidget>

#include "print/ReportPage.h"

class PreviewPrint : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewPrint(QWidget *parent = nullptr);

  void setSceneData(int count, const QVector<QImage> &images);
  void setMapData(const QImage &map);
  void setMemo(const QString &memo);
  void setReportValues(const ReportData &values);
  const ReportData &data() const { return data_; }

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  ReportData data_;
};

#endif
