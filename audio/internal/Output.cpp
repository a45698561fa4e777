#include "audio/internal/Output.h"

#include <algorithm>
#include <chrono>

#include <pthread.h>

#include "audio/internal/Channel.h"
#include "audio/internal/Core.h"

namespace audio::detail {

namespace {
constexpr int kMaxBlock = 1024;
// The mixer sleeps until this much is left queued: half the latency with a
// device, whose own thread takes the queue in blocks of 1024 frames and
// must never find it empty; a little with the no-sound device, whose queue
// only exists on the clock.
constexpr int kDeviceLowWaterMs = kOutputLatencyMs / 2;
constexpr int kClockLowWaterMs = 10;
// How long a stream that started without enough data is held back.
constexpr int kHoldBackMs = 10;

// Stalled channels count: the clock runs on while they wait for data.
bool Plays(TChannel& channel) {
  const DWORD active = channel.IsActive();
  return active == ACTIVE_PLAYING || active == ACTIVE_STALLED;
}
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

void TOutput::Wake() {
  {
    std::lock_guard lock(mutex_);
    ++wakes_;
  }
  cv_.notify_all();
}

int64_t TOutput::Ahead(int64_t& produced, int64_t clockFrames) const {
  if (device_) return SDL_GetQueuedAudioSize(device_) / (2 * sizeof(float));
  // The no-sound device plays on the clock. Time that passed with nothing
  // to play (or with the process held up) is not made up for.
  if (produced < clockFrames) produced = clockFrames;
  return produced - clockFrames;
}

void TOutput::MixerLoop() {
  pthread_setname_np(pthread_self(), "audio-mixer");
  using Clock = std::chrono::steady_clock;
  const int64_t target = static_cast<int64_t>(rate_) * kOutputLatencyMs / 1000;
  const int64_t lowWater = static_cast<int64_t>(rate_) * (device_ ? kDeviceLowWaterMs : kClockLowWaterMs) / 1000;
  const auto start = Clock::now();
  int64_t produced = 0;
  std::vector<float> mix(kMaxBlock * 2);
  while (!quit_.load()) {
    uint64_t seen;
    {
      std::lock_guard lock(mutex_);
      seen = wakes_;
    }
    auto channels = snapshot_();
    const bool playing =
        std::any_of(channels.begin(), channels.end(), [](const auto& channel) { return Plays(*channel); });
    const auto clockFrames = [&] {
      return static_cast<int64_t>(std::chrono::duration<double>(Clock::now() - start).count() * rate_);
    };
    int64_t ahead = Ahead(produced, clockFrames());
    bool heldBack = false;
    if (playing) {
      const int64_t wanted = target - ahead;
      std::vector<std::shared_ptr<TChannel>> mixing;
      bool mixingPlays = false;
      for (auto& channel : channels) {
        const bool plays = Plays(*channel);
        if (plays && wanted > 0 && !channel->ReadyToStart(wanted, rate_)) {
          heldBack = true;
          continue;
        }
        mixingPlays = mixingPlays || plays;
        mixing.push_back(channel);
      }
      // Only a stream that waits for its first data: no silence is queued
      // in front of it.
      int64_t allow = mixingPlays ? wanted : 0;
      while (allow > 0) {
        const int n = static_cast<int>(std::min<int64_t>(allow, kMaxBlock));
        std::fill(mix.begin(), mix.begin() + n * 2, 0.0f);
        for (auto& channel : mixing) channel->MixInto(mix.data(), n, rate_);
        for (int i = 0; i < n * 2; ++i) mix[i] = std::clamp(mix[i], -1.0f, 1.0f);
        if (device_) SDL_QueueAudio(device_, mix.data(), static_cast<Uint32>(n * 2 * sizeof(float)));
        produced += n;
        allow -= n;
        ahead += n;
      }
      for (auto& channel : mixing) channel->Scheduled(ahead, rate_);
      for (auto& channel : mixing)
        if (channel->TakeFinished()) finished_(channel);
    }
    channels.clear();
    std::unique_lock lock(mutex_);
    const auto woken = [&] { return quit_.load() || wakes_ != seen; };
    if (!playing) {
      cv_.wait(lock, woken);
    } else {
      int64_t sleepFrames = std::max<int64_t>(ahead - lowWater, rate_ / 1000);
      if (heldBack) sleepFrames = std::min<int64_t>(sleepFrames, rate_ * kHoldBackMs / 1000);
      cv_.wait_for(lock, std::chrono::microseconds(sleepFrames * 1000000 / rate_), woken);
    }
  }
}

}  // namespace audio::detail
