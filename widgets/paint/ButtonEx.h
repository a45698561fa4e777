// TButtonEx: a skinned button whose looks come from a strip of state
// pictures. The strip is cut into cells of the button's size: the top row
// holds normal, pressed, hot and disabled, the row below the same for the
// "down" (toggled) state. Clicks count only on the opaque pixels of the
// normal picture.
#pragma once

#include "widgets/paint/ControlEx.h"

#include <array>
#include <cairo.h>
#include <memory>

namespace widgets {

constexpr DWORD BS_CENTER = 0x0300;
constexpr DWORD BS_VCENTER = 0x0C00;

// Button state bits.
constexpr unsigned bsDown = 0x01;
constexpr unsigned bsPressed = 0x04;
constexpr unsigned bsHot = 0x10;

class TBitmapItemEx {
public:
  explicit TBitmapItemEx(std::unique_ptr<TBitmapEx> bitmap);
  ~TBitmapItemEx();
  const TBitmapEx& Bitmap() const { return *FBitmap; }
  // The opaque pixels as a region, made on first use.
  const cairo_region_t* Region();

private:
  std::unique_ptr<TBitmapEx> FBitmap;
  cairo_region_t* FRegion = nullptr;
};

class TBitmapListEx {
public:
  // Cuts `strip` into cells of cellWidth x cellHeight.
  TBitmapListEx(std::unique_ptr<TBitmapEx> strip, int cellWidth, int cellHeight, int resourceId = 0);

  enum TCell { ciNormal = 0, ciPressed = 1, ciHot = 2, ciDisabled = 3 };
  // row 0 or 1; nullptr when the strip has no such cell.
  TBitmapItemEx* Item(int row, int cell) const;
  int Count() const;
  int CellWidth() const { return FCellWidth; }
  int CellHeight() const { return FCellHeight; }
  int ResourceId() const { return FResourceId; }
  const TBitmapEx* Strip() const { return FStrip.get(); }

private:
  std::unique_ptr<TBitmapEx> FStrip;
  int FCellWidth, FCellHeight, FResourceId;
  std::array<std::unique_ptr<TBitmapItemEx>, 8> FItems;
};

class TButtonEx : public TControlEx {
public:
  explicit TButtonEx(TComponent* AOwner = nullptr);
  ~TButtonEx() override;

  int ImageId() const { return FImageId; }
  // Cuts the skin strip into cells of the button's current size.
  void SetImageId(int id);
  // The same with a strip given directly.
  void SetStrip(std::unique_ptr<TBitmapEx> strip);
  TBitmapListEx* BitmapList() const { return FList.get(); }
  unsigned State() const { return FState; }
  void SetState(unsigned value);
  bool AutoRedraw() const { return FAutoRedraw; }
  void SetAutoRedraw(bool value) { FAutoRedraw = value; }
  bool UseRegion() const { return FUseRegion; }
  void SetUseRegion(bool value);
  // The cell that the current state shows, after the fall-backs.
  TBitmapItemEx* CurrentItem() const;

  bool HitTest(int x, int y) override;
  void DoPaint() override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandle() override;
  void WMButtonDown(TMessage& m) override;
  void WMButtonUp(TMessage& m) override;
  void MouseEnter(TMessage& m) override;
  void WMMouseLeave(TMessage& m) override;

private:
  void ApplyRegion();

  int FImageId = 0;
  std::unique_ptr<TBitmapListEx> FList;
  unsigned FState = 0;
  bool FAutoRedraw = false;
  bool FUseRegion = true;
  // The click area, borrowed from the normal cell (nullptr: whole button).
  const cairo_region_t* FRegion = nullptr;
};

}  // namespace widgets
