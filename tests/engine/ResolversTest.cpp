#include "engine/Resolvers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "FixtureServer.h"
#include "Shell.h"
#include "TempDir.h"
#include "support/Deploy.h"
#include "support/HttpSession.h"
#include "support/URLUtils.h"

namespace {

using testkit::Connection;
using testkit::FixtureServer;
using testkit::HttpRequest;

std::string HostOf(const FixtureServer& s) { return "127.0.0.1:" + std::to_string(s.Port()); }

void Json(Connection& c, const std::string& body, int status = 200) {
  FixtureServer::Respond(c, status, "application/json", body);
}

// Every site of the host table played by its own server on 127.0.0.1,
// with PATH pointing at an empty folder so that no downloader is found.
class Resolvers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenInternetHandle());
    InternetHandle()->StallTimeoutMs = 1000;
    deploy::SetValue(deploy::VendorDomain, "Vendor.Example");
    deploy::SetValue(deploy::VendorApiHost, HostOf(vendor));
    deploy::SetValue(deploy::StreamsPortalHost, "streams.example");
    deploy::SetValue(deploy::StreamsPortalMobileHost, HostOf(streams));
    deploy::SetValue(deploy::HlsPortalHost, "hls.example");
    deploy::SetValue(deploy::HlsPortalScriptHost, HostOf(hls));
    deploy::SetValue(deploy::NetworkSiteHost, "network.example");
    deploy::SetValue(deploy::RadyodStationHost, HostOf(network));
    deploy::SetValue(deploy::SlowturkStationHost, HostOf(network));
    deploy::SetValue(deploy::VideoSiteHost, HostOf(video));
    deploy::SetValue(deploy::MusicServiceHost, HostOf(music));
    pathEnv.emplace("PATH", bin.Path().c_str());
    SetVideoDownloaderTimeout(5000);
  }
  void TearDown() override {
    pathEnv.reset();
    deploy::Reset();
    CloseInternetHandle();
  }

  void VideoPage(const std::string& path, const std::string& streamMap) {
    video.Route(path, [streamMap](const HttpRequest&, Connection& c) {
      FixtureServer::Respond(c, 200, "text/html",
                             "<script>ytplayer.config = {\"args\":{\"video_id\":\"v\",\"fmt_list\":\"18/640x360\","
                             "\"url_encoded_fmt_stream_map\":\"" + streamMap + "\"}};</script>");
    });
  }
  std::string WriteDownloader(const std::string& body) {
    auto script = bin / "yt-dlp";
    testkit::TempDir::WriteFile(script, "#!/bin/sh\n" + body);
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script.string();
  }

  // Answers that tests change between requests; declared before the servers
  // so that they outlive the servers' handler threads.
  std::string answer;
  FixtureServer vendor, streams, hls, network, video, music;
  testkit::TempDir bin;
  std::optional<testkit::EnvScope> pathEnv;  // PATH holds only the fake downloader
};

TEST_F(Resolvers, DispatchLeavesForeignAddressesAlone) {
  EXPECT_EQ(ResolveByHost("http://radio.example:8000/live"), "http://radio.example:8000/live");
  EXPECT_EQ(ResolveByHost("qor://elsewhere.example/123"), "qor://elsewhere.example/123");
  EXPECT_EQ(ResolveByHost("qor://vendor.example"), "qor://vendor.example");  // no path
  EXPECT_EQ(ResolveByHost("qor://vendor.example?id=1"), "qor://vendor.example?id=1");
  EXPECT_EQ(ResolveByHost("not an address"), "not an address");
  EXPECT_EQ(vendor.RequestCount(), 0);
  EXPECT_EQ(ResolverHostIndex("VENDOR.example", 0), 1);
  EXPECT_EQ(ResolverHostIndex("127.0.0.1", video.Port()), 5);
  EXPECT_EQ(ResolverHostIndex("127.0.0.1", 1), 0);  // entries with a port match that port only
  deploy::SetValue(deploy::VendorDomain, "");
  EXPECT_EQ(ResolverHostIndex("", 0), 0);  // an empty entry never matches
}

TEST_F(Resolvers, VendorLookup) {
  vendor.Route("/qor/query.php", [](const HttpRequest& r, Connection& c) {
    if (r.target == "/qor/query.php?id=k+1") return Json(c, R"({"l":"http://stream.example/k1"})");
    Json(c, "gone", 404);
  });
  EXPECT_EQ(ResolveByHost("bass://Vendor.Example/station/k+1"), "http://stream.example/k1");
  EXPECT_EQ(vendor.Requests().back().target, "/qor/query.php?id=k+1");  // the id is not encoded
  // A 404 answer gives the empty result, not the address that came in.
  EXPECT_EQ(ResolveByHost("bass://vendor.example/other"), "");
  deploy::SetValue(deploy::VendorApiHost, "");
  int before = vendor.RequestCount();
  EXPECT_EQ(ResolveVendorLookup("k+1"), "");
  EXPECT_EQ(vendor.RequestCount(), before);
}

TEST_F(Resolvers, StreamsPortalTakesTheFirstExactChannel) {
  answer = R"([{"channel_id":"Kanal","url":"u-upper"},{"channel_id":"kanal","url":"u-first"},
                         {"channel_id":"kanal","url":"u-second"},{"channel_id":5,"url":"u-number"}])";
  streams.Route("/", [this](const HttpRequest&, Connection& c) { Json(c, answer); });
  EXPECT_EQ(ResolveByHost("qor://streams.example/radio/kanal"), "u-first");
  EXPECT_EQ(streams.Requests().back().target, "/?p=Radio&action=fetchAllEncodedStreams&platform=mobile_web");
  EXPECT_EQ(ResolveStreamsPortal("5"), "u-number");
  EXPECT_EQ(ResolveStreamsPortal("none"), "");
  answer = "{not json";
  EXPECT_EQ(ResolveStreamsPortal("kanal"), "");
  answer = R"({"channel_id":"kanal","url":"not-an-array"})";
  EXPECT_EQ(ResolveStreamsPortal("kanal"), "");
}

TEST_F(Resolvers, HlsPortalCutsSecurePath) {
  answer = R"({"ServiceUrl":"http://hls.example:1935","SecurePath":"live/x.m3u8?token=9&app=web&z=1"})";
  hls.Route("/mls.php", [this](const HttpRequest&, Connection& c) { Json(c, answer); });
  EXPECT_EQ(ResolveByHost("qor://hls.example/s/trt1"), "http://hls.example:1935/live/x.m3u8?token=9");
  EXPECT_EQ(hls.Requests().back().target, "/mls.php?p=" + URLEncode("S1/HLS_LIVE/trt1/index.m3u8?live=true"));
  EXPECT_EQ(hls.Requests().back().target, "/mls.php?p=S1%2FHLS_LIVE%2Ftrt1%2Findex.m3u8%3Flive%3Dtrue");
  answer = R"({"ServiceUrl":"http://hls.example","SecurePath":"live/x.m3u8?token=9"})";
  EXPECT_EQ(ResolveHlsPortal("trt1"), "http://hls.example/");
  answer = R"({"SecurePath":"p&app"})";
  EXPECT_EQ(ResolveHlsPortal("trt1"), "/p");  // a missing key is an empty piece
}

TEST_F(Resolvers, NetworkSiteStationKeys) {
  auto page = [](const std::string& secure) {
    return "<html><script>\n var settings = {\n ServiceUrl: 'http://cdn.example/radyo',\n SecurePath: '" + secure +
           "'\n };\n $(document).ready(function(){});</script>";
  };
  network.Route("/player_test/radyod.aspx", [page](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 200, "text/html", page("radyod/playlist.m3u8?k=1&app=x"));
  });
  network.Route("/player_test/slowturk.aspx", [page](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 200, "text/html", page("slowturk/slowturk.m3u8?k=2&app=x"));
  });
  EXPECT_EQ(ResolveByHost("qor://network.example/radyo/radyod"), "http://cdn.example/radyo/radyod/playlist.m3u8?k=1");
  HttpRequest sent = network.Requests().back();
  EXPECT_EQ(sent.Header("Accept"), "*/*");
  EXPECT_EQ(sent.Header("User-Agent"), "Mozilla/5.0 (Windows NT 5.1) Gecko/20100101 Firefox/17.0 (Vendor.Example)");
  EXPECT_EQ(ResolveNetworkSite("slowturk"), "http://cdn.example/radyo/slowturk/slowturk.m3u8?k=2");
  // cnnturk reads the slowturk page and renames the first "slowturk" only.
  EXPECT_EQ(ResolveNetworkSite("cnnturk"), "http://cdn.example/radyo/cnnradyo/slowturk.m3u8?k=2");
  EXPECT_EQ(network.Requests().back().path, "/player_test/slowturk.aspx");
  int before = network.RequestCount();
  EXPECT_EQ(ResolveNetworkSite("Radyod"), "");
  EXPECT_EQ(network.RequestCount(), before);

  network.Route("/player_test/radyod.aspx", [](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 200, "text/html", "var settings = {ServiceUrl:'x'}; no ready call");
  });
  EXPECT_EQ(ResolveNetworkSite("radyod"), "");
}

TEST_F(Resolvers, MusicServiceSongAndVideoSource) {
  answer = R"({"source":"http://music.example/song.mp3","type":"audio","provider":"fizy"})";
  music.Route("/fizy::getSong", [this](const HttpRequest&, Connection& c) { Json(c, answer); });
  EXPECT_EQ(ResolveByHost("qor://127.0.0.1:" + std::to_string(music.Port()) + "/song/55"), "http://music.example/song.mp3");
  HttpRequest sent = music.Requests().back();
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.body, "SID=55");
  EXPECT_EQ(sent.Header("Content-Type"), "application/x-www-form-urlencoded; charset=UTF-8");
  EXPECT_EQ(sent.Header("Content-Length"), "6");
  EXPECT_EQ(sent.Header("Referer"), "http://" + HostOf(music) + "/");
  EXPECT_EQ(sent.Header("X-Requested-With"), "XMLHttpRequest");
  EXPECT_EQ(sent.Header("User-Agent"), "Mozilla/5.0 (Windows NT 5.1) Gecko/20100101 Firefox/17.0");

  VideoPage("/watch", "itag=18&url=http%3A%2F%2Fvideo.example%2Fv18&sig=SIG");
  answer = R"({"source":"abc123","type":"video","provider":"youtube"})";
  // A downloader on PATH does not matter here: songs always use the page reader.
  WriteDownloader("echo http://from-downloader\n");
  EXPECT_EQ(ResolveMusicSong("56"), "http://video.example/v18&signature=SIG");
  EXPECT_EQ(video.Requests().back().target, "/watch?v=abc123");
  answer = "";
  EXPECT_EQ(ResolveMusicSong("57"), "");
}

TEST_F(Resolvers, VideoPageReaderWithoutDownloader) {
  VideoPage("/watch", "itag=22&url=http%3A%2F%2Fv%2F22&sig=A,itag=18&url=http%3A%2F%2Fv%2F18&sig=B");
  video.Route("/old-watch", [](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 302, "text/plain", "", {{"Location", "/watch?v=1"}});
  });
  std::string address = "http://" + HostOf(video) + "/watch?v=1";
  EXPECT_EQ(FindVideoDownloader(), "");
  EXPECT_EQ(ResolveByHost(address), "http://v/18&signature=B");
  HttpRequest sent = video.Requests().back();
  EXPECT_EQ(sent.Header("Referer"), address);
  EXPECT_EQ(sent.Header("Accept"), "*/*");
  EXPECT_EQ(ResolveVideoSite("http://" + HostOf(video) + "/old-watch"), "http://v/18&signature=B");
  video.Route("/plain", [](const HttpRequest&, Connection& c) { FixtureServer::Respond(c, 200, "text/html", "<p>x</p>"); });
  EXPECT_EQ(ResolveVideoSite("http://" + HostOf(video) + "/plain"), "");
  VideoPage("/bad", "itag=18&url=http%3");
  EXPECT_THROW(ResolveVideoSite("http://" + HostOf(video) + "/bad"), EWebBrokerException);
}

TEST_F(Resolvers, ExternalDownloaderCommandLineAndOutput) {
  auto args = bin / "args.txt";
  WriteDownloader("for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + args.string() + "'; done\n" +
                  "printf '  http://direct.example/v.mp4\\n\\n' ; echo warning >&2\n");
  EXPECT_EQ(FindVideoDownloader(), (bin / "yt-dlp").string());
  std::string address = "http://" + HostOf(video) + "/watch?v=a b&x=1";
  EXPECT_EQ(ResolveVideoSite(address), "http://direct.example/v.mp4");
  EXPECT_EQ(testkit::TempDir::ReadFile(args), "-g\n-f\n18\n" + address + "\n");
  EXPECT_EQ(video.RequestCount(), 0);  // the page was not read

  // The older name is found too.
  std::filesystem::rename(bin / "yt-dlp", bin / "youtube-dl");
  EXPECT_EQ(FindVideoDownloader(), (bin / "youtube-dl").string());
  std::filesystem::remove(bin / "youtube-dl");

  // Warnings on the merged standard error do not become the address.
  WriteDownloader("echo 'WARNING: slow' >&2; /bin/sleep 0.05; printf 'http://late.example/v'; /bin/sleep 0.05; echo '?x=1'\n");
  EXPECT_EQ(ResolveVideoSite(address), "http://late.example/v?x=1");
  WriteDownloader("echo 'ERROR: unavailable' >&2; exit 1\n");
  EXPECT_EQ(ResolveVideoSite(address), "");
  WriteDownloader("exit 0\n");
  EXPECT_EQ(ResolveVideoSite(address), "");
  WriteDownloader("exec /usr/bin/yes http://endless.example/\n");
  std::string endless = ResolveVideoSite(address);
  EXPECT_FALSE(endless.empty());
  EXPECT_LE(endless.size(), 4097u);
  SetVideoDownloaderTimeout(200);
  WriteDownloader("exec /bin/sleep 30\n");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ResolveVideoSite(address), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(Resolvers, HostileAnswersEndInTheEmptyResult) {
  vendor.Route("/qor/query.php", [](const HttpRequest&, Connection& c) {
    c.Write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"l\":\"http://trunc");
    c.Close();
  });
  EXPECT_EQ(ResolveVendorLookup("1"), "");
  std::string nested;
  for (int i = 0; i < 10000; ++i) nested += "{\"l\":";
  hls.Route("/mls.php", [nested](const HttpRequest&, Connection& c) { Json(c, nested); });
  EXPECT_EQ(ResolveHlsPortal("x"), "");
  streams.Route("/", [this](const HttpRequest&, Connection&) { streams.SleepFor(std::chrono::seconds(20)); });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ResolveStreamsPortal("x"), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  network.Route("/player_test/radyod.aspx", [](const HttpRequest&, Connection& c) {
    FixtureServer::Respond(c, 200, "text/html", "var settings = " + std::string(50u << 20, '[') + "$(document)");
  });
  EXPECT_EQ(ResolveNetworkSite("radyod"), "");
}

TEST(ResolverHosts, WebAddressesOfTheVideoSiteAndMusicService) {
  deploy::Reset();
  EXPECT_TRUE(IsVideoSiteHost("www.youtube.com", 0));
  EXPECT_TRUE(IsVideoSiteHost("m.YouTube.com", 443));
  EXPECT_FALSE(IsVideoSiteHost("youtu.be", 0));
  EXPECT_TRUE(IsMusicServiceHost("www.fizy.com", 0));
  EXPECT_FALSE(IsMusicServiceHost("fizy.org", 0));
  deploy::SetValue(deploy::VideoSiteHost, "127.0.0.1:8080");
  EXPECT_TRUE(IsVideoSiteHost("127.0.0.1", 8080));
  EXPECT_FALSE(IsVideoSiteHost("127.0.0.1", 8081));
  deploy::SetValue(deploy::MusicServiceHost, "");
  EXPECT_FALSE(IsMusicServiceHost("anything", 0));
  TURLComponentStrings parts;
  ASSERT_TRUE(SplitURL("http://fizy.com/#/s/1a2b3c", parts));
  EXPECT_EQ(MusicSongId(parts), "1a2b3c");
  ASSERT_TRUE(SplitURL("http://fizy.com/?77", parts));
  EXPECT_EQ(MusicSongId(parts), "?77");
  deploy::Reset();
}

}  // namespace
