// Internet streams from fixture servers on 127.0.0.1: ICY metadata and
// titles, header tags, buffer positions, the download procedure, stalls,
// redirects, playlists, HLS, and the errors of broken servers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "AudioTestUtil.h"

using namespace audio;
using audiotest::Media;
using audiotest::ServeLive;
using audiotest::TLiveOptions;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> TagList(const char* tags) {
  std::vector<std::string> list;
  if (!tags) return list;
  for (const char* p = tags; *p; p += std::strlen(p) + 1) list.emplace_back(p);
  return list;
}

struct TDownload {
  std::mutex mutex;
  std::string bytes;
  std::vector<std::string> status;
  std::atomic<int> ends{0};
  std::atomic<uint64_t> total{0};
  static void Proc(const void* buffer, DWORD length, void* user) {
    auto* self = static_cast<TDownload*>(user);
    std::lock_guard lock(self->mutex);
    if (!buffer) {
      ++self->ends;
    } else if (length == 0) {
      self->status.emplace_back(static_cast<const char*>(buffer));
    } else {
      self->total += length;
      if (self->bytes.size() < 200000) self->bytes.append(static_cast<const char*>(buffer), length);
    }
  }
};

struct TMetaCount {
  std::atomic<int> count{0};
  static void Proc(HSYNC, DWORD, DWORD, void* user) { ++static_cast<TMetaCount*>(user)->count; }
};

void ServeFile(testkit::Connection& c, const std::string& type, const std::string& body) {
  testkit::FixtureServer::Respond(c, 200, type, body);
}

}  // namespace

TEST(NetStream, IcyMp3StreamGivesTitlesTagsPositionsAndRawBytes) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  server.Route("/live", [&](const testkit::HttpRequest& r, testkit::Connection& c) {
    EXPECT_EQ(r.Header("Icy-MetaData"), "1");
    TLiveOptions o;
    o.title = [](int block) { return "Artist - Song " + std::to_string(block / 3); };
    ServeLive(server, c, mp3, o);
  });
  TDownload download;
  TMetaCount meta;
  HSTREAM h = StreamCreateURL(server.Url("/live").c_str(), 0, STREAM_STATUS | STREAM_BLOCK | STREAM_AUTOFREE,
                              &TDownload::Proc, &download);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  CHANNELINFO info;
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  EXPECT_EQ(info.ctype, CTYPE_STREAM_MP3);
  EXPECT_EQ(info.freq, 44100u);
  EXPECT_EQ(info.chans, 2u);
  EXPECT_EQ(ChannelGetTags(h, TAG_ICY), nullptr);
  auto http = TagList(ChannelGetTags(h, TAG_HTTP));
  ASSERT_FALSE(http.empty());
  EXPECT_EQ(http[0].rfind("HTTP/1.0 200", 0), 0u);
  EXPECT_NE(std::find(http.begin(), http.end(), "icy-br:128"), http.end());
  {
    std::lock_guard lock(download.mutex);
    ASSERT_EQ(download.status.size(), 1u);
    EXPECT_EQ(download.status[0].rfind("HTTP/1.0 200", 0), 0u);
  }
  ASSERT_NE(ChannelSetSync(h, SYNC_META, 0, &TMetaCount::Proc, &meta), 0u);
  // Before playing, the buffer fills: the fill the player watches rises.
  const QWORD end = StreamGetFilePosition(h, FILEPOS_END);
  ASSERT_GT(end, 0u);
  ASSERT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_BUFFER) * 100 / end >= 50; }, 30s));
  EXPECT_GE(StreamGetFilePosition(h, FILEPOS_CURRENT), StreamGetFilePosition(h, FILEPOS_BUFFER));
  ASSERT_TRUE(ChannelPlay(h, 0));
  // The mixer takes the stream up at once: on a loaded machine a decoder
  // that has not caught up yet shows as a short stall first.
  EXPECT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_PLAYING; }, 30s));
  ASSERT_TRUE(WaitFor([&] { return meta.count >= 2; }, 30s));
  const char* title = ChannelGetTags(h, TAG_META);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(std::string(title).rfind("StreamTitle='Artist - Song ", 0), 0u) << title;
  EXPECT_NE(std::string(title).find("';StreamUrl='';"), std::string::npos);
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_PLAYING);
  EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 0; }, 30s));
  // The download procedure got the audio bytes exactly, without metadata.
  {
    std::lock_guard lock(download.mutex);
    ASSERT_GT(download.bytes.size(), 20000u);
    EXPECT_EQ(download.bytes.substr(0, 20000), mp3.substr(0, 20000));
  }
  EXPECT_TRUE(StreamFree(h));
}

TEST(NetStream, IcyStatusLineAndAacAreAccepted) {
  audiotest::TLibrary library;
  const std::string aac = testkit::ReadBytes(Media("sine440.aac"));
  // The title changes when the test has seen the first one, not after a
  // number of blocks: a slow start must not skip the first title.
  std::atomic<bool> next{false};
  testkit::FixtureServer server;
  server.Route("/aac", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.icyStatusLine = true;
    o.contentType = "audio/aacp";
    o.title = [&next](int) { return std::string(next ? "Artist - Next" : "Artist - Song"); };
    ServeLive(server, c, aac, o);
  });
  TMetaCount meta;
  HSTREAM h = StreamCreateURL(server.Url("/aac").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  CHANNELINFO info;
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  EXPECT_EQ(info.ctype, CTYPE_STREAM_AAC);
  auto icy = TagList(ChannelGetTags(h, TAG_ICY));
  ASSERT_FALSE(icy.empty());
  EXPECT_EQ(icy[0], "ICY 200 OK");
  EXPECT_NE(std::find(icy.begin(), icy.end(), "icy-name: Test Radio"), icy.end());
  EXPECT_EQ(ChannelGetTags(h, TAG_HTTP), nullptr);
  ChannelSetSync(h, SYNC_META, 0, &TMetaCount::Proc, &meta);
  ASSERT_TRUE(ChannelPlay(h, 0));
  // The first metadata block may still be on its way when the stream opens.
  ASSERT_TRUE(WaitFor([&] { return ChannelGetTags(h, TAG_META) != nullptr; }, 30s));
  EXPECT_STREQ(ChannelGetTags(h, TAG_META), "StreamTitle='Artist - Song';StreamUrl='';");
  next = true;
  // On a slow start the first title may arrive after the sync was set and
  // count once itself, so wait for the second title rather than a count.
  ASSERT_TRUE(WaitFor(
      [&] {
        const char* tags = ChannelGetTags(h, TAG_META);
        return meta.count >= 1 && tags && std::string(tags) == "StreamTitle='Artist - Next';StreamUrl='';";
      },
      30s));
  // The same title again and again is one title.
  const int seen = meta.count;
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(meta.count, seen);
  StreamFree(h);
}

TEST(NetStream, ServerErrorsGiveTheirCodes) {
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_TIMEOUT, 800);
  testkit::FixtureServer server;
  server.Route("/silent", [&](const testkit::HttpRequest&, testkit::Connection&) { server.SleepFor(5s); });
  server.Route("/garbage", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    std::string junk(200000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919u) >> 3);
    ServeFile(c, "audio/mpeg", junk);
  });
  server.Route("/text", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeFile(c, "text/html", "<html><body>No stream here</body></html>");
  });
  server.Route("/empty", [&](const testkit::HttpRequest&, testkit::Connection& c) { ServeFile(c, "audio/mpeg", ""); });

  EXPECT_EQ(StreamCreateURL(server.Url("/missing").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_FILEOPEN);
  EXPECT_EQ(StreamCreateURL("http://127.0.0.1:1/", 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_FILEOPEN);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(StreamCreateURL(server.Url("/silent").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(StreamCreateURL(server.Url("/garbage").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_NE(ErrorGetCode(), ERROR_OK);
  EXPECT_EQ(StreamCreateURL(server.Url("/text").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_NE(ErrorGetCode(), ERROR_OK);
  EXPECT_EQ(StreamCreateURL(server.Url("/empty").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_NE(ErrorGetCode(), ERROR_OK);
  EXPECT_EQ(StreamCreateURL("ftp://127.0.0.1/x.mp3", 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_FILEOPEN);
}

TEST(NetStream, RedirectsAndPlaylistsAreFollowed) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  server.Route("/live", [&](const testkit::HttpRequest&, testkit::Connection& c) { ServeLive(server, c, mp3, {}); });
  server.Route("/moved", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 302, "text/html", "", {{"Location", "/live"}});
  });
  server.Route("/radio.pls", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeFile(c, "audio/x-scpls",
              "[playlist]\r\nNumberOfEntries=2\r\nFile1=" + server.Url("/dead") + "\r\nFile2=/live\r\nLength1=-1\r\n");
  });
  server.Route("/radio.m3u", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeFile(c, "audio/x-mpegurl", "#EXTM3U\n#EXTINF:-1,Radio\nlive\n");
  });
  server.Route("/radio.asx", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeFile(c, "video/x-ms-asf", "<ASX version=\"3.0\"><Entry><REF HREF=\"" + server.Url("/live") + "\"/></Entry></ASX>");
  });
  server.Route("/loop.pls", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    ServeFile(c, "audio/x-scpls", "[playlist]\nFile1=/loop.pls\n");
  });

  for (const char* path : {"/moved", "/radio.pls", "/radio.m3u", "/radio.asx"}) {
    SCOPED_TRACE(path);
    HSTREAM h = StreamCreateURL(server.Url(path).c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
    ASSERT_NE(h, 0u) << ErrorGetCode();
    CHANNELINFO info;
    ASSERT_TRUE(ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, CTYPE_STREAM_MP3);
    EXPECT_STREQ(info.filename, server.Url("/live").c_str());
    StreamFree(h);
  }
  // A playlist that names itself ends instead of looping for ever.
  EXPECT_EQ(StreamCreateURL(server.Url("/loop.pls").c_str(), 0, 0, nullptr, nullptr), 0u);
  // Playlists are followed only when asked to.
  SetConfig(CONFIG_NET_PLAYLIST, 0);
  EXPECT_EQ(StreamCreateURL(server.Url("/radio.pls").c_str(), 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_FILEFORM);
}

TEST(NetStream, StallWhileStarvedThenPlayOn) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  // The pause lasts until the test has seen the stall: a fixed pause could
  // end before a slow start has played the first second.
  std::atomic<bool> stallSeen{false};
  server.Route("/stall", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    // About one second of audio, a pause, then a steady flow.
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n";
    if (!c.Write(head) || !c.Write(mp3.substr(0, 16000))) return;
    for (auto deadline = std::chrono::steady_clock::now() + 20s; !stallSeen;)
      if (std::chrono::steady_clock::now() > deadline || !server.SleepFor(10ms)) return;
    size_t pos = 16000;
    while (!server.Stopping() && pos < mp3.size()) {
      if (!c.Write(mp3.substr(pos, 4000))) return;
      pos += 4000;
      server.SleepFor(100ms);
    }
  });
  HSTREAM h = StreamCreateURL(server.Url("/stall").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 30s));
  stallSeen = true;
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_PLAYING; }, 30s));
  StreamFree(h);
}

TEST(NetStream, TruncatedMetadataAndClosedConnectionEndTheStream) {
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_RECONNECT, 0);
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  server.Route("/cut", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-metaint: 8000\r\n\r\n";
    c.Write(head);
    c.Write(mp3.substr(0, 8000));
    std::string meta = "StreamTitle='First';";
    meta.resize(32, '\0');
    c.Write(std::string(1, '\2') + meta);
    c.Write(mp3.substr(8000, 8000));
    // A length byte promising 160 bytes, then only a few, then the end.
    c.Write(std::string(1, '\x0a') + "StreamTitle='Sec");
    c.Close();
  });
  TMetaCount meta;
  HSTREAM h = StreamCreateURL(server.Url("/cut").c_str(), 0, STREAM_BLOCK | STREAM_AUTOFREE, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  // The first block may still be on its way when the open returns.
  EXPECT_TRUE(WaitFor(
      [&] {
        const char* tag = ChannelGetTags(h, TAG_META);
        return tag && std::string(tag) == "StreamTitle='First';";
      },
      2s));
  // Ended before playing: the fill a player waits for is complete.
  ASSERT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_CONNECTED) == 0; }, 30s));
  // The fill also counts what the decoder holds, so it settles at complete
  // once the decoder has taken the last bytes.
  EXPECT_TRUE(WaitFor(
      [&] {
        const QWORD end = StreamGetFilePosition(h, FILEPOS_END);
        const QWORD buffered = StreamGetFilePosition(h, FILEPOS_BUFFER);
        return buffered == static_cast<QWORD>(-1) || (end != 0 && buffered * 100 / end == 100);
      },
      2s));
  ASSERT_TRUE(ChannelPlay(h, 0));
  // Ends, drains, and is freed by AUTOFREE: the handle goes away.
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 30s));
}

TEST(NetStream, HlsFolderPlaysAsItsAudioCodec) {
  audiotest::TLibrary library;
  auto playlist = Media("hls/index.m3u8");
  ASSERT_FALSE(playlist.empty());
  const auto folder = playlist.parent_path();
  testkit::FixtureServer server;
  server.SetDefault([&](const testkit::HttpRequest& r, testkit::Connection& c) {
    auto file = folder / r.path.substr(r.path.rfind('/') + 1);
    if (r.path.rfind("/hls/", 0) != 0 || !std::filesystem::exists(file)) {
      testkit::FixtureServer::Respond(c, 404, "text/plain", "no");
      return;
    }
    bool list = file.extension() == ".m3u8";
    ServeFile(c, list ? "application/vnd.apple.mpegurl" : "video/mp2t", testkit::ReadBytes(file));
  });
  TDownload download;
  HSTREAM h = StreamCreateURL(server.Url("/hls/index.m3u8").c_str(), 0, STREAM_BLOCK, &TDownload::Proc, &download);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  CHANNELINFO info;
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  EXPECT_EQ(info.ctype, CTYPE_STREAM_AAC);
  EXPECT_EQ(info.freq, 44100u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100 * 4; }, 30s));
  EXPECT_GT(download.total.load(), 1000u);
  EXPECT_GT(StreamGetFilePosition(h, FILEPOS_END), 0u);
  StreamFree(h);
}

TEST(NetStream, ProxyAgentOggAndHeaderlessServers) {
  audiotest::TLibrary library;
  const std::string ogg = testkit::ReadBytes(Media("sine440.ogg"));
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  // The proxy is a fixture server too: it sees the absolute address.
  testkit::FixtureServer proxy;
  std::atomic<int> proxied{0};
  std::string agent;
  proxy.SetDefault([&](const testkit::HttpRequest& r, testkit::Connection& c) {
    if (r.target != "http://radio.invalid/ogg") {
      testkit::FixtureServer::Respond(c, 502, "text/plain", "bad gateway");
      return;
    }
    ++proxied;
    agent = r.Header("User-Agent");
    ServeFile(c, "application/ogg", ogg);
  });
  const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
  ASSERT_TRUE(SetConfigPtr(CONFIG_NET_PROXY, proxyAddress.c_str()));
  HSTREAM h = StreamCreateURL("http://radio.invalid/ogg", 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  EXPECT_EQ(proxied.load(), 1);
  EXPECT_EQ(agent.rfind("Qorvela/", 0), 0u);
  CHANNELINFO info;
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  EXPECT_EQ(info.ctype, CTYPE_STREAM_OGG);
  auto comments = TagList(ChannelGetTags(h, TAG_OGG));
  EXPECT_FALSE(comments.empty());
  // A stream of known length: the end is its size, the fill reaches 100.
  EXPECT_EQ(StreamGetFilePosition(h, FILEPOS_END), ogg.size());
  StreamFree(h);
  ASSERT_TRUE(SetConfigPtr(CONFIG_NET_PROXY, nullptr));

  // A server that sends audio without any answer line.
  testkit::FixtureServer old;
  old.SetDefault([&](const testkit::HttpRequest&, testkit::Connection& c) {
    c.Write(mp3.substr(0, 100000));
    old.SleepFor(3s);
  });
  h = StreamCreateURL(old.Url("/").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  EXPECT_EQ(info.ctype, CTYPE_STREAM_MP3);
  StreamFree(h);
}

TEST(NetStream, PrebufferingInsideCreateAndNoCallbackAfterFree) {
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_PREBUF, 50);
  SetConfig(CONFIG_NET_BUFFER, 2000);
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  server.Route("/live", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.burst = 8000;
    ServeLive(server, c, mp3, o);
  });
  TDownload download;
  HSTREAM h = StreamCreateURL(server.Url("/live").c_str(), 0, STREAM_BLOCK, &TDownload::Proc, &download);
  ASSERT_NE(h, 0u);
  const QWORD end = StreamGetFilePosition(h, FILEPOS_END);
  EXPECT_EQ(end, 128u * 125 * 2);  // two seconds at the announced 128 kbit/s
  EXPECT_GE(StreamGetFilePosition(h, FILEPOS_BUFFER) * 100 / end, 45u);
  ASSERT_TRUE(StreamFree(h));
  const uint64_t after = download.total.load();
  const int ends = download.ends.load();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(download.total.load(), after);
  EXPECT_EQ(download.ends.load(), ends);
}

TEST(NetStream, MislabelledStreamsAreRecognisedByTheirBytes) {
  audiotest::TLibrary library;
  const std::string aac = testkit::ReadBytes(Media("sine440.aac"));
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  server.Route("/aac-as-mp3", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.contentType = "audio/mpeg";
    ServeLive(server, c, aac, o);
  });
  server.Route("/mp3-as-aac", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.contentType = "audio/aacp";
    ServeLive(server, c, mp3.substr(mp3.find("\xff\xfb")), o);
  });
  server.Route("/unlabelled", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.contentType = "application/octet-stream";
    o.metaInt = 0;
    ServeLive(server, c, mp3, o);
  });
  struct Case {
    const char* path;
    DWORD ctype;
  } cases[] = {{"/aac-as-mp3", CTYPE_STREAM_AAC}, {"/mp3-as-aac", CTYPE_STREAM_MP3}, {"/unlabelled", CTYPE_STREAM_MP3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto start = std::chrono::steady_clock::now();
    HSTREAM h = StreamCreateURL(server.Url(c.path).c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
    ASSERT_NE(h, 0u) << ErrorGetCode();
    // Opening a live stream does not wait for seconds of probing.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    CHANNELINFO info;
    ASSERT_TRUE(ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, c.ctype);
    StreamFree(h);
  }
}

TEST(NetStream, GarbageInTheMiddleIsSkipped) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  std::string junk(30000, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 2654435761u) >> 13);
  // Good audio, a burst of noise bytes, good audio again: one live stream.
  const std::string spoiled = mp3.substr(0, 60000) + junk + mp3.substr(60000);
  testkit::FixtureServer server;
  server.Route("/spoiled", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    TLiveOptions o;
    o.burst = 200000;
    ServeLive(server, c, spoiled, o);
  });
  HSTREAM h = StreamCreateURL(server.Url("/spoiled").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(h, 0));
  // Well past the noise (about 3.75 s in), still playing the tone.
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100 * 4 * 5; }, 30s));
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_PLAYING);
  EXPECT_NEAR(audiotest::ToneAmplitude(audiotest::RecentSamples(h, 4096, 2), 2, 44100, 440), 0.5, 0.05);
  StreamFree(h);
}
