// TLabelEx: a line of text with an optional soft drop shadow, sized to its
// text unless AutoSize is off.
#pragma once

#include "widgets/paint/ControlEx.h"
#include "widgets/paint/ImageEx.h"

#include <functional>
#include <memory>

namespace widgets {

class TDropShadow {
public:
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value) { Store(FEnabled, value); }
  int OffsetY() const { return FOffsetY; }
  void SetOffsetY(int value) { Store(FOffsetY, value); }
  int OffsetX() const { return FOffsetX; }
  void SetOffsetX(int value) { Store(FOffsetX, value); }
  int BlurPasses() const { return FBlurPasses; }
  void SetBlurPasses(int value) { Store(FBlurPasses, value); }
  uint32_t Color() const { return FColor; }
  void SetColor(uint32_t value) { Store(FColor, value); }

  std::function<void()> OnChange;

private:
  template <typename T>
  void Store(T& field, T value) {
    if (field == value) return;
    field = value;
    if (OnChange) OnChange();
  }

  bool FEnabled = true;
  int FOffsetY = 2;
  int FOffsetX = 2;
  int FBlurPasses = 2;
  uint32_t FColor = 0xFF000000;
};

class TLabelEx : public TControlEx {
public:
  explicit TLabelEx(TComponent* AOwner = nullptr);
  ~TLabelEx() override;

  int Alignment() const { return Canvas().StringFormat().Alignment(); }
  void SetAlignment(int value) { Canvas().StringFormat().SetAlignment(value); }
  int LineAlignment() const { return Canvas().StringFormat().LineAlignment(); }
  void SetLineAlignment(int value) { Canvas().StringFormat().SetLineAlignment(value); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // Transparent labels draw no background.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  TDropShadow& Shadow() { return FShadow; }
  uint32_t Color() { return Canvas().Brush().Color(); }
  void SetColor(uint32_t value) { Canvas().Brush().SetColor(value); }
  // The blurred shadow picture (nullptr while the shadow is off).
  const TBitmapEx* ShadowBitmap() const { return FShadowBitmap.get(); }

  void DoPaint() override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandle() override;
  void WMSize(TMessage& m) override;
  void TextChanged() override;
  void FontChanged() override;

private:
  // Auto size, then the shadow.
  void Rebuild();
  void BuildShadow();

  bool FAutoSize = true;
  bool FTransparent = true;
  bool FBuilding = false;
  TDropShadow FShadow;
  std::unique_ptr<TBitmapEx> FShadowBitmap;
};

}  // namespace widgets
