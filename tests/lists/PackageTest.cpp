// The station-database package: compression, sealing and installing it as
// broadcast.rpf.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/Package.h"
#include "lists/PlayList.h"

using namespace qor;

namespace {

std::string Database(int count) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<playlist>\r\n";
  for (int i = 1; i <= count; ++i)
    xml += "  <r d=\"" + std::to_string(i) + "\" n=\"Radyo " + std::to_string(i) + "\" l=\"http://127.0.0.1/" +
           std::to_string(i) + "\" />\r\n";
  return xml + "</playlist>";
}

}  // namespace

TEST(DatabasePackage, CompressionLevelsAndZlibFraming) {
  std::string text = Database(50);
  std::string sizes[4];
  for (int level = 0; level < 4; ++level) {
    sizes[level] = CompressPackage(text, level);
    ASSERT_FALSE(sizes[level].empty());
    EXPECT_EQ(static_cast<uint8_t>(sizes[level][0]) & 0x0F, 8) << "deflate in a zlib stream";
    EXPECT_EQ(DecompressPackage(sizes[level]), text);
  }
  EXPECT_GT(sizes[0].size(), text.size());  // stored
  EXPECT_LT(sizes[3].size(), text.size() / 4);
  EXPECT_EQ(CompressPackage(text, 4), "");
  EXPECT_EQ(CompressPackage(text, -1), "");
}

TEST(DatabasePackage, DecompressRefusesBrokenAndOversizedStreams) {
  std::string stream = CompressPackage(Database(100), 3);
  EXPECT_EQ(DecompressPackage(""), "");
  EXPECT_EQ(DecompressPackage("not zlib at all"), "");
  EXPECT_EQ(DecompressPackage(stream.substr(0, stream.size() / 2)), "");
  EXPECT_EQ(DecompressPackage(stream + "trailing"), "");
  std::string corrupt = stream;
  corrupt[corrupt.size() - 1] = static_cast<char>(corrupt.back() ^ 0xFF);  // Adler-32
  EXPECT_EQ(DecompressPackage(corrupt), "");
  // A small stream that inflates far beyond the limit stops at the limit.
  std::string bomb = CompressPackage(std::string(8 * 1024 * 1024, 'a'), 3);
  EXPECT_LT(bomb.size(), 20000u);
  EXPECT_EQ(DecompressPackage(bomb, 1024 * 1024), "");
  EXPECT_EQ(DecompressPackage(bomb).size(), 8u * 1024 * 1024);
}

TEST(DatabasePackage, InstallTurnsAPackageIntoTheDatabaseFile) {
  testkit::TempDir dir;
  auto settings = dir / "settings" / "QOR";
  std::string xml = Database(30);
  ASSERT_EQ(InstallDatabasePackage(MakeDatabasePackage(xml), settings), TPackageResult::Ok);
  EXPECT_TRUE(HasListMagic(settings / "broadcast.rpf"));
  EXPECT_EQ(DecryptString(ReadListFile(settings / "broadcast.rpf"), ListFilePassword()), xml);
  TPlayList list;
  ASSERT_TRUE(LoadDatabase(list, settings / "broadcast.rpf"));
  EXPECT_EQ(list.Count(), 30);
  EXPECT_EQ(list.Id(29), 30);
}

TEST(DatabasePackage, BadPackagesLeaveTheOldDatabase) {
  testkit::TempDir dir;
  ASSERT_EQ(InstallDatabasePackage(MakeDatabasePackage(Database(3)), dir.Path()), TPackageResult::Ok);
  std::string before = testkit::TempDir::ReadFile(dir / "broadcast.rpf");

  std::string tampered = MakeDatabasePackage(Database(5));
  tampered[40] = static_cast<char>(tampered[40] ^ 0x10);
  EXPECT_EQ(InstallDatabasePackage(tampered, dir.Path()), TPackageResult::NotReadable);
  EXPECT_EQ(InstallDatabasePackage("", dir.Path()), TPackageResult::NotReadable);
  EXPECT_EQ(InstallDatabasePackage("<html>502 Bad Gateway</html>", dir.Path()), TPackageResult::NotReadable);
  // Sealed correctly but not compressed: a list file body is not a package.
  EXPECT_EQ(InstallDatabasePackage(EncryptString(Database(5), ListFilePassword()), dir.Path()),
            TPackageResult::NotCompressed);
  // The password is public: a package that opens but holds no station list
  // is refused as well.
  EXPECT_EQ(InstallDatabasePackage(MakeDatabasePackage("<html><body>error</body></html>"), dir.Path()),
            TPackageResult::NotAList);
  EXPECT_EQ(InstallDatabasePackage(MakeDatabasePackage(Database(0)), dir.Path()), TPackageResult::NotAList);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "broadcast.rpf"), before);
}

TEST(DatabasePackage, PublisherTrio) {
  testkit::TempDir dir;
  std::string xml = Database(10);
  ASSERT_TRUE(WritePackageTrio(xml, dir.Path()));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "broadcast.xml"), xml);
  EXPECT_EQ(DecryptString(ReadListFile(dir / "broadcast.rpf"), ListFilePassword()), xml);
  EXPECT_FALSE(HasListMagic(dir / "broadcast.zip"));
  EXPECT_EQ(DecompressPackage(DecryptString(testkit::TempDir::ReadFile(dir / "broadcast.zip"), ListFilePassword())),
            xml);

  ASSERT_TRUE(WritePackageTrio(xml, dir.Path(), true));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "broadcast.xml"), "\xEF\xBB\xBF" + xml);
  EXPECT_EQ(DecryptString(ReadListFile(dir / "broadcast.rpf"), ListFilePassword()), xml) << "sealed without the mark";
  std::string zip = testkit::TempDir::ReadFile(dir / "broadcast.zip");
  EXPECT_FALSE(WritePackageTrio("<html>no list</html>", dir.Path(), true));
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "broadcast.zip"), zip) << "nothing is written for a body that is no list";
}
