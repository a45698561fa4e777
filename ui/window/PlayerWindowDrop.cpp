// Files and folders dropped on the window, or opened from the command
// line: list files and XML lists add their stations, M3U and PLS
// playlists their entries, folders are walked, and any other file becomes
// a file favourite. What a drop finds is gathered first and joins the
// favourites only afterwards, so a drop that finds nothing (or is stopped
// with Escape before it found anything) loses nothing.
#include <algorithm>
#include <fstream>
#include <system_error>

#include "engine/Routing.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/PlaylistImport.h"
#include "support/AsciiCase.h"
#include "support/Encoding.h"
#include "ui/window/CommandTexts.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/controls/DropFiles.h"

namespace ui {

using namespace widgets;
namespace fs = std::filesystem;

namespace {

// Playlists bigger than this are not playlists.
constexpr std::uintmax_t PlaylistLimit = 4u << 20;
// Folders nested deeper than this are not walked further.
constexpr int FolderDepthLimit = 32;

std::string Extension(const fs::path& path) { return ascii::Lower(path.extension().string()); }

bool IsPlaylist(const std::string& ext) { return ext == ".m3u" || ext == ".m3u8" || ext == ".pls"; }

// Inside a dropped folder only what can be played joins the favourites,
// not the covers and notes beside the music.
bool IsPlayable(const std::string& ext) {
  static const char* const kinds[] = {".mp3", ".aac", ".m4a", ".mp4", ".ogg", ".oga", ".opus", ".flac", ".wav",
                                      ".wma", ".ape", ".mpc", ".ac3", ".aif", ".aiff", ".mka", ".webm", ".mkv",
                                      ".avi", ".flv", ".wv", ".mp2", ".amr", ".3gp", ".mov"};
  return std::find(std::begin(kinds), std::end(kinds), ext) != std::end(kinds);
}

void AddRecords(const std::vector<qor::TListRecord>& records, std::vector<std::unique_ptr<qor::TPlayItem>>& found) {
  for (const auto& r : records)
    if (!r.Name.empty() && !r.Url.empty()) found.push_back(qor::MakeItem(r.Key, qor::NewRandomId(), r.Name, r.Url));
}

// A playlist line without a title names a file as the other dropped
// files are named, not by its whole address.
std::vector<qor::TListRecord> NamedFiles(std::vector<qor::TListRecord> records) {
  for (auto& r : records)
    if (r.Url.rfind("file://", 0) == 0 && r.Name == enc::Utf8ToUtf16(r.Url))
      r.Name = FileEntryName(LocalPathFromFileAddress(r.Url));
  return records;
}

void ReadPlaylist(const fs::path& path, std::vector<std::unique_ptr<qor::TPlayItem>>& found) {
  std::error_code error;
  auto size = fs::file_size(path, error);
  if (error || size > PlaylistLimit) return;
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return;
  switch (qor::DetectPlaylistKind(path, text)) {
    case qor::TPlaylistKind::M3U: AddRecords(NamedFiles(qor::ParseM3U(text, path.parent_path())), found); break;
    case qor::TPlaylistKind::Pls: AddRecords(NamedFiles(qor::ParsePls(text, path.parent_path())), found); break;
    default: break;
  }
}

// One dropped or found file by the rules of its extension; `inFolder`
// keeps unknown kinds out of walked folders.
void TakeFile(const fs::path& path, bool inFolder, std::vector<std::unique_ptr<qor::TPlayItem>>& found) {
  std::string ext = Extension(path);
  std::vector<qor::TListRecord> records;
  if (ext == ".rpf") {
    // A file that is not a list adds nothing.
    if (qor::HasListMagic(path) && qor::ReadUserListFile(path, records)) AddRecords(records, found);
  } else if (ext == ".xml") {
    if (qor::ReadUserListFile(path, records)) AddRecords(records, found);
  } else if (IsPlaylist(ext)) {
    ReadPlaylist(path, found);
  } else if (!inFolder || IsPlayable(ext)) {
    std::string text = path.string();
    found.push_back(qor::MakeItem(u"", qor::NewRandomId(), FileEntryName(text), FileEntryAddress(text)));
  }
}

bool EscapeDown() { return GetAsyncKeyState(VK_ESCAPE) < 0; }

void WalkFolder(const fs::path& folder, int depth, std::vector<std::unique_ptr<qor::TPlayItem>>& found,
                bool& stopped) {
  if (depth > FolderDepthLimit) return;
  std::error_code error;
  // In the order the file system lists the folder.
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (EscapeDown()) {
      stopped = true;
      return;
    }
    const fs::path& path = it->path();
    std::error_code kindError;
    // Linked folders are not followed: they may lead back up.
    fs::file_status status = it->symlink_status(kindError);
    if (kindError) continue;
    if (fs::is_directory(status)) {
      if (path.filename().string().rfind('.', 0) == 0) continue;
      WalkFolder(path, depth + 1, found, stopped);
      if (stopped) return;
    } else if (fs::is_regular_file(it->status(kindError)) && !kindError) {
      TakeFile(path, true, found);
    }
  }
}

}  // namespace

void TPlayerWindow::WalkDropped(const fs::path& path, std::vector<std::unique_ptr<qor::TPlayItem>>& found,
                                bool& stopped) {
  std::error_code error;
  auto status = fs::status(path, error);
  if (error) return;
  if (fs::is_directory(status)) WalkFolder(path, 0, found, stopped);
  else if (fs::is_regular_file(status)) TakeFile(path, false, found);
}

bool TPlayerWindow::DropFiles(const std::vector<std::u16string>& paths, bool replace) {
  // A drop that arrives while one is being read waits for nothing: it is
  // dropped (the marquee says the window is busy).
  if (FDropping || FClosed) return false;
  FDropping = true;
  std::u16string marquee = FMarqueeText;
  bool throbber = FThrobber->Visible();
  SetMarquee(LoadString(341), true);
  ShowThrobber(true);
  std::shared_ptr<bool> alive = FAlive;
  // Shows the busy marquee before the reading starts.
  if (!Pump(0)) return false;

  std::vector<std::unique_ptr<qor::TPlayItem>> found;
  bool stopped = false;
  for (const auto& path : paths) {
    if (stopped || EscapeDown()) break;
    WalkDropped(fs::path(enc::WideToFileName(path)), found, stopped);
  }

  bool added = !found.empty();
  if (added) {
    if (replace) FFavourites->ClearItems();
    int first = FFavourites->Count();
    FFavourites->BeginUpdate();
    for (auto& item : found) FFavourites->AddItem(std::move(item));
    FFavourites->EndUpdate();
    SelectFavourite(first);
    TickLinkedEntries();
    FavouritesChanged();
  }
  SetMarquee(marquee, true);
  ShowThrobber(throbber);
  FDropping = false;
  Invalidate();
  return added;
}

}  // namespace ui
