#include "settings/SettingOptProgram.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "core/StatusLog.h"

SettingOptProgram::SettingOptProgram(const QFont &titleFont, const QFont &contextFont,
                                     QWidget *parent)
    : QWidget(parent) {
  setObjectName(QStringLiteral("page_Program"));
  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(16, 12, 16, 12);
  grid->setVerticalSpacing(10);
  const QString titles[] = {tr("Program Version"), tr("Client ID"), tr("Program Reset")};
  for (int i = 0; i < 3; ++i) {
    auto *t = new QLabel(titles[i], this);
    t->setObjectName(QStringLiteral("title"));
    t->setFont(titleFont);
    t->setMinimumHeight(34);
    grid->addWidget(t, i, 0);
  }
  version_ = new QLabel(this);
  version_->setObjectName(QStringLiteral("lProgramVersion"));
  uuid_ = new QLabel(this);
  uuid_->setObjectName(QStringLiteral("lProgramUUid"));
  uuid_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  bProgramReset_ = new QPushButton(tr("Reset"), this);
  bProgramReset_->setObjectName(QStringLiteral("bProgramReset"));
  bProgramReset_->setFixedSize(140, 34);
  for (QWidget *w : {static_cast<QWidget *>(version_), static_cast<QWidget *>(uuid_),
                     static_cast<QWidget *>(bProgramReset_)})
    w->setFont(contextFont);
  grid->addWidget(version_, 0, 1);
  grid->addWidget(uuid_, 1, 1);
  grid->addWidget(bProgramReset_, 2, 1, Qt::AlignLeft);
  grid->setColumnMinimumWidth(0, 200);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  connect(bProgramReset_, &QPushButton::clicked, this, &SettingOptProgram::onSendProgramFormat);
}

void SettingOptProgram::SetProgamVersion(const QString &version) {
  logDebug("SettingOptProgram::SetProgamVersion");
  version_->setText(version);
}

void SettingOptProgram::SetProgramUUid(const QString &id) {
  logDebug("SettingOptProgram::SetProgramUUid");
  uuid_->setText(id.isEmpty() ? tr("(not assigned yet)") : id);
}
