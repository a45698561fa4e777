#include "ui/controls/MarqueeLabelEx.h"
#include "widgets/paint/PixelOver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace core;
using namespace widgets;

namespace ui {

namespace {

constexpr std::uintptr_t kSlideTimer = 1;
// Wider captions are drawn straight onto the picture on every step: cairo
// cannot hold a surface wider than 32767 pixels, and a title this long is
// not worth a strip of its own.
constexpr int kWidestStrip = 16384;

TRect Intersection(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return {};
  return r;
}

bool IsEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

void AddStop(cairo_pattern_t* pattern, double at, std::uint32_t colour) {
  cairo_pattern_add_color_stop_rgba(pattern, at, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                                    (colour & 0xFF) / 255.0, (colour >> 24) / 255.0);
}

// New colours make new patterns: cairo cannot change a stop in place.
void SetStops(cairo_pattern_t* pattern, std::uint32_t from, std::uint32_t to) {
  AddStop(pattern, 0.0, from);
  AddStop(pattern, 1.0, to);
}

}  // namespace

TMarqueeLabelEx::TMarqueeLabelEx(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TMarqueeLabelEx");
  // Drawn again in full only when the strip or the fades change; a slide
  // step redraws the text's band itself (Paint).
  SetCached(true);
}

TMarqueeLabelEx::~TMarqueeLabelEx() {
  DestroyHandle();
  FreeFades();
}

void TMarqueeLabelEx::Reset(int offset) {
  FStep = -1;
  FStartTick = TickCount();
  FStarted = false;
  FOffset = offset;
  FOverflowing = false;
}

void TMarqueeLabelEx::SetEdgeColour(std::uint32_t colour) {
  FEdgeColour = colour;
  ColourFades();
}

void TMarqueeLabelEx::SetInnerColour(std::uint32_t colour) {
  FInnerColour = colour;
  ColourFades();
}

void TMarqueeLabelEx::SetFadeWidth(int pixels) {
  FSuspended = true;
  FreeFades();
  FFadeWidth = pixels;
  if (HandleAllocated()) BuildFades();
  FSuspended = false;
}

void TMarqueeLabelEx::FreeFades() {
  FLeftFade = {};
  FRightFade = {};
  FFadesBuilt = false;
}

void TMarqueeLabelEx::BuildFades() {
  FreeFades();
  const int w = ClientWidth(), h = ClientHeight();
  FLeftRect = {-1, 0, -1 + FFadeWidth, h};
  FRightRect = {w - FFadeWidth + 1, 0, w + 2, h};
  const TRect inside{0, 0, w, h};
  auto build = [&](TFade& fade, const TRect& rect, std::uint32_t from, std::uint32_t to) {
    fade.Rect = Intersection(rect, inside);
    if (IsEmpty(fade.Rect)) return;
    TBitmapEx picture(w, h);
    cairo_t* cr = cairo_create(picture.Surface());
    cairo_pattern_t* brush = cairo_pattern_create_linear(rect.Left, 0, rect.Right, 0);
    SetStops(brush, from, to);
    cairo_rectangle(cr, rect.Left, rect.Top, rect.Width(), rect.Height());
    cairo_set_source(cr, brush);
    cairo_fill(cr);
    cairo_pattern_destroy(brush);
    cairo_destroy(cr);
    picture.Flush();
    fade.Pixels.reserve(static_cast<size_t>(fade.Rect.Width()) * static_cast<size_t>(fade.Rect.Height()));
    for (int y = fade.Rect.Top; y < fade.Rect.Bottom; ++y)
      for (int x = fade.Rect.Left; x < fade.Rect.Right; ++x) fade.Pixels.push_back(picture.Pixel(x, y));
  };
  build(FLeftFade, FLeftRect, FEdgeColour, FInnerColour);
  build(FRightFade, FRightRect, FInnerColour, FEdgeColour);
  FFadesBuilt = true;
  SetRedraw(true);
}

void TMarqueeLabelEx::ColourFades() {
  if (FFadesBuilt) BuildFades();
}

void TMarqueeLabelEx::CreateHandle() {
  TControlEx::CreateHandle();
  BuildFades();
  FSliding = false;
  Resume();
}

void TMarqueeLabelEx::SetOwnerClocked(bool value) {
  FOwnerClocked = value;
  if (value && FSliding) KillTimer(WindowHandle(), kSlideTimer);
  if (value) FSliding = false;
  if (!value) Resume();
}

void TMarqueeLabelEx::Resume() {
  if (FSliding || FOwnerClocked || !HandleAllocated()) return;
  FSliding = SetTimer(WindowHandle(), kSlideTimer, TickInterval) != 0;
}

void TMarqueeLabelEx::DestroyWindowHandle() {
  FreeFades();
  if (HandleAllocated()) KillTimer(WindowHandle(), kSlideTimer);
  FSliding = false;
  TControlEx::DestroyWindowHandle();
}

void TMarqueeLabelEx::WMSize(TMessage& m) {
  TControlEx::WMSize(m);
  // The fades sit at the edges, so they follow the size.
  if (FFadesBuilt) BuildFades();
}

void TMarqueeLabelEx::WndProc(TMessage& message) {
  if (message.Msg == WM_TIMER) {
    Tick();
    return;
  }
  if (message.Msg == WM_SHOWWINDOW && message.WParam) Resume();
  TControlEx::WndProc(message);
}

void TMarqueeLabelEx::Tick() {
  if (!FStarted && static_cast<DWORD>(TickCount() - FStartTick) > static_cast<DWORD>(FStartDelay))
    FStarted = true;
  if (!FStarted) return;
  if (!FScrollEnabled) {
    FOffset = 0;
    FOverflowing = false;
    return;
  }
  if (!HandleAllocated() || !IsWindowVisible(WindowHandle())) {
    // Nothing moves unseen: the timer waits for Resume or for the label to
    // be shown again.
    if (FSliding) KillTimer(WindowHandle(), kSlideTimer);
    FSliding = false;
    return;
  }
  UpdateStrip();
  const int text = FStrip.TextWidth;
  const int width = Width();
  FOverflowing = width < text;
  if (!FOverflowing) {
    FOffset = 0;
    return;
  }
  // The turns are taken as soon as the offset reaches either end (not only
  // exactly there), so a caption or width that changes in motion turns back
  // at the next tick instead of running away; from a reset the text moves
  // one pixel at a time and meets both ends exactly.
  const int leftmost = -(text - width + FMargin);
  if (FOffset >= FMargin)
    FStep = -1;
  else if (FOffset <= leftmost)
    FStep = +1;
  FOffset += FStep;
}

bool TMarqueeLabelEx::UpdateStrip() {
  TCanvasEx& canvas = Canvas();
  const TFontEx& font = canvas.Font();
  const int height = canvas.Height();
  TStrip& strip = FStrip;
  if (strip.Height == height && strip.Text == Caption() && strip.FontName == font.Name() &&
      strip.FontSize == font.Size() && strip.FontStyle == font.Style() && strip.FontColour == font.Color() &&
      strip.Hint == canvas.TextRenderingHint() && strip.Antialias == canvas.Antialias() &&
      strip.Centred == FCentreVertically)
    return false;
  strip.Text = Caption();
  strip.FontName = font.Name();
  strip.FontSize = font.Size();
  strip.FontStyle = font.Style();
  strip.FontColour = font.Color();
  strip.Hint = canvas.TextRenderingHint();
  strip.Antialias = canvas.Antialias();
  strip.Height = height;
  strip.Centred = FCentreVertically;
  strip.TextWidth = canvas.TextWidth(Caption());
  strip.Top = FCentreVertically ? (ClientHeight() - canvas.TextHeight(Caption())) / 2 : 0;
  // Room for what glyphs draw beyond their advances (an italic's slant).
  const int pad = std::max(4, static_cast<int>(std::ceil(font.PixelSize())));
  const int width = strip.TextWidth + 2 * pad;
  const TStringFormatEx& format = canvas.StringFormat();
  strip.Left = -pad;
  strip.Ink = {0, 0, canvas.Width(), height};
  strip.Picture.reset();
  SetRedraw(true);
  // Text aligned around its point would not start at the strip's pad.
  if (height <= 0 || width > kWidestStrip || format.Alignment() != StringAlignmentNear ||
      format.LineAlignment() != StringAlignmentNear)
    return true;
  strip.Picture = std::make_unique<TCanvasEx>(width, height);
  TCanvasEx& picture = *strip.Picture;
  picture.SetTextRenderingHint(canvas.TextRenderingHint());
  picture.SetAntialias(canvas.Antialias());
  picture.SetSmoothingMode(canvas.SmoothingMode());
  picture.SetTextContrast(canvas.TextContrast());
  picture.Font().Assign(font);
  picture.StringFormat().Assign(format);
  picture.TextOut(pad, strip.Top, Caption());
  // Where the text's pixels lie: a step changes nothing outside them.
  const TBitmapEx& bits = picture.Bitmap();
  bits.Flush();
  int left = width, right = 0, top = height, bottom = 0;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(bits.Bits() + static_cast<size_t>(y) * bits.Stride());
    for (int x = 0; x < width; ++x) {
      if (!row[x]) continue;
      left = std::min(left, x);
      right = std::max(right, x + 1);
      top = std::min(top, y);
      bottom = std::max(bottom, y + 1);
    }
  }
  strip.Ink = right > left ? TRect{left - pad, top, right - pad, bottom} : TRect{};
  return true;
}

const TRect& TMarqueeLabelEx::TextInk() {
  UpdateStrip();
  return FStrip.Ink;
}

void TMarqueeLabelEx::DrawText(const TRect& rect) {
  TCanvasEx& canvas = Canvas();
  if (!FStrip.Picture) {
    canvas.TextOut(FOffset, FStrip.Top, Caption());
    return;
  }
  // The strip's pixels replace those of the rectangle, as text drawn on
  // the cleared picture would: both are transparent around the glyphs.
  const TBitmapEx& from = FStrip.Picture->Bitmap();
  const TBitmapEx& to = canvas.Bitmap();
  from.Flush();
  to.Flush();
  const int shift = FOffset + FStrip.Left;  // the strip's column 0 in the picture
  const int left = std::max(rect.Left, shift), right = std::min(rect.Right, shift + from.Width());
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(to.Bits() + static_cast<size_t>(y) * to.Stride());
    std::fill(row + rect.Left, row + rect.Right, 0u);
    if (right <= left) continue;
    const auto* source = reinterpret_cast<const std::uint32_t*>(from.Bits() + static_cast<size_t>(y) * from.Stride());
    std::memcpy(row + left, source + (left - shift), static_cast<size_t>(right - left) * 4);
  }
  to.MarkDirty();
}

void TMarqueeLabelEx::LayFade(const TFade& fade, const TBitmapEx& picture, const TRect& rect) {
  const TRect part = Intersection(fade.Rect, rect);
  if (IsEmpty(part)) return;
  // The gradient over the text, as cairo's OVER blends it.
  for (int y = part.Top; y < part.Bottom; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(picture.Bits() + static_cast<size_t>(y) * picture.Stride());
    const std::uint32_t* source =
        fade.Pixels.data() + static_cast<size_t>(y - fade.Rect.Top) * static_cast<size_t>(fade.Rect.Width());
    widgets::OverRow(source + (part.Left - fade.Rect.Left), row + part.Left, part.Width());
  }
}

void TMarqueeLabelEx::DrawFades(const TRect& rect) {
  if (!FOverflowing || !FFadesBuilt) return;
  const TBitmapEx& picture = Canvas().Bitmap();
  picture.Flush();
  LayFade(FLeftFade, picture, rect);
  LayFade(FRightFade, picture, rect);
  picture.MarkDirty();
}

void TMarqueeLabelEx::MoveText() {
  const TRect& ink = FStrip.Ink;
  const TRect band = Intersection({std::min(FShownOffset, FOffset) + ink.Left, ink.Top,
                                   std::max(FShownOffset, FOffset) + ink.Right, ink.Bottom},
                                  {0, 0, Canvas().Width(), Canvas().Height()});
  FShownOffset = FOffset;
  if (IsEmpty(band)) return;
  DrawText(band);
  DrawFades(band);
  PendingDamage().Add(band);
}

void TMarqueeLabelEx::Paint() {
  // Unseen, the caption is neither rendered nor measured: the window paints
  // it when it shows.
  if (!ComposedByParent() && PaintHeld()) return;
  if (HandleAllocated() && !Painting() && !Locked() && Cached()) {
    // A new strip asks for a whole redraw itself; so do new fades.
    UpdateStrip();
    if (OnPaint || FOverflowing != FShownOverflowing || (!FStrip.Picture && FOffset != FShownOffset))
      SetRedraw(true);
    if (!Redraw() && FOffset != FShownOffset) MoveText();
  }
  TControlEx::Paint();
}

void TMarqueeLabelEx::DoPaint() {
  TControlEx::DoPaint();
  FShownOffset = FOffset;
  FShownOverflowing = FOverflowing;
  if (FSuspended) return;
  UpdateStrip();
  const TRect whole{0, 0, Canvas().Width(), Canvas().Height()};
  if (OnPaint && FStrip.Picture) {
    // Over what the handler drew.
    cairo_t* cr = Canvas().Context();
    cairo_save(cr);
    cairo_set_source_surface(cr, FStrip.Picture->Bitmap().Surface(), FOffset + FStrip.Left, 0);
    cairo_paint(cr);
    cairo_restore(cr);
  } else {
    DrawText(whole);
  }
  DrawFades(whole);
}

}  // namespace ui
