// Playlists that users already have (M3U, M3U8 with #EXTINF, PLS), read as
// station records so they can join a station list. The reading itself is
// the one playlist reader of support/Playlist.h: bytes that are not text
// import nothing, whatever the file is called.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "lists/ListXml.h"

namespace qor {

enum class TPlaylistKind { Unknown, ListFile, Xml, M3U, Pls };

// Guesses the kind from the content (the extension only breaks ties).
TPlaylistKind DetectPlaylistKind(const std::filesystem::path& path, std::string_view content);

// Each returns the records in file order; relative paths are resolved
// against baseFolder and become file addresses. Names default to the
// address when a playlist gives none.
std::vector<TListRecord> ParseM3U(std::string_view text, const std::filesystem::path& baseFolder = {});
std::vector<TListRecord> ParsePls(std::string_view text, const std::filesystem::path& baseFolder = {});

}  // namespace qor
