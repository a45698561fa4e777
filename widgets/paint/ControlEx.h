// TControlEx: a control that paints itself into its own ARGB canvas. A
// repaint anywhere in a tree goes up to the top-level TWindowEx, which
// redraws the tree bottom-up once: each control runs DoPaint (unless it is
// cached or locked), its visible children paint in z-order, and Present
// blends the picture into the parent's canvas at the control's position.
//
// Only what changed is composed again. Each control collects its damage:
// the pixels its own drawing changed (a cached control's whole picture when
// it draws again, the changed part of a control that draws every time), the
// damage of its children and the places of children that moved, appeared,
// went or changed their blending. A control with children then puts back its
// own picture and blends its children only inside that damage, and the
// window presents only it.
#pragma once

#include "widgets/controls/Control.h"
#include "widgets/paint/CanvasEx.h"
#include "widgets/paint/Damage.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace widgets {

enum class TBlendModeEx { Plain, Blurred, Clipped };

class TControlEx;

// A control's paint handler. Setting it tells the control: a composition
// that no longer walked the control (nothing in it had changed) walks it
// again and lets the handler draw.
class TPaintEvent {
public:
  explicit TPaintEvent(TControlEx& owner) : FOwner(owner) {}
  TPaintEvent(const TPaintEvent&) = delete;
  template <class F>
  TPaintEvent& operator=(F&& handler) {
    FHandler = std::forward<F>(handler);
    Changed();
    return *this;
  }
  explicit operator bool() const { return static_cast<bool>(FHandler); }
  void operator()(core::TObject* sender) const { FHandler(sender); }

private:
  void Changed();
  TControlEx& FOwner;
  core::TNotifyEvent FHandler;
};

class TControlEx : public TControl {
public:
  explicit TControlEx(TComponent* AOwner = nullptr);
  ~TControlEx() override;

  TCanvasEx& Canvas() const { return *FCanvas; }
  TFontEx& Font() const { return FCanvas->Font(); }
  std::uint8_t Opacity() const { return FOpacity; }
  void SetOpacity(std::uint8_t value);
  bool Painting() const { return FPainting; }
  // Whether the window this control shows in cannot be seen (withdrawn or
  // iconified): a paint asked for from outside draws, composes and
  // presents nothing then. What changed stays pending in the controls, and
  // the window paints it once when it shows again.
  bool PaintHeld();

  // How Present blends the picture into the parent: plainly with Opacity,
  // blurred with a pass count (Opacity not applied), or clipped to a
  // rectangle of the control's own picture (with Opacity), which stays at
  // its place in the control.
  TBlendModeEx BlendMode() const { return FBlendMode; }
  void SetBlendPlain();
  void SetBlendBlurred(int passes);
  void SetBlendClipped(const TRect& rect);
  int BlendPasses() const { return FBlendPasses; }
  const TRect& BlendRect() const { return FBlendRect; }

  TPaintEvent OnPaint{*this};

  void Paint() override;
  void DoPaint() override;
  void Present() override;
  void InvalidateTree() override;
  void SetLocked(bool value) override;
  void SetRedraw(bool value) override;
  void SetCached(bool value) override;
  void DescendantsChanged() override;

  // Forgets what was drawn: the next paint draws every control of the tree
  // again, cached ones too, and composes and presents all of it.
  void RepaintAll();
  // What changed in the picture since the parent last took it.
  const TDamageEx& Damage() const { return FDamage; }
  // Whether the own picture (what DoPaint draws below the children) is
  // always transparent, as a plain container's is: such a control is not
  // drawn, its canvas is only cleared where its children changed. A
  // control whose own picture may change on any paint is composed whole.
  virtual bool OwnPictureBlank() const;
  // Whether the picture changes only when the control is told: through
  // SetRedraw, its size, place, visibility, lock, blending or caption, or
  // through its children, which tell it in turn. A composition does not
  // walk such a control while nothing in it was told since its last paint.
  // A control that looks at its state on every paint (an animation, a list
  // comparing its rows) says no, and so do plain containers with a
  // picture of their own drawn on each paint.
  virtual bool ChangesOnlyWhenTold() const;
  // Whether the last paint left nothing that changes untold, and nothing
  // was told since.
  bool Settled() const { return FSettled; }

protected:
  friend class TPaintEvent;
  // A top-level that cannot be seen holds the paints of its tree.
  virtual bool HoldsPaints() const { return false; }
  // Whether this paint is part of the parent's composition (which was not
  // held) rather than asked for from outside.
  bool ComposedByParent() const { return FDeferPresent; }
  // The whole picture counts as changed at the next paint.
  void DamageWhole() { FWholeDamage = true; }
  // The damage for the window to present; it starts empty again.
  TDamageEx& PendingDamage() { return FDamage; }
  void CreateHandle() override;
  void WMSize(TMessage& m) override;
  void FontChanged() override;
  // Gives the canvas the control's size when it differs.
  void SizeCanvas();
  // Something this control shows changed: its parents walk it again.
  void Stir();
  void WMMove(TMessage& m) override;
  void WMShowWindow(TMessage& m) override;
  void TextChanged() override;

private:
  // Where and how a child was blended at the last composition.
  struct TPlaced {
    TControl* Child = nullptr;
    TControlEx* Painted = nullptr;  // the child, when it paints into a canvas
    TRect Rect;  // in this control's pixels; empty while hidden
    std::uint8_t Opacity = 255;
    TBlendModeEx Mode = TBlendModeEx::Plain;
    int Passes = 0;
    TRect Clip;
    bool operator==(const TPlaced&) const = default;
  };
  static TPlaced PlacedOf(TControl* child, TControlEx* painted);
  // Whether `placed` is blended into the canvas by BlendOver.
  bool BlendsDirectly(const TPlaced& placed) const;
  // A blank picture: each damaged rectangle that lies inside the lowest
  // child it touches takes that child's pixels by a copy (which is what
  // blending over the cleared rectangle gives); the others are cleared.
  void CopyOrClearRects();
  // Draws the picture again where it changed, adding to FDamage.
  void UpdatePicture();
  void UpdateLeaf(const TRect& whole);
  void UpdateComposite(const TRect& whole);
  // Paints the children and adds what they changed.
  void CollectChildren(const TRect& whole);
  // Whether every child shown settled in its last paint.
  bool ChildrenSettled() const;
  // Blends the children into the canvas inside the damage (FRects).
  void BlendChildren();
  // Limits cairo's drawing on the canvas to the damage, once per paint:
  // only what draws through cairo needs it (the own picture's drawing and
  // children blended by rules of their own).
  void ClipToDamage();

  std::unique_ptr<TCanvasEx> FCanvas;
  // A cached control with children: its own picture before they were
  // blended in, put back before they blend in again.
  std::unique_ptr<TBitmapEx> FOwnPicture;
  // A control without children that draws on every paint: its last
  // picture, to find what the new one changed.
  std::unique_ptr<TBitmapEx> FLastPicture;
  std::vector<TPlaced> FPlaced;
  // The places of this paint, built while FPlaced still holds the last.
  std::vector<TPlaced> FPlacing;
  // The damage as rectangles while composing, and whether cairo is
  // clipped to it.
  std::vector<TRect> FRects;
  // For each of FRects, the child copied into it instead of blended.
  std::vector<const TControl*> FCopied;
  bool FClipped = false;
  TDamageEx FDamage;
  bool FWholeDamage = true;
  // Set by the parent while it composes: Paint then leaves the blending
  // to it (FPainted tells it that Paint ran).
  bool FDeferPresent = false;
  bool FPainted = false;
  // Set by the parent around the paint it composes.
  bool FComposing = false;
  bool FSettled = false;
  std::uint8_t FOpacity = 255;
  bool FPainting = false;
  TBlendModeEx FBlendMode = TBlendModeEx::Plain;
  int FBlendPasses = 0;
  TRect FBlendRect;
};

}  // namespace widgets
