// Reads the first entry of a release archive (a ZIP file whose first local
// header describes the installer) and inflates it into an output stream.
// Plain C++ and zlib only, so the fuzz harness links it on its own.
#ifndef LAUNCHER_ZIPREADER_H
#define LAUNCHER_ZIPREADER_H

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

class ZipReader {
 public:
  enum class Result {
    Ok,
    Truncated,          // the archive ends inside the header, name or data
    BadSignature,       // not a local file header
    UnsupportedMethod,  // anything but deflate
    DataDescriptor,     // sizes only in a trailing descriptor (flag bit 3)
    TooLarge,           // the entry claims more than the size limit
    InflateFailed,      // the deflate data is corrupt or ends early
    SizeMismatch,       // inflated bytes differ from the stated size
    CrcMismatch,        // inflated bytes differ from the stated CRC-32
    WriteFailed,        // the output stream refused the bytes
  };

  struct Entry {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
  };

  // An installer is far below this; a bigger claim is a broken archive.
  static constexpr uint64_t kDefaultSizeLimit = 1ull << 30;

  explicit ZipReader(uint64_t sizeLimit = kDefaultSizeLimit) : sizeLimit_(sizeLimit) {}

  // Reads the first local header from `in` and writes the entry's bytes to
  // `out` in chunks; on any result but Ok, `out` may hold a partial entry.
  Result extractFirst(std::istream &in, std::ostream &out);

  // Header fields of the last extraction (valid once the header was read).
  const Entry &entry() const { return entry_; }

  static const char *resultText(Result result);

 private:
  Result readHeader(std::istream &in);
  Result inflateEntry(std::istream &in, std::ostream &out);

  uint64_t sizeLimit_;
  Entry entry_;
};

#endif
