#include "widgets/paint/GraphicObjectsEx.h"

namespace widgets {

namespace {

template <typename T>
bool Store(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

void TSolidBrushEx::SetColor(uint32_t colour) {
  if (Store(FColor, colour)) Changed();
}

void TPenEx::SetColor(uint32_t colour) {
  if (Store(FColor, colour)) Changed();
}

void TPenEx::SetWidth(double width) {
  if (Store(FWidth, width < 0 ? 0.0 : width)) Changed();
}

void TPenEx::SetStyle(int style) {
  if (Store(FStyle, style)) Changed();
}

void TStringFormatEx::SetFormatFlags(int flags) {
  if (Store(FFormatFlags, flags)) Changed();
}

void TStringFormatEx::SetAlignment(int alignment) {
  if (Store(FAlignment, alignment)) Changed();
}

void TStringFormatEx::SetLineAlignment(int alignment) {
  if (Store(FLineAlignment, alignment)) Changed();
}

void TStringFormatEx::SetHotkeyPrefix(int prefix) {
  if (Store(FHotkeyPrefix, prefix)) Changed();
}

void TStringFormatEx::SetTrimming(int trimming) {
  if (Store(FTrimming, trimming)) Changed();
}

void TStringFormatEx::Assign(const TStringFormatEx& other) {
  bool changed = Store(FFormatFlags, other.FFormatFlags);
  changed = Store(FAlignment, other.FAlignment) || changed;
  changed = Store(FLineAlignment, other.FLineAlignment) || changed;
  changed = Store(FHotkeyPrefix, other.FHotkeyPrefix) || changed;
  changed = Store(FTrimming, other.FTrimming) || changed;
  if (changed) Changed();
}

}  // namespace widgets
