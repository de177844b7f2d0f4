#include "telemetry_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace samplegen {
namespace {

class LittleEndian {
 public:
  explicit LittleEndian(std::vector<uint8_t> &out) : out_(out) {}
  void u8(size_t at, uint8_t v) { out_.at(at) = v; }
  void u16(size_t at, uint16_t v) { put(at, v, 2); }
  void u32(size_t at, uint32_t v) { put(at, v, 4); }
  void u64(size_t at, uint64_t v) { put(at, v, 8); }
  void f32(size_t at, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(at, bits);
  }
  void f64(size_t at, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u64(at, bits);
  }

 private:
  void put(size_t at, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
  }
  std::vector<uint8_t> &out_;
};

}  // namespace

double toNmea(double degrees) {
  const double magnitude = std::fabs(degrees);
  const double whole = std::floor(magnitude);
  return whole * 100 + (magnitude - whole) * 60;
}

uint32_t crc32(const uint8_t *data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::vector<uint8_t> encodeTelemetryRecord(const TelemetrySample &t, size_t size) {
  if (size < kTelemetryRecordSize) throw std::logic_error("telemetry record too small");
  std::vector<uint8_t> out(size, 0);
  LittleEndian le(out);

  // Timed-text framing (big-endian): no text, then one modifier box that spans the rest
  // of the record. Text decoders skip a box they do not know, so the record decodes as
  // an empty subtitle instead of failing.
  const uint32_t boxSize = static_cast<uint32_t>(size - 2);
  out[2] = static_cast<uint8_t>(boxSize >> 24);
  out[3] = static_cast<uint8_t>(boxSize >> 16);
  out[4] = static_cast<uint8_t>(boxSize >> 8);
  out[5] = static_cast<uint8_t>(boxSize);
  std::memcpy(out.data() + 6, kTelemetryBoxType, 4);

  // Our own fields.
  le.u8(10, kTelemetryRecordVersion);
  le.u8(11, t.fix ? 3 : 0);
  le.u32(12, t.driveIndex);
  le.u64(16, static_cast<uint64_t>(t.utcMs));
  le.u32(24, static_cast<uint32_t>(static_cast<int32_t>(std::lround(t.latitude * 1e7))));
  le.u32(28, static_cast<uint32_t>(static_cast<int32_t>(std::lround(t.longitude * 1e7))));
  le.f32(32, static_cast<float>(t.altitudeM));
  le.u16(36, static_cast<uint16_t>(std::lround(t.headingDeg * 100) % 36000));
  le.u8(38, t.satellites);

  // The camera's part, as the viewer reads it.
  le.f32(40, static_cast<float>(t.gx));
  le.f32(44, static_cast<float>(t.gy));
  le.f32(48, static_cast<float>(t.gz));
  const uint32_t flags =
      t.fix ? ((t.latitude >= 0 ? kNorth : kSouth) | (t.longitude >= 0 ? kEast : kWest) << 2) : 0;
  le.u32(52, flags);
  le.f32(56, static_cast<float>(t.speedKmh));
  le.f32(60, static_cast<float>(toNmea(t.latitude)));
  le.f32(64, static_cast<float>(toNmea(t.longitude)));

  le.u32(68, crc32(out.data(), 68));
  return out;
}

Track makeTelemetryTrack(const std::vector<TelemetrySample> &samples, size_t recordSize,
                         const std::vector<std::pair<uint32_t, size_t>> &cut) {
  Track track;
  track.kind = TrackKind::Telemetry;
  track.codec = Codec::Telemetry;
  track.label = "GPS G-sensor";
  track.timescale = 1000;
  for (uint32_t i = 0; i < samples.size(); ++i) {
    std::vector<uint8_t> record = encodeTelemetryRecord(samples[i], recordSize);
    for (const auto &[index, bytes] : cut) {
      if (index == i) record.resize(std::min(record.size(), bytes));
    }
    SampleRef ref;
    ref.offset = track.memory.size();
    ref.size = static_cast<uint32_t>(record.size());
    ref.duration = kTelemetryStepMs;
    ref.sync = true;
    track.samples.push_back(ref);
    track.memory.insert(track.memory.end(), record.begin(), record.end());
  }
  return track;
}

void appendTelemetryCsv(const std::string &path, const std::string &recording,
                        const std::vector<TelemetrySample> &samples,
                        std::optional<uint32_t> eventIndex, bool writeHeader) {
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(
      std::fopen(path.c_str(), writeHeader ? "w" : "a"), &std::fclose);
  if (!file) throw std::runtime_error("cannot write " + path);
  if (writeHeader) {
    std::fputs(
        "recording,sample,drive_sample,utc_ms,fix,latitude,longitude,speed_kmh,heading_deg,"
        "altitude_m,satellites,gx,gy,gz,event\n",
        file.get());
  }
  for (size_t i = 0; i < samples.size(); ++i) {
    const TelemetrySample &t = samples[i];
    const bool event = eventIndex && *eventIndex == i;
    std::fprintf(file.get(), "%s,%zu,%u,%lld,%d,%.9f,%.9f,%.6f,%.3f,%.3f,%u,%.6f,%.6f,%.6f,%d\n",
                 recording.c_str(), i, t.driveIndex, static_cast<long long>(t.utcMs), t.fix ? 1 : 0,
                 t.latitude, t.longitude, t.speedKmh, t.headingDeg, t.altitudeM, t.satellites, t.gx,
                 t.gy, t.gz, event ? 1 : 0);
  }
  if (std::ferror(file.get())) throw std::runtime_error("cannot write " + path);
}

}  // namespace samplegen
