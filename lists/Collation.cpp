#include "lists/Collation.h"

#include <locale.h>
#include <wchar.h>
#include <wctype.h>

#include <array>
#include <cstdlib>
#include <mutex>

#include "lists/TurkishCase.h"

namespace qor {
namespace {

// Collation weights of one code unit: the letter (primary), its accent
// (secondary) and its case (tertiary, lower case first).
struct TWeight {
  uint32_t Primary;
  uint16_t Secondary;
  uint8_t Tertiary;
};

// Turkish alphabet, q w x placed where Latin has them.
constexpr std::u16string_view kAlphabet =
    u"abc\u00e7defg\u011fh\u0131ijklmno\u00f6pqrs\u015ftu\u00fcvwxyz";

// Base letters of U+00C0..U+017F for letters outside the Turkish alphabet;
// '.' marks a character that is not a letter with a base.
constexpr std::u16string_view kLatinBase =
    u"AAAAAAACEEEEIIIIDNOOOOO.OUUUUYTsaaaaaaaceeeeiiiidnooooo.ouuuuyty"   // 00C0
    u"AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiJjJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";  // 0100

class TTurkishTable {
 public:
  TTurkishTable() {
    for (uint32_t c = 0; c < table_.size(); ++c) table_[c] = Compute(static_cast<char16_t>(c));
  }
  TWeight Get(char16_t c) const {
    if (c < table_.size()) return table_[c];
    return {0x20000u + c, 0, 0};
  }

 private:
  static uint32_t LetterPrimary(char16_t lower) {
    auto pos = kAlphabet.find(lower);
    return pos == std::u16string_view::npos ? 0 : 0x1000u + static_cast<uint32_t>(pos) * 4;
  }

  static TWeight Compute(char16_t c) {
    if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0) return {0x10, 0, 0};
    if (c >= u'0' && c <= u'9') return {0x800u + (c - u'0'), 0, 0};
    char16_t lower = TurkishLowerChar(c);
    uint8_t upper = lower != c ? 1 : 0;
    // The circumflex letters sort with their plain letters, after them.
    if (lower == u'\u00e2') return {LetterPrimary(u'a'), 1, upper};
    if (lower == u'\u00ee') return {LetterPrimary(u'i'), 1, upper};
    if (lower == u'\u00fb') return {LetterPrimary(u'u'), 1, upper};
    if (uint32_t p = LetterPrimary(lower)) return {p, 0, upper};
    if (c >= 0xC0 && c < 0x180) {
      char16_t base = kLatinBase[c - 0xC0];
      if (base != u'.') {
        char16_t baseLower = base >= u'A' && base <= u'Z' ? static_cast<char16_t>(base + 0x20) : base;
        uint8_t baseUpper = base != baseLower ? 1 : 0;
        // The dotless i of the table is for Turkish I only; other i-like
        // letters sort with i.
        if (baseLower == u'i') return {LetterPrimary(u'i'), static_cast<uint16_t>(c), baseUpper};
        return {LetterPrimary(baseLower), static_cast<uint16_t>(c), baseUpper};
      }
    }
    // Punctuation and symbols before digits, everything else after z.
    if (c < 0x80 || (c >= 0xA0 && c < 0xC0)) return {0x100u + c, 0, 0};
    return {0x20000u + c, 0, 0};
  }

  std::array<TWeight, 0x180> table_;
};

const TTurkishTable& Table() {
  static const TTurkishTable table;
  return table;
}

int Sign(long long v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Fills out (reused between calls, so comparisons do not allocate).
void ToWide32(std::u16string_view text, bool fold, locale_t loc, std::wstring& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    wchar_t w = static_cast<wchar_t>(c);
    out.push_back(fold ? static_cast<wchar_t>(towlower_l(static_cast<wint_t>(w), loc)) : w);
  }
}

struct TCollationState {
  std::mutex Lock;
  bool Chosen = false;
  bool Turkish = false;
  locale_t Locale = nullptr;
};

TCollationState& State() {
  static TCollationState state;
  return state;
}

std::string EnvironmentLocale() {
  for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "C";
}

void Choose(TCollationState& state, const std::string& requested) {
  std::string name = requested.empty() ? EnvironmentLocale() : requested;
  if (state.Locale) {
    freelocale(state.Locale);
    state.Locale = nullptr;
  }
  state.Turkish = name.size() >= 2 && (name[0] == 't' || name[0] == 'T') && (name[1] == 'r' || name[1] == 'R') &&
                  (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '-' || name[2] == '@');
  state.Locale = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, name.c_str(), nullptr);
  if (!state.Locale) state.Locale = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (!state.Locale) state.Locale = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, "C", nullptr);
  state.Chosen = true;
}

TCollationState& Chosen() {
  auto& state = State();
  std::lock_guard<std::mutex> guard(state.Lock);
  if (!state.Chosen) Choose(state, "");
  return state;
}

int SystemCompare(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
  if (a == b) return 0;
  auto& state = Chosen();
  thread_local std::wstring wa, wb;
  ToWide32(a, ignoreCase, state.Locale, wa);
  ToWide32(b, ignoreCase, state.Locale, wb);
  int r = wcscoll_l(wa.c_str(), wb.c_str(), state.Locale);
  if (r != 0 || ignoreCase) return Sign(r);
  // Locales that collate two different names as equal still get a
  // deterministic order.
  return Sign(wa.compare(wb));
}

}  // namespace

void SetCollationLocale(const std::string& localeName) {
  auto& state = State();
  std::lock_guard<std::mutex> guard(state.Lock);
  Choose(state, localeName);
}

bool CollationIsTurkish() { return Chosen().Turkish; }

int TurkishCompare(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
  const auto& table = Table();
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint32_t pa = table.Get(a[i]).Primary, pb = table.Get(b[i]).Primary;
    if (pa != pb) return pa < pb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < n; ++i) {
    uint16_t sa = table.Get(a[i]).Secondary, sb = table.Get(b[i]).Secondary;
    if (sa != sb) return sa < sb ? -1 : 1;
  }
  if (ignoreCase) return 0;
  for (size_t i = 0; i < n; ++i) {
    uint8_t ta = table.Get(a[i]).Tertiary, tb = table.Get(b[i]).Tertiary;
    if (ta != tb) return ta < tb ? -1 : 1;
  }
  return Sign(a.compare(b));
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
  if (CollationIsTurkish()) return TurkishCompare(a, b, false);
  return SystemCompare(a, b, false);
}

int CompareTextIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (CollationIsTurkish()) return TurkishCompare(a, b, true);
  return SystemCompare(a, b, true);
}

}  // namespace qor
