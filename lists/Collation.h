// Locale collation of station names and keys. The user's locale decides the
// order; a Turkish locale gets the Turkish alphabet from our own table, so
// that it works even where the system has no Turkish locale installed.
#pragma once

#include <string>
#include <string_view>

namespace qor {

// Chooses the collation: an empty name means the user's environment
// (LC_ALL, then LC_COLLATE, then LANG). Names starting with "tr" choose the
// Turkish table; others use the C library's collation of that locale, or
// code-point order when the locale is not installed. Call it at start-up,
// before lists are sorted from more than one thread.
void SetCollationLocale(const std::string& localeName);
bool CollationIsTurkish();

// Case-sensitive comparison for sorting by name: negative, zero, positive.
int CompareNames(std::u16string_view a, std::u16string_view b);
// Case-insensitive comparison for keys.
int CompareTextIgnoreCase(std::u16string_view a, std::u16string_view b);

// The Turkish order on its own, whatever the chosen locale.
int TurkishCompare(std::u16string_view a, std::u16string_view b, bool ignoreCase);

}  // namespace qor
