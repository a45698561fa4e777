// The two parts of a painted scroll bar: the track, which draws nothing of
// its own and only holds the thumb, and the thumb, a picture that keeps the
// mouse while a button is held so a drag goes on reporting OnDrag after the
// pointer has left it.
#pragma once

#include "widgets/paint/ControlEx.h"
#include "widgets/paint/ImageEx.h"

namespace ui {

class TScrollerEx : public widgets::TControlEx {
public:
  explicit TScrollerEx(widgets::TComponent* AOwner = nullptr);
  ~TScrollerEx() override;
};

class TThumbEx : public widgets::TImageEx {
public:
  explicit TThumbEx(widgets::TComponent* AOwner = nullptr);
  ~TThumbEx() override;

protected:
  void WMButtonDown(widgets::TMessage& m) override;
  void WMButtonUp(widgets::TMessage& m) override;
};

}  // namespace ui
