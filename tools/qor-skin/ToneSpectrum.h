// The spectrum block the player hands the visualization, for a steady
// tone: 128 magnitudes of a Hann-windowed 256-sample FFT at 44.1 kHz
// (each about the amplitude of the partial in its bin), the rest zero.
#pragma once

#include <vector>

namespace qorskin {

enum class ToneShape { Sine, Sawtooth };

std::vector<float> ToneSpectrum(double frequency, ToneShape shape, float amplitude);

}  // namespace qorskin
