// What the H.264 and H.265 harnesses share: the conversions between record
// and start-code forms, and the cutting of an elementary stream into access
// units, which both codecs go through.
#ifndef FUZZ_H26X_COMMON_H
#define FUZZ_H26X_COMMON_H

#include <string>
#include <vector>

#include "fuzz_util.h"
#include "krnutil.h"

namespace h26x {

// Start-code helpers over the whole input.
inline void scanStartCodes(const uint8_t *data, size_t size) {
  auto copy = fuzzutil::copyOf(data, size);
  uint8_t *cursor = copy.get();
  uint32_t left = static_cast<uint32_t>(size);
  uint32_t code = 0;
  while (KRNUtil_FindStartCode(&cursor, &left, &code)) {
    if (left < 4 || cursor < copy.get() || cursor + left != copy.get() + size) __builtin_trap();
    ++cursor;
    --left;
  }
  cursor = copy.get();
  left = static_cast<uint32_t>(size);
  while (KRNUtil_FindStartCode2(&cursor, &left, 0x00000001u)) {
    ++cursor;
    --left;
  }

  auto epb = fuzzutil::copyOf(data, size);
  uint32_t length = static_cast<uint32_t>(size);
  KRNUtil_H26xRemoveEPB(epb.get(), &length);
  if (length > size) __builtin_trap();

  std::unique_ptr<uint8_t[]> out(new uint8_t[size ? size : 1]);
  uint32_t outLength = 0;
  KRNUtil_ConvH26xExtraDataFromStartCode(data, static_cast<uint32_t>(size), out.get(), &outLength);
  if (outLength > size) __builtin_trap();

  auto frame = fuzzutil::copyOf(data, size);
  UtilConvH264FrameToStartCode(frame.get(), static_cast<uint32_t>(size));
}

// The input as an Annex B elementary stream in a file, cut into access units
// until the reader stops.
inline void cutStream(const uint8_t *data, size_t size, bool hevc) {
  static const std::string path = fuzzutil::scratchPath(hevc ? "krn-h265-fuzz" : "krn-h264-fuzz");
  if (!fuzzutil::writeFile(path, data, size)) std::abort();
  std::wstring wide(path.begin(), path.end());
  KrnFile *file = KRN_FileOpen(wide.c_str(), KRN_FILE_READ);
  if (!file) return;
  // A capacity that depends on the input reaches the too-small case too.
  const uint32_t capacity = size ? 16u + data[0] * 64u : 64u;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
  for (size_t frames = 0; frames <= size; ++frames) {
    uint32_t got = hevc ? UtilVideo_H265_ReadOneFrame(file, buffer.get(), capacity)
                        : UtilVideo_H264_ReadOneFrame(file, buffer.get(), capacity);
    if (got > capacity) __builtin_trap();
    if (got == 0) break;
  }
  KRN_FileClose(file);
}

}  // namespace h26x

#endif
