#include "launcher/UpdateView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

#include "core/AppSettings.h"
#include "core/LocalSocket.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "launcher/WaitAlertView.h"
#include "widgets/MessageBoxes.h"

UpdateView::UpdateView(Mode mode, QWidget *parent)
    : ThemedDialog(QStringLiteral("UpdateView"), "ui_updateView", parent), mode_(mode) {
  logDebug("UpdateView::UpdateView");
  setObjectName(QStringLiteral("UpdateView"));
  setWindowTitle(tr("Update"));
  title_ = themed(new QLabel(tr("Update"), this), QStringLiteral("lTitle"));
  lContext_ = themed(new QLabel(this), QStringLiteral("lContext"));
  lContext_->setWordWrap(true);
  lContext_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  lContext_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  cAlwaysDownload_ = themed(new QCheckBox(tr("Look for program updates automatically"), this),
                            QStringLiteral("cAlwaysDownload"));
  cAlwaysDownload_->setChecked(ViewerState::instance().alwaysDownload);
  bOk_ = themed(new QPushButton(mode == DownloadMode ? tr("Download") : tr("OK"), this),
                QStringLiteral("bOk"));
  bCancel_ = themed(new QPushButton(tr("Cancel"), this), QStringLiteral("bCancel"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  bOk_->setDefault(true);
  if (mode == InstallMode) cAlwaysDownload_->hide();
  connect(bOk_, &QPushButton::clicked, this, &UpdateView::checkUpdate);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(bClose_, &QPushButton::clicked, this, &QDialog::reject);
}

UpdateView::~UpdateView() {
  subscribe(false);
}

QString UpdateView::installerPath() const {
  return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) +
         QStringLiteral("/TARVIK DASHCAM Installer ") + version_ + QStringLiteral(".run");
}

void UpdateView::setText(const QString &version) {
  version_ = version;
  const QString path = tr("Path: ") + installerPath();
  const QString newVersion = tr("New Version: ") + version;
  QStringList lines;
  if (mode_ == DownloadMode) {
    lines << tr("There is new version of the program.") << newVersion
          << tr("If you click the download button, it will be downloaded to the path below.")
          << tr("When the download is complete, close the program and run the installation file.")
          << path;
  } else {
    lines << tr("A new version of the program has been downloaded to the path below.") << newVersion
          << path << tr("Close the program and run the installation file.");
  }
  lContext_->setText(lines.join(QStringLiteral("\n\n")));
}

int UpdateView::offer(QWidget *parent, const QString &version, Mode mode) {
  UpdateView dialog(mode, parent);
  dialog.setText(version);
  const int result = dialog.exec();
  if (result == QDialog::Accepted) closeProgramForUpdate();
  return result;
}

void UpdateView::closeProgramForUpdate() {
  LocalSocket &socket = LocalSocket::instance();
  if (!socket.isConnected()) return;
  logInfo("Update is Exist. Program will be close");
  socket.send(QStringLiteral("closeToDoNot"));
  QCoreApplication::quit();
}

void UpdateView::subscribe(bool on) {
  LocalSocket &socket = LocalSocket::instance();
  disconnect(&socket, &LocalSocket::onSendRecvMessage, this, &UpdateView::onRecvMessage);
  if (on) connect(&socket, &LocalSocket::onSendRecvMessage, this, &UpdateView::onRecvMessage);
}

void UpdateView::checkUpdate() {
  logDebug("UpdateView::checkUpdate");
  if (!LocalSocket::instance().canTalk()) {
    MessageBoxes::inform(this, tr("Network Communication is not working."));
    return;
  }
  if (mode_ == DownloadMode) {
    downloaded_ = false;
    subscribe(true);
    LocalSocket::instance().send(QStringLiteral("Download"));
    // The launcher's ticks and its last word arrive while the notice is up;
    // onRecvMessage closes it.
    wait_ = new WaitAlertView(this);
    wait_->exec();
    delete wait_;
    wait_ = nullptr;
    if (!downloaded_) return;
  }
  if (askInstall())
    accept();
  else
    reject();
}

bool UpdateView::askInstall() {
  storeAlwaysDownload();
  return MessageBoxes::ask(
      this, tr("Update Message"),
      tr("Download is complete.") + QLatin1Char('\n') + tr("Would you like to install now?"));
}

void UpdateView::storeAlwaysDownload() {
  ViewerState &s = ViewerState::instance();
  s.alwaysDownload = cAlwaysDownload_->isChecked();
  AppSettings::store().setValue(QStringLiteral("agreement"),
                                QString::number(agreementValue(s.alwaysDownload, s.automaticSend)));
  AppSettings::store().sync();  // the launcher reads it from the file
  LocalSocket::instance().send(QStringLiteral("updateAgreement"));
}

void UpdateView::onRecvMessage(const QString &message) {
  if (message == QLatin1String("wait")) {
    LocalSocket::instance().send(QStringLiteral("DownloadWaiting"));
    return;
  }
  if (message == QLatin1String("fail")) {
    subscribe(false);
    if (wait_) wait_->done(QDialog::Rejected);
    MessageBoxes::inform(this, tr("Fail to Download"));
    return;
  }
  if (message.contains(QLatin1String("complete")) || message.contains(QLatin1Char('.'))) {
    subscribe(false);
    logDebug("[UpdateView] RecvMessage: %s", qPrintable(message));
    downloaded_ = true;
    if (wait_) wait_->done(QDialog::Accepted);
  }
}
