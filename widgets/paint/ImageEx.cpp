#include "widgets/paint/ImageEx.h"

#include "widgets/paint/DataDecode.h"

namespace widgets {

// A picture is drawn again only when one of its settings changes
// (Changed) or its size does: a window that repaints for a spectrum or a
// sliding title blends the pictures it already has.
TImageEx::TImageEx(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"STATIC");
  SetCached(true);
}

TImageEx::~TImageEx() { DestroyHandle(); }

void TImageEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  params.Style |= SS_NOTIFY | SS_NOPREFIX;
}

void TImageEx::Changed() { SetRedraw(true); }

void TImageEx::ApplyAutoSize() {
  if (FAutoSize && FImage) SetBounds(Left(), Top(), FImage->Width(), FImage->Height());
}

void TImageEx::SetImage(std::unique_ptr<TBitmapEx> image) {
  FImage = std::move(image);
  FWork.reset();
  FTintColor = 0;
  ApplyAutoSize();
  Changed();
}

void TImageEx::SetImageId(int id) {
  if (id == FImageId) return;
  FImageId = id;
  SetImage(TBitmapEx::FromResource(id));
}

void TImageEx::SetAutoSize(bool value) {
  FAutoSize = value;
  ApplyAutoSize();
}

void TImageEx::SetStretch(bool value) {
  FStretch = value;
  Changed();
}

void TImageEx::SetTile(bool value) {
  FTile = value;
  Changed();
}

void TImageEx::SetCenter(bool value) {
  FCenter = value;
  Changed();
}

void TImageEx::SetImageOpacity(std::uint8_t value) {
  FImageOpacity = value;
  Changed();
}

void TImageEx::SetTint(uint32_t colour) {
  if (!FImage) {
    FTintColor = (colour >> 24) == 0xFF ? colour : 0;
    return;
  }
  if ((colour >> 24) == 0xFF) {
    FWork = FImage->Clone();
    FWork->Grayscale();
    FWork->Tint(colour);
    FTintColor = colour;
  } else {
    FWork.reset();
    FTintColor = 0;
  }
  Changed();
}

void TImageEx::LoadFromData(std::string_view data, std::string_view encoding) {
  std::string decoded = DecodeData(data, encoding);
  if (decoded.empty()) return;
  SetImage(TBitmapEx::FromData(decoded));
}

void TImageEx::DoPaint() {
  TControlEx::DoPaint();
  const TBitmapEx* shown = WorkImage();
  if (!shown) return;
  TCanvasEx& canvas = Canvas();
  if (FStretch) {
    canvas.StretchDrawAlpha(*shown, 0, 0, Width(), Height(), FImageOpacity);
  } else if (FTile) {
    canvas.TileFill(*shown, 0, 0, Width(), Height());
  } else if (FCenter) {
    canvas.DrawBitmapAlpha(*shown, (Width() - shown->Width()) / 2, (Height() - shown->Height()) / 2,
                           FImageOpacity);
  } else {
    canvas.DrawBitmapAlpha(*shown, 0, 0, FImageOpacity);
  }
}

void TImageEx::WMButtonDown(TMessage& m) {
  // A drag that leaves the picture still ends on it.
  SetCapture(WindowHandle());
  TControlEx::WMButtonDown(m);
}

void TImageEx::WMButtonUp(TMessage& m) {
  ReleaseCapture();
  TControlEx::WMButtonUp(m);
}

}  // namespace widgets
