// TImageEx: a picture from the skin (by id) or from encoded data, drawn
// plain, centred, stretched or tiled, optionally tinted and faded.
#pragma once

#include "widgets/paint/ControlEx.h"

#include <memory>
#include <string_view>

namespace widgets {

constexpr DWORD SS_NOPREFIX = 0x0080;
constexpr DWORD SS_NOTIFY = 0x0100;

class TImageEx : public TControlEx {
public:
  explicit TImageEx(TComponent* AOwner = nullptr);
  ~TImageEx() override;

  int ImageId() const { return FImageId; }
  // Loads the skin picture when the id differs; with AutoSize the control
  // takes the picture's size.
  void SetImageId(int id);
  // Takes a picture directly (tests, pictures made at run time).
  void SetImage(std::unique_ptr<TBitmapEx> image);
  // The picture as loaded and the one that is drawn: a tinted copy, or the
  // loaded picture itself (an untinted picture is not held twice).
  const TBitmapEx* Image() const { return FImage.get(); }
  const TBitmapEx* WorkImage() const { return FWork ? FWork.get() : FImage.get(); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Tile() const { return FTile; }
  void SetTile(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  uint32_t TintColor() const { return FTintColor; }
  // A colour with alpha 255 turns the picture grey and multiplies it by
  // the colour; any other colour shows the picture as it is.
  void SetTint(uint32_t colour);
  std::uint8_t ImageOpacity() const { return FImageOpacity; }
  void SetImageOpacity(std::uint8_t value);
  // "base64" or hexadecimal; an empty decoding keeps the current picture.
  void LoadFromData(std::string_view data, std::string_view encoding);

  void DoPaint() override;
  // Every setting that changes the picture redraws it.
  bool ChangesOnlyWhenTold() const override { return Cached(); }

protected:
  void CreateParams(TCreateParams& params) override;
  void WMButtonDown(TMessage& m) override;
  void WMButtonUp(TMessage& m) override;

private:
  void Changed();
  void ApplyAutoSize();

  int FImageId = 0;
  std::unique_ptr<TBitmapEx> FImage;
  std::unique_ptr<TBitmapEx> FWork;
  bool FAutoSize = true;
  bool FStretch = false;
  bool FTile = false;
  bool FCenter = false;
  uint32_t FTintColor = 0;
  std::uint8_t FImageOpacity = 255;
};

}  // namespace widgets
