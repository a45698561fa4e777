// The parametric equalizer band: a peaking biquad whose width is given in
// semitones, as the classic DirectX parametric equalizer takes it.
#pragma once

#include <cstddef>

#include "audio/Audio.h"

namespace audio::detail {

class TPeakingBiquad {
 public:
  static constexpr int kMaxChannels = 8;

  // Clamps the parameters to the ranges the effect accepts (centre 80 to
  // 16000 Hz and below the Nyquist limit, bandwidth 1 to 36 semitones,
  // gain -15 to +15 dB) and recomputes the coefficients; the filter state
  // is kept so that a change while playing does not click.
  void Configure(const DX8_PARAMEQ& params, int sampleRate);
  const DX8_PARAMEQ& Params() const { return params_; }

  // Filters interleaved frames in place.
  void Process(float* data, size_t frames, int channels);
  void ResetState();

 private:
  DX8_PARAMEQ params_{1000.0f, 12.0f, 0.0f};
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double z1_[kMaxChannels] = {}, z2_[kMaxChannels] = {};
  bool bypass_ = true;
};

}  // namespace audio::detail
