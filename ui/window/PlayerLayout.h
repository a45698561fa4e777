// The geometry rules of the player window: heights that follow the row
// count and the banner band, the size grip's row rule, the placement inside
// the work area, the volume step and which favourite plays next.
#pragma once

#include "widgets/Core.h"

namespace ui {

inline constexpr int PlayerWidth = 320;
inline constexpr int PlayerInitialHeight = 104;
inline constexpr int RowHeight = 15;
inline constexpr int MinRows = 13;
inline constexpr int ListPanelWidth = 290;
inline constexpr int ListPanelTop = 75;
inline constexpr int BannerBandStep = 15;
inline constexpr int BannerBandMax = 105;
// A stored "left" of this value centres the window horizontally.
inline constexpr int CentreLeft = 65535;

// The full window height for R rows and banner band B.
constexpr int FullHeight(int rows, int band) { return rows * RowHeight + band + 112; }
constexpr int ListPanelHeight(int rows, int band) { return rows * RowHeight + band + 38; }
// Two pixels below the band, so that the first row does not slip under the
// player's bar; the last row then ends where the bottom bar begins.
constexpr int ListTop(int band) { return band + 2; }
constexpr int SideBarTop(int band) { return band + 5; }
constexpr int BottomBarTop(int contentHeight) { return contentHeight - 36; }
constexpr int GripTop(int windowHeight) { return windowHeight - 14; }
// Where the grip sits after a resize to R rows.
constexpr int GripTopFor(int rows, int band) { return band + rows * RowHeight + 98; }
// The notice panel's top: under the display, and below the banner band
// while the open list panel shows it, so that the notice never lies over
// the band's close button.
constexpr int NoticeTop(int band, bool listOpen) { return ListPanelTop + (listOpen ? band : 0); }

// The stored "howmany", raised to the smallest row count.
constexpr int RowsFromOption(int howMany) { return howMany < MinRows ? MinRows : howMany; }

// The row count while the grip is dragged: `gripTop` is the grip's top at
// the press, `dy` how far the pointer moved since; never fewer than 13.
int GripRows(int gripTop, int dy, int band);

// The window's place at start: "left" 65535 centres it on the desktop.
widgets::TPoint StartPosition(int left, int top, int desktopWidth);

// Keeps at least part of the window inside the work area.
widgets::TPoint PlaceInWorkArea(widgets::TPoint at, int width, int height, const widgets::TRect& work);

// One volume step in the wheel's or key's direction: fine steps near
// silence, coarse ones above; clamped to 0..100.
int VolumeStep(int volume, int direction);

// The favourite that plays when a local file ends, or -1: only a local
// file that is not the last one advances, and only when the option is on
// and the entry had been playing.
int PlayNextIndex(int playing, int count, bool localFile, bool playNext, bool wasPlaying);

}  // namespace ui
