// Playlist answers that a station address may give instead of audio: .pls,
// .m3u (and HLS, which is recognised and left to the demuxer) and .asx,
// read by the one playlist reader of support/Playlist.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/Playlist.h"

namespace audio::detail {

using TPlaylistKind = playlist::TKind;

// Decides from the content type, the address and the first bytes.
TPlaylistKind DetectPlaylist(std::string_view contentType, std::string_view url,
                             std::string_view head);

// The entries in order, made absolute against `base`. Bounded: at most 64
// entries of at most 2048 bytes each are returned.
std::vector<std::string> ParsePlaylist(TPlaylistKind kind, std::string_view text,
                                       std::string_view base);

// Resolves a relative reference against an absolute http(s) address.
std::string ResolveUrl(std::string_view base, std::string_view ref);

}  // namespace audio::detail
