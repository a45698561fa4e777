// Helpers of the player tests: the real audio library on the no-sound
// device, test media made with the real ffmpeg, live ICY streams served on
// 127.0.0.1, a recorder fake, an event log, and pumping the message loop.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "FixtureServer.h"
#include "LiveStream.h"
#include "MainLoop.h"
#include "Media.h"
#include "engine/RadioPlayer.h"
#include "engine/RecorderLink.h"

namespace playertest {

using testkit::PumpFor;
using testkit::PumpUntil;

// Media made once per build folder with ffmpeg: "tone.mp3" (20 s, 44100 Hz
// stereo, 128 kbit/s), "short.mp3" (1 s), "tone.aac" (3 s, ADTS), "tone.ogg" (with TITLE and
// ARTIST tags), "mono.wav" (2 s, 22050 Hz mono).
std::filesystem::path Media(const std::string& name);
using testkit::ReadBytes;

// The library on device 0 (no sound) for one test, freed afterwards.
class TAudioLibrary {
 public:
  TAudioLibrary();
  ~TAudioLibrary();
  bool ok = false;
  bool notImplemented = false;
};

// Fails the test when the library does not start (or is not there).
#define REQUIRE_AUDIO(lib)                                                  \
  do {                                                                      \
    ASSERT_FALSE((lib).notImplemented) << "audio library not built";        \
    ASSERT_TRUE((lib).ok) << "audio library did not start";                 \
  } while (0)

// Live streams on the fixture server (see testkit::ServeLiveStream).
using TLiveOptions = testkit::LiveStreamOptions;
inline void ServeLive(const testkit::FixtureServer& server, testkit::Connection& connection, const std::string& audio,
                      const TLiveOptions& options) {
  testkit::ServeLiveStream(server, connection, audio, options);
}

// A test with the library, the bytes of "tone.mp3" and live streams of them
// on a fixture server.
class TLiveStreamTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // A live stream at `path`; the answer waits `delayMs` first. Sets
  // closedByClient when the player had closed the connection by the end.
  void Live(const std::string& path, TLiveOptions options = {}, int delayMs = 0);
  // Plays `address` and runs the loop until the player is in `state`.
  bool PlayTo(TBaseRadioPlayer& player, const std::string& address, int32_t state = psPlaying);

  TAudioLibrary lib;
  // Before the server, which is stopped first: its handlers use them until
  // then.
  std::string mp3;
  std::atomic<bool> closedByClient{false};
  testkit::FixtureServer server;
};

// A recorder that records raw bytes and counts them.
class TFakeRecorder : public TRecorderLink {
 public:
  int WriteRaw(const void* buffer, int length) override;
  bool IsEncodeMode() const override { return encodeMode.load(); }
  int RecorderState() const override { return state.load(); }
  uint64_t Bytes() const { return bytes.load(); }

  std::atomic<bool> encodeMode{false};
  std::atomic<int> state{rsRecording};
  std::atomic<uint64_t> bytes{0};
};

// Registers a recorder for the scope of a test.
class TRecorderScope {
 public:
  explicit TRecorderScope(TRecorderLink* recorder) { SetProcessRecorder(recorder); }
  ~TRecorderScope() { SetProcessRecorder(nullptr); }
};

// Every event of a player as text, in order, with the time it came.
class TEventLog {
 public:
  explicit TEventLog(TBaseRadioPlayer& player);
  std::vector<std::string> Events() const;
  int Count(const std::string& event) const;
  bool Has(const std::string& event) const { return Count(event) > 0; }
  // Times (ms since the log began) of each occurrence of an event.
  std::vector<long> Times(const std::string& event) const;
  std::string Joined() const;
  // The events with their times, for failure messages.
  std::string Timeline() const;
  void Clear();

 private:
  void Add(const std::string& event);
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, long>> events_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace playertest
