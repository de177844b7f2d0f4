// MP4 reader: walks the ISO base media boxes of a recording into track
// records and delivers frames from the sample tables or the movie fragments.
//
// Every size, count and offset read from the file is checked against the box
// that holds it and against the file size before it is used; a box that runs
// past its parent is cut at the parent's end and is the last of its level.
// Boxes may carry a 64-bit size or the size 0 (to the end of the parent) at
// any level, and "moov" may stand anywhere among the top-level boxes.
//
// The sample tables only note where they are while the boxes are walked;
// their cursors are opened afterwards, and only for the tracks delivered, so
// timecode, telemetry, hint and other tracks cost no index of the stream.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "krnstream.h"
#include "krnstream_reader_ops.h"
#include "krnstream_seek_steps.h"
#include "krnstream_trace.h"

#define KS_MODULE L"KRNMP4R"
#define KS_SOURCE L"krnstream_mp4_reader"

namespace {

constexpr uint32_t kTableCache = 1024;
constexpr uint32_t kMaxPayload = 1u << 20;  // boxes parsed in memory (stsd, esds, ...)
constexpr uint32_t kNoChunk = 0xFFFFFFFFu;

constexpr uint32_t fourcc(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[3])) |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24;
}

// Codes as the information record carries them (first character lowest).
constexpr uint32_t code4(const char (&s)[5]) {
  return KRNUTIL_FOURCC(s[0], s[1], s[2], s[3]);
}

int32_t err(uint32_t c) {
  return static_cast<int32_t>(c);
}

struct Table {
  uint32_t count = 0;
  uint32_t first = 0;   // file position of the first entry
  int32_t cursor = -1;  // index on the file's stream buffer
  uint32_t entryBytes = 4;
};

struct FragRun {
  uint32_t sampleCount;
  uint32_t flags;
  uint32_t entriesPos;
  uint32_t entrySize;
  uint32_t dataStart;
  uint32_t defDuration;
  uint32_t defSize;
  uint32_t defFlags;
  uint32_t firstFlags;
};

// Read position of a track. Plain data, so a read that must be undone can
// copy it back.
struct ReadState {
  uint32_t samplesRead;
  uint32_t chunksEntered;
  uint32_t chunkSamplesLeft;
  uint32_t curSpc;
  uint32_t pendingFirst;
  uint32_t pendingSpc;
  uint32_t stscRead;
  uint32_t stcoRead;
  uint32_t stszRead;
  uint32_t sttsRead;
  uint32_t sttsLeft;
  uint32_t delta;
  uint32_t stssRead;
  uint32_t nextSync;
  uint64_t accTicks;
  uint64_t dataPos;
  uint32_t runIndex;
  uint32_t runSample;
  uint64_t runDataPos;
};

struct SampleMeta {
  uint64_t time;      // ticks of the media time scale
  uint64_t duration;  // ticks
  uint32_t size;
  uint64_t dataPos;
  uint8_t key;
  uint32_t chunk;
};

struct Track {
  KRNStreamBuf *data = nullptr;
  int32_t dataCursor = -1;
  int type = 0;
  uint32_t id = 0;
  uint32_t timescale = 0;
  uint64_t duration = 0;
  uint32_t codec = 0;
  uint32_t handler = 0;  // "hdlr" type; 0 when the track has none
  bool textCandidate = false;
  uint32_t channels = 0, bitsPerSample = 0, sampleRate = 0, bitRate = 0, bufferSize = 0;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> config;
  uint32_t nalLengthSize = 0;
  bool pcm = false;
  uint8_t spherical = 0, stereoMode = 0;
  KRNUtilProjection projection{};
  Table stsz, stco, stsc, stts, stss;
  bool hasStss = false;  // a "stss" was read (an empty one: no sync samples)
  uint32_t fixedSize = 0;
  uint32_t sampleCount = 0;
  uint32_t foldUnit = 0;  // audio read one chunk per frame: bytes per sample
  uint32_t trexDuration = 0, trexSize = 0, trexFlags = 0;
  int32_t fragCursor = -1;
  std::vector<FragRun> runs;
  uint64_t fragSamples = 0;
  uint64_t fragTicks = 0;
  ReadState st{};
  std::vector<uint8_t> scratch;

  uint32_t tableFrames() const { return foldUnit ? stco.count : sampleCount; }
  uint64_t frameCount() const { return tableFrames() + fragSamples; }
  uint32_t scale() const { return timescale ? timescale : 1000; }
  bool delivered = false;
  uint64_t toMs(uint64_t ticks) const { return ticks * 1000 / scale(); }
};

struct Mp4Context {
  KRNStreamBuf *stream = nullptr;
  int32_t parseCursor = -1;
  uint32_t fileSize = 0;
  uint32_t parsePos = 0;
  std::vector<std::unique_ptr<Track>> tracks;
  uint32_t movieScale = 0;
  uint32_t movieDurationMs = 0;
  uint64_t fragDuration = 0;
  uint32_t majorBrand = 0;
  uint32_t mdatStart = 0;
  bool sawMoov = false;
  bool sawMoof = false;
  bool infoDone = false;
  KRNReaderInfo info{};
  std::vector<Track *> byType[4];
  Track *current[4] = {};
};

struct Box {
  uint32_t type;
  uint32_t start;    // position of the header
  uint32_t payload;  // position of the payload
  uint32_t end;
  uint32_t size() const { return end - payload; }
};

// ---------------------------------------------------------------------------
// Reading helpers over the parsing cursor

bool readAt(Mp4Context &c, uint32_t pos, void *out, uint32_t len) {
  if (pos > c.fileSize || len > c.fileSize - pos) return false;
  if (KRNStreamBuf_Seek(c.stream, c.parseCursor, pos) != 0) return false;
  return len == 0 ||
         KRNStreamBuf_ReadBuffer(c.stream, c.parseCursor, out, len) == static_cast<int32_t>(len);
}

bool payloadOf(Mp4Context &c, const Box &b, std::vector<uint8_t> &out) {
  if (b.size() > kMaxPayload) return false;
  out.resize(b.size());
  return readAt(c, b.payload, out.data(), b.size());
}

uint32_t be32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Reads the next 32-bit big-endian entry of a table cursor.
bool tableRead(Mp4Context &c, const Table &t, uint32_t &value) {
  if (t.cursor < 0) return false;
  int32_t e = 0;
  value = KRNStreamBuf_ReadDWordBE(c.stream, t.cursor, &e);
  return e == 0;
}

// Reads the next chunk offset, 32 or 64 bits wide ("stco" or "co64").
bool offsetRead(Mp4Context &c, const Table &t, uint64_t &value) {
  if (t.cursor < 0) return false;
  int32_t e = 0;
  value = t.entryBytes == 8 ? KRNStreamBuf_ReadQWordBE(c.stream, t.cursor, &e)
                            : KRNStreamBuf_ReadDWordBE(c.stream, t.cursor, &e);
  return e == 0;
}

struct Parser;
using BoxHandler = int32_t (*)(Parser &, const Box &);
struct BoxRule {
  uint32_t type;
  BoxHandler handler;
};

// Defaults of the track fragment being walked.
struct TrafState {
  uint32_t duration, size, flags;
  uint64_t base;
  uint64_t nextData;  // where the previous run's data ended
};

struct Parser {
  Mp4Context &c;
  KRNReaderInfo *info;
  Track *track = nullptr;
  uint32_t moofStart = 0;
  uint64_t lastTrafDataEnd = 0;
  bool firstTrafInMoof = true;
  TrafState traf{};
};

// Reads the header of the box at pos inside a parent ending at end: a 32-bit
// size, or 1 and a 64-bit size after the type, or 0 for "up to the end of
// the parent". A size that runs past the parent is cut at the parent's end.
bool boxAt(Mp4Context &c, uint32_t pos, uint32_t end, Box &box) {
  if (pos > end || end - pos < 8) return false;
  uint8_t head[16];
  if (!readAt(c, pos, head, 8)) return false;
  uint64_t size = be32(head);
  uint32_t header = 8;
  if (size == 1) {
    if (end - pos < 16 || !readAt(c, pos + 8, head + 8, 8)) return false;
    size = static_cast<uint64_t>(be32(head + 8)) << 32 | be32(head + 12);
    header = 16;
  } else if (size == 0) {
    size = end - pos;
  }
  if (size < header) return false;
  if (size > end - pos) size = end - pos;
  box = Box{be32(head + 4), pos, pos + header, pos + static_cast<uint32_t>(size)};
  return true;
}

// Walks the boxes in [start, end). A handler returns 0 to go on, a positive
// value to end this level quietly and a negative code to fail the parse.
template <size_t N>
int32_t walk(Parser &p, uint32_t start, uint32_t end, const BoxRule (&rules)[N]) {
  uint32_t pos = start;
  Box box{};
  while (boxAt(p.c, pos, end, box)) {
    for (const BoxRule &rule : rules) {
      if (rule.type != box.type) continue;
      int32_t rc = rule.handler(p, box);
      if (rc != 0) return rc < 0 ? rc : 0;
      break;
    }
    pos = box.end;
  }
  return 0;
}

Track *findTrack(Mp4Context &c, uint32_t id) {
  for (auto &t : c.tracks)
    if (t->id == id) return t.get();
  c.tracks.push_back(std::make_unique<Track>());
  c.tracks.back()->id = id;
  return c.tracks.back().get();
}

// ---------------------------------------------------------------------------
// Box handlers

int32_t onAidd(Parser &p, const Box &b) {
  uint8_t v[4];
  if (b.size() >= 4 && readAt(p.c, b.payload, v, 4)) {
    p.info->cameraData = be32(v);
    p.info->cameraDataPos = b.payload;
  }
  return 0;
}

int32_t onFtyp(Parser &p, const Box &b) {
  uint8_t v[4];
  if (b.size() >= 4 && readAt(p.c, b.payload, v, 4)) p.c.majorBrand = be32(v);
  return 0;
}

int32_t onMdat(Parser &p, const Box &b) {
  if (b.size() > 0 && p.c.mdatStart == 0) p.c.mdatStart = b.start;
  return 0;
}

int32_t onMvhd(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 20) return 0;
  KrnByteReader *r = KRNByte_Open(d.data(), static_cast<uint32_t>(d.size()));
  uint32_t end = 0;
  uint8_t version = KRNByte_Get_char(r, &end);
  uint64_t duration;
  if (version == 1) {
    KRNByte_Skip(r, 3 + 16, &end);
    p.c.movieScale = KRNByte_Get_be_uint32(r, &end);
    duration = KRNByte_Get_be_uint64(r, &end);
  } else {
    KRNByte_Skip(r, 3 + 8, &end);
    p.c.movieScale = KRNByte_Get_be_uint32(r, &end);
    duration = KRNByte_Get_be_uint32(r, &end);
  }
  KRNByte_Close(r);
  if (!end && p.c.movieScale)
    p.c.movieDurationMs = static_cast<uint32_t>(duration * 1000 / p.c.movieScale);
  return 0;
}

int32_t onMehd(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 8) return 0;
  // Version 1 carries 64 bits of which the low 32 are kept.
  p.c.fragDuration = d[0] == 1 && d.size() >= 12 ? be32(d.data() + 8) : be32(d.data() + 4);
  return 0;
}

int32_t onTrex(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 24) return 0;
  Track *t = findTrack(p.c, be32(d.data() + 4));
  t->trexDuration = be32(d.data() + 12);
  t->trexSize = be32(d.data() + 16);
  t->trexFlags = be32(d.data() + 20);
  return 0;
}

int32_t onTkhd(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 24) return 0;
  // Version 0 layout: flags and two times, then the track ID and the duration.
  bool v1 = d[0] == 1;
  if (v1 && d.size() < 36) return 0;
  p.track = findTrack(p.c, be32(d.data() + (v1 ? 20 : 12)));
  if (!p.track->duration) p.track->duration = v1 ? be32(d.data() + 32) : be32(d.data() + 20);
  return 0;
}

int32_t onHdlr(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!p.track || !payloadOf(p.c, b, d) || d.size() < 12) return 0;
  uint32_t handler = be32(d.data() + 8);
  p.track->handler = handler;
  p.track->textCandidate =
      handler == fourcc("sdsm") || handler == fourcc("subp") || handler == fourcc("tvxt");
  return 0;
}

int32_t onMdhd(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!p.track || !payloadOf(p.c, b, d) || d.size() < 20) return 0;
  if (d[0] == 1) {
    if (d.size() < 32) return 0;
    p.track->timescale = be32(d.data() + 20);
    p.track->duration = static_cast<uint64_t>(be32(d.data() + 24)) << 32 | be32(d.data() + 28);
  } else {
    p.track->timescale = be32(d.data() + 12);
    p.track->duration = be32(d.data() + 16);
  }
  return 0;
}

int32_t onVmhd(Parser &p, const Box &) {
  p.track->type = KRN_MEDIA_VIDEO;
  return 0;
}
int32_t onSmhd(Parser &p, const Box &) {
  p.track->type = KRN_MEDIA_AUDIO;
  return 0;
}
int32_t onNmhd(Parser &p, const Box &) {
  p.track->type = p.track->textCandidate ? KRN_MEDIA_TEXT : 0;
  return p.track->type ? 0 : 1;
}
int32_t onHmhd(Parser &p, const Box &) {
  p.track->type = 0;
  return 1;
}

// Expandable descriptor length: up to four bytes of seven bits.
uint32_t descriptorLength(KrnByteReader *r, uint32_t *end) {
  uint32_t len = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t b = KRNByte_Get_char(r, end);
    len = len << 7 | (b & 0x7F);
    if (!(b & 0x80) || *end) break;
  }
  return len;
}

void mapObjectType(Track *t, uint8_t objectType) {
  switch (objectType) {
    case 0x40:
      t->codec = KRNUTIL_AUDIO_AAC;
      break;
    case 0x69:
    case 0x6B:
      t->codec = KRNUTIL_AUDIO_MP3;
      break;
    case 0xE2:
      t->codec = code4("ec-3");
      break;
    case 0xF0:
      t->codec = code4("YV12");
      break;
    case 0xF1:
      t->codec = code4("AVC1");
      break;
    default:
      break;
  }
}

int32_t onEsds(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 4) return 0;
  Track *t = p.track;
  KrnByteReader *r = KRNByte_Open(d.data(), static_cast<uint32_t>(d.size()));
  uint32_t end = 0;
  KRNByte_Skip(r, 4, &end);  // version and flags
  if (KRNByte_Get_char(r, &end) == 3) {
    descriptorLength(r, &end);
    KRNByte_Skip(r, 2, &end);  // ES_ID
    uint8_t flags = KRNByte_Get_char(r, &end);
    if (flags & 0x80) KRNByte_Skip(r, 2, &end);
    if (flags & 0x40) KRNByte_Skip(r, KRNByte_Get_char(r, &end), &end);
    if (flags & 0x20) KRNByte_Skip(r, 2, &end);
  }
  if (!end && KRNByte_Get_char(r, &end) == 4) {
    uint32_t len = descriptorLength(r, &end);
    uint32_t configEnd = KRNByte_Pos(r) + len;
    mapObjectType(t, KRNByte_Get_char(r, &end));
    KRNByte_Skip(r, 1, &end);  // stream type
    t->bufferSize = KRNByte_Get_3char_be_uint32(r, &end);
    KRNByte_Skip(r, 4, &end);  // maximum bit rate
    t->bitRate = KRNByte_Get_be_uint32(r, &end);
    while (!end && KRNByte_Pos(r) < configEnd && KRNByte_Remain(r) > 1) {
      uint8_t tag = KRNByte_Get_char(r, &end);
      uint32_t n = descriptorLength(r, &end);
      if (end || n > KRNByte_Remain(r)) break;
      if (tag == 5) {
        t->config.assign(d.data() + KRNByte_Pos(r), d.data() + KRNByte_Pos(r) + n);
        break;
      }
      KRNByte_Skip(r, n, &end);
    }
  }
  KRNByte_Close(r);
  return 0;
}

int32_t onWave(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {{fourcc("esds"), onEsds}};
  return walk(p, b.payload, b.end, kRules);
}

int32_t onAvcc(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 5) return 0;
  p.track->config = d;
  p.track->nalLengthSize = (d[4] & 3) + 1;
  p.track->codec = d[1] == 77 ? code4("H264") : code4("AVC1");
  return 0;
}

int32_t onHvcc(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 23) return 0;
  p.track->config = d;
  p.track->nalLengthSize = 4;
  p.track->codec = code4("H265");
  return 0;
}

int32_t onSt3d(Parser &p, const Box &b) {
  uint8_t v[5];
  if (b.size() >= 5 && readAt(p.c, b.payload, v, 5)) p.track->stereoMode = v[4];
  return 0;
}

int32_t onSphericalMark(Parser &p, const Box &) {
  p.track->spherical = 1;
  return 0;
}

// Projection boxes of spherical video (traced as MP4ReaderParseSV3D).
int32_t onSv3d(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d)) return 0;
  size_t pos = 0;
  auto child = [&](uint32_t &type, size_t &start, size_t &end) {
    if (d.size() - pos < 8) return false;
    uint32_t size = be32(d.data() + pos);
    if (size < 8 || size > d.size() - pos) return false;
    type = be32(d.data() + pos + 4);
    start = pos + 8;
    end = pos + size;
    pos = end;
    return true;
  };
  uint32_t type;
  size_t start, end;
  if (!child(type, start, end)) return 0;
  if (type == fourcc("svhd")) {
    std::string name(d.begin() + std::min(start + 4, end), d.begin() + end);
    KS_LOG_AS("MP4ReaderParseSV3D", KRN_TRACE_INFO, L"Shperical Header Meta info (%ls)\n",
              KRN_char2Wchar(name.c_str()));
    if (!child(type, start, end)) return 0;
  }
  if (type != fourcc("proj")) {
    KS_LOG_AS("MP4ReaderParseSV3D", KRN_TRACE_ERROR, L"is not projection box fourcc(%ls)\n",
              KRN_FourCC_String(__builtin_bswap32(type), nullptr));
    return 0;
  }
  pos = start;
  size_t projEnd = end;
  while (pos < projEnd && child(type, start, end)) {
    if (type == fourcc("prhd")) continue;
    if (type != fourcc("circ")) {
      KS_LOG_AS("MP4ReaderParseSV3D", KRN_TRACE_ERROR, L"is not projection data box fourcc(%ls)\n",
                KRN_FourCC_String(__builtin_bswap32(type), nullptr));
      return 0;
    }
    if (end - start < 16) {
      KS_LOG_AS("MP4ReaderParseSV3D", KRN_TRACE_ERROR, L"Invalid data size (%d)\n",
                static_cast<int>(end - start));
      return 0;
    }
    const uint8_t *f = d.data() + start;
    p.track->projection.kind = 1;
    p.track->projection.circField2 = be32(f + 4);
    p.track->projection.circFirstZero = be32(f) == 0 ? 1 : 0;
    p.track->projection.circField3 = be32(f + 8);
    p.track->projection.circField4 = be32(f + 12);
    p.track->spherical = 1;
  }
  return 0;
}

struct EntryKind {
  uint32_t entry;
  uint32_t code;  // stored codec; 0 keeps what the track has
  int kind;       // 1 video entry layout, 2 audio entry layout
  bool pcm;
};

const EntryKind kEntries[] = {
    {fourcc("avc1"), code4("AVC1"), 1, false},
    {fourcc("hev1"), code4("HEV1"), 1, false},
    {fourcc("hvc1"), code4("hvc1"), 1, false},
    {fourcc("mp4v"), code4("MP4V"), 1, false},
    {fourcc("s263"), code4("H263"), 1, false},
    {fourcc("mp4a"), KRNUTIL_AUDIO_AAC, 2, false},
    {fourcc(".mp3"), KRNUTIL_AUDIO_MP3, 2, false},
    {fourcc("samr"), 0, 2, false},
    {fourcc("sawb"), 0, 2, false},
    {fourcc("sevc"), 0, 2, false},
    {fourcc("sqcp"), 0, 2, false},
    {fourcc("ipcm"), 1, 2, true},
    {fourcc("lpcm"), 1, 2, true},
    {fourcc("twos"), 1, 2, true},
};

int32_t onStsd(Parser &p, const Box &b) {
  static const BoxRule kVideoChildren[] = {
      {fourcc("esds"), onEsds},         {fourcc("avcC"), onAvcc}, {fourcc("hvcC"), onHvcc},
      {fourcc("st3d"), onSt3d},         {fourcc("sv3d"), onSv3d}, {fourcc("nt3d"), onSphericalMark},
      {fourcc("nv3d"), onSphericalMark}};
  static const BoxRule kAudioChildren[] = {{fourcc("esds"), onEsds}, {fourcc("wave"), onWave}};
  uint8_t head[8];
  if (b.size() < 16 || !readAt(p.c, b.payload, head, 8)) return 0;
  uint32_t count = be32(head + 4);
  uint32_t pos = b.payload + 8;
  for (uint32_t i = 0; i < count && b.end - pos >= 8; ++i) {
    Box entry{};
    if (!boxAt(p.c, pos, b.end, entry) || entry.end - entry.start < 16) return 0;
    pos = entry.end;
    const EntryKind *kind = nullptr;
    for (const EntryKind &k : kEntries)
      if (k.entry == entry.type) kind = &k;
    if (!kind) {
      // Text sample entries keep their own code.
      if (p.track->type == KRN_MEDIA_TEXT && !p.track->codec)
        p.track->codec = __builtin_bswap32(entry.type);
      continue;
    }
    if (kind->code) p.track->codec = kind->code;
    if (kind->pcm) p.track->pcm = true;
    std::vector<uint8_t> d;
    if (kind->kind == 1) {
      // Reserved and data reference (8), 16 skipped, width and height, 50 skipped.
      uint8_t v[28];
      if (entry.size() < 78 || !readAt(p.c, entry.payload, v, 28)) continue;
      p.track->width = static_cast<uint32_t>(v[24]) << 8 | v[25];
      p.track->height = static_cast<uint32_t>(v[26]) << 8 | v[27];
      int32_t rc = walk(p, entry.payload + 8 + 16 + 4 + 50, entry.end, kVideoChildren);
      if (rc < 0) return rc;
    } else {
      uint8_t v[28];
      if (entry.size() < 28 || !readAt(p.c, entry.payload, v, 28)) continue;
      uint16_t version = static_cast<uint16_t>(v[8] << 8 | v[9]);
      p.track->channels = static_cast<uint32_t>(v[16]) << 8 | v[17];
      p.track->bitsPerSample = static_cast<uint32_t>(v[18]) << 8 | v[19];
      p.track->sampleRate = static_cast<uint32_t>(v[24]) << 8 | v[25];
      uint32_t children = entry.payload + 28 + (version == 1 ? 16 : version == 2 ? 36 : 0);
      if (children <= entry.end) {
        int32_t rc = walk(p, children, entry.end, kAudioChildren);
        if (rc < 0) return rc;
      }
    }
  }
  return 0;
}

// Notes where a sample table's entries are; its cursor is opened once the
// track is known to be delivered (openCursors). A later table of the same
// kind replaces an earlier one.
int32_t openTable(Parser &p, const Box &b, Table &t, uint32_t headerBytes, uint32_t entryBytes) {
  uint8_t v[12];
  if (b.size() < headerBytes || !readAt(p.c, b.payload, v, headerBytes)) return 1;
  uint32_t count = be32(v + headerBytes - 4);
  // The entries must lie inside the box; a count that claims more ends this
  // table's parse instead of sending a cursor past it.
  if (count > (b.size() - headerBytes) / entryBytes) return 1;
  t.count = count;
  t.first = b.payload + headerBytes;
  t.entryBytes = entryBytes;
  return 0;
}

int32_t onStco(Parser &p, const Box &b) {
  int32_t rc = openTable(p, b, p.track->stco, 8, 4);
  return rc < 0 ? rc : 0;
}
int32_t onCo64(Parser &p, const Box &b) {
  int32_t rc = openTable(p, b, p.track->stco, 8, 8);
  return rc < 0 ? rc : 0;
}
int32_t onStsc(Parser &p, const Box &b) {
  int32_t rc = openTable(p, b, p.track->stsc, 8, 12);
  return rc < 0 ? rc : 0;
}
int32_t onStss(Parser &p, const Box &b) {
  int32_t rc = openTable(p, b, p.track->stss, 8, 4);
  // An empty table is a statement too: no sample is a sync sample.
  if (rc == 0) p.track->hasStss = true;
  return rc < 0 ? rc : 0;
}
int32_t onStts(Parser &p, const Box &b) {
  int32_t rc = openTable(p, b, p.track->stts, 8, 8);
  return rc < 0 ? rc : 0;
}
int32_t onStsz(Parser &p, const Box &b) {
  uint8_t v[12];
  if (b.size() < 12 || !readAt(p.c, b.payload, v, 12)) return 0;
  Track *t = p.track;
  t->fixedSize = be32(v + 4);
  t->sampleCount = be32(v + 8);
  if (t->fixedSize) {
    // Samples of one size cannot outnumber what the file holds of them.
    t->sampleCount = std::min(t->sampleCount, p.c.fileSize / t->fixedSize);
    t->stsz = Table{};
    return 0;
  }
  int32_t rc = openTable(p, b, t->stsz, 12, 4);
  if (rc != 0) t->sampleCount = 0;
  return rc < 0 ? rc : 0;
}

int32_t onStbl(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {{fourcc("stsd"), onStsd}, {fourcc("stco"), onStco},
                                   {fourcc("co64"), onCo64}, {fourcc("stsc"), onStsc},
                                   {fourcc("stss"), onStss}, {fourcc("stsz"), onStsz},
                                   {fourcc("stts"), onStts}};
  return walk(p, b.payload, b.end, kRules);
}

int32_t onMinf(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {{fourcc("vmhd"), onVmhd},
                                   {fourcc("smhd"), onSmhd},
                                   {fourcc("nmhd"), onNmhd},
                                   {fourcc("hmhd"), onHmhd},
                                   {fourcc("stbl"), onStbl}};
  return walk(p, b.payload, b.end, kRules);
}

int32_t onMdia(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {
      {fourcc("hdlr"), onHdlr}, {fourcc("mdhd"), onMdhd}, {fourcc("minf"), onMinf}};
  if (!p.track) return 0;
  return walk(p, b.payload, b.end, kRules);
}

int32_t onTrak(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {{fourcc("tkhd"), onTkhd}, {fourcc("mdia"), onMdia}};
  p.track = nullptr;
  int32_t rc = walk(p, b.payload, b.end, kRules);
  p.track = nullptr;
  return rc;
}

int32_t onMvex(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {{fourcc("mehd"), onMehd}, {fourcc("trex"), onTrex}};
  return walk(p, b.payload, b.end, kRules);
}

int32_t onMoov(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {
      {fourcc("mvhd"), onMvhd}, {fourcc("mvex"), onMvex}, {fourcc("trak"), onTrak}};
  p.c.sawMoov = true;
  return walk(p, b.payload, b.end, kRules);
}

// ---------------------------------------------------------------------------
// Fragments (traced as MP4ReaderParseTraf)

int32_t onTfhd(Parser &p, const Box &b) {
  std::vector<uint8_t> d;
  if (!payloadOf(p.c, b, d) || d.size() < 8) return 1;
  uint32_t flags = be32(d.data()) & 0xFFFFFF;
  Track *t = findTrack(p.c, be32(d.data() + 4));
  size_t at = 8;
  auto take = [&](size_t n, uint64_t &v) {
    if (d.size() - at < n) return false;
    v = 0;
    for (size_t i = 0; i < n; ++i) v = v << 8 | d[at + i];
    at += n;
    return true;
  };
  // Without an explicit base, data offsets count from the "moof" for the
  // first track fragment (or when the flag says so), else from where the
  // previous track fragment's data ended.
  uint64_t base = p.firstTrafInMoof || (flags & 0x20000) ? p.moofStart : p.lastTrafDataEnd;
  uint64_t v = 0;
  if ((flags & 0x1) && take(8, v)) base = v;
  if (flags & 0x2) take(4, v);  // sample description index
  p.traf = TrafState{t->trexDuration, t->trexSize, t->trexFlags, base, base};
  if ((flags & 0x8) && take(4, v)) p.traf.duration = static_cast<uint32_t>(v);
  if ((flags & 0x10) && take(4, v)) p.traf.size = static_cast<uint32_t>(v);
  if ((flags & 0x20) && take(4, v)) p.traf.flags = static_cast<uint32_t>(v);
  p.firstTrafInMoof = false;
  p.track = t;
  return 0;
}

int32_t onTrun(Parser &p, const Box &b) {
  Track *t = p.track;
  if (!t) return 1;
  uint8_t head[16];
  uint32_t headLen = std::min<uint32_t>(b.size(), 16);
  if (headLen < 8 || !readAt(p.c, b.payload, head, headLen)) return 1;
  FragRun run{};
  run.flags = be32(head) & 0xFFFFFF;
  run.sampleCount = be32(head + 4);
  run.defDuration = p.traf.duration;
  run.defSize = p.traf.size;
  run.defFlags = p.traf.flags;
  uint32_t at = 8;
  uint64_t dataStart = p.traf.nextData;
  if (run.flags & 0x1) {
    if (headLen < at + 4) return 1;
    // A base beyond the file (it is a 64-bit field of the file's own) holds
    // no data; within it, base plus the signed offset cannot overflow.
    const int64_t offset = static_cast<int32_t>(be32(head + at));
    const int64_t start = p.traf.base > p.c.fileSize
                              ? -1
                              : static_cast<int64_t>(p.traf.base) + offset;
    dataStart = start < 0 ? p.c.fileSize : static_cast<uint64_t>(start);
    at += 4;
  }
  if (run.flags & 0x4) {
    if (headLen < at + 4) return 1;
    run.firstFlags = be32(head + at);
    at += 4;
  }
  run.entrySize = 4 * static_cast<uint32_t>(__builtin_popcount(run.flags & 0xF00));
  run.entriesPos = b.payload + at;
  if (run.entrySize && run.sampleCount > (b.end - run.entriesPos) / run.entrySize) return 1;
  run.dataStart = static_cast<uint32_t>(std::min<uint64_t>(dataStart, p.c.fileSize));
  if (!run.entrySize) {
    // Samples of the default size: no more than the rest of the file holds,
    // and no more in all of the track's runs than the file has bytes.
    const uint32_t room = (p.c.fileSize - run.dataStart) / std::max<uint32_t>(run.defSize, 1);
    const uint64_t left = t->fragSamples < p.c.fileSize ? p.c.fileSize - t->fragSamples : 0;
    run.sampleCount = static_cast<uint32_t>(std::min<uint64_t>({run.sampleCount, room, left}));
  }

  // Durations and sizes are summed once here so that the track can report
  // its frame count and duration without a separate index.
  uint64_t bytes = 0;
  if (run.entrySize) {
    std::vector<uint8_t> entries;
    Box eb{0, 0, run.entriesPos, run.entriesPos + run.sampleCount * run.entrySize};
    if (!payloadOf(p.c, eb, entries)) return 1;
    for (uint32_t i = 0; i < run.sampleCount; ++i) {
      const uint8_t *e = entries.data() + i * run.entrySize;
      t->fragTicks += (run.flags & 0x100) ? be32(e) : run.defDuration;
      bytes += (run.flags & 0x200) ? be32(e + ((run.flags & 0x100) ? 4 : 0)) : run.defSize;
    }
  } else {
    t->fragTicks += static_cast<uint64_t>(run.sampleCount) * run.defDuration;
    bytes = static_cast<uint64_t>(run.sampleCount) * run.defSize;
  }
  t->fragSamples += run.sampleCount;
  t->runs.push_back(run);
  p.traf.nextData = dataStart + bytes;
  p.lastTrafDataEnd = p.traf.nextData;
  return 0;
}

int32_t onTraf(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {{fourcc("tfhd"), onTfhd}, {fourcc("trun"), onTrun}};
  p.track = nullptr;
  int32_t rc = walk(p, b.payload, b.end, kRules);
  p.track = nullptr;
  return rc;
}

int32_t onMoof(Parser &p, const Box &b) {
  static const BoxRule kRules[] = {{fourcc("traf"), onTraf}};
  p.c.sawMoof = true;
  p.moofStart = b.start;
  p.firstTrafInMoof = true;
  return walk(p, b.payload, b.end, kRules);
}

// ---------------------------------------------------------------------------
// Sample stepping

void resetState(Mp4Context &c, Track &t) {
  t.st = ReadState{};
  t.st.pendingFirst = kNoChunk;
  Table *tables[] = {&t.stsz, &t.stco, &t.stsc, &t.stts, &t.stss};
  for (Table *tb : tables)
    if (tb->cursor >= 0) KRNStreamBuf_Seek(c.stream, tb->cursor, tb->first);
  if (t.stsc.count) {
    uint32_t first = 0, spc = 0, desc = 0;
    if (tableRead(c, t.stsc, first) && tableRead(c, t.stsc, spc) && tableRead(c, t.stsc, desc)) {
      t.st.pendingFirst = first;
      t.st.pendingSpc = spc;
      t.st.stscRead = 1;
    }
  }
  t.st.nextSync = kNoChunk;
  if (t.hasStss && tableRead(c, t.stss, t.st.nextSync)) t.st.stssRead = 1;
  if (!t.runs.empty()) t.st.runDataPos = t.runs[0].dataStart;
}

// Puts the cursors back where a copied read state expects them.
void restoreState(Mp4Context &c, Track &t, const ReadState &saved) {
  t.st = saved;
  auto place = [&](Table &tb, uint32_t entries, uint32_t entryBytes) {
    if (tb.cursor >= 0) KRNStreamBuf_Seek(c.stream, tb.cursor, tb.first + entries * entryBytes);
  };
  place(t.stsz, saved.stszRead, 4);
  place(t.stco, saved.stcoRead, t.stco.entryBytes);
  place(t.stsc, saved.stscRead, 12);
  place(t.stts, saved.sttsRead, 8);
  place(t.stss, saved.stssRead, 4);
}

int32_t stepTableSample(Mp4Context &c, Track &t, SampleMeta &m) {
  ReadState &s = t.st;
  while (s.chunkSamplesLeft == 0) {
    if (s.stcoRead >= t.stco.count) return KRNSTREAM_ERR_EOD;
    uint32_t chunk = ++s.chunksEntered;
    while (s.pendingFirst <= chunk) {
      s.curSpc = s.pendingSpc;
      uint32_t first = 0, spc = 0, desc = 0;
      if (s.stscRead < t.stsc.count && tableRead(c, t.stsc, first) && tableRead(c, t.stsc, spc) &&
          tableRead(c, t.stsc, desc)) {
        s.pendingFirst = first;
        s.pendingSpc = spc;
        ++s.stscRead;
      } else {
        s.pendingFirst = kNoChunk;
      }
    }
    uint64_t offset = 0;
    if (!offsetRead(c, t.stco, offset)) return KRNSTREAM_ERR_EOD;
    ++s.stcoRead;
    s.dataPos = offset;
    s.chunkSamplesLeft = t.foldUnit ? (s.curSpc ? 1 : 0) : s.curSpc;
  }
  uint32_t samplesThisFrame = t.foldUnit ? s.curSpc : 1;
  if (t.foldUnit) {
    // A whole chunk: its size must be a frame the file can hold.
    uint64_t bytes = static_cast<uint64_t>(t.foldUnit) * s.curSpc;
    if (bytes > c.fileSize) return KRNSTREAM_ERR_EOD;
    m.size = static_cast<uint32_t>(bytes);
  } else if (t.fixedSize) {
    m.size = t.fixedSize;
  } else {
    if (s.stszRead >= t.stsz.count || !tableRead(c, t.stsz, m.size)) return KRNSTREAM_ERR_EOD;
    ++s.stszRead;
  }
  // The frame's duration: its samples taken from the "stts" runs a run at a
  // time, so a chunk of many samples costs one step per run, not per sample.
  uint64_t ticks = 0;
  for (uint32_t need = samplesThisFrame; need > 0;) {
    if (s.sttsLeft == 0) {
      uint32_t count = 0, delta = 0;
      if (s.sttsRead < t.stts.count && tableRead(c, t.stts, count) && tableRead(c, t.stts, delta)) {
        ++s.sttsRead;
        s.sttsLeft = count;
        s.delta = delta;  // each run's own delta
        continue;
      }
      ticks += static_cast<uint64_t>(need) * s.delta;  // past the table: keep the last delta
      break;
    }
    uint32_t take = std::min(need, s.sttsLeft);
    s.sttsLeft -= take;
    need -= take;
    ticks += static_cast<uint64_t>(take) * s.delta;
  }
  m.time = s.accTicks;
  m.duration = ticks;
  s.accTicks += ticks;

  uint32_t number = s.samplesRead + 1;
  if (!t.hasStss) {
    m.key = KRN_FRAME_KEY;
  } else {
    while (s.nextSync < number && s.nextSync != kNoChunk) {
      if (s.stssRead < t.stss.count && tableRead(c, t.stss, s.nextSync))
        ++s.stssRead;
      else
        s.nextSync = kNoChunk;
    }
    m.key = s.nextSync == number ? KRN_FRAME_KEY : KRN_FRAME_OTHER;
  }
  m.chunk = s.chunksEntered;
  m.dataPos = s.dataPos;
  s.dataPos += m.size;
  --s.chunkSamplesLeft;
  ++s.samplesRead;
  return 0;
}

int32_t stepFragSample(Mp4Context &c, Track &t, SampleMeta &m) {
  ReadState &s = t.st;
  while (s.runIndex < t.runs.size()) {
    const FragRun &run = t.runs[s.runIndex];
    if (s.runSample >= run.sampleCount) {
      ++s.runIndex;
      s.runSample = 0;
      if (s.runIndex < t.runs.size()) s.runDataPos = t.runs[s.runIndex].dataStart;
      continue;
    }
    uint32_t v[4] = {};
    if (run.entrySize) {
      uint32_t pos = run.entriesPos + s.runSample * run.entrySize;
      if (KRNStreamBuf_Pos(c.stream, t.fragCursor) != pos &&
          KRNStreamBuf_Seek(c.stream, t.fragCursor, pos) != 0)
        return KRNSTREAM_ERR_EOD;
      for (uint32_t i = 0; i < run.entrySize / 4; ++i) {
        int32_t e = 0;
        v[i] = KRNStreamBuf_ReadDWordBE(c.stream, t.fragCursor, &e);
        if (e) return KRNSTREAM_ERR_EOD;
      }
    }
    uint32_t at = 0;
    uint32_t duration = (run.flags & 0x100) ? v[at++] : run.defDuration;
    uint32_t size = (run.flags & 0x200) ? v[at++] : run.defSize;
    uint32_t flags = (run.flags & 0x400)                       ? v[at++]
                     : (s.runSample == 0 && (run.flags & 0x4)) ? run.firstFlags
                                                               : run.defFlags;
    m.time = s.accTicks;
    m.duration = duration;
    s.accTicks += duration;
    m.size = size;
    m.key = (flags & 0x10000) ? KRN_FRAME_OTHER : KRN_FRAME_KEY;  // sample_is_non_sync
    m.chunk = s.chunksEntered + s.runIndex + 1;
    m.dataPos = s.runDataPos;
    s.runDataPos += size;
    ++s.runSample;
    ++s.samplesRead;
    return 0;
  }
  return KRNSTREAM_ERR_EOD;
}

int32_t stepSample(Mp4Context &c, Track &t, SampleMeta &m) {
  if (t.st.samplesRead < t.tableFrames()) {
    int32_t rc = stepTableSample(c, t, m);
    if (rc == 0 || t.runs.empty()) return rc;
    t.st.samplesRead = t.tableFrames();  // a broken table hands over to the fragments
  }
  return stepFragSample(c, t, m);
}

// Copies a sample into the frame, turning NAL unit lengths into start codes.
int32_t ensureDataStream(Mp4Context &c, Track &t);

int32_t deliver(Mp4Context &c, Track &t, const SampleMeta &m, KRNReaderFrame *f) {
  if (m.dataPos > c.fileSize || m.size > c.fileSize - m.dataPos) return KRNSTREAM_ERR_EOD;
  if (int32_t rc = ensureDataStream(c, t)) return rc;
  auto place = [&]() {
    return KRNStreamBuf_Pos(t.data, t.dataCursor) == m.dataPos ||
           KRNStreamBuf_Seek(t.data, t.dataCursor, static_cast<uint32_t>(m.dataPos)) == 0;
  };
  if (!place()) return KRNSTREAM_ERR_EOD;
  if (t.nalLengthSize == 0) {
    if (m.size && KRNStreamBuf_ReadBuffer(t.data, t.dataCursor, f->data, m.size) !=
                      static_cast<int32_t>(m.size))
      return KRNSTREAM_ERR_EOD;
    f->size = m.size;
    return 0;
  }
  t.scratch.resize(m.size);
  if (m.size && KRNStreamBuf_ReadBuffer(t.data, t.dataCursor, t.scratch.data(), m.size) !=
                    static_cast<int32_t>(m.size))
    return KRNSTREAM_ERR_EOD;
  const uint32_t n = t.nalLengthSize;
  uint64_t out = 0;
  for (uint32_t at = 0; at < m.size;) {
    if (m.size - at < n) return KRNSTREAM_ERR_EOD;
    uint32_t len = 0;
    for (uint32_t i = 0; i < n; ++i) len = len << 8 | t.scratch[at + i];
    if (len > m.size - at - n) return KRNSTREAM_ERR_EOD;  // a unit running past the sample
    out += 4 + len;
    at += n + len;
  }
  if (out > f->capacity) {
    f->capacity = static_cast<uint32_t>(out);
    return KRNSTREAM_ERR_BUFSIZE;
  }
  uint8_t *dst = f->data;
  for (uint32_t at = 0; at < m.size;) {
    uint32_t len = 0;
    for (uint32_t i = 0; i < n; ++i) len = len << 8 | t.scratch[at + i];
    static const uint8_t kStart[4] = {0, 0, 0, 1};
    memcpy(dst, kStart, 4);
    memcpy(dst + 4, t.scratch.data() + at + n, len);
    dst += 4 + len;
    at += n + len;
  }
  f->size = static_cast<uint32_t>(out);
  return 0;
}

Track *trackFor(Mp4Context &c, uint32_t type, uint32_t number) {
  if (type < 1 || type > 3 || number >= c.byType[type].size()) return nullptr;
  return c.byType[type][number];
}

int32_t readFrameImpl(Mp4Context &c, KRNReaderFrame *f, bool withData) {
  Track *t = trackFor(c, f->mediaType, f->track);
  if (!t) return KRNSTREAM_ERR_UNAVAILABLE;
  ReadState saved = t->st;
  SampleMeta m{};
  int32_t rc = stepSample(c, *t, m);
  if (rc < 0) return rc;
  if (withData) {
    if (m.size > f->capacity || !f->data) {
      restoreState(c, *t, saved);
      f->capacity = m.size;
      return KRNSTREAM_ERR_BUFSIZE;
    }
    rc = deliver(c, *t, m, f);
    if (rc == KRNSTREAM_ERR_BUFSIZE) {
      restoreState(c, *t, saved);
      return rc;
    }
    if (rc < 0) return rc;
  } else {
    f->size = m.size;
  }
  uint64_t durationMs = t->toMs(m.duration);
  if (t->type == KRN_MEDIA_VIDEO && t->frameCount()) {
    uint64_t average = t->toMs(t->duration + t->fragTicks) / t->frameCount();
    if (average + 5 < durationMs) durationMs = average;
  }
  f->time = static_cast<int64_t>(t->toMs(m.time));
  f->duration = static_cast<uint32_t>(durationMs);
  f->keyFrame = m.key;
  f->chunk = m.chunk;
  return 0;
}

// ---------------------------------------------------------------------------
// Seeking (MP4FReaderGetSeekPos and MP4ReaderGetSeekPosFrag)

enum SeekMode { kSyncBefore = 1, kByTime = 2, kSyncNearest = 3 };

const wchar_t *typeName(int type) {
  return type == KRN_MEDIA_VIDEO ? L"VIDEO" : type == KRN_MEDIA_AUDIO ? L"AUDIO" : L"TEXT";
}

// Positions a track on the sample the mode picks for timeMs; the time of
// that sample is written back.
bool positionTrack(Mp4Context &c, Track &t, uint32_t &timeMs, int mode) {
  if (t.frameCount() == 0) return false;
  const uint64_t target = static_cast<uint64_t>(timeMs) * t.scale() / 1000;
  const bool video = t.type == KRN_MEDIA_VIDEO;
  resetState(c, t);
  int64_t atOrBefore = -1, atOrAfter = -1, keyBefore = -1, keyAfter = -1;
  uint64_t keyBeforeTime = 0, keyAfterTime = 0, endTicks = 0;
  uint64_t total = 0;
  SampleMeta m{};
  for (int64_t i = 0; stepSample(c, t, m) == 0; ++i) {
    total = static_cast<uint64_t>(i) + 1;
    endTicks = m.time + m.duration;
    if (m.time <= target) {
      atOrBefore = i;
      if (m.key == KRN_FRAME_KEY) keyBefore = i, keyBeforeTime = m.time;
    }
    if (m.time >= target && atOrAfter < 0) atOrAfter = i;
    if (m.time >= target && m.key == KRN_FRAME_KEY && keyAfter < 0)
      keyAfter = i, keyAfterTime = m.time;
    if (m.time > target && (keyAfter >= 0 || mode != kSyncNearest)) break;
  }
  int64_t chosen;
  if (mode == kByTime) {
    // Video stops at the sample the time falls in and then goes back to the
    // sync sample before it, so that decoding can start there.
    chosen = video ? (keyBefore >= 0   ? keyBefore
                      : keyAfter >= 0  ? keyAfter
                      : atOrBefore >= 0 ? atOrBefore
                                        : 0)
                   : (atOrAfter >= 0 ? atOrAfter : static_cast<int64_t>(total));
  } else if (mode == kSyncBefore) {
    chosen = keyBefore >= 0 ? keyBefore : (keyAfter >= 0 ? keyAfter : 0);
  } else if (keyBefore >= 0 && keyAfter >= 0) {
    chosen = target - keyBeforeTime <= keyAfterTime - target ? keyBefore : keyAfter;
  } else {
    chosen = keyBefore >= 0 ? keyBefore : (keyAfter >= 0 ? keyAfter : 0);
  }
  resetState(c, t);
  uint64_t reached = endTicks;
  for (int64_t i = 0; i <= chosen; ++i) {
    ReadState before = t.st;
    if (stepSample(c, t, m) != 0) break;
    if (i == chosen) {
      restoreState(c, t, before);  // stand on the chosen sample, not past it
      reached = m.time;
    }
  }
  timeMs = static_cast<uint32_t>(t.toMs(reached));
  if (t.st.samplesRead >= t.tableFrames() && !t.runs.empty())
    KS_LOG_AS("MP4ReaderGetSeekPosFrag", KRN_TRACE_DEBUG,
              L"[Reader]\tMP4 SEEK %ls Frag(%d, %d) pos=%x cts=%d \n", typeName(t.type),
              static_cast<int>(t.st.runIndex), static_cast<int>(t.st.runSample),
              static_cast<unsigned>(t.st.runDataPos), static_cast<int>(timeMs));
  else
    KS_LOG_AS("MP4FReaderGetSeekPos", KRN_TRACE_DEBUG,
              L"[Reader]\tMP4 SEEK %ls(%d) chk=%d pos=%x cts=%d \n", typeName(t.type),
              static_cast<int>(t.st.samplesRead), static_cast<int>(t.st.chunksEntered),
              static_cast<unsigned>(t.st.dataPos), static_cast<int>(timeMs));
  return true;
}

bool seekTracks(Mp4Context &c, uint32_t *time, const SeekStep *steps, size_t count) {
  return seekInTurn(
      c.current, time, steps, count,
      [&c](Track &t, uint32_t &at, int mode) { return positionTrack(c, t, at, mode); },
      [](const Track &t) { return t.st; },
      [&c](Track &t, const ReadState &saved) { restoreState(c, t, saved); });
}

// ---------------------------------------------------------------------------
// Information

// A track is delivered when its media header and its handler agree on a
// kind the reader knows; timecode, telemetry, hint tracks and handlers of
// any other kind are left out. A track without "hdlr" goes by its header.
void classify(Track &t) {
  if (!t.handler) return;
  bool fits = (t.type == KRN_MEDIA_VIDEO && t.handler == fourcc("vide")) ||
              (t.type == KRN_MEDIA_AUDIO && t.handler == fourcc("soun")) ||
              (t.type == KRN_MEDIA_TEXT && t.textCandidate);
  if (!fits) t.type = 0;
}

// Calls fn(entry) for each entry of a table, read in blocks through the
// parsing cursor; false when the file could not be read.
template <typename Fn>
bool forEachEntry(Mp4Context &c, const Table &t, uint32_t entryBytes, Fn fn) {
  constexpr uint32_t kBlockEntries = 4096;
  std::vector<uint8_t> block;
  for (uint32_t done = 0; done < t.count;) {
    uint32_t n = std::min(kBlockEntries, t.count - done);
    block.resize(static_cast<size_t>(n) * entryBytes);
    if (!readAt(c, t.first + done * entryBytes, block.data(), n * entryBytes)) return false;
    for (uint32_t i = 0; i < n; ++i)
      if (!fn(block.data() + static_cast<size_t>(i) * entryBytes)) return true;
    done += n;
  }
  return true;
}

// The samples the chunk tables can hold: each "stsc" run's samples per chunk
// times the chunks it covers, the way the reader steps through them.
uint64_t chunkCapacity(Mp4Context &c, const Track &t) {
  const uint64_t chunks = t.stco.count;
  uint64_t total = 0, chunk = 1, spc = 0;
  bool ok = forEachEntry(c, t.stsc, 12, [&](const uint8_t *e) {
    uint64_t first = be32(e);
    if (first > chunk) {
      uint64_t upTo = std::min<uint64_t>(first, chunks + 1);
      if (upTo > chunk) total += (upTo - chunk) * spc;
      chunk = std::max(chunk, upTo);
    }
    spc = be32(e + 4);
    return chunk <= chunks;
  });
  if (!ok) return 0;
  if (chunk <= chunks) total += (chunks + 1 - chunk) * spc;
  return total;
}

// Sample counts are held to what the file and the other tables allow: a
// fixed sample size can claim no more samples than the file has bytes for,
// and no table can claim more samples than its chunks hold.
void boundCounts(Mp4Context &c, Track &t) {
  uint64_t bound = chunkCapacity(c, t);
  if (t.fixedSize) bound = std::min<uint64_t>(bound, c.fileSize / t.fixedSize);
  if (t.sampleCount > bound) {
    KS_LOG_AS("MP4ReaderParseStbl", KRN_TRACE_ERROR,
              L"[Reader]\t\tsample count %u cut to %u\n", t.sampleCount,
              static_cast<unsigned>(bound));
    t.sampleCount = static_cast<uint32_t>(bound);
  }
}

void fillInfo(Mp4Context &c, KRNReaderInfo *info) {
  uint64_t fragMs = c.movieScale ? c.fragDuration * 1000 / c.movieScale : 0;
  for (auto &tp : c.tracks) {
    Track &t = *tp;
    classify(t);
    if (t.type < KRN_MEDIA_VIDEO || t.type > KRN_MEDIA_TEXT) continue;
    boundCounts(c, t);
    // Audio tracks that store several fixed-size samples per chunk are read
    // a chunk at a time.
    if (t.type == KRN_MEDIA_AUDIO && t.fixedSize && t.stsc.count) {
      uint32_t first = 0, spc = 0;
      Box b{0, 0, t.stsc.first, t.stsc.first + 8};
      std::vector<uint8_t> e;
      if (payloadOf(c, b, e)) first = be32(e.data()), spc = be32(e.data() + 4);
      if (first && spc > 1) t.foldUnit = t.fixedSize;
    }
    uint64_t ownMs = t.toMs(t.duration + t.fragTicks);
    uint32_t durationMs = static_cast<uint32_t>(fragMs ? fragMs : ownMs);
    uint32_t frames = static_cast<uint32_t>(t.frameCount());
    if (t.type == KRN_MEDIA_AUDIO && info->audioCount == 0) {
      KRNUtilAudioInfo &a = info->audio;
      a.codec = t.codec;
      a.sampleRate = t.sampleRate;
      a.channels = t.channels;
      a.bitsPerSample = t.bitsPerSample;
      a.bitRate = t.bitRate;
      a.frameCount = frames;
      a.duration = durationMs;
      a.maxFrameSize = t.bufferSize < 8192 ? t.bufferSize : 8192;
      a.present = 1;
      if (!t.config.empty() && t.config.size() <= KRNUTIL_CONFIG_SIZE) {
        memcpy(a.config, t.config.data(), t.config.size());
        a.configLength = static_cast<uint32_t>(t.config.size());
      }
      info->audioCount = 1;
      t.delivered = true;
    } else if (t.type == KRN_MEDIA_VIDEO && info->videoCount < KRN_READER_MAX_VIDEO) {
      KRNUtilVideoInfo &v = info->video[info->videoCount++];
      v.codec = t.codec;
      v.width = t.width;
      v.height = t.height;
      v.bitRate = t.bitRate;
      v.duration = durationMs;
      v.frameCount = frames;
      uint32_t perFrame = frames ? durationMs / frames : 0;
      v.frameRate = perFrame ? 1000000 / perFrame : 0;
      KS_LOG_AS("MP4FReaderGetInfo", KRN_TRACE_DEBUG, L"[Reader] FrameRate %d\n",
                static_cast<int>(v.frameRate));
      v.maxFrameSize = t.bufferSize < 0x100000 ? t.bufferSize : 0x100000;
      if (!t.config.empty()) {
        // Converted aside first: a record can be larger than the slot (an
        // encoder's settings in an SEI array) while its start-code form,
        // which keeps one unit of each parameter set, fits.
        std::vector<uint8_t> cfg = t.config;
        uint32_t len = static_cast<uint32_t>(cfg.size());
        KRNUtil_GetVideoInfo(cfg.data(), len, &v);
        const uint32_t h264[] = {code4("AVC1"), code4("avc1"), code4("H264"), code4("X264")};
        const uint32_t h265[] = {code4("HEV1"), code4("hvc1"), code4("hev1"), code4("H265"),
                                 code4("HEVC")};
        bool converted = true;
        if (std::find(std::begin(h264), std::end(h264), v.codec) != std::end(h264))
          converted = KRNUtil_ConvH264InfoToStartCode(cfg.data(), &len);
        else if (std::find(std::begin(h265), std::end(h265), v.codec) != std::end(h265))
          converted = KRNUtil_ConvHEVCInfoToStartCode(cfg.data(), &len);
        if (converted && len <= KRNUTIL_CONFIG_SIZE) {
          memcpy(v.config, cfg.data(), len);
          v.configLength = len;
        } else {
          KS_LOG_AS("MP4FReaderGetInfo", KRN_TRACE_ERROR,
                    L"[Reader]\tcodec configuration not usable. size(%d)\n",
                    static_cast<int>(t.config.size()));
        }
      }
      v.spherical = t.spherical;
      if (t.spherical) v.projection = t.projection;
      t.delivered = true;
    } else if (t.type == KRN_MEDIA_TEXT && info->textCount < KRN_READER_MAX_TEXT) {
      KRNReaderTextInfo &x = info->text[info->textCount++];
      x.codec = t.codec;
      x.bitRate = t.bitRate;
      x.duration = durationMs;
      x.maxSampleSize = t.bufferSize;
      x.sampleCount = frames;
      t.delivered = true;
    } else {
      continue;
    }
    if (durationMs > info->duration) info->duration = durationMs;
  }
}

// Each track reads its samples through a stream of its own, so the tracks of
// one file can be read in turn without disturbing each other's position. The
// stream is opened when the track is first read: asking a file for its
// information alone (as a list of recordings does) costs no extra opens.
int32_t ensureDataStream(Mp4Context &c, Track &t) {
  if (t.data) return 0;
  int32_t rc = KRNStreamBuf_Dup(c.stream, &t.data);
  if (rc == 0) rc = KRNStreamBuf_Index(t.data, &t.dataCursor, 0);
  if (rc < 0) {
    KS_LOG_AS("MP4FReaderGetInfo", KRN_TRACE_ERROR, L"[Reader]\tKRNStreamBuf_Dup error(%x)\n",
              static_cast<unsigned>(rc));
    KRNStreamBuf_Close(t.data);
    t.data = nullptr;
    t.dataCursor = -1;
    return rc;
  }
  KRNStreamBuf_Seek(t.data, t.dataCursor, c.mdatStart);
  return 0;
}

// Opens the cursors of a delivered track's tables and fragment runs on the
// file's stream (traced as MP4ReaderParseStbl and MP4ReaderParseTraf).
int32_t openCursors(Mp4Context &c, Track &t) {
  Table *tables[] = {&t.stsz, &t.stco, &t.stsc, &t.stts, &t.stss};
  for (Table *tb : tables) {
    if (tb->count == 0 || tb->cursor >= 0) continue;
    int32_t rc = KRNStreamBuf_Index(c.stream, &tb->cursor, kTableCache);
    if (rc < 0) {
      tb->cursor = -1;
      KS_LOG_AS("MP4ReaderParseStbl", KRN_TRACE_ERROR,
                L"[Reader]\t\tMP4ReaderParseStbl - KRNStreamBuf_Index error!!!\n");
      return rc;
    }
    KRNStreamBuf_Seek(c.stream, tb->cursor, tb->first);
  }
  if (!t.runs.empty() && t.fragCursor < 0) {
    int32_t rc = KRNStreamBuf_Index(c.stream, &t.fragCursor, kTableCache);
    if (rc < 0) {
      t.fragCursor = -1;
      KS_LOG_AS("MP4ReaderParseTraf", KRN_TRACE_ERROR,
                L"[Reader]\t\tMP4ReaderParseTraf - KRNStreamBuf_Index error!!!\n");
      return rc;
    }
  }
  return 0;
}

int32_t bindTracks(Mp4Context &c) {
  for (auto &tp : c.tracks) {
    Track &t = *tp;
    t.config.clear();
    t.config.shrink_to_fit();
    if (!t.delivered) continue;
    if (int32_t rc = openCursors(c, t)) return rc;
    resetState(c, t);
    c.byType[t.type].push_back(&t);
    if (!c.current[t.type]) c.current[t.type] = &t;
  }
  return 0;
}

// Gives back everything a walk of the boxes built, so that a get-information
// that failed can be tried again from a clean start.
void clearTracks(Mp4Context &c) {
  for (auto &tp : c.tracks) {
    Track &t = *tp;
    KRNStreamBuf_Close(t.data);
    Table *tables[] = {&t.stsz, &t.stco, &t.stsc, &t.stts, &t.stss};
    for (Table *tb : tables)
      if (tb->cursor >= 0) KRNStreamBuf_Release(c.stream, tb->cursor);
    if (t.fragCursor >= 0) KRNStreamBuf_Release(c.stream, t.fragCursor);
  }
  c.tracks.clear();
  for (auto &list : c.byType) list.clear();
  for (auto &cur : c.current) cur = nullptr;
  c.movieScale = c.movieDurationMs = 0;
  c.fragDuration = 0;
  c.majorBrand = c.mdatStart = 0;
  c.sawMoov = c.sawMoof = false;
}

// ---------------------------------------------------------------------------
// Operations bound into the reader handle

Mp4Context *ctx(void *p) {
  return static_cast<Mp4Context *>(p);
}

int32_t MP4FReaderOpen(void **context, KRNStreamBuf *stream) {
  KS_LOG(KRN_TRACE_INFO, L"[Reader]\tMP4FReaderOpen\n");
  auto *c = new (std::nothrow) Mp4Context;
  if (!c) return err(KRN_ERR_NOMEM);
  c->stream = stream;
  c->fileSize = KRNStreamBuf_Size(stream);
  int32_t rc = KRNStreamBuf_Index(stream, &c->parseCursor, 0);
  if (rc < 0) {
    delete c;
    return rc;
  }
  *context = c;
  KS_LOG(KRN_TRACE_INFO, L"[Reader]\tMP4FReaderOpen End\n");
  return 0;
}

void MP4FReaderClose(void *context) {
  KS_LOG(KRN_TRACE_INFO, L"[Reader]\tMP4FReaderClose\n");
  Mp4Context *c = ctx(context);
  if (!c) return;
  for (auto &t : c->tracks) KRNStreamBuf_Close(t->data);
  delete c;
}

int32_t MP4FReaderGetInfo(void *context, KRNReaderInfo *info, int32_t) {
  KS_LOG(KRN_TRACE_INFO, L"[Reader]\tMP4FReaderGetInfo\n");
  Mp4Context &c = *ctx(context);
  if (c.infoDone) {
    KRNReaderInfo kept = c.info;
    kept.adasBuffer = info->adasBuffer;
    kept.adasLength = info->adasLength;
    *info = kept;
    return 0;
  }
  clearTracks(c);
  info->container = KRN_CONTAINER_MP4;
  static const BoxRule kTopLevel[] = {{fourcc("AIDD"), onAidd},
                                      {fourcc("ftyp"), onFtyp},
                                      {fourcc("mdat"), onMdat},
                                      {fourcc("moof"), onMoof},
                                      {fourcc("moov"), onMoov}};
  Parser p{c, info};
  int32_t rc = walk(p, 0, c.fileSize, kTopLevel);
  c.parsePos = c.fileSize;
  // A recording cut short before its "moov" was written has nothing to play.
  if (rc == 0 && !c.sawMoov && !c.sawMoof) rc = KRNSTREAM_ERR_FORMAT;
  if (rc == 0) {
    fillInfo(c, info);
    if (info->duration == 0)
      info->duration = c.movieDurationMs;
    else
      c.movieDurationMs = info->duration;
    rc = bindTracks(c);
  }
  if (rc < 0) return rc;
  c.info = *info;
  c.infoDone = true;
  KS_LOG(KRN_TRACE_INFO, L"[Reader]\tMP4FReaderGetInfo End\n");
  return 0;
}

int32_t MP4FReaderReadFrame(void *context, KRNReaderFrame *frame) {
  return readFrameImpl(*ctx(context), frame, true);
}

int32_t MP4FReaderReadFrameInfo(void *context, KRNReaderFrame *frame) {
  return readFrameImpl(*ctx(context), frame, false);
}

uint8_t MP4FReaderSeekByTime(void *context, uint32_t *time, int32_t flag) {
  static const SeekStep kExact[] = {{KRN_MEDIA_AUDIO, kByTime, false},
                                    {KRN_MEDIA_VIDEO, kByTime, true},
                                    {KRN_MEDIA_TEXT, kByTime, false}};
  static const SeekStep kNearest[] = {{KRN_MEDIA_VIDEO, kSyncNearest, true},
                                      {KRN_MEDIA_AUDIO, kSyncNearest, false},
                                      {KRN_MEDIA_TEXT, kByTime, false}};
  return seekTracks(*ctx(context), time, flag ? kExact : kNearest, 3);
}

uint8_t MP4FReaderSeekByKeyFrame(void *context, uint32_t *time, int32_t flag) {
  const SeekStep steps[] = {{KRN_MEDIA_VIDEO, flag ? kSyncBefore : kByTime, true},
                            {KRN_MEDIA_AUDIO, kByTime, false},
                            {KRN_MEDIA_TEXT, kByTime, false}};
  return seekTracks(*ctx(context), time, steps, 3);
}

uint8_t MP4FReaderSeekBySubtitle(void *context, uint32_t *time, int32_t flag) {
  if (!ctx(context)->current[KRN_MEDIA_TEXT]) return 0;
  const SeekStep steps[] = {{KRN_MEDIA_TEXT, flag ? kSyncBefore : kByTime, true},
                            {KRN_MEDIA_AUDIO, kSyncNearest, false},
                            {KRN_MEDIA_VIDEO, kByTime, false}};
  return seekTracks(*ctx(context), time, steps, 3);
}

uint8_t MP4FReaderSeekByMedia(void *context, uint32_t *time, int32_t mediaType) {
  if (mediaType < KRN_MEDIA_VIDEO || mediaType > KRN_MEDIA_TEXT) return 0;
  const SeekStep step = {mediaType, kSyncBefore, true};
  return seekTracks(*ctx(context), time, &step, 1);
}

int32_t MP4FReaderChangeTrack(void *context, uint32_t track, uint32_t time, int32_t mediaType) {
  Mp4Context &c = *ctx(context);
  Track *t = trackFor(c, static_cast<uint32_t>(mediaType), track);
  if (!t || t == c.current[mediaType]) return 0;
  if (!positionTrack(c, *t, time, kByTime)) return 0;
  c.current[mediaType] = t;
  return 1;
}

}  // namespace

const KRNReaderFormatOps kMp4ReaderOps = {
    MP4FReaderOpen,
    nullptr,  // open (parameters)
    MP4FReaderClose,
    nullptr,
    MP4FReaderGetInfo,
    nullptr,  // start
    nullptr,  // make-index step
    nullptr,
    MP4FReaderReadFrame,
    MP4FReaderReadFrameInfo,
    MP4FReaderSeekByTime,
    MP4FReaderSeekByKeyFrame,
    MP4FReaderSeekBySubtitle,
    MP4FReaderSeekByMedia,
    MP4FReaderChangeTrack,
    nullptr,  // get status
    nullptr,  // set status
};
