#include "tools/qor-skin/ToneSpectrum.h"

#include <cmath>
#include <complex>

namespace qorskin {

std::vector<float> ToneSpectrum(double frequency, ToneShape shape, float amplitude) {
  constexpr int kSamples = 256;
  constexpr double kRate = 44100.0;
  const double pi = std::acos(-1.0);
  std::vector<double> windowed(kSamples);
  double windowSum = 0;
  for (int n = 0; n < kSamples; ++n) {
    const double phase = std::fmod(frequency * n / kRate, 1.0);
    const double sample = shape == ToneShape::Sine ? std::sin(2 * pi * phase) : 2 * phase - 1;
    const double hann = 0.5 - 0.5 * std::cos(2 * pi * n / (kSamples - 1));
    windowed[n] = amplitude * sample * hann;
    windowSum += hann;
  }
  // 4097 values, as the player's buffer: only the first 128 are filled.
  std::vector<float> block(4097, 0.0f);
  for (int k = 0; k < kSamples / 2; ++k) {
    std::complex<double> sum = 0;
    for (int n = 0; n < kSamples; ++n) sum += windowed[n] * std::polar(1.0, -2 * pi * k * n / kSamples);
    block[static_cast<size_t>(k)] = static_cast<float>(2 * std::abs(sum) / windowSum);
  }
  return block;
}

}  // namespace qorskin
