// Audio header helpers: MPEG audio Layer III frame headers and the AAC
// AudioSpecificConfig.
#include <cstring>

#include "krnutil.h"

#define AUDIO_ERROR(func, ...) \
  KRN_Trace(L"utilaudio", KRN_TRACE_ERROR, L"krnutil_audio", __LINE__, func, __VA_ARGS__)

namespace {

enum MpegVersion { kMpeg25 = 0, kMpegReserved = 1, kMpeg2 = 2, kMpeg1 = 3 };

// Layer III bit rates in kbit/s by bit-rate index (ISO/IEC 11172-3, 13818-3).
const uint32_t kBitRatesMpeg1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                     112, 128, 160, 192, 224, 256, 320, 0};
const uint32_t kBitRatesMpeg2[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                     64, 80, 96, 112, 128, 144, 160, 0};

// Sample rates by version field and sample-rate index.
const uint32_t kSampleRates[4][3] = {
    {11025, 12000, 8000},   // MPEG-2.5
    {0, 0, 0},              // reserved
    {22050, 24000, 16000},  // MPEG-2
    {44100, 48000, 32000},  // MPEG-1
};

struct Mp3Header {
  uint32_t version;  // version field: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  uint32_t layer;    // 1, 2 or 3
  uint32_t protection;
  uint32_t bitRateIndex;
  uint32_t sampleRateIndex;
  uint32_t padding;
  uint32_t privateBit;
  uint32_t channelMode;
  uint32_t modeExtension;
  uint32_t copyright;
  uint32_t original;
  uint32_t emphasis;
  uint32_t channels;
  uint32_t bitRate;     // kbit/s
  uint32_t sampleRate;  // Hz
  uint32_t frameLength;
  uint32_t samplesPerFrame;
};

uint32_t be32(const uint8_t *p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

Mp3Header decode(uint32_t word) {
  Mp3Header h;
  memset(&h, 0, sizeof(h));
  h.version = (word >> 19) & 3;
  h.layer = 4 - ((word >> 17) & 3);
  h.protection = (word >> 16) & 1;
  h.bitRateIndex = (word >> 12) & 0xF;
  h.sampleRateIndex = (word >> 10) & 3;
  h.padding = (word >> 9) & 1;
  h.privateBit = (word >> 8) & 1;
  h.channelMode = (word >> 6) & 3;
  h.modeExtension = (word >> 4) & 3;
  h.copyright = (word >> 3) & 1;
  h.original = (word >> 2) & 1;
  h.emphasis = word & 3;
  h.channels = h.channelMode == 3 ? 1 : 2;
  return h;
}

// A reserved version, layer, bit-rate or sample-rate value means we are not
// looking at a header; the tables are only indexed once these are ruled out.
bool isValid(const Mp3Header &h, uint32_t word) {
  return (word & 0xFFE00000u) == 0xFFE00000u && h.layer == 3 && h.version != kMpegReserved &&
         h.bitRateIndex >= 1 && h.bitRateIndex <= 14 && h.sampleRateIndex != 3;
}

void complete(Mp3Header *h) {
  bool mpeg1 = h->version == kMpeg1;
  h->bitRate = (mpeg1 ? kBitRatesMpeg1 : kBitRatesMpeg2)[h->bitRateIndex];
  h->sampleRate = kSampleRates[h->version][h->sampleRateIndex];
  h->frameLength = 144000u * h->bitRate / (h->sampleRate << (mpeg1 ? 0 : 1)) + h->padding;
  h->samplesPerFrame = mpeg1 ? 1152 : 576;
}

bool headerAt(const uint8_t *data, uint32_t length, uint32_t pos, Mp3Header *out) {
  if (pos > length || length - pos < 4) return false;
  uint32_t word = be32(data + pos);
  Mp3Header h = decode(word);
  if (!isValid(h, word)) return false;
  complete(&h);
  *out = h;
  return true;
}

// Three headers in a row, each where the previous frame ends, make a false
// sync inside ID3 tags or other data unlikely.
bool syncAt(const uint8_t *data, uint32_t length, uint32_t pos, Mp3Header *first) {
  Mp3Header h;
  if (!headerAt(data, length, pos, &h)) return false;
  *first = h;
  uint32_t next = pos;
  for (int i = 0; i < 2; ++i) {
    next += h.frameLength;
    if (!headerAt(data, length, next, &h)) return false;
  }
  return true;
}

bool isTagFrame(const uint8_t *data, uint32_t length, uint32_t pos, const Mp3Header &h) {
  bool mono = h.channelMode == 3;
  uint32_t sideInfo = h.version == kMpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  uint32_t crc = h.protection == 0 ? 2 : 0;  // the bit is clear when a CRC follows
  uint64_t tag = uint64_t(pos) + 4 + crc + sideInfo;
  if (tag + 4 > length) return false;
  return memcmp(data + tag, "Xing", 4) == 0 || memcmp(data + tag, "Info", 4) == 0;
}

// AudioSpecificConfig sampling frequencies; indexes 12 to 15 are mapped to
// the common rates the recorders use.
const uint32_t kAacSampleRates[16] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050,
                                      16000, 12000, 11025, 8000,  44100, 48000, 32000, 22050};

}  // namespace

extern "C" {

uint32_t KRNUtil_GetAudioSampleSize(uint32_t codec) {
  switch (codec) {
    case 2:
    case 17:
    case 255:
      return 1024;
    case 253:
    case 254:
      return 2048;
    default:
      return 0;
  }
}

uint32_t KRNUtil_UtilGetLATMInfo(const uint8_t *config, uint32_t length, KRNUtilAudioInfo *audio) {
  const wchar_t *func = L"KRNUtil_UtilGetLATMInfo";
  if (!config || length < 2 || !audio) {
    AUDIO_ERROR(func, L"AudioSpecificConfig of %u bytes\n", config ? length : 0);
    return 0;
  }
  uint32_t index = ((config[0] & 7u) << 1) | (config[1] >> 7);
  audio->sampleRate = kAacSampleRates[index];
  audio->channels = (config[1] >> 3) & 0xF;
  return audio->sampleRate;
}

bool KRNUtil_GetMP3Info(const uint8_t *data, uint32_t length, KRNUtilAudioInfo *audio,
                        uint32_t *samplesPerFrame) {
  const wchar_t *func = L"KRNUtil_GetMP3Info";
  if (!data || !audio || length <= 4) {
    AUDIO_ERROR(func, L"no MPEG audio data (%u bytes)\n", data ? length : 0);
    return false;
  }
  uint32_t word = be32(data);
  if ((word & 0xFFE00000u) == 0xFFE00000u && ((word >> 17) & 3) != 0 && ((word >> 17) & 3) != 1) {
    AUDIO_ERROR(func, L"[Reader]\tSorry, layer %d not supported\n", int(4 - ((word >> 17) & 3)));
  }
  Mp3Header h;
  uint32_t pos = 0;
  bool found = headerAt(data, length, 0, &h);
  while (!found && ++pos < length) found = syncAt(data, length, pos, &h);
  if (!found) {
    AUDIO_ERROR(func, L"no Layer III frame header in %u bytes\n", length);
    return false;
  }
  // Encoders open the stream with a tag frame ("Xing" or "Info") coded at
  // whatever bit rate holds the tag; the stream's own rate is in the next frame.
  if (isTagFrame(data, length, pos, h)) {
    Mp3Header next;
    if (headerAt(data, length, pos + h.frameLength, &next)) h.bitRate = next.bitRate;
  }
  audio->codec = KRNUTIL_AUDIO_MP3;
  audio->sampleRate = h.sampleRate;
  audio->channels = h.channels;
  audio->bitRate = h.bitRate * 1000;
  if (samplesPerFrame) *samplesPerFrame = h.samplesPerFrame;
  return true;
}

}  // extern "C"
