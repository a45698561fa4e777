// Files and addresses opened from the desktop or the command line: in the
// controller, and end to end from a second qor process into a running one.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FixtureServer.h"
#include "LiveStream.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "QorProcess.h"
#include "engine/RadioPlayer.h"
#include "platform/InstanceSocket.h"
#include "support/Deploy.h"

using namespace ctltest;
using testkit::PumpUntil;
using namespace core;
using namespace app;

namespace {

void RouteStream(testkit::FixtureServer& server, const std::string& path, const std::string& mp3) {
  server.Route(path, [&server, mp3](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::LiveStreamOptions o;
    o.statusLine = "ICY 200 OK";
    o.metaInt = 8192;
    testkit::ServeLiveStream(server, c, mp3, o);
  });
}

class OpenTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    deploy::Reset();
    ASSERT_TRUE(F.AudioOk) << "audio library did not start";
    RouteStream(Server, "/stream", testkit::ReadBytes(Media("tone.mp3")));
  }
  void TearDown() override {
    F.Destroy();
    deploy::Reset();
  }
  TControllerFixture F;
  testkit::FixtureServer Server;
};

TEST_F(OpenTargetTest, TargetsWaitForThePlayerWindowAndAddressesPlayAtOnceWithoutOne) {
  TMainWindow& controller = F.Make();
  std::vector<std::pair<HWND, std::vector<std::u16string>>> handed;
  controller.OpenFiles = [&](HWND window, const std::vector<std::u16string>& files) {
    handed.push_back({window, files});
  };
  const std::string address = Server.Url("/stream");
  std::u16string wide(address.begin(), address.end());
  // Asked before any player window registered: kept, not lost, and the
  // address in its place among the files (the window names what plays).
  controller.OpenTarget(u"/home/k/Müzik/liste.rpf");
  controller.OpenTarget(wide);
  controller.OpenTarget(u"/home/k/a.m3u");
  EXPECT_TRUE(handed.empty());
  F.Start();
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].first, F.Client.Handle());
  EXPECT_EQ(handed[0].second, (std::vector<std::u16string>{u"/home/k/Müzik/liste.rpf", wide, u"/home/k/a.m3u"}));
  controller.OpenTarget(u"/tmp/b.pls");
  ASSERT_EQ(handed.size(), 2u);
  EXPECT_EQ(handed[1].second, std::vector<std::u16string>{u"/tmp/b.pls"});
  EXPECT_EQ(F.Send(UM_GET_PLAY_STATE), psStopped) << "the player window decides what plays";
  EXPECT_EQ(Server.RequestCount("/stream"), 0);

  // Without a player window to hand them to, addresses play at once.
  controller.OpenFiles = nullptr;
  F.NoResolvers();
  controller.OpenTarget(wide);
  EXPECT_EQ(controller.StationName(), wide);
  ASSERT_TRUE(PumpUntil([&] { return F.Send(UM_GET_PLAY_STATE) == psPlaying; }, 15000));
  EXPECT_GE(Server.RequestCount("/stream"), 1);
  EXPECT_EQ(handed.size(), 2u);
}

// Polls another process's effect; the bound only turns a fault into a failure.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(OpenTargetProcessTest, AddressesReachTheRunningInstance) {
  testkit::TempDir dir;
  apptest::TQorEnv env{dir / "config", dir / "run"};
  std::filesystem::create_directories(env.RuntimeDir);
  std::filesystem::create_directories(env.SettingsFolder());
  // Nothing plays by itself: only what the test asks for reaches the network.
  // The option asks for one instance: a second start hands over and leaves.
  testkit::TempDir::WriteFile(env.SettingsFolder() / "options.ini",
                              "[application]\nsingleinstance=1\n[player]\nautoplay=0\n");
  testkit::FixtureServer server;
  std::string mp3 = testkit::ReadBytes(Media("tone.mp3"));
  ASSERT_FALSE(mp3.empty());
  RouteStream(server, "/first", mp3);
  RouteStream(server, "/second", mp3);

  // A first start plays its own address...
  apptest::TQorProcess first(env, {server.Url("/first")});
  ASSERT_TRUE(apptest::WaitForWindows(env, 1)) << first.Stderr();
  ASSERT_TRUE(WaitFor([&] { return server.RequestCount("/first") >= 1; })) << first.Stderr();

  // ...and a second start hands its address over and leaves.
  std::string secondAddress = server.Url("/second");
  // As a desktop may spell it: the scheme in capitals.
  apptest::TQorProcess second(env, {"HTTP" + secondAddress.substr(4)});
  EXPECT_EQ(second.Wait(), 0) << second.Stderr();
  ASSERT_TRUE(WaitFor([&] { return server.RequestCount("/second") >= 1; })) << first.Stderr();
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(platform::FindInstanceWindows(env.RuntimeFolder()).size(), 1u);

  apptest::TQorProcess quit(env, {"-quit"});
  EXPECT_EQ(quit.Wait(), 0);
  EXPECT_EQ(first.Wait(), 0) << first.Stderr();
}

}  // namespace
