#include "ui/controls/Grips.h"

using namespace core;
using namespace widgets;

namespace ui {

namespace {
constexpr int kVerticalResizeCursor = 10;
}

TThumbEx::TThumbEx(TComponent* AOwner) : TImageEx(AOwner) { SetClassNameW(u"TThumbEx"); }

TThumbEx::~TThumbEx() { DestroyHandle(); }

void TThumbEx::WMButtonDown(TMessage& m) {
  SetCapture(WindowHandle());
  TImageEx::WMButtonDown(m);
}

void TThumbEx::WMButtonUp(TMessage& m) {
  ReleaseCapture();
  TImageEx::WMButtonUp(m);
}

TScrollerEx::TScrollerEx(TComponent* AOwner) : TControlEx(AOwner) { SetClassNameW(u"TScrollerEx"); }

TScrollerEx::~TScrollerEx() { DestroyHandle(); }

TGrabber::TGrabber(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TGrabber");
  SetCursor(kVerticalResizeCursor);
  // Its picture is empty once and for all.
  SetCached(true);
}

TGrabber::~TGrabber() { DestroyHandle(); }

void TGrabber::DoPaint() { Canvas().Clear(); }

void TGrabber::WMButtonDown(TMessage& m) {
  SetCapture(WindowHandle());
  TControlEx::WMButtonDown(m);
}

void TGrabber::WMButtonUp(TMessage& m) {
  ReleaseCapture();
  TControlEx::WMButtonUp(m);
}

}  // namespace ui
