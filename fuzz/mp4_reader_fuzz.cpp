// The MP4 reader through the reader interface: any bytes that look like an
// MP4 file are opened, described and read to the end without a crash, a hang
// or a leak.
#include <cstring>

#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The container is chosen by the first box's type; other inputs would fuzz
  // the AVI reader instead and are kept out of this corpus.
  if (size < 8 || (memcmp(data + 4, "ftyp", 4) && memcmp(data + 4, "mdat", 4) &&
                   memcmp(data + 4, "moov", 4)))
    return -1;
  readerfuzz::exercise(data, size);
  return 0;
}
