// Desktop entries ("qor.desktop") that start the program: when the user
// picks another program icon, the entries on the desktop and in the
// applications menu follow.
#pragma once

#include <string>
#include <vector>

namespace platform {

// $XDG_DATA_HOME/applications/ (absolute only), else
// ~/.local/share/applications/.
std::string ApplicationsFolder();

// The entries to keep in step: the desktop's and the menu's "qor.desktop",
// and the session's autostart entry (Autostart.h).
std::vector<std::string> ShortcutFiles();

// Sets the Icon key of the [Desktop Entry] group of an existing file,
// keeping every other line; written through a temporary file. False when
// the file does not exist, is not a desktop entry, or cannot be written.
bool RewriteDesktopEntryIcon(const std::string& path, const std::string& icon);

}  // namespace platform
