// Decoding of images that arrive as text (banner pictures in XML).
#pragma once

#include <string>
#include <string_view>

namespace widgets {

// Base64; characters outside the alphabet (line breaks, spaces) are
// skipped and decoding ends at the first "=". A trailing group of one
// character carries no whole byte and is dropped.
std::string DecodeBase64(std::string_view text);
// Pairs of hexadecimal digits; every other character is skipped and a lone
// last digit is dropped.
std::string DecodeHex(std::string_view text);
// "base64" (any letter case) selects Base64, any other name hexadecimal.
std::string DecodeData(std::string_view text, std::string_view encoding);

}  // namespace widgets
