// Case folding of station names with the fixed Turkish tables. Search
// depends on both sides being folded the same way whatever the user's
// locale, so these tables never consult the C library.
#pragma once

#include <string>
#include <string_view>

namespace qor {

// Both return a text of the same length (UTF-16 code units); every unit
// outside the tables is copied unchanged.
std::u16string TurkishLowerCase(std::u16string_view text);
std::u16string TurkishUpperCase(std::u16string_view text);

char16_t TurkishLowerChar(char16_t c);
char16_t TurkishUpperChar(char16_t c);

}  // namespace qor
