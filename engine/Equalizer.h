// Ten-band graphic equalizer made of ten parametric-equalizer effects on
// the playing channel. The gains live here, not on the channel, so that
// switching the equalizer off and on, or binding it to the next station's
// channel, restores the same curve.
#pragma once

#include <array>

#include "audio/Audio.h"

struct TEqualizerBand {
  audio::HFX Fx = 0;              // 0 until the effect is placed
  audio::DX8_PARAMEQ Params{};    // centre (Hz), bandwidth (semitones), gain (dB)
};

class TEqualizer {
 public:
  static constexpr int BandCount = 10;
  static constexpr std::array<float, BandCount> BandCenters = {80,   170,  310,   600,   1000,
                                                                3000, 6000, 12000, 14000, 16000};
  // Bands keep the narrower default until the user touches them.
  static constexpr float DefaultBandwidth = 12.0f;
  static constexpr float SetBandwidth = 18.0f;

  TEqualizer();

  audio::DWORD Channel() const { return FChannel; }
  bool Enabled() const { return FEnabled; }
  const TEqualizerBand& Band(unsigned index) const { return FBands.at(index); }

  // Takes the effects off the old channel and, when enabled, puts them on
  // the new one (0 unbinds).
  void SetChannel(audio::DWORD channel);
  void SetEnabled(bool flag);
  // Bands above 9 are ignored; the change is heard at once when enabled.
  void SetBandGain(unsigned band, float gain);
  float GetBandGain(unsigned band) const;

 private:
  void PlaceEffects();
  void RemoveEffects();

  audio::DWORD FChannel = 0;
  bool FEnabled = false;
  std::array<TEqualizerBand, BandCount> FBands;
};
