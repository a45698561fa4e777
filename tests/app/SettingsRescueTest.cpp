// Settings files the program cannot read as text are moved aside with their
// bytes before they are read as defaults and saved over; text in any of the
// encodings the stores read stays where it is.
#include "app/SettingsRescue.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "support/WIniFiles.h"

namespace {

using namespace app;

std::string Utf16(const std::u16string& text, bool bom = true) {
  std::string bytes = bom ? "\xFF\xFE" : "";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(SettingsRescueTest, TextInTheStoresEncodingsIsReadableAndBinaryIsNot) {
  const std::string profile = "[player]\r\nvolume=40\r\n\t; yorum\f\n[recorder]\nfolder=/home/kullanıcı/Masaüstü\n";
  EXPECT_FALSE(SettingsTextIsDamaged("", TSettingsText::Profile));
  EXPECT_FALSE(SettingsTextIsDamaged(profile, TSettingsText::Profile));
  EXPECT_FALSE(SettingsTextIsDamaged("\xEF\xBB\xBF" + profile, TSettingsText::Profile)) << "UTF-8 with its mark";
  EXPECT_FALSE(SettingsTextIsDamaged("[player]\nname=\xFE\xFD\xF0\n\x1A", TSettingsText::Profile))
      << "Windows-1254 letters and a DOS end mark";
  EXPECT_FALSE(SettingsTextIsDamaged(Utf16(u"[schedule]\r\nradioname=Kral FM 😀\r\n"), TSettingsText::Profile));
  EXPECT_FALSE(SettingsTextIsDamaged(Utf16(u"[schedule]\r\nenable=1\r\n"), TSettingsText::Utf16));
  EXPECT_FALSE(SettingsTextIsDamaged("", TSettingsText::Utf16));

  std::string garbage;
  for (int i = 0; i < 600; ++i) garbage += static_cast<char>((i * 7919) % 256);
  EXPECT_TRUE(SettingsTextIsDamaged(garbage, TSettingsText::Profile));
  EXPECT_TRUE(SettingsTextIsDamaged(std::string("[player]\nvolume=4\0\n", 19), TSettingsText::Profile)) << "a NUL";
  EXPECT_TRUE(SettingsTextIsDamaged("[player]\x1b[0m\n", TSettingsText::Profile)) << "an escape";
  EXPECT_TRUE(SettingsTextIsDamaged(Utf16(u"[a]\r\n") + "x", TSettingsText::Profile)) << "half a unit";
  EXPECT_TRUE(SettingsTextIsDamaged(Utf16(u"[a]\x01"), TSettingsText::Utf16));
  EXPECT_TRUE(SettingsTextIsDamaged(Utf16(std::u16string(u"a\xD800") + u"b"), TSettingsText::Utf16))
      << "a lone high surrogate";
  EXPECT_TRUE(SettingsTextIsDamaged(Utf16(std::u16string(u"a\xDC00")), TSettingsText::Utf16))
      << "a lone low surrogate";
  EXPECT_TRUE(SettingsTextIsDamaged(Utf16(std::u16string(u"a\xD800")), TSettingsText::Utf16)) << "cut at the end";
  // The schedule store reads UTF-16 only: its file without the mark, or a
  // hand-written UTF-8 one, would be read as nonsense and written over.
  EXPECT_TRUE(SettingsTextIsDamaged(Utf16(u"[schedule]\r\n", false), TSettingsText::Utf16));
  EXPECT_TRUE(SettingsTextIsDamaged("[schedule]\nenable=1\n", TSettingsText::Utf16));
}

TEST(SettingsRescueTest, DamagedFilesAreMovedAsideUnderNewNamesAndOthersStay) {
  testkit::TempDir dir;
  auto file = dir / "options.ini";
  EXPECT_FALSE(RescueDamagedSettings(file, TSettingsText::Profile)) << "missing";
  testkit::TempDir::WriteFile(file, "[player]\nvolume=40\n");
  EXPECT_FALSE(RescueDamagedSettings(file, TSettingsText::Profile));
  EXPECT_EQ(testkit::TempDir::ReadFile(file), "[player]\nvolume=40\n");

  const std::time_t when = 1765247280;
  std::vector<std::filesystem::path> backups;
  for (int run = 0; run < 3; ++run) {
    const std::string bytes = std::string("\x00\x01run", 5) + std::to_string(run);
    testkit::TempDir::WriteFile(file, bytes);
    auto rescue = RescueDamagedSettings(file, TSettingsText::Profile, when);
    ASSERT_TRUE(rescue);
    ASSERT_TRUE(rescue->Moved);
    EXPECT_EQ(rescue->File, file);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(testkit::TempDir::ReadFile(rescue->Backup), bytes) << "an earlier backup is never replaced";
    EXPECT_EQ(rescue->Backup.parent_path(), dir.Path());
    EXPECT_EQ(rescue->Backup.filename().string().rfind("options.ini.", 0), 0u);
    EXPECT_EQ(rescue->Backup.extension(), ".bak");
    backups.push_back(rescue->Backup);
  }
  for (int run = 0; run < 3; ++run)
    EXPECT_EQ(testkit::TempDir::ReadFile(backups[static_cast<std::size_t>(run)]).back(), '0' + run);

  // Too large to be read is as good as lost to the store.
  std::string huge(TWIniFile::MaxFileSize + 1, 'a');
  testkit::TempDir::WriteFile(file, huge);
  auto rescue = RescueDamagedSettings(file, TSettingsText::Profile, when);
  ASSERT_TRUE(rescue);
  EXPECT_TRUE(rescue->Moved);
  EXPECT_EQ(std::filesystem::file_size(rescue->Backup), huge.size());

  // A folder in its place is left alone (the stores cannot write it either).
  std::filesystem::create_directory(file);
  EXPECT_FALSE(RescueDamagedSettings(file, TSettingsText::Profile));
  EXPECT_TRUE(std::filesystem::is_directory(file));
}

}  // namespace
