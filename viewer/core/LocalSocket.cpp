#include "core/LocalSocket.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QStandardPaths>

#include "core/StatusLog.h"

namespace {

constexpr int kAnswerWaits = 10;
constexpr int kAnswerWaitMs = 1000;
constexpr int kConnectMs = 1000;

// The launcher's messages, longest first where one begins another. After
// "complete" may follow ":" and a version.
const char *const kLauncherMessages[] = {"DisableNetwork", "Send_Complete", "HelloClient",
                                         "FindUpdate",     "NoUpdate",      "complete",
                                         "wait",           "fail"};

struct Name {
  int value;
  const char *name;
};

const Name kErrorNames[] = {
    {QLocalSocket::ConnectionRefusedError, "ConnectionRefusedError"},
    {QLocalSocket::PeerClosedError, "PeerClosedError"},
    {QLocalSocket::ServerNotFoundError, "ServerNotFoundError"},
    {QLocalSocket::SocketAccessError, "SocketAccessError"},
    {QLocalSocket::SocketResourceError, "SocketResourceError"},
    {QLocalSocket::SocketTimeoutError, "SocketTimeoutError"},
    {QLocalSocket::DatagramTooLargeError, "DatagramTooLargeError"},
    {QLocalSocket::ConnectionError, "ConnectionError"},
    {QLocalSocket::UnsupportedSocketOperationError, "UnsupportedSocketOperationError"},
    {QLocalSocket::OperationError, "OperationError"},
    {QLocalSocket::UnknownSocketError, "UnknownSocketError"},
};

const Name kStateNames[] = {
    {QLocalSocket::UnconnectedState, "UnconnectedState"},
    {QLocalSocket::ConnectingState, "ConnectingState"},
    {QLocalSocket::ConnectedState, "ConnectedState"},
    {QLocalSocket::ClosingState, "ClosingState"},
};

template <size_t N>
const char *nameOf(const Name (&table)[N], int value) {
  for (const Name &n : table)
    if (n.value == value) return n.name;
  return "UnknownSocketError";
}

bool isVersionChar(QChar c) {
  return c.isDigit() || c == QLatin1Char('.');
}

}  // namespace

LocalSocket::LocalSocket(QObject *parent) : QObject(parent) {}

LocalSocket &LocalSocket::instance() {
  // Owned by the application object, so the socket goes before Qt does.
  static LocalSocket *socket = new LocalSocket(QCoreApplication::instance());
  return *socket;
}

QString LocalSocket::serverPath() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  const QString name = QStringLiteral("KQ7CommService");
  return runtime.isEmpty() ? name : runtime + QLatin1Char('/') + name;
}

QStringList LocalSocket::split(const QString &read) {
  QStringList messages;
  int at = 0;
  while (at < read.size()) {
    int length = 0;
    for (const char *word : kLauncherMessages) {
      const QLatin1String w(word);
      if (read.midRef(at, w.size()) == w) {
        length = w.size();
        break;
      }
    }
    if (length > 0 && read.midRef(at, length) == QLatin1String("complete") &&
        at + length < read.size() && read[at + length] == QLatin1Char(':')) {
      ++length;
      while (at + length < read.size() && isVersionChar(read[at + length])) ++length;
    }
    if (length == 0)
      while (at + length < read.size() && isVersionChar(read[at + length])) ++length;
    if (length == 0) length = read.size() - at;  // unknown: the rest is one message
    messages << read.mid(at, length);
    at += length;
  }
  return messages;
}

void LocalSocket::connectToLauncher() {
  logDebug("LocalSocket::connectToLauncher");
  if (!socket_) {
    socket_ = new QLocalSocket(this);
    connect(socket_, &QLocalSocket::connected, this, &LocalSocket::onConnected);
    connect(socket_, &QLocalSocket::errorOccurred, this, &LocalSocket::onError);
    connect(socket_, &QLocalSocket::stateChanged, this, &LocalSocket::onStateChanged);
    connect(socket_, &QLocalSocket::readyRead, this, &LocalSocket::onRecvMessage);
  }
  if (socket_->state() != QLocalSocket::ConnectedState) {
    socket_->connectToServer(serverPath(), QIODevice::ReadWrite);
    socket_->waitForConnected(kConnectMs);
  }
  if (!launcherConnected_) return;
  message_.clear();  // only the answer to this greeting counts
  send(QStringLiteral("HelloLauncher"));
  const QString answer = getMessage();
  if (answer == QLatin1String("DisableNetwork")) talkEnabled_ = false;
}

void LocalSocket::send(const QString &text) {
  if (text == QLatin1String("GoodbyeLauncher")) talkEnabled_ = true;
  if (!launcherConnected_ || !talkEnabled_ || !socket_) return;
  logInfo("Send Message: %s", qPrintable(text));
  socket_->write(text.toUtf8());
  socket_->flush();
}

QString LocalSocket::getMessage() {
  if (launcherConnected_ && talkEnabled_ && message_.isEmpty()) {
    awaitingAnswer_ = true;
    for (int i = 0; i < kAnswerWaits && message_.isEmpty() && launcherConnected_; ++i) {
      logInfo("Wait... ");
      socket_->waitForReadyRead(kAnswerWaitMs);
    }
    awaitingAnswer_ = false;
    if (message_.isEmpty()) {
      qDebug("Comm is not work!");
      logError("Comm is not work!");
      launcherConnected_ = false;
    }
  }
  const QString message = message_;
  message_.clear();
  logInfo("GetMessage Complete! Message is : %s", qPrintable(message));
  return message;
}

void LocalSocket::close() {
  logInfo("LocalSocket::close");
  launcherConnected_ = false;
  message_.clear();
  if (!socket_) return;
  socket_->disconnectFromServer();
  if (socket_->state() != QLocalSocket::UnconnectedState)
    socket_->waitForDisconnected(kAnswerWaitMs);
  socket_->disconnect(this);
  socket_->abort();
  socket_->deleteLater();
  socket_ = nullptr;
}

void LocalSocket::onConnected() {
  logInfo("connected localSocket!");
  launcherConnected_ = true;
}

void LocalSocket::onError() {
  logError("N: Error = %s", nameOf(kErrorNames, socket_->error()));
  launcherConnected_ = false;
}

void LocalSocket::onStateChanged() {
  const QLocalSocket::LocalSocketState state = socket_->state();
  logInfo("N: State = %s", nameOf(kStateNames, state));
  if (state == QLocalSocket::UnconnectedState || state == QLocalSocket::ClosingState)
    launcherConnected_ = false;
}

void LocalSocket::onRecvMessage() {
  if (!launcherConnected_ || !talkEnabled_) return;
  logInfo("onRecvMessage");
  const QStringList messages = split(QString::fromUtf8(socket_->readAll()));
  for (const QString &message : messages) {
    message_ = message;
    if (awaitingAnswer_) continue;  // the greeting's answer is getMessage's alone
    // Delivered from the event loop, not from inside readyRead: a receiver
    // may run a dialog that waits for the next message, and the socket does
    // not announce new data while its readyRead is still being handled.
    QMetaObject::invokeMethod(
        this, [this, message] { emit onSendRecvMessage(message); }, Qt::QueuedConnection);
  }
}
