#include "engine/BassRadioPlayer.h"

#include <set>

#include "engine/RadioPlayerTags.h"

namespace {

// Players that metadata syncs may still reach. A sync runs on a library
// thread and can race the player's destruction, so it looks the player up
// here, under the lock, instead of trusting its user pointer.
std::mutex& SyncLock() {
  static std::mutex lock;
  return lock;
}
std::set<const void*>& LivePlayers() {
  static std::set<const void*> players;
  return players;
}

}  // namespace

const char* const TBassRadioPlayer::BuiltinPlugins[5] = {"basswma.dll", "bass_aac.dll", "bass_ac3.dll",
                                                         "basshls.dll", "bassopus.dll"};

TBassRadioPlayer::TBassRadioPlayer(core::TComponent* AOwner)
    : TBaseRadioPlayer(AOwner), Resolvers(DefaultResolvers()) {
  // The base constructor's calls did not reach these overrides.
  SetNetBuffer(NetBuffer);
  SetNetTimeout(NetTimeout);
  PrebufferTimer = MakeTimer(50, [this] { PrebufferTick(); });
  MetadataNotice = std::make_unique<core::TNotice>([this] { MetadataTick(); });
  std::lock_guard<std::mutex> guard(SyncLock());
  LivePlayers().insert(this);
}

TBassRadioPlayer::~TBassRadioPlayer() {
  {
    std::lock_guard<std::mutex> guard(SyncLock());
    LivePlayers().erase(this);
  }
  Shutdown();
  PrebufferTimer->SetEnabled(false);
  MetadataNotice->Cancel();
  if (FConfigured) audio::PluginFree(0);
}

void TBassRadioPlayer::Configure() {
  if (!BassAvailable) return;
  audio::SetConfig(audio::CONFIG_NET_PLAYLIST, 1);
  // The player pre-buffers itself, with progress for the user.
  audio::SetConfig(audio::CONFIG_NET_PREBUF, 0);
  audio::SetConfig(audio::CONFIG_NET_BUFFER, static_cast<audio::DWORD>(NetBuffer));
  audio::SetConfig(audio::CONFIG_NET_TIMEOUT, static_cast<audio::DWORD>(NetTimeout));
  for (const char* name : BuiltinPlugins) audio::PluginLoad(name, 0);
  for (const std::string& name : ExtraPlugins) audio::PluginLoad(name.c_str(), 0);
  FConfigured = true;
}

void TBassRadioPlayer::SetNetBuffer(int32_t ms) {
  TBaseRadioPlayer::SetNetBuffer(ms);
  if (BassAvailable) audio::SetConfig(audio::CONFIG_NET_BUFFER, static_cast<audio::DWORD>(ms));
}

void TBassRadioPlayer::SetNetTimeout(int32_t ms) {
  TBaseRadioPlayer::SetNetTimeout(ms);
  if (BassAvailable) audio::SetConfig(audio::CONFIG_NET_TIMEOUT, static_cast<audio::DWORD>(ms));
}

bool TBassRadioPlayer::Play() {
  bool handled = false;
  bool result = CheckPlay(handled);
  if (handled) return result;
  if (!FConfigured) Configure();
  LastError = PLAYER_ERROR_NONE;
  LastErrorDetail.clear();
  FBufferPercent = 0;
  State = psConnecting;
  Fire(OnConnecting);
  // The handler may have stopped the attempt already.
  if (State != psConnecting) return true;
  auto worker = std::make_unique<TPlayerThread>();
  worker->Address = Address;
  worker->Attempts = Attempts;
  worker->Resolvers = Resolvers;
  StartWorker(std::move(worker));
  return true;
}

void TBassRadioPlayer::CollectWorker(TWorkerThread* finished) {
  auto* worker = static_cast<TPlayerThread*>(finished);
  audio::HSTREAM handle = worker->StreamHandle;
  int32_t error = worker->ErrorCode;
  FOpenedAddress = worker->OpenedAddress;
  FAttemptsMade = worker->AttemptsMade;
  // Neither a stream nor a code (a resolver raised): still a failed attempt.
  if (handle == 0 && error == 0) error = PLAYER_ERROR_WORKER_FAILED;
  if (handle != 0 && error != 0) error = 0;
  std::string detail = worker->ErrorDetail;
  ReapThread(worker);
  LastError = error;
  LastErrorDetail = error != 0 ? detail : std::string();
  if (error != 0) {
    State = psStopped;
    Fire(OnError);
    return;
  }
  FBufferPercent = 0;
  Channel = handle;
  // The stream exists from here on: a Stop before the first pre-buffer tick
  // must stop it, not abandon a connection that is already made.
  State = psBuffering;
  PrebufferBusy = false;
  FBufferingSince = std::chrono::steady_clock::now();
  PrebufferTimer->SetEnabled(true);
  // A stream whose pre-buffer arrived while it was being opened plays now,
  // not a timer interval later.
  PrebufferTick();
}

void TBassRadioPlayer::PrebufferTick() {
  if (Channel == 0) return;
  State = psBuffering;
  if (PrebufferBusy) return;
  PrebufferBusy = true;
  int32_t fill = ReadBufferFill();
  if (fill != FBufferPercent) {
    FBufferPercent = fill;
    if (OnBuffering) OnBuffering(this, fill);
    // A handler that stopped the player ended the buffering.
    if (Channel == 0 || State != psBuffering) return;
  }
  if (FBufferPercent < PrebufferPercent) {
    // However slowly the bytes come, buffering ends within the time-out:
    // with something buffered the stream plays (and stalls if it must),
    // with nothing it failed.
    const auto waited = std::chrono::steady_clock::now() - FBufferingSince;
    if (waited < std::chrono::milliseconds(std::max(NetTimeout, 1000))) {
      PrebufferBusy = false;
      return;
    }
    if (FBufferPercent <= 0) {
      FailBuffering(audio::ERROR_TIMEOUT);
      return;
    }
  }
  PrebufferTimer->SetEnabled(false);
  ApplyVolume();
  SetMetadataSync();
  StartPlayback();
}

void TBassRadioPlayer::FailBuffering(int32_t error) {
  PrebufferTimer->SetEnabled(false);
  PrebufferBusy = true;
  audio::ChannelStop(Channel);
  audio::StreamFree(Channel);
  Channel = 0;
  LastError = error;
  LastErrorDetail = "time-out: the buffer did not fill";
  State = psStopped;
  Fire(OnError);
}

void TBassRadioPlayer::SetMetadataSync() {
  bool wma = audio::ChannelGetTags(Channel, audio::TAG_WMA) != nullptr;
  audio::ChannelSetSync(Channel, wma ? audio::SYNC_WMA_META : audio::SYNC_META, 0, &MetadataSync, this);
  // The library signals a tag only when it changes, and the first one
  // usually arrives while the player is still pre-buffering: deliver it now
  // rather than at the next song.
  if (!GetMetaTag().empty()) MetadataNotice->Post();
}

void TBassRadioPlayer::MetadataSync(audio::HSYNC, audio::DWORD, audio::DWORD, void* user) {
  // Only asks for the notice: tags that come before the user-interface
  // thread gets to it give one notification with the latest.
  std::lock_guard<std::mutex> guard(SyncLock());
  if (LivePlayers().count(user) == 0) return;
  static_cast<TBassRadioPlayer*>(user)->MetadataNotice->Post();
}

void TBassRadioPlayer::MetadataTick() {
  if (OnMetadata) OnMetadata(this, GetMetaTag());
}

void TBassRadioPlayer::Stop() {
  if (State == psConnecting) {
    StopConnecting();
    return;
  }
  if (Channel == 0) return;
  PrebufferBusy = true;
  PrebufferTimer->SetEnabled(false);
  StatusTimer->SetEnabled(false);
  StopStream();
}

int32_t TBassRadioPlayer::GetBitrate() { return BitrateFromTags(GetHeaderTags()); }

int32_t TBassRadioPlayer::GetSampleRate() {
  if (Channel == 0) return -1;
  audio::CHANNELINFO info{};
  audio::ChannelGetInfo(Channel, &info);
  return static_cast<int32_t>(info.freq);
}

audio::DWORD TBassRadioPlayer::GetChannelType() {
  if (Channel == 0) return 0;
  audio::CHANNELINFO info{};
  audio::ChannelGetInfo(Channel, &info);
  return info.ctype;
}

bool TBassRadioPlayer::IsStereo() {
  if (Channel == 0) return false;
  audio::CHANNELINFO info{};
  audio::ChannelGetInfo(Channel, &info);
  return info.chans > 1;
}

std::string TBassRadioPlayer::GetCodecName() {
  switch (GetChannelType()) {
    case audio::CTYPE_STREAM_OGG: return "ogg";
    case audio::CTYPE_STREAM_MP3: return "mp3";
    case audio::CTYPE_STREAM_AIFF: return "iff";
    case audio::CTYPE_STREAM_WMA:
    case audio::CTYPE_STREAM_WMA_MP3: return "wma";
    case audio::CTYPE_STREAM_AAC: return "aac";
    case audio::CTYPE_STREAM_MP4: return "mp4";
    case audio::CTYPE_STREAM_WAV: return "wav";
    default: return {};
  }
}

std::string TBassRadioPlayer::GetHeaderTags() {
  if (Channel == 0) return {};
  const char* tags = audio::ChannelGetTags(Channel, audio::TAG_WMA);
  if (tags == nullptr) tags = audio::ChannelGetTags(Channel, audio::TAG_ICY);
  if (tags == nullptr) tags = audio::ChannelGetTags(Channel, audio::TAG_HTTP);
  if (tags == nullptr) return {};
  return JoinTagList(tags);
}

std::string TBassRadioPlayer::GetMetaTag() {
  if (Channel == 0) return {};
  bool wma = audio::ChannelGetTags(Channel, audio::TAG_WMA) != nullptr;
  const char* meta = audio::ChannelGetTags(Channel, wma ? audio::TAG_WMA_META : audio::TAG_META);
  return meta ? std::string(meta) : std::string();
}

std::string TBassRadioPlayer::GetTitle() { return TitleFromTags(GetMetaTag(), GetHeaderTags()); }
