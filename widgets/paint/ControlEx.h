// TControlEx: a control that paints itself into its own ARGB canvas. A
// repaint anywhere in a tree goes up to the top-level TWindowEx, which
// redraws the tree bottom-up once: each control runs DoPaint (unless it is
// cached or locked), its visible children paint in z-order, and Present
// blends the picture into the parent's canvas at the control's position.
#pragma once

#include "widgets/controls/Control.h"
#include "widgets/paint/CanvasEx.h"

#include <cstdint>
#include <memory>

namespace widgets {

enum class TBlendModeEx { Plain, Blurred, Clipped };

class TControlEx : public TControl {
public:
  explicit TControlEx(TComponent* AOwner = nullptr);
  ~TControlEx() override;

  TCanvasEx& Canvas() const { return *FCanvas; }
  TFontEx& Font() const { return FCanvas->Font(); }
  std::uint8_t Opacity() const { return FOpacity; }
  void SetOpacity(std::uint8_t value) { FOpacity = value; }
  bool Painting() const { return FPainting; }

  // How Present blends the picture into the parent: plainly with Opacity,
  // blurred with a pass count (Opacity not applied), or clipped to a
  // rectangle of the control's own picture (with Opacity), which stays at
  // its place in the control.
  TBlendModeEx BlendMode() const { return FBlendMode; }
  void SetBlendPlain() { FBlendMode = TBlendModeEx::Plain; }
  void SetBlendBlurred(int passes);
  void SetBlendClipped(const TRect& rect);
  int BlendPasses() const { return FBlendPasses; }
  const TRect& BlendRect() const { return FBlendRect; }

  TNotifyEvent OnPaint;

  void Paint() override;
  void DoPaint() override;
  void Present() override;
  void InvalidateTree() override;

protected:
  void CreateHandle() override;
  void WMSize(TMessage& m) override;
  void FontChanged() override;
  // Gives the canvas the control's size when it differs.
  void SizeCanvas();

private:
  std::unique_ptr<TCanvasEx> FCanvas;
  // A cached control with children: its own picture before they were
  // blended in, put back before they blend in again.
  std::unique_ptr<TBitmapEx> FOwnPicture;
  std::uint8_t FOpacity = 255;
  bool FPainting = false;
  TBlendModeEx FBlendMode = TBlendModeEx::Plain;
  int FBlendPasses = 0;
  TRect FBlendRect;
};

}  // namespace widgets
