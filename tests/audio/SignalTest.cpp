// What comes out is right: the level of a known tone, the equalizer's
// boost where it is set and nowhere else, and the spectrum's peak bin and
// scale. Measured on the samples the mixer played (no-sound device).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "AudioTestUtil.h"
#include "audio/internal/Spectrum.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

HSTREAM PlayFile(const std::string& name) {
  const std::string path = Media(name).string();
  std::u16string wide(path.begin(), path.end());
  HSTREAM h = StreamCreateFile(0, wide.c_str(), 0, 0, UNICODE);
  if (h) ChannelPlay(h, 0);
  return h;
}

// Level of `hz` in the last 4096 played frames, once that much has played.
double PlayedLevel(HSTREAM h, double hz) {
  WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 8192 * 4 + 44100 * 4 / 5; }, 3s);
  return audiotest::ToneAmplitude(audiotest::RecentSamples(h, 4096, 2), 2, 44100, hz);
}

double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace

TEST(Signal, ToneComesOutAtItsFrequencyAndLevel) {
  audiotest::TLibrary library;
  for (const char* file : {"sine440.wav", "sine440.mp3", "sine440.ogg"}) {
    SCOPED_TRACE(file);
    HSTREAM h = PlayFile(file);
    ASSERT_NE(h, 0u);
    EXPECT_NEAR(PlayedLevel(h, 440), 0.5, 0.03);
    EXPECT_LT(PlayedLevel(h, 1000), 0.01);
    StreamFree(h);
  }
}

TEST(Signal, EqualizerBandRaisesItsFrequencyOnly) {
  audiotest::TLibrary library;
  for (float bandwidth : {12.0f, 18.0f}) {
    SCOPED_TRACE(bandwidth);
    HSTREAM tone = PlayFile("sine1000.wav");
    HSTREAM low = PlayFile("sine100.wav");
    ASSERT_NE(tone, 0u);
    ASSERT_NE(low, 0u);
    const double toneBefore = PlayedLevel(tone, 1000);
    const double lowBefore = PlayedLevel(low, 100);
    ASSERT_NEAR(toneBefore, 0.1, 0.01);
    DX8_PARAMEQ band{1000.0f, bandwidth, 12.0f};
    HFX fxTone = ChannelSetFX(tone, FX_DX8_PARAMEQ, 1);
    HFX fxLow = ChannelSetFX(low, FX_DX8_PARAMEQ, 1);
    ASSERT_NE(fxTone, 0u);
    ASSERT_TRUE(FXSetParameters(fxTone, &band));
    ASSERT_TRUE(FXSetParameters(fxLow, &band));
    DX8_PARAMEQ read{};
    ASSERT_TRUE(FXGetParameters(fxTone, &read));
    EXPECT_FLOAT_EQ(read.fGain, 12.0f);
    // Let what was queued before the change play out.
    std::this_thread::sleep_for(400ms);
    EXPECT_NEAR(Db(PlayedLevel(tone, 1000) / toneBefore), 12.0, 1.0);
    EXPECT_NEAR(Db(PlayedLevel(low, 100) / lowBefore), 0.0, 1.0);
    // Removing the effect gives the flat level back.
    ASSERT_TRUE(ChannelRemoveFX(tone, fxTone));
    EXPECT_FALSE(ChannelRemoveFX(tone, fxTone));
    EXPECT_FALSE(FXSetParameters(fxTone, &band));
    std::this_thread::sleep_for(400ms);
    EXPECT_NEAR(Db(PlayedLevel(tone, 1000) / toneBefore), 0.0, 0.5);
    StreamFree(tone);
    StreamFree(low);
  }
}

TEST(Signal, EqualizerOfTenBandsAtZeroIsTransparent) {
  audiotest::TLibrary library;
  HSTREAM h = PlayFile("sine440.wav");
  ASSERT_NE(h, 0u);
  const float centres[] = {80, 170, 310, 600, 1000, 3000, 6000, 12000, 14000, 16000};
  for (float c : centres) {
    HFX fx = ChannelSetFX(h, FX_DX8_PARAMEQ, 1);
    DX8_PARAMEQ p{c, 18.0f, 0.0f};
    ASSERT_TRUE(FXSetParameters(fx, &p));
  }
  std::this_thread::sleep_for(300ms);
  EXPECT_NEAR(PlayedLevel(h, 440), 0.5, 0.03);
  EXPECT_EQ(ChannelSetFX(h, 99, 1), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_ILLTYPE);
}

TEST(Signal, SpectrumPeaksInTheRightBinWithTheAgreedScale) {
  audiotest::TLibrary library;
  // A full-scale sine centred on bin 20 of a 2048-point transform.
  const double hz = 20.0 * 44100.0 / 2048.0;
  HSTREAM h = StreamCreate(44100, 2, SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  ASSERT_NE(h, 0u);
  std::vector<float> pcm(44100 * 2 * 3);
  for (size_t i = 0; i < pcm.size() / 2; ++i)
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<float>(std::sin(2 * M_PI * hz * i / 44100.0));
  StreamPutData(h, pcm.data(), static_cast<DWORD>(pcm.size() * sizeof(float)));
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100 * 8 / 2; }, 3s));
  std::vector<float> bins(4097, -1.0f);
  EXPECT_EQ(ChannelGetData(h, bins.data(), DATA_FFT2048), 1024u * sizeof(float));
  EXPECT_EQ(bins[1024], -1.0f);  // nothing written past the 1024 values
  auto peak = std::max_element(bins.begin(), bins.begin() + 1024) - bins.begin();
  EXPECT_EQ(peak, 20);
  EXPECT_GE(bins[20], 0.5f);
  EXPECT_LE(bins[20], 1.0f);
  EXPECT_LT(bins[100], 0.01f);
  // The visualisation's request: 128 values of a 256-point transform.
  std::vector<float> small(4097, 0.0f);
  EXPECT_EQ(ChannelGetData(h, small.data(), DATA_FFT256), 128u * sizeof(float));
  auto smallPeak = std::max_element(small.begin(), small.begin() + 128) - small.begin();
  EXPECT_NEAR(static_cast<double>(smallPeak), hz / (44100.0 / 256), 1.0);
  EXPECT_EQ(ChannelGetData(h, small.data(), DATA_FFT256 + 9), static_cast<DWORD>(-1));
}

// A request for a few bins gives exactly the values the whole request
// gives there and leaves the rest of the buffer alone: the spectrum bars
// read bins 20-39 of the 256-point transform and see what they saw before.
TEST(Signal, SpectrumOfAFewBinsIsTheWholeSpectrumThere) {
  // Tones on bins 22 and 31 and one between bins 26 and 27, over noise,
  // two channels that differ.
  std::vector<float> pcm(2 * 300);
  unsigned noise = 12345;
  for (size_t i = 0; i < pcm.size() / 2; ++i) {
    noise = noise * 1103515245u + 12345u;
    const double t = static_cast<double>(i) / 256.0;
    const float tones = static_cast<float>(0.5 * std::sin(2 * M_PI * 22 * t) + 0.2 * std::sin(2 * M_PI * 26.5 * t));
    pcm[2 * i] = tones + static_cast<float>((noise >> 16) % 1000) / 20000.0f;
    pcm[2 * i + 1] = tones + 0.3f * static_cast<float>(std::sin(2 * M_PI * 31 * t));
  }
  for (size_t frames : {size_t{300}, size_t{100}}) {  // the second with silence before
    SCOPED_TRACE(frames);
    std::vector<float> whole(4097, -1.0f), some(4097, -1.0f);
    detail::ComputeSpectrum(pcm.data(), frames, 2, 256, whole.data());
    detail::ComputeSpectrumBins(pcm.data(), frames, 2, 256, 20, 20, some.data());
    for (size_t i = 0; i < some.size(); ++i) {
      if (i >= 20 && i < 40)
        ASSERT_EQ(some[i], whole[i]) << "bin " << i;
      else
        ASSERT_EQ(some[i], -1.0f) << "bin " << i << " was not asked for";
    }
    if (frames == 300) {
      EXPECT_GT(whole[22], 0.1f);
      EXPECT_GT(whole[31], 0.05f);
      EXPECT_GT(whole[22], 10 * whole[36]);
    }
  }
  // Past the transform's bins nothing is written.
  std::vector<float> tail(4097, -1.0f);
  detail::ComputeSpectrumBins(pcm.data(), 300, 2, 256, 120, 50, tail.data());
  EXPECT_EQ(tail[119], -1.0f);
  EXPECT_GE(tail[120], 0.0f);
  EXPECT_GE(tail[127], 0.0f);
  EXPECT_EQ(tail[128], -1.0f);

  // Through the library: the same bins, nothing written beside them. (The
  // played frames may still move on between two requests; a tone centred
  // on a bin reads the same wherever the window starts.)
  audiotest::TLibrary library;
  HSTREAM h = StreamCreate(44100, 2, SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  ASSERT_NE(h, 0u);
  std::vector<float> played(44100 * 2);
  for (size_t i = 0; i < played.size() / 2; ++i)
    played[2 * i] = played[2 * i + 1] = static_cast<float>(0.6 * std::sin(2 * M_PI * 25 * 44100.0 / 256 * i / 44100.0));
  StreamPutData(h, played.data(), static_cast<DWORD>(played.size() * sizeof(float)));
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100 * 8 / 4; }, 3s));
  std::vector<float> whole(4097, 0.0f);
  ChannelGetData(h, whole.data(), DATA_FFT256);
  std::vector<float> some(4097, -1.0f);
  EXPECT_EQ(ChannelGetData(h, some.data(), DATA_FFT256 | DataFftBins(20, 20)), 128u * sizeof(float));
  EXPECT_GT(whole[25], 0.3f);
  for (size_t i = 0; i < some.size(); ++i) {
    if (i >= 20 && i < 40)
      ASSERT_NEAR(some[i], whole[i], 1e-4) << "bin " << i;
    else
      ASSERT_EQ(some[i], -1.0f) << "bin " << i;
  }
  EXPECT_EQ(std::max_element(some.begin() + 20, some.begin() + 40) - some.begin(), 25);
}

TEST(Signal, RecentDataIsTheUnbrokenRunOfFramesPlayingNow) {
  audiotest::TLibrary library;
  // Every frame numbered (left n / 2^20, right its negative: exact floats),
  // pushed in pieces while playing, so that the queue is written, grows
  // and wraps while what was played is read back.
  constexpr float kStep = 1.0f / 1048576.0f;
  HSTREAM h = StreamCreate(44100, 2, SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  ASSERT_NE(h, 0u);
  size_t pushed = 0;
  auto push = [&](size_t frames) {
    std::vector<float> pcm;
    for (size_t i = 0; i < frames; ++i, ++pushed) {
      pcm.push_back(static_cast<float>(pushed) * kStep);
      pcm.push_back(-static_cast<float>(pushed) * kStep);
    }
    StreamPutData(h, pcm.data(), static_cast<DWORD>(pcm.size() * sizeof(float)));
  };
  push(44100 / 2);
  ASSERT_TRUE(ChannelPlay(h, 0));
  const auto taken = [&] { return static_cast<int64_t>(ChannelGetPosition(h, POS_BYTE) / 8); };
  int checks = 0;
  while (pushed < 44100 * 3) {
    // Pieces larger than what plays meanwhile: the queue grows as well.
    push(44100 / 5);
    if (taken() < 8192) {
      std::this_thread::sleep_for(50ms);
      continue;
    }
    const int64_t before = taken();
    const std::vector<float> recent = audiotest::RecentSamples(h, 4096, 2);
    const int64_t after = taken();
    ASSERT_EQ(recent.size(), 4096u * 2);
    for (size_t i = 0; i < recent.size(); i += 2) {
      ASSERT_EQ(recent[i + 1], -recent[i]) << "frame " << i / 2;
      if (i > 0) {
        ASSERT_EQ(recent[i] - recent[i - 2], kStep) << "a break at frame " << i / 2;
      }
    }
    // The newest frame is one given to the output, at most what the
    // no-sound device keeps ahead of its clock (100 ms) before the last
    // one given (double that, for a mixer running late on a loaded
    // machine).
    const auto newest = static_cast<int64_t>(recent[recent.size() - 2] / kStep);
    EXPECT_LT(newest, after);
    EXPECT_GE(newest, before - 8820);
    ++checks;
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_GE(checks, 5);
  StreamFree(h);
}
