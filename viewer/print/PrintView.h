// The report's preview with the memo box and the print button. Prints
// through the system's print dialog (printing to a PDF file is one of its
// printers).
#ifndef VIEWER_PRINT_PRINTVIEW_H
#define VIEWER_PRINT_PRINTVIEW_H

#include <QVector>
#include <array>

#include "widgets/ThemedDialog.h"

class PreviewPrint;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QPushButton;

class PrintView : public ThemedDialog {
  Q_OBJECT
 public:
  static constexpr int kChannels = 5;

  explicit PrintView(QWidget *parent = nullptr);

  void setChannelShow(const std::array<bool, kChannels> &flags);
  void setSceneImage(const QVector<QImage> &frames);
  void setMapImage(const QImage &map);
  int sceneCount() const { return sceneCount_; }
  QString printableMemo() const { return printableMemo_; }
  PreviewPrint *preview() const { return preview_; }
  QPlainTextEdit *memoBox() const { return tMemo_; }

  // Draws the report on a printer that is set up already (no dialog).
  bool printTo(QPrinter *printer);

 public slots:
  void onWriteMemo();
  void onPrint();

 protected:
  void changeEvent(QEvent *event) override;

 private:
  void retranslate();

  std::array<bool, kChannels> channelShow_{};
  QVector<QImage> sceneImages_;
  int sceneCount_ = 0;
  QImage mapImage_;
  QString memo_;
  QString printableMemo_;

  QLabel *title_;
  QPushButton *bClose_;
  PreviewPrint *preview_;
  QLabel *strMemo_;
  QPlainTextEdit *tMemo_;
  QLabel *lMemoNote_;
  QPushButton *bInputMemo_;
  QPushButton *bPrint_;
  QPushButton *bCancel_;
};

#endif
