// The AVI reader through the reader interface: any bytes that look like an
// AVI file are opened, described and read to the end without a crash, a hang
// or a leak.
#include <cstring>

#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 11 || memcmp(data, "RIFF", 4) || memcmp(data + 8, "AVI", 3)) return -1;
  readerfuzz::exercise(data, size);
  return 0;
}
