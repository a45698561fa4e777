#include "app/Schedule.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "support/Encoding.h"

namespace {

using namespace app;

std::u16string W(const std::filesystem::path& p) { return enc::Utf8ToUtf16(p.string()); }

TEST(ScheduleTest, EmptyStoreDefaultsAndSavedFileFormat) {
  testkit::TempDir dir;
  auto path = dir / "schedule.ini";
  {
    TSchedule schedule(W(path));
    EXPECT_FALSE(schedule.ReadEnabled());
    EXPECT_FALSE(schedule.ReadMute());
    EXPECT_EQ(schedule.ReadAction(), saContinue);
    EXPECT_EQ(schedule.ReadRadioName(), u"");
    EXPECT_EQ(schedule.ReadStartTime(), 0);
    EXPECT_EQ(schedule.ReadDuration(), 0);
    schedule.WriteEnabled(true);
    schedule.WriteAction(saShutdown);
    schedule.WriteRadioName(u"Radyo Şen");
    schedule.WriteStartTime(EncodeTime(6, 30, 5) + 45000);
    schedule.WriteDuration(EncodeTime(1, 0, 0));
    schedule.WriteMute(false);
    // Nothing reaches the disk before the end of the run.
    EXPECT_FALSE(std::filesystem::exists(path));
    schedule.UpdateFile();
  }
  std::string bytes = testkit::TempDir::ReadFile(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  EXPECT_EQ(text,
            u"[schedule]\r\nenable=1\r\naction=3\r\nradioname=Radyo Şen\r\nstarttime=06:30:05\r\n"
            u"duration=01:00:00\r\nmute=0\r\n\r\n");

  TSchedule again(W(path));
  EXPECT_TRUE(again.ReadEnabled());
  EXPECT_EQ(again.ReadAction(), saShutdown);
  EXPECT_EQ(again.ReadRadioName(), u"Radyo Şen");
  EXPECT_EQ(FormatTime(again.ReadStartTime()), u"06:30:05");
  EXPECT_EQ(FormatTime(again.ReadDuration()), u"01:00:00");
}

TEST(ScheduleTest, HandEditedAndCorruptFiles) {
  testkit::TempDir dir;
  auto path = dir / "schedule.ini";
  // No byte-order mark, odd section case, bad time.
  std::u16string text = u"[Schedule]\r\nENABLE=1\r\nstarttime=25:00:00\r\nduration=0:5\r\naction=0x2\r\n";
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  testkit::TempDir::WriteFile(path, bytes);
  TSchedule schedule(W(path));
  EXPECT_TRUE(schedule.ReadEnabled());
  EXPECT_EQ(schedule.ReadStartTime(), 0);
  EXPECT_EQ(FormatTime(schedule.ReadDuration()), u"00:05:00");
  EXPECT_EQ(schedule.ReadAction(), saClose);
  EXPECT_FALSE(schedule.ReadBool(TScheduleBool(2)));
  EXPECT_EQ(schedule.ReadTime(TScheduleTime(2)), 0);
  schedule.WriteInt(TScheduleInt(1), 5);
  TWStringList names;
  schedule.ReadSection(u"schedule", names);
  EXPECT_EQ(names.Count(), 4);

  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  testkit::TempDir::WriteFile(path, garbage);
  TSchedule corrupt(W(path));
  EXPECT_FALSE(corrupt.ReadEnabled());
  EXPECT_EQ(corrupt.ReadRadioName(), u"");

  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  TSchedule unreadable(W(path));
  EXPECT_EQ(unreadable.ReadAction(), 0);
}

}  // namespace
