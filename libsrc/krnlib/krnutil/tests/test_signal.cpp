// Console interrupt hook, exercised in child processes so that the test
// process keeps its own signal handling; and the usage entry points.
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

struct Child {
  int status = 0;
  std::string out;
};

// Runs body in a child process; its result is the exit code, its standard
// output is collected.
template <class Body>
Child inChild(Body body) {
  Child child;
  int fds[2];
  if (pipe(fds) != 0) return child;
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    _exit(body());
  }
  close(fds[1]);
  char chunk[256];
  for (ssize_t got; (got = read(fds[0], chunk, sizeof(chunk))) > 0;)
    child.out.append(chunk, size_t(got));
  close(fds[0]);
  waitpid(pid, &child.status, 0);
  return child;
}

std::atomic<int> g_calls{0};

void onEvent(int32_t type) {
  // Runs on the hook's own thread: printing is allowed here.
  printf("callback %d\n", type);
  fflush(stdout);
  ++g_calls;
}

int waitFor(int calls) {
  for (int i = 0; i < 300 && g_calls < calls; ++i) usleep(10000);
  return g_calls >= calls ? 0 : 20 + calls;
}

bool exitedWith(const Child &c, int code) {
  return WIFEXITED(c.status) && WEXITSTATUS(c.status) == code;
}

}  // namespace

TEST(SignalHook, InterruptReachesTheCallbackEvenAfterUnregistering) {
  Child c = inChild([] {
    if (KRNUtil_RegSigHandler(KRNUTIL_EVENT_INTERRUPT, onEvent) != 0) return 10;
    raise(SIGINT);
    if (int failed = waitFor(1)) return failed;
    if (KRNUtil_UnRegSigHandler() != 0) return 11;
    raise(SIGINT);
    return waitFor(2);
  });
  EXPECT_TRUE(exitedWith(c, 0)) << c.status;
  EXPECT_EQ(c.out, "callback 0\ncallback 0\n");
}

TEST(SignalHook, BreakPrintsAndTheProcessGoesOn) {
  Child c = inChild([] {
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_BREAK, onEvent);
    raise(SIGQUIT);
    usleep(300000);
    return int(g_calls);
  });
  EXPECT_TRUE(exitedWith(c, 0)) << c.status;
  EXPECT_EQ(c.out, "break\n");
}

TEST(SignalHook, OtherEventsKeepTheirFormerHandling) {
  Child ended = inChild([] {
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_INTERRUPT, onEvent);
    raise(SIGQUIT);
    usleep(300000);
    return 0;
  });
  EXPECT_TRUE(WIFSIGNALED(ended.status) && WTERMSIG(ended.status) == SIGQUIT) << ended.status;

  Child ignored = inChild([] {
    signal(SIGINT, SIG_IGN);
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_BREAK, onEvent);
    raise(SIGINT);
    usleep(200000);
    return int(g_calls);
  });
  EXPECT_TRUE(exitedWith(ignored, 0)) << ignored.status;
  EXPECT_EQ(ignored.out, "");

  Child switched = inChild([] {
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_BREAK, onEvent);
    KRNUtil_RegSigHandler(KRNUTIL_EVENT_INTERRUPT, onEvent);
    raise(SIGINT);
    return waitFor(1);
  });
  EXPECT_TRUE(exitedWith(switched, 0)) << switched.status;
  EXPECT_EQ(switched.out, "callback 0\n");
}

TEST(Usage, InertEntryPointsAndTaskShares) {
  EXPECT_EQ(KRNUTIL_UsageCpuOpen(), nullptr);
  EXPECT_EQ(KRNUTIL_UsageTaskOpen(), nullptr);
  EXPECT_TRUE(KRNUTIL_UsageCpuGet(nullptr, nullptr));
  EXPECT_TRUE(KRNUTIL_UsageMemOpen());
  KRNUTIL_UsageTaskClose(KRN_Malloc(16, 0, 0, L"test", __LINE__, L"Usage"));

  static KRNUtilTaskSample sample;
  sample.count = 2;
  sample.first = 1;
  sample.tasks[0] = {L"reader", 30, 10};
  sample.tasks[1] = {L"player", 50, 10};
  KRNUtilTaskUsage table[2] = {};
  ASSERT_TRUE(KRNUTIL_UsageTaskGet(&sample, table));
  EXPECT_EQ(table[0].name[0], 0);  // the first sample only primes the totals
  EXPECT_EQ(sample.first, 0u);
  ASSERT_TRUE(KRNUTIL_UsageTaskGet(&sample, table));
  EXPECT_STREQ(table[0].name, L"reader");
  EXPECT_EQ(table[0].userPercent, 30u);
  EXPECT_EQ(table[0].kernelPercent, 10u);
  EXPECT_EQ(table[1].totalPercent, 60u);
  EXPECT_EQ(sample.totalUser, 0u);
  EXPECT_FALSE(KRNUTIL_UsageTaskGet(nullptr, table));
}
