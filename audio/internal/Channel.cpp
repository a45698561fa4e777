#include "audio/internal/Channel.h"

#include <algorithm>
#include <cstring>

#include "audio/internal/Core.h"
#include "audio/internal/Encoder.h"
#include "audio/internal/MixKernels.h"
#include "audio/internal/Rematrix.h"
#include "audio/internal/Spectrum.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace audio::detail {

namespace {
// The longest window read from the history (an 8192-point spectrum).
constexpr size_t kHistoryFrames = 8192;
}

TChannel::TChannel(DWORD handleValue, DWORD flagsValue) : handle(handleValue), flags(flagsValue) {}

TChannel::~TChannel() { swr_free(&swr_); }

void TChannel::SetupQueue(size_t highWaterFrames, size_t lowWaterFrames) {
  std::lock_guard lock(mutex_);
  highWater_ = highWaterFrames;
  lowWater_ = lowWaterFrames ? std::min(lowWaterFrames, highWaterFrames) : highWaterFrames / 2;
  size_t capacity = highWaterFrames ? highWaterFrames + 8192 : static_cast<size_t>(freq);
  // Beyond the longest window, what may be given to the device and not
  // played yet stays kept behind the queue's head.
  queue_.Reset(chans, capacity, kHistoryFrames + static_cast<size_t>(freq) * 2 * kOutputLatencyMs / 1000);
  // Without a high water mark (push streams) the queue holds what its
  // owner puts in; it grows by half seconds to the most it held, where
  // doubling would leave it anywhere up to twice that for the channel's
  // life, depending on one chance peak.
  queue_.SetGrowthStep(highWaterFrames ? 0 : static_cast<size_t>(freq) / 2);
  // After running dry the channel waits for a quarter second of audio
  // before it plays on, so that a trickle of data does not stutter.
  resumeFrames_ = static_cast<size_t>(freq) / 4;
  if (highWaterFrames) resumeFrames_ = std::min(resumeFrames_, highWaterFrames / 2);
  // Only a stream that needs converting goes through the device queue; it
  // grows to what the conversion gives on first use.
  deviceQueue_.Reset(2, 0);
}

bool TChannel::Play(bool restart) {
  if (restart && Restart()) {
    start_ = kStarting;
    state_ = ACTIVE_PLAYING;
    return true;
  }
  std::lock_guard lock(mutex_);
  int state = state_.load();
  if (state == ACTIVE_PLAYING) return true;
  if (state == ACTIVE_STOPPED && sourceEnded_.load() && queue_.Frames() == 0) {
    SetError(ERROR_ENDED);
    return false;
  }
  start_ = kStarting;
  state_ = ACTIVE_PLAYING;
  return true;
}

bool TChannel::ReadyToStart(int64_t deviceFrames, int deviceRate) {
  // Read before the exchange: a start is rare, and a read leaves the line
  // shared where every pass's exchange would write it.
  int start = start_.load(std::memory_order_relaxed);
  if (start == kStarted) return true;
  bool slow = false;
  {
    std::lock_guard lock(mutex_);
    const auto wanted = static_cast<size_t>(deviceFrames * freq / std::max(deviceRate, 1));
    if (queue_.Frames() < wanted && !sourceEnded_.load()) {
      if (start == kStarting) {
        start_.compare_exchange_strong(start, kHeldBack);
        return false;
      }
      slow = true;
    }
  }
  // A Play meanwhile starts the looks over.
  if (!start_.compare_exchange_strong(start, kStarted)) return false;
  if (slow && !stalled_.exchange(true)) FireSync(SYNC_STALL, 0);
  return true;
}

bool TChannel::Pause() {
  if (state_.load() != ACTIVE_PLAYING) {
    SetError(state_.load() == ACTIVE_PAUSED ? ERROR_ALREADY : ERROR_NOPLAY);
    return false;
  }
  state_ = ACTIVE_PAUSED;
  return true;
}

void TChannel::Stop() {
  state_ = ACTIVE_STOPPED;
  stalled_ = false;
  flushDevice_ = true;
}

DWORD TChannel::IsActive() {
  int state = state_.load();
  if (state == ACTIVE_PLAYING && stalled_.load()) return ACTIVE_STALLED;
  return static_cast<DWORD>(state);
}

bool TChannel::WaitForSpace(std::unique_lock<std::mutex>& lock, bool wait) {
  if (wait && highWater_ && queue_.Frames() >= highWater_) {
    // Once full, the producer sleeps until only the low water mark is left:
    // one wake-up per many blocks instead of one per block.
    spaceCv_.wait(lock, [&] { return Interrupted() || queue_.Frames() <= lowWater_; });
  }
  return !Interrupted();
}

bool TChannel::FillPcm(const float* data, size_t frames, bool wait) {
  std::unique_lock lock(mutex_);
  if (!WaitForSpace(lock, wait)) return false;
  queue_.Reserve(frames);
  queue_.Write(data, frames);
  return true;
}

void TChannel::EndOfSource() {
  sourceEnded_ = true;
}

size_t TChannel::QueuedFrames() {
  std::lock_guard lock(mutex_);
  return queue_.Frames();
}

size_t TChannel::QueueCapacity() {
  std::lock_guard lock(mutex_);
  return queue_.Capacity();
}

void TChannel::ClearQueue() {
  {
    std::lock_guard lock(mutex_);
    queue_.Clear();
  }
  spaceCv_.notify_all();
}

void TChannel::InterruptProducer(bool on) {
  {
    std::lock_guard lock(mutex_);
    interrupt_ = on;
  }
  spaceCv_.notify_all();
}

void TChannel::ResetForRestart() {
  std::lock_guard lock(mutex_);
  queue_.Clear();
  sourceEnded_ = false;
  finished_ = false;
  stalled_ = false;
  flushDevice_ = true;
  framesTaken_ = 0;
}

void TChannel::RequestAbort() {
  {
    std::lock_guard lock(mutex_);
    abort_ = true;
  }
  spaceCv_.notify_all();
}

size_t TChannel::MixInto(const TMixTarget& target, int frames, int deviceRate) {
  if (flushDevice_.load(std::memory_order_relaxed) && flushDevice_.exchange(false)) deviceQueue_.Clear();
  if (state_.load() != ACTIVE_PLAYING) return 0;
  // Stereo at the device's rate is added to the mix straight from the
  // queue's ring, where it then stays kept for the recent data; anything
  // else goes through the resampler and the device queue, in pieces of
  // what the pass needs.
  const size_t needed = static_cast<size_t>(frames) * static_cast<size_t>(freq) / static_cast<size_t>(std::max(deviceRate, 1)) + 1;
  const size_t chunkFrames = std::max<size_t>({256, static_cast<size_t>(freq) / 100, needed});
  const bool direct = freq == deviceRate && chans == 2;
  const float v = std::clamp(volume.load(), 0.0f, 1.0f);
  size_t mixed = 0;
  bool drained = false;
  bool wake = false;
  int stallChange = -1;  // 0 ran dry, 1 plays on
  const bool sourceReady = !stalled_.load() || SourceReadyToResume();
  {
    // One lock for the pass: the frames are worked on where they lie, and
    // neither a producer nor a clear may move them meanwhile.
    std::lock_guard lock(mutex_);
    while (mixed + deviceQueue_.Frames() < static_cast<size_t>(frames)) {
      const size_t available = queue_.Frames();
      const bool ended = sourceEnded_.load();
      if (stalled_.load()) {
        if ((available >= resumeFrames_ && sourceReady) || (ended && available > 0)) {
          stalled_ = false;
          stallChange = 1;
        } else if (!(ended && available == 0)) {
          break;
        }
      }
      if (available == 0) {
        if (ended) {
          drained = true;
        } else {
          stalled_ = true;
          stallChange = 0;
        }
        break;
      }
      const size_t wanted = direct ? static_cast<size_t>(frames) - mixed : chunkFrames;
      const size_t got = std::min(available, wanted);
      const TPcmRing::TRuns runs = queue_.Front(got);
      for (const auto& [data, count] : {std::pair{runs.first, runs.firstFrames}, std::pair{runs.second, runs.secondFrames}}) {
        if (count == 0) continue;
        ProcessBlock(data, count);
        if (direct) {
          PutFrames(target, mixed, data, count, v);
          mixed += count;
        } else {
          ToDevice(data, count, deviceRate);
        }
      }
      queue_.Drop(got);
      framesTaken_ += got;
      wake = wake || (highWater_ && available > lowWater_ && available - got <= lowWater_);
    }
  }
  if (wake) spaceCv_.notify_all();
  const size_t n = std::min<size_t>(static_cast<size_t>(frames) - mixed, deviceQueue_.Frames());
  if (n > 0) {
    const TPcmRing::TRuns runs = deviceQueue_.Front(n);
    PutFrames(target, mixed, runs.first, runs.firstFrames, v);
    if (runs.secondFrames) PutFrames(target, mixed + runs.firstFrames, runs.second, runs.secondFrames, v);
    deviceQueue_.Drop(n);
    mixed += n;
  }
  if (drained && deviceQueue_.Frames() == 0) {
    state_ = ACTIVE_STOPPED;
    stalled_ = false;
    finished_ = true;
  }
  if (stallChange >= 0) FireSync(SYNC_STALL, static_cast<DWORD>(stallChange));
  return mixed;
}

void TChannel::Scheduled(int64_t aheadFrames, int deviceRate) {
  const int64_t frames = aheadFrames + static_cast<int64_t>(deviceQueue_.Frames());
  const auto due = std::chrono::steady_clock::now() + std::chrono::microseconds(frames * 1000000 / std::max(deviceRate, 1));
  newestDue_ = due.time_since_epoch().count();
}

size_t TChannel::NotYetPlayed() const {
  const auto due = std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(newestDue_.load()));
  const auto left = due - std::chrono::steady_clock::now();
  if (left <= left.zero()) return 0;
  return static_cast<size_t>(std::chrono::duration<double>(left).count() * freq);
}

void TChannel::ProcessBlock(float* data, size_t frames) {
  // Most channels have neither: their pass takes no lock for them.
  if (hasFx_.load(std::memory_order_acquire)) {
    std::lock_guard lock(fxMutex_);
    for (auto& fx : fx_) fx.filter.Process(data, frames, chans);
  }
  if (hasEncoders_.load(std::memory_order_acquire)) {
    std::lock_guard lock(encoderMutex_);
    for (auto& encoder : encoders_) encoder->Feed(data, frames, chans);
  }
}

void TChannel::ToDevice(const float* data, size_t frames, int deviceRate) {
  if (freq == deviceRate && chans == 2) {
    deviceQueue_.Reserve(frames);
    deviceQueue_.Write(data, frames);
    return;
  }
  if (!swr_ || swrRate_ != deviceRate) {
    swr_free(&swr_);
    AVChannelLayout in{}, out{};
    av_channel_layout_default(&in, chans);
    av_channel_layout_default(&out, 2);
    if (swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, deviceRate, &in, AV_SAMPLE_FMT_FLT,
                            freq, 0, nullptr) < 0 ||
        SetMonoToStereoMatrix(swr_, chans, 2) < 0 || swr_init(swr_) < 0) {
      swr_free(&swr_);
      return;
    }
    swrRate_ = deviceRate;
  }
  const int outMax = swr_get_out_samples(swr_, static_cast<int>(frames));
  if (outMax <= 0) return;
  // The resampler writes into the device queue's free room where it lies
  // (what is left there from the last pass, a few frames, moved to its
  // start when the room wraps); a buffer of its own, written and copied
  // from, only when that cannot be.
  const size_t room = static_cast<size_t>(outMax);
  deviceQueue_.Reserve(room);
  TPcmRing::TRuns back = deviceQueue_.Back(room);
  if (back.firstFrames < room && deviceQueue_.Compact()) back = deviceQueue_.Back(room);
  const bool inPlace = back.firstFrames >= room;
  if (!inPlace && converted_.size() < room * 2) converted_.resize(room * 2);
  uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(inPlace ? back.first : converted_.data())};
  const uint8_t* inPlanes[1] = {reinterpret_cast<const uint8_t*>(data)};
  int made = swr_convert(swr_, outPlanes, outMax, inPlanes, static_cast<int>(frames));
  if (made <= 0) return;
  if (inPlace)
    deviceQueue_.Commit(static_cast<size_t>(made));
  else
    deviceQueue_.Write(converted_.data(), static_cast<size_t>(made));
}

// ---- tags

void TChannel::SetTag(DWORD type, std::string text) {
  std::lock_guard lock(tagMutex_);
  auto& slot = tags_[type];
  if (slot) {
    retiredTags_.push_back(std::move(slot));
    while (retiredTags_.size() > 16) retiredTags_.pop_front();
  }
  slot = std::make_unique<std::string>(std::move(text));
}

bool TChannel::HasTag(DWORD type) {
  std::lock_guard lock(tagMutex_);
  return tags_.count(type) != 0;
}

const char* TChannel::Tags(DWORD type) {
  std::lock_guard lock(tagMutex_);
  auto it = tags_.find(type);
  if (it == tags_.end()) {
    SetError(ERROR_NOTAVAIL);
    return nullptr;
  }
  return it->second->c_str();
}

QWORD TChannel::FilePosition(DWORD) {
  SetError(ERROR_NOTFILE);
  return static_cast<QWORD>(-1);
}

QWORD TChannel::Position(DWORD mode) {
  if ((mode & 0xff) != POS_BYTE) {
    SetError(ERROR_NOTAVAIL);
    return static_cast<QWORD>(-1);
  }
  return framesTaken_.load() * static_cast<QWORD>(chans) * static_cast<QWORD>(BytesPerSample());
}

DWORD TChannel::GetData(void* buffer, DWORD length) {
  const int bytesPerFrame = chans * BytesPerSample();
  if (length == DATA_AVAILABLE) return static_cast<DWORD>(QueuedFrames() * bytesPerFrame);
  if (!buffer) {
    SetError(ERROR_ILLPARAM);
    return static_cast<DWORD>(-1);
  }
  if (length & DATA_FFT256) {
    const int kind = static_cast<int>(length & 0xff);
    if (kind > 5) {
      SetError(ERROR_ILLPARAM);
      return static_cast<DWORD>(-1);
    }
    const int n = 256 << kind;
    // Asked 30 times a second by the visualisation: the frames are read
    // into a buffer the thread keeps rather than one allocated per call.
    thread_local std::vector<float> recent;
    recent.resize(static_cast<size_t>(n) * chans);
    const size_t skip = NotYetPlayed();
    size_t got;
    {
      std::lock_guard lock(mutex_);
      got = queue_.PeekKept(recent.data(), static_cast<size_t>(n), skip);
    }
    int first = 0, count = n / 2;
    if (length & DATA_FFT_BINS) {
      first = static_cast<int>((length >> 8) & 0xFFF);
      count = static_cast<int>((length >> 20) & 0x1FF);
    }
    ComputeSpectrumBins(recent.data(), got, chans, n, first, count, static_cast<float*>(buffer));
    return static_cast<DWORD>(n / 2 * sizeof(float));
  }
  const bool asFloat = (length & DATA_FLOAT) != 0;
  const size_t bytes = length & 0x0fffffff;
  const size_t sampleBytes = asFloat ? 4 : 2;
  size_t frames = bytes / (sampleBytes * chans);
  std::vector<float> recent(std::min(frames, kHistoryFrames) * chans);
  const size_t skip = NotYetPlayed();
  {
    std::lock_guard lock(mutex_);
    frames = queue_.PeekKept(recent.data(), std::min(frames, kHistoryFrames), skip);
    recent.resize(frames * chans);
  }
  if (asFloat) {
    std::memcpy(buffer, recent.data(), recent.size() * sizeof(float));
  } else {
    auto* out = static_cast<int16_t*>(buffer);
    for (size_t i = 0; i < recent.size(); ++i)
      out[i] = static_cast<int16_t>(std::lrint(std::clamp(recent[i], -1.0f, 1.0f) * 32767.0f));
  }
  return static_cast<DWORD>(recent.size() * sampleBytes);
}

// ---- syncs

HSYNC TChannel::AddSync(DWORD type, QWORD param, SYNCPROC* proc, void* user) {
  std::lock_guard lock(syncMutex_);
  HSYNC h = NewHandle();
  syncs_.push_back({h, type, param, proc, user});
  return h;
}

bool TChannel::RemoveSync(HSYNC sync) {
  std::lock_guard lock(syncMutex_);
  auto it = std::find_if(syncs_.begin(), syncs_.end(), [&](const TSync& s) { return s.handle == sync; });
  if (it == syncs_.end()) return false;
  syncs_.erase(it);
  return true;
}

void TChannel::FireSync(DWORD type, DWORD data) {
  std::vector<TSync> due;
  {
    std::lock_guard lock(syncMutex_);
    for (auto it = syncs_.begin(); it != syncs_.end();) {
      if ((it->type & ~SYNC_ONETIME) == type) {
        due.push_back(*it);
        if (it->type & SYNC_ONETIME) {
          it = syncs_.erase(it);
          continue;
        }
      }
      ++it;
    }
  }
  for (const TSync& s : due)
    if (s.proc) Callback([&] { s.proc(s.handle, handle, data, s.user); });
}

// ---- effects

HFX TChannel::AddFx(DWORD type, int priority) {
  if (type != FX_DX8_PARAMEQ) {
    SetError(ERROR_ILLTYPE);
    return 0;
  }
  std::lock_guard lock(fxMutex_);
  TFx fx{NewHandle(), priority, {}};
  fx.filter.Configure(DX8_PARAMEQ{1000.0f, 12.0f, 0.0f}, freq);
  // Higher priority runs first; equal priorities keep their order.
  auto at = std::find_if(fx_.begin(), fx_.end(), [&](const TFx& f) { return f.priority < priority; });
  HFX h = fx.handle;
  fx_.insert(at, std::move(fx));
  hasFx_ = true;
  return h;
}

bool TChannel::HasFx(HFX fx) {
  std::lock_guard lock(fxMutex_);
  return std::any_of(fx_.begin(), fx_.end(), [&](const TFx& f) { return f.handle == fx; });
}

bool TChannel::RemoveFx(HFX fx) {
  std::lock_guard lock(fxMutex_);
  auto it = std::find_if(fx_.begin(), fx_.end(), [&](const TFx& f) { return f.handle == fx; });
  if (it == fx_.end()) return false;
  fx_.erase(it);
  hasFx_ = !fx_.empty();
  return true;
}

bool TChannel::SetFxParams(HFX fx, const DX8_PARAMEQ& params) {
  std::lock_guard lock(fxMutex_);
  for (auto& f : fx_)
    if (f.handle == fx) {
      f.filter.Configure(params, freq);
      return true;
    }
  return false;
}

bool TChannel::GetFxParams(HFX fx, DX8_PARAMEQ& params) {
  std::lock_guard lock(fxMutex_);
  for (auto& f : fx_)
    if (f.handle == fx) {
      params = f.filter.Params();
      return true;
    }
  return false;
}

// ---- encoders

void TChannel::AttachEncoder(const std::shared_ptr<TEncoder>& encoder) {
  std::lock_guard lock(encoderMutex_);
  encoders_.push_back(encoder);
  hasEncoders_ = true;
}

void TChannel::DetachEncoder(HENCODE encoder) {
  std::lock_guard lock(encoderMutex_);
  encoders_.erase(std::remove_if(encoders_.begin(), encoders_.end(),
                                 [&](const auto& e) { return e->Handle() == encoder; }),
                  encoders_.end());
  hasEncoders_ = !encoders_.empty();
}

std::vector<std::shared_ptr<TEncoder>> TChannel::Encoders() {
  std::lock_guard lock(encoderMutex_);
  return encoders_;
}

}  // namespace audio::detail
