#include "widgets/paint/ButtonEx.h"

#include "widgets/paint/AlphaRegion.h"

namespace widgets {

TBitmapItemEx::TBitmapItemEx(std::unique_ptr<TBitmapEx> bitmap) : FBitmap(std::move(bitmap)) {}

TBitmapItemEx::~TBitmapItemEx() {
  if (FRegion) cairo_region_destroy(FRegion);
}

const cairo_region_t* TBitmapItemEx::Region() {
  if (!FRegion) FRegion = AlphaRegion(*FBitmap);
  return FRegion;
}

TBitmapListEx::TBitmapListEx(std::unique_ptr<TBitmapEx> strip, int cellWidth, int cellHeight,
                             int resourceId)
    : FStrip(std::move(strip)), FCellWidth(cellWidth), FCellHeight(cellHeight), FResourceId(resourceId) {
  if (!FStrip || cellWidth <= 0 || cellHeight <= 0) return;
  for (int row = 0; row < 2; ++row) {
    const int y = row * cellHeight;
    // The down row exists only when the strip is taller than one cell.
    if (row == 1 && !(cellHeight < FStrip->Height())) break;
    for (int cell = 0; cell < 4; ++cell) {
      const int x = cell * cellWidth;
      if (x >= FStrip->Width()) break;
      FItems[row * 4 + cell] =
          std::make_unique<TBitmapItemEx>(FStrip->Crop(x, y, cellWidth, cellHeight));
    }
  }
}

TBitmapItemEx* TBitmapListEx::Item(int row, int cell) const {
  if (row < 0 || row > 1 || cell < 0 || cell > 3) return nullptr;
  return FItems[row * 4 + cell].get();
}

int TBitmapListEx::Count() const {
  int count = 0;
  for (const auto& item : FItems) count += item != nullptr;
  return count;
}

TButtonEx::TButtonEx(TComponent* AOwner) : TControlEx(AOwner) { SetClassNameW(u"BUTTON"); }

TButtonEx::~TButtonEx() { DestroyHandle(); }

void TButtonEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  params.Style |= BS_CENTER | BS_VCENTER;
}

void TButtonEx::SetImageId(int id) {
  FImageId = id;
  FRegion = nullptr;
  FList = std::make_unique<TBitmapListEx>(TBitmapEx::FromResource(id), Width(), Height(), id);
  ApplyRegion();
  SetRedraw(true);
}

void TButtonEx::SetStrip(std::unique_ptr<TBitmapEx> strip) {
  FImageId = 0;
  FRegion = nullptr;
  FList = std::make_unique<TBitmapListEx>(std::move(strip), Width(), Height());
  ApplyRegion();
  SetRedraw(true);
}

void TButtonEx::SetState(unsigned value) {
  if (value == FState) return;
  FState = value;
  SetRedraw(true);
  if (FAutoRedraw && HandleAllocated()) InvalidateTree();
}

void TButtonEx::SetUseRegion(bool value) {
  FUseRegion = value;
  ApplyRegion();
}

void TButtonEx::CreateHandle() {
  TControlEx::CreateHandle();
  ApplyRegion();
}

void TButtonEx::ApplyRegion() {
  FRegion = nullptr;
  if (!HandleAllocated() || !FUseRegion || !FList) return;
  if (TBitmapItemEx* normal = FList->Item(0, TBitmapListEx::ciNormal)) FRegion = normal->Region();
}

bool TButtonEx::HitTest(int x, int y) {
  if (!TControlEx::HitTest(x, y)) return false;
  return !FRegion || cairo_region_contains_point(FRegion, x, y);
}

TBitmapItemEx* TButtonEx::CurrentItem() const {
  if (!FList) return nullptr;
  const int row = (FState & bsDown) ? 1 : 0;
  int cell = TBitmapListEx::ciNormal;
  if (!Enabled())
    cell = TBitmapListEx::ciDisabled;
  else if (FState & bsPressed)
    cell = TBitmapListEx::ciPressed;
  else if (FState & bsHot)
    cell = TBitmapListEx::ciHot;
  if (TBitmapItemEx* item = FList->Item(row, cell)) return item;
  if (TBitmapItemEx* item = FList->Item(row, TBitmapListEx::ciNormal)) return item;
  return FList->Item(0, TBitmapListEx::ciNormal);
}

void TButtonEx::DoPaint() {
  TControlEx::DoPaint();
  if (TBitmapItemEx* item = CurrentItem()) Canvas().DrawBitmap(item->Bitmap(), 0, 0);
}

void TButtonEx::WMButtonDown(TMessage& m) {
  SetCapture(WindowHandle());
  if (GET_KEYSTATE_WPARAM(m.WParam) & MK_LBUTTON) SetState(FState | bsPressed);
  TControlEx::WMButtonDown(m);
}

void TButtonEx::WMButtonUp(TMessage& m) {
  ReleaseCapture();
  SetState(FState & ~bsPressed);
  TControlEx::WMButtonUp(m);
}

void TButtonEx::MouseEnter(TMessage& m) {
  SetState(FState | bsHot);
  TControlEx::MouseEnter(m);
}

void TButtonEx::WMMouseLeave(TMessage& m) {
  SetState(FState & ~bsHot);
  TControlEx::WMMouseLeave(m);
}

}  // namespace widgets
