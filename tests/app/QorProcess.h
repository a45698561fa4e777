// Starts the built qor program as a child process with its own settings and
// runtime folders, for the tests that need real processes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace apptest {

// $QOR_BUILD_DIR/app/qor.
std::string QorBinary();

struct TQorEnv {
  std::filesystem::path ConfigHome;   // XDG_CONFIG_HOME
  std::filesystem::path RuntimeDir;   // XDG_RUNTIME_DIR
  std::filesystem::path SettingsFolder() const { return ConfigHome / "Kelvarin" / "QOR"; }
  std::string RuntimeFolder() const { return (RuntimeDir / "QOR").string() + "/"; }
};

class TQorProcess {
 public:
  TQorProcess(const TQorEnv& env, const std::vector<std::string>& args);
  ~TQorProcess();  // kills the process if it still runs
  TQorProcess(const TQorProcess&) = delete;
  TQorProcess& operator=(const TQorProcess&) = delete;

  pid_t Pid() const { return FPid; }
  // Waits for the exit; the exit code, or nothing on time-out (or when the
  // process died from a signal).
  std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  bool Running();
  std::string Stdout() const;
  std::string Stderr() const;

 private:
  pid_t FPid = -1;
  bool FReaped = false;
  std::filesystem::path FOut, FErr;
};

// Polls until the number of live controller sockets is count.
bool WaitForWindows(const TQorEnv& env, std::size_t count,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace apptest
