#include "mp4_input.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>

namespace samplegen {
namespace {

// Bounds-checked big-endian reader over one box payload.
class Cursor {
 public:
  Cursor(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  uint8_t u8() { return *take(1); }
  uint16_t u16() {
    const uint8_t *p = take(2);
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
  }
  uint32_t u24() {
    const uint8_t *p = take(3);
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
  }
  uint32_t u32() {
    const uint8_t *p = take(4);
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
  }
  uint64_t u64() {
    const uint64_t high = u32();
    return high << 32 | u32();
  }
  std::string fourcc() {
    const uint8_t *p = take(4);
    return std::string(reinterpret_cast<const char *>(p), 4);
  }
  void skip(size_t n) { take(n); }
  Cursor sub(size_t n) { return Cursor(take(n), n); }
  std::vector<uint8_t> bytes(size_t n) {
    const uint8_t *p = take(n);
    return std::vector<uint8_t>(p, p + n);
  }
  size_t left() const { return size_ - pos_; }

 private:
  const uint8_t *take(size_t n) {
    if (n > left()) throw std::runtime_error("encoded MP4: box shorter than its fields");
    const uint8_t *p = data_ + pos_;
    pos_ += n;
    return p;
  }

  const uint8_t *data_;
  size_t size_;
  size_t pos_ = 0;
};

using BoxHandler = std::function<void(const std::string &type, Cursor body)>;

void forEachBox(Cursor level, const BoxHandler &handle) {
  while (level.left() >= 8) {
    uint64_t size = level.u32();
    const std::string type = level.fourcc();
    uint64_t header = 8;
    if (size == 1) {
      size = level.u64();
      header = 16;
    } else if (size == 0) {
      size = level.left() + header;
    }
    if (size < header || size - header > level.left()) {
      throw std::runtime_error("encoded MP4: box '" + type + "' runs past its parent");
    }
    handle(type, level.sub(static_cast<size_t>(size - header)));
  }
}

// Expandable descriptor length of "esds" (up to four bytes of seven bits).
uint32_t descriptorLength(Cursor &c) {
  uint32_t length = 0;
  for (int i = 0; i < 4; ++i) {
    const uint8_t b = c.u8();
    length = length << 7 | (b & 0x7F);
    if (!(b & 0x80)) break;
  }
  return length;
}

std::vector<uint8_t> audioSpecificConfig(Cursor esds) {
  esds.skip(4);  // version and flags
  if (esds.u8() != 3) throw std::runtime_error("encoded MP4: esds without ES descriptor");
  Cursor es = esds.sub(descriptorLength(esds));
  es.skip(2);
  const uint8_t flags = es.u8();
  if (flags & 0x80) es.skip(2);
  if (flags & 0x40) es.skip(es.u8());
  if (flags & 0x20) es.skip(2);
  if (es.u8() != 4) throw std::runtime_error("encoded MP4: esds without decoder config");
  Cursor dc = es.sub(descriptorLength(es));
  dc.skip(13);  // object type, stream type, buffer size, max and average bit rate
  while (dc.left() > 0) {
    const uint8_t tag = dc.u8();
    Cursor body = dc.sub(descriptorLength(dc));
    if (tag == 5) return body.bytes(body.left());
  }
  throw std::runtime_error("encoded MP4: esds without AudioSpecificConfig");
}

void parseSampleEntry(const std::string &type, Cursor entry, EncodedTrack &track) {
  track.sampleEntry = type;
  entry.skip(8);  // reserved, data reference index
  if (track.handler == "vide") {
    entry.skip(16);
    track.width = entry.u16();
    track.height = entry.u16();
    entry.skip(50);
    forEachBox(entry, [&](const std::string &child, Cursor body) {
      if (child == "avcC" || child == "hvcC") track.config = body.bytes(body.left());
    });
  } else if (track.handler == "soun") {
    const uint16_t version = entry.u16();
    entry.skip(6);
    track.channelCount = entry.u16();
    entry.skip(6);  // sample size, pre-defined, reserved
    track.sampleRate = entry.u32() >> 16;
    if (version == 1) entry.skip(16);
    if (version == 2) entry.skip(36);
    forEachBox(entry, [&](const std::string &child, Cursor body) {
      if (child == "esds") track.config = audioSpecificConfig(body);
    });
  }
  if (track.config.empty()) {
    throw std::runtime_error("encoded MP4: no decoder configuration in '" + type + "'");
  }
}

struct SampleTables {
  std::vector<uint32_t> sizes;
  std::vector<uint64_t> chunkOffsets;
  std::vector<std::pair<uint32_t, uint32_t>> chunkRuns;  // first chunk (1-based), per chunk
  std::vector<std::pair<uint32_t, uint32_t>> timeRuns;   // count, delta
  std::vector<uint32_t> syncSamples;                     // 1-based; empty = all are sync
  bool hasSyncTable = false;
};

void parseStbl(Cursor stbl, EncodedTrack &track, SampleTables &t) {
  forEachBox(stbl, [&](const std::string &type, Cursor b) {
    if (type == "stsd") {
      b.skip(4);
      if (b.u32() != 1) throw std::runtime_error("encoded MP4: expected one sample entry");
      forEachBox(
          b, [&](const std::string &entry, Cursor body) { parseSampleEntry(entry, body, track); });
      return;
    }
    if (type == "stsz") {
      b.skip(4);
      const uint32_t fixed = b.u32();
      const uint32_t count = b.u32();
      t.sizes.assign(count, fixed);
      if (fixed == 0) {
        for (uint32_t &s : t.sizes) s = b.u32();
      }
      return;
    }
    if (type == "stco" || type == "co64") {
      b.skip(4);
      const uint32_t count = b.u32();
      for (uint32_t i = 0; i < count; ++i) {
        t.chunkOffsets.push_back(type == "stco" ? b.u32() : b.u64());
      }
      return;
    }
    if (type == "stsc") {
      b.skip(4);
      const uint32_t count = b.u32();
      for (uint32_t i = 0; i < count; ++i) {
        const uint32_t first = b.u32();
        const uint32_t perChunk = b.u32();
        b.skip(4);
        t.chunkRuns.emplace_back(first, perChunk);
      }
      return;
    }
    if (type == "stts") {
      b.skip(4);
      const uint32_t count = b.u32();
      for (uint32_t i = 0; i < count; ++i) {
        const uint32_t n = b.u32();
        t.timeRuns.emplace_back(n, b.u32());
      }
      return;
    }
    if (type == "stss") {
      b.skip(4);
      t.hasSyncTable = true;
      const uint32_t count = b.u32();
      for (uint32_t i = 0; i < count; ++i) t.syncSamples.push_back(b.u32());
    }
  });
}

void buildSamples(const SampleTables &t, EncodedTrack &track) {
  const size_t count = t.sizes.size();
  track.samples.resize(count);

  size_t sample = 0;
  for (size_t run = 0; run < t.chunkRuns.size(); ++run) {
    const uint32_t first = t.chunkRuns[run].first;
    const uint32_t last = run + 1 < t.chunkRuns.size()
                              ? t.chunkRuns[run + 1].first - 1
                              : static_cast<uint32_t>(t.chunkOffsets.size());
    if (first == 0 || last > t.chunkOffsets.size()) {
      throw std::runtime_error("encoded MP4: sample-to-chunk table out of range");
    }
    for (uint32_t chunk = first; chunk <= last; ++chunk) {
      uint64_t offset = t.chunkOffsets[chunk - 1];
      for (uint32_t k = 0; k < t.chunkRuns[run].second && sample < count; ++k, ++sample) {
        track.samples[sample].offset = offset;
        track.samples[sample].size = t.sizes[sample];
        offset += t.sizes[sample];
      }
    }
  }
  if (sample != count) throw std::runtime_error("encoded MP4: chunks do not hold every sample");

  sample = 0;
  for (const auto &run : t.timeRuns) {
    for (uint32_t k = 0; k < run.first && sample < count; ++k) {
      track.samples[sample++].duration = run.second;
    }
  }
  if (sample != count) throw std::runtime_error("encoded MP4: time table does not match sizes");

  for (SampleRef &s : track.samples) s.sync = !t.hasSyncTable;
  for (uint32_t n : t.syncSamples) {
    if (n == 0 || n > count) throw std::runtime_error("encoded MP4: sync sample out of range");
    track.samples[n - 1].sync = true;
  }
}

EncodedTrack parseTrak(Cursor trak) {
  EncodedTrack track;
  SampleTables tables;
  forEachBox(trak, [&](const std::string &type, Cursor b) {
    if (type == "edts") {
      forEachBox(b, [&](const std::string &child, Cursor elst) {
        if (child != "elst") return;
        const uint8_t version = elst.u8();
        elst.skip(3);
        if (elst.u32() == 0) return;
        if (version == 1) {
          elst.skip(8);
          track.editMediaTime = static_cast<uint32_t>(elst.u64());
        } else {
          elst.skip(4);
          track.editMediaTime = elst.u32();
        }
      });
      return;
    }
    if (type != "mdia") return;
    forEachBox(b, [&](const std::string &child, Cursor c) {
      if (child == "mdhd") {
        const uint8_t version = c.u8();
        c.skip(3 + (version == 1 ? 16 : 8));
        track.timescale = c.u32();
      } else if (child == "hdlr") {
        c.skip(8);
        track.handler = c.fourcc();
      } else if (child == "minf") {
        forEachBox(c, [&](const std::string &grandchild, Cursor stbl) {
          if (grandchild == "stbl") parseStbl(stbl, track, tables);
        });
      }
    });
  });
  buildSamples(tables, track);
  return track;
}

}  // namespace

std::vector<EncodedTrack> readEncodedMp4(const std::string &path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"),
                                                        &std::fclose);
  if (!file) throw std::runtime_error("cannot open encoded file " + path);

  // Find "moov" among the top-level boxes and load only that one.
  std::vector<uint8_t> moov;
  for (;;) {
    uint8_t header[16];
    if (std::fread(header, 1, 8, file.get()) != 8) break;
    uint64_t size =
        static_cast<uint64_t>(header[0]) << 24 | header[1] << 16 | header[2] << 8 | header[3];
    uint64_t headerSize = 8;
    if (size == 1) {
      if (std::fread(header + 8, 1, 8, file.get()) != 8) break;
      size = 0;
      for (int i = 8; i < 16; ++i) size = size << 8 | header[i];
      headerSize = 16;
    }
    if (size < headerSize) break;
    if (std::memcmp(header + 4, "moov", 4) == 0) {
      moov.resize(static_cast<size_t>(size - headerSize));
      if (std::fread(moov.data(), 1, moov.size(), file.get()) != moov.size()) {
        throw std::runtime_error("encoded file " + path + " ends inside moov");
      }
      break;
    }
    if (fseeko(file.get(), static_cast<off_t>(size - headerSize), SEEK_CUR) != 0) break;
  }
  if (moov.empty()) throw std::runtime_error("no moov box in encoded file " + path);

  std::vector<EncodedTrack> tracks;
  forEachBox(Cursor(moov.data(), moov.size()), [&](const std::string &type, Cursor body) {
    if (type == "trak") tracks.push_back(parseTrak(body));
  });
  return tracks;
}

}  // namespace samplegen
