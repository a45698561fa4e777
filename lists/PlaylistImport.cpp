#include "lists/PlaylistImport.h"

#include <algorithm>
#include <cctype>

#include "lists/ListFile.h"
#include "support/Encoding.h"
#include "support/AsciiCase.h"
#include "support/Playlist.h"
#include "support/URLUtils.h"

namespace qor {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

std::string_view SkipBom(std::string_view s) {
  if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
  return s;
}

// Addresses with a scheme stay as they are; paths become file addresses.
std::string Address(std::string_view entry, const std::filesystem::path& baseFolder) {
  std::string text(entry);
  auto colon = text.find(':');
  bool hasScheme = colon != std::string::npos && colon > 1 &&
                   std::all_of(text.begin(), text.begin() + static_cast<long>(colon), [](char c) {
                     return ascii::IsAlnum(c) || c == '+' || c == '-' || c == '.';
                   });
  if (hasScheme) return enc::BytesToUtf8(text);
  const auto placed = [&](std::filesystem::path path) {
    if (path.is_relative() && !baseFolder.empty()) path = baseFolder / path;
    return path.lexically_normal();
  };
  // File names are bytes: a line that is not UTF-8 names the file of those
  // very bytes when there is one (a playlist written on this system), else
  // it is read as Windows-1254 text (one written where names were).
  std::filesystem::path path = placed(std::filesystem::path(text));
  std::error_code error;
  if (enc::IsValidUtf8(text) || !std::filesystem::exists(path, error)) path = placed(enc::BytesToUtf8(text));
  return FileAddress(path.string());
}

TListRecord Record(std::string_view title, std::string url) {
  TListRecord record;
  record.Name = title.empty() ? enc::BytesToWide(url) : enc::BytesToWide(title);
  record.Url = std::move(url);
  return record;
}

}  // namespace

TPlaylistKind DetectPlaylistKind(const std::filesystem::path& path, std::string_view content) {
  if (content.substr(0, kListMagic.size()) == kListMagic) return TPlaylistKind::ListFile;
  std::string_view text = Trim(SkipBom(content));
  if (text.substr(0, 1) == "<") return TPlaylistKind::Xml;
  // UTF-16 documents: a byte-order mark and then "<".
  if (content.substr(0, 3) == std::string_view("\xFF\xFE<", 3) || content.substr(0, 4) == std::string_view("\xFE\xFF\0<", 4))
    return TPlaylistKind::Xml;
  switch (playlist::Detect({}, path.string(), content)) {
    case playlist::TKind::Pls: return TPlaylistKind::Pls;
    case playlist::TKind::M3u:
    case playlist::TKind::Hls: return TPlaylistKind::M3U;
    default: break;
  }
  std::string extension = ascii::Lower(path.extension().string());
  if (extension == ".xml") return TPlaylistKind::Xml;
  if (extension == ".rpf" || extension == ".zip") return TPlaylistKind::ListFile;
  return TPlaylistKind::Unknown;
}

std::vector<TListRecord> ParseM3U(std::string_view text, const std::filesystem::path& baseFolder) {
  std::vector<TListRecord> records;
  for (const auto& entry : playlist::Parse(playlist::TKind::M3u, text))
    records.push_back(Record(entry.Title, Address(entry.Address, baseFolder)));
  return records;
}

std::vector<TListRecord> ParsePls(std::string_view text, const std::filesystem::path& baseFolder) {
  std::vector<TListRecord> records;
  for (const auto& entry : playlist::Parse(playlist::TKind::Pls, text))
    records.push_back(Record(entry.Title, Address(entry.Address, baseFolder)));
  return records;
}

}  // namespace qor
