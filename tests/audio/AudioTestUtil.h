// Helpers of the audio tests: test media made with the real ffmpeg, an
// initialised library per test, waiting, and tone measurement.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "FixtureServer.h"
#include "LiveStream.h"
#include "Media.h"
#include "Shell.h"
#include "TempDir.h"

namespace audiotest {

// A file made once per test run with ffmpeg, kept in a shared temporary
// folder: "sine440.mp3" (10 s, 44100 Hz stereo, 128k), "sine440.aac",
// "sine440.ogg", "sine440.opus", "sine440.flac", "sine440.wav", "sine440.ac3",
// "sine440.m4a", "sine440.wma", "noise320.aac" (10 s of a tone under noise, AAC
// at 320k, which makes about 230 kbit/s),
// "sine1000.wav", "sine100.wav", "mix100_1000.wav", "tones.wav" and
// "tones.mp3" (a different tone on each side, 3 s; "tones48k.wav" the
// same at 48 kHz, "tones-f32.wav" in float samples), and
// "hls/index.m3u8" (an HLS folder of AAC segments).
std::filesystem::path Media(const std::string& name);

// Seconds of audio in an ADTS file made at 44100 Hz, from the packets
// ffprobe counts (its duration of such a file is an estimate from the bit
// rate); negative when it cannot be read.
double AdtsSeconds(const std::filesystem::path& path);

// Waits until `done` is true, checking every 10 ms; false on time-out.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Amplitude of `hz` in interleaved float audio (channel 0), by Goertzel.
double ToneAmplitude(const std::vector<float>& interleaved, int channels, int rate, double hz);

// The most recent played samples of a channel as floats (ChannelGetData).
std::vector<float> RecentSamples(audio::DWORD handle, int frames, int channels);

// Init(device 0 = no sound) on construction, Free on destruction; network
// settings as the player uses them, with short time-outs for tests.
class TLibrary {
 public:
  explicit TLibrary(int device = 0);
  ~TLibrary();
  bool ok;
};

// The library (as TLibrary, on the default device) on SDL's disk driver,
// a real device of the library that writes what it is given to a file:
// once the library is freed (Finish), Samples() are the stereo float
// frames the device got.
class TDiskOutput {
 public:
  TDiskOutput();
  // Frees the library, which closes the device.
  void Finish();
  std::vector<float> Samples() const;
  bool Ok() const { return library_ && library_->ok; }

 private:
  testkit::TempDir dir_;
  std::string file_;
  std::unique_ptr<testkit::EnvScope> driver_, output_;
  std::unique_ptr<TLibrary> library_;
};

// Serves `audio` as an endless live stream (see testkit::ServeLiveStream),
// by default with ICY metadata every 8000 bytes and an HTTP status line.
struct TLiveOptions {
  std::string contentType = "audio/mpeg";
  bool icyStatusLine = false;
  size_t metaInt = 8000;
  std::function<std::string(int)> title = [](int) { return std::string("Artist - Song"); };
  size_t bytesPerSecond = 16000;
  size_t burst = 64000;
  size_t limit = 0;
};
void ServeLive(const testkit::FixtureServer& server, testkit::Connection& connection,
               const std::string& audio, const TLiveOptions& options);

}  // namespace audiotest
