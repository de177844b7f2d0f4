#include "playback/EngineState.h"

namespace {

bool contains(std::initializer_list<int> states, int s) {
  for (int candidate : states)
    if (candidate == s) return true;
  return false;
}

}  // namespace

bool EngineState::move(std::initializer_list<int> from, int to) {
  uint64_t seen = word_.load();
  for (;;) {
    if (!contains(from, stateOf(seen))) return false;
    if (word_.compare_exchange_weak(seen, word(ticketOf(seen), to))) return true;
  }
}

bool EngineState::moveIf(uint32_t ticket, std::initializer_list<int> from, int to) {
  uint64_t seen = word_.load();
  for (;;) {
    if (ticketOf(seen) != ticket || !contains(from, stateOf(seen))) return false;
    if (word_.compare_exchange_weak(seen, word(ticket, to))) return true;
  }
}

uint32_t EngineState::requestStop() {
  uint64_t seen = word_.load();
  for (;;) {
    const bool onItsWay = stopping(stateOf(seen));
    const uint32_t ticket = onItsWay ? ticketOf(seen) : ticketOf(seen) + 1;
    const int s = onItsWay ? stateOf(seen) : StopRequested;
    if (word_.compare_exchange_weak(seen, word(ticket, s))) return ticket;
  }
}

bool EngineState::workerStopping(uint32_t ticket) {
  return moveIf(ticket, {StopRequested}, Stopping);
}

bool EngineState::workerStopped(uint32_t ticket) {
  return moveIf(ticket, {StopRequested, Stopping, StreamRemoved}, Stopped);
}

bool EngineState::streamRemoved() {
  return move({StopRequested, Stopping}, StreamRemoved);
}

void EngineState::abandonStop() {
  uint64_t seen = word_.load();
  while (!word_.compare_exchange_weak(seen, word(ticketOf(seen) + 1, Stopped))) {
  }
}

bool EngineState::abandonStop(uint32_t ticket) {
  uint64_t seen = word_.load();
  for (;;) {
    if (ticketOf(seen) != ticket || !stopping(stateOf(seen))) return false;
    if (word_.compare_exchange_weak(seen, word(ticket + 1, Stopped))) return true;
  }
}

bool EngineState::isIdle() const {
  const int s = state();
  return s == Created || s == MediaSet || s == Stopped;
}
