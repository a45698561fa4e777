#include "widgets/paint/DataDecode.h"

#include <cctype>

namespace widgets {

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DecodeBase64(std::string_view text) {
  std::string result;
  result.reserve(text.size() * 3 / 4);
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    int value = Base64Value(c);
    if (value < 0) continue;
    buffer = (buffer << 6) | unsigned(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      result += char((buffer >> bits) & 0xFF);
    }
  }
  return result;
}

std::string DecodeHex(std::string_view text) {
  std::string result;
  result.reserve(text.size() / 2);
  int high = -1;
  for (char c : text) {
    int value = HexValue(c);
    if (value < 0) continue;
    if (high < 0) {
      high = value;
    } else {
      result += char((high << 4) | value);
      high = -1;
    }
  }
  return result;
}

std::string DecodeData(std::string_view text, std::string_view encoding) {
  std::string name;
  for (char c : encoding) name += char(std::tolower(static_cast<unsigned char>(c)));
  return name == "base64" ? DecodeBase64(text) : DecodeHex(text);
}

}  // namespace widgets
