// Message channels: a bounded queue of caller-owned message records and a
// semaphore that counts them for the receivers.
#include <cstdlib>

#include "krncore_internal.h"

#define KRN_MODULE L"krnmsg"
#define KRN_SOURCE L"krncore_msg"

struct KrnMsg {
  KrnMutex *lock;
  KrnSema *sema;
  KrnQueue *queue;
  uint32_t maxMsg;
  uint32_t maxSize;
  uint32_t pending;  // guarded by lock
};

namespace {

void destroyParts(KrnMsg *ch) {
  if (ch->queue) KRN_QueueDestroy(ch->queue);
  if (ch->sema) KRN_SemaDestroy(ch->sema);
  KRN_MutexDestroy(ch->lock);
  free(ch);
}

}  // namespace

extern "C" {

KrnMsg *KRN_MsgCreate(void *, uint32_t maxMsg, uint32_t maxSize) {
  auto *ch = static_cast<KrnMsg *>(calloc(1, sizeof(KrnMsg)));
  if (!ch) {
    KRN_LOGE(L"msg malloc failed size(%d)\n", static_cast<int>(sizeof(KrnMsg)));
    return nullptr;
  }
  ch->maxMsg = maxMsg;
  ch->maxSize = maxSize;
  ch->lock = KRN_MutexCreate();
  if (!ch->lock) {
    KRN_LOGE(L"mutex create failed\n");
    destroyParts(ch);
    return nullptr;
  }
  ch->sema = maxMsg <= 0x7FFFFFFF ? KRN_SemaCreate(nullptr, static_cast<int32_t>(maxMsg)) : nullptr;
  if (!ch->sema) {
    KRN_LOGE(L"event create failed\n");
    destroyParts(ch);
    return nullptr;
  }
  // A bounded queue of zero nodes would be an unbounded one; a channel of
  // zero messages refuses every send anyway, so it gets one node.
  ch->queue = KRN_QueueCreate(L"krnmsg", maxMsg ? static_cast<int32_t>(maxMsg) : 1);
  if (!ch->queue) {
    KRN_LOGE(L"queue create failed\n");
    destroyParts(ch);
    return nullptr;
  }
  return ch;
}

int32_t KRN_MsgSend(KrnMsg *channel, KrnMsgRecord *msg) {
  if (!channel || !msg) {
    KRN_LOGE(L"invalid msg handle or data\n");
    return KRN_EINVAL;
  }
  if ((msg->data == nullptr) != (msg->size == 0)) {
    KRN_LOGE(L"invalid arguments data(%lx) size(%d)\n", reinterpret_cast<unsigned long>(msg->data),
             msg->size);
    return KRN_EINVAL;
  }
  if (msg->size > channel->maxSize) {
    KRN_LOGE(L"data size is too big max(%d)\n", channel->maxSize);
    return KRN_EINVAL;
  }
  if (KRN_MutexLock(channel->lock, KRN_INFINITE) != 0) return KRN_FAIL;
  if (channel->pending >= channel->maxMsg) {
    KRN_LOGE(L"msg queue full cur(%d) max(%d)\n", channel->pending, channel->maxMsg);
    KRN_MutexUnLock(channel->lock);
    return KRN_EBUSY;
  }
  if (KRN_QueuePush(channel->queue, msg, msg->id) != 0) {
    KRN_LOGE(L"mq_send error\n");
    KRN_MutexUnLock(channel->lock);
    return KRN_EINVAL;
  }
  ++channel->pending;
  KRN_MutexUnLock(channel->lock);
  // pending never exceeds maxMsg, so neither does the semaphore.
  KRN_SemaPut(channel->sema);
  return 0;
}

int32_t KRN_MsgReceive(KrnMsg *channel, KrnMsgRecord **msg, uint32_t timeoutMs) {
  if (!channel || !msg) {
    KRN_LOGE(L"invalid msg handle or data\n");
    return KRN_EINVAL;
  }
  int32_t rc = KRN_SemaGet(channel->sema, timeoutMs);
  if (rc != 0) {
    if (rc != KRN_ETIMEOUT) KRN_LOGE(L"sema get failed.\n");
    return rc;
  }
  // Each unit stands for a record pushed before it was posted. When the
  // record cannot be taken out, the unit goes back and the record stays
  // queued for the next receive: a failed receive loses no message.
  if (KRN_MutexLock(channel->lock, KRN_INFINITE) != 0) {
    KRN_LOGE(L"mutex lock failed\n");
    KRN_SemaPut(channel->sema);
    return KRN_FAIL;
  }
  auto *got = static_cast<KrnMsgRecord *>(KRN_QueuePop(channel->queue, nullptr, 0));
  if (!got) {
    KRN_MutexUnLock(channel->lock);
    KRN_SemaPut(channel->sema);
    return KRN_FAIL;
  }
  --channel->pending;
  KRN_MutexUnLock(channel->lock);
  *msg = got;
  return 0;
}

int32_t KRN_MsgDestroy(KrnMsg *channel) {
  if (!channel) {
    KRN_LOGE(L"invalid msg handle or data\n");
    return KRN_EINVAL;
  }
  destroyParts(channel);
  return 0;
}

}  // extern "C"
