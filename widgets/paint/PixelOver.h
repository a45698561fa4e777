// Premultiplied ARGB pixels blended over others with the very rounding and
// saturation of pixman's OVER (which cairo paints with): the compositions
// and the window's backdrop blend the few pixels of a frame with these
// instead of setting up a cairo paint for each.
#pragma once

#include <cstdint>

namespace widgets {

// One pixel, two bytes at a time.
std::uint32_t OverPixel(std::uint32_t s, std::uint32_t d);

// `count` pixels of `from` over those of `to`, four at a time where the
// processor has the vector instructions (every x86-64 has), as pixman does.
void OverRow(const std::uint32_t* from, std::uint32_t* to, int count);

// `count` pixels of `from` over an opaque colour (0xRRGGBB) into `to`.
void OverColourRow(const std::uint32_t* from, std::uint32_t* to, int count, std::uint32_t colour);

}  // namespace widgets
