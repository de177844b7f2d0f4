// The MPEG audio Layer III header search of krnutil.
#include "fuzz_util.h"
#include "krnutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto copy = fuzzutil::copyOf(data, size);
  KRNUtilAudioInfo audio{};
  uint32_t samples = 0;
  if (KRNUtil_GetMP3Info(copy.get(), static_cast<uint32_t>(size), &audio, &samples)) {
    if (audio.codec != KRNUTIL_AUDIO_MP3 || audio.sampleRate == 0 || audio.channels == 0 ||
        audio.channels > 2 || samples == 0)
      __builtin_trap();
  }
  KRNUtilAudioInfo again{};
  KRNUtil_GetMP3Info(copy.get(), static_cast<uint32_t>(size), &again, nullptr);
  return 0;
}
