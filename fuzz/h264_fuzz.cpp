// The H.264 parsers of krnutil: "avcC" records, their start-code form and
// back, and elementary streams cut into access units.
#include "h26x_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint32_t length = static_cast<uint32_t>(size);
  auto record = fuzzutil::copyOf(data, size);

  KRNUtilVideoInfo video{};
  video.codec = KRNUTIL_FOURCC('a', 'v', 'c', '1');
  KRNUtil_GetVideoInfo(record.get(), length, &video);

  KRNUtilH264Info info{};
  const uint32_t offset = size ? data[0] % 8 : 0;
  KRNUtil_GetH264Info(record.get(), length, offset, &info);

  // In place: the start-code form must fit the record's own bytes.
  auto converted = fuzzutil::copyOf(data, size);
  uint32_t convertedLength = length;
  if (KRNUtil_ConvH264InfoToStartCode(converted.get(), &convertedLength)) {
    if (convertedLength > length) __builtin_trap();
    // And back: a record needs at most 7 bytes more than its start-code form.
    std::unique_ptr<uint8_t[]> avcC(new uint8_t[convertedLength + 7]);
    uint32_t avcCLength = 0;
    if (UtilConvH264InfoFromStartCode(converted.get(), convertedLength, avcC.get(), &avcCLength,
                                      nullptr) &&
        avcCLength > convertedLength + 7)
      __builtin_trap();
  }
  {
    std::unique_ptr<uint8_t[]> avcC(new uint8_t[size + 7]);
    uint32_t avcCLength = 0;
    KRNUtilH264Info header{100, 0, 40, size ? (data[size - 1] & 3u) + 1 : 4u};
    if (UtilConvH264InfoFromStartCode(record.get(), length, avcC.get(), &avcCLength, &header) &&
        avcCLength > size + 7)
      __builtin_trap();
  }

  h26x::scanStartCodes(data, size);
  h26x::cutStream(data, size, false);
  return 0;
}
