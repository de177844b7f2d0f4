// The doubly linked list with a lock of its own, for lists shared by threads.
// Reads take the lock as well: a head or a link read while another thread
// relinks it could be half-updated.
#include <cstdlib>

#define KRN_MODULE L"krnlist"
#define KRN_SOURCE L"krncore_list_mutex"

#include "krncore_list_impl.h"

struct KrnList {
  ListCore core;
  KrnMutex *lock;
};

namespace {

// Holds the list's lock for one operation; ok is false for a null list or
// a lock that could not be taken (both traced).
class Held {
 public:
  Held(KrnList *list, const char *fn) : list_(list) {
    if (!list) {
      KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid list handle\n");
      return;
    }
    ok_ = KRN_MutexLock(list->lock, KRN_INFINITE) == 0;
  }
  ~Held() {
    if (ok_) KRN_MutexUnLock(list_->lock);
  }
  Held(const Held &) = delete;
  Held &operator=(const Held &) = delete;
  bool ok() const { return ok_; }

 private:
  KrnList *list_;
  bool ok_ = false;
};

}  // namespace

extern "C" {

KrnList *KRN_ListCreate(void) {
  auto *list = static_cast<KrnList *>(calloc(1, sizeof(KrnList)));
  if (!list) {
    KRN_LOGE(L"list alloc failed size(%d)\n", static_cast<int>(sizeof(KrnList)));
    return nullptr;
  }
  list->lock = KRN_MutexCreate();
  if (!list->lock) {
    KRN_LOGE(L"list lock create failed\n");
    free(list);
    return nullptr;
  }
  return list;
}

int32_t KRN_ListDestroy(KrnList *list) {
  if (!list) {
    KRN_LOGE(L"invalid list handle\n");
    return -1;
  }
  KRN_MutexDestroy(list->lock);
  free(list);
  return 0;
}

KrnListNode *KRN_List_Node_new(void) {
  return nodeNew(nullptr, __func__);
}

KrnListNode *KRN_List_Node_new_data(void *data) {
  return nodeNew(data, __func__);
}

int32_t KRN_List_Node_delete(KrnListNode *node) {
  return nodeDelete(node, __func__);
}

KrnListNode *KRN_ListGetHead(KrnList *list) {
  Held held(list, __func__);
  return held.ok() ? list->core.head : nullptr;
}

KrnListNode *KRN_ListGetTail(KrnList *list) {
  Held held(list, __func__);
  return held.ok() ? list->core.tail : nullptr;
}

KrnListNode *KRN_ListGetNext(KrnList *list, KrnListNode *node) {
  Held held(list, __func__);
  return held.ok() ? neighbour(node, true, __func__) : nullptr;
}

KrnListNode *KRN_ListGetPrev(KrnList *list, KrnListNode *node) {
  Held held(list, __func__);
  return held.ok() ? neighbour(node, false, __func__) : nullptr;
}

int32_t KRN_ListAddTail(KrnList *list, KrnListNode *node) {
  Held held(list, __func__);
  return held.ok() ? addTail(&list->core, node, __func__) : -1;
}

int32_t KRN_ListAddHead(KrnList *list, KrnListNode *node) {
  Held held(list, __func__);
  return held.ok() ? addHead(&list->core, node, __func__) : -1;
}

int32_t KRN_ListDel(KrnList *list, KrnListNode *node) {
  Held held(list, __func__);
  return held.ok() ? unlinkNode(&list->core, node, __func__) : -1;
}

int32_t KRN_ListGetNum(KrnList *list) {
  if (!list) return 0;
  Held held(list, __func__);
  return held.ok() ? list->core.count : 0;
}

KrnListNode *KRN_List_GetNthList(KrnList *list, int32_t index) {
  Held held(list, __func__);
  return held.ok() ? nth(&list->core, index, __func__) : nullptr;
}

int32_t KRN_ListMove(KrnList *list, KrnListNode *dest, KrnListNode *node) {
  Held held(list, __func__);
  return held.ok() ? moveBefore(&list->core, dest, node, __func__) : -1;
}

int32_t KRN_ListMoveToTail(KrnList *list, KrnListNode *node) {
  Held held(list, __func__);
  return held.ok() ? moveToTail(&list->core, node, __func__) : -1;
}

}  // extern "C"
