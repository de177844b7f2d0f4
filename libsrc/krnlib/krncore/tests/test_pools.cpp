// Frame buffers, rings, message channels, the IPC object, the small-block
// pools and the region heap.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "krncore.h"
#include "trace_capture.h"

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

KrnBufParam bufParam(int32_t size, int32_t minSize, int32_t number, int32_t align = 1) {
  KrnBufParam p{};
  p.bufSize = size;
  p.minSize = minSize;
  p.number = number;
  p.align = align;
  p.index = 3;
  p.media = 1;
  return p;
}

// Writes one frame of size bytes of the given fill; returns its pointer or null.
uint8_t *writeFrame(KrnBuf *b, int32_t size, uint8_t fill, int64_t stamp = 0) {
  KrnBufNode n{};
  if (KRNBuf_GetWBuf(b, &n) != 0) return nullptr;
  memset(n.buf, fill, static_cast<size_t>(size));
  n.size = size;
  n.stamp = stamp;
  return KRNBuf_FillWBuf(b, &n) == 0 ? n.buf : nullptr;
}

int32_t usedFrames(KrnBuf *b) {
  KrnBufStatus st{};
  KRNBuf_BufStatus(b, &st);
  return st.usedCount;
}

// --- Frame buffer -------------------------------------------------------------

TEST(FrameBuffer, FrameIsReusedOnlyAfterEveryHandleReleasedIt) {
  TraceCapture cap(L"krnbuffer:3");
  KrnBufParam p = bufParam(1024, 100, 2, 4);
  KrnBuf *writer = KRNBuf_Create(&p, nullptr);
  ASSERT_NE(writer, nullptr);
  EXPECT_TRUE(cap.has({L"DEBUG:[krnbuffer]", L"bufsize(1024) minsize(100) number(2) align(4)"}));
  KrnBuf *reader = KRNBuf_Create(nullptr, writer);
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(cap.has({L"duplicate buf("}));
  EXPECT_TRUE(cap.has({L"dup buffer(", L"media(1) index(3)"}));
  EXPECT_EQ(KRNBuf_GetBufRefCnt(writer), 2);

  uint8_t *f1 = writeFrame(writer, 10, 0x11, 100);
  uint8_t *f2 = writeFrame(writer, 10, 0x22, 250);
  ASSERT_NE(f1, nullptr);
  ASSERT_NE(f2, nullptr);
  EXPECT_EQ(f2, f1 + 12);  // aligned size of the first
  KrnBufNode n{};
  EXPECT_EQ(KRNBuf_GetWBuf(writer, &n), KRN_ENOSPC);
  EXPECT_TRUE(cap.has({L"ERROR:[krnbuffer]", L"count(2) >= maxnumber(2)"}));

  EXPECT_EQ(KRNBuf_GetRBuf(writer, &n), 0);
  EXPECT_EQ(n.buf, f1);
  EXPECT_EQ(n.refCnt, 2);
  EXPECT_EQ(n.index, 3);
  EXPECT_EQ(KRNBuf_DelRBuf(writer, &n), 0);
  EXPECT_EQ(KRNBuf_GetWBuf(writer, &n), KRN_ENOSPC);  // the reader still holds it
  KrnBufStatus st{};
  KRNBuf_BufStatus(reader, &st);
  EXPECT_EQ(st.stampSpan, 150);
  EXPECT_EQ(st.unreleased, 24);
  EXPECT_EQ(KRNBuf_GetRBuf(reader, &n), 0);
  EXPECT_EQ(n.buf, f1);
  EXPECT_EQ(n.buf[9], 0x11);
  EXPECT_EQ(KRNBuf_DelRBuf(reader, &n), 0);
  EXPECT_EQ(KRNBuf_GetWBuf(writer, &n), 0);

  EXPECT_EQ(KRNBuf_DelRBuf(writer, nullptr), 0);
  EXPECT_EQ(KRNBuf_GetRBuf(writer, &n), KRN_ENODATA);
  EXPECT_EQ(KRNBuf_DelRBuf(writer, nullptr), KRN_ENODATA);
  KRNBuf_BufStatus(writer, &st);
  EXPECT_EQ(st.stampSpan, 0);
  EXPECT_EQ(st.unreleased, 0);

  cap.clear();
  EXPECT_EQ(KRNBuf_Destroy(reader), 0);
  EXPECT_TRUE(cap.has({L"decrease ref count to (1)"}));
  EXPECT_EQ(KRNBuf_Destroy(writer), 0);
  EXPECT_TRUE(cap.has({L"ref count is zero"}));
  EXPECT_TRUE(cap.has({L"has buffer head ("}));
}

// The area is full when the newest frame ends right where the oldest held
// one starts; that gap of zero must not pass for a free area.
TEST(FrameBuffer, NeverHandsOutSpaceOfAFrameStillHeld) {
  KrnBufParam p = bufParam(130, 40, 8);
  KrnBuf *b = KRNBuf_Create(&p, nullptr);
  uint8_t *f0 = writeFrame(b, 40, 0);
  ASSERT_NE(writeFrame(b, 40, 1), nullptr);
  ASSERT_NE(writeFrame(b, 40, 2), nullptr);
  KRNBuf_DelRBuf(b, nullptr);  // frame 0 is free
  uint8_t *f3 = writeFrame(b, 40, 3);
  EXPECT_EQ(f3, f0);  // wrapped to the start

  TraceCapture cap(L"krnbuffer:1");
  KrnBufNode n{};
  EXPECT_EQ(KRNBuf_GetWBuf(b, &n), KRN_ENOSPC);
  EXPECT_TRUE(cap.has({L"not enough write buffer space (media:1, index:3, remain:0 < minsize:40"}));
  KRNBuf_DelRBuf(b, nullptr);  // frame 1
  EXPECT_EQ(KRNBuf_GetWBuf(b, &n), 0);
  EXPECT_EQ(n.buf, f0 + 40);
  EXPECT_EQ(n.asize, 40);

  // Frames are read back intact in order.
  KRNBuf_GetRBuf(b, &n);
  EXPECT_EQ(n.buf, f0 + 80);
  EXPECT_EQ(n.buf[0], 2);
  KRNBuf_Destroy(b);
}

TEST(FrameBuffer, CommitAcceptsOnlyTheRoomItHandedOut) {
  KrnBufParam p = bufParam(1000, 100, 4);
  KrnBuf *b = KRNBuf_Create(&p, nullptr);
  TraceCapture cap(L"krnbuffer:1");
  KrnBufNode n{};
  ASSERT_EQ(KRNBuf_GetWBuf(b, &n), 0);
  KrnBufNode bad = n;
  bad.size = 0;
  EXPECT_EQ(KRNBuf_FillWBuf(b, &bad), KRN_EINVAL);
  EXPECT_TRUE(cap.has({L"invalid arguments node size(0)"}));
  bad.size = 101;
  EXPECT_EQ(KRNBuf_FillWBuf(b, &bad), KRN_EINVAL);
  EXPECT_TRUE(cap.has({L"invalid arguments bufsize(100) minsize(100) size(101)"}));
  bad.size = 10;
  bad.buf = n.buf + 500;
  EXPECT_EQ(KRNBuf_FillWBuf(b, &bad), KRN_EINVAL);
  n.size = 10;
  EXPECT_EQ(KRNBuf_FillWBuf(b, &n), 0);
  EXPECT_EQ(KRNBuf_FillWBuf(b, &n), KRN_EINVAL);  // the same room twice
  EXPECT_EQ(usedFrames(b), 1);

  EXPECT_TRUE(KRNBuf_CheckBuf(b, &n, n.buf));
  EXPECT_FALSE(KRNBuf_CheckBuf(b, &n, n.buf + 1));
  EXPECT_TRUE(cap.has({L"Mismatch!  (widx:1, ridx:0)"}));
  KRNBuf_Destroy(b);
}

TEST(FrameBuffer, HandlesJoiningLateOrLeavingEarlyKeepCountsRight) {
  KrnBufParam p = bufParam(1000, 100, 3);
  KrnBuf *h = KRNBuf_Create(&p, nullptr);
  writeFrame(h, 50, 1);
  writeFrame(h, 50, 2);
  KRNBuf_DelRBuf(h, nullptr);
  // The duplicate starts where h is and releases only what it reads.
  KrnBuf *late = KRNBuf_Create(nullptr, h);
  KrnBufNode n{};
  ASSERT_EQ(KRNBuf_GetRBuf(late, &n), 0);
  EXPECT_EQ(n.buf[0], 2);
  EXPECT_EQ(n.refCnt, 2);
  KRNBuf_DelRBuf(late, nullptr);
  EXPECT_EQ(usedFrames(h), 1);  // h has not released frame 2 yet
  KRNBuf_DelRBuf(h, nullptr);
  EXPECT_EQ(usedFrames(h), 0);

  // A handle that leaves gives back what it never released.
  writeFrame(h, 50, 3);
  writeFrame(h, 50, 4);
  writeFrame(h, 50, 5);
  while (KRNBuf_DelRBuf(h, nullptr) == 0) {
  }
  EXPECT_EQ(KRNBuf_GetWBuf(h, &n), KRN_ENOSPC);
  EXPECT_EQ(KRNBuf_Destroy(late), 0);
  EXPECT_EQ(KRNBuf_GetBufRefCnt(h), 1);
  EXPECT_EQ(usedFrames(h), 0);
  EXPECT_EQ(KRNBuf_GetWBuf(h, &n), 0);
  KRNBuf_Destroy(h);
}

TEST(FrameBuffer, FindMovesTheReadPositionBothWays) {
  KrnBufParam p = bufParam(1000, 100, 8, 8);
  KrnBuf *h = KRNBuf_Create(&p, nullptr);
  KrnBuf *other = KRNBuf_Create(nullptr, h);
  std::vector<uint8_t *> frames;
  for (int i = 0; i < 5; ++i) frames.push_back(writeFrame(h, 10, static_cast<uint8_t>(i), i * 10));
  KrnBufStatus st{};
  KRNBuf_BufStatus(h, &st);
  EXPECT_EQ(st.unreleased, 5 * 16);
  EXPECT_EQ(st.stampSpan, 40);

  KrnBufNode n{};
  EXPECT_EQ(KRNBuf_FindRBuf(h, frames[3], &n), 0);  // forward: 0..2 passed over
  EXPECT_EQ(n.buf, frames[3]);
  KRNBuf_BufStatus(h, &st);
  EXPECT_EQ(st.readIndex, 3);
  EXPECT_EQ(st.unreleased, 2 * 16);
  EXPECT_EQ(KRNBuf_FindRBuf(h, frames[1], &n), 0);  // back: still held by other
  KRNBuf_BufStatus(h, &st);
  EXPECT_EQ(st.readIndex, 1);
  EXPECT_EQ(st.unreleased, 4 * 16);
  EXPECT_EQ(KRNBuf_FindRBuf(h, frames[0] + 1, &n), -1);

  // Once both handles have read everything, nothing is held and nothing is
  // released twice.
  while (KRNBuf_DelRBuf(h, nullptr) == 0) {
  }
  while (KRNBuf_DelRBuf(other, nullptr) == 0) {
  }
  EXPECT_EQ(usedFrames(h), 0);
  for (int i = 0; i < 8; ++i) EXPECT_NE(writeFrame(h, 10, 9), nullptr) << i;
  KRNBuf_Destroy(other);
  KRNBuf_Destroy(h);
}

int gExtAllocs;
uint32_t gExtSize;
void *extAlloc(uint32_t size) {
  ++gExtAllocs;
  gExtSize = size;
  return malloc(size);
}
void extFree(void *p) {
  --gExtAllocs;
  free(p);
}

TEST(FrameBuffer, CreationChecksAndOutsideMemory) {
  TraceCapture cap(L"krnbuffer:3");
  EXPECT_EQ(KRNBuf_Create(nullptr, nullptr), nullptr);
  EXPECT_TRUE(cap.has({L"ERROR:[krnbuffer]", L"invalid arguments param("}));
  KrnBufParam p = bufParam(0, 0, 1);
  EXPECT_EQ(KRNBuf_Create(&p, nullptr), nullptr);
  EXPECT_TRUE(cap.has({L"invalid param bufsize(0) number(1)"}));
  p = bufParam(100, 200, 4);  // no write could ever fit
  EXPECT_EQ(KRNBuf_Create(&p, nullptr), nullptr);
  p = bufParam(100, 10, 4);
  p.extAlloc = extAlloc;
  EXPECT_EQ(KRNBuf_Create(&p, nullptr), nullptr);
  EXPECT_TRUE(cap.has({L"invalid param alloc("}));

  p = bufParam(1001, 10, 4, 8);
  p.extAlloc = extAlloc;
  p.extFree = extFree;
  KrnBuf *b = KRNBuf_Create(&p, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(gExtAllocs, 1);
  EXPECT_EQ(gExtSize, 1008u);
  KRNBuf_Destroy(b);
  EXPECT_EQ(gExtAllocs, 0);
  EXPECT_TRUE(cap.has({L"used ext buf ("}));

  static uint8_t area[256];
  p = bufParam(256, 64, 4);
  p.extMem = area;
  b = KRNBuf_Create(&p, nullptr);
  uint8_t *f = writeFrame(b, 64, 7);
  EXPECT_EQ(f, area);
  EXPECT_EQ(area[63], 7);
  KRNBuf_Destroy(b);
}

TEST(FrameBuffer, UsageTableAndUserLock) {
  KrnBufParam p = bufParam(1000, 100, 16);
  p.index = 5;
  KrnBuf *b = KRNBuf_Create(&p, nullptr);
  KrnBufNode n{};
  KRNBuf_GetWBuf(b, &n);
  EXPECT_EQ(KRNBuf_GetUsage()->percent[5], 10);  // (1000 + 100 - 1000) of 1000
  EXPECT_EQ(KRNBuf_GetUsage()->highWater, 0);
  for (int i = 0; i < 8; ++i) writeFrame(b, 100, 0);
  KRNBuf_GetWBuf(b, &n);  // 800 held: (1000 + 100 - 200) of 1000
  EXPECT_EQ(KRNBuf_GetUsage()->percent[5], 90);
  EXPECT_EQ(KRNBuf_GetUsage()->highWater, 1);
  KRNBuf_Destroy(b);
  p.media = 2;
  b = KRNBuf_Create(&p, nullptr);
  KRNBuf_GetWBuf(b, &n);
  EXPECT_EQ(KRNBuf_GetUsage()->percent[16], 10);
  EXPECT_EQ(KRNBuf_GetUsage()->percent[5], 90);  // kind 2 has its own slot

  EXPECT_EQ(KRNBuf_LockEnter(b), 0);
  EXPECT_EQ(KRNBuf_LockEnter(b), 0);  // the same thread again
  TraceCapture cap(L"krnbuffer:1");
  int32_t other = 0;
  auto start = Clock::now();
  std::thread t([&] { other = KRNBuf_LockEnter(b); });
  t.join();
  EXPECT_GE(msSince(start), 2900);
  EXPECT_EQ(other, KRN_FAIL);
  EXPECT_TRUE(cap.has({L"ERROR:[krnbuffer]", L"lock timeout! (err"}));
  EXPECT_EQ(KRNBuf_LockLeave(b), 0);
  EXPECT_EQ(KRNBuf_LockLeave(b), 0);
  KRNBuf_Destroy(b);
}

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int kFrames = 4000;
#else
constexpr int kFrames = 20000;
#endif

uint8_t patternByte(int frame, int i) {
  return static_cast<uint8_t>(frame * 7 + i);
}

// A writer and two readers on duplicates, each on its own thread. Readers
// check every frame twice, the second time after letting the writer run: a
// frame overwritten before both released it shows up as a changed byte.
TEST(FrameBuffer, WriterAndTwoDuplicateReadersUnderThreads) {
  KrnBufParam p = bufParam(16 * 1024, 1024, 24, 8);
  KrnBuf *writer = KRNBuf_Create(&p, nullptr);
  KrnBuf *readers[2] = {KRNBuf_Create(nullptr, writer), KRNBuf_Create(nullptr, writer)};
  std::atomic<int> bad[2] = {{0}, {0}};
  std::atomic<int> got[2] = {{0}, {0}};

  std::thread writing([&] {
    for (int f = 0; f < kFrames; ++f) {
      KrnBufNode n{};
      while (KRNBuf_GetWBuf(writer, &n) != 0) std::this_thread::yield();
      int size = 1 + (f * 131) % 1024;
      for (int i = 0; i < size; ++i) n.buf[i] = patternByte(f, i);
      n.size = size;
      n.stamp = f;
      n.user = f;
      EXPECT_EQ(KRNBuf_FillWBuf(writer, &n), 0);
      KRNBuf_DelRBuf(writer, nullptr);  // the writer's handle has seen its own frame
    }
  });
  std::vector<std::thread> reading;
  for (int r = 0; r < 2; ++r) {
    reading.emplace_back([&, r] {
      KrnBuf *h = readers[r];
      for (int f = 0; f < kFrames; ++f) {
        KrnBufNode n{};
        while (KRNBuf_GetRBuf(h, &n) != 0) std::this_thread::yield();
        bool ok = n.user == f && n.size == 1 + (f * 131) % 1024;
        for (int pass = 0; pass < 2 && ok; ++pass) {
          for (int i = 0; i < n.size; ++i) ok = ok && n.buf[i] == patternByte(f, i);
          if (pass == 0) std::this_thread::yield();
        }
        if (!ok) ++bad[r];
        ++got[r];
        EXPECT_EQ(KRNBuf_DelRBuf(h, &n), 0);
      }
    });
  }
  writing.join();
  for (auto &t : reading) t.join();
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(got[r].load(), kFrames);
    EXPECT_EQ(bad[r].load(), 0);
  }
  EXPECT_EQ(usedFrames(writer), 0);
  KRNBuf_Destroy(readers[0]);
  KRNBuf_Destroy(readers[1]);
  KRNBuf_Destroy(writer);
}

// --- Ring -----------------------------------------------------------------------

TEST(Ring, SlidesAndMovesTheRestToTheStart) {
  TraceCapture cap(L"krnring:3");
  KrnRing *ring = KRNRing_Create(8);
  ASSERT_NE(ring, nullptr);
  EXPECT_TRUE(cap.has({L"DEBUG:[krnring]", L"created. size(8)"}));
  uint32_t size = 0;
  uint8_t *area = KRNRing_GetRBuf(ring, &size);
  EXPECT_EQ(size, 0u);
  uint8_t *w = KRNRing_GetWBuf(ring, &size);
  EXPECT_EQ(w, area);
  EXPECT_EQ(size, 8u);
  memcpy(w, "ABCDEF", 6);
  EXPECT_EQ(KRNRing_FillWBuf(ring, 6), 6u);
  EXPECT_EQ(KRNRing_DelRBuf(ring, 6), 0u);
  EXPECT_EQ(KRNRing_GetRBuf(ring, &size), area + 6);

  w = KRNRing_GetWBuf(ring, &size);
  EXPECT_EQ(w, area + 6);
  memcpy(w, "GHIJKL", 6);
  EXPECT_EQ(KRNRing_FillWBuf(ring, 6), 6u);
  EXPECT_EQ(KRNRing_DelRBuf(ring, 4), 2u);  // offset 10 passes 8: the rest moves
  uint8_t *r = KRNRing_GetRBuf(ring, &size);
  EXPECT_EQ(r, area);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(memcmp(r, "KL", 2), 0);

  // The window never holds more than its size, nor gives back more than it holds.
  KRNRing_GetWBuf(ring, &size);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(KRNRing_FillWBuf(ring, 7), 2u);
  EXPECT_EQ(KRNRing_DelRBuf(ring, 3), 2u);
  EXPECT_TRUE(cap.has({L"ERROR:[krnring]"}));

  EXPECT_EQ(KRNRing_GetWBuf(nullptr, &size), nullptr);
  EXPECT_EQ(KRNRing_FillWBuf(nullptr, 1), 0u);
  EXPECT_EQ(KRNRing_Destroy(nullptr), -1);
  EXPECT_TRUE(cap.has({L"invalid ring buffer handle"}));
  EXPECT_EQ(KRNRing_Destroy(ring), 0);
}

// Writers that always fill the whole room they are given stay inside the
// area (the sanitizer build checks every byte) and the bytes come out in order.
TEST(Ring, StreamThroughAWindowKeepsEveryByteInOrder) {
  KrnRing *ring = KRNRing_Create(64);
  uint32_t next = 0, expect = 0;
  for (int step = 0; step < 20000; ++step) {
    uint32_t room = 0;
    uint8_t *w = KRNRing_GetWBuf(ring, &room);
    uint32_t put = step % 3 == 0 ? room : room / 2;
    for (uint32_t i = 0; i < put; ++i) w[i] = static_cast<uint8_t>(next++);
    KRNRing_FillWBuf(ring, put);
    uint32_t have = 0;
    uint8_t *r = KRNRing_GetRBuf(ring, &have);
    uint32_t take = (step * 7) % (have + 1);
    for (uint32_t i = 0; i < take; ++i) ASSERT_EQ(r[i], static_cast<uint8_t>(expect++));
    KRNRing_DelRBuf(ring, take);
  }
  KRNRing_Destroy(ring);
}

// --- Message channel and IPC -------------------------------------------------------

TEST(MessageChannel, LimitsAndOrder) {
  TraceCapture cap(L"krnmsg:1");
  KrnMsg *ch = KRN_MsgCreate(nullptr, 2, 64);
  ASSERT_NE(ch, nullptr);
  char payload[65] = {};
  KrnMsgRecord a{1, 4, payload}, b{2, 0, nullptr}, c{3, 1, payload};
  KrnMsgRecord big{4, 65, payload}, noData{5, 3, nullptr};
  EXPECT_EQ(KRN_MsgSend(ch, &big), KRN_EINVAL);
  EXPECT_TRUE(cap.has({L"ERROR:[krnmsg]", L"data size is too big max(64)"}));
  EXPECT_EQ(KRN_MsgSend(ch, &noData), KRN_EINVAL);
  EXPECT_TRUE(cap.has({L"invalid arguments data(0) size(3)"}));
  EXPECT_EQ(KRN_MsgSend(ch, &a), 0);
  EXPECT_EQ(KRN_MsgSend(ch, &b), 0);
  EXPECT_EQ(KRN_MsgSend(ch, &c), KRN_EBUSY);
  EXPECT_TRUE(cap.has({L"msg queue full cur(2) max(2)"}));

  KrnMsgRecord *got = nullptr;
  EXPECT_EQ(KRN_MsgReceive(ch, &got, 0), 0);
  EXPECT_EQ(got, &a);  // the sender's own record, not a copy
  EXPECT_EQ(KRN_MsgSend(ch, &c), 0);
  EXPECT_EQ(KRN_MsgReceive(ch, &got, 0), 0);
  EXPECT_EQ(got, &b);
  EXPECT_EQ(KRN_MsgReceive(ch, &got, 0), 0);
  EXPECT_EQ(got, &c);
  auto start = Clock::now();
  EXPECT_EQ(KRN_MsgReceive(ch, &got, 50), KRN_ETIMEOUT);
  EXPECT_GE(msSince(start), 45);

  EXPECT_EQ(KRN_MsgSend(nullptr, &a), KRN_EINVAL);
  EXPECT_EQ(KRN_MsgReceive(nullptr, &got, 0), KRN_EINVAL);
  EXPECT_TRUE(cap.has({L"invalid msg handle or data"}));
  EXPECT_EQ(KRN_MsgDestroy(ch), 0);
}

TEST(MessageChannel, ReceiverThreadGetsEveryMessageInOrder) {
  KrnMsg *ch = KRN_MsgCreate(nullptr, 8, 16);
  constexpr int kMessages = 20000;
  std::vector<KrnMsgRecord> records(kMessages);
  for (int i = 0; i < kMessages; ++i) records[i] = KrnMsgRecord{i, 0, nullptr};
  std::atomic<int> wrong{0};
  std::thread receiver([&] {
    for (int i = 0; i < kMessages; ++i) {
      KrnMsgRecord *m = nullptr;
      if (KRN_MsgReceive(ch, &m, KRN_INFINITE) != 0 || m != &records[i] || m->id != i) ++wrong;
    }
  });
  for (int i = 0; i < kMessages; ++i)
    while (KRN_MsgSend(ch, &records[i]) == KRN_EBUSY) std::this_thread::yield();
  receiver.join();
  EXPECT_EQ(wrong.load(), 0);
  KrnMsgRecord *m = nullptr;
  EXPECT_EQ(KRN_MsgReceive(ch, &m, 0), KRN_ETIMEOUT);
  KRN_MsgDestroy(ch);
}

TEST(IPC, SendTakesAUnitAndGivesItBack) {
  TraceCapture cap(L"krnipc:1");
  KrnIPC *ipc = KRN_IPCOpen(L"cam", 1, 32);
  ASSERT_NE(ipc, nullptr);
  uint32_t size = 0;
  auto *msg = static_cast<uint8_t *>(KRN_IPCGetMsg(ipc, &size));
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(size, 32u);
  EXPECT_EQ(std::count(msg, msg + 32, 0), 32);
  int data = 5;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(KRN_IPCSend(ipc, &data), 0);
  EXPECT_EQ(KRN_IPCReceive(ipc, &data), 0);
  EXPECT_EQ(KRN_IPCPutMsg(ipc, &data), 0);
  EXPECT_EQ(KRN_IPCSend(ipc, nullptr), KRN_EINVAL);
  EXPECT_TRUE(cap.has({L"ERROR:[krnipc]", L"invalid ipc handle("}));
  EXPECT_EQ(KRN_IPCReceive(nullptr, &data), KRN_EINVAL);
  EXPECT_TRUE(cap.has({L"invalid ipc handle or data"}));
  EXPECT_EQ(KRN_IPCClose(ipc), 0);
  EXPECT_EQ(KRN_IPCOpen(nullptr, 0, 8), nullptr);
  EXPECT_TRUE(cap.has({L"mutex init failed"}));
}

// --- Small-block pools -----------------------------------------------------------

class SmallBlocks : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(KRN_SMalloc_Init(), 0); }
  void TearDown() override {
    for (int32_t size = 4; size <= 64; size += 4)
      if (KRN_SMemIsReg(size)) KRN_SMalloc_UnRegister(size);
    int32_t count = -1;
    KRN_SMemStatus(&count, nullptr, nullptr);
    EXPECT_EQ(count, 0);
  }
  static int64_t usedBytes() {
    int64_t used = -1;
    KRN_SMemStatus(nullptr, nullptr, &used);
    return used;
  }
  static int64_t reservedBytes() {
    int64_t reserved = -1;
    KRN_SMemStatus(nullptr, &reserved, nullptr);
    return reserved;
  }
};

TEST_F(SmallBlocks, ZeroedBlocksOfTheRoundedSize) {
  TraceCapture cap(L"krnsmem:3");
  ASSERT_EQ(KRN_SMalloc_Register(24, L"node24"), 0);
  EXPECT_TRUE(cap.has({L"DEBUG:[krnsmem]", L"success size(24) index("}));
  EXPECT_EQ(KRN_SMalloc_Register(23, L"again"), 0);
  EXPECT_TRUE(cap.has({L"INFO :[krnsmem]", L"already registered regsize(24) size(23)"}));
  EXPECT_TRUE(KRN_SMemIsReg(22));
  EXPECT_STREQ(KRN_SMemGetName(21), L"node24");
  EXPECT_FALSE(KRN_SMemIsReg(40));
  EXPECT_EQ(KRN_SMemGetName(40), nullptr);

  auto *block = static_cast<uint8_t *>(KRN_SMalloc(22));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::count(block, block + 24, 0), 24);
  memset(block, 0xA5, 24);
  EXPECT_EQ(usedBytes(), 24);
  EXPECT_EQ(KRN_SFree(block, 22), 0);
  EXPECT_EQ(usedBytes(), 0);
  auto *again = static_cast<uint8_t *>(KRN_SMalloc(24));
  EXPECT_EQ(again, block);  // the freed block is served first, zeroed again
  EXPECT_EQ(std::count(again, again + 24, 0), 24);
  KRN_SFree(again, 24);

  EXPECT_EQ(KRN_SMalloc(40), nullptr);
  EXPECT_TRUE(cap.has({L"ERROR:[krnsmem]", L"can not find registerd memroy size(40)"}));
  EXPECT_EQ(KRN_SMalloc(0), nullptr);
  EXPECT_TRUE(cap.has({L"invalid mem block size"}));
}

TEST_F(SmallBlocks, The4097thBlockComesFromASecondChunk) {
  ASSERT_EQ(KRN_SMalloc_Register(32, L"q"), 0);
  const int64_t oneChunk = reservedBytes();
  EXPECT_EQ(oneChunk, 4096 * 32);
  std::vector<uint8_t *> blocks;
  for (int i = 0; i < 4096; ++i) blocks.push_back(static_cast<uint8_t *>(KRN_SMalloc(32)));
  EXPECT_EQ(reservedBytes(), oneChunk);
  auto [lo, hi] = std::minmax_element(blocks.begin(), blocks.end());
  EXPECT_EQ(*hi - *lo, 4095 * 32);  // one chunk's blocks lie side by side
  EXPECT_EQ(std::set<uint8_t *>(blocks.begin(), blocks.end()).size(), 4096u);
  auto *extra = static_cast<uint8_t *>(KRN_SMalloc(32));
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(reservedBytes(), 2 * oneChunk);
  EXPECT_TRUE(extra < *lo || extra > *hi);
  EXPECT_EQ(usedBytes(), 4097 * 32);
  for (uint8_t *b : blocks) EXPECT_EQ(KRN_SFree(b, 32), 0);
  EXPECT_EQ(KRN_SFree(extra, 32), 0);
  EXPECT_EQ(usedBytes(), 0);
}

TEST_F(SmallBlocks, RefusesForeignMisplacedAndDoubleFrees) {
  KRN_SMalloc_Register(16, nullptr);
  TraceCapture cap(L"krnsmem:1");
  void *heap = malloc(16);
  EXPECT_EQ(KRN_SFree(heap, 16), -1);
  free(heap);
  auto *block = static_cast<uint8_t *>(KRN_SMalloc(16));
  EXPECT_EQ(KRN_SFree(block + 4, 16), -1);
  EXPECT_EQ(KRN_SFree(block, 16), 0);
  EXPECT_EQ(KRN_SFree(block, 16), -1);
  EXPECT_TRUE(cap.has({L"ERROR:[krnsmem]", L"is not in use in pool size(16)"}));
  EXPECT_EQ(KRN_SFree(block, 20), -1);
  void *first = KRN_SMalloc(16);
  void *second = KRN_SMalloc(16);
  EXPECT_NE(first, second);  // not handed out twice
  EXPECT_EQ(KRN_SFree(first, 16), 0);
  EXPECT_EQ(KRN_SFree(second, 16), 0);
}

TEST_F(SmallBlocks, TenPoolsAtMost) {
  TraceCapture cap(L"krnsmem:1");
  for (int32_t size = 4; size <= 40; size += 4) ASSERT_EQ(KRN_SMalloc_Register(size, nullptr), 0);
  EXPECT_EQ(KRN_SMalloc_Register(44, nullptr), -1);
  EXPECT_TRUE(cap.has({L"No more smemory register cur(10)"}));
  EXPECT_EQ(KRN_SMalloc_UnRegister(20), 0);
  EXPECT_FALSE(KRN_SMemIsReg(20));
  EXPECT_EQ(KRN_SMalloc_UnRegister(20), -1);
  EXPECT_TRUE(cap.has({L"unregistered size(20)"}));
  EXPECT_EQ(KRN_SMalloc_Register(44, nullptr), 0);
  int32_t count = 0;
  KRN_SMemStatus(&count, nullptr, nullptr);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(KRN_ShmMalloc(64), nullptr);
}

TEST_F(SmallBlocks, ServeListAndQueueNodesAcrossThreads) {
  ASSERT_EQ(KRN_SMalloc_Register(24, L"listnode"), 0);
  ASSERT_EQ(KRN_SMalloc_Register(32, L"queuenode"), 0);
  KrnListNode *n = KRN_NList_Node_new();
  EXPECT_EQ(usedBytes(), 24);
  EXPECT_EQ(KRN_NList_Node_delete(n), 0);
  KrnQueue *q = KRN_QueueCreate(nullptr, 0);
  KRN_QueuePush(q, n, 0);
  EXPECT_EQ(usedBytes(), 32);
  KRN_QueuePop(q, nullptr, 0);
  EXPECT_EQ(usedBytes(), 0);

  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([q, t] {
      KrnNList *list = KRN_NListCreate();
      for (int i = 0; i < 5000; ++i) {
        KRN_NListAddTail(list, KRN_NList_Node_new_data(reinterpret_cast<void *>(i + 1)));
        KRN_QueuePush(q, nullptr, t);
        if (i % 3 == 2) {
          KrnListNode *h = KRN_NListGetHead(list);
          KRN_NListDel(list, h);
          KRN_NList_Node_delete(h);
          KRN_QueuePop(q, nullptr, 0);
        }
      }
      while (KrnListNode *h = KRN_NListGetHead(list)) {
        KRN_NListDel(list, h);
        KRN_NList_Node_delete(h);
      }
      KRN_NListDestroy(list);
    });
  }
  for (auto &t : threads) t.join();
  EXPECT_EQ(usedBytes(), static_cast<int64_t>(KRN_QueueGetSize(q)) * 32);
  KRN_QueueDestroy(q);
  EXPECT_EQ(usedBytes(), 0);

  // A node made before the pool existed goes back to the heap.
  KRN_SMalloc_UnRegister(24);
  n = KRN_List_Node_new();
  KRN_SMalloc_Register(24, nullptr);
  EXPECT_EQ(KRN_List_Node_delete(n), 0);
}

// Releasing a pool hands its chunks back to the heap; blocks still out would
// then be freed memory in the hands of their owners.
TEST_F(SmallBlocks, UnRegisterIsRefusedWhileBlocksAreOut) {
  ASSERT_EQ(KRN_SMalloc_Register(24, L"nodes"), 0);
  KrnNList *list = KRN_NListCreate();
  KrnListNode *a = KRN_NList_Node_new_data(nullptr);
  KrnListNode *b = KRN_NList_Node_new_data(nullptr);
  ASSERT_TRUE(a && b);
  ASSERT_EQ(KRN_NListAddTail(list, a), 0);
  ASSERT_EQ(KRN_NListAddTail(list, b), 0);
  TraceCapture cap(L"krnsmem:1");
  EXPECT_EQ(KRN_SMalloc_UnRegister(24), -1);
  EXPECT_TRUE(KRN_SMemIsReg(24));
  EXPECT_TRUE(cap.has({L"blocks of size(24) still in use"}));
  // The nodes stay usable and go back to their pool.
  EXPECT_EQ(KRN_NListDel(list, a), 0);
  EXPECT_EQ(KRN_NList_Node_delete(a), 0);
  EXPECT_EQ(KRN_SMalloc_UnRegister(24), -1);
  EXPECT_EQ(KRN_NListDel(list, b), 0);
  EXPECT_EQ(KRN_NList_Node_delete(b), 0);
  EXPECT_EQ(usedBytes(), 0);
  EXPECT_EQ(KRN_SMalloc_UnRegister(24), 0);
  EXPECT_FALSE(KRN_SMemIsReg(24));
  KRN_NListDestroy(list);
}

// The pools' lock guards every registered pool; taking it away while pools
// exist leaves their users unguarded.
TEST_F(SmallBlocks, DeinitIsRefusedWhilePoolsAreRegistered) {
  ASSERT_EQ(KRN_SMalloc_Register(16, nullptr), 0);
  TraceCapture cap(L"krnsmem:1");
  EXPECT_EQ(KRN_SMalloc_Deinit(), -1);
  EXPECT_TRUE(cap.has({L"pools still registered"}));
  // Threads keep using the pool safely.
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&failures] {
      for (int i = 0; i < 2000; ++i) {
        void *p = KRN_SMalloc(16);
        if (!p || KRN_SFree(p, 16) != 0) ++failures;
      }
    });
  for (auto &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(KRN_SMalloc_UnRegister(16), 0);
  EXPECT_EQ(KRN_SMalloc_Deinit(), 0);
  EXPECT_EQ(KRN_SMalloc_Init(), 0);  // for the fixture's tear-down
}

// --- Region heap ---------------------------------------------------------------------

class RegionHeap : public ::testing::Test {
 protected:
  void SetUp() override {
    heap_ = KRN_VMemCreate(region_, sizeof(region_));
    ASSERT_NE(heap_, nullptr);
    initialFree_ = KRN_VGetFree(heap_);
    header_ = sizeof(region_) - initialFree_;
  }
  void TearDown() override { KRN_VMemDestroy(heap_); }
  alignas(16) uint8_t region_[4096];
  KrnVMem *heap_ = nullptr;
  uint32_t initialFree_ = 0;
  uint32_t header_ = 0;
};

TEST_F(RegionHeap, SplitsRoundsAndMergesBack) {
  EXPECT_GE(header_, 8u);
  EXPECT_EQ(header_ % 8, 0u);
  auto *a = static_cast<uint8_t *>(KRN_VMalloc(heap_, 10));
  auto *b = static_cast<uint8_t *>(KRN_VMalloc(heap_, 100));
  auto *c = static_cast<uint8_t *>(KRN_VMalloc(heap_, 8));
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 8, 0u);
  EXPECT_EQ(b, a + 16 + header_);
  EXPECT_EQ(c, b + 104 + header_);
  EXPECT_EQ(KRN_VGetFree(heap_), initialFree_ - (16 + 104 + 8) - 3 * header_);
  memset(a, 1, 10);
  memset(b, 2, 100);
  memset(c, 3, 8);
  EXPECT_EQ(KRN_VFree(heap_, b), 0);
  EXPECT_EQ(KRN_VFree(heap_, a), 0);  // merges with the free b behind it
  EXPECT_EQ(c[7], 3);
  EXPECT_EQ(KRN_VFree(heap_, c), 0);  // and everything becomes one block again
  EXPECT_EQ(KRN_VGetFree(heap_), initialFree_);
  void *all = KRN_VMalloc(heap_, initialFree_);
  EXPECT_EQ(all, static_cast<void *>(a));
  EXPECT_EQ(KRN_VMalloc(heap_, 8), nullptr);
  KRN_VFree(heap_, all);
}

TEST_F(RegionHeap, NextFitComesBackToSpaceFreedBehindIt) {
  std::vector<void *> blocks;
  while (void *p = KRN_VMalloc(heap_, 200)) blocks.push_back(p);
  ASSERT_GE(blocks.size(), 10u);
  EXPECT_EQ(KRN_VFree(heap_, blocks[1]), 0);
  EXPECT_EQ(KRN_VMalloc(heap_, 200), blocks[1]);
  EXPECT_EQ(KRN_VFree(heap_, blocks[0]), 0);
  EXPECT_EQ(KRN_VFree(heap_, blocks.back()), 0);
  EXPECT_EQ(KRN_VMalloc(heap_, 200), blocks.back());
  EXPECT_EQ(KRN_VMalloc(heap_, 200), blocks[0]);
  for (void *p : blocks) EXPECT_EQ(KRN_VFree(heap_, p), 0);
  EXPECT_EQ(KRN_VGetFree(heap_), initialFree_);
}

TEST_F(RegionHeap, DetectsDamagedHeadersAndBadFrees) {
  auto *a = static_cast<uint8_t *>(KRN_VMalloc(heap_, 64));
  auto *b = static_cast<uint8_t *>(KRN_VMalloc(heap_, 64));
  auto *c = static_cast<uint8_t *>(KRN_VMalloc(heap_, 64));
  TraceCapture cap(L"krnvirtmem:4");

  uint8_t saved[256];
  memcpy(saved, b - header_, header_);
  memset(b - 8, 0, 8);  // the last bytes of b's header, as a short underrun would
  EXPECT_EQ(KRN_VFree(heap_, b), -1);
  EXPECT_TRUE(cap.has({L"ERROR:[krnvirtmem]", L"heap header is broken blksize("}));
  EXPECT_TRUE(cap.has({L"TRACE:[krnvirtmem]", L"asize(64) bsize("}));

  cap.clear();
  memset(a, 0x5A, 64 + header_);  // a overruns into all of b's header
  EXPECT_EQ(KRN_VFree(heap_, b), -1);
  EXPECT_TRUE(cap.has({L"heap header is broken (0x5a5a5a5a)!!!"}));
  // The walk of the next allocation stops at the damage instead of following it.
  EXPECT_EQ(KRN_VMalloc(heap_, 8), nullptr);
  memcpy(b - header_, saved, header_);

  cap.clear();
  EXPECT_EQ(KRN_VFree(heap_, b), 0);
  EXPECT_EQ(KRN_VFree(heap_, b), -1);  // twice
  EXPECT_TRUE(cap.has({L"is not in use"}));
  uint8_t elsewhere[128] = {};
  EXPECT_EQ(KRN_VFree(heap_, elsewhere + 64), -1);
  EXPECT_EQ(KRN_VFree(heap_, c + 8), -1);
  EXPECT_EQ(KRN_VFree(heap_, c), 0);
}

TEST_F(RegionHeap, ReAllocKeepsContentsAndSizeChecks) {
  auto *a = static_cast<uint8_t *>(KRN_VMalloc(heap_, 16));
  for (int i = 0; i < 16; ++i) a[i] = static_cast<uint8_t>(i);
  void *blocker = KRN_VMalloc(heap_, 8);
  auto *grown = static_cast<uint8_t *>(KRN_VReAlloc(heap_, a, 1000));
  ASSERT_NE(grown, nullptr);
  EXPECT_NE(grown, a);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(grown[i], i);
  EXPECT_EQ(KRN_VReAlloc(heap_, grown, 500), grown);  // shrinking stays put
  EXPECT_EQ(KRN_VReAlloc(heap_, grown, 100000), nullptr);
  EXPECT_EQ(grown[15], 15);  // the old block survives a failed resize
  EXPECT_EQ(KRN_VFree(heap_, grown), 0);
  EXPECT_EQ(KRN_VFree(heap_, blocker), 0);

  TraceCapture cap(L"krnvirtmem:3");
  EXPECT_EQ(KRN_VMalloc(heap_, 0), nullptr);
  EXPECT_TRUE(cap.has({L"ERROR:[krnvirtmem]", L"invalid argument size(0) asize(0)"}));
  EXPECT_EQ(KRN_VMalloc(heap_, 0xFFFFFFFFu), nullptr);
  EXPECT_TRUE(cap.has({L"out of memory alloc size("}));
  KRN_VMalloc(heap_, 100);
  KRN_VMemReset(heap_);
  EXPECT_EQ(KRN_VGetFree(heap_), initialFree_);
  EXPECT_TRUE(cap.has({L"DEBUG:[krnvirtmem]", L"total(4096) free("}));

  KrnVMem *own = KRN_VMemCreate(nullptr, 1 << 16);
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(cap.has({L"alloc heap size(65536)"}));
  EXPECT_TRUE(cap.has({L"virtual memory created ("}));
  void *p = KRN_VMalloc(own, 60000);
  ASSERT_NE(p, nullptr);
  memset(p, 0, 60000);
  EXPECT_EQ(KRN_VMemDestroy(own), 0);
  uint8_t tiny[16];
  EXPECT_EQ(KRN_VMemCreate(tiny, sizeof(tiny)), nullptr);
}

TEST_F(RegionHeap, ThreadsShareOneHeap) {
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        auto *p = static_cast<uint8_t *>(KRN_VMalloc(heap_, 8 + (i % 5) * 8));
        if (!p) continue;  // the region is small; others may hold it all
        memset(p, t, 8);
        std::this_thread::yield();
        if (p[0] != t || p[7] != t) ++bad;
        if (KRN_VFree(heap_, p) != 0) ++bad;
      }
    });
  }
  for (auto &t : threads) t.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(KRN_VGetFree(heap_), initialFree_);
}

}  // namespace
