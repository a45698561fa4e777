#include "engine/Equalizer.h"

TEqualizer::TEqualizer() {
  for (int i = 0; i < BandCount; ++i) {
    FBands[i] = TEqualizerBand{};
    FBands[i].Params.fCenter = BandCenters[i];
    FBands[i].Params.fBandwidth = DefaultBandwidth;
    FBands[i].Params.fGain = 0.0f;
  }
}

void TEqualizer::SetChannel(audio::DWORD channel) {
  RemoveEffects();
  FChannel = channel;
  if (FEnabled && FChannel != 0) PlaceEffects();
}

void TEqualizer::SetEnabled(bool flag) {
  if (flag == FEnabled) return;
  FEnabled = flag;
  if (FEnabled)
    PlaceEffects();
  else
    RemoveEffects();
}

void TEqualizer::SetBandGain(unsigned band, float gain) {
  if (band >= static_cast<unsigned>(BandCount)) return;
  TEqualizerBand& b = FBands[band];
  b.Params.fGain = gain;
  b.Params.fBandwidth = SetBandwidth;
  b.Params.fCenter = BandCenters[band];
  if (FEnabled) audio::FXSetParameters(b.Fx, &b.Params);
}

float TEqualizer::GetBandGain(unsigned band) const {
  if (band >= static_cast<unsigned>(BandCount)) return 0.0f;
  return FBands[band].Params.fGain;
}

void TEqualizer::PlaceEffects() {
  if (FChannel == 0) return;
  for (TEqualizerBand& b : FBands) {
    b.Fx = audio::ChannelSetFX(FChannel, audio::FX_DX8_PARAMEQ, 1);
    audio::FXSetParameters(b.Fx, &b.Params);
  }
}

void TEqualizer::RemoveEffects() {
  if (FChannel == 0) return;
  // The handles are kept: removing an effect that is already gone (the
  // stream was freed) is harmless.
  for (TEqualizerBand& b : FBands) audio::ChannelRemoveFX(FChannel, b.Fx);
}
