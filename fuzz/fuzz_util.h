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

// A scratch file of this process, in memory (/dev/shm) unless TMPDIR says
// otherwise: truncating a file on a disk can stall for longer than the time
// allowed for one input. Removed at exit; one name per harness.
inline std::string scratchPath(const char *name) {
  static std::string made;
  const char *dir = std::getenv("TMPDIR");
  std::string p = dir && *dir ? dir : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
  made = p + "/" + name + "-" + std::to_string(getpid());
  static const bool removedAtExit = std::atexit([] { unlink(made.c_str()); }) == 0;
  (void)removedAtExit;
  return made;
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
