#include <gtest/gtest.h>

#include "engine/RadioPlayerTags.h"

TEST(PlayerTags, JoinsTagListsWithSemicolons) {
  const char list[] = "icy-br:128\0icy-name:Radio\0\0";
  EXPECT_EQ(JoinTagList(list), "icy-br:128;icy-name:Radio;;");
  EXPECT_EQ(JoinTagList(nullptr), "");
  EXPECT_EQ(JoinTagList("\0"), ";");
  // A list without its closing empty text stops at the limit.
  const char unterminated[4] = {'a', '\0', 'b', 'c'};
  EXPECT_EQ(JoinTagList(unterminated, sizeof unterminated), "a;;");
}

TEST(PlayerTags, BitrateMarkersInTheirOrder) {
  EXPECT_EQ(BitrateFromTags("icy-bitrate:64;icy-br:128;;"), 128) << "icy-br: is looked for first";
  EXPECT_EQ(BitrateFromTags("icy-bitrate: 64 ;;"), 64);
  EXPECT_EQ(BitrateFromTags("Bitrate=128000;Title=x;;"), 128);
  EXPECT_EQ(BitrateFromTags("Bitrate=999;;"), 0);
  EXPECT_EQ(BitrateFromTags("icy-name:x;;"), -1);
  EXPECT_EQ(BitrateFromTags(""), -1);
  EXPECT_EQ(BitrateFromTags("icy-br:128abc;;"), 0) << "not a number";
  EXPECT_EQ(BitrateFromTags("icy-br:;;"), 0);
  EXPECT_EQ(BitrateFromTags("icy-br:99999999999999999999;;"), 0);
}

TEST(PlayerTags, TitleFromMetadataOrHeaderTags) {
  EXPECT_EQ(TitleFromTags("StreamTitle='Artist - Song';StreamUrl='';", ""), "Artist - Song");
  EXPECT_EQ(TitleFromTags("StreamTitle='Artist - Song -';", ""), "Artist - Song") << "one trailing dash goes";
  EXPECT_EQ(TitleFromTags("StreamTitle='Artist - Song", ""), "") << "no closing semicolon";
  EXPECT_EQ(TitleFromTags("StreamTitle='A\x01\x1f B';", ""), "A B") << "control characters dropped";
  // Header tags when the metadata has no title.
  EXPECT_EQ(TitleFromTags("", "title=Song;author=Maker;;"), "Song - Maker");
  EXPECT_EQ(TitleFromTags("", "author= Maker ;;"), "Maker");
  EXPECT_EQ(TitleFromTags("", "title='Song';;"), "Song");
  EXPECT_EQ(TitleFromTags("", "icy-name:x;;"), "");
  EXPECT_EQ(TitleFromTags("", ""), "");
}

TEST(PlayerTags, TitlesAreUtf8WithTurkishFallbackAndEntities) {
  EXPECT_EQ(TitleFromTags("StreamTitle='\xC5\x9E\x61rk\xC4\xB1';", ""), "\xC5\x9E\x61rk\xC4\xB1") << "UTF-8 kept";
  // Windows-1254: 0xDE is S with cedilla, 0xFD dotless i.
  EXPECT_EQ(TitleFromTags("StreamTitle='\xDE\x61rk\xFD';", ""), "\xC5\x9E\x61rk\xC4\xB1") << "not UTF-8: read as 1254";
  EXPECT_EQ(TitleFromTags("StreamTitle='&#350;ark&#305; &#x15E;';StreamUrl='';", ""), "\xC5\x9E\x61rk\xC4\xB1 \xC5\x9E")
      << "a quoted title runs to its closing quote, past the references' semicolons";
  EXPECT_EQ(TitleFromTags("StreamTitle='It's;x';", ""), "It's;x");
  EXPECT_EQ(TitleFromTags("StreamTitle=plain;x;", ""), "plain");
  EXPECT_EQ(UnescapeCharacterReferences("a &#; &#xZZ; &#99999999; &amp; &#65"), "a &#; &#xZZ; &#99999999; &amp; &#65");
  EXPECT_EQ(UnescapeCharacterReferences("&#55296;"), "&#55296;") << "a lone surrogate stays text";
}
