#include "settings/SettingOptCrashReport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/StatusLog.h"

SettingOptCrashReport::SettingOptCrashReport(const QFont &titleFont, const QFont &contextFont,
                                             QWidget *parent)
    : QWidget(parent) {
  setObjectName(QStringLiteral("page_CrashReport"));
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(16, 12, 16, 12);
  column->setSpacing(10);
  auto *title = new QLabel(tr("Status log"), this);
  title->setObjectName(QStringLiteral("title"));
  title->setFont(titleFont);
  auto *about = new QLabel(tr("The status log records what the program did. It holds no "
                              "recordings and no positions."),
                           this);
  about->setWordWrap(true);
  cAutomaticSend_ = new QCheckBox(tr("Send the status log automatically after a crash"), this);
  cAutomaticSend_->setObjectName(QStringLiteral("cAutomaticSend"));
  bSendLog_ = new QPushButton(tr("Send now"), this);
  bSendLog_->setObjectName(QStringLiteral("bSendLog"));
  bSendLog_->setFixedSize(140, 34);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("lSendState"));
  state_->setWordWrap(true);
  for (QWidget *w : {static_cast<QWidget *>(about), static_cast<QWidget *>(cAutomaticSend_),
                     static_cast<QWidget *>(bSendLog_), static_cast<QWidget *>(state_)})
    w->setFont(contextFont);
  column->addWidget(title);
  column->addWidget(about);
  column->addWidget(cAutomaticSend_);
  column->addWidget(bSendLog_, 0, Qt::AlignLeft);
  column->addWidget(state_);
  column->addStretch(1);
  connect(bSendLog_, &QPushButton::clicked, this, &SettingOptCrashReport::sendLogThroughLauncher);
}

QString SettingOptCrashReport::stateText() const {
  return state_->text();
}

void SettingOptCrashReport::sendLogThroughLauncher() {
  logDebug("SettingOptCrashReport::sendLogThroughLauncher");
  // The launcher packs and uploads the log; without it nothing can be sent.
  logInfo("[SettingOptCrashReport]: launcher is not running.");
  state_->setText(
      tr("The launcher is not running. The status log can only be sent while the "
         "program was started by its launcher."));
}
