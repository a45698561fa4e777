#include "ui/controls/Tinting.h"

namespace ui {

std::unique_ptr<widgets::TBitmapEx> TintedCopy(const widgets::TBitmapEx& image, std::uint32_t colour,
                                               std::uint32_t& stored) {
  auto copy = image.Clone();
  if ((colour >> 24) == 0xFF) {
    copy->Grayscale();
    copy->Tint(colour);
    stored = colour;
  } else {
    stored = 0;
  }
  return copy;
}

}  // namespace ui
