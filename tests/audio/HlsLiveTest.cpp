// A live HLS stream (opened by libavformat itself) whose server goes away
// for a moment: the channel stalls, opens the address again and plays on.
#include <gtest/gtest.h>

#include <atomic>

#include "AudioTestUtil.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

TEST(HlsLive, ServerAwayForAMomentThenPlaysOn) {
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_TIMEOUT, 1000);
  SetConfig(CONFIG_NET_BUFFER, 1500);
  auto playlist = Media("hls/index.m3u8");
  ASSERT_FALSE(playlist.empty());
  const auto folder = playlist.parent_path();
  testkit::FixtureServer server;
  const auto start = std::chrono::steady_clock::now();
  std::atomic<bool> away{false};
  server.SetDefault([&](const testkit::HttpRequest& r, testkit::Connection& c) {
    if (away) {
      testkit::FixtureServer::Respond(c, 503, "text/plain", "away");
      return;
    }
    if (r.path == "/live.m3u8") {
      // A sliding window over the five two-second segments, advancing with
      // the clock; no end mark, so the stream is live.
      const int now = static_cast<int>(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 2);
      std::string list = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:" +
                         std::to_string(now) + "\n";
      for (int i = now; i < now + 3; ++i) list += "#EXTINF:2.0,\nseg" + std::to_string(i) + ".ts\n";
      testkit::FixtureServer::Respond(c, 200, "application/vnd.apple.mpegurl", list);
      return;
    }
    int index = std::atoi(r.path.c_str() + 4) % 5;
    char name[32];
    std::snprintf(name, sizeof name, "seg%03d.ts", index);
    testkit::FixtureServer::Respond(c, 200, "video/mp2t", testkit::ReadBytes(folder / name));
  });
  HSTREAM h = StreamCreateURL(server.Url("/live.m3u8").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100 * 4; }, 5s));
  away = true;
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 12s));
  away = false;
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_PLAYING; }, 8s));
  const QWORD resumedAt = ChannelGetPosition(h, POS_DECODE);
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > resumedAt + 44100 * 4; }, 4s));
  StreamFree(h);
}
