// The download buffer of an internet stream measured in what a listener
// waits for: its size follows the stream's real bit rate, its fill counts
// every byte that arrived and has not played, and a stream whose bit rate
// is not known yet still resumes after a stall.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

#include "AudioTestUtil.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

// Answers with `headers`, sends `first` bytes of `audio` at once, then
// waits until `resume` is set and sends the rest paced at `rate` bytes a
// second.
void ServeWithGap(const testkit::FixtureServer& server, testkit::Connection& c, const std::string& headers,
                  const std::string& audio, size_t first, std::atomic<bool>& resume, size_t rate) {
  if (!c.Write("HTTP/1.0 200 OK\r\n" + headers + "\r\n") || !c.Write(std::string_view(audio).substr(0, first))) return;
  while (!resume.load())
    if (!server.SleepFor(10ms)) return;
  for (size_t at = first; !server.Stopping();) {
    const size_t chunk = rate / 50;
    if (!c.Write(std::string_view(audio).substr(at % audio.size(), chunk))) return;
    at += chunk;
    server.SleepFor(20ms);
  }
}

// Once the decoder holds its half second it has measured all it will
// before playback: the buffer then holds its length (5 s in these tests)
// at `bytesPerSecond`, to 1.2 %.
void ExpectBufferLengthAt(HSTREAM h, double bytesPerSecond) {
  CHANNELINFO info{};
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  // 16-bit frames here.
  ASSERT_TRUE(WaitFor([&] { return ChannelGetData(h, nullptr, DATA_AVAILABLE) / (2 * info.chans) >= info.freq / 2; }, 5s));
  double end = 0;
  EXPECT_TRUE(WaitFor(
      [&] {
        end = static_cast<double>(StreamGetFilePosition(h, FILEPOS_END));
        return std::abs(end / (bytesPerSecond * 5) - 1.0) <= 0.012;
      },
      500ms))
      << end << " for " << bytesPerSecond << " bytes a second";
}

}  // namespace

TEST(Prebuffer, BufferFollowsTheRealBitRateAndCountsWhatTheDecoderHolds) {
  audiotest::TLibrary library;
  // 128 kbit/s AAC, announced without icy-br: the rate comes from the frames.
  const std::string aac = testkit::ReadBytes(Media("sine440.aac"));
  ASSERT_GT(aac.size(), 100000u);
  const double realBytesPerSecond = aac.size() / 10.0;
  testkit::FixtureServer server;
  std::atomic<bool> resume{false};
  constexpr size_t kFirst = 48000;
  server.Route("/aac", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeWithGap(server, c, "Content-Type: audio/aac\r\n", aac, kFirst, resume, 16000);
  });
  HSTREAM h = StreamCreateURL(server.Url("/aac").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_DOWNLOAD) == kFirst; }, 5s));
  // The buffer holds its length (5 s in these tests) at the real rate,
  // not at a rate assumed for every stream.
  ASSERT_TRUE(WaitFor(
      [&] {
        const double end = static_cast<double>(StreamGetFilePosition(h, FILEPOS_END));
        return end > realBytesPerSecond * 5 * 0.85 && end < realBytesPerSecond * 5 * 1.15;
      },
      3s))
      << StreamGetFilePosition(h, FILEPOS_END) << " for " << realBytesPerSecond << " bytes a second";
  // Before playback nothing has played: the fill is everything received,
  // although the decoder took its share out of the download buffer.
  EXPECT_EQ(StreamGetFilePosition(h, FILEPOS_BUFFER), kFirst);
  resume = true;
  EXPECT_TRUE(StreamFree(h));
}

TEST(Prebuffer, AacWithoutIcyBrIsMeasuredOverTheWholeBurst) {
  audiotest::TLibrary library;
  // Some 230 kbit/s whose frames vary in size: the first half second of
  // them averages 2 % above the stream's rate, which at a 50 % pre-buffer
  // of a 10 s buffer starts playback 0.1 s after the pre-buffer arrived.
  // Measured over the burst, the rate is right to within a per cent,
  // also when the burst comes in two parts, the second after the decoder
  // has taken its fill of the first.
  const std::string aac = testkit::ReadBytes(Media("noise320.aac"));
  const double seconds = audiotest::AdtsSeconds(Media("noise320.aac"));
  ASSERT_GT(aac.size(), 250000u);
  ASSERT_GT(seconds, 9.9);
  const double realBytesPerSecond = aac.size() / seconds;
  testkit::FixtureServer server;
  std::atomic<bool> resume{false};
  constexpr size_t kBurst = 96000, kFirstPart = 16000;
  server.Route("/aac", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeWithGap(server, c, "Content-Type: audio/aac\r\n", aac, kBurst, resume,
                 static_cast<size_t>(realBytesPerSecond));
  });
  server.Route("/parts", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeWithGap(server, c, "Content-Type: audio/aac\r\n", aac, kFirstPart, resume, 400000);
  });
  for (const char* path : {"/aac", "/parts"}) {
    SCOPED_TRACE(path);
    const bool parts = std::string(path) == "/parts";
    resume = false;
    HSTREAM h = StreamCreateURL(server.Url(path).c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
    ASSERT_NE(h, 0u) << ErrorGetCode();
    CHANNELINFO info{};
    ASSERT_TRUE(ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, CTYPE_STREAM_AAC);
    if (parts) {
      // The decoder holds its fill of the first part before the rest comes.
      ASSERT_TRUE(WaitFor([&] { return ChannelGetData(h, nullptr, DATA_AVAILABLE) / (2 * info.chans) >= info.freq / 2; }, 5s));
      resume = true;
      ASSERT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_DOWNLOAD) >= kBurst; }, 5s));
    } else {
      ASSERT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_DOWNLOAD) == kBurst; }, 5s));
    }
    ExpectBufferLengthAt(h, realBytesPerSecond);
    // Resized under the burst, the buffer lost none of it from its fill.
    if (!parts) {
      EXPECT_EQ(StreamGetFilePosition(h, FILEPOS_BUFFER), kBurst);
    }
    resume = true;
    EXPECT_TRUE(StreamFree(h));
  }
}

TEST(Prebuffer, Mp3WithoutIcyBrIsMeasuredByItsFramesNotByWhatTheDecoderKept) {
  audiotest::TLibrary library;
  // The decoder drops the encoder's delay (1105 samples) from the first
  // frame: counted as the stream's length, half a second of decoded frames
  // reads 5 % fast. The first 0.375 s come at once and are measured at the
  // open; the rest comes at four times the rate once the stream is open,
  // so that decoded frames are most of what is measured next.
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  ASSERT_GT(mp3.size(), 150000u);
  testkit::FixtureServer server;
  std::atomic<bool> resume{false};
  server.Route("/mp3", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeWithGap(server, c, "Content-Type: audio/mpeg\r\n", mp3, 6000, resume, 64000);
  });
  HSTREAM h = StreamCreateURL(server.Url("/mp3").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  resume = true;
  ExpectBufferLengthAt(h, 16000);  // 128 kbit/s
  EXPECT_TRUE(StreamFree(h));
}

TEST(Prebuffer, AacWithoutAKnownBitRateStallsAndPlaysOnWhenTheDataReturns) {
  audiotest::TLibrary library;
  const std::string aac = testkit::ReadBytes(Media("sine440.aac"));
  testkit::FixtureServer server;
  std::atomic<bool> resume{false};
  // Less than the quarter second of frames the rate is measured over, so
  // the stream stalls while its bit rate is still unknown.
  constexpr size_t kFirst = 2500;
  server.Route("/aac", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeWithGap(server, c, "Content-Type: audio/aac\r\n", aac, kFirst, resume, 32000);
  });
  HSTREAM h = StreamCreateURL(server.Url("/aac").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 5s)) << ChannelIsActive(h);
  const QWORD stalledAt = ChannelGetPosition(h, POS_DECODE);
  resume = true;
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_PLAYING; }, 5s)) << ChannelIsActive(h);
  EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > stalledAt; }, 3s));
  EXPECT_TRUE(StreamFree(h));
}
