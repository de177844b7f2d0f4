#include "output_file.h"

#include <stdexcept>

namespace samplegen {

OutputFile::OutputFile(const std::string &path) : path_(path), partPath_(path + ".part") {
  file_ = std::fopen(partPath_.c_str(), "wb");
  if (!file_) throw std::runtime_error("cannot create " + partPath_);
}

OutputFile::~OutputFile() {
  if (!file_) return;
  std::fclose(file_);
  std::remove(partPath_.c_str());
}

void OutputFile::write(const std::vector<uint8_t> &bytes) {
  // An empty vector may have no storage at all, and fwrite must not be given
  // a null buffer even for zero bytes.
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    throw std::runtime_error("cannot write " + partPath_);
  }
  written_ += bytes.size();
}

void OutputFile::commit() {
  const int rc = std::fclose(file_);
  file_ = nullptr;
  if (rc != 0 || std::rename(partPath_.c_str(), path_.c_str()) != 0) {
    std::remove(partPath_.c_str());
    throw std::runtime_error("cannot finish " + path_);
  }
}

}  // namespace samplegen
