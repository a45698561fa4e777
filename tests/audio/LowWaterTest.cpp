// Once its pre-buffer is in, a live stream lets the kernel gather a second
// of audio before the download thread wakes. What the kernel holds back
// that way must not be lost to the listener: a buffer that runs dry takes
// every byte at once again, and a slow server whose bytes wait below the
// mark is not taken for a silent one.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "AudioTestUtil.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

const char* const kAnswer = "HTTP/1.0 200 OK\r\ncontent-type: audio/mpeg\r\nicy-br:128\r\n\r\n";

}  // namespace

TEST(LowWater, BytesHeldBackByTheKernelComeAtOnceWhenTheBufferRunsDry) {
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_TIMEOUT, 60000);  // the server's pause is no failure here
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  std::atomic<bool> more{false};
  server.Route("/live", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    // Three seconds, past half of the 5 s buffer: the mark goes up.
    if (!c.Write(kAnswer) || !c.Write(mp3.substr(0, 48000))) return;
    while (!more.load())
      if (!server.SleepFor(5ms)) return;
    // A quarter of a second, well below the mark.
    if (!c.Write(mp3.substr(48000, 4000))) return;
    while (server.SleepFor(5ms)) {
    }
  });
  HSTREAM h = StreamCreateURL(server.Url("/live").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 30s));
  more = true;
  EXPECT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_DOWNLOAD) >= 52000; }, 10s))
      << StreamGetFilePosition(h, FILEPOS_DOWNLOAD) << " bytes arrived of 52000 sent";
  StreamFree(h);
}

TEST(LowWater, ASlowServerWhoseBytesWaitBelowTheMarkIsNotTimedOut) {
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_TIMEOUT, 2000);
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  std::atomic<int> connections{0};
  server.Route("/slow", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ++connections;
    // The whole 5 s buffer at once, then an eighth of the stream's rate:
    // the buffer lasts seconds, and no second's worth gathers in the
    // kernel within the time-out.
    if (!c.Write(kAnswer) || !c.Write(mp3.substr(0, 80000))) return;
    for (size_t at = 80000; at + 500 <= mp3.size() && server.SleepFor(250ms); at += 500)
      if (!c.Write(mp3.substr(at, 500))) return;
  });
  HSTREAM h = StreamCreateURL(server.Url("/slow").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, 0));
  // Twice the time-out, with seconds of audio left in the buffer.
  std::this_thread::sleep_for(4s);
  EXPECT_EQ(connections.load(), 1) << "the slow server was timed out and called again";
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_PLAYING);
  StreamFree(h);
}

TEST(LowWater, AServerThatFallsSilentIsCalledAgainAfterTheTimeOut) {
  // The download thread sleeps until bytes come or the time-out is due:
  // a server that keeps its socket open and sends nothing more must still
  // be noticed, whether the mark is up (three seconds came, past half the
  // buffer) or not.
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_TIMEOUT, 1000);
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  for (size_t burst : {size_t{48000}, size_t{8000}}) {
    SCOPED_TRACE(burst);
    testkit::FixtureServer server;
    server.Route("/quiet", [&](const testkit::HttpRequest&, testkit::Connection& c) {
      if (!c.Write(kAnswer) || !c.Write(mp3.substr(0, burst))) return;
      while (server.SleepFor(5ms)) {
      }
    });
    HSTREAM h = StreamCreateURL(server.Url("/quiet").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
    ASSERT_NE(h, 0u) << ErrorGetCode();
    ASSERT_TRUE(ChannelPlay(h, 0));
    EXPECT_TRUE(WaitFor([&] { return server.RequestCount("/quiet") >= 2; }, 30s))
        << "the silent server was never called again";
    StreamFree(h);
  }
}
