#include "audio/internal/Playlist.h"

#include <algorithm>
#include <cctype>
#include "support/AsciiCase.h"

namespace audio::detail {

namespace {

constexpr size_t kMaxEntries = 64;
constexpr size_t kMaxEntryLength = 2048;

std::string Lower(std::string_view s) { return ascii::Lower(s); }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

std::string PathExtension(std::string_view url) {
  url = url.substr(0, url.find_first_of("?#"));
  size_t slash = url.rfind('/');
  size_t dot = url.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return Lower(url.substr(dot + 1));
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(Trim(text.substr(pos, end - pos)));
    pos = end + 1;
  }
  return lines;
}

void Add(std::vector<std::string>& out, std::string_view entry, std::string_view base) {
  entry = Trim(entry);
  if (entry.empty() || entry.size() > kMaxEntryLength || out.size() >= kMaxEntries) return;
  out.push_back(ResolveUrl(base, entry));
}

}  // namespace

TPlaylistKind DetectPlaylist(std::string_view contentType, std::string_view url,
                             std::string_view head) {
  std::string type = Lower(Trim(contentType.substr(0, contentType.find(';'))));
  std::string start = Lower(Trim(head.substr(0, 512)));
  if (StartsWith(start, "\xef\xbb\xbf")) start = start.substr(3);
  // Bytes decide first: servers label playlists as audio and audio as text.
  if (StartsWith(start, "[playlist]")) return TPlaylistKind::Pls;
  if (StartsWith(start, "<asx")) return TPlaylistKind::Asx;
  if (StartsWith(start, "#extm3u")) {
    return Lower(head).find("#ext-x-") != std::string::npos ? TPlaylistKind::Hls : TPlaylistKind::M3u;
  }
  const bool text = !head.empty() && std::all_of(head.begin(), head.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x20 || u == '\r' || u == '\n' || u == '\t';
  });
  if (type == "audio/x-scpls" || type == "audio/scpls" || type == "application/pls+xml")
    return TPlaylistKind::Pls;
  if (type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl" ||
      type == "audio/x-mpegurl" || type == "audio/mpegurl") {
    if (!text) return TPlaylistKind::None;
    return TPlaylistKind::M3u;
  }
  if ((type == "video/x-ms-asf" || type == "video/x-ms-asx" || type == "audio/x-ms-asx") && text &&
      start.find("<asx") != std::string::npos)
    return TPlaylistKind::Asx;
  std::string ext = PathExtension(url);
  if (text) {
    if (ext == "pls") return TPlaylistKind::Pls;
    if (ext == "m3u" || ext == "m3u8") return TPlaylistKind::M3u;
    if (ext == "asx") return TPlaylistKind::Asx;
  }
  return TPlaylistKind::None;
}

std::vector<std::string> ParsePlaylist(TPlaylistKind kind, std::string_view text,
                                       std::string_view base) {
  std::vector<std::string> out;
  if (kind == TPlaylistKind::Pls) {
    for (const auto& line : SplitLines(text)) {
      std::string l = Lower(line.substr(0, 4));
      size_t eq = line.find('=');
      if (l == "file" && eq != std::string::npos) Add(out, std::string_view(line).substr(eq + 1), base);
    }
  } else if (kind == TPlaylistKind::M3u || kind == TPlaylistKind::Hls) {
    for (const auto& line : SplitLines(text))
      if (!line.empty() && line[0] != '#') Add(out, line, base);
  } else if (kind == TPlaylistKind::Asx) {
    // <ref href="..."/> in any letter case, quoted with " or '.
    std::string lower = Lower(text);
    size_t pos = 0;
    while ((pos = lower.find("<ref", pos)) != std::string::npos && out.size() < kMaxEntries) {
      size_t close = lower.find('>', pos);
      size_t href = lower.find("href", pos);
      pos += 4;
      if (href == std::string::npos || (close != std::string::npos && href > close)) continue;
      size_t quote = lower.find_first_of("\"'", href);
      if (quote == std::string::npos) break;
      size_t end = lower.find(lower[quote], quote + 1);
      if (end == std::string::npos) break;
      std::string value(text.substr(quote + 1, end - quote - 1));
      // The few entities that appear in addresses.
      for (size_t amp; (amp = value.find("&amp;")) != std::string::npos;) value.replace(amp, 5, "&");
      Add(out, value, base);
      pos = end;
    }
  }
  return out;
}

std::string ResolveUrl(std::string_view base, std::string_view ref) {
  if (ref.find("://") != std::string_view::npos) return std::string(ref);
  size_t schemeEnd = base.find("://");
  if (schemeEnd == std::string_view::npos) return std::string(ref);
  size_t hostEnd = base.find('/', schemeEnd + 3);
  std::string_view origin = base.substr(0, hostEnd == std::string_view::npos ? base.size() : hostEnd);
  if (StartsWith(ref, "//")) return std::string(base.substr(0, schemeEnd + 1)) + std::string(ref);
  if (StartsWith(ref, "/")) return std::string(origin) + std::string(ref);
  std::string_view path = base.substr(0, base.find_first_of("?#"));
  size_t lastSlash = path.rfind('/');
  if (lastSlash == std::string_view::npos || lastSlash < schemeEnd + 3) return std::string(origin) + "/" + std::string(ref);
  return std::string(path.substr(0, lastSlash + 1)) + std::string(ref);
}

}  // namespace audio::detail
