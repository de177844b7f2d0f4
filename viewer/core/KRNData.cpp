#include "core/KRNData.h"

#include <QDir>
#include <algorithm>
#include <new>
#include <cmath>
#include <cstring>

#include "core/StatusLog.h"
#include "core/ViewerState.h"

namespace {

constexpr uint32_t kSampleFields = 68;
// A camera record is 68 bytes and more; a text sample is never read into a
// buffer larger than this, whatever the headers claim.
constexpr uint32_t kLargestTextSample = 64 * 1024;
constexpr uint32_t kDefaultTextSample = 1024;

float floatAt(const uint8_t *p) {
  uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                  static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

uint32_t u32At(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

KRNData::KRNData(KRNReaderInfo *info) : info_(info) {}

KRNData::~KRNData() {
  for (KRNReaderFrame &f : samples_) delete[] f.data;
  close();
}

int32_t KRNData::open(const QString &path) {
  const QString file =
      path.isEmpty() ? ViewerState::instance().currentRecording().playbackPath : path;
  path_ = QDir::toNativeSeparators(file).toStdWString();
  param_ = KRNReaderParam{};
  param_.path = path_.c_str();
  lastResult_ = KRNReaderOpen(&reader_, &param_);
  if (lastResult_ != 0) {
    reader_ = nullptr;
    state_ = OpenFailed;
    logError("KRN_Reader Can't Open!");
    return CannotOpen;
  }
  memset(info_, 0, sizeof *info_);
  lastResult_ = KRNReaderGetInfo(reader_, info_);
  if (lastResult_ != 0) {
    logError("KRNReader Can't Get Info!");
    return NoInfo;
  }
  return info_->textCount == 0 ? NoText : HasText;
}

int32_t KRNData::KRN_GetTextData(uint32_t track) {
  logDebug("KRNData::KRN_GetTextData");
  if (state_ != Ok || !reader_) return -1;
  const uint32_t count = track < KRN_READER_MAX_TEXT ? info_->text[track].sampleCount : 0;
  const uint32_t largest = track < KRN_READER_MAX_TEXT ? info_->text[track].maxSampleSize : 0;
  // Both numbers come from the file's headers: nothing is reserved from the
  // count, and a buffer is never larger than a camera record can be. A
  // damaged header ends the list at the first sample that does not read.
  const uint32_t size = largest == 0 ? kDefaultTextSample : std::min(largest, kLargestTextSample);
  for (uint32_t k = 0; k < count; ++k) {
    KRNReaderFrame frame{};
    frame.data = new (std::nothrow) uint8_t[size];
    if (!frame.data) break;
    frame.capacity = size;
    frame.track = track;
    frame.mediaType = KRN_MEDIA_TEXT;
    int32_t rc = KRNReaderReadFrame(reader_, &frame);
    if (rc < 0 || frame.size > size) {
      delete[] frame.data;
      state_ = ReadFailed;
      lastResult_ = rc < 0 ? rc : -1;
      logError("KRNReader Can't read Frame!");
      break;
    }
    samples_.append(frame);
  }
  close();
  return 0;
}

int32_t KRNData::KRN_GetTextDataTotalCount() const {
  logDebug("KRNData::KRN_GetTextDataTotalCount");
  return samples_.size();
}

uint32_t KRNData::KRN_GetTotalRange() const {
  logDebug("KRNData::KRN_GetTotalRange");
  return info_->duration;
}

uint32_t KRNData::KRN_GetVideoTotalNum() const {
  logDebug("KRNData::KRN_GetVideoTotalNum");
  return info_->videoCount;
}

int32_t KRNData::KRN_TextDataFree() {
  logDebug("KRNData::KRN_TextDataFree");
  for (KRNReaderFrame &f : samples_) delete[] f.data;
  samples_.clear();
  return 0;
}

void KRNData::close() {
  if (reader_) KRNReaderClose(reader_);
  reader_ = nullptr;
}

const uint8_t *KRNData::sample(int i, uint32_t *size) const {
  if (i < 0 || i >= samples_.size()) return nullptr;
  if (size) *size = samples_[i].size;
  return samples_[i].data;
}

bool decodeTextSample(const uint8_t *data, uint32_t size, TextSample *out) {
  if (!data || size < kSampleFields || !out) return false;
  out->x = floatAt(data + 40);
  out->y = floatAt(data + 44);
  out->z = floatAt(data + 48);
  out->hemisphere = u32At(data + 52);
  out->speed = floatAt(data + 56);
  out->latitude = floatAt(data + 60);
  out->longitude = floatAt(data + 64);
  return true;
}

float nmeaToDegrees(float value, bool positive) {
  float degrees = std::trunc(value / 100.0f);
  float minutes = std::fmod(value, 100.0f);
  float result = degrees + minutes / 60.0f;
  return positive ? result : -result;
}

QString formatDuration(uint32_t milliseconds) {
  uint32_t seconds = milliseconds / 1000;
  return QStringLiteral("%1:%2")
      .arg(seconds / 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString durationText(const QString &path) {
  KRNReaderInfo info{};
  KRNData data(&info);
  if (data.open(path) < 0 || data.state() != KRNData::Ok || data.lastResult() != 0) return {};
  return formatDuration(info.duration);
}
