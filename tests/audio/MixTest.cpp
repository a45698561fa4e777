// Several channels on one device: each at its own volume, added up and
// clamped, and a channel that joins or leaves while another plays changes
// the mix from its next buffer on, with every frame of it played once.
// Channels of constant levels make every frame of the device's output
// tell which channels it holds, wherever the device's buffers begin.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AudioTestUtil.h"

using namespace audio;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;

// A float push stream of `frames` frames at (left, right), all queued.
HSTREAM Level(float left, float right, size_t frames, bool ends) {
  HSTREAM h = StreamCreate(kRate, 2, SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  std::vector<float> data(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    data[2 * i] = left;
    data[2 * i + 1] = right;
  }
  StreamPutData(h, data.data(), static_cast<DWORD>(data.size() * sizeof(float)) | (ends ? STREAMPROC_END : 0));
  return h;
}

QWORD FramesTaken(HSTREAM h) { return ChannelGetPosition(h, POS_BYTE) / (2 * sizeof(float)); }

struct TRun {
  char what;
  size_t frames;
};

}  // namespace

TEST(Mix, ChannelsAddAtTheirVolumesAreClampedAndJoinAndLeaveBetweenWholeFrames) {
  audiotest::TDiskOutput device;
  ASSERT_TRUE(device.Ok()) << ErrorGetCode();
  // A at half volume: (0.4, -0.2) alone. B: (0.9, -0.9) alone. Together
  // (1.3, -1.1), which the device gets clamped to (1, -1).
  const size_t bFrames = kRate * 3 / 2;
  HSTREAM a = Level(0.8f, -0.4f, kRate * 4, false);
  HSTREAM b = Level(0.9f, -0.9f, bFrames, true);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  ChannelSetAttribute(a, ATTRIB_VOL, 0.5f);
  ASSERT_TRUE(ChannelPlay(a, 0));
  ASSERT_TRUE(WaitFor([&] { return FramesTaken(a) >= kRate / 2; }, 20s));
  ASSERT_TRUE(ChannelPlay(b, 0));
  ASSERT_TRUE(WaitFor([&] { return FramesTaken(b) >= kRate / 2; }, 20s));
  ASSERT_TRUE(ChannelStop(a));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(b) == ACTIVE_STOPPED; }, 20s));
  // Some silence after B's end.
  const QWORD ended = FramesTaken(b);
  ASSERT_EQ(ended, bFrames);
  std::this_thread::sleep_for(300ms);
  device.Finish();
  const std::vector<float> samples = device.Samples();

  const std::pair<float, float> levels[] = {{0.0f, 0.0f}, {0.4f, -0.2f}, {1.0f, -1.0f}, {0.9f, -0.9f}};
  const char names[] = {'0', 'A', 'S', 'B'};
  std::vector<TRun> runs;
  for (size_t i = 0; i + 1 < samples.size(); i += 2) {
    char what = '?';
    for (size_t k = 0; k < 4; ++k)
      if (samples[i] == levels[k].first && samples[i + 1] == levels[k].second) what = names[k];
    ASSERT_NE(what, '?') << "frame " << i / 2 << " is (" << samples[i] << ", " << samples[i + 1] << ")";
    if (runs.empty() || runs.back().what != what)
      runs.push_back({what, 1});
    else
      ++runs.back().frames;
  }
  std::string order;
  for (const TRun& run : runs) order += run.what;
  ASSERT_EQ(order, "0ASB0");
  // B played every frame it had once: first with A, then alone.
  EXPECT_EQ(runs[2].frames + runs[3].frames, bFrames);
  EXPECT_GE(runs[1].frames, static_cast<size_t>(kRate / 2));
}
