#include "ui/listbox/ListBoxInput.h"

#include "core/Messages.h"
#include "ui/listbox/PlayListBoxEx.h"

namespace ui {

std::optional<int> ListKeyDelta(unsigned key, int pageRows) {
  switch (key) {
    case widgets::VK_UP: return -1;
    case widgets::VK_DOWN: return 1;
    case widgets::VK_PRIOR: return -pageRows;
    case widgets::VK_NEXT: return pageRows;
    case widgets::VK_HOME: return -kListEdgeDelta;
    case widgets::VK_END: return kListEdgeDelta;
    default: return std::nullopt;
  }
}

bool NavigateListBox(TPlayListBoxEx& box, unsigned key, bool moveEntry) {
  const std::optional<int> delta = ListKeyDelta(key, box.VisibleRows());
  if (!delta) return false;
  if (moveEntry)
    box.MoveSelectedItem(*delta);
  else
    box.MoveSelection(*delta);
  return true;
}

void ScrollListBoxByWheel(TPlayListBoxEx& box, int wheelDelta) { box.ScrollBy(wheelDelta / kWheelUnitsPerRow); }

}  // namespace ui
