#include "QorProcess.h"

#include <cstdlib>
#include <thread>

#include "DisplayLock.h"
#include "Offline.h"
#include "platform/InstanceSocket.h"

namespace apptest {

std::string QorBinary() {
  if (const char* dir = std::getenv("QOR_BUILD_DIR"); dir && *dir) return std::string(dir) + "/app/qor";
  // Run by hand: this program is <build>/tests/app/app_tests.
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  return (self.parent_path().parent_path().parent_path() / "app" / "qor").string();
}

namespace {

testkit::ChildProcess::EnvChanges Prepare(const TQorEnv& env, TSettings settings) {
  // The program's windows and key grabs go to the display: other tests
  // must not click or type there meanwhile.
  testkit::TakeDisplay();
  if (settings == TSettings::Quiet) testkit::SeedOfflineOptions(env.SettingsFolder());
  auto changes = testkit::OfflineEnvironment();
  changes.emplace_back("XDG_CONFIG_HOME", env.ConfigHome.string());
  changes.emplace_back("XDG_RUNTIME_DIR", env.RuntimeDir.string());
  return changes;
}

}  // namespace

TQorProcess::TQorProcess(const TQorEnv& env, const std::vector<std::string>& args, TSettings settings,
                         bool closedStandardFiles)
    : ChildProcess(closedStandardFiles ? "/bin/sh" : QorBinary(),
                   closedStandardFiles ? StandardFilesClosed(QorBinary(), args) : args, Prepare(env, settings),
                   env.ConfigHome.parent_path()) {}

bool WaitForWindows(const TQorEnv& env, std::size_t count, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (platform::FindInstanceWindows(env.RuntimeFolder()).size() == count) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace apptest
