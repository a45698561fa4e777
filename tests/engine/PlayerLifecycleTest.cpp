// The play/stop/pause rules of the player contract, on the real audio
// library (no-sound device) with live streams served on 127.0.0.1.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "PlayerTestKit.h"
#include "engine/BassRadioPlayer.h"

using namespace playertest;

namespace {

class PlayerLifecycle : public TLiveStreamTest {};

}  // namespace

TEST_F(PlayerLifecycle, PlayWhilePausedResumesWithoutANewConnection) {
  Live("/live");
  TBassRadioPlayer player;
  TEventLog log(player);
  ASSERT_TRUE(PlayTo(player, server.Url("/live"))) << log.Timeline();
  player.Pause();
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPaused; }));
  EXPECT_TRUE(player.IsPaused());
  log.Clear();
  EXPECT_TRUE(player.Play());
  EXPECT_EQ(log.Joined(), "pause") << "resuming reports at once, the state follows on the next poll";
  EXPECT_EQ(player.State, psPaused);
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; }));
  EXPECT_EQ(log.Joined(), "pause play");
  EXPECT_EQ(server.RequestCount("/live"), 1);
  EXPECT_EQ(player.ThreadCount(), 0);
}

TEST_F(PlayerLifecycle, PlayWhileBusyOrWithoutAddressIsRefused) {
  Live("/slow", {}, 400);
  TBassRadioPlayer player;
  TEventLog log(player);
  player.Address = "";
  EXPECT_FALSE(player.Play());
  EXPECT_EQ(player.LastError, 2);
  EXPECT_EQ(player.State, psStopped);
  EXPECT_TRUE(log.Events().empty());

  player.Address = server.Url("/slow");
  ASSERT_TRUE(player.Play());
  EXPECT_EQ(player.State, psConnecting);
  EXPECT_EQ(player.LastError, 0);
  EXPECT_FALSE(player.Play());
  EXPECT_EQ(player.LastError, 46);
  EXPECT_EQ(player.State, psConnecting);
  EXPECT_EQ(player.ThreadCount(), 1);

  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; })) << log.Timeline();
  EXPECT_FALSE(player.Play());
  EXPECT_EQ(player.LastError, 46);
  EXPECT_EQ(player.State, psPlaying);
  EXPECT_EQ(log.Count("connecting"), 1);
  EXPECT_EQ(server.RequestCount("/slow"), 1);
}

TEST_F(PlayerLifecycle, StopWhileConnectingAbandonsTheAttempt) {
  Live("/slow", {}, 300);
  TFakeRecorder recorder;
  TRecorderScope scope(&recorder);
  TBassRadioPlayer player;
  TEventLog log(player);
  player.Address = server.Url("/slow");
  ASSERT_TRUE(player.Play());
  player.Stop();
  EXPECT_EQ(log.Joined(), "connecting error:-2");
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(player.LastError, -2);
  // The worker still opens the stream; nobody takes it over and it is
  // dropped, so the server sees its listener go.
  ASSERT_TRUE(PumpUntil([&] { return closedByClient.load(); }));
  PumpFor(250);
  EXPECT_EQ(log.Joined(), "connecting error:-2") << "the late result is ignored";
  EXPECT_EQ(player.Channel, 0u);
  EXPECT_EQ(player.State, psStopped);
  uint64_t recorded = recorder.Bytes();
  PumpFor(200);
  EXPECT_EQ(recorder.Bytes(), recorded) << "the dropped stream no longer feeds the recorder";

  // A later Play starts a fresh attempt.
  log.Clear();
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; })) << log.Timeline();
  EXPECT_EQ(log.Events().front(), "connecting");
  EXPECT_EQ(log.Events().back(), "play");
  EXPECT_EQ(player.ThreadCount(), 0) << "the abandoned worker was reaped";
}

TEST_F(PlayerLifecycle, StopOnAPausedStreamUnpausesSilently) {
  Live("/live");
  TBassRadioPlayer player;
  TEventLog log(player);
  ASSERT_TRUE(PlayTo(player, server.Url("/live")));
  player.Pause();
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPaused; }));
  std::vector<float> volumes;
  std::vector<audio::DWORD> activity;
  auto logPause = player.OnPause;
  player.OnPause = [&](core::TObject* sender) {
    float v = -1;
    audio::ChannelGetAttribute(player.Channel, audio::ATTRIB_VOL, &v);
    volumes.push_back(v);
    activity.push_back(audio::ChannelIsActive(player.Channel));
    logPause(sender);
  };
  audio::DWORD channel = player.Channel;
  log.Clear();
  player.Stop();
  EXPECT_EQ(log.Joined(), "pause pause stop");
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0], 0.0f) << "silenced before the channel runs again";
  EXPECT_NE(activity[0], audio::ACTIVE_PAUSED);
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(player.Channel, 0u);
  EXPECT_EQ(audio::ChannelIsActive(channel), audio::ACTIVE_STOPPED);
  ASSERT_TRUE(PumpUntil([&] { return closedByClient.load(); }));
}

TEST_F(PlayerLifecycle, VolumeIsClampedAndAppliedOnlyOnChange) {
  TBassRadioPlayer player;
  EXPECT_EQ(player.Volume, 25);
  player.SetVolume(150);
  EXPECT_EQ(player.Volume, 100);
  player.SetVolume(-5);
  EXPECT_EQ(player.Volume, 0);
  player.SetPrebufferPercent(120);
  EXPECT_EQ(player.PrebufferPercent, 100);
  player.SetPrebufferPercent(-1);
  EXPECT_EQ(player.PrebufferPercent, 0);

  player.Channel = audio::StreamCreate(44100, 2, 0, audio::STREAMPROC_PUSH, nullptr);
  ASSERT_NE(player.Channel, 0u);
  player.SetVolume(40);
  float v = 0;
  ASSERT_TRUE(audio::ChannelGetAttribute(player.Channel, audio::ATTRIB_VOL, &v));
  EXPECT_FLOAT_EQ(v, 0.4f);
  audio::ChannelSetAttribute(player.Channel, audio::ATTRIB_VOL, 0.9f);
  player.SetVolume(40);
  audio::ChannelGetAttribute(player.Channel, audio::ATTRIB_VOL, &v);
  EXPECT_FLOAT_EQ(v, 0.9f) << "the same volume does not touch the channel";
  audio::StreamFree(player.Channel);
  player.Channel = 0;
}

TEST_F(PlayerLifecycle, StalledStreamReportsOnEveryTick) {
  TLiveOptions options;
  // One second of audio, then nothing more.
  options.burst = 16000;
  options.stallAfter = 16000;
  Live("/stall", options);
  TBassRadioPlayer player;
  player.SetNetBuffer(1000);
  player.SetPrebufferPercent(0);
  TEventLog log(player);
  ASSERT_TRUE(PlayTo(player, server.Url("/stall"))) << log.Timeline();
  ASSERT_TRUE(PumpUntil([&] { return log.Count("stall") >= 5; })) << log.Timeline();
  EXPECT_EQ(player.State, psStalled);
  auto times = log.Times("stall");
  for (std::size_t i = 1; i < times.size(); ++i) {
    EXPECT_GE(times[i] - times[i - 1], 60) << "one report per status tick";
    EXPECT_LE(times[i] - times[i - 1], 400);
  }
  EXPECT_EQ(log.Count("stop"), 0);
  player.Stop();
  EXPECT_EQ(log.Events().back(), "stop");
}

TEST_F(PlayerLifecycle, DroppedConnectionStallsAndResumesWhileRecording) {
  // Each connection carries one second of audio; the second answer comes
  // late, so the buffer runs dry in between.
  TLiveOptions options;
  options.limit = 16000;
  options.burst = 16000;
  std::atomic<int> connections{0};
  server.Route("/drop", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    if (connections++ > 0 && !server.SleepFor(std::chrono::milliseconds(1500))) return;
    ServeLive(server, c, mp3, options);
  });
  TFakeRecorder recorder;
  TRecorderScope scope(&recorder);
  TBassRadioPlayer player;
  player.SetNetBuffer(1000);
  player.SetPrebufferPercent(0);
  player.StationName = "Test Radio";
  TEventLog log(player);
  ASSERT_TRUE(PlayTo(player, server.Url("/drop"))) << log.Timeline();
  audio::DWORD channel = player.Channel;
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStalled; })) << log.Timeline();
  uint64_t atStall = recorder.Bytes();
  EXPECT_GT(atStall, 0u);
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; })) << log.Timeline();
  EXPECT_EQ(player.Channel, channel) << "the same stream goes on";
  EXPECT_EQ(player.StationName, "Test Radio");
  EXPECT_GE(connections.load(), 2);
  ASSERT_TRUE(PumpUntil([&] { return recorder.Bytes() > atStall; })) << "the recording keeps receiving bytes";
  EXPECT_EQ(log.Count("connecting"), 1);
  EXPECT_EQ(log.Count("stop"), 0);
  EXPECT_EQ(log.Count("error:" + std::to_string(player.LastError)), 0);
  auto events = log.Events();
  auto firstStall = std::find(events.begin(), events.end(), "stall");
  ASSERT_NE(firstStall, events.end());
  EXPECT_NE(std::find(firstStall, events.end(), "play"), events.end()) << log.Timeline();
}

TEST_F(PlayerLifecycle, StopWhileBufferingEndsTheBuffering) {
  TLiveOptions options;
  options.burst = 20000;          // enough to recognise the format
  options.bytesPerSecond = 2000;  // far too slow to reach the threshold
  Live("/trickle", options);
  TBassRadioPlayer player;
  TEventLog log(player);
  player.Address = server.Url("/trickle");
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psBuffering; })) << log.Timeline();
  EXPECT_FALSE(player.Play());
  EXPECT_EQ(player.LastError, 46);
  player.Stop();
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(player.Channel, 0u);
  EXPECT_EQ(log.Events().back(), "stop");
  std::size_t count = log.Events().size();
  PumpFor(200);
  EXPECT_EQ(player.State, psStopped) << "no pre-buffer tick revives the state";
  EXPECT_EQ(log.Events().size(), count);
  ASSERT_TRUE(PumpUntil([&] { return closedByClient.load(); }));
}

TEST_F(PlayerLifecycle, DestroyingWhileConnectingWaitsAndDropsTheLateStream) {
  Live("/slow", {}, 300);
  bool stopped = false;
  {
    TBassRadioPlayer player;
    player.OnError = [&](core::TObject*) { stopped = true; };
    player.Address = server.Url("/slow");
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(PumpUntil([&] { return server.RequestCount("/slow") == 1; }));
  }
  EXPECT_FALSE(stopped) << "a player being destroyed tells nobody";
  ASSERT_TRUE(PumpUntil([&] { return closedByClient.load(); })) << "the stream opened too late was freed";
}

TEST_F(PlayerLifecycle, StopRightAfterTheStreamOpenedStopsIt) {
  Live("/live");
  TBassRadioPlayer player;
  TEventLog log(player);
  // The hand-over reads the fill at once; a Stop from that first report
  // (the earliest moment a client can act on the stream) stops the stream
  // instead of abandoning a connection that is already made.
  auto logBuffering = player.OnBuffering;
  int32_t stateAtFirst = -1;
  player.OnBuffering = [&](core::TObject* s, int32_t percent) {
    logBuffering(s, percent);
    if (stateAtFirst >= 0) return;
    stateAtFirst = player.State;
    player.Stop();
  };
  player.Address = server.Url("/live");
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return stateAtFirst >= 0; }));
  EXPECT_EQ(stateAtFirst, psBuffering);
  EXPECT_EQ(log.Count("stop"), 1) << log.Joined();
  EXPECT_FALSE(log.Has("play"));
  EXPECT_EQ(player.Channel, 0u);
  PumpFor(200);
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(log.Count("stop"), 1) << log.Joined();
  EXPECT_FALSE(log.Has("play"));
  ASSERT_TRUE(PumpUntil([&] { return closedByClient.load(); }));
}
