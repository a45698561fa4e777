#include "widgets/paint/FontEx.h"

namespace widgets {

TFontEx::TFontEx() {
  Rebuild();
  // The brush follows the colour; a change of it is a change of the font.
  FBrush.OnChange = [this] { Changed(); };
}

TFontEx::~TFontEx() {
  if (FHandle) pango_font_description_free(FHandle);
}

void TFontEx::SetName(const std::string& name) {
  if (name == FName) return;
  FName = name;
  Rebuild();
  Changed();
}

void TFontEx::SetSize(double points) {
  if (points <= 0 || points == FSize) return;
  FSize = points;
  Rebuild();
  Changed();
}

void TFontEx::SetStyle(int style) {
  if (style == FStyle) return;
  FStyle = style;
  Rebuild();
  Changed();
}

void TFontEx::SetColor(uint32_t colour) {
  if ((colour >> 24) == 0xFF) colour = (colour & 0x00FFFFFFu) | 0xFE000000u;
  FBrush.SetColor(colour);
}

void TFontEx::Assign(const TFontEx& other) {
  if (&other == this) return;
  auto notify = std::move(OnChange);
  SetColor(other.Color());
  SetName(other.FName);
  SetSize(other.FSize);
  SetStyle(other.FStyle);
  FFormat.Assign(other.FFormat);
  OnChange = std::move(notify);
  Changed();
}

void TFontEx::Rebuild() {
  if (FHandle) pango_font_description_free(FHandle);
  FHandle = pango_font_description_new();
  pango_font_description_set_family(FHandle, FName.c_str());
  pango_font_description_set_absolute_size(FHandle, PixelSize() * PANGO_SCALE);
  pango_font_description_set_weight(FHandle, (FStyle & FontStyleBold) ? PANGO_WEIGHT_BOLD
                                                                      : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(FHandle, (FStyle & FontStyleItalic) ? PANGO_STYLE_ITALIC
                                                                       : PANGO_STYLE_NORMAL);
}

}  // namespace widgets
