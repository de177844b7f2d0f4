// A count guarded by a mutex and a condition variable on CLOCK_MONOTONIC:
// the common ground of semaphores (count up to a maximum) and auto-reset
// events (count of at most one).
#ifndef KRNCORE_WAIT_H
#define KRNCORE_WAIT_H

#include <pthread.h>

#include <cstdint>
#include <ctime>

namespace krn {

struct WaitState {
  pthread_mutex_t lock;
  pthread_cond_t cond;
  int32_t count;
};

struct timespec deadlineAfter(uint32_t timeoutMs, clockid_t clock = CLOCK_MONOTONIC);

int waitStateInit(WaitState *w);
void waitStateDestroy(WaitState *w);
// Takes one unit; 0, ETIMEDOUT or another error number.
int waitTake(WaitState *w, uint32_t timeoutMs);
// Adds one unit unless that would exceed maxCount (EOVERFLOW then). With
// saturate set, a full count is left as it is and counts as success.
int waitGive(WaitState *w, int32_t maxCount, bool saturate = false);

}  // namespace krn

#endif
