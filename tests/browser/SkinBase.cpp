// The controls here draw the program's skin: the toolkit is told where its
// pictures lie before anything loads one.
#include "widgets/Identity.h"

namespace {
const bool kSkinBaseSet = (widgets::SetResourceBase(QOR_SKIN_RESOURCE_BASE), true);
}  // namespace
