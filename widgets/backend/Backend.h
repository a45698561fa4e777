// The toolkit's view of the windowing system. Only top-level windows are
// native; child controls live inside them and get their input from the
// toolkit's own hit-testing (see controls/InputRouter.h).
//
// Two implementations: GTK (real windows, gtk/GtkBackend.h) and offscreen
// (no display; tests drive it with synthetic input, backend/Offscreen.h).
// The offscreen backend is the default until a program installs GTK.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "widgets/Core.h"
#include "widgets/backend/NativeEdit.h"

namespace widgets {

// What a native window reports. Coordinates are relative to the window's
// client area; `keys` are MK_* flags as they were before the event;
// `time` is the event time in milliseconds (tick-count scale).
class TNativeEvents {
 public:
  virtual ~TNativeEvents() = default;
  virtual void NativeMouseMove(int x, int y, UINT keys, DWORD time) = 0;
  // button: 1 left, 2 middle, 3 right (X11 numbering).
  virtual void NativeButton(int button, bool down, int x, int y, UINT keys, DWORD time) = 0;
  // delta: multiples of 120, positive away from the user.
  virtual void NativeWheel(int delta, int x, int y, UINT keys) = 0;
  virtual void NativeLeave() = 0;
  // vk: virtual-key code; ch: the character the key produces (0: none).
  virtual void NativeKey(bool down, unsigned vk, char16_t ch, bool alt) = 0;
  virtual void NativeFocus(bool focused) = 0;
  // The window manager moved or resized the window (screen coordinates).
  virtual void NativeConfigure(int x, int y, int width, int height) = 0;
  virtual void NativeCloseRequest() = 0;
  // A plain (not presented) window needs painting; `cairo` is a cairo_t*.
  virtual void NativePaint(void* cairo) = 0;
  // Files dropped on the window (local paths, file-system bytes), at the
  // client point.
  virtual void NativeDropFiles(const std::vector<std::string>&, int, int) {}
};

enum class TNativeKind { Normal, Popup, ToolTip };

struct TNativeParams {
  TNativeKind Kind = TNativeKind::Normal;
  std::u16string Caption;
  std::u16string ClassName;
  int X = 0, Y = 0, Width = 0, Height = 0;
  bool Decorated = true;   // title bar and frame (WS_CAPTION)
  bool Rgba = false;       // per-pixel alpha (WS_EX_LAYERED)
  bool ToolWindow = false; // no taskbar button (WS_EX_TOOLWINDOW)
  bool Topmost = false;    // WS_EX_TOPMOST
  bool InputTransparent = false;  // WS_EX_TRANSPARENT
};

class TNativeWindow {
 public:
  virtual ~TNativeWindow() = default;
  virtual void SetBounds(int x, int y, int width, int height) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetCaption(const std::u16string& caption) = 0;
  // 0..15: the system cursors in the order arrow, I-beam, wait, cross,
  // up arrow, size, icon, NW-SE, NE-SW, W-E, N-S, size-all, no, hand,
  // app-starting, help.
  virtual void SetCursor(int index) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetTopmost(bool topmost) = 0;
  virtual void SetToolWindow(bool toolWindow) = 0;
  virtual void SetInputTransparent(bool transparent) = 0;
  virtual void SetOpacity(std::uint8_t opacity) = 0;
  virtual void Activate() = 0;
  // Lets the user move the window with the pointer (caption drag).
  virtual void BeginMoveDrag(int screenX, int screenY, DWORD time) = 0;
  // Shows a composed picture: premultiplied ARGB32 rows (cairo's format),
  // drawn with `opacity` over whatever is below.
  virtual void Present(const std::uint8_t* pixels, int width, int height, int stride,
                       std::uint8_t opacity) = 0;
  // The same where the picture changed: only the pixels inside `rects`
  // differ from the picture presented last. A first picture, or one of
  // another size or opacity, is shown whole.
  virtual void PresentRects(const std::uint8_t* pixels, int width, int height, int stride, std::uint8_t opacity,
                            const std::vector<TRect>& /*rects*/) {
    Present(pixels, width, height, stride, opacity);
  }
  // Asks for NativePaint (plain windows).
  virtual void Invalidate() = 0;
  // Whether per-pixel alpha reaches the screen (a compositor runs).
  virtual bool IsComposited() const = 0;
  // Tooltip windows: lay out `text` wrapped at `maxWidth` pixels with the
  // given colours (0xAARRGGBB) and size the window to it; returns the size.
  virtual TPoint SetTipText(const std::u16string& text, int maxWidth, std::uint32_t back,
                            std::uint32_t textColor) = 0;
  // GtkWindow* for GTK, nullptr offscreen.
  virtual void* NativeHandle() = 0;
  virtual void Minimize() {}
  // The window's icon (taskbar, title bar): straight ARGB pixels, row after
  // row; width 0 removes it.
  virtual void SetIcon(int /*width*/, int /*height*/, const std::vector<std::uint32_t>& /*argb*/) {}
  // Whether files may be dropped on the window (WM_DROPFILES).
  virtual void SetAcceptFiles(bool) {}
  // A text entry of the windowing system over this window (nullptr: the
  // window cannot hold one; the caller then uses CreateMemoryEdit).
  virtual std::unique_ptr<TNativeEdit> CreateEdit(TNativeEditEvents*) { return nullptr; }
};

class TBackend {
 public:
  virtual ~TBackend() = default;
  virtual std::unique_ptr<TNativeWindow> CreateNativeWindow(TNativeEvents* events,
                                                            const TNativeParams& params) = 0;
  // Pointer position in screen coordinates, now.
  virtual TPoint CursorPos() = 0;
  // Where the pointer was at the input event being handled (events may be
  // handled a little after they happened, while the pointer moved on).
  virtual TPoint MessagePos() { return CursorPos(); }
  virtual TRect ScreenRect() = 0;
  // The work area of the primary monitor (screen minus panels).
  virtual TRect WorkArea() = 0;
  virtual UINT HoverTime() { return 400; }
  virtual UINT DoubleClickTime() { return 500; }
  virtual int DoubleClickDistance() { return 4; }
  // Milliseconds between the caret's phase changes.
  virtual UINT CaretBlinkTime() { return 530; }
  virtual void Beep() {}
  virtual bool IsOffscreen() const { return false; }
  // Shows a menu (widgets/menus/Menu.h) at the screen point until it
  // closes; the chosen item's id, 0 for none.
  virtual UINT TrackMenu(std::uintptr_t /*menu*/, int /*x*/, int /*y*/) { return 0; }
  // Whether the key or button is down at this moment, whichever window has
  // the input (polling, as for the wake-up key and media keys).
  virtual bool KeyDownNow(unsigned vk);
};

// The backend in use (the offscreen one until SetBackend is called).
TBackend& Backend();
// Installs a backend; windows created earlier keep their native windows.
void SetBackend(std::unique_ptr<TBackend> backend);

// --- Input state shared by all windows -----------------------------------

// < 0 when the key or mouse button (VK_*) is down, as GetKeyState does:
// as far as the toolkit's own input events tell.
short GetKeyState(unsigned vk);
// < 0 when the key is down now, asked of the display; bit 0 is set when
// the key was pressed since the last call asked about it (a tap that went
// down and up between two polls), and the call clears it.
short GetAsyncKeyState(unsigned vk);
// Updated by the backends from each input event.
void SetKeyDown(unsigned vk, bool down);
// A press the backend learnt of without an input event of its own windows.
void NoteKeyPressed(unsigned vk);
// MK_* flags for the buttons and modifiers that are down now.
UINT CurrentMouseKeys();
TPoint GetCursorPos();
TPoint GetMessagePos();

}  // namespace widgets
