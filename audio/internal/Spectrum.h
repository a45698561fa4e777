// Magnitude spectrum of the most recent samples for the visualisation.
#pragma once

#include <cstddef>

namespace audio::detail {

// Hann-windowed FFT of `n` frames (a power of two from 256 to 8192) of
// interleaved audio, channels averaged. Writes n/2 magnitudes scaled so that
// a full-scale sine centred on a bin reads 0.75 there. Frames missing at the
// start are taken as silence.
void ComputeSpectrum(const float* interleaved, size_t frames, int channels, int n, float* out);

// The same for the bins from `first` on, `count` of them (both limited to
// the n/2 bins): out[first] ... out[first + count - 1] get exactly the
// values above, the rest of `out` is left as it was. The transform is the
// same; what a caller that shows a few bins saves is their magnitudes.
void ComputeSpectrumBins(const float* interleaved, size_t frames, int channels, int n, int first, int count,
                         float* out);

}  // namespace audio::detail
