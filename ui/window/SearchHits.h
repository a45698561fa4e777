// Counting the hits of a search bar again after its list changed under it.
#pragma once

namespace ui {

struct TSearchBar;

// Searches the bar's list again for the text typed (nothing while the
// placeholder shows or the text is empty): counter, arrows and the icon's
// tint follow the new hits; the hit shown stays where it was, within them,
// and the selection is not moved. Returns the number of hits.
int RecountHits(TSearchBar& bar);

}  // namespace ui
