// AVI reader: walks the RIFF chunks of a recording (with the OpenDML
// extensions) into stream records and delivers frames by the "idx1" or the
// OpenDML indexes, or, where a stream has no usable index, by scanning the
// "movi" data.
//
// Every chunk size, index count and offset read from the file is checked
// against the chunk that holds it and against the file size before it is
// used: index entries that point outside the file are dropped, and the
// entries read from an index are bounded by the chunk that holds them, so a
// hostile count cannot make the reader allocate or loop beyond the file.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "krnstream.h"
#include "krnstream_reader_ops.h"
#include "krnstream_seek_steps.h"
#include "krnstream_trace.h"

#define KS_MODULE L"KRNAVIR"
#define KS_SOURCE L"krnstream_avi_reader"

namespace {

// Four-character codes as they lie in the file, read little-endian.
constexpr uint32_t fourcc(const char (&s)[5]) {
  return KRNUTIL_FOURCC(s[0], s[1], s[2], s[3]);
}

constexpr uint32_t kKeyFlag = 0x10;  // AVIIF_KEYFRAME
constexpr uint32_t kIdx1Cache = 4096;
constexpr uint32_t kIdx1EntrySize = 16;
constexpr uint32_t kSuperEntrySize = 16;
constexpr uint32_t kStdEntrySize = 8;
constexpr uint32_t kStdIndexBatch = 10000;
constexpr uint32_t kIndexHeaderSize = 24;
constexpr uint32_t kResyncWindow = 2048;
constexpr uint32_t kMaxZeroChunks = 2048;
constexpr uint32_t kMaxDepth = 8;
constexpr uint32_t kStreamHeaderSize = 56;
constexpr uint32_t kStreamHeaderFields = 48;  // up to and including the sample size
constexpr uint32_t kBitmapHeaderSize = 40;
constexpr uint32_t kWaveHeaderSize = 16;
constexpr uint32_t kParseBaseOffset = 100;
constexpr uint32_t kKeySniffBytes = 4096;
constexpr uint32_t kMaxVideoFrame = 1048576;
constexpr uint32_t kMaxAudioSampled = 16384;
constexpr uint32_t kMaxAudioFrame = 8192;
constexpr uint32_t kWavePcm = 1;

uint16_t le16(const uint8_t *p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t le64(const uint8_t *p) {
  return static_cast<uint64_t>(le32(p)) | static_cast<uint64_t>(le32(p + 4)) << 32;
}

bool isDigit(uint8_t c) {
  return c >= '0' && c <= '9';
}
bool isAlnum(uint8_t c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Chunk ids of frames: the stream number in two digits, then the kind.
bool isStreamChunk(uint32_t id) {
  return isDigit(id & 0xFF) && isDigit(id >> 8 & 0xFF);
}
uint32_t streamNumberOf(uint32_t id) {
  return ((id & 0xFF) - '0') * 10 + ((id >> 8 & 0xFF) - '0');
}
bool isFrameKind(uint32_t id) {
  static const char *const kKinds[] = {"db", "dc", "wb", "sb", "tx"};
  for (const char *k : kKinds)
    if ((id >> 16 & 0xFF) == static_cast<uint8_t>(k[0]) && (id >> 24) == static_cast<uint8_t>(k[1]))
      return true;
  return false;
}
bool isStdIndexChunk(uint32_t id) {
  return (id & 0xFF) == 'i' && (id >> 8 & 0xFF) == 'x';
}

// What a frame's own bytes say about it being a key frame, for frames found
// without an index.
enum class KeyRule { kEveryFrame, kH264, kH265, kMpeg4 };

struct CodecKeyRule {
  uint32_t codec;
  KeyRule rule;
};

const CodecKeyRule kKeyRules[] = {
    {fourcc("H264"), KeyRule::kH264},  {fourcc("h264"), KeyRule::kH264},
    {fourcc("X264"), KeyRule::kH264},  {fourcc("x264"), KeyRule::kH264},
    {fourcc("AVC1"), KeyRule::kH264},  {fourcc("avc1"), KeyRule::kH264},
    {fourcc("DAVC"), KeyRule::kH264},  {fourcc("HEVC"), KeyRule::kH265},
    {fourcc("hevc"), KeyRule::kH265},  {fourcc("H265"), KeyRule::kH265},
    {fourcc("h265"), KeyRule::kH265},  {fourcc("HEV1"), KeyRule::kH265},
    {fourcc("hev1"), KeyRule::kH265},  {fourcc("hvc1"), KeyRule::kH265},
    {fourcc("XVID"), KeyRule::kMpeg4}, {fourcc("xvid"), KeyRule::kMpeg4},
    {fourcc("DIVX"), KeyRule::kMpeg4}, {fourcc("divx"), KeyRule::kMpeg4},
    {fourcc("DX50"), KeyRule::kMpeg4}, {fourcc("FMP4"), KeyRule::kMpeg4},
    {fourcc("MP4V"), KeyRule::kMpeg4}, {fourcc("mp4v"), KeyRule::kMpeg4},
};

KeyRule keyRuleFor(uint32_t codec) {
  for (const CodecKeyRule &r : kKeyRules)
    if (r.codec == codec) return r.rule;
  return KeyRule::kEveryFrame;
}

// Looks at the first coded picture of a frame in start-code form: an IDR
// slice (H.264), an IRAP picture (H.265) or an intra VOP (MPEG-4 Visual).
bool looksLikeKeyFrame(KeyRule rule, const uint8_t *p, uint32_t n) {
  if (rule == KeyRule::kEveryFrame) return true;
  for (uint32_t i = 0; i + 3 < n; ++i) {
    if (p[i] != 0 || p[i + 1] != 0 || p[i + 2] != 1) continue;
    uint8_t head = p[i + 3];
    if (rule == KeyRule::kH264) {
      uint8_t type = head & 0x1F;
      if (type == 5) return true;
      if (type >= 1 && type <= 4) return false;
    } else if (rule == KeyRule::kH265) {
      uint8_t type = head >> 1 & 0x3F;
      if (type >= 16 && type <= 23) return true;
      if (type < 32) return false;
    } else if (head == 0xB6) {
      return i + 4 < n && (p[i + 4] >> 6) == 0;
    }
  }
  return false;
}

struct IndexEntry {
  uint32_t flags;
  uint32_t offset;  // file position of the chunk header
  uint32_t size;
};

struct SuperEntry {
  uint64_t offset;  // file position of a standard index chunk
  uint32_t size;
  uint32_t duration;
};

// Read position of a stream. Plain data, so a seek that fails can put it back.
struct ReadState {
  uint32_t nextEntry;   // index entry of the next chunk
  uint32_t framesRead;  // time slots passed, the pending chunk's included
  uint64_t bytesDelivered;
  uint32_t pending;  // bytes of the located chunk not yet delivered
  uint32_t payloadPos;
  uint32_t scanPos;  // next chunk header when scanning "movi"
  uint8_t key;       // mark of the pending chunk; 0: decided from its bytes
};

// A time computed in floating point as an integer; a hostile header's scale
// and rate can put it beyond the integer's range, which is held at its ends.
template <typename T>
T clampTime(long double v) {
  if (!(v > 0)) return 0;  // NaN too
  if (v >= static_cast<long double>(std::numeric_limits<T>::max()))
    return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}

struct AviStream {
  KRNStreamBuf *data = nullptr;
  int32_t dataCursor = -1;
  int type = 0;
  uint32_t number = 0;  // position in "strl" order: the digits of its chunk ids
  uint32_t slot = 0;    // its description in the information record
  uint32_t codec = 0;
  uint32_t rate = 0, scale = 0, length = 0, sampleSize = 0, start = 0;
  std::vector<IndexEntry> entries;
  uint64_t indexBytes = 0;
  std::vector<SuperEntry> super;
  bool scanned = false;  // entries were gathered by scanning "movi"
  bool toldNoIndex = false;
  ReadState st{};

  // Milliseconds per unit of the stream's time base, and the start offset.
  long double unitMs() const { return static_cast<long double>(scale) * 1000 / rate; }
  uint64_t startMs() const {
    return clampTime<uint64_t>(static_cast<long double>(start) * 1000 * scale / rate);
  }
  int64_t msOf(uint64_t units) const {
    return clampTime<int64_t>(units * unitMs() + static_cast<long double>(startMs()));
  }
  // Time slots a chunk takes: an empty video or text chunk is a frame the
  // writer dropped and keeps its place, an empty audio chunk holds no sound.
  uint32_t slotsOf(uint32_t size) const { return type == KRN_MEDIA_AUDIO && size == 0 ? 0 : 1; }
};

// The "strh" whose "strf" is expected next.
struct StreamHeader {
  bool open = false;
  uint32_t number = 0;
  uint32_t type = 0;
  uint32_t scale = 0, rate = 0, start = 0, length = 0, suggested = 0, sampleSize = 0;
};

struct AviContext {
  KRNStreamBuf *stream = nullptr;
  int32_t parseCursor = -1;
  uint32_t fileSize = 0;
  uint32_t parseBase = 0;
  uint32_t microSecPerFrame = 0;
  bool haveMovi = false;
  uint32_t indexBase = 0;  // position of the first "movi" list type
  uint32_t moviData = 0;   // first chunk of the first "movi"
  std::vector<uint32_t> avixParts;
  bool haveIdx1 = false;
  uint32_t idx1Pos = 0;
  bool superIndex = false, indexComplete = false, odml = false, menu = false;
  std::vector<std::unique_ptr<AviStream>> streams;
  uint32_t headersSeen = 0;
  StreamHeader header;
  AviStream *described = nullptr;  // the stream of the last "strh", for its "indx"
  uint32_t junkSeen = 0;
  bool haveAdas = false;
  uint32_t adasPos = 0, adasSize = 0;
  uint32_t zeroChunks = 0;
  bool infoDone = false;
  KRNReaderInfo info{};
  std::vector<AviStream *> byType[4];
  AviStream *current[4] = {};
  std::vector<uint8_t> scratch;
};

// ---------------------------------------------------------------------------
// Reading helpers

bool readAt(AviContext &c, uint64_t pos, void *out, uint32_t len) {
  if (pos > c.fileSize || len > c.fileSize - pos) return false;
  if (KRNStreamBuf_Seek(c.stream, c.parseCursor, static_cast<uint32_t>(pos)) != 0) return false;
  return len == 0 ||
         KRNStreamBuf_ReadBuffer(c.stream, c.parseCursor, out, len) == static_cast<int32_t>(len);
}

// Reads through a stream's own data cursor.
bool readData(AviContext &c, AviStream &s, uint64_t pos, void *out, uint32_t len) {
  if (pos > c.fileSize || len > c.fileSize - pos) return false;
  if (KRNStreamBuf_Pos(s.data, s.dataCursor) != pos &&
      KRNStreamBuf_Seek(s.data, s.dataCursor, static_cast<uint32_t>(pos)) != 0)
    return false;
  return len == 0 ||
         KRNStreamBuf_ReadBuffer(s.data, s.dataCursor, out, len) == static_cast<int32_t>(len);
}

AviStream *streamByNumber(AviContext &c, uint32_t number) {
  for (auto &s : c.streams)
    if (s->number == number) return s.get();
  return nullptr;
}

// Each stream reads its chunks through a stream buffer of its own, so the
// streams of one file can be read in turn without disturbing each other. It
// is opened when the stream is first read or positioned: asking a file for
// its information alone costs no extra opens.
int32_t ensureDataStream(AviContext &c, AviStream &s) {
  if (s.data) return 0;
  int32_t rc = KRNStreamBuf_Dup(c.stream, &s.data);
  if (rc < 0) {
    KS_LOG_AS("AVIReaderOpen", KRN_TRACE_ERROR, L"AVIReaderOpen - KRNStreamBuf_Dup error!!!\n");
    s.data = nullptr;
    return rc;
  }
  rc = KRNStreamBuf_Index(s.data, &s.dataCursor, 0);
  if (rc < 0) {
    KS_LOG_AS("AVIReaderOpen", KRN_TRACE_ERROR, L"AVIReaderOpen - KRNStreamBuf_Index error!!!\n");
    KRNStreamBuf_Close(s.data);
    s.data = nullptr;
    s.dataCursor = -1;
    return rc;
  }
  return 0;
}

// Appends one frame of the index. Entries come in file order: one that does
// not lie behind the last, or that does not fit in the file, is dropped.
void AVIReaderAddStreamIndex(AviContext &c, AviStream &s, uint64_t offset, uint32_t size,
                             uint32_t flags) {
  if (offset + 8 + size > c.fileSize) return;
  if (!s.entries.empty() && offset <= s.entries.back().offset) return;
  s.entries.push_back({flags, static_cast<uint32_t>(offset), size});
  s.indexBytes += size;
}

// ---------------------------------------------------------------------------
// Chunk walking

struct Chunk {
  uint32_t id;
  uint32_t start;    // position of the header
  uint32_t payload;  // position of the payload
  uint32_t size;     // payload bytes inside the parent
  bool cut;          // the declared size ran past the parent
  uint32_t end() const { return payload + size; }
};

struct Walker {
  AviContext &c;
  KRNReaderInfo *info;
  bool wantIndex;
  uint32_t depth;
  bool stop;
};

using ChunkHandler = int32_t (*)(Walker &, const Chunk &);
struct ChunkRule {
  uint32_t id;
  ChunkHandler handler;
  bool mayBeCut;  // read as far as the parent holds it (lists, "idx1")
};

const ChunkRule *ruleFor(uint32_t id);

// Walks the chunks in [start, end). A handler returns 0 to go on, a positive
// value to end this level quietly and a negative code to fail the walk. A
// chunk that does not fit in its parent ends the level, except for lists and
// the "idx1", which a recording cut short leaves open: those are read as far
// as the parent goes.
int32_t walk(Walker &w, uint32_t start, uint32_t end) {
  uint32_t pos = start;
  while (!w.stop && pos <= end && end - pos >= 8) {
    uint8_t head[8];
    if (!readAt(w.c, pos, head, 8)) return 0;
    Chunk ch{le32(head), pos, pos + 8, le32(head + 4), false};
    if (ch.id == 0 && ch.size == 0) {
      if (++w.c.zeroChunks >= kMaxZeroChunks) w.stop = true;
      pos += 8;
      continue;
    }
    const ChunkRule *rule = ruleFor(ch.id);
    uint32_t room = end - ch.payload;
    bool openList = (ch.id == fourcc("RIFF") || ch.id == fourcc("LIST")) && ch.size == 0;
    if (ch.size > room || openList) {
      // A list whose size was never written runs to the end of its parent.
      if (!rule || !rule->mayBeCut) return 0;
      ch.size = room;
      ch.cut = true;
    }
    if (rule) {
      int32_t rc = rule->handler(w, ch);
      if (rc < 0) return rc;
      if (rc > 0) return 0;
    }
    if (ch.cut) return 0;
    uint64_t next = static_cast<uint64_t>(ch.end()) + (ch.size & 1);
    if (next > end) return 0;
    pos = static_cast<uint32_t>(next);
  }
  return 0;
}

int32_t walkInside(Walker &w, const Chunk &ch) {
  if (w.depth >= kMaxDepth) return 0;
  ++w.depth;
  int32_t rc = walk(w, ch.payload + 4, ch.end());
  --w.depth;
  return rc;
}

bool isAviForm(uint32_t form) {
  return form == fourcc("AVI ") || form == fourcc("AVIX") || form == fourcc("MENU");
}

int32_t onRiff(Walker &w, const Chunk &ch) {
  uint8_t form[4];
  if (ch.size < 4 || !readAt(w.c, ch.payload, form, 4)) return 0;
  if (!isAviForm(le32(form))) {
    KS_LOG_AS("AVIReaderGetInfo", KRN_TRACE_ERROR, L"AVIReaderOpen - File is not AVI\n");
    return KRNSTREAM_ERR_UNAVAILABLE;
  }
  return walkInside(w, ch);
}

// Moves the start of the frame data past the standard index chunks that an
// OpenDML writer may put at the front of "movi".
uint32_t skipLeadingStdIndexes(AviContext &c, uint32_t pos, uint32_t end) {
  while (pos <= end && end - pos >= 8) {
    uint8_t head[8];
    if (!readAt(c, pos, head, 8) || !isStdIndexChunk(le32(head))) break;
    uint64_t next = static_cast<uint64_t>(pos) + 8 + le32(head + 4) + (le32(head + 4) & 1);
    if (next > end) break;
    pos = static_cast<uint32_t>(next);
  }
  return pos;
}

int32_t onList(Walker &w, const Chunk &ch) {
  AviContext &c = w.c;
  uint8_t v[4];
  if (ch.size < 4 || !readAt(c, ch.payload, v, 4)) return 0;
  uint32_t type = le32(v);
  if (type == fourcc("hdrl") || type == fourcc("DMNU")) return walkInside(w, ch);
  if (type == fourcc("strl")) {
    if (c.menu) return 0;
    c.header = StreamHeader{};
    c.described = nullptr;
    int32_t rc = walkInside(w, ch);
    c.header.open = false;
    c.described = nullptr;
    return rc;
  }
  if (type == fourcc("odml")) {
    c.odml = true;
  } else if (type == fourcc("movi")) {
    if (!c.haveMovi) {
      c.haveMovi = true;
      c.indexBase = ch.payload;
      c.moviData = ch.payload + 4;
      if (c.superIndex) c.moviData = skipLeadingStdIndexes(c, c.moviData, ch.end());
    } else {
      c.avixParts.push_back(ch.payload);
    }
  }
  return 0;
}

int32_t onAvih(Walker &w, const Chunk &ch) {
  uint8_t v[4];
  if (ch.size >= 4 && readAt(w.c, ch.payload, v, 4)) w.c.microSecPerFrame = le32(v);
  return 0;
}

int32_t onMenu(Walker &w, const Chunk &) {
  w.c.menu = true;
  return 0;
}

int32_t onStrh(Walker &w, const Chunk &ch) {
  AviContext &c = w.c;
  StreamHeader &h = c.header;
  h = StreamHeader{};
  c.described = nullptr;
  h.number = c.headersSeen++;
  if (ch.size != kStreamHeaderSize)
    KS_LOG_AS("AVIReaderGetInfo", KRN_TRACE_ERROR,
              L"invalid StreamHeader size dwsize(%d) header(%d)\n", static_cast<int>(ch.size),
              static_cast<int>(kStreamHeaderSize));
  uint8_t d[kStreamHeaderFields];
  if (ch.size < kStreamHeaderFields || !readAt(c, ch.payload, d, kStreamHeaderFields)) return 0;
  h.type = le32(d);
  h.scale = le32(d + 20);
  h.rate = le32(d + 24);
  h.start = le32(d + 28);
  h.length = le32(d + 32);
  h.suggested = le32(d + 36);
  h.sampleSize = le32(d + 44);
  h.open = true;
  return 0;
}

AviStream *addStream(AviContext &c, int type, uint32_t slot) {
  const StreamHeader &h = c.header;
  c.streams.push_back(std::make_unique<AviStream>());
  AviStream *s = c.streams.back().get();
  s->type = type;
  s->number = h.number;
  s->slot = slot;
  s->rate = h.rate;
  s->scale = h.scale;
  s->length = h.length;
  s->sampleSize = h.sampleSize;
  s->start = h.start;
  c.described = s;
  return s;
}

int32_t describeVideo(Walker &w, const Chunk &ch) {
  AviContext &c = w.c;
  StreamHeader &h = c.header;
  KRNReaderInfo &info = *w.info;
  uint8_t d[kBitmapHeaderSize];
  if (info.videoCount >= KRN_READER_MAX_VIDEO || ch.size < kBitmapHeaderSize ||
      !readAt(c, ch.payload, d, kBitmapHeaderSize))
    return 0;
  uint32_t compression = le32(d + 16);
  if (compression == fourcc("DXSB")) return 0;  // subtitles as pictures: not a video stream
  if (h.rate == 0 || h.scale == 0) {
    if (c.microSecPerFrame) {
      h.scale = c.microSecPerFrame;
      h.rate = 1000000;
    } else {
      h.rate = 25;
      h.scale = 1;
    }
  }
  KRNUtilVideoInfo &v = info.video[info.videoCount];
  AviStream *s = addStream(c, KRN_MEDIA_VIDEO, info.videoCount++);
  s->codec = compression;
  int32_t width = static_cast<int32_t>(le32(d + 4));
  int32_t height = static_cast<int32_t>(le32(d + 8));  // negative for top-down pictures
  v.codec = compression;
  v.width = static_cast<uint32_t>(width < 0 ? -static_cast<int64_t>(width) : width);
  v.height = static_cast<uint32_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  v.bitsPerPixel = le16(d + 14);
  uint32_t extra = ch.size - kBitmapHeaderSize;
  if (extra > 0 && extra <= KRNUTIL_CONFIG_SIZE &&
      readAt(c, ch.payload + kBitmapHeaderSize, v.config, extra)) {
    v.configLength = extra;
  } else if (extra > KRNUTIL_CONFIG_SIZE) {
    KS_LOG_AS("AVIReaderGetInfo", KRN_TRACE_ERROR, L"codec configuration not usable. size(%d)\n",
              static_cast<int>(extra));
  }
  uint64_t frameRate = static_cast<uint64_t>(h.rate) * 1000 / h.scale;
  v.frameRate = static_cast<uint32_t>(std::min<uint64_t>(frameRate, UINT32_MAX));
  v.maxFrameSize = std::min(h.suggested, kMaxVideoFrame);
  v.frameCount = h.length;
  KS_LOG_AS("AVIReaderGetInfo", KRN_TRACE_INFO, L"video fourcc(%x : %ls)\n", compression,
            KRN_FourCC_String(compression, nullptr));
  return 0;
}

int32_t describeAudio(Walker &w, const Chunk &ch) {
  AviContext &c = w.c;
  StreamHeader &h = c.header;
  KRNReaderInfo &info = *w.info;
  uint8_t d[kWaveHeaderSize + 2];
  if (info.audioCount >= 1 || ch.size < kWaveHeaderSize ||
      !readAt(c, ch.payload, d, std::min<uint32_t>(ch.size, sizeof d)))
    return 0;
  if (h.rate == 0 || h.scale == 0) {
    h.rate = 25;
    h.scale = 1;
  }
  KRNUtilAudioInfo &a = info.audio;
  addStream(c, KRN_MEDIA_AUDIO, 0);
  info.audioCount = 1;
  a.codec = le16(d);
  a.channels = le16(d + 2);
  a.sampleRate = le32(d + 4);
  a.bitRate =
      static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(le32(d + 8)) * 8, UINT32_MAX));
  a.blockAlign = le16(d + 12);
  a.bitsPerSample = le16(d + 14);
  a.sampleSize = h.sampleSize;
  if (ch.size >= kWaveHeaderSize + 2) {
    uint32_t extra = le16(d + 16);
    if (extra > 0 && extra <= KRNUTIL_CONFIG_SIZE && extra <= ch.size - kWaveHeaderSize - 2 &&
        readAt(c, ch.payload + kWaveHeaderSize + 2, a.config, extra))
      a.configLength = extra;
  }
  uint32_t largest = h.suggested;
  if (h.sampleSize) largest = std::min(largest, kMaxAudioSampled);
  if (a.codec != kWavePcm) largest = std::min(largest, kMaxAudioFrame);
  a.maxFrameSize = largest;
  a.present = 1;
  a.frameCount = h.length;
  return 0;
}

int32_t describeText(Walker &w, const Chunk &) {
  AviContext &c = w.c;
  StreamHeader &h = c.header;
  KRNReaderInfo &info = *w.info;
  if (info.textCount >= KRN_READER_MAX_TEXT) return 0;
  if (h.rate == 0 || h.scale == 0) {
    h.rate = 25;
    h.scale = 1;
  }
  KRNReaderTextInfo &t = info.text[info.textCount];
  addStream(c, KRN_MEDIA_TEXT, info.textCount++);
  t.sampleCount = h.length;  // bounded by the file in finishStreams
  // Callers size their buffers by it: held to what a video frame may claim.
  t.maxSampleSize = std::min(h.suggested, kMaxVideoFrame);
  return 0;
}

struct StreamKind {
  uint32_t type;
  int32_t (*describe)(Walker &, const Chunk &);
};

const StreamKind kStreamKinds[] = {
    {fourcc("vids"), describeVideo},
    {fourcc("auds"), describeAudio},
    {fourcc("txts"), describeText},
    // "iavs", "ivas", "pads" and anything else are not read.
};

int32_t onStrf(Walker &w, const Chunk &ch) {
  StreamHeader &h = w.c.header;
  if (!h.open) return 0;
  h.open = false;  // one description per header
  for (const StreamKind &k : kStreamKinds)
    if (k.type == h.type) return k.describe(w, ch);
  return 0;
}

// "indx": the OpenDML super index of the stream whose header came last.
int32_t AVIReaderReadStreamIndex(Walker &w, const Chunk &ch) {
  AviContext &c = w.c;
  AviStream *s = c.described;
  uint8_t d[kIndexHeaderSize];
  if (!w.wantIndex || !s || ch.size < kIndexHeaderSize ||
      !readAt(c, ch.payload, d, kIndexHeaderSize))
    return 0;
  uint8_t subType = d[2];
  uint8_t indexType = d[3];
  uint32_t inUse = le32(d + 4);
  if (indexType == 0) {
    if (subType != 0 && subType != 1) {
      KS_LOG(KRN_TRACE_INFO,
             L"[Reader] AVIReaderReadStreamIndex - Super Index's sub-type is not valid.\n");
      return 0;
    }
    // The count is bounded by the entries the chunk can hold.
    const uint32_t count = std::min(inUse, (ch.size - kIndexHeaderSize) / kSuperEntrySize);
    const uint32_t first = ch.payload + kIndexHeaderSize;
    for (uint32_t done = 0; done < count;) {
      uint32_t n = std::min(count - done, kStdIndexBatch);
      c.scratch.resize(static_cast<size_t>(n) * kSuperEntrySize);
      if (!readAt(c, first + done * kSuperEntrySize, c.scratch.data(), n * kSuperEntrySize)) break;
      for (uint32_t i = 0; i < n; ++i) {
        const uint8_t *e = c.scratch.data() + static_cast<size_t>(i) * kSuperEntrySize;
        s->super.push_back({le64(e), le32(e + 8), le32(e + 12)});
      }
      done += n;
    }
    // A super index that lists nothing (a recording never finished) does not
    // stand in for an "idx1".
    if (!s->super.empty()) c.superIndex = true;
    return 0;
  }
  if (indexType == 1) {
    KS_LOG(KRN_TRACE_INFO, L"AVIReaderReadStreamIndex - Index Type is AVI_INDEX_OF_CHUNKS\n");
    if (subType != 1)
      KS_LOG(KRN_TRACE_INFO,
             L"[Reader] AVIReaderReadStreamIndex - Field Index's sub-type is not valid.\n");
  } else if (indexType == 0x80) {
    KS_LOG(KRN_TRACE_INFO,
           L"[Reader] AVIReaderReadStreamIndex - Index Type is AVI_INDEX_IS_DATA\n");
  } else {
    KS_LOG(KRN_TRACE_INFO,
           L"[Reader] AVIReaderReadStreamIndex - Not-supported/Unknown Sub type defined.\n");
  }
  return 0;
}

// "idx1": one 16-byte entry per chunk of the first RIFF.
int32_t AVIReaderReadIndex(Walker &w, const Chunk &ch) {
  AviContext &c = w.c;
  if (c.haveIdx1) return 0;
  c.haveIdx1 = true;
  c.idx1Pos = ch.start;
  if (!w.wantIndex || c.superIndex) return 0;
  int32_t cursor = -1;
  int32_t rc = KRNStreamBuf_Index(c.stream, &cursor, kIdx1Cache);
  if (rc < 0) return rc;
  rc = KRNStreamBuf_Seek(c.stream, cursor, ch.payload);
  if (rc < 0) {
    KRNStreamBuf_Release(c.stream, cursor);
    return rc;
  }
  bool complete = !ch.cut;
  bool relative = true;
  uint32_t count = ch.size / kIdx1EntrySize;
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t e[kIdx1EntrySize];
    if (KRNStreamBuf_ReadBuffer(c.stream, cursor, e, kIdx1EntrySize) !=
        static_cast<int32_t>(kIdx1EntrySize)) {
      complete = false;
      break;
    }
    uint32_t id = le32(e), flags = le32(e + 4), offset = le32(e + 8), size = le32(e + 12);
    if (i == 0) {
      // Writers differ: offsets count from the "movi" list type, or from the
      // start of the file. The first chunk tells which.
      relative = offset < 9;
      if (!relative)
        KS_LOG(KRN_TRACE_ERROR, L"index position start at file start position pos(%d)\n",
               static_cast<int>(offset));
    }
    if (!isStreamChunk(id) || !isFrameKind(id)) continue;
    AviStream *s = streamByNumber(c, streamNumberOf(id));
    if (!s) continue;
    uint64_t at = static_cast<uint64_t>(offset) + (relative ? c.indexBase : 0);
    AVIReaderAddStreamIndex(c, *s, at, size, flags);
  }
  KRNStreamBuf_Release(c.stream, cursor);
  c.indexComplete = complete;
  return 0;
}

int32_t onJunk(Walker &w, const Chunk &ch) {
  AviContext &c = w.c;
  if (++c.junkSeen != 2) return 0;
  uint8_t tag[4];
  if (ch.size >= 4 && readAt(c, ch.payload, tag, 4) && !memcmp(tag, "ADAS", 4)) {
    c.haveAdas = true;
    c.adasPos = ch.payload;
    c.adasSize = ch.size;
  }
  return 0;
}

const ChunkRule kChunkRules[] = {
    {fourcc("RIFF"), onRiff, true},
    {fourcc("LIST"), onList, true},
    {fourcc("avih"), onAvih, false},
    {fourcc("MENU"), onMenu, false},
    {fourcc("strh"), onStrh, false},
    {fourcc("strf"), onStrf, false},
    {fourcc("indx"), AVIReaderReadStreamIndex, false},
    {fourcc("idx1"), AVIReaderReadIndex, true},
    {fourcc("JUNK"), onJunk, false},
};

const ChunkRule *ruleFor(uint32_t id) {
  for (const ChunkRule &r : kChunkRules)
    if (r.id == id) return &r;
  return nullptr;
}

// ---------------------------------------------------------------------------
// OpenDML standard indexes

int32_t AVIReaderReadStdIndex(AviContext &c) {
  std::vector<uint8_t> batch;
  for (auto &sp : c.streams) {
    AviStream &s = *sp;
    uint64_t lastEnd = 0;
    for (const SuperEntry &e : s.super) {
      // Standard indexes follow each other through the file; one that lies
      // outside it, or inside the one before, is dropped.
      if (e.offset < lastEnd || e.offset > c.fileSize || c.fileSize - e.offset < 32) continue;
      uint8_t d[32];
      if (!readAt(c, e.offset, d, sizeof d)) return KRNSTREAM_ERR_READ;
      uint32_t chunkSize = le32(d + 4);
      uint32_t inUse = le32(d + 12);
      uint32_t chunkId = le32(d + 16);
      uint64_t base = le64(d + 20);
      if (le32(d + 28) != 0) {
        KS_LOG(KRN_TRACE_ERROR, L"[Reaser] AVIReaderReadStdIndex - Standard Index is not valid.\n");
        return KRNSTREAM_ERR_UNAVAILABLE;
      }
      lastEnd = e.offset + 8 + chunkSize;
      uint32_t kind = chunkId >> 16;
      if (kind != ('d' | 'b' << 8) && kind != ('w' | 'b' << 8) && kind != ('d' | 'c' << 8))
        continue;
      uint64_t entries = e.offset + 32;
      uint64_t chunkEnd = std::min<uint64_t>(lastEnd, c.fileSize);
      uint64_t room = chunkEnd > entries ? (chunkEnd - entries) / kStdEntrySize : 0;
      uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(inUse, room));
      for (uint32_t done = 0; done < count;) {
        uint32_t n = std::min(count - done, kStdIndexBatch);
        batch.resize(static_cast<size_t>(n) * kStdEntrySize);
        if (!readAt(c, entries + static_cast<uint64_t>(done) * kStdEntrySize, batch.data(),
                    n * kStdEntrySize))
          return KRNSTREAM_ERR_READ;
        for (uint32_t i = 0; i < n; ++i) {
          const uint8_t *p = batch.data() + static_cast<size_t>(i) * kStdEntrySize;
          uint64_t payload = base + le32(p);
          uint32_t size = le32(p + 4);
          if (payload < 8) continue;
          AVIReaderAddStreamIndex(c, s, payload - 8, size & 0x7FFFFFFF,
                                  (size & 0x80000000u) ? 0 : kKeyFlag);
        }
        done += n;
      }
    }
    s.super.clear();
    s.super.shrink_to_fit();
  }
  c.indexComplete = true;
  return 0;
}

// Frames (or samples, for streams with a sample size) the index holds.
uint32_t AVIReaderGetStreamSize(AviStream &s) {
  uint64_t units = s.sampleSize ? s.indexBytes / s.sampleSize : s.entries.size();
  uint32_t length = static_cast<uint32_t>(std::min<uint64_t>(units, UINT32_MAX));
  KS_LOG(KRN_TRACE_INFO, L"AVIReaderGetStreamSize index(%d) size(%d) cnt(%d) entry(%d)\n",
         static_cast<int>(s.number), static_cast<int>(s.indexBytes),
         static_cast<int>(s.entries.size()), static_cast<int>(length));
  return length;
}

// ---------------------------------------------------------------------------
// Locating chunks

bool usesIndex(const AviContext &c, const AviStream &s) {
  return s.scanned || (c.indexComplete && !s.entries.empty());
}

struct Located {
  uint32_t pos;  // chunk header
  uint32_t size;
  uint32_t next;  // header of the chunk after it
};

bool plausibleChunk(AviContext &c, const uint8_t *h, uint64_t pos) {
  uint32_t id = le32(h);
  uint64_t room = c.fileSize - pos;
  if (id == fourcc("RIFF") || id == fourcc("LIST")) return room >= 12;
  bool known = id == fourcc("JUNK") || id == fourcc("idx1") ||
               (isStdIndexChunk(id) && isDigit(id >> 16 & 0xFF) && isDigit(id >> 24));
  bool frame = isStreamChunk(id) && isAlnum(id >> 16 & 0xFF) && isAlnum(id >> 24);
  return (known || frame) && room >= 8 + static_cast<uint64_t>(le32(h + 4));
}

// After an id that is no chunk, looks for the next plausible chunk header
// within the window that follows.
bool resync(AviContext &c, AviStream &s, uint32_t &pos) {
  uint64_t from = static_cast<uint64_t>(pos) + 1;
  if (from >= c.fileSize) return false;
  uint32_t len = static_cast<uint32_t>(std::min<uint64_t>(kResyncWindow + 7, c.fileSize - from));
  c.scratch.resize(len);
  if (!readData(c, s, from, c.scratch.data(), len)) return false;
  for (uint32_t k = 0; k < kResyncWindow && k + 8 <= len; ++k) {
    if (plausibleChunk(c, c.scratch.data() + k, from + k)) {
      pos = static_cast<uint32_t>(from + k);
      return true;
    }
  }
  return false;
}

// Finds the next chunk of the stream in the "movi" data from pos on: lists
// and RIFF parts are entered, indexes and padding skipped, other streams'
// chunks passed over.
int32_t scanNext(AviContext &c, AviStream &s, uint32_t pos, Located &out) {
  for (;;) {
    if (pos > c.fileSize || c.fileSize - pos < 8) return KRNSTREAM_ERR_EOD;
    uint8_t h[12];
    if (!readData(c, s, pos, h, 8)) return KRNSTREAM_ERR_EOD;
    uint32_t id = le32(h), size = le32(h + 4);
    uint64_t next = static_cast<uint64_t>(pos) + 8 + size + (size & 1);
    if (id == fourcc("RIFF")) {
      pos += 12;
      continue;
    }
    if (id == fourcc("LIST")) {
      if (c.fileSize - pos < 12 || !readData(c, s, pos + 8, h + 8, 4)) return KRNSTREAM_ERR_EOD;
      uint32_t type = le32(h + 8);
      if (type == fourcc("movi") || type == fourcc("rec ")) {
        pos += 12;
        continue;
      }
    } else if (isStreamChunk(id) && isFrameKind(id)) {
      if (static_cast<uint64_t>(pos) + 8 + size > c.fileSize) return KRNSTREAM_ERR_EOD;
      if (streamNumberOf(id) == s.number) {
        out = {pos, size, static_cast<uint32_t>(std::min<uint64_t>(next, c.fileSize))};
        return 0;
      }
    } else if (!isStreamChunk(id) && id != fourcc("JUNK") && id != fourcc("idx1") &&
               !isStdIndexChunk(id)) {
      uint32_t at = pos;
      if (!resync(c, s, at)) {
        KS_LOG_AS("AVIReaderReadFrame", KRN_TRACE_ERROR,
                  L"no chunk found after unknown id(%x) pos(%x)\n", id, pos);
        return KRNSTREAM_ERR_UNAVAILABLE;
      }
      KS_LOG_AS("AVIReaderReadFrame", KRN_TRACE_INFO, L"resynchronised pos(%x) -> (%x)\n", pos, at);
      pos = at;
      continue;
    }
    if (next > c.fileSize) return KRNSTREAM_ERR_EOD;
    pos = static_cast<uint32_t>(next);
  }
}

// Key mark of a frame found without an index, from its first bytes.
uint8_t sniffKey(AviContext &c, AviStream &s, uint32_t payload, uint32_t size) {
  KeyRule rule = s.type == KRN_MEDIA_VIDEO ? keyRuleFor(s.codec) : KeyRule::kEveryFrame;
  if (rule == KeyRule::kEveryFrame) return KRN_FRAME_KEY;
  uint32_t n = std::min(size, kKeySniffBytes);
  c.scratch.resize(n);
  if (!readData(c, s, payload, c.scratch.data(), n)) return KRN_FRAME_OTHER;
  return looksLikeKeyFrame(rule, c.scratch.data(), n) ? KRN_FRAME_KEY : KRN_FRAME_OTHER;
}

// Puts the next chunk of the stream up as pending. Chunks of no bytes
// deliver nothing (see slotsOf for their place in time).
int32_t locateNext(AviContext &c, AviStream &s) {
  ReadState &st = s.st;
  if (usesIndex(c, s)) {
    while (st.nextEntry < s.entries.size()) {
      const IndexEntry &e = s.entries[st.nextEntry++];
      st.framesRead += s.slotsOf(e.size);
      uint8_t h[8];
      if (!readData(c, s, e.offset, h, 8)) return KRNSTREAM_ERR_EOD;
      uint32_t id = le32(h), size = le32(h + 4);
      if (!isStreamChunk(id) || streamNumberOf(id) != s.number) {
        KS_LOG_AS("AVIReaderReadFrame", KRN_TRACE_ERROR,
                  L"index entry does not point at stream(%d) pos(%x)\n", static_cast<int>(s.number),
                  e.offset);
        continue;
      }
      if (static_cast<uint64_t>(e.offset) + 8 + size > c.fileSize) return KRNSTREAM_ERR_EOD;
      if (size == 0) continue;
      st.pending = size;
      st.payloadPos = e.offset + 8;
      st.key = (e.flags & kKeyFlag) ? KRN_FRAME_KEY : KRN_FRAME_OTHER;
      return 0;
    }
    return KRNSTREAM_ERR_EOD;
  }
  if (s.entries.empty() && !s.toldNoIndex) {
    KS_LOG_AS("AVIReaderReadFrame", KRN_TRACE_INFO, L"pIndex is NULL!\n");
    s.toldNoIndex = true;
  }
  for (;;) {
    Located found{};
    int32_t rc = scanNext(c, s, st.scanPos, found);
    if (rc < 0) return rc;
    st.scanPos = found.next;
    ++st.nextEntry;  // the place this chunk takes in an index built by a later scan
    st.framesRead += s.slotsOf(found.size);
    if (found.size == 0) continue;
    st.pending = found.size;
    st.payloadPos = found.pos + 8;
    st.key = s.type == KRN_MEDIA_VIDEO ? 0 : KRN_FRAME_KEY;
    return 0;
  }
}

// Gives a stream without a usable index one, by scanning "movi" once; seeks
// need to know where every frame lies.
int32_t ensureIndex(AviContext &c, AviStream &s) {
  if (usesIndex(c, s)) return 0;
  if (int32_t rc = ensureDataStream(c, s)) return rc;
  s.entries.clear();
  s.indexBytes = 0;
  Located found{};
  for (uint32_t pos = c.haveMovi ? c.moviData : c.fileSize; scanNext(c, s, pos, found) == 0;
       pos = found.next) {
    uint8_t key = found.size ? sniffKey(c, s, found.pos + 8, found.size) : KRN_FRAME_OTHER;
    s.entries.push_back({key == KRN_FRAME_KEY ? kKeyFlag : 0, found.pos, found.size});
    s.indexBytes += found.size;
  }
  s.scanned = true;
  return 0;
}

AviStream *streamFor(AviContext &c, uint32_t type, uint32_t track) {
  if (type < KRN_MEDIA_VIDEO || type > KRN_MEDIA_TEXT || track >= c.byType[type].size())
    return nullptr;
  return c.byType[type][track];
}

// ---------------------------------------------------------------------------
// Seeking (AVIReaderGetSeekPos)

enum SeekMode { kKeyBefore = 1, kByTime = 2, kKeyNearest = 3 };

const wchar_t *typeName(int type) {
  return type == KRN_MEDIA_VIDEO ? L"VIDEO" : type == KRN_MEDIA_AUDIO ? L"AUDIO" : L"TEXT";
}

// Picks the key frame for a frame number: the nearest one (the later one at
// equal distance), or the one at or before it.
uint32_t keyFrameNear(const AviStream &s, uint32_t frame, int mode) {
  const auto &e = s.entries;
  int64_t next = -1, prev = -1;
  for (size_t i = frame; i < e.size(); ++i)
    if (e[i].flags & kKeyFlag) {
      next = static_cast<int64_t>(i);
      break;
    }
  for (int64_t i = frame; i >= 0; --i)
    if (e[static_cast<size_t>(i)].flags & kKeyFlag) {
      prev = i;
      break;
    }
  KS_LOG_AS("AVIReaderGetSeekPos", KRN_TRACE_DEBUG, L"AVIReaderSeekStreamPos(%d) - Next=%d\n",
            static_cast<int>(s.number), static_cast<int>(next));
  KS_LOG_AS("AVIReaderGetSeekPos", KRN_TRACE_DEBUG, L"AVIReaderSeekStreamPos(%d) - Prev=%d\n",
            static_cast<int>(s.number), static_cast<int>(prev));
  if (mode == kKeyBefore) {
    if (prev >= 0) return static_cast<uint32_t>(prev);
    return next >= 0 ? static_cast<uint32_t>(next) : frame;
  }
  if (prev >= 0 && next >= 0)
    return static_cast<uint32_t>(frame - prev < next - frame ? prev : next);
  if (prev >= 0) return static_cast<uint32_t>(prev);
  return next >= 0 ? static_cast<uint32_t>(next) : frame;
}

// Positions a stream on the frame the mode picks for timeMs and writes that
// frame's time back.
bool AVIReaderGetSeekPos(AviContext &c, AviStream &s, uint32_t &timeMs, int mode) {
  if (ensureIndex(c, s) < 0 || s.entries.empty()) return false;
  const uint32_t count = static_cast<uint32_t>(s.entries.size());
  const uint64_t startMs = s.startMs();
  const long double rel = timeMs > startMs ? static_cast<long double>(timeMs - startMs) : 0;
  const long double units = rel / s.unitMs();
  ReadState st{};
  uint64_t reachedUnits = 0;
  if (s.sampleSize) {
    // The chunk that holds the sample at that time.
    uint64_t target = clampTime<uint64_t>(units), samples = 0;
    uint32_t i = 0;
    for (; i < count; ++i) {
      uint64_t inChunk = s.entries[i].size / s.sampleSize;
      if (samples + inChunk > target) break;
      samples += inChunk;
      st.bytesDelivered += s.entries[i].size;
    }
    st.nextEntry = st.framesRead = i;
    reachedUnits = st.bytesDelivered / s.sampleSize;
  } else if (s.type == KRN_MEDIA_AUDIO) {
    // The chunk of that frame; empty chunks take no time.
    const uint64_t frame = clampTime<uint64_t>(units);
    uint32_t i = 0, slots = 0;
    for (; i < count; ++i) {
      if (!s.slotsOf(s.entries[i].size)) continue;
      if (slots == frame) break;
      ++slots;
    }
    st.nextEntry = i;
    st.framesRead = slots;
    reachedUnits = slots;
  } else {
    // Video and text chunks take one slot each, empty or not.
    uint64_t frame = clampTime<uint64_t>(units);
    if (s.type == KRN_MEDIA_VIDEO) frame = std::min<uint64_t>(frame, count - 1);
    uint32_t chosen = static_cast<uint32_t>(std::min<uint64_t>(frame, count));
    if (mode != kByTime && chosen < count) chosen = keyFrameNear(s, chosen, mode);
    st.nextEntry = st.framesRead = chosen;
    reachedUnits = chosen;
  }
  s.st = st;
  timeMs = static_cast<uint32_t>(s.msOf(reachedUnits));
  uint32_t pos = st.nextEntry < count ? s.entries[st.nextEntry].offset : c.fileSize;
  KS_LOG_AS("AVIReaderGetSeekPos", KRN_TRACE_DEBUG, L"AVI SEEK %ls(%d) pos=%x cts=%d \n",
            typeName(s.type), static_cast<int>(st.nextEntry), pos, static_cast<int>(timeMs));
  return true;
}

// Positions the current stream of each type in turn; followers take the time
// the lead stream reached. When one fails, those already moved go back.
bool seekStreams(AviContext &c, uint32_t *time, const SeekStep *steps, size_t count) {
  if (!seekInTurn(
          c.current, time, steps, count,
          [&c](AviStream &s, uint32_t &at, int mode) {
            return AVIReaderGetSeekPos(c, s, at, mode);
          },
          [](const AviStream &s) { return s.st; },
          [](AviStream &s, const ReadState &saved) { s.st = saved; }))
    return false;
  KS_LOG_AS("AVIReaderSeekByTime", KRN_TRACE_DEBUG, L"cts=%d \n", static_cast<int>(*time));
  return true;
}

// ---------------------------------------------------------------------------
// Information

void finishStreams(AviContext &c, KRNReaderInfo *info) {
  uint64_t total = 0;
  for (auto &sp : c.streams) {
    AviStream &s = *sp;
    if (s.length == 0) s.length = AVIReaderGetStreamSize(s);
    // A header may claim any count. No stream holds more frames than the
    // file has chunk headers (8 bytes each), nor more samples than bytes.
    uint32_t most = s.sampleSize ? c.fileSize / s.sampleSize : c.fileSize / 8;
    if (s.length > most) {
      KS_LOG_AS("AVIReaderGetInfo", KRN_TRACE_ERROR, L"stream %d length %u cut to %u\n",
                static_cast<int>(s.number), s.length, most);
      s.length = most;
    }
    // The length counts the stream's units: frames, or samples when the
    // stream has a sample size.
    uint64_t durationMs = clampTime<uint64_t>(s.length * s.unitMs());
    uint32_t duration = static_cast<uint32_t>(std::min<uint64_t>(durationMs, UINT32_MAX));
    if (s.type == KRN_MEDIA_VIDEO) {
      info->video[s.slot].duration = duration;
      info->video[s.slot].frameCount = s.length;
    } else if (s.type == KRN_MEDIA_AUDIO) {
      info->audio.duration = duration;
      info->audio.frameCount = s.length;
    } else {
      info->text[s.slot].sampleCount = s.length;
    }
    total = std::max<uint64_t>(total, duration);
    s.st = ReadState{};
    s.st.scanPos = c.haveMovi ? c.moviData : c.fileSize;
    c.byType[s.type].push_back(&s);
    if (!c.current[s.type]) c.current[s.type] = &s;
  }
  info->duration = static_cast<uint32_t>(total);
}

void copyAdas(AviContext &c, KRNReaderInfo *info) {
  if (!c.haveAdas || !info->adasBuffer || !info->adasLength) return;
  readAt(c, c.adasPos, info->adasBuffer, std::min(c.adasSize, info->adasLength));
}

// Where the walk starts: the value at file offset 100, when a list or RIFF
// part lies there; files laid out the usual way hold a stream header id at
// that offset, and are walked from the start.
uint32_t parseStart(AviContext &c) {
  uint8_t v[4], id[4];
  if (!readAt(c, kParseBaseOffset, v, 4)) return 0;
  uint32_t base = le32(v);
  if (base == 0 || base > c.fileSize || c.fileSize - base < 12 || !readAt(c, base, id, 4)) return 0;
  return le32(id) == fourcc("RIFF") || le32(id) == fourcc("LIST") ? base : 0;
}

// Forgets what an earlier, failed walk gathered.
void resetParse(AviContext &c) {
  AviContext fresh;
  fresh.stream = c.stream;
  fresh.parseCursor = c.parseCursor;
  fresh.fileSize = c.fileSize;
  fresh.parseBase = c.parseBase;
  c = std::move(fresh);
}

// ---------------------------------------------------------------------------
// Operations bound into the reader handle

AviContext *ctx(void *p) {
  return static_cast<AviContext *>(p);
}

int32_t AVIReaderOpen(void **context, KRNStreamBuf *stream) {
  auto *c = new (std::nothrow) AviContext;
  if (!c) return KRNSTREAM_ERR_NOMEM;
  c->stream = stream;
  c->fileSize = KRNStreamBuf_Size(stream);
  int32_t rc = KRNStreamBuf_Index(stream, &c->parseCursor, 0);
  if (rc < 0) {
    delete c;
    return rc;
  }
  uint8_t head[12];
  if (readAt(*c, 0, head, sizeof head) && !memcmp(head, "RIFF", 4) && !isAviForm(le32(head + 8))) {
    KS_LOG(KRN_TRACE_ERROR, L"AVIReaderOpen - File is not AVI\n");
    KRNStreamBuf_Release(stream, c->parseCursor);
    delete c;
    return KRNSTREAM_ERR_UNAVAILABLE;
  }
  c->parseBase = parseStart(*c);
  KRNStreamBuf_Seek(stream, c->parseCursor, c->parseBase);
  *context = c;
  return 0;
}

void AVIReaderClose(void *context) {
  AviContext *c = ctx(context);
  if (!c) return;
  for (auto &s : c->streams) KRNStreamBuf_Close(s->data);
  KRNStreamBuf_Release(c->stream, c->parseCursor);
  delete c;
}

// The record is filled in the context first and handed out whole, with the
// caller's own "ADAS" buffer fields; a second call hands out the same.
int32_t AVIReaderGetInfo(void *context, KRNReaderInfo *info, int32_t indexFlag) {
  AviContext &c = *ctx(context);
  if (!c.infoDone) {
    resetParse(c);
    c.info.container = KRN_CONTAINER_AVI;
    Walker w{c, &c.info, indexFlag != 0, 0, false};
    int32_t rc = walk(w, c.parseBase, c.fileSize);
    if (rc == 0 && w.wantIndex && c.superIndex) rc = AVIReaderReadStdIndex(c);
    if (rc < 0) return rc;
    finishStreams(c, &c.info);
    KS_LOG(KRN_TRACE_INFO, L"streams(%d) odml(%d) parts(%d) idx1(%x) index complete(%d)\n",
           static_cast<int>(c.streams.size()), c.odml ? 1 : 0,
           static_cast<int>(c.avixParts.size() + (c.haveMovi ? 1 : 0)), c.idx1Pos,
           c.indexComplete ? 1 : 0);
    c.infoDone = true;
  }
  KRNReaderInfo out = c.info;
  out.adasBuffer = info->adasBuffer;
  out.adasLength = info->adasLength;
  *info = out;
  copyAdas(c, info);
  return 0;
}

int32_t AVIReaderReadFrame(void *context, KRNReaderFrame *f) {
  AviContext &c = *ctx(context);
  AviStream *s = streamFor(c, f->mediaType, f->track);
  if (!s) {
    uint32_t total = f->mediaType >= KRN_MEDIA_VIDEO && f->mediaType <= KRN_MEDIA_TEXT
                         ? static_cast<uint32_t>(c.byType[f->mediaType].size())
                         : 0;
    KS_LOG(KRN_TRACE_INFO, L"AVIReaderReadFrame can not find stream idx req(%d) total(%d)\n",
           static_cast<int>(f->track), static_cast<int>(total));
    f->size = 0;
    return 0;
  }
  if (int32_t rc = ensureDataStream(c, *s)) return rc;
  ReadState &st = s->st;
  if (st.pending == 0) {
    int32_t rc = locateNext(c, *s);
    if (rc < 0) return rc;
  }
  if (st.pending > f->capacity || !f->data) {
    f->capacity = st.pending;
    return KRNSTREAM_ERR_OVERFLOW;
  }
  if (!readData(c, *s, st.payloadPos, f->data, st.pending)) return KRNSTREAM_ERR_EOD;
  if (s->sampleSize) {
    f->time = s->msOf(st.bytesDelivered / s->sampleSize);
    f->duration = clampTime<uint32_t>(st.pending / s->sampleSize * s->unitMs());
  } else {
    f->time = s->msOf(st.framesRead - 1);
    f->duration = clampTime<uint32_t>(s->unitMs());
  }
  f->keyFrame =
      st.key
          ? st.key
          : (looksLikeKeyFrame(keyRuleFor(s->codec), f->data, std::min(st.pending, kKeySniffBytes))
                 ? KRN_FRAME_KEY
                 : KRN_FRAME_OTHER);
  f->size = st.pending;
  st.bytesDelivered += st.pending;
  st.pending = 0;
  return 0;
}

// Whatever the flag, video goes to the key frame nearest the time, where
// decoding can start, and the other streams follow to the time it reached.
uint8_t AVIReaderSeekByTime(void *context, uint32_t *time, int32_t) {
  static const SeekStep kNearest[] = {{KRN_MEDIA_VIDEO, kKeyNearest, true},
                                      {KRN_MEDIA_AUDIO, kByTime, false},
                                      {KRN_MEDIA_TEXT, kByTime, false}};
  return seekStreams(*ctx(context), time, kNearest, 3);
}

uint8_t AVIReaderSeekByKeyFrame(void *context, uint32_t *time, int32_t flag) {
  const SeekStep steps[] = {{KRN_MEDIA_VIDEO, flag ? kKeyBefore : kByTime, true},
                            {KRN_MEDIA_AUDIO, kByTime, false},
                            {KRN_MEDIA_TEXT, kByTime, false}};
  return seekStreams(*ctx(context), time, steps, 3);
}

uint8_t AVIReaderSeekByMedia(void *context, uint32_t *time, int32_t mediaType) {
  if (mediaType < KRN_MEDIA_VIDEO || mediaType > KRN_MEDIA_TEXT) return 0;
  const SeekStep step = {mediaType, kKeyBefore, true};
  return seekStreams(*ctx(context), time, &step, 1);
}

int32_t AVIReaderChangeTrack(void *context, uint32_t track, uint32_t time, int32_t mediaType) {
  AviContext &c = *ctx(context);
  AviStream *s = streamFor(c, static_cast<uint32_t>(mediaType), track);
  if (!s || s == c.current[mediaType]) return 0;
  ReadState saved = s->st;
  if (!AVIReaderGetSeekPos(c, *s, time, kByTime)) {
    s->st = saved;
    return 0;
  }
  c.current[mediaType] = s;
  return 1;
}

}  // namespace

const KRNReaderFormatOps kAviReaderOps = {
    AVIReaderOpen,
    nullptr,  // open (parameters)
    AVIReaderClose,
    nullptr,
    AVIReaderGetInfo,
    nullptr,  // start
    nullptr,  // make-index step
    nullptr,
    AVIReaderReadFrame,
    nullptr,  // read frame information
    AVIReaderSeekByTime,
    AVIReaderSeekByKeyFrame,
    nullptr,  // seek by subtitle
    AVIReaderSeekByMedia,
    AVIReaderChangeTrack,
    nullptr,  // get status
    nullptr,  // set status
};
