// The qor-play sample program against a live stream on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "PlayerTestKit.h"
#include "Shell.h"

using namespace playertest;

namespace {

std::filesystem::path ToolPath() {
  const char* build = std::getenv("QOR_BUILD_DIR");
  return build ? std::filesystem::path(build) / "tools" / "qor-play" / "qor-play" : std::filesystem::path();
}

// Runs the tool and returns its output and exit status.
std::string RunTool(const std::string& arguments, int& status) {
  return testkit::RunAndRead(ToolPath().string() + " " + arguments + " 2>&1", &status);
}

}  // namespace

TEST(PlayerTool, PlaysAStreamAndPrintsItsEvents) {
  ASSERT_TRUE(std::filesystem::exists(ToolPath())) << "qor-play is not built in this build folder";
  std::string mp3 = ReadBytes(Media("tone.mp3"));
  ASSERT_FALSE(mp3.empty());
  testkit::FixtureServer server;
  TLiveOptions options;
  options.metaInt = 8000;
  server.Route("/live", [&](const testkit::HttpRequest&, testkit::Connection& c) { ServeLive(server, c, mp3, options); });

  int status = -1;
  std::string out = RunTool("-d 0 -t 1 " + server.Url("/live"), status);
  EXPECT_EQ(status, 0) << out;
  for (const char* line : {"connecting to http://127.0.0.1", "playing (mp3, 44100 Hz, stereo, 128 kbit/s)",
                           "metadata: StreamTitle='Artist - Song';StreamUrl='';", "title: Artist - Song",
                           "time is up", "stopped"})
    EXPECT_NE(out.find(line), std::string::npos) << "missing \"" << line << "\" in:\n" << out;
  EXPECT_LT(out.find("connecting"), out.find("playing"));
  EXPECT_LT(out.find("playing"), out.find("stopped"));

  out = RunTool("-d 0 -a 2 http://127.0.0.1:1/none", status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("error "), std::string::npos) << out;
  out = RunTool("-x", status);
  EXPECT_EQ(status, 2) << out;
}
