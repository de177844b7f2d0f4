// Small helpers of the harnesses: heap copies sized exactly (so that ASan
// sees a byte written or read past them) and a per-process scratch file.
#ifndef FUZZ_FUZZ_UTIL_H
#define FUZZ_FUZZ_UTIL_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace fuzzutil {

// An exact heap copy of the input (at least one byte, so that data is never null).
inline std::unique_ptr<uint8_t[]> copyOf(const uint8_t *data, size_t size) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
  if (size) memcpy(copy.get(), data, size);
  return copy;
}

inline std::string scratchPath(const char *name) {
  const char *dir = std::getenv("TMPDIR");
  std::string p = dir && *dir ? dir : "/tmp";
  return p + "/" + name + "-" + std::to_string(getpid());
}

inline bool writeFile(const std::string &path, const uint8_t *data, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) {
      close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return close(fd) == 0;
}

}  // namespace fuzzutil

#endif
