#include "print/PrintView.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "core/StatusLog.h"
#include "print/PreviewPrint.h"
#include "print/ReportPage.h"
#include "widgets/MessageBoxes.h"

PrintView::PrintView(QWidget *parent)
    : ThemedDialog(QStringLiteral("PrintView"), "ui_printView", parent) {
  logDebug("PrintView::PrintView");
  title_ = themed(new QLabel(this), QStringLiteral("lTitle"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  preview_ = themed(new PreviewPrint(this), QStringLiteral("wPreview"));
  strMemo_ = themed(new QLabel(this), QStringLiteral("strMemo"));
  tMemo_ = themed(new QPlainTextEdit(this), QStringLiteral("tMemo"));
  lMemoNote_ = themed(new QLabel(this), QStringLiteral("lMemoNote"));
  lMemoNote_->setWordWrap(true);
  bInputMemo_ = themed(new QPushButton(this), QStringLiteral("bInputMemo"));
  bPrint_ = themed(new QPushButton(this), QStringLiteral("bPrint"));
  bCancel_ = themed(new QPushButton(this), QStringLiteral("bCancel"));
  preview_->setReportValues(ReportData::fromViewerState());
  connect(bInputMemo_, &QPushButton::clicked, this, &PrintView::onWriteMemo);
  connect(bPrint_, &QPushButton::clicked, this, &PrintView::onPrint);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(bClose_, &QPushButton::clicked, this, &QDialog::reject);
  retranslate();
}

void PrintView::retranslate() {
  title_->setText(tr("Print"));
  strMemo_->setText(tr("Memo"));
  lMemoNote_->setText(tr("Lines of 40 characters are printed."));
  bInputMemo_->setText(tr("Apply memo"));
  bPrint_->setText(tr("Print"));
  bCancel_->setText(tr("Cancel"));
}

void PrintView::changeEvent(QEvent *event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  ThemedDialog::changeEvent(event);
}

void PrintView::setChannelShow(const std::array<bool, kChannels> &flags) {
  logDebug("PrintView::setChannelShow");
  sceneCount_ = 0;
  sceneImages_.clear();
  tMemo_->clear();
  memo_.clear();
  printableMemo_.clear();
  preview_->setMemo(QString());
  channelShow_ = flags;
}

void PrintView::setSceneImage(const QVector<QImage> &frames) {
  logDebug("PrintView::setSceneImage");
  for (int i = 0; i < kChannels && i < frames.size(); ++i) {
    if (!channelShow_[i]) continue;
    sceneImages_ << frames[i];
    ++sceneCount_;
  }
  preview_->setSceneData(sceneCount_, sceneImages_);
}

void PrintView::setMapImage(const QImage &map) {
  logDebug("PrintView::setMapImage");
  mapImage_ = map;
  preview_->setMapData(map);
}

void PrintView::onWriteMemo() {
  logDebug("PrintView::onWriteMemo");
  memo_ = tMemo_->toPlainText();
  preview_->setMemo(memo_);
  preview_->update();
  printableMemo_ = ReportPage::wrapMemo(memo_);
}

bool PrintView::printTo(QPrinter *printer) {
  printer->setFullPage(true);
  QPainter painter;
  if (!painter.begin(printer)) {
    logError("[PrintView]: the printer cannot be painted on");
    MessageBoxes::inform(this, tr("The report could not be printed."));
    return false;
  }
  ReportData data = preview_->data();
  data.memo = memo_;
  ReportPage::paint(painter, QSize(printer->width(), printer->height()), data);
  return painter.end();
}

void PrintView::onPrint() {
  logDebug("PrintView::onPrint");
  // Device pixels at screen resolution: the report's sizes are in them.
  QPrinter printer(QPrinter::ScreenResolution);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (printTo(&printer)) accept();
}
