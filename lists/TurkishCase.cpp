#include "lists/TurkishCase.h"

#include <utility>

namespace qor {

namespace {

// The Turkish letters whose case does not follow ASCII, as (capital, small):
// dotted and dotless i pair differently from the ASCII I and i.
constexpr std::pair<char16_t, char16_t> kTurkishPairs[] = {
    {u'I', u'\u0131'},      {u'\u0130', u'i'},      {u'\u00C2', u'\u00E2'}, {u'\u00C7', u'\u00E7'},
    {u'\u00CE', u'\u00EE'}, {u'\u00D6', u'\u00F6'}, {u'\u00DB', u'\u00FB'}, {u'\u00DC', u'\u00FC'},
    {u'\u011E', u'\u011F'}, {u'\u015E', u'\u015F'},
};

}  // namespace

char16_t TurkishLowerChar(char16_t c) {
  for (const auto& [capital, small] : kTurkishPairs)
    if (c == capital) return small;
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  return c;
}

char16_t TurkishUpperChar(char16_t c) {
  for (const auto& [capital, small] : kTurkishPairs)
    if (c == small) return capital;
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  return c;
}

std::u16string TurkishLowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = TurkishLowerChar(c);
  return out;
}

std::u16string TurkishUpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = TurkishUpperChar(c);
  return out;
}

}  // namespace qor
