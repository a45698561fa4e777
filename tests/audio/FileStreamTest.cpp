// Local files and push streams through the real library on the no-sound
// device: formats, channel info, states from playing to the end, volume,
// pause and the errors of bad input.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "AudioTestUtil.h"
#include "TempDir.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

HSTREAM OpenFile(const std::filesystem::path& path, DWORD flags = 0) {
  std::u16string wide = Wide(path.string());
  return StreamCreateFile(0, wide.c_str(), 0, 0, UNICODE | flags);
}

}  // namespace

TEST(AudioLibrary, InitTwiceFailsAndCallsBeforeInitReportInit) {
  ASSERT_EQ(StreamCreateURL("http://127.0.0.1:1/", 0, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_INIT);
  {
    audiotest::TLibrary library;
    ASSERT_TRUE(library.ok);
    EXPECT_EQ(Init(0, 44100, 0, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorGetCode(), ERROR_ALREADY);
  }
  EXPECT_EQ(Free(), 0);
  EXPECT_EQ(ErrorGetCode(), ERROR_INIT);
}

TEST(AudioLibrary, DevicesThatDoNotExistAreRefused) {
  EXPECT_EQ(Init(-2, 44100, 0, nullptr, nullptr), 0);
  EXPECT_EQ(ErrorGetCode(), ERROR_DEVICE);
  EXPECT_EQ(Init(99, 44100, 0, nullptr, nullptr), 0);
  EXPECT_EQ(ErrorGetCode(), ERROR_DEVICE);
  // A failed start leaves the library free to start properly.
  audiotest::TLibrary library;
  EXPECT_TRUE(library.ok);
}

TEST(AudioLibrary, DefaultDeviceOpensThroughSdl) {
  // The test environment selects SDL's dummy driver.
  audiotest::TLibrary library(-1);
  ASSERT_TRUE(library.ok) << ErrorGetCode();
  HSTREAM h = OpenFile(Media("sine440_2s.mp3"));
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100 * 4 / 4; }, 3s));
}

TEST(AudioLibrary, FilesOfEachFormatOpenWithTheirTypeAndFormat) {
  audiotest::TLibrary library;
  struct Case {
    const char* file;
    DWORD ctype;
  } cases[] = {{"sine440.mp3", CTYPE_STREAM_MP3},   {"sine440.aac", CTYPE_STREAM_AAC},
               {"sine440.ogg", CTYPE_STREAM_OGG},   {"sine440.opus", CTYPE_STREAM_OPUS},
               {"sine440.flac", CTYPE_STREAM_FLAC}, {"sine440.wav", CTYPE_STREAM_WAV},
               {"sine440.ac3", CTYPE_STREAM_AC3},   {"sine440.m4a", CTYPE_STREAM_MP4},
               {"sine440.wma", CTYPE_STREAM_WMA}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto path = Media(c.file);
    ASSERT_FALSE(path.empty());
    HSTREAM h = OpenFile(path, STREAM_AUTOFREE);
    ASSERT_NE(h, 0u) << ErrorGetCode();
    CHANNELINFO info;
    ASSERT_TRUE(ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, c.ctype);
    EXPECT_EQ(info.freq, std::string(c.file).find("opus") != std::string::npos ? 48000u : 44100u);
    EXPECT_EQ(info.chans, 2u);
    EXPECT_EQ(ChannelIsActive(h), ACTIVE_STOPPED);
    EXPECT_EQ(StreamGetFilePosition(h, FILEPOS_END), std::filesystem::file_size(path));
    // A local file has no download buffer: the player starts it at once.
    EXPECT_EQ(StreamGetFilePosition(h, FILEPOS_BUFFER), static_cast<QWORD>(-1));
    EXPECT_EQ(ChannelGetTags(h, TAG_WMA), nullptr);
    EXPECT_TRUE(StreamFree(h));
  }
}

TEST(AudioLibrary, OggCommentsAreTags) {
  audiotest::TLibrary library;
  HSTREAM h = OpenFile(Media("sine440.ogg"));
  ASSERT_NE(h, 0u);
  const char* tags = ChannelGetTags(h, TAG_OGG);
  ASSERT_NE(tags, nullptr);
  std::vector<std::string> list;
  for (const char* p = tags; *p; p += strlen(p) + 1) list.emplace_back(p);
  EXPECT_NE(std::find_if(list.begin(), list.end(), [](const std::string& s) { return s == "TITLE=Tone" || s == "title=Tone"; }), list.end())
      << tags;
}

TEST(AudioLibrary, PlayPauseResumeAndEndOfFile) {
  audiotest::TLibrary library;
  HSTREAM h = OpenFile(Media("sine440_2s.mp3"));
  ASSERT_NE(h, 0u);
  bool ended = false;
  ASSERT_NE(ChannelSetSync(h, SYNC_END, 0, [](HSYNC, DWORD, DWORD, void* user) { *static_cast<bool*>(user) = true; }, &ended), 0u);
  EXPECT_FALSE(ChannelPause(h));
  EXPECT_EQ(ErrorGetCode(), ERROR_NOPLAY);
  ASSERT_TRUE(ChannelPlay(h, 0));
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_PLAYING);
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 0; }, 2s));
  ASSERT_TRUE(ChannelPause(h));
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_PAUSED);
  QWORD paused = ChannelGetPosition(h, POS_DECODE);
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(ChannelGetPosition(h, POS_DECODE), paused);
  ASSERT_TRUE(ChannelPlay(h, 0));
  // Two seconds of audio play out and the channel stops by itself.
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 5s));
  EXPECT_TRUE(ended);
  const QWORD bytes = ChannelGetPosition(h, POS_DECODE);
  EXPECT_NEAR(static_cast<double>(bytes), 2.0 * 44100 * 4, 44100 * 4 * 0.1);
  EXPECT_TRUE(StreamFree(h));
  EXPECT_FALSE(StreamFree(h));
  EXPECT_EQ(ErrorGetCode(), ERROR_HANDLE);
}

TEST(AudioLibrary, AutoFreeStreamGoesAwayAfterItsEnd) {
  audiotest::TLibrary library;
  HSTREAM h = OpenFile(Media("sine440_2s.mp3"), STREAM_AUTOFREE);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return !ChannelGetInfo(h, nullptr) && ErrorGetCode() == ERROR_HANDLE; }, 5s));
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_STOPPED);
}

TEST(AudioLibrary, BadFilesGiveClearErrors) {
  audiotest::TLibrary library;
  testkit::TempDir dir;
  EXPECT_EQ(OpenFile(dir / "missing.mp3"), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_FILEOPEN);
  testkit::TempDir::WriteFile(dir / "garbage.mp3", std::string(20000, '\x5a'));
  EXPECT_EQ(OpenFile(dir / "garbage.mp3"), 0u);
  EXPECT_NE(ErrorGetCode(), ERROR_OK);
  testkit::TempDir::WriteFile(dir / "empty.mp3", "");
  EXPECT_EQ(OpenFile(dir / "empty.mp3"), 0u);
  EXPECT_NE(ErrorGetCode(), ERROR_OK);
  // Truncated in the middle: plays what there is, then ends.
  std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::TempDir::WriteFile(dir / "cut.mp3", mp3.substr(0, 20000));
  HSTREAM h = OpenFile(dir / "cut.mp3");
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  EXPECT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 5s));
}

TEST(AudioLibrary, PushStreamStallsWhenStarvedAndEndsAfterItsLastData) {
  audiotest::TLibrary library;
  HSTREAM h = StreamCreate(44100, 2, STREAM_BLOCK | STREAM_AUTOFREE, STREAMPROC_PUSH, nullptr);
  ASSERT_NE(h, 0u);
  CHANNELINFO info;
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  EXPECT_EQ(info.freq, 44100u);
  EXPECT_EQ(info.chans, 2u);
  std::vector<int16_t> pcm(44100 * 2 / 2);  // half a second
  for (size_t i = 0; i < pcm.size() / 2; ++i)
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(16000 * std::sin(2 * M_PI * 440 * i / 44100.0));
  const DWORD bytes = static_cast<DWORD>(pcm.size() * 2);
  // The stall sync tells of each running dry (0) and playing on (1).
  struct TStalls {
    std::mutex lock;
    std::vector<DWORD> seen;
  } stalls;
  ASSERT_NE(ChannelSetSync(h, SYNC_STALL, 0,
                           [](HSYNC, DWORD, DWORD data, void* user) {
                             auto* s = static_cast<TStalls*>(user);
                             std::lock_guard lock(s->lock);
                             s->seen.push_back(data);
                           },
                           &stalls),
            0u);
  auto stallsSeen = [&] {
    std::lock_guard lock(stalls.lock);
    return stalls.seen;
  };
  EXPECT_EQ(StreamPutData(h, pcm.data(), bytes), bytes);
  ASSERT_TRUE(ChannelPlay(h, 0));
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_PLAYING);
  // Everything taken: starved.
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STALLED; }, 2s));
  EXPECT_EQ(ChannelGetPosition(h, POS_DECODE), bytes);
  EXPECT_TRUE(WaitFor([&] { return stallsSeen().size() == 1; }, 2s));
  // Data returns: it plays on by itself.
  StreamPutData(h, pcm.data(), bytes);
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_PLAYING; }, 2s));
  EXPECT_TRUE(WaitFor([&] { return stallsSeen().size() == 2; }, 2s));
  EXPECT_EQ(stallsSeen(), (std::vector<DWORD>{0, 1}));
  // The end mark: plays out, stops and is freed.
  StreamPutData(h, pcm.data(), bytes | STREAMPROC_END);
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 3s));
  EXPECT_EQ(StreamPutData(h, pcm.data(), bytes), static_cast<DWORD>(-1));
}

TEST(AudioLibrary, StopOfAutoFreeStreamFreesIt) {
  audiotest::TLibrary library;
  HSTREAM h = StreamCreate(44100, 2, STREAM_AUTOFREE, STREAMPROC_PUSH, nullptr);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelStop(h));
  EXPECT_FALSE(ChannelPlay(h, 0));
  EXPECT_EQ(ErrorGetCode(), ERROR_HANDLE);
}

TEST(AudioLibrary, VolumeScalesTheOutput) {
  audiotest::TLibrary library;
  HSTREAM h = OpenFile(Media("sine440.wav"));
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelSetAttribute(h, ATTRIB_VOL, 0.25f));
  float v = 0;
  ASSERT_TRUE(ChannelGetAttribute(h, ATTRIB_VOL, &v));
  EXPECT_FLOAT_EQ(v, 0.25f);
  EXPECT_TRUE(ChannelSetAttribute(h, ATTRIB_VOL, 7.0f));
  ASSERT_TRUE(ChannelGetAttribute(h, ATTRIB_VOL, &v));
  EXPECT_FLOAT_EQ(v, 1.0f);
  EXPECT_FALSE(ChannelSetAttribute(h, 99, 1.0f));
  EXPECT_EQ(ErrorGetCode(), ERROR_ILLTYPE);
}

TEST(AudioLibrary, PluginsAreRecordedForKnownFormats) {
  audiotest::TLibrary library;
  HPLUGIN aac = PluginLoad("bass_aac.dll", 0);
  EXPECT_NE(aac, 0u);
  EXPECT_NE(PluginLoad("bassopus.dll", 0), 0u);
  EXPECT_EQ(PluginLoad("bass_aac.dll", 0), aac);
  EXPECT_EQ(PluginLoad("nothing.dll", 0), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_FILEOPEN);
  EXPECT_TRUE(PluginFree(0));
  EXPECT_FALSE(PluginFree(aac));
}

TEST(AudioLibrary, RestartAndFilesHeldInMemory) {
  audiotest::TLibrary library;
  const std::string mp3 = testkit::ReadBytes(Media("sine440_2s.mp3"));
  // From memory: the caller keeps the bytes while the stream lives.
  HSTREAM h = StreamCreateFile(1, mp3.data(), 0, mp3.size(), 0);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  CHANNELINFO info;
  ASSERT_TRUE(ChannelGetInfo(h, &info));
  EXPECT_EQ(info.ctype, CTYPE_STREAM_MP3);
  EXPECT_EQ(StreamGetFilePosition(h, FILEPOS_END), mp3.size());
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 4s));
  // Ended: playing on is refused, playing from the start works.
  EXPECT_FALSE(ChannelPlay(h, 0));
  EXPECT_EQ(ErrorGetCode(), ERROR_ENDED);
  ASSERT_TRUE(ChannelPlay(h, 1));
  EXPECT_EQ(ChannelIsActive(h), ACTIVE_PLAYING);
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100; }, 2s));
  // Restart while playing goes back to the start.
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_DECODE) > 44100 * 4; }, 3s));
  ASSERT_TRUE(ChannelPlay(h, 1));
  EXPECT_LT(ChannelGetPosition(h, POS_DECODE), 44100u * 4);
  EXPECT_EQ(StreamCreateFile(1, mp3.data(), 0, 0, 0), 0u);
  EXPECT_EQ(ErrorGetCode(), ERROR_ILLPARAM);
  StreamFree(h);
}

TEST(AudioLibrary, PullStreamAsksItsProcedureForData) {
  audiotest::TLibrary library;
  struct TSource {
    std::atomic<int> calls{0};
    size_t left = 44100 * 4;  // one second of 16-bit stereo
  } source;
  HSTREAM h = StreamCreate(44100, 2, 0,
                           [](HSTREAM, void* buffer, DWORD length, void* user) -> DWORD {
                             auto* s = static_cast<TSource*>(user);
                             ++s->calls;
                             DWORD n = static_cast<DWORD>(std::min<size_t>(length, s->left));
                             std::memset(buffer, 0, n);
                             s->left -= n;
                             return s->left == 0 ? (n | STREAMPROC_END) : n;
                           },
                           &source);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(StreamPutData(h, "x", 1), static_cast<DWORD>(-1));
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelIsActive(h) == ACTIVE_STOPPED; }, 3s));
  EXPECT_GT(source.calls.load(), 1);
  EXPECT_EQ(ChannelGetPosition(h, POS_DECODE), 44100u * 4);
  StreamFree(h);
}
