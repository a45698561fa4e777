#include "engine/JsonReader.h"

#include <cstdint>

#include "support/Encoding.h"
#include "support/AsciiCase.h"

namespace {

const std::string kEmpty;

bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

int Hex(char c) { return ascii::HexValue(c); }

}  // namespace

class TJsonParser {
 public:
  explicit TJsonParser(std::string_view text) : s_(text) {}

  bool ParseValue(TJsonValue& out, int depth) {
    if (depth > TJsonValue::kMaxDepth) return false;
    SkipSpace();
    if (p_ >= s_.size()) return false;
    char c = s_[p_];
    if (c == '{') return ParseObject(out, depth);
    if (c == '[') return ParseArray(out, depth);
    if (c == '"' || c == '\'') {
      out.kind_ = TJsonValue::TKind::String;
      return ParseString(out.text_);
    }
    if (c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9')) return ParseNumber(out);
    if (IsIdentChar(c)) {
      std::string word = Identifier();
      if (word == "true" || word == "false") {
        out.kind_ = TJsonValue::TKind::Bool;
        out.text_ = word;
      } else if (word == "null" || word == "undefined") {
        out.kind_ = TJsonValue::TKind::Null;
      } else {
        out.kind_ = TJsonValue::TKind::String;  // a bare word, read as text
        out.text_ = word;
      }
      return true;
    }
    return false;
  }

 private:
  void SkipSpace() {
    while (p_ < s_.size()) {
      char c = s_[p_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        ++p_;
      } else if (c == '/' && p_ + 1 < s_.size() && s_[p_ + 1] == '/') {
        while (p_ < s_.size() && s_[p_] != '\n') ++p_;
      } else if (c == '/' && p_ + 1 < s_.size() && s_[p_ + 1] == '*') {
        std::size_t end = s_.find("*/", p_ + 2);
        p_ = end == std::string_view::npos ? s_.size() : end + 2;
      } else {
        break;
      }
    }
  }

  std::string Identifier() {
    std::size_t start = p_;
    while (p_ < s_.size() && IsIdentChar(s_[p_])) ++p_;
    return std::string(s_.substr(start, p_ - start));
  }

  bool ParseNumber(TJsonValue& out) {
    std::size_t start = p_;
    if (s_[p_] == '-' || s_[p_] == '+') ++p_;
    bool digits = false;
    while (p_ < s_.size()) {
      char c = s_[p_];
      if (c >= '0' && c <= '9') {
        digits = true;
        ++p_;
      } else if (c == '.' || c == 'e' || c == 'E' || ((c == '-' || c == '+') && (s_[p_ - 1] == 'e' || s_[p_ - 1] == 'E'))) {
        ++p_;
      } else {
        break;
      }
    }
    if (!digits) return false;
    out.kind_ = TJsonValue::TKind::Number;
    out.text_ = std::string(s_.substr(start, p_ - start));
    return true;
  }

  bool ReadHex(std::size_t count, uint32_t& value) {
    if (p_ + count > s_.size()) return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      int h = Hex(s_[p_ + i]);
      if (h < 0) return false;
      value = value * 16 + static_cast<uint32_t>(h);
    }
    p_ += count;
    return true;
  }

  bool ParseString(std::string& out) {
    char quote = s_[p_++];
    while (p_ < s_.size()) {
      char c = s_[p_++];
      if (c == quote) return true;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (p_ >= s_.size()) return false;
      char e = s_[p_++];
      switch (e) {
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'v': out.push_back('\v'); break;
        case '0': out.push_back('\0'); break;
        case 'x': {
          uint32_t v;
          if (ReadHex(2, v)) enc::AppendUtf8(out, v);
          else out.push_back('x');
          break;
        }
        case 'u': {
          uint32_t v;
          if (!ReadHex(4, v)) {
            out.push_back('u');
            break;
          }
          if (v >= 0xD800 && v <= 0xDBFF && p_ + 1 < s_.size() && s_[p_] == '\\' && s_[p_ + 1] == 'u') {
            std::size_t save = p_;
            p_ += 2;
            uint32_t low;
            if (ReadHex(4, low) && low >= 0xDC00 && low <= 0xDFFF) {
              v = 0x10000 + ((v - 0xD800) << 10) + (low - 0xDC00);
            } else {
              p_ = save;
              v = 0xFFFD;
            }
          } else if (v >= 0xD800 && v <= 0xDFFF) {
            v = 0xFFFD;
          }
          enc::AppendUtf8(out, v);
          break;
        }
        default: out.push_back(e); break;  // \" \\ \/ \' and unknown ones
      }
    }
    return false;  // unterminated
  }

  bool ParseArray(TJsonValue& out, int depth) {
    out.kind_ = TJsonValue::TKind::Array;
    ++p_;
    for (;;) {
      SkipSpace();
      if (p_ >= s_.size()) return false;
      if (s_[p_] == ']') {
        ++p_;
        return true;
      }
      out.items_.emplace_back();
      if (!ParseValue(out.items_.back(), depth + 1)) return false;
      SkipSpace();
      if (p_ >= s_.size()) return false;
      if (s_[p_] == ',') {
        ++p_;
      } else if (s_[p_] != ']') {
        return false;
      }
    }
  }

  bool ParseObject(TJsonValue& out, int depth) {
    out.kind_ = TJsonValue::TKind::Object;
    ++p_;
    for (;;) {
      SkipSpace();
      if (p_ >= s_.size()) return false;
      if (s_[p_] == '}') {
        ++p_;
        return true;
      }
      std::string key;
      if (s_[p_] == '"' || s_[p_] == '\'') {
        if (!ParseString(key)) return false;
      } else if (IsIdentChar(s_[p_])) {
        key = Identifier();
      } else {
        return false;
      }
      SkipSpace();
      if (p_ >= s_.size() || s_[p_] != ':') return false;
      ++p_;
      TJsonValue value;
      if (!ParseValue(value, depth + 1)) return false;
      out.members_.emplace_back(std::move(key), std::move(value));
      SkipSpace();
      if (p_ >= s_.size()) return false;
      if (s_[p_] == ',') {
        ++p_;
      } else if (s_[p_] != '}') {
        return false;
      }
    }
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

std::u16string TJsonValue::AsWide() const { return enc::Utf8ToUtf16(text_); }

const TJsonValue* TJsonValue::Member(std::string_view key) const {
  for (auto it = members_.rbegin(); it != members_.rend(); ++it)
    if (it->first == key) return &it->second;
  return nullptr;
}

const TJsonValue* TJsonValue::Find(std::string_view path) const {
  const TJsonValue* node = this;
  std::size_t start = 0;
  while (node) {
    std::size_t dot = path.find('.', start);
    std::string_view part = path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (node->kind_ == TKind::Object) {
      node = node->Member(part);
    } else if (node->kind_ == TKind::Array && !part.empty() && part.size() < 10 &&
               part.find_first_not_of("0123456789") == std::string_view::npos) {
      std::size_t index = std::stoul(std::string(part));
      node = index < node->items_.size() ? &node->items_[index] : nullptr;
    } else {
      return nullptr;
    }
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return node;
}

std::string TJsonValue::S(std::string_view path) const {
  const TJsonValue* v = Find(path);
  return v ? v->text_ : kEmpty;
}

std::u16string TJsonValue::W(std::string_view path) const { return enc::Utf8ToUtf16(S(path)); }

std::unique_ptr<TJsonValue> ParseJson(std::string_view text) {
  auto value = std::make_unique<TJsonValue>();
  TJsonParser parser(text);
  if (!parser.ParseValue(*value, 0)) return nullptr;
  return value;
}

std::unique_ptr<TJsonValue> ParseJson(std::u16string_view text) { return ParseJson(enc::Utf16ToUtf8(text)); }

std::unique_ptr<TJsonValue> ParseJsonBetween(std::string_view page, std::string_view start, std::string_view end) {
  std::size_t at = page.find(start);
  if (at == std::string_view::npos) return nullptr;
  std::string_view rest = page.substr(at + start.size());
  std::size_t stop = rest.find(end);
  if (stop == std::string_view::npos) return nullptr;
  rest = rest.substr(0, stop);
  const char* space = " \t\r\n\f\v";
  std::size_t first = rest.find_first_not_of(space);
  if (first == std::string_view::npos) return ParseJson(std::string_view());
  return ParseJson(rest.substr(first, rest.find_last_not_of(space) - first + 1));
}
