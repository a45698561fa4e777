// What the real program starts dies with it, however it ends: here a
// video-site helper that never answers, when the program is killed.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "DesktopKit.h"
#include "Media.h"
#include "PlayerWindowKit.h"
#include "QorProcess.h"
#include "Shell.h"
#include "TempDir.h"

namespace {

using namespace std::chrono_literals;

// The parent's number in /proc/<pid>/status; 0 when it is gone.
pid_t ParentOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("PPid:", 0) == 0) return static_cast<pid_t>(std::atoi(line.c_str() + 5));
  return 0;
}

TEST(QorChildrenTest, AHangingVideoSiteHelperDiesWhenTheProgramIsKilled) {
  if (!uitest::Have("Xvfb")) GTEST_SKIP() << "needs Xvfb";
  testkit::TempDir dir;
  auto display = uitest::StartDisplay(dir.Path());
  ASSERT_TRUE(display->Ok()) << "the X server did not start";
  apptest::TQorEnv env;
  env.ConfigHome = dir / "config";
  env.RuntimeDir = dir / "run";
  std::filesystem::create_directories(env.RuntimeDir);
  std::filesystem::create_directories(env.SettingsFolder());
  // The station is on the video site, so the helper is asked for its
  // address at start; it says where it runs and then never answers.
  testkit::TempDir::WriteFile(env.SettingsFolder() / "deploy.ini", "[Deploy]\nVideoSiteHost=127.0.0.1\n");
  ASSERT_TRUE(uitest::SaveStations(env.SettingsFolder() / "playlist.rpf",
                                   {{u"Video", "http://127.0.0.1:9/watch?v=qor", 0x21, u""}}));
  testkit::TempDir::WriteFile(env.SettingsFolder() / "options.ini",
                              "[player]\nautoplay=1\nplayident=0x21\n[playlist]\nvisible=0\n"
                              "[application]\nshowbanner=0\nfirstrun=0\n");
  const auto bin = dir / "bin";
  const auto pidFile = dir / "helper.pid";
  std::filesystem::create_directories(bin);
  testkit::TempDir::WriteFile(bin / "yt-dlp", "#!/bin/sh\necho $$ > " + testkit::ShellQuote(pidFile.string() + ".new") +
                                                  " && mv " + testkit::ShellQuote(pidFile.string() + ".new") + " " +
                                                  testkit::ShellQuote(pidFile.string()) + "\nexec sleep 600\n");
  std::filesystem::permissions(bin / "yt-dlp", std::filesystem::perms::owner_all);
  const char* path = std::getenv("PATH");
  testkit::EnvScope searchPath("PATH", (bin.string() + ":" + (path ? path : "/usr/bin:/bin")).c_str());

  apptest::TQorProcess qor(env, {});
  ASSERT_TRUE(uitest::WaitFor([&] { return std::filesystem::exists(pidFile) || !qor.Running(); }, 60s))
      << "the helper was never started\n" << qor.Stderr();
  ASSERT_TRUE(qor.Running()) << qor.Stderr();
  const pid_t helper = static_cast<pid_t>(std::atoi(testkit::ReadBytes(pidFile).c_str()));
  ASSERT_GT(helper, 0);
  // Watched by a descriptor of its own, so that no other process that
  // takes its number later can be mistaken for it.
  const int watch = static_cast<int>(::syscall(SYS_pidfd_open, helper, 0));
  ASSERT_GE(watch, 0) << "the helper ended by itself";
  EXPECT_EQ(ParentOf(helper), qor.Pid()) << "the program's own child";

  qor.Signal(SIGKILL);
  EXPECT_FALSE(qor.Wait(60s).has_value()) << "killed, not ended";
  pollfd gone{watch, POLLIN, 0};
  const bool ended = ::poll(&gone, 1, 60000) == 1;
  EXPECT_TRUE(ended) << "the helper outlived the program";
  if (!ended) ::syscall(SYS_pidfd_send_signal, watch, SIGKILL, nullptr, 0);
  ::close(watch);
}

}  // namespace
