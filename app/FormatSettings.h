// The fixed format settings: every date, time and number that the program
// writes into its files or reads back uses these, whatever the locale says.
#pragma once

#include <string>
#include <string_view>

namespace app {

struct TFormatSettings {
  char16_t ThousandSeparator = u',';
  char16_t DecimalSeparator = u'.';
  char16_t DateSeparator = u'.';
  char16_t TimeSeparator = u':';
  std::u16string_view ShortDateFormat = u"dd.mm.yyyy";
  std::u16string_view LongDateFormat = u"dd mmmm yyyy";
  std::u16string_view ShortTimeFormat = u"h:n:s";
  std::u16string_view LongTimeFormat = u"hh:nn:ss";
};

inline constexpr TFormatSettings FormatSettings{};

// Date-time values count days since 30.12.1899; the time of day is the
// fraction.
using TDateTime = double;

// "hh:nn:ss" of the time-of-day part.
std::u16string FormatTime(TDateTime value);
// Accepts "h:n" and "h:n:s" (one or two digits each, hours below 24,
// minutes and seconds below 60, blanks around). The result is the fraction
// of a day.
bool TryParseTime(std::u16string_view text, TDateTime& value);

// "dd.mm.yyyy" of the date part.
std::u16string FormatDate(TDateTime value);
bool TryParseDate(std::u16string_view text, TDateTime& value);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second);

// Decimal "." and, when thousands is set, "," between groups of three.
std::u16string FormatNumber(double value, int decimals, bool thousands = false);
// Decimal "." only; the whole text must be the number (blanks around are
// allowed). Independent of the C locale.
bool TryParseNumber(std::u16string_view text, double& value);

}  // namespace app
