// The built-in station lists ("BROADCAST", "PLAYLIST") are complete list
// files carried in the executable. They are copied into the settings
// folder byte for byte when missing, and never over an existing file.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "lists/ListRescue.h"

namespace app {

// The bytes of a built-in list by its name, or nothing when it is missing.
using TListSource = std::function<std::optional<std::string>(const std::string& name)>;

inline constexpr const char* BuiltinListsPrefix = "/org/kelvarin/qor/lists/";

// Reads the lists from the linked resource bundles under prefix.
TListSource ResourceListSource(std::string prefix = BuiltinListsPrefix);

struct TSeedResult {
  bool PlaylistRenamed = false;   // "playlist" became "playlist.rpf"
  bool PlaylistWritten = false;
  bool BroadcastWritten = false;
  // Files that could not be read, moved aside before the built-in lists
  // (or the settings) took their names.
  std::vector<qor::TFileRescue> Rescued;
};

// settingsFolder ends with "/". Problems (a missing resource, a file that
// cannot be written, a list file that cannot be read and was moved aside)
// are reported on err and do not stop the program.
TSeedResult SeedListFiles(const std::string& settingsFolder, const TListSource& source, std::ostream& err);

// The line on err about a file that was (or could not be) moved aside.
void ReportRescue(const qor::TFileRescue& rescue, std::ostream& err);

// What the player window tells the user about the rescued files, once;
// empty when there were none.
std::u16string RescueNotice(const std::vector<qor::TFileRescue>& rescued);

}  // namespace app
