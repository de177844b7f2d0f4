// A recording file being written: it goes to "<path>.part" and gets its real name only
// once complete, so that a failed run leaves nothing that looks like a recording.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace samplegen {

class OutputFile {
 public:
  explicit OutputFile(const std::string &path);
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;
  ~OutputFile();  // removes the partial file unless committed

  void write(const std::vector<uint8_t> &bytes);
  uint64_t position() const { return written_; }
  void commit();

 private:
  std::string path_;
  std::string partPath_;
  std::FILE *file_ = nullptr;
  uint64_t written_ = 0;
};

}  // namespace samplegen
