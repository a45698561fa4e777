#include "engine/RadioPlayer.h"

#include <algorithm>

#include "engine/PlayerThread.h"

std::atomic<bool> BassAvailable{false};

bool InitBass(int device) {
  bool ok = audio::Init(device, 44100, 0, nullptr, nullptr) != 0;
  // A second start in the same process finds the library running.
  if (!ok && audio::ErrorGetCode() == audio::ERROR_ALREADY) ok = true;
  BassAvailable = ok;
  return ok;
}

void FreeBass() {
  if (BassAvailable.exchange(false)) audio::Free();
}

const char* PlayerErrorText(int32_t code) {
  switch (code) {
    case PLAYER_ERROR_NONE: return "no error";
    case PLAYER_ERROR_NO_ADDRESS: return "no address, or the address or file could not be opened";
    case PLAYER_ERROR_BUSY: return "busy: the player is not stopped";
    case PLAYER_ERROR_ABANDONED: return "stopped while connecting";
    case PLAYER_ERROR_DECODER_ENDED: return "the decoder ended";
    case PLAYER_ERROR_PIPE: return "the decoder's pipe could not be made";
    case PLAYER_ERROR_DECODER_START: return "ffmpeg could not be started";
    case PLAYER_ERROR_WORKER_FAILED: return "the address could not be resolved";
    case audio::ERROR_FORMAT: return "unsupported format";
    case audio::ERROR_SSL: return "secure connection failed";
    case audio::ERROR_NOTAUDIO: return "not audio";
    case audio::ERROR_NONET: return "no connection";
    case audio::ERROR_FILEFORM: return "unsupported file format";
    case audio::ERROR_CODEC: return "codec not available";
    case audio::ERROR_TIMEOUT: return "connection timed out";
    case audio::ERROR_INIT: return "audio library not initialised";
    case audio::ERROR_NOTAVAIL: return "not available";
    default: return "audio library error";
  }
}

const char* PlayerStateName(int32_t state) {
  static const char* const names[] = {"psStopped", "psPlaying",    "psStalled",
                                      "psPaused",  "psConnecting", "psBuffering"};
  return state >= 0 && state <= psBuffering ? names[state] : "unknown";
}

TBaseRadioPlayer::TBaseRadioPlayer(core::TComponent* AOwner)
    : core::TComponent(AOwner), Equalizer(std::make_unique<TEqualizer>()) {
  SetNetBuffer(5000);
  SetNetTimeout(5000);
  StatusTimer = MakeTimer(StatusPollMs, [this] { StatusPoll(); });
  WorkerPollTimer = MakeTimer(100, [this] { WorkerPollTick(); });
}

TBaseRadioPlayer::~TBaseRadioPlayer() { Shutdown(); }

std::unique_ptr<core::TTimer> TBaseRadioPlayer::MakeTimer(core::UINT interval, std::function<void()> tick) {
  auto timer = std::make_unique<core::TTimer>();
  timer->SetEnabled(false);
  timer->SetInterval(interval);
  timer->SetOnTimer([tick = std::move(tick)](core::TObject*) { tick(); });
  return timer;
}

void TBaseRadioPlayer::Shutdown() {
  if (FShutDown) return;
  FShutDown = true;
  // The owner may be half gone already: nobody is told about this stop.
  OnError = OnPlay = OnConnecting = OnStall = OnPause = OnStop = nullptr;
  OnBuffering = nullptr;
  OnMetadata = OnOutputLine = nullptr;
  Stop();
  StatusTimer->SetEnabled(false);
  WorkerPollTimer->SetEnabled(false);
  for (auto& worker : ThreadList) worker->Abandon();
  for (auto& worker : ThreadList) worker->WaitFor();
  ThreadList.clear();
  CurrentThread = nullptr;
}

int64_t TBaseRadioPlayer::GetStreamPosition() {
  return static_cast<int64_t>(audio::StreamGetFilePosition(Channel, audio::FILEPOS_CURRENT));
}

void TBaseRadioPlayer::EnableEqualizer() {
  Equalizer->SetChannel(Channel);
  Equalizer->SetEnabled(true);
}

void TBaseRadioPlayer::DisableEqualizer() {
  Equalizer->SetEnabled(false);
  Equalizer->SetChannel(0);
}

void TBaseRadioPlayer::SetVolume(int32_t v) {
  if (v == Volume) return;
  Volume = std::clamp<int32_t>(v, 0, 100);
  ApplyVolume();
}

void TBaseRadioPlayer::ApplyVolume() { ApplyVolume(Volume); }

void TBaseRadioPlayer::ApplyVolume(int32_t v) {
  if (Channel != 0) audio::ChannelSetAttribute(Channel, audio::ATTRIB_VOL, static_cast<float>(v) / 100.0f);
}

void TBaseRadioPlayer::SetPrebufferPercent(int32_t v) { PrebufferPercent = std::clamp<int32_t>(v, 0, 100); }

bool TBaseRadioPlayer::IsPaused() const {
  return Channel != 0 && audio::ChannelIsActive(Channel) == audio::ACTIVE_PAUSED;
}

int32_t TBaseRadioPlayer::BufferFillPercent() const {
  if (Channel == 0) return 0;
  if (audio::ChannelGetTags(Channel, audio::TAG_WMA) != nullptr)
    return static_cast<int32_t>(audio::StreamGetFilePosition(Channel, audio::FILEPOS_WMA_BUFFER));
  auto end = static_cast<int32_t>(audio::StreamGetFilePosition(Channel, audio::FILEPOS_END));
  auto buffered = static_cast<int32_t>(audio::StreamGetFilePosition(Channel, audio::FILEPOS_BUFFER));
  if (buffered < 0) return 100;
  if (end > 0) return static_cast<int32_t>(static_cast<int64_t>(buffered) * 100 / end);
  return 0;
}

void TBaseRadioPlayer::PauseResume(bool pause) {
  if (Channel == 0) return;
  audio::DWORD active = audio::ChannelIsActive(Channel);
  if (pause) {
    if (active == audio::ACTIVE_PLAYING) audio::ChannelPause(Channel);
    return;
  }
  if (active == audio::ACTIVE_PAUSED) {
    audio::ChannelPlay(Channel, 0);
    // State still reads psPaused here; the status poll reports psPlaying.
    Fire(OnPause);
  }
}

bool TBaseRadioPlayer::CheckPlay(bool& handled) {
  handled = true;
  if (IsPaused()) {
    Resume();
    return true;
  }
  if (State != psStopped) {
    LastError = PLAYER_ERROR_BUSY;
    return false;
  }
  if (Address.empty()) {
    LastError = PLAYER_ERROR_NO_ADDRESS;
    return false;
  }
  handled = false;
  return false;
}

void TBaseRadioPlayer::StartWorker(std::unique_ptr<TWorkerThread> worker) {
  ReapAbandoned();
  CurrentThread = worker.get();
  ThreadList.push_back(std::move(worker));
  CurrentThread->Start();
  WorkerPollTimer->SetEnabled(true);
}

void TBaseRadioPlayer::ReapThread(TWorkerThread* worker) {
  auto it = std::find_if(ThreadList.begin(), ThreadList.end(), [&](auto& t) { return t.get() == worker; });
  if (it == ThreadList.end()) return;
  std::unique_ptr<TWorkerThread> owned = std::move(*it);
  ThreadList.erase(it);
  if (CurrentThread == worker) CurrentThread = nullptr;
  owned->WaitFor();
}

void TBaseRadioPlayer::ReapAbandoned() {
  for (std::size_t i = 0; i < ThreadList.size();) {
    TWorkerThread* t = ThreadList[i].get();
    if (t != CurrentThread && t->Abandoned() && t->Terminated()) {
      ReapThread(t);
    } else {
      ++i;
    }
  }
}

void TBaseRadioPlayer::WorkerPollTick() {
  TWorkerThread* worker = CurrentThread;
  if (worker == nullptr) {
    WorkerPollTimer->SetEnabled(false);
    return;
  }
  if (!worker->Terminated()) return;
  WorkerPollTimer->SetEnabled(false);
  CurrentThread = nullptr;
  CollectWorker(worker);
}

void TBaseRadioPlayer::StartPlayback() {
  ApplyVolume();
  if (!audio::ChannelPlay(Channel, 0)) return;
  ActiveNow = ActivePrev = audio::ChannelIsActive(Channel);
  State = psPlaying;
  Fire(OnPlay);
  if (Channel != 0 && State == psPlaying) {
    SetStatusInterval(StatusPollMs);
    StatusTimer->SetEnabled(true);
    // Freeing the stream silences the sync: it never outlives the player.
    audio::ChannelSetSync(Channel, audio::SYNC_END | audio::SYNC_ONETIME, 0, &ActivitySync, this);
    audio::ChannelSetSync(Channel, audio::SYNC_STALL, 0, &ActivitySync, this);
  }
}

void TBaseRadioPlayer::StopStream() {
  StatusTimer->SetEnabled(false);
  if (IsPaused()) {
    // Unpause silently so that the stop is clean.
    ApplyVolume(0);
    PauseResume(false);
    State = psPaused;
    Fire(OnPause);
  }
  State = psStopped;
  audio::DWORD channel = Channel;
  Fire(OnStop);
  audio::ChannelStop(channel);
  audio::StreamFree(channel);
  if (Channel == channel) Channel = 0;
}

void TBaseRadioPlayer::StopConnecting() {
  WorkerPollTimer->SetEnabled(false);
  if (CurrentThread != nullptr) {
    // The worker is not interrupted; it finishes on its own and drops
    // whatever it still opens.
    CurrentThread->Abandon();
    CurrentThread = nullptr;
  }
  LastError = PLAYER_ERROR_ABANDONED;
  State = psStopped;
  Fire(OnError);
}

void TBaseRadioPlayer::StatusPoll() {
  // A sync that came as the stream was freed woke a poll with nothing to
  // look at.
  if (Channel == 0) {
    StatusTimer->SetEnabled(false);
    return;
  }
  ActiveNow = audio::ChannelIsActive(Channel);
  audio::DWORD previous = ActivePrev;
  ActivePrev = ActiveNow;
  switch (ActiveNow) {
    case audio::ACTIVE_STOPPED:
      if (previous != audio::ACTIVE_STOPPED) {
        State = psStopped;
        Stop();
      }
      break;
    case audio::ACTIVE_PLAYING:
      if (previous != audio::ACTIVE_PLAYING) ChannelPlaying();
      // Playing on, only a change is news, and the library's syncs tell of
      // the end and of running dry at once (ActivitySync): a radio left
      // playing for hours does not wake the program for its status at all.
      // The poll stops first and looks once more, so that a sync that came
      // just before the stop is not lost.
      if (Channel == 0 || State != psPlaying) break;
      StatusTimer->SetEnabled(false);
      if (audio::ChannelIsActive(Channel) != audio::ACTIVE_PLAYING) {
        SetStatusInterval(StatusPollMs);
        StatusTimer->SetEnabled(true);
      }
      break;
    case audio::ACTIVE_STALLED:
      ChannelStalled();
      // The fill shown while stalled moves on every poll.
      SetStatusInterval(StatusPollMs);
      break;
    case audio::ACTIVE_PAUSED:
      if (previous != audio::ACTIVE_PAUSED) {
        State = psPaused;
        Fire(OnPause);
      }
      SetStatusInterval(StatusPollMs);
      break;
    default:
      break;
  }
}

void TBaseRadioPlayer::ActivitySync(audio::HSYNC, audio::DWORD, audio::DWORD, void* user) {
  // From the mixing thread: the poll looks at once, whether it ran or
  // had stopped while the stream played on.
  core::TTimer& timer = *static_cast<TBaseRadioPlayer*>(user)->StatusTimer;
  timer.SetInterval(1);
  timer.SetEnabled(true);
}

void TBaseRadioPlayer::SetStatusInterval(core::UINT ms) {
  if (StatusTimer->Interval() != ms) StatusTimer->SetInterval(ms);
}

void TBaseRadioPlayer::ChannelPlaying() {
  State = psPlaying;
  Fire(OnPlay);
}

void TBaseRadioPlayer::ChannelStalled() {
  State = psStalled;
  Fire(OnStall);
}
