// Helpers of the recording-list tests: captured message boxes, a clean
// process-wide state, and waiting on the event loop.
#ifndef VIEWER_TESTS_RECORDING_LIST_SUPPORT_H
#define VIEWER_TESTS_RECORDING_LIST_SUPPORT_H

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "core/RecordingName.h"
#include "widgets/MessageBoxes.h"

namespace listtest {

// Every message box shown while it lives, and the answer to questions.
struct CapturedBoxes {
  struct Box {
    QString title, text;
    bool question;
  };
  QList<Box> boxes;
  bool answer = true;

  CapturedBoxes() {
    MessageBoxes::setHook([this](const QString &title, const QString &text, bool question) {
      boxes.append({title, text, question});
      return answer;
    });
  }
  ~CapturedBoxes() { MessageBoxes::setHook(nullptr); }
  QStringList texts() const {
    QStringList out;
    for (const Box &b : boxes) out.append(b.text);
    return out;
  }
};

inline void resetState() {
  ViewerState &s = ViewerState::instance();
  s.recordingList.clear();
  s.visibleRows.clear();
  s.clearCurrentRecording();
  s.setPlayState(PlayState::Idle);
}

// Runs the event loop until done() or the time-out; returns done().
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 20000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return done();
}

// Waits without running the event loop, so queued signals stay queued.
inline bool waitUntilNoEvents(const std::function<bool()> &done, int timeoutMs = 20000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < timeoutMs) QThread::msleep(1);
  return done();
}

inline void processFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

inline bool touch(const QString &path, const QByteArray &content = QByteArray()) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  f.write(content);
  return true;
}

// Makes appDir a program folder whose Resources/image holds the type and
// filter icons.
inline void useIconsIn(const QString &appDir) {
  const QByteArray svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\">"
      "<circle cx=\"8\" cy=\"8\" r=\"6\" fill=\"#4cdeb2\"/></svg>";
  const QString images = appDir + QStringLiteral("/Resources/image/");
  QDir().mkpath(images);
  for (int type = 1; type <= 4; ++type) {
    for (bool selected : {false, true}) touch(images + RecordingName::icon(type, selected), svg);
  }
  touch(images + QStringLiteral("type-nor.svg"), svg);
  touch(images + QStringLiteral("type-dis.svg"), svg);
  ViewerState::instance().appDir = appDir;
}

inline QStringList logLines(const QString &logPath) {
  QFile f(logPath);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

inline bool logHas(const QString &logPath, const QString &tail) {
  for (const QString &line : logLines(logPath))
    if (line.endsWith(tail)) return true;
  return false;
}

}  // namespace listtest

#endif
