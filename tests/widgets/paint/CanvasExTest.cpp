#include "widgets/paint/CanvasEx.h"

#include <gtest/gtest.h>

#include "PaintFixture.h"

using widgets::TBitmapEx;
using widgets::TCanvasEx;
using core::TRect;

namespace {

using testpaint::Alpha;
using testpaint::InkOf;
using testpaint::TInk;

TBitmapEx Checker() {
  TBitmapEx bitmap(2, 2);
  bitmap.SetPixel(0, 0, 0xFFFF0000);
  bitmap.SetPixel(1, 0, 0xFF00FF00);
  bitmap.SetPixel(0, 1, 0xFF0000FF);
  bitmap.SetPixel(1, 1, 0xFFFFFFFF);
  return bitmap;
}

}  // namespace

TEST(CanvasEx, DefaultsAndAntialiasSwitchTheTextHint) {
  TCanvasEx canvas(10, 10);
  EXPECT_TRUE(canvas.Antialias());
  EXPECT_EQ(canvas.TextRenderingHint(), widgets::TextRenderingHintAntiAlias);
  EXPECT_EQ(canvas.SmoothingMode(), widgets::SmoothingModeAntiAlias);
  EXPECT_EQ(canvas.InterpolationMode(), widgets::InterpolationModeNearestNeighbor);
  EXPECT_EQ(canvas.PixelOffsetMode(), widgets::PixelOffsetModeNone);
  EXPECT_EQ(canvas.TextContrast(), 4);
  EXPECT_TRUE(canvas.StringFormat().FormatFlags() & widgets::StringFormatFlagsMeasureTrailingSpaces);
  canvas.SetAntialias(false);
  EXPECT_EQ(canvas.TextRenderingHint(), widgets::TextRenderingHintAntiAliasGridFit);
  canvas.SetSmoothingMode(widgets::SmoothingModeNone);
  canvas.Resize(20, 5);  // modes survive a resize
  EXPECT_EQ(canvas.Width(), 20);
  EXPECT_EQ(canvas.SmoothingMode(), widgets::SmoothingModeNone);
}

TEST(CanvasEx, ClearAndFillRect) {
  TCanvasEx canvas(8, 8);
  canvas.Brush().SetColor(0xFFEC701F);
  canvas.FillRect(2, 2, 6, 5);
  EXPECT_EQ(canvas.Bitmap().Pixel(2, 2), 0xFFEC701Fu);
  EXPECT_EQ(canvas.Bitmap().Pixel(5, 4), 0xFFEC701Fu);
  EXPECT_EQ(canvas.Bitmap().Pixel(6, 4), 0u);
  EXPECT_EQ(canvas.Bitmap().Pixel(5, 5), 0u);
  // A fully transparent brush leaves the picture as it is.
  canvas.Brush().SetColor(0x00FFFFFF);
  canvas.FillRect(0, 0, 8, 8);
  EXPECT_EQ(canvas.Bitmap().Pixel(3, 3), 0xFFEC701Fu);
  canvas.Clear();
  EXPECT_EQ(canvas.Bitmap().Pixel(3, 3), 0u);
}

TEST(CanvasEx, DrawBitmapAlphaBlendsAtTheGivenStrength) {
  TBitmapEx white(4, 4);
  white.Fill(0xFFFFFFFF);
  TCanvasEx canvas(8, 8);
  canvas.DrawBitmapAlpha(white, 1, 1, 128);
  EXPECT_NEAR(double(Alpha(canvas.Bitmap().Pixel(1, 1))), 128.0, 1.0);
  EXPECT_EQ(canvas.Bitmap().Pixel(0, 0), 0u);
  canvas.Clear();
  canvas.DrawBitmapAlpha(white, 0, 0, 0);
  EXPECT_EQ(canvas.Bitmap().Pixel(0, 0), 0u);
  canvas.DrawBitmap(white, 4, 4);
  EXPECT_EQ(canvas.Bitmap().Pixel(7, 7), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.Bitmap().Pixel(3, 3), 0u);
}

TEST(CanvasEx, StretchDrawCopiesScalesOrDrawsNothing) {
  TBitmapEx checker = Checker();
  TCanvasEx canvas(8, 8);
  canvas.StretchDraw(checker, 1, 1, 0, 4);
  canvas.StretchDraw(checker, 1, 1, 4, -1);
  EXPECT_TRUE(InkOf(canvas.Bitmap()).Empty());

  canvas.StretchDraw(checker, 3, 3, 2, 2);  // own size: unscaled copy
  EXPECT_EQ(canvas.Bitmap().Pixel(3, 3), 0xFFFF0000u);
  EXPECT_EQ(canvas.Bitmap().Pixel(4, 4), 0xFFFFFFFFu);
  canvas.Clear();

  // Doubled with nearest-neighbour: every source pixel becomes a crisp 2x2
  // block and nothing spills out of the target rectangle.
  canvas.StretchDraw(checker, 2, 2, 4, 4);
  EXPECT_EQ(canvas.Bitmap().Pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(canvas.Bitmap().Pixel(3, 3), 0xFFFF0000u);
  EXPECT_EQ(canvas.Bitmap().Pixel(4, 2), 0xFF00FF00u);
  EXPECT_EQ(canvas.Bitmap().Pixel(2, 5), 0xFF0000FFu);
  EXPECT_EQ(canvas.Bitmap().Pixel(5, 5), 0xFFFFFFFFu);
  TInk ink = InkOf(canvas.Bitmap());
  EXPECT_EQ(ink.Left, 2);
  EXPECT_EQ(ink.Right, 5);
  EXPECT_EQ(ink.Top, 2);
  EXPECT_EQ(ink.Bottom, 5);
}

TEST(CanvasEx, DrawBitmapRectTakesThePartAtTheSourcePoint) {
  TBitmapEx strip(6, 2);
  for (int x = 0; x < 6; ++x)
    for (int y = 0; y < 2; ++y) strip.SetPixel(x, y, 0xFF000000u | uint32_t(x + 1));
  TCanvasEx canvas(4, 4);
  canvas.DrawBitmapRect(strip, 1, 1, 2, 2, 3, 0);
  EXPECT_EQ(canvas.Bitmap().Pixel(1, 1), 0xFF000004u);
  EXPECT_EQ(canvas.Bitmap().Pixel(2, 2), 0xFF000005u);
  EXPECT_EQ(canvas.Bitmap().Pixel(3, 1), 0u);
  EXPECT_EQ(canvas.Bitmap().Pixel(0, 1), 0u);
  canvas.Clear();
  canvas.DrawBitmapRectAlpha(strip, 0, 0, 1, 1, 0, 0, 0);
  EXPECT_EQ(canvas.Bitmap().Pixel(0, 0), 0u);
}

TEST(CanvasEx, TileFillRepeatsFromTheRectangleCorner) {
  TBitmapEx checker = Checker();
  TCanvasEx canvas(8, 8);
  canvas.TileFill(checker, 1, 1, 6, 4);
  EXPECT_EQ(canvas.Bitmap().Pixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(canvas.Bitmap().Pixel(3, 1), 0xFFFF0000u);
  EXPECT_EQ(canvas.Bitmap().Pixel(4, 2), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.Bitmap().Pixel(5, 3), 0xFFFF0000u);
  EXPECT_EQ(canvas.Bitmap().Pixel(6, 1), 0u);
  EXPECT_EQ(canvas.Bitmap().Pixel(1, 4), 0u);
}

TEST(CanvasEx, DrawBlurredLeavesTheSourceAlone) {
  TBitmapEx dot(5, 5);
  dot.SetPixel(2, 2, 0xFFFFFFFF);
  TCanvasEx canvas(5, 5);
  canvas.DrawBlurred(dot, 0, 0, 1);
  EXPECT_EQ(Alpha(canvas.Bitmap().Pixel(2, 2)), 31u);
  EXPECT_EQ(Alpha(canvas.Bitmap().Pixel(2, 1)), 63u);
  EXPECT_EQ(dot.Pixel(2, 2), 0xFFFFFFFFu);
}
