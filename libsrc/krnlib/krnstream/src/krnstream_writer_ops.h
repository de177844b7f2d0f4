// The operation table a container writer binds into a writer handle, and the
// part of the handle it works on. No container writer ships with the library;
// the tests offer one through KRNWriterSetTestContainer to exercise the
// checks the writer makes around it.
#ifndef KRNSTREAM_WRITER_OPS_H
#define KRNSTREAM_WRITER_OPS_H

#include "krnstream.h"

struct KRNWriterShared {
  KRNStreamBuf *stream;  // opened for writing before the container is chosen
  const wchar_t *path;
  KrnMutex *mutex;       // created by the container when it takes the file
  int64_t budget;        // bytes that may still be written before free space is asked again
  uint32_t maxFileSize;  // 0: no limit
  uint32_t maxDuration;  // ms; 0: no limit
  uint32_t maxFrames;    // frames of type 1; 0: no limit
};

struct KRNWriterContainerOps {
  // Takes the file (0) or refuses it (a negative code).
  int32_t (*open)(KRNWriterShared *shared, void **context);
  void (*close)(void *context);
  int32_t (*setInfo)(void *context, const KRNReaderInfo *info);
  // Bytes the frame will add to the file beyond its payload.
  int32_t (*prepare)(void *context, const KRNReaderFrame *frame);
  int32_t (*writeFrame)(void *context, const KRNReaderFrame *frame);
  int32_t (*getSize)(void *context, uint32_t *size);
  void (*setSync)(void *context, int32_t flag);
};

// Offers a container to every later KRNWriterOpen; null withdraws it.
extern "C" __attribute__((visibility("default"))) void KRNWriterSetTestContainer(
    const KRNWriterContainerOps *ops);

#endif
