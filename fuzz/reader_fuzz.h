// Shared body of the container reader harnesses: the input is written to a
// temporary file and read through the reader interface as the viewer does:
// get-information, every track to its end, then a few seeks, each followed by
// some reads.
#ifndef FUZZ_READER_FUZZ_H
#define FUZZ_READER_FUZZ_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_util.h"
#include "krnstream.h"

namespace readerfuzz {

// Where the input goes: one scratch file per process, rewritten for every input.
inline const std::string &inputPath() {
  static const std::string path = fuzzutil::scratchPath("krn-reader-fuzz");
  return path;
}

// A frame larger than this is not asked for again; the inputs are far smaller.
constexpr uint32_t kMaxBuffer = 8u << 20;
// Frames read after each seek.
constexpr int kReadsAfterSeek = 8;

class Reading {
 public:
  explicit Reading(KRNReader *reader) : reader_(reader), buffer_(64 * 1024) {}

  // One frame of the track; 0 or the reader's error.
  int32_t read(uint32_t type, uint32_t track) {
    for (;;) {
      KRNReaderFrame f{};
      f.data = buffer_.data();
      f.capacity = static_cast<uint32_t>(buffer_.size());
      f.mediaType = type;
      f.track = track;
      int32_t rc = KRNReaderReadFrame(reader_, &f);
      if (rc == KRNSTREAM_ERR_OVERFLOW && f.capacity > buffer_.size() && f.capacity <= kMaxBuffer) {
        buffer_.resize(f.capacity);
        continue;
      }
      if (rc == 0 && f.size > buffer_.size()) __builtin_trap();  // wrote past the buffer
      return rc;
    }
  }

  // Reads to the end. A reader that keeps delivering frames past what any
  // file of this size can hold is looping.
  void readToEnd(uint32_t type, uint32_t track, size_t limit) {
    for (size_t n = 0; n < limit; ++n)
      if (read(type, track) != 0) return;
  }

 private:
  KRNReader *reader_;
  std::vector<uint8_t> buffer_;
};

inline void exercise(const uint8_t *data, size_t size) {
  if (!fuzzutil::writeFile(inputPath(), data, size)) std::abort();
  const std::string &narrow = inputPath();
  std::wstring path(narrow.begin(), narrow.end());
  KRNReaderParam param{};
  param.path = path.c_str();
  KRNReader *reader = nullptr;
  if (KRNReaderOpen(&reader, &param) != 0) return;
  KRNReaderInfo info{};
  uint8_t adas[256];
  info.adasBuffer = adas;
  info.adasLength = sizeof adas;
  if (KRNReaderGetInfo(reader, &info) == 0) {
    Reading reading(reader);
    // Every frame costs at least a byte of index; a generous bound still
    // stops a reader that never reaches its end.
    const size_t limit = 16 * size + 1024;
    const uint32_t videos = info.videoCount < KRN_READER_MAX_VIDEO ? info.videoCount
                                                                   : KRN_READER_MAX_VIDEO;
    const uint32_t texts = info.textCount < KRN_READER_MAX_TEXT ? info.textCount
                                                                : KRN_READER_MAX_TEXT;
    for (uint32_t t = 0; t < videos; ++t) reading.readToEnd(KRN_MEDIA_VIDEO, t, limit);
    if (info.audioCount) reading.readToEnd(KRN_MEDIA_AUDIO, 0, limit);
    for (uint32_t t = 0; t < texts; ++t) reading.readToEnd(KRN_MEDIA_TEXT, t, limit);

    // Seeks to the start, the middle, past the end and to a time taken from
    // the input, in each way the player seeks.
    const uint32_t tail = size >= 4 ? (uint32_t(data[size - 4]) << 24 | uint32_t(data[size - 3]) << 16 |
                                       uint32_t(data[size - 2]) << 8 | data[size - 1])
                                    : 0;
    const uint32_t times[] = {0, info.duration / 2, info.duration + 1000, tail};
    for (uint32_t when : times) {
      for (int32_t flag = 0; flag < 3; ++flag) {
        uint32_t t = when;
        if (KRNReaderSeekByTime(reader, &t, flag)) {
          for (int i = 0; i < kReadsAfterSeek; ++i) {
            if (videos) reading.read(KRN_MEDIA_VIDEO, 0);
            if (info.audioCount) reading.read(KRN_MEDIA_AUDIO, 0);
            if (texts) reading.read(KRN_MEDIA_TEXT, 0);
          }
        }
      }
      uint32_t t = when;
      if (KRNReaderSeekByKeyFrame(reader, &t, 1) && videos) reading.read(KRN_MEDIA_VIDEO, 0);
      t = when;
      if (info.audioCount && KRNReaderSeekByMedia(reader, &t, KRN_MEDIA_AUDIO))
        reading.read(KRN_MEDIA_AUDIO, 0);
      t = when;
      if (texts && KRNReaderSeekBySubtitle(reader, &t, 0)) reading.read(KRN_MEDIA_TEXT, 0);
    }
    // The other tracks after a change of track.
    if (videos > 1 && KRNReaderChangeTrack(reader, videos - 1, KRN_MEDIA_VIDEO) == 0)
      reading.read(KRN_MEDIA_VIDEO, videos - 1);
  }
  KRNReaderClose(reader);
}

}  // namespace readerfuzz

#endif
