// What the tests that run the real program need besides the desktop kit:
// its settings and runtime folders with a favourites file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "DesktopKit.h"
#include "QorProcess.h"

namespace uitest {

// Settings and runtime folders below `dir` for the program, and the
// favourites file (every station at `url`) in its settings folder.
void PrepareProgram(apptest::TQorEnv& env, const std::filesystem::path& dir,
                    const std::vector<std::pair<std::u16string, int32_t>>& favourites, const std::string& url);

// "Xvfb" and "xdotool" are there.
bool HavePrivateDisplay();

}  // namespace uitest
