// The text font of a painting canvas: face, size in points, style bits and
// colour. Text is laid out by pango; the face names of the skin ("Arial",
// "Tahoma", "Trebuchet MS") reach fontconfig, which maps them to installed
// metric-compatible faces.
#pragma once

#include "widgets/paint/GraphicObjectsEx.h"

#include <pango/pango.h>

#include <cstdint>
#include <string>

namespace widgets {

enum : int { FontStyleRegular = 0, FontStyleBold = 1, FontStyleItalic = 2, FontStyleUnderline = 4, FontStyleStrikeout = 8 };

class TFontEx : public TGraphicObjectEx {
public:
  TFontEx();
  ~TFontEx() override;
  TFontEx(const TFontEx&) = delete;
  TFontEx& operator=(const TFontEx&) = delete;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  double Size() const { return FSize; }
  void SetSize(double points);
  int Style() const { return FStyle; }
  void SetStyle(int style);
  // A colour whose alpha is 255 is stored with alpha 254: fully opaque
  // text would otherwise lose its anti-aliased edges on the layered window.
  uint32_t Color() const { return FBrush.Color(); }
  void SetColor(uint32_t colour);
  const TSolidBrushEx& Brush() const { return FBrush; }
  TStringFormatEx& Format() { return FFormat; }

  // The pango description of the font, rebuilt on every change of name,
  // size or style. Sizes are points at 96 pixels per inch.
  const PangoFontDescription* Handle() const { return FHandle; }
  double PixelSize() const { return FSize * 96.0 / 72.0; }

  // Copies colour, name, size, style and string format; the
  // owner hears of it once.
  void Assign(const TFontEx& other);

private:
  void Rebuild();

  std::string FName = "Arial";
  double FSize = 10;
  int FStyle = FontStyleRegular;
  TSolidBrushEx FBrush{0xFE000000};
  TStringFormatEx FFormat;
  PangoFontDescription* FHandle = nullptr;
};

}  // namespace widgets
