// The trace log every library of the system writes through.
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>

#include "krncore_internal.h"

namespace {

constexpr int kFilterCount = 20;
constexpr size_t kFilterNameUnits = 30;  // 29 characters and the terminator
constexpr size_t kLineUnits = 4096;
constexpr size_t kFilterEntryUnits = 127;

struct KrnTraceFilter {
  wchar_t name[kFilterNameUnits];
  int32_t level;
};

const wchar_t *const kLevelNames[] = {L"NONE ", L"ERROR", L"INFO ", L"DEBUG", L"TRACE"};

// Set during start-up and read without the lock afterwards.
KrnTraceFilter gFilters[kFilterCount];
// The trace lock of KRN_TraceInit. KRN_TraceDeinit withdraws it but keeps it
// for the next KRN_TraceInit: a line on another thread may just have picked it
// up, and it must still be a lock when that line takes it.
std::atomic<KrnMutex *> gLock{nullptr};
std::atomic<KrnMutex *> gRetiredLock{nullptr};
// The trace file, written and replaced under gFileLock, which lives as long
// as the process so that a line is never left with a lock or file gone away.
KrnFile *gFile = nullptr;
std::mutex gFileLock;
// Lines a thread is writing at once: a trace made while a line is written
// (the trace file reporting a failed write) is a line of its own.
constexpr int kNesting = 2;
thread_local int tDepth = 0;
std::atomic<uint8_t> gDebugOutput{1};
std::atomic<KrnTraceCallback> gCallback{nullptr};
std::atomic<int32_t> gLineCounter{0};

bool filterPasses(const wchar_t *module, uint32_t level) {
  for (const KrnTraceFilter &f : gFilters) {
    if (f.name[0] == L'\0') continue;
    if (wcscmp(f.name, module) == 0 || wcscmp(f.name, L"*") == 0)
      return f.level >= 0 && static_cast<uint32_t>(f.level) >= level;
  }
  return false;
}

// Holds the trace lock, when there is one, for the filter and the prefix.
class LineLock {
 public:
  LineLock() {
    lock_ = gLock.load();
    if (lock_ && KRN_MutexLock(lock_, KRN_INFINITE) != 0) lock_ = nullptr;
  }
  ~LineLock() { release(); }
  void release() {
    if (released_) return;
    released_ = true;
    if (lock_) KRN_MutexUnLock(lock_);
  }
  LineLock(const LineLock &) = delete;
  LineLock &operator=(const LineLock &) = delete;

 private:
  KrnMutex *lock_ = nullptr;
  bool released_ = false;
};

void writeLine(const wchar_t *module, uint32_t level, const wchar_t *file, int32_t line,
               const wchar_t *function, const wchar_t *format, va_list args) {
  if (level == KRN_TRACE_NONE || tDepth >= kNesting) return;
  LineLock held;
  if (!module) module = L"none";
  if (!filterPasses(module, level)) return;
  gLineCounter.fetch_add(1, std::memory_order_relaxed);
  // Each thread completes its line in a buffer of its own, so lines finished
  // concurrently outside the lock can never overwrite one another.
  thread_local wchar_t buffers[kNesting][kLineUnits];
  const int depth = tDepth++;
  wchar_t *buffer = buffers[depth];
  unsigned long long tick = KRN_GetSystemTick();
  const wchar_t *levelName = level < 5 ? kLevelNames[level] : L"?????";
  int n = swprintf(buffer, kLineUnits, L"%08llu %ls:[%ls] %ls:%d (%ls) : ", tick, levelName, module,
                   file ? file : L"", line, function ? function : L"");
  if (n < 0) n = static_cast<int>(wcsnlen(buffer, kLineUnits - 1));
  held.release();

  size_t used = static_cast<size_t>(n);
  krn::formatCut(buffer + used, kLineUnits - used, format, args);

  if (gDebugOutput.load(std::memory_order_relaxed)) fputs(krn::toUtf8(buffer).c_str(), stderr);
  // A line about the trace file itself does not go back into it.
  if (depth == 0) {
    std::lock_guard<std::mutex> fileHeld(gFileLock);
    if (gFile) KRN_FileTextWrite(gFile, buffer);
  }
  if (KrnTraceCallback cb = gCallback.load(std::memory_order_acquire)) cb(buffer);
  --tDepth;
}

}  // namespace

namespace krn {

void trace(const wchar_t *module, uint32_t level, const wchar_t *file, int32_t line,
           const char *function, const wchar_t *format, ...) {
  if (level == KRN_TRACE_NONE) return;
  wchar_t wideFunction[64];
  size_t i = 0;
  for (; function && function[i] && i < 63; ++i)
    wideFunction[i] = static_cast<wchar_t>(function[i]);
  wideFunction[i] = L'\0';
  va_list args;
  va_start(args, format);
  writeLine(module, level, file, line, wideFunction, format, args);
  va_end(args);
}

}  // namespace krn

extern "C" {

void KRN_Trace(const wchar_t *module, uint32_t level, const wchar_t *file, int32_t line,
               const wchar_t *function, const wchar_t *format, ...) {
  va_list args;
  va_start(args, format);
  writeLine(module, level, file, line, function, format, args);
  va_end(args);
}

void KRN_TraceInit(const wchar_t *path) {
  if (!gLock.load()) {
    KrnMutex *lock = gRetiredLock.exchange(nullptr);
    if (!lock) lock = KRN_MutexCreate();
    KrnMutex *expected = nullptr;
    if (lock && !gLock.compare_exchange_strong(expected, lock)) KRN_MutexDestroy(lock);
  }
  if (!path) return;
  // Opened and closed outside gFileLock: both may trace.
  KrnFile *file = KRN_FileOpen(path, KRN_FILE_TEXT | KRN_FILE_WRITE | KRN_FILE_CREATE);
  KrnFile *old;
  {
    std::lock_guard<std::mutex> held(gFileLock);
    old = gFile;
    gFile = file;
  }
  KRN_FileClose(old);
  if (!file) printf("%s trace file open failed\n", krn::toUtf8(path).c_str());
}

void KRN_TraceDeinit(void) {
  if (KrnMutex *lock = gLock.exchange(nullptr)) {
    KrnMutex *expected = nullptr;
    if (!gRetiredLock.compare_exchange_strong(expected, lock)) KRN_MutexDestroy(lock);
  }
  KrnFile *file;
  {
    std::lock_guard<std::mutex> held(gFileLock);
    file = gFile;
    gFile = nullptr;
  }
  KRN_FileClose(file);
}

int32_t KRN_TraceSet(const wchar_t *filter) {
  if (!filter) return 0;
  memset(gFilters, 0, sizeof gFilters);
  const wchar_t *p = filter;
  int32_t last = 0;
  for (int slot = 0; slot < kFilterCount; ++slot) {
    const wchar_t *comma = wcschr(p, L',');
    size_t len = comma ? static_cast<size_t>(comma - p) : wcslen(p);
    wchar_t entry[kFilterEntryUnits + 1];
    size_t keep = len < kFilterEntryUnits ? len : kFilterEntryUnits;
    wmemcpy(entry, p, keep);
    entry[keep] = L'\0';

    wchar_t *colon = wcschr(entry, L':');
    if (!colon) return 0;
    size_t nameLen = static_cast<size_t>(colon - entry);
    if (nameLen > kFilterNameUnits - 1) nameLen = kFilterNameUnits - 1;
    wmemcpy(gFilters[slot].name, entry, nameLen);
    gFilters[slot].name[nameLen] = L'\0';
    last = static_cast<int32_t>(wcstol(colon + 1, nullptr, 10));
    gFilters[slot].level = last < 1 ? 1 : last;

    if (!comma) break;
    p = comma + 1;
  }
  return last;
}

void KRN_TraceSetCB(KrnTraceCallback callback, int32_t debugOutput) {
  gCallback.store(callback, std::memory_order_release);
  gDebugOutput.store(static_cast<uint8_t>(debugOutput), std::memory_order_relaxed);
}

void KRN_TraceColor(void) {}

void KRN_Hexdump(const void *data, uint32_t count, const wchar_t *title, int32_t line) {
  printf("%s:%d Hex Dump:\n", krn::toUtf8(title).c_str(), line);
  const auto *bytes = static_cast<const unsigned char *>(data);
  if (!bytes) return;
  for (uint32_t row = 0; row < count; row += 16) {
    printf("%03u: ", row);
    for (uint32_t i = 0; i < 16; ++i) {
      if (row + i < count)
        printf("%02x ", bytes[row + i]);
      else
        fputs("   ", stdout);
    }
    fputs("  ", stdout);
    for (uint32_t i = 0; i < 16 && row + i < count; ++i)
      putchar(isprint(bytes[row + i]) ? bytes[row + i] : '.');
    putchar('\n');
  }
}

}  // extern "C"
