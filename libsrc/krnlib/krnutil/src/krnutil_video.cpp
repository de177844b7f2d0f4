// Video bitstream helpers: configuration records, parameter sets and start
// codes of H.264/H.265, and the sequence headers of MPEG-4 Visual and MPEG-1/2.
//
// Everything here parses data that comes straight out of recording files, so
// each length found inside the data is checked against the caller's size
// before it is used, and bit fields are read through a cursor that knows
// where the data ends.
#include <cstring>

#include "krnutil.h"

#define VIDEO_ERROR(func, ...) \
  KRN_Trace(L"utilvideo", KRN_TRACE_ERROR, L"krnutil_video", __LINE__, func, __VA_ARGS__)

namespace {

uint32_t be16(const uint8_t *p) {
  return (uint32_t(p[0]) << 8) | p[1];
}

uint32_t be32(const uint8_t *p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void putBe16(uint8_t *p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

bool isStartCode4(const uint8_t *p) {
  return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 1;
}

const uint8_t kStartCode[4] = {0, 0, 0, 1};

// krncore's bit reader yields zeros past the end of its block; this cursor
// also counts what it consumed so that a unit cut short is told apart from a
// genuine run of zero bits.
class BitCursor {
 public:
  BitCursor(const uint8_t *data, uint32_t size)
      : reader_(KRNBitOpen(const_cast<uint8_t *>(data), size)), totalBits_(uint64_t(size) * 8) {}
  ~BitCursor() { KRNBitClose(reader_); }
  BitCursor(const BitCursor &) = delete;
  BitCursor &operator=(const BitCursor &) = delete;

  bool ok() const { return reader_ != nullptr && !overrun_; }

  // n from 0 to 32.
  uint32_t get(int n) {
    if (!reader_ || overrun_) return 0;
    if (used_ + uint64_t(n) > totalBits_) {
      overrun_ = true;
      return 0;
    }
    uint32_t value = 0;
    while (n > 0) {
      // One read of the krncore reader is only good for 25 bits at any offset.
      int step = n > 16 ? 16 : n;
      value = (value << step) | KRNBitGetBit(reader_, step);
      n -= step;
      used_ += uint64_t(step);
    }
    return value;
  }

  void skip(uint32_t n) {
    while (n > 0 && ok()) {
      uint32_t step = n > 16 ? 16 : n;
      get(int(step));
      n -= step;
    }
  }

  // Unsigned Exp-Golomb code.
  uint32_t ue() {
    int zeros = 0;
    while (get(1) == 0) {
      if (!ok()) return 0;
      if (++zeros > 31) return 0;
    }
    if (zeros == 0) return 0;
    return get(zeros) + ((1u << zeros) - 1u);
  }

 private:
  KrnBitReader *reader_;
  uint64_t totalBits_;
  uint64_t used_ = 0;
  bool overrun_ = false;
};

// Working copies go through krncore like every other allocation of the library.
class Scratch {
 public:
  Scratch(uint32_t size, const wchar_t *func)
      : data_(static_cast<uint8_t *>(
            KRN_Malloc(size ? size : 1, 0, -1, L"krnutil_video", __LINE__, func))) {}
  ~Scratch() { KRN_Free(data_, 0); }
  Scratch(const Scratch &) = delete;
  Scratch &operator=(const Scratch &) = delete;
  uint8_t *get() const { return data_; }

 private:
  uint8_t *data_;
};

// ---------------------------------------------------------------------------
// Configuration records

// One parameter set found inside a record, as an offset into that record.
struct Unit {
  uint32_t offset;
  uint32_t length;
};

// Reads a 16-bit length and the unit behind it at *pos. False when either
// runs past the end.
bool takeUnit(const uint8_t *data, uint32_t length, uint32_t *pos, Unit *unit) {
  if (length - *pos < 2) return false;
  uint32_t size = be16(data + *pos);
  if (length - *pos - 2 < size) return false;
  unit->offset = *pos + 2;
  unit->length = size;
  *pos += 2 + size;
  return true;
}

// Writes the units as start-code form over data. The units are read from a
// copy because the output overtakes the input once there are more than three.
bool writeStartCodeForm(uint8_t *data, uint32_t *length, const Unit *units, uint32_t count,
                        const wchar_t *func) {
  uint64_t total = 0;
  for (uint32_t i = 0; i < count; ++i) total += 4 + uint64_t(units[i].length);
  if (total > *length) {
    VIDEO_ERROR(func, L"start-code form needs %llu bytes, record has %u\n",
                (unsigned long long)total, *length);
    return false;
  }
  Scratch copy(*length + 16, func);
  if (!copy.get()) {
    VIDEO_ERROR(func, L"out of memory\n");
    return false;
  }
  memcpy(copy.get(), data, *length);
  uint32_t out = 0;
  for (uint32_t i = 0; i < count; ++i) {
    memcpy(data + out, kStartCode, 4);
    memcpy(data + out + 4, copy.get() + units[i].offset, units[i].length);
    out += 4 + units[i].length;
  }
  *length = out;
  return true;
}

// Units of a record: an "avcC" holds at most 31 SPS and 255 PPS. The array
// form of "hvcC" could count up to 65535 units per array; records in the wild
// hold a handful, and one with more than an "avcC" can is refused.
constexpr uint32_t kMaxUnits = 31 + 255;

struct AvcHeader {
  uint32_t profile;
  uint32_t constraint;
  uint32_t level;
  uint32_t nalLengthSize;
};

// Reads the record's header and the first three bytes of its first SPS.
bool readAvcRecord(const uint8_t *data, uint32_t length, const wchar_t *func, AvcHeader *out) {
  if (!data) {
    VIDEO_ERROR(func, L"no avcC data\n");
    return false;
  }
  BitCursor bits(data, length);
  bits.skip(8 + 8 + 8 + 8 + 6);  // version, profile, compatibility, level, reserved
  uint32_t lengthSizeMinus1 = bits.get(2);
  bits.skip(3);
  uint32_t spsCount = bits.get(5);
  uint32_t spsLength = bits.get(16);
  if (!bits.ok()) {
    VIDEO_ERROR(func, L"avcC record too short (%u bytes)\n", length);
    return false;
  }
  if (spsCount == 0) {
    VIDEO_ERROR(func, L"avcC record holds no SPS\n");
    return false;
  }
  if (spsLength < 4 || spsLength > length - 8) {
    VIDEO_ERROR(func, L"SPS length %u does not fit the avcC record (%u bytes)\n", spsLength,
                length);
    return false;
  }
  uint32_t nalType = bits.get(8) & 0x1F;
  if (nalType != 7) {
    VIDEO_ERROR(func, L"first parameter set is not an SPS (NAL type %u)\n", nalType);
    return false;
  }
  out->profile = bits.get(8);
  out->constraint = bits.get(8);
  out->level = bits.get(8);
  out->nalLengthSize = lengthSizeMinus1 + 1;
  return true;
}

// ---------------------------------------------------------------------------
// H.265 parameter sets

void readPtlProfile(BitCursor &bits, uint8_t *space, uint8_t *tier, uint8_t *idc, uint32_t *compat,
                    uint8_t *flags4[4]) {
  *space = uint8_t(bits.get(2));
  *tier = uint8_t(bits.get(1));
  *idc = uint8_t(bits.get(5));
  *compat = bits.get(32);
  for (int i = 0; i < 4; ++i) *flags4[i] = uint8_t(bits.get(1));
  bits.skip(44);
}

void readProfileTierLevel(BitCursor &bits, uint32_t maxSubLayersMinus1, KRNUtilH265PTL *ptl) {
  uint8_t *general[4] = {&ptl->progressive, &ptl->interlaced, &ptl->nonPacked, &ptl->frameOnly};
  readPtlProfile(bits, &ptl->profileSpace, &ptl->tierFlag, &ptl->profileIdc,
                 &ptl->compatibilityFlags, general);
  ptl->levelIdc = uint8_t(bits.get(8));
  for (uint32_t i = 0; i < maxSubLayersMinus1; ++i) {
    ptl->subLayers[i].profilePresent = uint8_t(bits.get(1));
    ptl->subLayers[i].levelPresent = uint8_t(bits.get(1));
  }
  if (maxSubLayersMinus1 > 0) bits.skip(2 * (8 - maxSubLayersMinus1));
  for (uint32_t i = 0; i < maxSubLayersMinus1; ++i) {
    KRNUtilH265SubLayer *sub = &ptl->subLayers[i];
    if (sub->profilePresent) {
      uint8_t *flags[4] = {&sub->progressive, &sub->interlaced, &sub->nonPacked, &sub->frameOnly};
      readPtlProfile(bits, &sub->profileSpace, &sub->tierFlag, &sub->profileIdc,
                     &sub->compatibilityFlags, flags);
    }
    if (sub->levelPresent) sub->levelIdc = uint8_t(bits.get(8));
  }
}

// Parameter sets carry emulation-prevention bytes; the profile/tier/level
// block of an H.265 unit nearly always has some, so fields are read from an
// unescaped copy.
class UnescapedUnit {
 public:
  UnescapedUnit(const uint8_t *unit, uint32_t length, const wchar_t *func)
      : copy_(length, func), length_(length) {
    if (!copy_.get()) return;
    memcpy(copy_.get(), unit, length);
    KRNUtil_H26xRemoveEPB(copy_.get(), &length_);
  }
  const uint8_t *data() const { return copy_.get(); }
  uint32_t length() const { return length_; }

 private:
  Scratch copy_;
  uint32_t length_;
};

bool parseVps(const uint8_t *unit, uint32_t length, KRNUtilH265Info *info) {
  UnescapedUnit rbsp(unit, length, L"UtilConvH265InfoFromStartCode");
  if (!rbsp.data()) return false;
  BitCursor bits(rbsp.data(), rbsp.length());
  bits.skip(16);  // NAL header
  info->vpsId = uint8_t(bits.get(4));
  info->vpsBaseLayerInternal = uint8_t(bits.get(1));
  info->vpsBaseLayerAvailable = uint8_t(bits.get(1));
  info->vpsMaxLayersMinus1 = uint8_t(bits.get(6));
  info->vpsMaxSubLayersMinus1 = uint8_t(bits.get(3));
  info->vpsTemporalIdNesting = uint8_t(bits.get(1));
  bits.skip(16);
  readProfileTierLevel(bits, info->vpsMaxSubLayersMinus1, &info->vpsPtl);
  return bits.ok();
}

bool parseSps(const uint8_t *unit, uint32_t length, KRNUtilH265Info *info) {
  UnescapedUnit rbsp(unit, length, L"UtilConvH265InfoFromStartCode");
  if (!rbsp.data()) return false;
  BitCursor bits(rbsp.data(), rbsp.length());
  bits.skip(16);  // NAL header
  info->spsVpsId = uint8_t(bits.get(4));
  info->spsMaxSubLayersMinus1 = uint8_t(bits.get(3));
  bits.skip(1);  // temporal id nesting
  readProfileTierLevel(bits, info->spsMaxSubLayersMinus1, &info->spsPtl);
  info->spsId = bits.ue();
  info->chromaFormatIdc = bits.ue();
  // 4:4:4 streams carry the separate-colour-plane flag before the picture size.
  if (info->chromaFormatIdc == 3) bits.skip(1);
  info->width = bits.ue();
  info->height = bits.ue();
  return bits.ok();
}

// Offset of the next 00 00 00 01 at or after from, or length when there is none.
uint32_t findStartCode4(const uint8_t *data, uint32_t length, uint32_t from) {
  for (uint32_t i = from; i < length && length - i >= 4; ++i) {
    if (isStartCode4(data + i)) return i;
  }
  return length;
}

// Offset of the next 00 00 01 at or after from, or length when there is none.
uint32_t nextPrefix(const uint8_t *data, uint32_t length, uint32_t from) {
  for (uint32_t i = from; i + 3 <= length; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) return i;
  }
  return length;
}

// ---------------------------------------------------------------------------
// MPEG-4 Visual

const wchar_t kMpeg4Func[] = L"UtilGetMPEG4Info";

bool getMpeg4Info(const uint8_t *data, uint32_t length, KRNUtilVideoInfo *video) {
  uint32_t at = length;
  for (uint32_t i = 0; i + 4 <= length; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] >= 0x20 &&
        data[i + 3] <= 0x2F) {
      at = i + 4;
      break;
    }
  }
  if (at == length) {
    VIDEO_ERROR(kMpeg4Func, L"[Util]\tUtilGetMPEG4Info - Parsing Error for VOL Start Code\n");
    return false;
  }
  BitCursor bits(data + at, length - at);
  bits.skip(1);  // random accessible
  bits.skip(8);  // object type
  uint32_t verid = 1;
  if (bits.get(1)) {
    verid = bits.get(4);
    bits.skip(3);  // priority
  }
  if (bits.get(4) == 15) bits.skip(16);  // extended pixel aspect ratio
  if (bits.get(1)) {
    bits.skip(2 + 1);                // chroma format, low delay
    if (bits.get(1)) bits.skip(79);  // VBV parameters
  }
  if (bits.get(2) != 0) {
    VIDEO_ERROR(kMpeg4Func,
                L"[DecVideo] GetMPEG4Info - Parsing Error for video_object_layer_shape\n");
    return false;
  }
  bits.skip(1);
  uint32_t resolution = bits.get(16);
  bits.skip(1);
  if (resolution == 0 && bits.ok()) {
    VIDEO_ERROR(kMpeg4Func,
                L"[DecVideo] GetMPEG4Info - Parsing Error for vop_time_increment_resolution\n");
    return false;
  }
  if (bits.get(1)) {
    int incrementBits = 1;
    while (incrementBits < 16 && (1u << incrementBits) < resolution) ++incrementBits;
    bits.skip(uint32_t(incrementBits));
  }
  bits.skip(1);
  uint32_t width = bits.get(13);
  bits.skip(1);
  uint32_t height = bits.get(13);
  bits.skip(1);
  bits.skip(1 + 1);  // interlaced, OBMC disable
  if (bits.get(verid == 1 ? 1 : 2) != 0) {
    VIDEO_ERROR(kMpeg4Func, L"[DecVideo] GetMPEG4Info - Parsing Error for sprite_enable\n");
    return false;
  }
  if (bits.get(1) != 0) {
    VIDEO_ERROR(kMpeg4Func, L"[DecVideo] GetMPEG4Info - Parsing Error for not_8_bit\n");
    return false;
  }
  if (bits.get(1)) {
    // MPEG quantisation: up to two matrices of 64 bytes, each ending early at a 0.
    for (int matrix = 0; matrix < 2 && bits.ok(); ++matrix) {
      if (!bits.get(1)) continue;
      for (int i = 0; i < 64 && bits.ok(); ++i) {
        if (bits.get(8) == 0) break;
      }
    }
    if (!bits.ok()) {
      VIDEO_ERROR(kMpeg4Func, L"[DecVideo] GetMPEG4Info - Parsing Error for quant_type\n");
      return false;
    }
  }
  if (!bits.ok()) {
    VIDEO_ERROR(kMpeg4Func, L"[DecVideo] GetMPEG4Info - VOL header cut short (%u bytes)\n",
                length - at);
    return false;
  }
  video->width = width;
  video->height = height;
  return true;
}

// ---------------------------------------------------------------------------
// MPEG-1/2 video

const wchar_t kMpegFunc[] = L"UtilGetMPEGInfo";

// Thousandths of a frame per second by frame-rate code. 23.976 is kept as
// 23975, the value players of this family have always shown.
const uint32_t kMpegFrameRates[16] = {0,     23975, 24000, 25000, 29970, 30000, 50000, 59940,
                                      60000, 0,     0,     0,     0,     0,     0,     0};

uint32_t findCode(const uint8_t *data, uint32_t length, uint32_t from, uint8_t code) {
  for (uint32_t i = from; i + 4 <= length; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == code) return i;
  }
  return length;
}

bool getMpegInfo(const uint8_t *data, uint32_t length, KRNUtilVideoInfo *video) {
  uint32_t seq = findCode(data, length, 0, 0xB3);
  if (seq == length) {
    VIDEO_ERROR(kMpegFunc, L"no sequence header in %u bytes\n", length);
    return false;
  }
  BitCursor bits(data + seq + 4, length - seq - 4);
  uint32_t width = bits.get(12);
  uint32_t height = bits.get(12);
  bits.skip(4);  // aspect ratio
  uint32_t rateCode = bits.get(4);
  uint64_t bitRate = bits.get(18);
  if (!bits.ok()) {
    VIDEO_ERROR(kMpegFunc, L"sequence header cut short\n");
    return false;
  }
  uint64_t frameRate = kMpegFrameRates[rateCode];

  for (uint32_t ext = findCode(data, length, seq + 4, 0xB5); ext < length;
       ext = findCode(data, length, ext + 4, 0xB5)) {
    BitCursor e(data + ext + 4, length - ext - 4);
    if (e.get(4) != 1) continue;
    e.skip(8 + 1 + 2);  // profile and level, progressive, chroma format
    uint32_t widthExt = e.get(2);
    uint32_t heightExt = e.get(2);
    uint32_t bitRateExt = e.get(12);
    e.skip(1 + 8 + 1);  // marker, VBV buffer size extension, low delay
    uint32_t rateN = e.get(2);
    uint32_t rateD = e.get(5);
    if (!e.ok()) break;
    width |= widthExt << 12;
    height |= heightExt << 12;
    bitRate |= uint64_t(bitRateExt) << 18;
    frameRate = frameRate * (rateN + 1) / (rateD + 1);
    break;
  }
  uint64_t bps = bitRate * 400;
  video->width = width;
  video->height = height;
  video->frameRate = uint32_t(frameRate);
  video->bitRate = bps > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(bps);
  return true;
}

// ---------------------------------------------------------------------------
// Codec dispatch

enum class VideoKind { Avc, Hevc, Mpeg4, Mpeg12 };

struct VideoCodec {
  uint32_t code;
  VideoKind kind;
};

const VideoCodec kVideoCodecs[] = {
    {KRNUTIL_FOURCC('A', 'V', 'C', '1'), VideoKind::Avc},
    {KRNUTIL_FOURCC('a', 'v', 'c', '1'), VideoKind::Avc},
    {KRNUTIL_FOURCC('H', '2', '6', '4'), VideoKind::Avc},
    {KRNUTIL_FOURCC('H', 'E', 'V', '1'), VideoKind::Hevc},
    {KRNUTIL_FOURCC('h', 'v', 'c', '1'), VideoKind::Hevc},
    {KRNUTIL_FOURCC('h', 'e', 'v', '1'), VideoKind::Hevc},
    {KRNUTIL_FOURCC('H', '2', '6', '5'), VideoKind::Hevc},
    {KRNUTIL_FOURCC('H', 'E', 'V', 'C'), VideoKind::Hevc},
    {KRNUTIL_FOURCC('X', 'V', 'I', 'D'), VideoKind::Mpeg4},
    {KRNUTIL_FOURCC('D', 'I', 'V', 'X'), VideoKind::Mpeg4},
    {KRNUTIL_FOURCC('M', 'P', '4', 'S'), VideoKind::Mpeg4},
    {KRNUTIL_FOURCC('M', 'P', '4', 'V'), VideoKind::Mpeg4},
    {KRNUTIL_FOURCC('M', 'P', 'E', 'G'), VideoKind::Mpeg12},
};

// ---------------------------------------------------------------------------
// Elementary-stream frame cutter

enum class Cut { Continue, EndFrame, Eof };

// The decision where a frame ends needs the start code and up to three bytes
// of the next unit; those may lie past the caller's capacity without making
// the frame too large.
constexpr uint32_t kLookahead = 8;

class FrameCutter {
 public:
  FrameCutter(KrnFile *file, uint8_t *buffer, uint32_t capacity)
      : file_(file), buffer_(buffer), capacity_(capacity) {}

  uint32_t run(bool hevc, const wchar_t *func) {
    uint32_t zeros = 0;
    uint8_t c = 0;
    while (next(&c)) {
      if (c == 1 && zeros >= 2) {
        uint32_t unitStart = read_ - (zeros >= 3 ? 4 : 3);
        Cut cut = hevc ? hevcUnit() : avcUnit();
        if (cut == Cut::EndFrame) {
          if (unitStart > capacity_) break;
          int64_t back = int64_t(read_ - unitStart);
          if (KRN_FileSeek(file_, -back, KRN_SEEK_CUR) != 0) {
            VIDEO_ERROR(func, L"cannot step back %lld bytes\n", (long long)back);
          }
          return unitStart;
        }
        if (cut == Cut::Eof || read_ > capacity_) break;
        zeros = 0;
        continue;
      }
      // Past the capacity only the zeros of a coming start code may wait.
      if (read_ > capacity_ && c != 0) break;
      zeros = c == 0 ? zeros + 1 : 0;
    }
    if (read_ > capacity_) {
      KRN_FileSeek(file_, -int64_t(read_), KRN_SEEK_CUR);
      VIDEO_ERROR(func, L"frame does not fit %u bytes\n", capacity_);
      return 0;
    }
    return read_;
  }

 private:
  // Takes the next byte of the file; false at its end or when even the
  // look-ahead room past the capacity is used up.
  bool next(uint8_t *byte) {
    if (read_ > capacity_ && read_ - capacity_ >= kLookahead) return false;
    int32_t c = KRN_FileReadChar(file_);
    if (c < 0) return false;
    if (read_ < capacity_) buffer_[read_] = uint8_t(c);
    ++read_;
    *byte = uint8_t(c);
    return true;
  }

  // H.264: slices (types 1 and 5) begin a picture; a slice with
  // first_mb_in_slice 0 or an SEI, SPS, PPS or delimiter after a slice
  // begins the next one.
  Cut avcUnit() {
    uint8_t header = 0;
    if (!next(&header)) return Cut::Eof;
    uint32_t type = header & 0x1F;
    if (type == 1 || type == 5) {
      uint8_t first = 0;
      if (!next(&first)) return Cut::Eof;
      bool firstMbZero = (first & 0x80) != 0;
      if (inPicture_ && firstMbZero) return Cut::EndFrame;
      inPicture_ = true;
    } else if (type >= 6 && type <= 9) {
      if (inPicture_) return Cut::EndFrame;
    }
    return Cut::Continue;
  }

  // H.265: a slice segment with first_slice_segment_in_pic_flag begins a
  // picture; after one, the next such segment or a parameter set, delimiter
  // or prefix SEI begins the next access unit.
  Cut hevcUnit() {
    uint8_t header[2] = {0, 0};
    if (!next(&header[0]) || !next(&header[1])) return Cut::Eof;
    uint32_t type = (header[0] >> 1) & 0x3F;
    if (type <= 31) {
      uint8_t first = 0;
      if (!next(&first)) return Cut::Eof;
      if (first & 0x80) {
        if (inPicture_) return Cut::EndFrame;
        inPicture_ = true;
      }
    } else if ((type >= 32 && type <= 35) || type == 39 || (type >= 41 && type <= 44) ||
               (type >= 48 && type <= 55)) {
      if (inPicture_) return Cut::EndFrame;
    }
    return Cut::Continue;
  }

  KrnFile *file_;
  uint8_t *buffer_;
  uint32_t capacity_;
  uint32_t read_ = 0;  // bytes taken from the file by this call
  bool inPicture_ = false;
};

uint32_t readOneFrame(KrnFile *file, uint8_t *buffer, uint32_t capacity, bool hevc,
                      const wchar_t *func) {
  if (!file || !buffer) {
    VIDEO_ERROR(func, L"no file or buffer\n");
    return 0;
  }
  FrameCutter cutter(file, buffer, capacity);
  return cutter.run(hevc, func);
}

}  // namespace

extern "C" {

bool KRNUtil_GetVideoInfo(const uint8_t *data, uint32_t length, KRNUtilVideoInfo *video) {
  const wchar_t *func = L"KRNUtil_GetVideoInfo";
  if (!data || !video) {
    VIDEO_ERROR(func, L"no data or description\n");
    return false;
  }
  const VideoCodec *codec = nullptr;
  for (const VideoCodec &entry : kVideoCodecs) {
    if (entry.code == video->codec) codec = &entry;
  }
  if (!codec) {
    VIDEO_ERROR(func, L"codec %ls not handled\n", KRN_FourCC_String(video->codec, nullptr));
    return false;
  }
  switch (codec->kind) {
    case VideoKind::Avc: {
      // The picture size of AVC tracks comes from the container.
      AvcHeader header;
      return readAvcRecord(data, length, func, &header);
    }
    case VideoKind::Hevc: {
      KRNUtilHEVCConfig config;
      memset(&config, 0, sizeof(config));
      if (length < 1) {
        VIDEO_ERROR(func, L"empty hvcC record\n");
        return false;
      }
      if (data[0] != 1) return true;  // unknown record version: nothing to take from it
      if (!UtilConvH265Info(data, length, &config)) return false;
      video->h265Profile = config.profile;
      video->h265Level = config.level;
      return true;
    }
    case VideoKind::Mpeg4:
      return getMpeg4Info(data, length, video);
    case VideoKind::Mpeg12:
      return getMpegInfo(data, length, video);
  }
  return false;
}

bool KRNUtil_GetH264Info(const uint8_t *data, uint32_t length, uint32_t offset,
                         KRNUtilH264Info *info) {
  const wchar_t *func = L"KRNUtil_GetH264Info";
  if (!data || !info || offset > length) {
    VIDEO_ERROR(func, L"no data, no summary or offset %u past %u bytes\n", offset, length);
    return false;
  }
  AvcHeader header;
  if (!readAvcRecord(data + offset, length - offset, func, &header)) return false;
  info->profile = header.profile;
  info->constraintFlags = header.constraint;
  info->level = header.level;
  info->nalLengthSize = header.nalLengthSize;
  return true;
}

bool KRNUtil_ConvH264InfoToStartCode(uint8_t *data, uint32_t *length) {
  const wchar_t *func = L"KRNUtil_ConvH264InfoToStartCode";
  if (!data || !length) {
    VIDEO_ERROR(func, L"no data\n");
    return false;
  }
  uint32_t size = *length;
  if (size >= 4 && isStartCode4(data)) return true;
  if (size < 6 || size > 0xFFFFFFFFu - 16) {
    VIDEO_ERROR(func, L"avcC record of %u bytes\n", size);
    return false;
  }
  Unit units[kMaxUnits];
  uint32_t count = 0;
  uint32_t pos = 6;
  uint32_t spsCount = data[5] & 0x1F;
  for (uint32_t i = 0; i < spsCount; ++i) {
    if (count == kMaxUnits || !takeUnit(data, size, &pos, &units[count])) {
      VIDEO_ERROR(func, L"SPS %u runs past the avcC record (%u bytes)\n", i, size);
      return false;
    }
    ++count;
  }
  if (size - pos >= 5) {
    uint32_t ppsCount = data[pos++];
    for (uint32_t i = 0; i < ppsCount; ++i) {
      if (count == kMaxUnits || !takeUnit(data, size, &pos, &units[count])) {
        VIDEO_ERROR(func, L"PPS %u runs past the avcC record (%u bytes)\n", i, size);
        return false;
      }
      ++count;
    }
  }
  return writeStartCodeForm(data, length, units, count, func);
}

bool KRNUtil_ConvHEVCInfoToStartCode(uint8_t *data, uint32_t *length) {
  const wchar_t *func = L"KRNUtil_ConvHEVCInfoToStartCode";
  if (!data || !length) {
    VIDEO_ERROR(func, L"no data\n");
    return false;
  }
  uint32_t size = *length;
  if (size < 23 || size > 0xFFFFFFFFu - 16) {
    VIDEO_ERROR(func, L"hvcC record of %u bytes\n", size);
    return false;
  }
  uint32_t arrays = data[22] < 3 ? data[22] : 3;
  Unit units[3];
  uint32_t count = 0;
  uint32_t pos = 23;
  for (uint32_t a = 0; a < arrays; ++a) {
    if (size - pos < 3) {
      VIDEO_ERROR(func, L"array %u runs past the hvcC record (%u bytes)\n", a, size);
      return false;
    }
    uint32_t unitCount = be16(data + pos + 1);
    pos += 3;
    // Decoders need one VPS, SPS and PPS; further units of an array are passed over.
    for (uint32_t u = 0; u < unitCount; ++u) {
      Unit unit;
      if (!takeUnit(data, size, &pos, &unit)) {
        VIDEO_ERROR(func, L"unit %u of array %u runs past the hvcC record (%u bytes)\n", u, a,
                    size);
        return false;
      }
      if (u == 0) units[count++] = unit;
    }
  }
  return writeStartCodeForm(data, length, units, count, func);
}

bool KRNUtil_ConvH265InfoToStartCode(uint8_t *data, uint32_t *length) {
  const wchar_t *func = L"KRNUtil_ConvH265InfoToStartCode";
  if (!data || !length || *length < 1 || *length > 0xFFFFFFFFu - 16) {
    VIDEO_ERROR(func, L"no parameter-set arrays\n");
    return false;
  }
  uint32_t size = *length;
  uint32_t arrays = data[0];
  Unit units[kMaxUnits];
  uint32_t count = 0;
  uint32_t pos = 1;
  for (uint32_t a = 0; a < arrays; ++a) {
    if (size - pos < 3) {
      VIDEO_ERROR(func, L"array %u runs past the data (%u bytes)\n", a, size);
      return false;
    }
    uint32_t unitCount = be16(data + pos + 1);
    pos += 3;
    for (uint32_t u = 0; u < unitCount; ++u) {
      if (count == kMaxUnits || !takeUnit(data, size, &pos, &units[count])) {
        VIDEO_ERROR(func, L"unit %u of array %u runs past the data (%u bytes)\n", u, a, size);
        return false;
      }
      ++count;
    }
  }
  return writeStartCodeForm(data, length, units, count, func);
}

bool UtilConvH264InfoFromStartCode(const uint8_t *data, uint32_t length, uint8_t *avcC,
                                   uint32_t *avcCLength, const KRNUtilH264Info *info) {
  const wchar_t *func = L"UtilConvH264InfoFromStartCode";
  if (!data || length == 0) {
    VIDEO_ERROR(func, L"No codec data!\n");
    return false;
  }
  if (!avcC || !avcCLength) {
    VIDEO_ERROR(func, L"no output buffer\n");
    return false;
  }
  Unit sps[31];
  Unit other[255];
  uint32_t spsCount = 0;
  uint32_t otherCount = 0;
  for (uint32_t code = findStartCode4(data, length, 0); code < length;) {
    uint32_t start = code + 4;
    uint32_t next = findStartCode4(data, length, start);
    Unit unit = {start, next - start};
    code = next;
    if (unit.length == 0) continue;
    if (unit.length > 0xFFFF) {
      VIDEO_ERROR(func, L"parameter set of %u bytes\n", unit.length);
      return false;
    }
    bool isSps = (data[start] & 0x1F) == 7;
    if ((isSps && spsCount == 31) || (!isSps && otherCount == 255)) {
      VIDEO_ERROR(func, L"too many parameter sets\n");
      return false;
    }
    if (isSps) {
      sps[spsCount++] = unit;
    } else {
      other[otherCount++] = unit;
    }
  }
  if (spsCount == 0) {
    VIDEO_ERROR(func, L"no SPS in %u bytes\n", length);
    return false;
  }
  uint8_t profile, constraint, level, lengthSize;
  if (info) {
    profile = uint8_t(info->profile);
    constraint = uint8_t(info->constraintFlags);
    level = uint8_t(info->level);
    lengthSize = uint8_t(info->nalLengthSize);
  } else {
    if (sps[0].length < 4) {
      VIDEO_ERROR(func, L"SPS of %u bytes\n", sps[0].length);
      return false;
    }
    profile = data[sps[0].offset + 1];
    constraint = data[sps[0].offset + 2];
    level = data[sps[0].offset + 3];
    lengthSize = 4;
  }
  uint32_t out = 0;
  avcC[out++] = 1;
  avcC[out++] = profile;
  avcC[out++] = constraint;
  avcC[out++] = level;
  avcC[out++] = uint8_t(0xFC | ((lengthSize - 1) & 3));
  avcC[out++] = uint8_t(0xE0 | spsCount);
  for (uint32_t i = 0; i < spsCount; ++i) {
    putBe16(avcC + out, sps[i].length);
    memcpy(avcC + out + 2, data + sps[i].offset, sps[i].length);
    out += 2 + sps[i].length;
  }
  avcC[out++] = uint8_t(otherCount);
  for (uint32_t i = 0; i < otherCount; ++i) {
    putBe16(avcC + out, other[i].length);
    memcpy(avcC + out + 2, data + other[i].offset, other[i].length);
    out += 2 + other[i].length;
  }
  *avcCLength = out;
  return true;
}

bool UtilConvH265InfoFromStartCode(const uint8_t *data, uint32_t length, KRNUtilH265Info *info) {
  const wchar_t *func = L"UtilConvH265InfoFromStartCode";
  if (!data || length == 0) {
    VIDEO_ERROR(func, L"No codec data!\n");
    return false;
  }
  if (!info) {
    VIDEO_ERROR(func, L"no summary\n");
    return false;
  }
  memset(info, 0, sizeof(*info));
  for (uint32_t i = 0; i + 5 <= length; ++i) {
    if (!isStartCode4(data + i)) continue;
    uint8_t header = data[i + 4];
    const uint8_t **slot = nullptr;
    uint32_t *slotLength = nullptr;
    if (header == 0x40) {
      slot = &info->vps;
      slotLength = &info->vpsLength;
    } else if (header == 0x42) {
      slot = &info->sps;
      slotLength = &info->spsLength;
    } else if (header == 0x44) {
      slot = &info->pps;
      slotLength = &info->ppsLength;
    }
    if (!slot || *slot) continue;
    uint32_t end = nextPrefix(data, length, i + 4);
    // A 4-byte start code's leading zero belongs to the next prefix, not to this unit.
    if (end < length && end > i + 4 && data[end - 1] == 0) --end;
    *slot = data + i + 4;
    *slotLength = end - (i + 4);
  }
  if (!info->vps || !info->sps) {
    VIDEO_ERROR(func, L"no %ls in %u bytes\n", info->vps ? L"SPS" : L"VPS", length);
    return false;
  }
  if (!parseVps(info->vps, info->vpsLength, info)) {
    VIDEO_ERROR(func, L"VPS of %u bytes cut short\n", info->vpsLength);
    return false;
  }
  if (!parseSps(info->sps, info->spsLength, info)) {
    VIDEO_ERROR(func, L"SPS of %u bytes cut short\n", info->spsLength);
    return false;
  }
  return true;
}

bool UtilConvH265Info(const uint8_t *data, uint32_t length, KRNUtilHEVCConfig *out) {
  const wchar_t *func = L"UtilConvH265Info";
  if (!data || !out) {
    VIDEO_ERROR(func, L"no data or output\n");
    return false;
  }
  if (length < 13) {
    VIDEO_ERROR(func, L"hvcC record of %u bytes\n", length);
    return false;
  }
  if (data[0] != 1) {
    VIDEO_ERROR(func, L"hvcC version %u\n", data[0]);
    return false;
  }
  out->profileSpace = data[1] >> 6;
  out->tierFlag = (data[1] >> 5) & 1;
  out->profile = data[1] & 0x1F;
  out->compatibilityFlags = be32(data + 2);
  out->constraintLow = uint32_t(data[6]) | (uint32_t(data[7]) << 8) | (uint32_t(data[8]) << 16) |
                       (uint32_t(data[9]) << 24);
  out->constraintHigh = uint32_t(data[10]) | (uint32_t(data[11]) << 8);
  out->level = data[12];
  return true;
}

bool UtilConvH264FrameToStartCode(uint8_t *frame, uint32_t length) {
  const wchar_t *func = L"UtilConvH264FrameToStartCode";
  if (!frame) {
    VIDEO_ERROR(func, L"no frame\n");
    return false;
  }
  if (length >= 4 && isStartCode4(frame)) return true;
  uint32_t pos = 0;
  while (length - pos >= 4) {
    uint32_t unit = be32(frame + pos);
    if (unit > length - pos - 4) {
      VIDEO_ERROR(func, L"unit of %u bytes at %u runs past the frame (%u bytes)\n", unit, pos,
                  length);
      return false;
    }
    memcpy(frame + pos, kStartCode, 4);
    pos += 4 + unit;
  }
  if (pos != length) {
    VIDEO_ERROR(func, L"%u stray bytes at the end of the frame\n", length - pos);
    return false;
  }
  return true;
}

uint32_t KRNUtil_ConvH26xExtraDataFromStartCode(const uint8_t *data, uint32_t length, uint8_t *out,
                                                uint32_t *outLength) {
  const wchar_t *func = L"KRNUtil_ConvH26xExtraDataFromStartCode";
  if (outLength) *outLength = 0;
  if (!data || !out || !outLength) {
    VIDEO_ERROR(func, L"no data or output\n");
    return 0;
  }
  uint32_t written = 0;
  uint32_t lengthAt = 0;
  bool inUnit = false;
  uint32_t last = 0;
  auto closeUnit = [&]() {
    last = written - lengthAt - 2;
    if (last > 0xFFFF) return false;
    putBe16(out + lengthAt, last);
    return true;
  };
  for (uint32_t i = 0; i < length;) {
    if (length - i >= 4 && isStartCode4(data + i)) {
      if (inUnit && !closeUnit()) {
        VIDEO_ERROR(func, L"unit of %u bytes does not fit a 16-bit length\n", last);
        return 0;
      }
      lengthAt = written;
      written += 2;
      inUnit = true;
      i += 4;
      continue;
    }
    out[written++] = data[i++];
  }
  if (inUnit && !closeUnit()) {
    VIDEO_ERROR(func, L"unit of %u bytes does not fit a 16-bit length\n", last);
    return 0;
  }
  *outLength = written;
  return last;
}

void KRNUtil_H26xRemoveEPB(uint8_t *buffer, uint32_t *length) {
  if (!buffer || !length) {
    VIDEO_ERROR(L"KRNUtil_H26xRemoveEPB", L"no buffer\n");
    return;
  }
  uint32_t zeros = 0;
  uint32_t kept = 0;
  for (uint32_t i = 0; i < *length; ++i) {
    uint8_t byte = buffer[i];
    if (zeros >= 2 && byte == 3) {
      zeros = 0;
      continue;
    }
    zeros = byte == 0 ? zeros + 1 : 0;
    buffer[kept++] = byte;
  }
  *length = kept;
}

bool KRNUtil_FindStartCode(uint8_t **cursor, uint32_t *remaining, uint32_t *code) {
  if (!cursor || !*cursor || !remaining) {
    VIDEO_ERROR(L"KRNUtil_FindStartCode", L"no cursor\n");
    return false;
  }
  uint8_t *p = *cursor;
  uint32_t left = *remaining;
  bool found = false;
  while (left > 4) {
    if (p[0] == 0 && p[1] == 0 && p[2] == 1) {
      if (code) *code = 0x100u + p[3];
      found = true;
      break;
    }
    ++p;
    --left;
  }
  *cursor = p;
  *remaining = left;
  return found;
}

bool KRNUtil_FindStartCode2(uint8_t **cursor, uint32_t *remaining, uint32_t pattern) {
  if (!cursor || !*cursor || !remaining) {
    VIDEO_ERROR(L"KRNUtil_FindStartCode2", L"no cursor\n");
    return false;
  }
  uint8_t *p = *cursor;
  uint32_t left = *remaining;
  bool found = false;
  while (left > 4) {
    if (be32(p) == pattern) {
      found = true;
      break;
    }
    ++p;
    --left;
  }
  *cursor = p;
  *remaining = left;
  return found;
}

uint32_t UtilVideo_H264_ReadOneFrame(KrnFile *file, uint8_t *buffer, uint32_t capacity) {
  return readOneFrame(file, buffer, capacity, false, L"UtilVideo_H264_ReadOneFrame");
}

uint32_t UtilVideo_H265_ReadOneFrame(KrnFile *file, uint8_t *buffer, uint32_t capacity) {
  return readOneFrame(file, buffer, capacity, true, L"UtilVideo_H265_ReadOneFrame");
}

}  // extern "C"
