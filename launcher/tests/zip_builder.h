// Writes single-entry ZIP archives the way a release archive is laid out,
// with every header field under the test's control.
#ifndef LAUNCHER_TESTS_ZIP_BUILDER_H
#define LAUNCHER_TESTS_ZIP_BUILDER_H

#include <zlib.h>

#include <cstdint>
#include <string>

struct ZipBuilder {
  std::string name = "TARVIK DASHCAM Installer.run";
  uint16_t flags = 0;
  uint16_t method = 8;
  std::string extra;
  // Overrides of the computed fields (used when set).
  bool setCrc = false, setCompressed = false, setUncompressed = false;
  uint32_t crc = 0, compressed = 0, uncompressed = 0;

  static std::string deflateRaw(const std::string &data) {
    z_stream zs{};
    deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(&out[0]);
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
  }

  std::string build(const std::string &content) const {
    const std::string data = method == 8 ? deflateRaw(content) : content;
    const uint32_t realCrc = static_cast<uint32_t>(crc32(
        0L, reinterpret_cast<const Bytef *>(content.data()), static_cast<uInt>(content.size())));
    std::string h;
    auto u16 = [&h](uint32_t v) {
      h += static_cast<char>(v & 0xff);
      h += static_cast<char>((v >> 8) & 0xff);
    };
    auto u32 = [&u16](uint32_t v) {
      u16(v & 0xffff);
      u16(v >> 16);
    };
    u32(0x04034b50);
    u16(20);
    u16(flags);
    u16(method);
    u16(0);
    u16(0);
    u32(setCrc ? crc : realCrc);
    u32(setCompressed ? compressed : static_cast<uint32_t>(data.size()));
    u32(setUncompressed ? uncompressed : static_cast<uint32_t>(content.size()));
    u16(static_cast<uint32_t>(name.size()));
    u16(static_cast<uint32_t>(extra.size()));
    return h + name + extra + data;
  }
};

#endif
