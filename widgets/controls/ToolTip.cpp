#include "widgets/controls/ToolTip.h"

#include <algorithm>

#include "widgets/controls/InputRouter.h"

namespace widgets {

namespace {
TToolTip* gInstance = nullptr;
}

TToolTip::TToolTip(TComponent* AOwner) : TWinControl(AOwner), FDelay(new TTimer(this)) {
  SetClassNameW(u"tooltips_class32");
  FDelay->SetEnabled(false);
  FDelay->SetOnTimer([this](TObject*) { DelayElapsed(); });
  if (!gInstance) {
    gInstance = this;
    SetPointerObserver([this](TControl* under, TPoint screen, UINT msg) { PointerEvent(under, screen, msg); });
  }
}

TToolTip::~TToolTip() {
  if (gInstance == this) {
    gInstance = nullptr;
    SetPointerObserver(nullptr);
  }
  DestroyHandle();
}

TToolTip* TToolTip::Instance() {
  // Made on demand, owned by nobody: it lives as long as the process.
  if (!gInstance) new TToolTip(nullptr);
  return gInstance;
}

void TToolTip::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style = WS_POPUP | 0x23;  // TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON
  params.ExStyle = WS_EX_TOPMOST;
  params.WndParent = 0;
}

void TToolTip::AdjustNativeParams(TNativeParams& params) {
  params.Kind = TNativeKind::ToolTip;
  params.Decorated = false;
  params.ToolWindow = true;
}

void TToolTip::SetBackColor(std::uint32_t value) { FBackColor = value; }
void TToolTip::SetTextColor(std::uint32_t value) { FTextColor = value; }

void TToolTip::SetEnableTip(bool value) {
  FEnableTip = value;
  if (!value) Hide();
}

void TToolTip::AddTool(TControl* control) { FTools.insert(control); }

void TToolTip::DelTool(TControl* control) {
  FTools.erase(control);
  if (FCandidate == control) {
    FCandidate = nullptr;
    FDelay->SetEnabled(false);
  }
  if (FShownFor == control) Hide();
}

void TToolTip::UpdateTipText(TControl* control) {
  if (FShownFor == control) {
    if (control->Hint().empty())
      Hide();
    else
      Show(control);
  }
}

void TToolTip::Hide() {
  FDelay->SetEnabled(false);
  FShownFor = nullptr;
  FShownText.clear();
  if (HandleAllocated()) SetVisible(false);
}

void TToolTip::PointerEvent(TControl* under, TPoint screen, UINT msg) {
  FPointer = screen;
  if (msg != WM_MOUSEMOVE) {
    // Buttons and the wheel put the tip away until the pointer moves on to
    // another control.
    Hide();
    FSuppressed = msg != WM_MOUSELEAVE;
    if (msg == WM_MOUSELEAVE) FCandidate = nullptr;
    return;
  }
  if (under == FCandidate) return;
  Hide();
  FSuppressed = false;
  FCandidate = under;
  if (under && FEnableTip && IsTool(under)) {
    FDelay->SetInterval(Backend().HoverTime());
    FDelay->SetEnabled(true);
  }
}

void TToolTip::DelayElapsed() {
  FDelay->SetEnabled(false);
  if (FSuppressed || !FCandidate || !IsTool(FCandidate)) return;
  Show(FCandidate);
}

void TToolTip::Show(TControl* control) {
  if (!FEnableTip || !control->ShowHint() || control->Hint().empty()) return;
  HandleNeeded();
  FShownFor = control;
  FShownText = control->Hint();
  TPoint size{0, 0};
  if (NativeWindow()) size = NativeWindow()->SetTipText(FShownText, MaxTipWidth, FBackColor, FTextColor);
  // Below and right of the pointer, kept on the work area.
  TRect work = Backend().WorkArea();
  int x = FPointer.X + 2, y = FPointer.Y + 20;
  if (x + size.X > work.Right) x = std::max(work.Left, work.Right - size.X);
  if (y + size.Y > work.Bottom) y = std::max(work.Top, FPointer.Y - size.Y - 4);
  SetBounds(x, y, size.X, size.Y);
  SetVisible(true);
}

void RegisterHintControl(TControl* control, bool add) {
  if (add)
    TToolTip::Instance()->AddTool(control);
  else if (TToolTip* tip = gInstance)
    tip->DelTool(control);
}

void HintChanged(TControl* control) {
  if (TToolTip* tip = gInstance) tip->UpdateTipText(control);
}

}  // namespace widgets
