#include "app/FormatSettings.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

namespace app {

namespace {

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

// Reads one to maxDigits digits at pos.
bool ReadDigits(std::u16string_view text, std::size_t& pos, std::size_t maxDigits, int& value) {
  std::size_t start = pos;
  value = 0;
  while (pos < text.size() && pos - start < maxDigits && text[pos] >= u'0' && text[pos] <= u'9')
    value = value * 10 + (text[pos++] - u'0');
  return pos > start && (pos >= text.size() || text[pos] < u'0' || text[pos] > u'9');
}

constexpr std::chrono::sys_days kEpoch = std::chrono::year{1899} / 12 / 30;

}  // namespace

TDateTime EncodeTime(int hour, int minute, int second) { return (hour * 3600 + minute * 60 + second) / 86400.0; }

void DecodeTime(TDateTime value, int& hour, int& minute, int& second) {
  double fraction = std::fabs(value - std::trunc(value));
  long long ms = std::llround(fraction * 86400000.0);
  long long total = ms / 1000;
  if (total >= 86400) total = 86399;
  hour = static_cast<int>(total / 3600);
  minute = static_cast<int>(total / 60 % 60);
  second = static_cast<int>(total % 60);
}

std::u16string FormatTime(TDateTime value) {
  int h, m, s;
  DecodeTime(value, h, m, s);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d%c%02d%c%02d", h, static_cast<char>(FormatSettings.TimeSeparator), m,
                static_cast<char>(FormatSettings.TimeSeparator), s);
  return Ascii(buffer);
}

bool TryParseTime(std::u16string_view text, TDateTime& value) {
  text = TrimBlanks(text);
  std::size_t pos = 0;
  int parts[3] = {0, 0, 0};
  int count = 0;
  while (count < 3) {
    if (!ReadDigits(text, pos, 2, parts[count])) return false;
    ++count;
    if (pos == text.size()) break;
    if (text[pos] != FormatSettings.TimeSeparator) return false;
    ++pos;
  }
  if (pos != text.size() || count < 2) return false;
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return false;
  value = EncodeTime(parts[0], parts[1], parts[2]);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  std::chrono::sys_days date = std::chrono::year{year} / month / day;
  return static_cast<double>((date - kEpoch).count());
}

std::u16string FormatDate(TDateTime value) {
  std::chrono::sys_days date = kEpoch + std::chrono::days{static_cast<long>(std::floor(value))};
  std::chrono::year_month_day ymd{date};
  char buffer[32];
  char sep = static_cast<char>(FormatSettings.DateSeparator);
  std::snprintf(buffer, sizeof buffer, "%02u%c%02u%c%04d", static_cast<unsigned>(ymd.day()), sep,
                static_cast<unsigned>(ymd.month()), sep, static_cast<int>(ymd.year()));
  return Ascii(buffer);
}

bool TryParseDate(std::u16string_view text, TDateTime& value) {
  text = TrimBlanks(text);
  std::size_t pos = 0;
  int day, month, year;
  if (!ReadDigits(text, pos, 2, day) || pos >= text.size() || text[pos++] != FormatSettings.DateSeparator) return false;
  if (!ReadDigits(text, pos, 2, month) || pos >= text.size() || text[pos++] != FormatSettings.DateSeparator) return false;
  if (!ReadDigits(text, pos, 4, year) || pos != text.size()) return false;
  std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                  std::chrono::day{static_cast<unsigned>(day)}};
  if (!ymd.ok() || year < 1) return false;
  value = EncodeDate(year, month, day);
  return true;
}

std::u16string FormatNumber(double value, int decimals, bool thousands) {
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  char buffer[512];
  int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) return u"";
  // snprintf follows the C locale for its decimal point; take it apart by
  // position instead of trusting the character.
  std::string text(buffer, static_cast<std::size_t>(n));
  std::string sign;
  if (!text.empty() && text[0] == '-') {
    sign = "-";
    text.erase(0, 1);
  }
  std::string integer = decimals > 0 ? text.substr(0, text.size() - static_cast<std::size_t>(decimals) - 1) : text;
  std::string fraction = decimals > 0 ? text.substr(text.size() - static_cast<std::size_t>(decimals)) : "";
  std::u16string result = Ascii(sign);
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (thousands && i > 0 && (integer.size() - i) % 3 == 0) result += FormatSettings.ThousandSeparator;
    result += static_cast<char16_t>(integer[i]);
  }
  if (decimals > 0) {
    result += FormatSettings.DecimalSeparator;
    result += Ascii(fraction);
  }
  return result;
}

bool TryParseNumber(std::u16string_view text, double& value) {
  text = TrimBlanks(text);
  if (text.empty() || text.size() > 64) return false;
  std::string ascii;
  for (char16_t c : text) {
    if (c == FormatSettings.DecimalSeparator) {
      ascii += '.';
    } else if ((c >= u'0' && c <= u'9') || c == u'-' || c == u'+' || c == u'e' || c == u'E') {
      ascii += static_cast<char>(c);
    } else {
      return false;
    }
  }
  const char* begin = ascii.data();
  if (*begin == '+') ++begin;
  double result = 0;
  auto [end, error] = std::from_chars(begin, ascii.data() + ascii.size(), result);
  if (error != std::errc() || end != ascii.data() + ascii.size()) return false;
  value = result;
  return true;
}

}  // namespace app
