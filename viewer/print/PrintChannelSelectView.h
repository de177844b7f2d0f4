// Which channels go on the printed report. Opens the print view with the
// chosen channels' pictures and the map.
#ifndef VIEWER_PRINT_PRINTCHANNELSELECTVIEW_H
#define VIEWER_PRINT_PRINTCHANNELSELECTVIEW_H

#include <QPointer>
#include <QVector>

#include "print/PrintView.h"
#include "widgets/ThemedDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

class PrintChannelSelectView : public ThemedDialog {
  Q_OBJECT
 public:
  explicit PrintChannelSelectView(QWidget *parent = nullptr);

  // The channels of the recording (boxes beyond them are not used).
  void setChannelCount(int count);
  // The pictures of all channels of the moment, channel 1 first.
  void setImage(const QVector<QImage> &frames);
  void setMapImage(const QImage &map);
  PrintView *printView() const { return printView_; }
  QCheckBox *item(int i) const { return items_.value(i); }

 public slots:
  void onShowPrintView();

 signals:
  void finishedPrintView(int result);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  void retranslate();

  int channelCount_ = 1;
  QVector<QImage> frames_;
  QImage map_;
  QPointer<PrintView> printView_;
  QLabel *title_;
  QPushButton *bClose_;
  QLabel *strChannel_;
  QVector<QCheckBox *> items_;
  QPushButton *bOk_;
  QPushButton *bCancel_;
};

#endif
