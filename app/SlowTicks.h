// The grid of the slow housekeeping ticks: the controller's listener tick
// and widget hit and the player window's idle trim fall on whole multiples
// of it on the monotonic clock, so that a player left in the tray wakes
// once for all that are due instead of once for each.
#pragma once

#include "core/Messages.h"

namespace app {

inline constexpr core::UINT SlowTickGridMs = 15000;

}  // namespace app
