// Recursive mutexes that only their owner may release.
//
// Robust as well: when the owner thread ends while holding the mutex, the next
// lock reports a failure. The mutex is made consistent and released again
// before that failure is returned, so one dead owner cannot block everybody
// that comes after it.
#include <pthread.h>

#include <atomic>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "krncore_internal.h"
#include "krncore_wait.h"

#if defined(__SANITIZE_THREAD__)
#define KRN_TSAN_LOCKS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KRN_TSAN_LOCKS 1
#endif
#endif
#ifdef KRN_TSAN_LOCKS
#include <sanitizer/tsan_interface.h>
#endif

#define KRN_MODULE L"krnmutex"
#define KRN_SOURCE L"krncore_mutex"

struct KrnMutex {
  pthread_mutex_t mutex;
  // Kept beside the platform mutex so that a release by a thread that does
  // not own it is refused before it reaches the platform.
  std::atomic<uint32_t> owner;
  int32_t depth;
};

namespace krn {

// Absolute deadline timeoutMs from now on the given clock.
struct timespec deadlineAfter(uint32_t timeoutMs, clockid_t clock) {
  struct timespec ts;
  clock_gettime(clock, &ts);
  ts.tv_sec += timeoutMs / 1000;
  ts.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
  if (ts.tv_nsec >= 1000000000L) {
    ts.tv_sec += 1;
    ts.tv_nsec -= 1000000000L;
  }
  return ts;
}

}  // namespace krn

namespace {

// A lock that gives up at a deadline on the monotonic clock: a time-out is
// time that passes, whatever happens to the wall clock meanwhile.
int clockLock(pthread_mutex_t *mutex, uint32_t timeoutMs) {
  struct timespec deadline = krn::deadlineAfter(timeoutMs, CLOCK_MONOTONIC);
#ifdef KRN_TSAN_LOCKS
  // ThreadSanitizer does not know pthread_mutex_clocklock; it is told of the
  // lock as it would be of pthread_mutex_timedlock.
  __tsan_mutex_pre_lock(mutex, __tsan_mutex_try_lock);
  int rc = pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
  __tsan_mutex_post_lock(mutex,
                         __tsan_mutex_try_lock |
                             (rc == 0 || rc == EOWNERDEAD ? 0 : __tsan_mutex_try_lock_failed),
                         0);
  return rc;
#else
  return pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
#endif
}

}  // namespace

extern "C" {

KrnMutex *KRN_MutexCreate(void) {
  auto *m = static_cast<KrnMutex *>(calloc(1, sizeof(KrnMutex)));
  if (!m) return nullptr;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
  int rc = pthread_mutex_init(&m->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  if (rc != 0) {
    KRN_LOGE(L"mutex create failed err(%d)\n", rc);
    free(m);
    return nullptr;
  }
  return m;
}

int32_t KRN_MutexDestroy(KrnMutex *mutex) {
  if (!mutex) return -1;
  pthread_mutex_destroy(&mutex->mutex);
  free(mutex);
  return 0;
}

int32_t KRN_MutexLock(KrnMutex *mutex, uint32_t timeoutMs) {
  if (!mutex) return -1;
  int rc;
  if (timeoutMs >= static_cast<uint32_t>(KRN_INFINITE)) {
    rc = pthread_mutex_lock(&mutex->mutex);
  } else {
    rc = clockLock(&mutex->mutex, timeoutMs);
  }
  if (rc == 0) {
    mutex->owner.store(KRN_ThreadGetCurrentID(), std::memory_order_relaxed);
    ++mutex->depth;
    return 0;
  }
  if (rc == EOWNERDEAD) {
    mutex->owner.store(0, std::memory_order_relaxed);
    mutex->depth = 0;
    pthread_mutex_consistent(&mutex->mutex);
    pthread_mutex_unlock(&mutex->mutex);
  }
  KRN_LOGE(L"WaitForSingleObject Error ret(%d) mutex(%lx)\n", rc,
           reinterpret_cast<unsigned long>(mutex));
  return -1;
}

int32_t KRN_MutexUnLock(KrnMutex *mutex) {
  if (!mutex) return -1;
  if (mutex->owner.load(std::memory_order_relaxed) != KRN_ThreadGetCurrentID() ||
      mutex->depth <= 0) {
    KRN_LOGE(L"ReleaseMutex error ret=%d\n", -1);
    return -1;
  }
  if (--mutex->depth == 0) mutex->owner.store(0, std::memory_order_relaxed);
  pthread_mutex_unlock(&mutex->mutex);
  return 0;
}

}  // extern "C"
