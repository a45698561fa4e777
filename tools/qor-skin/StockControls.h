#pragma once

#include "tools/qor-skin/SheetLayout.h"

namespace qorskin {

// Buttons in every state, labels with and without shadow, tinted images.
void DrawStockControls(TSheet& sheet);

}  // namespace qorskin
