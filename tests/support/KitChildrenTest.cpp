// The children that tests start through the kit: they die with the test
// process even when it is killed outright (a ctest time-out), also when a
// thread that has since ended started them, and a failing test shows what
// they were doing. The test process to kill is this suite itself, run once
// more for one of the helper tests below (disabled, so that only these
// tests run them).
#include <glib.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "MainLoop.h"
#include "PrivateDisplay.h"
#include "Media.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* HelperFolder = "QOR_KIT_HELPER_FOLDER";

bool Have(const char* program) {
  gchar* found = g_find_program_in_path(program);
  g_free(found);
  return found != nullptr;
}

std::string Self() { return fs::read_symlink("/proc/self/exe").string(); }

// The fields of /proc/<pid>/stat after the command name: the state first,
// the start time (in clock ticks since boot) 20th.
std::vector<std::string> StatFields(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  auto close = line.rfind(')');
  std::vector<std::string> fields;
  if (close == std::string::npos) return fields;
  std::istringstream rest(line.substr(close + 1));
  for (std::string f; rest >> f;) fields.push_back(f);
  return fields;
}

// The process `pid` that started at `start` still runs (a zombie, or a
// new process under the same number, does not).
bool Alive(pid_t pid, const std::string& start) {
  auto fields = StatFields(pid);
  return fields.size() > 19 && fields[19] == start && fields[0] != "Z" && fields[0] != "X";
}

std::unique_ptr<testkit::ChildProcess> RunHelper(const char* test, const testkit::TempDir& dir) {
  // No display: a failure picture of the shared one would only be litter.
  return std::make_unique<testkit::ChildProcess>(
      Self(),
      std::vector<std::string>{"--gtest_also_run_disabled_tests", std::string("--gtest_filter=KitChildren.") + test},
      testkit::ChildProcess::EnvChanges{{HelperFolder, dir.Path().string()}, {"DISPLAY", std::nullopt}},
      dir.Path());
}

// Waits for the helper's word in `name` of its folder.
std::string WaitForWord(const testkit::TempDir& dir, const char* name) {
  std::string word;
  testkit::PumpUntil([&] { return !(word = testkit::ReadBytes(dir / name)).empty(); }, 60000);
  return word;
}

void Say(const fs::path& folder, const char* name, const std::string& word) {
  testkit::TempDir::WriteFile(folder / (std::string(name) + ".part"), word);
  fs::rename(folder / (std::string(name) + ".part"), folder / name);
}

TEST(KitChildren, DieWithTheTestProcessWhenItIsKilled) {
  testkit::TempDir dir;
  auto helper = RunHelper("DISABLED_StartsASleeperFromAThreadThatEnds", dir);
  std::string word = WaitForWord(dir, "sleeper");
  ASSERT_FALSE(word.empty()) << helper->Stdout() << helper->Stderr();
  const pid_t sleeper = std::atoi(word.c_str());
  auto fields = StatFields(sleeper);
  ASSERT_GT(fields.size(), 19u);
  const std::string start = fields[19];
  // The thread that started it has ended: the sleeper lives on.
  EXPECT_TRUE(Alive(sleeper, start));

  helper->Signal(SIGKILL);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !helper->Running(); }, 20000));
  EXPECT_TRUE(testkit::PumpUntil([&] { return !Alive(sleeper, start); }, 20000))
      << "the child of a killed test process still runs (pid " << sleeper << ")";
  if (Alive(sleeper, start)) ::kill(sleeper, SIGKILL);
}

TEST(KitChildren, AFailureShowsWhatTheChildrenWereDoing) {
  testkit::TempDir dir;
  auto helper = RunHelper("DISABLED_FailsWhileAChildRuns", dir);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !helper->Running(); }, 60000)) << helper->Stdout();
  std::string out = helper->Stdout();
  EXPECT_NE(out.find("=== at this failure, the programs the test started:"), std::string::npos) << out;
  EXPECT_NE(out.find("/bin/sh -c"), std::string::npos) << out;
  EXPECT_NE(out.find("printed on standard output"), std::string::npos) << out;
  EXPECT_NE(out.find("printed on standard error"), std::string::npos) << out;
  // Its one thread, asleep.
  EXPECT_NE(out.find(" sleep: S, in "), std::string::npos) << out;
  // And a picture of the helper's X server.
  const std::string shown = "=== the display :";
  auto at = out.find(shown);
  if (at == std::string::npos) {
    EXPECT_FALSE(Have("Xvfb") && Have("import")) << out;
    return;
  }
  auto from = out.find(": ", at + shown.size()) + 2;
  fs::path picture = out.substr(from, out.find('\n', from) - from);
  EXPECT_EQ(testkit::ReadBytes(picture).substr(1, 3), "PNG") << picture;
  std::error_code ignored;
  fs::remove(picture, ignored);
}

TEST(KitChildren, DISABLED_StartsASleeperFromAThreadThatEnds) {
  const char* folder = std::getenv(HelperFolder);
  ASSERT_NE(folder, nullptr);
  std::unique_ptr<testkit::ChildProcess> sleeper;
  std::thread([&] {
    sleeper = std::make_unique<testkit::ChildProcess>("/bin/sleep", std::vector<std::string>{"600"},
                                                       testkit::ChildProcess::EnvChanges{}, folder);
  }).join();
  Say(folder, "sleeper", std::to_string(sleeper->Pid()));
  // Until the test above kills this process.
  std::this_thread::sleep_for(std::chrono::seconds(600));
}

TEST(KitChildren, DISABLED_FailsWhileAChildRuns) {
  const char* folder = std::getenv(HelperFolder);
  ASSERT_NE(folder, nullptr);
  // An X server for the picture of the display, when there is one.
  testkit::PrivateDisplay display(folder);
  testkit::ChildProcess child(
      "/bin/sh",
      {"-c", "echo printed on standard output; echo printed on standard error >&2; exec sleep 600"},
      {}, folder);
  // Printed, and asleep in the program it became.
  ASSERT_TRUE(testkit::PumpUntil(
      [&] {
        auto fields = StatFields(child.Pid());
        return !child.Stderr().empty() && !fields.empty() && fields[0] == "S" &&
               testkit::ReadBytes("/proc/" + std::to_string(child.Pid()) + "/comm") == "sleep\n";
      },
      30000));
  ADD_FAILURE() << "failing on purpose";
}

}  // namespace
