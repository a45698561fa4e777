// Station model: Turkish folding, search, lookup, ids and sorting.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "lists/Collation.h"
#include "lists/PlayList.h"
#include "lists/SearchFold.h"
#include "lists/TurkishCase.h"

using namespace qor;

namespace {

void AddStation(TPlayList& list, const std::u16string& name, int32_t id, const std::u16string& key = u"") {
  list.Add(MakeItem(key, id, name, "http://example.invalid/" + std::to_string(id)));
}

std::vector<int32_t> Ids(const TResultList& results) { return results.Values(); }

struct TCollationGuard {
  explicit TCollationGuard(const std::string& name) { SetCollationLocale(name); }
  ~TCollationGuard() { SetCollationLocale(""); }
};

}  // namespace

TEST(TurkishCase, TablesMapExactlyTheTurkishLetters) {
  EXPECT_EQ(TurkishLowerCase(u"ABCÇDEFGĞHIİJKLMNOÖPRSŞTUÜVYZQWX"), u"abcçdefgğhıijklmnoöprsştuüvyzqwx");
  EXPECT_EQ(TurkishUpperCase(u"abcçdefgğhıijklmnoöprsştuüvyzqwx"), u"ABCÇDEFGĞHIİJKLMNOÖPRSŞTUÜVYZQWX");
  EXPECT_EQ(TurkishLowerCase(u"ÂÎÛ"), u"âîû");
  EXPECT_EQ(TurkishUpperCase(u"âîû"), u"ÂÎÛ");
  // Everything outside the tables passes unchanged: digits, punctuation,
  // other accented letters, Cyrillic, surrogate pairs.
  std::u16string others = u"0123456789 .,-_/É é Ä ä ß Ж ж \U0001F3B5";
  EXPECT_EQ(TurkishLowerCase(others), others);
  EXPECT_EQ(TurkishUpperCase(others), others);
  EXPECT_EQ(TurkishLowerCase(u""), u"");
  EXPECT_EQ(TurkishUpperCase(u""), u"");
}

TEST(TurkishCase, FoldingKeepsTheLength) {
  std::u16string text = u"İSTANBUL ıI iİ ŞşĞğ";
  EXPECT_EQ(TurkishLowerCase(text).size(), text.size());
  EXPECT_EQ(TurkishUpperCase(text).size(), text.size());
  EXPECT_EQ(TurkishLowerCase(text), u"istanbul ıı ii şşğğ");
  EXPECT_EQ(TurkishUpperCase(text), u"İSTANBUL II İİ ŞŞĞĞ");
}

TEST(NameSearch, DottedAndDotlessIAreDifferentLetters) {
  TPlayList list;
  AddStation(list, u"İSTANBUL FM", 1);
  AddStation(list, u"ISPARTA RADYO", 2);
  AddStation(list, u"ılık esinti", 3);
  AddStation(list, u"istanbul klasik", 4);
  AddStation(list, u"Radyo Ankara", 5);
  TResultList results;

  EXPECT_EQ(SearchByName(list, u"istanbul", results), 2);
  EXPECT_EQ(Ids(results), (std::vector<int32_t>{1, 4}));
  EXPECT_EQ(SearchByName(list, u"ısparta", results), 1);
  EXPECT_EQ(Ids(results), std::vector<int32_t>{2});
  EXPECT_EQ(SearchByName(list, u"isparta", results), 0);
  EXPECT_EQ(results.Count(), 0);
  // ı finds I and ı; i finds i and İ but not I.
  EXPECT_EQ(SearchByName(list, u"ı", results), 2);
  EXPECT_EQ(Ids(results), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(SearchByName(list, u"i", results), 3);
  EXPECT_EQ(Ids(results), (std::vector<int32_t>{1, 3, 4}));
  EXPECT_EQ(SearchByName(list, u"İSTANBUL", results), 2);
}

TEST(NameSearch, AccentsOfOtherLatinLettersAreDroppedButTurkishLettersStay) {
  TPlayList list;
  AddStation(list, u"Café del Mar", 1);
  AddStation(list, u"Rádio SÃO PAULO", 2);
  AddStation(list, u"Radio Łódź Kraków", 3);
  AddStation(list, u"Müller FM", 4);
  AddStation(list, u"Kuş Radyo", 5);
  AddStation(list, u"Kâr FM", 6);
  AddStation(list, u"ÎKİ Şarkı", 7);
  AddStation(list, u"Œuvre Ærø Straße", 8);
  TResultList results;
  EXPECT_EQ(SearchByName(list, u"cafe", results), 1);
  EXPECT_EQ(Ids(results), std::vector<int32_t>{1});
  EXPECT_EQ(SearchByName(list, u"CAFÉ", results), 1) << "É on the query's side too";
  EXPECT_EQ(SearchByName(list, u"radio sao paulo", results), 1);
  EXPECT_EQ(SearchByName(list, u"lodz krakow", results), 1);
  EXPECT_EQ(SearchByName(list, u"kar fm", results), 1) << "â is a with a mark of length";
  EXPECT_EQ(Ids(results), std::vector<int32_t>{6});
  EXPECT_EQ(SearchByName(list, u"iki", results), 1) << "Î and İ both fold to dotted i";
  // The letters of the Turkish alphabet are letters of their own.
  EXPECT_EQ(SearchByName(list, u"muller", results), 0);
  EXPECT_EQ(SearchByName(list, u"müller", results), 1);
  EXPECT_EQ(SearchByName(list, u"kus", results), 0);
  EXPECT_EQ(SearchByName(list, u"KUŞ", results), 1);
  EXPECT_EQ(SearchByName(list, u"sarkı", results), 0);
  EXPECT_EQ(SearchByName(list, u"şarki", results), 0) << "dotless ı stays apart from i";
  EXPECT_EQ(SearchByName(list, u"ŞARKI", results), 1);
  // Letters without a base letter fold only their case.
  EXPECT_EQ(SearchByName(list, u"œuvre ærø strasse", results), 0);
  EXPECT_EQ(SearchByName(list, u"œuvre æro straße", results), 1);
  ASSERT_NE(FindByName(list, u"cafe del mar"), nullptr);
  EXPECT_EQ(FindByName(list, u"cafe del mar")->Id, 1);

  // Every unit keeps its place: the length never changes, and each folded
  // letter of the two blocks is ASCII, a Turkish letter, or a small letter
  // that folds to itself.
  for (char16_t c = 0x00C0; c <= 0x017F; ++c) {
    char16_t folded = SearchFoldChar(c);
    EXPECT_EQ(SearchFoldChar(folded), folded) << std::hex << int(c);
    EXPECT_EQ(SearchFold(std::u16string(3, c)).size(), 3u);
  }
  EXPECT_EQ(SearchFold(u"İIıiÇĞÖŞÜ"), u"iııiçğöşü");
  EXPECT_EQ(SearchFold(u"ÀÉÎÕÜŸŽ"), u"aeioüyz");
  EXPECT_EQ(SearchFold(u"Москва 99.5"), u"Москва 99.5");
}

TEST(NameSearch, EmptyQueryLeavesThePreviousResults) {
  TPlayList list;
  AddStation(list, u"Radyo Bir", 7);
  AddStation(list, u"Radyo İki", 8);
  TResultList results;
  ASSERT_EQ(SearchByName(list, u"iki", results), 1);
  EXPECT_EQ(SearchByName(list, u"", results), 0);
  EXPECT_EQ(Ids(results), std::vector<int32_t>{8});
  // A query that finds nothing does clear them.
  EXPECT_EQ(SearchByName(list, u"yok", results), 0);
  EXPECT_EQ(results.Count(), 0);
}

TEST(NameSearch, MatchesAnywhereAndSkipsEmptiedSlots) {
  TPlayList list;
  AddStation(list, u"Kral Pop", 1);
  list.Add(nullptr);
  AddStation(list, u"Pop Kral", 2);
  TResultList results;
  EXPECT_EQ(SearchByName(list, u"pop", results), 2);
  EXPECT_EQ(SearchByName(list, u"l p", results), 1);
  EXPECT_EQ(Ids(results), std::vector<int32_t>{1});
}

TEST(FindByName, ExactFoldedMatchFirstInListOrder) {
  TPlayList list;
  AddStation(list, u"Radyo İstanbul", 1);
  AddStation(list, u"RADYO İSTANBUL", 2);
  AddStation(list, u"Radyo İstanbul 2", 3);
  ASSERT_NE(FindByName(list, u"radyo istanbul"), nullptr);
  EXPECT_EQ(FindByName(list, u"radyo istanbul")->Id, 1);
  EXPECT_EQ(FindByName(list, u"radyo istanbul 2")->Id, 3);
  EXPECT_EQ(FindByName(list, u"radyo"), nullptr);
  EXPECT_EQ(FindByName(list, u""), nullptr);
  // I folds to ı, so this is another name.
  EXPECT_EQ(FindByName(list, u"RADYO ISTANBUL"), nullptr);
}

TEST(PlayListModel, IndexedAccessOutsideTheListRaisesTheListError) {
  TPlayList list;
  AddStation(list, u"A", 1);
  try {
    list.Name(1);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
    EXPECT_EQ(e.Index(), 1);
  }
  EXPECT_THROW(list.Id(-1), EListError);
  EXPECT_THROW(list.Delete(5), EListError);
  EXPECT_THROW(list.Exchange(0, 1), EListError);
  EXPECT_THROW(list.SetTicked(2, true), EListError);
  TResultList results;
  EXPECT_THROW(results.Get(0), EListError);
}

TEST(PlayListModel, EditingOperations) {
  TPlayList list;
  AddStation(list, u"A", 1);
  AddStation(list, u"B", 2);
  AddStation(list, u"C", 3);
  list.Insert(1, MakeItem(u"", 4, u"D", "x"));
  list.Insert(4, MakeItem(u"", 5, u"E", "y"));
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Name(1), u"D");
  EXPECT_EQ(list.Name(4), u"E");
  list.Exchange(0, 4);
  EXPECT_EQ(list.Id(0), 5);
  EXPECT_EQ(list.Id(4), 1);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 4);
  list.Put(1, nullptr);
  list.Put(2, nullptr);
  EXPECT_EQ(list.Name(1), u"");
  list.Pack();
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Id(0), 4);
  EXPECT_EQ(list.Id(1), 1);
  list.SetUrl(0, u"http://ş.example/ğ");
  EXPECT_EQ(list.Item(0)->Url, "http://\xC5\x9F.example/\xC4\x9F");
  EXPECT_EQ(list.Url(0), u"http://ş.example/ğ");
  list.SetTicked(1, true);
  EXPECT_TRUE(list.Ticked(1));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(PlayListModel, IndexOfKeyIgnoresCaseAndIndexOfIdIsExact) {
  TPlayList list;
  AddStation(list, u"typed in", 10, u"");
  AddStation(list, u"one", 11, u"ABC");
  AddStation(list, u"two", 12, u"abc");
  AddStation(list, u"three", 13, u"İZMİR");
  for (std::string locale : {"C.UTF-8", "tr_TR.UTF-8"}) {
    TCollationGuard guard(locale);
    EXPECT_EQ(list.IndexOfKey(u"abc"), 1) << locale;
    EXPECT_EQ(list.IndexOfKey(u""), 0) << locale;
    EXPECT_EQ(list.IndexOfKey(u"ab"), -1) << locale;
  }
  TCollationGuard guard("tr_TR.UTF-8");
  EXPECT_EQ(list.IndexOfKey(u"izmir"), 3);
  EXPECT_EQ(list.IndexOfId(12), 2);
  EXPECT_EQ(list.IndexOfId(99), -1);
}

TEST(EntryIds, DecimalHexAndRandomRules) {
  EXPECT_EQ(IdFromDecimalKey(u"210"), 210);
  EXPECT_EQ(IdFromDecimalKey(u"12a"), 0);
  EXPECT_EQ(IdFromDecimalKey(u""), 0);
  EXPECT_EQ(IdFromDecimalKey(u"-5"), -5);
  EXPECT_EQ(IdFromDecimalKey(u"2147483647"), 2147483647);
  EXPECT_EQ(IdFromDecimalKey(u"2147483648"), 0);
  EXPECT_EQ(IdFromDecimalKey(u"-2147483648"), INT32_MIN);
  EXPECT_EQ(IdFromDecimalKey(u"99999999999999999999"), 0);
  EXPECT_EQ(IdFromHex(u"000000d2"), 210);
  EXPECT_EQ(IdFromHex(u"ffffffff"), -1);
  EXPECT_EQ(IdFromHex(u"7FFFFFFF"), 2147483647);
  EXPECT_EQ(IdFromHex(u""), 0);
  EXPECT_EQ(IdFromHex(u"xyz"), 0);
  EXPECT_EQ(IdFromHex(u"100000000"), 0);
  for (int i = 0; i < 1000; ++i) {
    int32_t id = NewRandomId();
    ASSERT_GE(id, 0);
    ASSERT_LE(id, 2147483646);
  }
}

TEST(EntryIds, NewEntriesCarryFoldedNames) {
  auto item = MakeItem(u"7", 7, u"Işık FM", "http://a");
  EXPECT_EQ(item->NameLower, u"ışık fm");
  EXPECT_EQ(item->NameUpper, u"IŞIK FM");
  EXPECT_EQ(item->AddressKind, akUnknown);
  EXPECT_FALSE(item->Ticked);
}

TEST(SortByName, TurkishAlphabetOrderWithoutAnInstalledLocale) {
  TCollationGuard guard("tr_TR.UTF-8");
  ASSERT_TRUE(CollationIsTurkish());
  std::vector<std::u16string> expected = {u"1 Numara", u"Can", u"Çiçek", u"Dilek", u"Gül", u"Ğ Harfi", u"ılık",
                                          u"Istanbul", u"iki", u"İzmir", u"Oya", u"Ömer", u"Sinan", u"şeker",
                                          u"Şule", u"Uğur", u"Ünal", u"Zeynep"};
  std::vector<std::u16string> shuffled = expected;
  std::mt19937 random(42);
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  TPlayList list;
  for (size_t i = 0; i < shuffled.size(); ++i) AddStation(list, shuffled[i], static_cast<int32_t>(i));
  SortByName(list, true);
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Name(i), expected[static_cast<size_t>(i)]) << i;
  SortByName(list, false);
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Name(i), expected[expected.size() - 1 - i]) << i;
}

TEST(SortByName, TurkishComparisonDetails) {
  // Case breaks ties only, lower case first; the circumflex letters sort
  // right after their plain letters.
  EXPECT_LT(TurkishCompare(u"abc", u"Abc", false), 0);
  EXPECT_EQ(TurkishCompare(u"abc", u"ABC", true), 0);
  EXPECT_LT(TurkishCompare(u"Abc", u"abd", false), 0);
  EXPECT_LT(TurkishCompare(u"kar", u"kâr", false), 0);
  EXPECT_LT(TurkishCompare(u"kâr", u"kas", false), 0);
  EXPECT_LT(TurkishCompare(u"ab", u"abc", false), 0);
  EXPECT_LT(TurkishCompare(u"Radyo 9", u"Radyo A", false), 0);
  EXPECT_LT(TurkishCompare(u"Café", u"Cafz", false), 0);
  EXPECT_GT(TurkishCompare(u"Café", u"Cafe", false), 0);
  EXPECT_LT(TurkishCompare(u"Zurna", u"Жара", false), 0);
  EXPECT_EQ(TurkishCompare(u"İzmir", u"İzmir", false), 0);
}

TEST(SortByName, SystemLocaleOrderAndManyEqualNames) {
  TCollationGuard guard("C.UTF-8");
  EXPECT_FALSE(CollationIsTurkish());
  TPlayList list;
  std::mt19937 random(7);
  std::vector<std::u16string> names;
  for (int i = 0; i < 2000; ++i) {
    std::u16string name = u"Radyo ";
    name += static_cast<char16_t>(u'A' + random() % 5);
    name += static_cast<char16_t>(u'a' + random() % 3);
    names.push_back(name);
    AddStation(list, name, i);
  }
  SortByName(list, true);
  std::sort(names.begin(), names.end(), [](auto& a, auto& b) { return CompareNames(a, b) < 0; });
  std::vector<int32_t> seen;
  for (int i = 0; i < list.Count(); ++i) {
    ASSERT_EQ(list.Name(i), names[static_cast<size_t>(i)]) << i;
    seen.push_back(list.Id(i));
  }
  std::sort(seen.begin(), seen.end());
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(seen[static_cast<size_t>(i)], i);  // nothing lost or doubled
}

TEST(SortByName, EmptyAndSingleLists) {
  TPlayList list;
  SortByName(list, true);
  AddStation(list, u"Tek", 1);
  SortByName(list, false);
  EXPECT_EQ(list.Id(0), 1);
}
