#include "app/BuiltinLists.h"

#include <cerrno>
#include <cstring>

#include "lists/ListFile.h"
#include "platform/Folders.h"
#include "platform/Resources.h"
#include "support/Encoding.h"
#include "support/WStringsFile.h"

namespace app {

namespace {

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

std::u16string RescueNotice(const std::vector<qor::TFileRescue>& rescued) {
  std::u16string text;
  for (const auto& rescue : rescued) {
    if (!text.empty()) text += u"  ";
    text += enc::Utf8ToUtf16(rescue.File.filename().string()) + u" okunamadı; ";
    text += rescue.Moved ? enc::Utf8ToUtf16(rescue.Backup.filename().string()) + u" adıyla kenara alındı."
                         : u"kenara alınamadı.";
  }
  return text;
}

void ReportRescue(const qor::TFileRescue& rescue, std::ostream& err) {
  err << "QOR: " << rescue.File.filename().string() << " okunamadı; "
      << (rescue.Moved ? "dosya " + rescue.Backup.string() + " adıyla kenara alındı.\n"
                       : "kenara alınamadı: " + rescue.File.string() + "\n");
}

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
    result.PlaylistRenamed = qor::MoveFileNoReplace(older, playlist);
  }
  // Before anything writes these names again (the built-in lists below,
  // the next save of the favourites), a file that cannot be read is put
  // out of the way; the built-in list then takes its place.
  for (const char* name : {"playlist.rpf", "broadcast.rpf"}) {
    auto rescue = qor::RescueDamagedList(settingsFolder + name);
    if (!rescue) continue;
    ReportRescue(*rescue, err);
    result.Rescued.push_back(*rescue);
  }
  if (!platform::FileExists(playlist))
    result.PlaylistWritten = WriteList(settingsFolder, "playlist.rpf", "PLAYLIST", source, err);
  if (!platform::FileExists(settingsFolder + "broadcast.rpf"))
    result.BroadcastWritten = WriteList(settingsFolder, "broadcast.rpf", "BROADCAST", source, err);
  return result;
}

}  // namespace app
