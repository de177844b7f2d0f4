// The frame buffer: one writer and any number of readers sharing a circular
// byte area cut into variable-size frames.
//
// Frames are numbered in commit order. The shared part keeps the number of
// the next frame to write and of the oldest frame some handle still holds;
// each handle keeps the number of the next frame it will release. Node
// indexes are these numbers modulo the node count. A frame's readers-to-
// release count therefore always equals the handles that have not passed it,
// which is what lets duplicates join late, handles leave early and readers
// jump with KRNBuf_FindRBuf without a frame being freed twice or never.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "krncore_internal.h"

#define KRN_MODULE L"krnbuffer"
#define KRN_SOURCE L"krncore_buffer"

namespace {

constexpr uint32_t kUserLockWaitMs = 3000;
constexpr int64_t kHighWaterPercent = 80;

std::atomic<int64_t> gUsage[KRN_BUF_USAGE_SLOTS];
std::atomic<int32_t> gHighWater{0};

}  // namespace

struct BufShared {
  int32_t refCount;
  uint64_t writeSeq;   // frames committed so far
  uint64_t oldestSeq;  // first frame not yet released by every handle
  uint64_t writtenBytes;
  int64_t newestStamp;
  uint8_t *pendingWrite;  // last KRNBuf_GetWBuf answer not committed yet
  uint8_t *ownedArea;     // heap area to free, or null
  KrnBufNode *nodes;
  KrnMutex *lock;
  KrnMutex *userLock;
};

struct KrnBuf {
  KrnBufParam cfg;  // bufSize and minSize as the area really is
  uint8_t *start;
  uint8_t *end;
  BufShared *shared;
  uint64_t readSeq;
  uint64_t releasedBytes;
};

namespace {

int64_t roundUp(int64_t value, int32_t align) {
  return (value + align - 1) / align * align;
}

KrnBufNode &frameAt(const KrnBuf *b, uint64_t seq) {
  return b->shared->nodes[seq % static_cast<uint64_t>(b->cfg.number)];
}

int32_t usedCount(const BufShared *s) {
  return static_cast<int32_t>(s->writeSeq - s->oldestSeq);
}

int32_t indexOf(const KrnBuf *b, uint64_t seq) {
  return static_cast<int32_t>(seq % static_cast<uint64_t>(b->cfg.number));
}

void recordUsage(const KrnBuf *b, int64_t freeSpace) {
  int64_t usage =
      (static_cast<int64_t>(b->cfg.bufSize) + b->cfg.minSize - freeSpace) * 100 / b->cfg.bufSize;
  int slot = -1;
  if (b->cfg.media == 1 && b->cfg.index >= 0 && b->cfg.index < 16) slot = b->cfg.index;
  if (b->cfg.media == 2) slot = 16;
  if (b->cfg.media == 3) slot = 17;
  if (slot >= 0) gUsage[slot].store(usage, std::memory_order_relaxed);
  gHighWater.store(usage >= kHighWaterPercent ? 1 : 0, std::memory_order_relaxed);
}

// Advances the handle past the frame at its read position.
void releaseOne(KrnBuf *b) {
  BufShared *s = b->shared;
  KrnBufNode &frame = frameAt(b, b->readSeq);
  --frame.refCnt;
  b->releasedBytes += static_cast<uint64_t>(frame.asize);
  ++b->readSeq;
  while (s->oldestSeq < s->writeSeq && frameAt(b, s->oldestSeq).refCnt <= 0) ++s->oldestSeq;
}

class MainLock {
 public:
  // An unlimited wait fails only when the previous owner died holding the
  // lock; the mutex is whole again after that report, so one retry follows.
  explicit MainLock(const KrnBuf *b) : lock_(b->shared->lock) {
    ok_ = KRN_MutexLock(lock_, KRN_INFINITE) == 0 || KRN_MutexLock(lock_, KRN_INFINITE) == 0;
  }
  ~MainLock() {
    if (ok_) KRN_MutexUnLock(lock_);
  }
  // Nothing may be done without the lock: on false the caller fails.
  bool ok(const char *fn) const {
    if (!ok_) KRN_LOG_AS(fn, KRN_TRACE_ERROR, L"buffer lock failed\n");
    return ok_;
  }
  MainLock(const MainLock &) = delete;
  MainLock &operator=(const MainLock &) = delete;

 private:
  KrnMutex *lock_;
  bool ok_;
};

void freeShared(BufShared *s, const KrnBuf *b) {
  if (b->cfg.extFree) {
    KRN_LOG(KRN_TRACE_DEBUG, L"used ext buf (%lx)\n", reinterpret_cast<unsigned long>(b->start));
    b->cfg.extFree(b->start);
  } else if (s->ownedArea) {
    KRN_LOG(KRN_TRACE_DEBUG, L"has buffer head (%lx)\n",
            reinterpret_cast<unsigned long>(s->ownedArea));
    KRN_Free(s->ownedArea, 1);
  }
  KRN_MutexDestroy(s->userLock);
  KRN_MutexDestroy(s->lock);
  free(s->nodes);
  free(s);
}

KrnBuf *duplicate(KrnBuf *source) {
  KRN_LOG(KRN_TRACE_DEBUG, L"duplicate buf(%lx)\n", reinterpret_cast<unsigned long>(source));
  auto *b = static_cast<KrnBuf *>(calloc(1, sizeof(KrnBuf)));
  if (!b) {
    KRN_LOGE(L"newbuf alloc failed\n");
    return nullptr;
  }
  MainLock held(source);
  if (!held.ok("KRNBuf_Create")) {
    free(b);
    return nullptr;
  }
  *b = *source;
  BufShared *s = source->shared;
  ++s->refCount;
  // The newcomer will release every frame its source has still to release.
  for (uint64_t seq = b->readSeq; seq < s->writeSeq; ++seq) ++frameAt(b, seq).refCnt;
  KRN_LOG(KRN_TRACE_DEBUG, L"dup buffer(%lx) media(%d) index(%d)\n",
          reinterpret_cast<unsigned long>(b), b->cfg.media, b->cfg.index);
  return b;
}

bool validParam(const KrnBufParam *p) {
  if (!p) {
    KRN_LOGE(L"invalid arguments param(%p)\n", static_cast<const void *>(p));
    return false;
  }
  if ((p->extAlloc == nullptr) != (p->extFree == nullptr)) {
    KRN_LOGE(L"invalid param alloc(%lx) free(%lx)\n", reinterpret_cast<unsigned long>(p->extAlloc),
             reinterpret_cast<unsigned long>(p->extFree));
    return false;
  }
  if (p->bufSize <= 0 || p->number <= 0) {
    KRN_LOGE(L"invalid param bufsize(%d) number(%d)\n", p->bufSize, p->number);
    return false;
  }
  // Every write is handed minSize bytes of room, so it must fit the area.
  int32_t align = p->align < 2 ? 1 : p->align;
  if (p->minSize <= 0 || roundUp(p->minSize, align) > p->bufSize) {
    KRN_LOGE(L"invalid param bufsize(%d) minsize(%d)\n", p->bufSize, p->minSize);
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

KrnBuf *KRNBuf_Create(const KrnBufParam *param, KrnBuf *source) {
  if (source) return duplicate(source);
  if (!validParam(param)) return nullptr;
  KrnBufParam cfg = *param;
  cfg.align = cfg.align < 2 ? 1 : cfg.align;
  // Frames take their size rounded up to the alignment; rounding the room
  // the same way keeps a frame inside the space it was given.
  cfg.minSize = static_cast<int32_t>(roundUp(cfg.minSize, cfg.align));
  KRN_LOG(KRN_TRACE_DEBUG, L"bufsize(%d) minsize(%d) number(%d) align(%d) index(%d)\n", cfg.bufSize,
          cfg.minSize, cfg.number, cfg.align, cfg.index);

  auto *s = static_cast<BufShared *>(calloc(1, sizeof(BufShared)));
  if (!s) {
    KRN_LOGE(L"buffer info alloc failed size(%d)\n", static_cast<int>(sizeof(BufShared)));
    return nullptr;
  }
  uint8_t *area = nullptr;
  const int64_t rounded = roundUp(cfg.bufSize, cfg.align);
  if (cfg.extAlloc) {
    if (rounded <= 0x7FFFFFFF)
      area = static_cast<uint8_t *>(cfg.extAlloc(static_cast<uint32_t>(rounded)));
    if (!area) {
      KRN_LOGE(L"external buffer alloc failed size(%d)\n", cfg.bufSize);
      free(s);
      return nullptr;
    }
    cfg.bufSize = static_cast<int32_t>(rounded);
  } else if (cfg.extMem) {
    area = static_cast<uint8_t *>(cfg.extMem);
  } else {
    bool pow2 = (cfg.align & (cfg.align - 1)) == 0;
    if (rounded <= 0x7FFFFFFF)
      area = static_cast<uint8_t *>(KRN_Malloc(static_cast<uint32_t>(rounded),
                                               pow2 && cfg.align > 1 ? cfg.align : 16, -1,
                                               KRN_SOURCE, __LINE__, L"KRNBuf_Create"));
    if (!area) {
      KRN_LOGE(L"buffer head alloc failed size(%d)\n", cfg.bufSize);
      free(s);
      return nullptr;
    }
    s->ownedArea = area;
    cfg.bufSize = static_cast<int32_t>(rounded);
  }
  auto *b = static_cast<KrnBuf *>(calloc(1, sizeof(KrnBuf)));
  s->nodes = static_cast<KrnBufNode *>(calloc(static_cast<size_t>(cfg.number), sizeof(KrnBufNode)));
  s->lock = KRN_MutexCreate();
  s->userLock = KRN_MutexCreate();
  if (!b || !s->nodes || !s->lock || !s->userLock) {
    if (!b) KRN_LOGE(L"buf alloc failed\n");
    if (!s->nodes)
      KRN_LOGE(L"buffer node alloc failed size(%d)\n",
               static_cast<int>(static_cast<size_t>(cfg.number) * sizeof(KrnBufNode)));
    if (!s->lock || !s->userLock) KRN_LOGE(L"mutex create failed\n");
    KrnBuf owner{};
    owner.cfg = cfg;
    owner.start = area;
    freeShared(s, &owner);
    free(b);
    return nullptr;
  }
  s->refCount = 1;
  b->cfg = cfg;
  b->start = area;
  b->end = area + cfg.bufSize;
  b->shared = s;
  KRN_LOG(KRN_TRACE_DEBUG, L"buffer(%lx) media(%d) index(%d)\n", reinterpret_cast<unsigned long>(b),
          cfg.media, cfg.index);
  return b;
}

int32_t KRNBuf_Destroy(KrnBuf *buf) {
  if (!buf) {
    KRN_LOGE(L"invalid arguments param(%p)\n", static_cast<void *>(buf));
    return KRN_EINVAL;
  }
  BufShared *s = buf->shared;
  int32_t remaining;
  {
    MainLock held(buf);
    if (!held.ok(__func__)) return KRN_FAIL;  // the handle stays as it was
    // Frames this handle never released would otherwise stay held for ever.
    while (buf->readSeq < s->writeSeq) releaseOne(buf);
    remaining = --s->refCount;
  }
  KRN_LOG(KRN_TRACE_DEBUG, L"buf(%lx) decrease ref count to (%d)\n",
          reinterpret_cast<unsigned long>(buf), remaining);
  if (remaining <= 0) {
    KRN_LOG(KRN_TRACE_DEBUG, L"ref count is zero\n");
    freeShared(s, buf);
  }
  free(buf);
  return 0;
}

int32_t KRNBuf_GetWBuf(KrnBuf *buf, KrnBufNode *node) {
  if (!buf || !node) {
    KRN_LOGE(L"invalid arguments param(%p)\n", static_cast<void *>(node));
    return KRN_EINVAL;
  }
  const KrnBufParam &c = buf->cfg;
  BufShared *s = buf->shared;
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  const int32_t used = usedCount(s);
  uint8_t *write;
  int64_t freeSpace;
  if (used == 0) {
    write = buf->start;
    freeSpace = c.bufSize;
  } else if (used >= c.number) {
    KRN_LOGE(L"not enough write buffer (media:%d, index:%d, count(%d) >= maxnumber(%d)\n", c.media,
             c.index, used, c.number);
    return KRN_ENOSPC;
  } else {
    const KrnBufNode &newest = frameAt(buf, s->writeSeq - 1);
    const KrnBufNode &oldest = frameAt(buf, s->oldestSeq);
    uint8_t *e = newest.buf + newest.asize;
    uint8_t *start = oldest.buf;
    // Wrapped means the held frames run from the oldest to the area's end
    // and on from its start to the newest; the only gap is between them.
    // Telling this by the frames' order rather than by comparing the two
    // ends keeps a gap of zero from passing for a free area.
    if (newest.buf < oldest.buf) {
      freeSpace = start - e;
      if (freeSpace < c.minSize) {
        KRN_LOGE(
            L"not enough write buffer space (media:%d, index:%d, remain:%d < minsize:%d, "
            L"usedcnt:%d, num:%d)\n",
            c.media, c.index, static_cast<int>(freeSpace), c.minSize, used, c.number);
        return KRN_ENOSPC;
      }
      write = e;
    } else {
      freeSpace = (start - e) + c.bufSize;
      if (freeSpace < c.minSize) {
        KRN_LOGE(
            L"not enough write buffer space (media:%d, index:%d, remain:%d < minsize:%d, "
            L"usedcnt:%d, num:%d)\n",
            c.media, c.index, static_cast<int>(freeSpace), c.minSize, used, c.number);
        return KRN_ENOSPC;
      }
      if (buf->end - e > c.minSize) {
        write = e;
      } else if (start - buf->start >= c.minSize) {
        write = buf->start;
      } else {
        KRN_LOGE(L"not enough write buffer space\n");
        return KRN_ENOSPC;
      }
    }
  }
  recordUsage(buf, freeSpace);
  s->pendingWrite = write;
  node->buf = write;
  node->asize = c.minSize;
  return 0;
}

int32_t KRNBuf_FillWBuf(KrnBuf *buf, KrnBufNode *node) {
  if (!buf || !node || !node->buf || node->size <= 0) {
    KRN_LOGE(L"invalid arguments node size(%d) buf(%p)\n", node ? node->size : 0,
             node ? static_cast<void *>(node->buf) : nullptr);
    return KRN_EINVAL;
  }
  const KrnBufParam &c = buf->cfg;
  if (!(node->size <= node->asize && node->asize <= c.minSize)) {
    KRN_LOGE(L"invalid arguments bufsize(%d) minsize(%d) size(%d)\n", node->asize, c.minSize,
             node->size);
    return KRN_EINVAL;
  }
  BufShared *s = buf->shared;
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  if (usedCount(s) >= c.number) {
    KRN_LOGE(L"not enough write buffer count\n");
    return KRN_ENOSPC;
  }
  // Only the room KRNBuf_GetWBuf handed out may be committed, and only once;
  // anything else would lay a frame over frames still held.
  if (node->buf != s->pendingWrite) {
    KRN_LOGE(L"invalid arguments node size(%d) buf(%p)\n", node->size,
             static_cast<void *>(node->buf));
    return KRN_EINVAL;
  }
  KrnBufNode &frame = frameAt(buf, s->writeSeq);
  frame = *node;
  frame.asize = static_cast<int32_t>(roundUp(node->size, c.align));
  frame.index = c.index;
  frame.refCnt = s->refCount;
  s->newestStamp = node->stamp;
  s->writtenBytes += static_cast<uint64_t>(frame.asize);
  s->pendingWrite = nullptr;
  ++s->writeSeq;
  return 0;
}

int32_t KRNBuf_GetRBuf(KrnBuf *buf, KrnBufNode *node) {
  if (!buf || !node) {
    KRN_LOGE(L"invalid arguments param(%p)\n", static_cast<void *>(node));
    return KRN_EINVAL;
  }
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  if (buf->readSeq >= buf->shared->writeSeq) return KRN_ENODATA;
  *node = frameAt(buf, buf->readSeq);
  return 0;
}

int32_t KRNBuf_DelRBuf(KrnBuf *buf, KrnBufNode *) {
  if (!buf) {
    KRN_LOGE(L"invalid arguments param(%p)\n", static_cast<void *>(buf));
    return KRN_EINVAL;
  }
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  if (buf->readSeq >= buf->shared->writeSeq) return KRN_ENODATA;
  releaseOne(buf);
  return 0;
}

int32_t KRNBuf_FindRBuf(KrnBuf *buf, const void *data, KrnBufNode *node) {
  if (!buf) {
    KRN_LOGE(L"invalid arguments param(%p)\n", static_cast<void *>(buf));
    return KRN_EINVAL;
  }
  BufShared *s = buf->shared;
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  for (uint64_t seq = buf->readSeq; seq < s->writeSeq; ++seq) {
    if (frameAt(buf, seq).buf != data) continue;
    // Frames passed over are released: this handle will not come back to them.
    while (buf->readSeq < seq) releaseOne(buf);
    if (node) *node = frameAt(buf, seq);
    return 0;
  }
  for (uint64_t seq = buf->readSeq; seq > s->oldestSeq;) {
    --seq;
    if (frameAt(buf, seq).buf != data) continue;
    // Going back takes the frames up again; they are still held by others,
    // so they cannot have been reused.
    while (buf->readSeq > seq) {
      --buf->readSeq;
      KrnBufNode &frame = frameAt(buf, buf->readSeq);
      ++frame.refCnt;
      buf->releasedBytes -= static_cast<uint64_t>(frame.asize);
    }
    if (node) *node = frameAt(buf, seq);
    return 0;
  }
  return -1;
}

int32_t KRNBuf_BufStatus(KrnBuf *buf, KrnBufStatus *status) {
  if (!buf || !status) {
    KRN_LOGE(L"invalid arguments param(%p)\n", static_cast<void *>(status));
    return KRN_EINVAL;
  }
  BufShared *s = buf->shared;
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  status->bufSize = buf->cfg.bufSize;
  status->minSize = buf->cfg.minSize;
  status->unreleased = static_cast<int32_t>(s->writtenBytes - buf->releasedBytes);
  status->usedCount = usedCount(s);
  status->writeIndex = indexOf(buf, s->writeSeq);
  status->readIndex = indexOf(buf, buf->readSeq);
  status->stampSpan =
      buf->readSeq < s->writeSeq ? s->newestStamp - frameAt(buf, buf->readSeq).stamp : 0;
  status->index = buf->cfg.index;
  status->media = buf->cfg.media;
  return 0;
}

int32_t KRNBuf_GetBufRefCnt(KrnBuf *buf) {
  if (!buf) return KRN_EINVAL;
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  return buf->shared->refCount;
}

int32_t KRNBuf_AddBufRefCnt(KrnBuf *buf) {
  if (!buf) return KRN_EINVAL;
  MainLock held(buf);
  if (!held.ok(__func__)) return KRN_FAIL;
  ++buf->shared->refCount;
  return 0;
}

bool KRNBuf_CheckBuf(KrnBuf *buf, const KrnBufNode *node, const void *ptr) {
  if (!buf || !node) return false;
  if (node->buf == ptr) return true;
  MainLock held(buf);
  if (!held.ok(__func__)) return false;
  KRN_LOGE(L"node->buf (%p) != memdata (%p) Mismatch!  (widx:%d, ridx:%d)\n",
           static_cast<void *>(node->buf), ptr, indexOf(buf, buf->shared->writeSeq),
           indexOf(buf, buf->readSeq));
  return false;
}

int32_t KRNBuf_LockEnter(KrnBuf *buf) {
  if (!buf) return KRN_EINVAL;
  if (KRN_MutexLock(buf->shared->userLock, kUserLockWaitMs) != 0) {
    KRN_LOGE(L"lock timeout! (err %d:%s)\n", ETIMEDOUT, krn::errnoText(ETIMEDOUT));
    // Going on as if the lock were held would let two callers into the
    // section it guards.
    return KRN_FAIL;
  }
  return 0;
}

int32_t KRNBuf_LockLeave(KrnBuf *buf) {
  if (!buf) return KRN_EINVAL;
  return KRN_MutexUnLock(buf->shared->userLock) == 0 ? 0 : KRN_FAIL;
}

const KrnBufUsage *KRNBuf_GetUsage(void) {
  thread_local KrnBufUsage copy;
  for (int i = 0; i < KRN_BUF_USAGE_SLOTS; ++i)
    copy.percent[i] = gUsage[i].load(std::memory_order_relaxed);
  copy.highWater = gHighWater.load(std::memory_order_relaxed);
  return &copy;
}

}  // extern "C"
