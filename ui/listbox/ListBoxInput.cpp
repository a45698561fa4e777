#include "ui/listbox/ListBoxInput.h"

#include "core/Messages.h"
#include "ui/listbox/PlayListBoxEx.h"

namespace ui {

std::optional<int> ListKeyDelta(unsigned key, int pageRows) {
  switch (key) {
    case core::VK_UP: return -1;
    case core::VK_DOWN: return 1;
    case core::VK_PRIOR: return -pageRows;
    case core::VK_NEXT: return pageRows;
    case core::VK_HOME: return -kListEdgeDelta;
    case core::VK_END: return kListEdgeDelta;
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
