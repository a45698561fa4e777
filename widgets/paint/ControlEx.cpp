#include "widgets/paint/ControlEx.h"

#include <algorithm>
#include <typeinfo>

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

void TControlEx::SetOpacity(std::uint8_t value) {
  if (value == FOpacity) return;
  FOpacity = value;
  Stir();
}

void TControlEx::SetBlendPlain() {
  if (FBlendMode == TBlendModeEx::Plain) return;
  FBlendMode = TBlendModeEx::Plain;
  Stir();
}

void TControlEx::SetBlendBlurred(int passes) {
  FBlendMode = TBlendModeEx::Blurred;
  FBlendPasses = passes;
  Stir();
}

void TControlEx::SetBlendClipped(const TRect& rect) {
  FBlendMode = TBlendModeEx::Clipped;
  FBlendRect = rect;
  Stir();
}

void TPaintEvent::Changed() { FOwner.Stir(); }

void TControlEx::Stir() {
  FSettled = false;
  if (Parent()) Parent()->DescendantsChanged();
}

void TControlEx::DescendantsChanged() {
  // An unsettled control is walked anyway; so are the ones above it.
  if (!FSettled) return;
  Stir();
}

void TControlEx::SetRedraw(bool value) {
  TControl::SetRedraw(value);
  if (value) Stir();
}

void TControlEx::SetCached(bool value) {
  if (value == Cached()) return;
  TControl::SetCached(value);
  Stir();
}

void TControlEx::WMMove(TMessage& m) {
  TControl::WMMove(m);
  Stir();
}

void TControlEx::WMShowWindow(TMessage& m) {
  TControl::WMShowWindow(m);
  Stir();
}

void TControlEx::TextChanged() {
  TControl::TextChanged();
  Stir();
}

void TControlEx::SizeCanvas() {
  if (FCanvas->Width() != Width() || FCanvas->Height() != Height()) {
    FCanvas->Resize(Width(), Height());
    // The old picture is gone, so even a cached control must draw again.
    SetRedraw(true);
    FWholeDamage = true;
  }
}

void TControlEx::CreateHandle() {
  TControl::CreateHandle();
  SizeCanvas();
  Stir();
}

void TControlEx::WMSize(TMessage& m) {
  SizeCanvas();
  TControl::WMSize(m);
}

void TControlEx::FontChanged() {
  SizeCanvas();
  Stir();
}

void TControlEx::SetLocked(bool value) {
  // Unlocked, the picture that stood still must be composed again.
  if (!value && Locked()) FWholeDamage = true;
  if (value != Locked()) Stir();
  TControl::SetLocked(value);
}

bool TControlEx::OwnPictureBlank() const { return !OnPaint && typeid(*this) == typeid(TControlEx); }

bool TControlEx::ChangesOnlyWhenTold() const {
  // A subclass may draw from state of its own: it says so itself.
  return OwnPictureBlank() || (Cached() && typeid(*this) == typeid(TControlEx));
}

void TControlEx::RepaintAll() {
  FWholeDamage = true;
  FLastPicture.reset();
  Stir();
  if (Cached()) SetRedraw(true);
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* child = dynamic_cast<TControlEx*>(Controls(i))) child->RepaintAll();
}

bool TControlEx::PaintHeld() {
  auto* top = dynamic_cast<TControlEx*>(TopLevel());
  return top && top->HoldsPaints();
}

void TControlEx::Paint() {
  if (FPainting) return;
  // Children composed by their parent were let through with it.
  if (!FDeferPresent && PaintHeld()) return;
  const bool deferred = FDeferPresent;
  FDeferPresent = false;
  FPainting = true;
  struct TGuard {
    bool& Flag;
    ~TGuard() { Flag = false; }
  } guard{FPainting};
  if (!HandleAllocated()) return;
  UpdatePicture();
  FPainted = true;
  if (!deferred) Present();
}

void TControlEx::UpdatePicture() {
  const TRect whole{0, 0, FCanvas->Width(), FCanvas->Height()};
  if (FWholeDamage) {
    FDamage.Add(whole);
    FWholeDamage = false;
  }
  // A locked control keeps its last picture, children and all.
  if (Locked()) {
    FSettled = false;
    return;
  }
  FSettled = false;
  if (ControlCount() == 0)
    UpdateLeaf(whole);
  else
    UpdateComposite(whole);
  // (Only a cached control keeps to its redraw flag.)
  const bool settled = !(Cached() && Redraw()) && ChangesOnlyWhenTold() && ChildrenSettled();
  // Painted on its own (not within its parent's composition), what it
  // changed waits for the parent, which must walk it to take it.
  if (!settled || (!FComposing && !FDamage.Empty()))
    Stir();
  FSettled = settled;
}

void TControlEx::UpdateLeaf(const TRect& whole) {
  FOwnPicture.reset();
  FPlaced.clear();
  if (Cached()) {
    FLastPicture.reset();
    if (!Redraw()) return;
    DoPaint();
    SetRedraw(false);
    FDamage.Add(whole);
    return;
  }
  DoPaint();
  const TBitmapEx& picture = FCanvas->Bitmap();
  if (!FLastPicture || FLastPicture->Width() != picture.Width() || FLastPicture->Height() != picture.Height()) {
    FLastPicture = picture.Clone();
    FDamage.Add(whole);
    return;
  }
  const TRect changed = ChangedRect(*FLastPicture, picture);
  if (changed.Width() <= 0) return;
  FDamage.Add(changed);
  CopyRect(picture, *FLastPicture, changed);
}

TControlEx::TPlaced TControlEx::PlacedOf(TControl* child, TControlEx* painted) {
  TPlaced placed;
  placed.Child = child;
  placed.Painted = painted;
  if (!child->Visible()) return placed;
  const int left = child->Left(), top = child->Top();
  if (!painted) {
    placed.Rect = {left, top, left + child->Width(), top + child->Height()};
    return placed;
  }
  const int width = painted->Canvas().Width(), height = painted->Canvas().Height();
  placed.Rect = {left, top, left + width, top + height};
  placed.Opacity = painted->Opacity();
  placed.Mode = painted->BlendMode();
  if (placed.Mode == TBlendModeEx::Blurred) placed.Passes = painted->BlendPasses();
  if (placed.Mode == TBlendModeEx::Clipped) {
    const TRect& clip = painted->BlendRect();
    placed.Clip = clip;
    placed.Rect = {left + std::max(0, clip.Left), top + std::max(0, clip.Top), left + std::min(width, clip.Right),
                   top + std::min(height, clip.Bottom)};
    if (placed.Rect.Width() <= 0 || placed.Rect.Height() <= 0) placed.Rect = {};
  }
  return placed;
}

bool TControlEx::ChildrenSettled() const {
  // Read after the composition: a child told of a change during it counts.
  for (const TPlaced& placed : FPlaced)
    if (placed.Child->Visible() && !(placed.Painted ? placed.Painted->FSettled : placed.Child->PaintSettled()))
      return false;
  return true;
}

void TControlEx::CollectChildren(const TRect& whole) {
  std::vector<TPlaced>& placed = FPlacing;
  placed.clear();
  placed.reserve(static_cast<size_t>(ControlCount()));
  bool same = FPlaced.size() == static_cast<size_t>(ControlCount());
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    // The type of a child found in its place last time is known.
    const bool known = i < static_cast<int>(FPlaced.size()) && FPlaced[static_cast<size_t>(i)].Child == child;
    TControlEx* painted = known ? FPlaced[static_cast<size_t>(i)].Painted : dynamic_cast<TControlEx*>(child);
    // Whether only the child's own damage changed at its place (not all of it).
    bool partly = false;
    TRect foreign;
    if (child->Visible()) {
      if (painted && known && painted->FSettled) {
        // Nothing in it changed since it was last composed: not walked.
        partly = true;
      } else if (painted) {
        painted->FDeferPresent = true;
        painted->FPainted = false;
        painted->FComposing = true;
        painted->Paint();
        painted->FComposing = false;
        painted->FDeferPresent = false;
        partly = painted->FPainted;
      } else {
        // Drawn by rules of its own (it may blend itself at once): it
        // tells what changed.
        child->Paint();
        foreign = child->TakePaintedChange();
      }
    }
    TPlaced now = PlacedOf(child, painted);
    if (same && FPlaced[static_cast<size_t>(i)].Child == child) {
      const TPlaced& before = FPlaced[static_cast<size_t>(i)];
      if (!(before == now)) {
        FDamage.Add(before.Rect);
        FDamage.Add(now.Rect);
      } else if (!child->Visible()) {
      } else if (!painted) {
        TDamageEx change;
        change.Add(foreign);
        FDamage.Add(change, child->Left(), child->Top(), now.Rect);
      } else if (!partly) {
        FDamage.Add(now.Rect);
      } else if (now.Mode == TBlendModeEx::Blurred) {
        // A blur spreads each change over the picture.
        if (!painted->FDamage.Empty()) FDamage.Add(now.Rect);
      } else {
        FDamage.Add(painted->FDamage, child->Left(), child->Top(), now.Rect);
      }
    } else {
      same = false;
    }
    if (painted) painted->FDamage.Clear();
    placed.push_back(now);
  }
  // A child added, removed or restacked: the whole picture again.
  if (!same) FDamage.Add(whole);
  FPlaced.swap(placed);
}

void TControlEx::UpdateComposite(const TRect& whole) {
  FLastPicture.reset();
  const bool blank = OwnPictureBlank();
  if (Cached()) {
    if (!FOwnPicture) SetRedraw(true);
    if (Redraw()) FDamage.Add(whole);
  } else {
    FOwnPicture.reset();
    // Its own picture may change anywhere on each paint.
    if (!blank) FDamage.Add(whole);
  }
  CollectChildren(whole);
  FDamage.Intersect(whole);
  if (FDamage.Empty()) return;
  FDamage.RectsInto(FRects);
  const TBitmapEx& picture = FCanvas->Bitmap();
  FClipped = false;
  if (Cached() && Redraw()) {
    ClipToDamage();
    DoPaint();
    SetRedraw(false);
    FOwnPicture = FCanvas->Bitmap().Clone();
  } else if (Cached()) {
    for (const TRect& r : FRects) CopyRect(*FOwnPicture, picture, r);
  } else if (blank) {
    CopyOrClearRects();
  } else {
    ClipToDamage();
    DoPaint();
  }
  BlendChildren();
  if (FClipped) cairo_restore(FCanvas->Context());
  FClipped = false;
}

void TControlEx::ClipToDamage() {
  if (FClipped) return;
  cairo_save(FCanvas->Context());
  FDamage.ClipTo(FCanvas->Context());
  FClipped = true;
}

bool TControlEx::BlendsDirectly(const TPlaced& placed) const {
  return placed.Painted && placed.Mode == TBlendModeEx::Plain && placed.Opacity == 255 &&
         placed.Painted->FCanvas->Bitmap().Format() == CAIRO_FORMAT_ARGB32 &&
         FCanvas->Bitmap().Format() == CAIRO_FORMAT_ARGB32;
}

void TControlEx::CopyOrClearRects() {
  const TBitmapEx& picture = FCanvas->Bitmap();
  FCopied.assign(FRects.size(), nullptr);
  for (size_t i = 0; i < FRects.size(); ++i) {
    const TRect& r = FRects[i];
    const TPlaced* lowest = nullptr;
    for (const TPlaced& placed : FPlaced) {
      const TRect& p = placed.Rect;
      if (p.Width() > 0 && p.Left < r.Right && r.Left < p.Right && p.Top < r.Bottom && r.Top < p.Bottom) {
        lowest = &placed;
        break;
      }
    }
    if (lowest && BlendsDirectly(*lowest) && lowest->Rect.Left <= r.Left && lowest->Rect.Top <= r.Top &&
        r.Right <= lowest->Rect.Right && r.Bottom <= lowest->Rect.Bottom) {
      CopyPlaced(lowest->Painted->FCanvas->Bitmap(), picture, lowest->Child->Left(), lowest->Child->Top(), r);
      FCopied[i] = lowest->Child;
    } else {
      ClearRect(picture, r);
    }
  }
}

void TControlEx::BlendChildren() {
  const TBitmapEx& picture = FCanvas->Bitmap();
  const bool copied = FCopied.size() == FRects.size();
  for (const TPlaced& placed : FPlaced) {
    if (placed.Rect.Width() <= 0 || !FDamage.Touches(placed.Rect)) continue;
    if (!BlendsDirectly(placed)) {
      ClipToDamage();
      placed.Child->Present();
      continue;
    }
    // What Present would paint, rectangle by rectangle of the damage.
    const TBitmapEx& from = placed.Painted->FCanvas->Bitmap();
    for (size_t i = 0; i < FRects.size(); ++i)
      if (!copied || FCopied[i] != placed.Child)
        BlendOver(from, picture, placed.Child->Left(), placed.Child->Top(), FRects[i]);
  }
  FCopied.clear();
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
