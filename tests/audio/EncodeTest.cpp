// The encoder feed with the real ffmpeg: every recording format comes out
// as a valid file of the right codec and length; pause, stop and AUTOFREE.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "AudioTestUtil.h"
#include "TempDir.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

struct TProbe {
  std::string codec;
  double duration = 0;
};

TProbe Probe(const std::filesystem::path& file) {
  return {testkit::ProbeCodec(file), std::max(0.0, testkit::ProbeDuration(file))};
}

HSTREAM OpenFile(const std::string& name) {
  const std::string path = Media(name).string();
  std::u16string wide(path.begin(), path.end());
  return StreamCreateFile(0, wide.c_str(), 0, 0, UNICODE);
}

// The recorder's command line for a format.
std::u16string CommandLine(const std::string& codec, int rate, const std::filesystem::path& file) {
  std::string line = "ffmpeg -ac 2 -ar 44100 -f s16le -i pipe:0 -ac 2 -ar " + std::to_string(rate) +
                     " -ab 128k -c:a " + codec + " \"" + file.string() + "\"";
  return std::u16string(line.begin(), line.end());
}

}  // namespace

TEST(Encode, EveryRecordingFormatGivesAValidFile) {
  audiotest::TLibrary library;
  testkit::TempDir dir;
  struct Format {
    const char* encoder;
    const char* extension;
    const char* codec;  // as ffprobe names it
  } formats[] = {{"aac", "aac", "aac"},           {"ac3", "ac3", "ac3"},          {"flac", "flac", "flac"},
                 {"aac", "m4a", "aac"},           {"libmp3lame", "mp3", "mp3"},   {"libvorbis", "ogg", "vorbis"},
                 {"libopus", "opus", "opus"},     {"pcm_s16le", "wav", "pcm_s16le"}};
  std::vector<HSTREAM> streams;
  std::vector<HENCODE> encoders;
  // All eight at once, each from its own channel, so the test takes the
  // length of the clip and not eight times it.
  for (const auto& f : formats) {
    HSTREAM h = OpenFile("sine440_2s.mp3");
    ASSERT_NE(h, 0u);
    auto file = dir / (std::string("out.") + f.extension);
    int rate = std::string(f.encoder) == "libopus" ? 48000 : 44100;
    std::u16string line = CommandLine(f.encoder, rate, file);
    HENCODE e = Encode_Start(h, line.c_str(), UNICODE | ENCODE_AUTOFREE | ENCODE_NOHEAD, nullptr, nullptr);
    ASSERT_NE(e, 0u) << f.extension << " " << ErrorGetCode();
    EXPECT_EQ(Encode_IsActive(e), ACTIVE_PLAYING);
    streams.push_back(h);
    encoders.push_back(e);
  }
  for (HSTREAM h : streams) ASSERT_TRUE(ChannelPlay(h, 0));
  for (HSTREAM h : streams) ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 6s));
  for (HENCODE e : encoders) EXPECT_TRUE(Encode_Stop(e));
  for (size_t i = 0; i < std::size(formats); ++i) {
    SCOPED_TRACE(formats[i].extension);
    TProbe probe = Probe(dir / (std::string("out.") + formats[i].extension));
    EXPECT_EQ(probe.codec, formats[i].codec);
    EXPECT_NEAR(probe.duration, 2.0, 0.15);
  }
  for (HSTREAM h : streams) StreamFree(h);
}

TEST(Encode, PausedEncoderGetsNothingAndWavHeaderIsWrittenUnlessNoHead) {
  audiotest::TLibrary library;
  testkit::TempDir dir;
  HSTREAM h = OpenFile("sine440_2s.mp3");
  ASSERT_NE(h, 0u);
  // Without NOHEAD the program gets a WAV header and can read it as WAV.
  std::string line = "ffmpeg -f wav -i pipe:0 -c:a pcm_s16le \"" + (dir / "paused.wav").string() + "\"";
  HENCODE e = Encode_Start(h, line.c_str(), 0, nullptr, nullptr);
  ASSERT_NE(e, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) >= 44100 * 4 / 2; }, 3s));
  ASSERT_TRUE(Encode_SetPaused(e, 1));
  EXPECT_EQ(Encode_IsActive(e), ACTIVE_PAUSED);
  QWORD pausedAt = ChannelGetPosition(h, POS_DECODE);
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) >= pausedAt + 44100 * 4; }, 3s));
  ASSERT_TRUE(Encode_SetPaused(e, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 4s));
  ASSERT_TRUE(Encode_Stop(h));  // by channel: all its encoders
  EXPECT_EQ(Encode_IsActive(e), ACTIVE_STOPPED);
  TProbe probe = Probe(dir / "paused.wav");
  EXPECT_EQ(probe.codec, "pcm_s16le");
  // Two seconds played, one of them while paused.
  EXPECT_NEAR(probe.duration, 1.0, 0.2);
  EXPECT_FALSE(Encode_Stop(e));
  EXPECT_EQ(ErrorGetCode(), ERROR_HANDLE);
}

TEST(Encode, AutoFreeEncoderFinishesWhenItsChannelIsFreed) {
  audiotest::TLibrary library;
  testkit::TempDir dir;
  HSTREAM h = OpenFile("sine440.mp3");
  ASSERT_NE(h, 0u);
  auto file = dir / "auto.mp3";
  std::u16string line = CommandLine("libmp3lame", 44100, file);
  HENCODE e = Encode_Start(h, line.c_str(), UNICODE | ENCODE_AUTOFREE | ENCODE_NOHEAD, nullptr, nullptr);
  ASSERT_NE(e, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) >= 44100 * 4; }, 3s));
  ASSERT_TRUE(StreamFree(h));
  ASSERT_TRUE(WaitFor([&] { return Probe(file).codec == "mp3"; }, 5s));
  EXPECT_GT(Probe(file).duration, 0.8);
}

TEST(Encode, ProgramsThatCannotRunOrQuitEarlyFailCleanly) {
  audiotest::TLibrary library;
  HSTREAM h = OpenFile("sine440_2s.mp3");
  ASSERT_NE(h, 0u);
  EXPECT_EQ(Encode_Start(h, "no-such-encoder-program -i pipe:0 x.mp3", 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_CREATE);
  EXPECT_EQ(Encode_Start(h, "   ", 0, nullptr, nullptr), 0u);
  EXPECT_EQ(Encode_Start(h + 1000, "ffmpeg", 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_HANDLE);
  // A program that exits at once: feeding it must not kill or block us.
  HENCODE e = Encode_Start(h, "true", ENCODE_NOHEAD, nullptr, nullptr);
  ASSERT_NE(e, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 4s));
  EXPECT_EQ(Encode_IsActive(e), ACTIVE_STOPPED);
  EXPECT_TRUE(Encode_Stop(e));
}

TEST(Encode, OutputProcedureReceivesWhatTheProgramWrites) {
  audiotest::TLibrary library;
  HSTREAM h = OpenFile("sine440_2s.mp3");
  ASSERT_NE(h, 0u);
  struct TSink {
    std::atomic<size_t> bytes{0};
  } sink;
  HENCODE e = Encode_Start(h, "cat", ENCODE_NOHEAD,
                           [](HENCODE, DWORD, const void*, DWORD length, void* user) {
                             static_cast<TSink*>(user)->bytes += length;
                           },
                           &sink);
  ASSERT_NE(e, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 4s));
  ASSERT_TRUE(Encode_Stop(e));
  // Everything that played went through the program.
  EXPECT_EQ(sink.bytes.load(), ChannelGetPosition(h, POS_DECODE));
}
