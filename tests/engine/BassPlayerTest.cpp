// The BASS player on the real audio library: opening with retries,
// pre-buffering, tags, titles, metadata, files and the raw-data tap.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "PlayerTestKit.h"
#include "TempDir.h"
#include "engine/BassRadioPlayer.h"

using namespace playertest;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

int ClosedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

// A player whose pre-buffer ticks read a scripted fill instead of the
// channel's, so that the sequence of readings is exact.
class TScriptedFillPlayer : public TBassRadioPlayer {
 public:
  std::vector<int32_t> Fills;
  int Reads = 0;

 protected:
  int32_t ReadBufferFill() override {
    int32_t v = Fills[std::min<std::size_t>(Reads, Fills.size() - 1)];
    ++Reads;
    return v;
  }
};

class BassPlayer : public TLiveStreamTest {};

}  // namespace

TEST_F(BassPlayer, PrebufferReportsEachNewFillAndStartsAtTheThreshold) {
  Live("/live");
  TScriptedFillPlayer player;
  player.Fills = {20, 20, 35, 60, 80};
  TEventLog log(player);
  int readsAtPlay = -1;
  std::vector<int32_t> statesWhileBuffering;
  auto logPlay = player.OnPlay;
  player.OnPlay = [&](core::TObject* s) {
    readsAtPlay = player.Reads;
    logPlay(s);
  };
  auto logBuffering = player.OnBuffering;
  player.OnBuffering = [&](core::TObject* s, int32_t p) {
    statesWhileBuffering.push_back(player.State);
    logBuffering(s, p);
  };
  ASSERT_TRUE(PlayTo(player, server.Url("/live"))) << log.Timeline();
  EXPECT_EQ(log.Joined(), "connecting buffering:20 buffering:35 buffering:60 play");
  EXPECT_EQ(readsAtPlay, 4) << "playback starts on the tick that read 60";
  EXPECT_EQ(statesWhileBuffering, (std::vector<int32_t>{psBuffering, psBuffering, psBuffering}));
  EXPECT_EQ(player.BufferPercent(), 60);
}

TEST_F(BassPlayer, PrebufferFollowsTheRealBuffer) {
  TLiveOptions options;
  options.burst = 2000;
  options.bytesPerSecond = 48000;
  Live("/paced", options);
  TBassRadioPlayer player;
  player.SetNetBuffer(2000);
  TEventLog log(player);
  ASSERT_TRUE(PlayTo(player, server.Url("/paced"))) << log.Timeline();
  auto events = log.Events();
  ASSERT_GE(events.size(), 3u) << log.Joined();
  EXPECT_EQ(events.front(), "connecting");
  EXPECT_EQ(events.back(), "play");
  const std::string& last = events[events.size() - 2];
  ASSERT_EQ(last.rfind("buffering:", 0), 0u) << log.Joined();
  EXPECT_GE(std::stoi(last.substr(10)), 50);
  EXPECT_GT(log.Count(last), 0);
}

TEST_F(BassPlayer, RetriesAHundredMillisecondsApart) {
  std::mutex mutex;
  std::vector<Clock::time_point> times;
  server.Route("/gone", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      times.push_back(Clock::now());
    }
    testkit::FixtureServer::Respond(c, 404, "text/plain", "gone");
  });
  TBassRadioPlayer player;
  player.Attempts = 3;
  TEventLog log(player);
  player.Address = server.Url("/gone");
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return log.Count("connecting") == 1 && player.State == psStopped; }));
  EXPECT_EQ(log.Joined(), "connecting error:" + std::to_string(audio::ERROR_FILEOPEN));
  EXPECT_EQ(player.LastAttemptsMade(), 3u);
  EXPECT_EQ(player.Channel, 0u);
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(times.size(), 3u);
  for (int i = 1; i < 3; ++i)
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(times[i] - times[i - 1]).count(), 95);
}

TEST_F(BassPlayer, ThreeAttemptsAgainstAClosedPort) {
  TBassRadioPlayer player;
  player.Attempts = 3;
  TEventLog log(player);
  player.Address = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/radio";
  auto start = Clock::now();
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; }));
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_EQ(player.LastAttemptsMade(), 3u);
  EXPECT_GE(elapsed, 300) << "three tries, each followed by 100 ms";
  EXPECT_NE(player.LastError, 0);
  EXPECT_EQ(log.Joined(), "connecting error:" + std::to_string(player.LastError));
  EXPECT_EQ(player.ThreadCount(), 0);
}

TEST_F(BassPlayer, FilesOpenOnceAndReportTheirFormat) {
  TBassRadioPlayer player;
  player.Attempts = 3;
  TEventLog log(player);
  player.Address = "file:///no/such/folder/a.mp3";
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped && log.Count("connecting") == 1; }));
  EXPECT_EQ(player.LastAttemptsMade(), 1u) << "a file is not retried";
  EXPECT_EQ(player.LastError, audio::ERROR_FILEOPEN);

  EXPECT_EQ(player.GetSampleRate(), -1);
  EXPECT_EQ(player.GetChannelType(), 0u);
  EXPECT_FALSE(player.IsStereo());
  EXPECT_EQ(player.GetHeaderTags(), "");
  EXPECT_EQ(player.GetBitrate(), -1);

  ASSERT_TRUE(PlayTo(player, "file://" + Media("tone.mp3").string())) << log.Timeline();
  EXPECT_EQ(player.GetCodecName(), "mp3");
  EXPECT_EQ(player.GetChannelType(), audio::CTYPE_STREAM_MP3);
  EXPECT_EQ(player.GetSampleRate(), 44100);
  EXPECT_TRUE(player.IsStereo());
  EXPECT_EQ(player.GetBitrate(), -1) << "a file has no header tags";
  player.Stop();

  ASSERT_TRUE(PlayTo(player, "file://" + Media("mono.wav").string())) << log.Timeline();
  EXPECT_EQ(player.GetCodecName(), "wav");
  EXPECT_EQ(player.GetSampleRate(), 22050);
  EXPECT_FALSE(player.IsStereo());
  player.Stop();
}

TEST_F(BassPlayer, DriveStyleFileAddressOpensBelowTheCurrentFolder) {
  testkit::TempDir dir;
  std::filesystem::create_directories(dir / "C:/music");
  std::filesystem::copy_file(Media("short.mp3"), dir / "C:/music/a.mp3");
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  TBassRadioPlayer player;
  TEventLog log(player);
  bool playing = PlayTo(player, "file://C:/music/a.mp3");
  std::filesystem::current_path(previous);
  ASSERT_TRUE(playing) << log.Timeline() << " error " << player.LastError << " state " << player.State;
  EXPECT_EQ(player.OpenedAddress(), "C:/music/a.mp3");
  // The stream ends by itself: the status poll stops the player.
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; })) << log.Timeline();
  EXPECT_EQ(log.Events().back(), "stop");
  EXPECT_EQ(player.Channel, 0u);
}

TEST_F(BassPlayer, BitrateAndTitleFromAShoutcastStream) {
  TLiveOptions options;
  options.statusLine = "ICY 200 OK";
  options.headerLines = {"icy-name:Test Radio", "icy-bitrate:64", "icy-br:128"};
  options.metaInt = 8000;
  options.title = [](int) { return std::string("Artist - Song -"); };
  Live("/icy", options);
  TBassRadioPlayer player;
  TEventLog log(player);
  ASSERT_TRUE(PlayTo(player, server.Url("/icy"))) << log.Timeline();
  EXPECT_EQ(player.GetBitrate(), 128);
  EXPECT_NE(player.GetHeaderTags().find("icy-br:128;"), std::string::npos) << player.GetHeaderTags();
  EXPECT_EQ(player.GetHeaderTags().substr(player.GetHeaderTags().size() - 2), ";;");
  ASSERT_TRUE(PumpUntil([&] { return log.Count("meta:StreamTitle='Artist - Song -';StreamUrl='';") > 0; }))
      << log.Timeline();
  EXPECT_EQ(player.GetMetaTag(), "StreamTitle='Artist - Song -';StreamUrl='';");
  EXPECT_EQ(player.GetTitle(), "Artist - Song");
  EXPECT_EQ(player.GetCodecName(), "mp3");
  EXPECT_GT(player.GetStreamPosition(), 0);
}

TEST_F(BassPlayer, TitlesInTurkishEncodingsAndFromHeaderTags) {
  TLiveOptions turkish;
  turkish.metaInt = 4000;
  turkish.title = [](int n) { return std::string(n % 2 ? "&#350;ark&#305;" : "\xDE\x61rk\xFD"); };
  turkish.headerLines = {"icy-bitrate:64"};
  Live("/tr", turkish);
  TLiveOptions header;
  header.headerLines = {"X-Info:title='Song';author=Maker"};
  Live("/header", header);

  TBassRadioPlayer player;
  TEventLog log(player);
  ASSERT_TRUE(PlayTo(player, server.Url("/tr"))) << log.Timeline();
  EXPECT_EQ(player.GetBitrate(), 64);
  ASSERT_TRUE(PumpUntil([&] { return log.Count("meta:StreamTitle='&#350;ark&#305;';StreamUrl='';") > 0 ||
                                     log.Count("meta:StreamTitle='\xDE\x61rk\xFD';StreamUrl='';") > 0; }))
      << log.Timeline();
  EXPECT_EQ(player.GetTitle(), "\xC5\x9E\x61rk\xC4\xB1") << player.GetMetaTag();
  player.Stop();

  ASSERT_TRUE(PlayTo(player, server.Url("/header"))) << log.Timeline();
  EXPECT_EQ(player.GetMetaTag(), "");
  EXPECT_EQ(player.GetTitle(), "Song - Maker") << player.GetHeaderTags();
  EXPECT_EQ(player.GetBitrate(), -1);
}

TEST_F(BassPlayer, MetadataArrivesOnTheUserInterfaceThreadWithTheLatestTag) {
  TLiveOptions options;
  options.metaInt = 1000;
  options.title = [](int n) { return "Song " + std::to_string(n); };
  Live("/meta", options);
  TBassRadioPlayer player;
  TEventLog log(player);
  std::vector<std::string> texts;
  bool onUiThread = true;
  player.OnMetadata = [&](core::TObject*, const std::string& text) {
    onUiThread = onUiThread && core::IsUiThread();
    texts.push_back(text);
  };
  ASSERT_TRUE(PlayTo(player, server.Url("/meta"))) << log.Timeline();
  ASSERT_TRUE(PumpUntil([&] { return texts.size() >= 3; }));
  EXPECT_TRUE(onUiThread);
  for (const auto& t : texts) EXPECT_EQ(t.rfind("StreamTitle='Song ", 0), 0u) << t;
  // Tags come every 1000 bytes, far faster than one per timer interval at
  // first: notifications are fewer than tags.
  int lastTag = std::stoi(player.GetMetaTag().substr(18));
  EXPECT_LT(static_cast<int>(texts.size()), lastTag + 1);
  player.Stop();
}

TEST_F(BassPlayer, AWorkerWhoseResolverRaisesIsAFailedAttempt) {
  TBassRadioPlayer player;
  player.Resolvers.ResolveByHost = [](const std::string&) -> std::string { throw std::runtime_error("decode"); };
  TEventLog log(player);
  player.Address = "qor://portal.invalid/bass/1";
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; }));
  EXPECT_EQ(log.Joined(), "connecting error:" + std::to_string(PLAYER_ERROR_WORKER_FAILED));
  EXPECT_EQ(player.LastError, PLAYER_ERROR_WORKER_FAILED);
  EXPECT_EQ(player.Channel, 0u);

  // An empty resolver result still goes to the library, which supplies the
  // error code.
  log.Clear();
  player.Resolvers.ResolveByHost = [](const std::string&) { return std::string(); };
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return log.Count("connecting") == 1 && player.State == psStopped; }));
  EXPECT_NE(player.LastError, 0);
  EXPECT_NE(player.LastError, PLAYER_ERROR_WORKER_FAILED);
  EXPECT_EQ(player.OpenedAddress(), "");
}

TEST_F(BassPlayer, RawBytesReachOnlyARawRecordingInProgress) {
  Live("/rec");
  TFakeRecorder recorder;
  recorder.encodeMode = true;
  TRecorderScope scope(&recorder);
  TBassRadioPlayer player;
  ASSERT_TRUE(PlayTo(player, server.Url("/rec")));
  PumpFor(200);
  EXPECT_EQ(recorder.Bytes(), 0u) << "an encoding recorder takes PCM, not raw bytes";
  recorder.encodeMode = false;
  ASSERT_TRUE(PumpUntil([&] { return recorder.Bytes() > 0; }));
  recorder.state = rsIdle;
  PumpFor(100);
  uint64_t idle = recorder.Bytes();
  PumpFor(300);
  EXPECT_EQ(recorder.Bytes(), idle) << "an idle recorder gets nothing";
  player.Stop();
  EXPECT_EQ(player.State, psStopped);
  ASSERT_TRUE(PumpUntil([&] { return closedByClient.load(); }));
}

TEST_F(BassPlayer, ConfiguresTheLibraryOnceWhenItIsAvailable) {
  Live("/live");
  TBassRadioPlayer player;
  player.SetNetTimeout(3500);
  EXPECT_EQ(audio::GetConfig(audio::CONFIG_NET_TIMEOUT), 3500u);
  BassAvailable = false;
  player.SetNetBuffer(1500);
  EXPECT_NE(audio::GetConfig(audio::CONFIG_NET_BUFFER), 1500u) << "stored only while the library is away";
  EXPECT_EQ(player.NetBuffer, 1500);
  player.Address = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
  ASSERT_TRUE(player.Play());
  EXPECT_FALSE(player.Configured());
  ASSERT_TRUE(PumpUntil([&] { return player.State == psStopped; }));
  BassAvailable = true;
  audio::SetConfig(audio::CONFIG_NET_PREBUF, 75);
  ASSERT_TRUE(PlayTo(player, server.Url("/live")));
  EXPECT_TRUE(player.Configured());
  EXPECT_EQ(audio::GetConfig(audio::CONFIG_NET_PREBUF), 0u);
  EXPECT_EQ(audio::GetConfig(audio::CONFIG_NET_PLAYLIST), 1u);
  EXPECT_EQ(audio::GetConfig(audio::CONFIG_NET_BUFFER), 1500u);
  EXPECT_EQ(audio::GetConfig(audio::CONFIG_NET_TIMEOUT), 3500u);
}

TEST_F(BassPlayer, APrebufferThatNeverFillsEndsWithinTheTimeOut) {
  // A few seconds' worth would fill the buffer; the server sends a tenth
  // of that and then nothing, with the connection left open.
  TLiveOptions options;
  options.burst = 8000;
  options.stallAfter = 8000;
  Live("/starved", options);
  TBassRadioPlayer player;
  player.SetNetTimeout(1500);
  TEventLog log(player);
  player.Address = server.Url("/starved");
  const auto start = Clock::now();
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return log.Has("play") || player.State == psStopped; })) << log.Timeline();
  const auto waited = Clock::now() - start;
  // What arrived plays (and stalls) instead of "buffering" for ever.
  EXPECT_TRUE(log.Has("play")) << log.Joined();
  EXPECT_GE(waited, 1400ms);
  EXPECT_LT(waited, 1500ms + 2500ms);
  auto events = log.Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[events.size() - 2].rfind("buffering:", 0), 0u) << log.Joined();
  EXPECT_LT(player.BufferPercent(), player.PrebufferPercent);
  player.Stop();
}
