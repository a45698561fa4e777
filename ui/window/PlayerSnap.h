// Snapping of the player window while it is dragged: to the other player
// windows (of this program and of every other running copy) and to the
// edges of the work area.
#pragma once

#include <vector>

#include "widgets/Core.h"

namespace ui {

// How close, in pixels either way, an edge must come to snap.
inline constexpr int SnapDistance = 7;

// Where the window of width x height, proposed at `at`, comes to rest.
// The player's painted part begins 44 pixels below the window's top and
// is 104 pixels high, so those are the lines that meet other windows'
// edges and the bottom of the work area. `others` are the rectangles of
// the other visible player windows.
widgets::TPoint SnapPosition(widgets::TPoint at, int width, int height, const std::vector<widgets::TRect>& others,
                             const widgets::TRect& work);

// Marks the native window (a GtkWidget*) as a player window, so that other
// running copies find it.
void MarkPlayerWindow(void* widget);

// Screen rectangles of the visible player windows that other processes
// show on this X display; empty without one.
std::vector<widgets::TRect> OtherPlayerWindows();

}  // namespace ui
