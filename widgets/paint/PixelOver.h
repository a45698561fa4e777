// One premultiplied ARGB pixel blended over another with the very rounding
// and saturation of pixman's OVER (which cairo paints with), two bytes at a
// time: the compositions and the window's backdrop blend the few pixels of
// a frame with it instead of setting up a cairo paint for each.
#pragma once

#include <cstdint>

namespace widgets {

std::uint32_t OverPixel(std::uint32_t s, std::uint32_t d);

}  // namespace widgets
