// How the download buffer of an internet stream reads as time: the
// stream's bit rate measured over its frames, what the decoder holds of
// the buffer, and when a stall may end.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "audio/internal/ContentSniff.h"
#include "audio/internal/DecodeStream.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace audio::detail {

void TDecodeStream::LearnBitrate() {
  if (kind_ != TKind::Net || freq <= 0 || bitrateGiven_) return;
  // Measured again after a quarter second of decoded frames, then after
  // each doubling up to eight seconds: VBR streams need a longer average.
  const uint64_t frames = decodedFrames_.load();
  if (nextLearnAt_ == 0) nextLearnAt_ = static_cast<uint64_t>(freq) / 4;
  if (frames < nextLearnAt_ || nextLearnAt_ > static_cast<uint64_t>(freq) * 8) return;
  nextLearnAt_ *= 2;
  MeasureBitrate();
}

void TDecodeStream::MeasureBitrate() {
  // Over the packets decoded so far and, for the formats whose frame
  // headers give their length in bytes and time, the frames still waiting
  // in the download buffer: at the start that is most of the server's
  // burst, seconds of audio where the decoder has seen a fraction of one.
  // AAC frames vary in size with the encoder's bit reservoir, and a rate
  // taken over a few of them misses by 2 or 3 %, which the pre-buffer's
  // 50 % point of a 10 s buffer turns into a start 0.1 to 0.15 s off.
  // Decoded packets count by their own durations where the demuxer gives
  // them: a decoder drops the encoder's delay from its first frames (MP3
  // a fortieth of a second), which over the first half second would read
  // as a rate 5 % high.
  // Decoded first, then the buffer: a packet taken in between is in
  // neither, never in both.
  constexpr double kLongest = 8;
  std::lock_guard lock(measureMutex_);
  if (measuredSeconds_ >= kLongest) return;
  double bytes = static_cast<double>(timedBytes_.load());
  double seconds = timedSeconds_.load();
  if (seconds <= 0) {
    bytes = static_cast<double>(packetBytes_.load());
    seconds = freq > 0 ? static_cast<double>(decodedFrames_.load()) / freq : 0.0;
  }
  if (!frameFormat_.empty()) {
    constexpr size_t kMeasuredBytes = 256 * 1024;
    const TFrameRun waiting = MeasureFrames(net_->Peek(kMeasuredBytes, 0), frameFormat_);
    bytes += static_cast<double>(waiting.bytes);
    seconds += waiting.seconds;
  }
  // A measure over less time than the one in use would only be worse.
  constexpr double kShortest = 0.2;
  if (seconds < kShortest || seconds <= measuredSeconds_) return;
  measuredSeconds_ = seconds;
  const double kbps = bytes * 8.0 / seconds / 1000.0;
  const int rounded = static_cast<int>(std::clamp(kbps + 0.5, 8.0, 1000.0));
  if (std::abs(rounded - bitrateKbps_.load()) * 100 <= rounded) return;  // within 1 %
  bitrateKbps_ = rounded;
  net_->SizeBufferForBitrate(rounded);
}

void TDecodeStream::FrameFormatFrom(const char* demuxer) {
  frameFormat_ = std::strstr(demuxer, "aac") ? "aac" : std::strstr(demuxer, "mp3") ? "mp3" : "";
}

void TDecodeStream::CountPacketTime() {
  if (kind_ != TKind::Net || packet_->duration <= 0 || packet_->size <= 0) return;
  timedBytes_ += static_cast<uint64_t>(packet_->size);
  timedSeconds_ = timedSeconds_.load() +
                  static_cast<double>(packet_->duration) * av_q2d(format_->streams[streamIndex_]->time_base);
}

uint64_t TDecodeStream::DecoderBacklog() {
  const uint64_t taken = net_->ReadTotal();
  const uint64_t frames = decodedFrames_.load();
  if (frames == 0) return taken;
  const double bytesPerFrame = static_cast<double>(packetBytes_.load()) / static_cast<double>(frames);
  const auto played = static_cast<uint64_t>(static_cast<double>(framesTaken_.load()) * bytesPerFrame);
  return taken > played ? taken - played : 0;
}

bool TDecodeStream::SourceReadyToResume() {
  // After running dry, a network stream waits until half a second is
  // buffered (download buffer and decoded audio together) before it plays
  // on: resuming on the first few packets would only stall again on a
  // connection that barely keeps up.
  if (kind_ != TKind::Net || net_->Ended()) return true;
  const double decoded = freq > 0 ? static_cast<double>(QueuedFrames()) / freq : 0.0;
  const int kbps = bitrateKbps_.load();
  if (kbps <= 0) {
    // Without a bit rate the download buffer cannot be read as time; the
    // decoded audio alone must reach the half second (or all the decoder
    // keeps, when that is less).
    const double keeps = freq > 0 ? static_cast<double>(HighWater()) / freq : 0.5;
    return decoded >= std::min(0.5, keeps);
  }
  const double bytesPerSecond = kbps * 125.0;
  const double buffered = net_->Buffered() / bytesPerSecond + decoded;
  return buffered >= std::min(0.5, net_->BufferSize() / bytesPerSecond / 2);
}

}  // namespace audio::detail
