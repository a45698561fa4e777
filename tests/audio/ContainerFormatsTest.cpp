// The kinds of file the player takes from a dropped folder beyond the
// common ones (FileStreamTest has those): each made by the real ffmpeg,
// opened by the library and played on the no-sound device until a quarter
// second has been decoded. The build's own FFmpeg carries only the
// demuxers and decoders it was configured with; a kind left out of that
// list fails here instead of in a listener's folder.
#include <gtest/gtest.h>

#include "AudioTestUtil.h"
#include "Media.h"
#include "Shell.h"

using namespace audio;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

struct TKind {
  const char* file;
  const char* encoding;  // ffmpeg's output options
  int rate;
  int channels;
  DWORD ctype;  // 0: any
};

std::filesystem::path Make(const TKind& kind) {
  const std::string input = testkit::SineInput(440, kind.rate, kind.channels, 2);
  return testkit::MediaFile("formats", kind.file, [&](const std::filesystem::path& path) {
    return std::string(testkit::kFfmpegMake) + input + kind.encoding + " " + testkit::ShellQuote(path.string());
  });
}

}  // namespace

TEST(AudioLibrary, EveryKindOfFileADroppedFolderTakesPlays) {
  audiotest::TLibrary library;
  const TKind kinds[] = {
      {"sine.aiff", "-c:a pcm_s16be -f aiff", 44100, 2, CTYPE_STREAM_AIFF},
      {"sine.mp2", "-c:a mp2 -b:a 192k -f mp2", 44100, 2, CTYPE_STREAM_MP2},
      {"sine.mka", "-c:a libvorbis -f matroska", 44100, 2, CTYPE_STREAM_OGG},
      {"sine.webm", "-c:a libopus -f webm", 48000, 2, CTYPE_STREAM_OPUS},
      {"sine.wv", "-c:a wavpack -f wv", 44100, 2, 0},
      {"alac.m4a", "-c:a alac -f ipod", 44100, 2, 0},
      {"sine.spx", "-c:a libspeex -f ogg", 16000, 1, 0},
      {"sine.avi", "-c:a libmp3lame -f avi", 44100, 2, CTYPE_STREAM_MP3},
      {"sine.flv", "-c:a aac -f flv", 44100, 2, CTYPE_STREAM_AAC},
      {"sine.caf", "-c:a pcm_s16le -f caf", 44100, 2, 0},
      {"sine.3gp", "-c:a aac -f 3gp", 44100, 1, 0},
      {"sine.mov", "-c:a aac -f mov", 44100, 2, CTYPE_STREAM_MP4},
      {"adpcm.wav", "-c:a adpcm_ms -f wav", 44100, 2, CTYPE_STREAM_WAV},
      {"sine.eac3", "-c:a eac3 -f eac3", 48000, 2, CTYPE_STREAM_AC3},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.file);
    const auto path = Make(kind);
    ASSERT_FALSE(path.empty()) << "ffmpeg could not make the file";
    const std::string name = path.string();
    const std::u16string wide(name.begin(), name.end());
    HSTREAM h = StreamCreateFile(0, wide.c_str(), 0, 0, UNICODE);
    ASSERT_NE(h, 0u) << "error " << ErrorGetCode();
    CHANNELINFO info;
    ASSERT_TRUE(ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, static_cast<DWORD>(kind.rate));
    EXPECT_EQ(info.chans, static_cast<DWORD>(kind.channels));
    if (kind.ctype) {
      EXPECT_EQ(info.ctype, kind.ctype);
    }
    ASSERT_TRUE(ChannelPlay(h, 0));
    // Positions count bytes of 16-bit samples of the stream's own channels.
    const QWORD quarterSecond = static_cast<QWORD>(kind.rate) * kind.channels * 2 / 4;
    EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > quarterSecond; }, 5s))
        << "decoded " << ChannelGetPosition(h, POS_DECODE) << " bytes";
    EXPECT_TRUE(StreamFree(h));
  }
}
