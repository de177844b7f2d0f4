// Lists, queues, the hash map and the checksums.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "krncore.h"
#include "trace_capture.h"

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void *tag(intptr_t v) {
  return reinterpret_cast<void *>(v);
}
intptr_t untag(const void *p) {
  return reinterpret_cast<intptr_t>(p);
}

// The two list variants behind one set of names, so every list test runs on
// both and checks that each traces under its own module.
struct LockedList {
  using List = KrnList;
  static constexpr const wchar_t *kModule = L"[krnlist]";
  static List *create() { return KRN_ListCreate(); }
  static int32_t destroy(List *l) { return KRN_ListDestroy(l); }
  static KrnListNode *node(void *d) { return KRN_List_Node_new_data(d); }
  static int32_t drop(KrnListNode *n) { return KRN_List_Node_delete(n); }
  static KrnListNode *head(List *l) { return KRN_ListGetHead(l); }
  static KrnListNode *tail(List *l) { return KRN_ListGetTail(l); }
  static KrnListNode *next(List *l, KrnListNode *n) { return KRN_ListGetNext(l, n); }
  static KrnListNode *prev(List *l, KrnListNode *n) { return KRN_ListGetPrev(l, n); }
  static int32_t addTail(List *l, KrnListNode *n) { return KRN_ListAddTail(l, n); }
  static int32_t addHead(List *l, KrnListNode *n) { return KRN_ListAddHead(l, n); }
  static int32_t del(List *l, KrnListNode *n) { return KRN_ListDel(l, n); }
  static int32_t num(List *l) { return KRN_ListGetNum(l); }
  static KrnListNode *nth(List *l, int32_t i) { return KRN_List_GetNthList(l, i); }
  static int32_t move(List *l, KrnListNode *d, KrnListNode *n) { return KRN_ListMove(l, d, n); }
  static int32_t toTail(List *l, KrnListNode *n) { return KRN_ListMoveToTail(l, n); }
};

struct PlainList {
  using List = KrnNList;
  static constexpr const wchar_t *kModule = L"[krnnlist]";
  static List *create() { return KRN_NListCreate(); }
  static int32_t destroy(List *l) { return KRN_NListDestroy(l); }
  static KrnListNode *node(void *d) { return KRN_NList_Node_new_data(d); }
  static int32_t drop(KrnListNode *n) { return KRN_NList_Node_delete(n); }
  static KrnListNode *head(List *l) { return KRN_NListGetHead(l); }
  static KrnListNode *tail(List *l) { return KRN_NListGetTail(l); }
  static KrnListNode *next(List *l, KrnListNode *n) { return KRN_NListGetNext(l, n); }
  static KrnListNode *prev(List *l, KrnListNode *n) { return KRN_NListGetPrev(l, n); }
  static int32_t addTail(List *l, KrnListNode *n) { return KRN_NListAddTail(l, n); }
  static int32_t addHead(List *l, KrnListNode *n) { return KRN_NListAddHead(l, n); }
  static int32_t del(List *l, KrnListNode *n) { return KRN_NListDel(l, n); }
  static int32_t num(List *l) { return KRN_NListGetNum(l); }
  static KrnListNode *nth(List *l, int32_t i) { return KRN_NList_GetNthList(l, i); }
  static int32_t move(List *l, KrnListNode *d, KrnListNode *n) { return KRN_NListMove(l, d, n); }
  static int32_t toTail(List *l, KrnListNode *n) { return KRN_NListMoveToTail(l, n); }
};

template <typename Api>
class ListTest : public ::testing::Test {
 protected:
  using List = typename Api::List;
  void TearDown() override {
    while (KrnListNode *n = Api::head(list_)) {
      Api::del(list_, n);
      Api::drop(n);
    }
    Api::destroy(list_);
  }
  // The data values from head to tail, checked against a walk back as well.
  std::vector<intptr_t> order() {
    std::vector<intptr_t> forward, backward;
    for (KrnListNode *n = Api::head(list_); n; n = Api::next(list_, n))
      forward.push_back(untag(n->data));
    for (KrnListNode *n = Api::tail(list_); n; n = Api::prev(list_, n))
      backward.insert(backward.begin(), untag(n->data));
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(static_cast<size_t>(Api::num(list_)), forward.size());
    return forward;
  }
  KrnListNode *add(intptr_t v) {
    KrnListNode *n = Api::node(tag(v));
    EXPECT_EQ(Api::addTail(list_, n), 0);
    return n;
  }
  List *list_ = Api::create();
};

using ListKinds = ::testing::Types<LockedList, PlainList>;
TYPED_TEST_SUITE(ListTest, ListKinds);

TYPED_TEST(ListTest, KeepsOrderThroughAddsMovesAndDeletes) {
  using Api = TypeParam;
  ASSERT_NE(this->list_, nullptr);
  KrnListNode *n1 = this->add(1);
  KrnListNode *n2 = this->add(2);
  KrnListNode *n3 = this->add(3);
  KrnListNode *n0 = Api::node(tag(0));
  EXPECT_EQ(Api::addHead(this->list_, n0), 0);
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{0, 1, 2, 3}));

  EXPECT_EQ(Api::move(this->list_, n1, n3), 0);  // 3 goes just before 1
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{0, 3, 1, 2}));
  EXPECT_EQ(Api::move(this->list_, n0, n2), 0);  // the tail to the front
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{2, 0, 3, 1}));
  EXPECT_EQ(Api::toTail(this->list_, n2), 0);
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{0, 3, 1, 2}));

  TraceCapture cap;
  EXPECT_EQ(Api::toTail(this->list_, n2), 0);
  EXPECT_TRUE(cap.has({Api::kModule, L"node is already tail"}));
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{0, 3, 1, 2}));

  EXPECT_EQ(Api::del(this->list_, n3), 0);
  EXPECT_EQ(n3->prev, nullptr);
  EXPECT_EQ(n3->next, nullptr);
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{0, 1, 2}));
  EXPECT_EQ(Api::drop(n3), 0);
  EXPECT_EQ(Api::del(this->list_, n0), 0);
  EXPECT_EQ(Api::del(this->list_, n2), 0);
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{1}));
  EXPECT_EQ(Api::head(this->list_), Api::tail(this->list_));
  Api::drop(n0);
  Api::drop(n2);
}

TYPED_TEST(ListTest, IndexWalkBoundsAndNullHandles) {
  using Api = TypeParam;
  for (intptr_t v = 10; v < 15; ++v) this->add(v);
  EXPECT_EQ(untag(Api::nth(this->list_, 0)->data), 10);
  EXPECT_EQ(untag(Api::nth(this->list_, 4)->data), 14);

  TraceCapture cap;
  EXPECT_EQ(Api::nth(this->list_, 5), nullptr);  // equal to the count: quietly none
  EXPECT_TRUE(cap.lines().empty());
  EXPECT_EQ(Api::nth(this->list_, 6), nullptr);
  EXPECT_TRUE(cap.has({L"ERROR:", Api::kModule, L"invalid argument index(6)"}));
  EXPECT_EQ(Api::nth(this->list_, -1), nullptr);

  cap.clear();
  EXPECT_EQ(Api::addTail(nullptr, nullptr), -1);
  EXPECT_EQ(Api::head(nullptr), nullptr);
  EXPECT_EQ(Api::num(nullptr), 0);
  EXPECT_TRUE(cap.has({L"ERROR:", Api::kModule, L"invalid list handle"}));
  EXPECT_EQ(Api::drop(nullptr), -1);
  EXPECT_TRUE(cap.has({Api::kModule, L"Invalid node"}));
}

TYPED_TEST(ListTest, RefusesCorruptNeighboursStrangersAndDoubleLinks) {
  using Api = TypeParam;
  KrnListNode *a = this->add(1);
  KrnListNode *b = this->add(2);
  KrnListNode *fresh = Api::node(tag(9));
  TraceCapture cap(L"*:1");

  KrnListNode bogus{};
  a->prev = &bogus;  // the head claims a predecessor
  EXPECT_EQ(Api::addHead(this->list_, fresh), -1);
  EXPECT_TRUE(cap.has({Api::kModule, L"list_add corruption. next->prev should be prev"}));
  EXPECT_TRUE(cap.has({L"__list_add failed."}));
  a->prev = nullptr;

  cap.clear();
  b->next = &bogus;  // the tail claims a successor
  EXPECT_EQ(Api::addTail(this->list_, fresh), -1);
  EXPECT_TRUE(cap.has({L"list_add corruption. prev->next should be next"}));
  b->next = nullptr;

  cap.clear();
  EXPECT_EQ(Api::addTail(this->list_, b), -1);  // already in
  EXPECT_TRUE(cap.has({L"__list_add failed."}));
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{1, 2}));

  // A node of another list (or none) must not replace this list's head.
  typename Api::List *other = Api::create();
  KrnListNode *foreign = Api::node(tag(7));
  Api::addTail(other, foreign);
  EXPECT_EQ(Api::del(this->list_, foreign), -1);
  EXPECT_EQ(Api::del(this->list_, fresh), -1);
  EXPECT_EQ(Api::move(this->list_, a, foreign), -1);
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{1, 2}));
  EXPECT_EQ(Api::num(other), 1);
  Api::del(other, foreign);
  Api::drop(foreign);
  Api::destroy(other);
  Api::drop(fresh);
}

// A node in the middle of another list has both neighbours pointing at it,
// just like one of this list; unlinking it here would cut the other list and
// leave this one's count wrong.
TYPED_TEST(ListTest, DelRefusesAMiddleNodeOfAnotherList) {
  using Api = TypeParam;
  this->add(1);
  this->add(2);
  typename Api::List *other = Api::create();
  KrnListNode *o1 = Api::node(tag(7));
  KrnListNode *o2 = Api::node(tag(8));
  KrnListNode *o3 = Api::node(tag(9));
  Api::addTail(other, o1);
  Api::addTail(other, o2);
  Api::addTail(other, o3);
  TraceCapture cap(L"*:1");
  EXPECT_EQ(Api::del(this->list_, o2), -1);
  EXPECT_TRUE(cap.has({Api::kModule, L"is not linked in this list"}));
  EXPECT_EQ(this->order(), (std::vector<intptr_t>{1, 2}));
  EXPECT_EQ(Api::num(other), 3);
  EXPECT_EQ(Api::next(other, o1), o2);
  EXPECT_EQ(Api::del(other, o2), 0);  // its own list takes it
  EXPECT_EQ(Api::next(other, o1), o3);
  EXPECT_EQ(Api::num(other), 2);
  for (KrnListNode *n : {o1, o3}) {
    Api::del(other, n);
    Api::drop(n);
  }
  Api::drop(o2);
  Api::destroy(other);
}

TEST(LockedList, ThreadsAddAndDeleteTheirOwnNodes) {
  KrnList *list = KRN_ListCreate();
  constexpr int kThreads = 4;
  constexpr int kNodes = 3000;
  std::atomic<int> failures{0};
  TraceCapture cap(L"krnlist:1");  // set before any thread traces
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<KrnListNode *> mine;
      for (int i = 0; i < kNodes; ++i) {
        KrnListNode *n = KRN_List_Node_new_data(tag(t * kNodes + i));
        if ((i % 2 ? KRN_ListAddTail(list, n) : KRN_ListAddHead(list, n)) != 0) ++failures;
        mine.push_back(n);
        if (i % 3 == 0 && KRN_ListMoveToTail(list, mine[mine.size() / 2]) != 0) ++failures;
      }
      for (KrnListNode *n : mine) {
        if (KRN_ListDel(list, n) != 0) ++failures;
        KRN_List_Node_delete(n);
      }
    });
  }
  // A reader walking by index meanwhile never finds the chain shorter than
  // the count it was given.
  for (int i = 0; i < 200; ++i) KRN_List_GetNthList(list, KRN_ListGetNum(list) / 2);
  for (auto &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(KRN_ListGetNum(list), 0);
  EXPECT_EQ(KRN_ListGetHead(list), nullptr);
  EXPECT_FALSE(cap.has({L"critical error"}));
  KRN_ListDestroy(list);
}

// --- Queue ------------------------------------------------------------------

TEST(Queue, BoundedOfTwoRefusesTheThird) {
  TraceCapture cap(L"krnqueue:4");
  KrnQueue *q = KRN_QueueCreate(L"frames", 2);
  ASSERT_NE(q, nullptr);
  EXPECT_TRUE(cap.has({L"krnqueue handle(", L"maxnode(2)"}));
  EXPECT_STREQ(KRN_QueueGetName(q), L"frames");
  EXPECT_EQ(KRN_QueuePush(q, tag(1), 11), 0);
  EXPECT_EQ(KRN_QueuePush(q, tag(2), 22), 0);
  EXPECT_EQ(KRN_QueuePush(q, tag(3), 33), -1);
  EXPECT_TRUE(cap.has({L"ERROR:[krnqueue]", L"frames freenode list is empty busy(2) free(0)"}));
  EXPECT_EQ(KRN_QueueFull(q), 1);
  int32_t value = 0;
  EXPECT_EQ(KRN_QueuePeek(q, &value), tag(1));
  EXPECT_EQ(value, 11);
  EXPECT_EQ(KRN_QueuePop(q, nullptr, 0), tag(1));
  EXPECT_EQ(KRN_QueueFull(q), 0);
  EXPECT_EQ(KRN_QueueDestroy(q), 0);

  EXPECT_EQ(KRN_QueueFull(nullptr), -1);
  EXPECT_EQ(KRN_QueueEmpty(nullptr), -1);
  EXPECT_EQ(KRN_QueueCreate(nullptr, -1), nullptr);
}

TEST(Queue, OrderFromBothEndsAndReset) {
  for (int32_t bound : {0, 1001}) {
    SCOPED_TRACE(bound);
    KrnQueue *q = KRN_QueueCreate(nullptr, bound);
    ASSERT_NE(q, nullptr);
    for (int i = 1; i <= 1000; ++i) ASSERT_EQ(KRN_QueuePush(q, tag(i), i), 0);
    EXPECT_EQ(KRN_QueuePush2Head(q, tag(1000000), 0), 0);
    EXPECT_EQ(KRN_QueueFull(q), bound ? 1 : 0);
    EXPECT_EQ(KRN_QueueGetSize(q), 1001);
    EXPECT_EQ(KRN_QueuePop(q, nullptr, 0), tag(1000000));
    int32_t value = 0;
    EXPECT_EQ(KRN_QueuePopTail(q, &value, 0), tag(1000));
    EXPECT_EQ(value, 1000);
    for (int i = 1; i < 1000; ++i) {
      ASSERT_EQ(KRN_QueuePop(q, &value, 0), tag(i));
      ASSERT_EQ(value, i);
    }
    EXPECT_EQ(KRN_QueueEmpty(q), 1);
    for (int i = 0; i < 1001; ++i) KRN_QueuePush(q, tag(i + 1), 0);
    EXPECT_EQ(KRN_QueueReset(q), 0);
    EXPECT_EQ(KRN_QueueEmpty(q), 1);
    for (int i = 0; i < 1001; ++i) ASSERT_EQ(KRN_QueuePush(q, tag(i + 1), 0), 0);  // all free again
    EXPECT_EQ(KRN_QueueDestroy(q), 0);  // frees what is queued, never the data
  }
}

TEST(Queue, PopWaitsForItsTimeoutOrAnElement) {
  for (int32_t bound : {0, 4}) {
    SCOPED_TRACE(bound);
    KrnQueue *q = KRN_QueueCreate(L"wait", bound);
    auto start = Clock::now();
    EXPECT_EQ(KRN_QueuePop(q, nullptr, 0), nullptr);
    EXPECT_LT(msSince(start), 500);  // at once; room for a busy machine

    TraceCapture cap(L"krnqueue:3");
    start = Clock::now();
    EXPECT_EQ(KRN_QueuePop(q, nullptr, 100), nullptr);
    long long took = msSince(start);
    EXPECT_GE(took, 95);
    EXPECT_LT(took, 1000);
    if (bound) {
      EXPECT_TRUE(cap.has({L"DEBUG:[krnqueue]", L"queue wait timeout (100)ms"}));
    }

    std::thread producer([q] {
      KRN_ThreadSleep(30);
      KRN_QueuePush(q, tag(42), 42);
    });
    start = Clock::now();
    int32_t value = 0;
    EXPECT_EQ(KRN_QueuePop(q, &value, 2000), tag(42));
    EXPECT_EQ(value, 42);
    EXPECT_LT(msSince(start), 1000);
    producer.join();
    KRN_QueueDestroy(q);
  }
}

TEST(Queue, PopReleaseWakesAWaitingConsumer) {
  for (int32_t bound : {0, 4}) {
    SCOPED_TRACE(bound);
    TraceCapture cap(L"krnqueue:2");
    KrnQueue *q = KRN_QueueCreate(L"rel", bound);
    std::atomic<int> state{0};  // 0 waiting, 1 returned null, 2 returned data
    std::thread consumer([&] {
      void *data = KRN_QueuePop(q, nullptr, KRN_INFINITE);
      state = data ? 2 : 1;
    });
    KRN_ThreadSleep(50);
    EXPECT_EQ(state.load(), 0);
    auto start = Clock::now();
    EXPECT_EQ(KRN_QueuePopRelease(q), 0);
    consumer.join();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(state.load(), 1);
    if (bound) {
      EXPECT_TRUE(cap.has({L"INFO :[krnqueue]", L"[rel] received event but no data"}));
    }

    // The release is used up: the next wait is a real one.
    start = Clock::now();
    EXPECT_EQ(KRN_QueuePop(q, nullptr, 60), nullptr);
    EXPECT_GE(msSince(start), 55);
    KRN_QueueDestroy(q);
  }

  // Unbounded: a release made before the pop ends that pop even with data queued.
  KrnQueue *q = KRN_QueueCreate(nullptr, 0);
  KRN_QueuePush(q, tag(5), 0);
  KRN_QueuePopRelease(q);
  EXPECT_EQ(KRN_QueuePop(q, nullptr, KRN_INFINITE), nullptr);
  EXPECT_EQ(KRN_QueuePop(q, nullptr, 0), tag(5));
  KRN_QueueDestroy(q);
}

#if defined(__SANITIZE_THREAD__)
constexpr int kQueueItems = 250000;
#else
constexpr int kQueueItems = 1000000;
#endif

// Items keep arriving until the stop marks, so a consumer whose long wait
// runs out has missed a wake-up: another consumer took the only signal while
// more items were queued.
TEST(Queue, FourProducersFourConsumersMoveEveryItemExactlyOnce) {
  constexpr int kProducers = 4;
  constexpr int kConsumers = 4;
  constexpr int kPerProducer = kQueueItems / kProducers;
  KrnQueue *q = KRN_QueueCreate(L"mpmc", 256);
  ASSERT_NE(q, nullptr);
  static int stopMark;
  std::vector<std::atomic<uint8_t>> seen(kQueueItems);
  std::atomic<int> wrongData{0}, outOfOrder{0}, starved{0};
  std::atomic<long long> consumed{0};

  auto start = Clock::now();
  std::vector<std::thread> threads;
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&] {
      std::vector<int> lastOfProducer(kProducers, -1);
      for (;;) {
        int32_t value = -1;
        auto popStart = Clock::now();
        void *data = KRN_QueuePop(q, &value, 5000);
        if (msSince(popStart) >= 4000) ++starved;
        if (data == &stopMark) break;
        if (!data) continue;
        if (untag(data) != value + 1 || value < 0 || value >= kQueueItems) {
          ++wrongData;
          continue;
        }
        seen[value].fetch_add(1, std::memory_order_relaxed);
        // One queue, popped in order: a consumer sees each producer's
        // items in the order they were pushed.
        int p = value / kPerProducer;
        if (value <= lastOfProducer[p]) ++outOfOrder;
        lastOfProducer[p] = value;
        consumed.fetch_add(1, std::memory_order_relaxed);
      }
    });
  }
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&, p] {
      for (int i = 0; i < kPerProducer; ++i) {
        int32_t value = p * kPerProducer + i;
        while (KRN_QueuePush(q, tag(value + 1), value) != 0) std::this_thread::yield();
      }
    });
  }
  for (auto &t : producers) t.join();
  for (int c = 0; c < kConsumers; ++c)
    while (KRN_QueuePush(q, &stopMark, -1) != 0) std::this_thread::yield();
  for (auto &t : threads) t.join();
  long long took = msSince(start);

  EXPECT_EQ(starved.load(), 0);
  EXPECT_EQ(wrongData.load(), 0);
  EXPECT_EQ(outOfOrder.load(), 0);
  EXPECT_EQ(consumed.load(), kQueueItems);
  int missing = 0, duplicated = 0;
  for (auto &s : seen) {
    if (s.load() == 0) ++missing;
    if (s.load() > 1) ++duplicated;
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(duplicated, 0);
  EXPECT_EQ(KRN_QueueEmpty(q), 1);
  KRN_QueueDestroy(q);
  RecordProperty("items", kQueueItems);
  RecordProperty("ms", static_cast<int>(took));
}

// --- Hash map and checksums ---------------------------------------------------

TEST(Checksums, KnownVectors) {
  const char *digits = "123456789";
  EXPECT_EQ(KRN_Hash_crc32(digits, 9), 0xCBF43926u);
  EXPECT_EQ(KRN_Hash_crc32(digits, 0), 0u);
  EXPECT_EQ(KRN_Hash_crc32("a", 1), 0xE8B7BE43u);
  // This library's CRC-16: the MSB-first 0x1021 table driven from the low
  // byte. One byte reads the table straight back (T[1], T[2]).
  const uint8_t one[] = {0x01, 0x02};
  EXPECT_EQ(KRN_Hash_crc16(one, 1), 0x1021);
  EXPECT_EQ(KRN_Hash_crc16(one + 1, 1), 0x2042);
  EXPECT_EQ(KRN_Hash_crc16(one, 2), 0x1411);
  EXPECT_EQ(KRN_Hash_crc16(digits, 9), 0xB955);
  EXPECT_EQ(KRN_Hash_crc16(digits, 0), 0);
}

TEST(Hashmap, SlotHashOverTheUtf16FormOfTheKey) {
  EXPECT_EQ(KRN_Hashmap_string(L"abc", 256), 38u);
  EXPECT_EQ(KRN_Hashmap_string(L"abc", 1000), 254u);
  EXPECT_EQ(KRN_Hashmap_string(L"krnfile", 1000), 586u);
  EXPECT_EQ(KRN_Hashmap_string(L"front_0001.mp4", 256), 114u);
  EXPECT_EQ(KRN_Hashmap_string(L"a", 0), 2810649811u);  // unreduced
  EXPECT_EQ(KRN_Hashmap_string(L"\u00e9t\u00e9", 256), 247u);
  EXPECT_EQ(KRN_Hashmap_string(L"\U0001F600x", 1000), 355u);  // a surrogate pair counts twice
  EXPECT_EQ(KRN_Hashmap_string(L"", 256), 0u);
  // Four characters hash their first four bytes: "k", 0, "e", 0.
  EXPECT_EQ(KRN_Hashmap_string(L"key0", 0), KRN_Hashmap_string(L"key9", 0));
  EXPECT_NE(KRN_Hashmap_string(L"0xxx", 0), KRN_Hashmap_string(L"9xxx", 0));

  KrnHashmap *map = KRN_Hashmap_Create(0, 0);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(KRN_Hashmap_Hash(map, L"abc", tag(1)), 38);  // default capacity 256
  KRN_Hashmap_Destroy(map);
}

TEST(Hashmap, GrowsAtHalfFullOnlyWhenExpandable) {
  TraceCapture cap(L"krnhash:2");
  KrnHashmap *map = KRN_Hashmap_Create(4, 1);
  EXPECT_GE(KRN_Hashmap_Hash(map, L"one", tag(1)), 0);
  EXPECT_GE(KRN_Hashmap_Hash(map, L"two", tag(2)), 0);
  EXPECT_GE(KRN_Hashmap_Hash(map, L"three", tag(3)), 0);
  KRN_Hashmap_reset(map);
  EXPECT_TRUE(cap.has({L"INFO :[krnhash]", L"remain size(0) tblsize(8)"}));
  EXPECT_EQ(KRN_Hashmap_size(map), 0u);
  KRN_Hashmap_Destroy(map);

  map = KRN_Hashmap_Create(4, 0);
  EXPECT_GE(KRN_Hashmap_Hash(map, L"one", tag(1)), 0);
  EXPECT_GE(KRN_Hashmap_Hash(map, L"two", tag(2)), 0);
  EXPECT_EQ(KRN_Hashmap_Hash(map, L"three", tag(3)), -1);
  EXPECT_TRUE(cap.has({L"ERROR:[krnhash]", L"resizing is not allowed! (expandable FALSE)"}));
  EXPECT_TRUE(cap.has({L"ERROR:[krnhash]", L"rehash failed."}));
  EXPECT_EQ(KRN_Hashmap_size(map), 2u);
  void *data = nullptr;
  EXPECT_EQ(KRN_Hashmap_Get(map, L"two", &data), 0);
  EXPECT_EQ(data, tag(2));
  KRN_Hashmap_Destroy(map);
}

// Only the first half of a key's UTF-16 bytes feed its hash (as many bytes
// as it has characters), so these keys carry their number in front and
// padding behind.
std::wstring numberedKey(int i) {
  std::wstring digits = std::to_wstring(i);
  return digits + std::wstring(digits.size(), L'x');
}

TEST(Hashmap, GrowingKeepsEveryEntry) {
  KrnHashmap *map = KRN_Hashmap_Create(2, 1);
  for (int i = 0; i < 3000; ++i)
    ASSERT_GE(KRN_Hashmap_Hash(map, numberedKey(i).c_str(), tag(i + 1)), 0) << i;
  EXPECT_EQ(KRN_Hashmap_size(map), 3000u);
  for (int i = 0; i < 3000; ++i) {
    void *data = nullptr;
    ASSERT_EQ(KRN_Hashmap_Get(map, numberedKey(i).c_str(), &data), 0) << i;
    ASSERT_EQ(data, tag(i + 1));
  }
  KRN_Hashmap_Destroy(map);
}

// Keys of distinct hashes that share one slot of a 256-slot table.
std::vector<std::wstring> collidingKeys(size_t count) {
  std::map<uint32_t, std::vector<std::wstring>> bySlot;
  std::set<uint32_t> hashes;
  for (int i = 0;; ++i) {
    std::wstring key = numberedKey(i);
    if (!hashes.insert(KRN_Hashmap_string(key.c_str(), 0)).second) continue;
    auto &keys = bySlot[KRN_Hashmap_string(key.c_str(), 256)];
    keys.push_back(key);
    if (keys.size() == count) return keys;
  }
}

TEST(Hashmap, ProbeWindowDeletesAndDuplicates) {
  std::vector<std::wstring> keys = collidingKeys(11);
  const uint32_t slot = KRN_Hashmap_string(keys[0].c_str(), 256);
  KrnHashmap *map = KRN_Hashmap_Create(256, 0);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(KRN_Hashmap_Hash(map, keys[i].c_str(), tag(i + 1)),
              static_cast<int32_t>((slot + i) % 256));
  // A slot emptied in the middle of the chain does not end the search.
  EXPECT_EQ(KRN_Hashmap_Del(map, keys[1].c_str()), 0);
  void *data = nullptr;
  EXPECT_EQ(KRN_Hashmap_Get(map, keys[2].c_str(), &data), 0);
  EXPECT_EQ(data, tag(3));

  TraceCapture cap(L"krnhash:2");
  data = tag(99);
  EXPECT_EQ(KRN_Hashmap_Get(map, keys[1].c_str(), &data), -1);
  EXPECT_EQ(data, nullptr);
  EXPECT_TRUE(cap.has({L"INFO :[krnhash]", L"can not find key(" + keys[1] + L")"}));
  EXPECT_EQ(KRN_Hashmap_Del(map, keys[1].c_str()), -1);
  EXPECT_TRUE(cap.has({L"ERROR:[krnhash]", L"can not find key(" + keys[1] + L")"}));

  // The window is ten slots: the eleventh key of one slot has nowhere to go
  // in a table that may not grow.
  for (int i = 1; i < 10; ++i) {
    if (i == 2) continue;  // still stored
    EXPECT_GE(KRN_Hashmap_Hash(map, keys[i].c_str(), tag(i + 1)), 0) << i;
  }
  EXPECT_EQ(KRN_Hashmap_Hash(map, keys[10].c_str(), tag(11)), -1);
  EXPECT_EQ(KRN_Hashmap_size(map), 10u);
  KRN_Hashmap_Destroy(map);

  // One that may grow takes it, and keeps all the others.
  map = KRN_Hashmap_Create(256, 1);
  for (int i = 0; i < 11; ++i) ASSERT_GE(KRN_Hashmap_Hash(map, keys[i].c_str(), tag(i + 1)), 0);
  for (int i = 0; i < 11; ++i) {
    ASSERT_EQ(KRN_Hashmap_Get(map, keys[i].c_str(), &data), 0);
    EXPECT_EQ(data, tag(i + 1));
  }
  // Keys are not deduplicated: a second entry stays after the first is deleted.
  EXPECT_GE(KRN_Hashmap_Hash(map, keys[0].c_str(), tag(100)), 0);
  EXPECT_EQ(KRN_Hashmap_size(map), 12u);
  EXPECT_EQ(KRN_Hashmap_Del(map, keys[0].c_str()), 0);
  EXPECT_EQ(KRN_Hashmap_Get(map, keys[0].c_str(), &data), 0);
  KRN_Hashmap_Destroy(map);
}

int gReleased;
int gReleasedNull;
void countRelease(void *data) {
  if (data)
    ++gReleased;
  else
    ++gReleasedNull;
}

TEST(Hashmap, DestroyFullReleasesEverySlotAndDumpListsThem) {
  KrnHashmap *map = KRN_Hashmap_Create(16, 0);
  KRN_Hashmap_Hash(map, L"alpha", tag(1));
  KRN_Hashmap_Hash(map, L"beta", tag(2));
  KRN_Hashmap_Hash(map, L"gamma", tag(3));
  KRN_Hashmap_Del(map, L"beta");

  testing::internal::CaptureStdout();
  KRN_Hashmap_dump(map);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("index\t used \t key \n", 0), 0u);
  std::string alpha = std::to_string(KRN_Hashmap_string(L"alpha", 16)) + " \t 1 \t alpha \n";
  EXPECT_NE(out.find(alpha), std::string::npos) << out;
  EXPECT_EQ(out.find("beta"), std::string::npos);

  gReleased = gReleasedNull = 0;
  KRN_Hashmap_DestroyFull(map, countRelease);
  EXPECT_EQ(gReleased, 2);
  EXPECT_EQ(gReleasedNull, 14);
}

}  // namespace
