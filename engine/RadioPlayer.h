// The player contract that the controller drives: states, error codes,
// events, and the play/stop/pause logic shared by both players. Everything
// here runs on the user-interface thread; blocking work runs on one
// short-lived worker thread per attempt, polled by timers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "engine/Equalizer.h"
#include "core/Timer.h"

class TWorkerThread;

// Player states; the recorder continues the numbering with 6 and 7, and the
// controller's notifications carry the same numbers.
constexpr int32_t psStopped = 0;
constexpr int32_t psPlaying = 1;
constexpr int32_t psStalled = 2;
constexpr int32_t psPaused = 3;
constexpr int32_t psConnecting = 4;
constexpr int32_t psBuffering = 5;

// LastError values of the players themselves. Any other value is the audio
// library's error code of the failed open.
constexpr int32_t PLAYER_ERROR_NONE = 0;
constexpr int32_t PLAYER_ERROR_NO_ADDRESS = 2;       // Play with an empty Address
constexpr int32_t PLAYER_ERROR_BUSY = 46;            // Play while not stopped
constexpr int32_t PLAYER_ERROR_ABANDONED = -2;       // Stop while connecting
constexpr int32_t PLAYER_ERROR_DECODER_ENDED = -3;   // the ffmpeg decoder ended
// The ffmpeg player could not make its pipe or run the decoder.
constexpr int32_t PLAYER_ERROR_PIPE = -4;
constexpr int32_t PLAYER_ERROR_DECODER_START = -5;
// A worker that ended with neither a stream nor an error code (a resolver
// raised): the library's "unknown problem" code.
constexpr int32_t PLAYER_ERROR_WORKER_FAILED = audio::ERROR_UNKNOWN;

// A short English description of a LastError value, for diagnostics.
const char* PlayerErrorText(int32_t code);
const char* PlayerStateName(int32_t state);

// Whether the audio library was initialised for this process. The
// application sets it once at start-up; the BASS player configures the
// library and loads plug-ins only when it is set.
extern std::atomic<bool> BassAvailable;
// Initialises the library on `device` (-1 the default output, 0 no sound)
// at 44100 Hz and records the outcome in BassAvailable.
bool InitBass(int device = -1);
// Frees the library when it was initialised.
void FreeBass();

using TBufferingEvent = std::function<void(core::TObject* Sender, int32_t percent)>;
using TTextEvent = std::function<void(core::TObject* Sender, const std::string& text)>;

class TBaseRadioPlayer : public core::TComponent {
 public:
  explicit TBaseRadioPlayer(core::TComponent* AOwner = nullptr);
  ~TBaseRadioPlayer() override;

  int32_t LastError = PLAYER_ERROR_NONE;
  // The cause behind LastError in a few words when the library named it
  // ("HTTP 404", "connection refused", "not audio"); empty otherwise.
  std::string LastErrorDetail;
  audio::DWORD Channel = 0;
  int32_t State = psStopped;
  std::string StationName;
  std::string Address;
  int32_t Volume = 25;
  int32_t PrebufferPercent = 50;
  int32_t Attempts = 1;
  int32_t NetTimeout = 5000;
  int32_t NetBuffer = 5000;
  std::unique_ptr<TEqualizer> Equalizer;

  core::TNotifyEvent OnError;
  core::TNotifyEvent OnPlay;
  core::TNotifyEvent OnConnecting;
  TBufferingEvent OnBuffering;
  core::TNotifyEvent OnStall;
  core::TNotifyEvent OnPause;
  core::TNotifyEvent OnStop;
  TTextEvent OnMetadata;
  TTextEvent OnOutputLine;  // fired on the ffmpeg player's reading thread

  virtual int32_t GetBitrate() { return 0; }
  virtual int32_t GetSampleRate() { return 0; }
  virtual int64_t GetStreamPosition();
  virtual bool IsStereo() { return false; }
  virtual std::string GetTitle() { return {}; }
  virtual std::string GetHeaderTags() { return {}; }
  virtual std::string GetMetaTag() { return {}; }
  virtual audio::DWORD GetChannelType() { return 0; }
  virtual std::string GetCodecName() { return {}; }
  virtual void SetNetBuffer(int32_t ms) { NetBuffer = ms; }
  virtual void SetNetTimeout(int32_t ms) { NetTimeout = ms; }
  virtual bool Play() { return false; }
  virtual void Stop() {}
  virtual void Pause() { PauseResume(true); }
  virtual void Resume() { PauseResume(false); }
  virtual void EnableEqualizer();
  virtual void DisableEqualizer();

  void SetVolume(int32_t v);
  void ApplyVolume();
  void ApplyVolume(int32_t v);
  void SetPrebufferPercent(int32_t v);
  bool IsPaused() const;
  int32_t BufferFillPercent() const;
  void PauseResume(bool pause);

  // For tests and diagnostics: threads started and not yet reaped.
  int ThreadCount() const { return static_cast<int>(ThreadList.size()); }

 protected:
  void Fire(const core::TNotifyEvent& event) {
    if (event) event(this);
  }

  // Play steps 1 to 3: resumes a paused channel (true, handled), refuses
  // when busy or without an address (false, handled), else returns false
  // with handled == false and the caller goes on to connect.
  bool CheckPlay(bool& handled);

  // Starts the worker (added to ThreadList, made current) and the
  // worker-poll timer.
  void StartWorker(std::unique_ptr<TWorkerThread> worker);
  // Removes a thread from ThreadList, waits for it and frees it.
  void ReapThread(TWorkerThread* worker);
  // Frees threads that were abandoned and have ended since.
  void ReapAbandoned();
  // Called on each worker-poll tick while CurrentThread has not finished.
  virtual void CollectWorker(TWorkerThread* finished) = 0;

  // The common start after buffering: volume, play, readings, psPlaying,
  // OnPlay and the status poll.
  void StartPlayback();
  // The common stop of an existing stream (the caller stops its own timers).
  void StopStream();
  // Stop while connecting: the attempt is given up and reported.
  void StopConnecting();
  // The status poll tick: follows the channel's activity.
  void StatusPoll();
  // The channel began playing: psPlaying and OnPlay.
  virtual void ChannelPlaying();
  // The channel ran dry: psStalled and OnStall. The ffmpeg player first
  // asks whether its decoder is still there to fill it.
  virtual void ChannelStalled();

  std::unique_ptr<core::TTimer> StatusTimer;
  // The status poll's interval: while the channel plays on undisturbed it
  // only waits for a change (the end of the stream and a stall are told at
  // once by the library's syncs), otherwise it follows the stall's fill.
  static constexpr core::UINT StatusPollMs = 100;
  void SetStatusInterval(core::UINT ms);
  // The library's end and stall syncs (its own thread): the poll looks at once.
  static void ActivitySync(audio::HSYNC, audio::DWORD, audio::DWORD, void* user);
  std::unique_ptr<core::TTimer> WorkerPollTimer;
  audio::DWORD ActiveNow = 0;
  audio::DWORD ActivePrev = 0;
  std::vector<std::unique_ptr<TWorkerThread>> ThreadList;
  TWorkerThread* CurrentThread = nullptr;

  // Creates a disabled timer with its interval and handler.
  std::unique_ptr<core::TTimer> MakeTimer(core::UINT interval, std::function<void()> tick);
  // Clears the events, stops, and waits for every worker. Concrete players
  // call it first in their destructors, while their own parts still exist.
  void Shutdown();

 private:
  void WorkerPollTick();
  bool FShutDown = false;
};
