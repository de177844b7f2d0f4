// The IPC object: a semaphore of count units that senders take and give
// back, with a message buffer beside it. No data travels through it.
#include <cstdlib>

#include "krncore_internal.h"

#define KRN_MODULE L"krnipc"
#define KRN_SOURCE L"krncore_ipc"

namespace {

constexpr size_t kMessageSlack = 16;

}  // namespace

struct KrnIPC {
  KrnSema *sema;
  uint8_t *message;
  uint32_t messageSize;
};

extern "C" {

KrnIPC *KRN_IPCOpen(const wchar_t *name, int32_t count, uint32_t msgSize) {
  auto *ipc = static_cast<KrnIPC *>(calloc(1, sizeof(KrnIPC)));
  if (!ipc) {
    KRN_LOGE(L"ipc malloc failed size(%d)\n", static_cast<int>(sizeof(KrnIPC)));
    return nullptr;
  }
  // Senders wait for a unit, so the units must be there from the start; a
  // semaphore left at zero would block the first send for ever.
  ipc->sema = count > 0 ? KRN_SemaCreate(name, count) : nullptr;
  if (!ipc->sema) {
    KRN_LOGE(L"mutex init failed\n");
    free(ipc);
    return nullptr;
  }
  krn::semaFill(ipc->sema, count);
  ipc->message = static_cast<uint8_t *>(calloc(1, static_cast<size_t>(msgSize) + kMessageSlack));
  if (!ipc->message) {
    KRN_LOGE(L"ipc message buffer alloc fail. size(%d)\n", msgSize);
    KRN_SemaDestroy(ipc->sema);
    free(ipc);
    return nullptr;
  }
  ipc->messageSize = msgSize;
  return ipc;
}

int32_t KRN_IPCClose(KrnIPC *ipc) {
  if (!ipc) {
    KRN_LOGE(L"invalid ipc handle or data\n");
    return KRN_EINVAL;
  }
  if (KRN_SemaGet(ipc->sema, 0) == 0) KRN_SemaPut(ipc->sema);
  KRN_SemaDestroy(ipc->sema);
  free(ipc->message);
  free(ipc);
  return 0;
}

int32_t KRN_IPCSend(KrnIPC *ipc, const void *data) {
  if (!ipc || !data) {
    KRN_LOGE(L"invalid ipc handle(%p) or data(%p)\n", static_cast<void *>(ipc), data);
    return KRN_EINVAL;
  }
  int32_t rc = KRN_SemaGet(ipc->sema, KRN_INFINITE);
  if (rc != 0) return rc;
  KRN_SemaPut(ipc->sema);
  return 0;
}

int32_t KRN_IPCReceive(KrnIPC *ipc, void *data) {
  if (!ipc || !data) {
    KRN_LOGE(L"invalid ipc handle or data\n");
    return KRN_EINVAL;
  }
  return 0;
}

void *KRN_IPCGetMsg(KrnIPC *ipc, uint32_t *size) {
  if (!ipc) {
    KRN_LOGE(L"invalid ipc handle or data\n");
    return nullptr;
  }
  if (size) *size = ipc->messageSize;
  return ipc->message;
}

int32_t KRN_IPCPutMsg(KrnIPC *, const void *) {
  return 0;
}

}  // extern "C"
