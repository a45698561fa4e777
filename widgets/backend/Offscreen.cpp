#include "widgets/backend/Offscreen.h"

#include <algorithm>
#include <cstring>

#include "widgets/controls/Control.h"

namespace widgets {

TOffscreenBackend* OffscreenBackend() { return dynamic_cast<TOffscreenBackend*>(&Backend()); }

TOffscreenWindow* OffscreenWindowOf(TControl& control) {
  return dynamic_cast<TOffscreenWindow*>(control.TopLevel()->NativeWindow());
}

std::unique_ptr<TNativeWindow> TOffscreenBackend::CreateNativeWindow(TNativeEvents* events,
                                                                     const TNativeParams& params) {
  return std::make_unique<TOffscreenWindow>(events, params);
}

TOffscreenWindow::TOffscreenWindow(TNativeEvents* events, const TNativeParams& params)
    : Params(params),
      Bounds{params.X, params.Y, params.X + params.Width, params.Y + params.Height},
      Caption(params.Caption),
      Topmost(params.Topmost),
      ToolWindow(params.ToolWindow),
      InputTransparent(params.InputTransparent),
      FEvents(events) {}

std::uint32_t TOffscreenWindow::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= PixelWidth || y >= PixelHeight) return 0;
  return Pixels[static_cast<size_t>(y) * PixelWidth + x];
}

UINT TOffscreenWindow::Keys() const { return CurrentMouseKeys(); }

void TOffscreenWindow::MoveCursorTo(int x, int y) {
  if (TOffscreenBackend* backend = OffscreenBackend()) backend->Cursor = {Bounds.Left + x, Bounds.Top + y};
}

namespace {
DWORD NextTime(bool jump) {
  TOffscreenBackend* backend = OffscreenBackend();
  if (!backend) return GetTickCount();
  backend->Clock += jump ? 1000 : 10;
  return backend->Clock;
}
unsigned ButtonKey(int button) { return button == 1 ? VK_LBUTTON : button == 3 ? VK_RBUTTON : VK_MBUTTON; }
}  // namespace

void TOffscreenWindow::MouseMove(int x, int y) {
  MoveCursorTo(x, y);
  FEvents->NativeMouseMove(x, y, Keys(), NextTime(false));
}

void TOffscreenWindow::MouseDown(int x, int y, int button) {
  MoveCursorTo(x, y);
  UINT keys = Keys();
  SetKeyDown(ButtonKey(button), true);
  FEvents->NativeButton(button, true, x, y, keys, NextTime(true));
}

void TOffscreenWindow::MouseUp(int x, int y, int button) {
  MoveCursorTo(x, y);
  UINT keys = Keys();
  SetKeyDown(ButtonKey(button), false);
  FEvents->NativeButton(button, false, x, y, keys, NextTime(false));
}

void TOffscreenWindow::Click(int x, int y, int button) {
  MouseDown(x, y, button);
  MouseUp(x, y, button);
}

void TOffscreenWindow::DoubleClick(int x, int y, int button) {
  Click(x, y, button);
  MoveCursorTo(x, y);
  UINT keys = Keys();
  SetKeyDown(ButtonKey(button), true);
  FEvents->NativeButton(button, true, x, y, keys, NextTime(false));
  MouseUp(x, y, button);
}

void TOffscreenWindow::Wheel(int x, int y, int delta) {
  MoveCursorTo(x, y);
  FEvents->NativeWheel(delta, x, y, Keys());
}

void TOffscreenWindow::MouseLeave() {
  if (TOffscreenBackend* backend = OffscreenBackend()) backend->Cursor = {-10000, -10000};
  FEvents->NativeLeave();
}

void TOffscreenWindow::KeyDown(unsigned vk, char16_t ch) {
  SetKeyDown(vk, true);
  FEvents->NativeKey(true, vk, ch, FAlt);
}

void TOffscreenWindow::KeyUp(unsigned vk) {
  SetKeyDown(vk, false);
  FEvents->NativeKey(false, vk, 0, FAlt);
}

void TOffscreenWindow::SetModifiers(bool shift, bool ctrl, bool alt) {
  SetKeyDown(VK_SHIFT, shift);
  SetKeyDown(VK_CONTROL, ctrl);
  SetKeyDown(VK_MENU, alt);
  FAlt = alt;
}

void TOffscreenWindow::DropFiles(const std::vector<std::string>& paths, int x, int y) {
  if (AcceptFiles) FEvents->NativeDropFiles(paths, x, y);
}

void TOffscreenWindow::Focus(bool focused) { FEvents->NativeFocus(focused); }

void TOffscreenWindow::CloseRequest() { FEvents->NativeCloseRequest(); }

void TOffscreenWindow::ConfigureBy(int x, int y, int width, int height) {
  Bounds = {x, y, x + width, y + height};
  FEvents->NativeConfigure(x, y, width, height);
}

void TOffscreenWindow::SetBounds(int x, int y, int width, int height) { Bounds = {x, y, x + width, y + height}; }
void TOffscreenWindow::SetVisible(bool visible) { Visible = visible; }
void TOffscreenWindow::SetCaption(const std::u16string& caption) { Caption = caption; }
void TOffscreenWindow::SetCursor(int index) { Cursor = index; }
void TOffscreenWindow::SetEnabled(bool enabled) { Enabled = enabled; }
void TOffscreenWindow::SetTopmost(bool topmost) { Topmost = topmost; }
void TOffscreenWindow::SetToolWindow(bool toolWindow) { ToolWindow = toolWindow; }
void TOffscreenWindow::SetInputTransparent(bool transparent) { InputTransparent = transparent; }
void TOffscreenWindow::SetOpacity(std::uint8_t opacity) { Opacity = opacity; }
void TOffscreenWindow::Activate() { ++Activations; }
void TOffscreenWindow::BeginMoveDrag(int, int, DWORD) { ++MoveDrags; }
void TOffscreenWindow::Invalidate() { ++Invalidations; }

void TOffscreenWindow::Present(const std::uint8_t* pixels, int width, int height, int stride,
                               std::uint8_t opacity) {
  ++PresentCount;
  Opacity = opacity;
  PixelWidth = std::max(0, width);
  PixelHeight = std::max(0, height);
  PresentedRects = {TRect{0, 0, PixelWidth, PixelHeight}};
  Pixels.assign(static_cast<size_t>(PixelWidth) * PixelHeight, 0);
  if (!pixels) return;
  for (int y = 0; y < PixelHeight; ++y)
    std::memcpy(&Pixels[static_cast<size_t>(y) * PixelWidth], pixels + static_cast<size_t>(y) * stride,
                static_cast<size_t>(PixelWidth) * 4);
}

void TOffscreenWindow::PresentRects(const std::uint8_t* pixels, int width, int height, int stride,
                                    std::uint8_t opacity, const std::vector<TRect>& rects) {
  // Like a screen, the window keeps what it showed and takes only the
  // changed pixels; a test comparing it with a whole picture sees any
  // change that was left out.
  if (width != PixelWidth || height != PixelHeight || opacity != Opacity || PresentCount == 0 || !pixels) {
    Present(pixels, width, height, stride, opacity);
    return;
  }
  ++PresentCount;
  PresentedRects = rects;
  for (const TRect& r : rects) {
    const int left = std::max(0, r.Left), right = std::min(PixelWidth, r.Right);
    for (int y = std::max(0, r.Top); y < std::min(PixelHeight, r.Bottom) && right > left; ++y)
      std::memcpy(&Pixels[static_cast<size_t>(y) * PixelWidth + left], pixels + static_cast<size_t>(y) * stride + left * 4,
                  static_cast<size_t>(right - left) * 4);
  }
}

TPoint TOffscreenWindow::SetTipText(const std::u16string& text, int maxWidth, std::uint32_t, std::uint32_t) {
  TipText = text;
  TipMaxWidth = maxWidth;
  // A fixed 7 x 16 pixel cell stands in for real text measurement.
  int padding = 8;
  int perLine = std::max(1, (maxWidth - padding) / 7);
  int chars = static_cast<int>(text.size());
  int lines = std::max(1, (chars + perLine - 1) / perLine);
  int width = std::min(maxWidth, chars * 7 + padding);
  return {width, lines * 16 + padding};
}

}  // namespace widgets
