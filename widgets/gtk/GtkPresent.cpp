#include "widgets/gtk/GtkPresent.h"

#include "widgets/paint/PixelOver.h"

// X11 after GDK; its macros are not used past this point.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cstring>

namespace widgets {

namespace {

// Rows of at most this many pixels are laid over the backdrop at a time.
constexpr size_t kBandPixels = 16384;

int ByteOrder() {
  const std::uint32_t one = 1;
  std::uint8_t first = 0;
  std::memcpy(&first, &one, 1);
  return first ? LSBFirst : MSBFirst;
}

}  // namespace

TXPresenter::~TXPresenter() { Release(); }

void TXPresenter::Release() {
  if (FGc && FDisplay) XFreeGC(static_cast<Display*>(FDisplay), static_cast<GC>(FGc));
  FGc = nullptr;
  FDisplay = nullptr;
  FDepth = 0;
}

void TXPresenter::OverBackdrop(const std::uint32_t* from, std::uint32_t* to, int count, std::uint32_t backdrop) {
  OverColourRow(from, to, count, backdrop);
}

bool TXPresenter::Put(GdkWindow* window, const std::uint8_t* pixels, int stride, bool overBackdrop,
                      std::uint32_t backdrop, const std::vector<TRect>& rects) {
  if (!window || !pixels || !GDK_IS_X11_WINDOW(window)) return false;
  GdkVisual* visual = gdk_window_get_visual(window);
  const int depth = visual ? gdk_visual_get_depth(visual) : 0;
  if (depth != 24 && depth != 32) return false;
  Display* display = GDK_WINDOW_XDISPLAY(window);
  const ::Window xid = GDK_WINDOW_XID(window);
  if (display != FDisplay || depth != FDepth) {
    Release();
    FGc = XCreateGC(display, xid, 0, nullptr);
    if (!FGc) return false;
    FDisplay = display;
    FDepth = depth;
  }
  Visual* xvisual = gdk_x11_visual_get_xvisual(visual);
  XImage image{};
  image.format = ZPixmap;
  image.byte_order = ByteOrder();
  image.bitmap_unit = 32;
  image.bitmap_bit_order = image.byte_order;
  image.bitmap_pad = 32;
  image.depth = depth;
  image.bits_per_pixel = 32;
  image.red_mask = xvisual->red_mask;
  image.green_mask = xvisual->green_mask;
  image.blue_mask = xvisual->blue_mask;
  GC gc = static_cast<GC>(FGc);
  for (const TRect& r : rects) {
    const int width = r.Width(), height = r.Height();
    if (width <= 0 || height <= 0) continue;
    if (!overBackdrop) {
      // The premultiplied pixels are what an ARGB visual shows.
      image.width = r.Right;
      image.height = r.Bottom;
      image.bytes_per_line = stride;
      image.data = reinterpret_cast<char*>(const_cast<std::uint8_t*>(pixels));
      if (!XInitImage(&image)) return false;
      XPutImage(display, xid, gc, &image, r.Left, r.Top, r.Left, r.Top, static_cast<unsigned>(width),
                static_cast<unsigned>(height));
      continue;
    }
    const int rows = std::max(1, static_cast<int>(kBandPixels / static_cast<size_t>(width)));
    FBand.resize(static_cast<size_t>(width) * static_cast<size_t>(std::min(rows, height)));
    for (int top = r.Top; top < r.Bottom; top += rows) {
      const int band = std::min(rows, r.Bottom - top);
      for (int y = 0; y < band; ++y)
        OverBackdrop(reinterpret_cast<const std::uint32_t*>(pixels + static_cast<size_t>(top + y) * stride) + r.Left,
                     FBand.data() + static_cast<size_t>(y) * width, width, backdrop);
      image.width = width;
      image.height = band;
      image.bytes_per_line = width * 4;
      image.data = reinterpret_cast<char*>(FBand.data());
      if (!XInitImage(&image)) return false;
      XPutImage(display, xid, gc, &image, 0, 0, r.Left, top, static_cast<unsigned>(width),
                static_cast<unsigned>(band));
    }
  }
  // A band of a whole window is not kept between frames.
  if (FBand.size() > 4096) std::vector<std::uint32_t>().swap(FBand);
  XFlush(display);
  return true;
}

}  // namespace widgets
