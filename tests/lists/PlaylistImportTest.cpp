// M3U, M3U8 and PLS playlists read as station records.
#include <gtest/gtest.h>

#include "Locale.h"
#include "lists/PlaylistImport.h"

using namespace qor;

TEST(M3UImport, ExtinfTitlesAddressesAndPaths) {
  std::string text =
      "\xEF\xBB\xBF#EXTM3U\r\n"
      "#EXTINF:-1 tvg-name=\"a,b\" group-title=\"Pop, Rock\",Kral FM\r\n"
      "http://127.0.0.1:8000/kral\r\n"
      "\r\n"
      "# a comment\r\n"
      "https://127.0.0.1/untitled\n"
      "#EXTINF:123,Şarkı Radyo\n"
      "music/song.mp3\n"
      "#EXTINF:0,No address follows\n";
  auto records = ParseM3U(text, "/home/user/lists");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Name, u"Kral FM");
  EXPECT_EQ(records[0].Url, "http://127.0.0.1:8000/kral");
  EXPECT_EQ(records[1].Name, u"https://127.0.0.1/untitled");
  EXPECT_EQ(records[2].Name, u"Şarkı Radyo");
  EXPECT_EQ(records[2].Url, "file:///home/user/lists/music/song.mp3");
  EXPECT_TRUE(records[0].Key.empty());
}

TEST(M3UImport, OldCodePageTitlesAndAbsolutePaths) {
  // "Şarkı" in Windows-1254, as old Turkish M3U files have it.
  auto records = ParseM3U("#EXTINF:1,\xDE" "ark\xFD\n/srv/a.mp3\nC:relative\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Name, u"Şarkı");
  EXPECT_EQ(records[0].Url, "file:///srv/a.mp3");
  EXPECT_EQ(ParseM3U("").size(), 0u);
  EXPECT_EQ(ParseM3U("#EXTM3U\n#EXTINF:1,x\n").size(), 0u);
}

TEST(PlsImport, NumberedEntriesInOrder) {
  std::string text =
      "[playlist]\n"
      "NumberOfEntries=3\n"
      "File2=http://127.0.0.1/two\n"
      "Title2=İki\n"
      "File1=http://127.0.0.1/one\n"
      "Title10=Title without file\n"
      "File3 = http://127.0.0.1/three \n"
      "Title3=\n"
      "Length1=-1\n"
      "Version=2\n"
      "[other]\nFile4=http://ignored\n";
  auto records = ParsePls(text);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Url, "http://127.0.0.1/one");
  EXPECT_EQ(records[0].Name, u"http://127.0.0.1/one");
  EXPECT_EQ(records[1].Name, u"İki");
  EXPECT_EQ(records[2].Url, "http://127.0.0.1/three");
  EXPECT_EQ(ParsePls("File1=http://x\n").size(), 0u);  // outside the section
  EXPECT_EQ(ParsePls("[playlist]\nFilex=http://x\nFile99999999999=http://y\n").size(), 0u);
}

// A file that is not a playlist adds nothing, whatever it is called.
TEST(PlaylistImport, RandomBytesNamedM3uAddNoStation) {
  std::string junk(100 * 1024, '\0');
  unsigned seed = 99;
  for (auto& c : junk) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  EXPECT_EQ(DetectPlaylistKind("stations.m3u", junk), TPlaylistKind::Unknown);
  EXPECT_TRUE(ParseM3U(junk, "/tmp").empty());
  EXPECT_TRUE(ParsePls("[playlist]\n" + junk, "/tmp").empty());
}

TEST(PlaylistDetect, ContentFirstExtensionSecond) {
  EXPECT_EQ(DetectPlaylistKind("a.xml", "QORPLF...."), TPlaylistKind::ListFile);
  EXPECT_EQ(DetectPlaylistKind("a.m3u", "\xEF\xBB\xBF  <playlist/>"), TPlaylistKind::Xml);
  EXPECT_EQ(DetectPlaylistKind("a.txt", "[Playlist]\nFile1=x"), TPlaylistKind::Pls);
  EXPECT_EQ(DetectPlaylistKind("a.txt", "#EXTM3U\nx"), TPlaylistKind::M3U);
  EXPECT_EQ(DetectPlaylistKind("a.M3U8", "http://x"), TPlaylistKind::M3U);
  EXPECT_EQ(DetectPlaylistKind("a.pls", "junk"), TPlaylistKind::Pls);
  EXPECT_EQ(DetectPlaylistKind("broadcast.zip", "\x01\x02"), TPlaylistKind::ListFile);
  EXPECT_EQ(DetectPlaylistKind("a.doc", "junk"), TPlaylistKind::Unknown);
  EXPECT_EQ(DetectPlaylistKind("a.doc", std::string("\xFF\xFE<\0p\0", 6)), TPlaylistKind::Xml);
  EXPECT_EQ(DetectPlaylistKind("a.XML", "junk"), TPlaylistKind::Xml);
}

TEST(PlaylistCase, KeysAndMarkersInAnyCaseUnderTheTurkishLocale) {
  // GTK sets the user's locale; under a Turkish one the C library's
  // lower case of "I" is not "i", which must not matter to these keys.
  testkit::TLocaleScope turkish;
  ASSERT_TRUE(turkish.Active()) << "locale-gen tr_TR.UTF-8";
  auto pls = ParsePls("[PLAYLIST]\nFILE1=http://127.0.0.1/a\nTITLE1=İstanbul FM\nNumberOfEntries=1\n");
  ASSERT_EQ(pls.size(), 1u);
  EXPECT_EQ(pls[0].Url, "http://127.0.0.1/a");
  EXPECT_EQ(pls[0].Name, u"İstanbul FM");
  auto m3u = ParseM3U("#EXTM3U\n#EXTINF:1,Kanal I\nFILE:///music/a.mp3\n");
  ASSERT_EQ(m3u.size(), 1u);
  EXPECT_EQ(m3u[0].Url, "FILE:///music/a.mp3");
  EXPECT_EQ(DetectPlaylistKind("LISTE.PLS", "x"), TPlaylistKind::Pls);
  EXPECT_EQ(DetectPlaylistKind("LISTE.M3U", "x"), TPlaylistKind::M3U);
  EXPECT_EQ(DetectPlaylistKind("a.txt", "[PLAYLIST]\n"), TPlaylistKind::Pls);
}
