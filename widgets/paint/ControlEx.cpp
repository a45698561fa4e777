#include "widgets/paint/ControlEx.h"

#include <cstring>

namespace widgets {

TControlEx::TControlEx(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TCanvasEx>(0, 0)) {
  SetClassNameW(u"TControlEx");
  FCanvas->Font().OnChange = [this] { Perform(CM_FONTCHANGED); };
}

TControlEx::~TControlEx() {
  FCanvas->Font().OnChange = nullptr;
  DestroyHandle();
}

void TControlEx::SetBlendBlurred(int passes) {
  FBlendMode = TBlendModeEx::Blurred;
  FBlendPasses = passes;
}

void TControlEx::SetBlendClipped(const TRect& rect) {
  FBlendMode = TBlendModeEx::Clipped;
  FBlendRect = rect;
}

void TControlEx::SizeCanvas() {
  if (FCanvas->Width() != Width() || FCanvas->Height() != Height()) {
    FCanvas->Resize(Width(), Height());
    // The old picture is gone, so even a cached control must draw again.
    SetRedraw(true);
  }
}

void TControlEx::CreateHandle() {
  TControl::CreateHandle();
  SizeCanvas();
}

void TControlEx::WMSize(TMessage& m) {
  SizeCanvas();
  TControl::WMSize(m);
}

void TControlEx::FontChanged() { SizeCanvas(); }

void TControlEx::Paint() {
  if (FPainting) return;
  FPainting = true;
  struct TGuard {
    bool& Flag;
    ~TGuard() { Flag = false; }
  } guard{FPainting};
  if (!HandleAllocated()) return;
  // Children blend into this control's canvas, so a cached control that
  // has any must start each picture from its own again.
  bool composes = false;
  for (int i = 0; i < ControlCount() && !composes && !Locked(); ++i) composes = Controls(i)->Visible();
  if (!Redraw() && composes && !FOwnPicture) SetRedraw(true);
  if (Redraw()) {
    if (!Locked()) DoPaint();
    SetRedraw(!Cached());
    if (Cached() && composes)
      FOwnPicture = FCanvas->Bitmap().Clone();
    else
      FOwnPicture.reset();
  } else if (FOwnPicture && !Locked()) {
    // (Also once after the last child went: its picture must go too.)
    const TBitmapEx& own = *FOwnPicture;
    const TBitmapEx& picture = FCanvas->Bitmap();
    if (own.Height() == picture.Height() && own.Stride() == picture.Stride()) {
      picture.Flush();
      own.Flush();
      std::memcpy(picture.Bits(), own.Bits(), static_cast<size_t>(own.Stride()) * static_cast<size_t>(own.Height()));
      picture.MarkDirty();
    }
    if (!composes) FOwnPicture.reset();
  }
  if (!Locked()) {
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* child = Controls(i);
      if (child->Visible()) child->Paint();
    }
  }
  Present();
}

void TControlEx::DoPaint() {
  FCanvas->Clear();
  if (OnPaint) OnPaint(this);
}

void TControlEx::Present() {
  auto* parent = dynamic_cast<TControlEx*>(Parent());
  if (!parent) return;
  TCanvasEx& target = parent->Canvas();
  const TBitmapEx& picture = FCanvas->Bitmap();
  switch (FBlendMode) {
    case TBlendModeEx::Plain: target.DrawBitmapAlpha(picture, Left(), Top(), FOpacity); break;
    case TBlendModeEx::Blurred: target.DrawBlurred(picture, Left(), Top(), FBlendPasses); break;
    case TBlendModeEx::Clipped:
      target.DrawBitmapRectAlpha(picture, Left() + FBlendRect.Left, Top() + FBlendRect.Top,
                                 FBlendRect.Width(), FBlendRect.Height(), FBlendRect.Left,
                                 FBlendRect.Top, FOpacity);
      break;
  }
}

void TControlEx::InvalidateTree() {
  if (Parent()) Parent()->InvalidateTree();
}

}  // namespace widgets
