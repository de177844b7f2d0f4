// The thread-safe queue of data pointers that consumers can wait on.
//
// Several consumers may wait at once. The data event holds at most one
// signal, so waiting consumers are counted rather than flagged, and a
// consumer that takes an element while more are queued and others still
// wait passes the signal on; otherwise a burst of pushes could wake one
// consumer and leave the rest asleep beside a full queue.
#include <chrono>
#include <cstdlib>
#include <cwchar>

#include "krncore_internal.h"

#define KRN_MODULE L"krnqueue"
#define KRN_SOURCE L"krncore_queue"

namespace {

// Unbounded mode: 32 bytes, so the 32-byte pool can serve it.
struct Element {
  Element *prev;
  Element *next;
  void *data;
  int32_t value;
};
constexpr int32_t kElementBytes = static_cast<int32_t>(sizeof(Element));

struct Slot {
  void *data;
  int32_t value;
};

uint64_t nowMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace

struct KrnQueue {
  wchar_t *name;
  KrnMutex *lock;
  KrnEvent *dataEvent;
  KrnEvent *spareEvent;
  int32_t waiters;  // consumers inside a wait; guarded by lock
  int32_t release;  // set by KRN_QueuePopRelease; guarded by lock
  int32_t maxNode;
  int32_t count;
  // unbounded
  Element *first;
  Element *last;
  // bounded
  Slot *slots;
  KrnListNode *nodes;
  KrnNList *freeNodes;
  KrnNList *busyNodes;
};

namespace {

const wchar_t *nameOf(const KrnQueue *q) {
  return q->name ? q->name : L"";
}

bool lockQueue(KrnQueue *q, const char *fn) {
  if (KRN_MutexLock(q->lock, KRN_INFINITE) == 0) return true;
  KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"mutex lock failed\n");
  return false;
}

// An element whose pool cannot be locked is left where it is: handing a
// pool block to free() would be worse than keeping it.
void freeElement(Element *e) {
  if (krn::smemFreeIfOwned(e, kElementBytes) == 0) free(e);
}

void destroyParts(KrnQueue *q) {
  for (Element *e = q->first; e;) {
    Element *next = e->next;
    freeElement(e);
    e = next;
  }
  KRN_NListDestroy(q->freeNodes);
  KRN_NListDestroy(q->busyNodes);
  free(q->nodes);
  free(q->slots);
  KRN_EventDestroy(q->spareEvent);
  KRN_EventDestroy(q->dataEvent);
  KRN_MutexDestroy(q->lock);
  free(q->name);
  free(q);
}

int32_t push(KrnQueue *q, void *data, int32_t value, bool atHead, const char *fn) {
  if (!q) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid queue handle\n");
    return -1;
  }
  if (!lockQueue(q, fn)) return -1;
  if (q->maxNode > 0) {
    KrnListNode *node = KRN_NListGetHead(q->freeNodes);
    if (!node) {
      KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"%ls freenode list is empty busy(%d) free(%d)\n", nameOf(q),
                 KRN_NListGetNum(q->busyNodes), KRN_NListGetNum(q->freeNodes));
      KRN_MutexUnLock(q->lock);
      return -1;
    }
    KRN_NListDel(q->freeNodes, node);
    auto *slot = static_cast<Slot *>(node->data);
    slot->data = data;
    slot->value = value;
    int rc = atHead ? KRN_NListAddHead(q->busyNodes, node) : KRN_NListAddTail(q->busyNodes, node);
    if (rc != 0) {
      KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"add fail to freenode list\n");
      KRN_NListAddHead(q->freeNodes, node);
      KRN_MutexUnLock(q->lock);
      return -1;
    }
  } else {
    auto *e = static_cast<Element *>(krn::smemAllocIfRegistered(kElementBytes));
    if (!e) e = static_cast<Element *>(calloc(1, sizeof(Element)));
    if (!e) {
      KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"krnqueue node alloc failed. size(%d)\n", kElementBytes);
      KRN_MutexUnLock(q->lock);
      return -1;
    }
    e->data = data;
    e->value = value;
    if (atHead) {
      e->prev = nullptr;
      e->next = q->first;
      if (q->first) q->first->prev = e;
      q->first = e;
      if (!q->last) q->last = e;
    } else {
      e->next = nullptr;
      e->prev = q->last;
      if (q->last) q->last->next = e;
      q->last = e;
      if (!q->first) q->first = e;
    }
  }
  ++q->count;
  if (q->waiters > 0) KRN_EventSend(q->dataEvent);
  KRN_MutexUnLock(q->lock);
  return 0;
}

// Unlinks the front (or last) element; the queue is locked and not empty.
void *take(KrnQueue *q, int32_t *value, bool fromTail, const char *fn) {
  void *data = nullptr;
  int32_t v = 0;
  if (q->maxNode > 0) {
    KrnListNode *node = fromTail ? KRN_NListGetTail(q->busyNodes) : KRN_NListGetHead(q->busyNodes);
    KRN_NListDel(q->busyNodes, node);
    auto *slot = static_cast<Slot *>(node->data);
    data = slot->data;
    v = slot->value;
    if (KRN_NListAddTail(q->freeNodes, node) != 0)
      KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"add tail failed to freenode.\n");
  } else {
    Element *e = fromTail ? q->last : q->first;
    if (e->prev)
      e->prev->next = e->next;
    else
      q->first = e->next;
    if (e->next)
      e->next->prev = e->prev;
    else
      q->last = e->prev;
    data = e->data;
    v = e->value;
    freeElement(e);
  }
  --q->count;
  if (q->maxNode == 0 && q->count == 0)
    KRN_LOG_AS(fn, KRN_TRACE_TRACE, L"got a node. queue(%lx) is a empty.\n",
               reinterpret_cast<unsigned long>(q));
  // Another consumer may still be waiting for what is left.
  if (q->count > 0 && q->waiters > 0) KRN_EventSend(q->dataEvent);
  if (value) *value = v;
  return data;
}

void *pop(KrnQueue *q, int32_t *value, uint32_t timeoutMs, bool fromTail, const char *fn) {
  if (!q) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid queue handle\n");
    return nullptr;
  }
  if (!lockQueue(q, fn)) return nullptr;
  const bool bounded = q->maxNode > 0;
  const bool forever = timeoutMs >= static_cast<uint32_t>(KRN_INFINITE);
  const uint64_t start = nowMs();
  bool woken = false;
  for (;;) {
    if (!bounded && q->release) {
      q->release = 0;
      break;
    }
    if (q->count > 0) {
      void *data = take(q, value, fromTail, fn);
      KRN_MutexUnLock(q->lock);
      return data;
    }
    if (woken && q->release) {
      // Bounded mode: the wake-up came from KRN_QueuePopRelease.
      q->release = 0;
      KRN_LOG_AS(fn, KRN_TRACE_INFO, L"[%ls] received event but no data (size:%d)\n", nameOf(q),
                 q->count);
      break;
    }
    uint64_t elapsed = nowMs() - start;
    if (timeoutMs == 0 || (!forever && elapsed >= timeoutMs)) {
      if (woken && bounded)
        KRN_LOG_AS(fn, KRN_TRACE_DEBUG, L"queue wait timeout (%d)ms\n", timeoutMs);
      break;
    }
    uint32_t wait =
        forever ? static_cast<uint32_t>(KRN_INFINITE) : static_cast<uint32_t>(timeoutMs - elapsed);
    ++q->waiters;
    KRN_MutexUnLock(q->lock);
    int rc = KRN_EventWait(q->dataEvent, wait);
    if (!lockQueue(q, fn)) return nullptr;
    --q->waiters;
    // A wake-up whose element another consumer took first waits again for
    // the rest of the time-out instead of returning empty-handed.
    woken = true;
    if (rc != 0 && q->count == 0 && !q->release) {
      if (bounded) KRN_LOG_AS(fn, KRN_TRACE_DEBUG, L"queue wait timeout (%d)ms\n", timeoutMs);
      break;
    }
  }
  KRN_MutexUnLock(q->lock);
  return nullptr;
}

}  // namespace

extern "C" {

KrnQueue *KRN_QueueCreate(const wchar_t *name, int32_t maxCount) {
  if (maxCount < 0) {
    KRN_LOGE(L"invalid maxnode(%d)\n", maxCount);
    return nullptr;
  }
  auto *q = static_cast<KrnQueue *>(calloc(1, sizeof(KrnQueue)));
  if (!q) {
    KRN_LOGE(L"krnqueue alloc failed. size(%d)\n", static_cast<int>(sizeof(KrnQueue)));
    return nullptr;
  }
  if (name) {
    size_t len = wcslen(name);
    q->name = static_cast<wchar_t *>(malloc((len + 1) * sizeof(wchar_t)));
    if (!q->name) {
      KRN_LOGE(L"krnqueue alloc failed. size(%d)\n", static_cast<int>((len + 1) * sizeof(wchar_t)));
      destroyParts(q);
      return nullptr;
    }
    wmemcpy(q->name, name, len + 1);
  }
  q->lock = KRN_MutexCreate();
  if (!q->lock) {
    KRN_LOGE(L"krnqueue lock create failed.\n");
    destroyParts(q);
    return nullptr;
  }
  KRN_LOG(KRN_TRACE_TRACE, L"krnqueue lock created (%lx)\n",
          reinterpret_cast<unsigned long>(q->lock));
  q->dataEvent = KRN_EventCreate(nullptr);
  q->spareEvent = q->dataEvent ? KRN_EventCreate(nullptr) : nullptr;
  if (!q->spareEvent) {
    KRN_LOGE(L"krnqueue event create failed.\n");
    destroyParts(q);
    return nullptr;
  }
  KRN_LOG(KRN_TRACE_TRACE, L"krnqueue event created (%lx)\n",
          reinterpret_cast<unsigned long>(q->dataEvent));
  KRN_LOG(KRN_TRACE_TRACE, L"krnqueue event created (%lx)\n",
          reinterpret_cast<unsigned long>(q->spareEvent));
  q->maxNode = maxCount;
  if (maxCount > 0) {
    size_t count = static_cast<size_t>(maxCount);
    q->slots = static_cast<Slot *>(calloc(count, sizeof(Slot)));
    q->nodes = static_cast<KrnListNode *>(calloc(count, sizeof(KrnListNode)));
    q->freeNodes = KRN_NListCreate();
    q->busyNodes = KRN_NListCreate();
    if (!q->slots || !q->nodes || !q->freeNodes || !q->busyNodes) {
      KRN_LOGE(L"krnqueue alloc failed. size(%d)\n",
               static_cast<int>(count * (sizeof(Slot) + sizeof(KrnListNode))));
      destroyParts(q);
      return nullptr;
    }
    for (size_t i = 0; i < count; ++i) {
      q->nodes[i].data = &q->slots[i];
      if (KRN_NListAddTail(q->freeNodes, &q->nodes[i]) != 0) {
        KRN_LOGE(L"queue node pool add fail.\n");
        destroyParts(q);
        return nullptr;
      }
    }
  }
  KRN_LOG(KRN_TRACE_TRACE, L"krnqueue handle(%lx) maxnode(%d)\n",
          reinterpret_cast<unsigned long>(q), maxCount);
  return q;
}

int32_t KRN_QueueDestroy(KrnQueue *queue) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return -1;
  }
  KRN_LOG(KRN_TRACE_TRACE, L"Enter queue(%lx)\n", reinterpret_cast<unsigned long>(queue));
  destroyParts(queue);
  KRN_LOG(KRN_TRACE_TRACE, L"Leave.\n");
  return 0;
}

int32_t KRN_QueueReset(KrnQueue *queue) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return -1;
  }
  if (!lockQueue(queue, __func__)) return -1;
  int32_t rc = 0;
  if (queue->maxNode > 0) {
    while (KrnListNode *node = KRN_NListGetHead(queue->busyNodes)) {
      KRN_NListDel(queue->busyNodes, node);
      if (KRN_NListAddTail(queue->freeNodes, node) != 0) {
        KRN_LOGE(L"add tail failed to freenode.\n");
        rc = -1;
        break;
      }
    }
  } else {
    for (Element *e = queue->first; e;) {
      Element *next = e->next;
      freeElement(e);
      e = next;
    }
    queue->first = queue->last = nullptr;
  }
  if (rc == 0) queue->count = 0;
  KRN_MutexUnLock(queue->lock);
  return rc;
}

int32_t KRN_QueuePush(KrnQueue *queue, void *data, int32_t value) {
  return push(queue, data, value, false, __func__);
}

int32_t KRN_QueuePush2Head(KrnQueue *queue, void *data, int32_t value) {
  return push(queue, data, value, true, __func__);
}

void *KRN_QueuePop(KrnQueue *queue, int32_t *value, uint32_t timeoutMs) {
  return pop(queue, value, timeoutMs, false, __func__);
}

void *KRN_QueuePopTail(KrnQueue *queue, int32_t *value, uint32_t timeoutMs) {
  return pop(queue, value, timeoutMs, true, __func__);
}

void *KRN_QueuePeek(KrnQueue *queue, int32_t *value) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return nullptr;
  }
  if (!lockQueue(queue, __func__)) return nullptr;
  void *data = nullptr;
  if (queue->count > 0) {
    int32_t v;
    if (queue->maxNode > 0) {
      auto *slot = static_cast<Slot *>(KRN_NListGetHead(queue->busyNodes)->data);
      data = slot->data;
      v = slot->value;
    } else {
      data = queue->first->data;
      v = queue->first->value;
    }
    if (value) *value = v;
  }
  KRN_MutexUnLock(queue->lock);
  return data;
}

int32_t KRN_QueuePopRelease(KrnQueue *queue) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return -1;
  }
  if (!lockQueue(queue, __func__)) return -1;
  queue->release = 1;
  KRN_EventSend(queue->dataEvent);
  KRN_MutexUnLock(queue->lock);
  return 0;
}

int32_t KRN_QueueGetSize(KrnQueue *queue) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return -1;
  }
  if (!lockQueue(queue, __func__)) return -1;
  int32_t count = queue->count;
  KRN_MutexUnLock(queue->lock);
  return count;
}

const wchar_t *KRN_QueueGetName(KrnQueue *queue) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return nullptr;
  }
  return queue->name;
}

int32_t KRN_QueueFull(KrnQueue *queue) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return -1;
  }
  if (queue->maxNode == 0) return 0;
  if (!lockQueue(queue, __func__)) return -1;
  int32_t full = KRN_NListGetNum(queue->freeNodes) == 0 ? 1 : 0;
  KRN_MutexUnLock(queue->lock);
  return full;
}

int32_t KRN_QueueEmpty(KrnQueue *queue) {
  if (!queue) {
    KRN_LOGE(L"invalid queue handle\n");
    return -1;
  }
  if (!lockQueue(queue, __func__)) return -1;
  int32_t empty = queue->count == 0 ? 1 : 0;
  KRN_MutexUnLock(queue->lock);
  return empty;
}

}  // extern "C"
