#include "app/AgreementView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "widgets/MessageBoxes.h"

AgreementView::AgreementView(QWidget *parent)
    : ThemedDialog(QStringLiteral("AgreementView"), "ui_agreementView", parent) {
  title_ = themed(new QLabel(tr("Privacy agreement"), this), QStringLiteral("lTitle"));
  teAgreementContext_ = themed(new QTextEdit(this), QStringLiteral("teAgreementContext"));
  teAgreementContext_->setReadOnly(true);
  teAgreementContext_->setPlainText(privacyStatement());
  cAlwaysDownload_ = themed(new QCheckBox(tr("Look for program updates automatically"), this),
                            QStringLiteral("cAlwaysDownload"));
  cAutomaticSend_ =
      themed(new QCheckBox(tr("Send the status log automatically after a crash"), this),
             QStringLiteral("cAutomaticSend"));
  bAgree_ = themed(new QPushButton(tr("Agree"), this), QStringLiteral("bAgree"));
  bCancel_ = themed(new QPushButton(tr("Cancel"), this), QStringLiteral("bCancel"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  connect(bAgree_, &QPushButton::clicked, this, &AgreementView::onAgree);
  connect(bCancel_, &QPushButton::clicked, this, &AgreementView::onDisagree);
  connect(bClose_, &QPushButton::clicked, this, &AgreementView::onDisagree);
}

QString AgreementView::privacyStatement() {
  return tr(
      "Privacy statement\n\n"
      "This viewer plays the recordings of your dash camera, shows where and how fast the "
      "vehicle was driven, and edits the camera's settings on the memory card. All of this "
      "happens on this computer: recordings, positions and settings are never sent anywhere.\n\n"
      "While it runs, the viewer keeps a status log (playerStatus.txt) in your application data "
      "folder. It records what the program did (for example which window was opened or that a "
      "file could not be read) so that problems can be found. It does not record the contents "
      "of your recordings, your positions or your personal information, and it is deleted when "
      "the program closes normally.\n\n"
      "Two choices below are optional:\n"
      " - Look for program updates automatically: at start the program asks our update server "
      "whether a newer version exists. Only the version number is sent.\n"
      " - Send the status log automatically after a crash: if the program ends unexpectedly, "
      "the status log is compressed and uploaded so that we can find the cause. It is used "
      "only for that purpose and deleted afterwards.\n\n"
      "You can change both choices later in the settings. If you do not agree, the program "
      "closes and no information is used.");
}

void AgreementView::onAgree() {
  ViewerState &s = ViewerState::instance();
  const bool download = cAlwaysDownload_->isChecked();
  const bool send = cAutomaticSend_->isChecked();
  if (download) s.alwaysDownload = true;
  if (send) s.automaticSend = true;
  const int value = agreementValue(download, send);
  logDebug("Set Agree Complete. value is %d", value);
  AppSettings::store().setValue(QStringLiteral("agreement"), QString::number(value));
  accept();
  close();
}

void AgreementView::reject() {
  if (refusing_) {
    ThemedDialog::reject();
    return;
  }
  onDisagree();
}

void AgreementView::onDisagree() {
  if (refusing_) return;
  refusing_ = true;
  logInfo("Reset agree!");
  AppSettings::store().setValue(QStringLiteral("agreement"), QStringLiteral("0"));
  ThemedDialog::reject();
  MessageBoxes::inform(this, tr("If you do not agree to the collection and use of personal "
                                "information, you cannot use this program."));
  close();
}
