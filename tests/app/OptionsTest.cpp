#include "app/Options.h"

#include <gtest/gtest.h>

#include <set>

#include "TempDir.h"
#include "support/Encoding.h"

namespace {

using namespace app;

std::u16string W(const std::filesystem::path& p) { return enc::Utf8ToUtf16(p.string()); }

TEST(OptionsTest, MissingFileGivesEveryDefault) {
  testkit::TempDir dir;
  TOptions options(W(dir / "options.ini"), u"/home/user/Masaüstü");
  const bool bools[obCount] = {1, 0, 1, 1, 1, 0, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1};
  for (int i = 0; i < obCount; ++i) EXPECT_EQ(options.ReadBool(TOptionBool(i)), bools[i]) << i;
  const int ints[oiCount] = {25, 65535, 0, 210, 0, 10000, 15000, 1, 10, 200, 500, 4, 7, 8, 101};
  for (int i = 0; i < oiCount; ++i) EXPECT_EQ(options.ReadInt(TOptionInt(i)), ints[i]) << i;
  EXPECT_EQ(options.ReadStr(osFolder), u"/home/user/Masaüstü");
  EXPECT_EQ(options.ReadStr(osDbVersion), u"");
  EXPECT_EQ(options.ReadStr(osBanner), u"");
  EXPECT_EQ(options.ReadHotkey(ohRecording), 1618);
  EXPECT_EQ(options.ReadHotkey(ohAlwaysTop), 1608);
  EXPECT_EQ(options.ReadHotkey(ohHibernate), 1611);
  EXPECT_EQ(options.ReadHotkey(ohShowHide), 1607);
  EXPECT_FALSE(std::filesystem::exists(dir / "options.ini"));
}

TEST(OptionsTest, KeysLandInTheirSections) {
  testkit::TempDir dir;
  TOptions options(W(dir / "options.ini"), u"");
  options.WriteBool(obPlaylistVisible, false);
  options.WriteBool(obSingleInstance, true);
  options.WriteInt(oiHowMany, 20);
  options.WriteInt(oiHideTime, 900);
  options.WriteStr(osFolder, u"/kayıt");
  options.WriteHotkey(ohShowHide, 0);
  TWIniFile raw(W(dir / "options.ini"));
  EXPECT_EQ(raw.ReadString(u"playlist", u"visible", u""), u"0");
  EXPECT_EQ(raw.ReadString(u"application", u"singleinstance", u""), u"1");
  EXPECT_EQ(raw.ReadString(u"playlist", u"howmany", u""), u"20");
  EXPECT_EQ(raw.ReadString(u"volume", u"hidetime", u""), u"900");
  EXPECT_EQ(raw.ReadString(u"recorder", u"folder", u""), u"/kayıt");
  // A folder whose name is not UTF-8 (Windows-1254 "Kayıt Ş") keeps its
  // bytes, stored as its escaped address.
  const std::u16string bytes = enc::FileNameToWide("/home/k\xFDt/Kay\xFDt \xDE");
  options.WriteStr(osFolder, bytes);
  EXPECT_EQ(options.ReadStr(osFolder), bytes);
  EXPECT_EQ(raw.ReadString(u"recorder", u"folder", u""), u"file:///home/k%FDt/Kay%FDt %DE");
  EXPECT_EQ(raw.ReadString(u"hotkeys", u"showhide", u""), u"0");
  EXPECT_EQ(options.ReadHotkey(ohShowHide), 0);

  // Every key is distinct within its section.
  std::set<std::u16string> seen;
  auto add = [&](const TOptionKey& k) {
    EXPECT_TRUE(seen.insert(std::u16string(k.Section) + u"/" + k.Name).second);
  };
  for (int i = 0; i < obCount; ++i) add(TOptions::BoolKey(TOptionBool(i)));
  for (int i = 0; i < oiCount; ++i) add(TOptions::IntKey(TOptionInt(i)));
  for (int i = 0; i < osCount; ++i) add(TOptions::StrKey(TOptionStr(i)));
  // The hotkeys section repeats names of the player section on purpose.
  for (int i = 0; i < ohCount; ++i) add(TOptions::HotkeyKey(TOptionHotkey(i)));
  EXPECT_EQ(seen.size(), 22u + 15u + 3u + 4u);
}

TEST(OptionsTest, IndexesOutsideTheFamiliesReadEmptyAndWriteNothing) {
  testkit::TempDir dir;
  TOptions options(W(dir / "options.ini"), u"/desk");
  EXPECT_FALSE(options.ReadBool(TOptionBool(22)));
  EXPECT_FALSE(options.ReadBool(TOptionBool(-1)));
  EXPECT_EQ(options.ReadInt(TOptionInt(16)), 0);
  EXPECT_EQ(options.ReadStr(TOptionStr(3)), u"");
  EXPECT_EQ(options.ReadHotkey(TOptionHotkey(4)), 0);
  options.WriteBool(TOptionBool(22), true);
  options.WriteInt(TOptionInt(-1), 5);
  options.WriteStr(TOptionStr(7), u"x");
  options.WriteHotkey(TOptionHotkey(9), 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "options.ini"));
}

TEST(OptionsTest, StoredValuesHexAndRecorderRanges) {
  testkit::TempDir dir;
  auto path = dir / "options.ini";
  testkit::TempDir::WriteFile(path,
                              "[Player]\nVolume=0x19\nbuffer=abc\nmute=2\n"
                              "[recorder]\nbitrate=15\nfrequency=10\nformat=-1\n");
  TOptions options(W(path), u"");
  EXPECT_EQ(options.ReadInt(oiVolume), 25);
  EXPECT_EQ(options.ReadInt(oiBuffer), 10000);
  EXPECT_TRUE(options.ReadBool(obMute));
  EXPECT_EQ(options.ReadInt(oiBitrate), 8);
  EXPECT_EQ(options.ReadInt(oiFrequency), 7);
  EXPECT_EQ(options.ReadInt(oiFormat), 4);
  EXPECT_EQ(options.ReadStoredInt(oiBitrate), 15);

  options.RepairRecorderIndexes();
  EXPECT_EQ(options.ReadStoredInt(oiBitrate), 8);
  EXPECT_EQ(options.ReadStoredInt(oiFrequency), 7);
  // Only too-large values are rewritten; a negative format stays stored.
  EXPECT_EQ(options.ReadStoredInt(oiFormat), -1);

  testkit::TempDir::WriteFile(path, "[recorder]\nbitrate=14\nfrequency=9\nformat=7\n");
  options.RepairRecorderIndexes();
  EXPECT_EQ(options.ReadInt(oiBitrate), 14);
  EXPECT_EQ(options.ReadInt(oiFrequency), 9);
  EXPECT_EQ(options.ReadInt(oiFormat), 7);
}

TEST(OptionsTest, NetworkValuesAreHeldToSaneRanges) {
  testkit::TempDir dir;
  auto file = dir / "options.ini";
  testkit::TempDir::WriteFile(file, "[player]\nbuffer=2147483647\ntimeout=0\nattempt=999999\nvolume=-5\n");
  TOptions options(enc::Utf8ToUtf16(file.string()), u"/desk");
  EXPECT_EQ(options.ReadInt(oiBuffer), 60000);
  EXPECT_EQ(options.ReadInt(oiTimeout), 15000);
  EXPECT_EQ(options.ReadInt(oiAttempt), 10);
  EXPECT_EQ(options.ReadInt(oiVolume), 0);
  testkit::TempDir::WriteFile(file, "[player]\nbuffer=-5\ntimeout=50\nattempt=-3\nvolume=300\n");
  EXPECT_EQ(options.ReadInt(oiBuffer), 10000);
  EXPECT_EQ(options.ReadInt(oiTimeout), 1000);
  EXPECT_EQ(options.ReadInt(oiAttempt), 1);
  EXPECT_EQ(options.ReadInt(oiVolume), 100);
  testkit::TempDir::WriteFile(file, "[player]\nbuffer=4000\ntimeout=8000\nattempt=3\n");
  EXPECT_EQ(options.ReadInt(oiBuffer), 4000);
  EXPECT_EQ(options.ReadInt(oiTimeout), 8000);
  EXPECT_EQ(options.ReadInt(oiAttempt), 3);
}

TEST(OptionsTest, CorruptOrUnreadableFileGivesDefaults) {
  testkit::TempDir dir;
  auto path = dir / "options.ini";
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  testkit::TempDir::WriteFile(path, garbage);
  TOptions options(W(path), u"/d");
  EXPECT_EQ(options.ReadInt(oiVolume), 25);
  EXPECT_TRUE(options.ReadBool(obStartup));
  EXPECT_EQ(options.ReadStr(osFolder), u"/d");

  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  EXPECT_EQ(options.ReadInt(oiTimeout), 15000);
  EXPECT_THROW(options.WriteInt(oiTimeout, 1), EIniFileException);
}

TEST(OptionsTest, HotkeyWordsConvertForRegistrationAndMenus) {
  // Ctrl+Alt+R: HOTKEYF_CONTROL|HOTKEYF_ALT over 'R'.
  EXPECT_EQ(HotkeyToRegisterWord(0x652), ((MOD_CONTROL | MOD_ALT) << 8) | 0x52);
  EXPECT_EQ(HotkeyModifierText(0x652), u"Ctrl+Alt+");
  // Shift alone moves from bit 0 to MOD_SHIFT; the extended flag is dropped.
  EXPECT_EQ(HotkeyToRegisterWord(0x941), (MOD_SHIFT << 8) | 0x41);
  EXPECT_EQ(HotkeyModifierText(0x741), u"Ctrl+Shift+Alt+");
  EXPECT_EQ(HotkeyToRegisterWord(0), 0);
  EXPECT_EQ(HotkeyModifierText(0x41), u"");
}

}  // namespace
