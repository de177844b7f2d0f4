#include "playback/ChannelClock.h"

#include <algorithm>

void ChannelClock::reset() {
  for (Track &t : tracks_) t = Track{};
}

void ChannelClock::reset(int channel) {
  if (channel >= 0 && channel < kChannels) tracks_[channel] = Track{};
}

void ChannelClock::setRate(double rate) {
  rate_ = rate > 0 ? rate : 1.0;
  reset();
}

void ChannelClock::observe(int channel, double wallMs, int64_t reportedMs) {
  if (channel < 0 || channel >= kChannels || reportedMs < 0) return;
  Track &t = tracks_[channel];
  if (reportedMs == t.last) return;
  const bool backwards = t.last >= 0 && reportedMs < t.last;
  const bool first = t.last < 0;
  t.last = reportedMs;
  t.lastWall = wallMs;
  if (first) return;  // a value that was there before we looked
  if (backwards) {    // moved back by someone: start over from here
    t.primed = false;
    t.starts.clear();
    return;
  }
  if (!t.primed) {
    t.primed = true;  // a seek's target shows before the clock runs
    return;
  }
  ++t.recorded;
  t.starts.push_back(wallMs - static_cast<double>(reportedMs) / rate_);
  if (t.starts.size() > static_cast<size_t>(kKeptSteps)) t.starts.pop_front();
}

bool ChannelClock::known(int channel) const {
  return channel >= 0 && channel < kChannels &&
         tracks_[channel].starts.size() >= static_cast<size_t>(kMinSteps);
}

int ChannelClock::steps(int channel) const {
  return channel >= 0 && channel < kChannels ? tracks_[channel].recorded : 0;
}

double ChannelClock::start(int channel) const {
  const std::deque<double> &s = tracks_[channel].starts;
  return *std::min_element(s.begin(), s.end());
}

double ChannelClock::roughTimeAt(int channel, double wallMs) const {
  if (channel < 0 || channel >= kChannels || tracks_[channel].last < 0) return -1;
  const Track &t = tracks_[channel];
  if (!t.primed) return -1;
  return static_cast<double>(t.last) + (wallMs - t.lastWall) * rate_;
}

double ChannelClock::timeAt(int channel, double wallMs) const {
  return (wallMs - start(channel)) * rate_;
}

bool ChannelClock::lag(int channel, double *ms) const {
  if (!known(0) || !known(channel)) return false;
  *ms = (start(channel) - start(0)) * rate_;
  return true;
}
