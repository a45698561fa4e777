// A finished recording shown to the user: selected in the file manager, or
// opened with the program the desktop associates with it.
#pragma once

#include <string>

namespace platform {

// Asks the file manager to show the file selected
// (org.freedesktop.FileManager1.ShowItems on the session bus); when no file
// manager answers, the file's folder is opened with the default handler.
// False when neither worked.
bool ShowInFileManager(const std::string& path);

// Opens the file with its default application; false when the path is not
// a regular file or nothing could open it.
bool OpenWithDefaultApplication(const std::string& path);

}  // namespace platform
