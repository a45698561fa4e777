#include "audio/internal/ContentSniff.h"

#include <algorithm>

#include "audio/Frames.h"
#include "support/AsciiCase.h"

namespace audio::detail {

namespace {

// kbit/s by [MPEG-1?][layer 1..3][index]; index 0 (free) and 15 are refused.
constexpr int kMpeg1Rates[3][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}};
constexpr int kMpeg2Rates[3][16] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};
constexpr int kMpegSampleRates[3] = {44100, 48000, 32000};
constexpr int kAdtsSampleRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                      22050, 16000, 12000, 11025, 8000,  7350};

}  // namespace

size_t Mp3FrameLength(const unsigned char* p, unsigned* key, double* seconds) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
  const int version = (p[1] >> 3) & 3;  // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
  const int layerBits = (p[1] >> 1) & 3;  // 1 layer III, 2 layer II, 3 layer I
  const int rateIndex = p[2] >> 4;
  const int srIndex = (p[2] >> 2) & 3;
  if (version == 1 || layerBits == 0 || srIndex == 3 || (p[3] & 3) == 2) return 0;
  const int layer = 4 - layerBits;  // 1..3
  const int kbps = version == 3 ? kMpeg1Rates[layer - 1][rateIndex] : kMpeg2Rates[layer - 1][rateIndex];
  if (kbps == 0) return 0;
  int sampleRate = kMpegSampleRates[srIndex];
  if (version == 2) sampleRate /= 2;
  if (version == 0) sampleRate /= 4;
  const int padding = (p[2] >> 1) & 1;
  if (key) *key = static_cast<unsigned>(p[1] & 0xFE) << 8 | (p[2] & 0x0C);
  if (seconds) *seconds = (layer == 1 ? 384.0 : layer == 3 && version != 3 ? 576.0 : 1152.0) / sampleRate;
  if (layer == 1) return static_cast<size_t>((12 * kbps * 1000 / sampleRate + padding) * 4);
  const int factor = (layer == 3 && version != 3) ? 72 : 144;
  return static_cast<size_t>(factor * kbps * 1000 / sampleRate + padding);
}

size_t AdtsFrameLength(const unsigned char* p, unsigned* key, double* seconds) {
  if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0) return 0;
  const int srIndex = (p[2] >> 2) & 0xF;
  if (srIndex > 12) return 0;
  const size_t length = (static_cast<size_t>(p[3] & 3) << 11) | (static_cast<size_t>(p[4]) << 3) | (p[5] >> 5);
  const size_t header = (p[1] & 1) ? 7 : 9;
  if (length <= header) return 0;
  if (key) *key = static_cast<unsigned>(p[1] & 0xF8) << 8 | (p[2] & 0xFC) | (p[3] >> 6);
  // 1024 samples for each raw data block the frame carries.
  if (seconds) *seconds = 1024.0 * ((p[6] & 3) + 1) / kAdtsSampleRates[srIndex];
  return length;
}

bool TwoFramesAt(std::string_view head, size_t offset, const std::string& format) {
  const bool aac = format == "aac";
  const size_t need = aac ? 7 : 4;
  auto frame = [&](size_t at, unsigned* key) -> size_t {
    if (at + need > head.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(head.data() + at);
    return aac ? AdtsFrameLength(p, key) : Mp3FrameLength(p, key);
  };
  unsigned first = 0, second = 0;
  const size_t length = frame(offset, &first);
  if (length == 0) return false;
  return frame(offset + length, &second) != 0 && first == second;
}

TFrameRun MeasureFrames(std::string_view bytes, const std::string& format) {
  TFrameRun run;
  const bool aac = format == "aac";
  const size_t need = aac ? 7 : 4;
  size_t at = 0;
  while (at + 1 < bytes.size() && !TwoFramesAt(bytes, at, format)) ++at;
  unsigned first = 0;
  for (bool start = true; at + need <= bytes.size(); start = false) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    unsigned key = 0;
    double seconds = 0;
    const size_t length = aac ? AdtsFrameLength(p, &key, &seconds) : Mp3FrameLength(p, &key, &seconds);
    if (length == 0 || at + length > bytes.size() || (!start && key != first)) break;
    if (start) first = key;
    run.bytes += length;
    run.seconds += seconds;
    ++run.frames;
    at += length;
  }
  return run;
}

std::string FormatFor(const std::string& contentType, std::string_view head) {
  std::string type = ascii::Lower(contentType.substr(0, contentType.find(';')));
  type.erase(std::remove(type.begin(), type.end(), ' '), type.end());
  std::string format;
  if (type == "audio/mpeg" || type == "audio/mp3" || type == "audio/mpeg3" || type == "audio/x-mpeg" ||
      type == "audio/mpg")
    format = "mp3";
  else if (type == "audio/aac" || type == "audio/aacp" || type == "audio/x-aac" || type == "audio/x-aacp")
    format = "aac";
  else if (type == "application/ogg" || type == "audio/ogg" || type == "audio/x-ogg" ||
           type == "audio/vorbis" || type == "audio/opus")
    format = "ogg";
  else if (type == "audio/flac" || type == "audio/x-flac")
    format = "flac";
  else if (type == "audio/ac3" || type == "audio/x-ac3")
    format = "ac3";
  else if (type == "video/mp2t")
    format = "mpegts";
  else if (type == "audio/wav" || type == "audio/x-wav" || type == "audio/wave")
    format = "wav";
  else if (type == "audio/x-ms-wma" || type == "video/x-ms-asf" || type == "application/vnd.ms-asf")
    format = "asf";
  if (head.substr(0, 4) == "OggS") return "ogg";
  if (head.substr(0, 4) == "fLaC") return "flac";
  // A tag in front says nothing about the frames behind it.
  if (head.substr(0, 3) == "ID3") return format;
  // MP3 and AAC are told apart by whichever parses first; for a type that
  // names neither (octet-stream, none at all), a parse spares libavformat
  // a blind probe.
  const bool either = format == "mp3" || format == "aac" || format.empty();
  if (!either) return format;
  for (size_t i = 0; i + 1 < head.size(); ++i) {
    if (static_cast<unsigned char>(head[i]) != 0xFF) continue;
    if (TwoFramesAt(head, i, "mp3")) return "mp3";
    if (TwoFramesAt(head, i, "aac")) return "aac";
  }
  return format;
}

}  // namespace audio::detail

namespace audio {

std::size_t FirstFrameStart(std::string_view bytes, bool aac) {
  const std::string format = aac ? "aac" : "mp3";
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (static_cast<unsigned char>(bytes[i]) == 0xFF && detail::TwoFramesAt(bytes, i, format)) return i;
  return std::string_view::npos;
}

}  // namespace audio
