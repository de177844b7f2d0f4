// The state of the playback engine, written by three threads: the GUI thread
// (play, pause, stop requests), libvlc's event thread (a stream removed while
// stopping) and the worker that runs a stop. Every change is one
// compare-and-set from the states it was tested against, on one word that
// also holds the number of the stop in progress, so a late writer (an event
// of a stop that is over, a worker that was given up on) can never overwrite
// a newer state. No Qt here: the concurrency test builds it on its own.
#ifndef VIEWER_PLAYBACK_ENGINESTATE_H
#define VIEWER_PLAYBACK_ENGINESTATE_H

#include <atomic>
#include <cstdint>
#include <initializer_list>

class EngineState {
 public:
  enum State {
    Created = 1,
    MediaSet = 2,
    Running = 5,
    Paused = 6,
    StopRequested = 7,
    Stopping = 8,
    StreamRemoved = 9,
    Stopped = 10
  };

  int state() const { return stateOf(word_.load()); }
  // The number of the latest stop; 0 before the first.
  uint32_t ticket() const { return ticketOf(word_.load()); }

  // Moves to `to` when the state is one of `from`; false (and no change)
  // otherwise. The stop number stays.
  bool move(std::initializer_list<int> from, int to);

  // A new stop: the state becomes StopRequested and the stop gets the next
  // number, which the worker carries. A stop asked for while another is on its
  // way keeps that one's number (it reports for both); returns the number.
  uint32_t requestStop();
  // The worker has begun stopping the players of stop `ticket`.
  bool workerStopping(uint32_t ticket);
  // The players of stop `ticket` are stopped.
  bool workerStopped(uint32_t ticket);
  // libvlc removed a stream while the players stop.
  bool streamRemoved();
  // The players were given up on and replaced: stopped, under a new number,
  // so the worker still holding the old ones stays silent.
  void abandonStop();
  // The same for one stop, unless its worker has finished meanwhile (false:
  // its report is on the way and nothing needs replacing).
  bool abandonStop(uint32_t ticket);

  bool isStopping() const { return stopping(state()); }
  // Nothing plays and nothing is on its way.
  bool isIdle() const;

  static bool stopping(int s) { return s == StopRequested || s == Stopping || s == StreamRemoved; }

 private:
  static int stateOf(uint64_t w) { return static_cast<int>(w & 0xFF); }
  static uint32_t ticketOf(uint64_t w) { return static_cast<uint32_t>(w >> 8); }
  static uint64_t word(uint32_t ticket, int state) {
    return (static_cast<uint64_t>(ticket) << 8) | static_cast<uint64_t>(state & 0xFF);
  }
  bool moveIf(uint32_t ticket, std::initializer_list<int> from, int to);

  std::atomic<uint64_t> word_{word(0, Created)};
};

#endif
