// How a recording's file is named: the folder, the cleaned station name,
// the cleaned stream title and a short unique hexadecimal number with the
// format's extension, e.g. "/home/u/Desktop/Radyo X - Artist - Song - 3f2a.mp3".
#pragma once

#include <cstddef>
#include <string>

namespace app {

// The title of the current song for file names and for clients, from the
// latest in-stream metadata ("StreamTitle='...';") or else from the header
// tags ("title=", "author="): the players' own title parser (quoted titles
// run to their closing "';", character references are decoded, texts that
// are not UTF-8 are read as Windows-1254).
std::u16string StreamTitle(const std::string& metaTag, const std::string& headerTags);

// Each of \ / : * ? " < > | becomes "-".
std::u16string CleanFileNamePart(std::u16string text);

// A name no file in `folder` has yet: a short hexadecimal number, lower
// case, with `extension` (".mp3"). The folder must exist; empty when no
// unique name could be reserved.
std::u16string UniqueRecordingName(const std::u16string& folder, const std::u16string& extension);

// The longest file name (without its folder) the file systems take.
inline constexpr size_t kMaxFileNameBytes = 255;

// The whole path: folder (a separator is added when missing), then the
// cleaned station name and " - " when useStationName and the name is not
// empty, then the cleaned title and " - " when it is not empty, then the
// unique name. The title, then the station name, are cut so that the file
// name takes at most kMaxFileNameBytes in UTF-8. Empty when no unique name
// could be reserved.
std::u16string RecordingFileName(const std::u16string& folder, const std::u16string& extension, bool useStationName,
                                 const std::u16string& stationName, const std::u16string& title);

}  // namespace app
