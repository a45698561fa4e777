// The output: an SDL audio device (or none, for the "no sound" device) and
// the mixer thread that pulls every playing channel, keeping about 100 ms
// queued ahead of the device. The mixer sleeps until that queue runs low
// (by the SDL queue's level, or by the clock for the no-sound device) and
// blocks while nothing plays, until a channel starts.
#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audio::detail {

class TChannel;

class TOutput {
 public:
  using TSnapshot = std::function<std::vector<std::shared_ptr<TChannel>>()>;
  using TFinished = std::function<void(const std::shared_ptr<TChannel>&)>;

  TOutput(TSnapshot snapshot, TFinished finished);
  ~TOutput();

  // device: -1 default, 0 none, n >= 1 the n-th device. Sets the library
  // error and returns false on failure.
  bool Open(int device, int freq);
  void Close();
  int Rate() const { return rate_; }

  // A channel started playing: the mixer looks at once instead of at the
  // end of its sleep (or of its block, when nothing played).
  void Wake();

 private:
  void MixerLoop();
  // Frames mixed and not played yet.
  int64_t Ahead(int64_t& produced, int64_t clockFrames) const;

  TSnapshot snapshot_;
  TFinished finished_;
  SDL_AudioDeviceID device_ = 0;
  bool sdlStarted_ = false;
  int rate_ = 44100;
  std::atomic<bool> quit_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
  uint64_t wakes_ = 0;  // under mutex_
  std::thread mixer_;
};

}  // namespace audio::detail
