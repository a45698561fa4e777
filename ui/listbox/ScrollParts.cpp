#include "ui/listbox/ScrollParts.h"

namespace ui {

using namespace widgets;

TScrollerEx::TScrollerEx(TComponent* AOwner) : TControlEx(AOwner) { SetClassNameW(u"TScrollerEx"); }

TScrollerEx::~TScrollerEx() { DestroyHandle(); }

TThumbEx::TThumbEx(TComponent* AOwner) : TImageEx(AOwner) {}

TThumbEx::~TThumbEx() { DestroyHandle(); }

void TThumbEx::WMButtonDown(TMessage& m) {
  SetCapture(WindowHandle());
  TImageEx::WMButtonDown(m);
}

void TThumbEx::WMButtonUp(TMessage& m) {
  ReleaseCapture();
  TImageEx::WMButtonUp(m);
}

}  // namespace ui
