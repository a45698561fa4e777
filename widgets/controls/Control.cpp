// TControl: properties, window creation and destruction, the control tree.
// The message handlers are in ControlMessages.cpp.
#include "widgets/controls/Control.h"

#include <glib.h>

#include <algorithm>
#include <atomic>

#include "core/Encoding.h"
#include "widgets/controls/InputRouter.h"
#include "widgets/controls/ToolTip.h"

namespace widgets {

namespace {
std::atomic<unsigned> gNameCounter{0};

// The native window and its router may be on the call stack (a click that
// closes the window): they are hidden and detached at once and freed when
// the loop is idle.
template <class T>
void DeleteLater(std::unique_ptr<T> object) {
  if (!object) return;
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        delete static_cast<T*>(data);
        return G_SOURCE_REMOVE;
      },
      object.release(), nullptr);
}
}  // namespace

namespace detail {
void NoteTopLevel(TControl* control, bool present);
}

void TControl::ReleaseNativeWindow() {
  detail::NoteTopLevel(this, false);
  if (FNative) FNative->SetVisible(false);
  if (FRouter) FRouter->Detach();
  DeleteLater(std::move(FNative));
  DeleteLater(std::move(FRouter));
}

TControl::TControl(TComponent* AOwner) : TMessageWindow(AOwner), FClassName(u"TControl") {
  SetName(u"Widget_" + enc::Utf8ToUtf16(std::to_string(gNameCounter++)));
}

namespace {

// The frame-checked controls of all windows: a few in a program.
std::vector<TControl*>& FrameCheckedControls() {
  static std::vector<TControl*> controls;
  return controls;
}

}  // namespace

TControl::~TControl() {
  SetFrameChecked(false);
  // The children's windows go with this one (DestroyWindowHandle); the
  // child objects stay with their owners, detached.
  DestroyHandle();
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  if (FParent) FParent->RemoveChild(this);
  if (FShowHint) SetShowHint(false);
  detail::NoteTopLevel(this, false);
}

TControl* TControl::FromHandle(HWND window) {
  return dynamic_cast<TControl*>(TMessageWindow::FromHandle(window));
}

void TControl::SetCaption(const std::u16string& value) {
  if (value == FCaption) return;
  std::u16string text = value;
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  Perform(CM_TEXTCHANGED);
}

void TControl::SetCursor(int value) {
  if (value < 0 || value > 15) return;
  FCursor = value;
}

void TControl::SetLeft(int value) {
  if (value != FLeft) SetBounds(value, FTop, FWidth, FHeight);
}
void TControl::SetTop(int value) {
  if (value != FTop) SetBounds(FLeft, value, FWidth, FHeight);
}
void TControl::SetWidth(int value) {
  if (value != FWidth) SetBounds(FLeft, FTop, value, FHeight);
}
void TControl::SetHeight(int value) {
  if (value != FHeight) SetBounds(FLeft, FTop, FWidth, value);
}

void TControl::SetBounds(int x, int y, int width, int height) {
  if (HandleAllocated()) {
    MoveWindow(x, y, width, height);
  } else {
    FLeft = x;
    FTop = y;
    FWidth = width;
    FHeight = height;
    FClientWidth = width;
    FClientHeight = height;
  }
}

void TControl::MoveWindow(int x, int y, int width, int height, bool fromNative) {
  tagWINDOWPOS pos{WindowHandle(), 0, x, y, width, height, SWP_NOZORDER};
  if (x == FLeft && y == FTop) pos.flags |= SWP_NOMOVE;
  if (width == FWidth && height == FHeight) pos.flags |= SWP_NOSIZE;
  if ((pos.flags & SWP_NOMOVE) && (pos.flags & SWP_NOSIZE)) return;
  Perform(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  bool moved = pos.x != FLeft || pos.y != FTop;
  bool sized = pos.cx != FWidth || pos.cy != FHeight;
  if (FNative && !fromNative) FNative->SetBounds(pos.x, pos.y, pos.cx, pos.cy);
  FLeft = pos.x;
  FTop = pos.y;
  FWidth = pos.cx;
  FHeight = pos.cy;
  Perform(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (moved) Perform(WM_MOVE, 0, MAKELPARAM(FLeft, FTop));
  if (sized) Perform(WM_SIZE, SIZE_RESTORED, MAKELPARAM(FWidth, FHeight));
  if (FParent && FVisible) FParent->InvalidateTree();
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  FStyle = value ? (FStyle & ~WS_DISABLED) : (FStyle | WS_DISABLED);
  if (!HandleAllocated()) return;
  if (FNative) FNative->SetEnabled(value);
  Perform(WM_ENABLE, value ? 1 : 0);
  if (!value) {
    if (GetCapture() == WindowHandle()) ReleaseCapture();
    if (GetFocus() == WindowHandle()) widgets::SetFocus(0);
  }
}

void TControl::SetVisible(bool value) {
  HandleNeeded();
  ShowWindow(value);
}

void TControl::ShowWindow(bool show) {
  if (show == FVisible) return;
  Perform(WM_SHOWWINDOW, show ? 1 : 0);
  FVisible = show;
  if (FNative) FNative->SetVisible(show);
  if (!show && GetCapture() == WindowHandle()) ReleaseCapture();
  if (FParent) FParent->InvalidateTree();
}

void TControl::SetShowHint(bool value) {
  if (value == FShowHint) return;
  FShowHint = value;
  RegisterHintControl(this, value);
}

void TControl::SetHint(const std::u16string& value) {
  if (value == FHint) return;
  FHint = value;
  if (FShowHint) HintChanged(this);
}

void TControl::SetParent(TControl* value) {
  if (value == FParent || value == this) return;
  if (FParent) FParent->RemoveChild(this);
  FParent = value;
  if (FParent) {
    FParent->FControls.push_back(this);
    FParent->DescendantsChanged();
    // A top-level window that becomes a child gives up its native window.
    if (FNative) {
      ReleaseNativeWindow();
    }
  }
}

void TControl::RemoveChild(TControl* child) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), child), FControls.end());
  if (child->FParent == this) child->FParent = nullptr;
  DescendantsChanged();
}

void TControl::BringToFront() {
  if (!FParent) {
    if (FNative) FNative->Activate();
    return;
  }
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  FParent->DescendantsChanged();
}

void TControl::SetStyle(DWORD value) {
  FStyle = value;
  FEnabled = !(value & WS_DISABLED);
  ApplyStylesToNative();
}

void TControl::SetExStyle(DWORD value) {
  FExStyle = value;
  ApplyStylesToNative();
}

void TControl::ApplyStylesToNative() {
  if (!FNative) return;
  FNative->SetTopmost(FExStyle & WS_EX_TOPMOST);
  FNative->SetToolWindow(FExStyle & WS_EX_TOOLWINDOW);
  FNative->SetInputTransparent(FExStyle & WS_EX_TRANSPARENT);
  FNative->SetEnabled(FEnabled);
}

void TControl::SetClassNameW(const std::u16string& value) {
  if (!HandleAllocated()) FClassName = value.substr(0, 64);
}

void TControl::SetFocus() {
  if (HandleAllocated() && FVisible && FEnabled) widgets::SetFocus(WindowHandle());
}

bool TControl::Focused() const { return HandleAllocated() && GetFocus() == WindowHandle(); }

TPoint TControl::ClientToParent(TPoint point, TControl* ancestor) const {
  const TControl* c = this;
  while (c && c != ancestor && c->FParent) {
    point.X += c->FLeft;
    point.Y += c->FTop;
    c = c->FParent;
  }
  return point;
}

TPoint TControl::ClientToScreen(TPoint point) const {
  point = ClientToParent(point);
  const TControl* top = this;
  while (top->FParent) top = top->FParent;
  point.X += top->FLeft;
  point.Y += top->FTop;
  return point;
}

TPoint TControl::ScreenToClient(TPoint point) const {
  TPoint origin = ClientToScreen({0, 0});
  return {point.X - origin.X, point.Y - origin.Y};
}

void TControl::SetFrameChecked(bool value) {
  if (value == FFrameChecked) return;
  FFrameChecked = value;
  std::vector<TControl*>& controls = FrameCheckedControls();
  if (value)
    controls.push_back(this);
  else
    controls.erase(std::find(controls.begin(), controls.end(), this));
}

void TControl::CheckFrame(TControl* top) {
  // By index: a check may add or remove controls.
  std::vector<TControl*>& controls = FrameCheckedControls();
  for (size_t i = 0; i < controls.size(); ++i)
    if (controls[i]->TopLevel() == top) controls[i]->FrameCheck();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible) return false;
  return true;
}

TControl* TControl::TopLevel() {
  TControl* c = this;
  while (c->FParent) c = c->FParent;
  return c;
}

bool TControl::HitTest(int x, int y) { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }

TControl* TControl::ControlAtPos(int x, int y) {
  if (!HitTest(x, y)) return nullptr;
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* child = *it;
    if (!child->FVisible || !child->FEnabled || !child->HandleAllocated()) continue;
    if (TControl* hit = child->ControlAtPos(x - child->FLeft, y - child->FTop)) return hit;
  }
  return this;
}

void TControl::Invalidate() { Paint(); }

void TControl::InvalidateTree() {
  if (FParent)
    FParent->InvalidateTree();
  else if (FNative)
    FNative->Invalidate();
}

void TControl::CreateParams(TCreateParams& params) {
  params.Caption = FCaption;
  params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (!FEnabled) params.Style |= WS_DISABLED;
  if (FTabStop) params.Style |= WS_TABSTOP;
  params.ExStyle = WS_EX_CONTROLPARENT;
  params.X = FLeft;
  params.Y = FTop;
  params.Width = FWidth;
  params.Height = FHeight;
  params.WndParent = FParent ? FParent->Handle() : FParentWindow;
  params.WinClassName = FClassName;
}

void TControl::CreateHandle() {
  if (FParent) FParent->HandleNeeded();
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && !FParent) {
    // A window handle of another control may stand in for the parent.
    if (TControl* host = FromHandle(params.WndParent)) {
      SetParent(host);
    } else {
      throw EInvalidOperation("Parent Required " + enc::Utf16ToUtf8(Name()));
    }
  }
  FStyle = params.Style;
  FExStyle = params.ExStyle;
  FEnabled = !(FStyle & WS_DISABLED);
  TMessageWindow::CreateHandle();
  if (!HandleAllocated()) return;
  if (!FParent) CreateNativeWindow(params);
  if (FParent) {
    BringToFront();
    if (FCtrlID == 0) FCtrlID = static_cast<UINT>(WindowHandle());
  }
  if (FStyle & WS_VISIBLE) ShowWindow(true);
}

void TControl::CreateNativeWindow(const TCreateParams& params) {
  TNativeParams native;
  native.Kind = (params.Style & WS_POPUP) ? TNativeKind::Popup : TNativeKind::Normal;
  native.Caption = params.Caption;
  native.ClassName = params.WinClassName;
  native.X = params.X;
  native.Y = params.Y;
  native.Width = params.Width;
  native.Height = params.Height;
  native.Decorated = (params.Style & WS_CAPTION) == WS_CAPTION;
  native.Rgba = params.ExStyle & WS_EX_LAYERED;
  native.ToolWindow = params.ExStyle & WS_EX_TOOLWINDOW;
  native.Topmost = params.ExStyle & WS_EX_TOPMOST;
  native.InputTransparent = params.ExStyle & WS_EX_TRANSPARENT;
  AdjustNativeParams(native);
  FRouter = std::make_unique<TInputRouter>(this);
  FNative = Backend().CreateNativeWindow(FRouter.get(), native);
  detail::NoteTopLevel(this, true);
  if (!FEnabled) FNative->SetEnabled(false);
}

void TControl::DestroyWindowHandle() {
  // Children go first; their objects stay.
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) (*it)->DestroyHandle();
  HWND self = WindowHandle();
  if (GetCapture() == self) ReleaseCapture();
  if (GetFocus() == self) widgets::SetFocus(0);
  TMessageWindow::DestroyWindowHandle();
  FVisible = false;
  ReleaseNativeWindow();
}

TShiftState TControl::KeyDataToShiftState(LPARAM keyData) const {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (keyData & (LPARAM(1) << 29)) shift |= ssAlt;
  return shift;
}

}  // namespace widgets
