#include "widgets/paint/CanvasEx.h"

#include <algorithm>

namespace widgets {

namespace {

cairo_filter_t FilterFor(int interpolationMode) {
  switch (interpolationMode) {
    case InterpolationModeNearestNeighbor: return CAIRO_FILTER_NEAREST;
    case InterpolationModeHighQuality:
    case InterpolationModeBicubic:
    case InterpolationModeHighQualityBilinear: return CAIRO_FILTER_GOOD;
    case InterpolationModeHighQualityBicubic: return CAIRO_FILTER_BEST;
    default: return CAIRO_FILTER_BILINEAR;
  }
}

}  // namespace

TCanvasEx::TCanvasEx(int width, int height) {
  FStringFormat.SetFormatFlags(FStringFormat.FormatFlags() | StringFormatFlagsMeasureTrailingSpaces);
  Build(width, height);
}

TCanvasEx::~TCanvasEx() {
  if (FLayout) g_object_unref(FLayout);
  if (FContext) cairo_destroy(FContext);
}

void TCanvasEx::Build(int width, int height) {
  if (FLayout) g_object_unref(FLayout);
  if (FContext) cairo_destroy(FContext);
  FBitmap = std::make_unique<TBitmapEx>(width, height);
  FContext = cairo_create(FBitmap->Surface());
  FLayout = pango_cairo_create_layout(FContext);
  FLayoutKey.clear();
  ApplyModes();
}

void TCanvasEx::Resize(int width, int height) { Build(width, height); }

void TCanvasEx::ApplyModes() {
  bool smooth = FSmoothingMode == SmoothingModeAntiAlias || FSmoothingMode == SmoothingModeHighQuality;
  cairo_set_antialias(FContext, smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);

  cairo_font_options_t* options = cairo_font_options_create();
  switch (FTextRenderingHint) {
    case TextRenderingHintSingleBitPerPixelGridFit:
      cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
      cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
      break;
    case TextRenderingHintSingleBitPerPixel:
      cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
      cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
      break;
    case TextRenderingHintAntiAliasGridFit:
    case TextRenderingHintClearTypeGridFit:
      // Sub-pixel colour fringes would show on a translucent window, so
      // the ClearType hint renders grey as well.
      cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
      cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
      cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
      break;
    case TextRenderingHintAntiAlias:
      cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
      cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
      cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
      break;
    default:
      break;
  }
  PangoContext* context = pango_layout_get_context(FLayout);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(FLayout);
}

void TCanvasEx::SetAntialias(bool value) {
  FAntialias = value;
  SetTextRenderingHint(value ? TextRenderingHintAntiAlias : TextRenderingHintAntiAliasGridFit);
}

void TCanvasEx::SetTextRenderingHint(int hint) {
  if (hint == FTextRenderingHint) return;
  FTextRenderingHint = hint;
  ApplyModes();
}

void TCanvasEx::SetSmoothingMode(int mode) {
  if (mode == FSmoothingMode) return;
  FSmoothingMode = mode;
  ApplyModes();
}

void TCanvasEx::SetInterpolationMode(int mode) { FInterpolationMode = mode; }
void TCanvasEx::SetPixelOffsetMode(int mode) { FPixelOffsetMode = mode; }
void TCanvasEx::SetTextContrast(int contrast) { FTextContrast = contrast; }

void TCanvasEx::Clear() {
  cairo_save(FContext);
  cairo_set_operator(FContext, CAIRO_OPERATOR_CLEAR);
  cairo_paint(FContext);
  cairo_restore(FContext);
}

void TCanvasEx::PaintSource(const TBitmapEx& bitmap, double x, double y, int alpha) {
  cairo_set_source_surface(FContext, bitmap.Surface(), x, y);
  if (alpha >= 255)
    cairo_paint(FContext);
  else if (alpha > 0)
    cairo_paint_with_alpha(FContext, alpha / 255.0);
}

void TCanvasEx::DrawBitmap(const TBitmapEx& bitmap, int x, int y) {
  DrawBitmapAlpha(bitmap, x, y, 255);
}

void TCanvasEx::DrawBitmapAlpha(const TBitmapEx& bitmap, int x, int y, int alpha) {
  cairo_save(FContext);
  PaintSource(bitmap, x, y, alpha);
  cairo_restore(FContext);
}

void TCanvasEx::StretchDraw(const TBitmapEx& bitmap, int x, int y, int width, int height) {
  StretchDrawAlpha(bitmap, x, y, width, height, 255);
}

void TCanvasEx::StretchDrawAlpha(const TBitmapEx& bitmap, int x, int y, int width, int height,
                                 int alpha) {
  if (width == bitmap.Width() && height == bitmap.Height()) {
    DrawBitmapAlpha(bitmap, x, y, alpha);
    return;
  }
  if (width <= 0 || height <= 0 || bitmap.Width() <= 0 || bitmap.Height() <= 0) return;
  cairo_save(FContext);
  cairo_rectangle(FContext, x, y, width, height);
  cairo_clip(FContext);
  cairo_translate(FContext, x, y);
  cairo_scale(FContext, double(width) / bitmap.Width(), double(height) / bitmap.Height());
  cairo_set_source_surface(FContext, bitmap.Surface(), 0, 0);
  cairo_pattern_t* pattern = cairo_get_source(FContext);
  cairo_pattern_set_filter(pattern, FilterFor(FInterpolationMode));
  // Edge pixels keep their colour instead of fading into transparency.
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  if (alpha >= 255)
    cairo_paint(FContext);
  else if (alpha > 0)
    cairo_paint_with_alpha(FContext, alpha / 255.0);
  cairo_restore(FContext);
}

void TCanvasEx::DrawBitmapRect(const TBitmapEx& bitmap, int x, int y, int width, int height,
                               int sourceX, int sourceY) {
  DrawBitmapRectAlpha(bitmap, x, y, width, height, sourceX, sourceY, 255);
}

void TCanvasEx::DrawBitmapRectAlpha(const TBitmapEx& bitmap, int x, int y, int width, int height,
                                    int sourceX, int sourceY, int alpha) {
  if (width <= 0 || height <= 0) return;
  cairo_save(FContext);
  cairo_rectangle(FContext, x, y, width, height);
  cairo_clip(FContext);
  PaintSource(bitmap, x - sourceX, y - sourceY, alpha);
  cairo_restore(FContext);
}

void TCanvasEx::DrawBlurred(const TBitmapEx& bitmap, int x, int y, int passes) {
  auto copy = bitmap.Clone();
  copy->Blur(passes);
  DrawBitmap(*copy, x, y);
}

void TCanvasEx::TileFill(const TBitmapEx& bitmap, int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top || bitmap.Width() <= 0 || bitmap.Height() <= 0) return;
  cairo_save(FContext);
  cairo_set_source_surface(FContext, bitmap.Surface(), left, top);
  cairo_pattern_set_extend(cairo_get_source(FContext), CAIRO_EXTEND_REPEAT);
  cairo_rectangle(FContext, left, top, right - left, bottom - top);
  cairo_fill(FContext);
  cairo_restore(FContext);
}

void TCanvasEx::FillRect(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  cairo_save(FContext);
  SetSourceArgb(FContext, FBrush.Color());
  cairo_rectangle(FContext, left, top, right - left, bottom - top);
  cairo_fill(FContext);
  cairo_restore(FContext);
}

void TCanvasEx::FrameRect(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  cairo_save(FContext);
  SetSourceArgb(FContext, FPen.Color());
  double w = FPen.Width();
  cairo_set_line_width(FContext, w);
  // Lines sit inside the rectangle, centred on half pixels so that a
  // one-pixel pen stays crisp.
  cairo_rectangle(FContext, left + w / 2, top + w / 2, right - left - w, bottom - top - w);
  cairo_stroke(FContext);
  cairo_restore(FContext);
}

void TCanvasEx::DrawLine(double x1, double y1, double x2, double y2) {
  cairo_save(FContext);
  SetSourceArgb(FContext, FPen.Color());
  cairo_set_line_width(FContext, FPen.Width());
  static const double kDash[] = {3, 3}, kDot[] = {1, 1}, kDashDot[] = {3, 1, 1, 1};
  switch (FPen.Style()) {
    case psDashEx: cairo_set_dash(FContext, kDash, 2, 0); break;
    case psDotEx: cairo_set_dash(FContext, kDot, 2, 0); break;
    case psDashDotEx: cairo_set_dash(FContext, kDashDot, 4, 0); break;
    default: break;
  }
  cairo_move_to(FContext, x1, y1);
  cairo_line_to(FContext, x2, y2);
  cairo_stroke(FContext);
  cairo_restore(FContext);
}

}  // namespace widgets
