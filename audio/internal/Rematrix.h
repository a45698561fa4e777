// How a resampler spreads its input channels over its output channels.
#pragma once

extern "C" {
#include <libswresample/swresample.h>
}

namespace audio::detail {

// One channel made into two: swresample's own matrix puts the centre at
// -3 dB on each side, so a mono station would play quieter than a stereo
// one. Each side gets the whole signal instead (one source channel cannot
// clip). Called between allocating the context and swr_init; other channel
// counts keep swresample's matrix.
inline int SetMonoToStereoMatrix(SwrContext* swr, int inChannels, int outChannels) {
  if (inChannels != 1 || outChannels != 2) return 0;
  static const double fullBothSides[2] = {1.0, 1.0};
  return swr_set_matrix(swr, fullBothSides, 1);
}

}  // namespace audio::detail
