// TThrobberEx: the busy indicator. Its picture is a strip of 18 x 18 cells
// stacked vertically (skin image 5003 has 18 of them); the control shows
// cell `Frame` and the owner steps it with Advance from its own timer.
#pragma once

#include "widgets/paint/ControlEx.h"

#include <memory>

namespace ui {

class TThrobberEx : public widgets::TControlEx {
public:
  static constexpr int FrameCount = 18;
  static constexpr int CellSize = 18;

  explicit TThrobberEx(core::TComponent* AOwner = nullptr);
  ~TThrobberEx() override;

  int ImageId() const { return FImageId; }
  void SetImage(int id);
  const widgets::TBitmapEx* Image() const { return FImage.get(); }
  int Frame() const { return FFrame; }
  // Wraps both ways: below 0 is the last frame, past the last is frame 0.
  void SetFrame(int n);
  // The next frame, unless paused.
  void Advance();
  bool Paused() const { return FPaused; }
  void SetPaused(bool value) { FPaused = value; }

  void DoPaint() override;

private:
  std::unique_ptr<widgets::TBitmapEx> FImage;
  int FFrame = 0;
  int FImageId = 0;
  bool FPaused = false;
};

}  // namespace ui
