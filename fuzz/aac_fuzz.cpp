// The AAC AudioSpecificConfig reader of krnutil.
#include "fuzz_util.h"
#include "krnutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto copy = fuzzutil::copyOf(data, size);
  KRNUtilAudioInfo audio{};
  const uint32_t rate = KRNUtil_UtilGetLATMInfo(copy.get(), static_cast<uint32_t>(size), &audio);
  if (size < 2 && rate != 0) __builtin_trap();
  if (rate != 0 && rate != audio.sampleRate) __builtin_trap();
  KRNUtil_GetAudioSampleSize(KRNUTIL_AUDIO_AAC);
  return 0;
}
