// Runs the built qor-cli as a child process with its own settings folder
// and the silent audio driver, capturing what it prints.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace clitest {

std::string CliBinary();

class TCliProcess {
 public:
  TCliProcess(const std::filesystem::path& configHome, const std::vector<std::string>& args);
  ~TCliProcess();
  TCliProcess(const TCliProcess&) = delete;
  TCliProcess& operator=(const TCliProcess&) = delete;

  // The exit code, or nothing on time-out or death by a signal.
  std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  void Signal(int sig);
  std::string Stdout() const;
  std::string Stderr() const;

 private:
  pid_t FPid = -1;
  bool FReaped = false;
  std::filesystem::path FOut, FErr;
};

// The last non-empty line of a text.
std::string LastLine(const std::string& text);

}  // namespace clitest
