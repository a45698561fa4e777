#include "lists/PlaylistImport.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "lists/ListFile.h"
#include "support/Encoding.h"
#include "support/AsciiCase.h"

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

using ascii::StartsWithNoCase;

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
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
  std::filesystem::path path(enc::BytesToUtf8(text));
  if (path.is_relative() && !baseFolder.empty()) path = baseFolder / path;
  return "file://" + path.lexically_normal().string();
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
  if (StartsWithNoCase(text, "[playlist]")) return TPlaylistKind::Pls;
  if (StartsWithNoCase(text, "#EXTM3U")) return TPlaylistKind::M3U;
  std::string extension = ascii::Lower(path.extension().string());
  if (extension == ".m3u" || extension == ".m3u8") return TPlaylistKind::M3U;
  if (extension == ".pls") return TPlaylistKind::Pls;
  if (extension == ".xml") return TPlaylistKind::Xml;
  if (extension == ".rpf" || extension == ".zip") return TPlaylistKind::ListFile;
  return TPlaylistKind::Unknown;
}

std::vector<TListRecord> ParseM3U(std::string_view text, const std::filesystem::path& baseFolder) {
  std::vector<TListRecord> records;
  std::string_view title;
  for (std::string_view line : Lines(SkipBom(text))) {
    line = Trim(line);
    if (line.empty()) continue;
    if (line[0] == '#') {
      if (StartsWithNoCase(line, "#EXTINF:")) {
        // The title follows the first comma outside quoted attributes.
        bool quoted = false;
        title = {};
        for (size_t i = 8; i < line.size(); ++i) {
          if (line[i] == '"') quoted = !quoted;
          else if (line[i] == ',' && !quoted) {
            title = Trim(line.substr(i + 1));
            break;
          }
        }
      }
      continue;
    }
    records.push_back(Record(title, Address(line, baseFolder)));
    title = {};
  }
  return records;
}

std::vector<TListRecord> ParsePls(std::string_view text, const std::filesystem::path& baseFolder) {
  std::map<long, std::pair<std::string_view, std::string_view>> entries;  // number -> file, title
  bool inPlaylist = false;
  for (std::string_view line : Lines(SkipBom(text))) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      inPlaylist = StartsWithNoCase(line, "[playlist]");
      continue;
    }
    if (!inPlaylist) continue;
    auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, equals));
    std::string_view value = Trim(line.substr(equals + 1));
    bool isFile = StartsWithNoCase(key, "File");
    bool isTitle = StartsWithNoCase(key, "Title");
    if (!isFile && !isTitle) continue;
    std::string_view number = key.substr(isFile ? 4 : 5);
    if (number.empty() || number.size() > 9 ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    auto& entry = entries[std::stol(std::string(number))];
    (isFile ? entry.first : entry.second) = value;
  }
  std::vector<TListRecord> records;
  for (const auto& [number, entry] : entries)
    if (!entry.first.empty()) records.push_back(Record(entry.second, Address(entry.first, baseFolder)));
  return records;
}

}  // namespace qor
