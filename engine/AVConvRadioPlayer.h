// The player for addresses that the audio library cannot open itself. An
// ffmpeg child decodes the station into 16-bit stereo PCM at 44100 Hz and
// writes it into a FIFO that this player serves; timers on the
// user-interface thread move whatever arrives into a push stream, which
// then plays like any other channel (volume, pause, equalizer, recording
// and spectrum all work on it). The decoder's diagnostic output is read
// line by line on a thread of its own and gives the stream's codec, sample
// rate, channel layout, bit rate and title; a new title raises OnMetadata
// on the user-interface thread, as the other player does.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/PipeServer.h"
#include "engine/PipeThread.h"
#include "engine/PlayerThread.h"
#include "engine/Process.h"
#include "engine/RadioPlayer.h"
#include "engine/Routing.h"

class TAVConvRadioPlayer : public TBaseRadioPlayer {
 public:
  explicit TAVConvRadioPlayer(core::TComponent* AOwner = nullptr);
  ~TAVConvRadioPlayer() override;

  int32_t GetBitrate() override;
  int32_t GetSampleRate() override;
  int64_t GetStreamPosition() override;
  bool IsStereo() override;
  std::string GetTitle() override;
  // The decoder's latest title in the in-stream form of the other player,
  // "StreamTitle='...';", so that clients read one format; OnMetadata
  // carries it whenever the title changes.
  std::string GetMetaTag() override;
  std::string GetCodecName() override;
  bool Play() override;
  void Stop() override;

  // PCM bytes to collect before playback starts.
  int64_t PrebufferBytes = 131072;
  // Path of the ffmpeg executable, set by the owner before each Play.
  std::string FfmpegPath;
  // Further decoder arguments, placed before the pipe name.
  std::vector<std::string> ExtraArguments;
  // Restarts made since the owner's last Play or since the stream last
  // reached psPlaying.
  int32_t RetryCount = 0;
  // The resolvers the parser threads route through.
  TResolverTable Resolvers;
  // A restart after the decoder ended waits this long first.
  int RestartDelayMs = 100;

  // The decoder's audio stream description, e.g.
  // "mp3, 44100 Hz, stereo, fltp, 128 kb/s"; empty until seen.
  std::string StreamInfo() const;
  int32_t BufferPercent() const { return FBufferPercent; }
  uint64_t ReceivedBytes() const { return FReceivedBytes; }
  // The most decoded PCM (in bytes) the player takes into its stream
  // before it leaves the pipe alone and the decoder waits on it.
  uint64_t QueueLimitBytes() const;
  // For tests and diagnostics.
  TProcess* DecoderProcess() const { return Process.get(); }
  const TPipeServer* Pipe() const { return PipeServer.get(); }
  const TPipeThread* OutputReader() const { return OutputThread.get(); }
  // The parameters the decoder gets for `address` and `pipeName`.
  std::vector<std::string> DecoderParameters(const std::string& address, const std::string& pipeName) const;

  // The stream description that an ffmpeg output line carries: the text
  // after "Audio:" of a "Stream #0" line, trimmed; empty when the line
  // describes no audio stream.
  static std::string StreamInfoFromLine(const std::string& line);
  // Whether the line carries a stream title, and the title.
  static bool TitleFromLine(const std::string& line, std::string& title);
  // The fields of a stream description (split at ",", trimmed).
  static std::string CodecFromInfo(const std::string& info);
  static int32_t SampleRateFromInfo(const std::string& info);
  static bool StereoFromInfo(const std::string& info);
  static int32_t BitrateFromInfo(const std::string& info);

 protected:
  void CollectWorker(TWorkerThread* finished) override;
  void ChannelPlaying() override;
  void ChannelStalled() override;

 private:
  void StartDecoder();
  void FailStart(int32_t error);
  long Pump();
  void PrebufferTick();
  void ReaderTick();
  void ProcessWatchTick();
  void MetadataTick();
  void OutputLine(TPipeThread* sender, const std::string& line);
  bool DecoderRunning();

  std::unique_ptr<core::TTimer> PrebufferTimer;
  std::unique_ptr<core::TTimer> ProcessWatchTimer;
  std::unique_ptr<core::TTimer> ReaderTimer;
  std::unique_ptr<core::TTimer> MetadataTimer;  // armed by the output thread
  bool PrebufferBusy = false;
  bool FRestarting = false;  // Play is the restart after an ended decoder
  bool ReaderBusy = false;
  uint64_t FReceivedBytes = 0;
  int32_t FBufferPercent = 0;
  std::unique_ptr<TProcess> Process;
  std::unique_ptr<TPipeServer> PipeServer;
  std::unique_ptr<TPipeThread> OutputThread;
  std::vector<char> FReadBuffer;
  std::vector<char> FCarry;  // the part frame of the last read

  // Written by the output thread, read by the user-interface thread.
  mutable std::mutex FInfoLock;
  std::string FStreamInfo;
  std::string FTitle;
};
