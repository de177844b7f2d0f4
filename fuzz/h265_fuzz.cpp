// The H.265 parsers of krnutil: "hvcC" records and their arrays, parameter
// sets in start-code form (VPS, SPS with profile, tier and level), and
// elementary streams cut into access units.
#include "h26x_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint32_t length = static_cast<uint32_t>(size);
  auto record = fuzzutil::copyOf(data, size);

  KRNUtilVideoInfo video{};
  video.codec = KRNUTIL_FOURCC('h', 'v', 'c', '1');
  KRNUtil_GetVideoInfo(record.get(), length, &video);

  KRNUtilHEVCConfig config{};
  UtilConvH265Info(record.get(), length, &config);

  auto hevc = fuzzutil::copyOf(data, size);
  uint32_t hevcLength = length;
  if (KRNUtil_ConvHEVCInfoToStartCode(hevc.get(), &hevcLength) && hevcLength > length)
    __builtin_trap();

  // The arrays alone, as the reader passes them (from the array count on).
  if (size > 22) {
    auto arrays = fuzzutil::copyOf(data + 22, size - 22);
    uint32_t arraysLength = length - 22;
    if (KRNUtil_ConvH265InfoToStartCode(arrays.get(), &arraysLength) && arraysLength > length - 22)
      __builtin_trap();
  }

  KRNUtilH265Info info{};
  if (UtilConvH265InfoFromStartCode(record.get(), length, &info)) {
    const uint8_t *end = record.get() + size;
    if (!info.vps || info.vps + info.vpsLength > end || !info.sps ||
        info.sps + info.spsLength > end || (info.pps && info.pps + info.ppsLength > end))
      __builtin_trap();
  }

  h26x::scanStartCodes(data, size);
  h26x::cutStream(data, size, true);
  return 0;
}
