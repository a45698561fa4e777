#include "audio/internal/Playlist.h"

namespace audio::detail {

namespace {

constexpr size_t kMaxEntries = 64;

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

}  // namespace

TPlaylistKind DetectPlaylist(std::string_view contentType, std::string_view url,
                             std::string_view head) {
  return playlist::Detect(contentType, url, head);
}

std::vector<std::string> ParsePlaylist(TPlaylistKind kind, std::string_view text,
                                       std::string_view base) {
  std::vector<std::string> out;
  for (const auto& entry : playlist::Parse(kind, text, kMaxEntries)) out.push_back(ResolveUrl(base, entry.Address));
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
