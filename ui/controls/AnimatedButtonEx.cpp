#include "ui/controls/AnimatedButtonEx.h"

#include "ui/controls/Tinting.h"

#include <algorithm>

using namespace core;
using namespace widgets;

namespace ui {

namespace {
constexpr std::uintptr_t kFadeTimer = 1;
}

TAnimatedButtonEx::TAnimatedButtonEx(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TAnimatedButtonEx");
  // Drawn again only when its picture, glow or press changes.
  SetCached(true);
}

TAnimatedButtonEx::~TAnimatedButtonEx() { DestroyHandle(); }

void TAnimatedButtonEx::SetImage(int id) {
  if (id == FImageId && FImage) return;
  auto image = TBitmapEx::FromResource(id);
  FImageId = id;
  FImage = std::move(image);
  RebuildGlow();
  ApplyAutoSize();
}

void TAnimatedButtonEx::SetImageBitmap(std::unique_ptr<TBitmapEx> image) {
  FImageId = 0;
  FImage = std::move(image);
  RebuildGlow();
  ApplyAutoSize();
}

void TAnimatedButtonEx::SetGlowColour(std::uint32_t colour) {
  FGlowColour = colour;
  RebuildGlow();
}

void TAnimatedButtonEx::RebuildGlow() {
  FGlow.reset();
  if (FImage) FGlow = TintedCopy(*FImage, FGlowColour, FGlowColour);
  SetRedraw(true);
  InvalidateTree();
}

void TAnimatedButtonEx::SetAutoSize(bool value) {
  FAutoSize = value;
  ApplyAutoSize();
}

void TAnimatedButtonEx::ApplyAutoSize() {
  if (FAutoSize && FImage) SetBounds(Left(), Top(), FImage->Width(), FImage->Height());
}

void TAnimatedButtonEx::CreateHandle() {
  TControlEx::CreateHandle();
  if (FFadeDirection != 0) StartFade(FFadeDirection);
}

void TAnimatedButtonEx::DestroyWindowHandle() {
  StopTimer();
  TControlEx::DestroyWindowHandle();
}

void TAnimatedButtonEx::StartFade(int direction) {
  FFadeDirection = direction;
  if (FTimerRunning || !HandleAllocated()) return;
  FTimerRunning = SetTimer(WindowHandle(), kFadeTimer, TickInterval) != 0;
}

void TAnimatedButtonEx::StopTimer() {
  if (FTimerRunning && HandleAllocated()) KillTimer(WindowHandle(), kFadeTimer);
  FTimerRunning = false;
}

void TAnimatedButtonEx::MouseEnter(TMessage& m) {
  TControlEx::MouseEnter(m);
  StartFade(+1);
}

void TAnimatedButtonEx::WMMouseLeave(TMessage& m) {
  TControlEx::WMMouseLeave(m);
  StartFade(-1);
}

void TAnimatedButtonEx::WMButtonDown(TMessage& m) {
  SetCapture(WindowHandle());
  if (m.Msg == WM_LBUTTONDOWN) FPressed = true;
  TControlEx::WMButtonDown(m);
  SetRedraw(true);
  InvalidateTree();
}

void TAnimatedButtonEx::WMButtonUp(TMessage& m) {
  ReleaseCapture();
  if (m.Msg == WM_LBUTTONUP) FPressed = false;
  TControlEx::WMButtonUp(m);
  SetRedraw(true);
  InvalidateTree();
}

void TAnimatedButtonEx::Tick() {
  const int before = FGlowAlpha;
  if (FFadeDirection > 0) {
    FGlowAlpha += 2 * FFadeStep;
    if (FGlowAlpha > 254) FGlowAlpha = 255;
  } else if (FFadeDirection < 0) {
    FGlowAlpha -= FFadeStep;
    if (FGlowAlpha <= 0) FGlowAlpha = 0;
  }
  if (FGlowAlpha != before) SetRedraw(true);
  bool settled = FFadeDirection == 0 || (FFadeDirection > 0 && FGlowAlpha == 255) ||
                 (FFadeDirection < 0 && FGlowAlpha == 0);
  if (settled) StopTimer();
}

void TAnimatedButtonEx::WndProc(TMessage& message) {
  if (message.Msg == WM_TIMER && message.WParam == kFadeTimer) {
    Tick();
    return;
  }
  TControlEx::WndProc(message);
}

void TAnimatedButtonEx::DoPaint() {
  TControlEx::DoPaint();
  if (!FImage) return;
  const int shift = FPressed ? 1 : 0;
  Canvas().DrawBitmap(*FImage, 0, shift);
  const int alpha = FPressed ? 255 : FGlowAlpha;
  if (FGlow && alpha > 0) Canvas().DrawBitmapAlpha(*FGlow, 0, shift, alpha);
}

}  // namespace ui
