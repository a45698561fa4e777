// The second contact sheet: the player window's own controls in their
// states (marquee, volume control, throbber, glowing buttons, search edit,
// banner panel, spectrum, station list box), drawn offscreen by the
// controls themselves. For review only.
#pragma once

#include "widgets/paint/BitmapEx.h"

#include <memory>

namespace qorskin {

std::unique_ptr<widgets::TBitmapEx> RenderPlayerControlsSheet();

}  // namespace qorskin
