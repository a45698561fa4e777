// A contact sheet of the skin: every picture of the bundle at 1x (small
// ones also enlarged, to judge their pixels), the pieced panels assembled
// and tinted as the program shows them, and the stock controls in their
// states. For review only.
#pragma once

#include "widgets/paint/BitmapEx.h"

#include <memory>
#include <string>
#include <vector>

namespace qorskin {

// Ids of every skin picture of the bundle, in sheet order.
const std::vector<int>& SkinIds();

// Renders the sheet; missing pictures are listed in `missing`.
std::unique_ptr<widgets::TBitmapEx> RenderContactSheet(std::vector<int>& missing);

}  // namespace qorskin
