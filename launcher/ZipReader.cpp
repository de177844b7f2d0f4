#include "ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr size_t kHeaderSize = 30;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kFlagDataDescriptor = 1u << 3;
constexpr size_t kChunk = 64 * 1024;

uint16_t le16(const unsigned char *p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const unsigned char *p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads exactly n bytes; false when the stream ends first.
bool readExactly(std::istream &in, char *into, size_t n) {
  in.read(into, static_cast<std::streamsize>(n));
  return static_cast<size_t>(in.gcount()) == n;
}

}  // namespace

const char *ZipReader::resultText(Result result) {
  static const char *const kTexts[] = {
      "ok",
      "archive is truncated",
      "signature Not Match",
      "unsupported comression",
      "sizes only in a data descriptor",
      "entry is larger than allowed",
      "inflate failed",
      "size does not match",
      "CRC-32 does not match",
      "Not open Out File",
  };
  return kTexts[static_cast<int>(result)];
}

ZipReader::Result ZipReader::extractFirst(std::istream &in, std::ostream &out) {
  entry_ = Entry();
  const Result header = readHeader(in);
  if (header != Result::Ok) return header;
  return inflateEntry(in, out);
}

ZipReader::Result ZipReader::readHeader(std::istream &in) {
  std::array<unsigned char, kHeaderSize> h{};
  if (!readExactly(in, reinterpret_cast<char *>(h.data()), h.size())) return Result::Truncated;
  if (le32(&h[0]) != kLocalHeaderSignature) return Result::BadSignature;
  entry_.flags = le16(&h[6]);
  entry_.method = le16(&h[8]);
  entry_.crc32 = le32(&h[14]);
  entry_.compressedSize = le32(&h[18]);
  entry_.uncompressedSize = le32(&h[22]);
  const uint16_t nameLength = le16(&h[26]);
  const uint16_t extraLength = le16(&h[28]);

  entry_.name.resize(nameLength);
  if (nameLength > 0 && !readExactly(in, &entry_.name[0], nameLength)) return Result::Truncated;
  if (entry_.method != kMethodDeflate) return Result::UnsupportedMethod;
  // With bit 3 the header's sizes and CRC may be zero and the real ones
  // follow the data; without them the data cannot be bounded or checked.
  if ((entry_.flags & kFlagDataDescriptor) && entry_.compressedSize == 0)
    return Result::DataDescriptor;
  if (entry_.uncompressedSize > sizeLimit_ || entry_.compressedSize > sizeLimit_)
    return Result::TooLarge;
  in.ignore(extraLength);
  if (static_cast<size_t>(in.gcount()) != extraLength) return Result::Truncated;
  return Result::Ok;
}

ZipReader::Result ZipReader::inflateEntry(std::istream &in, std::ostream &out) {
  z_stream zs{};
  // Raw deflate: the ZIP entry carries no zlib header or trailer.
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return Result::InflateFailed;

  std::vector<unsigned char> input(kChunk);
  std::vector<unsigned char> output(kChunk);
  uint64_t inputLeft = entry_.compressedSize;
  uint64_t produced = 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  Result result = Result::Ok;
  int status = Z_OK;

  while (status != Z_STREAM_END && result == Result::Ok) {
    if (zs.avail_in == 0) {
      if (inputLeft == 0) {
        result = Result::InflateFailed;  // the stream never reached its end
        break;
      }
      const size_t want = static_cast<size_t>(std::min<uint64_t>(inputLeft, input.size()));
      if (!readExactly(in, reinterpret_cast<char *>(input.data()), want)) {
        result = Result::Truncated;
        break;
      }
      inputLeft -= want;
      zs.next_in = input.data();
      zs.avail_in = static_cast<uInt>(want);
    }
    zs.next_out = output.data();
    zs.avail_out = static_cast<uInt>(output.size());
    status = inflate(&zs, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) {
      result = Result::InflateFailed;
      break;
    }
    const size_t have = output.size() - zs.avail_out;
    produced += have;
    // Output is bounded by the stated size: a small archive cannot make us
    // write (or hold) more than the header admitted to.
    if (produced > entry_.uncompressedSize) {
      result = Result::SizeMismatch;
      break;
    }
    crc = crc32(crc, output.data(), static_cast<uInt>(have));
    out.write(reinterpret_cast<const char *>(output.data()), static_cast<std::streamsize>(have));
    if (!out) result = Result::WriteFailed;
  }
  inflateEnd(&zs);
  if (result != Result::Ok) return result;
  if (produced != entry_.uncompressedSize) return Result::SizeMismatch;
  if (crc != entry_.crc32) return Result::CrcMismatch;
  return Result::Ok;
}
