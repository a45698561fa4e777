#include "ui/controls/Edit.h"

#include <algorithm>

#include "ui/controls/Tinting.h"
#include "widgets/paint/ControlEx.h"
#include "widgets/paint/Damage.h"

using namespace core;
using namespace widgets;

namespace ui {

namespace {

// Posted to ourselves, so that a burst of entry notifications (a typed
// letter moves the text and the caret) costs one repaint.
constexpr UINT kRedrawMessage = WM_APP + 0x101;
constexpr UINT kPlaceMessage = WM_APP + 0x102;
// Hiding a parent tells the edit nothing, yet the system entry must not
// take clicks where nothing shows: its place is checked this often, while
// the window shows (a hidden window takes no clicks; showing it again
// paints it all, and the paint takes up the watch again).
constexpr std::uintptr_t kPlaceTimer = 1;
constexpr UINT kPlaceInterval = 250;

}  // namespace

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TCanvasEx>(0, 0)) {
  SetClassNameW(u"TEdit");
  SetTabStop(true);
  SetFrameChecked(true);
  FBlinkPeriod = Backend().CaretBlinkTime();
  FPhaseTime = TickCount();
  FCanvas->Font().OnChange = [this] { Perform(WM_SETFONT); };
}

TEdit::~TEdit() {
  FCanvas->Font().OnChange = nullptr;
  DestroyHandle();
}

void TEdit::SetColor(std::uint32_t value) {
  FColor = value;
  InvalidateTree();
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WinClassName = u"EDIT";
  params.Style |= ES_AUTOHSCROLL;
  params.ExStyle |= WS_EX_TRANSPARENT;
}

void TEdit::CreateHandle() {
  TWinControl::CreateHandle();
  if (!HandleAllocated()) return;
  FCanvas->Resize(Width(), Height());
  TControl* top = TopLevel();
  if (top && top != this && top->NativeWindow()) FNative = top->NativeWindow()->CreateEdit(this);
  FSystemEntry = FNative != nullptr;
  if (!FNative) FNative = CreateMemoryEdit(this);
  FSyncing = true;  // the first text is no change
  FNative->SetLook(Look());
  FNative->SetText(Caption());
  FNative->SetEnabled(Enabled());
  FSyncing = false;
  FCaretHeight = FCanvas->TextHeight(u"Wg");
  if (FSystemEntry) SetTimer(WindowHandle(), kPlaceTimer, kPlaceInterval);
  PlaceEntry();
}

void TEdit::DestroyWindowHandle() {
  if (HandleAllocated()) KillTimer(WindowHandle(), kPlaceTimer);
  FNative.reset();
  FSystemEntry = false;
  FPlaceAsleep = false;
  FEntryShown = false;
  FPlaced = {-1, -1, -1, -1};
  TWinControl::DestroyWindowHandle();
}

TEditLook TEdit::Look() const {
  TEditLook look;
  look.FontName = Font().Name();
  look.FontPoints = Font().Size();
  look.FontStyle = Font().Style();
  look.TextColour = Font().Color();
  look.SelectionBack = AccentColour;
  look.SelectionText = 0xFFFFFFFF;
  return look;
}

void TEdit::PlaceEntry() {
  if (!FNative) return;
  TControl* top = TopLevel();
  TPoint at = top && top != this ? ClientToParent({0, 0}, top) : TPoint{0, 0};
  TRect place{at.X, at.Y, at.X + Width(), at.Y + Height()};
  if (!(place == FPlaced)) {
    FPlaced = place;
    FNative->SetBounds(place.Left, place.Top, place.Width(), place.Height());
  }
  const bool shown = HandleAllocated() && IsWindowVisible(WindowHandle());
  if (shown != FEntryShown) {
    FEntryShown = shown;
    FNative->SetVisible(shown);
  }
}

void TEdit::SetSelection(int start, int end) {
  FPictureStale = true;
  if (FNative) FNative->SetSelection(start, end);
}

void TEdit::SelectAll() { SetSelection(0, static_cast<int>(Caption().size())); }

int TEdit::SelStart() const {
  int start = 0, end = 0;
  if (FNative) FNative->Selection(start, end);
  return start;
}

int TEdit::SelLength() const {
  int start = 0, end = 0;
  if (FNative) FNative->Selection(start, end);
  return end - start;
}

void TEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFONT: WMSetFont(message); return;
    case WM_TIMER:
      if (message.WParam == kPlaceTimer) {
        PlaceEntry();
        TControl* top = TopLevel();
        if (top && top->HandleAllocated() && !IsWindowVisible(top->WindowHandle())) {
          KillTimer(WindowHandle(), kPlaceTimer);
          FPlaceAsleep = true;
        }
      }
      return;
    case kPlaceMessage: PlaceEntry(); return;
    case kRedrawMessage:
      FRedrawPosted = false;
      InvalidateTree();
      return;
    default: break;
  }
  TWinControl::WndProc(message);
}

void TEdit::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: {
      FReachedDefault = message.WParam != 0;
      // Keys the toolkit delivered (the system entry takes its own).
      if (FReachedDefault && !FFromEntry && !FSystemEntry && FNative && message.Msg != WM_KEYUP) {
        const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
        if (message.Msg == WM_KEYDOWN)
          FNative->TypeKey(static_cast<unsigned>(message.WParam), 0, shift, ctrl);
        else
          FNative->TypeKey(0, static_cast<char16_t>(message.WParam), shift, ctrl);
      }
      return;
    }
    default: break;
  }
  TWinControl::DefaultHandler(message);
}

void TEdit::RestartCaretPhase() {
  FCaretPhase = true;
  FPhaseTime = TickCount();
}

void TEdit::WMSetFocus(TMessage& m) {
  FHasFocus = true;
  RestartCaretPhase();
  if (FNative) FNative->SetFocused(true);
  TWinControl::WMSetFocus(m);
  InvalidateTree();
}

void TEdit::WMKillFocus(TMessage& m) {
  FHasFocus = false;
  FCaretPhase = false;
  // Coming back, the caret fades in from nothing.
  FCaretAlpha = 0;
  if (FNative) FNative->SetFocused(false);
  TWinControl::WMKillFocus(m);
  InvalidateTree();
}

void TEdit::WMWindowPosChanged(TMessage& m) {
  TWinControl::WMWindowPosChanged(m);
  if (FCanvas->Width() != Width() || FCanvas->Height() != Height()) FCanvas->Resize(Width(), Height());
  PlaceEntry();
  // Its place in the parent's picture changed.
  if (Parent()) Parent()->DescendantsChanged();
}

void TEdit::WMShowWindow(TMessage& m) {
  TWinControl::WMShowWindow(m);
  if (Parent()) Parent()->DescendantsChanged();
  // The visibility changes after this message; look again once it has.
  if (HandleAllocated()) PostMessage(WindowHandle(), kPlaceMessage);
}

void TEdit::WMKeyDown(TMessage& m) {
  RestartCaretPhase();
  TWinControl::WMKeyDown(m);
}

bool TEdit::WMChar(TMessage& m) {
  RestartCaretPhase();
  return TWinControl::WMChar(m);
}

void TEdit::WMButtonDown(TMessage& m) {
  FHasFocus = true;
  if (m.Msg == WM_LBUTTONDOWN) SetFocus();
  TWinControl::WMButtonDown(m);
}

void TEdit::WMContextMenu(TMessage& m) {
  FHasFocus = false;
  TWinControl::WMContextMenu(m);
}

void TEdit::WMCommand(TMessage& m) {
  if (HIWORD(m.WParam) == EN_CHANGE && static_cast<HWND>(m.LParam) == WindowHandle()) {
    Change();
    return;
  }
  TWinControl::WMCommand(m);
}

void TEdit::WMSetFont(TMessage&) {
  if (FNative) FNative->SetLook(Look());
  FCaretHeight = FCanvas->TextHeight(u"Wg");
  InvalidateTree();
}

void TEdit::TextChanged() {
  FPictureStale = true;
  if (!FSyncing && FNative) FNative->SetText(Caption());
}

void TEdit::Change() {
  if (FNotifyChanges && OnChange) OnChange(this);
}

void TEdit::NativeEditChanged() {
  if (FSyncing || !FNative) return;
  FSyncing = true;
  SetCaption(FNative->Text());
  FSyncing = false;
  // As the system's edit box tells its parent, which reflects it back.
  Perform(WM_COMMAND, MAKEWPARAM(0, EN_CHANGE), static_cast<LPARAM>(WindowHandle()));
}

void TEdit::NativeEditFocus(bool focused) {
  if (!HandleAllocated()) return;
  if (focused) {
    if (GetFocus() != WindowHandle())
      widgets::SetFocus(WindowHandle());
    FHasFocus = true;
  } else {
    FHasFocus = false;
  }
  NativeEditRedraw();
}

bool TEdit::NativeEditKey(bool down, unsigned vk, char16_t ch) {
  if (!HandleAllocated()) return false;
  FFromEntry = true;
  bool used = false;
  if (vk) {
    FReachedDefault = false;
    Perform(down ? WM_KEYDOWN : WM_KEYUP, vk, down ? 1 : (LPARAM(3) << 30) | 1);
    used = !FReachedDefault;
  }
  if (down && ch && !used && HandleAllocated()) {
    FReachedDefault = false;
    Perform(WM_CHAR, ch, 1);
    used = !FReachedDefault;
  }
  FFromEntry = false;
  return used;
}

void TEdit::NativeEditRedraw() {
  FPictureStale = true;
  if (FRedrawPosted || !HandleAllocated()) return;
  FRedrawPosted = PostMessage(WindowHandle(), kRedrawMessage);
}

void TEdit::FrameCheck() {
  if (!HandleAllocated() || !FNative) return;
  WakePlace();
  PlaceEntry();
  if (!PaintSettled() && Visible() && Parent()) Parent()->DescendantsChanged();
}

void TEdit::WakePlace() {
  if (!FPlaceAsleep) return;
  FPlaceAsleep = false;
  SetTimer(WindowHandle(), kPlaceTimer, kPlaceInterval);
}

bool TEdit::Still() const {
  return FLastPicture && !FPictureStale && !FHasFocus && !FTransparentBackground && FPaintedEnabled == Enabled() &&
         FCanvas->Width() == Width() && FCanvas->Height() == Height();
}

bool TEdit::PaintSettled() const {
  // Blended again over itself, only an opaque picture stays the same.
  return Still() && FChanged.Width() <= 0 && FOpacity == 255;
}

void TEdit::Paint() {
  if (!HandleAllocated() || !FNative) return;
  WakePlace();
  PlaceEntry();
  // Rendering the entry is the costly part of a frame: an unfocused edit
  // whose entry, look and size stayed the same keeps its picture.
  const bool still = Still();
  FPictureStale = false;
  FPaintedEnabled = Enabled();
  // Still, it is not blended again: the parent puts it back where it
  // composes anything over it, and elsewhere its pixels are there.
  if (still) return;
  DoPaint();
  DrawCaret();
  const TBitmapEx& picture = FCanvas->Bitmap();
  TRect changed{0, 0, picture.Width(), picture.Height()};
  if (FLastPicture && FLastPicture->Width() == picture.Width() && FLastPicture->Height() == picture.Height()) {
    changed = ChangedRect(*FLastPicture, picture);
    CopyRect(picture, *FLastPicture, changed);
  } else {
    FLastPicture = picture.Clone();
  }
  if (changed.Width() > 0) {
    if (FChanged.Width() <= 0)
      FChanged = changed;
    else
      FChanged = {std::min(FChanged.Left, changed.Left), std::min(FChanged.Top, changed.Top),
                  std::max(FChanged.Right, changed.Right), std::max(FChanged.Bottom, changed.Bottom)};
  }
  Present();
}

void TEdit::InvalidateTree() {
  FPictureStale = true;
  TWinControl::InvalidateTree();
}

TRect TEdit::TakePaintedChange() {
  TRect changed = FChanged;
  FChanged = {};
  // Blended again over itself, only an opaque picture stays the same: the
  // parent must put back what lies below first.
  if (FTransparentBackground || FOpacity < 255) changed = {0, 0, Width(), Height()};
  return changed;
}

void TEdit::DoPaint() {
  TCanvasEx& canvas = *FCanvas;
  if (canvas.Width() != Width() || canvas.Height() != Height()) canvas.Resize(Width(), Height());
  canvas.Clear();
  auto* parent = dynamic_cast<TControlEx*>(Parent());
  if (FTransparentBackground && parent) {
    canvas.DrawBitmapRect(parent->Canvas().Bitmap(), 0, 0, Width(), Height(), Left(), Top());
  } else {
    canvas.Brush().SetColor(FColor | 0xFF000000);
    canvas.FillRect(0, 0, Width(), Height());
  }
  FNative->Render(canvas.Context());
}

void TEdit::DrawCaret() {
  if (!FHasFocus || !IsWindowVisible(WindowHandle())) return;
  if (FCaretPhase) {
    FCaretAlpha = FCaretAlpha > 174 ? 255 : FCaretAlpha + 80;
  } else {
    FCaretAlpha = FCaretAlpha < 41 ? 0 : FCaretAlpha - 40;
  }
  TEditCaret caret = FNative->Caret();
  FCanvas->Brush().SetColor((FCaretColour & 0x00FFFFFF) | (static_cast<std::uint32_t>(FCaretAlpha) << 24));
  FCanvas->FillRect(caret.X, caret.Y, caret.X + FCaretWidth, caret.Y + FCaretHeight);
  const DWORD now = TickCount();
  if (now - FPhaseTime >= FBlinkPeriod) {
    FCaretPhase = !FCaretPhase;
    FPhaseTime = now;
  }
}

void TEdit::Present() {
  auto* parent = dynamic_cast<TControlEx*>(Parent());
  if (!parent) return;
  parent->Canvas().DrawBitmapAlpha(FCanvas->Bitmap(), Left(), Top(), FOpacity);
}

}  // namespace ui
