// The drawing surface of a painted control: a bitmap of the control's size,
// a cairo context on it and the font, string format, brush and pen that the
// drawing operations use. Coordinates are pixels of the canvas.
#pragma once

#include "widgets/Core.h"
#include "widgets/paint/BitmapEx.h"
#include "widgets/paint/FontEx.h"
#include "widgets/paint/GraphicObjectsEx.h"

#include <pango/pangocairo.h>

#include <functional>
#include <memory>
#include <string>

namespace widgets {

struct TSizeEx {
  int Width = 0, Height = 0;
};

// Text rendering hints and the other modes, numbered as before.
enum : int {
  TextRenderingHintSystemDefault = 0,
  TextRenderingHintSingleBitPerPixelGridFit = 1,
  TextRenderingHintSingleBitPerPixel = 2,
  TextRenderingHintAntiAliasGridFit = 3,
  TextRenderingHintAntiAlias = 4,
  TextRenderingHintClearTypeGridFit = 5,
  SmoothingModeDefault = 0,
  SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2,
  SmoothingModeNone = 3,
  SmoothingModeAntiAlias = 4,
  InterpolationModeDefault = 0,
  InterpolationModeLowQuality = 1,
  InterpolationModeHighQuality = 2,
  InterpolationModeBilinear = 3,
  InterpolationModeBicubic = 4,
  InterpolationModeNearestNeighbor = 5,
  InterpolationModeHighQualityBilinear = 6,
  InterpolationModeHighQualityBicubic = 7,
  PixelOffsetModeNone = 3,
};

// A 0xAARRGGBB colour as cairo's source.
inline void SetSourceArgb(cairo_t* cr, uint32_t colour) {
  cairo_set_source_rgba(cr, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                        (colour & 0xFF) / 255.0, (colour >> 24) / 255.0);
}

class TCanvasEx {
public:
  TCanvasEx(int width, int height);
  ~TCanvasEx();
  TCanvasEx(const TCanvasEx&) = delete;
  TCanvasEx& operator=(const TCanvasEx&) = delete;

  TBitmapEx& Bitmap() const { return *FBitmap; }
  cairo_t* Context() const { return FContext; }
  TFontEx& Font() { return FFont; }
  TStringFormatEx& StringFormat() { return FStringFormat; }
  TSolidBrushEx& Brush() { return FBrush; }
  TPenEx& Pen() { return FPen; }
  int Width() const { return FBitmap->Width(); }
  int Height() const { return FBitmap->Height(); }

  bool Antialias() const { return FAntialias; }
  void SetAntialias(bool value);
  int TextRenderingHint() const { return FTextRenderingHint; }
  void SetTextRenderingHint(int hint);
  int SmoothingMode() const { return FSmoothingMode; }
  void SetSmoothingMode(int mode);
  int InterpolationMode() const { return FInterpolationMode; }
  void SetInterpolationMode(int mode);
  int PixelOffsetMode() const { return FPixelOffsetMode; }
  void SetPixelOffsetMode(int mode);
  int TextContrast() const { return FTextContrast; }
  void SetTextContrast(int contrast);

  // All pixels transparent.
  void Clear();
  void DrawBitmap(const TBitmapEx& bitmap, int x, int y);
  void DrawBitmapAlpha(const TBitmapEx& bitmap, int x, int y, int alpha);
  // Same size as the bitmap: a plain copy; a size that is not positive:
  // nothing; otherwise scaled into the rectangle and clipped to it.
  void StretchDraw(const TBitmapEx& bitmap, int x, int y, int width, int height);
  void StretchDrawAlpha(const TBitmapEx& bitmap, int x, int y, int width, int height, int alpha);
  // The width x height part of the bitmap starting at (sourceX, sourceY),
  // placed at (x, y).
  void DrawBitmapRect(const TBitmapEx& bitmap, int x, int y, int width, int height, int sourceX,
                      int sourceY);
  void DrawBitmapRectAlpha(const TBitmapEx& bitmap, int x, int y, int width, int height,
                           int sourceX, int sourceY, int alpha);
  void DrawBlurred(const TBitmapEx& bitmap, int x, int y, int passes);
  // The rectangle filled with the bitmap repeated, the first copy at its
  // top-left corner.
  void TileFill(const TBitmapEx& bitmap, int left, int top, int right, int bottom);
  void FillRect(int left, int top, int right, int bottom);
  void FillRect(const TRect& rect) { FillRect(rect.Left, rect.Top, rect.Right, rect.Bottom); }
  // Outlines and lines with the pen.
  void FrameRect(int left, int top, int right, int bottom);
  void DrawLine(double x1, double y1, double x2, double y2);

  // Text in the font's colour with the canvas's string format. TextOut
  // aligns around the point; TextRect lays out in the rectangle, wrapping
  // unless the format says NoWrap, trimming as the format says and clipping
  // unless it says NoClip.
  void TextOut(int x, int y, const std::u16string& text);
  void TextRect(const TRect& rect, const std::u16string& text);
  // Size of the text on one line, each dimension truncated after adding 1.
  TSizeEx TextExtent(const std::u16string& text);
  int TextWidth(const std::u16string& text) { return TextExtent(text).Width; }
  int TextHeight(const std::u16string& text) { return TextExtent(text).Height; }

  // New size; the picture is lost and the modes are applied again.
  void Resize(int width, int height);

private:
  void Build(int width, int height);
  void ApplyModes();
  void PaintSource(const TBitmapEx& bitmap, double x, double y, int alpha);
  // Text layout shared by the three text operations.
  PangoLayout* PrepareLayout(const std::u16string& text);
  // The text and attributes the layout holds: a marquee or a label asks
  // for the same text every frame, and setting it again would shape it
  // again.
  std::string FLayoutKey;

  std::unique_ptr<TBitmapEx> FBitmap;
  cairo_t* FContext = nullptr;
  PangoLayout* FLayout = nullptr;
  TFontEx FFont;
  TStringFormatEx FStringFormat;
  TSolidBrushEx FBrush;
  TPenEx FPen;
  bool FAntialias = true;
  int FTextRenderingHint = TextRenderingHintAntiAlias;
  int FSmoothingMode = SmoothingModeAntiAlias;
  int FInterpolationMode = InterpolationModeNearestNeighbor;
  int FPixelOffsetMode = PixelOffsetModeNone;
  int FTextContrast = 4;
};

// Path ellipsis of one line: keeps as much of the last backslash- or
// slash-separated part as possible and replaces the middle by "…". `fits` tells
// whether a candidate fits the width; it must be monotone in the length.
std::u16string PathEllipsis(const std::u16string& text,
                            const std::function<bool(const std::u16string&)>& fits);

}  // namespace widgets
