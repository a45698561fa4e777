#include "SoakTrend.h"

#include <algorithm>
#include <cmath>

namespace soak {

double LeastSquaresSlope(const std::vector<TPoint>& points) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const auto& p : points) {
    n += 1;
    sx += p.minutes;
    sy += p.kb;
    sxx += p.minutes * p.minutes;
    sxy += p.minutes * p.kb;
  }
  const double d = n * sxx - sx * sx;
  return n >= 2 && d > 1e-12 ? (n * sxy - sx * sy) / d : 0.0;
}

namespace {

// The slope shared by runs of samples, each run allowed a height of its
// own: every run's deviations from its own mean, pooled.
double PooledSlope(const std::vector<std::vector<TPoint>>& runs) {
  double sxy = 0, sxx = 0;
  for (const auto& run : runs) {
    if (run.size() < 2) continue;
    double mx = 0, my = 0;
    for (const auto& p : run) {
      mx += p.minutes;
      my += p.kb;
    }
    mx /= static_cast<double>(run.size());
    my /= static_cast<double>(run.size());
    for (const auto& p : run) {
      sxy += (p.minutes - mx) * (p.kb - my);
      sxx += (p.minutes - mx) * (p.minutes - mx);
    }
  }
  return sxx > 1e-12 ? sxy / sxx : 0.0;
}

}  // namespace

TTrend Trend(const std::vector<TPoint>& all, double skipMinutes, double windowMinutes, double jumpKb) {
  std::vector<TPoint> points;
  for (const auto& p : all)
    if (p.minutes >= skipMinutes) points.push_back(p);
  TTrend trend;
  if (points.empty()) return trend;
  trend.raw = LeastSquaresSlope(points);

  const double first = points.front().minutes, last = points.back().minutes;
  windowMinutes = std::max(windowMinutes, 1e-6);
  for (const auto& p : points) {
    const double from = first + std::floor((p.minutes - first) / windowMinutes) * windowMinutes;
    if (trend.windows.empty() || from > trend.windows.back().from) {
      // A short tail is one window with the one before it, so that a few
      // samples do not carry a window's weight.
      if (!trend.windows.empty() && last - from < windowMinutes / 2) {
        trend.windows.back().to = from + windowMinutes;
      } else {
        trend.windows.push_back({from, from + windowMinutes, p.kb, p.kb, p.kb});
        continue;
      }
    }
    TWindow& w = trend.windows.back();
    w.low = std::min(w.low, p.kb);
    w.high = std::max(w.high, p.kb);
  }
  std::vector<TPoint> lows;
  for (auto& w : trend.windows) {
    w.to = std::min(w.to, last);
    std::vector<double> values;
    for (const auto& p : points)
      if (p.minutes >= w.from && p.minutes <= w.to) values.push_back(p.kb);
    std::sort(values.begin(), values.end());
    if (!values.empty()) w.floor = values[values.size() / 10];
    lows.push_back({(w.from + w.to) / 2, w.floor});
  }
  trend.minima = LeastSquaresSlope(lows);

  std::vector<std::vector<TPoint>> runs(1);
  for (size_t i = 0; i < points.size(); ++i) {
    if (i > 0 && std::fabs(points[i].kb - points[i - 1].kb) > jumpKb) {
      ++trend.jumps;
      runs.emplace_back();
    }
    runs.back().push_back(points[i]);
  }
  trend.inLevels = PooledSlope(runs);
  return trend;
}

}  // namespace soak
