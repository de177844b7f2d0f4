/*
 * krnstream - media stream library of the dash-camera tools.
 *
 * The cached file stream every container reader reads through
 * (KRNStreamBuf / KRNStreamFile), and the reader interface that opens a
 * recording, recognises MP4 or AVI and delivers its video, audio and text
 * frames (KRNReader...), and the writer interface (KRNWriter...).
 *
 * Positions and sizes are unsigned 32-bit: files of 4 GiB and more are
 * refused when they are opened. Results are 0 for success and krncore's
 * result codes (negative as int32_t) for failures.
 */
#ifndef KRNSTREAM_H
#define KRNSTREAM_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#include "krncore.h"
#include "krnutil.h"

#if defined(KRNSTREAM_BUILD)
#define KRNSTREAM_API __attribute__((visibility("default")))
#else
#define KRNSTREAM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes as signed values, the way the operations return them. */
#define KRNSTREAM_OK 0
#define KRNSTREAM_ERR_UNAVAILABLE ((int32_t)0x80000000u)
#define KRNSTREAM_ERR_NOMEM ((int32_t)KRN_ERR_NOMEM)
#define KRNSTREAM_ERR_NOTSUPPORTED ((int32_t)KRN_ERR_NOTSUPPORTED)
#define KRNSTREAM_ERR_OPEN ((int32_t)KRN_ERR_OPEN)
#define KRNSTREAM_ERR_READ ((int32_t)KRN_ERR_READ)
#define KRNSTREAM_ERR_WRITE ((int32_t)KRN_ERR_WRITE)
#define KRNSTREAM_ERR_SEEK ((int32_t)KRN_ERR_SEEK)
#define KRNSTREAM_ERR_FORMAT ((int32_t)KRN_ERR_FORMAT)
#define KRNSTREAM_ERR_BUFSIZE ((int32_t)KRN_ERR_BUFSIZE)
#define KRNSTREAM_ERR_OVERFLOW ((int32_t)KRN_ERR_OVERFLOW)
#define KRNSTREAM_ERR_EOD ((int32_t)KRN_ERR_EOD)

/* ------------------------------------------------------------------------- */
/* Stream buffer                                                             */
/* ------------------------------------------------------------------------- */

#define KRNSTREAM_MAX_INDEX 20

typedef struct KRNStreamFile KRNStreamFile;
typedef struct KRNStreamBuf KRNStreamBuf;

/* Operations of a stream implementation, in their fixed slot order. A null
 * slot means the implementation does not provide the operation. */
typedef struct KRNStreamBufOps {
  int32_t (*open)(KRNStreamBuf *handle, const wchar_t *path, int32_t write, int32_t openExisting);
  /* Called on a copy of the handle; replaces the copy's implementation. */
  int32_t (*dup)(KRNStreamBuf *copy);
  int32_t (*close)(void *impl); /* 0, or the failure of a write still pending */
  int32_t (*index)(void *impl, int32_t *index, uint32_t cacheSize);
  int32_t (*release)(void *impl, int32_t index);
  uint32_t (*size)(void *impl);
  uint32_t (*curSize)(void *impl, int32_t index);
  const wchar_t *(*getName)(void *impl);
  int32_t (*readBuffer)(void *impl, int32_t index, void *buffer, uint32_t length);
  int32_t (*writeBuffer)(void *impl, int32_t index, const void *data, uint32_t length);
  int32_t (*skip)(void *impl, int32_t index, int32_t delta);
  int32_t (*seek)(void *impl, int32_t index, uint32_t position);
  int32_t (*seekEnd)(void *impl, int32_t index, int32_t offset);
  uint32_t (*pos)(void *impl, int32_t index);
  int32_t (*showBuffer)(void *impl, void *buffer, uint32_t length);
  int32_t (*showSkip)(void *impl, int32_t delta);
  uint32_t (*showPos)(void *impl);
  void (*showReset)(void *impl);
  uint32_t (*getFileSize)(void *impl);
  void (*setSync)(void *impl, int32_t flag);
} KRNStreamBufOps;

struct KRNStreamBuf {
  void *impl; /* the KRNStreamFile */
  int32_t error;
  void *reserved;
  KRNStreamBufOps ops;
};

/* Called at close with the file descriptor and the path, when the process
 * option is set. */
typedef void (*KRNStreamOptionCallback)(int fd, const wchar_t *path);

KRNSTREAM_API int32_t KRNStreamBuf_Open(KRNStreamBuf **handle, const wchar_t *path, void *unused,
                                        int32_t write);
KRNSTREAM_API int32_t KRNStreamBuf_Dup(KRNStreamBuf *handle, KRNStreamBuf **copy);
/* Closes the stream; a write-mode stream returns the failure of any data
 * still to be written (0 when all of it reached the file). */
KRNSTREAM_API int32_t KRNStreamBuf_Close(KRNStreamBuf *handle);
KRNSTREAM_API int32_t KRNStreamBuf_Index(KRNStreamBuf *handle, int32_t *index, uint32_t cacheSize);
KRNSTREAM_API int32_t KRNStreamBuf_Release(KRNStreamBuf *handle, int32_t index);
KRNSTREAM_API uint32_t KRNStreamBuf_Size(KRNStreamBuf *handle);
KRNSTREAM_API uint32_t KRNStreamBuf_CurSize(KRNStreamBuf *handle, int32_t index);
KRNSTREAM_API const wchar_t *KRNStreamBuf_GetName(KRNStreamBuf *handle);
KRNSTREAM_API int32_t KRNStreamBuf_ReadBuffer(KRNStreamBuf *handle, int32_t index, void *buffer,
                                              uint32_t length);
KRNSTREAM_API int32_t KRNStreamBuf_WriteBuffer(KRNStreamBuf *handle, int32_t index,
                                               const void *data, uint32_t length);
KRNSTREAM_API int32_t KRNStreamBuf_Skip(KRNStreamBuf *handle, int32_t index, int32_t delta);
KRNSTREAM_API int32_t KRNStreamBuf_Seek(KRNStreamBuf *handle, int32_t index, uint32_t position);
KRNSTREAM_API int32_t KRNStreamBuf_SeekEnd(KRNStreamBuf *handle, int32_t index, int32_t offset);
KRNSTREAM_API uint32_t KRNStreamBuf_Pos(KRNStreamBuf *handle, int32_t index);
KRNSTREAM_API int32_t KRNStreamBuf_ShowBuffer(KRNStreamBuf *handle, void *buffer, uint32_t length);
KRNSTREAM_API int32_t KRNStreamBuf_ShowSkip(KRNStreamBuf *handle, int32_t delta);
KRNSTREAM_API uint32_t KRNStreamBuf_ShowPos(KRNStreamBuf *handle);
KRNSTREAM_API void KRNStreamBuf_ShowReset(KRNStreamBuf *handle);
KRNSTREAM_API uint32_t KRNStreamBuf_GetFileSize(KRNStreamBuf *handle);
KRNSTREAM_API void KRNStreamBuf_SetSync(KRNStreamBuf *handle, int32_t flag);
KRNSTREAM_API int32_t KRNStreamBuf_GetError(KRNStreamBuf *handle);
KRNSTREAM_API int32_t KRNStreamBuf_GetOption(void);
KRNSTREAM_API void KRNStreamBuf_SetOption(int32_t value, KRNStreamOptionCallback callback);
KRNSTREAM_API int32_t KRNStreamFile_GetOption(void);
KRNSTREAM_API void KRNStreamFile_SetOption(int32_t value, KRNStreamOptionCallback callback);

/* Typed readers: on a short read the count (or the negative code) goes to
 * *error when given and 0 is returned. */
KRNSTREAM_API uint8_t KRNStreamBuf_ReadByte(KRNStreamBuf *handle, int32_t index, int32_t *error);
KRNSTREAM_API uint16_t KRNStreamBuf_ReadWordBE(KRNStreamBuf *handle, int32_t index, int32_t *error);
KRNSTREAM_API uint16_t KRNStreamBuf_ReadWordLE(KRNStreamBuf *handle, int32_t index, int32_t *error);
KRNSTREAM_API uint32_t KRNStreamBuf_Read3ByteBE(KRNStreamBuf *handle, int32_t index,
                                                int32_t *error);
KRNSTREAM_API uint32_t KRNStreamBuf_Read3ByteLE(KRNStreamBuf *handle, int32_t index,
                                                int32_t *error);
KRNSTREAM_API uint32_t KRNStreamBuf_ReadDWordBE(KRNStreamBuf *handle, int32_t index,
                                                int32_t *error);
KRNSTREAM_API uint32_t KRNStreamBuf_ReadDWordLE(KRNStreamBuf *handle, int32_t index,
                                                int32_t *error);
KRNSTREAM_API uint64_t KRNStreamBuf_ReadQWordBE(KRNStreamBuf *handle, int32_t index,
                                                int32_t *error);
KRNSTREAM_API uint64_t KRNStreamBuf_ReadQWordLE(KRNStreamBuf *handle, int32_t index,
                                                int32_t *error);

/* Typed writers: the write's count, or 0 with the negative code in *error. */
KRNSTREAM_API int32_t KRNStreamBuf_WriteByte(KRNStreamBuf *handle, int32_t index, uint32_t value,
                                             int32_t *error);
KRNSTREAM_API int32_t KRNStreamBuf_WriteWordBE(KRNStreamBuf *handle, int32_t index, uint32_t value,
                                               int32_t *error);
KRNSTREAM_API int32_t KRNStreamBuf_WriteWordLE(KRNStreamBuf *handle, int32_t index, uint32_t value,
                                               int32_t *error);
KRNSTREAM_API int32_t KRNStreamBuf_WriteDWordBE(KRNStreamBuf *handle, int32_t index, uint32_t value,
                                                int32_t *error);
KRNSTREAM_API int32_t KRNStreamBuf_WriteDWordLE(KRNStreamBuf *handle, int32_t index, uint32_t value,
                                                int32_t *error);

/* Format blocks; each returns the number of bytes written. */
KRNSTREAM_API int32_t KRNStreamBuf_PutAudioFormat(KRNStreamBuf *handle, int32_t index,
                                                  const KRNUtilAudioInfo *audio);
KRNSTREAM_API int32_t KRNStreamBuf_PutVideoFormat(KRNStreamBuf *handle, int32_t index,
                                                  const KRNUtilVideoInfo *video);

/* The file stream: the operations bound into a KRNStreamBuf by Open. */
KRNSTREAM_API int32_t KRNStreamFile_Open(KRNStreamBuf *handle, const wchar_t *path, int32_t write,
                                         int32_t openExisting);
KRNSTREAM_API int32_t KRNStreamFile_Dup(KRNStreamBuf *copy);
KRNSTREAM_API int32_t KRNStreamFile_Close(void *file);
KRNSTREAM_API int32_t KRNStreamFile_Index(void *file, int32_t *index, uint32_t cacheSize);
KRNSTREAM_API int32_t KRNStreamFile_Release(void *file, int32_t index);
KRNSTREAM_API uint32_t KRNStreamFile_Size(void *file);
KRNSTREAM_API const wchar_t *KRNStreamFile_GetName(void *file);
KRNSTREAM_API int32_t KRNStreamFile_ReadBuffer(void *file, int32_t index, void *buffer,
                                               uint32_t length);
KRNSTREAM_API int32_t KRNStreamFile_WriteBuffer(void *file, int32_t index, const void *data,
                                                uint32_t length);
KRNSTREAM_API int32_t KRNStreamFile_Skip(void *file, int32_t index, int32_t delta);
KRNSTREAM_API int32_t KRNStreamFile_Seek(void *file, int32_t index, uint32_t position);
KRNSTREAM_API int32_t KRNStreamFile_SeekEnd(void *file, int32_t index, int32_t offset);
KRNSTREAM_API uint32_t KRNStreamFile_Pos(void *file, int32_t index);
KRNSTREAM_API int32_t KRNStreamFile_ShowBuffer(void *file, void *buffer, uint32_t length);
KRNSTREAM_API int32_t KRNStreamFile_ShowSkip(void *file, int32_t delta);
KRNSTREAM_API uint32_t KRNStreamFile_ShowPos(void *file);
KRNSTREAM_API void KRNStreamFile_ShowReset(void *file);
KRNSTREAM_API uint32_t KRNStreamFile_GetFilesize(void *file);
KRNSTREAM_API void KRNStreamFile_SetSync(void *file, int32_t flag);

/* ------------------------------------------------------------------------- */
/* Reader interface                                                          */
/* ------------------------------------------------------------------------- */

#define KRN_MEDIA_VIDEO 1
#define KRN_MEDIA_AUDIO 2
#define KRN_MEDIA_TEXT 3

#define KRN_CONTAINER_AVI 0u
#define KRN_CONTAINER_MP4 1u

#define KRN_READER_MAX_VIDEO 9
#define KRN_READER_MAX_TEXT 2

#define KRN_FRAME_KEY 1
#define KRN_FRAME_OTHER 2

typedef struct KRNReader KRNReader;

typedef struct KRNReaderParam {
  const wchar_t *path;
  const wchar_t *path2; /* opened instead of path when set */
  uint32_t fileSize;    /* written by KRNReaderOpen when path2 is null */
} KRNReaderParam;

typedef struct KRNReaderTextInfo {
  uint32_t codec;
  uint32_t rate;
  uint32_t bitRate;
  uint32_t maxSampleSize;
  uint32_t duration; /* ms */
  uint32_t sampleCount;
} KRNReaderTextInfo;

typedef struct KRNReaderInfo {
  uint32_t container; /* KRN_CONTAINER_AVI or KRN_CONTAINER_MP4 */
  uint32_t duration;  /* ms */
  uint32_t timeBase;
  uint32_t audioCount;
  uint32_t videoCount;
  uint32_t textCount;
  KRNUtilAudioInfo audio;
  KRNUtilVideoInfo video[KRN_READER_MAX_VIDEO];
  KRNReaderTextInfo text[KRN_READER_MAX_TEXT];
  uint32_t cameraData;    /* first 4 bytes of the "AIDD" box, big-endian */
  uint32_t cameraDataPos; /* file position of that box's payload */
  uint8_t *adasBuffer;    /* caller's buffer for the AVI "ADAS" block */
  uint32_t adasLength;
} KRNReaderInfo;

typedef struct KRNReaderFrame {
  uint8_t *data;      /* caller */
  uint32_t size;      /* reader */
  uint32_t capacity;  /* caller; the needed size on a too-small buffer */
  int64_t time;       /* ms, with the type's time delta added */
  uint32_t duration;  /* ms */
  uint32_t track;     /* caller: 0 = first track of the type */
  uint32_t mediaType; /* caller: KRN_MEDIA_* */
  uint8_t keyFrame;   /* KRN_FRAME_KEY or KRN_FRAME_OTHER */
  uint32_t chunk;     /* 1-based running chunk number (MP4) */
} KRNReaderFrame;

typedef struct KRNReaderStatus {
  uint64_t words[3];
} KRNReaderStatus;

KRNSTREAM_API int32_t KRNReaderOpen(KRNReader **reader, KRNReaderParam *param);
KRNSTREAM_API void KRNReaderClose(KRNReader *reader);
KRNSTREAM_API int32_t KRNReaderGetInfo(KRNReader *reader, KRNReaderInfo *info);
KRNSTREAM_API int32_t KRNReaderReadFrame(KRNReader *reader, KRNReaderFrame *frame);
KRNSTREAM_API int32_t KRNReaderReadFrameInfo(KRNReader *reader, KRNReaderFrame *frame);
KRNSTREAM_API uint8_t KRNReaderSeekByTime(KRNReader *reader, uint32_t *time, int32_t flag);
KRNSTREAM_API uint8_t KRNReaderSeekByKeyFrame(KRNReader *reader, uint32_t *time, int32_t flag);
KRNSTREAM_API uint8_t KRNReaderSeekByMedia(KRNReader *reader, uint32_t *time, int32_t mediaType);
KRNSTREAM_API uint8_t KRNReaderSeekBySubtitle(KRNReader *reader, uint32_t *time, int32_t flag);
KRNSTREAM_API int32_t KRNReaderStart(KRNReader *reader, uint32_t *time);
KRNSTREAM_API int32_t KRNReaderChangeTrack(KRNReader *reader, uint32_t track, int32_t mediaType);
KRNSTREAM_API int32_t KRNReaderOpenSubtitle(void);
KRNSTREAM_API int32_t KRNReaderSetSkip(KRNReader *reader, uint32_t start, uint32_t end,
                                       int32_t enable, int32_t force);
KRNSTREAM_API int32_t KRNReaderSetTimeDelta(KRNReader *reader, int32_t delta, int32_t mediaType);
KRNSTREAM_API int32_t KRNReaderGetStatus(KRNReader *reader, KRNReaderStatus *status);
KRNSTREAM_API int32_t KRNReaderSetStatus(KRNReader *reader, int32_t status);
KRNSTREAM_API int32_t KRNReaderGetInfoFile(KRNReaderParam *param, KRNReaderInfo *info);

/* ------------------------------------------------------------------------- */
/* Writer                                                                    */
/* ------------------------------------------------------------------------- */

/* The recording side: a container writer chosen at open, wrapped in a disk
 * budget and optional size, duration and frame-count limits. No container
 * writer is built into this library: every open that gets as far as choosing
 * one fails with KRNSTREAM_ERR_FORMAT, after the output file was opened for
 * update (created when missing) and closed again. */

#define KRN_WRITER_PATH_SIZE 512

typedef struct KRNWriter KRNWriter;

typedef struct KRNWriterParam {
  const wchar_t *path;
  const wchar_t *path2; /* written instead of path when set */
  int64_t path2Size;    /* with path2: the fixed budget of bytes for the file */
  /* Non-zero: becomes the stream library's process-wide option, so that the
   * output is synced and the callback called with it when it closes. */
  int32_t option;
  KRNStreamOptionCallback optionCallback;
} KRNWriterParam;

KRNSTREAM_API int32_t KRNWriterOpen(KRNWriter **writer, const KRNWriterParam *param);
/* 0, or the failure of the last data written out as the file closes. */
KRNSTREAM_API int32_t KRNWriterClose(KRNWriter *writer);
KRNSTREAM_API int32_t KRNWriterSetInfo(KRNWriter *writer, const KRNReaderInfo *info);
/* Reads data, size, time, duration and media type; size is 0 on return. */
KRNSTREAM_API int32_t KRNWriterWrite(KRNWriter *writer, KRNReaderFrame *frame);
KRNSTREAM_API int32_t KRNWriterGetSize(KRNWriter *writer, uint32_t *size);
KRNSTREAM_API const wchar_t *KRNWriterGetFilePath(KRNWriter *writer);
KRNSTREAM_API void KRNWriterSetSync(KRNWriter *writer, int32_t flag);

#ifdef __cplusplus
}
#endif

#endif /* KRNSTREAM_H */
