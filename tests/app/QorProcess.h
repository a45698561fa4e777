// Starts the built qor program as a child process with its own settings and
// runtime folders, for the tests that need real processes.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace apptest {

// $QOR_BUILD_DIR/app/qor.
std::string QorBinary();

struct TQorEnv {
  std::filesystem::path ConfigHome;   // XDG_CONFIG_HOME
  std::filesystem::path RuntimeDir;   // XDG_RUNTIME_DIR
  std::filesystem::path SettingsFolder() const { return ConfigHome / "Kelvarin" / "QOR"; }
  std::string RuntimeFolder() const { return (RuntimeDir / "QOR").string() + "/"; }
};

// What a start finds in the settings folder. Quiet: the kit's offline
// options (no autoplay) are added unless the test set autoplay itself;
// AsTheyAre: for the starts that must find the folder untouched (-quit,
// --help), which never open a player window.
enum class TSettings { Quiet, AsTheyAre };

// Every start runs with the kit's offline environment (testkit::Offline).
class TQorProcess : public testkit::ChildProcess {
 public:
  // Output files go beside the settings home.
  // closedStandardFiles: started with standard input, output and error
  // closed, as some launchers do (nothing it prints is captured then).
  TQorProcess(const TQorEnv& env, const std::vector<std::string>& args, TSettings settings = TSettings::Quiet,
              bool closedStandardFiles = false);
  std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    return ChildProcess::Wait(timeout);
  }
};

// Polls until the number of live controller sockets is count.
bool WaitForWindows(const TQorEnv& env, std::size_t count,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace apptest
