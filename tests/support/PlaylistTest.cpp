// The one playlist reader under the audio library and the station lists.
#include <gtest/gtest.h>

#include <random>

#include "support/Playlist.h"

using namespace playlist;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (auto& c : data) c = static_cast<char>(random() % 256);
  return data;
}

TEST(Playlist, BinaryBytesAreNeverAPlaylist) {
  std::string junk = RandomBytes(100 * 1024, 7);
  EXPECT_FALSE(IsText(junk));
  EXPECT_EQ(Detect("", "stations.m3u", junk), TKind::None);
  EXPECT_EQ(Detect("audio/x-mpegurl", "http://h/list.m3u", junk), TKind::None);
  for (TKind kind : {TKind::M3u, TKind::Pls, TKind::Asx, TKind::Hls}) EXPECT_TRUE(Parse(kind, junk).empty());
  // A real list with one stray control byte in it is damaged: nothing.
  EXPECT_TRUE(Parse(TKind::M3u, "http://a/\n\x01http://b/\n").empty());
  // Old Turkish code page bytes, tabs and DOS line ends are text.
  EXPECT_TRUE(IsText("#EXTINF:1,\xDE" "ark\xFD\r\n\thttp://a/\r\n\x1A"));
}

TEST(Playlist, M3uAndPlsEntriesWithTitles) {
  auto m3u = Parse(TKind::M3u, "\xEF\xBB\xBF#EXTM3U\n#EXTINF:-1 group=\"a,b\",Kral FM\nhttp://k/\n\n  x.mp3 \n");
  ASSERT_EQ(m3u.size(), 2u);
  EXPECT_EQ(m3u[0].Address, "http://k/");
  EXPECT_EQ(m3u[0].Title, "Kral FM");
  EXPECT_EQ(m3u[1].Address, "x.mp3");
  EXPECT_EQ(m3u[1].Title, "") << "a title belongs to the next entry only";

  auto pls = Parse(TKind::Pls, "[Playlist]\nFile2=http://two/\nTitle2=Iki\nfile1=http://one/\n[other]\nFile3=http://x/\n");
  ASSERT_EQ(pls.size(), 2u);
  EXPECT_EQ(pls[0].Address, "http://one/");
  EXPECT_EQ(pls[1].Title, "Iki");
  // Long addresses are skipped, the count is bounded.
  std::string many = "[playlist]\nFile1=http://h/" + std::string(3000, 'x') + "\n";
  for (int i = 2; i < 200; ++i) many += "File" + std::to_string(i) + "=http://h/" + std::to_string(i) + "\n";
  auto bounded = Parse(TKind::Pls, many, 10);
  ASSERT_EQ(bounded.size(), 10u);
  EXPECT_EQ(bounded[0].Address, "http://h/2");
}

TEST(Playlist, AsxThroughTheXmlReaderToleratesCaseAndDamage) {
  auto asx = Parse(TKind::Asx,
                   "<ASX version=\"3\"><Title>List</Title>"
                   "<Entry><TITLE>Radyo &amp; Bir</TITLE><Ref HREF='http://a/s?x=1&amp;y=2'/></Entry>"
                   "<entry><ref href=\"mms://b/\"></entry>"
                   "<entry><ref/></entry>");
  ASSERT_EQ(asx.size(), 2u);
  EXPECT_EQ(asx[0].Address, "http://a/s?x=1&y=2");
  EXPECT_EQ(asx[0].Title, "Radyo & Bir");
  EXPECT_EQ(asx[1].Address, "mms://b/");
  // Cut off in the middle: what was read before stays.
  auto cut = Parse(TKind::Asx, "<asx><entry><ref href=\"http://a/\"/></entry><entry><ref hr");
  ASSERT_GE(cut.size(), 1u);
  EXPECT_EQ(cut[0].Address, "http://a/");
  // A title in the old code page comes out as UTF-8.
  auto old = Parse(TKind::Asx, "<asx><entry><title>\xDE" "ark\xFD</title><ref href=\"http://c/\"/></entry></asx>");
  ASSERT_EQ(old.size(), 1u);
  EXPECT_EQ(old[0].Title, "\xC5\x9E" "ark\xC4\xB1");
  // Deep nesting neither recurses without end nor crashes.
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<a>";
  deep += "<ref href=\"http://deep/\"/>";
  EXPECT_TRUE(Parse(TKind::Asx, "<asx>" + deep).empty());
}

TEST(Playlist, DetectsBytesFirstThenTypeThenName) {
  EXPECT_EQ(Detect("audio/mpeg", "x", "  [PLAYLIST]\nFile1=a"), TKind::Pls);
  EXPECT_EQ(Detect("", "x", "#extm3u\n#EXT-X-VERSION:3\n"), TKind::Hls);
  EXPECT_EQ(Detect("text/plain", "x", "<Asx>"), TKind::Asx);
  EXPECT_EQ(Detect("audio/x-scpls; charset=utf-8", "x", "File1=a"), TKind::Pls);
  EXPECT_EQ(Detect("", "/home/u/Best #1.M3U8", "http://a/"), TKind::M3u) << "a file name keeps its '#'";
  EXPECT_EQ(Detect("", "http://h/list.asx?x=1#y", "http://a/"), TKind::Asx);
  EXPECT_EQ(Detect("", "notes.txt", "http://a/"), TKind::None);
  EXPECT_EQ(Detect("", "a.pls", ""), TKind::None) << "nothing to read";
}

}  // namespace
