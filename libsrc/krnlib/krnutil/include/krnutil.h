/*
 * krnutil - codec and string utilities of the dash-camera tools.
 *
 * Video: H.264/H.265 configuration records and parameter sets, start codes,
 * emulation-prevention bytes, MPEG-4 Visual and MPEG-1/2 sequence headers and
 * an elementary-stream frame cutter. Audio: MP3 frame headers and the AAC
 * AudioSpecificConfig. Text: number scanning in line-oriented wide text,
 * case-insensitive comparison, hex and Base64 coding, and a console interrupt
 * hook.
 *
 * Wide text is wchar_t; narrow text (Base64 and hex output) is single-byte.
 * Memory handed out by these functions comes from KRN_Malloc and is released
 * with KRN_Free(ptr, 0). Parameter sets and configuration records are treated
 * as untrusted: every length found inside them is checked against the size
 * the caller gave before it is used.
 */
#ifndef KRNUTIL_H
#define KRNUTIL_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#include "krncore.h"

#if defined(KRNUTIL_BUILD)
#define KRNUTIL_API __attribute__((visibility("default")))
#else
#define KRNUTIL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------- */
/* Codec codes                                                               */
/* ------------------------------------------------------------------------- */

/* Four-character codes are packed first character in the lowest byte, the
 * way KRN_FourCC_String prints them ("avc1" is 0x31637661). */
#define KRNUTIL_FOURCC(a, b, c, d)                                                           \
  ((uint32_t)(uint8_t)(a) | ((uint32_t)(uint8_t)(b) << 8) | ((uint32_t)(uint8_t)(c) << 16) | \
   ((uint32_t)(uint8_t)(d) << 24))

/* Audio codec numbers as the stream library reports them. */
#define KRNUTIL_AUDIO_MP3 85u
#define KRNUTIL_AUDIO_AAC 255u

/* ------------------------------------------------------------------------- */
/* Track descriptions (the audio and video slots of the stream library's     */
/* information record; the stream library embeds these records as they are) */
/* ------------------------------------------------------------------------- */

#define KRNUTIL_CONFIG_SIZE 512

typedef struct KRNUtilAudioInfo {
  uint32_t codec; /* four-character code or wave format tag; 85 MP3, 255 AAC */
  uint32_t sampleRate;
  uint32_t channels;
  uint32_t bitsPerSample;
  uint32_t sampleSize; /* sample size of an AVI stream */
  uint32_t blockAlign;
  uint32_t bitRate; /* bit/s */
  uint8_t config[KRNUTIL_CONFIG_SIZE];
  uint32_t configLength;
  uint32_t maxFrameSize;
  uint32_t duration; /* ms */
  uint8_t present;
  uint32_t frameCount;
} KRNUtilAudioInfo;

/* Spherical-video projection, filled from the "sv3d" box. */
typedef struct KRNUtilProjection {
  uint32_t kind;          /* 1 */
  uint32_t circField2;    /* second field of the "circ" box */
  uint32_t circFirstZero; /* 1 when the box's first field is 0 */
  uint32_t circField3;
  uint32_t circField4;
  float reservedFloat; /* 0 */
  uint64_t reserved;   /* 0 */
} KRNUtilProjection;

typedef struct KRNUtilVideoInfo {
  uint32_t codec; /* four-character code, see KRNUTIL_FOURCC */
  uint32_t width;
  uint32_t height;
  uint32_t frameRate; /* thousandths of a frame per second */
  uint32_t bitsPerPixel;
  uint32_t bitRate;                    /* bit/s */
  uint8_t config[KRNUTIL_CONFIG_SIZE]; /* start-code form */
  uint32_t configLength;
  uint32_t maxFrameSize;
  uint32_t duration; /* ms */
  uint32_t frameCount;
  uint32_t h265Profile;
  uint32_t h265Level;
  uint8_t spherical;
  KRNUtilProjection projection;
} KRNUtilVideoInfo;

/* ------------------------------------------------------------------------- */
/* H.264 / H.265 summaries                                                   */
/* ------------------------------------------------------------------------- */

typedef struct KRNUtilH264Info {
  uint32_t profile;
  uint32_t constraintFlags;
  uint32_t level;
  uint32_t nalLengthSize; /* 1..4 */
} KRNUtilH264Info;

/* The fields an "hvcC" record carries in its header. */
typedef struct KRNUtilHEVCConfig {
  uint32_t profileSpace;
  uint32_t tierFlag;
  uint32_t profile; /* profile idc, low 5 bits of the profile byte */
  uint32_t compatibilityFlags;
  uint32_t constraintLow;  /* first four constraint bytes, little-endian */
  uint32_t constraintHigh; /* last two constraint bytes, little-endian */
  uint32_t level;
} KRNUtilHEVCConfig;

typedef struct KRNUtilH265SubLayer {
  uint8_t profilePresent;
  uint8_t levelPresent;
  uint8_t profileSpace;
  uint8_t tierFlag;
  uint8_t profileIdc;
  uint32_t compatibilityFlags;
  uint8_t progressive;
  uint8_t interlaced;
  uint8_t nonPacked;
  uint8_t frameOnly;
  uint8_t levelIdc;
} KRNUtilH265SubLayer;

typedef struct KRNUtilH265PTL {
  uint8_t profileSpace;
  uint8_t tierFlag;
  uint8_t profileIdc;
  uint32_t compatibilityFlags;
  uint8_t progressive;
  uint8_t interlaced;
  uint8_t nonPacked;
  uint8_t frameOnly;
  uint8_t levelIdc;
  KRNUtilH265SubLayer subLayers[7];
} KRNUtilH265PTL;

typedef struct KRNUtilH265Info {
  /* video parameter set */
  uint8_t vpsId;
  uint8_t vpsBaseLayerInternal;
  uint8_t vpsBaseLayerAvailable;
  uint8_t vpsMaxLayersMinus1;
  uint8_t vpsMaxSubLayersMinus1;
  uint8_t vpsTemporalIdNesting;
  KRNUtilH265PTL vpsPtl;
  /* the units inside the caller's data, each from its NAL header on */
  const uint8_t *vps;
  uint32_t vpsLength;
  const uint8_t *sps;
  uint32_t spsLength;
  const uint8_t *pps; /* null when the data holds none */
  uint32_t ppsLength;
  /* sequence parameter set */
  uint8_t spsVpsId;
  uint8_t spsMaxSubLayersMinus1;
  KRNUtilH265PTL spsPtl;
  uint32_t spsId;
  uint32_t chromaFormatIdc;
  uint32_t width;  /* pic_width_in_luma_samples */
  uint32_t height; /* pic_height_in_luma_samples */
} KRNUtilH265Info;

/* ------------------------------------------------------------------------- */
/* Video bitstream information                                               */
/* ------------------------------------------------------------------------- */

/* Reads the codec configuration data of video->codec ("avcC" for AVC1/avc1/
 * H264, "hvcC" for HEV1/hvc1/hev1/H265/HEVC, an MPEG-4 Visual elementary
 * stream for XVID/DIVX/MP4S/MP4V, an MPEG-1/2 stream for MPEG) and fills the
 * fields that codec yields. False for other codecs and malformed data. */
KRNUTIL_API bool KRNUtil_GetVideoInfo(const uint8_t *data, uint32_t length,
                                      KRNUtilVideoInfo *video);

/* Reads an "avcC" record starting offset bytes into data. True when its first
 * parameter set is an SPS; info is then filled from it. */
KRNUTIL_API bool KRNUtil_GetH264Info(const uint8_t *data, uint32_t length, uint32_t offset,
                                     KRNUtilH264Info *info);

/* In-place conversion of a configuration record to start-code form. False
 * (data and *length untouched) when the record is malformed or its
 * start-code form would not fit in *length bytes. */
KRNUTIL_API bool KRNUtil_ConvH264InfoToStartCode(uint8_t *data, uint32_t *length);
/* First unit of each of the first three arrays of an "hvcC" record. */
KRNUTIL_API bool KRNUtil_ConvHEVCInfoToStartCode(uint8_t *data, uint32_t *length);
/* Every unit; data begins at the array count byte of an "hvcC" record. */
KRNUTIL_API bool KRNUtil_ConvH265InfoToStartCode(uint8_t *data, uint32_t *length);

/* Builds an "avcC" record from parameter sets in start-code form. avcC must
 * hold length + 7 bytes; *avcCLength receives the bytes written. The header
 * takes profile, constraints, level and NAL length size from info, or from
 * the first SPS (NAL length size 4) when info is null. */
KRNUTIL_API bool UtilConvH264InfoFromStartCode(const uint8_t *data, uint32_t length, uint8_t *avcC,
                                               uint32_t *avcCLength, const KRNUtilH264Info *info);
/* Locates VPS, SPS and PPS in start-code data and parses VPS and SPS. The
 * unit pointers in info point into data. */
KRNUTIL_API bool UtilConvH265InfoFromStartCode(const uint8_t *data, uint32_t length,
                                               KRNUtilH265Info *info);
/* Reads the header of an "hvcC" record. */
KRNUTIL_API bool UtilConvH265Info(const uint8_t *data, uint32_t length, KRNUtilHEVCConfig *out);
/* In place: 4-byte unit lengths become start codes. False when a unit length
 * runs past the frame (units before it are converted). */
KRNUTIL_API bool UtilConvH264FrameToStartCode(uint8_t *frame, uint32_t length);
/* Start codes become 2-byte big-endian unit lengths; out must hold length
 * bytes. Returns the last unit's length (0 on failure, *outLength then 0). */
KRNUTIL_API uint32_t KRNUtil_ConvH26xExtraDataFromStartCode(const uint8_t *data, uint32_t length,
                                                            uint8_t *out, uint32_t *outLength);

/* Removes the emulation-prevention byte of every 00 00 03 in place. */
KRNUTIL_API void KRNUtil_H26xRemoveEPB(uint8_t *buffer, uint32_t *length);

/* Moves *cursor to the next 00 00 01 while more than 4 bytes remain; *code
 * receives 0x100 + the byte after the prefix. */
KRNUTIL_API bool KRNUtil_FindStartCode(uint8_t **cursor, uint32_t *remaining, uint32_t *code);
/* The same for an exact 32-bit big-endian pattern. */
KRNUTIL_API bool KRNUtil_FindStartCode2(uint8_t **cursor, uint32_t *remaining, uint32_t pattern);

/* Reads one access unit of an Annex B elementary stream into buffer and
 * leaves the file on the next one's start code. Returns its size; 0 when it
 * does not fit capacity (the file is then back where the call found it). */
KRNUTIL_API uint32_t UtilVideo_H264_ReadOneFrame(KrnFile *file, uint8_t *buffer, uint32_t capacity);
KRNUTIL_API uint32_t UtilVideo_H265_ReadOneFrame(KrnFile *file, uint8_t *buffer, uint32_t capacity);

/* ------------------------------------------------------------------------- */
/* Audio bitstream information                                               */
/* ------------------------------------------------------------------------- */

/* Finds an MPEG audio Layer III header in data and writes codec 85, sample
 * rate, channels and bit rate to audio (and the samples per frame when
 * asked). False, nothing written, when no header is found. */
KRNUTIL_API bool KRNUtil_GetMP3Info(const uint8_t *data, uint32_t length, KRNUtilAudioInfo *audio,
                                    uint32_t *samplesPerFrame);
/* Reads sample rate and channels of an AudioSpecificConfig into audio;
 * returns the sample rate, 0 when fewer than 2 bytes are given. */
KRNUTIL_API uint32_t KRNUtil_UtilGetLATMInfo(const uint8_t *config, uint32_t length,
                                             KRNUtilAudioInfo *audio);
/* Samples per frame of an audio codec number, 0 when unknown. */
KRNUTIL_API uint32_t KRNUtil_GetAudioSampleSize(uint32_t codec);

/* ------------------------------------------------------------------------- */
/* Numbers                                                                   */
/* ------------------------------------------------------------------------- */

KRNUTIL_API uint32_t KRN_ATOI(const wchar_t *text);
/* "seconds[.fraction]" in milliseconds: "1.25" gives 1250. */
KRNUTIL_API uint32_t KRN_ATOI_MS(const wchar_t *text);
/* "HH:MM:SS.fff" in milliseconds. */
KRNUTIL_API uint32_t KRN_ATOI_TS(const wchar_t *text);
KRNUTIL_API uint32_t KRN_ATOI_HEX(const wchar_t *text);
/* Decimal form of value into buffer (at least 12 bytes); returns its length. */
KRNUTIL_API int32_t KRN_ITOA(int32_t value, char *buffer);

/* ------------------------------------------------------------------------- */
/* Case, comparison and duplication (ASCII letters fold, nothing else)       */
/* ------------------------------------------------------------------------- */

KRNUTIL_API wchar_t *KRNUtilStrntolower(wchar_t *text, uint32_t count);
KRNUTIL_API wchar_t *KRNUtilStrntoupper(wchar_t *text, uint32_t count);
KRNUTIL_API int32_t KRNUtilStricmp(const wchar_t *a, const wchar_t *b);
KRNUTIL_API int32_t KRNUtilStrnicmp(const wchar_t *a, const wchar_t *b, uint32_t count);
KRNUTIL_API wchar_t *KRNUtilStrdupn(const wchar_t *text, uint32_t n);
KRNUTIL_API wchar_t *KRNUtilStrdup(const wchar_t *text);
KRNUTIL_API wchar_t *KRNUtilStrmcat(const wchar_t *a, const wchar_t *b);

/* ------------------------------------------------------------------------- */
/* Scanning line-oriented text                                               */
/*                                                                           */
/* NUL, line feed and carriage return end a line; a scan that meets one      */
/* before finding what it looks for returns null. Scanners return the        */
/* position after what they read. A key, when given, is looked for first in  */
/* the current line and the scan starts after it.                            */
/* ------------------------------------------------------------------------- */

KRNUTIL_API bool KRNUtilStrIsDecNumber(const wchar_t *text);
KRNUTIL_API const wchar_t *KRNUtilStrFindString(const wchar_t *text, const wchar_t *pattern);
/* Returns the start of the line at text (after leading blanks); *length
 * counts its characters including its line end. Continuation lines (the next
 * line begins with a blank) are joined: their line ends become blanks. */
KRNUTIL_API wchar_t *KRNUtilStrGetLine(wchar_t *text, uint32_t *length);
KRNUTIL_API const wchar_t *KRNUtilStrGetDecNumber(const wchar_t *text, const wchar_t *key,
                                                  uint32_t *value);
KRNUTIL_API const wchar_t *KRNUtilStrGetIntNumber(const wchar_t *text, const wchar_t *key,
                                                  int32_t *value);
KRNUTIL_API const wchar_t *KRNUtilStrGetHexNumber(const wchar_t *text, const wchar_t *key,
                                                  uint32_t *value);
/* The value is in thousandths ("12.5" gives 12500). */
KRNUTIL_API const wchar_t *KRNUtilStrGetFloatNumber(const wchar_t *text, const wchar_t *key,
                                                    uint32_t *value);
/* The value is in milliseconds ("01:02:03.5" gives 3723500). */
KRNUTIL_API const wchar_t *KRNUtilStrGetTimeNumber(const wchar_t *text, const wchar_t *key,
                                                   uint32_t *value);
/* Word token: letters, digits, "-", "." and "_". */
KRNUTIL_API const wchar_t *KRNUtilStrGetString(const wchar_t *text, const wchar_t **start,
                                               uint32_t *length);
KRNUTIL_API const wchar_t *KRNUtilStrGetHexString(const wchar_t *text, const wchar_t **start,
                                                  uint32_t *length);
/* The host of an address: the word token after "://" when the line has one. */
KRNUTIL_API const wchar_t *KRNUtilStrGetAddress(const wchar_t *text, const wchar_t **start,
                                                uint32_t *length);
/* Safe token: letters, digits and "#$&'*+,-./:=?@[]^_`{|}~ and the double
 * quote. */
KRNUTIL_API const wchar_t *KRNUtilStrGetSafeString(const wchar_t *text, const wchar_t **start,
                                                   uint32_t *length);
/* The rest of the line after leading blanks. */
KRNUTIL_API const wchar_t *KRNUtilStrGetContext(const wchar_t *text, const wchar_t **start,
                                                uint32_t *length);

/* ------------------------------------------------------------------------- */
/* Hex and Base64                                                            */
/* ------------------------------------------------------------------------- */

/* Lower-cases the hex text in place and writes length / 2 bytes to out. */
KRNUTIL_API uint32_t KRNUtil_ConvStrToBin(wchar_t *hex, uint32_t length, uint8_t *out);
/* New narrow string of 2 * length lower-case hex digits. */
KRNUTIL_API char *KRNUtil_ConvBinToStr(const uint8_t *bytes, uint32_t length);

/* New narrow Base64 text of the bytes; *textLength receives its length. */
KRNUTIL_API char *KRNUtilBase64Encoding(const uint8_t *bytes, int32_t length, int32_t *textLength);
/* Decodes at most textLength characters of text into out (which must hold
 * textLength * 3 / 4 bytes). Stops at "=", at a "," after a group, or when
 * no more than 3 characters are left. Returns where decoding stopped. */
KRNUTIL_API const wchar_t *KRNUtilBase64Decoding(const wchar_t *text, uint8_t *out,
                                                 uint32_t textLength, uint32_t *byteCount);
/* Extent of the Base64 token (letters, digits, "+", ",", "/", "=") that
 * starts at its first character in the line. */
KRNUTIL_API const wchar_t *KRNUtilBase64GetString(const wchar_t *text, const wchar_t **start,
                                                  uint32_t *length);
/* New buffer of length bytes holding the decoded bytes. */
KRNUTIL_API uint8_t *KRNUtilBase64ConvToBin(const wchar_t *text, uint32_t length,
                                            uint32_t *byteCount);
/* Decodes comma-separated items; each is written to out as a 16-bit
 * little-endian byte count and its bytes. out must hold 2 * length + 2
 * bytes. Returns the bytes written. */
KRNUTIL_API uint32_t KRNUtilBase64ConvToBinWLen(const wchar_t *text, uint32_t length, uint8_t *out);

/* ------------------------------------------------------------------------- */
/* Console interrupt hook                                                    */
/* ------------------------------------------------------------------------- */

/* Event types: 0 interrupt key (SIGINT), 1 break key (SIGQUIT). */
#define KRNUTIL_EVENT_INTERRUPT 0
#define KRNUTIL_EVENT_BREAK 1

typedef void (*KRNUtilSignalCallback)(int32_t eventType);

/* Handles events of eventType from now on: type 0 calls the callback (on a
 * thread of its own, never inside the signal handler), type 1 prints
 * "break\n". Events of other types keep their previous handling. Returns 0,
 * or 1 when the hook cannot be installed. */
KRNUTIL_API int32_t KRNUtil_RegSigHandler(int32_t eventType, KRNUtilSignalCallback callback);
/* Returns 0; the hook stays installed. */
KRNUTIL_API int32_t KRNUtil_UnRegSigHandler(void);

/* ------------------------------------------------------------------------- */
/* CPU and memory usage (inert in this build)                                */
/* ------------------------------------------------------------------------- */

#define KRNUTIL_TASK_NAME 32
#define KRNUTIL_MAX_TASKS 64

typedef struct KRNUtilTaskCounters {
  wchar_t name[KRNUTIL_TASK_NAME];
  uint64_t userTime;
  uint64_t kernelTime;
} KRNUtilTaskCounters;

typedef struct KRNUtilTaskSample {
  uint32_t count; /* tasks used, at most KRNUTIL_MAX_TASKS */
  uint32_t first; /* non-zero for the first sample: no table is filled */
  uint64_t totalUser;
  uint64_t totalKernel;
  KRNUtilTaskCounters tasks[KRNUTIL_MAX_TASKS];
} KRNUtilTaskSample;

typedef struct KRNUtilTaskUsage {
  wchar_t name[KRNUTIL_TASK_NAME];
  uint32_t userPercent;
  uint32_t kernelPercent;
  uint32_t totalPercent;
} KRNUtilTaskUsage;

KRNUTIL_API void *KRNUTIL_UsageCpuOpen(void);
KRNUTIL_API bool KRNUTIL_UsageCpuGet(void *handle, uint32_t *percent);
KRNUTIL_API bool KRNUTIL_UsageCpuGetMulti(void *handle, uint32_t *percents, uint32_t count);
KRNUTIL_API void KRNUTIL_UsageCpuClose(void *handle);
KRNUTIL_API void *KRNUTIL_UsageTaskOpen(void);
/* Adds the sample's task counters to its totals; unless it is the first
 * sample, fills table (sample->count entries) with each task's shares of the
 * combined total in percent. Then clears the first mark and the totals. */
KRNUTIL_API bool KRNUTIL_UsageTaskGet(KRNUtilTaskSample *sample, KRNUtilTaskUsage *table);
KRNUTIL_API void KRNUTIL_UsageTaskClose(void *handle);
KRNUTIL_API bool KRNUTIL_UsageMemOpen(void);
KRNUTIL_API bool KRNUTIL_UsageMemAdd(const void *block, uint32_t size);
KRNUTIL_API bool KRNUTIL_UsageMemPrint(void);
KRNUTIL_API void KRNUTIL_UsageMemClose(void);

#ifdef __cplusplus
}
#endif

#endif /* KRNUTIL_H */
