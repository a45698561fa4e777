#include "QorProcess.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TempDir.h"
#include "platform/InstanceSocket.h"

extern char** environ;

namespace apptest {

std::string QorBinary() {
  if (const char* dir = std::getenv("QOR_BUILD_DIR"); dir && *dir) return std::string(dir) + "/app/qor";
  // Run by hand: this program is <build>/tests/app/app_tests.
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  return (self.parent_path().parent_path().parent_path() / "app" / "qor").string();
}

namespace {
int gCounter = 0;
}

TQorProcess::TQorProcess(const TQorEnv& env, const std::vector<std::string>& args) {
  std::string binary = QorBinary();
  std::filesystem::path logs = env.ConfigHome.parent_path();
  int n = ++gCounter;
  FOut = logs / ("qor-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".out");
  FErr = logs / ("qor-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".err");

  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("XDG_CONFIG_HOME=", 0) == 0 || entry.rfind("XDG_RUNTIME_DIR=", 0) == 0) continue;
    envStrings.push_back(entry);
  }
  envStrings.push_back("XDG_CONFIG_HOME=" + env.ConfigHome.string());
  envStrings.push_back("XDG_RUNTIME_DIR=" + env.RuntimeDir.string());
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::vector<std::string> argStrings{binary};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, FOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, FErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int rc = posix_spawn(&FPid, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + binary);
}

TQorProcess::~TQorProcess() {
  if (!FReaped && FPid > 0) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
}

std::optional<int> TQorProcess::Wait(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(FPid, &status, WNOHANG);
    if (r == FPid) {
      FReaped = true;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return std::nullopt;
    }
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool TQorProcess::Running() {
  if (FReaped) return false;
  int status = 0;
  if (::waitpid(FPid, &status, WNOHANG) == FPid) {
    FReaped = true;
    return false;
  }
  return true;
}

std::string TQorProcess::Stdout() const { return testkit::TempDir::ReadFile(FOut); }
std::string TQorProcess::Stderr() const { return testkit::TempDir::ReadFile(FErr); }

bool WaitForWindows(const TQorEnv& env, std::size_t count, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (platform::FindInstanceWindows(env.RuntimeFolder()).size() == count) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace apptest
