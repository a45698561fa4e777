// The tint rule shared by the player controls: a colour whose alpha is 255
// turns a copy of the picture grey and multiplies it by the colour; any
// other colour leaves the copy as it is and is remembered as 0.
#pragma once

#include "widgets/paint/BitmapEx.h"

#include <cstdint>
#include <memory>

namespace ui {

// The copy to draw; `stored` receives the colour the control keeps.
std::unique_ptr<widgets::TBitmapEx> TintedCopy(const widgets::TBitmapEx& image, std::uint32_t colour,
                                               std::uint32_t& stored);

// The player's accent colour (bars, glows, the expanded speaker).
constexpr std::uint32_t AccentColour = 0xFFEC701F;

}  // namespace ui
