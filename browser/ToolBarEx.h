// TToolBarEx: the browser's strip of seven skinned buttons: back, forward,
// stop, refresh, home, station search and about. Back, forward and stop
// start disabled; the frame enables them from the page's history and busy
// state.
#pragma once

#include <array>
#include <functional>

#include "widgets/paint/ButtonEx.h"
#include "widgets/paint/ControlEx.h"

namespace browser {

enum TToolButton { tbBack = 0, tbForward, tbStop, tbRefresh, tbHome, tbFind, tbAbout, ToolButtonCount };

class TToolBarEx : public widgets::TControlEx {
 public:
  // Joins `parent` at once: the buttons need a parent chain to load.
  explicit TToolBarEx(widgets::TControl* parent);

  widgets::TButtonEx* Button(int index) const { return FButtons.at(static_cast<size_t>(index)); }
  void SetButtonEnabled(int index, bool enabled);
  // A click on an enabled button.
  std::function<void(int index)> OnButton;

 private:
  std::array<widgets::TButtonEx*, ToolButtonCount> FButtons{};
};

}  // namespace browser
