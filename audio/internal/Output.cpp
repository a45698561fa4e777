#include "audio/internal/Output.h"

#include <algorithm>
#include <chrono>

#include <pthread.h>

#include "audio/internal/Channel.h"
#include "audio/internal/Core.h"
#include "audio/internal/MixKernels.h"

namespace audio::detail {

namespace {
// The no-sound device's mixer sleeps until this much is left queued on its
// clock.
constexpr int kClockLowWaterMs = 10;
// How long a stream that started without enough data is held back there.
constexpr int kHoldBackMs = 10;

// Stalled channels count: the clock runs on while they wait for data.
bool Plays(TChannel& channel) {
  const DWORD active = channel.IsActive();
  return active == ACTIVE_PLAYING || active == ACTIVE_STALLED;
}

// A device buffer of about the output latency, in frames (a power of two,
// as devices like them).
int DeviceBufferFrames(int rate) {
  const int wanted = std::max(rate * kOutputLatencyMs / 1000, 256);
  int frames = 256;
  while (frames * 2 <= wanted) frames *= 2;
  return frames;
}
}  // namespace

TOutput::TOutput(TSnapshot snapshot, TFinished finished)
    : snapshot_(std::move(snapshot)), finished_(std::move(finished)) {}

TOutput::~TOutput() { Close(); }

bool TOutput::Open(int device, int freq) {
  rate_ = freq > 0 ? freq : 44100;
  quit_ = false;
  if (device == 0) {
    deviceFrames_ = 0;
    mixer_ = std::thread([this] { MixerLoop(); });
    return true;
  }
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
  // The device pulls the mix itself, a buffer at a time: one wake-up per
  // buffer, where a queue filled by a thread of our own woke both threads
  // four times as often. A buffer of about the old queue's length keeps
  // what the listener waits for (a volume change, a stop) as it was.
  SDL_AudioSpec want{}, have{};
  want.freq = rate_;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(DeviceBufferFrames(rate_));
  want.callback = &TOutput::DeviceCallback;
  want.userdata = this;
  device_ = SDL_OpenAudioDevice(name, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (device_ == 0) {
    Close();
    SetError(ERROR_DRIVER);
    return false;
  }
  rate_ = have.freq;
  deviceFrames_ = have.samples;
  SDL_PauseAudioDevice(device_, 0);
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
  // The no-sound device plays on the clock. Time that passed with nothing
  // to play (or with the process held up) is not made up for.
  if (produced < clockFrames) produced = clockFrames;
  return produced - clockFrames;
}

int64_t TOutput::MixPass(float* mix, int64_t frames, bool alwaysFill, int64_t aheadBefore, TPass& pass) {
  snapshot_(channels_);
  mixing_.clear();
  // Only a channel that plays as the pass begins may give anything in it
  // (one that starts meanwhile plays from the next pass): with just one
  // such channel its samples are final as it writes them, with no zero
  // fill before them and no clamping pass after them.
  size_t writers = 0;
  bool mixingPlays = false;
  for (auto& channel : channels_) {
    const bool plays = Plays(*channel);
    pass.playing = pass.playing || plays;
    if (plays && frames > 0 && !channel->ReadyToStart(frames, rate_)) {
      pass.heldBack = true;
      continue;
    }
    mixingPlays = mixingPlays || plays;
    writers += plays ? 1 : 0;
    mixing_.push_back({channel.get(), plays});
  }
  if (!pass.playing) {
    channels_.clear();
    return 0;
  }
  // Only a stream that waits for its first data: on the clock, no silence
  // is queued in front of it.
  const int64_t made = (mixingPlays || alwaysFill) ? std::max<int64_t>(frames, 0) : 0;
  TMixTarget target{mix, 0, writers == 1};
  for (auto& [channel, plays] : mixing_) {
    const size_t given = channel->MixInto(target, plays ? static_cast<int>(made) : 0, rate_);
    target.filled = std::max(target.filled, given);
  }
  if (made > 0) {
    if (!target.clamp) ClampAll(mix, target.filled * 2);
    std::fill(mix + target.filled * 2, mix + made * 2, 0.0f);
  }
  for (auto& entry : mixing_) entry.channel->Scheduled(aheadBefore + made, rate_);
  for (auto& entry : mixing_)
    if (entry.channel->TakeFinished()) finished_(*entry.channel);
  // A freed channel goes with its last pass, not with the next one.
  channels_.clear();
  mixing_.clear();
  return made;
}

void TOutput::DeviceCallback(void* self, Uint8* stream, int length) {
  auto* output = static_cast<TOutput*>(self);
  auto* mix = reinterpret_cast<float*>(stream);
  const int64_t frames = length / static_cast<int>(2 * sizeof(float));
  TPass pass;
  // What the device holds still plays in front of this buffer.
  const int64_t made = output->quit_.load() ? 0 : output->MixPass(mix, frames, true, output->deviceFrames_, pass);
  std::fill(mix + made * 2, mix + frames * 2, 0.0f);
}

void TOutput::MixerLoop() {
  pthread_setname_np(pthread_self(), "audio-mixer");
  using Clock = std::chrono::steady_clock;
  const int64_t target = static_cast<int64_t>(rate_) * kOutputLatencyMs / 1000;
  const int64_t lowWater = static_cast<int64_t>(rate_) * kClockLowWaterMs / 1000;
  const auto start = Clock::now();
  int64_t produced = 0;
  std::vector<float> mix(static_cast<size_t>(target) * 2);
  while (!quit_.load()) {
    uint64_t seen;
    {
      std::lock_guard lock(mutex_);
      seen = wakes_;
    }
    const auto clockFrames = static_cast<int64_t>(std::chrono::duration<double>(Clock::now() - start).count() * rate_);
    int64_t ahead = Ahead(produced, clockFrames);
    TPass pass;
    const int64_t made = MixPass(mix.data(), target - ahead, false, ahead, pass);
    produced += made;
    ahead += made;
    std::unique_lock lock(mutex_);
    const auto woken = [&] { return quit_.load() || wakes_ != seen; };
    if (!pass.playing) {
      cv_.wait(lock, woken);
    } else {
      int64_t sleepFrames = std::max<int64_t>(ahead - lowWater, rate_ / 1000);
      if (pass.heldBack) sleepFrames = std::min<int64_t>(sleepFrames, rate_ * kHoldBackMs / 1000);
      cv_.wait_for(lock, std::chrono::microseconds(sleepFrames * 1000000 / rate_), woken);
    }
  }
}

}  // namespace audio::detail
