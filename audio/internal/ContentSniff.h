// Choosing the demuxer of an internet stream. The server's content type
// is trusted; only a full parse of the first bytes overrides it: two
// consecutive, consistent frame headers of the other format. A two-byte
// pattern proves nothing: every ADTS header and any AAC payload may hold
// an MP3 frame sync.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace audio::detail {

// Length of the MPEG audio frame whose header starts at `p` (at least 4
// bytes), or 0 when it is not a valid header. `key` gets the fields a
// following frame of the same stream shares (version, layer, rate);
// `seconds` the length of the audio the frame holds.
size_t Mp3FrameLength(const unsigned char* p, unsigned* key = nullptr, double* seconds = nullptr);
// The same for an ADTS (AAC) frame header (at least 7 bytes).
size_t AdtsFrameLength(const unsigned char* p, unsigned* key = nullptr, double* seconds = nullptr);

// Whether two consecutive consistent frames of the format ("mp3" or
// "aac") start at `offset` of `head`.
bool TwoFramesAt(std::string_view head, size_t offset, const std::string& format);

// The unbroken run of consistent frames of `format` ("mp3" or "aac") from
// the first place in `bytes` where two of them start: their bytes and the
// seconds of audio they hold. Whole frames only; zero when there is none.
struct TFrameRun {
  uint64_t bytes = 0;
  double seconds = 0;
  int frames = 0;
};
TFrameRun MeasureFrames(std::string_view bytes, const std::string& format);

// The demuxer name for a content type ("mp3", "aac", "ogg", ...; empty:
// let libavformat probe), corrected by the first bytes as described above.
std::string FormatFor(const std::string& contentType, std::string_view head);

}  // namespace audio::detail
