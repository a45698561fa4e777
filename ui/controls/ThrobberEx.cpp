#include "ui/controls/ThrobberEx.h"

using namespace core;
using namespace widgets;

namespace ui {

TThrobberEx::TThrobberEx(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TThrobberEx");
  SetBounds(0, 0, CellSize, CellSize);
}

TThrobberEx::~TThrobberEx() { DestroyHandle(); }

void TThrobberEx::SetImage(int id) {
  FImage = TBitmapEx::FromResource(id);
  FImageId = id;
  InvalidateTree();
}

void TThrobberEx::SetFrame(int n) {
  if (n < 0)
    n = FrameCount - 1;
  else if (n >= FrameCount)
    n = 0;
  // No repaint here: the owner redraws its window on the tick that steps us.
  FFrame = n;
}

void TThrobberEx::Advance() {
  if (!FPaused) SetFrame(FFrame + 1);
}

void TThrobberEx::DoPaint() {
  TControlEx::DoPaint();
  if (FImage) Canvas().DrawBitmapRect(*FImage, 0, 0, Width(), Height(), 0, FFrame * CellSize);
}

}  // namespace ui
