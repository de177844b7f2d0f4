// The text-track sample that carries one GPS/G-sensor reading, and the track built from
// a drive's samples. Layout in README.md; bytes 40-67 are what the viewer reads.
#pragma once

#include "drive.h"
#include "media.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace samplegen {

constexpr size_t kTelemetryRecordSize = 72;  // smallest record: fields + CRC-32
constexpr char kTelemetryBoxType[4] = {'t', 'l', 'm', '1'};
constexpr uint8_t kTelemetryRecordVersion = 1;

// Hemisphere codes in the flags word (bits 0-1 latitude, bits 2-3 longitude).
constexpr uint32_t kNorth = 1, kSouth = 2, kEast = 1, kWest = 2;

// NMEA form of an angle's magnitude: degrees * 100 + minutes.
double toNmea(double degrees);

uint32_t crc32(const uint8_t *data, size_t size);

// One record of `size` bytes (at least kTelemetryRecordSize; the rest is zero).
std::vector<uint8_t> encodeTelemetryRecord(const TelemetrySample &sample, size_t size);

// Samples 100 ms apart, time scale 1000, every sample a sync sample. Records named in
// `cut` (index, bytes kept) end early, as a write interrupted by power loss leaves them.
Track makeTelemetryTrack(const std::vector<TelemetrySample> &samples, size_t recordSize,
                         const std::vector<std::pair<uint32_t, size_t>> &cut = {});

// One line per sample of what was meant, before rounding into the record's fields; the
// sample where the recording's event (hard braking, knock) began has event = 1.
void appendTelemetryCsv(const std::string &path, const std::string &recording,
                        const std::vector<TelemetrySample> &samples,
                        std::optional<uint32_t> eventIndex, bool writeHeader);

}  // namespace samplegen
