// Process-wide values of the start-up: one instance each, alive for the
// run of TApplication. Windows created later read them (the player window
// reads the start requests and the parameter list when it opens).
#pragma once

#include <memory>
#include <string>

namespace app {

class TApplication;
class TMainLog;
class TOptions;
class TParameterList;
class TSchedule;

// A request from the command line to play or record at start. Names and
// actions are byte texts (UTF-8).
struct TStartRequest {
  bool Requested = false;
  std::string Name;
  std::string Action;  // recording only: "stop", "close", "logoff", "shutdown", "reboot"
};

// Fixed when the program is built: a portable build keeps its settings
// beside the executable.
inline constexpr bool PortableBuild = false;

struct TGlobals {
  std::u16string ApplicationTitle;
  bool LogEnabled = false;
  TMainLog* Log = nullptr;
  bool AdministratorMode = false;
  TStartRequest PlayOnStart;
  TStartRequest RecordOnStart;
  // The command line names files or addresses to open; they take the place
  // of the autoplay at start.
  bool OpensTargets = false;
  TParameterList* Parameters = nullptr;
  TOptions* Options = nullptr;
  TSchedule* Schedule = nullptr;
  TApplication* Application = nullptr;
};

// The values of the running TApplication (empty outside a run).
TGlobals& Globals();

}  // namespace app
