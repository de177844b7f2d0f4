#include "settings/SettingOptUpdate.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "core/StatusLog.h"
#include "core/ViewerState.h"

SettingOptUpdate::SettingOptUpdate(const QFont &titleFont, const QFont &contextFont,
                                   QWidget *parent)
    : QWidget(parent) {
  setObjectName(QStringLiteral("page_Update"));
  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(16, 12, 16, 12);
  grid->setVerticalSpacing(10);
  auto *title = new QLabel(tr("Current Version"), this);
  title->setObjectName(QStringLiteral("title"));
  title->setFont(titleFont);
  title->setMinimumHeight(34);
  version_ = new QLabel(ViewerState::instance().version, this);
  version_->setObjectName(QStringLiteral("lCurrentVersion"));
  cAlwaysDownload_ = new QCheckBox(tr("Look for updates and download them automatically"), this);
  cAlwaysDownload_->setObjectName(QStringLiteral("cAlwaysDownload"));
  bCheckUpdate_ = new QPushButton(tr("Check update"), this);
  bCheckUpdate_->setObjectName(QStringLiteral("bCheckUpdate"));
  bCheckUpdate_->setFixedSize(140, 34);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("lUpdateState"));
  state_->setWordWrap(true);
  for (QWidget *w : {static_cast<QWidget *>(version_), static_cast<QWidget *>(cAlwaysDownload_),
                     static_cast<QWidget *>(bCheckUpdate_), static_cast<QWidget *>(state_)})
    w->setFont(contextFont);
  grid->addWidget(title, 0, 0);
  grid->addWidget(version_, 0, 1);
  grid->addWidget(cAlwaysDownload_, 1, 0, 1, 2);
  grid->addWidget(bCheckUpdate_, 2, 0, Qt::AlignLeft);
  grid->addWidget(state_, 3, 0, 1, 2);
  grid->setColumnMinimumWidth(0, 200);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);
  connect(bCheckUpdate_, &QPushButton::clicked, this, &SettingOptUpdate::askLauncherForUpdate);
}

QString SettingOptUpdate::stateText() const {
  return state_->text();
}

void SettingOptUpdate::askLauncherForUpdate() {
  logDebug("SettingOptUpdate::askLauncherForUpdate");
  // The viewer has no connection to the launcher yet, so nobody can answer.
  logInfo("[SettingOptUpdate]: launcher is not running.");
  state_->setText(
      tr("The launcher is not running. Updates can only be looked for while the "
         "program was started by its launcher."));
}
