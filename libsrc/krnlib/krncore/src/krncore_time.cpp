// Millisecond ticks and local time.
#include <ctime>

#include "krncore_internal.h"

#define KRN_MODULE L"krntime"
#define KRN_SOURCE L"krncore_time"

extern "C" {

uint64_t KRN_GetSystemTick(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms =
      static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  // Callers expect the 32-bit tick that wraps after about 49.7 days.
  return static_cast<uint32_t>(ms);
}

uint64_t KRN_GetSystemTickUS(void) {
  uint32_t ms = static_cast<uint32_t>(KRN_GetSystemTick());
  return static_cast<uint32_t>(ms * 1000u);
}

int32_t KRN_GetlocalTime(struct tm *out) {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) {
    KRN_LOGE(L"_localtime64_s error\n");
    return -1;
  }
  if (out) *out = local;
  return 0;
}

}  // extern "C"
