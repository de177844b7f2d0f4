// The file stream: per-cursor read caches, a two-node write cache and a peek
// cursor over krncore's buffered files.
#include <cstdlib>
#include <cstring>
#include <cstdio>

#include "krnstream.h"
#include "krnstream_file_internal.h"
#include "krnstream_trace.h"

#define KS_MODULE L"krnstreamfile"
#define KS_SOURCE L"krnstream_file"

namespace {

constexpr uint32_t kPerfWindowMs = 3000;

struct KRNFileIndex {
  uint32_t position;  // file position of the next byte to fetch
  uint8_t *m_pCache;
  uint32_t cursor;
  uint32_t cacheSize;
  uint32_t remain;
};

struct KRNWCacheNode {
  uint8_t *m_pBuffer;
  uint32_t used;
  uint32_t start;
  uint8_t full;
  KRNWCacheNode *next;
};

int32_t gOption = 0;
KRNStreamOptionCallback gOptionCallback = nullptr;

// Write performance, process-wide and diagnostic only.
uint64_t gPerfBytes = 0;
uint64_t gPerfWriteMs = 0;
uint64_t gPerfWindowStart = 0;

inline int32_t code(uint32_t c) {
  return static_cast<int32_t>(c);
}

}  // namespace

struct KRNStreamFile {
  KrnFile *file;
  wchar_t *path;  // the whole path as given, however long
  uint8_t writeMode;
  uint32_t size;
  KRNFileIndex *indexes[KRNSTREAM_MAX_INDEX];
  uint32_t indexCount;
  uint32_t osPos;
  uint32_t showPos;
  KRNWCacheNode *fill;
  KRNWCacheNode *flush;
  int32_t writeError;
  uint32_t nodeSize;
  uint32_t nodeCount;
  KrnThread *flushThread;
  uint8_t stop;
  uint8_t syncAtClose;
  // The option of the writer that opened this stream (write mode only).
  int32_t option;
  KRNStreamOptionCallback optionCallback;
};

namespace {

KRNStreamFile *asFile(void *p) {
  return static_cast<KRNStreamFile *>(p);
}

wchar_t *copyPath(const wchar_t *path, const char *function) {
  size_t units = wcslen(path) + 1;
  auto *out = static_cast<wchar_t *>(
      KRN_Malloc(units * sizeof(wchar_t), 0, 0, KS_SOURCE, __LINE__, L"KRNStreamFile_Open"));
  if (!out) {
    KS_LOG_AS(function, KRN_TRACE_ERROR, L"KRNStreamFile alloc failed. size(%d)\n",
              static_cast<int>(units * sizeof(wchar_t)));
    return nullptr;
  }
  wmemcpy(out, path, units);
  return out;
}

KRNFileIndex *indexOf(KRNStreamFile *f, int32_t index) {
  if (!f || index < 0 || index >= KRNSTREAM_MAX_INDEX) return nullptr;
  return f->indexes[index];
}

// Moves the OS file position to pos unless it already stands there.
bool placeOs(KRNStreamFile *f, uint32_t pos) {
  if (f->osPos == pos) return true;
  if (KRN_FileSeek(f->file, pos, KRN_SEEK_SET) != 0) return false;
  f->osPos = pos;
  return true;
}

// Reads len bytes for a cursor straight from the file (traced as
// KRNStreamFile_Read). Reading at the end of the file is a failure.
int32_t fetch(KRNStreamFile *f, KRNFileIndex *idx, uint8_t *buffer, uint32_t len) {
  if (!placeOs(f, idx->position)) {
    KS_LOG_AS("KRNStreamFile_Read", KRN_TRACE_ERROR, L"KRN_FileSeek pos(%x)error. ret(%d)\n",
              idx->position, -1);
    return code(KRN_ERR_SEEK);
  }
  uint64_t got = KRN_FileRead(f->file, buffer, len);
  if (got < 1) {
    KS_LOG_AS("KRNStreamFile_Read", KRN_TRACE_ERROR, L"KRN_FileRead error. len(%d) ret(%d)\n",
              static_cast<int>(len), static_cast<int>(got));
    return code(KRN_ERR_READ);
  }
  f->osPos += static_cast<uint32_t>(got);
  idx->position += static_cast<uint32_t>(got);
  return static_cast<int32_t>(got);
}

void notePerf(uint32_t bytes, uint64_t ms) {
  uint64_t now = KRN_GetSystemTick();
  if (gPerfWindowStart == 0) gPerfWindowStart = now;
  gPerfBytes += bytes;
  gPerfWriteMs += ms;
  if (now - gPerfWindowStart < kPerfWindowMs) return;
  uint64_t rate = gPerfWriteMs ? gPerfBytes / gPerfWriteMs * 1000 * 8 : 0;
  KS_LOG_AS("KRNStreamFile_WriteCache", KRN_TRACE_INFO,
            L"PERF elapse time(%d)ms, size(%d)byte, (%d)bps\n", static_cast<int>(gPerfWriteMs),
            static_cast<int>(gPerfBytes), static_cast<int>(rate));
  gPerfBytes = gPerfWriteMs = 0;
  gPerfWindowStart = now;
}

// Writes out the flush node (traced as KRNStreamFile_WriteCache).
int32_t writeCache(KRNStreamFile *f) {
  KRNWCacheNode *node = f->flush;
  if (!node->full) {
    KS_LOG_AS("KRNStreamFile_WriteCache", KRN_TRACE_ERROR, L"invalid action\n");
    return 0;
  }
  if (!placeOs(f, node->start)) {
    KS_LOG_AS("KRNStreamFile_WriteCache", KRN_TRACE_ERROR, L"KRN_FileSeek error pos(%u)\n",
              node->start);
    return code(KRN_ERR_SEEK);
  }
  uint64_t began = KRN_GetSystemTick();
  uint64_t put = KRN_FileWrite(f->file, node->m_pBuffer, node->used);
  if (put != node->used) {
    // A short write (a full disk, a file-size limit) lost the rest of the
    // node: the stream is broken from here on.
    KS_LOG_AS("KRNStreamFile_WriteCache", KRN_TRACE_ERROR,
              L"SysFileWrite error. ret(%ld) Pos(%x) Size(%x)\n", static_cast<long>(put),
              node->start, node->used);
    f->osPos = UINT32_MAX;  // wherever the short write left it
    return code(KRN_ERR_WRITE);
  }
  notePerf(static_cast<uint32_t>(put), KRN_GetSystemTick() - began);
  f->osPos = node->start + static_cast<uint32_t>(put);
  node->used = 0;
  node->full = 0;
  f->flush = node->next;
  return static_cast<int32_t>(put);
}

void freeNodes(KRNStreamFile *f) {
  KRNWCacheNode *node = f->fill;
  for (uint32_t i = 0; node && i < f->nodeCount; ++i) {
    KRNWCacheNode *next = node->next;
    KRN_Free(node->m_pBuffer, 0);
    KRN_Free(node, 0);
    node = next;
  }
  f->fill = f->flush = nullptr;
  f->nodeCount = 0;
}

int32_t setUpWriteCache(KRNStreamFile *f, uint32_t cacheSize) {
  f->nodeSize = cacheSize / 2;
  if (f->nodeSize == 0) return 0;  // too small to halve: write straight through
  KRNWCacheNode *nodes[2] = {};
  for (auto &node : nodes) {
    node = static_cast<KRNWCacheNode *>(
        KRN_Malloc(sizeof(KRNWCacheNode), 0, 0, KS_SOURCE, __LINE__, L"KRNStreamFile_Index"));
    if (!node) {
      KS_LOG_AS("KRNStreamFile_Index", KRN_TRACE_ERROR, L"KRNWCacheNode alloc failed. size(%d)\n",
                static_cast<int>(sizeof(KRNWCacheNode)));
    } else if (!(node->m_pBuffer = static_cast<uint8_t *>(KRN_Malloc(
                     f->nodeSize, 0, -1, KS_SOURCE, __LINE__, L"KRNStreamFile_Index")))) {
      KS_LOG_AS("KRNStreamFile_Index", KRN_TRACE_ERROR,
                L"m_pBuffer of KRNWCacheNode alloc failed. size(%d)\n",
                static_cast<int>(f->nodeSize));
      KRN_Free(node, 0);
      node = nullptr;
    }
    if (!node) {
      if (nodes[0]) {
        KRN_Free(nodes[0]->m_pBuffer, 0);
        KRN_Free(nodes[0], 0);
      }
      return code(KRN_ERR_NOMEM);
    }
  }
  nodes[0]->next = nodes[1];
  nodes[1]->next = nodes[0];
  f->fill = f->flush = nodes[0];
  f->nodeCount = 2;
  return 0;
}

// Read-back of a stream that is being written: bytes still held by a cache
// node are newer than the file's, so they are laid over what the file has.
int32_t readThroughWriteCache(KRNStreamFile *f, KRNFileIndex *idx, uint8_t *buffer, uint32_t len) {
  uint32_t pos = idx->position;
  uint32_t delivered = 0;
  // Always seek here: the C runtime wants one between a write and a read.
  f->osPos = UINT32_MAX;
  if (placeOs(f, pos)) {
    uint64_t got = KRN_FileRead(f->file, buffer, len);
    f->osPos += static_cast<uint32_t>(got);
    delivered = static_cast<uint32_t>(got);
  }
  KRNWCacheNode *node = f->flush;
  for (uint32_t i = 0; i < f->nodeCount; ++i, node = node->next) {
    if (node->used == 0) continue;
    uint64_t from = pos > node->start ? pos : node->start;
    uint64_t to = static_cast<uint64_t>(node->start) + node->used;
    if (static_cast<uint64_t>(pos) + len < to) to = static_cast<uint64_t>(pos) + len;
    if (from >= to) continue;
    memcpy(buffer + (from - pos), node->m_pBuffer + (from - node->start), to - from);
    if (to - pos > delivered) delivered = static_cast<uint32_t>(to - pos);
  }
  if (delivered == 0) {
    KS_LOG_AS("KRNStreamFile_Read", KRN_TRACE_ERROR, L"KRN_FileRead error. len(%d) ret(%d)\n",
              static_cast<int>(len), 0);
    return code(KRN_ERR_READ);
  }
  idx->position += delivered;
  return static_cast<int32_t>(delivered);
}

}  // namespace

extern "C" {

int32_t KRNStreamFile_GetOption(void) {
  return gOption;
}

void KRNStreamFile_SetOption(int32_t value, KRNStreamOptionCallback callback) {
  gOption = value;
  gOptionCallback = callback;
}

int32_t KRNStreamFile_Open(KRNStreamBuf *handle, const wchar_t *path, int32_t write,
                           int32_t openExisting) {
  // A stream opened for writing outside a writer takes the process-wide
  // option; reading never does.
  return KRNStreamFile_OpenWithOption(handle, path, write, openExisting, write ? gOption : 0,
                                      write ? gOptionCallback : nullptr);
}

int32_t KRNStreamFile_OpenWithOption(KRNStreamBuf *handle, const wchar_t *path, int32_t write,
                                     int32_t openExisting, int32_t option,
                                     KRNStreamOptionCallback callback) {
  if (!path) {
    KS_LOGE(L"KRN_FileOpen failed. path(%s) write(%d)\n", L"(null)", write);
    return code(KRN_ERR_OPEN);
  }
  auto *f = static_cast<KRNStreamFile *>(
      KRN_Malloc(sizeof(KRNStreamFile), 0, 0, KS_SOURCE, __LINE__, L"KRNStreamFile_Open"));
  if (!f) {
    KS_LOGE(L"KRNStreamFile alloc failed. size(%d)\n", static_cast<int>(sizeof(KRNStreamFile)));
    return code(KRN_ERR_NOMEM);
  }
  f->writeMode = write ? 1 : 0;
  f->option = write ? option : 0;
  f->optionCallback = write ? callback : nullptr;
  f->path = copyPath(path, "KRNStreamFile_Open");
  if (!f->path) {
    KRN_Free(f, 0);
    return code(KRN_ERR_NOMEM);
  }
  // Only a read-only open is made for reading; a write-mode open keeps what
  // the file holds unless its writer asked for a fresh file.
  uint32_t flags = !write ? 2u : (openExisting && f->option == 0 ? 27u : 9u);
  f->file = KRN_FileOpen(path, flags);
  if (!f->file) {
    KS_LOGE(L"KRN_FileOpen failed. path(%ls) write(%d)\n", path, write);
    KRN_Free(f->path, 0);
    KRN_Free(f, 0);
    return code(KRN_ERR_OPEN);
  }
  if (!write) {
    int64_t size = KRN_FileSize(f->file);
    // Positions are 32-bit: a file they cannot address is refused outright
    // rather than read at wrapped-around positions.
    if (size < 0 || size > static_cast<int64_t>(UINT32_MAX)) {
      KS_LOGE(L"file too large for 32-bit positions. path(%ls) size(%lld)\n", path,
              static_cast<long long>(size));
      KRN_FileClose(f->file);
      KRN_Free(f->path, 0);
      KRN_Free(f, 0);
      return code(KRN_ERR_FORMAT);
    }
    f->size = static_cast<uint32_t>(size);
  }
  handle->impl = f;
  return 0;
}

int32_t KRNStreamFile_Dup(KRNStreamBuf *copy) {
  KRNStreamFile *src = asFile(copy->impl);
  if (src->writeMode) {
    KS_LOGE(L"can not support in write mode\n");
    return code(KRN_ERR_OPEN);
  }
  auto *f = static_cast<KRNStreamFile *>(
      KRN_Malloc(sizeof(KRNStreamFile), 0, 0, KS_SOURCE, __LINE__, L"KRNStreamFile_Dup"));
  if (!f) {
    KS_LOGE(L"KRNStreamFile alloc failed. size(%d)\n", static_cast<int>(sizeof(KRNStreamFile)));
    return code(KRN_ERR_NOMEM);
  }
  f->path = copyPath(src->path, "KRNStreamFile_Dup");
  if (!f->path) {
    KRN_Free(f, 0);
    return code(KRN_ERR_NOMEM);
  }
  f->file = KRN_FileOpen(src->path, 2);
  if (!f->file) {
    KS_LOGE(L"KRN_FileOpen failed. path(%ls)\n", src->path);
    KRN_Free(f->path, 0);
    KRN_Free(f, 0);
    return code(KRN_ERR_OPEN);
  }
  f->size = src->size;
  copy->impl = f;
  return 0;
}

int32_t KRNStreamFile_Close(void *file) {
  KRNStreamFile *f = asFile(file);
  if (!f) return 0;
  int32_t result = 0;
  for (int32_t i = 0; i < KRNSTREAM_MAX_INDEX; ++i)
    if (f->indexes[i]) KRNStreamFile_Release(f, i);
  f->stop = 1;
  if (f->flushThread && KRN_ThreadDelete(f->flushThread, nullptr) != 0)
    KS_LOGE(L"KRN_ThreadDelete failed\n");
  if (f->nodeCount) {
    if (f->writeError < 0) {
      KS_LOGE(L"can not flush flushnode(%lx) has error(%x)\n",
              reinterpret_cast<unsigned long>(f->flush), static_cast<unsigned>(f->writeError));
      result = f->writeError;
    } else {
      if (f->fill->used) f->fill->full = 1;
      while (f->flush->full) {
        int32_t rc = writeCache(f);
        if (rc < 0) {
          KS_LOGE(L"KRNStreamFile_WriteCache failed\n");
          result = rc;
          break;
        }
        if (f->flush->used) f->flush->full = 1;
      }
    }
    freeNodes(f);
  }
  // What the C runtime still buffers goes out now, while a failure can be
  // told (krncore's file handle is the C runtime's stream).
  if (f->writeMode && fflush(reinterpret_cast<FILE *>(f->file)) != 0 && result == 0) {
    KS_LOGE(L"KRNStreamFile_Close flush failed\n");
    result = code(KRN_ERR_WRITE);
  }
  if (f->option && f->optionCallback) {
    if (KRN_FileSync(f->file) != 0 && result == 0) result = code(KRN_ERR_WRITE);
    f->optionCallback(fileno(reinterpret_cast<FILE *>(f->file)), f->path);
  } else if (f->syncAtClose) {
    if (KRN_FileSync(f->file) != 0 && result == 0) result = code(KRN_ERR_WRITE);
  }
  KRN_FileClose(f->file);
  KRN_Free(f->path, 0);
  KRN_Free(f, 0);
  return result;
}

int32_t KRNStreamFile_Index(void *file, int32_t *index, uint32_t cacheSize) {
  KRNStreamFile *f = asFile(file);
  if (f->indexCount >= KRNSTREAM_MAX_INDEX) {
    KS_LOGE(L"opened index too many\n");
    return code(KRN_ERR_NOMEM);
  }
  int32_t slot = 0;
  while (f->indexes[slot]) ++slot;
  auto *idx = static_cast<KRNFileIndex *>(
      KRN_Malloc(sizeof(KRNFileIndex), 0, 0, KS_SOURCE, __LINE__, L"KRNStreamFile_Index"));
  if (!idx) {
    KS_LOGE(L"KRNFileIndex alloc failed. size(%d)\n", static_cast<int>(sizeof(KRNFileIndex)));
    return code(KRN_ERR_NOMEM);
  }
  if (cacheSize && !f->writeMode) {
    idx->m_pCache = static_cast<uint8_t *>(
        KRN_Malloc(cacheSize, 0, -1, KS_SOURCE, __LINE__, L"KRNStreamFile_Index"));
    if (!idx->m_pCache) {
      KS_LOGE(L"m_pCache alloc failed. size(%d)\n", static_cast<int>(cacheSize));
      KRN_Free(idx, 0);
      return code(KRN_ERR_NOMEM);
    }
    idx->cacheSize = cacheSize;
  } else if (cacheSize && slot == 0 && f->nodeCount == 0) {
    int32_t rc = setUpWriteCache(f, cacheSize);
    if (rc < 0) {
      KRN_Free(idx, 0);
      return rc;
    }
  }
  f->indexes[slot] = idx;
  ++f->indexCount;
  if (index) *index = slot;
  return slot;
}

int32_t KRNStreamFile_Release(void *file, int32_t index) {
  KRNStreamFile *f = asFile(file);
  KRNFileIndex *idx = indexOf(f, index);
  if (!idx) return code(KRN_ERR_WRITE);
  KRN_Free(idx->m_pCache, 0);
  KRN_Free(idx, 0);
  f->indexes[index] = nullptr;
  --f->indexCount;
  return 0;
}

uint32_t KRNStreamFile_Size(void *file) {
  return asFile(file)->size;
}

const wchar_t *KRNStreamFile_GetName(void *file) {
  return asFile(file)->path;
}

uint32_t KRNStreamFile_GetFilesize(void *file) {
  int64_t size = KRN_FileSize(asFile(file)->file);
  return size > static_cast<int64_t>(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(size);
}

void KRNStreamFile_SetSync(void *file, int32_t flag) {
  asFile(file)->syncAtClose = flag ? 1 : 0;
}

int32_t KRNStreamFile_ReadBuffer(void *file, int32_t index, void *buffer, uint32_t length) {
  KRNStreamFile *f = asFile(file);
  KRNFileIndex *idx = indexOf(f, index);
  if (!idx || (!buffer && length)) return code(KRN_ERR_WRITE);
  auto *out = static_cast<uint8_t *>(buffer);
  if (length == 0) return 0;
  if (f->nodeCount) return readThroughWriteCache(f, idx, out, length);

  if (idx->remain >= length) {
    memcpy(out, idx->m_pCache + idx->cursor, length);
    idx->cursor += length;
    idx->remain -= length;
    return static_cast<int32_t>(length);
  }
  uint32_t copied = idx->remain;
  if (copied) {
    memcpy(out, idx->m_pCache + idx->cursor, copied);
    idx->cursor += copied;
    idx->remain = 0;
  }
  int32_t fetched = fetch(f, idx, out + copied, length - copied);
  if (fetched < 0) {
    KS_LOGE(L"KRNStreamFile_Read failed. ret(%ld)\n", static_cast<long>(fetched));
    return fetched;
  }
  if (idx->cacheSize && idx->position < f->size) {
    int32_t refill = fetch(f, idx, idx->m_pCache, idx->cacheSize);
    idx->cursor = 0;
    if (refill < 0) {
      KS_LOGE(L"KRNStreamFile_Read failed. ret(%ld)\n", static_cast<long>(refill));
      idx->remain = 0;
    } else {
      idx->remain = static_cast<uint32_t>(refill);
    }
  }
  return static_cast<int32_t>(copied) + fetched;
}

int32_t KRNStreamFile_WriteBuffer(void *file, int32_t index, const void *data, uint32_t length) {
  KRNStreamFile *f = asFile(file);
  if (index != 0) {
    KS_LOGE(L"index must be zero\n");
    return code(KRN_ERR_NOTSUPPORTED);
  }
  if (f->writeError < 0) {
    KS_LOGE(L"already has error err(%ld)\n", static_cast<long>(f->writeError));
    return f->writeError;
  }
  KRNFileIndex *idx = indexOf(f, 0);
  if (!idx || (!data && length)) return code(KRN_ERR_WRITE);
  const auto *in = static_cast<const uint8_t *>(data);
  uint32_t taken = 0;

  if (!f->nodeCount) {
    if (!placeOs(f, idx->position)) {
      KS_LOGE(L"KRN_FileSeek error pos(%u)\n", idx->position);
      return code(KRN_ERR_SEEK);
    }
    uint64_t put = length ? KRN_FileWrite(f->file, in, length) : 0;
    if (put != length) {
      KS_LOGE(L"KRN_FileWrite error err(%ld)\n", static_cast<long>(KRN_ERR_WRITE));
      f->osPos = UINT32_MAX;  // wherever the short write left it
      return code(KRN_ERR_WRITE);
    }
    f->osPos += static_cast<uint32_t>(put);
    taken = static_cast<uint32_t>(put);
  } else {
    KRNWCacheNode *node = f->fill;
    uint32_t pos = idx->position;
    if (node->used && (pos < node->start || pos > node->start + node->used)) {
      // A jump away from the data gathered so far: hand the node over.
      node->full = 1;
      f->fill = node->next;
      int32_t rc = writeCache(f);
      if (rc < 0) return f->writeError = rc;
    }
    for (int loop = 0; taken < length; ++loop) {
      node = f->fill;
      if (node->used == 0) node->start = pos + taken;
      uint32_t offset = pos + taken - node->start;
      if (offset > f->nodeSize) {
        KS_LOGE(
            L"invaild buffer access \t\t\t\t\tbufused(%d) calc used(%d) pbuf(0x%08lx) "
            L"pbufpos(0x%08lx) loop(%d) lRet(%d)\n",
            static_cast<int>(node->used), static_cast<int>(offset),
            reinterpret_cast<unsigned long>(node->m_pBuffer),
            reinterpret_cast<unsigned long>(node->m_pBuffer + offset), loop,
            static_cast<int>(taken));
        return code(KRN_ERR_WRITE);
      }
      uint32_t room = f->nodeSize - offset;
      uint32_t rest = length - taken;
      if (room >= rest) {
        memcpy(node->m_pBuffer + offset, in + taken, rest);
        if (offset + rest > node->used) node->used = offset + rest;
        taken = length;
        break;
      }
      memcpy(node->m_pBuffer + offset, in + taken, room);
      taken += room;
      node->used = f->nodeSize;
      node->full = 1;
      if (node->next->full) {
        int32_t rc = writeCache(f);
        if (rc < 0) return f->writeError = rc;
      }
      f->fill = node->next;
    }
  }
  idx->position += taken;
  if (idx->position > f->size) f->size = idx->position;
  return static_cast<int32_t>(taken);
}

int32_t KRNStreamFile_Seek(void *file, int32_t index, uint32_t position) {
  KRNStreamFile *f = asFile(file);
  KRNFileIndex *idx = indexOf(f, index);
  if (!idx) return code(KRN_ERR_WRITE);
  if (position > f->size) {
    KS_LOGE(L"Out of File size!!! cur(%u) pos(%u)\n", f->size, position);
    return code(KRN_ERR_SEEK);
  }
  idx->position = position;
  idx->cursor = 0;
  idx->remain = 0;
  return 0;
}

int32_t KRNStreamFile_SeekEnd(void *file, int32_t index, int32_t offset) {
  int64_t target = static_cast<int64_t>(asFile(file)->size) + offset;
  if (target < 0 || target > static_cast<int64_t>(UINT32_MAX)) target = UINT32_MAX;
  return KRNStreamFile_Seek(file, index, static_cast<uint32_t>(target));
}

uint32_t KRNStreamFile_Pos(void *file, int32_t index) {
  KRNFileIndex *idx = indexOf(asFile(file), index);
  if (!idx) return 0;
  return idx->cacheSize ? idx->position - idx->remain : idx->position;
}

int32_t KRNStreamFile_Skip(void *file, int32_t index, int32_t delta) {
  KRNStreamFile *f = asFile(file);
  KRNFileIndex *idx = indexOf(f, index);
  if (!idx) return code(KRN_ERR_WRITE);
  if (idx->cacheSize) {
    if (delta >= 0 && static_cast<uint32_t>(delta) < idx->remain) {
      idx->cursor += static_cast<uint32_t>(delta);
      idx->remain -= static_cast<uint32_t>(delta);
      return 0;
    }
    if (delta < 0 && static_cast<uint64_t>(-static_cast<int64_t>(delta)) <= idx->cursor) {
      idx->cursor -= static_cast<uint32_t>(-static_cast<int64_t>(delta));
      idx->remain += static_cast<uint32_t>(-static_cast<int64_t>(delta));
      return 0;
    }
  }
  int64_t target = static_cast<int64_t>(idx->position) - idx->remain + delta;
  if (target < 0 || target > static_cast<int64_t>(f->size)) {
    KS_LOGE(L"Out of File size!!! cur(%u) pos(%u)\n", f->size, static_cast<uint32_t>(target));
    return code(KRN_ERR_SEEK);
  }
  idx->position = static_cast<uint32_t>(target);
  idx->cursor = 0;
  idx->remain = 0;
  return 0;
}

int32_t KRNStreamFile_ShowBuffer(void *file, void *buffer, uint32_t length) {
  KRNStreamFile *f = asFile(file);
  if (f->writeMode) {
    KS_LOGE(L"can not support in write mode\n");
    return code(KRN_ERR_NOTSUPPORTED);
  }
  if (!placeOs(f, f->showPos)) {
    KS_LOGE(L"KRN_FileSeek failed. ret(%d)\n", -1);
    return code(KRN_ERR_SEEK);
  }
  uint64_t got = length ? KRN_FileRead(f->file, buffer, length) : 0;
  if (got < 1) {
    KS_LOGE(L"KRN_FileRead failed. ret(%ld)\n", static_cast<long>(got));
    return code(KRN_ERR_READ);
  }
  f->osPos += static_cast<uint32_t>(got);
  f->showPos += static_cast<uint32_t>(got);
  return static_cast<int32_t>(got);
}

int32_t KRNStreamFile_ShowSkip(void *file, int32_t delta) {
  KRNStreamFile *f = asFile(file);
  if (f->writeMode) {
    KS_LOGE(L"can not support in write mode\n");
    return code(KRN_ERR_NOTSUPPORTED);
  }
  if (!placeOs(f, f->showPos) || KRN_FileSeek(f->file, delta, KRN_SEEK_CUR) != 0) {
    KS_LOGE(L"KRN_FileSeek failed. ret(%d)\n", -1);
    return code(KRN_ERR_SEEK);
  }
  f->osPos += static_cast<uint32_t>(delta);
  f->showPos += static_cast<uint32_t>(delta);
  return 0;
}

uint32_t KRNStreamFile_ShowPos(void *file) {
  return asFile(file)->showPos;
}

void KRNStreamFile_ShowReset(void *file) {
  asFile(file)->showPos = 0;
}

}  // extern "C"
