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
