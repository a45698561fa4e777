// TDamageEx: the part of a picture that changed since it was last shown,
// as a set of rectangles in the picture's own pixels. A control collects
// what its own drawing, its children and their moves changed; its parent
// composes just those rectangles again, and the window presents only them.
#pragma once

#include "widgets/Core.h"
#include "widgets/paint/BitmapEx.h"

#include <cairo.h>

#include <vector>

namespace widgets {

class TDamageEx {
public:
  TDamageEx();
  ~TDamageEx();
  TDamageEx(const TDamageEx&) = delete;
  TDamageEx& operator=(const TDamageEx&) = delete;

  bool Empty() const;
  void Clear();
  // Rectangles without width or height add nothing.
  void Add(const TRect& rect);
  // `other` moved by (dx, dy), only the part inside `clip`.
  void Add(const TDamageEx& other, int dx, int dy, const TRect& clip);
  // Keeps only the part inside `rect`.
  void Intersect(const TRect& rect);
  // Whether any of it lies in `rect`.
  bool Touches(const TRect& rect) const;
  TRect Bounds() const;
  std::vector<TRect> Rects() const;
  // The same into `rects` (its old contents are replaced): a frame's
  // composition reuses one list instead of allocating one per control.
  void RectsInto(std::vector<TRect>& rects) const;
  // Limits drawing on `cr` to the damage (with the context's clip so far).
  void ClipTo(cairo_t* cr) const;

private:
  cairo_region_t* FRegion;
};

// The smallest rectangle holding every pixel in which two pictures of the
// same size differ; empty when they are equal.
TRect ChangedRect(const TBitmapEx& before, const TBitmapEx& after);
// Copies the pixels of `rect` (inside both pictures) from `from` to `to`.
void CopyRect(const TBitmapEx& from, const TBitmapEx& to, const TRect& rect);
// Copies `from`, placed with its top-left corner at (x, y) of `to`, into
// `to` inside `rect` (pixels of `to`).
void CopyPlaced(const TBitmapEx& from, const TBitmapEx& to, int x, int y, const TRect& rect);
// Makes the pixels of `rect` (inside the picture) transparent.
void ClearRect(const TBitmapEx& picture, const TRect& rect);
// Blends `from`, placed with its top-left corner at (x, y) of `to`, over
// `to` inside `rect` (pixels of `to`), with the very pixels cairo's OVER
// gives. Both must be ARGB32. A composition blends each child this way per
// damaged rectangle: a cairo paint (a clip, a pattern and a compositor per
// call) costs far more than the few pixels of a frame's damage.
void BlendOver(const TBitmapEx& from, const TBitmapEx& to, int x, int y, const TRect& rect);

}  // namespace widgets
