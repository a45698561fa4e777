// Time for recordings that run unattended. Two clocks are read together:
// the local wall clock, which says when a time of day comes, and the boot
// clock (CLOCK_BOOTTIME), which only moves forward, is not changed by
// setting the clock, and keeps counting while the computer sleeps. Lengths
// are measured on the boot clock alone; a start is taken only when both
// clocks moved forward together since the previous look, so that a start
// time that passed while the computer slept or while the clock was set is
// skipped (the daily schedule fires again the next day) instead of firing
// late, and setting the clock back never fires the same start twice.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ui {

struct TClockReading {
  int64_t WallSeconds = 0;  // local time, seconds since 1.1.1970 local midnight
  int64_t BootMs = 0;       // boot clock
  // Local time minus UTC: a change of it (summer time beginning or ending)
  // moves the wall clock without anyone setting the clock.
  int64_t UtcOffsetSeconds = 0;
};

// The clocks, replaceable by tests.
struct TRunClock {
  std::function<TClockReading()> Read;
  static TRunClock System();
};

TClockReading ReadSystemClock();

inline constexpr int64_t SecondsPerDay = 86400;

// Watches for a daily time of day.
class TStartWatch {
 public:
  // Longest gap between two looks that still counts as the clocks running
  // on: longer means the computer slept or the program was held up.
  static constexpr int64_t MaxGapMs = 10000;
  // Largest disagreement between the two clocks over one gap; more means
  // the clock was set.
  static constexpr int64_t MaxSkewMs = 2500;
  // After a start, the same watch stays quiet this long (boot clock), so
  // that a clock set back over the start time does not start it again.
  static constexpr int64_t QuietAfterStartMs = 12LL * 3600 * 1000;

  // secondOfDay in 0..86399; a start time equal to the present second
  // counts as still to come.
  void Arm(int64_t secondOfDay, TClockReading now);
  void Disarm();
  bool Armed() const { return FArmed; }
  int64_t SecondOfDay() const { return FSecond; }
  // True once when the start time came since the previous look.
  bool Check(TClockReading now);
  // Why the last look did not start although the start time passed
  // (for the tests and the log): empty when it did not pass.
  const std::string& Missed() const { return FMissed; }

 private:
  bool FArmed = false;
  int64_t FSecond = 0;
  TClockReading FLast;
  std::optional<int64_t> FLastStartBoot;
  // The wall-clock second of the occurrence that fired last. Arming again
  // keeps it: confirming the schedule within the second it fired arms the
  // same time again, and that day's start must not fire a second time.
  std::optional<int64_t> FLastOccurrence;
  std::string FMissed;
};

// A recording length on the boot clock.
class TEndWatch {
 public:
  void Start(int64_t lengthMs, TClockReading now) {
    FEndBoot = now.BootMs + lengthMs;
    FRunning = true;
  }
  void Stop() { FRunning = false; }
  bool Running() const { return FRunning; }
  // True once the length is over (and the watch stops).
  bool Check(TClockReading now);

 private:
  bool FRunning = false;
  int64_t FEndBoot = 0;
};

// Seconds of a time-of-day or length value (a fraction of a day), rounded.
int64_t DaySeconds(double fraction);

// "%d:%s": whole days, then "hh:nn:ss" (1 h 2 min 3 s reads "0:01:02:03").
std::u16string ElapsedText(int64_t elapsedMs);
// "#,0 B" below 1 KB, "#,0 KB" below 1 MB, "#,##0.00 MB" below 1 GB, else
// "#,##0.00 GB".
std::u16string SizeText(int64_t bytes);

}  // namespace ui
