// Auto-reset events, and the waitable count they share with the semaphores.
#include <pthread.h>

#include <cerrno>
#include <cstdlib>

#include "krncore_internal.h"
#include "krncore_wait.h"

#define KRN_MODULE L"krnevent"
#define KRN_SOURCE L"krncore_event"

struct KrnEvent {
  krn::WaitState state;
};

namespace krn {

int waitStateInit(WaitState *w) {
  pthread_condattr_t attr;
  pthread_condattr_init(&attr);
  pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
  int rc = pthread_cond_init(&w->cond, &attr);
  pthread_condattr_destroy(&attr);
  if (rc != 0) return rc;
  rc = pthread_mutex_init(&w->lock, nullptr);
  if (rc != 0) pthread_cond_destroy(&w->cond);
  w->count = 0;
  return rc;
}

void waitStateDestroy(WaitState *w) {
  pthread_cond_destroy(&w->cond);
  pthread_mutex_destroy(&w->lock);
}

int waitTake(WaitState *w, uint32_t timeoutMs) {
  const bool forever = timeoutMs >= static_cast<uint32_t>(KRN_INFINITE);
  struct timespec deadline = deadlineAfter(forever ? 0 : timeoutMs);
  pthread_mutex_lock(&w->lock);
  int rc = 0;
  while (w->count == 0 && rc == 0)
    rc = forever ? pthread_cond_wait(&w->cond, &w->lock)
                 : pthread_cond_timedwait(&w->cond, &w->lock, &deadline);
  // A unit that arrived together with the time-out still counts.
  if (w->count > 0) {
    --w->count;
    rc = 0;
  }
  pthread_mutex_unlock(&w->lock);
  return rc;
}

int waitGive(WaitState *w, int32_t maxCount, bool saturate) {
  pthread_mutex_lock(&w->lock);
  int rc = 0;
  if (w->count < maxCount) {
    ++w->count;
    pthread_cond_signal(&w->cond);
  } else if (!saturate) {
    rc = EOVERFLOW;
  }
  pthread_mutex_unlock(&w->lock);
  return rc;
}

}  // namespace krn

extern "C" {

KrnEvent *KRN_EventCreate(const wchar_t *) {
  KRN_LOG(KRN_TRACE_TRACE, L"Enter\n");
  auto *e = static_cast<KrnEvent *>(calloc(1, sizeof(KrnEvent)));
  if (e && krn::waitStateInit(&e->state) != 0) {
    free(e);
    e = nullptr;
  }
  if (!e) KRN_LOGE(L"CreateEvent failed\n");
  KRN_LOG(KRN_TRACE_TRACE, L"Leave\n");
  return e;
}

int32_t KRN_EventDestroy(KrnEvent *event) {
  KRN_LOG(KRN_TRACE_TRACE, L"Enter\n");
  if (event) {
    krn::waitStateDestroy(&event->state);
    free(event);
  }
  KRN_LOG(KRN_TRACE_TRACE, L"Leave\n");
  return 0;
}

int32_t KRN_EventWait(KrnEvent *event, uint32_t timeoutMs) {
  if (!event) return -1;
  return krn::waitTake(&event->state, timeoutMs) == 0 ? 0 : -1;
}

int32_t KRN_EventSend(KrnEvent *event) {
  if (!event) return -1;
  krn::waitGive(&event->state, 1, true);
  return 0;
}

int32_t KRN_EventStatus(KrnEvent *event) {
  return KRN_SemaStatus(reinterpret_cast<KrnSema *>(event));
}

}  // extern "C"
