#include "lists/ListRescue.h"

#include <string>
#include <vector>

#include "lists/ListFile.h"
#include "lists/ListIO.h"

namespace qor {

bool ListFileIsDamaged(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::vector<TListRecord> records;
  TListReadResult result = ReadListRecords(path, ListFilePassword(), records);
  // Missing here means the file exists but is empty, unreadable or too large.
  return result != TListReadResult::Ok && result != TListReadResult::NoRecords;
}

TFileRescue MoveAside(const std::filesystem::path& path, std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
  TFileRescue rescue;
  rescue.File = path;
  for (int attempt = 1; attempt <= 100 && !rescue.Moved; ++attempt) {
    std::string suffix = std::string(".") + stamp + (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".bak";
    rescue.Backup = path;
    rescue.Backup += suffix;
    rescue.Moved = MoveFileNoReplace(path, rescue.Backup);
    std::error_code error;
    if (!rescue.Moved && !std::filesystem::exists(rescue.Backup, error)) break;  // not a name clash: give up
  }
  return rescue;
}

std::optional<TFileRescue> RescueDamagedList(const std::filesystem::path& path, std::time_t now) {
  if (!ListFileIsDamaged(path)) return std::nullopt;
  return MoveAside(path, now);
}

}  // namespace qor
