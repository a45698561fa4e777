#include "ui/controls/Visualization.h"

#include <algorithm>
#include <cmath>

using namespace core;
using namespace widgets;

namespace ui {

TVisualization::TVisualization(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TVisualization");
  SetBounds(0, 0, 165, 40);
  Canvas().SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
  Canvas().SetSmoothingMode(SmoothingModeNone);
}

TVisualization::~TVisualization() { DestroyHandle(); }

void TVisualization::SetSpectrum(const float* block, std::size_t count) {
  count = block ? std::min(count, SpectrumSize) : 0;
  std::copy(block, block + count, FSpectrum.begin());
  if (FFilled > count)
    std::fill(FSpectrum.begin() + static_cast<std::ptrdiff_t>(count),
              FSpectrum.begin() + static_cast<std::ptrdiff_t>(FFilled), 0.0f);
  FFilled = count;
}

std::size_t TVisualization::BinsShown() const {
  return std::min(SpectrumSize, FirstBin + static_cast<std::size_t>(std::clamp<int>(Width(), 0, MaxColumns)));
}

void TVisualization::DoPaint() {
  TControlEx::DoPaint();
  TCanvasEx& canvas = Canvas();
  canvas.Brush().SetColor(FBarColour);
  // An opaque bar on the cleared picture is its colour in every pixel:
  // written straight into the rows, as cairo would fill it, without a
  // fill per column on every frame.
  const TBitmapEx& picture = canvas.Bitmap();
  const bool direct = (FBarColour >> 24) == 0xFF && picture.Format() == CAIRO_FORMAT_ARGB32;
  if (direct) picture.Flush();
  const int height = Height();
  const int middle = height - height / 2;
  // Columns past the block have no value: they show silence.
  const int columns = std::min<int>(Width(), static_cast<int>(MaxColumns));
  for (int i = 0; i < columns; ++i) {
    const std::size_t bin = static_cast<std::size_t>(i) + FirstBin;
    float s = bin < SpectrumSize ? std::sqrt(std::fabs(FSpectrum[bin])) : 0.0f;
    if (!(s >= 0.0f)) s = 0.0f;  // a NaN from a broken decoder is silence
    // Capped before the conversion, so that a huge value cannot overflow it.
    const float scaled = std::min(static_cast<float>(height), static_cast<float>(height) * s * 2.0f);
    const int h = static_cast<int>(scaled);
    int& level = FLevels[static_cast<std::size_t>(i)];
    if (h >= level)
      level = h;
    else if (--level < 0)
      level = 0;
    const int x = (FBarWidth + 1) * i;
    if (x >= Width()) continue;  // drawn outside the control, never seen
    if (!direct) {
      canvas.FillRect(x, middle - level, x + FBarWidth, middle + level + 1);
      continue;
    }
    const int right = std::min(x + FBarWidth, picture.Width());
    const int bottom = std::min(middle + level + 1, picture.Height());
    for (int y = std::max(0, middle - level); y < bottom; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(picture.Bits() + static_cast<std::size_t>(y) * picture.Stride());
      std::fill(row + x, row + right, FBarColour);
    }
  }
  if (direct) picture.MarkDirty();
}

}  // namespace ui
