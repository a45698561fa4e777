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
  // The picture stays from paint to paint: a paint changes only the
  // columns whose bar moved.
  SetCached(true);
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

void TVisualization::SetBarWidth(int value) {
  value = std::max(1, value);
  if (value == FBarWidth) return;
  FBarWidth = value;
  SetRedraw(true);
}

void TVisualization::SetBarColour(std::uint32_t value) {
  if (value == FBarColour) return;
  FBarColour = value;
  SetRedraw(true);
}

bool TVisualization::Direct() const {
  // An opaque bar on the cleared picture is its colour in every pixel:
  // written straight into the rows, as cairo would fill it, without a
  // fill per column on every frame.
  return (FBarColour >> 24) == 0xFF && Canvas().Bitmap().Format() == CAIRO_FORMAT_ARGB32;
}

void TVisualization::Paint() {
  // Unseen, the bars stand still: the window paints them when it shows.
  if (!ComposedByParent() && PaintHeld()) return;
  if (HandleAllocated() && !Painting() && !Locked() && Cached() && !Redraw()) {
    // A translucent colour is blended by cairo: drawn whole again.
    if (Direct())
      Step(&Canvas().Bitmap());
    else
      SetRedraw(true);
  }
  TControlEx::Paint();
}

void TVisualization::Step(const TBitmapEx* picture) {
  if (picture) picture->Flush();
  const int height = Height();
  const int middle = height - height / 2;
  // Columns past the block have no value: they show silence.
  const int columns = std::min<int>(Width(), static_cast<int>(MaxColumns));
  TRect changed{};
  for (int i = 0; i < columns; ++i) {
    const std::size_t bin = static_cast<std::size_t>(i) + FirstBin;
    float s = bin < SpectrumSize ? std::sqrt(std::fabs(FSpectrum[bin])) : 0.0f;
    if (!(s >= 0.0f)) s = 0.0f;  // a NaN from a broken decoder is silence
    // Capped before the conversion, so that a huge value cannot overflow it.
    const float scaled = std::min(static_cast<float>(height), static_cast<float>(height) * s * 2.0f);
    const int h = static_cast<int>(scaled);
    int& level = FLevels[static_cast<std::size_t>(i)];
    const int before = level;
    if (h >= level)
      level = h;
    else if (--level < 0)
      level = 0;
    if (!picture || level == before) continue;
    const int x = (FBarWidth + 1) * i;
    if (x >= picture->Width()) continue;  // drawn outside the control, never seen
    // The rows between the two bars' ends, above and below the middle:
    // the bar's colour within the new level, transparent beyond it.
    const int low = std::min(level, before), reach = std::max(level, before);
    const int right = std::min(x + FBarWidth, picture->Width()), rows = picture->Height();
    const int bands[2][2] = {{std::max(0, middle - reach), std::min(rows, middle - low)},
                             {std::max(0, middle + low + 1), std::min(rows, middle + reach + 1)}};
    for (const auto& band : bands) {
      if (band[0] >= band[1]) continue;
      for (int y = band[0]; y < band[1]; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(picture->Bits() + static_cast<std::size_t>(y) * picture->Stride());
        const bool bar = y >= middle - level && y <= middle + level;
        std::fill(row + x, row + right, bar ? FBarColour : 0u);
      }
      const TRect r{x, band[0], right, band[1]};
      changed = changed.Width() <= 0 ? r
                                     : TRect{std::min(changed.Left, r.Left), std::min(changed.Top, r.Top),
                                             std::max(changed.Right, r.Right), std::max(changed.Bottom, r.Bottom)};
    }
  }
  if (!picture) return;
  picture->MarkDirty();
  PendingDamage().Add(changed);
}

void TVisualization::DoPaint() {
  TControlEx::DoPaint();
  Step(nullptr);
  TCanvasEx& canvas = Canvas();
  canvas.Brush().SetColor(FBarColour);
  const TBitmapEx& picture = canvas.Bitmap();
  const bool direct = Direct();
  if (direct) picture.Flush();
  const int height = Height();
  const int middle = height - height / 2;
  const int columns = std::min<int>(Width(), static_cast<int>(MaxColumns));
  for (int i = 0; i < columns; ++i) {
    const int level = FLevels[static_cast<std::size_t>(i)];
    const int x = (FBarWidth + 1) * i;
    if (x >= Width()) break;  // drawn outside the control, never seen
    if (!direct) {
      canvas.FillRect(x, middle - level, x + FBarWidth, middle + level + 1);
      continue;
    }
    const int right = std::min(x + FBarWidth, picture.Width());
    const int bottom = std::min(middle + level + 1, picture.Height());
    for (int y = std::max(0, middle - level); y < bottom; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(picture.Bits() + static_cast<size_t>(y) * picture.Stride());
      std::fill(row + x, row + right, FBarColour);
    }
  }
  if (direct) picture.MarkDirty();
}

}  // namespace ui
