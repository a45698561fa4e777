#include "widgets/controls/InputRouter.h"

#include <atomic>
#include <cstdlib>

#include "widgets/controls/Control.h"
#include "widgets/controls/DropFiles.h"

namespace widgets {

namespace {
HWND gCapture = 0;
HWND gFocus = 0;
TPointerObserver gObserver;
constexpr std::uintptr_t kHoverTimer = 1;

void Observe(TControl* under, TPoint screen, UINT msg) {
  if (gObserver) gObserver(under, screen, msg);
}

TControl* Target(HWND window) { return TControl::FromHandle(window); }

// The router whose window the pointer was last seen over.
TInputRouter* gPointerRouter = nullptr;
}  // namespace

namespace {
std::atomic<DWORD> gLastInput{0};
}  // namespace

void NoteUserInput() {
  DWORD now = GetTickCount();
  gLastInput = now ? now : 1;
}

DWORD GetLastInputTime() { return gLastInput; }

void SetPointerObserver(TPointerObserver observer) { gObserver = std::move(observer); }

class TInputRouter::THoverTimer : public TMessageWindow {
 public:
  explicit THoverTimer(TInputRouter* router) : FRouter(router) {}
  ~THoverTimer() override { DestroyHandle(); }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_TIMER && m.WParam == kHoverTimer) {
      KillTimer(WindowHandle(), kHoverTimer);
      FRouter->HoverElapsed();
      return;
    }
    TMessageWindow::WndProc(m);
  }

 private:
  TInputRouter* FRouter;
};

TInputRouter::TInputRouter(TControl* top) : FTop(top), FHover(std::make_unique<THoverTimer>(this)) {}

TInputRouter::~TInputRouter() {
  if (gPointerRouter == this) gPointerRouter = nullptr;
}

void TInputRouter::Detach() {
  FMoving = false;
  FTop = nullptr;
  if (gPointerRouter == this) gPointerRouter = nullptr;
  if (FHover) FHover->DestroyHandle();
}

TInputRouter* TInputRouter::Of(TControl* control) {
  TControl* top = control ? control->TopLevel() : nullptr;
  return top ? top->FRouter.get() : nullptr;
}

TControl* TInputRouter::CaptureHere() const {
  TControl* captured = Target(gCapture);
  return captured && captured->TopLevel() == FTop ? captured : nullptr;
}

TPoint TInputRouter::ToLocal(TControl* target, int x, int y) const {
  TPoint origin = target->ClientToParent({0, 0}, FTop);
  return {x - origin.X, y - origin.Y};
}

void TInputRouter::UpdateUnderPointer(TControl* hit) {
  HWND now = hit ? hit->WindowHandle() : 0;
  if (now == FUnderPointer) return;
  FUnderPointer = now;
  if (FHoverTracked && FHoverTracked != now) {
    FHoverTracked = 0;
    KillTimer(FHover->WindowHandle(), kHoverTimer);
  }
  if (FLeaveTracked && FLeaveTracked != now) {
    HWND left = FLeaveTracked;
    FLeaveTracked = 0;
    SendMessage(left, WM_MOUSELEAVE);
  }
}

void TInputRouter::Track(DWORD flags, HWND window, UINT hoverTime) {
  if (flags & TME_CANCEL) {
    if ((flags & TME_LEAVE) && FLeaveTracked == window) FLeaveTracked = 0;
    if ((flags & TME_HOVER) && FHoverTracked == window) {
      FHoverTracked = 0;
      KillTimer(FHover->WindowHandle(), kHoverTimer);
    }
    return;
  }
  // As with the system call: leaving is reported at once when the pointer
  // is not over the window.
  if ((flags & TME_LEAVE) && window != FUnderPointer) {
    PostMessage(window, WM_MOUSELEAVE);
    return;
  }
  if (flags & TME_LEAVE) FLeaveTracked = window;
  if (flags & TME_HOVER) {
    FHoverTracked = window;
    SetTimer(FHover->Handle(), kHoverTimer, hoverTime == HOVER_DEFAULT ? Backend().HoverTime() : hoverTime);
  }
}

void TInputRouter::HoverElapsed() {
  if (!FTop) return;
  HWND window = FHoverTracked;
  FHoverTracked = 0;
  TControl* target = Target(window);
  if (!target || window != FUnderPointer) return;
  TPoint local = ToLocal(target, FPointer.X, FPointer.Y);
  SendMessage(window, WM_MOUSEHOVER, CurrentMouseKeys(), MAKELPARAM(local.X, local.Y));
}

void TInputRouter::BeginMove() {
  if (!FTop || FMoving) return;
  FMoving = true;
  FMoveStart = GetMessagePos();
  FMoveOrigin = {FTop->Left(), FTop->Top()};
  SendMessage(FTop->WindowHandle(), WM_ENTERSIZEMOVE);
  // Only the pointer moves windows here; without the button it is over.
  if (FTop && GetKeyState(VK_LBUTTON) >= 0) EndMove();
}

void TInputRouter::MoveStep() {
  TPoint p = GetMessagePos();
  int width = FTop->Width(), height = FTop->Height();
  TRect r{FMoveOrigin.X + p.X - FMoveStart.X, FMoveOrigin.Y + p.Y - FMoveStart.Y, 0, 0};
  r.Right = r.Left + width;
  r.Bottom = r.Top + height;
  SendMessage(FTop->WindowHandle(), WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
  if (FTop) FTop->MoveWindow(r.Left, r.Top, width, height);
}

void TInputRouter::EndMove() {
  if (!FMoving) return;
  FMoving = false;
  if (FTop) SendMessage(FTop->WindowHandle(), WM_EXITSIZEMOVE);
}

void TInputRouter::NativeMouseMove(int x, int y, UINT keys, DWORD) {
  NoteUserInput();
  if (!FTop) return;
  if (FMoving) {
    MoveStep();
    return;
  }
  gPointerRouter = this;
  FPointer = {x, y};
  FKeys = keys;
  if (!FTop->Enabled()) return;
  TControl* hit = FTop->ControlAtPos(x, y);
  UpdateUnderPointer(hit);
  Observe(hit, FTop->ClientToScreen({x, y}), WM_MOUSEMOVE);
  TControl* captured = CaptureHere();
  TControl* target = captured ? captured : hit;
  if (!target) return;
  HWND handle = target->WindowHandle();
  if (!captured) SendMessage(handle, WM_SETCURSOR, handle, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  if (!FTop || !IsWindow(handle)) return;
  TPoint local = ToLocal(target, x, y);
  SendMessage(handle, WM_MOUSEMOVE, keys, MAKELPARAM(local.X, local.Y));
}

void TInputRouter::NativeButton(int button, bool down, int x, int y, UINT keys, DWORD time) {
  NoteUserInput();
  if (!FTop) return;
  if (FMoving) {
    if (!down && button == 1) EndMove();
    return;
  }
  gPointerRouter = this;
  FPointer = {x, y};
  if (!FTop->Enabled()) return;
  WPARAM bit = button == 1 ? MK_LBUTTON : button == 3 ? MK_RBUTTON : MK_MBUTTON;
  UINT base = button == 1 ? WM_LBUTTONDOWN : button == 3 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  UINT msgKeys = down ? (keys | bit) : (keys & ~bit);
  FKeys = msgKeys;
  TControl* hit = FTop->ControlAtPos(x, y);
  UpdateUnderPointer(hit);
  TPoint screen = FTop->ClientToScreen({x, y});
  Observe(hit, screen, down ? base : base + 1);
  TControl* captured = CaptureHere();
  TControl* target = captured ? captured : hit;
  if (!target) return;
  HWND handle = target->WindowHandle();
  TPoint local = ToLocal(target, x, y);
  LPARAM pos = MAKELPARAM(local.X, local.Y);
  if (!down) {
    SendMessage(handle, base + 1, msgKeys, pos);
    return;
  }
  if (!captured) {
    LRESULT area = SendMessage(handle, WM_NCHITTEST, 0, MAKELPARAM(screen.X, screen.Y));
    if (!FTop || !IsWindow(handle)) return;
    if (area == HTCAPTION) {
      if (button == 1) SendMessage(handle, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.X, screen.Y));
      FLastButton = 0;
      return;
    }
  }
  TBackend& backend = Backend();
  bool isDouble = !FLastWasDouble && button == FLastButton && handle == FLastDownTarget &&
                  time - FLastDownTime <= backend.DoubleClickTime() &&
                  std::abs(x - FLastDownPos.X) <= backend.DoubleClickDistance() &&
                  std::abs(y - FLastDownPos.Y) <= backend.DoubleClickDistance();
  FLastButton = button;
  FLastDownTime = time;
  FLastDownPos = {x, y};
  FLastDownTarget = handle;
  FLastWasDouble = isDouble;
  SendMessage(handle, isDouble ? base + 2 : base, msgKeys, pos);
}

void TInputRouter::NativeWheel(int delta, int x, int y, UINT keys) {
  NoteUserInput();
  if (!FTop) return;
  gPointerRouter = this;
  if (!FTop->Enabled()) return;
  TControl* hit = FTop->ControlAtPos(x, y);
  TPoint screen = FTop->ClientToScreen({x, y});
  Observe(hit, screen, WM_MOUSEWHEEL);
  TControl* target = CaptureHere();
  if (!target) target = hit ? hit : FTop;
  SendMessage(target->WindowHandle(), WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<unsigned>(delta)),
              MAKELPARAM(screen.X, screen.Y));
}

void TInputRouter::NativeLeave() {
  if (!FTop) return;
  if (CaptureHere()) return;
  UpdateUnderPointer(nullptr);
  Observe(nullptr, GetCursorPos(), WM_MOUSELEAVE);
}

void TInputRouter::NativeKey(bool down, unsigned vk, char16_t ch, bool alt) {
  NoteUserInput();
  if (!FTop) return;
  if (FMoving) {
    if (down && vk == VK_ESCAPE) {
      FTop->MoveWindow(FMoveOrigin.X, FMoveOrigin.Y, FTop->Width(), FTop->Height());
      EndMove();
    }
    return;
  }
  if (!FTop->Enabled()) return;
  TControl* focus = Target(FFocus);
  if (!focus || focus->TopLevel() != FTop) focus = FTop;
  HWND handle = focus->WindowHandle();
  LPARAM data = 1;
  if (alt) data |= LPARAM(1) << 29;
  if (!down) data |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
  bool sys = alt && GetKeyState(VK_CONTROL) >= 0;
  UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  SendMessage(handle, msg, vk, data);
  if (down && ch && IsWindow(handle)) SendMessage(handle, sys ? WM_SYSCHAR : WM_CHAR, ch, data);
}

void TInputRouter::NativeFocus(bool focused) {
  if (!FTop) return;
  if (!focused) EndMove();
  HWND top = FTop->WindowHandle();
  if (focused) {
    SendMessage(top, WM_ACTIVATE, 1, 0);
    HWND target = IsWindow(FFocus) ? FFocus : 0;
    if (target && gFocus != target) SetFocus(target);
  } else {
    if (gFocus && Target(gFocus) && Target(gFocus)->TopLevel() == FTop) {
      HWND old = gFocus;
      gFocus = 0;
      SendMessage(old, WM_KILLFOCUS, 0);
    }
    SendMessage(top, WM_ACTIVATE, 0, 0);
  }
}

void TInputRouter::NativeConfigure(int x, int y, int width, int height) {
  if (!FTop) return;
  FTop->MoveWindow(x, y, width, height, true);
}

void TInputRouter::NativeCloseRequest() {
  if (!FTop) return;
  SendMessage(FTop->WindowHandle(), WM_CLOSE);
}

void TInputRouter::NativePaint(void* cairo) {
  if (!FTop) return;
  SendMessage(FTop->WindowHandle(), WM_PAINT, reinterpret_cast<WPARAM>(cairo), 0);
}

void TInputRouter::NativeDropFiles(const std::vector<std::string>& paths, int x, int y) {
  if (!FTop || paths.empty()) return;
  HDROP drop = CreateDrop(paths, {x, y});
  SendMessage(FTop->WindowHandle(), WM_DROPFILES, drop, 0);
  // The receiver normally finishes it; a receiver that did not must not leak.
  DragFinish(drop);
}

// --- process-wide capture, focus and cursor --------------------------------

HWND SetCapture(HWND window) {
  HWND old = gCapture;
  if (old == window) return old;
  gCapture = IsWindow(window) ? window : 0;
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(gCapture));
  return old;
}

bool ReleaseCapture() {
  HWND old = gCapture;
  gCapture = 0;
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return true;
}

HWND GetCapture() {
  if (gCapture && !IsWindow(gCapture)) gCapture = 0;
  return gCapture;
}

HWND SetFocus(HWND window) {
  HWND old = gFocus;
  if (window && !IsWindow(window)) return 0;
  if (old == window) return old;
  gFocus = window;
  if (TControl* target = Target(window)) {
    if (TInputRouter* router = TInputRouter::Of(target)) router->SetFocusTarget(window);
  }
  if (old && IsWindow(old)) SendMessage(old, WM_KILLFOCUS, window);
  if (window) SendMessage(window, WM_SETFOCUS, old);
  return old;
}

HWND GetFocus() {
  if (gFocus && !IsWindow(gFocus)) gFocus = 0;
  return gFocus;
}

void SetCursor(int index) {
  if (index < 0 || index > 15 || !gPointerRouter) return;
  if (TNativeWindow* native = gPointerRouter->Top()->NativeWindow()) native->SetCursor(index);
}

bool TrackMouseEvent(DWORD flags, HWND window, UINT hoverTime) {
  TControl* target = Target(window);
  TInputRouter* router = TInputRouter::Of(target);
  if (!router) return false;
  router->Track(flags, window, hoverTime);
  return true;
}

}  // namespace widgets
