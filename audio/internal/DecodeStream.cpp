#include "audio/internal/DecodeStream.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>

#include "audio/internal/Core.h"
#include "audio/internal/Rematrix.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace audio::detail {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kIoBufferSize = 16 * 1024;
// Packets read while looking for the first decodable frame; garbage
// rarely survives this many.
constexpr int kMaxFirstPackets = 400;

bool SameFormat(const char* name, const char* wanted) {
  return name && std::strstr(name, wanted) != nullptr;
}

}  // namespace

DWORD ChannelTypeFor(int codecId, const char* formatName) {
  switch (static_cast<AVCodecID>(codecId)) {
    case AV_CODEC_ID_MP3: return CTYPE_STREAM_MP3;
    case AV_CODEC_ID_MP2: return CTYPE_STREAM_MP2;
    case AV_CODEC_ID_MP1: return CTYPE_STREAM_MP1;
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_AAC_LATM:
      return SameFormat(formatName, "mp4") ? CTYPE_STREAM_MP4 : CTYPE_STREAM_AAC;
    case AV_CODEC_ID_VORBIS: return CTYPE_STREAM_OGG;
    case AV_CODEC_ID_OPUS: return CTYPE_STREAM_OPUS;
    case AV_CODEC_ID_FLAC: return CTYPE_STREAM_FLAC;
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_EAC3: return CTYPE_STREAM_AC3;
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
    case AV_CODEC_ID_WMAPRO:
    case AV_CODEC_ID_WMALOSSLESS:
    case AV_CODEC_ID_WMAVOICE: return CTYPE_STREAM_WMA;
    default: break;
  }
  if (SameFormat(formatName, "wav")) return CTYPE_STREAM_WAV;
  if (SameFormat(formatName, "aiff")) return CTYPE_STREAM_AIFF;
  return CTYPE_STREAM;
}

TDecodeStream::TDecodeStream(DWORD handle, DWORD flags, TKind kind) : TChannel(handle, flags), kind_(kind) {
  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
}

TDecodeStream::~TDecodeStream() {
  RequestAbort();
  Join();
  CloseDemuxer();
  swr_free(&swr_);
  av_packet_free(&packet_);
  av_frame_free(&frame_);
}

int TDecodeStream::ReadPacket(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<TDecodeStream*>(opaque);
  int n = self->net_->Read(buffer, size);
  if (n < 0) return AVERROR_EXIT;
  if (n == 0) return AVERROR_EOF;
  return n;
}

int TDecodeStream::ReadMemory(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<TDecodeStream*>(opaque);
  uint64_t left = self->memorySize_ - std::min(self->memoryPos_, self->memorySize_);
  int n = static_cast<int>(std::min<uint64_t>(left, static_cast<uint64_t>(size)));
  if (n == 0) return AVERROR_EOF;
  std::memcpy(buffer, self->memory_ + self->memoryPos_, static_cast<size_t>(n));
  self->memoryPos_ += static_cast<uint64_t>(n);
  return n;
}

int64_t TDecodeStream::SeekMemory(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<TDecodeStream*>(opaque);
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) return static_cast<int64_t>(self->memorySize_);
  int64_t base = whence == SEEK_CUR ? static_cast<int64_t>(self->memoryPos_)
               : whence == SEEK_END ? static_cast<int64_t>(self->memorySize_) : 0;
  int64_t target = base + offset;
  if (target < 0 || target > static_cast<int64_t>(self->memorySize_)) return AVERROR(EINVAL);
  self->memoryPos_ = static_cast<uint64_t>(target);
  return target;
}

int TDecodeStream::Interrupt(void* opaque) {
  auto* self = static_cast<TDecodeStream*>(opaque);
  return self->Aborting() || self->OpenTimedOut() ? 1 : 0;
}

bool TDecodeStream::OpenTimedOut() const {
  return opening_.load() && openDeadline_ != Clock::time_point{} && Clock::now() >= openDeadline_;
}

int TDecodeStream::DeadlineError() const {
  // Plenty of bytes and not one decodable frame among them is no audio
  // stream; a trickle that never made a frame is a time-out.
  constexpr uint64_t kPlenty = 8 * 1024;
  const uint64_t arrived = net_ ? net_->Downloaded() : packetBytes_.load();
  return arrived >= kPlenty ? ERROR_FILEFORM : ERROR_TIMEOUT;
}

int TDecodeStream::OpenFile(const std::string& path) {
  location_ = path;
  filename = path;
  int error = OpenDemuxer(true);
  if (error != ERROR_OK) return error;
  return DecodeFirstFrame();
}

int TDecodeStream::OpenNet(std::unique_ptr<TNetSource> net, const std::string& formatName) {
  net_ = std::move(net);
  formatName_ = formatName;
  filename = net_->EffectiveUrl();
  live_ = net_->ContentLength() < 0;
  const std::string& tags = net_->HeaderTags();
  SetTag(net_->IsIcy() ? TAG_ICY : TAG_HTTP, tags);
  // While opening, a server that goes quiet or trickles is a failure, not
  // a stall.
  if (openDeadline_ == Clock::time_point{})
    openDeadline_ = Clock::now() + std::chrono::milliseconds(Config().netTimeout.load());
  net_->SetReadDeadline(openDeadline_);
  opening_ = true;
  // The buffer holds its length in time at the stream's real bit rate:
  // the server's word first; otherwise the frames tell (MeasureBitrate),
  // first those of the server's burst, before the demuxer takes any of
  // them, then more as they are decoded; the codec's word only when the
  // frames cannot be measured. Until then the buffer keeps its first guess.
  if (net_->IcyBitrate() > 0 && net_->IcyBitrate() <= 1000) {
    bitrateGiven_ = true;
    bitrateKbps_ = net_->IcyBitrate();
    net_->SizeBufferForBitrate(net_->IcyBitrate());
  } else {
    FrameFormatFrom(formatName_.c_str());
    MeasureBitrate();
  }
  int error = OpenDemuxer(true);
  if (error == ERROR_OK && !bitrateGiven_ && format_->iformat) FrameFormatFrom(format_->iformat->name);
  if (error == ERROR_OK) error = DecodeFirstFrame();
  if (error != ERROR_OK && !Aborting() && (net_->TimedOut() || OpenTimedOut())) error = DeadlineError();
  opening_ = false;
  net_->ClearReadDeadline();
  if (error == ERROR_OK && !bitrateGiven_ && measuredSeconds_ == 0 && codec_ && codec_->bit_rate > 0) {
    bitrateGiven_ = true;
    bitrateKbps_ = static_cast<int>(std::clamp<int64_t>(codec_->bit_rate / 1000, 8, 1000));
    net_->SizeBufferForBitrate(bitrateKbps_.load());
  }
  return error;
}

int TDecodeStream::OpenDirect(const std::string& url, DOWNLOADPROC* proc, void* user) {
  location_ = url;
  filename = url;
  proc_ = proc;
  user_ = user;
  if (openDeadline_ == Clock::time_point{})
    openDeadline_ = Clock::now() + std::chrono::milliseconds(Config().netTimeout.load());
  opening_ = true;
  int error = OpenDemuxer(true);
  if (error == ERROR_OK) {
    live_ = format_->duration == AV_NOPTS_VALUE || format_->duration <= 0;
    error = DecodeFirstFrame();
  }
  if (error != ERROR_OK && !Aborting() && OpenTimedOut()) error = DeadlineError();
  opening_ = false;
  return error;
}

int TDecodeStream::OpenDemuxer(bool first) {
  CloseDemuxer();
  format_ = avformat_alloc_context();
  if (!format_) return ERROR_MEM;
  format_->interrupt_callback.callback = &TDecodeStream::Interrupt;
  format_->interrupt_callback.opaque = this;
  if (kind_ != TKind::File) format_->max_index_size = kStreamIndexBytes;
  AVDictionary* options = nullptr;
  const AVInputFormat* input = nullptr;
  std::string url = location_;
  if (kind_ == TKind::File && memory_) {
    memoryPos_ = 0;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    io_ = avio_alloc_context(buffer, kIoBufferSize, 0, this, &TDecodeStream::ReadMemory, nullptr,
                             &TDecodeStream::SeekMemory);
    if (!io_) {
      av_free(buffer);
      return ERROR_MEM;
    }
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    url = "";
  } else if (kind_ == TKind::Net) {
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    io_ = avio_alloc_context(buffer, kIoBufferSize, 0, this, &TDecodeStream::ReadPacket, nullptr, nullptr);
    if (!io_) {
      av_free(buffer);
      return ERROR_MEM;
    }
    io_->seekable = 0;
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Probing raw MP3 blindly reads a lot; with the demuxer known from the
    // content type the first frames are enough.
    format_->probesize = 32 * 1024;
    format_->max_analyze_duration = AV_TIME_BASE / 2;
    if (!formatName_.empty()) input = av_find_input_format(formatName_.c_str());
    url = "";
  } else if (kind_ == TKind::Direct) {
    format_->probesize = 64 * 1024;
    format_->max_analyze_duration = AV_TIME_BASE;
    const std::string agent = Config().Agent();
    const std::string timeout = std::to_string(static_cast<int64_t>(Config().netTimeout.load()) * 1000);
    av_dict_set(&options, "user_agent", agent.c_str(), 0);
    av_dict_set(&options, "rw_timeout", timeout.c_str(), 0);
    const std::string proxy = Config().Proxy();
    if (!proxy.empty()) av_dict_set(&options, "http_proxy", ("http://" + proxy).c_str(), 0);
  }
  AVFormatContext* opened = format_;
  int rc = avformat_open_input(&opened, url.c_str(), input, &options);
  av_dict_free(&options);
  if (rc < 0) {
    format_ = nullptr;  // freed by avformat_open_input
    if (io_) {
      av_freep(&io_->buffer);
      avio_context_free(&io_);
    }
    if (Aborting()) return ERROR_UNKNOWN;
    if (rc == AVERROR(ENOENT) || rc == AVERROR(EACCES) || rc == AVERROR(EISDIR)) return ERROR_FILEOPEN;
    if (rc == AVERROR_HTTP_NOT_FOUND || rc == AVERROR_HTTP_FORBIDDEN || rc == AVERROR_HTTP_OTHER_4XX ||
        rc == AVERROR_HTTP_SERVER_ERROR || rc == AVERROR(ECONNREFUSED) || rc == AVERROR(EIO))
      return ERROR_FILEOPEN;
    if (rc == AVERROR(ETIMEDOUT)) return ERROR_TIMEOUT;
    return ERROR_FILEFORM;
  }
  format_ = opened;
  // A live stream whose demuxer already knows the codec needs no stream
  // analysis: it would wait for data that may come only with the next
  // connection. The first decoded frame tells the rest.
  streamIndex_ = -1;
  if (kind_ == TKind::Net)
    for (unsigned i = 0; i < format_->nb_streams && streamIndex_ < 0; ++i)
      if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO &&
          format_->streams[i]->codecpar->codec_id != AV_CODEC_ID_NONE)
        streamIndex_ = static_cast<int>(i);
  if (streamIndex_ < 0) {
    if (avformat_find_stream_info(format_, nullptr) < 0 && Aborting()) return ERROR_UNKNOWN;
    streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  }
  if (streamIndex_ < 0) return format_->nb_streams ? ERROR_NOTAUDIO : ERROR_FILEFORM;
  // Only the audio stream is read: video of an HLS or RTMP stream is
  // dropped before it is even parsed further.
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
  AVStream* stream = format_->streams[streamIndex_];
  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!decoder) return ERROR_CODEC;
  codec_ = avcodec_alloc_context3(decoder);
  if (!codec_) return ERROR_MEM;
  if (avcodec_parameters_to_context(codec_, stream->codecpar) < 0) return ERROR_CODEC;
  codec_->pkt_timebase = stream->time_base;
  if (avcodec_open2(codec_, decoder, nullptr) < 0) return ERROR_CODEC;
  if (kind_ == TKind::File && format_->pb) fileSize_ = avio_size(format_->pb);
  if (first) {
    ctype = ChannelTypeFor(stream->codecpar->codec_id, format_->iformat ? format_->iformat->name : nullptr);
    origres = static_cast<DWORD>(stream->codecpar->bits_per_raw_sample);
    UpdateCommentTags();
  }
  return ERROR_OK;
}

void TDecodeStream::CloseDemuxer() {
  avcodec_free_context(&codec_);
  if (format_) avformat_close_input(&format_);
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
  streamIndex_ = -1;
}

void TDecodeStream::UpdateCommentTags() {
  if (ctype != CTYPE_STREAM_OGG && ctype != CTYPE_STREAM_OPUS && ctype != CTYPE_STREAM_FLAC) return;
  std::string list;
  auto addAll = [&](AVDictionary* dict) {
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX))) {
      if (list.size() > 64 * 1024) break;
      list += e->key;
      list += '=';
      list += e->value;
      list.push_back('\0');
    }
  };
  addAll(format_->metadata);
  addAll(format_->streams[streamIndex_]->metadata);
  if (!list.empty()) SetTag(TAG_OGG, list);
}

int TDecodeStream::DecodeFirstFrame() {
  for (int packets = 0; packets < kMaxFirstPackets; ++packets) {
    int rc = av_read_frame(format_, packet_);
    if (rc == AVERROR(EAGAIN)) continue;
    if (rc < 0) {
      if (Aborting()) return ERROR_UNKNOWN;
      if (net_ && net_->TimedOut()) return ERROR_TIMEOUT;
      return packets == 0 ? ERROR_FILEFORM : ERROR_DECODE;
    }
    if (packet_->stream_index != streamIndex_) {
      av_packet_unref(packet_);
      continue;
    }
    if (proc_ && packet_->size > 0)
      Callback([&] { proc_(packet_->data, static_cast<DWORD>(packet_->size), user_); });
    packetBytes_ += static_cast<uint64_t>(packet_->size);
    CountPacketTime();
    bool gotFrame = false;
    if (avcodec_send_packet(codec_, packet_) >= 0) {
      while (avcodec_receive_frame(codec_, frame_) >= 0) {
        if (!gotFrame) {
          freq = frame_->sample_rate;
          chans = frame_->ch_layout.nb_channels;
          if (freq <= 0 || chans <= 0 || chans > TPeakingBiquad::kMaxChannels) {
            av_packet_unref(packet_);
            return ERROR_FORMAT;
          }
          // How much decoded audio waits for the mixer: for network
          // streams a second (their real buffer is the download buffer,
          // whose fill the player watches; half a second decoded is what
          // lets a stall end even while the demuxer holds the rest),
          // refilled once a quarter second is left, so that a playing radio
          // wakes its decoder about once a second for three quarters of a
          // second of decoding; half a second for files, refilled at a
          // quarter; the whole buffer length for streams opened by
          // libavformat, where it is the only buffer, refilled at half.
          size_t highWater = static_cast<size_t>(freq) / 2;
          size_t lowWater = static_cast<size_t>(freq) / 4;
          if (kind_ == TKind::Net) highWater = static_cast<size_t>(freq);
          if (kind_ == TKind::Direct) {
            highWater = static_cast<size_t>(freq) * std::max<DWORD>(Config().netBuffer.load(), 500) / 1000;
            lowWater = highWater / 2;
          }
          SetupQueue(highWater, lowWater);
          gotFrame = true;
        }
        QueueFrame(frame_, false);
        av_frame_unref(frame_);
      }
    }
    av_packet_unref(packet_);
    if (gotFrame) return ERROR_OK;
  }
  return ERROR_DECODE;
}

bool TDecodeStream::QueueFrame(AVFrame* frame, bool wait) {
  bool queued = false;
  if (QueueFloatFrame(frame, wait, queued)) return queued;
  if (!swr_ || swrInRate_ != frame->sample_rate || swrInFormat_ != frame->format ||
      swrInChannels_ != frame->ch_layout.nb_channels) {
    swr_free(&swr_);
    AVChannelLayout out{};
    av_channel_layout_default(&out, chans);
    if (swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, freq, &frame->ch_layout,
                            static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                            nullptr) < 0 ||
        SetMonoToStereoMatrix(swr_, frame->ch_layout.nb_channels, chans) < 0 || swr_init(swr_) < 0) {
      swr_free(&swr_);
      return true;  // this frame is lost; the next one tries again
    }
    swrInRate_ = frame->sample_rate;
    swrInFormat_ = frame->format;
    swrInChannels_ = frame->ch_layout.nb_channels;
  }
  const int outMax = swr_get_out_samples(swr_, frame->nb_samples);
  if (outMax <= 0) return true;
  if (converted_.size() < static_cast<size_t>(outMax) * chans) converted_.resize(static_cast<size_t>(outMax) * chans);
  uint8_t* out[1] = {reinterpret_cast<uint8_t*>(converted_.data())};
  int made = swr_convert(swr_, out, outMax, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (made <= 0) return true;
  decodedFrames_ += static_cast<uint64_t>(made);
  return FillPcm(converted_.data(), static_cast<size_t>(made), wait);
}

bool TDecodeStream::QueueFloatFrame(AVFrame* frame, bool wait, bool& queued) {
  // Most decoders give float at the stream's own rate and layout: the
  // frame is interleaved straight into the queue, where going through the
  // resampler wrote it to a buffer of its own and copied it from there.
  if ((frame->format != AV_SAMPLE_FMT_FLTP && frame->format != AV_SAMPLE_FMT_FLT) ||
      frame->sample_rate != freq || frame->ch_layout.nb_channels != chans || frame->nb_samples <= 0)
    return false;
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, chans);
  const bool sameLayout = av_channel_layout_compare(&frame->ch_layout, &layout) == 0;
  av_channel_layout_uninit(&layout);
  if (!sameLayout) return false;
  const auto planes = reinterpret_cast<const float* const*>(frame->extended_data);
  const bool planar = frame->format == AV_SAMPLE_FMT_FLTP;
  const size_t c = static_cast<size_t>(chans);
  const size_t frames = static_cast<size_t>(frame->nb_samples);
  decodedFrames_ += frames;
  queued = FillPcmWith(frames, wait, [&](float* __restrict into, size_t from, size_t count) {
    if (!planar) {
      std::memcpy(into, planes[0] + from * c, count * c * sizeof(float));
    } else if (c == 2) {
      const float* __restrict left = planes[0] + from;
      const float* __restrict right = planes[1] + from;
      for (size_t i = 0; i < count; ++i) {
        into[2 * i] = left[i];
        into[2 * i + 1] = right[i];
      }
    } else {
      for (size_t ch = 0; ch < c; ++ch)
        for (size_t i = 0; i < count; ++i) into[i * c + ch] = planes[ch][from + i];
    }
  });
  return true;
}

bool TDecodeStream::DecodePacket(AVPacket* packet, bool wait) {
  // Corrupt packets are skipped: the decoder finds its way back.
  if (avcodec_send_packet(codec_, packet) < 0 && packet) return true;
  while (avcodec_receive_frame(codec_, frame_) >= 0) {
    bool ok = QueueFrame(frame_, wait);
    av_frame_unref(frame_);
    if (!ok) return false;
  }
  return true;
}

bool TDecodeStream::Reopen() {
  if (kind_ == TKind::Net) {
    // The download broke and came back: the new connection is a fresh
    // stream for the demuxer. A part that does not open is skipped up to
    // the next break.
    while (!Aborting()) {
      if (OpenDemuxer(false) == ERROR_OK) return true;
      if (Aborting() || net_->Ended()) return false;
      uint8_t scratch[4096];
      while (!Aborting() && net_->Read(scratch, sizeof scratch) > 0) {
      }
      if (!net_->TakeBreak()) return false;
    }
    return false;
  }
  if (kind_ == TKind::Direct && live_) {
    const int window = static_cast<int>(Config().netReconnect.load());
    if (window <= 0) return false;
    const auto start = Clock::now();
    auto backoff = std::chrono::milliseconds(250);
    while (!Aborting() && Clock::now() - start < std::chrono::milliseconds(window)) {
      if (OpenDemuxer(false) == ERROR_OK) return true;
      for (auto waited = std::chrono::milliseconds(0); waited < backoff && !Aborting();
           waited += std::chrono::milliseconds(50))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      backoff = std::min(backoff * 2, std::chrono::milliseconds(2000));
    }
  }
  return false;
}

void TDecodeStream::Start() {
  thread_ = std::thread([this] { Run(); });
}

bool TDecodeStream::Restart() {
  if (kind_ != TKind::File || !format_) return false;
  InterruptProducer(true);
  if (thread_.joinable()) thread_.join();
  InterruptProducer(false);
  if (Aborting()) return false;
  if (av_seek_frame(format_, -1, 0, AVSEEK_FLAG_BACKWARD) < 0 && OpenDemuxer(false) != ERROR_OK) return false;
  if (codec_) avcodec_flush_buffers(codec_);
  ResetForRestart();
  filePos_ = 0;
  Start();
  return true;
}

void TDecodeStream::Run() {
  pthread_setname_np(pthread_self(), "audio-decode");
  while (!Interrupted()) {
    int rc = format_ ? av_read_frame(format_, packet_) : AVERROR_EOF;
    if (rc == AVERROR(EAGAIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (rc < 0) {
      if (Aborting()) break;
      const bool brokeOff = kind_ == TKind::Net && net_->TakeBreak();
      if (codec_) DecodePacket(nullptr, true);
      if ((brokeOff || kind_ == TKind::Direct) && Reopen()) continue;
      break;
    }
    if (packet_->stream_index == streamIndex_) {
      if (proc_ && packet_->size > 0)
        Callback([&] { proc_(packet_->data, static_cast<DWORD>(packet_->size), user_); });
      packetBytes_ += static_cast<uint64_t>(packet_->size);
      CountPacketTime();
      if (format_->pb) filePos_ = avio_tell(format_->pb);
      bool ok = DecodePacket(packet_, true);
      av_packet_unref(packet_);
      if (!ok) break;
      LearnBitrate();
      AVStream* stream = format_->streams[streamIndex_];
      indexEntries_ = avformat_index_get_entries_count(stream);
      if (stream->event_flags & AVSTREAM_EVENT_FLAG_METADATA_UPDATED) {
        stream->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
        UpdateCommentTags();
      }
    } else {
      av_packet_unref(packet_);
    }
  }
  if (interrupt_.load()) return;  // a restart takes over
  if (format_ && format_->pb && kind_ == TKind::File) filePos_ = fileSize_.load();
  EndOfSource();
}

void TDecodeStream::RequestAbort() {
  TChannel::RequestAbort();
  if (net_) net_->Abort();
}

void TDecodeStream::Join() {
  if (thread_.joinable()) thread_.join();
  if (net_) net_->Join();
}

const char* TDecodeStream::Tags(DWORD type) { return TChannel::Tags(type); }

void TDecodeStream::OnMeta(const std::string& text) {
  {
    std::lock_guard lock(tagMutex_);
    if (lastMeta_ == text) return;
    lastMeta_ = text;
  }
  SetTag(TAG_META, text);
  FireSync(SYNC_META, 0);
}

QWORD TDecodeStream::FilePosition(DWORD mode) {
  const auto fail = [](int code) {
    SetError(code);
    return static_cast<QWORD>(-1);
  };
  switch (kind_) {
    case TKind::Net: {
      // A live stream that ended will get no fuller: what is left counts as
      // a full buffer, so that a player waiting for its fill starts it (and
      // with nothing left, the fill is unknown, which starts it too).
      const bool endedLive = net_->Ended() && net_->ContentLength() < 0;
      // The buffer's size follows the measure as more frames arrive, also
      // while the decoder waits for playback to start.
      if (mode == FILEPOS_END && !bitrateGiven_ && !frameFormat_.empty()) MeasureBitrate();
      const QWORD buffered = net_->Buffered();
      // What arrived and has not played counts, wherever it waits: in the
      // download buffer, or already taken by the demuxer and decoder. Only
      // then is a fill of 50 % half the buffer length of audio received.
      const QWORD size = net_->BufferSize();
      const QWORD held = std::min<QWORD>(buffered + DecoderBacklog(), std::max<QWORD>(size, buffered));
      switch (mode) {
        case FILEPOS_CURRENT:
        case FILEPOS_DOWNLOAD: return net_->Downloaded();
        case FILEPOS_END: return endedLive && buffered > 0 ? buffered : size;
        case FILEPOS_BUFFER: return endedLive && buffered == 0 ? fail(ERROR_ENDED) : endedLive ? buffered : held;
        case FILEPOS_START: return 0;
        case FILEPOS_CONNECTED: return net_->Connected() ? 1 : 0;
        default: return fail(ERROR_ILLTYPE);
      }
    }
    case TKind::Direct: {
      // libavformat keeps its own small buffers; the decoded queue is the
      // buffer that matters for starting and stalling.
      const QWORD bytesPerFrame = static_cast<QWORD>(chans) * BytesPerSample();
      switch (mode) {
        case FILEPOS_CURRENT:
        case FILEPOS_DOWNLOAD: return packetBytes_.load();
        case FILEPOS_END: return HighWater() * bytesPerFrame;
        case FILEPOS_BUFFER: return std::min(QueuedFrames(), HighWater()) * bytesPerFrame;
        case FILEPOS_START: return 0;
        case FILEPOS_CONNECTED: return SourceEnded() ? 0 : 1;
        default: return fail(ERROR_ILLTYPE);
      }
    }
    case TKind::File:
      switch (mode) {
        case FILEPOS_CURRENT: return static_cast<QWORD>(std::max<int64_t>(filePos_.load(), 0));
        case FILEPOS_DOWNLOAD:
        case FILEPOS_END: return fileSize_.load() >= 0 ? static_cast<QWORD>(fileSize_.load()) : fail(ERROR_NOTAVAIL);
        case FILEPOS_START: return 0;
        default: return fail(ERROR_NOTFILE);
      }
  }
  return fail(ERROR_ILLTYPE);
}

}  // namespace audio::detail
