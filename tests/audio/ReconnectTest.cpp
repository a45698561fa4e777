// A live stream whose connection drops comes back by itself: the channel
// reports STALLED meanwhile and plays on, with volume, effects, syncs, the
// download procedure and the encoder feed continuing; threads and memory
// stay flat. When the server does not come back the stream ends.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "AudioTestUtil.h"
#include "TempDir.h"

using namespace audio;
using audiotest::Media;
using audiotest::ServeLive;
using audiotest::TLiveOptions;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

int ThreadCount() {
  int count = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++count;
    closedir(d);
  }
  return count;
}

long RssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

}  // namespace

TEST(Reconnect, DroppedLiveStreamStallsAndResumesTenTimes) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  // Every answer after the first waits until the test has seen the
  // channel run dry, however long a loaded machine takes to look; the
  // client is patient meanwhile (no time-out while it waits).
  SetConfig(CONFIG_NET_TIMEOUT, 60000);
  std::atomic<int> connections{0}, released{0};
  server.Route("/drop", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    const int number = connections++;
    while (released.load() < number)
      if (!server.SleepFor(5ms)) return;
    TLiveOptions o;
    o.burst = 12000;
    o.bytesPerSecond = 16000;
    o.limit = 12000;  // three quarters of a second of audio, then the connection drops
    o.title = [&](int) { return "Title " + std::to_string(connections.load()); };
    ServeLive(server, c, mp3, o);
  });
  struct TCounts {
    std::atomic<uint64_t> bytes{0};
    std::atomic<int> metas{0};
  } counts;
  HSTREAM h = StreamCreateURL(server.Url("/drop").c_str(), 0, STREAM_BLOCK | STREAM_AUTOFREE,
                              [](const void* b, DWORD n, void* user) {
                                if (b && n) static_cast<TCounts*>(user)->bytes += n;
                              },
                              &counts);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ChannelSetSync(h, SYNC_META, 0, [](HSYNC, DWORD, DWORD, void* user) { ++static_cast<TCounts*>(user)->metas; },
                 &counts);
  ChannelSetAttribute(h, ATTRIB_VOL, 0.5f);
  HFX fx = ChannelSetFX(h, FX_DX8_PARAMEQ, 1);
  ASSERT_NE(fx, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  int threadsAtCycle2 = 0;
  long rssAtCycle2 = 0;
  for (int cycle = 1; cycle <= 10; ++cycle) {
    SCOPED_TRACE(cycle);
    ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 30s));
    const uint64_t before = counts.bytes.load();
    released = cycle;
    // Playing again on what the new connection brought: the state alone
    // can turn before the first new bytes are counted, on a loaded machine
    // long enough to be seen.
    EXPECT_TRUE(WaitFor([&] { return counts.bytes.load() > before; }, 30s));
    ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_PLAYING; }, 30s));
    if (cycle == 2) {
      threadsAtCycle2 = ThreadCount();
      rssAtCycle2 = RssKb();
    }
  }
  EXPECT_GE(connections.load(), 11);
  EXPECT_GE(counts.metas.load(), 5);
  EXPECT_LE(ThreadCount(), threadsAtCycle2 + 1);
  EXPECT_LT(RssKb() - rssAtCycle2, 4096);
  // What the user set is still in force.
  float volume = 0;
  ASSERT_TRUE(ChannelGetAttribute(h, ATTRIB_VOL, &volume));
  EXPECT_FLOAT_EQ(volume, 0.5f);
  DX8_PARAMEQ p{};
  EXPECT_TRUE(FXGetParameters(fx, &p));
  StreamFree(h);
}

TEST(Reconnect, EncoderFeedContinuesAcrossADrop) {
  audiotest::TLibrary library;
  testkit::TempDir dir;
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  std::atomic<int> connections{0};
  server.Route("/drop", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.limit = connections++ == 0 ? 32000 : 0;
    o.burst = 32000;
    ServeLive(server, c, mp3, o);
  });
  HSTREAM h = StreamCreateURL(server.Url("/drop").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u);
  auto file = dir / "across.wav";
  std::string line = "ffmpeg -f s16le -ac 2 -ar 44100 -i pipe:0 -c:a pcm_s16le \"" + file.string() + "\"";
  HENCODE e = Encode_Start(h, line.c_str(), ENCODE_NOHEAD, nullptr, nullptr);
  ASSERT_NE(e, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return connections.load() >= 2; }, 30s));
  const QWORD atReconnect = ChannelGetPosition(h, POS_DECODE);
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > atReconnect + 44100 * 4; }, 30s));
  EXPECT_EQ(Encode_IsActive(e), ACTIVE_PLAYING);
  const QWORD played = ChannelGetPosition(h, POS_DECODE);
  ASSERT_TRUE(Encode_Stop(e));
  EXPECT_GE(std::filesystem::file_size(file), played * 9 / 10);
  StreamFree(h);
}

TEST(Reconnect, StreamEndsWhenTheServerStaysAway) {
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_RECONNECT, 1200);
  // The refusals wait until the test has seen the stall, so that a loaded
  // machine cannot miss it; the client waits for them without a time-out.
  SetConfig(CONFIG_NET_TIMEOUT, 60000);
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  std::atomic<int> connections{0};
  std::atomic<bool> stalled{false};
  server.Route("/once", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    if (connections++ > 0) {
      while (!stalled)
        if (!server.SleepFor(5ms)) return;
      testkit::FixtureServer::Respond(c, 503, "text/plain", "gone");
      return;
    }
    TLiveOptions o;
    o.limit = 16000;
    ServeLive(server, c, mp3, o);
  });
  HSTREAM h = StreamCreateURL(server.Url("/once").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 30s));
  stalled = true;
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 30s));
  EXPECT_GE(connections.load(), 2);
  StreamFree(h);
}

TEST(Reconnect, StreamOfKnownLengthSimplyEnds) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440_2s.mp3"));
  testkit::FixtureServer server;
  server.Route("/file.mp3", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 200, "audio/mpeg", mp3);
  });
  HSTREAM h = StreamCreateURL(server.Url("/file.mp3").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_CURRENT) == mp3.size(); }, 30s));
  EXPECT_EQ(StreamGetFilePosition(h, FILEPOS_END), mp3.size());
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 30s));
  EXPECT_EQ(server.RequestCount("/file.mp3"), 1);
  StreamFree(h);
}
