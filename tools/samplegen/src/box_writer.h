// Big-endian byte buffer with nested ISO-BMFF boxes: box("moov", [&] { ... }) writes the
// header, runs the body and patches the size once the body is known.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace samplegen {

class BoxWriter {
 public:
  void u8(uint32_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
  void u16(uint32_t v) {
    u8(v >> 8);
    u8(v);
  }
  void u24(uint32_t v) {
    u8(v >> 16);
    u16(v & 0xFFFF);
  }
  void u32(uint32_t v) {
    u16(v >> 16);
    u16(v & 0xFFFF);
  }
  void u64(uint64_t v) {
    u32(static_cast<uint32_t>(v >> 32));
    u32(static_cast<uint32_t>(v));
  }
  void fourcc(const char *code) {
    if (std::strlen(code) != 4) throw std::logic_error(std::string("bad four-cc ") + code);
    bytes_.insert(bytes_.end(), code, code + 4);
  }
  void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  void raw(const std::vector<uint8_t> &data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void cstring(const std::string &text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    u8(0);
  }
  // Fixed-size field, padded with zeros (compressor names, etc.).
  void fixedString(const std::string &text, size_t width) {
    const size_t n = std::min(text.size(), width);
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    zeros(width - n);
  }

  template <typename Body>
  void box(const char *type, Body body) {
    const size_t start = bytes_.size();
    u32(0);
    fourcc(type);
    body();
    patch32(start, bytes_.size() - start);
  }
  template <typename Body>
  void fullBox(const char *type, uint8_t version, uint32_t flags, Body body) {
    box(type, [&] {
      u8(version);
      u24(flags);
      body();
    });
  }

  void patch32(size_t at, uint64_t value) {
    if (value > 0xFFFFFFFFu) throw std::runtime_error("box larger than 4 GiB");
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  }

  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t> &bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace samplegen
