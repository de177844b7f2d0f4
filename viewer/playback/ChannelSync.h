// Keeps the channels of a recording showing the same moment. Each libvlc
// player runs on its own clock, started when that player got going; how long
// that takes differs from channel to channel, the more so on a busy machine.
// While the channels play, their clocks are watched (ChannelClock) and a rear
// channel that runs more than a few milliseconds behind or ahead of the front
// one is played a little faster or slower until it is back in step, which
// nobody sees, instead of being moved, which everybody sees. A one-file
// recording's rear channels are also switched to their own video tracks here.
// Everything goes through VLCComponent's channel operations.
#ifndef VIEWER_PLAYBACK_CHANNELSYNC_H
#define VIEWER_PLAYBACK_CHANNELSYNC_H

#include <QElapsedTimer>
#include <QObject>
#include <array>

#include "playback/ChannelClock.h"

class QTimer;
class VLCComponent;

class ChannelSync : public QObject {
  Q_OBJECT
 public:
  static constexpr int kChannels = ChannelClock::kChannels;
  // How far apart two channels' pictures may be before one is corrected.
  static constexpr int kToleranceMs = 60;
  // Further apart than this, a channel is moved rather than sped up.
  static constexpr int kMoveBeyondMs = 400;
  // A channel being corrected plays this much faster or slower.
  static constexpr double kNudge = 0.25;
  static constexpr int kPollMs = 10;
  // How long after a start or a move the channels may take to line up.
  static constexpr int kSettleLimitMs = 3000;
  // After every player took a pause: until the line-up, and until it is
  // asked for again.
  static constexpr int kLineUpMs = 80;
  static constexpr int kLineUpAgainMs = 250;
  // Line-ups in all, the checks of where the channels went included.
  static constexpr int kLineUpsAtMost = 6;
  // How far a paused channel's time may be from where it was moved to.
  static constexpr int kPausedSlackMs = 15;
  // How long players still opening may take to take the pause, and how often
  // one that has not taken it yet is asked again. libvlc queues every request
  // (a hundred at most, then it throws requests away, moves included), and a
  // busy player takes a while to work through them: asking at every poll
  // would fill that queue.
  static constexpr int kPauseWaitMs = 5000;
  static constexpr int kPauseAgainMs = 250;
  // A player paused before it got going again after a move keeps showing the
  // picture from before the move, whatever it is moved to later (its decoder
  // has no clock to place pictures by). Such a player takes the pause once it
  // runs, or after this long anyway.
  static constexpr int kLandLimitMs = 1500;
  // A forward change of a player's time up to this much is a step of a
  // running stream, not a jump.
  static constexpr int kStepAtMostMs = 1000;

  explicit ChannelSync(VLCComponent *engine);

  // What the engine did.
  void started(bool separateFiles);
  void channelRestarted(int channel, bool separateFiles);
  void moved();
  // Paused: the channels stopped one after the other, a few frames apart on a
  // busy machine; once every player has taken the pause they are all moved
  // to `at` (ms, -1 for nowhere), which a paused player shows to the frame.
  void paused(qint64 at);
  // A move of every channel while paused. Before the players have all taken
  // the pause it replaces the pending line-up instead of being lost; after,
  // the channels are moved at the next look and then checked like a line-up.
  void movePaused(qint64 ms);
  void resumed();
  void rateChanged(double rate);
  void stopped();

  // Channel 0's stream time now, to a few milliseconds; -1 while its clock is
  // not known (just started, moved, paused).
  qint64 mainTimeNow() const;
  // The same, or while the clock is not known yet a guess from the last time
  // libvlc reported; -1 when there is nothing to guess from.
  qint64 mainTimeGuess() const;
  // Rear tracks are being switched, or a channel is being brought into step,
  // or the clocks are not known yet (for at most kSettleLimitMs).
  bool isSettling() const;
  // The channel has been running since the last start or move of all
  // channels: a pause now shows the picture it is moved to.
  bool landed(int channel) const;
  // How far each rear channel was last measured behind channel 0 (ms).
  double lastLag(int channel) const;
  // Corrections made since the recording started.
  int corrections() const { return corrections_; }
  // Pauses asked for again of players that had not taken one yet.
  int pausesRepeated() const { return pausesRepeated_; }

 public slots:
  // A rear channel has taken up a video track.
  void onVideoTrackSelected(int channel, int track);

 private slots:
  void poll();

 private:
  double now() const;
  void startWatching();
  void switchPendingTracks();
  void endNudges(double now);
  void correct(int channel, double lagMs, double now);
  void alignPaused();
  void unland();
  void watchLanding(int channel);

  VLCComponent *engine_;
  QTimer *poll_;
  QElapsedTimer wall_;
  ChannelClock clock_;
  bool running_ = false;
  unsigned tracksPending_ = 0;
  unsigned tracksSwitching_ = 0;
  std::array<int, kChannels> wantedTrack_{};
  std::array<double, kChannels> nudgeEnds_{};  // wall ms; 0: no nudge
  std::array<int, kChannels> outOfStep_{};     // measurements in a row beyond tolerance
  std::array<int, kChannels> stepsSeen_{};
  std::array<double, kChannels> lastLag_{};
  double settleUntil_ = 0;
  qint64 pausedAt_ = -1;     // where paused channels are to be lined up
  double pauseAsked_ = 0;    // wall ms of the pause request
  double pausedSince_ = -1;  // wall ms when every player had taken it
  std::array<double, kChannels> pauseRepeated_{};  // wall ms a channel was last asked again
  std::array<qint64, kChannels> landSeen_{};  // time last reported since the move; -1: none yet
  unsigned landed_ = 0;
  int lineUps_ = 0;
  int corrections_ = 0;
  int pausesRepeated_ = 0;
};

#endif
