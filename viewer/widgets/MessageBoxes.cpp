#include "widgets/MessageBoxes.h"

#include <QMessageBox>

namespace {
MessageBoxes::Hook gHook;
}

namespace MessageBoxes {

void setHook(Hook hook) {
  gHook = std::move(hook);
}

void inform(QWidget *parent, const QString &text) {
  if (gHook) {
    gHook(QString(), text, false);
    return;
  }
  QMessageBox::information(parent, QString(), text);
}

bool ask(QWidget *parent, const QString &title, const QString &text) {
  if (gHook) return gHook(title, text, true);
  return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace MessageBoxes
