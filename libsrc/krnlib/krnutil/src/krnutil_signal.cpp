// Console interrupt hook and the CPU/memory usage entry points.
//
// The hook follows the console-control model the tools were built around:
// the interrupt key (SIGINT, event type 0) and the break key (SIGQUIT, event
// type 1) reach one handler; the registered type is handled, every other
// event keeps the handling it had before. Handling runs on a thread of its
// own, as console control handlers always have, so callbacks are free to
// lock, allocate and print; the signal handler itself only passes the event
// type through a pipe.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include "krnutil.h"

namespace {

struct HookedSignal {
  int signo;
  int32_t eventType;
};

const HookedSignal kHookedSignals[] = {{SIGINT, KRNUTIL_EVENT_INTERRUPT},
                                       {SIGQUIT, KRNUTIL_EVENT_BREAK}};
constexpr size_t kHookedCount = sizeof(kHookedSignals) / sizeof(kHookedSignals[0]);

std::atomic<int32_t> g_registeredType{-1};
std::atomic<KRNUtilSignalCallback> g_callback{nullptr};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kHookedCount];
std::mutex g_installLock;
bool g_installed = false;

// Hands the signal to whatever handled it before us. The default action of
// both signals ends the process, so it is restored and the signal raised
// again; it is delivered as soon as this handler returns.
void passOn(size_t index, int signo, siginfo_t *info, void *context) {
  const struct sigaction &previous = g_previous[index];
  if (previous.sa_flags & SA_SIGINFO) {
    if (previous.sa_sigaction) previous.sa_sigaction(signo, info, context);
    return;
  }
  if (previous.sa_handler == SIG_IGN) return;
  if (previous.sa_handler == SIG_DFL) {
    struct sigaction fallback;
    memset(&fallback, 0, sizeof(fallback));
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signo, &fallback, nullptr);
    raise(signo);
    return;
  }
  previous.sa_handler(signo);
}

void onSignal(int signo, siginfo_t *info, void *context) {
  for (size_t i = 0; i < kHookedCount; ++i) {
    if (kHookedSignals[i].signo != signo) continue;
    int32_t type = kHookedSignals[i].eventType;
    if (type != g_registeredType.load()) {
      passOn(i, signo, info, context);
      return;
    }
    int savedErrno = errno;
    uint8_t byte = uint8_t(type);
    ssize_t written = write(g_pipe[1], &byte, 1);
    (void)written;
    errno = savedErrno;
    return;
  }
}

void *dispatchEvents(void *) {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  for (;;) {
    uint8_t type = 0;
    ssize_t got = read(g_pipe[0], &type, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return nullptr;
    if (type == KRNUTIL_EVENT_INTERRUPT) {
      KRNUtilSignalCallback callback = g_callback.load();
      if (callback) callback(type);
    } else if (type == KRNUTIL_EVENT_BREAK) {
      fputs("break\n", stdout);
      fflush(stdout);
    } else {
      fputs("Some other event\n", stdout);
      fflush(stdout);
    }
  }
}

bool install() {
  if (pipe2(g_pipe, O_CLOEXEC) != 0) return false;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  int created = pthread_create(&thread, &attr, dispatchEvents, nullptr);
  pthread_attr_destroy(&attr);
  if (created != 0) {
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    return false;
  }
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_sigaction = onSignal;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < kHookedCount; ++i) {
    if (sigaction(kHookedSignals[i].signo, &action, &g_previous[i]) != 0) return false;
  }
  return true;
}

}  // namespace

extern "C" {

int32_t KRNUtil_RegSigHandler(int32_t eventType, KRNUtilSignalCallback callback) {
  g_callback.store(callback);
  g_registeredType.store(eventType);
  std::lock_guard<std::mutex> hold(g_installLock);
  if (!g_installed) {
    if (!install()) {
      KRN_Trace(L"krnutil-signal", KRN_TRACE_ERROR, L"krnutil_signal", __LINE__,
                L"KRNUtil_RegSigHandler", L"Unable to install handler!\n");
      return 1;
    }
    g_installed = true;
  }
  return 0;
}

int32_t KRNUtil_UnRegSigHandler(void) {
  return 0;
}

// ---------------------------------------------------------------------------
// Usage entry points. No platform sampling is wired up in this build; the
// task table arithmetic works on samples a caller fills itself.

void *KRNUTIL_UsageCpuOpen(void) {
  return nullptr;
}

bool KRNUTIL_UsageCpuGet(void *, uint32_t *) {
  return true;
}

bool KRNUTIL_UsageCpuGetMulti(void *, uint32_t *, uint32_t) {
  return true;
}

void KRNUTIL_UsageCpuClose(void *handle) {
  if (handle) KRN_Free(handle, 0);
}

void *KRNUTIL_UsageTaskOpen(void) {
  return nullptr;
}

bool KRNUTIL_UsageTaskGet(KRNUtilTaskSample *sample, KRNUtilTaskUsage *table) {
  if (!sample || !table) return false;
  uint32_t count = sample->count < KRNUTIL_MAX_TASKS ? sample->count : KRNUTIL_MAX_TASKS;
  for (uint32_t i = 0; i < count; ++i) {
    sample->totalUser += sample->tasks[i].userTime;
    sample->totalKernel += sample->tasks[i].kernelTime;
  }
  if (!sample->first) {
    uint64_t total = sample->totalUser + sample->totalKernel;
    for (uint32_t i = 0; i < count; ++i) {
      const KRNUtilTaskCounters &task = sample->tasks[i];
      KRNUtilTaskUsage &row = table[i];
      wcsncpy(row.name, task.name, KRNUTIL_TASK_NAME - 1);
      row.name[KRNUTIL_TASK_NAME - 1] = 0;
      row.userPercent = total ? uint32_t(task.userTime * 100 / total) : 0;
      row.kernelPercent = total ? uint32_t(task.kernelTime * 100 / total) : 0;
      row.totalPercent = total ? uint32_t((task.userTime + task.kernelTime) * 100 / total) : 0;
    }
  }
  sample->first = 0;
  sample->totalUser = 0;
  sample->totalKernel = 0;
  return true;
}

void KRNUTIL_UsageTaskClose(void *handle) {
  if (handle) KRN_Free(handle, 0);
}

bool KRNUTIL_UsageMemOpen(void) {
  return true;
}

bool KRNUTIL_UsageMemAdd(const void *, uint32_t) {
  return true;
}

bool KRNUTIL_UsageMemPrint(void) {
  return true;
}

void KRNUTIL_UsageMemClose(void) {}

}  // extern "C"
