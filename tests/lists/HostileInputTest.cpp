// Lists from outside: garbage, cut-off, empty, huge, wrongly sealed and
// tampered files must give a clear result and leave the list as it was.
#include <gtest/gtest.h>

#include <random>

#include "TempDir.h"
#include "fuzz/FuzzTargets.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/ListXml.h"
#include "lists/PlayList.h"

using namespace qor;

namespace {

const std::string kXml =
    "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<playlist>\r\n"
    "  <r d=\"7\" i=\"00000007\" n=\"Yeni\" l=\"http://127.0.0.1/new\" />\r\n</playlist>";

void FillKnown(TPlayList& list) {
  list.Clear();
  list.Add(MakeItem(u"1", 1, u"Eski", "http://127.0.0.1/old"));
  list.Add(MakeItem(u"2", 2, u"Eski İki", "http://127.0.0.1/old2"));
}

// Every reader refuses the file and keeps its list.
void ExpectRefusedByAll(const std::filesystem::path& path, const std::string& what) {
  TPlayList list;
  FillKnown(list);
  EXPECT_FALSE(LoadDatabase(list, path)) << what;
  EXPECT_FALSE(LoadFavourites(list, path)) << what;
  EXPECT_EQ(OpenList(list, path), -1) << what;
  EXPECT_EQ(ImportList(list, path), -1) << what;
  ASSERT_EQ(list.Count(), 2) << what;
  EXPECT_EQ(list.Name(0), u"Eski") << what;
  EXPECT_EQ(list.Name(1), u"Eski İki") << what;
}

std::string RandomBytes(std::mt19937& random, size_t size) {
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random());
  return bytes;
}

}  // namespace

TEST(HostileFiles, GarbageEmptyAndTruncated) {
  testkit::TempDir dir;
  std::mt19937 random(1234);
  auto path = dir / "hostile.rpf";
  testkit::TempDir::WriteFile(path, "");
  ExpectRefusedByAll(path, "empty");
  testkit::TempDir::WriteFile(path, "QORPLF");
  ExpectRefusedByAll(path, "magic only");
  testkit::TempDir::WriteFile(path, RandomBytes(random, 4096));
  ExpectRefusedByAll(path, "garbage");
  testkit::TempDir::WriteFile(path, "QORPLF" + RandomBytes(random, 4096));
  ExpectRefusedByAll(path, "garbage with magic");

  std::string good = "QORPLF" + EncryptString(kXml, ListFilePassword());
  for (size_t length : {size_t{6}, size_t{10}, size_t{29}, size_t{30}, size_t{31}, good.size() / 2, good.size() - 1}) {
    testkit::TempDir::WriteFile(path, good.substr(0, length));
    ExpectRefusedByAll(path, "truncated to " + std::to_string(length));
  }
  testkit::TempDir::WriteFile(path, good + "x");
  ExpectRefusedByAll(path, "one byte appended");
  testkit::TempDir::WriteFile(path, good);
  TPlayList list;
  EXPECT_TRUE(LoadFavourites(list, path));
}

TEST(HostileFiles, TamperedAnywhereAndWrongPassword) {
  testkit::TempDir dir;
  auto path = dir / "tampered.rpf";
  std::string good = "QORPLF" + EncryptString(kXml, ListFilePassword());
  // Salt, verifier, cipher text start and end, authentication code.
  for (size_t offset : {size_t{6}, size_t{17}, size_t{18}, size_t{19}, size_t{20}, good.size() - 11, good.size() - 10,
                        good.size() - 1}) {
    std::string bad = good;
    bad[offset] = static_cast<char>(bad[offset] ^ 0x40);
    testkit::TempDir::WriteFile(path, bad);
    ExpectRefusedByAll(path, "byte " + std::to_string(offset) + " flipped");
  }
  ASSERT_TRUE(WriteListFile(path, EncryptString(kXml, std::string(32, 'W'))));
  ExpectRefusedByAll(path, "other password");
  ASSERT_TRUE(WriteListFile(path, EncryptString(kXml, "short password")));
  ExpectRefusedByAll(path, "other key size");
}

TEST(HostileFiles, HugeFilesAreRefusedWithoutReadingThem) {
  testkit::TempDir dir;
  const uintmax_t huge = 100ull * 1024 * 1024;
  auto sealed = dir / "huge.rpf";
  testkit::TempDir::WriteFile(sealed, "QORPLF" + EncryptString(kXml, ListFilePassword()));
  std::filesystem::resize_file(sealed, huge);  // sparse: costs no disk
  ExpectRefusedByAll(sealed, "100 MB list file");
  EXPECT_EQ(ReadListFile(sealed), "");

  auto xml = dir / "huge.xml";
  testkit::TempDir::WriteFile(xml, "<playlist><r n=\"x\" l=\"y\"/>");
  std::filesystem::resize_file(xml, huge);
  ExpectRefusedByAll(xml, "100 MB XML");
  EXPECT_FALSE(IsXmlPlaylistFile(xml));
  std::vector<TListRecord> records;
  EXPECT_EQ(ParseListXmlFile(xml, records), TXmlResult::TooLarge);
}

TEST(HostileFiles, SealedBodiesThatAreNotLists) {
  testkit::TempDir dir;
  auto path = dir / "odd.rpf";
  for (std::string body : {std::string(""), std::string("plain text"), std::string("<playlist>"),
                           std::string("<playlist/>"), std::string("<html><r/></html>"),
                           std::string("<playlist><r n=\"\xFF\xFE\"/>"), std::string(1000, '\0')}) {
    ASSERT_TRUE(WriteListFile(path, EncryptString(body, ListFilePassword())));
    ExpectRefusedByAll(path, "body '" + body.substr(0, 20) + "'");
  }
}

TEST(HostileFiles, PlainXmlThatIsNotAList) {
  testkit::TempDir dir;
  auto path = dir / "odd.xml";
  for (std::string text : {std::string("<?xml version=\"1.0\"?>"), std::string("<playlist><r></playlist>"),
                           std::string("<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><playlist><r/></playlist>"),
                           std::string("\xFF\xFE<\0p\0", 6)}) {
    testkit::TempDir::WriteFile(path, text);
    TPlayList list;
    FillKnown(list);
    EXPECT_EQ(ImportList(list, path), -1) << text;
    EXPECT_EQ(OpenList(list, path), -1) << text;
    EXPECT_EQ(list.Count(), 2);
  }
}

// The fuzz targets' bodies over random and mutated inputs, so the normal
// suite exercises them on every run.
TEST(FuzzBodies, SurviveRandomAndMutatedInputs) {
  std::mt19937 random(99);
  std::vector<std::string> seeds = {kXml, "<data><r d=\"1\" l=\"a%2"
                                          "0b\"/></data>",
                                    "#EXTM3U\n#EXTINF:1,x\nhttp://a\n", "[playlist]\nFile1=http://a\n"};
  for (int round = 0; round < 300; ++round) {
    std::string input;
    if (round % 3 == 0) {
      input = RandomBytes(random, random() % 300);
    } else {
      input = seeds[random() % seeds.size()];
      for (int k = 0; k < 1 + static_cast<int>(random() % 4); ++k) {
        if (input.empty()) break;
        size_t at = random() % input.size();
        switch (random() % 3) {
          case 0: input[at] = static_cast<char>(random()); break;
          case 1: input.erase(at, 1 + random() % 5); break;
          default: input.insert(at, 1, "<>\"&%'/="[random() % 8]); break;
        }
      }
    }
    std::string listInput = static_cast<char>(round & 1) + input;
    liststest::FuzzListFileReader(reinterpret_cast<const uint8_t*>(listInput.data()), listInput.size());
    liststest::FuzzXmlReader(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
}
