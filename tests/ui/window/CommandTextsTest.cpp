// The share texts and the other texts of the commands.
#include <gtest/gtest.h>

#include "support/Encoding.h"
#include "support/URLUtils.h"
#include "ui/window/CommandTexts.h"

namespace {

using namespace ui;

// The message a share address carries, decoded.
std::u16string Carried(const std::string& address, const std::string& key) {
  size_t at = address.find(key + "=");
  EXPECT_NE(at, std::string::npos) << address;
  return enc::Utf8ToUtf16(URLDecode(address.substr(at + key.size() + 1)));
}

const std::string kLink = "http://qor.example/x1";  // 21 characters, as the deployed link

TEST(CommandTexts, ShareMessagesNameTheStationAndTheTitle) {
  EXPECT_EQ(ShareMessage(u"Radyo", u"", 140, 41), u"QOR ile ’Radyo’ dinliyorum.");
  EXPECT_EQ(ShareMessage(u"Radyo", u"Şarkı", 140, 41), u"QOR ile ’Radyo’ dinliyorum ve şimdi ’Şarkı’ çalıyor.");

  std::string tweet = ShareAddress(TShareSite::Twitter, u"Radyo", u"Şarkı", "https://twitter.example/", "", kLink);
  EXPECT_EQ(tweet.rfind("https://twitter.example/intent/tweet?text=", 0), 0u) << tweet;
  EXPECT_EQ(Carried(tweet, "text"),
            u"QOR ile ’Radyo’ dinliyorum ve şimdi ’Şarkı’ çalıyor.\r\nTavsiye ederim... " + enc::Utf8ToUtf16(kLink));

  // Facebook and Google+ carry the product's site with the message behind it.
  std::string facebook =
      ShareAddress(TShareSite::Facebook, u"Radyo", u"", "https://facebook.example", "http://site.example/", kLink);
  EXPECT_EQ(facebook.rfind("https://facebook.example/sharer/sharer.php?u=", 0), 0u) << facebook;
  EXPECT_EQ(Carried(facebook, "u"), u"http://site.example/?share=QOR ile ’Radyo’ dinliyorum. Tavsiye ederim...");
  std::string google = ShareAddress(TShareSite::GooglePlus, u"Radyo", u"", "plus.example", "http://site.example", kLink);
  EXPECT_EQ(google.rfind("https://plus.example/share?url=", 0), 0u) << google;
}

TEST(CommandTexts, LongTitlesAreCutToTheSitesLimit) {
  std::u16string title(300, u'ş');
  std::string tweet = ShareAddress(TShareSite::Twitter, u"Radyo", title, "https://t.example", "", kLink);
  std::u16string text = Carried(tweet, "text");
  EXPECT_EQ(text.size(), 140u);
  EXPECT_NE(text.find(u"şşş...’ çalıyor.\r\nTavsiye ederim... "), std::u16string::npos) << enc::Utf16ToUtf8(text);
  // A longer link still keeps the whole text within 140 characters.
  std::string longLink(60, 'x');
  text = Carried(ShareAddress(TShareSite::Twitter, u"Radyo", title, "https://t.example", "", longLink), "text");
  EXPECT_EQ(text.size(), 140u);
  // Without a title the name is cut; a name too long beside a title is cut
  // after the title.
  EXPECT_EQ(ShareMessage(std::u16string(500, u'a'), u"", 140, 41).size(), 99u);
  std::u16string both = ShareMessage(std::u16string(500, u'a'), u"Şarkı", 140, 41);
  EXPECT_LE(both.size() + 41, 140u);
  EXPECT_NE(both.find(u"a...’ dinliyorum ve şimdi ’...’"), std::u16string::npos) << enc::Utf16ToUtf8(both);

  // Facebook: message and " Tavsiye ederim..." come to 1024 characters.
  EXPECT_EQ(ShareMessage(u"Radyo", std::u16string(2000, u'x'), 1024, 18).size() + 18, 1024u);
  EXPECT_EQ(ShareMessage(u"Radyo", std::u16string(900, u'x'), 1024, 18).size(), 900u + 47u);
  // A cut never splits a character made of two code units.
  std::u16string notes;
  for (int i = 0; i < 200; ++i) notes += u"\U0001F3B5";
  std::u16string cut = ShareMessage(u"R", notes, 140, 41);
  size_t dots = cut.find(u"...");
  ASSERT_NE(dots, std::u16string::npos);
  EXPECT_FALSE(cut[dots - 1] >= 0xD800 && cut[dots - 1] <= 0xDBFF);
}

TEST(CommandTexts, SavedNamesAndFileEntries) {
  EXPECT_EQ(SavedListName("/home/u/liste", 2), "/home/u/liste.xml");
  EXPECT_EQ(SavedListName("/home/u/liste", 1), "/home/u/liste.rpf");
  EXPECT_EQ(SavedListName("/home/u/liste.txt", 2), "/home/u/liste.txt");
  EXPECT_EQ(SavedListName("/home/u.d/liste", 1), "/home/u.d/liste.rpf");

  EXPECT_EQ(FileEntryName("/müzik/Şarkı.Bir.mp3"), u"Şarkı.Bir");
  EXPECT_EQ(FileEntryAddress("/müzik/Şarkı.mp3"), "file:///müzik/Şarkı.mp3");
  // File names that are not UTF-8 are read as Turkish bytes.
  EXPECT_EQ(FileEntryName("/tmp/\xDE" "arki.mp3"), u"Şarki");
}

}  // namespace
