// Waiting in GUI tests without sleeping: the event loop runs while a
// condition is looked at every few milliseconds, so timers, queued signals
// and painting go on as in the program, and a stall of the GUI thread is
// the program's own. StallWatch measures those stalls.
#ifndef VIEWER_TESTS_GUI_WAIT_H
#define VIEWER_TESTS_GUI_WAIT_H

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace guitest {

// Runs the event loop until done() holds or timeoutMs passed; true when done.
inline bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(5);
  QElapsedTimer clock;
  clock.start();
  bool ok = false;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) {
      ok = true;
      loop.quit();
    } else if (clock.elapsed() > timeoutMs) {
      loop.quit();
    }
  });
  poll.start();
  loop.exec();
  return ok;
}

// Holds done() for stableMs in a row (a picture that has settled, a state
// that no longer changes); false when it never did within timeoutMs.
inline bool waitStable(const std::function<bool()> &done, int stableMs, int timeoutMs = 10000) {
  QElapsedTimer since;
  bool holding = false;
  return waitFor(
      [&] {
        if (!done()) {
          holding = false;
          return false;
        }
        if (!holding) {
          holding = true;
          since.start();
        }
        return since.elapsed() >= stableMs;
      },
      timeoutMs);
}

// The longest time the GUI thread did not get to its event loop while the
// watch ran: a 5 ms timer that should fire every 5 ms.
class StallWatch {
 public:
  StallWatch() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      const qint64 gap = last_ >= 0 ? now - last_ - kTickMs : 0;
      if (gap > longest_) longest_ = gap;
      if (gap > recent_) recent_ = gap;
      last_ = now;
    });
    clock_.start();
    timer_.start();
  }
  qint64 longestMs() const { return longest_; }
  // The longest since the last call (one test's share of the run).
  qint64 takeRecentMs() {
    const qint64 recent = recent_;
    recent_ = 0;
    return recent;
  }

 private:
  static constexpr int kTickMs = 5;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  qint64 longest_ = 0;
  qint64 recent_ = 0;
};

}  // namespace guitest

#endif
