// A filled list box in every look at once, for the contact sheet of the
// player's controls and for the tests that check those looks: 25 stations
// scrolled to row 10, entry 11 ticked, 12 selected, 13 playing and 14 a
// local file.
#pragma once

namespace ui {

class TPlayListBoxEx;

constexpr int kSampleTicked = 11, kSampleSelected = 12, kSamplePlaying = 13, kSampleLocalFile = 14;

// Replaces the box's entries with the sample and sets its view.
void FillListBoxSample(TPlayListBoxEx& box);

}  // namespace ui
