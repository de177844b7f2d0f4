// Watches that the opened card stays present. It sleeps in poll(2) on what
// the kernel reports (inotify on the card folder and its parent, changes of
// the mount table) and looks again every few seconds in case none of those
// tells; it never spins. Emits onSendSDNotExist once when the folder is gone
// and then ends.
#ifndef VIEWER_DEVICE_CHECKSDTHREAD_H
#define VIEWER_DEVICE_CHECKSDTHREAD_H

#include <QString>
#include <QThread>
#include <atomic>

class CheckSDThread : public QThread {
  Q_OBJECT
 public:
  // The fallback look when nothing was reported.
  static constexpr int kPollIntervalMs = 2000;

  explicit CheckSDThread(const QString &cardPath, QObject *parent = nullptr);
  ~CheckSDThread() override;

  QString cardPath() const { return cardPath_; }
  // Ends the loop (from any thread) and returns at once; wait() to join.
  void breakThread();
  // How many times the folder was looked at (the test checks it is not
  // spinning).
  int checks() const { return checks_.load(); }

 signals:
  void onSendSDNotExist();

 protected:
  void run() override;

 private:
  const QString cardPath_;
  int wakeFd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> checks_{0};
};

#endif
