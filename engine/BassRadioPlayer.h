// The default player: the audio library connects, follows playlists,
// decodes and plays. The player opens the address on a worker thread,
// pre-buffers itself with OnBuffering, watches the channel's state and
// delivers in-stream metadata on the user-interface thread.
#pragma once

#include <chrono>
#include <mutex>

#include "core/Notice.h"
#include "engine/PlayerThread.h"
#include "engine/RadioPlayer.h"
#include "engine/Routing.h"

class TBassRadioPlayer : public TBaseRadioPlayer {
 public:
  explicit TBassRadioPlayer(core::TComponent* AOwner = nullptr);
  ~TBassRadioPlayer() override;

  int32_t GetBitrate() override;
  int32_t GetSampleRate() override;
  bool IsStereo() override;
  std::string GetTitle() override;
  std::string GetHeaderTags() override;
  std::string GetMetaTag() override;
  audio::DWORD GetChannelType() override;
  std::string GetCodecName() override;
  void SetNetBuffer(int32_t ms) override;
  void SetNetTimeout(int32_t ms) override;
  bool Play() override;
  void Stop() override;

  // Further plug-in file names, loaded after the built-in ones.
  std::vector<std::string> ExtraPlugins;
  // The resolvers the worker threads route through.
  TResolverTable Resolvers;

  bool Configured() const { return FConfigured; }
  int32_t BufferPercent() const { return FBufferPercent; }
  // The last worker's route, for diagnostics.
  const std::string& OpenedAddress() const { return FOpenedAddress; }
  uint32_t LastAttemptsMade() const { return FAttemptsMade; }

  static const char* const BuiltinPlugins[5];

 protected:
  void CollectWorker(TWorkerThread* finished) override;
  // The pre-buffer tick's reading of the buffer fill.
  virtual int32_t ReadBufferFill() { return BufferFillPercent(); }

  std::unique_ptr<core::TTimer> PrebufferTimer;
  // Asked for by the library's tag sync; one notice for the tags that came
  // before the user-interface thread got to it.
  std::unique_ptr<core::TNotice> MetadataNotice;
  bool PrebufferBusy = false;

 private:
  void Configure();
  void PrebufferTick();
  // The pre-buffer did not fill within the time-out and nothing at all
  // arrived: the stream is given up as a failed attempt.
  void FailBuffering(int32_t error);
  void MetadataTick();
  void SetMetadataSync();
  static void MetadataSync(audio::HSYNC handle, audio::DWORD channel, audio::DWORD data, void* user);

  bool FConfigured = false;
  int32_t FBufferPercent = 0;
  std::chrono::steady_clock::time_point FBufferingSince{};
  std::string FOpenedAddress;
  uint32_t FAttemptsMade = 0;
};
