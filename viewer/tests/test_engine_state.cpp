// The engine state under the three threads that write it: stop requests from
// the GUI thread, the stop worker, and libvlc's events of streams removed
// while stopping. Run under ThreadSanitizer by `make test-tsan`.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "playback/EngineState.h"

namespace {

TEST(EngineState, TransitionsOnlyFromTheStatesTested) {
  EngineState s;
  EXPECT_FALSE(s.move({EngineState::MediaSet}, EngineState::Running));
  EXPECT_TRUE(s.move({EngineState::Created}, EngineState::MediaSet));
  EXPECT_TRUE(s.move({EngineState::MediaSet}, EngineState::Running));
  const uint32_t ticket = s.requestStop();
  EXPECT_EQ(s.state(), EngineState::StopRequested);
  EXPECT_EQ(s.requestStop(), ticket);  // one stop on its way reports for both
  EXPECT_TRUE(s.streamRemoved());
  EXPECT_FALSE(s.workerStopping(ticket));  // already past the request
  EXPECT_TRUE(s.workerStopped(ticket));
  EXPECT_EQ(s.state(), EngineState::Stopped);
  EXPECT_FALSE(s.streamRemoved());  // a late event cannot undo the stop
  EXPECT_EQ(s.state(), EngineState::Stopped);
  // A worker given up on stays silent.
  const uint32_t stuck = s.requestStop();
  s.abandonStop();
  EXPECT_FALSE(s.workerStopped(stuck));
  EXPECT_TRUE(s.isIdle());
}

// The time limit of a stop and its worker's report cross: whichever comes
// first decides, and a worker that got through is never given up on (its
// players would be released twice).
TEST(EngineState, AStopIsGivenUpOnOnlyWhileItsWorkerHasNotReported) {
  EngineState s;
  const uint32_t late = s.requestStop();
  EXPECT_TRUE(s.workerStopped(late));
  EXPECT_FALSE(s.abandonStop(late));
  EXPECT_EQ(s.state(), EngineState::Stopped);

  const uint32_t stuck = s.requestStop();
  EXPECT_TRUE(s.workerStopping(stuck));
  EXPECT_TRUE(s.abandonStop(stuck));
  EXPECT_FALSE(s.workerStopped(stuck));
  EXPECT_FALSE(s.abandonStop(stuck));  // once is enough
  EXPECT_TRUE(s.isIdle());

  // Raced from two threads many times: exactly one of the two wins.
  for (int round = 0; round < 2000; ++round) {
    const uint32_t ticket = s.requestStop();
    std::atomic<int> wins{0};
    std::thread worker([&] { wins += s.workerStopped(ticket) ? 1 : 0; });
    wins += s.abandonStop(ticket) ? 1 : 0;
    worker.join();
    ASSERT_EQ(wins.load(), 1) << round;
    ASSERT_TRUE(s.isIdle());
  }
}

// Many stops raced by stream-removed events from libvlc's thread, and by the
// GUI thread asking to stop again while the worker finishes: once a stop's
// worker has reported, the state is Stopped unless a newer stop was asked
// for, and no late event can leave it anywhere else.
TEST(EngineState, ConcurrentStopsAndEventsNeverLoseTheStoppedState) {
  EngineState s;
  constexpr int kRounds = 20000;
  std::atomic<bool> done{false};
  std::thread events([&] {
    while (!done.load()) s.streamRemoved();
  });
  int newerStops = 0;
  for (int round = 0; round < kRounds; ++round) {
    ASSERT_TRUE(s.move({EngineState::Created, EngineState::MediaSet, EngineState::Stopped},
                       EngineState::MediaSet));
    ASSERT_TRUE(s.move({EngineState::MediaSet}, EngineState::Running));
    const uint32_t ticket = s.requestStop();
    std::atomic<bool> reported{false};
    std::thread worker([&] {
      s.workerStopping(ticket);
      reported = s.workerStopped(ticket);
    });
    // The end of the media arrives while the stop runs: the same stop, or a
    // new one if the worker got there first.
    const uint32_t again = s.requestStop();
    worker.join();
    if (again == ticket) {
      ASSERT_TRUE(reported.load()) << "round " << round;
      ASSERT_EQ(s.state(), EngineState::Stopped) << "round " << round;
      continue;
    }
    ++newerStops;
    ASSERT_EQ(again, ticket + 1);
    ASSERT_TRUE(reported.load());
    ASSERT_TRUE(EngineState::stopping(s.state())) << "round " << round;
    ASSERT_FALSE(s.workerStopped(ticket));  // the old worker cannot end the new stop
    ASSERT_TRUE(s.workerStopped(again));
    ASSERT_EQ(s.state(), EngineState::Stopped);
  }
  done = true;
  events.join();
  EXPECT_EQ(s.state(), EngineState::Stopped);
  std::printf("[ race ] %d of %d second requests came after the worker\n", newerStops, kRounds);
}

}  // namespace
