// A list file that exists but cannot be read (damaged, altered, sealed with
// another password, not a list at all) would be lost at the next save of
// that list, so it is moved aside first, to a dated name beside it
// ("playlist.rpf" becomes "playlist.rpf.2026-12-09-024800.bak"), where the
// user or qor-lists can still look at it. An emptied list is readable and
// stays where it is.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>

namespace qor {

// True for a regular file that gives no list: neither stations nor a
// readable empty list.
bool ListFileIsDamaged(const std::filesystem::path& path);

struct TFileRescue {
  std::filesystem::path File;
  std::filesystem::path Backup;  // the name it was moved to, or would have been
  bool Moved = false;            // false: the file could not be renamed and stays
};

// Moves any file that cannot be read aside to its dated name. An existing
// backup name is never replaced: "-2", "-3"... are added.
TFileRescue MoveAside(const std::filesystem::path& path, std::time_t now = std::time(nullptr));

// Nothing for a missing or readable list file; otherwise what was done
// with it.
std::optional<TFileRescue> RescueDamagedList(const std::filesystem::path& path, std::time_t now = std::time(nullptr));

}  // namespace qor
