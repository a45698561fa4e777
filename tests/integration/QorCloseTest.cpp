// The desktop program closes promptly even while a background request to
// the vendor's service hangs.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FixtureServer.h"
#include "MainWindowTestKit.h"
#include "QorProcess.h"
#include "TempDir.h"

namespace {

TEST(QorCloseTest, QuitWhileTheVersionRequestHangs) {
  testkit::TempDir dir;
  testkit::FixtureServer server;
  server.Route("/qor/version.xml", [&](const testkit::HttpRequest&, testkit::Connection& c) { ctltest::ServeSilence(server, c); });
  apptest::TQorEnv env{dir.Path() / "config", dir.Path() / "run"};
  std::filesystem::create_directories(env.SettingsFolder());
  std::filesystem::create_directories(env.RuntimeDir);
  std::filesystem::permissions(env.RuntimeDir, std::filesystem::perms::owner_all);
  testkit::TempDir::WriteFile(env.SettingsFolder() / "deploy.ini",
                              "[Deploy]\nVendorApiHost=127.0.0.1:" + std::to_string(server.Port()) + "\n");

  apptest::TQorProcess qor(env, {});
  ASSERT_TRUE(apptest::WaitForWindows(env, 1)) << qor.Stderr();
  for (int i = 0; i < 1000 && server.RequestCount("/qor/version.xml") == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(server.RequestCount("/qor/version.xml"), 1) << qor.Stderr();

  // The request never answers and would hold a program that waits for it
  // at least for the 30 s stall limit; one that cancels it ends well inside
  // the ceiling, however loaded the machine.
  apptest::TQorProcess quit(env, {"-quit"});
  EXPECT_EQ(qor.Wait(std::chrono::seconds(15)), 0) << qor.Stderr();
  EXPECT_EQ(quit.Wait(std::chrono::seconds(15)), 0);
}

}  // namespace
