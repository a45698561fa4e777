// Text operations of TCanvasEx, laid out with pango.
#include "core/Encoding.h"
#include "widgets/paint/CanvasEx.h"

#include <cmath>

namespace widgets {

namespace {

// Removes the "&" prefix markers ("&&" stays a literal "&"); `accel` gets the
// position of the marked character in the result, or npos.
std::u16string StripPrefixes(const std::u16string& text, size_t& accel) {
  std::u16string result;
  accel = std::u16string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != u'&' && accel == std::u16string::npos) accel = result.size();
    }
    result += text[i];
  }
  return result;
}

struct TLogicalSize {
  double Width, Height;
};

TLogicalSize LogicalSize(PangoLayout* layout) {
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  return {double(logical.width) / PANGO_SCALE, double(logical.height) / PANGO_SCALE};
}

double AlignOffset(int alignment, double room, double extent) {
  if (alignment == StringAlignmentCenter) return (room - extent) / 2;
  if (alignment == StringAlignmentFar) return room - extent;
  return 0;
}

}  // namespace

PangoLayout* TCanvasEx::PrepareLayout(const std::u16string& text) {
  pango_layout_set_font_description(FLayout, FFont.Handle());
  pango_layout_set_width(FLayout, -1);
  pango_layout_set_height(FLayout, -1);
  pango_layout_set_ellipsize(FLayout, PANGO_ELLIPSIZE_NONE);
  pango_layout_set_wrap(FLayout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_alignment(FLayout, PANGO_ALIGN_LEFT);

  size_t accel = std::u16string::npos;
  std::u16string shown = text;
  if (FStringFormat.HotkeyPrefix() != HotkeyPrefixNone) shown = StripPrefixes(text, accel);
  std::string utf8 = enc::Utf16ToUtf8(shown);
  const bool marked = FStringFormat.HotkeyPrefix() == HotkeyPrefixShow && accel != std::u16string::npos;
  // The key: the text, then what the attributes depend on (after a NUL,
  // which pango text cannot hold).
  std::string key = utf8;
  key += '\0';
  key += std::to_string(FFont.Style() & (FontStyleUnderline | FontStyleStrikeout));
  key += ':';
  key += marked ? std::to_string(accel) : "-";
  if (key == FLayoutKey) return FLayout;
  FLayoutKey = key;
  pango_layout_set_text(FLayout, utf8.c_str(), int(utf8.size()));

  PangoAttrList* attributes = pango_attr_list_new();
  if (FFont.Style() & FontStyleUnderline)
    pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (FFont.Style() & FontStyleStrikeout)
    pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
  if (marked) {
    size_t start = enc::Utf16ToUtf8(shown.substr(0, accel)).size();
    size_t length = enc::Utf16ToUtf8(shown.substr(accel, 1)).size();
    PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_LOW);
    underline->start_index = unsigned(start);
    underline->end_index = unsigned(start + length);
    pango_attr_list_insert(attributes, underline);
  }
  pango_layout_set_attributes(FLayout, attributes);
  pango_attr_list_unref(attributes);
  return FLayout;
}

void TCanvasEx::TextOut(int x, int y, const std::u16string& text) {
  PangoLayout* layout = PrepareLayout(text);
  TLogicalSize size = LogicalSize(layout);
  // Alignment is taken around the point, as for a text anchored there.
  double left = x + AlignOffset(FStringFormat.Alignment(), 0, size.Width);
  double top = y + AlignOffset(FStringFormat.LineAlignment(), 0, size.Height);
  cairo_save(FContext);
  SetSourceArgb(FContext, FFont.Color());
  cairo_move_to(FContext, left, top);
  pango_cairo_show_layout(FContext, layout);
  cairo_restore(FContext);
}

void TCanvasEx::TextRect(const TRect& rect, const std::u16string& text) {
  const int flags = FStringFormat.FormatFlags();
  const int trimming = FStringFormat.Trimming();
  const bool noWrap = (flags & StringFormatFlagsNoWrap) != 0;
  const int width = std::max(rect.Width(), 0);

  std::u16string shown = text;
  if (trimming == StringTrimmingEllipsisPath) {
    shown = PathEllipsis(text, [&](const std::u16string& candidate) {
      return LogicalSize(PrepareLayout(candidate)).Width <= width;
    });
  }
  PangoLayout* layout = PrepareLayout(shown);
  bool aligned = false;
  if (trimming == StringTrimmingEllipsisCharacter || trimming == StringTrimmingEllipsisWord) {
    pango_layout_set_width(layout, width * PANGO_SCALE);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    // Wrapped text is cut after the last line that fits; unwrapped text is
    // one line per paragraph.
    if (!noWrap) pango_layout_set_height(layout, std::max(rect.Height(), 1) * PANGO_SCALE);
    aligned = true;
  } else if (!noWrap && trimming != StringTrimmingEllipsisPath) {
    pango_layout_set_width(layout, width * PANGO_SCALE);
    if (trimming == StringTrimmingWord) pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    aligned = true;
  }
  if (aligned) {
    static const PangoAlignment kAlign[] = {PANGO_ALIGN_LEFT, PANGO_ALIGN_CENTER, PANGO_ALIGN_RIGHT};
    int alignment = FStringFormat.Alignment();
    pango_layout_set_alignment(layout, kAlign[alignment >= 0 && alignment <= 2 ? alignment : 0]);
  }

  TLogicalSize size = LogicalSize(layout);
  double left = rect.Left;
  if (!aligned) left += AlignOffset(FStringFormat.Alignment(), width, size.Width);
  double top = rect.Top + AlignOffset(FStringFormat.LineAlignment(), rect.Height(), size.Height);

  cairo_save(FContext);
  if (!(flags & StringFormatFlagsNoClip)) {
    cairo_rectangle(FContext, rect.Left, rect.Top, width, std::max(rect.Height(), 0));
    cairo_clip(FContext);
  }
  SetSourceArgb(FContext, FFont.Color());
  cairo_move_to(FContext, left, top);
  pango_cairo_show_layout(FContext, layout);
  cairo_restore(FContext);
}

TSizeEx TCanvasEx::TextExtent(const std::u16string& text) {
  if (text.empty()) return {1, 1};
  TLogicalSize size = LogicalSize(PrepareLayout(text));
  return {int(std::trunc(size.Width + 1)), int(std::trunc(size.Height + 1))};
}

std::u16string PathEllipsis(const std::u16string& text,
                            const std::function<bool(const std::u16string&)>& fits) {
  if (fits(text)) return text;
  const std::u16string ellipsis = u"\u2026";
  size_t separator = text.find_last_of(u"\\/");
  if (separator != std::u16string::npos && separator > 0) {
    const std::u16string tail = text.substr(separator);
    // The longest head that still fits in front of the whole last part.
    size_t low = 0, high = separator - 1;
    if (fits(ellipsis + tail)) {
      while (low < high) {
        size_t middle = (low + high + 1) / 2;
        if (fits(text.substr(0, middle) + ellipsis + tail))
          low = middle;
        else
          high = middle - 1;
      }
      return text.substr(0, low) + ellipsis + tail;
    }
  }
  // The last part alone is too wide (or there is none): keep its end.
  size_t start = separator == std::u16string::npos ? 0 : separator;
  size_t low = start + 1, high = text.size();
  while (low < high) {
    size_t middle = (low + high) / 2;
    if (fits(ellipsis + text.substr(middle)))
      high = middle;
    else
      low = middle + 1;
  }
  return ellipsis + text.substr(low);
}

}  // namespace widgets
