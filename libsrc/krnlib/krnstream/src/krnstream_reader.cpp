// The reader interface: format selection, and every call serialised into the
// bound format reader under the handle's mutex.
#include <cstring>

#include "krnstream.h"
#include "krnstream_reader_ops.h"
#include "krnstream_trace.h"

#define KS_MODULE L"krnstreamr"
#define KS_SOURCE L"krnstream_reader"

struct KRNReader {
  KRNStreamBuf *stream;
  void *context;
  void *subtitle;  // never set here; accepted in place of a text track
  uint32_t skipStart;
  uint32_t skipEnd;
  uint8_t makeIndexStop;
  uint8_t makeIndexDone;
  KrnThread *makeIndexThread;
  KrnMutex *mutex;
  uint8_t hasAudio;
  uint8_t hasVideo;
  uint8_t hasText;
  uint32_t lastTime[4];  // by media type 1..3
  int32_t timeDelta[4];
  KRNReaderFormatOps ops;
};

namespace {

constexpr uint32_t kPeekSize = 4096;
constexpr int32_t kUnavailable = KRNSTREAM_ERR_UNAVAILABLE;

// Recognised containers. A format whose reader is not part of this build has
// no operation table and is refused like an unknown file.
struct FormatProbe {
  bool (*matches)(const uint8_t *head, uint32_t length);
  const KRNReaderFormatOps *ops;
};

// An ISO base media file may open with any of its top-level boxes.
bool isMp4(const uint8_t *h, uint32_t n) {
  static const char kFirstBoxes[][5] = {"ftyp", "mdat", "moov", "free", "skip", "wide", "styp"};
  if (n < 8) return false;
  for (const char *type : kFirstBoxes)
    if (!memcmp(h + 4, type, 4)) return true;
  return false;
}
bool isAvi(const uint8_t *h, uint32_t n) {
  return n >= 11 && !memcmp(h, "RIFF", 4) && !memcmp(h + 8, "AVI", 3);
}

const FormatProbe kFormats[] = {
    {isMp4, &kMp4ReaderOps},
    {isAvi, &kAviReaderOps},
};

int32_t selectReader(KRNStreamBuf *stream, KRNReaderFormatOps *ops) {
  auto *head =
      static_cast<uint8_t *>(KRN_Malloc(kPeekSize, 0, -1, KS_SOURCE, __LINE__, L"SelectReader"));
  if (!head) return KRNSTREAM_ERR_NOMEM;
  KRNStreamBuf_ShowReset(stream);
  int32_t got = KRNStreamBuf_ShowBuffer(stream, head, kPeekSize);
  int32_t rc = got < 0 ? got : KRNSTREAM_ERR_FORMAT;
  for (const FormatProbe &probe : kFormats) {
    if (got < 0 || !probe.matches(head, static_cast<uint32_t>(got))) continue;
    if (probe.ops) {
      *ops = *probe.ops;
      rc = 0;
    }
    break;
  }
  if (rc == KRNSTREAM_ERR_FORMAT)
    KS_LOG_AS("SelectReader", KRN_TRACE_ERROR,
              L"[Reader]\tReaderOpen - File format is not supported!\n");
  KRN_Free(head, 0);
  return rc;
}

bool validType(int32_t type) {
  return type >= KRN_MEDIA_VIDEO && type <= KRN_MEDIA_TEXT;
}

bool hasTrack(const KRNReader *r, int32_t type) {
  switch (type) {
    case KRN_MEDIA_VIDEO:
      return r->hasVideo;
    case KRN_MEDIA_AUDIO:
      return r->hasAudio;
    default:
      return r->hasText || r->subtitle;
  }
}

void setAllLastTimes(KRNReader *r, uint32_t time) {
  for (int t = KRN_MEDIA_VIDEO; t <= KRN_MEDIA_TEXT; ++t) r->lastTime[t] = time;
}

// Pulls a requested time into the skip range; false when it lies beyond.
bool clampToSkip(const KRNReader *r, uint32_t *time) {
  if (r->skipStart && *time < r->skipStart) {
    *time = r->skipStart;
  } else if (r->skipEnd && *time > r->skipEnd) {
    return false;
  }
  return true;
}

// Holds the handle's lock for a scope: every field of the handle and the
// format reader's context are touched only under it, so that a handle can be
// used from any thread.
class Locked {
 public:
  explicit Locked(const KRNReader *r) : mutex_(r->mutex) { KRN_MutexLock(mutex_, KRN_INFINITE); }
  ~Locked() { KRN_MutexUnLock(mutex_); }
  Locked(const Locked &) = delete;
  Locked &operator=(const Locked &) = delete;

 private:
  KrnMutex *mutex_;
};

uint32_t makeIndexEntry(void *arg) {
  auto *r = static_cast<KRNReader *>(arg);
  for (;;) {
    Locked lock(r);
    if (r->makeIndexStop || r->ops.makeIndex(r->context) < 0) break;
  }
  Locked lock(r);
  r->makeIndexDone = 1;
  return 0;
}

void destroy(KRNReader *r) {
  if (r->mutex) {
    Locked lock(r);
    r->makeIndexStop = 1;
  }
  if (r->makeIndexThread) KRN_ThreadDelete(r->makeIndexThread, nullptr);
  if (r->context && r->ops.close) r->ops.close(r->context);
  if (r->mutex) KRN_MutexDestroy(r->mutex);
  KRNStreamBuf_Close(r->stream);
  KRN_Free(r, 0);
}

int32_t readThrough(KRNReader *r, KRNReaderFrame *frame,
                    int32_t (*KRNReaderFormatOps::*slot)(void *, KRNReaderFrame *)) {
  if (!r || !frame) return kUnavailable;
  Locked lock(r);
  int32_t type = static_cast<int32_t>(frame->mediaType);
  if (!validType(type)) return 0;
  if (!hasTrack(r, type) || !(r->ops.*slot)) return kUnavailable;
  if (r->skipEnd && r->lastTime[type] > r->skipEnd) return KRNSTREAM_ERR_EOD;
  int32_t rc = (r->ops.*slot)(r->context, frame);
  if (rc >= 0) {
    r->lastTime[type] = static_cast<uint32_t>(frame->time);
    frame->time += r->timeDelta[type];
  }
  if (rc >= 0 && r->skipEnd && frame->time > static_cast<int64_t>(r->skipEnd))
    return KRNSTREAM_ERR_EOD;
  return rc;
}

}  // namespace

extern "C" {

int32_t KRNReaderOpen(KRNReader **reader, KRNReaderParam *param) {
  if (!reader || !param) return KRNSTREAM_ERR_NOTSUPPORTED;
  *reader = nullptr;
  auto *r = static_cast<KRNReader *>(
      KRN_Malloc(sizeof(KRNReader), 0, 0, KS_SOURCE, __LINE__, L"KRNReaderOpen"));
  if (!r) return KRNSTREAM_ERR_NOMEM;
  const wchar_t *path = param->path2 ? param->path2 : param->path;
  int32_t rc = KRNStreamBuf_Open(&r->stream, path, nullptr, 0);
  if (rc == 0) rc = selectReader(r->stream, &r->ops);
  if (rc == 0) {
    if (!param->path2) param->fileSize = KRNStreamBuf_Size(r->stream);
    if (r->ops.openStream)
      rc = r->ops.openStream(&r->context, r->stream);
    else if (r->ops.openParam)
      rc = r->ops.openParam(&r->context, param);
    else
      rc = KRNSTREAM_ERR_FORMAT;
  }
  if (rc == 0 && !(r->mutex = KRN_MutexCreate())) rc = KRNSTREAM_ERR_NOMEM;
  if (rc != 0) {
    destroy(r);
    return rc;
  }
  *reader = r;
  return 0;
}

void KRNReaderClose(KRNReader *reader) {
  if (reader) destroy(reader);
}

int32_t KRNReaderGetInfo(KRNReader *r, KRNReaderInfo *info) {
  if (!r || !info) return kUnavailable;
  if (!r->ops.getInfo) return kUnavailable;
  {
    Locked lock(r);
    int32_t rc = r->ops.getInfo(r->context, info, 1);
    if (rc < 0) return rc;
    r->hasAudio = info->audioCount > 0;
    r->hasVideo = info->videoCount > 0;
    r->hasText = info->textCount > 0;
  }

  if (info->timeBase == 0) info->timeBase = 1000;

  if (info->audioCount) {
    KRNUtilAudioInfo &a = info->audio;
    if (!a.maxFrameSize) {
      uint32_t quarter = a.sampleRate / 4;
      a.maxFrameSize = a.bitRate ? 512000 : (quarter < 8192 ? quarter : 8192);
    }
    if (!a.duration) a.duration = info->duration;
  }
  for (uint32_t i = 0; i < info->videoCount && i < KRN_READER_MAX_VIDEO; ++i) {
    KRNUtilVideoInfo &v = info->video[i];
    if (!v.maxFrameSize) {
      uint64_t half = static_cast<uint64_t>(v.width) * v.height / 2;
      v.maxFrameSize = half < 0x100000 ? static_cast<uint32_t>(half) : 0x100000;
    }
    if (!v.duration) v.duration = info->duration;
  }
  for (uint32_t i = 0; i < info->textCount && i < KRN_READER_MAX_TEXT; ++i) {
    KRNReaderTextInfo &t = info->text[i];
    if (!t.maxSampleSize) t.maxSampleSize = t.rate ? t.bitRate * 125 / t.rate : 1024;
    if (!t.duration) t.duration = info->duration;
  }
  Locked lock(r);
  if (r->ops.makeIndex && !r->makeIndexThread) {
    r->makeIndexStop = 0;
    r->makeIndexThread = KRN_ThreadCreate(L"ReaderMakeIndex", 0, 0x20000, makeIndexEntry, r);
  }
  return 0;
}

int32_t KRNReaderReadFrame(KRNReader *reader, KRNReaderFrame *frame) {
  return readThrough(reader, frame, &KRNReaderFormatOps::readFrame);
}

int32_t KRNReaderReadFrameInfo(KRNReader *reader, KRNReaderFrame *frame) {
  return readThrough(reader, frame, &KRNReaderFormatOps::readFrameInfo);
}

uint8_t KRNReaderSeekByTime(KRNReader *r, uint32_t *time, int32_t flag) {
  if (!r || !time || !r->ops.seekByTime) return 0;
  Locked lock(r);
  if (!clampToSkip(r, time)) return 0;
  uint8_t ok = r->ops.seekByTime(r->context, time, flag);
  if (ok && r->skipEnd && *time >= r->skipEnd) {
    *time = r->skipStart;
    ok = r->ops.seekByTime(r->context, time, 1);
  }
  if (ok) setAllLastTimes(r, *time);
  return ok;
}

uint8_t KRNReaderSeekByKeyFrame(KRNReader *r, uint32_t *time, int32_t flag) {
  if (!r || !time) return 0;
  Locked lock(r);
  if (!clampToSkip(r, time)) return 0;
  uint8_t ok = 0;
  if (r->ops.seekByKeyFrame)
    ok = r->ops.seekByKeyFrame(r->context, time, flag);
  else if (r->ops.seekByTime)
    ok = r->ops.seekByTime(r->context, time, 0);
  if (ok) setAllLastTimes(r, *time);
  return ok;
}

uint8_t KRNReaderSeekByMedia(KRNReader *r, uint32_t *time, int32_t mediaType) {
  if (!r || !time || !r->ops.seekByMedia || !validType(mediaType)) return 0;
  Locked lock(r);
  if (!clampToSkip(r, time)) return 0;
  uint8_t ok = r->ops.seekByMedia(r->context, time, mediaType);
  if (ok) r->lastTime[mediaType] = *time;
  return ok;
}

uint8_t KRNReaderSeekBySubtitle(KRNReader *r, uint32_t *time, int32_t flag) {
  if (!r || !time || !r->ops.seekBySubtitle) return 0;
  Locked lock(r);
  uint8_t ok = r->ops.seekBySubtitle(r->context, time, flag);
  if (ok) setAllLastTimes(r, *time);
  return ok;
}

int32_t KRNReaderStart(KRNReader *r, uint32_t *time) {
  if (!r) return kUnavailable;
  if (r->ops.start) {
    Locked lock(r);
    return r->ops.start(r->context, time);
  }
  if (time && *time && !KRNReaderSeekByTime(r, time, 0)) return kUnavailable;
  return 0;
}

int32_t KRNReaderChangeTrack(KRNReader *r, uint32_t track, int32_t mediaType) {
  if (!r || !r->ops.changeTrack || !validType(mediaType)) return 1;
  Locked lock(r);
  return r->ops.changeTrack(r->context, track, r->lastTime[mediaType], mediaType);
}

int32_t KRNReaderOpenSubtitle(void) {
  return 0;
}

int32_t KRNReaderSetSkip(KRNReader *r, uint32_t start, uint32_t end, int32_t enable,
                         int32_t force) {
  if (!r) return 0;
  Locked lock(r);
  if (!enable) {
    r->skipStart = r->skipEnd = 0;
    return 1;
  }
  r->skipStart = start;
  r->skipEnd = end;
  uint32_t latest = r->lastTime[KRN_MEDIA_AUDIO] > r->lastTime[KRN_MEDIA_VIDEO]
                        ? r->lastTime[KRN_MEDIA_AUDIO]
                        : r->lastTime[KRN_MEDIA_VIDEO];
  if (latest >= start && !force) return 1;
  if (!r->ops.seekByTime) return 1;
  uint32_t time = start;
  uint8_t ok = r->ops.seekByTime(r->context, &time, 0);
  if (ok && end && time >= end) {
    time = start;
    ok = r->ops.seekByTime(r->context, &time, 1);
  }
  if (ok) setAllLastTimes(r, time);
  return 1;
}

int32_t KRNReaderSetTimeDelta(KRNReader *r, int32_t delta, int32_t mediaType) {
  if (!r || !validType(mediaType)) return 1;
  Locked lock(r);
  r->timeDelta[mediaType] = delta ? r->timeDelta[mediaType] + delta : 0;
  return 1;
}

int32_t KRNReaderGetStatus(KRNReader *r, KRNReaderStatus *status) {
  if (!r || !status) return 0;
  memset(status, 0, sizeof *status);
  Locked lock(r);
  if (r->ops.getStatus) {
    r->ops.getStatus(r->context, status);
    return 1;
  }
  // Without the format's own answer: how far the peek cursor has read into
  // the file, and how far into its last tenth (where the indexes usually are).
  uint64_t size = KRNStreamBuf_Size(r->stream);
  uint64_t pos = KRNStreamBuf_ShowPos(r->stream);
  if (size) {
    uint64_t readPct = pos >= size ? 100 : pos * 100 / size;
    uint64_t tailStart = size - size / 10;
    uint64_t tailPct = pos <= tailStart ? 0 : (pos - tailStart) * 100 / (size - tailStart);
    status->words[0] = (tailPct > 100 ? 100 : tailPct) | (readPct << 32);
  }
  return 1;
}

int32_t KRNReaderSetStatus(KRNReader *r, int32_t status) {
  if (!r || !r->ops.setStatus) return 0;
  Locked lock(r);
  return r->ops.setStatus(r->context, status);
}

int32_t KRNReaderGetInfoFile(KRNReaderParam *param, KRNReaderInfo *info) {
  if (!param || !info) return KRNSTREAM_ERR_NOTSUPPORTED;
  auto *r = static_cast<KRNReader *>(
      KRN_Malloc(sizeof(KRNReader), 0, 0, KS_SOURCE, __LINE__, L"KRNReaderGetInfoFile"));
  if (!r) return KRNSTREAM_ERR_NOMEM;
  int32_t rc = KRNStreamBuf_Open(&r->stream, param->path2 ? param->path2 : param->path, nullptr, 0);
  if (rc == 0) rc = selectReader(r->stream, &r->ops);
  if (rc == 0) rc = r->ops.openStream ? r->ops.openStream(&r->context, r->stream) : kUnavailable;
  if (rc == 0) rc = r->ops.getInfo ? r->ops.getInfo(r->context, info, 0) : kUnavailable;
  destroy(r);
  return rc;
}

}  // extern "C"
