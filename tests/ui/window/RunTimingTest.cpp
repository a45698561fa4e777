// When an unattended start is taken and when it is skipped: ticks that
// come late or twice in a second, a computer that slept over the start
// time, a clock set forward over it or back over it after it fired; and
// lengths that end on the boot clock whatever the wall clock does.
#include <gtest/gtest.h>

#include "ui/window/RunTiming.h"

namespace {

using ui::TClockReading;
using ui::TEndWatch;
using ui::TStartWatch;

constexpr int64_t Day = ui::SecondsPerDay;
constexpr int64_t Eight = 20 * 3600;  // 20:00:00

// A reading at second `s` of day `d`, the boot clock at `bootMs`.
TClockReading At(int64_t d, int64_t s, int64_t bootMs) { return {d * Day + s, bootMs}; }

TEST(RunTimingTest, AStartFiresOnceWhenItsSecondComesEvenWithLateOrDoubleTicks) {
  TStartWatch watch;
  watch.Arm(Eight, At(100, Eight - 3, 1000000));
  EXPECT_FALSE(watch.Check(At(100, Eight - 2, 1001000)));
  EXPECT_FALSE(watch.Check(At(100, Eight - 1, 1002000)));
  // Two ticks within the start second fire once.
  EXPECT_TRUE(watch.Check(At(100, Eight, 1003000)));
  EXPECT_FALSE(watch.Check(At(100, Eight, 1003400)));
  EXPECT_FALSE(watch.Check(At(100, Eight + 1, 1004000)));

  // A loaded machine skips the start second between two ticks: still once.
  TStartWatch late;
  late.Arm(Eight, At(100, Eight - 5, 1000000));
  EXPECT_FALSE(late.Check(At(100, Eight - 1, 1004000)));
  EXPECT_TRUE(late.Check(At(100, Eight + 2, 1007000)));

  // Armed in its own second, the start is still to come; the next day it
  // fires again.
  TStartWatch now;
  now.Arm(Eight, At(100, Eight, 5000));
  EXPECT_TRUE(now.Check(At(100, Eight, 5100)));
  int64_t boot = 5100;
  bool again = false;
  for (int64_t s = Eight + 1; s <= Day + Eight && !again; ++s) again = now.Check(At(100, s, boot += 1000));
  EXPECT_TRUE(again);
  EXPECT_EQ(boot - 5100, Day * 1000);

  // Midnight wraps.
  TStartWatch midnight;
  midnight.Arm(0, At(100, Day - 1, 1000));
  EXPECT_TRUE(midnight.Check(At(101, 0, 2000)));
}

TEST(RunTimingTest, AStartThatPassedInSleepOrWithTheClockSetIsSkippedAndNeverFiresTwice) {
  // Asleep from 19:59:00 to 20:10:00: both clocks jump; the start is
  // missed, not taken late.
  TStartWatch sleep;
  sleep.Arm(Eight, At(100, Eight - 60, 1000000));
  EXPECT_FALSE(sleep.Check(At(100, Eight + 600, 1660000)));
  EXPECT_FALSE(sleep.Missed().empty());
  EXPECT_FALSE(sleep.Check(At(100, Eight + 601, 1661000)));

  // The clock set forward from 19:30 to 20:30 in one second.
  TStartWatch forward;
  forward.Arm(Eight, At(100, Eight - 1800, 1000000));
  EXPECT_FALSE(forward.Check(At(100, Eight + 1800, 1001000)));
  EXPECT_FALSE(forward.Missed().empty());

  // Fired at 20:00, then the clock set back to 19:59:58: 20:00 comes once
  // more on the wall clock, but not for the watch.
  TStartWatch back;
  back.Arm(Eight, At(100, Eight - 1, 1000000));
  EXPECT_TRUE(back.Check(At(100, Eight, 1001000)));
  EXPECT_FALSE(back.Check(At(100, Eight - 2, 1002000)));
  EXPECT_FALSE(back.Check(At(100, Eight - 1, 1003000)));
  EXPECT_FALSE(back.Check(At(100, Eight, 1004000)));
  // Armed again (the dialog confirmed), it may fire again.
  back.Arm(Eight + 5, At(100, Eight + 1, 1005000));
  for (int s = 2; s <= 4; ++s) EXPECT_FALSE(back.Check(At(100, Eight + s, 1004000 + s * 1000)));
  EXPECT_TRUE(back.Check(At(100, Eight + 5, 1009000)));

  // Fired, then armed again for the same time within the same second (the
  // dialog confirmed as the schedule fired): that day's start is taken;
  // the next day's fires.
  TStartWatch same;
  same.Arm(Eight, At(100, Eight - 1, 1000000));
  EXPECT_TRUE(same.Check(At(100, Eight, 1001000)));
  same.Arm(Eight, At(100, Eight, 1001300));
  EXPECT_FALSE(same.Check(At(100, Eight, 1001600)));
  EXPECT_FALSE(same.Check(At(100, Eight + 1, 1002000)));
  same.Arm(Eight, At(101, Eight - 1, 1002000 + Day * 1000));
  EXPECT_TRUE(same.Check(At(101, Eight, 1003000 + Day * 1000)));

  // Disarmed: nothing.
  back.Disarm();
  EXPECT_FALSE(back.Check(At(101, Eight, 1009000 + Day * 1000)));
}

TEST(RunTimingTest, SummerTimeMovingTheWallClockIsNoClockSetting) {
  // Summer time begins: 02:00 becomes 03:00 in one tick while UTC and the
  // boot clock move by a second. A start at 03:00, and one in the hour
  // that does not exist that day, are taken at 03:00.
  constexpr int64_t Two = 2 * 3600, Three = 3 * 3600;
  auto Local = [](int64_t s, int64_t bootMs, int64_t offset) { return TClockReading{100 * Day + s, bootMs, offset}; };
  for (int64_t start : {Three, Two + 1800}) {
    TStartWatch watch;
    watch.Arm(start, Local(Two - 2, 1000000, 3600));
    EXPECT_FALSE(watch.Check(Local(Two - 1, 1001000, 3600)));
    EXPECT_TRUE(watch.Check(Local(Three, 1002000, 7200))) << start << ": " << watch.Missed();
    EXPECT_FALSE(watch.Check(Local(Three + 1, 1003000, 7200)));
  }
  // Summer time ends: 03:00 becomes 02:00; the start at 02:30 that fired
  // in the first pass does not fire in the second.
  TStartWatch autumn;
  autumn.Arm(Two + 1800, Local(Two + 1799, 1000000, 7200));
  EXPECT_TRUE(autumn.Check(Local(Two + 1800, 1001000, 7200)));
  int64_t boot = 1001000;
  bool again = false;
  for (int64_t s = Two + 1801; s < Three; ++s) again |= autumn.Check(Local(s, boot += 1000, 7200));
  for (int64_t s = Two; s <= Three && !again; ++s) again |= autumn.Check(Local(s, boot += 1000, 3600));
  EXPECT_FALSE(again);
}

TEST(RunTimingTest, ALengthEndsOnTheBootClockWhateverTheWallClockDoes) {
  TEndWatch end;
  end.Start(11000, At(100, Eight, 50000));
  // The wall clock set a day ahead, then back: no effect.
  EXPECT_FALSE(end.Check(At(101, Eight, 55000)));
  EXPECT_FALSE(end.Check(At(99, Eight, 60999)));
  EXPECT_TRUE(end.Check(At(99, Eight, 61000)));
  EXPECT_FALSE(end.Running());
  EXPECT_FALSE(end.Check(At(99, Eight, 62000)));
  // Asleep past the end (the boot clock counts sleep): it ends on waking.
  end.Start(3600000, At(100, Eight, 0));
  EXPECT_TRUE(end.Check(At(100, Eight + 7200, 7200000)));
}

TEST(RunTimingTest, ElapsedAndSizeTexts) {
  EXPECT_EQ(ui::ElapsedText(0), u"0:00:00:00");
  EXPECT_EQ(ui::ElapsedText(3723000), u"0:01:02:03");
  EXPECT_EQ(ui::ElapsedText((2 * Day + 3 * 3600 + 4 * 60 + 5) * 1000 + 999), u"2:03:04:05");
  EXPECT_EQ(ui::SizeText(0), u"0 B");
  EXPECT_EQ(ui::SizeText(1023), u"1,023 B");
  EXPECT_EQ(ui::SizeText(1024), u"1 KB");
  EXPECT_EQ(ui::SizeText(1048575), u"1,024 KB");
  EXPECT_EQ(ui::SizeText(5 * 1048576 + 1048576 / 4), u"5.25 MB");
  EXPECT_EQ(ui::SizeText(1000LL * 1048576), u"1,000.00 MB");
  EXPECT_EQ(ui::SizeText(3LL * 1073741824 / 2), u"1.50 GB");
}

}  // namespace
