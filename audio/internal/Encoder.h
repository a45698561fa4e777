// The encoder feed: a child process (normally ffmpeg) that receives a
// channel's decoded 16-bit PCM on its standard input. The mixer hands over
// blocks without ever waiting on the pipe; a writer thread of the encoder
// does the blocking writes.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/Audio.h"

namespace audio::detail {

class TEncoder {
 public:
  TEncoder(HENCODE handle, DWORD channel, DWORD flags, ENCODEPROC* proc, void* user);
  ~TEncoder();
  TEncoder(const TEncoder&) = delete;
  TEncoder& operator=(const TEncoder&) = delete;

  // Starts the program; false with the library error set when it cannot.
  bool Start(const std::vector<std::string>& argv, int freq, int chans);

  HENCODE Handle() const { return handle_; }
  DWORD Channel() const { return channel_; }
  bool AutoFree() const { return (flags_ & ENCODE_AUTOFREE) != 0; }

  // Mixer thread: converts and queues a block unless paused or stopping.
  void Feed(const float* data, size_t frames, int chans);
  void SetPaused(bool paused) { paused_ = paused; }
  bool Paused() const { return paused_.load(); }
  // Running, paused or stopped (0) as Encode_IsActive reports it.
  DWORD State();

  // Closes the input after the queued data and waits up to `waitMs` for the
  // program to finish its file. A program that is still running then is
  // left to finish and reaped later.
  void Stop(int waitMs);

 private:
  void WriterLoop();
  bool Reap(int waitMs);

  const HENCODE handle_;
  const DWORD channel_;
  const DWORD flags_;
  ENCODEPROC* proc_;
  void* user_;

  pid_t pid_ = -1;
  int inputFd_ = -1;
  int outputFd_ = -1;
  std::atomic<bool> paused_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> exited_{false};
  std::atomic<bool> broken_{false};
  std::atomic<bool> writerDone_{false};
  std::atomic<bool> abandon_{false};

  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::vector<int16_t>> queue_;
  size_t queuedBytes_ = 0;
  std::string header_;

  std::thread writer_;
  std::thread reader_;
};

}  // namespace audio::detail
