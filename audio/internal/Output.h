// The output: an SDL audio device (or none, for the "no sound" device) and
// the mixing of every playing channel into it. A device pulls: SDL's own
// thread calls the mixer for each buffer of about 100 ms, so playing costs
// one wake-up a buffer and nothing else. The no-sound device has no such
// thread: a mixer thread of its own keeps about 100 ms mixed ahead of the
// clock, sleeps until that runs low, and blocks while nothing plays, until
// a channel starts.
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
  // Fills the list (emptied first) with every channel.
  using TSnapshot = std::function<void(std::vector<std::shared_ptr<TChannel>>&)>;
  using TFinished = std::function<void(TChannel&)>;

  TOutput(TSnapshot snapshot, TFinished finished);
  ~TOutput();

  // device: -1 default, 0 none, n >= 1 the n-th device. Sets the library
  // error and returns false on failure.
  bool Open(int device, int freq);
  void Close();
  int Rate() const { return rate_; }
  // Frames of one device buffer (what each pull of the device takes); 0
  // for the no-sound device.
  int DeviceFrames() const { return deviceFrames_; }

  // A channel started playing: the no-sound device's mixer looks at once
  // instead of at the end of its sleep (or of its block, when nothing
  // played). A device takes it up with its next pull.
  void Wake();

 private:
  struct TPass {
    bool playing = false;   // some channel plays or is stalled
    bool heldBack = false;  // a channel that just started waits for its data
  };
  // Mixes every playing channel into `mix` (room for `frames` stereo
  // frames) and returns the frames made: `frames`, or 0 when nothing plays
  // or (unless `alwaysFill`) only channels wait that are held back.
  // `aheadBefore`: frames queued in front of these.
  int64_t MixPass(float* mix, int64_t frames, bool alwaysFill, int64_t aheadBefore, TPass& pass);
  static void DeviceCallback(void* self, Uint8* stream, int length);
  void MixerLoop();
  // Frames mixed and not played yet (no-sound device).
  int64_t Ahead(int64_t& produced, int64_t clockFrames) const;

  TSnapshot snapshot_;
  TFinished finished_;
  // The mixing thread's lists, kept so that a pass allocates nothing.
  // channels_ holds the pass's channels alive; mixing_ are those of them
  // that the pass mixes, and whether each played as the pass began.
  struct TMixing {
    TChannel* channel;
    bool plays;
  };
  std::vector<std::shared_ptr<TChannel>> channels_;
  std::vector<TMixing> mixing_;
  SDL_AudioDeviceID device_ = 0;
  bool sdlStarted_ = false;
  int rate_ = 44100;
  int deviceFrames_ = 0;
  std::atomic<bool> quit_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
  uint64_t wakes_ = 0;  // under mutex_
  std::thread mixer_;
};

}  // namespace audio::detail
