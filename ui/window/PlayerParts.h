// The kinds of control the player window is made of, named once.
#pragma once

#include "ui/controls/AnimatedButtonEx.h"
#include "ui/controls/Grips.h"
#include "ui/controls/MarqueeLabelEx.h"
#include "ui/controls/ThrobberEx.h"
#include "ui/controls/Visualization.h"
#include "ui/controls/VolumeControl.h"
#include "ui/listbox/PlayListBoxEx.h"
#include "ui/listbox/PlayListContent.h"

namespace ui {

using TPlayerButton = TAnimatedButtonEx;
using TPlayerMarquee = TMarqueeLabelEx;
using TPlayerThrobber = TThrobberEx;
using TPlayerVolume = TVolumeControl;
using TPlayerVisualization = TVisualization;
using TPlayListBox = TPlayListBoxEx;
using TFavouritesBox = TPlayListBoxEx;
using TDatabaseBox = TPlayListBoxEx;

}  // namespace ui
