// The settings files are text that the program writes back at exit. One it
// cannot read as such (binary bytes, a file of another program, a schedule
// that is not UTF-16) would be read as defaults and then saved over, and
// the user's settings would be gone; so it is moved aside first, by the
// same rule as the list files, and the user is told.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>

#include "lists/ListRescue.h"

namespace app {

enum class TSettingsText {
  Profile,  // options.ini: UTF-8 or Windows-1254, or UTF-16LE after FF FE
  Utf16,    // schedule.ini: UTF-16LE after FF FE only
};

// True for the bytes of a file that the settings readers would not read as
// text: control characters other than line breaks, tabs and form feeds,
// broken UTF-16, a schedule without its byte-order mark.
bool SettingsTextIsDamaged(std::string_view bytes, TSettingsText kind);

// Nothing for a missing, readable or unopenable file; otherwise what was
// done with it. A file too large to be read counts as damaged.
std::optional<qor::TFileRescue> RescueDamagedSettings(const std::filesystem::path& path, TSettingsText kind,
                                                      std::time_t now = std::time(nullptr));

}  // namespace app
