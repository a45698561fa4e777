// The ffmpeg pipe player with the real ffmpeg and the real audio library:
// the decoder's description lines, playback through the FIFO, the end of
// a clip, the decoder-ended restarts, failed starts and tear-down.
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "PlayerTestKit.h"
#include "Shell.h"
#include "TempDir.h"
#include "engine/AVConvRadioPlayer.h"

using namespace playertest;
namespace fs = std::filesystem;

namespace {

bool ProcessGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

bool IsFifo(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

class AVConvPlayer : public ::testing::Test {
 protected:
  void SetUp() override { REQUIRE_AUDIO(lib); }

  void Live(const std::string& path, TLiveOptions options = {}) {
    if (mp3.empty()) mp3 = ReadBytes(Media("tone.mp3"));
    server.Route(path, [this, options](const testkit::HttpRequest&, testkit::Connection& c) {
      ServeLive(server, c, mp3, options);
    });
  }

  // Whatever the player left in the runtime folder.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(runtime.Path())) names.push_back(entry.path().filename());
    return names;
  }

  void Configure(TAVConvRadioPlayer& player, const std::string& address) {
    player.Resolvers = {};
    player.PrebufferBytes = 262144;
    player.Address = address;
  }

  testkit::TempDir runtime;
  TAudioLibrary lib;
  // The player's pipes go to a private runtime folder for each test.
  testkit::EnvScope runtimeEnv{"XDG_RUNTIME_DIR", runtime.Path().c_str()};
  // Before the server: its handlers read it until the server has stopped.
  std::string mp3;
  testkit::FixtureServer server;
};

}  // namespace

TEST(AVConvDescription, StreamLinesGiveCodecRateChannelsAndBitrate) {
  using P = TAVConvRadioPlayer;
  std::string info = P::StreamInfoFromLine("  Stream #0:0: Audio: aac (LC), 44100 Hz, stereo, fltp, 64 kb/s");
  EXPECT_EQ(info, "aac (LC), 44100 Hz, stereo, fltp, 64 kb/s");
  EXPECT_EQ(P::CodecFromInfo(info), "aac");
  EXPECT_EQ(P::SampleRateFromInfo(info), 44100);
  EXPECT_TRUE(P::StereoFromInfo(info));
  EXPECT_EQ(P::BitrateFromInfo(info), 64);
  // A stream line without audio leaves the description to a later line.
  EXPECT_EQ(P::StreamInfoFromLine("Stream #0:0: Video: h264 (High), yuv420p, 1280x720"), "");
  EXPECT_EQ(P::StreamInfoFromLine("Stream #0:1[0x101]: Audio: mp2, 48000 Hz, mono, s16p, 96 kb/s"),
            "mp2, 48000 Hz, mono, s16p, 96 kb/s");

  // Four fields: no bit rate; other layouts are not stereo.
  EXPECT_EQ(P::BitrateFromInfo("opus, 48000 Hz, 2 channels, fltp"), -1);
  EXPECT_TRUE(P::StereoFromInfo("opus, 48000 Hz, 2 channels, fltp"));
  EXPECT_FALSE(P::StereoFromInfo("ac3, 48000 Hz, 5.1(side), fltp, 384 kb/s"));
  EXPECT_FALSE(P::StereoFromInfo("mp3, 22050 Hz, mono, fltp, 32 kb/s"));
  EXPECT_EQ(P::BitrateFromInfo("ac3, 48000 Hz, 5.1(side), fltp, 384 kb/s"), 384);
  // Numbers must be whole words before a blank.
  EXPECT_EQ(P::SampleRateFromInfo("mp3, 44100, stereo"), -1);
  EXPECT_EQ(P::SampleRateFromInfo("mp3, 44.1 kHz, stereo"), -1);
  EXPECT_EQ(P::BitrateFromInfo("mp3, 44100 Hz, stereo, fltp, 128"), -1);
  EXPECT_EQ(P::BitrateFromInfo("mp3, 44100 Hz, stereo, fltp, N/A kb/s"), -1);
  EXPECT_EQ(P::SampleRateFromInfo("vorbis"), -1);
  EXPECT_EQ(P::CodecFromInfo("vorbis"), "vorbis");
  EXPECT_EQ(P::CodecFromInfo(""), "");
  EXPECT_EQ(P::SampleRateFromInfo(""), -1);
  EXPECT_FALSE(P::StereoFromInfo(""));
  EXPECT_EQ(P::BitrateFromInfo(""), -1);
  EXPECT_EQ(P::SampleRateFromInfo("x, 99999999999 Hz"), -1);
}

TEST(AVConvDescription, TitleLinesAndTheDecoderCommand) {
  std::string title;
  ASSERT_TRUE(TAVConvRadioPlayer::TitleFromLine("StreamTitle: Artist - Song", title));
  EXPECT_EQ(title, "Artist - Song");
  // ffmpeg pads metadata keys before the colon.
  ASSERT_TRUE(TAVConvRadioPlayer::TitleFromLine("    StreamTitle     : Sanatçı - Şarkı  ", title));
  EXPECT_EQ(title, "Sanatçı - Şarkı");
  ASSERT_TRUE(TAVConvRadioPlayer::TitleFromLine("StreamTitle     :", title));
  EXPECT_EQ(title, "");
  EXPECT_FALSE(TAVConvRadioPlayer::TitleFromLine("StreamTitle='x';", title));
  EXPECT_FALSE(TAVConvRadioPlayer::TitleFromLine("icy-name        : Radyo", title));

  TAVConvRadioPlayer player;
  EXPECT_EQ(player.PrebufferBytes, 131072);
  EXPECT_EQ(player.RetryCount, 0);
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(player.GetStreamPosition(), 0);
  EXPECT_EQ(player.GetBitrate(), -1);
  EXPECT_EQ(player.GetCodecName(), "");
  player.ExtraArguments = {"-af", "volume=0.5"};
  EXPECT_EQ(player.DecoderParameters("rtmp://host/live stream", "/run/user/1/kestrowave_7"),
            (std::vector<std::string>{"-i", "rtmp://host/live stream", "-y", "-v", "info", "-ac", "2", "-ab", "128k",
                                      "-ar", "44100", "-f", "s16le", "-af", "volume=0.5",
                                      "/run/user/1/kestrowave_7"}));
}

TEST_F(AVConvPlayer, PlaysALiveStreamThroughTheFifoWithTheDecodersDescription) {
  TLiveOptions options;
  options.metaInt = 8000;
  options.title = [](int) { return std::string("Sanatçı - Şarkı"); };
  Live("/live", options);
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/live"));
  TEventLog log(player);
  std::atomic<int> lines{0};
  std::atomic<bool> offThread{true};
  const auto uiThread = std::this_thread::get_id();
  player.OnOutputLine = [&](core::TObject* sender, const std::string& line) {
    EXPECT_EQ(sender, &player);
    EXPECT_FALSE(line.empty());
    if (std::this_thread::get_id() == uiThread) offThread = false;
    ++lines;
  };

  ASSERT_TRUE(player.Play());
  EXPECT_EQ(player.State, psConnecting);
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; }, 10000)) << log.Joined();
  EXPECT_GE(player.ReceivedBytes(), 262144u);
  std::vector<std::string> events = log.Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front(), "connecting");
  EXPECT_EQ(events.back(), "play");
  int last = -1;
  for (size_t i = 1; i + 1 < events.size(); ++i) {
    ASSERT_EQ(events[i].rfind("buffering:", 0), 0u) << log.Joined();
    int percent = std::stoi(events[i].substr(10));
    EXPECT_GT(percent, last);
    EXPECT_LE(percent, 100);
    last = percent;
  }
  EXPECT_EQ(last, 100);

  // The decoder, not the audio library, fetched the stream.
  ASSERT_EQ(server.RequestCount("/live"), 1);
  EXPECT_EQ(server.Requests()[0].Header("User-Agent").rfind("Lavf", 0), 0u);
  ASSERT_TRUE(PumpUntil([&] { return !player.GetTitle().empty(); }));
  EXPECT_EQ(player.GetCodecName(), "mp3");
  EXPECT_EQ(player.GetSampleRate(), 44100);
  EXPECT_TRUE(player.IsStereo());
  EXPECT_EQ(player.GetBitrate(), 128);
  EXPECT_EQ(player.GetTitle(), "Sanatçı - Şarkı");
  EXPECT_GT(lines.load(), 5);
  EXPECT_TRUE(offThread.load()) << "output lines come on the reading thread";

  ASSERT_NE(player.Pipe(), nullptr);
  std::string fifo = player.Pipe()->PipeName;
  EXPECT_EQ(fs::path(fifo).parent_path(), runtime.Path());
  EXPECT_EQ(fs::path(fifo).filename().string().rfind("kestrowave_", 0), 0u);
  EXPECT_TRUE(IsFifo(fifo));
  ASSERT_NE(player.DecoderProcess(), nullptr);
  pid_t pid = player.DecoderProcess()->ProcessID();
  EXPECT_TRUE(player.DecoderProcess()->Running());

  // PCM flows out of the stream while playing, and it is the tone.
  int64_t start = player.GetStreamPosition();
  ASSERT_TRUE(PumpUntil([&] { return player.GetStreamPosition() > start + 44100 * 4 / 4; }, 3000));
  EXPECT_LE(player.GetStreamPosition(), static_cast<int64_t>(player.ReceivedBytes()));
  std::vector<int16_t> pcm(4096);
  audio::DWORD got = audio::ChannelGetData(player.Channel, pcm.data(), static_cast<audio::DWORD>(pcm.size() * 2));
  ASSERT_NE(got, static_cast<audio::DWORD>(-1));
  int peak = 0;
  for (size_t i = 0; i < got / 2; ++i) peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
  EXPECT_GT(peak, 1000);

  log.Clear();
  player.Stop();
  EXPECT_EQ(log.Joined(), "stop");
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(player.Channel, 0u);
  EXPECT_EQ(player.LastError, 0);
  EXPECT_EQ(player.Pipe(), nullptr);
  EXPECT_EQ(player.OutputReader(), nullptr);
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_FALSE(IsFifo(fifo));
  EXPECT_TRUE(Leftovers().empty());
  // The stream description stays readable after the stop.
  EXPECT_EQ(player.GetCodecName(), "mp3");
}

TEST_F(AVConvPlayer, ATitlePrintedWhileBufferingIsToldOnceWhenPlaybackStarts) {
  // A small burst: the decoder prints the title long before the
  // pre-buffer is full, as on a slow station or a loaded machine.
  TLiveOptions options;
  options.metaInt = 8000;
  options.burst = 8000;
  options.title = [](int) { return std::string("Sanatçı - Şarkı"); };
  Live("/slow", options);
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/slow"));
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return !player.GetTitle().empty(); }, 20000)) << log.Joined();
  ASSERT_TRUE(PumpUntil([&] { return log.Has("meta:StreamTitle='Sanatçı - Şarkı';"); }, 20000)) << log.Joined();
  std::vector<std::string> events = log.Events();
  auto play = std::find(events.begin(), events.end(), "play");
  auto meta = std::find(events.begin(), events.end(), "meta:StreamTitle='Sanatçı - Şarkı';");
  EXPECT_LT(play, meta) << log.Joined();
  // Nothing tells it again while the same title repeats.
  PumpFor(500);
  EXPECT_EQ(log.Count("meta:StreamTitle='Sanatçı - Şarkı';"), 1) << log.Joined();
  player.Stop();
}

TEST_F(AVConvPlayer, NoPrebufferReportsAHundredAndPlaysAtOnce) {
  Live("/live");
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/live"));
  player.PrebufferBytes = 0;
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; })) << log.Joined();
  EXPECT_EQ(log.Joined(), "connecting buffering:100 play");
  EXPECT_EQ(player.BufferPercent(), 100);
  // Playing from nothing: the stream waits for the decoder, then plays.
  ASSERT_TRUE(PumpUntil([&] { return player.GetStreamPosition() > 44100 * 4 / 10; }));
  player.Stop();
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(AVConvPlayer, ALocalClipOnlyTheDecoderOpensPlaysToItsEnd) {
  const std::string path = Media("short.mp3").string();
  ASSERT_FALSE(path.empty());
  // A bare path is no address for the audio library.
  audio::HSTREAM direct = audio::StreamCreateURL(path.c_str(), 0, 0, nullptr, nullptr);
  if (direct) audio::StreamFree(direct);
  ASSERT_EQ(direct, 0u);

  TAVConvRadioPlayer player;
  Configure(player, path);
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  // One second of PCM is less than the pre-buffer: the ended decoder's
  // output plays anyway, and the end is a normal stop.
  ASSERT_TRUE(PumpUntil([&] { return log.Has("stop"); }, 8000)) << log.Joined();
  std::vector<std::string> events = log.Events();
  EXPECT_EQ(events.front(), "connecting");
  EXPECT_TRUE(log.Has("play"));
  EXPECT_EQ(events.back(), "stop");
  EXPECT_EQ(log.Count("error:-3"), 0) << log.Joined();
  EXPECT_EQ(player.LastError, 0);
  EXPECT_EQ(player.State, psStopped);
  EXPECT_NEAR(static_cast<double>(player.ReceivedBytes()), 176400.0, 176400.0 * 0.05);
  EXPECT_EQ(player.GetCodecName(), "mp3");
  PumpFor(300);
  EXPECT_EQ(log.Count("connecting"), 1) << "a normal end is not restarted";
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(AVConvPlayer, ADecoderFasterThanRealTimeIsHeldBackByThePipe) {
  // 45 s of sound decode in a fraction of a second; the player must not
  // take it all into memory.
  fs::path clip = runtime / "long.mp3";
  std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=330:duration=45 -ac 2 "
                     "-c:a libmp3lame -b:a 64k '" + clip.string() + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  TAVConvRadioPlayer player;
  Configure(player, clip.string());
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; }));
  const uint64_t second = 44100 * 4;
  const uint64_t limit = player.QueueLimitBytes();
  ASSERT_LE(limit + 10 * second, 45 * second) << "the clip must outlast the limit";
  ASSERT_TRUE(PumpUntil([&] { return player.ReceivedBytes() >= limit - second; }, 8000)) << player.ReceivedBytes();
  PumpFor(300);
  // What waits in the stream stays near the limit; the rest is still
  // encoded audio in the decoder's file.
  uint64_t queued = player.ReceivedBytes() - static_cast<uint64_t>(player.GetStreamPosition());
  EXPECT_LE(queued, limit + 131072);
  EXPECT_LT(player.ReceivedBytes(), limit + 10 * second);
  ASSERT_NE(player.DecoderProcess(), nullptr);
  pid_t pid = player.DecoderProcess()->ProcessID();
  EXPECT_TRUE(player.DecoderProcess()->Running()) << "the decoder waits on the full pipe";
  player.Stop();
  EXPECT_TRUE(ProcessGone(pid));
  fs::remove(clip);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(AVConvPlayer, OneAttemptReportsTheEndedDecoderAndDoesNotRestart) {
  server.Route("/missing", [](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 404, "text/plain", "no such station");
  });
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/missing"));
  player.Attempts = 1;
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return log.Has("error:-3"); }, 8000)) << log.Joined();
  PumpFor(400);
  EXPECT_EQ(log.Joined(), "connecting error:-3 stop");
  EXPECT_EQ(player.LastError, PLAYER_ERROR_DECODER_ENDED);
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(player.RetryCount, 1);
  EXPECT_EQ(server.RequestCount("/missing"), 1);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(AVConvPlayer, ThreeAttemptsRestartTheDecoderTwice) {
  server.Route("/missing", [](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 404, "text/plain", "no such station");
  });
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/missing"));
  player.Attempts = 3;
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return log.Count("error:-3") == 3; }, 10000)) << log.Joined();
  PumpFor(400);
  EXPECT_EQ(log.Count("connecting"), 3) << log.Joined();
  EXPECT_EQ(log.Count("error:-3"), 3);
  EXPECT_EQ(server.RequestCount("/missing"), 3);
  EXPECT_EQ(player.RetryCount, 3);
  EXPECT_EQ(player.State, psStopped);
  EXPECT_EQ(player.ThreadCount(), 0);
  EXPECT_TRUE(Leftovers().empty());

  // The owner's next Play gets its own restarts.
  log.Clear();
  ASSERT_TRUE(player.Play());
  EXPECT_EQ(player.RetryCount, 0);
  ASSERT_TRUE(PumpUntil([&] { return log.Count("error:-3") == 3; }, 10000)) << log.Joined();
  PumpFor(400);
  EXPECT_EQ(log.Count("connecting"), 3) << log.Joined();
  EXPECT_EQ(server.RequestCount("/missing"), 6);
}

TEST_F(AVConvPlayer, PlayingAgainClearsTheRestartCount) {
  // The first two decoders find nothing; the third plays.
  std::atomic<int> calls{0};
  mp3 = ReadBytes(Media("tone.mp3"));
  server.Route("/flaky", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    if (calls.fetch_add(1) < 2) {
      testkit::FixtureServer::Respond(c, 503, "text/plain", "busy");
      return;
    }
    ServeLive(server, c, mp3, TLiveOptions{});
  });
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/flaky"));
  player.Attempts = 3;
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; }, 10000)) << log.Joined();
  EXPECT_EQ(log.Count("error:-3"), 2);
  EXPECT_EQ(log.Count("connecting"), 3);
  EXPECT_EQ(player.RetryCount, 0) << "the stream reached psPlaying";
  player.Stop();
}

TEST_F(AVConvPlayer, StartsThatCannotMakeThePipeOrRunTheDecoderFailCleanly) {
  Live("/live");
  {
    TAVConvRadioPlayer player;
    Configure(player, server.Url("/live"));
    player.FfmpegPath = (runtime / "no-such-ffmpeg").string();
    TEventLog log(player);
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; })) << log.Joined();
    EXPECT_EQ(log.Joined(), "connecting error:" + std::to_string(PLAYER_ERROR_DECODER_START));
    EXPECT_EQ(player.Channel, 0u);
    EXPECT_EQ(player.Pipe(), nullptr);
    EXPECT_EQ(player.OutputReader(), nullptr);
    EXPECT_TRUE(Leftovers().empty()) << "the pipe made for the decoder is removed";

    // The next start with a decoder that exists plays.
    player.FfmpegPath = "ffmpeg";
    log.Clear();
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(PumpUntil([&] { return player.State == psPlaying; })) << log.Joined();
    player.Stop();
  }
  EXPECT_EQ(server.RequestCount("/live"), 1);

  // A runtime folder where no FIFO can be made.
  ::setenv("XDG_RUNTIME_DIR", "/proc", 1);
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/live"));
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; })) << log.Joined();
  EXPECT_EQ(log.Joined(), "connecting error:" + std::to_string(PLAYER_ERROR_PIPE));
  EXPECT_TRUE(player.DecoderProcess() == nullptr || !player.DecoderProcess()->Running());
  EXPECT_EQ(player.Channel, 0u);
  EXPECT_EQ(server.RequestCount("/live"), 1) << "no decoder was started";
}

TEST_F(AVConvPlayer, StopWhileResolvingAbandonsTheAttempt) {
  Live("/live");
  TAVConvRadioPlayer player;
  Configure(player, server.Url("/live"));
  std::atomic<bool> release{false};
  player.Resolvers.ResolveByHost = [&](const std::string& address) {
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return address;
  };
  TEventLog log(player);
  ASSERT_TRUE(player.Play());
  PumpFor(50);
  player.Stop();
  EXPECT_EQ(log.Joined(), "connecting error:-2");
  EXPECT_EQ(player.LastError, PLAYER_ERROR_ABANDONED);
  release = true;
  PumpFor(300);
  EXPECT_EQ(log.Joined(), "connecting error:-2") << "the late resolution is ignored";
  EXPECT_EQ(player.DecoderProcess(), nullptr);
  EXPECT_EQ(server.RequestCount("/live"), 0);
}

TEST_F(AVConvPlayer, StopOrDestructionWhileTheDecoderWaitsLeavesNothingBehind) {
  TLiveOptions stalling;
  stalling.burst = 2000;
  stalling.stallAfter = 2000;  // the decoder waits for more without end
  Live("/stall", stalling);
  pid_t first = 0, second = 0;
  {
    TAVConvRadioPlayer player;
    Configure(player, server.Url("/stall"));
    TEventLog log(player);
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(PumpUntil([&] { return player.State == psBuffering; })) << log.Joined();
    PumpFor(100);
    EXPECT_EQ(player.State, psBuffering);
    ASSERT_NE(player.DecoderProcess(), nullptr);
    first = player.DecoderProcess()->ProcessID();
    EXPECT_FALSE(Leftovers().empty());
    player.Stop();
    EXPECT_EQ(log.Events().back(), "stop");
    EXPECT_EQ(player.State, psStopped);
    EXPECT_TRUE(ProcessGone(first));
    EXPECT_TRUE(Leftovers().empty());

    // Destruction tears down the same way.
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(PumpUntil([&] { return player.State == psBuffering; })) << log.Joined();
    second = player.DecoderProcess()->ProcessID();
    EXPECT_NE(first, second);
  }
  EXPECT_TRUE(ProcessGone(second));
  EXPECT_TRUE(Leftovers().empty());
}
