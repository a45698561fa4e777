#include <gtest/gtest.h>

#include <stdexcept>

#include "TempDir.h"
#include "engine/PlayerThread.h"
#include "engine/Routing.h"

namespace {

// Resolvers that answer from a script and remember what they were asked.
struct TFakeSites {
  std::vector<std::string> calls;
  TResolverTable Table() {
    TResolverTable t;
    t.ResolveByHost = [this](const std::string& a) {
      calls.push_back("host:" + a);
      return a.find("portal.test") != std::string::npos ? std::string("http://127.0.0.1:1/resolved") : a;
    };
    t.ResolveVideoSite = [this](const std::string& a) {
      calls.push_back("video:" + a);
      return std::string("http://127.0.0.1:1/video");
    };
    t.ResolveMusicSong = [this](const std::string& id) {
      calls.push_back("song:" + id);
      return std::string("http://127.0.0.1:1/song");
    };
    t.IsVideoSiteHost = [](const std::string& h, int) { return h.find("video.test") != std::string::npos; };
    t.IsMusicServiceHost = [](const std::string& h, int) { return h.find("music.test") != std::string::npos; };
    return t;
  }
};

}  // namespace

TEST(Routing, PlainAddressesOpenUnchanged) {
  TFakeSites sites;
  auto t = sites.Table();
  for (std::string a : {"http://radio.example.org:8000/live", "HTTP://portal.test/x/1", "mms://host/x",
                        "QOR://host/x", "FILE://C:/a.mp3", "not an address"}) {
    TRoute r = RoutePlayerAddress(a, t);
    EXPECT_EQ(r.Kind, TRouteKind::Internet) << a;
    EXPECT_EQ(r.Target, a);
  }
  EXPECT_TRUE(sites.calls.empty()) << "schemes compare case-sensitively; no resolver asked";
}

TEST(Routing, OwnSchemesGoThroughTheHostDispatcher) {
  TFakeSites sites;
  auto t = sites.Table();
  EXPECT_EQ(RoutePlayerAddress("qor://elsewhere.example/bass/7", t).Target, "qor://elsewhere.example/bass/7");
  EXPECT_EQ(RoutePlayerAddress("bass://portal.test/r/42", t).Target, "http://127.0.0.1:1/resolved");
  EXPECT_EQ(sites.calls, (std::vector<std::string>{"host:qor://elsewhere.example/bass/7", "host:bass://portal.test/r/42"}));
}

TEST(Routing, MusicAndVideoHostsAreResolved) {
  TFakeSites sites;
  auto t = sites.Table();
  EXPECT_EQ(RoutePlayerAddress("http://www.music.test/#/song/a/12345", t).Target, "http://127.0.0.1:1/song");
  EXPECT_EQ(RoutePlayerAddress("http://music.test/?12345", t).Target, "http://127.0.0.1:1/song");
  EXPECT_EQ(RoutePlayerAddress("https://m.video.test/watch?v=abc", t).Target, "http://127.0.0.1:1/video");
  EXPECT_EQ(sites.calls, (std::vector<std::string>{"song:12345", "song:?12345", "video:https://m.video.test/watch?v=abc"}));
}

TEST(Routing, PortalHostDiffersBetweenTheTwoWorkers) {
  TFakeSites sites;
  auto t = sites.Table();
  const std::string a = "http://portal.test/radio/55";
  EXPECT_EQ(RoutePlayerAddress(a, t).Target, a) << "the BASS worker opens it directly";
  EXPECT_EQ(RouteParserAddress(a, t), "http://127.0.0.1:1/resolved") << "the parser asks the dispatcher";
  EXPECT_EQ(RouteParserAddress("rtmp://other.example/live", t), "rtmp://other.example/live");
  TResolverTable none;
  EXPECT_EQ(RouteParserAddress(a, none), a);
}

TEST(Routing, FileAddressesBecomeLocalPaths) {
  TFakeSites sites;
  auto t = sites.Table();
  TRoute r = RoutePlayerAddress("file://C:/music/a.mp3", t);
  EXPECT_EQ(r.Kind, TRouteKind::File);
  EXPECT_EQ(r.Target, "C:/music/a.mp3");
  EXPECT_EQ(RoutePlayerAddress("file:///home/u/a.mp3", t).Target, "/home/u/a.mp3");
  EXPECT_EQ(RoutePlayerAddress("file://localhost/home/u/a.mp3", t).Target, "/home/u/a.mp3");
  EXPECT_EQ(RoutePlayerAddress("file:///home/u/a.mp3?x#y", t).Target, "/home/u/a.mp3");
  // Escapes are decoded only for a file that exists under the decoded name.
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "my song.mp3", "x");
  std::string folder = dir.Path().string();
  EXPECT_EQ(RoutePlayerAddress("file://" + folder + "/my%20song.mp3", t).Target, folder + "/my song.mp3");
  EXPECT_EQ(RoutePlayerAddress("file://" + folder + "/no%20such.mp3", t).Target, folder + "/no%20such.mp3");
}

TEST(Routing, DefaultTableLeavesUnknownHostsAlone) {
  TResolverTable t = DefaultResolvers();
  ASSERT_TRUE(t.ResolveByHost && t.ResolveVideoSite && t.ResolveMusicSong && t.IsVideoSiteHost && t.IsMusicServiceHost);
  EXPECT_EQ(RoutePlayerAddress("qor://unknown.invalid/x/1", t).Target, "qor://unknown.invalid/x/1");
  EXPECT_EQ(RouteParserAddress("http://unknown.invalid/x/1", t), "http://unknown.invalid/x/1");
}

TEST(WorkerThreads, EndTerminatedEvenWhenAResolverRaises) {
  TResolverTable t;
  t.ResolveByHost = [](const std::string&) -> std::string { throw std::runtime_error("bad escape"); };
  TPlayerThread player;
  player.Address = "qor://portal.test/x/1";
  player.Resolvers = t;
  player.Start();
  player.WaitFor();
  EXPECT_TRUE(player.Terminated());
  EXPECT_TRUE(player.Raised());
  EXPECT_EQ(player.StreamHandle, 0u);
  EXPECT_EQ(player.ErrorCode, 0);
  EXPECT_EQ(player.AttemptsMade, 0u);

  TParserThread parser;
  parser.Address = "http://portal.test/x/1";
  parser.Resolvers = t;
  parser.Start();
  parser.WaitFor();
  EXPECT_TRUE(parser.Terminated());
  EXPECT_TRUE(parser.Raised());
  EXPECT_EQ(parser.ResolvedAddress, parser.Address) << "the address stays as it was before the lookup";

  TFakeSites sites;
  TParserThread ok;
  ok.Address = "qor://portal.test/x/2";
  ok.Resolvers = sites.Table();
  ok.Start();
  ok.WaitFor();
  EXPECT_FALSE(ok.Raised());
  EXPECT_EQ(ok.ResolvedAddress, "http://127.0.0.1:1/resolved");
}
