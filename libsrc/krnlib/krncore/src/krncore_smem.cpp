// Small-block pools: up to ten fixed block sizes, served from chunks of 4096
// blocks. One process-wide lock guards every pool.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "krncore_internal.h"

#define KRN_MODULE L"krnsmem"
#define KRN_SOURCE L"krncore_smem"

namespace {

constexpr int kMaxPools = 10;
constexpr int32_t kChunkBlocks = 4096;

struct BlockDesc {
  KrnNList *owner;  // the pool's in-use or free list
  uint8_t *block;
  int32_t size;
  int32_t index;  // in its chunk
  uint8_t inUse;
};

struct Chunk {
  KrnListNode link;  // in the pool's chunk list; needs no allocation of its own
  uint8_t *blocks;
  BlockDesc *descs;
  KrnListNode *nodes;  // one per block, moving between the in-use and free lists
  int32_t untouched;   // blocks from here on were never handed out
};

struct Pool {
  int32_t size;  // 0 for an unused entry
  wchar_t *name;
  KrnNList *chunks;
  KrnNList *inUse;
  KrnNList *freeBlocks;
};

std::atomic<KrnMutex *> gLock{nullptr};
// Calls between taking up gLock and letting it go; KRN_SMalloc_Deinit waits
// for them before it destroys the lock.
std::atomic<int> gLockUsers{0};
Pool gPools[kMaxPools];
// Lets list and queue nodes skip the lock while no pool exists at all.
std::atomic<int> gRegistered{0};
constexpr size_t kChunkHead = (sizeof(Chunk) + 15) & ~size_t{15};

int32_t roundedSize(int32_t size) {
  return static_cast<int32_t>((static_cast<int64_t>(size) + 3) & ~int64_t{3});
}

// Takes the pools' lock for one call when it exists; without KRN_SMalloc_Init
// and before the first registration the pools are not shared yet. A lock that
// exists but cannot be taken fails the call (ok() is false).
class PoolGuard {
 public:
  PoolGuard() {
    gLockUsers.fetch_add(1);
    lock_ = gLock.load();
    if (lock_ && KRN_MutexLock(lock_, KRN_INFINITE) != 0) {
      lock_ = nullptr;
      failed_ = true;
    }
  }
  ~PoolGuard() {
    if (lock_) KRN_MutexUnLock(lock_);
    gLockUsers.fetch_sub(1);
  }
  bool ok(const char *fn) const {
    if (failed_) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"pool lock failed\n");
    return !failed_;
  }
  bool locked() const { return lock_ != nullptr; }
  PoolGuard(const PoolGuard &) = delete;
  PoolGuard &operator=(const PoolGuard &) = delete;

 private:
  KrnMutex *lock_ = nullptr;
  bool failed_ = false;
};

bool ensureLock() {
  if (gLock.load(std::memory_order_acquire)) return true;
  KrnMutex *lock = KRN_MutexCreate();
  if (!lock) return false;
  KrnMutex *expected = nullptr;
  if (!gLock.compare_exchange_strong(expected, lock, std::memory_order_acq_rel))
    KRN_MutexDestroy(lock);
  return true;
}

Pool *findPool(int32_t size) {
  if (size <= 0) return nullptr;
  int32_t rounded = roundedSize(size);
  for (Pool &p : gPools)
    if (p.size == rounded) return &p;
  return nullptr;
}

bool addChunk(Pool *pool, const char *fn) {
  // Computed wide: 4096 blocks of a large size do not fit 32 bits.
  const uint64_t blockBytes =
      static_cast<uint64_t>(kChunkBlocks) * static_cast<uint64_t>(pool->size);
  const uint64_t descBytes = sizeof(BlockDesc) * static_cast<uint64_t>(kChunkBlocks);
  const uint64_t nodeBytes = sizeof(KrnListNode) * static_cast<uint64_t>(kChunkBlocks);
  const uint64_t head = kChunkHead;
  const uint64_t total = head + descBytes + nodeBytes + blockBytes;
  KRN_LOG_AS(fn, KRN_TRACE_DEBUG, L"size(%d) initsize(%d)\n", pool->size,
             static_cast<int>(total > 0x7FFFFFFF ? 0x7FFFFFFF : total));
  auto *raw = total <= 0x7FFFFFFF ? static_cast<uint8_t *>(calloc(1, total)) : nullptr;
  if (!raw) {
    KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"Out of memory size(%d)\n",
               static_cast<int>(total > 0x7FFFFFFF ? 0x7FFFFFFF : total));
    return false;
  }
  auto *chunk = reinterpret_cast<Chunk *>(raw);
  chunk->descs = reinterpret_cast<BlockDesc *>(raw + head);
  chunk->nodes = reinterpret_cast<KrnListNode *>(raw + head + descBytes);
  chunk->blocks = raw + head + descBytes + nodeBytes;
  chunk->link.data = chunk;
  for (int32_t i = 0; i < kChunkBlocks; ++i) {
    BlockDesc &d = chunk->descs[i];
    d.block = chunk->blocks + static_cast<size_t>(i) * static_cast<size_t>(pool->size);
    d.size = pool->size;
    d.index = i;
    chunk->nodes[i].data = &d;
  }
  KRN_NListAddTail(pool->chunks, &chunk->link);
  return true;
}

void releasePool(Pool *pool) {
  while (KrnListNode *link = KRN_NListGetHead(pool->chunks)) {
    KRN_NListDel(pool->chunks, link);
    free(link->data);  // the chunk record heads its own allocation
  }
  KRN_NListDestroy(pool->chunks);
  KRN_NListDestroy(pool->inUse);
  KRN_NListDestroy(pool->freeBlocks);
  free(pool->name);
  *pool = Pool{};
}

// The chunk holding a block of this pool (and the block's index), or null.
Chunk *chunkOf(Pool *pool, const void *block, int32_t *index) {
  const auto *p = static_cast<const uint8_t *>(block);
  const size_t size = static_cast<size_t>(pool->size);
  const size_t span = static_cast<size_t>(kChunkBlocks) * size;
  for (KrnListNode *n = KRN_NListGetHead(pool->chunks); n; n = n->next) {
    auto *chunk = static_cast<Chunk *>(n->data);
    if (p < chunk->blocks || p >= chunk->blocks + span) continue;
    size_t offset = static_cast<size_t>(p - chunk->blocks);
    if (offset % size != 0) return nullptr;
    *index = static_cast<int32_t>(offset / size);
    return chunk;
  }
  return nullptr;
}

void *allocFrom(Pool *pool, const char *fn) {
  KrnListNode *node = KRN_NListGetHead(pool->freeBlocks);
  if (node) {
    KRN_NListDel(pool->freeBlocks, node);
  } else {
    KrnListNode *last = KRN_NListGetTail(pool->chunks);
    auto *chunk = last ? static_cast<Chunk *>(last->data) : nullptr;
    if (!chunk || chunk->untouched >= kChunkBlocks) {
      if (!addChunk(pool, fn)) return nullptr;
      chunk = static_cast<Chunk *>(KRN_NListGetTail(pool->chunks)->data);
    }
    node = &chunk->nodes[chunk->untouched++];
  }
  auto *d = static_cast<BlockDesc *>(node->data);
  d->inUse = 1;
  d->owner = pool->inUse;
  KRN_NListAddTail(pool->inUse, node);
  memset(d->block, 0, static_cast<size_t>(d->size));
  return d->block;
}

// 0, or -1 when the block is not one of this pool's blocks in use.
int32_t freeTo(Pool *pool, void *block) {
  int32_t index = 0;
  Chunk *chunk = chunkOf(pool, block, &index);
  if (!chunk || !chunk->descs[index].inUse) return -1;
  BlockDesc *d = &chunk->descs[index];
  KrnListNode *node = &chunk->nodes[index];
  krn::nlistDelMember(pool->inUse, node);  // its descriptor says it is there
  d->inUse = 0;
  d->owner = pool->freeBlocks;
  KRN_NListAddHead(pool->freeBlocks, node);
  return 0;
}

}  // namespace

namespace krn {

void *smemAllocIfRegistered(int32_t size) {
  if (gRegistered.load(std::memory_order_acquire) == 0) return nullptr;
  PoolGuard guard;
  if (!guard.ok("KRN_SMalloc")) return nullptr;
  Pool *pool = findPool(size);
  return pool ? allocFrom(pool, "KRN_SMalloc") : nullptr;
}

int smemFreeIfOwned(void *block, int32_t size) {
  if (gRegistered.load(std::memory_order_acquire) == 0) return 0;
  PoolGuard guard;
  if (!guard.ok("KRN_SFree")) return -1;
  Pool *pool = findPool(size);
  return pool && freeTo(pool, block) == 0 ? 1 : 0;
}

}  // namespace krn

extern "C" {

int32_t KRN_SMalloc_Init(void) {
  if (!ensureLock()) {
    KRN_LOGE(L"KRN_MutexCreate fail.\n");
    return -1;
  }
  return 0;
}

int32_t KRN_SMalloc_Deinit(void) {
  KrnMutex *lock = nullptr;
  {
    PoolGuard guard;
    if (!guard.ok(__func__)) return -1;
    // Every registered pool relies on the lock; it goes only with the last one.
    const int registered = gRegistered.load();
    if (registered > 0) {
      KRN_LOGE(L"pools still registered (%d)\n", registered);
      return -1;
    }
    lock = gLock.exchange(nullptr);
  }
  // A call that took the lock up just before it was withdrawn finishes first.
  while (gLockUsers.load() > 0) KRN_ThreadSleep(1);
  if (lock) KRN_MutexDestroy(lock);
  return 0;
}

int32_t KRN_SMalloc_Register(int32_t size, const wchar_t *name) {
  KRN_LOG(KRN_TRACE_TRACE, L"size(%d)\n", size);
  if (size <= 0) {
    KRN_LOGE(L"invalid mem block size\n");
    return -1;
  }
  // A pool may serve threads from the moment it exists, so it never exists
  // without its lock.
  if (!ensureLock()) {
    KRN_LOGE(L"KRN_MutexCreate fail.\n");
    return -1;
  }
  PoolGuard guard;
  if (!guard.ok(__func__)) return -1;
  if (!guard.locked()) {  // KRN_SMalloc_Deinit came in between
    KRN_LOGE(L"pool lock withdrawn\n");
    return -1;
  }
  int32_t rounded = roundedSize(size);
  int used = 0;
  Pool *slot = nullptr;
  for (Pool &p : gPools) {
    if (p.size == rounded) {
      KRN_LOG(KRN_TRACE_INFO, L"already registered regsize(%d) size(%d)\n", p.size, size);
      return 0;
    }
    if (p.size) ++used;
    if (!p.size && !slot) slot = &p;
  }
  if (!slot) {
    KRN_LOGE(L"No more smemory register cur(%d)\n", used);
    return -1;
  }
  Pool pool{};
  pool.size = rounded;
  if (name) {
    size_t len = wcslen(name);
    pool.name = static_cast<wchar_t *>(malloc((len + 1) * sizeof(wchar_t)));
    if (pool.name) wmemcpy(pool.name, name, len + 1);
  }
  if (!(pool.chunks = KRN_NListCreate())) KRN_LOGE(L"can not alloc clist\n");
  if (pool.chunks && !(pool.inUse = KRN_NListCreate())) KRN_LOGE(L"can not alloc alist\n");
  if (pool.inUse && !(pool.freeBlocks = KRN_NListCreate())) KRN_LOGE(L"can not alloc flist\n");
  if (!pool.freeBlocks || (name && !pool.name)) {
    releasePool(&pool);
    return -1;
  }
  if (!addChunk(&pool, __func__)) {
    KRN_LOGE(L"KRN_SMallocAdd failed.\n");
    releasePool(&pool);
    return -1;
  }
  *slot = pool;
  gRegistered.fetch_add(1, std::memory_order_acq_rel);
  KRN_LOG(KRN_TRACE_DEBUG, L"success size(%d) index(%d)\n", rounded,
          static_cast<int>(slot - gPools));
  return 0;
}

int32_t KRN_SMalloc_UnRegister(int32_t size) {
  PoolGuard guard;
  if (!guard.ok(__func__)) return -1;
  Pool *pool = findPool(size);
  if (!pool) {
    KRN_LOGE(L"unregistered size(%d)\n", size);
    return -1;
  }
  // The chunks go back to the heap with the pool: not while blocks are out.
  const int32_t out = KRN_NListGetNum(pool->inUse);
  if (out > 0) {
    KRN_LOGE(L"%d blocks of size(%d) still in use\n", out, pool->size);
    return -1;
  }
  KRN_LOG(KRN_TRACE_DEBUG, L"registered size(%d)\n", size);
  releasePool(pool);
  gRegistered.fetch_sub(1, std::memory_order_acq_rel);
  return 0;
}

void *KRN_SMalloc(int32_t size) {
  if (size <= 0) {
    KRN_LOGE(L"invalid mem block size\n");
    return nullptr;
  }
  PoolGuard guard;
  if (!guard.ok(__func__)) return nullptr;
  Pool *pool = findPool(size);
  if (!pool) {
    KRN_LOGE(L"can not find registerd memroy size(%d)\n", size);
    return nullptr;
  }
  return allocFrom(pool, __func__);
}

int32_t KRN_SFree(void *block, int32_t size) {
  if (!block || size <= 0) {
    KRN_LOGE(L"invalid mem block size\n");
    return -1;
  }
  PoolGuard guard;
  if (!guard.ok(__func__)) return -1;
  Pool *pool = findPool(size);
  if (!pool) {
    KRN_LOGE(L"can not find registerd memroy size(%d)\n", size);
    return -1;
  }
  // A block of another pool or one freed twice would otherwise be handed out
  // to two owners.
  if (freeTo(pool, block) != 0) {
    KRN_LOGE(L"block(%p) is not in use in pool size(%d)\n", block, pool->size);
    return -1;
  }
  return 0;
}

bool KRN_SMemIsReg(int32_t size) {
  PoolGuard guard;
  return guard.ok(__func__) && findPool(size) != nullptr;
}

const wchar_t *KRN_SMemGetName(int32_t size) {
  PoolGuard guard;
  Pool *pool = guard.ok(__func__) ? findPool(size) : nullptr;
  return pool ? pool->name : nullptr;
}

int32_t KRN_SMemStatus(int32_t *count, int64_t *reserved, int64_t *used) {
  PoolGuard guard;
  if (!guard.ok(__func__)) return -1;
  int32_t pools = 0;
  int64_t totalReserved = 0;
  int64_t totalUsed = 0;
  for (const Pool &p : gPools)
    if (p.size) ++pools;
  KRN_LOG(KRN_TRACE_INFO, L"total registered (%d)\n", pools);
  for (int i = 0; i < kMaxPools; ++i) {
    const Pool &p = gPools[i];
    if (!p.size) continue;
    int64_t poolReserved = static_cast<int64_t>(KRN_NListGetNum(p.chunks)) * kChunkBlocks * p.size;
    int32_t inUse = KRN_NListGetNum(p.inUse);
    int64_t poolUsed = static_cast<int64_t>(inUse) * p.size;
    KRN_LOG(KRN_TRACE_INFO, L"### index(%d) size:%d alist:%lx flist:%lx\n", i, p.size,
            reinterpret_cast<unsigned long>(p.inUse),
            reinterpret_cast<unsigned long>(p.freeBlocks));
    KRN_LOG(KRN_TRACE_INFO,
            L"smem(%d) total alloc list count:%d reseve:%lld(bytes) used:%lld(bytes) "
            L"free:%lld(bytes)\n\n",
            i, inUse, static_cast<long long>(poolReserved), static_cast<long long>(poolUsed),
            static_cast<long long>(poolReserved - poolUsed));
    totalReserved += poolReserved;
    totalUsed += poolUsed;
  }
  if (count) *count = pools;
  if (reserved) *reserved = totalReserved;
  if (used) *used = totalUsed;
  return 0;
}

void *KRN_ShmMalloc(uint32_t) {
  return nullptr;
}

void KRN_ShmFree(void *) {}

}  // extern "C"
