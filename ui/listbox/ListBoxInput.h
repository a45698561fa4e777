// How the player window drives a station list box from the keyboard and
// the mouse wheel. Kept beside the box so that every owner moves and
// scrolls it by the same rules.
#pragma once

#include <optional>

namespace ui {

class TPlayListBoxEx;

// Home and End move by this many rows and rely on the clamping.
constexpr int kListEdgeDelta = 0x3FFFFFFF;
// Wheel units per row: a notch of 120 scrolls 4 rows.
constexpr int kWheelUnitsPerRow = 30;

// The rows that Up, Down, Page Up, Page Down, Home and End move by (pages
// are pageRows long); nothing for any other key.
std::optional<int> ListKeyDelta(unsigned key, int pageRows);

// Moves the selection by the key's delta (with moveEntry the selected entry
// travels along, as Ctrl does in the favourites). False for keys that do
// not navigate.
bool NavigateListBox(TPlayListBoxEx& box, unsigned key, bool moveEntry = false);

// One wheel turn of wheelDelta units.
void ScrollListBoxByWheel(TPlayListBoxEx& box, int wheelDelta);

}  // namespace ui
