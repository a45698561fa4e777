// Conversions between the program's two kinds of text: wide (UTF-16) texts
// for everything the user sees, byte texts for addresses, protocol data and
// stream metadata. Byte texts are UTF-8; texts that are not valid UTF-8
// (titles of Turkish stations that still send the old code page) are read
// as Windows-1254.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace enc {

// Invalid sequences become U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

bool IsValidUtf8(std::string_view text);

// Appends one code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(std::string& out, uint32_t codePoint);

std::u16string Cp1254ToUtf16(std::string_view text);
// Characters that Windows-1254 lacks become "?".
std::string Utf16ToCp1254(std::u16string_view text);

// UTF-8 when the bytes are valid UTF-8, otherwise Windows-1254.
std::u16string BytesToWide(std::string_view text);
std::string BytesToUtf8(std::string_view text);

// File names are bytes to the file system, and a name that is not UTF-8
// must still open its file after a trip through a wide text. Valid UTF-8
// reads as usual; every byte that is not part of a valid sequence becomes
// the unpaired surrogate U+DC00 + byte, which WideToFileName turns back
// into that byte. For showing such a name use FileNameDisplay.
std::u16string FileNameToWide(std::string_view name);
std::string WideToFileName(std::u16string_view name);
// A readable form of a name made by FileNameToWide: the bytes it stands
// for, read as BytesToWide reads them.
std::u16string FileNameDisplay(std::u16string_view name);

}  // namespace enc
