// The command-line run of the real program on an X server of its own,
// recording a 127.0.0.1 ICY station: "-action close" leaves a file of the
// asked length, named by the recording rule, and the program ends by
// itself; "-action shutdown" shows the countdown and then asks a stand-in
// logind to power off exactly once, and not at all when the countdown is
// cancelled.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <regex>
#include <thread>

#include "PlayerWindowKit.h"
#include "DesktopKit.h"
#include "Media.h"
#include "QorProcess.h"
#include "StandInBus.h"
#include "TempDir.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "platform/PowerActions.h"
#include "Tools.h"

namespace {

using uitest::RunTool;
using uitest::WaitFor;
using namespace std::chrono_literals;

class RecordingProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"Xvfb", "xdotool", "ffprobe"}));
    FDisplay = uitest::StartDisplay(FDir.Path());
    ASSERT_TRUE(FDisplay->Ok()) << "the X server did not start";
    FEnv.ConfigHome = FDir / "config";
    FEnv.RuntimeDir = FDir / "run";
    ASSERT_TRUE(uitest::SetUpTwoFavourites(FEnv, FServer));
    std::filesystem::create_directories(Recordings());
    testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "options.ini",
                                "[player]\nautoplay=0\nplayident=0x22\n[playlist]\nvisible=0\n"
                                "[application]\nshowbanner=0\nfirstrun=0\n"
                                "[recorder]\nfolder=" + Recordings().string() +
                                    "\nencoder=0\nuseplayname=1\nusetitle=1\n");
  }

  std::filesystem::path Recordings() const { return FDir / "kayıtlar"; }
  std::vector<std::filesystem::path> Files() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(Recordings())) files.push_back(entry.path());
    return files;
  }
  double Seconds(const std::filesystem::path& file) { return testkit::ProbeDuration(file); }
  std::string FindWindow(const std::string& title, std::chrono::milliseconds timeout) {
    std::string id;
    WaitFor(
        [&] {
          auto found = RunTool({"xdotool", "search", "--onlyvisible", "--name", title});
          if (!found || found->empty()) return false;
          id = found->substr(0, found->find('\n'));
          return true;
        },
        timeout);
    return id;
  }
  void Key(const std::string& window, const std::string& key) {
    RunTool({"xdotool", "windowfocus", "--sync", window});
    RunTool({"xdotool", "key", key});
  }
  // Ends a program that stays open.
  void Quit(apptest::TQorProcess& qor) {
    apptest::TQorProcess quit(FEnv, {"-quit"}, apptest::TSettings::AsTheyAre);
    EXPECT_EQ(quit.Wait(), 0);
    EXPECT_EQ(qor.Wait(), 0) << qor.Stderr();
  }
  std::vector<std::string> Run(const char* action) {
    return {"-record", "-name", "Test Radyo", "-duration", "00:00:05", "-action", action};
  }

  testkit::TempDir FDir;
  std::unique_ptr<testkit::PrivateDisplay> FDisplay;
  apptest::TQorEnv FEnv;
  testkit::FixtureServer FServer;
};

TEST_F(RecordingProcessTest, CloseRecordsTheAskedLengthByTheNameRuleAndEndsTheProgram) {
  apptest::TQorProcess qor(FEnv, Run("close"));
  // The last look that found no recording yet: the file cannot hold more
  // than the station sent from then to its last write. How long the run
  // took is the program's (its one-second end check runs late on a loaded
  // machine); what it recorded in that time is what is checked.
  using FileClock = std::filesystem::file_time_type::clock;
  FileClock::time_point notYet = FileClock::now();
  std::optional<int> code;
  for (auto deadline = std::chrono::steady_clock::now() + 90s; !code && std::chrono::steady_clock::now() < deadline;) {
    const FileClock::time_point looked = FileClock::now();
    if (Files().empty()) notYet = looked;
    code = qor.Wait(50ms);
  }
  ASSERT_TRUE(code.has_value()) << "the program did not end by itself\n" << qor.Stderr();
  EXPECT_EQ(*code, 0) << qor.Stderr();
  auto files = Files();
  ASSERT_EQ(files.size(), 1u);
  // Station, title when the stream had sent one, a number, the stream's
  // own extension.
  std::string name = files[0].filename().string();
  EXPECT_TRUE(std::regex_match(name, std::regex("Test Radyo - (Şebnem - Çiçek - )?[0-9a-f]+\\.mp3"))) << name;
  double seconds = Seconds(files[0]);
  EXPECT_GE(seconds, 5.0) << name;
  // The run ends at the first one-second check past the asked length and
  // one second more. The player reads the station a second of sound at a
  // time: the first read of the recording may bring up to that (and a
  // little the kernel held meanwhile) from before its start.
  const double written = std::chrono::duration<double>(std::filesystem::last_write_time(files[0]) - notYet).count();
  EXPECT_LE(seconds, written + 1.5) << name << ": written during " << written << " s";
  // Six seconds and a check, not the minute and a half the test waits:
  // this far off the machine's delays, the end rule is broken.
  EXPECT_LE(written, 30.0) << name << ": the recording ran on";
}

TEST_F(RecordingProcessTest, ShutdownAsksLogindOnceAfterTheCountdownAndNeverWhenItIsCancelled) {
  testkit::StandInLogind logind;
  ASSERT_TRUE(logind.Ready()) << "needs dbus-daemon";
  testkit::EnvScope bus(platform::LogindBusVariable, logind.Address().c_str());

  // Cancelled: the program runs on with the recording kept.
  {
    apptest::TQorProcess qor(FEnv, Run("shutdown"));
    std::string countdown = FindWindow("QOR Uyarı", 90s);
    ASSERT_FALSE(countdown.empty()) << qor.Stderr();
    EXPECT_EQ(Files().size(), 1u);
    Key(countdown, "space");  // the focused İptal button
    ASSERT_TRUE(WaitFor([&] { return FindWindow("QOR Uyarı", 100ms).empty(); }));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(logind.Service().Calls().empty());
    EXPECT_TRUE(qor.Running());
    Quit(qor);
  }
  EXPECT_TRUE(logind.Service().Calls().empty());

  // Let go: one power-off, not interactive.
  {
    apptest::TQorProcess qor(FEnv, Run("shutdown"));
    std::string countdown = FindWindow("QOR Uyarı", 90s);
    ASSERT_FALSE(countdown.empty()) << qor.Stderr();
    EXPECT_TRUE(logind.Service().Calls().empty()) << "nothing before the countdown ends";
    Key(countdown, "Return");
    ASSERT_TRUE(logind.Service().WaitForCalls(1, 20s));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(logind.Service().Calls(), std::vector<std::string>{"PowerOff (false,)"});
    Quit(qor);
  }
  EXPECT_EQ(Files().size(), 2u);
}

}  // namespace
