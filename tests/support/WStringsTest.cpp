#include "support/WStrings.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace {

TEST(WStringsTest, NameValueAccessIsCaseInsensitiveByDefault) {
  TWStringList list;
  list.Add(u"Alpha=1");
  list.Add(u"beta=two=2");
  list.Add(u"no name here");
  EXPECT_EQ(list.IndexOf(u"ALPHA=1"), 0);
  EXPECT_EQ(list.IndexOfName(u"BETA"), 1);
  EXPECT_EQ(list.Values(u"beta"), u"two=2");
  EXPECT_EQ(list.Names(2), u"");
  EXPECT_EQ(list.IndexOfName(u"no name here"), -1);

  list.SetValue(u"ALPHA", u"9");
  EXPECT_EQ(list.Get(0), u"ALPHA=9");
  list.SetValue(u"gamma", u"3");
  EXPECT_EQ(list.Get(3), u"gamma=3");
  list.SetValue(u"gamma", u"");
  EXPECT_EQ(list.Count(), 3);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOfName(u"BETA"), -1);
  EXPECT_EQ(list.IndexOfName(u"beta"), 1);
}

TEST(WStringsTest, TurkishLettersFoldOutsideAscii) {
  EXPECT_TRUE(wstr::WideSameText(u"şarkı", u"ŞARKI"));
  EXPECT_EQ(wstr::WideUpperCase(u"çğöü"), u"ÇĞÖÜ");
  EXPECT_FALSE(wstr::WideSameText(u"ab", u"abc"));
}

TEST(WStringsTest, SortedListFindsAndInsertsInOrder) {
  TWStringList list;
  list.SetSorted(true);
  for (auto s : {u"delta", u"Alpha", u"charlie", u"bravo"}) list.Add(s);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(0), u"Alpha");
  EXPECT_EQ(list.Get(3), u"delta");
  int index = -1;
  EXPECT_TRUE(list.Find(u"CHARLIE", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find(u"c", index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(list.IndexOf(u"bravo"), 1);
  EXPECT_THROW(list.Put(0, u"x"), std::logic_error);
  EXPECT_THROW(list.Get(4), std::out_of_range);
}

TEST(WStringsTest, TextSplitsAtEveryLineBreakKind) {
  TWStringList list;
  list.SetText(u"a\r\nb\rc\nd\r\n\r\ne");
  ASSERT_EQ(list.Count(), 6);
  EXPECT_EQ(list.Get(3), u"d");
  EXPECT_EQ(list.Get(4), u"");
  EXPECT_EQ(list.Get(5), u"e");
  EXPECT_EQ(list.Text(), u"a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
}

TEST(WStringsTest, FileFormatIsUtf16LeWithMarkAndCrLf) {
  testkit::TempDir dir;
  TWStringList list;
  list.Add(u"ş");
  list.Add(u"x");
  std::string path = (dir / "list.txt").string();
  list.SaveToFile(path);
  EXPECT_EQ(testkit::TempDir::ReadFile(path), std::string("\xFF\xFE\x5F\x01\r\0\n\0x\0\r\0\n\0", 14));

  // Without the mark the bytes are still UTF-16LE from the first one; an
  // odd final byte is dropped.
  testkit::TempDir::WriteFile(path, std::string("a\0b\0\n\0c\0Z", 9));
  TWStringList loaded;
  loaded.LoadFromFile(path);
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.Get(0), u"ab");
  EXPECT_EQ(loaded.Get(1), u"c");

  EXPECT_THROW(loaded.LoadFromFile((dir / "missing").string()), std::runtime_error);
  // A folder in place of the file: the save fails and the folder stays.
  std::filesystem::create_directory(dir / "blocked");
  EXPECT_THROW(list.SaveToFile((dir / "blocked").string()), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "blocked"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
      << "no temporary file may be left behind";
}

TEST(WStringsTest, HashRotatesAndXorsEachUnit) {
  // h = rol2(rol2(0 ^ 'A') ^ 'B') = ((0x41 << 2) ^ 0x42)
  EXPECT_EQ(TWStringHash::HashOf(u"AB"), (0x41u << 2) ^ 0x42u);
  std::u16string longKey(20, u'\xFFFF');
  std::uint32_t h = 0;
  for (char16_t c : longKey) h = ((h << 2) | (h >> 30)) ^ c;
  EXPECT_EQ(TWStringHash::HashOf(longKey), h);

  TWStringHash hash;
  hash.Add(u"key", 1);
  hash.Add(u"key", 2);
  EXPECT_EQ(hash.ValueOf(u"key"), 2) << "the later entry sits at the head of its bucket";
  hash.Remove(u"key");
  EXPECT_EQ(hash.ValueOf(u"key"), 1);
  EXPECT_TRUE(hash.Modify(u"key", 7));
  EXPECT_EQ(hash.ValueOf(u"key"), 7);
  EXPECT_FALSE(hash.Modify(u"other", 1));
  EXPECT_EQ(hash.ValueOf(u"KEY"), -1);
}

TEST(WStringsTest, HashedListFollowsChangesAndPrefersTheLastDuplicate) {
  TWHashedStringList list;
  list.Add(u"a=1");
  list.Add(u"B=2");
  list.Add(u"a=3");
  EXPECT_EQ(list.IndexOfName(u"A"), 2);
  EXPECT_EQ(list.IndexOf(u"b=2"), 1);
  list.Delete(2);
  EXPECT_EQ(list.IndexOfName(u"a"), 0);
  list.Put(0, u"c=1");
  EXPECT_EQ(list.IndexOfName(u"a"), -1);
  EXPECT_EQ(list.IndexOfName(u"C"), 0);
  list.Insert(0, u"z=0");
  EXPECT_EQ(list.IndexOfName(u"c"), 1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOfName(u"C"), -1);
  list.Clear();
  EXPECT_EQ(list.IndexOf(u"z=0"), -1);
}

}  // namespace
