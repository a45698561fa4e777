#include "engine/JsonReader.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonReader, ReadsPathsAsText) {
  auto json = ParseJson(R"({"args": {"video_id": "abc", "title": "\u015eark\u0131 \ud83c\udfb5", "length_seconds": 215,
                            "live": true, "none": null, "list": [1, "two", {"x": "y"}]}, "l": "http://s/1"})");
  ASSERT_TRUE(json);
  EXPECT_EQ(json->S("args.video_id"), "abc");
  EXPECT_EQ(json->W("args.title"), u"Şarkı 🎵");
  EXPECT_EQ(json->S("args.length_seconds"), "215");
  EXPECT_EQ(json->S("args.live"), "true");
  EXPECT_EQ(json->S("args.none"), "");
  EXPECT_EQ(json->S("args.list.1"), "two");
  EXPECT_EQ(json->S("args.list.2.x"), "y");
  EXPECT_EQ(json->S("args.list.9"), "");
  EXPECT_EQ(json->S("args.missing.deeper"), "");
  EXPECT_EQ(json->S("l"), "http://s/1");
  EXPECT_EQ(json->S("args"), "");  // objects have no text
  EXPECT_EQ(json->Length(), 0u);
}

TEST(JsonReader, RootArray) {
  auto json = ParseJson(R"([{"channel_id":"7","url":"u7"}, {"channel_id":8,"url":"u8"}])");
  ASSERT_TRUE(json);
  ASSERT_EQ(json->Length(), 2u);
  EXPECT_EQ(json->Item(0).S("url"), "u7");
  EXPECT_EQ(json->Item(1).S("channel_id"), "8");
  EXPECT_EQ(json->Find("1.url")->AsString(), "u8");
}

TEST(JsonReader, LenientAboutScriptObjects) {
  auto json = ParseJson(u"{ ServiceUrl: 'http://cdn.example/live', // comment\n"
                        u"  /* block */ SecurePath : \"a\\/b?x=1&app=2\", extra: [1,2,], }  ; trailing junk {");
  ASSERT_TRUE(json);
  EXPECT_EQ(json->S("ServiceUrl"), "http://cdn.example/live");
  EXPECT_EQ(json->S("SecurePath"), "a/b?x=1&app=2");
  EXPECT_EQ(json->Find("extra")->Length(), 2u);
  // The first complete value is taken and what follows is ignored.
  EXPECT_EQ(ParseJson("{\"a\":1}{\"a\":2}")->S("a"), "1");
  EXPECT_EQ(ParseJson(R"({"k":"\x41\u0042\q"})")->S("k"), "ABq");
  EXPECT_EQ(ParseJson(R"({"k":1,"k":2})")->S("k"), "2");
}

TEST(JsonReader, MalformedInputFailsCleanly) {
  for (const char* bad : {"", "   ", "{", "[1,2", "{\"a\" 1}", "{\"a\":}", "\"open", "{\"a\":\"b\\", "]", "-",
                          "{,}", "[,]", "{:2}"}) {
    EXPECT_EQ(ParseJson(bad), nullptr) << bad;
  }
  EXPECT_EQ(ParseJson("7 garbage")->S(""), "");
  // Lone surrogates become the replacement character, not broken UTF-8.
  EXPECT_EQ(ParseJson(R"(["\ud800x"])")->Item(0).AsWide(), u"\uFFFDx");
}

TEST(JsonReader, DeepNestingIsRefusedNotFollowed) {
  std::string deep(10000, '[');
  deep += std::string(10000, ']');
  EXPECT_EQ(ParseJson(deep), nullptr);
  std::string objects;
  for (int i = 0; i < 10000; ++i) objects += "{\"a\":";
  EXPECT_EQ(ParseJson(objects), nullptr);
  std::string fine(TJsonValue::kMaxDepth, '[');
  fine += std::string(TJsonValue::kMaxDepth, ']');
  EXPECT_NE(ParseJson(fine), nullptr);
}

}  // namespace
