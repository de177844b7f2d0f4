#include "widgets/MessageBoxes.h"

#include <QMessageBox>

#include "core/StatusLog.h"

namespace {
MessageBoxes::Hook gHook;

// A log line is one line.
QString oneLine(QString text) {
  return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}
}  // namespace

namespace MessageBoxes {

void setHook(Hook hook) {
  gHook = std::move(hook);
}

void inform(QWidget *parent, const QString &text) {
  // What the user was told belongs in the status log, which is read when
  // something went wrong.
  logInfo("[MessageBox]: %s", qPrintable(oneLine(text)));
  if (gHook) {
    gHook(QString(), text, false);
    return;
  }
  QMessageBox::information(parent, QString(), text);
}

bool ask(QWidget *parent, const QString &title, const QString &text) {
  logInfo("[MessageBox]: %s: %s", qPrintable(title), qPrintable(oneLine(text)));
  if (gHook) return gHook(title, text, true);
  return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace MessageBoxes
