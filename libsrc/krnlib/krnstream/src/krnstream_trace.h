// Trace helper for the stream library's units.
#ifndef KRNSTREAM_TRACE_H
#define KRNSTREAM_TRACE_H

#include <cstdarg>
#include <cstdint>
#include <cwchar>

#include "krncore.h"

namespace krnstream {

// KRN_Trace with the function name as the compiler spells it.
void trace(const wchar_t *module, uint32_t level, const wchar_t *file, int32_t line,
           const char *function, const wchar_t *format, ...);

}  // namespace krnstream

// Each unit defines KS_MODULE and KS_SOURCE before using these.
#define KS_LOG(level, ...) \
  krnstream::trace(KS_MODULE, (level), KS_SOURCE, __LINE__, __func__, __VA_ARGS__)
#define KS_LOGE(...) KS_LOG(KRN_TRACE_ERROR, __VA_ARGS__)
#define KS_LOG_AS(function, level, ...) \
  krnstream::trace(KS_MODULE, (level), KS_SOURCE, __LINE__, (function), __VA_ARGS__)

#endif
