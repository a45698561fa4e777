#include "core/Encoding.h"

#include <gtest/gtest.h>

using namespace enc;

TEST(Encoding, Utf8RoundTripsBmpAndAstralCharacters) {
  std::string text = "İstanbul şarkı 🎵";  // source files are UTF-8
  std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide.substr(0, 9), u"İstanbul ");
  EXPECT_EQ(wide.size(), 9u + 6u + 2u);  // the note is a surrogate pair
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Encoding, InvalidUtf8IsReplacedNotDropped) {
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // encoded surrogate
  EXPECT_FALSE(IsValidUtf8("abc\xE2\x82"));       // truncated at the end
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Encoding, Windows1254TurkishLettersAndPunctuation) {
  // "ŞĞİ şğı" plus the euro sign and a right quotation mark
  std::string bytes = "\xDE\xD0\xDD \xFE\xF0\xFD \x80\x92";
  EXPECT_EQ(Cp1254ToUtf16(bytes), u"ŞĞİ şğı €’");
  EXPECT_EQ(Utf16ToCp1254(u"ŞĞİ şğı €’"), bytes);
  EXPECT_EQ(Utf16ToCp1254(u"Ж"), "?");
}

TEST(Encoding, BytesFallBackToWindows1254OnlyWhenNotUtf8) {
  EXPECT_EQ(BytesToWide("\xC3\xBC" "ks\xC3\xBC" "z"), u"üksüz");  // valid UTF-8 stays UTF-8
  EXPECT_EQ(BytesToWide("\xFC" "ks\xFC" "z"), u"üksüz");          // same text in 1254
  EXPECT_EQ(BytesToUtf8("K\xFDz"), "K\xC4\xB1z");                 // "Kız"
}

TEST(Encoding, FileNamesKeepTheirBytesThroughWideTexts) {
  // A Windows-1254 name, a truncated sequence before a valid letter, an
  // encoded surrogate and an astral character beside them.
  for (std::string name : {std::string("/tmp/\xDE" "ark\xFD.mp3"), std::string("/a\xE2\x82\xC3\xBC"),
                           std::string("/b\xED\xA0\x80/\xF0\x9F\x8E\xB5\xFF"), std::string("/müzik/Şarkı.mp3")}) {
    std::u16string wide = FileNameToWide(name);
    EXPECT_EQ(WideToFileName(wide), name);
    EXPECT_EQ(FileNameDisplay(wide), BytesToWide(name));
  }
  EXPECT_EQ(FileNameToWide("/müzik"), u"/müzik");  // UTF-8 names read as always
  EXPECT_EQ(FileNameToWide("a\xE2\x82\xC3\xBC"), u"a\xDCE2\xDC82ü");
  // Real characters are never taken for bytes, paired or not escaped.
  EXPECT_EQ(WideToFileName(u"\U0001F480"), "\xF0\x9F\x92\x80");
  EXPECT_EQ(WideToFileName(std::u16string(1, char16_t(0xDC10))), "\xEF\xBF\xBD");
}
