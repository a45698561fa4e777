#include "audio/internal/Output.h"

#include <algorithm>
#include <chrono>

#include <pthread.h>

#include "audio/internal/Channel.h"
#include "audio/internal/Core.h"

namespace audio::detail {

namespace {
constexpr int kLatencyMs = 100;
constexpr int kMaxBlock = 1024;
}  // namespace

TOutput::TOutput(TSnapshot snapshot, TFinished finished)
    : snapshot_(std::move(snapshot)), finished_(std::move(finished)) {}

TOutput::~TOutput() { Close(); }

bool TOutput::Open(int device, int freq) {
  rate_ = freq > 0 ? freq : 44100;
  if (device != 0) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      SetError(ERROR_DRIVER);
      return false;
    }
    sdlStarted_ = true;
    const char* name = nullptr;
    if (device > 0) {
      if (device > SDL_GetNumAudioDevices(0)) {
        Close();
        SetError(ERROR_DEVICE);
        return false;
      }
      name = SDL_GetAudioDeviceName(device - 1, 0);
    }
    SDL_AudioSpec want{}, have{};
    want.freq = rate_;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    device_ = SDL_OpenAudioDevice(name, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device_ == 0) {
      Close();
      SetError(ERROR_DRIVER);
      return false;
    }
    rate_ = have.freq;
    SDL_PauseAudioDevice(device_, 0);
  }
  quit_ = false;
  mixer_ = std::thread([this] { MixerLoop(); });
  return true;
}

void TOutput::Close() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
  if (mixer_.joinable()) mixer_.join();
  if (device_) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  if (sdlStarted_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdlStarted_ = false;
  }
}

void TOutput::MixerLoop() {
  pthread_setname_np(pthread_self(), "audio-mixer");
  using Clock = std::chrono::steady_clock;
  const int64_t target = static_cast<int64_t>(rate_) * kLatencyMs / 1000;
  const auto start = Clock::now();
  int64_t produced = 0;
  std::vector<float> mix(kMaxBlock * 2);
  while (!quit_.load()) {
    // The clock paces the no-sound device and drivers that take data
    // faster than real time; a real device is paced by its own queue.
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    int64_t allow = static_cast<int64_t>(elapsed * rate_) + target - produced;
    if (allow > target) {
      // After a long pause of the process the clock is not caught up.
      produced += allow - target;
      allow = target;
    }
    if (device_) {
      int64_t queued = SDL_GetQueuedAudioSize(device_) / (2 * sizeof(float));
      allow = std::min(allow, target - queued);
    }
    if (allow > 0) {
      auto channels = snapshot_();
      while (allow > 0) {
        const int n = static_cast<int>(std::min<int64_t>(allow, kMaxBlock));
        std::fill(mix.begin(), mix.begin() + n * 2, 0.0f);
        for (auto& channel : channels) channel->MixInto(mix.data(), n, rate_);
        for (int i = 0; i < n * 2; ++i) mix[i] = std::clamp(mix[i], -1.0f, 1.0f);
        if (device_) SDL_QueueAudio(device_, mix.data(), static_cast<Uint32>(n * 2 * sizeof(float)));
        produced += n;
        allow -= n;
      }
      for (auto& channel : channels)
        if (channel->TakeFinished()) finished_(channel);
    }
    std::unique_lock lock(mutex_);
    // A quarter of the latency: often enough to keep the queue topped up,
    // rarely enough to cost nothing while idle.
    cv_.wait_for(lock, std::chrono::milliseconds(kLatencyMs / 4), [&] { return quit_.load(); });
  }
}

}  // namespace audio::detail
