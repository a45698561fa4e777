// What the real program starts ends with it, however it ends: a video-site
// helper that never answers is killed, and a recording's encoder finishes
// its file instead of writing on.
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
#include "Tools.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// The parent's number in /proc/<pid>/status; 0 when it is gone.
pid_t ParentOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("PPid:", 0) == 0) return static_cast<pid_t>(std::atoi(line.c_str() + 5));
  return 0;
}

// The children of `parent` (of any of its threads) whose command line has
// `word` among its arguments.
std::vector<pid_t> ChildrenWith(pid_t parent, const std::string& word) {
  std::vector<pid_t> found;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(parent) + "/task", ec)) {
    std::ifstream in(task.path() / "children");
    pid_t child;
    while (in >> child) {
      std::string line = testkit::ReadBytes("/proc/" + std::to_string(child) + "/cmdline");
      const std::string nul(1, '\0');
      if ((nul + line).find(nul + word + nul) != std::string::npos) found.push_back(child);
    }
  }
  return found;
}

class QorChildrenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"Xvfb", "ffprobe"}));
    FDisplay = uitest::StartDisplay(FDir.Path());
    ASSERT_TRUE(FDisplay->Ok()) << "the X server did not start";
    FEnv.ConfigHome = FDir / "config";
    FEnv.RuntimeDir = FDir / "run";
    fs::create_directories(FEnv.RuntimeDir);
    fs::create_directories(FEnv.SettingsFolder());
  }
  void Options(const std::string& more) {
    testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "options.ini",
                                "[playlist]\nvisible=0\n[application]\nshowbanner=0\nfirstrun=0\n" + more);
  }
  // Kills the program and waits until `child`, started by it, has ended
  // as well; false when it still runs a minute later (it is killed then).
  bool KillAndOutlive(apptest::TQorProcess& qor, pid_t child) {
    // Watched by a descriptor of its own, so that no process that takes its
    // number later can be mistaken for it.
    const int watch = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    if (watch < 0) {
      ADD_FAILURE() << "the child ended before the program was killed";
      return false;
    }
    EXPECT_EQ(ParentOf(child), qor.Pid()) << "the program's own child";
    qor.Signal(SIGKILL);
    EXPECT_FALSE(qor.Wait(60s).has_value()) << "killed, not ended";
    pollfd gone{watch, POLLIN, 0};
    const bool ended = ::poll(&gone, 1, 60000) == 1;
    if (!ended) ::syscall(SYS_pidfd_send_signal, watch, SIGKILL, nullptr, 0);
    ::close(watch);
    return ended;
  }

  testkit::TempDir FDir;
  std::unique_ptr<testkit::PrivateDisplay> FDisplay;
  apptest::TQorEnv FEnv;
  testkit::FixtureServer FServer;
};

TEST_F(QorChildrenTest, AHangingVideoSiteHelperDiesWhenTheProgramIsKilled) {
  // The station is on the video site, so the helper is asked for its
  // address at start; it says where it runs and then never answers.
  testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "deploy.ini", "[Deploy]\nVideoSiteHost=127.0.0.1\n");
  ASSERT_TRUE(uitest::SaveStations(FEnv.SettingsFolder() / "playlist.rpf",
                                   {{u"Video", "http://127.0.0.1:9/watch?v=qor", 0x21, u""}}));
  Options("[player]\nautoplay=1\nplayident=0x21\n");
  const auto bin = FDir / "bin";
  const auto pidFile = FDir / "helper.pid";
  const std::string pidTemp = testkit::ShellQuote(pidFile.string() + ".new");
  fs::create_directories(bin);
  testkit::TempDir::WriteFile(bin / "yt-dlp", "#!/bin/sh\necho $$ > " + pidTemp + " && mv " + pidTemp + " " +
                                                  testkit::ShellQuote(pidFile.string()) + "\nexec sleep 600\n");
  fs::permissions(bin / "yt-dlp", fs::perms::owner_all);
  const char* path = std::getenv("PATH");
  testkit::EnvScope searchPath("PATH", (bin.string() + ":" + (path ? path : "/usr/bin:/bin")).c_str());

  apptest::TQorProcess qor(FEnv, {});
  ASSERT_TRUE(uitest::WaitFor([&] { return fs::exists(pidFile) || !qor.Running(); }, 60s))
      << "the helper was never started\n" << qor.Stderr();
  ASSERT_TRUE(qor.Running()) << qor.Stderr();
  const pid_t helper = static_cast<pid_t>(std::atoi(FirstLine(pidFile).c_str()));
  ASSERT_GT(helper, 0);
  EXPECT_TRUE(KillAndOutlive(qor, helper)) << "the helper outlived the program";
}

// M4A keeps its index at the end: a file whose encoder was cut off has
// none and cannot be played.
TEST_F(QorChildrenTest, ARecordingsEncoderFinishesItsFileWhenTheProgramIsKilled) {
  ASSERT_TRUE(uitest::SetUpTwoFavourites(FEnv, FServer));
  const fs::path recordings = FDir / "kayıtlar";
  fs::create_directories(recordings);
  Options("[player]\nautoplay=0\nplayident=0x22\n[recorder]\nfolder=" + recordings.string() +
          "\nencoder=1\nformat=3\nuseplayname=1\nusetitle=0\n");
  apptest::TQorProcess qor(FEnv, {"-record", "-name", "Test Radyo", "-duration", "01:00:00", "-action", "close"});
  // Encoding, with a few seconds in the file.
  pid_t encoder = 0;
  fs::path file;
  ASSERT_TRUE(uitest::WaitFor(
      [&] {
        if (!qor.Running()) return true;
        auto found = ChildrenWith(qor.Pid(), "pipe:0");
        encoder = found.empty() ? 0 : found.front();
        // Only the recording itself: the program probes for a free name
        // with a short-lived ".tmp" file beside it, whose size cannot be
        // read once it is gone.
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(recordings, ec))
          if (entry.path().extension() == ".m4a") file = entry.path();
        if (encoder <= 0 || file.empty()) return false;
        const auto size = fs::file_size(file, ec);
        return !ec && size > 32 * 1024;
      },
      90s))
      << "no recording under way\n" << qor.Stderr();
  ASSERT_TRUE(qor.Running()) << qor.Stderr();
  EXPECT_EQ(file.extension(), ".m4a");
  EXPECT_TRUE(KillAndOutlive(qor, encoder)) << "the encoder outlived the program";
  EXPECT_GT(testkit::ProbeDuration(file), 0.5) << "the file was left without its end";
}

}  // namespace
