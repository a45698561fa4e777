// List files that cannot be read are moved aside to a dated name with
// their bytes intact; readable lists, emptied lists and missing files stay
// where they are.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "lists/ListFile.h"
#include "lists/ListRescue.h"
#include "lists/Package.h"

using namespace qor;

namespace {

std::string Sealed(const std::string& xml, const std::string& password = ListFilePassword()) {
  return std::string(kListMagic) + EncryptString(xml, password);
}

const std::string kList = "<?xml version=\"1.0\"?><playlist><r d=\"1\" n=\"Bir\" l=\"http://127.0.0.1/1\" /></playlist>";

TEST(ListRescue, UnreadableFilesAreMovedAsideWithTheirBytes) {
  testkit::TempDir dir;
  std::string tampered = Sealed(kList);
  tampered[tampered.size() / 2] = static_cast<char>(tampered[tampered.size() / 2] ^ 0x04);
  const std::pair<const char*, std::string> damaged[] = {
      {"random bytes", std::string("\x01\x02garbage\xff\xfe", 11)},
      {"another password", Sealed(kList, std::string(32, 'y'))},
      {"a tampered body", tampered},
      {"sealed text that is no list", Sealed("not xml at all")},
      {"an empty file", ""},
  };
  std::time_t when = 1765247280;  // a fixed moment, so the name is known
  std::tm local{};
  localtime_r(&when, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
  for (const auto& [what, bytes] : damaged) {
    SCOPED_TRACE(what);
    auto file = dir / "playlist.rpf";
    testkit::TempDir::WriteFile(file, bytes);
    EXPECT_TRUE(ListFileIsDamaged(file));
    auto rescue = RescueDamagedList(file, when);
    ASSERT_TRUE(rescue);
    EXPECT_TRUE(rescue->Moved);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(testkit::TempDir::ReadFile(rescue->Backup), bytes) << "nothing is lost";
    EXPECT_EQ(rescue->Backup.filename().string().rfind("playlist.rpf." + std::string(stamp), 0), 0u)
        << rescue->Backup;
  }
  // The same second five times: each backup got a name of its own.
  EXPECT_TRUE(std::filesystem::exists(dir / ("playlist.rpf." + std::string(stamp) + ".bak")));
  EXPECT_TRUE(std::filesystem::exists(dir / ("playlist.rpf." + std::string(stamp) + "-5.bak")));
}

TEST(ListRescue, ReadableEmptiedAndMissingListsStay) {
  testkit::TempDir dir;
  auto file = dir / "broadcast.rpf";
  EXPECT_FALSE(RescueDamagedList(file));
  testkit::TempDir::WriteFile(file, Sealed(kList));
  EXPECT_FALSE(RescueDamagedList(file));
  testkit::TempDir::WriteFile(file, Sealed("<?xml version=\"1.0\"?><playlist></playlist>"));
  EXPECT_FALSE(RescueDamagedList(file)) << "an emptied list is a list";
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  EXPECT_FALSE(RescueDamagedList(file)) << "a folder is not ours to move";
}

}  // namespace
