#include "drive.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace samplegen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadius = 6371008.8;
constexpr double kGravity = 9.80665;
constexpr int kStepsPerSample = 5;
constexpr double kStep = kTelemetryStepMs / 1000.0 / kStepsPerSample;  // 20 ms
constexpr double kComfortBrake = 1.6;                                  // m/s^2, braking for a stop
constexpr double kPlannedSlowing = 1.1;  // m/s^2, slowing for corners, planned with margin
constexpr double kMaxSlowing = 2.5;      // m/s^2, what the speed control may use to keep up
constexpr double kEmergencyBrake = 7.8;  // m/s^2, the event's hard braking
constexpr double kLateralLimit = 2.0;    // m/s^2 the driver accepts in corners
constexpr double kJerk = 2.0;            // m/s^3, how fast the driver changes pedals
constexpr double kHalfChord = 6.0;       // m, the path is smoothed over this much
constexpr double kTurnaroundSeconds = 8.0;
constexpr double kEmergencyStandSeconds = 3.0;
constexpr double kLookahead = 400.0;  // m
constexpr double kRedShare = 0.6;     // share of traffic lights that catch us

struct Vec2 {
  double x;
  double y;
};

uint64_t mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Deterministic value in [0, 1) for a key, so every run (and every segment) agrees.
double unit(uint64_t a, uint64_t b) {
  return static_cast<double>(mix(mix(a) ^ b) >> 11) / 9007199254740992.0;
}

double wrapAngle(double a) {
  while (a > kPi) a -= 2 * kPi;
  while (a < -kPi) a += 2 * kPi;
  return a;
}

// The route driven there and back again, as one lap that repeats; distances in metres
// on a local flat projection around the first waypoint.
class Course {
 public:
  explicit Course(const Route &route) : route_(route) {
    const size_t n = route.points.size();
    if (n < 2) throw std::logic_error("route needs two waypoints");
    lat0_ = route.points[0].latitude;
    lon0_ = route.points[0].longitude;
    for (size_t i = 0; i < n; ++i) order_.push_back(i);
    for (size_t i = n - 2; i >= 1; --i) order_.push_back(i);

    const size_t m = order_.size();
    double u = 0;
    for (size_t j = 0; j < m; ++j) {
      vertexU_.push_back(u);
      u += distance(local(order_[j]), local(order_[(j + 1) % m]));
    }
    lapLength_ = u;
    turnU_ = vertexU_[n - 1];

    for (size_t j = 0; j < m; ++j) {
      Vertex v;
      v.turnaround = (j == 0 || j == n - 1);
      v.lightSeconds = route.points[order_[j]].lightSeconds;
      v.speed = std::min(segmentLimit(j), v.turnaround ? 0.0 : cornerSpeed(j));
      vertices_.push_back(v);
    }
  }

  struct Vertex {
    bool turnaround = false;
    double lightSeconds = 0;
    double speed = 0;  // highest speed through this vertex, m/s
  };

  size_t vertexCount() const { return vertices_.size(); }
  const Vertex &vertex(uint64_t g) const { return vertices_[g % vertices_.size()]; }
  double vertexS(uint64_t g) const {
    return static_cast<double>(g / vertices_.size()) * lapLength_ + vertexU_[g % vertices_.size()];
  }

  Vec2 position(double s) const {
    const double u = lapPosition(s);
    const size_t j = segmentAt(u);
    const size_t m = order_.size();
    const Vec2 a = local(order_[j]);
    const Vec2 b = local(order_[(j + 1) % m]);
    const double length = segmentLength(j);
    const double f = length > 0 ? (u - vertexU_[j]) / length : 0;
    return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
  }

  double limit(double s) const { return segmentLimit(segmentAt(lapPosition(s))); }

  // Direction of travel (radians, counter-clockwise from east), smoothed over the chord.
  // Near a turning point the chord would fold back on itself; there the car points the
  // way it came until it sets off again the other way.
  double heading(double s) const {
    if (nearTurn(lapPosition(s), kHalfChord)) {
      const size_t j = segmentAt(std::max(0.0, lapPosition(s) - 1e-6));
      const Vec2 a = local(order_[j]);
      const Vec2 b = local(order_[(j + 1) % order_.size()]);
      return std::atan2(b.y - a.y, b.x - a.x);
    }
    const Vec2 a = position(std::max(0.0, s - kHalfChord));
    const Vec2 b = position(s + kHalfChord);
    return std::atan2(b.y - a.y, b.x - a.x);
  }

  // Path curvature (1/m, positive turning left); the turnarounds are three-point turns
  // at walking pace and count as straight.
  double curvature(double s) const {
    if (nearTurn(lapPosition(s), kHalfChord + 2)) return 0;
    return wrapAngle(heading(s + 1) - heading(s - 1)) / 2;
  }

  bool nearTurn(double u, double margin) const {
    return u < margin || lapLength_ - u < margin || std::fabs(u - turnU_) < margin;
  }

  double lapPosition(double s) const { return s - std::floor(s / lapLength_) * lapLength_; }

  void toGeo(Vec2 p, double &lat, double &lon) const {
    lat = lat0_ + p.y / kEarthRadius * 180 / kPi;
    lon = lon0_ + p.x / (kEarthRadius * std::cos(lat0_ * kPi / 180)) * 180 / kPi;
  }

 private:
  Vec2 local(size_t i) const {
    const Waypoint &w = route_.points[i];
    return {(w.longitude - lon0_) * kPi / 180 * kEarthRadius * std::cos(lat0_ * kPi / 180),
            (w.latitude - lat0_) * kPi / 180 * kEarthRadius};
  }
  static double distance(Vec2 a, Vec2 b) { return std::hypot(b.x - a.x, b.y - a.y); }
  double segmentLength(size_t j) const {
    const double end = j + 1 < vertexU_.size() ? vertexU_[j + 1] : lapLength_;
    return end - vertexU_[j];
  }
  size_t segmentAt(double u) const {
    const auto it = std::upper_bound(vertexU_.begin(), vertexU_.end(), u);
    return static_cast<size_t>(std::max<std::ptrdiff_t>(0, it - vertexU_.begin() - 1));
  }
  double segmentLimit(size_t j) const {
    const size_t m = order_.size();
    const size_t forward = std::min(order_[j], order_[(j + 1) % m]);
    return route_.points[forward].limitKmh / 3.6;
  }
  double cornerSpeed(size_t j) const {
    const size_t m = order_.size();
    const Vec2 a = local(order_[(j + m - 1) % m]);
    const Vec2 b = local(order_[j]);
    const Vec2 c = local(order_[(j + 1) % m]);
    const double turn =
        std::fabs(wrapAngle(std::atan2(c.y - b.y, c.x - b.x) - std::atan2(b.y - a.y, b.x - a.x)));
    if (turn < 1e-3) return 1e9;
    // The smoothed path turns through the corner over two half chords.
    return std::sqrt(kLateralLimit * 2 * kHalfChord / turn);
  }

  const Route &route_;
  double lat0_ = 0;
  double lon0_ = 0;
  std::vector<size_t> order_;
  std::vector<double> vertexU_;
  std::vector<Vertex> vertices_;
  double lapLength_ = 0;
  double turnU_ = 0;
};

// The car and its driver, stepped at kStep.
class Car {
 public:
  explicit Car(const Course &course) : course_(course) {}

  void brakeHard() {
    if (standing_ <= 0 && v_ > 0.5) emergency_ = true;
  }

  void step() {
    if (standing_ > 0) {
      standing_ -= kStep;
      a_ = 0;
      v_ = 0;
      if (standing_ <= 0 && atStop_) {
        atStop_ = false;
        ++next_;
      }
    } else if (emergency_) {
      a_ = std::max(-kEmergencyBrake, a_ - 40 * kStep);
      move();
      if (v_ <= 0) {
        emergency_ = false;
        standing_ = kEmergencyStandSeconds;
      }
    } else {
      drive();
    }
    const double lateral = v_ * v_ * course_.curvature(s_);
    longFiltered_ += (a_ - longFiltered_) * kStep / 0.12;
    latFiltered_ += (lateral - latFiltered_) * kStep / 0.2;
  }

  double s() const { return s_; }
  double v() const { return v_; }
  double longitudinal() const { return longFiltered_; }
  double lateral() const { return latFiltered_; }

 private:
  bool stopsAt(uint64_t g) const {
    const Course::Vertex &vx = course_.vertex(g);
    if (vx.turnaround) return true;
    return vx.lightSeconds > 0 && unit(g, 1) < kRedShare;
  }
  double standTime(uint64_t g) const {
    const Course::Vertex &vx = course_.vertex(g);
    if (vx.turnaround) return kTurnaroundSeconds;
    return vx.lightSeconds * (0.2 + 0.8 * unit(g, 2));
  }

  void drive() {
    while (course_.vertexS(next_) <= s_ && !stopsAt(next_)) ++next_;

    double target = course_.limit(s_);
    double brakeForStop = 0;
    for (uint64_t g = next_;; ++g) {
      const double d = course_.vertexS(g) - s_;
      if (d > kLookahead) break;
      if (stopsAt(g)) {
        if (d <= 0 || (d < 0.3 && v_ < 0.15)) {
          arrive(g);
          return;
        }
        brakeForStop = v_ * v_ / (2 * std::max(d, 0.05));
        break;
      }
      // The smoothed path starts to bend half a chord before the vertex: be slow by then.
      const double untilBend = std::max(d - kHalfChord - 1, 0.0);
      target = std::min(target, std::sqrt(std::pow(course_.vertex(g).speed, 2) +
                                          2 * kPlannedSlowing * untilBend));
    }

    const double maxAccel = 0.6 + 1.6 * std::max(0.0, 1 - v_ / 20);
    const double wanted = std::clamp(1.5 * (target - v_), -kMaxSlowing, maxAccel);
    a_ += std::clamp(wanted - a_, -kJerk * kStep, kJerk * kStep);
    if (brakeForStop > 0.75 * kComfortBrake) a_ = std::min(a_, -brakeForStop);
    move();
  }

  void arrive(uint64_t g) {
    s_ = course_.vertexS(g);
    v_ = 0;
    a_ = 0;
    atStop_ = true;
    standing_ = standTime(g);
  }

  void move() {
    v_ = std::max(0.0, v_ + a_ * kStep);
    s_ += v_ * kStep;
  }

  const Course &course_;
  double s_ = 0;
  double v_ = 0;
  double a_ = 0;
  double standing_ = 0;
  bool atStop_ = false;
  bool emergency_ = false;
  uint64_t next_ = 1;  // the drive starts at vertex 0
  double longFiltered_ = 0;
  double latFiltered_ = 0;
};

double noise(uint32_t index, int axis) {
  return 2 * unit(index, 100 + axis) - 1;
}

TelemetrySample describe(const Course &course, const Route &route, uint32_t driveIndex, double s,
                         double v, double longitudinal, double lateral) {
  TelemetrySample t;
  t.driveIndex = driveIndex;
  t.fix = true;
  course.toGeo(course.position(s), t.latitude, t.longitude);
  t.speedKmh = v * 3.6;
  const double compass = 90 - course.heading(s) * 180 / kPi;
  t.headingDeg = compass - std::floor(compass / 360) * 360;
  const double u = course.lapPosition(s);
  t.altitudeM =
      route.altitude + 3 * std::sin(2 * kPi * u / 1700) + 1.5 * std::sin(2 * kPi * u / 430);
  t.satellites = static_cast<uint8_t>(7 + static_cast<int>(unit(driveIndex / 250, 3) * 6));
  const double vibration = 0.25 + std::min(v / 14, 1.0);
  t.gx = -lateral / kGravity + 0.012 * vibration * noise(driveIndex, 0);
  t.gy = longitudinal / kGravity + 0.012 * vibration * noise(driveIndex, 1);
  t.gz = 1.0 + 0.02 * vibration * noise(driveIndex, 2);
  return t;
}

// A knock against the parked car: a damped sway, mostly sideways.
void addKnock(TelemetrySample &t, double since) {
  if (since < 0 || since > 1.5) return;
  const double envelope = std::exp(-since / 0.25);
  t.gx += 0.7 * envelope * std::cos(2 * kPi * 4 * since);
  t.gy += 0.25 * envelope * std::sin(2 * kPi * 4 * since);
  t.gz += 0.2 * envelope * std::cos(2 * kPi * 7 * since);
}

std::vector<TelemetrySample> run(const DrivePlan &plan, const Course &course,
                                 std::optional<uint32_t> brakeAt) {
  std::vector<TelemetrySample> out;
  out.reserve(plan.count);
  Car car(course);
  const uint32_t last = plan.firstIndex + plan.count;
  for (uint32_t index = 0; index < last; ++index) {
    if (brakeAt && index == plan.firstIndex + *brakeAt) car.brakeHard();
    if (index >= plan.firstIndex) {
      out.push_back(describe(course, *plan.route, index, car.s(), car.v(), car.longitudinal(),
                             car.lateral()));
    }
    for (int k = 0; k < kStepsPerSample; ++k) car.step();
  }
  return out;
}

std::vector<TelemetrySample> runParked(const DrivePlan &plan, const Course &course,
                                       std::optional<uint32_t> knockAt) {
  Car car(course);
  for (uint32_t index = 0; index < plan.firstIndex; ++index) {
    for (int k = 0; k < kStepsPerSample; ++k) car.step();
  }
  std::vector<TelemetrySample> out;
  for (uint32_t i = 0; i < plan.count; ++i) {
    TelemetrySample t = describe(course, *plan.route, plan.firstIndex + i, car.s(), 0, 0, 0);
    if (knockAt) addKnock(t, (static_cast<double>(i) - *knockAt) * kTelemetryStepMs / 1000.0);
    out.push_back(t);
  }
  return out;
}

// The first sample from `from` on (else the last one before it) at which the car drives
// at least 20 km/h, so that braking hard shows.
uint32_t brakingMoment(const std::vector<TelemetrySample> &smooth, uint32_t from) {
  const auto fastEnough = [&](uint32_t i) { return smooth[i].speedKmh >= 20; };
  for (uint32_t i = from; i < smooth.size(); ++i) {
    if (fastEnough(i)) return i;
  }
  for (uint32_t i = std::min<uint32_t>(from, static_cast<uint32_t>(smooth.size())); i-- > 0;) {
    if (fastEnough(i)) return i;
  }
  return from;
}

}  // namespace

DriveResult simulateDrive(const DrivePlan &plan) {
  if (!plan.route) throw std::logic_error("drive without a route");
  const Course course(*plan.route);

  DriveResult result;
  if (plan.mode == DriveMode::Parked) {
    result.samples = runParked(plan, course, plan.eventAt);
    result.eventIndex = plan.eventAt;
  } else if (plan.eventAt) {
    const uint32_t at = brakingMoment(run(plan, course, std::nullopt), *plan.eventAt);
    result.samples = run(plan, course, at);
    result.eventIndex = at;
  } else {
    result.samples = run(plan, course, std::nullopt);
  }

  for (uint32_t i = 0; i < result.samples.size(); ++i) {
    TelemetrySample &t = result.samples[i];
    t.utcMs = plan.startUtcMs + static_cast<int64_t>(i) * kTelemetryStepMs;
    for (const auto &[begin, end] : plan.noFix) {
      if (i < begin || i >= end) continue;
      t.fix = false;
      t.latitude = t.longitude = t.speedKmh = t.headingDeg = t.altitudeM = 0;
      t.satellites = static_cast<uint8_t>(unit(t.driveIndex / 50, 4) * 4);
    }
  }
  return result;
}

}  // namespace samplegen
