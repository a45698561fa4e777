// Starting the player with the desktop session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/qor.desktop (default ~/.config/autostart/),
// stands where a per-user "run at logon" setting would be. The options
// sheet switches it with the `startup` option (never in a portable build:
// the caller decides that).
#pragma once

#include <string>

namespace platform {

// $XDG_CONFIG_HOME/autostart/qor.desktop (an absolute XDG_CONFIG_HOME only),
// else ~/.config/autostart/qor.desktop.
std::string AutostartFile();

// enabled: writes the entry (creating the folder, through a temporary file)
// so that the session starts `executable` by its absolute path, without
// arguments, showing `icon` (a theme icon name such as "qor-android").
// An empty executable means this program (ExecutablePath()).
// !enabled: removes the entry; an entry that is already gone counts as done.
// False when the folder or file could not be written or removed, or when
// the executable path is empty, relative or holds a line break.
bool SetAutostart(bool enabled, const std::string& icon = "qor-android", const std::string& executable = {});

// True when the autostart entry exists.
bool AutostartEnabled();

// An Exec key argument for path: double-quoted with the desktop-entry
// escapes (quote, backquote, dollar, backslash; "%" doubled), ready to be
// written as the value of a desktop-entry key.
std::string QuoteExecArgument(const std::string& path);

}  // namespace platform
