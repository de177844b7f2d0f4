// Opening a file stream with an option of its own rather than the
// process-wide one: the writer gives its option to its stream alone.
#ifndef KRNSTREAM_FILE_INTERNAL_H
#define KRNSTREAM_FILE_INTERNAL_H

#include "krnstream.h"

extern "C" {
int32_t KRNStreamFile_OpenWithOption(KRNStreamBuf *handle, const wchar_t *path, int32_t write,
                                     int32_t openExisting, int32_t option,
                                     KRNStreamOptionCallback callback);
int32_t KRNStreamBuf_OpenWithOption(KRNStreamBuf **handle, const wchar_t *path, int32_t write,
                                    int32_t option, KRNStreamOptionCallback callback);
}

#endif
