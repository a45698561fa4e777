// Shared pieces of the playback benchmarks: a live MP3 stream served from
// 127.0.0.1 in real time, the music it loops, and measuring a child
// process, so that the server's work is never counted with the player's.
#pragma once

#include <sys/time.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace benchkit {

inline double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// 30 s of a tone under noise as a 128 kbit/s 44100 Hz stereo MP3, made with
// ffmpeg in a private temporary folder; empty when ffmpeg fails.
std::string MakeMusic();

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

// A live stream: `audio` looped, paced at 128 kbit/s after a 64000-byte
// burst, with metadata every 16000 bytes. `dropEvery` closes each
// connection after that many seconds (0: never).
class TStreamServer {
 public:
  TStreamServer(std::string audio, std::string statusLine, int dropEvery = 0);
  ~TStreamServer();
  TStreamServer(const TStreamServer&) = delete;
  TStreamServer& operator=(const TStreamServer&) = delete;

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/stream"; }

 private:
  void Accept();
  void Serve(int c);

  std::string audio_;
  std::string statusLine_;
  int dropEvery_ = 0;
  int fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<std::thread> clients_;
};

}  // namespace benchkit
