// Builds small AVI files chunk by chunk, for crafted test inputs: "idx1"
// with relative or absolute offsets, OpenDML super and standard indexes with
// AVIX parts, or no index at all.
#ifndef KRNSTREAM_TESTS_AVI_BUILDER_H
#define KRNSTREAM_TESTS_AVI_BUILDER_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace avi {

using Bytes = std::vector<uint8_t>;

inline void u8(Bytes &b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
}
inline void u16(Bytes &b, uint32_t v) {
  u8(b, v);
  u8(b, v >> 8);
}
inline void u32(Bytes &b, uint32_t v) {
  u16(b, v);
  u16(b, v >> 16);
}
inline void u64(Bytes &b, uint64_t v) {
  u32(b, static_cast<uint32_t>(v));
  u32(b, static_cast<uint32_t>(v >> 32));
}
inline void tag(Bytes &b, const std::string &fourcc) {
  b.insert(b.end(), fourcc.begin(), fourcc.begin() + 4);
}
inline void put32(Bytes &b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

struct Stream {
  std::string type = "vids";   // vids, auds, txts, or anything to be skipped
  std::string codec = "MJPG";  // handler, and the compression of a vids stream
  uint32_t scale = 1, rate = 25, start = 0, suggested = 0, sampleSize = 0;
  int64_t length = -1;  // -1: the number of frames
  uint32_t strhSize = 56;
  uint32_t width = 64, height = 48;
  uint16_t formatTag = 85, channels = 1, blockAlign = 1, bitsPerSample = 16;
  uint32_t sampleRate = 8000, bytesPerSecond = 2000;
  Bytes extra;              // behind the bitmap header, or the wave format's extra bytes
  std::string kind = "dc";  // last two letters of the chunk ids
  std::vector<Bytes> frames;
  std::vector<bool> keys;  // per frame; missing ones are key frames
  bool key(size_t i) const { return i >= keys.size() || keys[i]; }
};

enum class Index { kNone, kIdx1, kIdx1Absolute, kOpenDml };

struct File {
  std::vector<Stream> streams;
  uint32_t microSecPerFrame = 40000;
  std::string form = "AVI ";
  Index index = Index::kIdx1;
  int parts = 1;                 // RIFF parts: the first, then AVIX ones (OpenDML)
  bool menu = false;             // a "MENU" chunk in front of the stream lists
  std::vector<Bytes> junk;       // JUNK chunks after "hdrl"
  uint32_t padBeforeMovi = 0;    // bytes of one more JUNK in front of "movi"
  std::vector<Bytes> extraIdx1;  // 16-byte entries added to "idx1"
  int64_t superIndexCount = -1;  // the count written into each "indx"; -1: the parts
};

struct Layout {
  Bytes bytes;
  size_t movi = 0;  // "movi" list type of the first part
  size_t idx1 = 0;  // header of "idx1"; 0 when there is none
  std::vector<size_t> indx;
  std::vector<size_t> stdIndexes;
  std::vector<std::vector<size_t>> chunks;  // per stream: frame chunk headers
};

class Builder {
 public:
  size_t begin(const std::string &id, const std::string &type = "") {
    size_t at = b.size();
    tag(b, id);
    u32(b, 0);
    if (!type.empty()) tag(b, type);
    return at;
  }
  void end(size_t at) {
    put32(b, at + 4, static_cast<uint32_t>(b.size() - at - 8));
    if (b.size() % 2) b.push_back(0);
  }
  size_t chunk(const std::string &id, const Bytes &payload) {
    size_t at = begin(id);
    b.insert(b.end(), payload.begin(), payload.end());
    end(at);
    return at;
  }
  Bytes b;
};

inline std::string chunkId(size_t stream, const std::string &kind) {
  return std::string{static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10)} +
         kind;
}

inline Layout build(const File &f) {
  Layout out;
  Builder w;
  const size_t n = f.streams.size();
  size_t riff = w.begin("RIFF", f.form);
  size_t hdrl = w.begin("LIST", "hdrl");
  Bytes avih;
  u32(avih, f.microSecPerFrame);
  avih.resize(56, 0);
  put32(avih, 24, static_cast<uint32_t>(n));
  w.chunk("avih", avih);
  if (f.menu) w.chunk("MENU", Bytes(4, 0));
  for (size_t s = 0; s < n; ++s) {
    const Stream &st = f.streams[s];
    size_t strl = w.begin("LIST", "strl");
    Bytes strh;
    tag(strh, st.type);
    tag(strh, st.codec);
    u32(strh, 0), u32(strh, 0), u32(strh, 0);
    u32(strh, st.scale), u32(strh, st.rate), u32(strh, st.start);
    u32(strh, static_cast<uint32_t>(st.length < 0 ? st.frames.size() : st.length));
    u32(strh, st.suggested), u32(strh, 0xFFFFFFFF), u32(strh, st.sampleSize);
    strh.resize(st.strhSize, 0);
    w.chunk("strh", strh);
    Bytes strf;
    if (st.type == "auds") {
      u16(strf, st.formatTag), u16(strf, st.channels), u32(strf, st.sampleRate);
      u32(strf, st.bytesPerSecond), u16(strf, st.blockAlign), u16(strf, st.bitsPerSample);
      if (!st.extra.empty()) u16(strf, static_cast<uint32_t>(st.extra.size()));
    } else {
      u32(strf, 40), u32(strf, st.width), u32(strf, st.height), u16(strf, 1), u16(strf, 24);
      tag(strf, st.codec);
      strf.resize(40, 0);
    }
    strf.insert(strf.end(), st.extra.begin(), st.extra.end());
    w.chunk("strf", strf);
    if (f.index == Index::kOpenDml) {
      out.indx.push_back(w.b.size());
      Bytes indx;
      u16(indx, 4), u8(indx, 0), u8(indx, 0);
      u32(indx, static_cast<uint32_t>(f.superIndexCount < 0 ? f.parts : f.superIndexCount));
      tag(indx, chunkId(s, st.kind));
      indx.resize(24 + 16 * static_cast<size_t>(f.parts), 0);
      w.chunk("indx", indx);
    }
    w.end(strl);
  }
  if (f.index == Index::kOpenDml) {
    size_t odml = w.begin("LIST", "odml");
    w.chunk("dmlh", Bytes(248, 0));
    w.end(odml);
  }
  w.end(hdrl);
  for (const Bytes &j : f.junk) w.chunk("JUNK", j);
  if (f.padBeforeMovi) w.chunk("JUNK", Bytes(f.padBeforeMovi, 0));

  // Frames interleaved stream by stream, split evenly over the parts.
  size_t rounds = 0;
  for (const Stream &st : f.streams) rounds = std::max(rounds, st.frames.size());
  out.chunks.resize(n);
  std::vector<Bytes> idx1;
  for (int part = 0; part < f.parts; ++part) {
    if (part > 0) riff = w.begin("RIFF", "AVIX");
    size_t movi = w.begin("LIST", "movi");
    if (part == 0) out.movi = movi + 8;
    size_t from = rounds * static_cast<size_t>(part) / static_cast<size_t>(f.parts);
    size_t to = rounds * static_cast<size_t>(part + 1) / static_cast<size_t>(f.parts);
    std::vector<std::vector<size_t>> partChunks(n);
    for (size_t i = from; i < to; ++i)
      for (size_t s = 0; s < n; ++s) {
        const Stream &st = f.streams[s];
        if (i >= st.frames.size()) continue;
        size_t at = w.chunk(chunkId(s, st.kind), st.frames[i]);
        out.chunks[s].push_back(at);
        partChunks[s].push_back(i);
        if (part == 0) {
          Bytes e;
          tag(e, chunkId(s, st.kind));
          u32(e, st.key(i) ? 0x10 : 0);
          u32(e, static_cast<uint32_t>(f.index == Index::kIdx1Absolute ? at : at - (movi + 8)));
          u32(e, static_cast<uint32_t>(st.frames[i].size()));
          idx1.push_back(e);
        }
      }
    if (f.index == Index::kOpenDml)
      for (size_t s = 0; s < n; ++s) {
        const Stream &st = f.streams[s];
        Bytes ix;
        u16(ix, 2), u8(ix, 0), u8(ix, 1);
        u32(ix, static_cast<uint32_t>(partChunks[s].size()));
        tag(ix, chunkId(s, st.kind));
        u64(ix, movi + 8);
        u32(ix, 0);
        for (size_t i : partChunks[s]) {
          size_t at = out.chunks[s][i];
          u32(ix, static_cast<uint32_t>(at + 8 - (movi + 8)));
          u32(ix, static_cast<uint32_t>(st.frames[i].size()) | (st.key(i) ? 0 : 0x80000000u));
        }
        size_t ixAt = w.chunk("ix" + chunkId(s, "").substr(0, 2), ix);
        out.stdIndexes.push_back(ixAt);
        size_t entry = out.indx[s] + 8 + 24 + 16 * static_cast<size_t>(part);
        Bytes e;
        u64(e, ixAt);
        u32(e, static_cast<uint32_t>(w.b.size() - ixAt));
        u32(e, static_cast<uint32_t>(partChunks[s].size()));
        std::copy(e.begin(), e.end(), w.b.begin() + static_cast<long>(entry));
      }
    w.end(movi);
    if (part == 0 && f.index != Index::kNone) {
      Bytes all;
      for (const Bytes &e : idx1) all.insert(all.end(), e.begin(), e.end());
      for (const Bytes &e : f.extraIdx1) all.insert(all.end(), e.begin(), e.end());
      out.idx1 = w.chunk("idx1", all);
    }
    w.end(riff);
  }
  out.bytes = std::move(w.b);
  return out;
}

// Frame payloads that differ from each other.
inline std::vector<Bytes> frames(size_t count, size_t size, uint8_t seed) {
  std::vector<Bytes> out;
  for (size_t i = 0; i < count; ++i) {
    Bytes f(size + i % 3);
    for (size_t k = 0; k < f.size(); ++k) f[k] = static_cast<uint8_t>(seed + i * 7 + k);
    out.push_back(f);
  }
  return out;
}

}  // namespace avi

#endif
