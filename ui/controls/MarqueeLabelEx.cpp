#include "ui/controls/MarqueeLabelEx.h"

#include <cstdlib>

using namespace core;
using namespace widgets;

namespace ui {

namespace {

constexpr std::uintptr_t kSlideTimer = 1;

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
  if (FLeftBrush) cairo_pattern_destroy(FLeftBrush);
  if (FRightBrush) cairo_pattern_destroy(FRightBrush);
  FLeftBrush = FRightBrush = nullptr;
}

void TMarqueeLabelEx::BuildFades() {
  FreeFades();
  const int w = ClientWidth(), h = ClientHeight();
  FLeftRect = {-1, 0, -1 + FFadeWidth, h};
  FRightRect = {w - FFadeWidth + 1, 0, w + 2, h};
  FLeftBrush = cairo_pattern_create_linear(FLeftRect.Left, 0, FLeftRect.Right, 0);
  FRightBrush = cairo_pattern_create_linear(FRightRect.Left, 0, FRightRect.Right, 0);
  SetStops(FLeftBrush, FEdgeColour, FInnerColour);
  SetStops(FRightBrush, FInnerColour, FEdgeColour);
}

void TMarqueeLabelEx::ColourFades() {
  if (FLeftBrush) BuildFades();
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
  if (FLeftBrush) BuildFades();
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
  const int text = Canvas().TextWidth(Caption());
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

void TMarqueeLabelEx::DoPaint() {
  TControlEx::DoPaint();
  if (FSuspended) return;
  TCanvasEx& canvas = Canvas();
  int y = 0;
  if (FCentreVertically) y = (ClientHeight() - canvas.TextHeight(Caption())) / 2;
  canvas.TextOut(FOffset, y, Caption());
  if (!FOverflowing || !FLeftBrush) return;
  cairo_t* cr = canvas.Context();
  cairo_save(cr);
  cairo_rectangle(cr, FLeftRect.Left, FLeftRect.Top, FLeftRect.Width(), FLeftRect.Height());
  cairo_set_source(cr, FLeftBrush);
  cairo_fill(cr);
  cairo_rectangle(cr, FRightRect.Left, FRightRect.Top, FRightRect.Width(), FRightRect.Height());
  cairo_set_source(cr, FRightBrush);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace ui
