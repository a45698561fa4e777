// How a memory figure sampled over a long run moves, told apart from a
// bounded buffer that is sometimes fuller and sometimes emptier.
//
// A buffer that fills and drains makes the samples jump between a few
// levels. A straight line through such samples follows which level the
// late samples happen to hit, so besides it two figures are given that a
// step does not move and growth does:
//  - the slope of each window's low (its tenth-lowest sample in a hundred,
//    so that one sample taken between two channels does not count): a
//    leak lifts every level, the lowest one too, wherever the samples fall;
//  - the slope inside the levels: the samples between two jumps share one
//    line's slope, each run of them its own height, so growth between the
//    jumps shows even when the jumps hide it from the line.
#pragma once

#include <vector>

namespace soak {

struct TPoint {
  double minutes;
  double kb;
};

struct TWindow {
  double from, to;  // minutes
  double low, high;  // the lowest and highest sample
  double floor;      // the tenth percentile of the window's samples
};

struct TTrend {
  double raw = 0;      // KB a minute, least squares over the samples
  double minima = 0;   // KB a minute, least squares over the windows' floors
  double inLevels = 0; // KB a minute, the slope shared by the runs between jumps
  int jumps = 0;       // level changes counted
  std::vector<TWindow> windows;
};

// Least-squares slope of `points` (0 for fewer than two distinct times).
double LeastSquaresSlope(const std::vector<TPoint>& points);

// The trend of `points` (taken in time order; those before `skipMinutes`
// are left out): windows of `windowMinutes` from the first point on (a last
// window shorter than half of that joins the one before), and a jump
// wherever two neighbouring samples differ by more than `jumpKb`.
TTrend Trend(const std::vector<TPoint>& points, double skipMinutes, double windowMinutes, double jumpKb);

}  // namespace soak
