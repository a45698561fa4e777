#include "audio/internal/Biquad.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace audio::detail {

void TPeakingBiquad::Configure(const DX8_PARAMEQ& params, int sampleRate) {
  params_ = params;
  if (!std::isfinite(params_.fCenter)) params_.fCenter = 1000.0f;
  if (!std::isfinite(params_.fBandwidth)) params_.fBandwidth = 12.0f;
  if (!std::isfinite(params_.fGain)) params_.fGain = 0.0f;
  params_.fCenter = std::clamp(params_.fCenter, 80.0f, 16000.0f);
  params_.fBandwidth = std::clamp(params_.fBandwidth, 1.0f, 36.0f);
  params_.fGain = std::clamp(params_.fGain, -15.0f, 15.0f);

  const double rate = sampleRate > 0 ? sampleRate : 44100;
  // A band above the Nyquist limit of a low-rate stream would be unstable;
  // it is moved just below it.
  const double center = std::min<double>(params_.fCenter, rate * 0.45);
  bypass_ = params_.fGain == 0.0f;
  const double a = std::pow(10.0, params_.fGain / 40.0);
  const double w0 = 2.0 * M_PI * center / rate;
  const double octaves = params_.fBandwidth / 12.0;
  const double sinW0 = std::sin(w0);
  const double alpha = sinW0 * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / sinW0);
  const double a0 = 1.0 + alpha / a;
  b0_ = (1.0 + alpha * a) / a0;
  b1_ = -2.0 * std::cos(w0) / a0;
  b2_ = (1.0 - alpha * a) / a0;
  a1_ = b1_;
  a2_ = (1.0 - alpha / a) / a0;
}

void TPeakingBiquad::Process(float* data, size_t frames, int channels) {
  if (bypass_) return;
  channels = std::min(channels, kMaxChannels);
  for (int c = 0; c < channels; ++c) {
    double z1 = z1_[c], z2 = z2_[c];
    float* p = data + c;
    for (size_t i = 0; i < frames; ++i, p += channels) {
      // Transposed direct form II: good numerical behaviour in floats.
      const double in = *p;
      const double out = b0_ * in + z1;
      z1 = b1_ * in - a1_ * out + z2;
      z2 = b2_ * in - a2_ * out;
      *p = static_cast<float>(out);
    }
    // Denormals would make a silent stream cost CPU.
    z1_[c] = std::abs(z1) < 1e-20 ? 0.0 : z1;
    z2_[c] = std::abs(z2) < 1e-20 ? 0.0 : z2;
  }
}

void TPeakingBiquad::ResetState() {
  std::fill(std::begin(z1_), std::end(z1_), 0.0);
  std::fill(std::begin(z2_), std::end(z2_), 0.0);
}

}  // namespace audio::detail
