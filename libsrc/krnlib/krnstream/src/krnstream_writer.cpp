// The writer: a container writer chosen at open, wrapped in a disk-space
// budget and optional size, duration and frame-count limits.
#include <atomic>
#include <cwchar>

#include "krnstream.h"
#include "krnstream_trace.h"
#include "krnstream_file_internal.h"
#include "krnstream_writer_ops.h"

#define KS_MODULE L"krnstreamw"
#define KS_SOURCE L"krnstream_writer"

struct KRNWriter {
  KRNWriterShared shared;
  void *context;
  KRNWriterContainerOps ops;
  uint8_t fixedBudget;     // the caller named the output and gave its budget
  uint32_t framesWritten;  // frames of type 1
  wchar_t path[KRN_WRITER_PATH_SIZE];
};

namespace {

constexpr int64_t kDiskReserve = 0xA00000;  // 10 MiB kept free on the volume
constexpr int32_t kDurationSlackMs = 100;

std::atomic<const KRNWriterContainerOps *> gTestContainer{nullptr};

int32_t code(uint32_t c) {
  return static_cast<int32_t>(c);
}

// Finds the container writer for the output. None is built into this
// library; a test may offer one.
int32_t SelectWriter(KRNWriter *w) {
  const KRNWriterContainerOps *candidates[] = {gTestContainer.load()};
  for (const KRNWriterContainerOps *ops : candidates) {
    if (!ops || !ops->open) continue;
    void *context = nullptr;
    if (ops->open(&w->shared, &context) == 0) {
      w->ops = *ops;
      w->context = context;
      return 0;
    }
  }
  KS_LOGE(L"can not support File format\n");
  return code(KRN_ERR_FORMAT);
}

int32_t destroy(KRNWriter *w) {
  if (w->ops.close) w->ops.close(w->context);
  if (w->shared.mutex) KRN_MutexDestroy(w->shared.mutex);
  int32_t rc = KRNStreamBuf_Close(w->shared.stream);
  KRN_Free(w, 0);
  return rc;
}

// Makes sure the budget covers the need, asking the volume when it runs
// short (unless the caller fixed the budget).
bool haveRoom(KRNWriter *w, int64_t need) {
  int64_t &budget = w->shared.budget;
  if (budget >= need) return true;
  KS_LOG_AS("WriterWrite", KRN_TRACE_INFO,
            L"[Writer] WriterWrite Disk free space (%lld) media size (%d) check again\n",
            static_cast<long long>(budget), static_cast<int>(need));
  if (!w->fixedBudget) {
    int64_t freeSpace = KRN_GetFreeDiskSpace(w->path);
    if (freeSpace > kDiskReserve - 1) {
      budget = freeSpace - kDiskReserve;
    } else {
      budget = 0;
      KS_LOG_AS("WriterWrite", KRN_TRACE_ERROR,
                L"[Writer] WriterWrite Disk free space is under 10Mb freespace(%lld)\n",
                static_cast<long long>(freeSpace));
    }
  }
  if (budget >= need) return true;
  KS_LOG_AS("WriterWrite", KRN_TRACE_ERROR,
            L"[Writer] WriterWrite Disk free space (%lld) media size (%d) disk full error\n",
            static_cast<long long>(budget), static_cast<int>(need));
  return false;
}

int32_t writeOne(KRNWriter *w, const KRNReaderFrame *frame) {
  int64_t extra = w->ops.prepare ? w->ops.prepare(w->context, frame) : 0;
  if (extra < 0) return static_cast<int32_t>(extra);
  const int64_t need = extra + frame->size;
  if (!haveRoom(w, need)) return code(KRN_ERR_DISKFULL);

  const KRNWriterShared &s = w->shared;
  if (s.maxFileSize && s.maxFileSize < need) return code(KRN_ERR_WRITE);
  if (s.maxDuration && static_cast<int64_t>(s.maxDuration) + kDurationSlackMs <
                           frame->time + static_cast<int64_t>(frame->duration))
    return code(KRN_ERR_WRITE);
  if (s.maxFrames && s.maxFrames < w->framesWritten) return code(KRN_ERR_WRITE);

  if (!w->ops.writeFrame) return code(KRN_ERR_NOTSUPPORTED);
  if (s.mutex) KRN_MutexLock(s.mutex, KRN_INFINITE);
  int32_t rc = w->ops.writeFrame(w->context, frame);
  if (s.mutex) KRN_MutexUnLock(s.mutex);
  if (rc < 0) {
    KS_LOG_AS("WriterWriteFrame", KRN_TRACE_ERROR,
              L"[Writer] WriterWriteFrame - Write failed (0x%x)\n", static_cast<unsigned>(rc));
    return rc;
  }
  if (frame->mediaType == KRN_MEDIA_VIDEO) ++w->framesWritten;
  return 0;
}

}  // namespace

extern "C" {

void KRNWriterSetTestContainer(const KRNWriterContainerOps *ops) {
  gTestContainer.store(ops);
}

int32_t KRNWriterOpen(KRNWriter **writer, const KRNWriterParam *param) {
  if (!writer || !param || (!param->path && !param->path2)) return code(KRN_ERR_NOTSUPPORTED);
  *writer = nullptr;
  auto *w = static_cast<KRNWriter *>(
      KRN_Malloc(sizeof(KRNWriter), 0, 0, KS_SOURCE, __LINE__, L"KRNWriterOpen"));
  if (!w) {
    KS_LOGE(L"KRNWriter alloc failed. size(%d)\n", static_cast<int>(sizeof(KRNWriter)));
    return code(KRN_ERR_NOMEM);
  }
  if (param->path2) {
    w->fixedBudget = 1;
    w->shared.budget = param->path2Size;
  }
  const wchar_t *path = param->path2 ? param->path2 : param->path;
  if (wcslen(path) >= KRN_WRITER_PATH_SIZE) {
    // A cut path would name another file: refused rather than written.
    KS_LOG_AS("WriterOpen", KRN_TRACE_ERROR, L"[Writer] WriterOpen - path too long (%d)\n",
              static_cast<int>(wcslen(path)));
    KRN_Free(w, 0);
    return code(KRN_ERR_OPEN);
  }
  wcsncpy(w->path, path, KRN_WRITER_PATH_SIZE - 1);
  w->shared.path = w->path;
  // The option is this writer's own: it decides how its file is opened and
  // closed, and no other stream's.
  int32_t rc = KRNStreamBuf_OpenWithOption(&w->shared.stream, w->path, 1, param->option,
                                           param->option ? param->optionCallback : nullptr);
  if (rc != 0) {
    KS_LOG_AS("WriterOpen", KRN_TRACE_ERROR, L"[Writer] WriterOpen - StreamInOutOpen error!!!\n");
    KRN_Free(w, 0);
    return rc;
  }
  rc = SelectWriter(w);
  if (rc != 0) {
    destroy(w);
    return rc;
  }
  *writer = w;
  return 0;
}

int32_t KRNWriterClose(KRNWriter *writer) {
  return writer ? destroy(writer) : 0;
}

int32_t KRNWriterSetInfo(KRNWriter *writer, const KRNReaderInfo *info) {
  if (!writer) return code(KRN_ERR_NOTSUPPORTED);
  if (!writer->ops.setInfo) return 0;
  int32_t rc = writer->ops.setInfo(writer->context, info);
  return rc < 0 ? rc : 0;
}

int32_t KRNWriterWrite(KRNWriter *writer, KRNReaderFrame *frame) {
  if (!frame) return code(KRN_ERR_NOTSUPPORTED);
  int32_t rc = writer ? writeOne(writer, frame) : code(KRN_ERR_NOTSUPPORTED);
  frame->size = 0;
  return rc;
}

int32_t KRNWriterGetSize(KRNWriter *writer, uint32_t *size) {
  if (!writer || !size) return code(KRN_ERR_NOTSUPPORTED);
  if (writer->ops.getSize) return writer->ops.getSize(writer->context, size);
  KRNStreamBuf *stream = writer->shared.stream;
  if (!stream->ops.size) return code(KRN_ERR_NOTSUPPORTED);
  *size = KRNStreamBuf_Size(stream);
  return 0;
}

const wchar_t *KRNWriterGetFilePath(KRNWriter *writer) {
  return writer ? writer->path : nullptr;
}

void KRNWriterSetSync(KRNWriter *writer, int32_t flag) {
  if (!writer) return;
  if (writer->ops.setSync)
    writer->ops.setSync(writer->context, flag);
  else
    KRNStreamBuf_SetSync(writer->shared.stream, flag);
}

}  // extern "C"
