#include "widgets/paint/AlphaRegion.h"

#include <vector>

namespace widgets {

cairo_region_t* AlphaRegion(const TBitmapEx& bitmap) {
  std::vector<cairo_rectangle_int_t> runs;
  if (bitmap.Format() != CAIRO_FORMAT_ARGB32) {
    cairo_rectangle_int_t whole{0, 0, bitmap.Width(), bitmap.Height()};
    return cairo_region_create_rectangle(&whole);
  }
  bitmap.Flush();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(bitmap.Bits() + y * bitmap.Stride());
    int start = -1;
    for (int x = 0; x <= bitmap.Width(); ++x) {
      bool opaque = x < bitmap.Width() && (row[x] >> 24) != 0;
      if (opaque && start < 0) start = x;
      if (!opaque && start >= 0) {
        runs.push_back({start, y, x - start, 1});
        start = -1;
      }
    }
  }
  return cairo_region_create_rectangles(runs.data(), int(runs.size()));
}

}  // namespace widgets
