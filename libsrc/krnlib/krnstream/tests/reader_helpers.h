// Opens a recording through the reader interface and reads whole tracks.
#ifndef KRNSTREAM_TESTS_READER_HELPERS_H
#define KRNSTREAM_TESTS_READER_HELPERS_H

#include <cstring>
#include <string>
#include <vector>

#include "krnstream.h"
#include "test_support.h"

struct ReadFrame {
  uint32_t size = 0;
  int64_t time = 0;
  uint32_t duration = 0;
  uint8_t key = 0;
  uint64_t hash = 0;
  std::vector<uint8_t> bytes;  // kept for small frames only
  bool operator==(const ReadFrame &o) const {
    return size == o.size && time == o.time && duration == o.duration && key == o.key &&
           hash == o.hash;
  }
};

inline uint64_t hashBytes(const uint8_t *p, size_t n) {
  uint64_t h = 1469598103934665603ull;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    memcpy(&w, p + i, 8);
    h = (h ^ w) * 1099511628211ull;
  }
  for (; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

class OpenedFile {
 public:
  explicit OpenedFile(const std::string &path, uint8_t *adas = nullptr, uint32_t adasLength = 0) {
    wpath_ = widen(path);
    param_.path = wpath_.c_str();
    openRc = KRNReaderOpen(&reader, &param_);
    info.adasBuffer = adas;
    info.adasLength = adasLength;
    if (openRc == 0) infoRc = KRNReaderGetInfo(reader, &info);
  }
  ~OpenedFile() { KRNReaderClose(reader); }
  OpenedFile(const OpenedFile &) = delete;
  OpenedFile &operator=(const OpenedFile &) = delete;

  // Reads the track to its end (or its first failure, kept in lastRc); a
  // buffer found too small is enlarged to the size the reader asks for.
  std::vector<ReadFrame> readAll(uint32_t type, uint32_t track = 0, size_t limit = 1000000) {
    std::vector<ReadFrame> out;
    for (size_t n = 0; n < limit; ++n) {
      KRNReaderFrame f{};
      f.data = buffer_.data();
      f.capacity = static_cast<uint32_t>(buffer_.size());
      f.mediaType = type;
      f.track = track;
      lastRc = KRNReaderReadFrame(reader, &f);
      if (lastRc == KRNSTREAM_ERR_OVERFLOW && f.capacity > buffer_.size() &&
          f.capacity <= (64u << 20)) {
        buffer_.resize(f.capacity);
        --n;
        continue;
      }
      if (lastRc != 0) break;
      ReadFrame r;
      r.size = f.size;
      r.time = f.time;
      r.duration = f.duration;
      r.key = f.keyFrame;
      r.hash = hashBytes(f.data, f.size);
      if (f.size <= 4096) r.bytes.assign(f.data, f.data + f.size);
      out.push_back(std::move(r));
    }
    return out;
  }

  KRNReader *reader = nullptr;
  KRNReaderInfo info{};
  int32_t openRc = -1;
  int32_t infoRc = -1;
  int32_t lastRc = 0;

 private:
  std::wstring wpath_;
  KRNReaderParam param_{};
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(1 << 20);
};

#endif
