// A playable channel: a queue of decoded PCM in the stream's own format,
// filled by its source (decoder thread, network decoder, push calls) and
// emptied by the mixer, which runs effects, encoder feeds and volume on the
// way to the output. What was played last stays in the queue's ring for
// the recent data and the spectrum.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "audio/internal/Biquad.h"
#include "audio/internal/PcmRing.h"

struct SwrContext;

namespace audio::detail {

class TEncoder;
struct TMixTarget;

class TChannel {
 public:
  TChannel(DWORD handle, DWORD flags);
  virtual ~TChannel();
  TChannel(const TChannel&) = delete;
  TChannel& operator=(const TChannel&) = delete;

  const DWORD handle;
  const DWORD flags;

  // Format of the stream itself; fixed before the channel is published.
  int freq = 44100;
  int chans = 2;
  DWORD ctype = CTYPE_STREAM;
  DWORD origres = 0;
  std::string filename;

  // Sets up the PCM queue for the format above. `highWaterFrames` is how
  // much a producer may queue before FillPcm waits (0: no limit); a waiting
  // producer goes on once no more than `lowWaterFrames` are left (0: half
  // the high water mark).
  void SetupQueue(size_t highWaterFrames, size_t lowWaterFrames = 0);

  // ---- control (any thread)
  bool Play(bool restart);
  bool Pause();
  void Stop();
  DWORD IsActive();
  std::atomic<float> volume{1.0f};

  // ---- producer side
  // Queues frames; with `wait` it first waits while the queue is at its high
  // water mark. Returns false when the channel is being torn down.
  bool FillPcm(const float* data, size_t frames, bool wait);
  // As FillPcm, but the producer writes the frames into the queue itself:
  // `write(into, from, count)` puts frames from..from+count of its own into
  // `into` (called once, or twice where the queue's ring wraps).
  template <class F>
  bool FillPcmWith(size_t frames, bool wait, F&& write) {
    std::unique_lock lock(mutex_);
    if (!WaitForSpace(lock, wait)) return false;
    queue_.Reserve(frames);
    const TPcmRing::TRuns runs = queue_.Back(frames);
    write(runs.first, size_t{0}, runs.firstFrames);
    if (runs.secondFrames) write(runs.second, runs.firstFrames, runs.secondFrames);
    queue_.Commit(frames);
    return true;
  }
  // No more data will come: the channel stops once the queue has played.
  void EndOfSource();
  bool SourceEnded() const { return sourceEnded_.load(); }
  size_t QueuedFrames();
  // Frames the queue has room for without growing.
  size_t QueueCapacity();
  size_t HighWater() const { return highWater_; }
  // Drops what is queued (push streams clear on stop).
  void ClearQueue();

  // ---- mixer side (mixer thread only)
  // Puts up to `frames` stereo frames at `deviceRate` into the target's
  // mix and returns how many it gave, from the mix's first frame on.
  size_t MixInto(const TMixTarget& target, int frames, int deviceRate);
  // True once after the channel ended and everything was played.
  bool TakeFinished() { return finished_.load(std::memory_order_relaxed) && finished_.exchange(false); }
  // Whether the mixer takes the channel into a pass of `deviceFrames`. A
  // channel that has just started with less queued than that (its decoder
  // has only begun) is held back for a pass. Still short at the next look,
  // its source is slow: it starts stalled, and plays once it has as much
  // as a stall waits for, where playing the little it had would be heard
  // as a few milliseconds of sound and then a gap.
  bool ReadyToStart(int64_t deviceFrames, int deviceRate);
  // After a mix pass: what this channel gave last plays once `aheadFrames`
  // frames at `deviceRate` have played.
  void Scheduled(int64_t aheadFrames, int deviceRate);

  // ---- queries
  virtual const char* Tags(DWORD type);
  virtual QWORD FilePosition(DWORD mode);
  QWORD Position(DWORD mode);
  DWORD GetData(void* buffer, DWORD length);
  int BytesPerSample() const { return (flags & SAMPLE_FLOAT) ? 4 : 2; }

  // ---- syncs
  HSYNC AddSync(DWORD type, QWORD param, SYNCPROC* proc, void* user);
  bool RemoveSync(HSYNC sync);
  // Calls the matching procedures on the calling thread.
  void FireSync(DWORD type, DWORD data);

  // Every call into the caller's procedures goes through here, so that once
  // the stream is freed none is running and none will come.
  template <class F>
  void Callback(F&& call) {
    std::lock_guard lock(callbackMutex_);
    if (!callbacksOff_) call();
  }
  // Waits for a procedure that is running (unless it is this thread's).
  void SilenceCallbacks() {
    std::lock_guard lock(callbackMutex_);
    callbacksOff_ = true;
  }

  // ---- effects
  HFX AddFx(DWORD type, int priority);
  bool HasFx(HFX fx);
  bool RemoveFx(HFX fx);
  bool SetFxParams(HFX fx, const DX8_PARAMEQ& params);
  bool GetFxParams(HFX fx, DX8_PARAMEQ& params);

  // ---- encoders fed from this channel
  void AttachEncoder(const std::shared_ptr<TEncoder>& encoder);
  void DetachEncoder(HENCODE encoder);
  std::vector<std::shared_ptr<TEncoder>> Encoders();

  // Whether a stalled channel has enough in its source's own buffer to play
  // on (beyond the decoded queue, which the mixer checks itself).
  virtual bool SourceReadyToResume() { return true; }

  // Starts the stream again from its beginning (streams that can); false
  // when it cannot, and then playing simply continues.
  virtual bool Restart() { return false; }

  // ---- lifetime
  // Asks background work to end soon; never blocks.
  virtual void RequestAbort();
  // Waits for background work to end.
  virtual void Join() {}
  // Whether freeing must wait for the background work (Join) before it
  // returns, because that work reads what the caller owns and may free
  // once the stream is freed. Otherwise it ends in the background.
  virtual bool JoinWhenFreed() const { return false; }
  bool Aborting() const { return abort_.load(); }
  bool Interrupted() const { return abort_.load() || interrupt_.load(); }

 protected:
  // Makes a waiting producer give up (FillPcm returns false) while set.
  void InterruptProducer(bool on);
  // Empties the queue and forgets the end, for a restart.
  void ResetForRestart();
  std::atomic<bool> interrupt_{false};

 public:

 protected:
  // Sets a tag; earlier texts of the same tag stay readable for a while,
  // because callers on other threads may still hold the old pointer.
  void SetTag(DWORD type, std::string text);
  bool HasTag(DWORD type);
  std::mutex tagMutex_;

  std::atomic<bool> abort_{false};
  std::atomic<uint64_t> framesTaken_{0};

 private:
  // With `wait`, waits while the queue is at its high water mark; false
  // when the producer is to give up.
  bool WaitForSpace(std::unique_lock<std::mutex>& lock, bool wait);
  void ProcessBlock(float* data, size_t frames);
  // Frames given to the mixer that have not played yet.
  size_t NotYetPlayed() const;
  void ToDevice(const float* data, size_t frames, int deviceRate);

  std::mutex mutex_;
  std::condition_variable spaceCv_;
  // The frames given to the mixer last stay kept in its ring: the recent
  // data and the spectrum are read from there at the frame that plays now,
  // `newestDue_` after the newest one was given.
  TPcmRing queue_;
  size_t highWater_ = 0;
  size_t lowWater_ = 0;
  size_t resumeFrames_ = 0;
  std::atomic<int> state_{ACTIVE_STOPPED};
  std::atomic<bool> stalled_{false};
  std::atomic<bool> sourceEnded_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> flushDevice_{false};
  // Set by Play; then counts the mixer's looks at a start that waits.
  enum TStart : int { kStarted, kStarting, kHeldBack };
  std::atomic<int> start_{kStarted};

  // Mixer-only data.
  std::vector<float> converted_;
  TPcmRing deviceQueue_;
  SwrContext* swr_ = nullptr;
  int swrRate_ = 0;

  std::atomic<std::chrono::steady_clock::rep> newestDue_{0};

  std::mutex syncMutex_;
  struct TSync {
    HSYNC handle;
    DWORD type;
    QWORD param;
    SYNCPROC* proc;
    void* user;
  };
  std::vector<TSync> syncs_;

  std::recursive_mutex callbackMutex_;
  bool callbacksOff_ = false;

  std::mutex fxMutex_;
  struct TFx {
    HFX handle;
    int priority;
    TPeakingBiquad filter;
  };
  std::vector<TFx> fx_;
  // Whether fx_ and encoders_ hold anything, kept with them under their
  // locks and read by the mixer first.
  std::atomic<bool> hasFx_{false};
  std::atomic<bool> hasEncoders_{false};

  std::mutex encoderMutex_;
  std::vector<std::shared_ptr<TEncoder>> encoders_;

  std::map<DWORD, std::unique_ptr<std::string>> tags_;
  std::deque<std::unique_ptr<std::string>> retiredTags_;
};

}  // namespace audio::detail
