// The messages the viewer sends, and how one read of the socket is cut into
// them. Messages have no terminator; a viewer that writes two of them back
// to back (a version text, then "Download") may reach us in one read.
#ifndef LAUNCHER_VIEWERMESSAGES_H
#define LAUNCHER_VIEWERMESSAGES_H

#include <QString>
#include <QStringList>

class ViewerMessages {
 public:
  // Every message we know, longest first where one begins another.
  static const QStringList &known();

  // Splits a read into messages: known words, runs of digits and dots
  // (version texts), and whatever remains as one unknown message.
  static QStringList split(const QString &read);

  static bool isVersionText(const QString &message) { return message.contains(QLatin1Char('.')); }
};

#endif
