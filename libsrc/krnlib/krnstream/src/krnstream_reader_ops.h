// The operation table a container reader binds into a reader handle.
#ifndef KRNSTREAM_READER_OPS_H
#define KRNSTREAM_READER_OPS_H

#include "krnstream.h"

// Slots in their fixed order; a null slot means the format does not provide
// the operation and the generic layer answers for it.
struct KRNReaderFormatOps {
  int32_t (*openStream)(void **context, KRNStreamBuf *stream);
  int32_t (*openParam)(void **context, KRNReaderParam *param);
  void (*close)(void *context);
  void *reserved1;
  int32_t (*getInfo)(void *context, KRNReaderInfo *info, int32_t indexFlag);
  int32_t (*start)(void *context, uint32_t *time);
  int32_t (*makeIndex)(void *context);
  void *reserved2;
  int32_t (*readFrame)(void *context, KRNReaderFrame *frame);
  int32_t (*readFrameInfo)(void *context, KRNReaderFrame *frame);
  uint8_t (*seekByTime)(void *context, uint32_t *time, int32_t flag);
  uint8_t (*seekByKeyFrame)(void *context, uint32_t *time, int32_t flag);
  uint8_t (*seekBySubtitle)(void *context, uint32_t *time, int32_t flag);
  uint8_t (*seekByMedia)(void *context, uint32_t *time, int32_t mediaType);
  int32_t (*changeTrack)(void *context, uint32_t track, uint32_t time, int32_t mediaType);
  int32_t (*getStatus)(void *context, KRNReaderStatus *status);
  int32_t (*setStatus)(void *context, int32_t status);
};

extern const KRNReaderFormatOps kMp4ReaderOps;
extern const KRNReaderFormatOps kAviReaderOps;

#endif
