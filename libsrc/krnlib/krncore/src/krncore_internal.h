// Helpers shared by the krncore units; not part of the public API.
#ifndef KRNCORE_INTERNAL_H
#define KRNCORE_INTERNAL_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "krncore.h"

namespace krn {

// Wide text is UTF-32 here; narrow text is UTF-8 whatever the process locale.
std::string toUtf8(const wchar_t *text);
std::string toUtf8(const wchar_t *text, size_t length);
std::wstring fromUtf8(const char *text);
std::wstring fromUtf8(const char *text, size_t length);

// Formats into buffer of capacity wide characters. Output that does not fit is
// cut, never overrun; returns the length written.
size_t formatCut(wchar_t *buffer, size_t capacity, const wchar_t *format, va_list args);

// KRN_Trace with the function name as the compiler spells it (narrow).
void trace(const wchar_t *module, uint32_t level, const wchar_t *file, int32_t line,
           const char *function, const wchar_t *format, ...);

// Text of an errno value, as a narrow string for "%s".
const char *errnoText(int err);

// List and queue nodes come from the small-block pool of their size when one
// is registered. Allocation answers quietly: null sends the caller to the heap.
// Release: 1 when the block went back to its pool, 0 when it is no pool's (the
// heap's then), -1 when the pools could not be locked to tell (the block must
// then be left alone).
void *smemAllocIfRegistered(int32_t size);
int smemFreeIfOwned(void *block, int32_t size);

// KRN_NListDel for a caller that knows the node is in that list (the pools
// record where each block's node is): no walk to make sure of it.
int32_t nlistDelMember(KrnNList *list, KrnListNode *node);

// Puts units into a semaphore at once (at most up to its maximum).
void semaFill(KrnSema *sema, int32_t units);

}  // namespace krn

// Each unit defines KRN_MODULE and KRN_SOURCE before using these.
#define KRN_LOG(level, ...) \
  krn::trace(KRN_MODULE, (level), KRN_SOURCE, __LINE__, __func__, __VA_ARGS__)
#define KRN_LOGE(...) KRN_LOG(KRN_TRACE_ERROR, __VA_ARGS__)
// For helpers that trace on behalf of the exported function that called them.
#define KRN_LOG_AS(function, level, ...) \
  krn::trace(KRN_MODULE, (level), KRN_SOURCE, __LINE__, (function), __VA_ARGS__)

#endif
