// Runs the built qor-cli as a child process with its own settings folder
// and the silent audio driver, capturing what it prints.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace clitest {

std::string CliBinary();

// Output files go into the settings home.
class TCliProcess : public testkit::ChildProcess {
 public:
  // closedStandardFiles: started with standard input, output and error
  // closed, as some launchers do (nothing it prints is captured then).
  TCliProcess(const std::filesystem::path& configHome, const std::vector<std::string>& args,
              bool closedStandardFiles = false);
  std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    return ChildProcess::Wait(timeout);
  }
};

// The last non-empty line of a text.
std::string LastLine(const std::string& text);

}  // namespace clitest
