// Feeds arbitrary bytes to the release archive reader as if they were a
// downloaded archive. The output is counted, not kept: the reader must stay
// within the size its header states and never read past the input.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <streambuf>
#include <string>

#include "ZipReader.h"

namespace {

// Discards what is written and checks it stays within the stated size.
class CountingBuf : public std::streambuf {
 public:
  uint64_t count = 0;

 protected:
  int overflow(int c) override {
    ++count;
    return c;
  }
  std::streamsize xsputn(const char *, std::streamsize n) override {
    count += static_cast<uint64_t>(n);
    return n;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
  CountingBuf sink;
  std::ostream out(&sink);
  // A small limit keeps each run fast; the bound itself is what is tested.
  ZipReader reader(1u << 20);
  const ZipReader::Result result = reader.extractFirst(in, out);
  if (sink.count > reader.entry().uncompressedSize) __builtin_trap();
  if (result == ZipReader::Result::Ok && sink.count != reader.entry().uncompressedSize)
    __builtin_trap();
  return 0;
}
