// TAnimatedButtonEx: an image button of the player window that fades a
// coloured glow in while the pointer is over it (twice as fast as it fades
// out when the pointer leaves) and shows the glow in full, nudged one pixel
// down, while it is held pressed. Clicks arrive through OnClick.
//
// The fade steps on its own timer but does not repaint: the player window
// redraws every 33 ms and shows whatever level the glow has reached. The
// picture is cached: it is drawn again only when the image, the glow's
// level or the press changes.
#pragma once

#include "widgets/paint/ControlEx.h"

#include <cstdint>
#include <memory>

namespace ui {

class TAnimatedButtonEx : public widgets::TControlEx {
public:
  explicit TAnimatedButtonEx(core::TComponent* AOwner = nullptr);
  ~TAnimatedButtonEx() override;

  int ImageId() const { return FImageId; }
  // Loads the skin picture (nothing happens for the current id), rebuilds
  // the glow and, with AutoSize, takes the picture's size.
  void SetImage(int id);
  // The same with a picture made at run time (id 0).
  void SetImageBitmap(std::unique_ptr<widgets::TBitmapEx> image);
  const widgets::TBitmapEx* Image() const { return FImage.get(); }
  const widgets::TBitmapEx* GlowImage() const { return FGlow.get(); }

  std::uint32_t GlowColour() const { return FGlowColour; }
  // Alpha 255: the glow is the picture in grey times the colour. Any other
  // alpha: the glow equals the picture and the stored colour becomes 0.
  void SetGlowColour(std::uint32_t colour);
  // +1 fading in, -1 fading out, 0 idle.
  int FadeDirection() const { return FFadeDirection; }
  int GlowAlpha() const { return FGlowAlpha; }
  int FadeStep() const { return FFadeStep; }
  void SetFadeStep(int value) { FFadeStep = value; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Pressed() const { return FPressed; }

  // One step of the fade (each tick of the fade timer).
  virtual void Tick();

  void WndProc(core::TMessage& message) override;
  void DoPaint() override;
  // Picture, glow and press each redraw it.
  bool ChangesOnlyWhenTold() const override { return Cached(); }

  // Milliseconds between fade steps: the shortest interval the old timer
  // service really delivered, so glows take as long as they always did.
  static constexpr unsigned TickInterval = 15;

protected:
  void CreateHandle() override;
  void DestroyWindowHandle() override;
  void MouseEnter(core::TMessage& m) override;
  void WMMouseLeave(core::TMessage& m) override;
  void WMButtonDown(core::TMessage& m) override;
  void WMButtonUp(core::TMessage& m) override;

private:
  void RebuildGlow();
  void ApplyAutoSize();
  // The timer runs only while a fade has somewhere to go.
  void StartFade(int direction);
  void StopTimer();

  std::unique_ptr<widgets::TBitmapEx> FImage;
  std::unique_ptr<widgets::TBitmapEx> FGlow;
  std::uint32_t FGlowColour = 0xFFEC701F;
  int FFadeDirection = 0;
  int FImageId = 0;
  bool FAutoSize = true;
  int FFadeStep = 10;
  int FGlowAlpha = 0;
  bool FPressed = false;
  bool FTimerRunning = false;
};

}  // namespace ui
