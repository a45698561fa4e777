// Shared pieces of the playback benchmarks: a live MP3 stream served from
// 127.0.0.1 in real time, the music it loops, and measuring a child
// process, so that the server's work is never counted with the player's.
#pragma once

#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace benchkit {

inline double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// 30 s of a tone under noise as a 44100 Hz stereo stream, made with ffmpeg
// in a private temporary folder: MP3 ("mp3") or ADTS AAC ("aac") at `kbps`.
// Empty when ffmpeg fails.
std::string MakeMusic(const std::string& codec = "mp3", int kbps = 128);

// Runs the GLib main loop (the user-interface loop) until `done` or the
// deadline, waking at least every 5 ms to ask.
bool PumpUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& done);

// What a child process printed and what it cost.
struct TChildRun {
  int status = -1;   // exit status; -1 when it did not start or exit normally
  double cpu = 0;    // user and system seconds
  long peakKb = 0;   // peak resident memory
  std::string output;
};

// Runs `argv` (searched on the path) and waits for it. Its standard error
// goes to /dev/null when `quietErrors` is set, unless QOR_BENCH_VERBOSE is.
TChildRun RunChild(const std::vector<std::string>& argv, bool quietErrors);

// How a live stream is served.
struct TStreamOptions {
  std::string statusLine = "HTTP/1.0 200 OK";
  std::string contentType = "audio/mpeg";
  int kbps = 128;          // pacing after the burst, and the icy-br value
  bool sendBitrate = true; // whether the answer carries icy-br
  int dropEvery = 0;       // closes each connection after so many seconds (0: never)
  size_t burst = 64000;    // sent at once, as Icecast does for a new listener
  // The time at which the newest connection had sent this many audio
  // bytes is kept for MarkReachedAt (0: no mark).
  size_t markBytes = 0;
  // The title changes every fourth metadata block of a connection, or,
  // when set, every that many seconds since the server started, across
  // reconnects.
  int titleEvery = 0;
};

// A live stream: `audio` looped, paced at its bit rate after a burst, with
// metadata every 16000 bytes.
class TStreamServer {
 public:
  // 128 kbit/s MP3 with icy-br; `dropEvery` closes each connection after
  // that many seconds (0: never).
  TStreamServer(std::string audio, std::string statusLine, int dropEvery = 0);
  TStreamServer(std::string audio, TStreamOptions options);
  ~TStreamServer();
  TStreamServer(const TStreamServer&) = delete;
  TStreamServer& operator=(const TStreamServer&) = delete;

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/stream"; }
  // When the newest connection had sent `markBytes` audio bytes, as
  // steady-clock nanoseconds; 0 until then.
  int64_t MarkReachedAt() const { return markReachedAt_.load(); }
  // Connections served so far (the first one and every reconnect).
  int Connections() const { return connections_.load(); }

 private:
  void Accept();
  void Serve(int c);

  std::string audio_;
  TStreamOptions options_;
  std::atomic<int64_t> markReachedAt_{0};
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::atomic<int> connections_{0};
  int fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<std::thread> clients_;
};

}  // namespace benchkit
