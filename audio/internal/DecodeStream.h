// A stream decoded by libavformat/libavcodec on a thread of its own: local
// files, internet streams fetched by TNetSource, and addresses that
// libavformat opens itself (HLS, RTMP, MMS).
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/internal/Channel.h"
#include "audio/internal/NetSource.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct AVIOContext;
struct SwrContext;

namespace audio::detail {

class TDecodeStream : public TChannel {
 public:
  enum class TKind { File, Net, Direct };

  TDecodeStream(DWORD handle, DWORD flags, TKind kind);
  ~TDecodeStream() override;

  // Opening (on the creating thread). Each returns ERROR_OK or an error.
  int OpenFile(const std::string& path);
  // `net` is connected; `formatName` is the demuxer chosen from the
  // content type (empty: probe).
  int OpenNet(std::unique_ptr<TNetSource> net, const std::string& formatName);
  int OpenDirect(const std::string& url, DOWNLOADPROC* proc, void* user);
  // The opening must have decoded its first audio by then, however the
  // bytes arrive; after it ERROR_TIMEOUT (or ERROR_FILEFORM when plenty
  // came and none of it was audio). Set before OpenNet or OpenDirect.
  void SetOpenDeadline(std::chrono::steady_clock::time_point until) { openDeadline_ = until; }

  // Starts the decoder thread once the channel is published.
  void Start();

  // Local files start again from the beginning.
  bool Restart() override;
  bool SourceReadyToResume() override;
  // A file held in memory by the caller (it stays there while the stream lives).
  void SetMemory(const void* data, uint64_t size) {
    memory_ = static_cast<const uint8_t*>(data);
    memorySize_ = size;
  }

  const char* Tags(DWORD type) override;
  QWORD FilePosition(DWORD mode) override;
  void RequestAbort() override;
  void Join() override;
  // A file held in memory is read from the caller's bytes.
  bool JoinWhenFreed() const override { return memory_ && std::this_thread::get_id() != thread_.get_id(); }

  TNetSource* Net() { return net_.get(); }
  // libavformat adds a seek index entry for every MP3 or AAC frame it reads
  // (24 bytes, some 40 a second) and by default keeps up to 1 MiB of them
  // per stream: a radio left playing would fill that for nothing, as a
  // stream is never sought. Streams keep this many bytes of entries; files
  // keep the default, since they start again from the beginning.
  static constexpr unsigned kStreamIndexBytes = 1024;
  // Entries of the demuxer's seek index of the audio stream, as of the
  // last packet read.
  int IndexEntries() const { return indexEntries_.load(); }
  // New shoutcast metadata (download thread): the META tag and syncs.
  void OnMeta(const std::string& text);

 private:
  int OpenDemuxer(bool first);
  void CloseDemuxer();
  int DecodeFirstFrame();
  bool DecodePacket(AVPacket* packet, bool wait);
  bool QueueFrame(AVFrame* frame, bool wait);
  // Queues a float frame of the stream's own format without converting
  // (`queued`: as FillPcm's result); false, and nothing done, for any
  // other frame.
  bool QueueFloatFrame(AVFrame* frame, bool wait, bool& queued);
  bool Reopen();
  void Run();
  void UpdateCommentTags();
  static int ReadPacket(void* opaque, uint8_t* buffer, int size);
  static int Interrupt(void* opaque);
  bool OpenTimedOut() const;
  // The error of an open that ran past its deadline.
  int DeadlineError() const;
  static int ReadMemory(void* opaque, uint8_t* buffer, int size);
  static int64_t SeekMemory(void* opaque, int64_t offset, int whence);
  const uint8_t* memory_ = nullptr;
  uint64_t memorySize_ = 0;
  uint64_t memoryPos_ = 0;

  const TKind kind_;
  std::string location_;
  std::string formatName_;
  std::string lastMeta_;
  std::unique_ptr<TNetSource> net_;
  DOWNLOADPROC* proc_ = nullptr;
  void* user_ = nullptr;

  AVFormatContext* format_ = nullptr;
  AVIOContext* io_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* swr_ = nullptr;
  int swrInRate_ = 0;
  int swrInFormat_ = -1;
  int swrInChannels_ = 0;
  int streamIndex_ = -1;
  bool live_ = false;
  std::chrono::steady_clock::time_point openDeadline_{};
  std::atomic<bool> opening_{false};
  std::vector<float> converted_;

  // The stream's bit rate once known (icy-br, the codec, or measured over
  // the first frames); 0 while unknown. LearnBitrate measures again as
  // more frames are decoded (decoder thread).
  void LearnBitrate();
  void MeasureBitrate();
  // Adds the packet just read to the bytes and seconds its demuxer timed.
  void CountPacketTime();
  // Whether the frames of the demuxer named so can be walked (MeasureFrames).
  void FrameFormatFrom(const char* demuxer);
  // Undecoded bytes taken from the download buffer whose audio has not
  // been played yet: the demuxer's and decoder's share of the buffer.
  uint64_t DecoderBacklog();

  std::atomic<uint64_t> packetBytes_{0};
  std::atomic<uint64_t> decodedFrames_{0};
  std::atomic<int> bitrateKbps_{0};
  uint64_t nextLearnAt_ = 0;  // decoded frames at which the rate is measured next (decoder thread)
  bool bitrateGiven_ = false;  // by the server or the codec: not measured (set while opening)
  std::string frameFormat_;    // "mp3" or "aac" when the frames can be walked (set while opening)
  std::mutex measureMutex_;    // the decoder thread and the fill's readers both measure
  double measuredSeconds_ = 0; // of audio the rate in use was measured over
  // Packets with a duration (written by the decoder thread): their bytes and seconds.
  std::atomic<uint64_t> timedBytes_{0};
  std::atomic<double> timedSeconds_{0};
  std::atomic<int64_t> fileSize_{-1};
  std::atomic<int64_t> filePos_{0};
  std::atomic<int> indexEntries_{0};
  std::thread thread_;
};

// Channel type for a codec in a container.
DWORD ChannelTypeFor(int codecId, const char* formatName);

}  // namespace audio::detail
