#include "launcher/LauncherTalk.h"

#include <QWidget>

#include "core/LocalSocket.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "launcher/UpdateView.h"
#include "launcher/WaitAlertView.h"
#include "widgets/MessageBoxes.h"

LauncherTalk::LauncherTalk(QWidget *window, std::function<void(bool)> blockControls)
    : QObject(window), window_(window), blockControls_(std::move(blockControls)) {}

LauncherTalk::~LauncherTalk() {
  subscribe(false);
}

void LauncherTalk::subscribe(bool on) {
  LocalSocket &socket = LocalSocket::instance();
  disconnect(&socket, &LocalSocket::onSendRecvMessage, this, &LauncherTalk::onRecvMessage);
  if (on) connect(&socket, &LocalSocket::onSendRecvMessage, this, &LauncherTalk::onRecvMessage);
}

QString LauncherTalk::versionOf(const QString &message) {
  const int colon = message.indexOf(QLatin1Char(':'));
  return colon < 0 ? QString() : message.mid(colon + 1);
}

void LauncherTalk::startUpdateCheck() {
  const ViewerState &s = ViewerState::instance();
  if (!s.alwaysDownload || !LocalSocket::instance().canTalk()) return;
  subscribe(true);
  LocalSocket::instance().send(s.version);
}

void LauncherTalk::onRecvMessage(const QString &message) {
  logDebug("[MainWindow] RecvMessage: %s", qPrintable(message));
  if (message == QLatin1String("FindUpdate")) {
    onFindUpdate();
  } else if (message.contains(QLatin1String("complete")) && message.contains(QLatin1Char('.'))) {
    onComplete(message);
  } else if (message == QLatin1String("fail")) {
    onFail();
  }
  // "wait" and "NoUpdate" need nothing.
}

void LauncherTalk::onFindUpdate() {
  if (!MessageBoxes::ask(
          window_, tr("Update Message"),
          tr("find Update Version") + QLatin1Char('\n') + tr("Would you like to download now?"))) {
    subscribe(false);
    return;
  }
  LocalSocket::instance().send(QStringLiteral("Download"));
  blockControls_(true);
  // Modal but not blocking here: the launcher's answers arrive through this
  // object while the notice is up.
  wait_ = new WaitAlertView(window_);
  wait_->setWindowModality(Qt::ApplicationModal);
  wait_->show();
}

void LauncherTalk::closeWait() {
  if (!wait_) return;
  wait_->hide();
  wait_->deleteLater();
  wait_ = nullptr;
}

void LauncherTalk::onComplete(const QString &message) {
  qDebug("!@# Recv complete ");
  subscribe(false);
  closeWait();
  blockControls_(false);
  UpdateView dialog(UpdateView::InstallMode, window_);
  dialog.setText(versionOf(message));
  onUpdateDlgFinished(dialog.exec());
}

void LauncherTalk::onFail() {
  blockControls_(false);
  subscribe(false);
  closeWait();
  MessageBoxes::inform(
      window_, tr("DownLoad Fail") + QStringLiteral(" \n ") + tr("Check your Network state"));
}

void LauncherTalk::onUpdateDlgFinished(int result) {
  logDebug("LauncherTalk::onUpdateDlgFinished");
  updateAccepted_ = result == 1;
  if (updateAccepted_) UpdateView::closeProgramForUpdate();
}
