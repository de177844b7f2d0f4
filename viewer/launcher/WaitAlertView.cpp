#include "launcher/WaitAlertView.h"

#include <QLabel>
#include <QProgressBar>

#include "core/StatusLog.h"

WaitAlertView::WaitAlertView(QWidget *parent)
    : ThemedDialog(QStringLiteral("WaitAlertView"), "ui_waitAlertView", parent) {
  logDebug("WaitAlertView::WaitAlertView");
  setWindowTitle(tr("Download"));
  title_ = themed(new QLabel(tr("Download"), this), QStringLiteral("lTitle"));
  lContext_ =
      themed(new QLabel(tr("The new version is being downloaded.\nPlease wait a moment."), this),
             QStringLiteral("lContext"));
  lContext_->setAlignment(Qt::AlignCenter);
  lContext_->setWordWrap(true);
  pbWait_ = themed(new QProgressBar(this), QStringLiteral("pbWait"));
  pbWait_->setRange(0, 0);  // busy: the launcher tells no percentage
  pbWait_->setTextVisible(false);
  // The bar's own look and its moving chunk, from the item's colours.
  const StyleItem bar = style_.item(QStringLiteral("pbWait"));
  pbWait_->setStyleSheet(QStringLiteral("QProgressBar { border: %1; background-color: %2; }"
                                        " QProgressBar::chunk { background-color: %3; }")
                             .arg(bar.border[StyleItem::Default], bar.color[StyleItem::Default],
                                  bar.textColor[StyleItem::Default]));
}
