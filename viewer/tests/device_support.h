// Helpers of the card tests: cards with a config.bin written by the
// generator, a drive list the tests choose, and waiting for a condition.
#ifndef VIEWER_TESTS_DEVICE_SUPPORT_H
#define VIEWER_TESTS_DEVICE_SUPPORT_H

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <functional>

#include "device/DriveQuery.h"

namespace device_test {

const char *const kModels[] = {"KT7ALM_F1", "KT8ALM_D2", "KT90ALM_D2W", "UKTALM_J74"};

inline QString resourceJson(const char *name) {
  return QStringLiteral(VIEWER_BUILD_DIR "/Resources/json/") + QLatin1String(name);
}

// Runs the generator; true when it succeeded.
inline bool samplegen(const QStringList &args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(QStringLiteral(SAMPLEGEN_PATH), args);
  return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// DIR/CONFIG/config.bin for a model, every item at its default unless set.
inline bool makeConfigCard(const QString &dir, const QString &model, const QStringList &sets = {}) {
  QStringList args = {"--out",
                      dir,
                      "--config",
                      model,
                      "--config-only",
                      "--config-resources",
                      QStringLiteral(VIEWER_BUILD_DIR "/Resources/json")};
  for (const QString &s : sets) args << "--config-set" << s;
  return samplegen(args);
}

inline QByteArray readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline bool waitFor(const std::function<bool()> &done, int timeoutMs = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

class FakeDrives : public DriveQuery {
 public:
  QVector<DriveInfo> list;
  QVector<DriveInfo> drives() const override { return list; }
};

}  // namespace device_test

#endif
