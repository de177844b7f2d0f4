// Heap allocation with optional alignment and fill, and the non-cache hooks.
#include <malloc.h>
#include <cstdlib>
#include <cstring>

#include "krncore_internal.h"

namespace {

void *plainAlloc(uint32_t size) {
  return malloc(size);
}
void plainFree(void *ptr) {
  free(ptr);
}

KrnAllocHook gNonCacheAlloc = plainAlloc;
KrnFreeHook gNonCacheFree = plainFree;

void *alignedAlloc(uint32_t size, uint32_t alignment) {
  if (alignment & (alignment - 1)) return nullptr;  // not a power of two
  if (alignment < sizeof(void *)) alignment = sizeof(void *);
  void *p = nullptr;
  if (posix_memalign(&p, alignment, size ? size : 1) != 0) return nullptr;
  return p;
}

}  // namespace

extern "C" {

void *KRN_Malloc(uint32_t size, uint32_t alignment, int32_t fill, const wchar_t *, int32_t,
                 const wchar_t *) {
  void *p = alignment ? alignedAlloc(size, alignment) : malloc(size);
  if (p && fill != -1) memset(p, fill & 0xFF, size);
  return p;
}

void *KRN_Calloc(uint32_t count, uint32_t size) {
  return calloc(count, size);
}

void *KRN_ReAlloc(void *ptr, uint32_t size, uint32_t alignment) {
  if (!alignment) return realloc(ptr, size);
  void *p = alignedAlloc(size, alignment);
  if (!p) return nullptr;
  if (ptr) {
    size_t old = malloc_usable_size(ptr);
    memcpy(p, ptr, old < size ? old : size);
    free(ptr);
  }
  return p;
}

// Aligned blocks come from posix_memalign and go back through free() as well;
// the flag only documents the caller's side of the contract.
void KRN_Free(void *ptr, int32_t) {
  free(ptr);
}

int32_t KRN_MemInit(KrnAllocHook alloc, KrnFreeHook release) {
  if (alloc) gNonCacheAlloc = alloc;
  if (release) gNonCacheFree = release;
  return 0;
}

void *KRN_NonCacheMalloc(uint32_t size) {
  return gNonCacheAlloc(size);
}
void KRN_NonCacheFree(void *ptr) {
  gNonCacheFree(ptr);
}
int32_t KRN_Memcleanup(void) {
  return 0;
}
void KRN_MemTrace(void) {}

}  // extern "C"

// ---------------------------------------------------------------------------
// The region heap: a next-fit allocator inside one caller-sized region.
//
// Every block starts with a header that keeps each field twice, the second
// time complemented, so that a header overwritten by a stray write (zeros,
// a fill pattern, a neighbour's overrun) is told from a sound one before the
// heap trusts its links.
// ---------------------------------------------------------------------------

#define KRN_MODULE L"krnvirtmem"
#define KRN_SOURCE L"krncore_virtmem"

namespace {

constexpr uint32_t kHeaderMagic = 0x4B564D48u;  // "KVMH"
constexpr uint32_t kGranule = 8;
constexpr uint32_t kMinSplitRest = 64;

struct VHeader {
  uint32_t magic;
  uint32_t size;     // of the whole block, header included
  uint32_t reqSize;  // bytes asked for; 0 while the block is free
  uint32_t sizeCheck;
  uint32_t reqCheck;
  uint32_t reserved;
  VHeader *prev;
  VHeader *next;
  uintptr_t prevCheck;
  uintptr_t nextCheck;
};
constexpr uint32_t kHeader = sizeof(VHeader);
static_assert(kHeader % kGranule == 0, "blocks must stay 8-byte aligned");
static_assert(kHeader <= kMinSplitRest, "a split-off rest must hold its header");

void seal(VHeader *h) {
  h->magic = kHeaderMagic;
  h->sizeCheck = ~h->size;
  h->reqCheck = ~h->reqSize;
  h->prevCheck = ~reinterpret_cast<uintptr_t>(h->prev);
  h->nextCheck = ~reinterpret_cast<uintptr_t>(h->next);
}

}  // namespace

struct KrnVMem {
  uint8_t *region;  // 8-byte aligned start
  uint8_t *end;
  void *allocated;  // the region when this heap allocated it
  uint32_t total;
  uint32_t freeBytes;  // region less one header less every block in use
  VHeader *cursor;     // where the next search starts
  KrnMutex *lock;
};

namespace {

class HeapLock {
 public:
  explicit HeapLock(KrnVMem *heap) : lock_(heap->lock) {
    ok_ = KRN_MutexLock(lock_, KRN_INFINITE) == 0 || KRN_MutexLock(lock_, KRN_INFINITE) == 0;
  }
  ~HeapLock() {
    if (ok_) KRN_MutexUnLock(lock_);
  }
  // Nothing may be done without the lock: on false the caller fails.
  bool ok(const char *fn) const {
    if (!ok_) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"heap lock failed\n");
    return ok_;
  }
  HeapLock(const HeapLock &) = delete;
  HeapLock &operator=(const HeapLock &) = delete;

 private:
  KrnMutex *lock_;
  bool ok_;
};

bool headerPlace(const KrnVMem *heap, const void *p) {
  const auto *b = static_cast<const uint8_t *>(p);
  return b >= heap->region && b + kHeader <= heap->end &&
         (static_cast<size_t>(b - heap->region) % kGranule) == 0;
}

// Checks a header and its neighbours' links before anything follows them.
bool sound(const KrnVMem *heap, const VHeader *h, const char *fn) {
  if (!headerPlace(heap, h)) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"heap header is broken (0x%lx)!!! blksize(%d)\n",
               reinterpret_cast<unsigned long>(h), 0);
    return false;
  }
  if (h->magic != kHeaderMagic) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"heap header is broken (0x%x)!!! blksize(%d)\n", h->magic,
               h->size);
    return false;
  }
  const auto *self = reinterpret_cast<const uint8_t *>(h);
  const VHeader *expectedNext =
      self + h->size == heap->end ? nullptr : reinterpret_cast<const VHeader *>(self + h->size);
  if (h->sizeCheck != ~h->size || h->reqCheck != ~h->reqSize ||
      h->prevCheck != ~reinterpret_cast<uintptr_t>(h->prev) ||
      h->nextCheck != ~reinterpret_cast<uintptr_t>(h->next) || h->size < kHeader ||
      h->size % kGranule != 0 || h->size > static_cast<size_t>(heap->end - self) ||
      h->next != expectedNext || (h->next && !headerPlace(heap, h->next)) ||
      h->reqSize > h->size - kHeader) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR,
               L"heap header is broken blksize(%d)(%d) prvaddr(%lx)(%lx) next(%lx)(%lx) "
               L"alocsize(%d)(%d)\n",
               h->size, ~h->sizeCheck, reinterpret_cast<unsigned long>(h->prev),
               static_cast<unsigned long>(~h->prevCheck), reinterpret_cast<unsigned long>(h->next),
               static_cast<unsigned long>(~h->nextCheck), h->reqSize, ~h->reqCheck);
    return false;
  }
  if (h->prev && (!headerPlace(heap, h->prev) || h->prev->next != h)) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR,
               L"heap header is broken !!! next(%lx) of prev blk is not me(%lx)\n",
               headerPlace(heap, h->prev) ? reinterpret_cast<unsigned long>(h->prev->next) : 0ul,
               reinterpret_cast<unsigned long>(h));
    return false;
  }
  if (h->next && h->next->prev != h) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR,
               L"heap header is broken !!! prev(%lx) of next blk is not me(%lx)\n",
               reinterpret_cast<unsigned long>(h->next->prev), reinterpret_cast<unsigned long>(h));
    return false;
  }
  return true;
}

void resetRegion(KrnVMem *heap) {
  auto *first = reinterpret_cast<VHeader *>(heap->region);
  *first = VHeader{};
  first->size = heap->total;
  seal(first);
  heap->freeBytes = heap->total - kHeader;
  heap->cursor = first;
}

// The header of a block handed out by this heap, checked; null otherwise.
VHeader *usedHeader(KrnVMem *heap, void *block, const char *fn) {
  auto *h = reinterpret_cast<VHeader *>(static_cast<uint8_t *>(block) - kHeader);
  bool ok = sound(heap, h, fn);
  if (ok && h->reqSize == 0) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"block (%lx) is not in use\n",
               reinterpret_cast<unsigned long>(block));
    ok = false;
  }
  if (!ok) {
    bool readable = headerPlace(heap, h);
    KRN_LOG_AS(fn, KRN_TRACE_TRACE, L"mem(%lx) asize(%d) bsize(%d)\n",
               reinterpret_cast<unsigned long>(block), readable ? h->reqSize : 0,
               readable ? h->size : 0);
    return nullptr;
  }
  return h;
}

void *allocate(KrnVMem *heap, uint32_t size, const char *fn) {
  const uint64_t rounded = (static_cast<uint64_t>(size) + kGranule - 1) / kGranule * kGranule;
  if (size == 0) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"invalid argument size(%d) asize(%d)\n", size,
               static_cast<int>(rounded));
    return nullptr;
  }
  if (rounded > heap->freeBytes) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"out of memory alloc size(%d)\n", size);
    return nullptr;
  }
  const uint64_t need = rounded + kHeader;
  auto *first = reinterpret_cast<VHeader *>(heap->region);
  VHeader *found = nullptr;
  // Next fit: from the last block handed out to the end, then once more from
  // the start up to there, so space freed behind the cursor is found again.
  for (int pass = 0; pass < 2 && !found; ++pass) {
    VHeader *from = pass == 0 ? heap->cursor : first;
    VHeader *until = pass == 0 ? nullptr : heap->cursor;
    for (VHeader *b = from; b && b != until; b = b->next) {
      if (!sound(heap, b, fn)) return nullptr;
      if (b->reqSize == 0 && b->size >= need) {
        found = b;
        break;
      }
    }
  }
  if (!found) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"out of memory alloc size(%d)\n", size);
    return nullptr;
  }
  if (found->size - need >= kMinSplitRest) {
    auto *rest = reinterpret_cast<VHeader *>(reinterpret_cast<uint8_t *>(found) + need);
    *rest = VHeader{};
    rest->size = static_cast<uint32_t>(found->size - need);
    rest->prev = found;
    rest->next = found->next;
    seal(rest);
    if (found->next) {
      found->next->prev = rest;
      seal(found->next);
    }
    found->next = rest;
    found->size = static_cast<uint32_t>(need);
  }
  found->reqSize = size;
  seal(found);
  heap->freeBytes -= found->size;
  heap->cursor = found;
  return reinterpret_cast<uint8_t *>(found) + kHeader;
}

// Absorbs next into h; both are free and sound.
void absorbNext(KrnVMem *heap, VHeader *h) {
  VHeader *next = h->next;
  h->size += next->size;
  h->next = next->next;
  if (h->next) {
    h->next->prev = h;
    seal(h->next);
  }
  seal(h);
  next->magic = 0;  // a stale pointer to it must not pass for a block
  if (heap->cursor == next) heap->cursor = h;
}

int32_t release(KrnVMem *heap, void *block, const char *fn) {
  VHeader *h = usedHeader(heap, block, fn);
  if (!h) return -1;
  heap->freeBytes += h->size;
  h->reqSize = 0;
  seal(h);
  if (h->next && sound(heap, h->next, fn) && h->next->reqSize == 0) absorbNext(heap, h);
  if (h->prev && sound(heap, h->prev, fn) && h->prev->reqSize == 0) absorbNext(heap, h->prev);
  return 0;
}

}  // namespace

extern "C" {

KrnVMem *KRN_VMemCreate(void *memory, uint32_t size) {
  void *allocated = nullptr;
  if (!memory) {
    KRN_LOG(KRN_TRACE_DEBUG, L"alloc heap size(%d)\n", size);
    memory = allocated = malloc(size ? size : 1);
    if (!memory) {
      KRN_LOGE(L"alloc failed size(%d)\n", size);
      return nullptr;
    }
  }
  auto *start = static_cast<uint8_t *>(memory);
  size_t skip = (kGranule - reinterpret_cast<uintptr_t>(start) % kGranule) % kGranule;
  size_t usable = size > skip ? (size - skip) / kGranule * kGranule : 0;
  auto *heap = static_cast<KrnVMem *>(calloc(1, sizeof(KrnVMem)));
  KrnMutex *lock = heap ? KRN_MutexCreate() : nullptr;
  // The region must hold at least one header and one granule behind it.
  if (!heap || !lock || usable < kHeader + kGranule) {
    KRN_LOGE(L"alloc failed size(%d)\n", size);
    KRN_MutexDestroy(lock);
    free(heap);
    free(allocated);
    return nullptr;
  }
  heap->region = start + skip;
  heap->end = heap->region + usable;
  heap->allocated = allocated;
  heap->total = static_cast<uint32_t>(usable);
  heap->lock = lock;
  resetRegion(heap);
  KRN_LOG(KRN_TRACE_DEBUG, L"virtual memory created (%lx)\n",
          reinterpret_cast<unsigned long>(heap));
  return heap;
}

void *KRN_VMalloc(KrnVMem *heap, uint32_t size) {
  if (!heap) {
    KRN_LOGE(L"invalid heap handle\n");
    return nullptr;
  }
  HeapLock held(heap);
  if (!held.ok(__func__)) return nullptr;
  return allocate(heap, size, __func__);
}

void *KRN_VReAlloc(KrnVMem *heap, void *block, uint32_t size) {
  if (!heap) {
    KRN_LOGE(L"invalid heap handle\n");
    return nullptr;
  }
  HeapLock held(heap);
  if (!held.ok(__func__)) return nullptr;
  if (!block) return allocate(heap, size, __func__);
  VHeader *h = usedHeader(heap, block, __func__);
  if (!h) return nullptr;
  const uint64_t rounded = (static_cast<uint64_t>(size) + kGranule - 1) / kGranule * kGranule;
  if (size == 0) {
    KRN_LOGE(L"invalid argument size(%d) asize(%d)\n", size, static_cast<int>(rounded));
    return nullptr;
  }
  if (rounded + kHeader <= h->size) {
    h->reqSize = size;
    seal(h);
    return block;
  }
  void *moved = allocate(heap, size, __func__);
  if (!moved) return nullptr;  // the old block stays as it was
  memcpy(moved, block, h->reqSize < size ? h->reqSize : size);
  release(heap, block, __func__);
  return moved;
}

int32_t KRN_VFree(KrnVMem *heap, void *block) {
  if (!heap || !block) {
    KRN_LOGE(L"invalid heap handle\n");
    return -1;
  }
  HeapLock held(heap);
  if (!held.ok(__func__)) return -1;
  return release(heap, block, __func__);
}

int32_t KRN_VMemReset(KrnVMem *heap) {
  if (!heap) {
    KRN_LOGE(L"invalid heap handle\n");
    return -1;
  }
  HeapLock held(heap);
  if (!held.ok(__func__)) return -1;
  resetRegion(heap);
  return 0;
}

int32_t KRN_VMemDestroy(KrnVMem *heap) {
  if (!heap) {
    KRN_LOGE(L"invalid heap handle\n");
    return -1;
  }
  KRN_MutexDestroy(heap->lock);
  free(heap->allocated);
  free(heap);
  return 0;
}

uint32_t KRN_VGetFree(KrnVMem *heap) {
  if (!heap) {
    KRN_LOGE(L"invalid heap handle\n");
    return 0;
  }
  HeapLock held(heap);
  if (!held.ok(__func__)) return 0;
  KRN_LOG(KRN_TRACE_DEBUG, L"total(%d) free(%d) (%d)%%\n", heap->total, heap->freeBytes,
          static_cast<int>(static_cast<uint64_t>(heap->freeBytes) * 100 / heap->total));
  return heap->freeBytes;
}

}  // extern "C"
