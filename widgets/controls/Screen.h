// Screen metrics: TScreen reports the work area of the primary monitor
// (the screen minus panels), TDesktop the screen size. Both ask the
// backend, so they follow the display (GDK) or the offscreen settings.
#pragma once

#include "widgets/Core.h"

namespace widgets {

class TScreen : public TComponent {
 public:
  using TComponent::TComponent;
  TRect WorkArea() const;
  int WorkAreaLeft() const { return WorkArea().Left; }
  int WorkAreaTop() const { return WorkArea().Top; }
  int WorkAreaWidth() const { return WorkArea().Width(); }
  int WorkAreaHeight() const { return WorkArea().Height(); }
};

class TDesktop : public TComponent {
 public:
  using TComponent::TComponent;
  int Width() const;
  int Height() const;
};

}  // namespace widgets
