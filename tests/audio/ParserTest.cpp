// The parsers of outside input inside the audio library: ICY metadata
// interleaving, playlists, and encoder command lines. Garbage must be
// survived with bounded results.
#include <gtest/gtest.h>

#include <random>

#include "audio/internal/IcyParser.h"
#include "audio/internal/Playlist.h"
#include "fuzz/FuzzTargets.h"

using namespace audio::detail;

namespace {

struct TSplit {
  std::string audio;
  std::vector<std::string> metas;
};

TSplit Feed(TIcyParser& parser, const std::string& data, size_t step) {
  TSplit out;
  for (size_t i = 0; i < data.size(); i += step)
    parser.Feed(data.data() + i, std::min(step, data.size() - i),
                [&](const char* p, size_t n) { out.audio.append(p, n); },
                [&](const std::string& m) { out.metas.push_back(m); });
  return out;
}

std::string MetaBlock(const std::string& text) {
  size_t blocks = (text.size() + 15) / 16;
  std::string padded = text;
  padded.resize(blocks * 16, '\0');
  return std::string(1, static_cast<char>(blocks)) + padded;
}

}  // namespace

TEST(IcyParser, SeparatesAudioAndMetadataWhateverTheChunking) {
  std::string audio1(100, 'a'), audio2(100, 'b'), audio3(40, 'c');
  std::string stream = audio1 + MetaBlock("StreamTitle='One';") + audio2 + std::string(1, '\0') + audio3;
  for (size_t step : {1u, 3u, 7u, 100u, 1000u}) {
    SCOPED_TRACE(step);
    TIcyParser parser;
    parser.Reset(100);
    TSplit split = Feed(parser, stream, step);
    EXPECT_EQ(split.audio, audio1 + audio2 + audio3);
    ASSERT_EQ(split.metas.size(), 1u);
    EXPECT_EQ(split.metas[0], "StreamTitle='One';");
  }
}

TEST(IcyParser, TruncatedBlockIsNeverReportedAndResetStartsAfresh) {
  TIcyParser parser;
  parser.Reset(10);
  std::string cut = std::string(10, 'x') + "\x05" + "StreamTitle='Hal";
  TSplit split = Feed(parser, cut, 4);
  EXPECT_TRUE(split.metas.empty());
  EXPECT_EQ(split.audio, std::string(10, 'x'));
  // A new connection: the parser starts at audio again.
  parser.Reset(10);
  split = Feed(parser, std::string(10, 'y') + MetaBlock("StreamTitle='New';") + "zz", 5);
  EXPECT_EQ(split.audio, std::string(10, 'y') + "zz");
  ASSERT_EQ(split.metas.size(), 1u);
  EXPECT_EQ(split.metas[0], "StreamTitle='New';");
}

TEST(IcyParser, MetaIntervalsAreBounded) {
  EXPECT_EQ(ParseMetaInt("8000"), 8000u);
  EXPECT_EQ(ParseMetaInt(" 16000\r\n"), 16000u);
  EXPECT_EQ(ParseMetaInt(""), 0u);
  EXPECT_EQ(ParseMetaInt("-5"), 0u);
  EXPECT_EQ(ParseMetaInt("12abc"), 0u);
  EXPECT_EQ(ParseMetaInt("99999999999999999999"), 0u);
  EXPECT_EQ(ParseMetaInt("2000000"), 0u);
  TIcyParser parser;
  parser.Reset(5u << 20);
  EXPECT_EQ(parser.MetaInt(), 0u);
}

TEST(Playlist, DetectsKindsByBytesTypeAndName) {
  EXPECT_EQ(DetectPlaylist("audio/mpeg", "http://h/x", "[playlist]\nFile1=http://a/"), TPlaylistKind::Pls);
  EXPECT_EQ(DetectPlaylist("text/plain", "http://h/x", "#EXTM3U\n#EXTINF:-1,x\nhttp://a/"), TPlaylistKind::M3u);
  EXPECT_EQ(DetectPlaylist("application/vnd.apple.mpegurl", "http://h/x", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n"),
            TPlaylistKind::Hls);
  EXPECT_EQ(DetectPlaylist("video/x-ms-asf", "http://h/x", "<ASX version=\"3\">"), TPlaylistKind::Asx);
  EXPECT_EQ(DetectPlaylist("audio/x-scpls", "http://h/x", "File1=http://a/"), TPlaylistKind::Pls);
  EXPECT_EQ(DetectPlaylist("", "http://h/radio.m3u?x=1", "http://a/stream\n"), TPlaylistKind::M3u);
  // Audio bytes are never a playlist, whatever the name says.
  EXPECT_EQ(DetectPlaylist("audio/mpeg", "http://h/radio.pls", std::string("\xff\xfb\x90\x00", 4)), TPlaylistKind::None);
  // A real ASF stream under the ASX type is audio.
  EXPECT_EQ(DetectPlaylist("video/x-ms-asf", "http://h/x", std::string("\x30\x26\xb2\x75", 4)), TPlaylistKind::None);
}

TEST(Playlist, ParsesEntriesInOrderMadeAbsolute) {
  auto pls = ParsePlaylist(TPlaylistKind::Pls,
                           "[playlist]\r\nNumberOfEntries=2\r\nFile1=http://one/a\r\nTitle1=x\r\nfile2=two.mp3\r\n",
                           "http://host:8000/dir/list.pls");
  ASSERT_EQ(pls.size(), 2u);
  EXPECT_EQ(pls[0], "http://one/a");
  EXPECT_EQ(pls[1], "http://host:8000/dir/two.mp3");
  auto m3u = ParsePlaylist(TPlaylistKind::M3u, "#EXTM3U\n#EXTINF:-1,Radio\n/abs\n\n  http://b/c  \n", "https://h/x/y.m3u");
  ASSERT_EQ(m3u.size(), 2u);
  EXPECT_EQ(m3u[0], "https://h/abs");
  EXPECT_EQ(m3u[1], "http://b/c");
  auto asx = ParsePlaylist(TPlaylistKind::Asx,
                           "<asx><entry><ref href='http://a/s?x=1&amp;y=2'/></entry><Entry><REF HREF=\"http://b/\"></Entry></asx>",
                           "http://h/");
  ASSERT_EQ(asx.size(), 2u);
  EXPECT_EQ(asx[0], "http://a/s?x=1&y=2");
  EXPECT_EQ(asx[1], "http://b/");
  EXPECT_EQ(ResolveUrl("http://h/a/b?q=/z", "c"), "http://h/a/c");
  EXPECT_EQ(ResolveUrl("https://h", "c"), "https://h/c");
  EXPECT_EQ(ResolveUrl("http://h/a", "//other/x"), "http://other/x");
}

TEST(Playlist, EntriesAreBounded) {
  std::string many = "[playlist]\n";
  for (int i = 0; i < 500; ++i) many += "File" + std::to_string(i) + "=http://h/" + std::to_string(i) + "\n";
  many += "File9999=http://h/" + std::string(5000, 'x') + "\n";
  auto entries = ParsePlaylist(TPlaylistKind::Pls, many, "http://h/");
  EXPECT_EQ(entries.size(), 64u);
  for (const auto& e : entries) EXPECT_LE(e.size(), 2100u);
}

TEST(Fuzz, ParsersSurviveRandomInput) {
  std::mt19937 random(12345);
  for (int i = 0; i < 400; ++i) {
    std::string data(random() % 3000, '\0');
    for (auto& c : data) c = static_cast<char>(random() % 256);
    // Sometimes make it look like the real thing, so deeper paths run.
    if (i % 4 == 1) data = "[playlist]\nFile1=" + data;
    if (i % 4 == 2) data = "#EXTM3U\n" + data;
    if (i % 4 == 3) data = "<asx><ref href=\"" + data;
    EXPECT_EQ(FuzzAudioParsers(reinterpret_cast<const uint8_t*>(data.data()), data.size()), 0);
  }
}
