// The ring: a sliding window over an area twice its nominal size, so that
// the unread bytes are always contiguous. Not locked.
#include <cstdlib>
#include <cstring>

#include "krncore_internal.h"

#define KRN_MODULE L"krnring"
#define KRN_SOURCE L"krncore_ring"

struct KrnRing {
  uint8_t *area;
  uint32_t size;
  uint32_t filled;
  uint32_t readOffset;  // below size between calls
};

namespace {

bool valid(const KrnRing *ring, const char *fn) {
  if (!ring) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid ring buffer handle\n");
  return ring != nullptr;
}

}  // namespace

extern "C" {

KrnRing *KRNRing_Create(uint32_t size) {
  auto *ring = static_cast<KrnRing *>(calloc(1, sizeof(KrnRing)));
  if (!ring) {
    KRN_LOGE(L"out of memory. can not create ring buf handle. size(%d)\n", size);
    return nullptr;
  }
  ring->area = static_cast<uint8_t *>(malloc(size ? static_cast<size_t>(size) * 2 : 1));
  if (!ring->area) {
    KRN_LOGE(L"out of memory. can not alloc ring buf. size(%d)\n", size);
    free(ring);
    return nullptr;
  }
  ring->size = size;
  KRN_LOG(KRN_TRACE_DEBUG, L"ring buffer(%p) created. size(%d)\n", static_cast<void *>(ring), size);
  return ring;
}

int32_t KRNRing_Destroy(KrnRing *ring) {
  if (!valid(ring, __func__)) return -1;
  free(ring->area);
  free(ring);
  return 0;
}

// The room is what the window can still take; the area behind the write
// pointer always has at least that much, so a writer that fills the room
// stays inside the area.
uint8_t *KRNRing_GetWBuf(KrnRing *ring, uint32_t *size) {
  if (!valid(ring, __func__)) return nullptr;
  if (size) *size = ring->size - ring->filled;
  return ring->area + ring->readOffset + ring->filled;
}

uint32_t KRNRing_FillWBuf(KrnRing *ring, uint32_t count) {
  if (!valid(ring, __func__)) return 0;
  if (count > ring->size - ring->filled) {
    KRN_LOGE(L"fill count(%u) is larger than the room(%u)\n", count, ring->size - ring->filled);
    return ring->filled;
  }
  ring->filled += count;
  return ring->filled;
}

uint8_t *KRNRing_GetRBuf(KrnRing *ring, uint32_t *size) {
  if (!valid(ring, __func__)) return nullptr;
  if (size) *size = ring->filled;
  return ring->area + ring->readOffset;
}

uint32_t KRNRing_DelRBuf(KrnRing *ring, uint32_t count) {
  if (!valid(ring, __func__)) return 0;
  if (count > ring->filled) {
    KRN_LOGE(L"consume count(%u) is larger than the filled length(%u)\n", count, ring->filled);
    return ring->filled;
  }
  ring->readOffset += count;
  ring->filled -= count;
  if (ring->readOffset >= ring->size) {
    memmove(ring->area, ring->area + ring->readOffset, ring->filled);
    ring->readOffset = 0;
  }
  return ring->filled;
}

}  // extern "C"
