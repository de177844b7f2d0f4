// Scratch directories, trace capture and small file helpers for the tests.
#ifndef KRNSTREAM_TESTS_SUPPORT_H
#define KRNSTREAM_TESTS_SUPPORT_H

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "krnstream.h"

inline std::wstring widen(const std::string &s) {
  return std::wstring(s.begin(), s.end());
}

class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/krnstream-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  ~ScratchDir() { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string path(const std::string &name) const { return dir_ + "/" + name; }
  std::wstring wpath(const std::string &name) const { return widen(path(name)); }
  const std::string &dir() const { return dir_; }

 private:
  std::string dir_;
};

inline void writeBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> readBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

inline long fileSize(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// Collects trace lines of every module for the lifetime of the object.
class Traces {
 public:
  Traces() {
    self() = this;
    KRN_TraceSet(L"*:4");
    KRN_TraceSetCB(&Traces::onLine, 0);
  }
  ~Traces() {
    KRN_TraceSetCB(nullptr, 0);
    KRN_TraceSet(L"");
    self() = nullptr;
  }
  bool has(const std::wstring &piece) {
    std::lock_guard<std::mutex> g(lock_);
    for (const auto &l : lines_)
      if (l.find(piece) != std::wstring::npos) return true;
    return false;
  }

 private:
  static Traces *&self() {
    static Traces *t = nullptr;
    return t;
  }
  static void onLine(const wchar_t *line) {
    if (Traces *t = self()) {
      std::lock_guard<std::mutex> g(t->lock_);
      t->lines_.emplace_back(line);
    }
  }
  std::mutex lock_;
  std::vector<std::wstring> lines_;
};

#endif
