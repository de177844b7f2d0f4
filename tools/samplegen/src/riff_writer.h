// Little-endian byte buffer with nested RIFF chunks: chunk("strh", [&] { ... }) writes the
// header, runs the body, patches the size once the body is known and pads an odd payload
// to an even length, as RIFF asks.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace samplegen {

class RiffWriter {
 public:
  void u8(uint32_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
  void u16(uint32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void u64(uint64_t v) {
    u32(static_cast<uint32_t>(v));
    u32(static_cast<uint32_t>(v >> 32));
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

  template <typename Body>
  void chunk(const char *id, Body body) {
    const size_t start = bytes_.size();
    fourcc(id);
    u32(0);
    body();
    patch32(start + 4, bytes_.size() - start - 8);
    if ((bytes_.size() - start) & 1) u8(0);
  }
  template <typename Body>
  void list(const char *type, Body body) {
    chunk("LIST", [&] {
      fourcc(type);
      body();
    });
  }

  void patch32(size_t at, uint64_t value) {
    if (value > 0xFFFFFFFFu) throw std::runtime_error("RIFF chunk larger than 4 GiB");
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(value >> (8 * i));
  }

  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t> &bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace samplegen
