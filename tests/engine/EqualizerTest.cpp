#include <gtest/gtest.h>

#include <set>

#include "PlayerTestKit.h"
#include "engine/BassRadioPlayer.h"
#include "engine/Equalizer.h"

using namespace playertest;

namespace {

audio::HSTREAM PushStream() { return audio::StreamCreate(44100, 2, 0, audio::STREAMPROC_PUSH, nullptr); }

bool Params(audio::HFX fx, audio::DX8_PARAMEQ& out) { return audio::FXGetParameters(fx, &out) != 0; }

std::vector<audio::HFX> Handles(const TEqualizer& eq) {
  std::vector<audio::HFX> out;
  for (unsigned i = 0; i < 10; ++i) out.push_back(eq.Band(i).Fx);
  return out;
}

int LiveEffects(const std::vector<audio::HFX>& handles) {
  int n = 0;
  audio::DX8_PARAMEQ p{};
  for (audio::HFX fx : handles) n += Params(fx, p);
  return n;
}

}  // namespace

TEST(Equalizer, StartsUnboundWithTheBandTable) {
  TEqualizer eq;
  EXPECT_EQ(eq.Channel(), 0u);
  EXPECT_FALSE(eq.Enabled());
  const float centres[10] = {80, 170, 310, 600, 1000, 3000, 6000, 12000, 14000, 16000};
  for (unsigned i = 0; i < 10; ++i) {
    EXPECT_EQ(eq.Band(i).Fx, 0u);
    EXPECT_EQ(eq.Band(i).Params.fCenter, centres[i]);
    EXPECT_EQ(eq.Band(i).Params.fBandwidth, 12.0f);
    EXPECT_EQ(eq.Band(i).Params.fGain, 0.0f);
  }
  eq.SetBandGain(10, 5.0f);
  EXPECT_EQ(eq.GetBandGain(10), 0.0f);
  for (unsigned i = 0; i < 10; ++i) EXPECT_EQ(eq.Band(i).Params.fBandwidth, 12.0f);
}

TEST(Equalizer, PlacesTenParametricEffectsWithTheirParameters) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  audio::HSTREAM stream = PushStream();
  ASSERT_NE(stream, 0u);
  TEqualizer eq;
  eq.SetBandGain(3, 6.0f);  // set while disabled: nothing on the channel yet
  eq.SetChannel(stream);
  EXPECT_EQ(eq.Band(3).Fx, 0u);
  eq.SetEnabled(true);
  auto handles = Handles(eq);
  EXPECT_EQ(std::set<audio::HFX>(handles.begin(), handles.end()).size(), 10u);
  for (unsigned i = 0; i < 10; ++i) {
    audio::DX8_PARAMEQ p{};
    ASSERT_TRUE(Params(handles[i], p)) << "band " << i;
    EXPECT_EQ(p.fCenter, TEqualizer::BandCenters[i]);
    EXPECT_EQ(p.fBandwidth, i == 3 ? 18.0f : 12.0f) << "band " << i;
    EXPECT_EQ(p.fGain, i == 3 ? 6.0f : 0.0f) << "band " << i;
  }
  // While enabled a gain is heard at once.
  eq.SetBandGain(9, -4.0f);
  audio::DX8_PARAMEQ p{};
  ASSERT_TRUE(Params(eq.Band(9).Fx, p));
  EXPECT_EQ(p.fGain, -4.0f);
  EXPECT_EQ(p.fBandwidth, 18.0f);
  EXPECT_EQ(eq.GetBandGain(9), -4.0f);
  audio::StreamFree(stream);
}

TEST(Equalizer, OffAndOnAgainLeavesExactlyTenEffectsWithTheSameCurve) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  audio::HSTREAM stream = PushStream();
  TEqualizer eq;
  eq.SetChannel(stream);
  eq.SetEnabled(true);
  eq.SetBandGain(0, 3.0f);
  auto first = Handles(eq);
  EXPECT_EQ(LiveEffects(first), 10);
  eq.SetEnabled(false);
  EXPECT_EQ(LiveEffects(first), 0) << "disabling removes every effect";
  eq.SetBandGain(1, -2.0f);  // kept while off
  eq.SetEnabled(true);
  auto second = Handles(eq);
  EXPECT_EQ(LiveEffects(first), 0);
  EXPECT_EQ(LiveEffects(second), 10);
  audio::DX8_PARAMEQ p{};
  ASSERT_TRUE(Params(second[0], p));
  EXPECT_EQ(p.fGain, 3.0f);
  ASSERT_TRUE(Params(second[1], p));
  EXPECT_EQ(p.fGain, -2.0f);
  // Enabling twice does not stack a second set.
  eq.SetEnabled(true);
  EXPECT_EQ(Handles(eq), second);
  audio::StreamFree(stream);
}

TEST(Equalizer, RebindingMovesTheCurveToTheNewChannel) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  audio::HSTREAM a = PushStream(), b = PushStream();
  TEqualizer eq;
  eq.SetBandGain(5, 7.0f);
  eq.SetChannel(a);
  eq.SetEnabled(true);
  auto onA = Handles(eq);
  eq.SetChannel(b);
  EXPECT_EQ(LiveEffects(onA), 0);
  auto onB = Handles(eq);
  EXPECT_EQ(LiveEffects(onB), 10);
  audio::DX8_PARAMEQ p{};
  ASSERT_TRUE(Params(onB[5], p));
  EXPECT_EQ(p.fGain, 7.0f);
  // Freeing the channel takes the effects with it; unbinding afterwards is
  // harmless.
  audio::StreamFree(b);
  EXPECT_EQ(LiveEffects(onB), 0);
  eq.SetChannel(0);
  EXPECT_EQ(eq.Channel(), 0u);
  audio::StreamFree(a);
}

TEST(Equalizer, PlayerSwitchesItOnItsChannel) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  TBassRadioPlayer player;
  player.Equalizer->SetBandGain(2, 4.0f);
  player.EnableEqualizer();  // no channel yet: enabled, nothing placed
  EXPECT_TRUE(player.Equalizer->Enabled());
  EXPECT_EQ(player.Equalizer->Channel(), 0u);
  player.Channel = PushStream();
  player.EnableEqualizer();
  EXPECT_EQ(LiveEffects(Handles(*player.Equalizer)), 10);
  auto handles = Handles(*player.Equalizer);
  player.DisableEqualizer();
  EXPECT_FALSE(player.Equalizer->Enabled());
  EXPECT_EQ(player.Equalizer->Channel(), 0u);
  EXPECT_EQ(LiveEffects(handles), 0);
  EXPECT_EQ(player.Equalizer->GetBandGain(2), 4.0f);
  audio::StreamFree(player.Channel);
  player.Channel = 0;
}
