// What the tests that run the real program on an X server need: programs
// of the search path (xdotool, ffprobe) run to their end, waiting on a
// condition, and an X server of the test's own, so that the windows of
// other tests that run meanwhile neither hide the program nor take its
// clicks.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "QorProcess.h"
#include "Shell.h"

namespace uitest {

// Output of a program on the search path, or nothing when it failed.
std::optional<std::string> RunTool(const std::vector<std::string>& args);
bool Have(const char* program);
// Polls every 50 ms; false after `timeout`.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20));

class TPrivateDisplay {
 public:
  // Starts Xvfb (1280 x 1024) and points DISPLAY at it while it lives.
  explicit TPrivateDisplay(const std::filesystem::path& logFolder);
  bool Ok() const { return FDisplay != nullptr; }

 private:
  std::unique_ptr<testkit::ChildProcess> FXvfb;
  std::unique_ptr<testkit::EnvScope> FDisplay;
};

// Settings and runtime folders below `dir` for the program, and the
// favourites file (every station at `url`) in its settings folder.
void PrepareProgram(apptest::TQorEnv& env, const std::filesystem::path& dir,
                    const std::vector<std::pair<std::u16string, int32_t>>& favourites, const std::string& url);

// "Xvfb" and "xdotool" are there.
bool HavePrivateDisplay();

}  // namespace uitest
