// Locks that misbehave: a wall clock that steps during a timed lock, and
// locks that cannot be taken at all. Neither can be brought about on demand,
// so this program stands in for the real-time clock and for KRN_MutexLock
// (both reached through the dynamic linker) and switches the fault on for
// one test at a time. Everything else is the real library.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>

#include "krncore.h"

namespace {

// Seconds added to the real-time clock while a test has stepped it.
std::atomic<long> gWallStep{0};
// Every KRN_MutexLock fails while set.
std::atomic<bool> gLocksFail{false};

using Clock = std::chrono::steady_clock;
long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

extern "C" int clock_gettime(clockid_t clock, struct timespec *ts) {
  int rc = static_cast<int>(syscall(SYS_clock_gettime, clock, ts));
  if (rc == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE))
    ts->tv_sec += gWallStep.load();
  return rc;
}

extern "C" int32_t KRN_MutexLock(KrnMutex *mutex, uint32_t timeoutMs) {
  using Lock = int32_t (*)(KrnMutex *, uint32_t);
  static const Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "KRN_MutexLock"));
  if (gLocksFail.load()) return -1;
  return real(mutex, timeoutMs);
}

namespace {

// Holds a mutex on another thread until released.
class Holder {
 public:
  explicit Holder(KrnMutex *m) : thread_([this, m] {
      KRN_MutexLock(m, KRN_INFINITE);
      held_ = true;
      while (!release_.load()) KRN_ThreadSleep(1);
      KRN_MutexUnLock(m);
    }) {
    while (!held_.load()) KRN_ThreadSleep(1);
  }
  ~Holder() {
    release_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> held_{false};
  std::atomic<bool> release_{false};
  std::thread thread_;
};

// Runs a timed lock of timeoutMs on another thread while the wall clock is
// stepped by step seconds; the milliseconds it took, or -1 when it had not
// returned within 20 s (it is then released and finished).
long long timedLockWithWallStep(long step, uint32_t timeoutMs, int32_t *result) {
  KrnMutex *m = KRN_MutexCreate();
  auto holder = std::make_unique<Holder>(m);
  std::atomic<bool> done{false};
  std::atomic<long long> elapsed{-1};
  gWallStep = step;
  std::thread waiter([&] {
    const auto start = Clock::now();
    *result = KRN_MutexLock(m, timeoutMs);
    elapsed = msSince(start);
    if (*result == 0) KRN_MutexUnLock(m);
    done = true;
  });
  const auto start = Clock::now();
  while (!done.load() && msSince(start) < 20000) KRN_ThreadSleep(5);
  gWallStep = 0;
  const long long took = done.load() ? elapsed.load() : -1;
  holder.reset();  // a waiter still waiting takes the mutex now and lets it go
  waiter.join();
  KRN_MutexDestroy(m);
  return took;
}

}  // namespace

// A time-out counts time that passes, not what the wall clock says: a clock
// set back an hour neither ends the wait at once nor makes it an hour longer.
TEST(TimedLock, TimeOutIgnoresWallClockSteps) {
  int32_t result = 0;
  long long took = timedLockWithWallStep(-3600, 300, &result);
  EXPECT_EQ(result, -1);
  EXPECT_GE(took, 250);
  EXPECT_LT(took, 10000);

  took = timedLockWithWallStep(3600, 300, &result);
  EXPECT_EQ(result, -1);
  EXPECT_GE(took, 250);
  EXPECT_LT(took, 10000);
}

// --- Locks that cannot be taken -----------------------------------------------

class LockFailure : public ::testing::Test {
 protected:
  void TearDown() override { gLocksFail = false; }
};

// The region heap does nothing it cannot lock for, and is whole afterwards.
TEST_F(LockFailure, HeapOperationsFail) {
  alignas(16) static uint8_t region[4096];
  KrnVMem *heap = KRN_VMemCreate(region, sizeof region);
  ASSERT_NE(heap, nullptr);
  void *kept = KRN_VMalloc(heap, 64);
  ASSERT_NE(kept, nullptr);
  const uint32_t freeBefore = KRN_VGetFree(heap);

  gLocksFail = true;
  EXPECT_EQ(KRN_VMalloc(heap, 32), nullptr);
  EXPECT_EQ(KRN_VReAlloc(heap, kept, 512), nullptr);
  EXPECT_EQ(KRN_VFree(heap, kept), -1);
  EXPECT_EQ(KRN_VMemReset(heap), -1);
  EXPECT_EQ(KRN_VGetFree(heap), 0u);
  gLocksFail = false;

  EXPECT_EQ(KRN_VGetFree(heap), freeBefore);
  EXPECT_EQ(KRN_VFree(heap, kept), 0);
  KRN_VMemDestroy(heap);
}

TEST_F(LockFailure, FrameBufferOperationsFail) {
  KrnBufParam p{};
  p.bufSize = 1024;
  p.minSize = 16;
  p.number = 4;
  p.align = 1;
  KrnBuf *writer = KRNBuf_Create(&p, nullptr);
  ASSERT_NE(writer, nullptr);
  KrnBufNode n{};
  ASSERT_EQ(KRNBuf_GetWBuf(writer, &n), 0);
  n.size = 10;
  ASSERT_EQ(KRNBuf_FillWBuf(writer, &n), 0);

  gLocksFail = true;
  KrnBufNode w{};
  EXPECT_EQ(KRNBuf_GetWBuf(writer, &w), KRN_FAIL);
  KrnBufNode r{};
  EXPECT_EQ(KRNBuf_GetRBuf(writer, &r), KRN_FAIL);
  EXPECT_EQ(KRNBuf_DelRBuf(writer, &r), KRN_FAIL);
  KrnBufStatus st{};
  EXPECT_EQ(KRNBuf_BufStatus(writer, &st), KRN_FAIL);
  EXPECT_EQ(KRNBuf_AddBufRefCnt(writer), KRN_FAIL);
  EXPECT_EQ(KRNBuf_GetBufRefCnt(writer), KRN_FAIL);
  EXPECT_EQ(KRNBuf_Create(nullptr, writer), nullptr);
  gLocksFail = false;

  EXPECT_EQ(KRNBuf_GetBufRefCnt(writer), 1);
  ASSERT_EQ(KRNBuf_GetRBuf(writer, &r), 0);  // the frame is still there
  EXPECT_EQ(r.size, 10);
  EXPECT_EQ(KRNBuf_DelRBuf(writer, &r), 0);
  EXPECT_EQ(KRNBuf_Destroy(writer), 0);
}

TEST_F(LockFailure, PoolOperationsFail) {
  ASSERT_EQ(KRN_SMalloc_Init(), 0);
  ASSERT_EQ(KRN_SMalloc_Register(40, nullptr), 0);
  void *kept = KRN_SMalloc(40);
  ASSERT_NE(kept, nullptr);

  gLocksFail = true;
  EXPECT_EQ(KRN_SMalloc(40), nullptr);
  EXPECT_EQ(KRN_SFree(kept, 40), -1);
  EXPECT_EQ(KRN_SMalloc_UnRegister(40), -1);
  EXPECT_EQ(KRN_SMalloc_Register(44, nullptr), -1);
  gLocksFail = false;

  int64_t used = 0;
  KRN_SMemStatus(nullptr, nullptr, &used);
  EXPECT_EQ(used, 40);
  EXPECT_FALSE(KRN_SMemIsReg(44));
  EXPECT_EQ(KRN_SFree(kept, 40), 0);
  EXPECT_EQ(KRN_SMalloc_UnRegister(40), 0);
}

// A receive that cannot take the record out fails and leaves it queued: the
// next receive gets it, and the channel still counts it as pending.
TEST_F(LockFailure, MessageReceiveKeepsTheMessage) {
  KrnMsg *ch = KRN_MsgCreate(nullptr, 2, 64);
  ASSERT_NE(ch, nullptr);
  KrnMsgRecord a{1, 0, nullptr}, b{2, 0, nullptr}, c{3, 0, nullptr};
  ASSERT_EQ(KRN_MsgSend(ch, &a), 0);

  gLocksFail = true;
  KrnMsgRecord *got = nullptr;
  EXPECT_NE(KRN_MsgReceive(ch, &got, 0), 0);
  EXPECT_EQ(got, nullptr);
  EXPECT_EQ(KRN_MsgSend(ch, &b), KRN_FAIL);
  gLocksFail = false;

  ASSERT_EQ(KRN_MsgReceive(ch, &got, 0), 0);
  EXPECT_EQ(got, &a);
  // Two free places again, no more.
  EXPECT_EQ(KRN_MsgSend(ch, &b), 0);
  EXPECT_EQ(KRN_MsgSend(ch, &c), 0);
  EXPECT_EQ(KRN_MsgSend(ch, &a), KRN_EBUSY);
  ASSERT_EQ(KRN_MsgReceive(ch, &got, 0), 0);
  EXPECT_EQ(got, &b);
  ASSERT_EQ(KRN_MsgReceive(ch, &got, 0), 0);
  EXPECT_EQ(got, &c);
  EXPECT_EQ(KRN_MsgReceive(ch, &got, 0), KRN_ETIMEOUT);
  EXPECT_EQ(KRN_MsgDestroy(ch), 0);
}
