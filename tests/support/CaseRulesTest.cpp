// Protocol and format names keep the ASCII case rules under a Turkish
// locale, where the C library lower-cases "I" to "I" and upper-cases "i"
// to "i": header names, schemes, deployment keys and hex digits in any case.
#include <gtest/gtest.h>

#include <cctype>

#include "Locale.h"
#include "TempDir.h"
#include "support/AsciiCase.h"
#include "support/Deploy.h"
#include "support/URLUtils.h"

namespace {

TEST(CaseRules, AsciiHelpersIgnoreTheTurkishLocale) {
  testkit::TLocaleScope turkish;
  ASSERT_TRUE(turkish.Active()) << "locale-gen tr_TR.UTF-8";
  // The hazard is real under this locale: the C library keeps "I".
  EXPECT_NE(std::tolower('I'), 'i');
  EXPECT_EQ(ascii::Lower("ICY-METAINT: 8000"), "icy-metaint: 8000");
  EXPECT_EQ(ascii::Upper("file"), "FILE");
  EXPECT_TRUE(ascii::EqualsNoCase("Icy-MetaInt", "icy-metaint"));
  EXPECT_TRUE(ascii::StartsWithNoCase("[PLAYLIST]", "[playlist]"));
  EXPECT_TRUE(ascii::EndsWithNoCase("LIST.M3U8", ".m3u8"));
  EXPECT_EQ(ascii::FindNoCase("x STREAMTITLE=", "StreamTitle="), 2u);
  EXPECT_FALSE(ascii::EqualsNoCase("\xC4\xB0", "i"));  // a dotted capital I is no ASCII letter
  EXPECT_EQ(ascii::HexValue('F'), 15);
  EXPECT_EQ(ascii::HexValue(u'a'), 10);
  EXPECT_EQ(ascii::HexValue('g'), -1);
}

TEST(CaseRules, SchemesSplitInAnyCaseUnderTheTurkishLocale) {
  testkit::TLocaleScope turkish;
  ASSERT_TRUE(turkish.Active());
  TURLComponentStrings parts;
  ASSERT_TRUE(SplitURL("FILE:///music/a.mp3", parts));
  EXPECT_EQ(parts.Scheme, "FILE");
  EXPECT_EQ(parts.HostName, "");
  EXPECT_EQ(parts.URLPath, "/music/a.mp3");
  int port = 0;
  ASSERT_TRUE(SplitURL("HTTPS://Radio.Example:8443/Istanbul", parts, &port));
  EXPECT_EQ(parts.HostName, "Radio.Example");
  EXPECT_EQ(port, 8443);
  EXPECT_EQ(URLDecode("%C4%B0stanbul%2f%2F"), "\xC4\xB0stanbul//");
}

TEST(CaseRules, DeploymentKeysInAnyCaseUnderTheTurkishLocale) {
  testkit::TLocaleScope turkish;
  ASSERT_TRUE(turkish.Active());
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "deploy.ini", "[DEPLOY]\r\nVENDORAPIHOST = api.example\r\nCOUNTERHOST=count.example\r\n");
  deploy::Load(dir.Path(), dir / "no-settings");
  EXPECT_EQ(deploy::Value(deploy::VendorApiHost), "api.example");
  EXPECT_EQ(deploy::Value("counterhost"), "count.example");
  deploy::Reset();
}

}  // namespace
