// TControl: the base of every control. A control has a window handle in the
// message registry and turns the messages it receives into handler calls
// and published events. There are no native child windows: only a control
// without a parent (a top-level window) has a native window from the
// backend; the toolkit hit-tests the control tree of that window and sends
// the mouse messages to the control under the pointer (or to the capturing
// control), and key messages to the focused control.
//
// Like the windows it stands for, a control is hidden until Visible is set
// (its creation style has no WS_VISIBLE).
//
// For painted descendants: Paint/Update/DoPaint/Present/InvalidateTree are
// the paint hooks (empty here), HitTest decides which pixels take input,
// NativeWindow() gives the top-level's backend window (Present, opacity).
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "widgets/backend/Backend.h"
#include "widgets/Core.h"

namespace widgets {

// Window styles (the subset the toolkit looks at).
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_LAYERED = 0x00080000;

// Shift state: bit 0 Shift, bit 1 Alt, bit 2 Ctrl.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;

enum TCloseAction { caNone, caHide, caFree, caMinimize };

struct tagWINDOWPOS {
  HWND hwnd = 0;
  HWND hwndInsertAfter = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  UINT flags = 0;
};
constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004;

// WM_MEASUREITEM / WM_DRAWITEM records (lParam points at one).
struct MEASUREITEMSTRUCT {
  UINT CtlType = 0, CtlID = 0, itemID = 0, itemWidth = 0, itemHeight = 0;
  std::uintptr_t itemData = 0;
};
struct DRAWITEMSTRUCT {
  UINT CtlType = 0, CtlID = 0, itemID = 0, itemAction = 0, itemState = 0;
  HWND hwndItem = 0;
  void* hDC = nullptr;
  TRect rcItem;
  std::uintptr_t itemData = 0;
};

using TMouseEvent = std::function<void(TObject* Sender, UINT Keys, int X, int Y)>;
using TMouseMoveEvent = TMouseEvent;
using TMouseWheelEvent = std::function<void(TObject* Sender, UINT Keys, int WheelDelta, int X, int Y)>;
using TSizeEvent = std::function<void(TObject* Sender, UINT Flag, int NewWidth, int NewHeight)>;
using TSizingEvent = std::function<void(TObject* Sender, UINT Edge, TRect& Rect)>;
using TMoveEvent = std::function<void(TObject* Sender, int X, int Y)>;
using TMovingEvent = std::function<void(TObject* Sender, UINT Side, TRect& Rect)>;
using TContextMenuEvent = std::function<void(TObject* Sender, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char16_t& CharCode)>;
using TCharEvent = TKeyPressEvent;
using TWindowPosChangingEvent = std::function<void(TObject* Sender, tagWINDOWPOS& Pos)>;

struct TCreateParams {
  std::u16string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = 0;
  std::u16string WinClassName;
};

// Raised for a child control that has no parent: "Parent Required <name>".
class EInvalidOperation : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TInputRouter;

class TControl : public TMessageWindow {
 public:
  explicit TControl(TComponent* AOwner = nullptr);
  ~TControl() override;

  // --- published properties ---
  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(const std::u16string& value);
  // 0..15 (arrow, I-beam, wait, cross, up arrow, size, icon, NW-SE, NE-SW,
  // W-E, N-S, size-all, no, hand, app-starting, help); -1 none (class
  // cursor). Other values are ignored.
  int Cursor() const { return FCursor; }
  void SetCursor(int value);
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value);
  void SetTop(int value);
  void SetWidth(int value);
  void SetHeight(int value);
  virtual void SetBounds(int x, int y, int width, int height);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  TControl* Parent() const { return FParent; }
  virtual void SetParent(TControl* value);
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND value) { FParentWindow = value; }
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  // Children in z-order, 0 = bottom.
  TControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  DWORD Style() const { return FStyle; }
  void SetStyle(DWORD value);
  DWORD ExStyle() const { return FExStyle; }
  void SetExStyle(DWORD value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  const std::u16string& Hint() const { return FHint; }
  void SetHint(const std::u16string& value);
  UINT CtrlID() const { return FCtrlID; }
  void SetCtrlID(UINT value) { FCtrlID = value; }
  // Painting state, used by painted descendants.
  bool Redraw() const { return FRedraw; }
  virtual void SetRedraw(bool value) { FRedraw = value; }
  bool Cached() const { return FCached; }
  virtual void SetCached(bool value) { FCached = value; }
  bool Locked() const { return FLocked; }
  virtual void SetLocked(bool value) { FLocked = value; }
  const std::u16string& ClassNameW() const { return FClassName; }
  // Only before the window exists.
  void SetClassNameW(const std::u16string& value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value) { FTabStop = value; }
  bool MouseInside() const { return FMouseInside; }

  // --- published events ---
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnMouseHover;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseWheelEvent OnMouseWheel;
  TSizeEvent OnSize;
  TSizingEvent OnSizing;
  TMoveEvent OnMove;
  TMovingEvent OnMoving;
  TNotifyEvent OnSysTimer;
  TNotifyEvent OnSetFocus;
  TNotifyEvent OnKillFocus;
  TContextMenuEvent OnContextMenu;
  TMouseMoveEvent OnDrag;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TCharEvent OnChar;
  TKeyPressEvent OnKeyPress;
  TWindowPosChangingEvent OnWindowPosChanging;
  TWindowPosChangingEvent OnWindowPosChanged;

  // --- operations ---
  // Focuses the control when its window exists, is visible and enabled.
  void SetFocus();
  bool Focused() const;
  TPoint ClientToParent(TPoint point, TControl* ancestor = nullptr) const;
  TPoint ClientToScreen(TPoint point) const;
  TPoint ScreenToClient(TPoint point) const;
  TControl* TopLevel();
  // Raises the control to the top of its siblings.
  void BringToFront();
  // The deepest visible, enabled control at the point (client coordinates
  // of this control) that takes input there; this control when no child
  // does; nullptr when the point is outside.
  TControl* ControlAtPos(int x, int y);
  static TControl* FromHandle(HWND window);

  // The top-level's native window (nullptr for children and before the
  // handle exists).
  TNativeWindow* NativeWindow() const { return FNative.get(); }

  // --- virtual slots ---
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // Whether the point (client coordinates) belongs to the control. Painted
  // buttons narrow it to their opaque pixels.
  virtual bool HitTest(int x, int y);
  virtual void Invalidate();
  virtual void Paint() {}
  virtual void Update() {}
  virtual void DoPaint() {}
  virtual void Present() {}
  virtual void InvalidateTree();
  // A painted control of its own kind (not a TControlEx): what its picture
  // changed since its parent last asked, in its own pixels. Unless it
  // knows better, all of it.
  virtual TRect TakePaintedChange() { return {0, 0, FWidth, FHeight}; }
  // A child was added, removed or restacked, or something that a painted
  // child or one below it shows changed: a composition that skipped this
  // control's unchanged subtree must walk it again.
  virtual void DescendantsChanged() {}
  // A control that draws from state nobody tells it of (a list comparing
  // its rows, an entry of the windowing system following its place) and
  // that seldom changes it: the window it shows in calls FrameCheck before
  // each composition, where the control looks and tells its parents of a
  // change (DescendantsChanged), so that a frame in which it did not change
  // walks neither it nor the panels around it.
  void SetFrameChecked(bool value);
  bool FrameChecked() const { return FFrameChecked; }
  virtual void FrameCheck() {}
  // FrameCheck of every frame-checked control whose top-level is `top`.
  static void CheckFrame(TControl* top);
  // A painted control of its own kind: whether its last paint left nothing
  // for the parent to take and nothing changed since, so that a parent with
  // nothing else to compose need not walk it. Unless it knows better, no.
  virtual bool PaintSettled() const { return false; }
  // Whether the control and every parent are visible.
  bool Showing() const;

 protected:
  virtual void CreateParams(TCreateParams& params);
  void CreateHandle() override;
  void DestroyWindowHandle() override;
  // Builds the native window of a top-level control.
  virtual void CreateNativeWindow(const TCreateParams& params);
  // Last word on the native window's parameters (kind, visual).
  virtual void AdjustNativeParams(TNativeParams&) {}
  virtual void TextChanged() {}
  virtual void FontChanged() {}

  // Message handlers (the dispatch table).
  virtual void WMMove(TMessage& m);
  virtual void WMSize(TMessage& m);
  virtual void WMSetFocus(TMessage& m);
  virtual void WMKillFocus(TMessage& m);
  virtual void WMSetText(TMessage& m);
  virtual void WMGetText(TMessage& m);
  virtual void WMGetTextLength(TMessage& m);
  virtual void WMShowWindow(TMessage& m);
  virtual void WMCancelMode(TMessage& m);
  virtual bool WMSetCursor(TMessage& m);  // true: stop
  virtual void WMDrawItem(TMessage& m);
  virtual void WMMeasureItem(TMessage& m);
  virtual void WMWindowPosChanging(TMessage& m);
  virtual void WMWindowPosChanged(TMessage& m);
  virtual void WMNotify(TMessage& m);
  virtual void WMContextMenu(TMessage& m);
  virtual void WMNCHitTest(TMessage& m);
  virtual void WMGetDlgCode(TMessage& m);
  virtual void WMKeyDown(TMessage& m);
  virtual void WMKeyUp(TMessage& m);
  virtual bool WMChar(TMessage& m);  // true: stop
  virtual void WMCommand(TMessage& m);
  virtual void WMSysTimer(TMessage& m);
  virtual void WMCtlColor(TMessage& m);
  virtual void WMMouseMove(TMessage& m);
  virtual void WMButtonDown(TMessage& m);
  virtual void WMButtonUp(TMessage& m);
  virtual void WMButtonDblClk(TMessage& m);
  virtual void WMMouseWheel(TMessage& m);
  virtual void WMSizing(TMessage& m);
  virtual void WMMoving(TMessage& m);
  virtual void WMMouseHover(TMessage& m);
  virtual void WMMouseLeave(TMessage& m);
  virtual void MouseEnter(TMessage& m);
  virtual void CNDrawItem(TMessage& m) { m.Result = 1; }
  virtual void CNMeasureItem(TMessage& m) { m.Result = 1; }
  virtual void CNHScroll(TMessage&) {}
  virtual void CNVScroll(TMessage&) {}

  // Moves/sizes the window (WM_WINDOWPOSCHANGING/CHANGED, WM_MOVE, WM_SIZE);
  // `fromNative` when the window manager did it.
  void MoveWindow(int x, int y, int width, int height, bool fromNative = false);
  void ShowWindow(bool show);
  TShiftState KeyDataToShiftState(LPARAM keyData) const;

  bool FClickPending = false;

 private:
  friend class TInputRouter;
  void RemoveChild(TControl* child);
  void ApplyStylesToNative();
  void ReleaseNativeWindow();

  std::u16string FCaption;
  int FCursor = -1;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  int FClientWidth = 0, FClientHeight = 0;
  bool FEnabled = true;
  bool FVisible = false;
  TControl* FParent = nullptr;
  HWND FParentWindow = 0;
  std::vector<TControl*> FControls;
  DWORD FStyle = 0;
  DWORD FExStyle = 0;
  bool FShowHint = false;
  std::u16string FHint;
  UINT FCtrlID = 0;
  bool FRedraw = true;
  bool FCached = false;
  bool FFrameChecked = false;
  bool FLocked = false;
  std::u16string FClassName;
  bool FTabStop = false;
  bool FMouseInside = false;
  std::uintptr_t FIcons[2] = {0, 0};  // small, big (WM_SETICON)
  std::unique_ptr<TInputRouter> FRouter;
  std::unique_ptr<TNativeWindow> FNative;
};

// Mouse capture and focus, process-wide (user-interface thread).
HWND SetCapture(HWND window);
bool ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND window);
HWND GetFocus();
// Shows `index` (0..15) as the pointer shape over the window under the
// pointer.
void SetCursor(int index);
constexpr DWORD TME_HOVER = 1, TME_LEAVE = 2, TME_CANCEL = 0x80000000;
constexpr UINT HOVER_DEFAULT = 0xFFFFFFFF;
// Asks for WM_MOUSEHOVER after the pointer rests on the window and
// WM_MOUSELEAVE when it leaves.
bool TrackMouseEvent(DWORD flags, HWND window, UINT hoverTime = HOVER_DEFAULT);

// Top-level windows of this process (controls with a native window), in
// creation order; stops when `each` returns false.
void EnumWindows(const std::function<bool(HWND)>& each);
// Screen rectangle of a window (children too); false when not a window.
bool GetWindowRect(HWND window, TRect& rect);
// Visible itself and all its parents.
bool IsWindowVisible(HWND window);
// Brings the window's top-level window forward and activates it.
bool SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_MINIMIZE = 6, SW_SHOW = 5;
bool ShowWindow(HWND window, int command);
void MessageBeep();

}  // namespace widgets
