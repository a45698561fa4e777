#include <gtest/gtest.h>

#include "engine/RadioPlayerTags.h"
#include "support/Encoding.h"

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
  // The closing quote is the one before the next tag or the end.
  EXPECT_EQ(TitleFromTags("StreamTitle='Guns';N Roses - Patience';StreamUrl='';", ""), "Guns';N Roses - Patience");
  EXPECT_EQ(TitleFromTags("StreamTitle='Guns';N Roses';", ""), "Guns';N Roses");
  EXPECT_EQ(TitleFromTags("StreamTitle='307 Ba&#350;ka';StreamUrl='';", ""), "307 Ba\xC5\x9Eka");
  EXPECT_EQ(TitleFromTags("StreamTitle=plain;x;", ""), "plain");
  EXPECT_EQ(UnescapeCharacterReferences("a &#; &#xZZ; &#99999999; &#65"), "a &#; &#xZZ; &#99999999; &#65");
  EXPECT_EQ(UnescapeCharacterReferences("&#55296;"), "&#55296;") << "a lone surrogate stays text";
}

TEST(PlayerTags, NamedEntitiesOfOldServersAreReadOnce) {
  EXPECT_EQ(TitleFromTags("StreamTitle='Tom &amp; Jerry - &quot;Yaz&quot; &lt;canl&#305;&gt;';StreamUrl='';", ""),
            "Tom & Jerry - \"Yaz\" <canl\xC4\xB1>");
  EXPECT_EQ(TitleFromTags("StreamTitle='Rock&apos;n&nbsp;Roll';", ""), "Rock'n Roll");
  // What a reference gives is not read again, and near-misses stay text.
  EXPECT_EQ(UnescapeCharacterReferences("&amp;#350; &amp;amp; &amp &AMP; &lt &copy; & ;&"),
            "&#350; &amp; &amp &AMP; &lt &copy; & ;&");
}

TEST(PlayerTags, GarbageFromTheNetworkNeverBreaksTheReaders) {
  // Metadata and header texts come from any server: random bytes and
  // near-misses of the markers must give bounded, valid results.
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  const char* pieces[] = {"StreamTitle=", "'", ";", "&#", "&#x", "title=", "author=", "icy-br:", "Bitrate=",
                          "-", "\xC5", "\x9E", "\xFF", "1", "9999999999", " ", "\x01", "\0"};
  for (int i = 0; i < 500; ++i) {
    std::string text;
    int parts = static_cast<int>(next() % 24);
    for (int p = 0; p < parts; ++p) {
      if (next() % 3 == 0)
        text += static_cast<char>(next() & 0xFF);
      else
        text += pieces[next() % (sizeof pieces / sizeof pieces[0])];
    }
    std::string title = TitleFromTags(text, text);
    EXPECT_LE(title.size(), text.size() * 3);
    EXPECT_TRUE(enc::IsValidUtf8(title)) << "titles are always UTF-8";
    BitrateFromTags(text);
    std::string list = text + std::string(2, '\0');
    std::string joined = JoinTagList(list.data(), list.size());
    EXPECT_LE(joined.size(), list.size() + 1);
    std::string utf8 = enc::BytesToUtf8(text);
    EXPECT_TRUE(enc::IsValidUtf8(UnescapeCharacterReferences(utf8)));
  }
}
