// Test media made by ffmpeg at test time, ffprobe as the oracle, and small
// independent readers for the bytes of those files.
#ifndef KRNUTIL_TESTS_MEDIA_H
#define KRNUTIL_TESTS_MEDIA_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "krnutil.h"

namespace media {

using Bytes = std::vector<uint8_t>;

inline std::string run(const std::string &command) {
  std::string out;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char chunk[4096];
    for (size_t got; (got = fread(chunk, 1, sizeof(chunk), pipe)) > 0;) out.append(chunk, got);
    pclose(pipe);
  }
  return out;
}

// Makes krnutil_media/<name> with "ffmpeg <args> <file>" once per build tree;
// the file gets its name only when ffmpeg succeeded.
inline std::string make(const std::string &name, const std::string &args) {
  static std::mutex lock;
  std::lock_guard<std::mutex> hold(lock);
  mkdir("krnutil_media", 0755);
  std::string path = "krnutil_media/" + name;
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && st.st_size > 0) return path;
  std::string partial = "krnutil_media/partial-" + name;
  std::string log =
      run("ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " '" + partial + "' 2>&1");
  if (stat(partial.c_str(), &st) != 0 || st.st_size == 0 || rename(partial.c_str(), path.c_str())) {
    ADD_FAILURE() << "ffmpeg failed for " << name << ":\n" << log;
  }
  return path;
}

inline Bytes read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "key=value" lines of ffprobe for the first stream of the given kind.
inline std::map<std::string, std::string> probe(const std::string &path, const std::string &stream,
                                                const std::string &entries,
                                                const std::string &extra = "") {
  std::istringstream lines(run("ffprobe -v error " + extra + " -select_streams " + stream +
                               " -show_entries stream=" + entries + " -of default=nw=1 '" + path +
                               "'"));
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(lines, line);) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

inline uint32_t number(const std::map<std::string, std::string> &values, const std::string &key) {
  auto it = values.find(key);
  if (it == values.end()) ADD_FAILURE() << "ffprobe reported no " << key;
  return it == values.end() ? 0 : uint32_t(std::stoul(it->second));
}

// Payload of the first box of the given type anywhere in an MP4 file.
inline Bytes boxPayload(const Bytes &file, const char *type) {
  for (size_t i = 4; i + 4 <= file.size(); ++i) {
    if (memcmp(&file[i], type, 4) != 0) continue;
    uint32_t size = (uint32_t(file[i - 4]) << 24) | (uint32_t(file[i - 3]) << 16) |
                    (uint32_t(file[i - 2]) << 8) | file[i - 1];
    if (size >= 8 && i - 4 + size <= file.size()) {
      return Bytes(file.begin() + long(i + 4), file.begin() + long(i - 4 + size));
    }
  }
  return Bytes();
}

// NAL units of an Annex B stream without their start codes, found apart from
// the library so that the two check each other.
inline std::vector<Bytes> annexBUnits(const Bytes &data) {
  std::vector<size_t> starts;
  for (size_t i = 0; i + 3 <= data.size(); ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) starts.push_back((i += 2) + 1);
  }
  std::vector<Bytes> units;
  for (size_t k = 0; k < starts.size(); ++k) {
    size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : data.size();
    while (end > starts[k] && data[end - 1] == 0) --end;
    units.emplace_back(data.begin() + long(starts[k]), data.begin() + long(end));
  }
  return units;
}

inline Bytes startCodeForm(const std::vector<Bytes> &units) {
  Bytes out;
  for (const Bytes &u : units) {
    out.insert(out.end(), {0, 0, 0, 1});
    out.insert(out.end(), u.begin(), u.end());
  }
  return out;
}

// A heap block of exactly the data's size, so that the sanitizer builds catch
// any access past it.
struct Exact {
  explicit Exact(const Bytes &data) : size(uint32_t(data.size())), bytes(new uint8_t[data.size()]) {
    if (!data.empty()) memcpy(bytes.get(), data.data(), data.size());
  }
  Bytes view(uint32_t n) const { return Bytes(bytes.get(), bytes.get() + n); }
  Bytes view() const { return view(size); }
  uint32_t size;
  std::unique_ptr<uint8_t[]> bytes;
};

// Collects trace lines through krncore's line callback.
class TraceLines {
 public:
  explicit TraceLines(const wchar_t *filter) {
    current() = this;
    KRN_TraceSet(filter);
    KRN_TraceSetCB(&TraceLines::onLine, 0);
  }
  ~TraceLines() {
    KRN_TraceSetCB(nullptr, 0);
    KRN_TraceSet(L"");
    current() = nullptr;
  }
  bool has(const std::wstring &piece) {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto &line : lines_) {
      if (line.find(piece) != std::wstring::npos) return true;
    }
    return false;
  }

 private:
  static TraceLines *&current() {
    static TraceLines *instance = nullptr;
    return instance;
  }
  static void onLine(const wchar_t *line) {
    if (TraceLines *self = current()) {
      std::lock_guard<std::mutex> hold(self->lock_);
      self->lines_.emplace_back(line);
    }
  }
  std::mutex lock_;
  std::vector<std::wstring> lines_;
};

}  // namespace media

#endif
