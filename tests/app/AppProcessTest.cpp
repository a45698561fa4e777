// The program as a whole, run as real processes.
#include <gtest/gtest.h>
#include <glib.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <map>
#include <thread>

#include "Media.h"
#include "QorProcess.h"
#include "TempDir.h"
#include "app/SettingsRescue.h"
#include "lists/ListFile.h"
#include "platform/InstanceLock.h"
#include "platform/InstanceSocket.h"
#include "platform/Resources.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"

namespace {

using apptest::TQorEnv;
using apptest::TQorProcess;

class AppProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FEnv.ConfigHome = FDir / "config";
    FEnv.RuntimeDir = FDir / "run";
    std::filesystem::create_directories(FEnv.RuntimeDir);
  }
  void WriteOptions(const std::string& text) {
    std::filesystem::create_directories(FEnv.SettingsFolder());
    testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "options.ini", text);
  }
  std::u16string ReadOption(const char16_t* section, const char16_t* key) {
    TWIniFile ini(enc::Utf8ToUtf16((FEnv.SettingsFolder() / "options.ini").string()));
    return ini.ReadString(section, key, u"<missing>");
  }
  // "-quit" from another process; it returns once no window is left.
  void Quit() {
    TQorProcess quit(FEnv, {"-quit"}, apptest::TSettings::AsTheyAre);
    EXPECT_EQ(quit.Wait(), 0);
    EXPECT_TRUE(platform::FindInstanceWindows(FEnv.RuntimeFolder()).empty());
  }

  testkit::TempDir FDir;
  TQorEnv FEnv;
};

TEST_F(AppProcessTest, RunsUntilQuitAndLeavesItsFiles) {
  WriteOptions("[player]\nvolume=0x19\n[recorder]\nbitrate=15\nfrequency=10\nformat=3\n");
  TQorProcess qor(FEnv, {"-enablelog"});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << qor.Stderr();
  EXPECT_TRUE(qor.Running());
  Quit();
  ASSERT_EQ(qor.Wait(), 0) << qor.Stderr();

  // The start-up repair happened before anything read the indexes; other
  // values keep their meaning. The volume stored as 0x19 stays 25: written
  // back in decimal by the player window, or as it was when "-quit" came
  // before the window's start-up tick, so the integer reading is compared.
  EXPECT_EQ(ReadOption(u"recorder", u"bitrate"), u"8");
  EXPECT_EQ(ReadOption(u"recorder", u"frequency"), u"7");
  EXPECT_EQ(ReadOption(u"recorder", u"format"), u"3");
  {
    TWIniFile ini(enc::Utf8ToUtf16((FEnv.SettingsFolder() / "options.ini").string()));
    EXPECT_EQ(ini.ReadInteger(u"player", u"volume", -1), 25);
  }
  std::string schedule = testkit::TempDir::ReadFile(FEnv.SettingsFolder() / "schedule.ini");
  ASSERT_GE(schedule.size(), 2u);
  EXPECT_EQ(schedule.substr(0, 2), "\xFF\xFE");
  EXPECT_TRUE(std::filesystem::exists(FEnv.SettingsFolder() / "qor.log"));

  // The built-in lists are copied when the program carries them, and
  // reported missing otherwise. The database stays byte for byte; the
  // favourites are sealed again (with a fresh salt) when the window closes.
  for (auto [file, resource] : {std::pair{"broadcast.rpf", "BROADCAST"}, std::pair{"playlist.rpf", "PLAYLIST"}}) {
    auto builtIn = platform::LoadResourceBytes(std::string("/org/kelvarin/qor/lists/") + resource);
    if (builtIn) {
      std::string copy = testkit::TempDir::ReadFile(FEnv.SettingsFolder() / file);
      if (std::string(file) == "broadcast.rpf") {
        // Byte for byte what the program carries, found in its executable.
        // Every build seals the lists with a salt of its own: this test's
        // copy is the same database sealed otherwise whenever the program
        // was built apart from it.
        ASSERT_EQ(copy.substr(0, 6), "QORPLF") << file;
        const std::string program = testkit::ReadBytes(apptest::QorBinary());
        EXPECT_NE(std::search(program.begin(), program.end(), std::boyer_moore_horspool_searcher(copy.begin(), copy.end())),
                  program.end())
            << "the copy is not the program's own built-in database";
        EXPECT_EQ(qor::DecryptString(copy, qor::ListFilePassword()),
                  qor::DecryptString(*builtIn, qor::ListFilePassword()))
            << file;
      } else {
        EXPECT_EQ(copy.substr(0, 6), "QORPLF") << file;
      }
    } else {
      EXPECT_FALSE(std::filesystem::exists(FEnv.SettingsFolder() / file));
      EXPECT_NE(qor.Stderr().find(resource), std::string::npos) << qor.Stderr();
    }
  }
}

TEST_F(AppProcessTest, SecondInstanceActivatesTheFirstAndLeaves) {
  WriteOptions("[application]\nsingleinstance=1\n");
  // This test plays the first instance: it holds the lock and listens as
  // the controller window, so it can see exactly what arrives.
  struct TReceiver : platform::TInstanceReceiver {
    std::vector<std::uint32_t> Messages;
    bool Enabled = true;
    std::intptr_t InstanceMessage(std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override {
      EXPECT_EQ(w, 0u);
      EXPECT_EQ(l, 0);
      Messages.push_back(msg);
      return 0;
    }
    bool InstanceEnabled() override { return Enabled; }
  } receiver;
  std::filesystem::create_directories(FEnv.RuntimeFolder());
  platform::TInstanceLock lock(FEnv.RuntimeFolder());
  ASSERT_TRUE(lock.Hold());
  platform::TInstanceServer server(FEnv.RuntimeFolder(), receiver);
  ASSERT_FALSE(server.Failed());

  auto runSecond = [&](std::vector<std::string> args) {
    TQorProcess second(FEnv, args);
    std::atomic<bool> done{false};
    std::optional<int> code;
    std::thread waiter([&] {
      code = second.Wait();
      done = true;
      g_main_context_wakeup(nullptr);
    });
    while (!done) g_main_context_iteration(nullptr, TRUE);
    waiter.join();
    EXPECT_EQ(code, 0) << second.Stderr();
  };

  runSecond({"-play=Radyo"});
  EXPECT_EQ(receiver.Messages, (std::vector<std::uint32_t>{0, 37682}));
  // It never initialised: no schedule, no list files; but its options
  // file is written at its exit.
  EXPECT_FALSE(std::filesystem::exists(FEnv.SettingsFolder() / "schedule.ini"));
  EXPECT_FALSE(std::filesystem::exists(FEnv.SettingsFolder() / "broadcast.rpf"));
  EXPECT_TRUE(std::filesystem::exists(FEnv.SettingsFolder() / "options.ini"));
  EXPECT_EQ(platform::FindInstanceWindows(FEnv.RuntimeFolder()), std::vector<std::string>{server.Path()});

  // A disabled first window is left alone.
  receiver.Messages.clear();
  receiver.Enabled = false;
  runSecond({});
  EXPECT_TRUE(receiver.Messages.empty());
}

TEST_F(AppProcessTest, AnInstanceMessageCarryingAPointerIsRefusedAndTheProgramRunsOn) {
  // Another process can only send numbers: the window's messages that take
  // strings or buffers (play this, copy the title into that) are not let
  // through the socket, whatever numbers they carry.
  TQorProcess qor(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << qor.Stderr();
  const std::string window = platform::FindInstanceWindows(FEnv.RuntimeFolder()).front();
  constexpr std::uint32_t Play = 37984, GetString = 38000, SetCaption = 38030;
  for (std::uint32_t msg : {Play, GetString, SetCaption}) {
    std::intptr_t result = -1;
    EXPECT_EQ(platform::SendInstanceMessage(window, msg, 0x1000, 0x2000, &result), platform::TSendStatus::Ok)
        << msg << "\n" << qor.Stderr();
    EXPECT_EQ(result, 0) << msg;
  }
  EXPECT_TRUE(qor.Running()) << qor.Stderr();
  EXPECT_EQ(platform::SendInstanceMessage(window, 0 /* WM_NULL */, 0, 0), platform::TSendStatus::Ok);
  Quit();
  EXPECT_EQ(qor.Wait(), 0) << qor.Stderr();
}

TEST_F(AppProcessTest, SingleInstanceBetweenRealProcesses) {
  WriteOptions("[application]\nsingleinstance=1\n");
  TQorProcess first(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << first.Stderr();
  TQorProcess second(FEnv, {});
  EXPECT_EQ(second.Wait(), 0) << second.Stderr();
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(platform::FindInstanceWindows(FEnv.RuntimeFolder()).size(), 1u);
  Quit();
  EXPECT_EQ(first.Wait(), 0);
  // The lock went with the process.
  EXPECT_FALSE(platform::TInstanceLock(FEnv.RuntimeFolder()).OtherInstanceExists());
}

TEST_F(AppProcessTest, WithoutSingleInstanceBothRunAndQuitClosesAll) {
  TQorProcess first(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << first.Stderr();
  // A first instance without the option holds no lock, so even a second
  // one with the option runs in full.
  WriteOptions("[application]\nsingleinstance=1\n");
  TQorProcess second(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 2)) << second.Stderr();
  EXPECT_TRUE(first.Running());

  auto start = std::chrono::steady_clock::now();
  Quit();
  auto elapsed = std::chrono::steady_clock::now() - start;
  // One pause of 133 ms after each of the two WM_CLOSE messages.
  EXPECT_GE(elapsed, std::chrono::milliseconds(2 * 133));
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);

  // With nobody left "-quit" returns at once and touches no settings.
  std::filesystem::remove_all(FEnv.SettingsFolder());
  Quit();
  EXPECT_FALSE(std::filesystem::exists(FEnv.SettingsFolder()));
}

TEST_F(AppProcessTest, TerminationSignalClosesPolitelyAndACrashLeavesNothingFindable) {
  TQorProcess polite(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << polite.Stderr();
  ::kill(polite.Pid(), SIGTERM);
  EXPECT_EQ(polite.Wait(), 0);
  EXPECT_TRUE(std::filesystem::exists(FEnv.SettingsFolder() / "schedule.ini"));
  EXPECT_TRUE(platform::FindInstanceWindows(FEnv.RuntimeFolder()).empty());

  // A killed process leaves its socket behind; nobody mistakes it for a
  // window, and "-quit" returns at once.
  TQorProcess crashed(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << crashed.Stderr();
  ::kill(crashed.Pid(), SIGKILL);
  EXPECT_FALSE(crashed.Wait());
  std::size_t leftovers = 0;
  for (auto& entry : std::filesystem::directory_iterator(FEnv.RuntimeFolder()))
    leftovers += entry.path().filename().string().rfind("QORClass.", 0) == 0;
  EXPECT_EQ(leftovers, 1u);
  Quit();
  for (auto& entry : std::filesystem::directory_iterator(FEnv.RuntimeFolder()))
    EXPECT_NE(entry.path().filename().string().rfind("QORClass.", 0), 0u) << entry.path();
}

TEST_F(AppProcessTest, UnusableSettingsFolderIsReportedAndTheProgramRuns) {
  // A file where the settings folder's parent should be: even root cannot
  // create the folder.
  std::filesystem::create_directories(FEnv.ConfigHome);
  testkit::TempDir::WriteFile(FEnv.ConfigHome / "Kelvarin", "in the way");
  TQorProcess qor(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << qor.Stderr();
  Quit();
  EXPECT_EQ(qor.Wait(), 0);
  std::string err = qor.Stderr();
  EXPECT_NE(err.find("Ayar klasörü oluşturulamadı"), std::string::npos) << err;
  EXPECT_NE(err.find("Kelvarin"), std::string::npos) << err;
}

// Defaults, and the user's bytes kept aside under names of their own (told
// on standard error), never saved over at exit.
TEST_F(AppProcessTest, CorruptSettingsFilesGiveDefaultsAndAreKeptAside) {
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 37 + 11) % 256);
  const std::string schedule = "[schedule]\nenable=1\n";  // UTF-8: not what the store reads
  WriteOptions(garbage);
  testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "schedule.ini", schedule);
  auto backups = [&] {
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(FEnv.SettingsFolder()))
      if (entry.path().extension() == ".bak")
        found[entry.path().filename().string()] = testkit::TempDir::ReadFile(entry.path());
    return found;
  };
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    TQorProcess qor(FEnv, {});
    ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << qor.Stderr();
    Quit();
    EXPECT_EQ(qor.Wait(), 0) << qor.Stderr();
    EXPECT_EQ(testkit::TempDir::ReadFile(FEnv.SettingsFolder() / "schedule.ini").substr(0, 2), "\xFF\xFE");
    // The defaults, saved as a text file of their own.
    ASSERT_TRUE(std::filesystem::exists(FEnv.SettingsFolder() / "options.ini"));
    EXPECT_FALSE(app::SettingsTextIsDamaged(testkit::TempDir::ReadFile(FEnv.SettingsFolder() / "options.ini"),
                                            app::TSettingsText::Profile));
    std::string err = qor.Stderr();
    for (const char* name : {"options.ini", "schedule.ini"})
      EXPECT_NE(err.find(std::string("QOR: ") + name + " okunamadı; dosya " + (FEnv.SettingsFolder() / name).string()),
                std::string::npos)
          << err;
    // The next start finds them readable; a damaged file again gets a
    // name of its own beside the earlier backups.
    auto kept = backups();
    ASSERT_EQ(kept.size(), 2u * run);
    int options = 0, schedules = 0;
    for (const auto& [name, bytes] : kept) {
      if (name.rfind("options.ini.", 0) == 0 && bytes == garbage) ++options;
      if (name.rfind("schedule.ini.", 0) == 0 && bytes == schedule) ++schedules;
    }
    EXPECT_EQ(options, run);
    EXPECT_EQ(schedules, run);
    WriteOptions(garbage);
    testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "schedule.ini", schedule);
  }

  // Unreadable: folders in place of both files.
  std::filesystem::remove(FEnv.SettingsFolder() / "options.ini");
  std::filesystem::remove(FEnv.SettingsFolder() / "schedule.ini");
  std::filesystem::create_directory(FEnv.SettingsFolder() / "options.ini");
  std::filesystem::create_directory(FEnv.SettingsFolder() / "schedule.ini");
  TQorProcess again(FEnv, {});
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1)) << again.Stderr();
  Quit();
  EXPECT_EQ(again.Wait(), 0) << again.Stderr();
}

// Started with standard input, output and error closed (as some launchers
// do), the program keeps /dev/null on those numbers, so that what it or a
// library prints never lands in a file it opens later.
TEST_F(AppProcessTest, ClosedStandardFilesAreHeldByTheNullDeviceNotByItsFiles) {
  WriteOptions("[player]\nvolume=40\n");
  testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "qor.log", "önceki satır\n");
  TQorProcess qor(FEnv, {"-enablelog"}, apptest::TSettings::Quiet, true);
  ASSERT_TRUE(apptest::WaitForWindows(FEnv, 1));
  for (int fd = 0; fd <= 2; ++fd) {
    std::error_code ec;
    auto target = std::filesystem::read_symlink("/proc/" + std::to_string(qor.Pid()) + "/fd/" + std::to_string(fd), ec);
    EXPECT_EQ(target, "/dev/null") << "descriptor " << fd;
  }
  Quit();
  EXPECT_EQ(qor.Wait(), 0);
  EXPECT_EQ(testkit::TempDir::ReadFile(FEnv.SettingsFolder() / "qor.log"), "önceki satır\n");
  EXPECT_EQ(ReadOption(u"player", u"volume"), u"40");
}

TEST_F(AppProcessTest, HelpListsEverySwitchInTurkish) {
  TQorProcess qor(FEnv, {"--help"}, apptest::TSettings::AsTheyAre);
  EXPECT_EQ(qor.Wait(), 0);
  std::string out = qor.Stdout();
  for (auto name : {"-play", "-name", "-record", "-action", "-duration", "-time", "-volume", "-mute", "-quit",
                    "-enablelog", "-administrator"})
    EXPECT_NE(out.find(std::string("  ") + name), std::string::npos) << name;
  EXPECT_NE(out.find("Kullanım"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(FEnv.SettingsFolder()));
}

}  // namespace
