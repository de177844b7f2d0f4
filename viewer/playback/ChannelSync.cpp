#include "playback/ChannelSync.h"

#include <QTimer>
#include <cmath>
#include <cstdlib>

#include "core/StatusLog.h"
#include "playback/VLCComponent.h"

ChannelSync::ChannelSync(VLCComponent *engine) : QObject(engine), engine_(engine) {
  poll_ = new QTimer(this);
  poll_->setTimerType(Qt::PreciseTimer);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &ChannelSync::poll);
  wall_.start();
}

double ChannelSync::now() const {
  return static_cast<double>(wall_.nsecsElapsed()) / 1e6;
}

void ChannelSync::startWatching() {
  clock_.setRate(engine_->rate());
  nudgeEnds_ = {};
  outOfStep_ = {};
  stepsSeen_ = {};
  lastLag_ = {};
  settleUntil_ = now() + kSettleLimitMs;
  running_ = true;
  poll_->start();
}

void ChannelSync::started(bool separateFiles) {
  tracksPending_ = 0;
  tracksSwitching_ = 0;
  // libvlc starts every player of a one-file recording on its first video
  // track (a media option cannot choose another), so the rear players are
  // switched to theirs as soon as they know the file's tracks.
  if (!separateFiles)
    for (int i = 1; i < engine_->activeChannels(); ++i) tracksPending_ |= 1u << i;
  corrections_ = 0;
  unland();
  startWatching();
}

void ChannelSync::unland() {
  landed_ = 0;
  landSeen_.fill(-1);
}

bool ChannelSync::landed(int channel) const {
  return channel >= 0 && channel < kChannels && (landed_ & (1u << channel));
}

void ChannelSync::watchLanding(int channel) {
  if (landed(channel)) return;
  const qint64 at = engine_->channelTime(channel);
  if (at < 0) return;
  const qint64 last = landSeen_[channel];
  landSeen_[channel] = at;
  if (last >= 0 && at > last && at - last <= kStepAtMostMs) landed_ |= 1u << channel;
}

void ChannelSync::channelRestarted(int channel, bool separateFiles) {
  if (channel < 0 || channel >= kChannels) return;
  if (!separateFiles && channel > 0) tracksPending_ |= 1u << channel;
  landed_ &= ~(1u << channel);
  landSeen_[channel] = -1;
  if (nudgeEnds_[channel] > 0) nudgeEnds_[channel] = 0;  // the new player runs at the base rate
  clock_.reset(channel);
  outOfStep_[channel] = 0;
  settleUntil_ = now() + kSettleLimitMs;
}

void ChannelSync::moved() {
  pausedAt_ = -1;  // a move of all channels lines them up by itself
  unland();
  // Every channel was moved to the same time: their old clocks are gone, and
  // a channel being sped up goes back to the common rate.
  for (int i = 0; i < kChannels; ++i)
    if (nudgeEnds_[i] > 0 && i < engine_->activeChannels())
      engine_->setChannelRate(i, engine_->rate());
  if (running_) startWatching();
}

void ChannelSync::paused(qint64 at) {
  poll_->stop();
  for (int i = 0; i < kChannels; ++i)
    if (nudgeEnds_[i] > 0 && i < engine_->activeChannels())
      engine_->setChannelRate(i, engine_->rate());
  nudgeEnds_ = {};
  clock_.reset();
  running_ = false;
  pausedAt_ = at;
  pauseAsked_ = now();
  pausedSince_ = -1;
  // The engine paused the players that have landed; the others are asked
  // once they have (see alignPaused).
  for (int i = 0; i < kChannels; ++i) pauseRepeated_[i] = landed(i) ? pauseAsked_ : -1e9;
  lineUps_ = 0;
  if (pausedAt_ >= 0) poll_->start();
}

void ChannelSync::movePaused(qint64 ms) {
  const bool waiting = pausedAt_ >= 0 && pausedSince_ < 0;
  pausedAt_ = ms;
  if (waiting) return;  // still waiting for the players to take the pause
  // Moved now, asked once more a moment later like the pause's line-up (a
  // paused player can lose a move and still report its time), then checked.
  for (int i = 0; i < engine_->activeChannels(); ++i) engine_->seekChannel(i, ms);
  pausedSince_ = now();
  lineUps_ = 1;
  poll_->start();
}

void ChannelSync::resumed() {
  pausedAt_ = -1;
  startWatching();
}

// A move asked for while the pause is still reaching a player's decoder is
// lost by libvlc 3.0 (that player then keeps an older picture, or none): the
// line-up waits until every player has taken the pause and a little more,
// and is asked for once more a moment later, which costs one decode.
void ChannelSync::alignPaused() {
  const int count = engine_->activeChannels();
  const double t = now();
  if (pausedSince_ < 0) {
    // A player still opening when the pause came ignored it (libvlc takes a
    // pause only from a playing player): it is asked again once it plays.
    bool all = true;
    for (int i = 0; i < count; ++i) {
      if (engine_->channelPaused(i)) continue;
      all = false;
      watchLanding(i);
      if (!landed(i) && t - pauseAsked_ < kLandLimitMs) continue;
      if (t - pauseRepeated_[i] < kPauseAgainMs) continue;
      pauseRepeated_[i] = t;
      ++pausesRepeated_;
      engine_->pauseChannel(i);
    }
    if (!all && t - pauseAsked_ < kPauseWaitMs) return;
    if (!all) logError("[ChannelSync]: not every channel took the pause");
    pausedSince_ = t;
    return;
  }
  const int due = lineUps_ == 0 ? kLineUpMs : kLineUpAgainMs;
  if (t - pausedSince_ < due) return;
  pausedSince_ = t;
  if (lineUps_ < 2) {
    for (int i = 0; i < count; ++i) engine_->seekChannel(i, pausedAt_);
    logDebug("[ChannelSync]: paused channels lined up at %lld ms",
             static_cast<long long>(pausedAt_));
    ++lineUps_;
    return;
  }
  // A move can still be lost on a busy machine: a channel whose time is not
  // where the others were moved to is moved again, a few times at most.
  bool apart = false;
  for (int i = 0; i < count; ++i) {
    const qint64 at = engine_->channelTime(i);
    logDebug("[ChannelSync]: paused channel %d at %lld ms", i, static_cast<long long>(at));
    if (at >= 0 && std::llabs(at - pausedAt_) <= kPausedSlackMs) continue;
    apart = true;
    if (lineUps_ < kLineUpsAtMost) engine_->seekChannel(i, pausedAt_);
  }
  if (apart && ++lineUps_ <= kLineUpsAtMost) return;
  if (apart) logError("[ChannelSync]: paused channels could not be lined up");
  pausedAt_ = -1;
  poll_->stop();
}

void ChannelSync::rateChanged(double) {
  pausedAt_ = -1;
  nudgeEnds_ = {};
  if (running_) startWatching();
}

void ChannelSync::stopped() {
  poll_->stop();
  pausedAt_ = -1;
  running_ = false;
  tracksPending_ = 0;
  tracksSwitching_ = 0;
  nudgeEnds_ = {};
  clock_.reset();
}

qint64 ChannelSync::mainTimeNow() const {
  if (!running_ || !clock_.known(0) || nudgeEnds_[0] > 0) return -1;
  return static_cast<qint64>(std::max(0.0, clock_.timeAt(0, now())));
}

qint64 ChannelSync::mainTimeGuess() const {
  const qint64 known = mainTimeNow();
  if (known >= 0 || !running_) return known;
  const double rough = clock_.roughTimeAt(0, now());
  return rough < 0 ? -1 : static_cast<qint64>(rough);
}

bool ChannelSync::isSettling() const {
  if (pausedAt_ >= 0) return true;
  if (!running_) return false;
  if (tracksPending_ || tracksSwitching_) return true;
  for (double end : nudgeEnds_)
    if (end > 0) return true;
  if (now() > settleUntil_) return false;
  for (int i = 0; i < engine_->activeChannels(); ++i) {
    if (!clock_.known(i)) return true;
    if (i > 0 && outOfStep_[i] > 0) return true;
  }
  return false;
}

double ChannelSync::lastLag(int channel) const {
  return channel > 0 && channel < kChannels ? lastLag_[channel] : 0;
}

void ChannelSync::onVideoTrackSelected(int channel, int track) {
  if (channel <= 0 || channel >= kChannels || !(tracksSwitching_ & (1u << channel))) return;
  if (wantedTrack_[channel] != track) return;
  tracksSwitching_ &= ~(1u << channel);
  // A track taken up while playing shows nothing before its next key frame;
  // moving the channel brings one in at once.
  qint64 at = mainTimeGuess();
  if (at < 0) at = engine_->channelTime(0);
  engine_->seekChannel(channel, std::max<qint64>(0, at));
  clock_.reset(channel);
  outOfStep_[channel] = 0;
}

void ChannelSync::switchPendingTracks() {
  for (int i = 1; i < engine_->activeChannels(); ++i) {
    if (!(tracksPending_ & (1u << i))) continue;
    const QList<int> ids = engine_->videoTrackIds(i);
    if (ids.size() <= i) continue;  // the player does not know the tracks yet
    tracksPending_ &= ~(1u << i);
    if (engine_->videoTrack(i) == ids.at(i)) continue;
    wantedTrack_[i] = ids.at(i);
    tracksSwitching_ |= 1u << i;
    logDebug("[ChannelSync]: channel %d takes video track %d", i, ids.at(i));
    engine_->setVideoTrack(i, ids.at(i));
  }
}

void ChannelSync::endNudges(double t) {
  for (int i = 0; i < engine_->activeChannels(); ++i) {
    if (nudgeEnds_[i] <= 0 || t < nudgeEnds_[i]) continue;
    nudgeEnds_[i] = 0;
    engine_->setChannelRate(i, engine_->rate());
    clock_.reset(i);
    outOfStep_[i] = 0;
  }
}

void ChannelSync::poll() {
  const int count = engine_->activeChannels();
  if (count == 0) return;
  if (pausedAt_ >= 0) {
    alignPaused();
    return;
  }
  const double t = now();
  for (int i = 0; i < count; ++i) {
    clock_.observe(i, t, engine_->channelTime(i));
    watchLanding(i);
  }
  if (tracksPending_) switchPendingTracks();
  endNudges(t);
  const bool mainFresh = clock_.steps(0) != stepsSeen_[0];
  stepsSeen_[0] = clock_.steps(0);
  for (int i = 1; i < count; ++i) {
    const bool fresh = mainFresh || clock_.steps(i) != stepsSeen_[i];
    stepsSeen_[i] = clock_.steps(i);
    double lag = 0;
    if (!fresh || nudgeEnds_[i] > 0 || (tracksSwitching_ & (1u << i)) || !clock_.lag(i, &lag))
      continue;
    lastLag_[i] = lag;
    if (std::fabs(lag) <= kToleranceMs) {
      outOfStep_[i] = 0;
      continue;
    }
    // Two measurements in a row, so one late reading does not start a correction.
    if (++outOfStep_[i] >= 2) correct(i, lag, t);
  }
}

void ChannelSync::correct(int channel, double lagMs, double t) {
  ++corrections_;
  outOfStep_[channel] = 0;
  const double base = engine_->rate();
  if (std::fabs(lagMs) > kMoveBeyondMs) {
    const qint64 at = mainTimeNow();
    logDebug("[ChannelSync]: channel %d is %.0f ms away from channel 0: moved", channel, lagMs);
    if (at >= 0) engine_->seekChannel(channel, at);
    clock_.reset(channel);
    return;
  }
  // A channel behind plays faster for as long as it takes to catch up.
  const double factor = lagMs > 0 ? 1.0 + kNudge : 1.0 - kNudge;
  const double wallMs = std::fabs(lagMs) / (kNudge * base);
  logDebug("[ChannelSync]: channel %d is %.0f ms %s channel 0: %.2fx for %.0f ms", channel,
           std::fabs(lagMs), lagMs > 0 ? "behind" : "ahead of", factor, wallMs);
  engine_->setChannelRate(channel, static_cast<float>(base * factor));
  nudgeEnds_[channel] = t + wallMs;
  clock_.reset(channel);
}
