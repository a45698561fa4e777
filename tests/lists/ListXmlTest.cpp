// The XML list document: exact bytes, escaping, root forms, readers and
// writers with their replace and error rules.
#include <gtest/gtest.h>

#include <sstream>

#include "TempDir.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/ListXml.h"
#include "lists/PlayList.h"

using namespace qor;

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<playlist>\r\n";

void Add(TPlayList& list, std::u16string key, int32_t id, std::u16string name, std::string url) {
  list.Add(MakeItem(std::move(key), id, std::move(name), std::move(url)));
}

std::string Seal(const std::string& xml) { return EncryptString(xml, ListFilePassword()); }

void WriteSealed(const std::filesystem::path& path, const std::string& xml) {
  ASSERT_TRUE(WriteListFile(path, Seal(xml)));
}

// Two stations that tests expect to survive a failed load.
void FillWithTwo(TPlayList& list) {
  list.Clear();
  Add(list, u"1", 1, u"Eski Bir", "http://old/1");
  Add(list, u"2", 2, u"Eski İki", "http://old/2");
}

void ExpectTheTwo(const TPlayList& list) {
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Name(0), u"Eski Bir");
  EXPECT_EQ(list.Name(1), u"Eski İki");
}

}  // namespace

TEST(ListDocument, ExactBytesOfBothWriters) {
  TPlayList list;
  Add(list, u"210", 210, u"Radyo \"Şen\" & <Dost>", "http://127.0.0.1:8000/a?x=1&y='2'");
  Add(list, u"", -1, u"Ğüzel", "file:///home/u/m\xC3\xBCzik.mp3");
  EXPECT_EQ(BuildListDocument(list, true),
            kHead +
                "  <r d=\"210\" i=\"000000d2\" n=\"Radyo &quot;\xC5\x9E" "en&quot; &amp; &lt;Dost&gt;\" "
                "l=\"http://127.0.0.1:8000/a?x=1&amp;y=&apos;2&apos;\" />\r\n"
                "  <r d=\"\" i=\"ffffffff\" n=\"\xC4\x9E\xC3\xBCzel\" l=\"file:///home/u/m\xC3\xBCzik.mp3\" />\r\n"
                "</playlist>");
  EXPECT_EQ(BuildListDocument(list, false),
            kHead +
                "  <r d=\"210\" n=\"Radyo &quot;\xC5\x9E" "en&quot; &amp; &lt;Dost&gt;\" "
                "l=\"http://127.0.0.1:8000/a?x=1&amp;y=&apos;2&apos;\" />\r\n"
                "  <r d=\"\" n=\"\xC4\x9E\xC3\xBCzel\" l=\"file:///home/u/m\xC3\xBCzik.mp3\" />\r\n"
                "</playlist>");
  TPlayList empty;
  EXPECT_EQ(BuildListDocument(empty, true), kHead + "</playlist>");
}

TEST(ListDocument, EscapeStopsAtNulAndDropsWhatXmlCannotCarry) {
  EXPECT_EQ(XmlEscape(u"a&b<c>d\"e'f"), u"a&amp;b&lt;c&gt;d&quot;e&apos;f");
  EXPECT_EQ(XmlEscape(std::u16string(u"ab\0cd", 5)), u"ab");
  EXPECT_EQ(XmlEscape(u"a\x01" u"b\x1F" u"c\tok"), u"abc\tok");
  EXPECT_EQ(XmlEscape(u"x\xD800y\xDC00z"), u"xyz");
  EXPECT_EQ(XmlEscape(u"\U0001F3B5"), u"\U0001F3B5");
  EXPECT_EQ(XmlEscape(u""), u"");
}

TEST(FormDecode, EscapesPlusAndBrokenEscapes) {
  EXPECT_EQ(FormDecode("radio%2Flive+one"), "radio/live one");
  EXPECT_EQ(FormDecode("100%%"), "100%");
  EXPECT_EQ(FormDecode("%c5%9Fark%C4%B1"), "\xC5\x9F" "ark\xC4\xB1");
  EXPECT_EQ(FormDecode("abc%zzdef"), "abc");
  EXPECT_EQ(FormDecode("abc%4"), "abc");
  EXPECT_EQ(FormDecode("abc%"), "abc");
  EXPECT_EQ(FormDecode(""), "");
}

TEST(ListParse, BothRootFormsAndMissingAttributes) {
  std::vector<TListRecord> records;
  ASSERT_EQ(ParseListText(kHead + "<r d=\"5\" i=\"a\" n=\"N &amp; M\" l=\"http://x/a+b\" x=\"?\"/><r/><other/></playlist>",
                          true, records),
            TXmlResult::Ok);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Key, u"5");
  EXPECT_EQ(records[0].Id, u"a");
  EXPECT_EQ(records[0].Name, u"N & M");
  EXPECT_EQ(records[0].Url, "http://x/a+b");
  EXPECT_EQ(records[1].Key, u"");
  EXPECT_EQ(records[1].Url, "");

  ASSERT_EQ(ParseListText("<data><r d=\"9\" n=\"D\" l=\"radio%2Flive+one\"/></data>", true, records), TXmlResult::Ok);
  EXPECT_EQ(records[0].Url, "radio/live one");
  EXPECT_EQ(ParseListText("<data><r d=\"9\"/></data>", false, records), TXmlResult::WrongRoot);
  // A playlist root hides data records nested inside it.
  EXPECT_EQ(ParseListText("<playlist><data><r d=\"9\"/></data></playlist>", true, records), TXmlResult::NoRecords);
  EXPECT_EQ(ParseListText("<playlist></playlist>", true, records), TXmlResult::NoRecords);
  EXPECT_EQ(ParseListText("<list><r/></list>", true, records), TXmlResult::WrongRoot);
  EXPECT_EQ(ParseListText("<playlist><r>", true, records), TXmlResult::NotXml);
  EXPECT_EQ(ParseListText("", true, records), TXmlResult::NotXml);
  EXPECT_TRUE(records.empty());
}

TEST(ListParse, EntityTricksAreRefused) {
  std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE playlist [<!ENTITY a \"aaaaaaaaaa\">"
      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
      "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
      "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>"
      "<playlist><r n=\"&g;\"/></playlist>";
  std::vector<TListRecord> records;
  EXPECT_EQ(ParseListText(laughs, true, records), TXmlResult::NotXml);
  std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE playlist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
      "<playlist><r n=\"&x;\"/></playlist>";
  EXPECT_EQ(ParseListText(external, true, records), TXmlResult::NotXml);
}

TEST(ListParse, FilesHonourTheirEncodingDeclaration) {
  testkit::TempDir dir;
  // "Şarkı" in ISO-8859-9.
  testkit::TempDir::WriteFile(dir / "latin5.xml",
                              "<?xml version=\"1.0\" encoding=\"ISO-8859-9\"?><playlist><r n=\"\xDE" "ark\xFD\"/></playlist>");
  std::vector<TListRecord> records;
  ASSERT_EQ(ParseListXmlFile(dir / "latin5.xml", records), TXmlResult::Ok);
  EXPECT_EQ(records[0].Name, u"Şarkı");
  EXPECT_TRUE(IsXmlPlaylistFile(dir / "latin5.xml"));
  // UTF-16 with a byte-order mark, as some editors save.
  std::u16string wide = u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><playlist><r n=\"Gül\"/></playlist>";
  testkit::TempDir::WriteFile(dir / "utf16.xml", std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
  ASSERT_EQ(ParseListXmlFile(dir / "utf16.xml", records), TXmlResult::Ok);
  EXPECT_EQ(records[0].Name, u"Gül");
  testkit::TempDir::WriteFile(dir / "empty.xml", "<playlist/>");
  EXPECT_FALSE(IsXmlPlaylistFile(dir / "empty.xml"));
  testkit::TempDir::WriteFile(dir / "data.xml", "<data><r/></data>");
  EXPECT_FALSE(IsXmlPlaylistFile(dir / "data.xml"));
  EXPECT_FALSE(IsXmlPlaylistFile(dir / "missing.xml"));
  EXPECT_FALSE(IsXmlPlaylistFile(dir.Path()));
}

TEST(ListReaders, FavouritesRoundTripKeepsEverything) {
  testkit::TempDir dir;
  TPlayList saved;
  Add(saved, u"210", 210, u"TRT FM & \"Radyo\"", "http://127.0.0.1/trt");
  Add(saved, u"", -5, u"Kendi Adresim İşte", "http://127.0.0.1/own?a=1&b=<2>");
  Add(saved, u"77", 2147483646, u"Müzik ♫", "file:///tmp/m.mp3");
  ASSERT_TRUE(SaveFavourites(saved, dir / "playlist.rpf"));
  TPlayList loaded;
  ASSERT_TRUE(LoadFavourites(loaded, dir / "playlist.rpf"));
  ASSERT_EQ(loaded.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(loaded.Id(i), saved.Id(i));
    EXPECT_EQ(loaded.Key(i), saved.Key(i));
    EXPECT_EQ(loaded.Name(i), saved.Name(i));
    EXPECT_EQ(loaded.Item(i)->Url, saved.Item(i)->Url);
    EXPECT_EQ(loaded.Item(i)->NameLower, saved.Item(i)->NameLower);
    EXPECT_EQ(loaded.Item(i)->NameUpper, saved.Item(i)->NameUpper);
  }
}

TEST(ListReaders, DatabaseIdsComeFromKeys) {
  testkit::TempDir dir;
  WriteSealed(dir / "broadcast.rpf", kHead + "<r d=\"12\" i=\"ff\" n=\"A\" l=\"u\"/><r d=\"12a\" n=\"B\"/></playlist>");
  TPlayList list;
  ASSERT_TRUE(LoadDatabase(list, dir / "broadcast.rpf"));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Id(0), 12);
  EXPECT_EQ(list.Id(1), 0);
  TPlayList favourites;
  ASSERT_TRUE(LoadFavourites(favourites, dir / "broadcast.rpf"));
  EXPECT_EQ(favourites.Id(0), 255);
  EXPECT_EQ(favourites.Id(1), 0);
}

TEST(ListReaders, DatabaseReaderDecodesDataRecords) {
  testkit::TempDir dir;
  WriteSealed(dir / "broadcast.rpf", "<data><r d=\"3\" n=\"Form\" l=\"http%3A%2F%2Fh%2Fa+b\"/></data>");
  TPlayList list;
  ASSERT_TRUE(LoadDatabase(list, dir / "broadcast.rpf"));
  EXPECT_EQ(list.Item(0)->Url, "http://h/a b");
}

TEST(ListReaders, ReplaceOnlyWhenRecordsExist) {
  testkit::TempDir dir;
  TPlayList list;
  FillWithTwo(list);
  WriteSealed(dir / "none.rpf", kHead + "</playlist>");
  EXPECT_FALSE(LoadFavourites(list, dir / "none.rpf"));
  ExpectTheTwo(list);
  WriteSealed(dir / "broken.rpf", kHead + "<r d=\"1\"");
  EXPECT_FALSE(LoadDatabase(list, dir / "broken.rpf"));
  ExpectTheTwo(list);
  EXPECT_FALSE(LoadDatabase(list, dir / "missing.rpf"));
  ExpectTheTwo(list);
  // Sealed with another password.
  ASSERT_TRUE(WriteListFile(dir / "other.rpf", EncryptString(kHead + "<r/></playlist>", std::string(32, 'z'))));
  EXPECT_FALSE(LoadFavourites(list, dir / "other.rpf"));
  ExpectTheTwo(list);
}

TEST(ListReaders, TamperedBodyLeavesTheListUnchanged) {
  testkit::TempDir dir;
  std::string sealed = Seal(kHead + "  <r d=\"1\" n=\"Yeni\" l=\"http://new/1\" />\r\n</playlist>");
  // Flip a byte inside the name so the XML stays well formed.
  size_t offset = 12 + 2 + kHead.size() + 15;
  sealed[offset] = static_cast<char>(sealed[offset] ^ 0x01);
  // Deciphered without the check, the body is still a good list ("Ydni"):
  // only the authentication code tells it apart.
  {
    TEncryption encryption(ListFilePassword());
    std::istringstream source(sealed);
    std::ostringstream plain;
    ASSERT_FALSE(encryption.Decrypt(source, &plain, static_cast<int64_t>(sealed.size())));
    std::vector<TListRecord> records;
    ASSERT_EQ(ParseListText(plain.str(), true, records), TXmlResult::Ok);
    ASSERT_EQ(records[0].Name, u"Ydni");
  }
  ASSERT_TRUE(WriteListFile(dir / "tampered.rpf", sealed));
  TPlayList list;
  FillWithTwo(list);
  EXPECT_FALSE(LoadFavourites(list, dir / "tampered.rpf"));
  EXPECT_FALSE(LoadDatabase(list, dir / "tampered.rpf"));
  EXPECT_EQ(OpenList(list, dir / "tampered.rpf"), -1);
  EXPECT_EQ(ImportList(list, dir / "tampered.rpf"), -1);
  ExpectTheTwo(list);
}

TEST(ListImportOpen, ImportAppendsOpenReplacesBothWithFreshIds) {
  testkit::TempDir dir;
  TPlayList source;
  Add(source, u"5", 5, u"Beş", "http://127.0.0.1/5");
  Add(source, u"", 6, u"Altı", "http://127.0.0.1/6");
  ASSERT_TRUE(ExportXmlFile(source, dir / "export.xml"));
  ASSERT_TRUE(ExportListFile(source, dir / "export.rpf"));
  // An exported list file carries no ids.
  EXPECT_EQ(DecryptString(ReadListFile(dir / "export.rpf"), ListFilePassword()).find(" i=\""), std::string::npos);

  TPlayList list;
  FillWithTwo(list);
  list.Put(0, nullptr);
  EXPECT_EQ(ImportList(list, dir / "export.xml"), 2);
  ASSERT_EQ(list.Count(), 3);  // the emptied slot is gone
  EXPECT_EQ(list.Name(0), u"Eski İki");
  EXPECT_EQ(list.Name(1), u"Beş");
  EXPECT_EQ(list.Key(1), u"5");
  EXPECT_EQ(list.Item(2)->Url, "http://127.0.0.1/6");
  EXPECT_EQ(list.Item(2)->NameLower, u"altı");

  EXPECT_EQ(OpenList(list, dir / "export.rpf"), 2);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Name(0), u"Beş");
  EXPECT_EQ(list.Name(1), u"Altı");
}

TEST(ListImportOpen, FailuresReturnMinusOneAndChangeNothing) {
  testkit::TempDir dir;
  TPlayList list;
  FillWithTwo(list);
  EXPECT_EQ(OpenList(list, dir / "missing.xml"), -1);
  EXPECT_EQ(OpenList(list, dir.Path()), -1);
  testkit::TempDir::WriteFile(dir / "empty.xml", kHead + "</playlist>");
  EXPECT_EQ(OpenList(list, dir / "empty.xml"), -1);
  testkit::TempDir::WriteFile(dir / "text.xml", "just some text");
  EXPECT_EQ(ImportList(list, dir / "text.xml"), -1);
  // A plain file cannot use the data root; only sealed bodies may.
  testkit::TempDir::WriteFile(dir / "data.xml", "<data><r n=\"x\"/></data>");
  EXPECT_EQ(ImportList(list, dir / "data.xml"), -1);
  ExpectTheTwo(list);
}

TEST(ListImportOpen, PlainXmlNamedRpfIsImportedAsXml) {
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "plain.rpf", kHead + "  <r d=\"\" n=\"Düz\" l=\"http://127.0.0.1/p\" />\r\n</playlist>");
  TPlayList list;
  EXPECT_EQ(ImportList(list, dir / "plain.rpf"), 1);
  EXPECT_EQ(list.Name(0), u"Düz");
}

TEST(ListImportOpen, SealedDataRootIsImportedWithDecodedAddresses) {
  testkit::TempDir dir;
  WriteSealed(dir / "data.rpf", "<data><r d=\"4\" n=\"Form\" l=\"a%20b\"/></data>");
  TPlayList list;
  EXPECT_EQ(ImportList(list, dir / "data.rpf"), 1);
  EXPECT_EQ(list.Item(0)->Url, "a b");
}

TEST(ListWriters, XmlExportIsTheDocumentAndFailedWritesSaySo) {
  testkit::TempDir dir;
  TPlayList list;
  Add(list, u"1", 1, u"Bir", "http://127.0.0.1/1");
  ASSERT_TRUE(ExportXmlFile(list, dir / "out.xml"));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "out.xml"), BuildListDocument(list, false));
  std::string written = testkit::TempDir::ReadFile(dir / "out.xml");
  EXPECT_EQ(written.substr(written.size() - 11), "</playlist>");
  EXPECT_FALSE(ExportXmlFile(list, dir / "missing-folder" / "out.xml"));
  EXPECT_FALSE(SaveFavourites(list, dir / "missing-folder" / "playlist.rpf"));
}
