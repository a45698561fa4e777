#include "engine/YouTube.h"

#include <gtest/gtest.h>

namespace {

template <typename E>
std::string ErrorOf(const std::string& text) {
  try {
    HTTPDecode(text);
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

TEST(YouTubeDecode, DecodesAndRaisesWithPositions) {
  EXPECT_EQ(HTTPDecode("a+b%20x%%d"), "a b x%d");
  EXPECT_EQ(HTTPDecode("%41%42"), "AB");
  EXPECT_EQ(HTTPDecode(""), "");
  EXPECT_EQ(ErrorOf<EWebBrokerException>("abc%4"), "Error decoding URL style (%XX) encoded string at position 4");
  EXPECT_EQ(ErrorOf<EWebBrokerException>("%"), "Error decoding URL style (%XX) encoded string at position 1");
  EXPECT_EQ(ErrorOf<EConvertError>("ab%G1x"), "Invalid URL encoded character (%G1) at position 3");
  EXPECT_EQ(ErrorOf<EConvertError>("%%%zz"), "Invalid URL encoded character (%zz) at position 3");
}

TEST(YouTubeSplit, StrictDelimiterRules) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitStrict("a b,c", ','), (V{"a b", "c"}));
  EXPECT_EQ(SplitStrict("a,,b", ','), (V{"a", "", "b"}));
  EXPECT_EQ(SplitStrict("a,", ','), (V{"a", ""}));
  EXPECT_EQ(SplitStrict(",", ','), (V{"", ""}));
  EXPECT_EQ(SplitStrict("", ','), V{});
  EXPECT_EQ(SplitStrict("\"x,y\",z", ','), (V{"x,y", "z"}));
  EXPECT_EQ(SplitStrict("\"say \"\"hi\"\"\",q", ','), (V{"say \"hi\"", "q"}));
  EXPECT_EQ(SplitStrict("\"open,end", ','), (V{"open,end"}));
  EXPECT_EQ(SplitStrict("\"ab\"cd,e", ','), (V{"ab", "cd", "e"}));
  EXPECT_EQ(SplitStrict("k=v=w", '='), (V{"k", "v", "w"}));
}

std::string Page(const std::string& config) {
  return "<html><script>var x = 1; ytplayer.config = " + config + " ;</script><p>after</p></html>";
}

TEST(YouTubePage, ReadsFormatsAndStreamMaps) {
  std::string config = R"({"args": {"video_id": "vid42", "title": "Ba\u015fl\u0131k", "length_seconds": "61",
    "fmt_list": "22/1280x720/9/0/115,18/640x360/9/0/115,5",
    "url_encoded_fmt_stream_map": "itag=22&url=http%3A%2F%2Fv.example%2Fa%3Fid%3D1&sig=S22&quality=hd720,quality=medium&type=video%2Fmp4%3B+codecs%3D%22avc1%22&fallback_host=fb.example&stereo3d=1&itag=18&url=http%3A%2F%2Fv.example%2Fb%3Fid%3D2&sig=S18&unknown=zz,itag=99"}})";
  TYouTubeInformation info;
  ASSERT_TRUE(ReadYouTubePage(Page(config), info));
  EXPECT_EQ(info.video_id, "vid42");
  EXPECT_EQ(info.title, u"Başlık");
  EXPECT_EQ(info.length_seconds, "61");
  ASSERT_EQ(info.formats.size(), 2u);  // "5" has no resolution part
  EXPECT_EQ(info.formats[1].itag, "18");
  EXPECT_EQ(info.formats[1].resolution, "640x360");
  ASSERT_EQ(info.streams.size(), 3u);
  const TYouTubeStreamMap& s = info.streams[1];
  EXPECT_EQ(s.itag, "18");
  EXPECT_EQ(s.resolution, "640x360");
  EXPECT_EQ(s.url, "http://v.example/b?id=2");
  EXPECT_EQ(s.type, "video/mp4; codecs=\"avc1\"");
  EXPECT_EQ(s.fallback_host, "fb.example");
  EXPECT_EQ(s.stereo3d, "1");
  EXPECT_EQ(s.quality, "medium");
  EXPECT_EQ(info.streams[2].resolution, "");
  EXPECT_EQ(YouTubeStreamAddress(info, "18"), "http://v.example/b?id=2&signature=S18");
  EXPECT_EQ(YouTubeStreamAddress(info, "22"), "http://v.example/a?id=1&signature=S22");
  EXPECT_EQ(YouTubeStreamAddress(info, "43"), "");
}

TEST(YouTubePage, MissingMarkersAndBadEscapes) {
  TYouTubeInformation info;
  EXPECT_FALSE(ReadYouTubePage("<html>no player here</html>", info));
  EXPECT_FALSE(ReadYouTubePage("ytplayer.config = {\"args\":{}}", info));  // no </script>
  EXPECT_FALSE(ReadYouTubePage(Page("{broken"), info));
  EXPECT_THROW(ReadYouTubePage(Page(R"({"args":{"url_encoded_fmt_stream_map":"itag=18&url=http%3"}})"), info),
               EWebBrokerException);
  EXPECT_THROW(ReadYouTubePage(Page(R"({"args":{"url_encoded_fmt_stream_map":"type=%ZZ"}})"), info), EConvertError);
  // Fields that are read verbatim are not decoded and cannot fail.
  ASSERT_TRUE(ReadYouTubePage(Page(R"({"args":{"url_encoded_fmt_stream_map":"sig=%ZZ&itag=18"}})"), info));
  EXPECT_EQ(YouTubeStreamAddress(info, "18"), "&signature=%ZZ");
}

}  // namespace
