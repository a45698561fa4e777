// Files built into the executable as GResource bundles.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The bytes of the resource at path (e.g. "/org/kelvarin/qor/lists/PLAYLIST"),
// or nothing when no linked bundle has it.
std::optional<std::string> LoadResourceBytes(const std::string& path);

}  // namespace platform
