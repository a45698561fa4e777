#include "core/Encoding.h"

#include <array>
#include <cstdint>

namespace enc {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Windows-1254 differs from Latin-1 in 0x80..0x9F and in six Turkish
// letters. Undefined bytes map to the same code point, as Windows does.
constexpr std::array<char16_t, 32> kHigh80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178};

char16_t Cp1254Char(unsigned char c) {
  if (c < 0x80) return c;
  if (c < 0xA0) return kHigh80[c - 0x80];
  switch (c) {
    case 0xD0: return 0x011E;
    case 0xDD: return 0x0130;
    case 0xDE: return 0x015E;
    case 0xF0: return 0x011F;
    case 0xFD: return 0x0131;
    case 0xFE: return 0x015F;
    default: return c;
  }
}

// Decodes one UTF-8 sequence at text[i]; returns the code point or -1 and
// advances i past what was consumed (at least one byte).
int32_t DecodeUtf8(std::string_view text, size_t& i) {
  unsigned char c = static_cast<unsigned char>(text[i++]);
  if (c < 0x80) return c;
  int extra;
  int32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    extra = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    extra = 2;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    extra = 3;
    cp = c & 0x07;
  } else {
    return -1;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size()) return -1;
    unsigned char cc = static_cast<unsigned char>(text[i]);
    if ((cc & 0xC0) != 0x80) return -1;
    ++i;
    cp = (cp << 6) | (cc & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return -1;
  return cp;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

namespace {

// UTF-8 to UTF-16; what is not UTF-8 becomes U+FFFD, or with `keepBytes`
// each byte of it the unpaired surrogate U+DC00 + byte.
std::u16string DecodeToUtf16(std::string_view text, bool keepBytes) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = i;
    int32_t cp = DecodeUtf8(text, i);
    if (cp < 0 && keepBytes) {
      // Only the first byte is taken: the next one may begin a valid sequence.
      out += static_cast<char16_t>(0xDC00 | static_cast<unsigned char>(text[start]));
      i = start + 1;
    } else if (cp < 0) {
      out += kReplacement;
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) { return DecodeToUtf16(text, false); }

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size())
    if (DecodeUtf8(text, i) < 0) return false;
  return true;
}

std::u16string Cp1254ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += Cp1254Char(static_cast<unsigned char>(c));
  return out;
}

std::string Utf16ToCp1254(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    char found = '?';
    for (int b = 0x80; b <= 0xFF; ++b) {
      if (Cp1254Char(static_cast<unsigned char>(b)) == c) {
        found = static_cast<char>(b);
        break;
      }
    }
    out += found;
  }
  return out;
}

std::u16string BytesToWide(std::string_view text) {
  return IsValidUtf8(text) ? Utf8ToUtf16(text) : Cp1254ToUtf16(text);
}

std::string BytesToUtf8(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : Utf16ToUtf8(Cp1254ToUtf16(text));
}

std::u16string FileNameToWide(std::string_view name) { return DecodeToUtf16(name, true); }

std::string WideToFileName(std::u16string_view name) {
  std::string out;
  out.reserve(name.size());
  size_t from = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    // Only an unpaired U+DC80..U+DCFF stands for a byte: a low surrogate
    // after a high one is half of a character.
    bool escaped = i < name.size() && name[i] >= 0xDC80 && name[i] <= 0xDCFF &&
                   !(i > 0 && name[i - 1] >= 0xD800 && name[i - 1] <= 0xDBFF);
    if (i < name.size() && !escaped) continue;
    out += Utf16ToUtf8(name.substr(from, i - from));
    if (escaped) out += static_cast<char>(name[i] & 0xFF);
    from = i + 1;
  }
  return out;
}

std::u16string FileNameDisplay(std::u16string_view name) { return BytesToWide(WideToFileName(name)); }

}  // namespace enc
