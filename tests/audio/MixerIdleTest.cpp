// The no-sound device's mixer thread sleeps while nothing plays: no
// wake-ups at all while the library is idle or the only stream is paused,
// and a stream that starts or resumes afterwards plays at once. A real
// (SDL) device has no mixer thread of ours: its own thread pulls the mix a
// buffer at a time, about ten times a second. An internet stream whose
// server keeps quiet wakes neither its decoder nor its download. Wake-ups
// are read from the kernel's count of the thread's context switches, which
// stays put while it blocks.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>

#include "AudioTestUtil.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

// Context switches of the threads named `name` (or, with `prefix`, whose
// name starts so) in this process; -1 when no such thread runs.
long Switches(const std::string& name, bool prefix = false) {
  long result = -1;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      const std::string task = std::string("/proc/self/task/") + e->d_name;
      std::ifstream comm(task + "/comm");
      std::string line;
      if (!std::getline(comm, line) || (prefix ? line.rfind(name, 0) != 0 : line != name)) continue;
      std::ifstream status(task + "/status");
      result = std::max(result, 0L);
      while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
          result += std::atol(line.c_str() + line.find(':') + 1);
    }
    closedir(d);
  }
  return result;
}

// Waits until the thread `name` has not woken for `window` (a pass that
// was under way when the last stream stopped may still end), then checks
// that it stays asleep for as long again. A thread that polls never gets
// that far: its count moves every poll.
void ExpectAsleep(const char* name, const char* when, std::chrono::milliseconds window = 300ms) {
  long settled = -1;
  const bool quiet = WaitFor(
      [&] {
        const long before = Switches(name);
        std::this_thread::sleep_for(window);
        settled = Switches(name);
        return before >= 0 && before == settled;
      },
      15s);
  ASSERT_TRUE(quiet) << name << " keeps waking " << when;
  std::this_thread::sleep_for(window);
  EXPECT_EQ(Switches(name), settled) << name << " woke " << when;
}

void ExpectMixerAsleep(const char* when) { ExpectAsleep("audio-mixer", when); }

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Starts the 440 Hz file and waits until half a second of it was heard.
void PlayTone(HSTREAM& h) {
  const std::u16string path = Wide(Media("sine440.mp3").string());
  h = StreamCreateFile(0, path.c_str(), 0, 0, UNICODE);
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(ChannelPlay(h, 0));
  ASSERT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_BYTE) >= 44100 * 4 / 2; }, 10s));
  const std::vector<float> playing = audiotest::RecentSamples(h, 4096, 2);
  EXPECT_GT(audiotest::ToneAmplitude(playing, 2, 44100, 440), 0.1);
}

void SleepsWhenIdleAndPlaysAtOnce(int device) {
  audiotest::TLibrary library(device);
  ASSERT_TRUE(library.ok) << ErrorGetCode();
  // The thread names itself once it runs.
  ASSERT_TRUE(WaitFor([] { return Switches("audio-mixer") >= 0; }, 5s));
  ExpectMixerAsleep("with no stream");

  HSTREAM h = 0;
  ASSERT_NO_FATAL_FAILURE(PlayTone(h));

  ASSERT_TRUE(ChannelPause(h));
  ExpectMixerAsleep("while the only stream is paused");
  const QWORD pausedAt = ChannelGetPosition(h, POS_BYTE);
  ASSERT_TRUE(ChannelPlay(h, 0));
  EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_BYTE) >= pausedAt + 44100 * 4 / 4; }, 10s));

  StreamFree(h);
  ExpectMixerAsleep("after the stream was freed");
}

}  // namespace

TEST(MixerIdle, NoSoundMixerSleepsWhileNothingPlaysAndPlaysAtOnce) { SleepsWhenIdleAndPlaysAtOnce(0); }

TEST(MixerIdle, ADeviceMixesOnItsOwnThreadOnceABufferAndPlaysAtOnce) {
  // The test environment selects SDL's dummy driver, which pulls as a
  // real device does.
  audiotest::TLibrary library(-1);
  ASSERT_TRUE(library.ok) << ErrorGetCode();
  ASSERT_TRUE(WaitFor([] { return Switches("SDLAudio", true) >= 0; }, 5s));
  EXPECT_EQ(Switches("audio-mixer"), -1) << "a thread of ours beside the device's";

  HSTREAM h = 0;
  ASSERT_NO_FATAL_FAILURE(PlayTone(h));

  // Playing: about ten pulls a second (a queue topped up by a mixer of
  // ours woke both threads some sixty times). A loaded machine adds a
  // few involuntary switches, hence the margin.
  const long before = Switches("SDLAudio", true);
  std::this_thread::sleep_for(2s);
  EXPECT_LE(Switches("SDLAudio", true) - before, 40) << "wake-ups of the device's thread in two seconds";

  ASSERT_TRUE(ChannelPause(h));
  std::this_thread::sleep_for(300ms);
  const QWORD pausedAt = ChannelGetPosition(h, POS_BYTE);
  ASSERT_TRUE(ChannelPlay(h, 0));
  EXPECT_TRUE(WaitFor([&] { return ChannelGetPosition(h, POS_BYTE) >= pausedAt + 44100 * 4 / 4; }, 10s));
  StreamFree(h);
}

TEST(MixerIdle, AStreamWaitingForItsServerWakesNeitherItsDecoderNorItsDownload) {
  // Half a second of audio, then a server that keeps quiet (within the
  // time-out): the decoder has taken all there is and waits for more, the
  // download waits for bytes. Neither has anything to look at meanwhile.
  audiotest::TLibrary library;
  SetConfig(CONFIG_NET_TIMEOUT, 60000);
  const std::string mp3 = testkit::ReadBytes(Media("sine440.mp3"));
  testkit::FixtureServer server;
  std::atomic<bool> more{false};
  server.Route("/quiet", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    if (!c.Write("HTTP/1.0 200 OK\r\ncontent-type: audio/mpeg\r\nicy-br:128\r\n\r\n") || !c.Write(mp3.substr(0, 8000)))
      return;
    while (!more.load())
      if (!server.SleepFor(5ms)) return;
    if (!c.Write(mp3.substr(8000, 8000))) return;
    while (server.SleepFor(5ms)) {
    }
  });
  HSTREAM h = StreamCreateURL(server.Url("/quiet").c_str(), 0, STREAM_BLOCK, nullptr, nullptr);
  ASSERT_NE(h, 0u) << ErrorGetCode();
  ASSERT_TRUE(WaitFor([&] { return StreamGetFilePosition(h, FILEPOS_DOWNLOAD) == 8000; }, 10s));
  // Longer than the second a download loop that checks on its own would
  // sleep between its looks.
  ExpectAsleep("audio-decode", "while its server keeps quiet", 1500ms);
  ExpectAsleep("audio-download", "while its server keeps quiet", 1500ms);
  // Bytes wake both at once, and are decoded.
  const DWORD decoded = ChannelGetData(h, nullptr, DATA_AVAILABLE);
  more = true;
  EXPECT_TRUE(WaitFor([&] { return ChannelGetData(h, nullptr, DATA_AVAILABLE) > decoded; }, 10s));
  StreamFree(h);
}

