#include "app/FormatSettings.h"

#include <clocale>

#include <gtest/gtest.h>

namespace {

using namespace app;

TEST(FormatSettingsTest, TimesRoundTripAndRejectNonsense) {
  EXPECT_EQ(FormatTime(0), u"00:00:00");
  EXPECT_EQ(FormatTime(EncodeTime(23, 59, 59)), u"23:59:59");
  // The date part is ignored.
  EXPECT_EQ(FormatTime(45000 + EncodeTime(7, 5, 3)), u"07:05:03");
  for (int s : {0, 1, 59, 3600, 45296, 86399}) {
    TDateTime t = EncodeTime(s / 3600, s / 60 % 60, s % 60);
    TDateTime back = -1;
    ASSERT_TRUE(TryParseTime(FormatTime(t), back)) << s;
    EXPECT_EQ(FormatTime(back), FormatTime(t));
  }
  TDateTime t = -1;
  EXPECT_TRUE(TryParseTime(u" 1:2 ", t));
  EXPECT_EQ(FormatTime(t), u"01:02:00");
  for (auto bad : {u"", u"12", u"24:00:00", u"10:60:00", u"10:00:60", u"1:2:3:4", u"aa:bb:cc", u"10:00:",
                   u"100:00:00", u"10.00.00", u"-1:00:00"}) {
    EXPECT_FALSE(TryParseTime(bad, t)) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
  }
}

TEST(FormatSettingsTest, DatesUseDotsDayFirst) {
  EXPECT_EQ(FormatDate(0), u"30.12.1899");
  EXPECT_EQ(FormatDate(EncodeDate(2024, 2, 29) + 0.75), u"29.02.2024");
  TDateTime d = 0;
  ASSERT_TRUE(TryParseDate(u"01.03.2024", d));
  EXPECT_EQ(d, EncodeDate(2024, 3, 1));
  EXPECT_FALSE(TryParseDate(u"29.02.2023", d));
  EXPECT_FALSE(TryParseDate(u"2024-03-01", d));
  EXPECT_FALSE(TryParseDate(u"1.3.", d));
}

TEST(FormatSettingsTest, NumbersIgnoreTheLocale) {
  // A locale with a decimal comma must not leak into files.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "tr_TR.UTF-8");
  EXPECT_EQ(FormatNumber(1234567.891, 2, true), u"1,234,567.89");
  EXPECT_EQ(FormatNumber(-1234.5, 1, true), u"-1,234.5");
  EXPECT_EQ(FormatNumber(5.1, 2), u"5.10");
  EXPECT_EQ(FormatNumber(999, 0, true), u"999");
  double v = 0;
  EXPECT_TRUE(TryParseNumber(u"5.10", v));
  EXPECT_DOUBLE_EQ(v, 5.1);
  EXPECT_TRUE(TryParseNumber(u" -2 ", v));
  EXPECT_DOUBLE_EQ(v, -2);
  EXPECT_FALSE(TryParseNumber(u"5,10", v));
  EXPECT_FALSE(TryParseNumber(u"5.1.0", v));
  EXPECT_FALSE(TryParseNumber(u"", v));
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_LOG_(INFO) << "no comma locale installed; checked under C only";
}

}  // namespace
