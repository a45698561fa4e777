// Letter case where a protocol or a file format defines it: HTTP header
// names, address schemes, playlist and deployment keys, hex digits. Only
// the 26 ASCII letters change case, whatever the process locale says:
// GTK sets the user's locale at start-up, and under a Turkish one the C
// library lower-cases "I" to something that is not "i". Station names are
// folded by the Turkish tables instead (lists/TurkishCase.h).
#pragma once

#include <string>
#include <string_view>

namespace ascii {

constexpr char ToLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAlnum(char c) { return IsAlpha(c) || IsDigit(c); }
constexpr bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The value of a hex digit (either case), -1 for anything else. Takes any
// character type, so that wide texts use the same rule.
template <typename Char>
constexpr int HexValue(Char c) {
  if (c >= Char('0') && c <= Char('9')) return static_cast<int>(c - Char('0'));
  if (c >= Char('a') && c <= Char('f')) return static_cast<int>(c - Char('a')) + 10;
  if (c >= Char('A') && c <= Char('F')) return static_cast<int>(c - Char('A')) + 10;
  return -1;
}

std::string Lower(std::string_view text);
std::string Upper(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Position of `needle` in `text` ignoring ASCII case; npos when absent.
std::size_t FindNoCase(std::string_view text, std::string_view needle);

}  // namespace ascii
