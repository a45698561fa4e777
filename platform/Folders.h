// The folders the program lives in: settings, desktop, program, and the
// per-user runtime folder that holds the single-instance lock and the
// instance sockets. Paths are UTF-8 byte strings; folders end with "/".
#pragma once

#include <string>

namespace platform {

// $HOME, else the password database entry, else "/".
std::string HomeFolder();

// $XDG_CONFIG_HOME/Kelvarin/QOR/ (an absolute XDG_CONFIG_HOME only), else
// ~/.config/Kelvarin/QOR/. Not created here.
std::string SettingsFolder();

// The XDG desktop folder when it exists, else the home folder. No trailing
// "/" (it is the default of a stored option).
std::string DesktopFolder();

// Absolute path of the running executable; empty when it cannot be told.
std::string ExecutablePath();

// Folder of the running executable, with "/".
std::string ProgramFolder();

// Creates the folder and its parents. On failure returns false and, when
// error is given, a description of what failed.
bool ForceDirectories(const std::string& folder, std::string* error = nullptr);

// $XDG_RUNTIME_DIR/QOR/ when that can be used, else /tmp/QOR-<uid>/;
// created with mode 0700.
// The fallback is refused unless it is a real folder owned by this user
// and closed to others. Empty on failure (error says why).
std::string RuntimeFolder(std::string* error = nullptr);

// True when path names an existing regular file (not a folder).
bool FileExists(const std::string& path);

}  // namespace platform
