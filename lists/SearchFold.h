// The form of a name that search compares: Turkish case folding, and the
// accents of other Latin letters dropped, so that "cafe" finds "Café" and
// "sao paulo" finds "São Paulo". The letters of the Turkish alphabet keep
// their own identity (ç, ğ, ı, i, ö, ş, ü: "kus" is not "kuş", and I folds
// to ı, not i); â, î and û, which Turkish writes as plain a, i and u with a
// mark of length, fold to those.
#pragma once

#include <string>
#include <string_view>

namespace qor {

// Same length as the input (UTF-16 code units); units outside the tables
// (digits, Greek, Cyrillic, letters without a base letter such as ß or æ)
// are only case-folded where the Turkish tables say so.
char16_t SearchFoldChar(char16_t c);
std::u16string SearchFold(std::u16string_view text);

}  // namespace qor
