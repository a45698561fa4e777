// Regions from a picture's alpha: every horizontal run of pixels whose
// alpha is not 0 becomes a one-pixel-high rectangle. Buttons take their
// click area from it, and a window without a compositor its outline.
#pragma once

#include "widgets/paint/BitmapEx.h"

#include <cairo.h>

namespace widgets {

// A new region (the caller destroys it); an empty bitmap gives an empty
// region.
cairo_region_t* AlphaRegion(const TBitmapEx& bitmap);

}  // namespace widgets
