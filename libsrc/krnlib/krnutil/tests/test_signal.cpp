// Console interrupt hook, exercised in child processes so that the test
// process keeps its own signal handling.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "krnutil.h"

namespace {

struct ChildResult {
  int status = 0;
  std::string out;
};

// Runs body in a child whose standard output is collected.
template <class Body>
ChildResult inChild(Body body) {
  int fds[2];
  ChildResult result;
  if (pipe(fds) != 0) {
    ADD_FAILURE() << "pipe";
    return result;
  }
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    _exit(body());
  }
  close(fds[1]);
  char chunk[256];
  ssize_t got;
  while ((got = read(fds[0], chunk, sizeof(chunk))) > 0) result.out.append(chunk, size_t(got));
  close(fds[0]);
  waitpid(pid, &result.status, 0);
  return result;
}

std::atomic<int> g_calls{0};
std::atomic<int> g_lastType{-1};

void onInterrupt(int32_t type) {
  g_lastType = type;
  // Free to do what a signal handler may not: this runs on the hook's thread.
  printf("callback %d\n", type);
  fflush(stdout);
  ++g_calls;
}

bool waitFor(int calls) {
  for (int i = 0; i < 200 && g_calls.load() < calls; ++i) usleep(10000);
  return g_calls.load() >= calls;
}

}  // namespace

TEST(SignalHook, InterruptCallsTheCallbackWithItsType) {
  ChildResult r = inChild([] {
    if (KRNUtil_RegSigHandler(KRNUTIL_EVENT_INTERRUPT, onInterrupt) != 0) return 10;
    raise(SIGINT);
    if (!waitFor(1)) return 11;
    // Unregistering keeps the hook: the next interrupt still arrives.
    if (KRNUtil_UnRegSigHandler() != 0) return 12;
    raise(SIGINT);
    if (!waitFor(2)) return 13;
    return g_lastType.load() == 0 ? 0 : 14;
  });
  ASSERT_TRUE(WIFEXITED(r.status)) << r.status;
  EXPECT_EQ(WEXITSTATUS(r.status), 0);
  EXPECT_EQ(r.out, "callback 0\ncallback 0\n");
}

TEST(SignalHook, BreakPrintsAndKeepsTheProcess) {
  ChildResult r = inChild([] {
    if (KRNUtil_RegSigHandler(KRNUTIL_EVENT_BREAK, onInterrupt) != 0) return 10;
    raise(SIGQUIT);
    usleep(300000);
    return g_calls.load() == 0 ? 0 : 11;
  });
  ASSERT_TRUE(WIFEXITED(r.status)) << r.status;
  EXPECT_EQ(WEXITSTATUS(r.status), 0);
  EXPECT_EQ(r.out, "break\n");
}

TEST(SignalHook, OtherEventsKeepTheirFormerHandling) {
  // Registered for interrupts, the break key still ends the process as it did.
  ChildResult ended = inChild([] {
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_INTERRUPT, onInterrupt);
    raise(SIGQUIT);
    usleep(300000);
    return 0;
  });
  ASSERT_TRUE(WIFSIGNALED(ended.status)) << ended.status;
  EXPECT_EQ(WTERMSIG(ended.status), SIGQUIT);

  // An event that was ignored before stays ignored.
  ChildResult ignored = inChild([] {
    signal(SIGINT, SIG_IGN);
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_BREAK, onInterrupt);
    raise(SIGINT);
    usleep(200000);
    return g_calls.load() == 0 ? 0 : 11;
  });
  ASSERT_TRUE(WIFEXITED(ignored.status)) << ignored.status;
  EXPECT_EQ(WEXITSTATUS(ignored.status), 0);
  EXPECT_EQ(ignored.out, "");
}

TEST(SignalHook, RegisteringAgainSwitchesTheType) {
  ChildResult r = inChild([] {
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_BREAK, onInterrupt);
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_INTERRUPT, onInterrupt);
    raise(SIGINT);
    return waitFor(1) ? 0 : 11;
  });
  ASSERT_TRUE(WIFEXITED(r.status)) << r.status;
  EXPECT_EQ(WEXITSTATUS(r.status), 0);
  EXPECT_EQ(r.out, "callback 0\n");
}

// ---------------------------------------------------------------------------
// Usage entry points

TEST(Usage, InertEntryPoints) {
  EXPECT_EQ(KRNUTIL_UsageCpuOpen(), nullptr);
  EXPECT_EQ(KRNUTIL_UsageTaskOpen(), nullptr);
  uint32_t percent = 7;
  EXPECT_TRUE(KRNUTIL_UsageCpuGet(nullptr, &percent));
  EXPECT_TRUE(KRNUTIL_UsageCpuGetMulti(nullptr, &percent, 1));
  EXPECT_TRUE(KRNUTIL_UsageMemOpen());
  EXPECT_TRUE(KRNUTIL_UsageMemAdd(&percent, 4));
  EXPECT_TRUE(KRNUTIL_UsageMemPrint());
  KRNUTIL_UsageMemClose();
  KRNUTIL_UsageCpuClose(nullptr);
  KRNUTIL_UsageTaskClose(KRN_Malloc(16, 0, 0, L"test", __LINE__, L"Usage"));
}

TEST(Usage, TaskSharesAfterTheFirstSample) {
  static KRNUtilTaskSample sample;
  memset(&sample, 0, sizeof(sample));
  sample.count = 2;
  sample.first = 1;
  wcscpy(sample.tasks[0].name, L"reader");
  wcscpy(sample.tasks[1].name, L"player");
  sample.tasks[0].userTime = 30;
  sample.tasks[0].kernelTime = 10;
  sample.tasks[1].userTime = 50;
  sample.tasks[1].kernelTime = 10;
  KRNUtilTaskUsage table[2];
  memset(table, 0, sizeof(table));
  ASSERT_TRUE(KRNUTIL_UsageTaskGet(&sample, table));
  EXPECT_EQ(table[0].name[0], 0);  // the first sample only primes the counters
  EXPECT_EQ(sample.first, 0u);
  EXPECT_EQ(sample.totalUser, 0u);

  ASSERT_TRUE(KRNUTIL_UsageTaskGet(&sample, table));
  EXPECT_STREQ(table[0].name, L"reader");
  EXPECT_EQ(table[0].userPercent, 30u);
  EXPECT_EQ(table[0].kernelPercent, 10u);
  EXPECT_EQ(table[0].totalPercent, 40u);
  EXPECT_STREQ(table[1].name, L"player");
  EXPECT_EQ(table[1].totalPercent, 60u);
  EXPECT_FALSE(KRNUTIL_UsageTaskGet(nullptr, table));
  EXPECT_FALSE(KRNUTIL_UsageTaskGet(&sample, nullptr));
}
