#include "lists/TurkishCase.h"

namespace qor {

char16_t TurkishLowerChar(char16_t c) {
  if (c == u'I') return u'\u0131';
  if ((c >= u'A' && c <= u'Z')) return static_cast<char16_t>(c + 0x20);
  switch (c) {
    case u'\u0130': return u'i';
    case u'\u00C2': return u'\u00E2';
    case u'\u00C7': return u'\u00E7';
    case u'\u00CE': return u'\u00EE';
    case u'\u00D6': return u'\u00F6';
    case u'\u00DB': return u'\u00FB';
    case u'\u00DC': return u'\u00FC';
    case u'\u011E': return u'\u011F';
    case u'\u015E': return u'\u015F';
    default: return c;
  }
}

char16_t TurkishUpperChar(char16_t c) {
  if (c == u'i') return u'\u0130';
  if ((c >= u'a' && c <= u'z')) return static_cast<char16_t>(c - 0x20);
  switch (c) {
    case u'\u0131': return u'I';
    case u'\u00E2': return u'\u00C2';
    case u'\u00E7': return u'\u00C7';
    case u'\u00EE': return u'\u00CE';
    case u'\u00F6': return u'\u00D6';
    case u'\u00FB': return u'\u00DB';
    case u'\u00FC': return u'\u00DC';
    case u'\u011F': return u'\u011E';
    case u'\u015F': return u'\u015E';
    default: return c;
  }
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
