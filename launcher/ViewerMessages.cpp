#include "ViewerMessages.h"

const QStringList &ViewerMessages::known() {
  static const QStringList kKnown = {
      QStringLiteral("GoodbyeLauncher"), QStringLiteral("DownloadWaiting"),
      QStringLiteral("updateAgreement"), QStringLiteral("HelloLauncher"),
      QStringLiteral("closeToDoNot"),    QStringLiteral("ExistUpdate"),
      QStringLiteral("Download"),        QStringLiteral("Version"),
      QStringLiteral("Report"),
  };
  return kKnown;
}

QStringList ViewerMessages::split(const QString &read) {
  QStringList messages;
  int at = 0;
  while (at < read.size()) {
    int length = 0;
    for (const QString &word : known()) {
      if (read.midRef(at, word.size()) == word) {
        length = word.size();
        break;
      }
    }
    if (length == 0) {
      while (at + length < read.size() &&
             (read[at + length].isDigit() || read[at + length] == QLatin1Char('.')))
        ++length;
    }
    if (length == 0) length = read.size() - at;  // unknown: the rest is one message
    messages << read.mid(at, length);
    at += length;
  }
  return messages;
}
