#include "ui/window/RunTiming.h"

#include <glib.h>
#include <time.h>

#include <cmath>
#include <cstdio>

#include "app/FormatSettings.h"

namespace ui {

TClockReading ReadSystemClock() {
  TClockReading reading;
  GDateTime* now = g_date_time_new_now_local();
  reading.UtcOffsetSeconds = g_date_time_get_utc_offset(now) / G_TIME_SPAN_SECOND;
  reading.WallSeconds = g_date_time_to_unix(now) + reading.UtcOffsetSeconds;
  g_date_time_unref(now);
  timespec boot{};
  clock_gettime(CLOCK_BOOTTIME, &boot);
  reading.BootMs = static_cast<int64_t>(boot.tv_sec) * 1000 + boot.tv_nsec / 1000000;
  return reading;
}

TRunClock TRunClock::System() { return TRunClock{&ReadSystemClock}; }

namespace {

int64_t SecondOfDayOf(int64_t wallSeconds) {
  int64_t s = wallSeconds % SecondsPerDay;
  return s < 0 ? s + SecondsPerDay : s;
}

}  // namespace

void TStartWatch::Arm(int64_t secondOfDay, TClockReading now) {
  FArmed = true;
  FSecond = SecondOfDayOf(secondOfDay);
  FLastStartBoot.reset();
  FMissed.clear();
  // The present second is still to come.
  FLast = now;
  FLast.WallSeconds -= 1;
  FLast.BootMs -= 1000;
}

void TStartWatch::Disarm() { FArmed = false; }

bool TStartWatch::Check(TClockReading now) {
  if (!FArmed) return false;
  const TClockReading last = FLast;
  FLast = now;
  FMissed.clear();
  const int64_t wallGap = now.WallSeconds - last.WallSeconds;
  if (wallGap <= 0) return false;  // the same second, or the clock set back
  // Did the start second come within (last, now]?
  int64_t passedBy = SecondOfDayOf(now.WallSeconds - FSecond);  // seconds since the latest start time
  if (passedBy >= wallGap) return false;
  const int64_t bootGap = now.BootMs - last.BootMs;
  if (bootGap > MaxGapMs) {
    FMissed = "the computer slept or the program was held up";
    return false;
  }
  // Summer time moves the wall clock by an hour in one tick; the clocks
  // still agree in UTC, and a start time in the skipped hour (or right
  // after it) is taken, not lost for the day.
  const int64_t utcGap = wallGap - (now.UtcOffsetSeconds - last.UtcOffsetSeconds);
  if (std::llabs(utcGap * 1000 - bootGap) > MaxSkewMs) {
    FMissed = "the clock was set";
    return false;
  }
  const int64_t occurrence = now.WallSeconds - passedBy;
  if ((FLastStartBoot && now.BootMs - *FLastStartBoot < QuietAfterStartMs) || FLastOccurrence == occurrence) {
    FMissed = "started already";
    return false;
  }
  FLastStartBoot = now.BootMs;
  FLastOccurrence = occurrence;
  return true;
}

bool TEndWatch::Check(TClockReading now) {
  if (!FRunning || now.BootMs < FEndBoot) return false;
  FRunning = false;
  return true;
}

int64_t DaySeconds(double fraction) {
  if (!std::isfinite(fraction)) return 0;
  return static_cast<int64_t>(std::llround(fraction * SecondsPerDay));
}

std::u16string ElapsedText(int64_t elapsedMs) {
  int64_t seconds = elapsedMs < 0 ? 0 : elapsedMs / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02d:%02d:%02d", static_cast<long long>(seconds / SecondsPerDay),
                static_cast<int>(seconds / 3600 % 24), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  std::u16string result;
  for (const char* p = text; *p; ++p) result += static_cast<char16_t>(*p);
  return result;
}

std::u16string SizeText(int64_t bytes) {
  if (bytes < 0) bytes = 0;
  if (bytes < 1024) return app::FormatNumber(static_cast<double>(bytes), 0, true) + u" B";
  if (bytes < 1048576) return app::FormatNumber(bytes / 1024.0, 0, true) + u" KB";
  if (bytes < 1073741824) return app::FormatNumber(bytes / 1048576.0, 2, true) + u" MB";
  return app::FormatNumber(bytes / 1073741824.0, 2, true) + u" GB";
}

}  // namespace ui
