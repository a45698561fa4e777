#include "CliProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "TempDir.h"

namespace clitest {

namespace fs = std::filesystem;

std::string CliBinary() {
  const char* build = std::getenv("QOR_BUILD_DIR");
  return (fs::path(build ? build : ".") / "tools" / "qor-cli" / "qor-cli").string();
}

TCliProcess::TCliProcess(const fs::path& configHome, const std::vector<std::string>& args) {
  static int counter = 0;
  std::string stem = "cli-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  FOut = configHome / (stem + ".out");
  FErr = configHome / (stem + ".err");
  std::vector<std::string> argv = {CliBinary()};
  argv.insert(argv.end(), args.begin(), args.end());
  FPid = ::fork();
  if (FPid == 0) {
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::unsetenv("DISPLAY");
    int out = ::open(FOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(FErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    ::execv(raw[0], raw.data());
    ::_exit(127);
  }
}

TCliProcess::~TCliProcess() {
  if (FPid > 0 && !FReaped) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
}

std::optional<int> TCliProcess::Wait(std::chrono::milliseconds timeout) {
  if (FPid <= 0) return std::nullopt;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(FPid, &status, WNOHANG);
    if (r == FPid) {
      FReaped = true;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return std::nullopt;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void TCliProcess::Signal(int sig) {
  if (FPid > 0 && !FReaped) ::kill(FPid, sig);
}

namespace {
// The child may not have opened its files yet.
std::string ReadIfThere(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec) ? testkit::TempDir::ReadFile(path) : std::string();
}
}  // namespace

std::string TCliProcess::Stdout() const { return ReadIfThere(FOut); }
std::string TCliProcess::Stderr() const { return ReadIfThere(FErr); }

std::string LastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  size_t nl = t.rfind('\n');
  return nl == std::string::npos ? t : t.substr(nl + 1);
}

}  // namespace clitest
