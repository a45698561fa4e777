#include "widgets/paint/LabelEx.h"

namespace widgets {

TLabelEx::TLabelEx(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"STATIC");
  FShadow.OnChange = [this] { BuildShadow(); };
  // A new alignment or trimming moves the text and so the shadow.
  Canvas().StringFormat().OnChange = [this] { BuildShadow(); };
}

TLabelEx::~TLabelEx() {
  Canvas().StringFormat().OnChange = nullptr;
  DestroyHandle();
}

void TLabelEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  params.Style |= SS_NOTIFY | SS_NOPREFIX;
}

void TLabelEx::CreateHandle() {
  TControlEx::CreateHandle();
  Rebuild();
}

void TLabelEx::SetAutoSize(bool value) {
  FAutoSize = value;
  if (value) Rebuild();
}

void TLabelEx::SetTransparent(bool value) {
  FTransparent = value;
  SetRedraw(true);
}

void TLabelEx::TextChanged() { Rebuild(); }

void TLabelEx::FontChanged() {
  TControlEx::FontChanged();
  Rebuild();
}

void TLabelEx::WMSize(TMessage& m) {
  TControlEx::WMSize(m);
  if (!FBuilding) BuildShadow();
}

void TLabelEx::Rebuild() {
  if (FBuilding) return;
  FBuilding = true;
  if (FAutoSize) {
    TSizeEx extent = Canvas().TextExtent(Caption());
    SetBounds(Left(), Top(), extent.Width, extent.Height);
  }
  FBuilding = false;
  BuildShadow();
}

void TLabelEx::BuildShadow() {
  SetRedraw(true);
  if (!FShadow.Enabled()) {
    FShadowBitmap.reset();
    return;
  }
  TCanvasEx shadow(Width(), Height());
  shadow.SetTextRenderingHint(Canvas().TextRenderingHint());
  shadow.StringFormat().Assign(Canvas().StringFormat());
  shadow.Font().Assign(Canvas().Font());
  shadow.Font().SetColor(FShadow.Color());
  shadow.TextRect(TRect{0, 0, Width(), Height()}, Caption());
  FShadowBitmap = shadow.Bitmap().Clone();
  FShadowBitmap->Blur(FShadow.BlurPasses());
}

void TLabelEx::DoPaint() {
  TControlEx::DoPaint();
  TCanvasEx& canvas = Canvas();
  if (!FTransparent) canvas.FillRect(0, 0, Width(), Height());
  if (FShadow.Enabled() && FShadowBitmap)
    canvas.DrawBitmap(*FShadowBitmap, FShadow.OffsetX(), FShadow.OffsetY());
  canvas.TextRect(TRect{0, 0, Width(), Height()}, Caption());
}

}  // namespace widgets
