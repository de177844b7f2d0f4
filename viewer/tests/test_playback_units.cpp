// The playback engine's pieces that need no player: where each channel's
// clock stands (from libvlc's stepped time reports), and the choice of the
// audio output.
#include <gtest/gtest.h>

#include "playback/AudioOutput.h"
#include "playback/ChannelClock.h"

namespace {

// A channel whose clock started at `start` wall ms reports its time in steps
// of 250 ms; each new value is seen `late` ms after it appeared.
void feed(ChannelClock &clock, int channel, double start, int steps, double late = 0,
          int64_t from = 0) {
  for (int k = 0; k <= steps; ++k) {
    const int64_t value = from + 250 * k;
    clock.observe(channel, start + value + late * ((k * 7) % 5) / 4.0, value);
  }
}

TEST(ChannelClock, LearnsWhereEachClockStartedFromLateReadings) {
  ChannelClock clock;
  feed(clock, 0, 1000, 6, 8);
  feed(clock, 1, 1130, 6, 8);  // started 130 ms later: 130 ms behind
  feed(clock, 2, 940, 6, 8);   // 60 ms ahead
  ASSERT_TRUE(clock.known(0));
  double lag = 0;
  ASSERT_TRUE(clock.lag(1, &lag));
  EXPECT_NEAR(lag, 130, 3);
  ASSERT_TRUE(clock.lag(2, &lag));
  EXPECT_NEAR(lag, -60, 3);
  EXPECT_NEAR(clock.timeAt(0, 3000), 2000, 3);
}

TEST(ChannelClock, IgnoresTheFirstJumpAndStartsOverWhenMovedBack) {
  ChannelClock clock;
  clock.observe(0, 0, 0);       // there before we looked
  clock.observe(0, 10, 20000);  // a seek's target, shown before the clock runs
  EXPECT_EQ(clock.steps(0), 0);
  clock.observe(0, 600, 20250);
  EXPECT_FALSE(clock.known(0));  // one step is not enough
  clock.observe(0, 850, 20500);
  ASSERT_TRUE(clock.known(0));
  EXPECT_NEAR(clock.timeAt(0, 1350), 21000, 1);
  clock.observe(0, 900, 3000);  // moved back by someone else
  EXPECT_FALSE(clock.known(0));
  double lag;
  EXPECT_FALSE(clock.lag(0, &lag));
}

// Right after a move the player still reports where it was: that value is no
// guess of where it is now, the move's target is.
TEST(ChannelClock, GivesNoRoughGuessFromAValueSeenBeforeItChanged) {
  ChannelClock clock;
  clock.observe(0, 0, 4170);  // from before the move
  EXPECT_LT(clock.roughTimeAt(0, 100), 0);
  clock.observe(0, 150, 0);  // the move's target
  EXPECT_LT(clock.roughTimeAt(0, 200), 0);
  clock.observe(0, 400, 250);  // running from there
  EXPECT_NEAR(clock.roughTimeAt(0, 500), 350, 1);
}

TEST(ChannelClock, RateScalesStreamTimeAndForgetsTheOldClocks) {
  ChannelClock clock;
  feed(clock, 0, 0, 4);
  clock.setRate(2.0);
  EXPECT_FALSE(clock.known(0));
  // At twice the speed a 250 ms step takes 125 ms of wall time.
  for (int k = 0; k <= 4; ++k) clock.observe(0, 1000 + 125.0 * k, 5000 + 250 * k);
  for (int k = 0; k <= 4; ++k) clock.observe(1, 1050 + 125.0 * k, 5000 + 250 * k);
  double lag = 0;
  ASSERT_TRUE(clock.lag(1, &lag));
  EXPECT_NEAR(lag, 100, 2);  // 50 wall ms at 2x is 100 ms of the recording
}

TEST(AudioOutput, PrefersTheSoundServerThenTheCardThenSilence) {
  const QList<QByteArray> all{"pulse", "alsa", "adummy", "afile"};
  EXPECT_EQ(AudioOutput::choose(all, {true, true}), QByteArray("pulse"));
  EXPECT_EQ(AudioOutput::choose(all, {false, true}), QByteArray("alsa"));
  EXPECT_EQ(AudioOutput::choose(all, {false, false}), QByteArray("adummy"));
  // An output libvlc lacks is not chosen, whatever the machine has.
  EXPECT_EQ(AudioOutput::choose({"alsa", "adummy"}, {true, true}), QByteArray("alsa"));
  EXPECT_EQ(AudioOutput::choose({}, {true, true}), QByteArray("adummy"));
}

}  // namespace
