// Collects trace lines through the line callback for the tests to inspect.
#ifndef KRNCORE_TESTS_TRACE_CAPTURE_H
#define KRNCORE_TESTS_TRACE_CAPTURE_H

#include <mutex>
#include <string>
#include <vector>

#include "krncore.h"

class TraceCapture {
 public:
  explicit TraceCapture(const wchar_t *filter = L"*:4") {
    instance() = this;
    KRN_TraceSet(filter);
    KRN_TraceSetCB(&TraceCapture::onLine, 0);
  }
  ~TraceCapture() {
    KRN_TraceSetCB(nullptr, 0);
    KRN_TraceSet(L"");
    instance() = nullptr;
  }
  std::vector<std::wstring> lines() {
    std::lock_guard<std::mutex> g(lock_);
    return lines_;
  }
  // True when some line contains every one of the given pieces.
  bool has(std::initializer_list<std::wstring> pieces) {
    for (const auto &line : lines()) {
      bool all = true;
      for (const auto &p : pieces) all = all && line.find(p) != std::wstring::npos;
      if (all) return true;
    }
    return false;
  }
  void clear() {
    std::lock_guard<std::mutex> g(lock_);
    lines_.clear();
  }

 private:
  static TraceCapture *&instance() {
    static TraceCapture *current = nullptr;
    return current;
  }
  static void onLine(const wchar_t *line) {
    if (TraceCapture *self = instance()) {
      std::lock_guard<std::mutex> g(self->lock_);
      self->lines_.emplace_back(line);
    }
  }
  std::mutex lock_;
  std::vector<std::wstring> lines_;
};

#endif
