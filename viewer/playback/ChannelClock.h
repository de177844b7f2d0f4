// Where each channel's playing clock stands, from what libvlc reports. libvlc
// 3.0 updates a player's time only in steps (a quarter or half a second), but
// each step is reported at the moment the stream reaches it, so the wall time
// at which a new value appears, less that value, is where the player's clock
// was started. Readings arrive late (they are polled), never early, so the
// smallest of the last few is the best guess. Comparing two channels' starts
// tells how far apart their pictures are, to a few milliseconds. No Qt here.
#ifndef VIEWER_PLAYBACK_CHANNELCLOCK_H
#define VIEWER_PLAYBACK_CHANNELCLOCK_H

#include <array>
#include <cstdint>
#include <deque>

class ChannelClock {
 public:
  static constexpr int kChannels = 3;
  // Steps needed before a channel's clock is known.
  static constexpr int kMinSteps = 2;
  static constexpr int kKeptSteps = 6;

  // Forgets every channel (after a move of all of them, a pause, a start).
  void reset();
  // Forgets one channel (it was moved or sped up on its own).
  void reset(int channel);
  // Stream milliseconds per wall millisecond; forgets every channel.
  void setRate(double rate);
  double rate() const { return rate_; }

  // A reading of a channel's reported time, taken at wallMs.
  void observe(int channel, double wallMs, int64_t reportedMs);

  bool known(int channel) const;
  // Steps recorded for the channel since it was last forgotten.
  int steps(int channel) const;
  // The channel's stream time at wallMs; needs known(channel).
  double timeAt(int channel, double wallMs) const;
  // A rougher guess while the clock is not known: the last value seen and
  // the time since it appeared (it may have been a jump that the clock has
  // not caught up with yet); -1 until the value changed once since the reset
  // (the first value seen may be from before a move).
  double roughTimeAt(int channel, double wallMs) const;
  // How far the channel's pictures are behind channel 0's, in stream ms
  // (negative: ahead); false when either clock is not known.
  bool lag(int channel, double *ms) const;

 private:
  struct Track {
    int64_t last = -1;    // the value seen last
    double lastWall = 0;  // when it was seen first
    bool primed = false;  // the first change after a reset is a jump, not a step
    int recorded = 0;
    std::deque<double> starts;
  };
  double start(int channel) const;

  std::array<Track, kChannels> tracks_{};
  double rate_ = 1.0;
};

#endif
