// Putting a painted window's changed rectangles straight onto its X window.
//
// GDK's drawing frame (gdk_window_begin_draw_frame) makes a server-side
// pixmap of the region for every frame, paints into it through cairo (an
// upload), composites it onto the window and frees it: three requests, a
// cairo context and a surface each time, for the few pixels a frame of the
// player changes. This puts each rectangle with one XPutImage from the
// picture itself.
#pragma once

#include <gdk/gdk.h>

#include <cstdint>
#include <vector>

#include "widgets/Core.h"

namespace widgets {

class TXPresenter {
public:
  TXPresenter() = default;
  ~TXPresenter();
  TXPresenter(const TXPresenter&) = delete;
  TXPresenter& operator=(const TXPresenter&) = delete;

  // Puts `rects` (inside the picture) of the premultiplied ARGB picture on
  // `window` at the same place. `overBackdrop`: the window shows no alpha
  // (no compositor), so the picture is laid over `backdrop` (0xRRGGBB)
  // first, as the window's draw handler paints it. False, drawing nothing,
  // when the window is not an X window of 24 or 32 bits depth.
  bool Put(GdkWindow* window, const std::uint8_t* pixels, int stride, bool overBackdrop, std::uint32_t backdrop,
           const std::vector<TRect>& rects);

  // The picture laid over an opaque backdrop, one row of pixels, as cairo
  // paints an ARGB32 surface over a solid colour (exposed for the tests).
  static void OverBackdrop(const std::uint32_t* from, std::uint32_t* to, int count, std::uint32_t backdrop);

private:
  // Forgets the graphics context (another display or depth).
  void Release();

  void* FDisplay = nullptr;  // Display*
  void* FGc = nullptr;       // GC
  int FDepth = 0;
  // Rows laid over the backdrop, put a band at a time.
  std::vector<std::uint32_t> FBand;
};

}  // namespace widgets
