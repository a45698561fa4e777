// What a live stream keeps while it plays stays bounded, however long it
// plays: the demuxer's seek index, which libavformat would otherwise let
// grow by one entry per frame (about 55 KB a minute of MP3) up to 1 MiB.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include "AudioTestUtil.h"
#include "audio/internal/DecodeStream.h"
#include "audio/internal/Registry.h"

using namespace audio;
using audiotest::Media;
using audiotest::ServeLive;
using audiotest::TLiveOptions;
using audiotest::WaitFor;
using namespace std::chrono_literals;

TEST(LongPlay, LiveStreamSeekIndexStaysBoundedWhileFramesAndTitlesGoBy) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  server.Route("/live", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.metaInt = 4000;  // a new title four times a second
    o.title = [](int block) { return "Artist - Song " + std::to_string(block); };
    o.burst = 256000;  // the network is never what holds the decoder back
    ServeLive(server, c, mp3, o);
  });
  HSTREAM h = StreamCreateURL(server.Url("/live").c_str(), 0, STREAM_STATUS | STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  auto* stream = dynamic_cast<detail::TDecodeStream*>(detail::FindChannel(h).get());
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(ChannelPlay(h, false));
  // Five seconds of MP3 are some 190 frames: several times what the bound
  // holds, so an index that only grows would be far past it.
  const int bound = static_cast<int>(detail::TDecodeStream::kStreamIndexBytes / sizeof(AVIndexEntry));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_BYTE) >= 44100 * 4 * 5; }, 60s));
  EXPECT_GT(stream->IndexEntries(), 0);  // the demuxer does index this stream
  EXPECT_LE(stream->IndexEntries(), bound);
  const char* meta = ChannelGetTags(h, TAG_META);
  ASSERT_NE(meta, nullptr);
  EXPECT_NE(std::string(meta).find("Artist - Song"), std::string::npos);
  StreamFree(h);
}

TEST(LongPlay, PushStreamQueueStaysNearTheMostItHeld) {
  // The ffmpeg player's way: a decoder a few seconds ahead, topped up by
  // 128 KB reads. A queue that doubled would sit at up to twice the most it
  // held for the channel's life, at a size set by one chance peak.
  audiotest::TLibrary library;
  HSTREAM h = StreamCreate(44100, 2, STREAM_BLOCK, STREAMPROC_PUSH, nullptr);
  ASSERT_NE(h, 0u);
  auto channel = detail::FindChannel(h);
  ASSERT_NE(channel, nullptr);
  std::vector<int16_t> pcm(131072 / 2, 1000);
  const DWORD bytes = static_cast<DWORD>(pcm.size() * 2);
  const size_t second = 44100, frames = bytes / 4;
  size_t most = 0;
  while (channel->QueuedFrames() < 4 * second + second / 2) {
    ASSERT_NE(StreamPutData(h, pcm.data(), bytes), static_cast<DWORD>(-1));
    most = std::max(most, channel->QueuedFrames());
  }
  EXPECT_GE(channel->QueueCapacity(), most);
  EXPECT_LE(channel->QueueCapacity(), most + second / 2);
  // Played down and topped up again to the same height, it stays as it is.
  const size_t capacity = channel->QueueCapacity();
  ASSERT_TRUE(ChannelPlay(h, false));
  ASSERT_TRUE(WaitFor([&] { return channel->QueuedFrames() + frames <= most; }, 10s));
  ASSERT_NE(StreamPutData(h, pcm.data(), bytes), static_cast<DWORD>(-1));
  EXPECT_LE(channel->QueuedFrames(), most);
  EXPECT_EQ(channel->QueueCapacity(), capacity);
  StreamFree(h);
}
