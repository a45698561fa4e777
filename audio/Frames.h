// Frame boundaries of MP3 and ADTS AAC byte streams, for callers that cut
// a stream (a raw recording starts at a frame, not in the middle of one).
#pragma once

#include <cstddef>
#include <string_view>

namespace audio {

// Offset of the first frame in `bytes` that is followed by a second,
// consistent frame header; npos when there is none (yet) in `bytes`.
std::size_t FirstFrameStart(std::string_view bytes, bool aac);

}  // namespace audio
