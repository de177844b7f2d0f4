#include "print/PrintChannelSelectView.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "core/StatusLog.h"
#include "print/PrintView.h"
#include "widgets/MessageBoxes.h"

PrintChannelSelectView::PrintChannelSelectView(QWidget *parent)
    : ThemedDialog(QStringLiteral("PrintChannelSelectView"), "ui_printChannelSelectView", parent) {
  logDebug("PrintChannelSelectView::PrintChannelSelectView");
  title_ = themed(new QLabel(this), QStringLiteral("lTitle"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  strChannel_ = themed(new QLabel(this), QStringLiteral("strChannel"));
  for (int i = 0; i < PrintView::kChannels; ++i)
    items_ << themed(new QCheckBox(this), QStringLiteral("item%1").arg(i + 1));
  bOk_ = themed(new QPushButton(this), QStringLiteral("bOk"));
  bCancel_ = themed(new QPushButton(this), QStringLiteral("bCancel"));
  connect(bOk_, &QPushButton::clicked, this, &PrintChannelSelectView::onShowPrintView);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(bClose_, &QPushButton::clicked, this, &QDialog::reject);
  retranslate();
  setChannelCount(1);
}

void PrintChannelSelectView::retranslate() {
  title_->setText(tr("Print"));
  strChannel_->setText(tr("Channels to print"));
  const QStringList names{tr("Front Scene"), tr("Rear Scene1"), tr("Rear Scene2"),
                          tr("Channel 4"), tr("Channel 5")};
  for (int i = 0; i < items_.size(); ++i) items_[i]->setText(names[i]);
  bOk_->setText(tr("OK"));
  bCancel_->setText(tr("Cancel"));
}

void PrintChannelSelectView::changeEvent(QEvent *event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  ThemedDialog::changeEvent(event);
}

void PrintChannelSelectView::setChannelCount(int count) {
  channelCount_ = std::max(1, std::min(count, static_cast<int>(PrintView::kChannels)));
  for (int i = 0; i < items_.size(); ++i) {
    items_[i]->setVisible(i < channelCount_);
    items_[i]->setChecked(i == 0);
  }
}

void PrintChannelSelectView::setImage(const QVector<QImage> &frames) {
  logDebug("PrintChannelSelectView::setImage");
  frames_ = frames;
  frames_.resize(PrintView::kChannels);
}

void PrintChannelSelectView::setMapImage(const QImage &map) {
  map_ = map;
}

void PrintChannelSelectView::onShowPrintView() {
  logDebug("PrintChannelSelectView::onShowPrintView");
  std::array<bool, PrintView::kChannels> flags{};
  int chosen = 0;
  for (int i = 0; i < channelCount_; ++i) {
    flags[i] = items_[i]->isChecked();
    chosen += flags[i] ? 1 : 0;
  }
  if (chosen == 0) {
    MessageBoxes::inform(this, tr("There is not selected channel!"));
    return;
  }
  logInfo("[PrintChannelSelectView]: Execute print Dialog");
  printView_ = new PrintView(parentWidget());
  printView_->setAttribute(Qt::WA_DeleteOnClose);
  printView_->setChannelShow(flags);
  printView_->setSceneImage(frames_);
  printView_->setMapImage(map_);
  connect(printView_, &QDialog::finished, this, [this](int result) {
    emit finishedPrintView(result);
    done(result);
  });
  hide();
  printView_->open();
}
