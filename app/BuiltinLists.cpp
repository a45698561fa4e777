#include "app/BuiltinLists.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Folders.h"
#include "platform/Resources.h"
#include "support/WStringsFile.h"

namespace app {

namespace {

// Moves from to to unless to exists (a rename that never replaces).
bool MoveFileNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: link fails on an existing target.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

bool WriteList(const std::string& folder, const std::string& fileName, const std::string& resource,
               const TListSource& source, std::ostream& err) {
  std::string path = folder + fileName;
  std::optional<std::string> bytes = source(resource);
  if (!bytes) {
    err << "QOR: yerleşik liste bulunamadı: " << resource << " (" << path << " oluşturulmadı)\n";
    return false;
  }
  if (!wstr::WriteFileAtomic(path, *bytes)) {
    err << "QOR: " << path << " yazılamadı: " << std::strerror(errno) << "\n";
    return false;
  }
  return true;
}

}  // namespace

TListSource ResourceListSource(std::string prefix) {
  return [prefix](const std::string& name) { return platform::LoadResourceBytes(prefix + name); };
}

TSeedResult SeedListFiles(const std::string& settingsFolder, const TListSource& source, std::ostream& err) {
  TSeedResult result;
  std::string older = settingsFolder + "playlist";
  std::string playlist = settingsFolder + "playlist.rpf";
  if (platform::FileExists(older)) {
    // The older name wins over the built-in list; when both exist the
    // move fails and both files stay as they are.
    result.PlaylistRenamed = MoveFileNoReplace(older, playlist);
  } else if (!platform::FileExists(playlist)) {
    result.PlaylistWritten = WriteList(settingsFolder, "playlist.rpf", "PLAYLIST", source, err);
  }
  if (!platform::FileExists(settingsFolder + "broadcast.rpf"))
    result.BroadcastWritten = WriteList(settingsFolder, "broadcast.rpf", "BROADCAST", source, err);
  return result;
}

}  // namespace app
