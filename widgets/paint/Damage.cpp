#include "widgets/paint/Damage.h"
#include "widgets/paint/PixelOver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace widgets {

namespace {

cairo_rectangle_int_t ToCairo(const TRect& r) { return {r.Left, r.Top, r.Width(), r.Height()}; }

}  // namespace

TDamageEx::TDamageEx() : FRegion(cairo_region_create()) {}

TDamageEx::~TDamageEx() { cairo_region_destroy(FRegion); }

bool TDamageEx::Empty() const { return cairo_region_is_empty(FRegion); }

void TDamageEx::Clear() {
  if (cairo_region_is_empty(FRegion)) return;
  // Emptied in place: every control clears its damage on every frame, and
  // a new region each time costs an allocation.
  const cairo_rectangle_int_t none{0, 0, 0, 0};
  cairo_region_intersect_rectangle(FRegion, &none);
}

void TDamageEx::Add(const TRect& rect) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  const cairo_rectangle_int_t r = ToCairo(rect);
  cairo_region_union_rectangle(FRegion, &r);
}

void TDamageEx::Add(const TDamageEx& other, int dx, int dy, const TRect& clip) {
  if (other.Empty() || clip.Width() <= 0 || clip.Height() <= 0) return;
  // Rectangle by rectangle rather than through a moved copy of the region,
  // which would be allocated for every child with damage on every frame.
  const int n = cairo_region_num_rectangles(other.FRegion);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(other.FRegion, i, &r);
    Add(TRect{std::max(r.x + dx, clip.Left), std::max(r.y + dy, clip.Top), std::min(r.x + r.width + dx, clip.Right),
              std::min(r.y + r.height + dy, clip.Bottom)});
  }
}

void TDamageEx::Intersect(const TRect& rect) {
  const cairo_rectangle_int_t r = ToCairo(rect);
  if (r.width <= 0 || r.height <= 0) {
    Clear();
    return;
  }
  cairo_region_intersect_rectangle(FRegion, &r);
}

bool TDamageEx::Touches(const TRect& rect) const {
  if (rect.Width() <= 0 || rect.Height() <= 0) return false;
  const cairo_rectangle_int_t r = ToCairo(rect);
  return cairo_region_contains_rectangle(FRegion, &r) != CAIRO_REGION_OVERLAP_OUT;
}

TRect TDamageEx::Bounds() const {
  cairo_rectangle_int_t r;
  cairo_region_get_extents(FRegion, &r);
  return {r.x, r.y, r.x + r.width, r.y + r.height};
}

std::vector<TRect> TDamageEx::Rects() const {
  std::vector<TRect> rects;
  RectsInto(rects);
  return rects;
}

void TDamageEx::RectsInto(std::vector<TRect>& rects) const {
  rects.clear();
  const int n = cairo_region_num_rectangles(FRegion);
  rects.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(FRegion, i, &r);
    rects.push_back({r.x, r.y, r.x + r.width, r.y + r.height});
  }
}

void TDamageEx::ClipTo(cairo_t* cr) const {
  const int n = cairo_region_num_rectangles(FRegion);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(FRegion, i, &r);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
  }
  cairo_clip(cr);
}

}  // namespace widgets

namespace widgets {

TRect ChangedRect(const TBitmapEx& before, const TBitmapEx& after) {
  before.Flush();
  after.Flush();
  const int width = std::min(before.Width(), after.Width());
  const int height = std::min(before.Height(), after.Height());
  const auto row = [](const TBitmapEx& b, int y) {
    return reinterpret_cast<const std::uint32_t*>(b.Bits() + static_cast<size_t>(y) * b.Stride());
  };
  const size_t bytes = static_cast<size_t>(width) * 4;
  int top = 0;
  while (top < height && std::memcmp(row(before, top), row(after, top), bytes) == 0) ++top;
  if (top == height) return {};
  int bottom = height;
  while (bottom > top && std::memcmp(row(before, bottom - 1), row(after, bottom - 1), bytes) == 0) --bottom;
  int left = width, right = 0;
  for (int y = top; y < bottom; ++y) {
    const std::uint32_t* a = row(before, y);
    const std::uint32_t* b = row(after, y);
    int x = 0;
    while (x < left && a[x] == b[x]) ++x;
    left = std::min(left, x);
    int end = width;
    while (end > right && a[end - 1] == b[end - 1]) --end;
    right = std::max(right, end);
  }
  return {left, top, right, bottom};
}

namespace {

// `rect` limited to a picture of width x height.
TRect Inside(const TRect& rect, int width, int height) {
  return {std::max(0, rect.Left), std::max(0, rect.Top), std::min(rect.Right, width), std::min(rect.Bottom, height)};
}

}  // namespace

void ClearRect(const TBitmapEx& picture, const TRect& rect) {
  const TRect r = Inside(rect, picture.Width(), picture.Height());
  if (r.Width() <= 0 || r.Height() <= 0) return;
  picture.Flush();
  for (int y = r.Top; y < r.Bottom; ++y)
    std::memset(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + static_cast<size_t>(r.Left) * 4, 0,
                static_cast<size_t>(r.Width()) * 4);
  picture.MarkDirty();
}

namespace {

// The part of `rect` that lies both inside `to` and under `from` placed at
// (x, y); both pictures are flushed for direct access when it is not empty.
TRect PlacedPart(const TBitmapEx& from, const TBitmapEx& to, int x, int y, const TRect& rect) {
  TRect r = Inside(rect, to.Width(), to.Height());
  r = {std::max(r.Left, x), std::max(r.Top, y), std::min(r.Right, x + from.Width()),
       std::min(r.Bottom, y + from.Height())};
  if (r.Width() <= 0 || r.Height() <= 0) return {};
  from.Flush();
  to.Flush();
  return r;
}

}  // namespace

void BlendOver(const TBitmapEx& from, const TBitmapEx& to, int x, int y, const TRect& rect) {
  const TRect r = PlacedPart(from, to, x, y, rect);
  if (r.Width() <= 0 || r.Height() <= 0) return;
  for (int row = r.Top; row < r.Bottom; ++row)
    OverRow(reinterpret_cast<const std::uint32_t*>(from.Bits() + static_cast<size_t>(row - y) * from.Stride()) +
                (r.Left - x),
            reinterpret_cast<std::uint32_t*>(to.Bits() + static_cast<size_t>(row) * to.Stride()) + r.Left, r.Width());
  to.MarkDirty();
}

void CopyPlaced(const TBitmapEx& from, const TBitmapEx& to, int x, int y, const TRect& rect) {
  const TRect r = PlacedPart(from, to, x, y, rect);
  if (r.Width() <= 0 || r.Height() <= 0) return;
  for (int row = r.Top; row < r.Bottom; ++row)
    std::memcpy(to.Bits() + static_cast<size_t>(row) * to.Stride() + static_cast<size_t>(r.Left) * 4,
                from.Bits() + static_cast<size_t>(row - y) * from.Stride() + static_cast<size_t>(r.Left - x) * 4,
                static_cast<size_t>(r.Width()) * 4);
  to.MarkDirty();
}

void CopyRect(const TBitmapEx& from, const TBitmapEx& to, const TRect& rect) {
  const int left = std::max(0, rect.Left), top = std::max(0, rect.Top);
  const int right = std::min({rect.Right, from.Width(), to.Width()});
  const int bottom = std::min({rect.Bottom, from.Height(), to.Height()});
  if (right <= left || bottom <= top) return;
  from.Flush();
  to.Flush();
  for (int y = top; y < bottom; ++y)
    std::memcpy(to.Bits() + static_cast<size_t>(y) * to.Stride() + static_cast<size_t>(left) * 4,
                from.Bits() + static_cast<size_t>(y) * from.Stride() + static_cast<size_t>(left) * 4,
                static_cast<size_t>(right - left) * 4);
  to.MarkDirty();
}

}  // namespace widgets
