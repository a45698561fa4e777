// The end actions that reach beyond the program: switching the computer
// off, restarting it and ending the user's session, all asked of logind
// over the system bus. Never interactive: nobody may be there to answer a
// password prompt after an unattended recording.
//
// The variable QOR_LOGIND_BUS_ADDRESS, when set, names the bus to use in
// place of the system bus (a D-Bus address such as "unix:path=..."), so
// that a test can answer in logind's place and the machine running it is
// never switched off.
#pragma once

#include <string>

namespace platform {

inline constexpr const char* LogindBusVariable = "QOR_LOGIND_BUS_ADDRESS";

enum class TPowerAction { PowerOff, Reboot, LogOff };

struct TPowerResult {
  bool Done = false;
  // Why logind refused or could not be reached (empty when done).
  std::string Error;
};

// Blocks until logind answers (at most a few seconds).
TPowerResult RequestPowerAction(TPowerAction action);

}  // namespace platform
