#include "support/WIniFiles.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "support/Encoding.h"

namespace {

std::u16string W(const std::filesystem::path& p) { return enc::Utf8ToUtf16(p.string()); }

std::string Utf16Le(std::u16string_view text, bool mark) {
  std::string bytes = mark ? std::string("\xFF\xFE") : std::string();
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(WIniFilesTest, IntegerReadingRules) {
  EXPECT_EQ(wstr::IniStrToIntDef(u"0x19", 7), 25);
  EXPECT_EQ(wstr::IniStrToIntDef(u"0X1F", 7), 31);
  EXPECT_EQ(wstr::IniStrToIntDef(u"0x", 7), 7);
  EXPECT_EQ(wstr::IniStrToIntDef(u"0xZZ", 7), 7);
  EXPECT_EQ(wstr::IniStrToIntDef(u"$ff", 7), 255);
  EXPECT_EQ(wstr::IniStrToIntDef(u"$FFFFFFFF", 7), -1);
  EXPECT_EQ(wstr::IniStrToIntDef(u"-42", 7), -42);
  EXPECT_EQ(wstr::IniStrToIntDef(u"  12", 7), 12);
  EXPECT_EQ(wstr::IniStrToIntDef(u"12 ", 7), 7);
  EXPECT_EQ(wstr::IniStrToIntDef(u"1,000", 7), 7);
  EXPECT_EQ(wstr::IniStrToIntDef(u"abc", 7), 7);
  EXPECT_EQ(wstr::IniStrToIntDef(u"", 7), 7);
  EXPECT_EQ(wstr::IniStrToIntDef(u"2147483647", 7), 2147483647);
  EXPECT_EQ(wstr::IniStrToIntDef(u"-2147483648", 7), -2147483647 - 1);
  EXPECT_EQ(wstr::IniStrToIntDef(u"2147483648", 7), 7);
  EXPECT_EQ(wstr::IniStrToIntDef(u"99999999999999999999", 7), 7);
}

TEST(WIniFilesTest, ProfileMissingFileGivesDefaultsAndFirstWriteCreatesIt) {
  testkit::TempDir dir;
  TWIniFile ini(W(dir / "options.ini"));
  EXPECT_EQ(ini.ReadString(u"player", u"x", u"def"), u"def");
  EXPECT_EQ(ini.ReadInteger(u"player", u"volume", 25), 25);
  EXPECT_TRUE(ini.ReadBool(u"player", u"startup", true));
  EXPECT_FALSE(std::filesystem::exists(dir / "options.ini"));

  ini.WriteInteger(u"player", u"volume", 40);
  ini.WriteBool(u"player", u"mute", true);
  ini.WriteString(u"recorder", u"folder", u"/home/ş/Masaüstü");
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "options.ini"),
            "[player]\nvolume=40\nmute=1\n\n[recorder]\nfolder=/home/\xC5\x9F/Masa\xC3\xBCst\xC3\xBC\n");
  EXPECT_EQ(ini.ReadInteger(u"PLAYER", u"VOLUME", 0), 40);
  // Blanks around names are not part of them, as in the file.
  ini.WriteInteger(u" player ", u" volume ", 41);
  EXPECT_EQ(ini.ReadInteger(u"player", u"volume", 0), 41);
  EXPECT_EQ(ini.ReadInteger(u"player ", u" volume", 0), 41);
  EXPECT_EQ(ini.ReadString(u"Recorder", u"Folder", u""), u"/home/ş/Masaüstü");
}

TEST(WIniFilesTest, ProfileReadsHandEditedFiles) {
  testkit::TempDir dir;
  auto path = dir / "options.ini";
  testkit::TempDir::WriteFile(path,
                              "; comment=1\r\n"
                              "stray=before any section\r\n"
                              "  [ Player ]  trailing\r\n"
                              "  Volume = 0x19  \r\n"
                              "quoted=\"  spaced  \"\r\n"
                              "dup=1\r\n"
                              ";dup=9\r\n"
                              "DUP=2\r\n"
                              "[other]\r\n"
                              "dup=3\r\n"
                              "[player]\r\n"
                              "late=yes\r\n");
  TWIniFile ini(W(path));
  EXPECT_EQ(ini.ReadInteger(u"player", u"volume", 0), 25);
  EXPECT_EQ(ini.ReadString(u"player", u"quoted", u""), u"  spaced  ");
  EXPECT_EQ(ini.ReadInteger(u"player", u"dup", 0), 2);
  EXPECT_EQ(ini.ReadString(u"player", u"late", u""), u"yes");
  EXPECT_EQ(ini.ReadString(u"", u"stray", u"-"), u"-");

  TWStringList names;
  ini.ReadSection(u"PLAYER", names);
  ASSERT_EQ(names.Count(), 4);
  EXPECT_EQ(names.Get(0), u"Volume");
  EXPECT_EQ(names.Get(3), u"late");
  ini.ReadSections(names);
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.Get(0), u"Player");
  EXPECT_TRUE(ini.ValueExists(u"player", u"LATE"));
  EXPECT_FALSE(ini.ValueExists(u"other", u"late"));

  // A write replaces the line that reads win and keeps everything else.
  ini.WriteInteger(u"player", u"dup", 5);
  EXPECT_EQ(ini.ReadInteger(u"player", u"dup", 0), 5);
  std::string text = testkit::TempDir::ReadFile(path);
  EXPECT_NE(text.find("; comment=1\n"), std::string::npos);
  EXPECT_NE(text.find("dup=1\n"), std::string::npos);
  EXPECT_NE(text.find("dup=5\n[other]"), std::string::npos);

  ini.DeleteKey(u"Player", u"dup");
  EXPECT_EQ(ini.ReadInteger(u"player", u"dup", -1), -1);
  EXPECT_EQ(ini.ReadInteger(u"other", u"dup", -1), 3);
  ini.EraseSection(u"PLAYER");
  EXPECT_EQ(ini.ReadInteger(u"player", u"volume", -1), -1);
  EXPECT_EQ(ini.ReadInteger(u"other", u"dup", -1), 3);
}

TEST(WIniFilesTest, ProfileKeepsUtf16FilesUtf16AndBoundsValues) {
  testkit::TempDir dir;
  auto path = dir / "options.ini";
  testkit::TempDir::WriteFile(path, Utf16Le(u"[player]\r\nname=Kış\r\n", true));
  TWIniFile ini(W(path));
  EXPECT_EQ(ini.ReadString(u"player", u"name", u""), u"Kış");
  ini.WriteString(u"player", u"long", std::u16string(5000, u'a'));
  EXPECT_EQ(testkit::TempDir::ReadFile(path).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ini.ReadString(u"player", u"long", u"").size(), TWIniFile::MaxValueLength);

  // Line breaks cannot smuggle a section into the file.
  ini.WriteString(u"player", u"evil", u"x\n[application]\nsingleinstance=1");
  EXPECT_EQ(ini.ReadInteger(u"application", u"singleinstance", 0), 0);
  EXPECT_THROW(ini.WriteString(u"player", u"a=b", u"1"), EIniFileException);
  EXPECT_THROW(ini.WriteString(u"pl]ayer", u"a", u"1"), EIniFileException);

  // Bytes that are not UTF-8 are read as Windows-1254.
  testkit::TempDir::WriteFile(path, "[p]\nname=\xDE\x65hir\n");
  EXPECT_EQ(ini.ReadString(u"p", u"name", u""), u"Şehir");
}

TEST(WIniFilesTest, ProfileWriteFailureRaisesAndKeepsTheOldFile) {
  testkit::TempDir dir;
  // Tests may run as root, so make the target itself unwritable: a folder.
  std::filesystem::create_directory(dir / "options.ini");
  TWIniFile blocked(W(dir / "options.ini"));
  EXPECT_EQ(blocked.ReadInteger(u"player", u"volume", 25), 25);
  try {
    blocked.WriteInteger(u"player", u"volume", 1);
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), u"Unable to write to " + W(dir / "options.ini"));
  }

  TWIniFile nowhere(W(dir / "missing" / "options.ini"));
  EXPECT_THROW(nowhere.WriteInteger(u"player", u"volume", 1), EIniFileException);
  EXPECT_THROW(nowhere.UpdateFile(), EIniFileException);

  // UpdateFile leaves a run's settings file behind and touches nothing else.
  TWIniFile fresh(W(dir / "fresh.ini"));
  fresh.UpdateFile();
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "fresh.ini"), "");
  testkit::TempDir::WriteFile(dir / "fresh.ini", "[a]\nb=1\n");
  fresh.UpdateFile();
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "fresh.ini"), "[a]\nb=1\n");
}

TEST(WIniFilesTest, MemoryFileLoadsEscapesDuplicatesAndCase) {
  testkit::TempDir dir;
  auto path = dir / "schedule.ini";
  testkit::TempDir::WriteFile(path, Utf16Le(u"ignored=1\r\n"
                                            u"[Schedule]\r\n"
                                            u"  enable = 1 \r\n"
                                            u"; note\r\n"
                                            u"enable=2\r\n"
                                            u"text=a\\nb\\\\c\\td\\qe\r\n"
                                            u"bare line\r\n",
                                            false));
  TWMemIniFile ini(W(path));
  EXPECT_EQ(ini.ReadInteger(u"schedule", u"ENABLE", 0), 2);
  EXPECT_EQ(ini.ReadString(u"SCHEDULE", u"text", u""), u"a\nb\\c\tde");
  EXPECT_EQ(ini.ReadString(u"", u"ignored", u"-"), u"-");
  TWStringList lines;
  ini.ReadSectionValues(u"schedule", lines);
  ASSERT_EQ(lines.Count(), 4);
  EXPECT_EQ(lines.Get(3), u"bare line");

  ini.WriteString(u"schedule", u"radioname", u"Kral\r\nFM\\1");
  ini.WriteInteger(u"new", u"x", 0x10);
  ini.UpdateFile();
  EXPECT_EQ(testkit::TempDir::ReadFile(path),
            Utf16Le(u"[Schedule]\r\nenable=1\r\nenable=2\r\ntext=a\\nb\\\\c\\tde\r\nbare line\r\n"
                    u"radioname=Kral\\r\\nFM\\\\1\r\n\r\n[new]\r\nx=16\r\n\r\n",
                    true));

  TWMemIniFile again(W(path));
  EXPECT_EQ(again.ReadString(u"schedule", u"radioname", u""), u"Kral\r\nFM\\1");
  EXPECT_EQ(again.ReadInteger(u"NEW", u"X", 0), 16);
}

TEST(WIniFilesTest, MemoryFileSecondSectionOfTheSameNameWins) {
  testkit::TempDir dir;
  auto path = dir / "s.ini";
  testkit::TempDir::WriteFile(path, Utf16Le(u"[a]\r\nx=1\r\ny=1\r\n[A]\r\nx=2\r\n", true));
  TWMemIniFile ini(W(path));
  EXPECT_EQ(ini.ReadInteger(u"a", u"x", 0), 2);
  EXPECT_EQ(ini.ReadInteger(u"a", u"y", 0), 0);
  ini.WriteInteger(u"a", u"y", 5);
  EXPECT_EQ(ini.ReadInteger(u"A", u"y", 0), 5);
  ini.EraseSection(u"a");
  TWStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.Count(), 0);
}

TEST(WIniFilesTest, MemoryFileUnreadableOrUnwritable) {
  testkit::TempDir dir;
  std::filesystem::create_directory(dir / "schedule.ini");
  TWMemIniFile ini(W(dir / "schedule.ini"));  // a folder: reads as empty
  EXPECT_EQ(ini.ReadInteger(u"schedule", u"action", 3), 3);
  ini.WriteInteger(u"schedule", u"action", 1);
  EXPECT_THROW(ini.UpdateFile(), EIniFileException);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "schedule.ini"));

  TWMemIniFile empty(u"");
  EXPECT_EQ(empty.ReadString(u"a", u"b", u"d"), u"d");
}

TEST(WIniFilesTest, GarbageFilesNeverBreakEitherKind) {
  testkit::TempDir dir;
  auto path = dir / "garbage.ini";
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  const char* pieces[] = {"[", "]", "=", "\\", "\\n", "\n", "\r\n", "\r", "0x", ";", " ", "a", "\xFF\xFE", "\xC5"};
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    int length = static_cast<int>(next() % 200);
    for (int i = 0; i < length; ++i) {
      if (next() % 3 == 0)
        bytes += pieces[next() % (sizeof pieces / sizeof *pieces)];
      else
        bytes += static_cast<char>(next() & 0xFF);
    }
    if (round % 2) bytes = std::string("\xFF\xFE") + bytes;
    testkit::TempDir::WriteFile(path, bytes);
    TWIniFile profile(W(path));
    TWStringList sections;
    profile.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
      TWStringList names;
      profile.ReadSectionValues(sections.Get(i), names);
    }
    profile.ReadInteger(u"a", u"a", 0);
    TWMemIniFile memory(W(path));
    memory.ReadSections(sections);
    // Writing flushes to the disk; a sample of the rounds is enough.
    if (round % 20 != 0) continue;
    profile.WriteInteger(u"player", u"volume", round);
    EXPECT_EQ(profile.ReadInteger(u"PLAYER", u"VOLUME", -1), round);

    testkit::TempDir::WriteFile(path, bytes);
    memory.WriteInteger(u"schedule", u"action", round);
    memory.UpdateFile();
    TWMemIniFile again(W(path));
    EXPECT_EQ(again.ReadInteger(u"schedule", u"action", -1), round);
  }
}

}  // namespace
