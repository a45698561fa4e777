#include "support/URLUtils.h"

#include <cctype>
#include "support/AsciiCase.h"
#include "support/Encoding.h"

namespace {

// Sizes of the buffers the address cracker was given, terminator included.
constexpr std::size_t kSchemeBuffer = 32;
constexpr std::size_t kHostBuffer = 256;
constexpr std::size_t kUserBuffer = 128;
constexpr std::size_t kPasswordBuffer = 128;
constexpr std::size_t kPathBuffer = 2048;
constexpr std::size_t kExtraBuffer = 2055;

using ascii::EqualsNoCase;
constexpr auto IsAsciiAlpha = ascii::IsAlpha;
constexpr auto IsAsciiDigit = ascii::IsDigit;

// Schemes whose addresses always name a server.
bool IsNetworkScheme(std::string_view scheme) {
  return EqualsNoCase(scheme, "http") || EqualsNoCase(scheme, "https") || EqualsNoCase(scheme, "ftp");
}

bool ParsePort(std::string_view text, int& port) {
  if (text.empty()) {
    port = 0;
    return true;
  }
  if (text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (!IsAsciiDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  if (value > 65535) return false;
  port = value;
  return true;
}

int HexValue(char c) { return ascii::HexValue(c); }

}  // namespace

bool SplitURL(std::string_view address, TURLComponentStrings& parts, int* port) {
  // The old cracker measured the address as a zero-terminated text.
  if (auto nul = address.find('\0'); nul != std::string_view::npos) address = address.substr(0, nul);

  std::size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string_view scheme = address.substr(0, colon);
  if (!IsAsciiAlpha(scheme[0])) return false;
  for (char c : scheme) {
    if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  if (scheme.size() >= kSchemeBuffer) return false;

  std::string_view rest = address.substr(colon + 1);
  std::string_view host;
  int portValue = 0;
  bool hasAuthority = rest.substr(0, 2) == "//";
  if (hasAuthority) {
    rest.remove_prefix(2);
    std::size_t end = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);

    std::string_view hostPort = authority;
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
      std::string_view userInfo = authority.substr(0, at);
      hostPort = authority.substr(at + 1);
      std::size_t sep = userInfo.find(':');
      std::string_view user = userInfo.substr(0, sep);
      std::string_view password = sep == std::string_view::npos ? std::string_view() : userInfo.substr(sep + 1);
      if (user.size() >= kUserBuffer || password.size() >= kPasswordBuffer) return false;
    }
    std::string_view portText;
    if (EqualsNoCase(scheme, "file")) {
      // File addresses carry no port: "file://C:/music" names drive "C:".
      host = hostPort;
    } else if (!hostPort.empty() && hostPort[0] == '[') {
      std::size_t close = hostPort.find(']');
      if (close == std::string_view::npos) return false;
      host = hostPort.substr(0, close + 1);
      std::string_view after = hostPort.substr(close + 1);
      if (!after.empty()) {
        if (after[0] != ':') return false;
        portText = after.substr(1);
      }
    } else {
      std::size_t sep = hostPort.find(':');
      host = hostPort.substr(0, sep);
      if (sep != std::string_view::npos) portText = hostPort.substr(sep + 1);
    }
    if (!ParsePort(portText, portValue)) return false;
    for (char c : host) {
      if (static_cast<unsigned char>(c) <= ' ') return false;
    }
    if (host.empty() && !EqualsNoCase(scheme, "file")) return false;
  } else if (IsNetworkScheme(scheme)) {
    return false;
  }
  if (host.size() >= kHostBuffer) return false;

  std::size_t extraStart = rest.find_first_of("?#");
  std::string_view path = rest.substr(0, extraStart);
  std::string_view extra = extraStart == std::string_view::npos ? std::string_view() : rest.substr(extraStart);
  if (path.size() >= kPathBuffer || extra.size() >= kExtraBuffer) return false;

  parts.Scheme.assign(scheme);
  parts.HostName.assign(host);
  parts.URLPath.assign(path);
  parts.ExtraInfo.assign(extra);
  if (port) *port = portValue;
  return true;
}

std::string URLEncode(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool keep = IsAsciiAlpha(ch) || IsAsciiDigit(ch) || c == '!' || c == '$' || c == '\'' || c == '(' ||
                c == ')' || c == '*' || c == '-' || c == '.' || c == '@' || c == '_';
    if (keep) {
      out.push_back(ch);
    } else if (c == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

TURLDecodeResult URLDecodeChecked(std::string_view text) {
  TURLDecodeResult result;
  result.Text.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '+') {
      result.Text.push_back(' ');
      ++i;
    } else if (c != '%') {
      result.Text.push_back(c);
      ++i;
    } else if (i + 1 < text.size() && text[i + 1] == '%') {
      result.Text.push_back('%');
      i += 2;
    } else if (i + 2 >= text.size()) {
      result.Error = TURLDecodeError::Truncated;
      result.Position = i + 1;
      return result;
    } else {
      int high = HexValue(text[i + 1]);
      int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) {
        result.Error = TURLDecodeError::BadHex;
        result.Position = i + 1;
        return result;
      }
      result.Text.push_back(static_cast<char>(high * 16 + low));
      i += 3;
    }
  }
  return result;
}

std::string URLDecode(std::string_view text) { return URLDecodeChecked(text).Text; }

std::string FileAddress(std::string_view path) {
  const bool utf8 = enc::IsValidUtf8(path);
  if (utf8 && path.find_first_of("?#") == std::string_view::npos) return "file://" + std::string(path);
  static const char digits[] = "0123456789ABCDEF";
  std::string address = "file://";
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '%' || c == '+' || c == '?' || c == '#' || (!utf8 && byte >= 0x80)) {
      address += '%';
      address += digits[byte >> 4];
      address += digits[byte & 15];
    } else {
      address += c;
    }
  }
  return address;
}
