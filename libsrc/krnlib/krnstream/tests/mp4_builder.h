// Builds small ISO base media files box by box, for crafted test inputs.
#ifndef KRNSTREAM_TESTS_MP4_BUILDER_H
#define KRNSTREAM_TESTS_MP4_BUILDER_H

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace mp4 {

using Bytes = std::vector<uint8_t>;

inline void u8(Bytes &b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
}
inline void u16(Bytes &b, uint32_t v) {
  u8(b, v >> 8);
  u8(b, v);
}
inline void u32(Bytes &b, uint32_t v) {
  u16(b, v >> 16);
  u16(b, v);
}
inline void tag(Bytes &b, const char *fourcc) {
  b.insert(b.end(), fourcc, fourcc + 4);
}
inline void append(Bytes &b, const Bytes &more) {
  b.insert(b.end(), more.begin(), more.end());
}
inline void zeros(Bytes &b, size_t n) {
  b.insert(b.end(), n, 0);
}

// While set, every box is written with size 1 and a 64-bit "largesize".
inline bool &largeSizes() {
  static bool large = false;
  return large;
}
inline uint32_t headerSize() {
  return largeSizes() ? 16 : 8;
}

inline Bytes box(const char *type, const Bytes &payload) {
  Bytes b;
  if (largeSizes()) {
    u32(b, 1);
    tag(b, type);
    uint64_t size = payload.size() + 16;
    u32(b, static_cast<uint32_t>(size >> 32));
    u32(b, static_cast<uint32_t>(size));
  } else {
    u32(b, static_cast<uint32_t>(payload.size() + 8));
    tag(b, type);
  }
  append(b, payload);
  return b;
}
inline Bytes box(const char *type, std::initializer_list<Bytes> children) {
  Bytes payload;
  for (const Bytes &c : children) append(payload, c);
  return box(type, payload);
}
inline Bytes fullBox(const char *type, uint32_t versionFlags, const Bytes &rest) {
  Bytes p;
  u32(p, versionFlags);
  append(p, rest);
  return box(type, p);
}

// One track as the tests describe it; the builder lays out its tables.
struct TrackDescription {
  uint32_t id = 1;
  const char *handler = "vide";
  const char *mediaHeader = "vmhd";  // vmhd, smhd, nmhd, hmhd
  Bytes sampleEntry;                 // a whole sample entry box
  uint32_t timescale = 1000;
  std::vector<uint32_t> sizes;
  std::vector<uint32_t> deltas;  // per sample; run-length coded by the builder
  uint32_t samplesPerChunk = 1;
  std::vector<uint32_t> syncSamples;  // empty: no "stss"
  bool stss = false;
  std::vector<Bytes> payloads;  // sample data, written into "mdat"
  const char *entryHandler = nullptr;  // "hdlr" type when not the handler above
  // Hostile tables: a fixed sample size with its own count in "stsz", and
  // the samples per chunk "stsc" claims (0: as laid out).
  uint32_t stszFixed = 0;
  uint32_t stszCount = 0;
  uint32_t stscSamplesPerChunk = 0;
};

// How buildFile lays the file out.
struct Layout {
  bool largeSizes = false;  // every box with a 64-bit size
  bool co64 = false;        // chunk offsets in "co64"
  bool moovFirst = false;   // "moov" before "mdat"
};

inline Bytes avc1Entry(uint16_t width, uint16_t height, uint8_t profile,
                       uint8_t lengthSizeMinus1 = 3) {
  Bytes e;
  zeros(e, 6);
  u16(e, 1);  // data reference index
  zeros(e, 16);
  u16(e, width);
  u16(e, height);
  zeros(e, 50);
  Bytes avcc = {1, profile, 0, 30, static_cast<uint8_t>(0xFC | lengthSizeMinus1), 0xE1};
  Bytes sps = {0x67, profile, 0, 30, 0xAA, 0xBB};
  u16(avcc, static_cast<uint32_t>(sps.size()));
  append(avcc, sps);
  u8(avcc, 1);
  Bytes pps = {0x68, 0xCE, 0x38, 0x80};
  u16(avcc, static_cast<uint32_t>(pps.size()));
  append(avcc, pps);
  append(e, box("avcC", avcc));
  return box("avc1", e);
}

inline Bytes mp4aEntry(uint32_t sampleRate, uint32_t bufferSize) {
  Bytes e;
  zeros(e, 6);
  u16(e, 1);
  zeros(e, 8);  // version, revision, vendor
  u16(e, 2);    // channels
  u16(e, 16);   // bits per sample
  zeros(e, 4);
  u16(e, sampleRate);
  zeros(e, 2);
  Bytes esds;
  u32(esds, 0);
  Bytes dcd = {0x40, 0x15};
  dcd.push_back(static_cast<uint8_t>(bufferSize >> 16));
  dcd.push_back(static_cast<uint8_t>(bufferSize >> 8));
  dcd.push_back(static_cast<uint8_t>(bufferSize));
  u32(dcd, 128000);
  u32(dcd, 96000);
  Bytes dsi = {0x05, 0x02, 0x12, 0x10};
  append(dcd, dsi);
  Bytes es = {0x03, static_cast<uint8_t>(3 + 2 + dcd.size()), 0, 1, 0,
              0x04, static_cast<uint8_t>(dcd.size())};
  append(es, dcd);
  append(esds, es);
  append(e, box("esds", esds));
  return box("mp4a", e);
}

inline Bytes textEntry() {
  Bytes e;
  zeros(e, 6);
  u16(e, 1);
  return box("tvxt", e);
}

// A whole file: ftyp, mdat with every track's samples (one chunk per
// samplesPerChunk samples), then moov. extraTop boxes follow "ftyp".
inline Bytes buildFile(const std::vector<TrackDescription> &tracks, const Bytes &extraTop = {},
                       const Layout &layout = {}, size_t moovBytes = 0) {
  struct Large {
    bool saved = largeSizes();
    explicit Large(bool on) { largeSizes() = on; }
    ~Large() { largeSizes() = saved; }
  } large(layout.largeSizes);
  Bytes file;
  Bytes ftyp;
  tag(ftyp, "isom");
  u32(ftyp, 0x200);
  tag(ftyp, "isom");
  append(file, box("ftyp", ftyp));
  append(file, extraTop);

  // mdat: tracks one after another; remember chunk offsets.
  Bytes mdatPayload;
  size_t mdatStart = file.size() + headerSize() + (layout.moovFirst ? moovBytes : 0);
  std::vector<std::vector<uint32_t>> chunkOffsets(tracks.size());
  for (size_t t = 0; t < tracks.size(); ++t) {
    const TrackDescription &tr = tracks[t];
    for (size_t s = 0; s < tr.sizes.size(); ++s) {
      if (s % tr.samplesPerChunk == 0)
        chunkOffsets[t].push_back(static_cast<uint32_t>(mdatStart + mdatPayload.size()));
      if (s < tr.payloads.size()) {
        append(mdatPayload, tr.payloads[s]);
      } else {
        for (uint32_t i = 0; i < tr.sizes[s]; ++i)
          mdatPayload.push_back(static_cast<uint8_t>(t * 16 + s + i));
      }
    }
  }
  Bytes mdat = box("mdat", mdatPayload);
  if (!layout.moovFirst) append(file, mdat);

  Bytes moov;
  Bytes mvhd;
  zeros(mvhd, 8);
  u32(mvhd, 1000);
  u32(mvhd, 0);
  zeros(mvhd, 80);
  append(moov, fullBox("mvhd", 0, mvhd));
  for (size_t t = 0; t < tracks.size(); ++t) {
    const TrackDescription &tr = tracks[t];
    uint64_t total = 0;
    for (uint32_t d : tr.deltas) total += d;
    Bytes tkhd;
    zeros(tkhd, 8);
    u32(tkhd, tr.id);
    zeros(tkhd, 4);
    u32(tkhd, static_cast<uint32_t>(total * 1000 / tr.timescale));
    zeros(tkhd, 60);
    Bytes mdhd;
    zeros(mdhd, 8);
    u32(mdhd, tr.timescale);
    u32(mdhd, static_cast<uint32_t>(total));
    zeros(mdhd, 4);
    Bytes hdlr;
    zeros(hdlr, 4);
    tag(hdlr, tr.entryHandler ? tr.entryHandler : tr.handler);
    zeros(hdlr, 13);

    Bytes stsd;
    u32(stsd, 1);
    append(stsd, tr.sampleEntry);
    Bytes stts;
    std::vector<std::pair<uint32_t, uint32_t>> runs;
    for (uint32_t d : tr.deltas) {
      if (!runs.empty() && runs.back().second == d)
        ++runs.back().first;
      else
        runs.push_back({1, d});
    }
    u32(stts, static_cast<uint32_t>(runs.size()));
    for (auto &r : runs) u32(stts, r.first), u32(stts, r.second);
    Bytes stsc;
    u32(stsc, 1);
    u32(stsc, 1), u32(stsc, tr.stscSamplesPerChunk ? tr.stscSamplesPerChunk : tr.samplesPerChunk),
        u32(stsc, 1);
    Bytes stsz;
    if (tr.stszFixed) {
      u32(stsz, tr.stszFixed);
      u32(stsz, tr.stszCount ? tr.stszCount : static_cast<uint32_t>(tr.sizes.size()));
    } else {
      u32(stsz, 0);
      u32(stsz, static_cast<uint32_t>(tr.sizes.size()));
      for (uint32_t s : tr.sizes) u32(stsz, s);
    }
    Bytes stco;
    u32(stco, static_cast<uint32_t>(chunkOffsets[t].size()));
    for (uint32_t o : chunkOffsets[t]) {
      if (layout.co64) u32(stco, 0);
      u32(stco, o);
    }
    Bytes stbl =
        box("stbl", {fullBox("stsd", 0, stsd), fullBox("stts", 0, stts), fullBox("stsc", 0, stsc),
                     fullBox("stsz", 0, stsz), fullBox(layout.co64 ? "co64" : "stco", 0, stco)});
    if (tr.stss) {
      Bytes stss;
      u32(stss, static_cast<uint32_t>(tr.syncSamples.size()));
      for (uint32_t s : tr.syncSamples) u32(stss, s);
      Bytes extended(stbl.begin() + headerSize(), stbl.end());
      append(extended, fullBox("stss", 0, stss));
      stbl = box("stbl", extended);
    }
    Bytes header = std::string(tr.mediaHeader) == "vmhd"   ? fullBox("vmhd", 1, Bytes(8, 0))
                   : std::string(tr.mediaHeader) == "smhd" ? fullBox("smhd", 0, Bytes(4, 0))
                                                           : fullBox(tr.mediaHeader, 0, {});
    Bytes minf = box("minf", {header, stbl});
    Bytes mdia = box("mdia", {fullBox("mdhd", 0, mdhd), fullBox("hdlr", 0, hdlr), minf});
    append(moov, box("trak", {fullBox("tkhd", 7, tkhd), mdia}));
  }
  Bytes moovBox = box("moov", moov);
  if (layout.moovFirst) {
    // The chunk offsets depend on the size of "moov": built again once known.
    if (moovBytes != moovBox.size()) return buildFile(tracks, extraTop, layout, moovBox.size());
    append(file, moovBox);
    append(file, mdat);
  } else {
    append(file, moovBox);
  }
  return file;
}

// Sets the size field of the last box at every level of the containers
// below to 0 ("to the end of the parent"); boxes with 32-bit sizes only.
inline void zeroLastSizes(Bytes &b, size_t start, size_t end) {
  static const char *kContainers[] = {"moov", "trak", "mdia", "minf", "stbl"};
  size_t pos = start, last = end;
  while (end - pos >= 8) {
    uint32_t size = static_cast<uint32_t>(b[pos] << 24 | b[pos + 1] << 16 | b[pos + 2] << 8 |
                                          b[pos + 3]);
    if (size < 8 || size > end - pos) break;
    for (const char *c : kContainers)
      if (std::equal(c, c + 4, b.begin() + static_cast<long>(pos) + 4))
        zeroLastSizes(b, pos + 8, pos + size);
    last = pos;
    pos += size;
  }
  if (last != end) std::fill(b.begin() + static_cast<long>(last), b.begin() + static_cast<long>(last) + 4, 0);
}

inline void writeFile(const std::string &path, const Bytes &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace mp4

#endif
