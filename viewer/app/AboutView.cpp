#include "app/AboutView.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include "core/AppSettings.h"
#include "core/LocalSocket.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "launcher/UpdateView.h"
#include "widgets/MessageBoxes.h"

namespace {

QLabel *page(const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  label->setMargin(16);
  return label;
}

}  // namespace

AboutView::AboutView(QWidget *parent)
    : ThemedDialog(QStringLiteral("AboutView"), "ui_aboutView", parent) {
  title_ = themed(new QLabel(tr("Information"), this), QStringLiteral("lTitle"));
  bProgramInfo_ = themed(new QPushButton(tr("Program"), this), QStringLiteral("bProgramInfo"));
  bCopyrightInfo_ =
      themed(new QPushButton(tr("Copyright"), this), QStringLiteral("bCopyrightInfo"));
  bShortCutInfo_ = themed(new QPushButton(tr("Shortcuts"), this), QStringLiteral("bShortCutInfo"));
  bCheckUpdate_ = themed(new QPushButton(tr("Check update"), this), QStringLiteral("bCheckUpdate"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  pages_ = themed(new QStackedWidget(this), QStringLiteral("swContext"));
  pages_->addWidget(page(tr("TARVIK DASHCAM\nVersion %1\n\nPlays the recordings of your dash "
                            "camera with their map, speed and G-sensor data.")
                             .arg(ViewerState::instance().version),
                         pages_));
  pages_->addWidget(page(tr("Copyright (C) 2026 TARVIK DASHCAM developers.\n\nThis program uses "
                            "Qt, libvlc, FFmpeg, Leaflet, RapidJSON and zlib under their own "
                            "licences."),
                         pages_));
  pages_->addWidget(page(tr("Space\tPlay / pause\nLeft\t5 seconds (or one frame) back\n"
                            "Right\t5 seconds (or one frame) forward\nEnter\tFull screen\n"
                            "Esc\tLeave full screen\nDelete\tRemove the selected files from "
                            "the list"),
                         pages_));
  connect(bProgramInfo_, &QPushButton::clicked, this, [this] { onChangeContext(0); });
  connect(bCopyrightInfo_, &QPushButton::clicked, this, [this] { onChangeContext(1); });
  connect(bShortCutInfo_, &QPushButton::clicked, this, [this] { onChangeContext(2); });
  connect(bCheckUpdate_, &QPushButton::clicked, this, &AboutView::openUpdateDlg);
  connect(bClose_, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutView::onChangeContext(int index) {
  logDebug("AboutView::onChangeContext");
  pages_->setCurrentIndex(index);
}

void AboutView::openUpdateDlg() {
  logDebug("AboutView::openUpdateDlg");
  LocalSocket &socket = LocalSocket::instance();
  if (!socket.canTalk()) {
    MessageBoxes::inform(this, tr("Network Communication is not support now."));
    return;
  }
  connect(&socket, &LocalSocket::onSendRecvMessage, this, &AboutView::onRecvMessage,
          Qt::UniqueConnection);
  socket.send(QStringLiteral("Version"));
}

void AboutView::onRecvMessage(const QString &message) {
  disconnect(&LocalSocket::instance(), &LocalSocket::onSendRecvMessage, this,
             &AboutView::onRecvMessage);
  logDebug("[AboutView] RecvMessage: %s", qPrintable(message));
  const QString version = ViewerState::instance().version;
  if (!message.isEmpty()) {
    logDebug("newVersion: %s", qPrintable(message));
    logDebug("currentVersion: %s", qPrintable(version));
    if (!version.isEmpty() && AppSettings::checkNewVersion(version, message)) {
      UpdateView::offer(this, message, UpdateView::DownloadMode);
      return;
    }
  }
  MessageBoxes::inform(this, tr("There is no update version now."));
}
