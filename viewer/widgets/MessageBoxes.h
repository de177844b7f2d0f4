// Plain message boxes of the viewer. Tests install a hook to capture the
// texts (and answer questions) instead of blocking on a modal box.
#ifndef VIEWER_WIDGETS_MESSAGEBOXES_H
#define VIEWER_WIDGETS_MESSAGEBOXES_H

#include <QString>
#include <functional>

class QWidget;

namespace MessageBoxes {

// Returns true for "Yes" on questions; ignored for plain messages.
using Hook = std::function<bool(const QString &title, const QString &text, bool question)>;

void setHook(Hook hook);
void inform(QWidget *parent, const QString &text);
bool ask(QWidget *parent, const QString &title, const QString &text);

}  // namespace MessageBoxes

#endif
