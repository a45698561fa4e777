// Playlist files and answers: PLS, M3U/M3U8 (HLS is recognised and left to
// the demuxer) and ASX. One reader for the audio library, which follows a
// station address that answers with a playlist, and for the station lists,
// which import the playlists users already have.
//
// Bytes that are not text (NUL or control bytes other than tab, CR and LF)
// are never a playlist, whatever the name or content type says: audio is
// not read as entries, and a damaged file imports nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace playlist {

enum class TKind { None, Pls, M3u, Hls, Asx };

struct TEntry {
  std::string Address;  // as written (bytes), trimmed
  std::string Title;    // as written (bytes); empty when the list gives none
};

// Whether the bytes can be a playlist at all (see above).
bool IsText(std::string_view bytes);

// Decides from the first bytes, then from the content type (may be empty),
// then from the extension of `name` (an address or a file name).
TKind Detect(std::string_view contentType, std::string_view name, std::string_view head);

// Entries in order: M3U in file order with the #EXTINF title before each;
// PLS the numbered FileN/TitleN of the [playlist] section by number; ASX
// the href of each ref element (through libxml2, tolerant of case and of
// damage) with its entry's title. At most `maxEntries`, each address at
// most 2048 bytes (longer ones are skipped). Nothing for non-text bytes.
std::vector<TEntry> Parse(TKind kind, std::string_view text, std::size_t maxEntries = 100000);

}  // namespace playlist
