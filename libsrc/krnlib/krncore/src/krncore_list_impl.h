// The list algorithms behind both list variants. A unit includes this after
// defining KRN_MODULE and KRN_SOURCE, so every trace names the variant that
// was called; the functions have internal linkage in each including unit.
#ifndef KRNCORE_LIST_IMPL_H
#define KRNCORE_LIST_IMPL_H

#include <cstdlib>

#include "krncore_internal.h"

namespace {

struct ListCore {
  KrnListNode *head;
  KrnListNode *tail;
  int32_t count;
};

// Nodes are exactly the block size of the pool that is registered for them.
constexpr int32_t kNodeBytes = static_cast<int32_t>(sizeof(KrnListNode));

inline KrnListNode *nodeNew(void *data, const char *fn) {
  auto *node = static_cast<KrnListNode *>(krn::smemAllocIfRegistered(kNodeBytes));
  if (!node) node = static_cast<KrnListNode *>(calloc(1, sizeof(KrnListNode)));
  if (!node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"list node alloc failed size(%d)\n", kNodeBytes);
    return nullptr;
  }
  node->prev = node->next = nullptr;
  node->data = data;
  return node;
}

inline int32_t nodeDelete(KrnListNode *node, const char *fn) {
  if (!node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Invalid node\n");
    return -1;
  }
  const int owned = krn::smemFreeIfOwned(node, kNodeBytes);
  if (owned < 0) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"node(%p) not released\n", static_cast<void *>(node));
    return -1;
  }
  if (owned == 0) free(node);
  return 0;
}

inline bool consistent(const ListCore *l, const char *fn) {
  bool ok = (l->head == nullptr) == (l->tail == nullptr) && (!l->head || !l->head->prev) &&
            (!l->tail || !l->tail->next);
  if (!ok) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid list handle\n");
  return ok;
}

// Both neighbours must point at the node; catches a node of another list (at
// its ends) and a node that was never linked.
inline bool linkedIn(const ListCore *l, const KrnListNode *node) {
  return (node->prev ? node->prev->next == node : l->head == node) &&
         (node->next ? node->next->prev == node : l->tail == node);
}

// Whether the node is in this very list. A node in the middle of another list
// passes linkedIn, so its chain is followed both ways at once until one end
// is reached: that end is this list's own head or tail only when the node is
// one of ours. Costs the node's distance to the nearer end, and never more
// steps than this list has nodes.
inline bool memberOf(const ListCore *l, const KrnListNode *node) {
  if (!linkedIn(l, node)) return false;
  const KrnListNode *forward = node;
  const KrnListNode *backward = node;
  for (int32_t step = 0; step <= l->count; ++step) {
    if (!forward->next) return forward == l->tail;
    if (!backward->prev) return backward == l->head;
    forward = forward->next;
    backward = backward->prev;
  }
  return false;
}

inline int32_t insertBetween(ListCore *l, KrnListNode *node, KrnListNode *prev, KrnListNode *next,
                             const char *fn) {
  if (!node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Invalid node\n");
    return -1;
  }
  // Linking a node twice would close a cycle that every walk then follows
  // for ever.
  if (node->prev || node->next || l->head == node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"node(%p) is already linked\n", static_cast<void *>(node));
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"__list_add failed.\n");
    return -1;
  }
  KrnListNode *nextPrev = next ? next->prev : l->tail;
  if (nextPrev != prev) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR,
               L"list_add corruption. next->prev should be prev (%p), but was %p. (next=%p).\n",
               static_cast<void *>(prev), static_cast<void *>(nextPrev), static_cast<void *>(next));
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"__list_add failed.\n");
    return -1;
  }
  KrnListNode *prevNext = prev ? prev->next : l->head;
  if (prevNext != next) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR,
               L"list_add corruption. prev->next should be next (%p), but was %p. (prev=%p).\n",
               static_cast<void *>(next), static_cast<void *>(prevNext), static_cast<void *>(prev));
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"__list_add failed.\n");
    return -1;
  }
  node->prev = prev;
  node->next = next;
  if (prev)
    prev->next = node;
  else
    l->head = node;
  if (next)
    next->prev = node;
  else
    l->tail = node;
  ++l->count;
  return consistent(l, fn) ? 0 : -1;
}

inline int32_t addTail(ListCore *l, KrnListNode *node, const char *fn) {
  return insertBetween(l, node, l->tail, nullptr, fn);
}

inline int32_t addHead(ListCore *l, KrnListNode *node, const char *fn) {
  return insertBetween(l, node, nullptr, l->head, fn);
}

// knownMember: the caller keeps track of which list holds the node, and the
// walk of memberOf() is spared.
inline int32_t unlinkNode(ListCore *l, KrnListNode *node, const char *fn,
                          bool knownMember = false) {
  if (!node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Invalid node\n");
    return -1;
  }
  // Unlinking a stranger would overwrite this list's head or tail with it, or
  // cut the other list and leave both counts wrong.
  if (!(knownMember ? linkedIn(l, node) : memberOf(l, node))) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"node(%p) is not linked in this list\n",
               static_cast<void *>(node));
    return -1;
  }
  if (node->prev)
    node->prev->next = node->next;
  else
    l->head = node->next;
  if (node->next)
    node->next->prev = node->prev;
  else
    l->tail = node->prev;
  node->prev = node->next = nullptr;
  --l->count;
  return consistent(l, fn) ? 0 : -1;
}

inline KrnListNode *nth(const ListCore *l, int32_t index, const char *fn) {
  if (index < 0 || index > l->count) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid argument index(%d)\n", index);
    return nullptr;
  }
  if (index == l->count) return nullptr;
  KrnListNode *node = l->head;
  for (int32_t i = 0; i < index && node; ++i) node = node->next;
  if (!node) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"critical error. mismatch num of node\n");
  return node;
}

inline KrnListNode *neighbour(KrnListNode *node, bool next, const char *fn) {
  if (!node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Invalid node\n");
    return nullptr;
  }
  return next ? node->next : node->prev;
}

inline int32_t moveBefore(ListCore *l, KrnListNode *dest, KrnListNode *node, const char *fn) {
  if (!dest || !node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Invalid node\n");
    return -1;
  }
  if (dest == node) return 0;
  if (!memberOf(l, dest)) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"node(%p) is not linked in this list\n",
               static_cast<void *>(dest));
    return -1;
  }
  if (unlinkNode(l, node, fn) != 0) return -1;
  return insertBetween(l, node, dest->prev, dest, fn);
}

inline int32_t moveToTail(ListCore *l, KrnListNode *node, const char *fn) {
  if (!node) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Invalid node\n");
    return -1;
  }
  if (node == l->tail) {
    KRN_LOG_AS(fn, KRN_TRACE_INFO, L"node is already tail\n");
    return 0;
  }
  if (unlinkNode(l, node, fn) != 0) return -1;
  return addTail(l, node, fn);
}

}  // namespace

#endif
