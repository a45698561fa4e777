// The draggable pieces of the player window. Each holds the mouse from a
// press to its release, so that a drag that leaves the piece still reports
// OnDrag to the owner, who does the moving or resizing.
//
//   TThumbEx     the list box's scroll thumb and the volume knob (a picture)
//   TScrollerEx  the list box's scroll track; draws nothing of its own
//   TGrabber     the invisible 4-pixel strip that resizes the list area
#pragma once

#include "widgets/paint/ControlEx.h"
#include "widgets/paint/ImageEx.h"

namespace ui {

class TThumbEx : public widgets::TImageEx {
public:
  explicit TThumbEx(core::TComponent* AOwner = nullptr);
  ~TThumbEx() override;

protected:
  void WMButtonDown(core::TMessage& m) override;
  void WMButtonUp(core::TMessage& m) override;
};

class TScrollerEx : public widgets::TControlEx {
public:
  explicit TScrollerEx(core::TComponent* AOwner = nullptr);
  ~TScrollerEx() override;

  // Only its thumb is seen: a frame in which the thumb stays still
  // composes nothing of the track.
  bool OwnPictureBlank() const override { return !OnPaint; }
};

class TGrabber : public widgets::TControlEx {
public:
  explicit TGrabber(core::TComponent* AOwner = nullptr);
  ~TGrabber() override;

  // Draws nothing: the strip is felt (by its cursor), not seen.
  void DoPaint() override;
  bool ChangesOnlyWhenTold() const override { return true; }

protected:
  void WMButtonDown(core::TMessage& m) override;
  void WMButtonUp(core::TMessage& m) override;
};

}  // namespace ui
