// What reaches a device is the stream at its volume, whole: SDL's disk
// driver (a real device of the library that writes what it is given to a
// file) records the output, and the recording must hold the tone at the
// volume set, without a gap, a repeated block or a jump at the edges of the
// device's buffers. A stereo stream at the device's rate is added to the
// mix as read; any other goes through the resampler: both are checked.
// Every sample of a stereo stream at the device's rate arrives exactly as
// decoded, times the volume, also when the stream started before it had a
// device buffer of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "AudioTestUtil.h"
#include "Shell.h"
#include "TempDir.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

// Plays `name` at `volume` on the disk driver for about a second and a
// half; the stereo float frames written, and whether the stream ran dry
// meanwhile (the library tells with SYNC_STALL).
struct TRecording {
  std::vector<float> Samples;
  bool RanDry = false;
};

TRecording RecordOnce(const std::string& name, float volume) {
  audiotest::TDiskOutput device;
  EXPECT_TRUE(device.Ok()) << ErrorGetCode();
  if (!device.Ok()) return {};
  const std::string path = Media(name).string();
  std::u16string wide(path.begin(), path.end());
  HSTREAM h = StreamCreateFile(0, wide.c_str(), 0, 0, UNICODE);
  EXPECT_NE(h, 0u) << ErrorGetCode();
  std::atomic<int> dry{0};
  EXPECT_NE(ChannelSetSync(h, SYNC_STALL, 0,
                           [](HSYNC, DWORD, DWORD data, void* user) {
                             if (data == 0) ++*static_cast<std::atomic<int>*>(user);
                           },
                           &dry),
            0u);
  CHANNELINFO info{};
  ChannelGetInfo(h, &info);
  ChannelSetAttribute(h, ATTRIB_VOL, volume);
  EXPECT_TRUE(ChannelPlay(h, 0));
  // A second and a half of the stream taken by the mixer.
  const QWORD bytes = static_cast<QWORD>(info.freq) * info.chans * 2 * 3 / 2;
  EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_BYTE) >= bytes; }, 20s));
  device.Finish();
  return {device.Samples(), dry.load() > 0};
}

// A recording of a play in which the stream never ran dry. The device
// takes a buffer on the clock whether the decoder has kept up or not, and
// on a loaded machine it may not have: the gap is then the machine's, the
// library says so, and the stream is played again. A stream that runs dry
// every time fails.
std::vector<float> Recorded(const std::string& name, float volume) {
  constexpr int kPlays = 5;
  for (int play = 0; play < kPlays; ++play) {
    TRecording recording = RecordOnce(name, volume);
    if (!recording.RanDry) return std::move(recording.Samples);
    std::fprintf(stderr, "%s ran dry in play %d; played again\n", name.c_str(), play + 1);
  }
  ADD_FAILURE() << name << " ran dry in each of " << kPlays << " plays";
  return {};
}

// "tones.wav" as decoded: its own 16-bit samples, as floats.
std::vector<float> TonesAsFloat() {
  std::ifstream in(Media("tones.raw"), std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
  std::vector<float> decoded(raw.size() / 2);
  for (size_t i = 0; i < decoded.size(); ++i) {
    int16_t s;
    std::memcpy(&s, raw.data() + 2 * i, 2);
    decoded[i] = static_cast<float>(s) / 32768.0f;
  }
  return decoded;
}

// From the first sound on (the device plays silence until the stream's
// first frame, which is not silent), a second of what the device got is
// `decoded` at `volume`, sample for sample.
void ExpectASecondFromTheFirstSound(const std::vector<float>& samples, const std::vector<float>& decoded, float volume) {
  size_t start = 0;
  while (start < samples.size() && samples[start] == 0.0f) ++start;
  ASSERT_EQ(start % 2, 0u) << "the first sound is not a left sample";
  const size_t count = 44100 * 2;  // a second, past several device buffers
  ASSERT_GE(samples.size(), start + count) << "less than a second of sound was written";
  ASSERT_GE(decoded.size(), count);
  for (size_t i = 0; i < count; ++i)
    ASSERT_EQ(samples[start + i], std::clamp(0.0f + decoded[i] * volume, -1.0f, 1.0f))
        << "frame " << i / 2 << (i % 2 ? " right" : " left");
}

void ExpectWholeToneAt(const std::vector<float>& samples, int rate, double amplitude) {
  // From the first sound on (the device plays silence until the stream
  // starts) and past the resampler's first 20 ms, in which its filter
  // fills, a second of it.
  size_t start = 0;
  while (start < samples.size() && std::fabs(samples[start]) < 1e-4f) ++start;
  start -= start % 2;
  start += static_cast<size_t>(rate) / 50 * 2;
  const size_t frames = static_cast<size_t>(rate);
  ASSERT_GE(samples.size(), start + frames * 2) << "less than a second of sound was written";
  std::vector<float> second(samples.begin() + static_cast<long>(start), samples.begin() + static_cast<long>(start + frames * 2));
  EXPECT_NEAR(audiotest::ToneAmplitude(second, 2, rate, 440), amplitude, amplitude * 0.05);
  // A sine of 440 Hz moves at most 2 pi 440 / rate of its amplitude from
  // one frame to the next; a lost or repeated block jumps by far more.
  const double step = 2 * M_PI * 440 / rate * amplitude * 1.25;
  double largest = 0;
  size_t at = 0;
  for (size_t i = 2; i < second.size(); ++i) {
    const double jump = std::fabs(second[i] - second[i - 2]);
    if (jump > largest) {
      largest = jump;
      at = i / 2;
    }
  }
  EXPECT_LE(largest, step) << "a jump at frame " << at << " of the second played";
  for (size_t i = 0; i + 1 < second.size(); i += 2) ASSERT_FLOAT_EQ(second[i], second[i + 1]) << "frame " << i / 2;
}

// The file `name` decoded (and, by `filter`, converted) by the ffmpeg
// program into stereo float at 44.1 kHz.
std::vector<float> FfmpegReference(const std::string& name, const std::string& filter) {
  testkit::TempDir dir;
  const std::string reference = (dir.Path() / "reference.f32").string();
  EXPECT_TRUE(testkit::RunCommand(std::string(testkit::kFfmpegMake) + "-i " + Media(name).string() + " " + filter +
                                  "-f f32le -c:a pcm_f32le " + reference));
  const std::string bytes = testkit::ReadBytes(reference);
  std::vector<float> frames(bytes.size() / sizeof(float));
  std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(float));
  return frames;
}

// A second of the reference, from a tenth of a second in, is in what the
// device got, at `volume`: a side swapped, a frame lost or a block shifted
// shows against it.
void ExpectSecondOfReference(const std::vector<float>& samples, const std::vector<float>& expected, float volume) {
  const size_t from = 4410 * 2, window = 64, second = 44100 * 2;
  ASSERT_GE(expected.size(), from + second);
  const auto matches = [&](size_t at) {
    for (size_t i = 0; i < window; ++i)
      if (std::fabs(samples[at + i] - expected[from + i] * volume) > 1e-6f) return false;
    return true;
  };
  size_t at = 0;
  while (at + window <= samples.size() && !matches(at)) at += 2;
  ASSERT_LE(at + second, samples.size()) << "the reference's frames were not found whole";
  for (size_t i = 0; i < second; ++i)
    ASSERT_NEAR(samples[at + i], expected[from + i] * volume, 1e-6f) << "frame " << i / 2 << (i % 2 ? " right" : " left");
}

}  // namespace

TEST(DeviceOutput, TheDeviceGetsTheStreamAtItsVolumeWithoutAGapStereoOrConverted) {
  // Both tones at 0.5, played at half volume; one channel reaches both
  // sides whole.
  const struct {
    const char* Name;
    double Amplitude;
  } cases[] = {{"sine440.wav", 0.25}, {"sine440-mono22k.wav", 0.25}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::vector<float> samples = Recorded(c.Name, 0.5f);
    ASSERT_FALSE(samples.empty());
    ExpectWholeToneAt(samples, 44100, c.Amplitude);
  }
}

TEST(DeviceOutput, EverySampleOfAStereoStreamArrivesExactlyAtItsVolume) {
  const std::vector<float> decoded = TonesAsFloat();
  ASSERT_GE(decoded.size(), 44100u * 2 * 2);
  for (float volume : {1.0f, 0.5f}) {
    SCOPED_TRACE(volume);
    ExpectASecondFromTheFirstSound(Recorded("tones.wav", volume), decoded, volume);
  }
}

TEST(DeviceOutput, AStreamWhoseFirstBytesTrickleInStartsWithoutAGapAfterItsFirstSound) {
  // Four of the demuxer's 4096-byte packets come at once, half a device
  // buffer of frames, and the rest only once the device has taken its
  // buffers on without them: what plays first must go on without a gap.
  const std::string wav = testkit::ReadBytes(Media("tones-f32.wav"));
  const size_t data = wav.find("data");
  ASSERT_NE(data, std::string::npos);
  const size_t first = data + 8 + 4 * 4096;
  std::vector<float> decoded((wav.size() - data - 8) / sizeof(float));
  std::memcpy(decoded.data(), wav.data() + data + 8, decoded.size() * sizeof(float));
  testkit::FixtureServer server;
  std::atomic<bool> rest{false};
  server.Route("/slow.wav", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    if (!c.Write("HTTP/1.0 200 OK\r\nContent-Type: audio/wav\r\n\r\n") || !c.Write(wav.substr(0, first))) return;
    while (!rest.load())
      if (!server.SleepFor(10ms)) return;
    if (!c.Write(std::string_view(wav).substr(first))) return;
    while (server.SleepFor(50ms)) {
    }
  });
  constexpr int kPlays = 5;
  for (int play = 0; play < kPlays; ++play) {
    rest = false;
    audiotest::TDiskOutput device;
    ASSERT_TRUE(device.Ok()) << ErrorGetCode();
    // The server's pause lasts as long as a loaded machine takes to see
    // the start wait: no time-out ends it (a second connection would
    // bring the stream's first frames again).
    SetConfig(CONFIG_NET_TIMEOUT, 60000);
    HSTREAM h = StreamCreateURL(server.Url("/slow.wav").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
    ASSERT_NE(h, 0u) << ErrorGetCode();
    std::atomic<int> dry{0};
    ASSERT_NE(ChannelSetSync(h, SYNC_STALL, 0,
                             [](HSYNC, DWORD, DWORD data, void* user) {
                               if (data == 0) ++*static_cast<std::atomic<int>*>(user);
                             },
                             &dry),
              0u);
    ASSERT_TRUE(ChannelPlay(h, 0));
    // The start waits for its data, and says so.
    ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 10s)) << ChannelIsActive(h);
    rest = true;
    ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_BYTE) >= 44100u * 4 * 3 / 2; }, 20s));
    device.Finish();
    // The wait at the start is the one stall; one more, once playing,
    // is the machine's (as in Recorded), and the stream is played again.
    if (dry.load() > 1) {
      std::fprintf(stderr, "the stream ran dry after its start in play %d; played again\n", play + 1);
      continue;
    }
    ExpectASecondFromTheFirstSound(device.Samples(), decoded, 1.0f);
    return;
  }
  ADD_FAILURE() << "the stream ran dry after its start in each of " << kPlays << " plays";
}

TEST(DeviceOutput, AMonoStreamReachesBothSidesAsLoudAsItIs) {
  // The file's own samples: 16-bit, one channel, after the "data" chunk's header.
  const std::string wav = testkit::ReadBytes(Media("sine440-mono.wav"));
  const size_t data = wav.find("data");
  ASSERT_NE(data, std::string::npos);
  std::vector<float> input;
  for (size_t i = data + 8; i + 1 < wav.size(); i += 2) {
    const auto sample = static_cast<int16_t>(static_cast<uint8_t>(wav[i]) | static_cast<uint8_t>(wav[i + 1]) << 8);
    input.push_back(sample / 32768.0f);
  }
  const std::vector<float> samples = Recorded("sine440-mono.wav", 1.0f);
  // From the first sound on both; the tone begins with a zero sample.
  size_t out = 0, in = 0;
  while (out < samples.size() && samples[out] == 0) ++out;
  out -= out % 2;
  while (in < input.size() && input[in] == 0) ++in;
  const size_t frames = 44100;
  ASSERT_GE(samples.size(), out + frames * 2) << "less than a second of sound was written";
  ASSERT_GE(input.size(), in + frames);
  for (size_t i = 0; i < frames; ++i) {
    ASSERT_EQ(samples[out + 2 * i], input[in + i]) << "left, frame " << i;
    ASSERT_EQ(samples[out + 2 * i + 1], input[in + i]) << "right, frame " << i;
  }
}

TEST(DeviceOutput, AStereoMp3ReachesTheDeviceAsTheFfmpegProgramDecodesIt) {
  // The decoder's float frames go into the queue without a conversion.
  ExpectSecondOfReference(Recorded("tones.mp3", 0.5f), FfmpegReference("tones.mp3", ""), 0.5f);
}

TEST(DeviceOutput, AStreamAtAnotherRateReachesTheDeviceAsTheFfmpegProgramResamplesIt) {
  // 48 kHz on the 44.1 kHz device: the resampler writes into the
  // channel's device queue, a pass at a time.
  ExpectSecondOfReference(Recorded("tones48k.wav", 0.5f),
                          FfmpegReference("tones48k.wav", "-af aformat=sample_fmts=flt,aresample=44100 "), 0.5f);
}
