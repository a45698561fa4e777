#include "lists/SearchFold.h"

#include "lists/TurkishCase.h"

namespace qor {

namespace {

constexpr char16_t kFirst = 0x00C0;
constexpr char16_t kLast = 0x017F;

// U+00C0 to U+017F (Latin-1 Supplement letters and Latin Extended-A): the
// base letter in lower case, or the letter's own small form where it has
// no base letter (æ, þ, ĳ, ŋ, œ); 0 leaves the unit to the Turkish tables
// (the Turkish letters, ×, ÷, ß and the small letters without a base).
constexpr char16_t kLatin[kLast - kFirst + 1] = {
    u'a', u'a', u'a', u'a', u'a', u'a', u'\u00E6', 0, u'e', u'e', u'e', u'e', u'i', u'i', u'i', u'i',  // U+00C0
    u'd', u'n', u'o', u'o', u'o', u'o', 0, 0, u'o', u'u', u'u', u'u', 0, u'y', u'\u00FE', 0,  // U+00D0
    u'a', u'a', u'a', u'a', u'a', u'a', 0, 0, u'e', u'e', u'e', u'e', u'i', u'i', u'i', u'i',  // U+00E0
    u'd', u'n', u'o', u'o', u'o', u'o', 0, 0, u'o', u'u', u'u', u'u', 0, u'y', 0, u'y',  // U+00F0
    u'a', u'a', u'a', u'a', u'a', u'a', u'c', u'c', u'c', u'c', u'c', u'c', u'c', u'c', u'd', u'd',  // U+0100
    u'd', u'd', u'e', u'e', u'e', u'e', u'e', u'e', u'e', u'e', u'e', u'e', u'g', u'g', 0, 0,  // U+0110
    u'g', u'g', u'g', u'g', u'h', u'h', u'h', u'h', u'i', u'i', u'i', u'i', u'i', u'i', u'i', u'i',  // U+0120
    0, 0, u'\u0133', 0, u'j', u'j', u'k', u'k', 0, u'l', u'l', u'l', u'l', u'l', u'l', u'l',  // U+0130
    u'l', u'l', u'l', u'n', u'n', u'n', u'n', u'n', u'n', 0, u'\u014B', 0, u'o', u'o', u'o', u'o',  // U+0140
    u'o', u'o', u'\u0153', 0, u'r', u'r', u'r', u'r', u'r', u'r', u's', u's', u's', u's', 0, 0,  // U+0150
    u's', u's', u't', u't', u't', u't', u't', u't', u'u', u'u', u'u', u'u', u'u', u'u', u'u', u'u',  // U+0160
    u'u', u'u', u'u', u'u', u'w', u'w', u'y', u'y', u'y', u'z', u'z', u'z', u'z', u'z', u'z', u's',  // U+0170
};

}  // namespace

char16_t SearchFoldChar(char16_t c) {
  if (c >= kFirst && c <= kLast && kLatin[c - kFirst]) return kLatin[c - kFirst];
  return TurkishLowerChar(c);
}

std::u16string SearchFold(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = SearchFoldChar(c);
  return out;
}

}  // namespace qor
