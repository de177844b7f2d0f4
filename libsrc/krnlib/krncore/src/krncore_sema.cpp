// Counting semaphores with a maximum, starting at zero.
#include <pthread.h>

#include <cerrno>
#include <cstdlib>

#include "krncore_internal.h"
#include "krncore_wait.h"

#define KRN_MODULE L"krnsema"
#define KRN_SOURCE L"krncore_sema"

struct KrnSema {
  krn::WaitState state;
  int32_t maxCount;
};

extern "C" {

KrnSema *KRN_SemaCreate(const wchar_t *, int32_t maxCount) {
  auto *s = static_cast<KrnSema *>(calloc(1, sizeof(KrnSema)));
  if (!s) {
    KRN_LOGE(L"sem_t malloc failed size(%d)\n", static_cast<int>(sizeof(KrnSema)));
    return nullptr;
  }
  int rc = krn::waitStateInit(&s->state);
  if (rc != 0) {
    KRN_LOGE(L"CreateSemaphore failed. err(%d)\n", rc);
    free(s);
    return nullptr;
  }
  s->maxCount = maxCount;
  KRN_LOG(KRN_TRACE_TRACE, L"new semaphore (%lx)\n", reinterpret_cast<unsigned long>(s));
  return s;
}

int32_t KRN_SemaDestroy(KrnSema *sema) {
  if (!sema) {
    KRN_LOGE(L"invalid sema\n");
    return KRN_EINVAL;
  }
  krn::waitStateDestroy(&sema->state);
  free(sema);
  return 0;
}

int32_t KRN_SemaGet(KrnSema *sema, uint32_t timeoutMs) {
  if (!sema) {
    KRN_LOGE(L"invalid sema\n");
    return KRN_EINVAL;
  }
  int rc = krn::waitTake(&sema->state, timeoutMs);
  if (rc == ETIMEDOUT) return KRN_ETIMEOUT;
  if (rc != 0) {
    KRN_LOGE(L"semaphore object wait failed timeout(%u)\n", timeoutMs);
    return -1;
  }
  return 0;
}

int32_t KRN_SemaPut(KrnSema *sema) {
  if (!sema) {
    KRN_LOGE(L"invalid sema\n");
    return KRN_EINVAL;
  }
  int rc = krn::waitGive(&sema->state, sema->maxCount);
  if (rc != 0) {
    KRN_LOGE(L"semaphore release error=%u\n", static_cast<unsigned>(rc));
    return -1;
  }
  return 0;
}

int32_t KRN_SemaStatus(KrnSema *sema) {
  KRN_LOG(KRN_TRACE_TRACE, L"Enter\n");
  if (!sema) {
    KRN_LOGE(L"invalid sema\n");
    return KRN_EINVAL;
  }
  return 0;
}

int32_t KRN_SemaReset(KrnSema *) {
  return 0;
}

}  // extern "C"

namespace krn {

void semaFill(KrnSema *sema, int32_t units) {
  if (!sema) return;
  pthread_mutex_lock(&sema->state.lock);
  int32_t target = units < sema->maxCount ? units : sema->maxCount;
  if (sema->state.count < target) {
    sema->state.count = target;
    pthread_cond_broadcast(&sema->state.cond);
  }
  pthread_mutex_unlock(&sema->state.lock);
}

}  // namespace krn
