// The soak bench's verdict: a bounded buffer that is sometimes fuller must
// not read as growth, and growth must not hide behind such a buffer.
#include "SoakTrend.h"

#include <gtest/gtest.h>

#include <vector>

using soak::TPoint;
using soak::Trend;

namespace {

// An hour of samples every 10 s on three levels, as a push stream that is
// more or less full gives them, with most late samples on the highest one
// (where a straight line climbs steeply), plus `kbPerMinute` of growth.
std::vector<TPoint> Levels(double kbPerMinute) {
  const double levels[] = {8700, 11500, 17000};
  std::vector<TPoint> points;
  for (int i = 0; i <= 360; ++i) {
    const double minutes = i / 6.0;
    const int block = i / 12;  // one connection's two minutes
    const int level = minutes > 50 ? (block % 3 == 0 ? 0 : 2) : block % 3 == 2 ? 1 : 0;
    points.push_back({minutes, levels[level] + kbPerMinute * minutes});
  }
  return points;
}

}  // namespace

TEST(SoakTrend, ABufferMovingBetweenLevelsIsNotGrowthButGrowthBesideItShows) {
  const soak::TTrend flat = Trend(Levels(0), 1.0, 10.0, 128);
  EXPECT_GT(flat.raw, 50.0) << "the straight line follows the late samples' level";
  EXPECT_NEAR(flat.minima, 0.0, 0.01);
  EXPECT_NEAR(flat.inLevels, 0.0, 0.01);
  EXPECT_GT(flat.jumps, 10);
  ASSERT_EQ(flat.windows.size(), 6u);
  EXPECT_DOUBLE_EQ(flat.windows[1].low, 8700);
  EXPECT_DOUBLE_EQ(flat.windows[5].high, 17000);

  // 1 KB per title, a title every 10 s.
  const soak::TTrend leak = Trend(Levels(6), 1.0, 10.0, 128);
  EXPECT_NEAR(leak.minima, 6.0, 0.5);
  EXPECT_NEAR(leak.inLevels, 6.0, 0.01);
}

TEST(SoakTrend, GrowthAtTheJumpsOnlyShowsInTheLows) {
  // Every reconnect (each 2 minutes) keeps 100 KB more: flat between the
  // jumps, 50 KB a minute in all.
  std::vector<TPoint> points;
  for (int i = 0; i <= 360; ++i) points.push_back({i / 6.0, 9000.0 + 100.0 * (i / 12)});
  const soak::TTrend t = Trend(points, 1.0, 10.0, 50);
  EXPECT_NEAR(t.inLevels, 0.0, 0.01);
  EXPECT_NEAR(t.minima, 50.0, 5.0);
}

TEST(SoakTrend, TheFirstMinuteIsLeftOutAndAShortTailJoinsTheWindowBefore) {
  std::vector<TPoint> points = {{0.0, 1000}, {0.5, 5000}};  // start-up
  for (int i = 6; i <= 130; ++i) points.push_back({i / 6.0, 6000});
  const soak::TTrend t = Trend(points, 1.0, 10.0, 128);
  EXPECT_DOUBLE_EQ(t.raw, 0.0);
  EXPECT_EQ(t.jumps, 0);
  // 1 to 21.7 minutes: two windows, the last 0.7 minutes in the second.
  ASSERT_EQ(t.windows.size(), 2u);
  EXPECT_DOUBLE_EQ(t.windows[0].from, 1.0);
  EXPECT_NEAR(t.windows[1].to, 130 / 6.0, 1e-9);
  EXPECT_DOUBLE_EQ(t.windows[1].low, 6000);
  EXPECT_DOUBLE_EQ(Trend({}, 1.0, 10.0, 128).minima, 0.0);
}

TEST(SoakTrend, ASampleTakenBetweenTwoChannelsIsNoLow) {
  // Flat at 7,368 KB, but the first window caught the old channel freed
  // and the new one not yet filled once: the low stays on the level.
  std::vector<TPoint> points;
  for (int i = 6; i <= 360; ++i) points.push_back({i / 6.0, i == 40 ? 6336.0 : 7368.0});
  const soak::TTrend t = Trend(points, 1.0, 10.0, 128);
  EXPECT_DOUBLE_EQ(t.windows[0].low, 6336);
  EXPECT_DOUBLE_EQ(t.windows[0].floor, 7368);
  EXPECT_NEAR(t.minima, 0.0, 0.01);
  EXPECT_NEAR(t.inLevels, 0.0, 0.01);
}
