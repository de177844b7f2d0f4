// The viewer's line to the launcher over the local socket "KQ7CommService".
// One instance for the process: the main window connects it at start-up and
// says goodbye at exit; the About dialog, the update dialog and the setting
// editor's update and crash-report pages talk through it.
//
// Messages are short texts without framing, one per exchange. A feature that
// asks the launcher something connects to onSendRecvMessage just before
// send() and disconnects when its answer came (see docs/DESIGN.md).
#ifndef VIEWER_CORE_LOCALSOCKET_H
#define VIEWER_CORE_LOCALSOCKET_H

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalSocket;

class LocalSocket : public QObject {
  Q_OBJECT
 public:
  static LocalSocket &instance();

  // Where the launcher listens: the user's runtime folder.
  static QString serverPath();

  // Connects (once) and greets the launcher with "HelloLauncher"; waits up
  // to 10 s for "HelloClient" or "DisableNetwork". Without a launcher the
  // viewer simply works on its own.
  void connectToLauncher();

  // Sends one message when connected and talking; "GoodbyeLauncher" goes
  // out even after "DisableNetwork".
  void send(const QString &text);

  // The next received message, waiting up to 10 x 1000 ms when none is
  // there yet; empty (and the connection given up) when none came.
  QString getMessage();

  // Disconnects and forgets the socket.
  void close();

  // launcherConnected: true from "connected" until an error or a close.
  bool isConnected() const { return launcherConnected_; }
  // False once the launcher answered "DisableNetwork".
  bool talkEnabled() const { return talkEnabled_; }
  // Connected and talking: a question sent now gets an answer.
  bool canTalk() const { return launcherConnected_ && talkEnabled_; }

  // Cuts one read into the launcher's messages (they may arrive back to
  // back in one read).
  static QStringList split(const QString &read);

 signals:
  // One per received message.
  void onSendRecvMessage(const QString &message);

 private slots:
  void onConnected();
  void onError();
  void onStateChanged();
  void onRecvMessage();

 private:
  explicit LocalSocket(QObject *parent);
  QLocalSocket *socket_ = nullptr;
  QString message_;
  bool talkEnabled_ = true;
  bool awaitingAnswer_ = false;
  bool launcherConnected_ = false;
};

#endif
