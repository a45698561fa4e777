// The loops that put a channel's samples into the device's mix. Each runs
// over the data once, eight samples at a time in an inner loop of fixed
// length, which the compiler turns into vector code at the project's
// optimisation level (a loop of unknown length it leaves scalar there).
#pragma once

#include <algorithm>
#include <cstddef>

namespace audio::detail {

namespace mixkernels {
constexpr size_t kBlock = 8;
inline float Clamped(float x) { return std::min(std::max(x, -1.0f), 1.0f); }
}  // namespace mixkernels

// out = in * v: the first channel of a pass writes over what the buffer held.
inline void ScaleInto(float* __restrict out, const float* __restrict in, size_t n, float v) {
  using mixkernels::kBlock;
  size_t i = 0;
  for (; i + kBlock <= n; i += kBlock)
    for (size_t j = 0; j < kBlock; ++j) out[i + j] = in[i + j] * v;
  for (; i < n; ++i) out[i] = in[i] * v;
}

// out = clamp(in * v): the only channel of a pass is final as written.
inline void ScaleClampInto(float* __restrict out, const float* __restrict in, size_t n, float v) {
  using mixkernels::Clamped;
  using mixkernels::kBlock;
  size_t i = 0;
  for (; i + kBlock <= n; i += kBlock)
    for (size_t j = 0; j < kBlock; ++j) out[i + j] = Clamped(in[i + j] * v);
  for (; i < n; ++i) out[i] = Clamped(in[i] * v);
}

// out += in * v: every further channel.
inline void AddScaled(float* __restrict out, const float* __restrict in, size_t n, float v) {
  using mixkernels::kBlock;
  size_t i = 0;
  for (; i + kBlock <= n; i += kBlock)
    for (size_t j = 0; j < kBlock; ++j) out[i + j] += in[i + j] * v;
  for (; i < n; ++i) out[i] += in[i] * v;
}

inline void ClampAll(float* __restrict data, size_t n) {
  using mixkernels::Clamped;
  using mixkernels::kBlock;
  size_t i = 0;
  for (; i + kBlock <= n; i += kBlock)
    for (size_t j = 0; j < kBlock; ++j) data[i + j] = Clamped(data[i + j]);
  for (; i < n; ++i) data[i] = Clamped(data[i]);
}

// Where a channel's frames go in a pass: below `filled` frames the mix
// already holds what earlier channels gave (they are added to), beyond it
// nothing yet (they are written). `clamp`: this is the only channel that
// may give anything in the pass, so what it writes is final.
struct TMixTarget {
  float* mix = nullptr;
  size_t filled = 0;
  bool clamp = false;
};

// Puts `frames` stereo frames of `in`, scaled by `v`, at frame `at` of the
// target's mix.
inline void PutFrames(const TMixTarget& target, size_t at, const float* in, size_t frames, float v) {
  float* out = target.mix + at * 2;
  const size_t below = at < target.filled ? std::min(frames, target.filled - at) : 0;
  AddScaled(out, in, below * 2, v);
  if (target.clamp)
    ScaleClampInto(out + below * 2, in + below * 2, (frames - below) * 2, v);
  else
    ScaleInto(out + below * 2, in + below * 2, (frames - below) * 2, v);
}

}  // namespace audio::detail
