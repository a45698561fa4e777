// Nothing of a player polls while there is nothing to watch: once a player
// is stopped, has failed or has played to the end, the user-interface loop
// sleeps until something else wakes it. Each case lets the loop settle,
// then runs it for half a second with one wake-up of its own at the end and
// counts the iterations: a 100 ms (or faster) poll left running adds several.
#include <glib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "PlayerTestKit.h"
#include "Shell.h"
#include "TempDir.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"

using namespace playertest;

namespace {

// Iterations of the user-interface loop over `ms`, its own wake-up included.
int LoopIterations(int ms) {
  PumpFor(300);  // what the last step posted or armed runs out first
  bool done = false;
  g_timeout_add(static_cast<guint>(ms), [](gpointer flag) -> gboolean {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
  }, &done);
  int iterations = 0;
  while (!done) {
    g_main_context_iteration(nullptr, TRUE);
    ++iterations;
  }
  return iterations;
}

class PlayerIdle : public TLiveStreamTest {};

}  // namespace

TEST_F(PlayerIdle, DirectPlayerPollsNothingBeforeAfterStopAfterFailureOrAtTheEnd) {
  TBassRadioPlayer player;
  player.Resolvers = {};
  EXPECT_EQ(LoopIterations(500), 1) << "a player that never played";

  Live("/live");
  ASSERT_TRUE(PlayTo(player, server.Url("/live")));
  player.Stop();
  EXPECT_EQ(LoopIterations(500), 1) << "after Stop";

  // A failed attempt (nothing listens there any more).
  player.Address = "http://127.0.0.1:9/none";
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; }, 15000));
  EXPECT_NE(player.LastError, 0);
  EXPECT_EQ(LoopIterations(500), 1) << "after a failed attempt";

  // A file that plays to its end.
  ASSERT_TRUE(PlayTo(player, "file://" + Media("short.mp3").string()));
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; }, 8000));
  EXPECT_EQ(LoopIterations(500), 1) << "after the end of a file";
}

TEST_F(PlayerIdle, FfmpegPlayerPollsNothingAfterStopOrAtTheEnd) {
  testkit::TempDir runtime;
  testkit::EnvScope runtimeEnv{"XDG_RUNTIME_DIR", runtime.Path().c_str()};
  TAVConvRadioPlayer player;
  player.Resolvers = {};
  player.PrebufferBytes = 262144;
  EXPECT_EQ(LoopIterations(500), 1) << "a player that never played";

  Live("/live");
  ASSERT_TRUE(PlayTo(player, server.Url("/live")));
  player.Stop();
  EXPECT_EQ(LoopIterations(500), 1) << "after Stop";

  // A clip whose decoder ends: its output plays out and the player stops.
  ASSERT_TRUE(PlayTo(player, Media("short.mp3").string()));
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; }, 8000));
  EXPECT_EQ(LoopIterations(500), 1) << "after the decoder ended";
}

// Playing on undisturbed, the player only waits for a change (the library's
// syncs tell of the end and of running dry): once a second, not ten times.
// A stall brings the quick poll back, since the fill it shows moves on
// every poll.
TEST_F(PlayerIdle, APlayerPlayingOnWakesTheLoopOnceASecondAndQuicklyWhileStalled) {
  TBassRadioPlayer player;
  player.Resolvers = {};
  player.SetNetBuffer(2000);
  player.SetNetTimeout(20000);  // the open, silent connection is no failure
  TLiveOptions options;
  options.stallAfter = 80000;  // the burst and a second, then silence
  Live("/live", options);
  ASSERT_TRUE(PlayTo(player, server.Url("/live")));
  EXPECT_LE(LoopIterations(3000), 5) << "in three seconds of playing on";

  int stalls = 0;
  player.OnStall = [&](core::TObject*) { ++stalls; };
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStalled; }, 20000));
  stalls = 0;
  PumpFor(1000);
  EXPECT_GE(stalls, 6) << "the stalled fill is followed ten times a second";
  player.Stop();
}

// With the poll that slow, the end of a file still is news at once: the
// library's end sync makes the poll look, so that the next file of a list
// follows without a gap. (Files of 1, 2 and 3 s: the poll alone would see
// each end a good part of its interval late.)
TEST_F(PlayerIdle, TheEndOfAFileIsReportedAtOnceNotAtThePollsNextLook) {
  TBassRadioPlayer player;
  player.Resolvers = {};
  for (const char* name : {"short.mp3", "mono.wav", "tone.aac"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(PlayTo(player, "file://" + Media(name).string()));
    const audio::DWORD channel = player.Channel;
    ASSERT_TRUE(PumpUntil([&] { return audio::ChannelIsActive(channel) == audio::ACTIVE_STOPPED; }, 8000));
    const auto ended = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; }, 2000));
    EXPECT_LT(std::chrono::steady_clock::now() - ended, std::chrono::milliseconds(80));
  }
}
