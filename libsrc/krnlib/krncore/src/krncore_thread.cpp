// Named threads with exit codes, joined by KRN_ThreadDelete.
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <new>

#include "krncore_internal.h"

#define KRN_MODULE L"krnthread"
#define KRN_SOURCE L"krncore_thread"

struct KrnThread {
  wchar_t name[32];
  pthread_t thread;
  uint32_t id;
  // Set by the one KRN_ThreadDelete that joins the thread; a second owner
  // must not join it too.
  std::atomic<bool> joining;
};

namespace {

// Handed to the new thread. The thread sets its own priority before it runs
// the entry and reports back, so the creator learns its id and whether the
// priority took before KRN_ThreadCreate returns.
struct StartBlock {
  KrnThreadEntry entry;
  void *arg;
  int32_t priority;
  pthread_mutex_t lock;
  pthread_cond_t started;
  pid_t tid;
  int priorityError;
};

// Windows-style priority levels (-2..2, with -15 idle and 15 time-critical)
// as nice values of the thread; 0 leaves the thread as it was started.
int niceFor(int32_t priority) {
  int nice = -priority * 2;
  if (priority >= 15) nice = -20;
  if (priority <= -15) nice = 19;
  return nice < -20 ? -20 : (nice > 19 ? 19 : nice);
}

void *trampoline(void *p) {
  auto *start = static_cast<StartBlock *>(p);
  KrnThreadEntry entry = start->entry;
  void *arg = start->arg;
  pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
  int priorityError = 0;
  if (start->priority != 0 &&
      setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceFor(start->priority)) != 0)
    priorityError = errno;
  pthread_mutex_lock(&start->lock);
  start->priorityError = priorityError;
  start->tid = tid;
  pthread_cond_signal(&start->started);
  pthread_mutex_unlock(&start->lock);
  // The creator frees the block once it has seen the id; it is not touched
  // after this point.
  uint32_t code = entry(arg);
  return reinterpret_cast<void *>(static_cast<uintptr_t>(code));
}

}  // namespace

extern "C" {

KrnThread *KRN_ThreadCreate(const wchar_t *name, int32_t priority, uint32_t stackSize,
                            KrnThreadEntry entry, void *arg) {
  auto *t = new (std::nothrow) KrnThread{};
  auto *start = static_cast<StartBlock *>(calloc(1, sizeof(StartBlock)));
  if (!t || !start || !entry) {
    KRN_LOGE(L"memory alloc failed size(%d)\n", static_cast<int>(sizeof(KrnThread)));
    delete t;
    free(start);
    return nullptr;
  }
  if (name) wcsncpy(t->name, name, 31);
  KRN_LOG(KRN_TRACE_DEBUG, L"thread name (%ls)\n", t->name);

  start->entry = entry;
  start->arg = arg;
  start->priority = priority;
  pthread_mutex_init(&start->lock, nullptr);
  pthread_cond_init(&start->started, nullptr);

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  if (stackSize) {
    size_t size = stackSize < PTHREAD_STACK_MIN ? PTHREAD_STACK_MIN : stackSize;
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    pthread_attr_setstacksize(&attr, (size + page - 1) / page * page);
  }
  int rc = pthread_create(&t->thread, &attr, trampoline, start);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    KRN_LOGE(L"CreateThread error(%d)\n", rc);
    pthread_cond_destroy(&start->started);
    pthread_mutex_destroy(&start->lock);
    free(start);
    delete t;
    return nullptr;
  }

  pthread_mutex_lock(&start->lock);
  while (start->tid == 0) pthread_cond_wait(&start->started, &start->lock);
  pthread_mutex_unlock(&start->lock);
  t->id = static_cast<uint32_t>(start->tid);
  int priorityError = start->priorityError;
  pthread_cond_destroy(&start->started);
  pthread_mutex_destroy(&start->lock);
  free(start);

  if (priorityError != 0) {
    KRN_LOGE(L"SetThreadPriority error(%d)\n", priorityError);
    pthread_detach(t->thread);
    delete t;
    return nullptr;
  }
  KRN_LOG(KRN_TRACE_DEBUG, L"created thread success (%lx)\n", reinterpret_cast<unsigned long>(t));
  return t;
}

void KRN_ThreadExit(int32_t code) {
  KRN_LOG(KRN_TRACE_DEBUG, L"code(%d)\n", code);
  pthread_exit(reinterpret_cast<void *>(static_cast<uintptr_t>(static_cast<uint32_t>(code))));
}

int32_t KRN_ThreadDelete(KrnThread *thread, uint32_t *exitCode) {
  if (!thread) return -1;
  KRN_LOG(KRN_TRACE_TRACE, L"thread(%lx) handle(%lx)\n", reinterpret_cast<unsigned long>(thread),
          static_cast<unsigned long>(thread->thread));
  // A thread cannot wait for its own end; cancelling it instead would end
  // it in the middle of whatever it was doing.
  if (pthread_equal(thread->thread, pthread_self())) {
    KRN_LOGE(L"thread(%lx) can not delete itself\n", reinterpret_cast<unsigned long>(thread));
    return -1;
  }
  bool expected = false;
  if (!thread->joining.compare_exchange_strong(expected, true)) {
    KRN_LOGE(L"thread(%lx) is already being deleted\n", reinterpret_cast<unsigned long>(thread));
    return -1;
  }
  void *result = nullptr;
  int rc = pthread_join(thread->thread, &result);
  if (rc != 0) {
    // The thread is left running and the handle as it was.
    KRN_LOGE(L"thread terminate waiting failed ret(%u)\n", static_cast<unsigned>(rc));
    thread->joining = false;
    return -1;
  }
  if (exitCode) *exitCode = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result));
  KRN_LOG(KRN_TRACE_TRACE, L"handle(%lx) freed\n", static_cast<unsigned long>(thread->thread));
  delete thread;
  return 0;
}

uint32_t KRN_ThreadGetCurrentID(void) {
  // Asked on every lock and unlock: one system call per thread is enough.
  thread_local const uint32_t id = static_cast<uint32_t>(syscall(SYS_gettid));
  return id;
}

int32_t KRN_ThreadSleep(uint32_t milliseconds) {
  struct timespec ts = {static_cast<time_t>(milliseconds / 1000),
                        static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
  return 0;
}

// The platform we came from sleeps in whole milliseconds; callers are tuned
// to one millisecond per call.
int32_t KRN_ThreadUSleep(uint32_t) {
  return KRN_ThreadSleep(1);
}

int32_t KRN_ThreadDetach(KrnThread *) {
  return 0;
}
int32_t KRN_ThreadDetachSelf(void) {
  return 0;
}
int32_t KRN_ThreadGetStatus(KrnThread *) {
  return 0;
}
int32_t KRN_ThreadSetStatus(KrnThread *, int32_t) {
  return 0;
}

}  // extern "C"
