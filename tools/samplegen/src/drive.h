// The simulated drive behind a recording's GPS and G-sensor samples: a car following a
// route back and forth, stopping at red lights and at the turning points, slowing for
// corners. The drive always starts at the first waypoint at drive time 0, so recordings
// that start further into it (consecutive segments) continue the same drive.
#pragma once

#include "route.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace samplegen {

constexpr uint32_t kTelemetryStepMs = 100;

struct TelemetrySample {
  uint32_t driveIndex = 0;  // 100 ms steps since the start of the drive
  int64_t utcMs = 0;        // ms since 1970-01-01 UTC
  bool fix = false;
  double latitude = 0;  // signed decimal degrees
  double longitude = 0;
  double speedKmh = 0;
  double headingDeg = 0;  // 0 = north, clockwise
  double altitudeM = 0;
  uint8_t satellites = 0;
  double gx = 0;  // lateral, + to the right, in g
  double gy = 0;  // longitudinal, + forwards (braking is negative), in g
  double gz = 0;  // vertical, + up (about 1 g at rest)
};

enum class DriveMode {
  Driving,  // continuous, event and user recordings
  Parked,   // parking recordings: standing where the drive was at the start offset
};

struct DrivePlan {
  const Route *route = nullptr;
  uint32_t firstIndex = 0;  // start offset into the drive, in 100 ms steps
  uint32_t count = 0;       // samples in the recording
  DriveMode mode = DriveMode::Driving;
  // Driving: hard braking at the first moment from here (recording sample index) at which
  // the car is fast enough to show it. Parked: a knock against the parked car here.
  std::optional<uint32_t> eventAt;
  std::vector<std::pair<uint32_t, uint32_t>> noFix;  // [begin, end) recording samples
  int64_t startUtcMs = 0;                            // UTC time of the first sample
};

struct DriveResult {
  std::vector<TelemetrySample> samples;
  std::optional<uint32_t> eventIndex;  // recording sample where the event began
};

DriveResult simulateDrive(const DrivePlan &plan);

}  // namespace samplegen
