#include "PaintFixture.h"

#include "widgets/paint/ButtonEx.h"
#include "widgets/paint/ImageEx.h"
#include "widgets/paint/LabelEx.h"

#include <string>

using namespace widgets;
using namespace testpaint;

namespace {

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string Png(const TBitmapEx& bitmap) {
  std::string png;
  cairo_surface_write_to_png_stream(bitmap.Surface(), AppendToString, &png);
  return png;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : bytes) {
    text += kDigits[c >> 4];
    text += kDigits[c & 15];
    text += ' ';
  }
  return text;
}

// A strip of cells, each filled with its own colour inside a transparent
// margin of `margin` pixels.
std::unique_ptr<TBitmapEx> Strip(int cellW, int cellH, int columns, int rows, int margin = 0) {
  auto strip = std::make_unique<TBitmapEx>(cellW * columns, cellH * rows);
  for (int row = 0; row < rows; ++row)
    for (int col = 0; col < columns; ++col) {
      uint32_t colour = 0xFF000000u | uint32_t((row * 4 + col + 1) * 0x10);
      for (int y = margin; y < cellH - margin; ++y)
        for (int x = margin; x < cellW - margin; ++x)
          strip->SetPixel(col * cellW + x, row * cellH + y, colour);
    }
  return strip;
}

uint32_t CellColour(int row, int cell) { return 0xFF000000u | uint32_t((row * 4 + cell + 1) * 0x10); }

// --- TImageEx -------------------------------------------------------------

TEST_F(PaintTest, ImageLoadsSkinPicturesAndSizesItself) {
  TImageEx image;
  Place(image, Window, 5, 5, 1, 1);
  image.SetImageId(2001);
  EXPECT_EQ(image.Width(), 20);
  EXPECT_EQ(image.Height(), 20);
  image.SetAutoSize(false);
  image.SetImageId(2012);
  EXPECT_EQ(image.Width(), 20) << "no auto size";
  image.SetAutoSize(true);
  EXPECT_EQ(image.Width(), 300);
  image.SetImageId(1);  // no such picture
  EXPECT_EQ(image.Image(), nullptr);
  Window.InvalidateTree();  // paints without a picture
}

TEST_F(PaintTest, ImageDrawsCentredStretchedTiledAndFaded) {
  PaintSolid(Window, 0x00000000);
  TImageEx image;
  Place(image, Window, 0, 0, 1, 1);
  image.SetImage(Solid(4, 4, 0xFF00FF00));
  image.SetAutoSize(false);
  image.SetBounds(0, 0, 11, 11);
  image.SetCenter(true);
  Window.InvalidateTree();
  // (11 - 4) / 2 = 3, truncated.
  EXPECT_EQ(Native->PixelAt(3, 3), 0xFF00FF00u);
  EXPECT_EQ(Native->PixelAt(6, 6), 0xFF00FF00u);
  EXPECT_EQ(Native->PixelAt(2, 3), 0u);
  EXPECT_EQ(Native->PixelAt(7, 7), 0u);

  image.SetCenter(false);
  image.SetStretch(true);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(0, 0), 0xFF00FF00u);
  EXPECT_EQ(Native->PixelAt(10, 10), 0xFF00FF00u);
  EXPECT_EQ(Native->PixelAt(11, 11), 0u);

  image.SetStretch(false);
  image.SetImageOpacity(128);
  Window.InvalidateTree();
  EXPECT_NEAR(double(Alpha(Native->PixelAt(1, 1))), 128.0, 1.0);
  EXPECT_EQ(Native->PixelAt(5, 5), 0u);

  auto checker = std::make_unique<TBitmapEx>(2, 1);
  checker->SetPixel(0, 0, 0xFFFF0000);
  image.SetImage(std::move(checker));
  image.SetAutoSize(false);
  image.SetBounds(0, 0, 11, 11);
  image.SetTile(true);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(8, 9), 0xFFFF0000u);
  EXPECT_EQ(Native->PixelAt(9, 9), 0u);
}

TEST_F(PaintTest, ImageTintGreysAndMultipliesOnlyForOpaqueColours) {
  TImageEx image;
  Place(image, Window, 0, 0, 1, 1);
  image.SetImage(Solid(2, 2, 0xFF3366FF));
  image.SetTint(0xFFFF0000);
  EXPECT_EQ(image.TintColor(), 0xFFFF0000u);
  uint32_t grey = (299u * 0x33 + 587u * 0x66 + 114u * 0xFF + 500) / 1000;
  EXPECT_EQ(image.WorkImage()->Pixel(0, 0), 0xFF000000u | ((grey * 255 / 256) << 16));
  EXPECT_EQ(image.Image()->Pixel(0, 0), 0xFF3366FFu) << "the loaded picture stays";

  image.SetTint(0x80FFFFFF);
  EXPECT_EQ(image.TintColor(), 0u);
  EXPECT_EQ(image.WorkImage()->Pixel(0, 0), 0xFF3366FFu);
  EXPECT_EQ(image.WorkImage(), image.Image()) << "an untinted picture is drawn from the one copy";
}

TEST_F(PaintTest, ImageLoadsFromBase64AndHexAndKeepsItsPictureOnEmptyData) {
  TImageEx image;
  Place(image, Window, 0, 0, 1, 1);
  TBitmapEx source(3, 2);
  source.SetPixel(2, 1, 0xFF112233);
  gchar* base64 = g_base64_encode(reinterpret_cast<const guchar*>(Png(source).data()), Png(source).size());
  image.LoadFromData(base64, "base64");
  g_free(base64);
  ASSERT_NE(image.Image(), nullptr);
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Image()->Pixel(2, 1), 0xFF112233u);

  image.LoadFromData("", "base64");
  image.LoadFromData("zz-not-hex", "hex");
  ASSERT_NE(image.Image(), nullptr);
  EXPECT_EQ(image.Image()->Pixel(2, 1), 0xFF112233u);

  TBitmapEx wide(5, 1);
  image.LoadFromData(Hex(Png(wide)), "hex");
  ASSERT_NE(image.Image(), nullptr);
  EXPECT_EQ(image.Width(), 5);
}

TEST_F(PaintTest, ImageKeepsTheMouseDuringADrag) {
  TImageEx image;
  Place(image, Window, 10, 10, 1, 1);
  image.SetImage(Solid(10, 10, 0xFFFFFFFF));
  int ups = 0;
  image.OnMouseUp = [&](TObject*, UINT, int, int) { ++ups; };
  Native->MouseDown(12, 12);
  EXPECT_EQ(GetCapture(), image.WindowHandle());
  Native->MouseUp(80, 50);
  EXPECT_EQ(ups, 1) << "the release outside still reaches the image";
  EXPECT_EQ(GetCapture(), 0u);
}

// --- TLabelEx -------------------------------------------------------------

TEST_F(PaintTest, LabelGrowsWithItsCaption) {
  TLabelEx label;
  Place(label, Window, 0, 0, 1, 1);
  label.SetCaption(u"Ses");
  const int shortWidth = label.Width();
  EXPECT_EQ(shortWidth, label.Canvas().TextWidth(u"Ses"));
  label.SetCaption(u"Ses %100 ve daha uzun");
  EXPECT_GT(label.Width(), shortWidth);
  label.Font().SetSize(16);
  EXPECT_GT(label.Height(), label.Canvas().TextHeight(u"x") - 1);
  EXPECT_EQ(label.Height(), label.Canvas().TextHeight(u"Ses %100 ve daha uzun"));
}

TEST_F(PaintTest, LabelShadowFallsTwoPixelsRightAndDown) {
  PaintSolid(Window, 0x00000000);
  TLabelEx label;
  label.SetAutoSize(false);
  Place(label, Window, 0, 0, 90, 40);
  EXPECT_EQ(label.Shadow().OffsetX(), 2);
  EXPECT_EQ(label.Shadow().OffsetY(), 2);
  EXPECT_EQ(label.Shadow().BlurPasses(), 2);
  EXPECT_EQ(label.Shadow().Color(), 0xFF000000u);
  label.Font().SetColor(0xFFFFFFFF);
  label.Font().SetSize(14);
  label.Shadow().SetBlurPasses(0);  // crisp, so the offset can be measured
  label.SetCaption(u"KAYIT");
  Window.InvalidateTree();
  const TBitmapEx& picture = label.Canvas().Bitmap();
  auto white = [](uint32_t p) { return Alpha(p) > 200 && Red(p) > 200; };
  auto black = [](uint32_t p) { return Alpha(p) > 200 && Red(p) < 40; };
  TInk text = InkOf(picture, white);
  TInk all = InkOf(picture, [](uint32_t p) { return Alpha(p) > 200; });
  ASSERT_GE(text.Left, 0);
  EXPECT_EQ(all.Left, text.Left);
  EXPECT_EQ(all.Top, text.Top);
  EXPECT_EQ(all.Right, text.Right + 2);
  EXPECT_EQ(all.Bottom, text.Bottom + 2);
  EXPECT_GE(InkOf(picture, black).Left, text.Left + 2);

  // The default blur softens the shadow but keeps it below and to the right.
  label.Shadow().SetBlurPasses(2);
  Window.InvalidateTree();
  TInk soft = InkOf(label.Canvas().Bitmap(), [](uint32_t p) { return Alpha(p) > 0 && Red(p) < 40; });
  EXPECT_GT(soft.Right, text.Right);
  EXPECT_GT(soft.Bottom, text.Bottom);
  EXPECT_GT(soft.Left, text.Left);

  label.Shadow().SetEnabled(false);
  EXPECT_EQ(label.ShadowBitmap(), nullptr);
  Window.InvalidateTree();
  TInk bare = InkOf(label.Canvas().Bitmap(), [](uint32_t p) { return Alpha(p) > 0; });
  EXPECT_LE(bare.Right, text.Right + 1);
}

TEST_F(PaintTest, OpaqueLabelFillsItsBackground) {
  TLabelEx label;
  label.SetAutoSize(false);
  Place(label, Window, 0, 0, 30, 10);
  label.SetColor(0xFF0000FF);
  label.SetCaption(u"");
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(29, 9), 0xFFFFFFFFu) << "transparent by default";
  label.SetTransparent(false);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(29, 9), 0xFF0000FFu);
}

// --- TButtonEx ------------------------------------------------------------

TEST_F(PaintTest, StripOfOneRowAndTwoCells) {
  TButtonEx button;
  Place(button, Window, 0, 0, 10, 10);
  button.SetStrip(Strip(10, 10, 2, 1));
  ASSERT_NE(button.BitmapList(), nullptr);
  EXPECT_EQ(button.BitmapList()->Count(), 2);
  EXPECT_EQ(button.BitmapList()->Item(1, 0), nullptr) << "one cell high: no down row";
  EXPECT_EQ(button.BitmapList()->Item(0, TBitmapListEx::ciHot), nullptr);

  auto shown = [&] { return button.CurrentItem()->Bitmap().Pixel(5, 5); };
  EXPECT_EQ(shown(), CellColour(0, 0));
  button.SetState(bsPressed);
  EXPECT_EQ(shown(), CellColour(0, 1));
  button.SetState(bsHot);
  EXPECT_EQ(shown(), CellColour(0, 0)) << "no hot cell: the normal one";
  button.SetState(bsDown);
  EXPECT_EQ(shown(), CellColour(0, 0)) << "down falls back to the first row";
  button.SetState(0);
  button.SetEnabled(false);
  EXPECT_EQ(shown(), CellColour(0, 0)) << "no disabled cell: the normal one";
}

TEST_F(PaintTest, FullStripPicksTheCellOfEachState) {
  TButtonEx button;
  Place(button, Window, 0, 0, 10, 10);
  button.SetStrip(Strip(10, 10, 4, 2));
  EXPECT_EQ(button.BitmapList()->Count(), 8);
  auto shown = [&] { return button.CurrentItem()->Bitmap().Pixel(5, 5); };
  button.SetState(bsHot);
  EXPECT_EQ(shown(), CellColour(0, 2));
  button.SetState(bsHot | bsPressed);
  EXPECT_EQ(shown(), CellColour(0, 1)) << "pressed wins over hot";
  button.SetState(bsDown | bsHot);
  EXPECT_EQ(shown(), CellColour(1, 2));
  button.SetEnabled(false);
  EXPECT_EQ(shown(), CellColour(1, 3));

  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(5, 5), CellColour(1, 3));
}

TEST_F(PaintTest, ButtonPressAndHoverChangeTheStateAndAutoRedrawShowsIt) {
  TButtonEx button;
  Place(button, Window, 10, 10, 10, 10);
  button.SetStrip(Strip(10, 10, 4, 1));
  button.SetAutoRedraw(true);
  Window.InvalidateTree();
  const int presents = Native->PresentCount;
  Native->MouseMove(15, 15);
  ProcessMessages();
  EXPECT_TRUE(button.State() & bsHot);
  EXPECT_GT(Native->PresentCount, presents);
  EXPECT_EQ(Native->PixelAt(15, 15), CellColour(0, 2));
  Native->MouseDown(15, 15);
  EXPECT_TRUE(button.State() & bsPressed);
  EXPECT_EQ(Native->PixelAt(15, 15), CellColour(0, 1));
  Native->MouseUp(15, 15);
  EXPECT_FALSE(button.State() & bsPressed);
  Native->MouseLeave();
  ProcessMessages();
  EXPECT_FALSE(button.State() & bsHot);
}

TEST_F(PaintTest, NoClickInTheTransparentMarginOfAButton) {
  TButtonEx button;
  Place(button, Window, 10, 10, 20, 20);
  button.SetStrip(Strip(20, 20, 2, 1, 5));
  int buttonClicks = 0, windowClicks = 0;
  button.OnClick = [&](TObject*, UINT, int, int) { ++buttonClicks; };
  Window.OnClick = [&](TObject*, UINT, int, int) { ++windowClicks; };
  Native->Click(12, 12);  // inside the button, in its margin
  EXPECT_EQ(buttonClicks, 0);
  EXPECT_EQ(windowClicks, 1);
  Native->Click(20, 20);
  EXPECT_EQ(buttonClicks, 1);

  button.SetUseRegion(false);
  Native->Click(12, 12);
  EXPECT_EQ(buttonClicks, 2);
}

TEST_F(PaintTest, ButtonCutsSkinStripsAtItsOwnSize) {
  TButtonEx button;
  Place(button, Window, 0, 0, 16, 16);
  button.SetImageId(7000);
  ASSERT_NE(button.BitmapList(), nullptr);
  EXPECT_EQ(button.BitmapList()->Count(), 4);
  EXPECT_EQ(button.CurrentItem()->Bitmap().Width(), 16);
  button.SetImageId(12345);
  EXPECT_EQ(button.BitmapList()->Count(), 0);
  EXPECT_EQ(button.CurrentItem(), nullptr);
  Window.InvalidateTree();
}

}  // namespace
