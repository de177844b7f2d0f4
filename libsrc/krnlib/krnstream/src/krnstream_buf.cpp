// The stream buffer handle: a table of operations over the file stream, the
// typed readers and writers, and the format blocks.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "krnstream.h"
#include "krnstream_file_internal.h"
#include "krnstream_trace.h"

#define KS_MODULE L"krnstreambuf"
#define KS_SOURCE L"krnstream_buf"

namespace krnstream {

void trace(const wchar_t *module, uint32_t level, const wchar_t *file, int32_t line,
           const char *function, const wchar_t *format, ...) {
  wchar_t message[1024];
  va_list args;
  va_start(args, format);
  int n = vswprintf(message, 1024, format, args);
  va_end(args);
  if (n < 0) message[1023] = L'\0';
  wchar_t wideFunction[64];
  size_t i = 0;
  for (; function && function[i] && i < 63; ++i)
    wideFunction[i] = static_cast<wchar_t>(function[i]);
  wideFunction[i] = L'\0';
  KRN_Trace(module, level, file, line, wideFunction, L"%ls", message);
}

}  // namespace krnstream

namespace {

const KRNStreamBufOps kFileStreamOps = {
    KRNStreamFile_Open,
    KRNStreamFile_Dup,
    KRNStreamFile_Close,
    KRNStreamFile_Index,
    KRNStreamFile_Release,
    KRNStreamFile_Size,
    nullptr,
    /* current size */ KRNStreamFile_GetName,
    KRNStreamFile_ReadBuffer,
    KRNStreamFile_WriteBuffer,
    KRNStreamFile_Skip,
    KRNStreamFile_Seek,
    KRNStreamFile_SeekEnd,
    KRNStreamFile_Pos,
    KRNStreamFile_ShowBuffer,
    KRNStreamFile_ShowSkip,
    KRNStreamFile_ShowPos,
    KRNStreamFile_ShowReset,
    KRNStreamFile_GetFilesize,
    KRNStreamFile_SetSync,
};

constexpr int32_t kNotSupported = static_cast<int32_t>(KRN_ERR_NOTSUPPORTED);

KRNStreamBuf *allocHandle(const char *function) {
  auto *h = static_cast<KRNStreamBuf *>(
      KRN_Malloc(sizeof(KRNStreamBuf), 0, 0, KS_SOURCE, __LINE__, L"KRNStreamBuf"));
  if (!h)
    KS_LOG_AS(function, KRN_TRACE_ERROR, L"KRNStreamBuf malloc failed size(%d)\n",
              static_cast<int>(sizeof(KRNStreamBuf)));
  return h;
}

// Reads width bytes and assembles them in the given byte order.
uint64_t readWidth(KRNStreamBuf *h, int32_t index, int32_t *error, uint32_t width, bool bigEndian) {
  uint8_t bytes[8];
  int32_t got = KRNStreamBuf_ReadBuffer(h, index, bytes, width);
  if (got != static_cast<int32_t>(width)) {
    if (error) *error = got;
    return 0;
  }
  uint64_t v = 0;
  for (uint32_t i = 0; i < width; ++i) v = (v << 8) | bytes[bigEndian ? i : width - 1 - i];
  return v;
}

int32_t writeWidth(KRNStreamBuf *h, int32_t index, uint32_t value, int32_t *error, uint32_t width,
                   bool bigEndian) {
  if (!h || !h->ops.writeBuffer) {
    KS_LOG_AS("KRNStreamBuf_Write", KRN_TRACE_ERROR, L"not support writebuffer function\n");
    return kNotSupported;
  }
  uint8_t bytes[4];
  for (uint32_t i = 0; i < width; ++i) {
    uint32_t shift = 8 * (bigEndian ? width - 1 - i : i);
    bytes[i] = static_cast<uint8_t>(value >> shift);
  }
  int32_t put = h->ops.writeBuffer(h->impl, index, bytes, width);
  if (put < 0) {
    if (error) *error = put;
    return 0;
  }
  return put;
}

void putLE(std::vector<uint8_t> &out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

bool isHevcCode(uint32_t codec) {
  static const uint32_t kCodes[] = {
      KRNUTIL_FOURCC('H', 'E', 'V', '1'), KRNUTIL_FOURCC('h', 'v', 'c', '1'),
      KRNUTIL_FOURCC('h', 'e', 'v', '1'), KRNUTIL_FOURCC('H', '2', '6', '5'),
      KRNUTIL_FOURCC('H', 'E', 'V', 'C')};
  for (uint32_t c : kCodes)
    if (codec == c) return true;
  return false;
}

int32_t writeBlock(KRNStreamBuf *h, int32_t index, const std::vector<uint8_t> &block) {
  int32_t put =
      KRNStreamBuf_WriteBuffer(h, index, block.data(), static_cast<uint32_t>(block.size()));
  return put < 0 ? put : static_cast<int32_t>(block.size());
}

}  // namespace

extern "C" {

int32_t KRNStreamBuf_Open(KRNStreamBuf **handle, const wchar_t *path, void *, int32_t write) {
  if (!handle) return kNotSupported;
  *handle = nullptr;
  KRNStreamBuf *h = allocHandle(__func__);
  if (!h) return static_cast<int32_t>(KRN_ERR_NOMEM);
  h->ops = kFileStreamOps;
  int32_t rc = KRNStreamFile_Open(h, path, write, 1);
  if (rc < 0) {
    KS_LOGE(L"Open failed ret(%ld)\n", static_cast<long>(rc));
    KRN_Free(h, 0);
    return rc;
  }
  *handle = h;
  return 0;
}

int32_t KRNStreamBuf_Dup(KRNStreamBuf *handle, KRNStreamBuf **copy) {
  if (!handle || !copy || !handle->ops.dup) {
    KS_LOGE(L"not support duplicate function\n");
    return kNotSupported;
  }
  *copy = nullptr;
  KRNStreamBuf *h = allocHandle(__func__);
  if (!h) return static_cast<int32_t>(KRN_ERR_NOMEM);
  h->ops = handle->ops;
  h->impl = handle->impl;
  int32_t rc = h->ops.dup(h);
  if (rc < 0) {
    KS_LOGE(L"Dup failed ret(%ld)\n", static_cast<long>(rc));
    KRN_Free(h, 0);
    return rc;
  }
  *copy = h;
  return 0;
}

int32_t KRNStreamBuf_Close(KRNStreamBuf *handle) {
  if (!handle) return 0;
  int32_t rc = handle->ops.close ? handle->ops.close(handle->impl) : 0;
  KRN_Free(handle, 0);
  return rc;
}

int32_t KRNStreamBuf_OpenWithOption(KRNStreamBuf **handle, const wchar_t *path, int32_t write,
                                    int32_t option, KRNStreamOptionCallback callback) {
  if (!handle) return kNotSupported;
  *handle = nullptr;
  KRNStreamBuf *h = allocHandle("KRNStreamBuf_Open");
  if (!h) return static_cast<int32_t>(KRN_ERR_NOMEM);
  h->ops = kFileStreamOps;
  int32_t rc = KRNStreamFile_OpenWithOption(h, path, write, 1, option, callback);
  if (rc < 0) {
    KS_LOG_AS("KRNStreamBuf_Open", KRN_TRACE_ERROR, L"Open failed ret(%ld)\n",
              static_cast<long>(rc));
    KRN_Free(h, 0);
    return rc;
  }
  *handle = h;
  return 0;
}

#define KS_CHECKED(slot, text, fail, ...)        \
  if (!handle || !handle->ops.slot) {            \
    KS_LOGE(L"not support " text " function\n"); \
    return fail;                                 \
  }                                              \
  return handle->ops.slot(handle->impl, ##__VA_ARGS__)

int32_t KRNStreamBuf_Index(KRNStreamBuf *handle, int32_t *index, uint32_t cacheSize) {
  KS_CHECKED(index, "index", kNotSupported, index, cacheSize);
}
int32_t KRNStreamBuf_Release(KRNStreamBuf *handle, int32_t index) {
  KS_CHECKED(release, "release", kNotSupported, index);
}
uint32_t KRNStreamBuf_Size(KRNStreamBuf *handle) {
  KS_CHECKED(size, "size", static_cast<uint32_t>(kNotSupported));
}
const wchar_t *KRNStreamBuf_GetName(KRNStreamBuf *handle) {
  KS_CHECKED(getName, "getname", nullptr);
}
int32_t KRNStreamBuf_ReadBuffer(KRNStreamBuf *handle, int32_t index, void *buffer,
                                uint32_t length) {
  KS_CHECKED(readBuffer, "readbuffer", kNotSupported, index, buffer, length);
}
int32_t KRNStreamBuf_WriteBuffer(KRNStreamBuf *handle, int32_t index, const void *data,
                                 uint32_t length) {
  KS_CHECKED(writeBuffer, "writebuffer", kNotSupported, index, data, length);
}
int32_t KRNStreamBuf_Skip(KRNStreamBuf *handle, int32_t index, int32_t delta) {
  KS_CHECKED(skip, "skip", kNotSupported, index, delta);
}
#undef KS_CHECKED

// Forwarded without a check: every stream implementation provides these.
int32_t KRNStreamBuf_Seek(KRNStreamBuf *handle, int32_t index, uint32_t position) {
  return handle->ops.seek(handle->impl, index, position);
}
int32_t KRNStreamBuf_SeekEnd(KRNStreamBuf *handle, int32_t index, int32_t offset) {
  return handle->ops.seekEnd(handle->impl, index, offset);
}
uint32_t KRNStreamBuf_Pos(KRNStreamBuf *handle, int32_t index) {
  return handle->ops.pos(handle->impl, index);
}
int32_t KRNStreamBuf_ShowBuffer(KRNStreamBuf *handle, void *buffer, uint32_t length) {
  return handle->ops.showBuffer(handle->impl, buffer, length);
}
int32_t KRNStreamBuf_ShowSkip(KRNStreamBuf *handle, int32_t delta) {
  return handle->ops.showSkip(handle->impl, delta);
}
uint32_t KRNStreamBuf_ShowPos(KRNStreamBuf *handle) {
  return handle->ops.showPos(handle->impl);
}
void KRNStreamBuf_ShowReset(KRNStreamBuf *handle) {
  handle->ops.showReset(handle->impl);
}
uint32_t KRNStreamBuf_GetFileSize(KRNStreamBuf *handle) {
  return handle->ops.getFileSize(handle->impl);
}
void KRNStreamBuf_SetSync(KRNStreamBuf *handle, int32_t flag) {
  handle->ops.setSync(handle->impl, flag);
}

// The file stream leaves this slot empty; a caller reaching it gets the
// not-supported answer rather than a jump through a null slot.
uint32_t KRNStreamBuf_CurSize(KRNStreamBuf *handle, int32_t index) {
  if (!handle || !handle->ops.curSize) return static_cast<uint32_t>(kNotSupported);
  return handle->ops.curSize(handle->impl, index);
}

int32_t KRNStreamBuf_GetError(KRNStreamBuf *handle) {
  return handle ? handle->error : 0;
}

int32_t KRNStreamBuf_GetOption(void) {
  return KRNStreamFile_GetOption();
}

void KRNStreamBuf_SetOption(int32_t value, KRNStreamOptionCallback callback) {
  KRNStreamFile_SetOption(value, callback);
}

uint8_t KRNStreamBuf_ReadByte(KRNStreamBuf *handle, int32_t index, int32_t *error) {
  if (!handle || !handle->ops.readBuffer) {
    KS_LOGE(L"not support readbuffer function\n");
    if (error) *error = kNotSupported;
    return 0;
  }
  return static_cast<uint8_t>(readWidth(handle, index, error, 1, true));
}
uint16_t KRNStreamBuf_ReadWordBE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return static_cast<uint16_t>(readWidth(h, i, e, 2, true));
}
uint16_t KRNStreamBuf_ReadWordLE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return static_cast<uint16_t>(readWidth(h, i, e, 2, false));
}
uint32_t KRNStreamBuf_Read3ByteBE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return static_cast<uint32_t>(readWidth(h, i, e, 3, true));
}
uint32_t KRNStreamBuf_Read3ByteLE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return static_cast<uint32_t>(readWidth(h, i, e, 3, false));
}
uint32_t KRNStreamBuf_ReadDWordBE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return static_cast<uint32_t>(readWidth(h, i, e, 4, true));
}
uint32_t KRNStreamBuf_ReadDWordLE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return static_cast<uint32_t>(readWidth(h, i, e, 4, false));
}
uint64_t KRNStreamBuf_ReadQWordBE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return readWidth(h, i, e, 8, true);
}
uint64_t KRNStreamBuf_ReadQWordLE(KRNStreamBuf *h, int32_t i, int32_t *e) {
  return readWidth(h, i, e, 8, false);
}

int32_t KRNStreamBuf_WriteByte(KRNStreamBuf *h, int32_t i, uint32_t v, int32_t *e) {
  return writeWidth(h, i, v, e, 1, true);
}
int32_t KRNStreamBuf_WriteWordBE(KRNStreamBuf *h, int32_t i, uint32_t v, int32_t *e) {
  return writeWidth(h, i, v, e, 2, true);
}
int32_t KRNStreamBuf_WriteWordLE(KRNStreamBuf *h, int32_t i, uint32_t v, int32_t *e) {
  return writeWidth(h, i, v, e, 2, false);
}
int32_t KRNStreamBuf_WriteDWordBE(KRNStreamBuf *h, int32_t i, uint32_t v, int32_t *e) {
  return writeWidth(h, i, v, e, 4, true);
}
int32_t KRNStreamBuf_WriteDWordLE(KRNStreamBuf *h, int32_t i, uint32_t v, int32_t *e) {
  return writeWidth(h, i, v, e, 4, false);
}

// WAVEFORMATEX layout.
int32_t KRNStreamBuf_PutAudioFormat(KRNStreamBuf *handle, int32_t index,
                                    const KRNUtilAudioInfo *audio) {
  if (!audio) return kNotSupported;
  std::vector<uint8_t> block;
  putLE(block, audio->codec, 2);
  putLE(block, audio->channels, 2);
  putLE(block, audio->sampleRate, 4);
  putLE(block, audio->bitRate / 8, 4);
  putLE(block, audio->blockAlign, 2);
  putLE(block, audio->bitsPerSample, 2);
  uint32_t extra = audio->configLength <= KRNUTIL_CONFIG_SIZE ? audio->configLength : 0;
  if (extra) {
    putLE(block, extra, 2);
    block.insert(block.end(), audio->config, audio->config + extra);
  }
  return writeBlock(handle, index, block);
}

// BITMAPINFOHEADER, followed for H.265 by the parameter sets in start-code form.
int32_t KRNStreamBuf_PutVideoFormat(KRNStreamBuf *handle, int32_t index,
                                    const KRNUtilVideoInfo *video) {
  if (!video) return kNotSupported;
  std::vector<uint8_t> extra;
  uint32_t len = video->configLength <= KRNUTIL_CONFIG_SIZE ? video->configLength : 0;
  const uint8_t *cfg = video->config;
  if (isHevcCode(video->codec) && len >= 4 && cfg[0] == 0 && cfg[1] == 0) {
    if (cfg[2] == 0 && cfg[3] == 1) {
      extra.assign(cfg, cfg + len);
    } else if (cfg[2] == 1) {
      // A three-byte start code is widened; the block grows by that byte.
      extra = {0, 0, 0, 1};
      extra.insert(extra.end(), cfg + 3, cfg + len);
    }
  }
  if (extra.size() % 2) extra.push_back(0);
  uint32_t bitCount = video->bitsPerPixel ? video->bitsPerPixel : 24;
  uint32_t bytesPerPixel = video->bitsPerPixel ? video->bitsPerPixel / 8 : 3;

  std::vector<uint8_t> block;
  putLE(block, 40 + static_cast<uint32_t>(extra.size()), 4);
  putLE(block, video->width, 4);
  putLE(block, video->height, 4);
  putLE(block, 1, 2);
  putLE(block, bitCount, 2);
  putLE(block, video->codec, 4);
  putLE(block, bytesPerPixel * video->width * video->height, 4);
  for (int i = 0; i < 4; ++i) putLE(block, 0, 4);
  block.insert(block.end(), extra.begin(), extra.end());
  if (block.back() != 0) block.insert(block.end(), 2, 0);
  return writeBlock(handle, index, block);
}

}  // extern "C"
