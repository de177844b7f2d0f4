// Reads a recording's information and its GPS/G-sensor text track through
// the stream library's reader: one object per read.
#ifndef VIEWER_CORE_KRNDATA_H
#define VIEWER_CORE_KRNDATA_H

#include <QString>
#include <QVector>
#include <cstdint>
#include <string>

#include "krnstream.h"
#include "core/MetadataSamples.h"

class KRNData {
 public:
  enum State { Ok = 0, OpenFailed = -2, ReadFailed = -4 };
  enum OpenResult { HasText = 0, NoText = 1, NoInfo = 2, CannotOpen = -1 };

  // info: the caller's storage for the whole information record.
  explicit KRNData(KRNReaderInfo *info);
  ~KRNData();
  KRNData(const KRNData &) = delete;
  KRNData &operator=(const KRNData &) = delete;

  // An empty path opens the recording being played.
  int32_t open(const QString &path = QString());
  int32_t KRN_GetTextData(uint32_t track);
  int32_t KRN_GetTextDataTotalCount() const;
  uint32_t KRN_GetTotalRange() const;
  uint32_t KRN_GetVideoTotalNum() const;
  int32_t KRN_TextDataFree();
  void close();

  // Payload of sample i (null when out of range) and its size.
  const uint8_t *sample(int i, uint32_t *size = nullptr) const;
  int state() const { return state_; }
  int32_t lastResult() const { return lastResult_; }

 private:
  QVector<KRNReaderFrame> samples_;
  KRNReader *reader_ = nullptr;
  std::wstring path_;
  KRNReaderParam param_{};
  KRNReaderInfo *info_;
  int state_ = Ok;
  int32_t lastResult_ = 0;
};

// The G-sensor, GPS and speed fields of one text sample. Samples shorter
// than the 68 bytes these occupy are not decoded.
struct TextSample {
  float x = 0, y = 0, z = 0;
  uint32_t hemisphere = 0;
  float speed = 0;
  float latitude = 0;   // NMEA ddmm.mmmm
  float longitude = 0;  // NMEA dddmm.mmmm
  bool north() const { return (hemisphere & 3u) == 1; }
  bool east() const { return ((hemisphere >> 2) & 3u) == 1; }
};
bool decodeTextSample(const uint8_t *data, uint32_t size, TextSample *out);

// NMEA ddmm.mmmm (or dddmm.mmmm) to signed decimal degrees.
float nmeaToDegrees(float value, bool positive);

// Total play time as "mm:ss" (minutes not limited to 59); empty when the
// file cannot be read.
QString durationText(const QString &path);
QString formatDuration(uint32_t milliseconds);

#endif
