#include "engine/RadioPlayerTags.h"

#include <cstdint>
#include <cstring>

#include "support/Encoding.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

// Whether `at` starts the next tag ("StreamUrl=...") or the end of the text.
bool StartsTagOrEnds(const std::string& text, std::size_t at) {
  std::size_t i = at;
  auto keyChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  };
  while (i < text.size() && keyChar(text[i])) ++i;
  return at == text.size() || (i > at && i < text.size() && text[i] == '=');
}

// The text after `key` up to the first ";" after it; empty when there is
// no ";" (the value is not complete). A quoted value runs to its closing
// "';": the first one followed by the next tag or the end, so that
// character references such as "&#350;" and titles such as "Guns';N Roses"
// are not cut short.
std::string ValueAfter(const std::string& text, std::size_t keyEnd) {
  std::size_t semi = std::string::npos;
  if (keyEnd < text.size() && text[keyEnd] == '\'') {
    std::size_t first = text.find("';", keyEnd + 1);
    for (std::size_t close = first; close != std::string::npos; close = text.find("';", close + 1)) {
      if (StartsTagOrEnds(text, close + 2)) {
        semi = close + 1;
        break;
      }
    }
    if (semi == std::string::npos && first != std::string::npos) semi = first + 1;
  }
  if (semi == std::string::npos) semi = text.find(';', keyEnd);
  if (semi == std::string::npos) return {};
  return text.substr(keyEnd, semi - keyEnd);
}

std::string Unquote(std::string value) {
  if (!value.empty() && value.front() == '\'') value.erase(0, 1);
  if (!value.empty() && value.back() == '\'') value.pop_back();
  return Trim(value);
}

bool ParseInt(const std::string& text, int64_t& value) {
  if (text.empty()) return false;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i >= text.size() || text.size() - i > 10) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  v = negative ? -v : v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = v;
  return true;
}

}  // namespace

std::string JoinTagList(const char* tags, std::size_t limit) {
  std::string out;
  if (tags == nullptr) return out;
  std::size_t pos = 0;
  while (pos < limit) {
    const char* item = tags + pos;
    std::size_t len = strnlen(item, limit - pos);
    if (len == 0 || pos + len >= limit) break;
    out.append(item, len);
    out += ';';
    pos += len + 1;
  }
  out += ';';
  return out;
}

int32_t BitrateFromTags(const std::string& tags) {
  if (tags.empty()) return -1;
  static const char* const markers[] = {"icy-br:", "icy-bitrate:", "Bitrate="};
  for (int m = 0; m < 3; ++m) {
    std::size_t at = tags.find(markers[m]);
    if (at == std::string::npos) continue;
    std::size_t start = at + std::strlen(markers[m]);
    std::size_t semi = tags.find(';', start);
    std::string value = Trim(std::string_view(tags).substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    int64_t number = 0;
    if (!ParseInt(value, number)) number = 0;
    if (m == 2) number /= 1000;
    return static_cast<int32_t>(number);
  }
  return -1;
}

std::string TitleFromTags(const std::string& meta, const std::string& headerTags) {
  std::string title;
  static const std::string streamTitle = "StreamTitle=";
  if (std::size_t at = meta.find(streamTitle); at != std::string::npos) {
    title = Unquote(ValueAfter(meta, at + streamTitle.size()));
  } else {
    if (std::size_t at = headerTags.find("title="); at != std::string::npos)
      title = Unquote(ValueAfter(headerTags, at + 6));
    if (std::size_t at = headerTags.find("author="); at != std::string::npos) {
      std::string author = Trim(ValueAfter(headerTags, at + 7));
      if (!title.empty()) title += " - ";
      title += author;
    }
  }
  if (title.empty()) return title;
  return CleanTitle(title);
}

std::string CleanTitle(std::string_view title) {
  std::string cleaned;
  cleaned.reserve(title.size());
  for (char c : title)
    if (static_cast<unsigned char>(c) >= 32) cleaned += c;
  if (!cleaned.empty() && cleaned.back() == '-') cleaned.pop_back();
  cleaned = Trim(cleaned);
  return UnescapeCharacterReferences(enc::BytesToUtf8(cleaned));
}

namespace {

// The few named references that servers put into titles ("Tom &amp;
// Jerry"); a no-break space becomes a plain one, as the marquee and a
// recording's file name want it.
struct TNamedReference {
  std::string_view Name;  // with its "&" and ";"
  char Character;
};
constexpr TNamedReference kNamedReferences[] = {{"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''},
                                                {"&lt;", '<'},  {"&gt;", '>'},   {"&nbsp;", ' '}};

}  // namespace

std::string UnescapeCharacterReferences(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '#') {
      const TNamedReference* found = nullptr;
      for (const auto& reference : kNamedReferences)
        if (text.compare(i, reference.Name.size(), reference.Name) == 0) found = &reference;
      if (found) {
        out += found->Character;
        i += found->Name.size();
        continue;
      }
    }
    if (text[i] == '&' && i + 2 < text.size() && text[i + 1] == '#') {
      std::size_t j = i + 2;
      bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
      if (hex) ++j;
      uint32_t cp = 0;
      std::size_t digits = 0;
      while (j < text.size() && digits < 8) {
        char c = text[j];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) break;
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        ++digits;
        ++j;
      }
      bool valid = digits > 0 && j < text.size() && text[j] == ';' && cp > 0 && cp <= 0x10FFFF &&
                   !(cp >= 0xD800 && cp <= 0xDFFF);
      if (valid) {
        enc::AppendUtf8(out, cp);
        i = j + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}
