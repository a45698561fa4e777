// Choosing the demuxer of an internet stream. The server's content type
// is trusted; only a full parse of the first bytes overrides it: two
// consecutive, consistent frame headers of the other format. A two-byte
// pattern proves nothing: every ADTS header and any AAC payload may hold
// an MP3 frame sync.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace audio::detail {

// Length of the MPEG audio frame whose header starts at `p` (at least 4
// bytes), or 0 when it is not a valid header. `key` gets the fields a
// following frame of the same stream shares (version, layer, rate).
size_t Mp3FrameLength(const unsigned char* p, unsigned* key = nullptr);
// The same for an ADTS (AAC) frame header (at least 7 bytes).
size_t AdtsFrameLength(const unsigned char* p, unsigned* key = nullptr);

// Whether two consecutive consistent frames of the format ("mp3" or
// "aac") start at `offset` of `head`.
bool TwoFramesAt(std::string_view head, size_t offset, const std::string& format);

// The demuxer name for a content type ("mp3", "aac", "ogg", ...; empty:
// let libavformat probe), corrected by the first bytes as described above.
std::string FormatFor(const std::string& contentType, std::string_view head);

}  // namespace audio::detail
