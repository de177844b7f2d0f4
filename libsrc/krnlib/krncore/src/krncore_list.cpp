// The unlocked doubly linked list; its callers guard it themselves.
#include <cstdlib>

#define KRN_MODULE L"krnnlist"
#define KRN_SOURCE L"krncore_list"

#include "krncore_list_impl.h"

struct KrnNList {
  ListCore core;
};

namespace {

bool valid(const KrnNList *list, const char *fn) {
  if (!list) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid list handle\n");
  return list != nullptr;
}

}  // namespace

extern "C" {

KrnNList *KRN_NListCreate(void) {
  auto *list = static_cast<KrnNList *>(calloc(1, sizeof(KrnNList)));
  if (!list) KRN_LOGE(L"list alloc failed size(%d)\n", static_cast<int>(sizeof(KrnNList)));
  return list;
}

int32_t KRN_NListDestroy(KrnNList *list) {
  if (!valid(list, __func__)) return -1;
  free(list);
  return 0;
}

KrnListNode *KRN_NList_Node_new(void) {
  return nodeNew(nullptr, __func__);
}

KrnListNode *KRN_NList_Node_new_data(void *data) {
  return nodeNew(data, __func__);
}

int32_t KRN_NList_Node_delete(KrnListNode *node) {
  return nodeDelete(node, __func__);
}

KrnListNode *KRN_NListGetHead(KrnNList *list) {
  return valid(list, __func__) ? list->core.head : nullptr;
}

KrnListNode *KRN_NListGetTail(KrnNList *list) {
  return valid(list, __func__) ? list->core.tail : nullptr;
}

KrnListNode *KRN_NListGetNext(KrnNList *list, KrnListNode *node) {
  return valid(list, __func__) ? neighbour(node, true, __func__) : nullptr;
}

KrnListNode *KRN_NListGetPrev(KrnNList *list, KrnListNode *node) {
  return valid(list, __func__) ? neighbour(node, false, __func__) : nullptr;
}

int32_t KRN_NListAddTail(KrnNList *list, KrnListNode *node) {
  return valid(list, __func__) ? addTail(&list->core, node, __func__) : -1;
}

int32_t KRN_NListAddHead(KrnNList *list, KrnListNode *node) {
  return valid(list, __func__) ? addHead(&list->core, node, __func__) : -1;
}

int32_t KRN_NListDel(KrnNList *list, KrnListNode *node) {
  return valid(list, __func__) ? unlinkNode(&list->core, node, __func__) : -1;
}

int32_t KRN_NListGetNum(KrnNList *list) {
  return list ? list->core.count : 0;
}

KrnListNode *KRN_NList_GetNthList(KrnNList *list, int32_t index) {
  return valid(list, __func__) ? nth(&list->core, index, __func__) : nullptr;
}

int32_t KRN_NListMove(KrnNList *list, KrnListNode *dest, KrnListNode *node) {
  return valid(list, __func__) ? moveBefore(&list->core, dest, node, __func__) : -1;
}

int32_t KRN_NListMoveToTail(KrnNList *list, KrnListNode *node) {
  return valid(list, __func__) ? moveToTail(&list->core, node, __func__) : -1;
}

}  // extern "C"

namespace krn {

int32_t nlistDelMember(KrnNList *list, KrnListNode *node) {
  return valid(list, "KRN_NListDel") ? unlinkNode(&list->core, node, "KRN_NListDel", true) : -1;
}

}  // namespace krn
