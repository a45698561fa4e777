// The backend without a display. Its windows remember everything the
// toolkit asked of them (bounds, visibility, caption, cursor, the last
// presented picture) and take synthetic input in client coordinates, which
// goes through the same routing as real input:
//
//   TWindow w;  w.SetBounds(100, 100, 200, 100);  w.SetVisible(true);
//   TOffscreenWindow* native = OffscreenWindowOf(w);
//   native->Click(50, 20);          // WM_LBUTTONDOWN/UP at the control there
//
// Button events carry a virtual clock that jumps one second per press, so
// two clicks never merge into a double-click unless DoubleClick is used.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "widgets/backend/Backend.h"

namespace widgets {

class TControl;

class TOffscreenWindow : public TNativeWindow {
 public:
  TOffscreenWindow(TNativeEvents* events, const TNativeParams& params);

  // What the toolkit set.
  TNativeParams Params;
  TRect Bounds;
  bool Visible = false;
  std::u16string Caption;
  int Cursor = 0;
  bool Enabled = true;
  bool Topmost = false;
  bool ToolWindow = false;
  bool InputTransparent = false;
  std::uint8_t Opacity = 255;
  int Activations = 0;
  int MoveDrags = 0;
  int Invalidations = 0;
  int PresentCount = 0;
  int PixelWidth = 0;
  int PixelHeight = 0;
  std::vector<std::uint32_t> Pixels;  // premultiplied ARGB, row after row
  // The pixels the last picture changed (the whole picture when it came
  // whole).
  std::vector<TRect> PresentedRects;
  std::u16string TipText;
  int TipMaxWidth = 0;

  std::uint32_t PixelAt(int x, int y) const;

  // Synthetic input, client coordinates. button: 1 left, 2 middle, 3 right.
  void MouseMove(int x, int y);
  void MouseDown(int x, int y, int button = 1);
  void MouseUp(int x, int y, int button = 1);
  void Click(int x, int y, int button = 1);
  void DoubleClick(int x, int y, int button = 1);
  void Wheel(int x, int y, int delta);
  void MouseLeave();
  void KeyDown(unsigned vk, char16_t ch = 0);
  void KeyUp(unsigned vk);
  void SetModifiers(bool shift, bool ctrl, bool alt);
  void Focus(bool focused);
  void CloseRequest();
  // The window manager moved or resized the window.
  void ConfigureBy(int x, int y, int width, int height);

  // TNativeWindow
  void SetBounds(int x, int y, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetCaption(const std::u16string& caption) override;
  void SetCursor(int index) override;
  void SetEnabled(bool enabled) override;
  void SetTopmost(bool topmost) override;
  void SetToolWindow(bool toolWindow) override;
  void SetInputTransparent(bool transparent) override;
  void SetOpacity(std::uint8_t opacity) override;
  void Activate() override;
  void BeginMoveDrag(int screenX, int screenY, DWORD time) override;
  void Present(const std::uint8_t* pixels, int width, int height, int stride, std::uint8_t opacity) override;
  void PresentRects(const std::uint8_t* pixels, int width, int height, int stride, std::uint8_t opacity,
                    const std::vector<TRect>& rects) override;
  void Invalidate() override;
  bool IsComposited() const override { return true; }
  TPoint SetTipText(const std::u16string& text, int maxWidth, std::uint32_t back, std::uint32_t textColor) override;
  void* NativeHandle() override { return nullptr; }
  void Minimize() override { ++Minimizations; }
  int Minimizations = 0;
  void SetAcceptFiles(bool accept) override { AcceptFiles = accept; }
  void SetIcon(int width, int, const std::vector<std::uint32_t>&) override { IconWidth = width; }
  int IconWidth = 0;
  bool AcceptFiles = false;
  // Drops files as the file manager would (only while accepted).
  void DropFiles(const std::vector<std::string>& paths, int x, int y);

 private:
  UINT Keys() const;
  void MoveCursorTo(int x, int y);
  TNativeEvents* FEvents;
  bool FAlt = false;
};

class TOffscreenBackend : public TBackend {
 public:
  std::unique_ptr<TNativeWindow> CreateNativeWindow(TNativeEvents* events, const TNativeParams& params) override;
  TPoint CursorPos() override { return Cursor; }
  TRect ScreenRect() override { return Screen; }
  TRect WorkArea() override { return Work; }
  UINT HoverTime() override { return Hover; }
  void Beep() override { ++Beeps; }
  bool IsOffscreen() const override { return true; }
  // Menus: the test says which id the user picks (0: none) and sees which
  // menu was shown where; ChooseMenu, when set, picks after looking at the
  // menu while it is shown.
  UINT TrackMenu(std::uintptr_t menu, int x, int y) override {
    LastMenu = menu;
    LastMenuPoint = {x, y};
    ++MenusShown;
    return ChooseMenu ? ChooseMenu(menu) : MenuChoice;
  }
  UINT MenuChoice = 0;
  std::function<UINT(std::uintptr_t menu)> ChooseMenu;
  std::uintptr_t LastMenu = 0;
  TPoint LastMenuPoint;
  int MenusShown = 0;

  TPoint Cursor;
  TRect Screen{0, 0, 1280, 1024};
  TRect Work{0, 0, 1280, 994};
  UINT Hover = 40;  // short, so hover tests wait little
  int Beeps = 0;
  DWORD Clock = 100000;
};

// The offscreen backend in use, or nullptr when another backend is.
TOffscreenBackend* OffscreenBackend();
// The native window of a top-level control under the offscreen backend.
TOffscreenWindow* OffscreenWindowOf(TControl& control);

}  // namespace widgets
