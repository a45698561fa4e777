#include "widgets/paint/CanvasEx.h"
#include "widgets/paint/DataDecode.h"

#include <gtest/gtest.h>

#include "PaintFixture.h"

using widgets::TBitmapEx;
using widgets::TCanvasEx;
using widgets::TFontEx;
using core::TRect;

namespace {

using testpaint::InkOf;
using testpaint::TInk;

uint32_t MaxAlpha(const TBitmapEx& bitmap) {
  uint32_t best = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) best = std::max(best, bitmap.Pixel(x, y) >> 24);
  return best;
}

}  // namespace

TEST(FontEx, DefaultsOpaqueColourRuleAndChangeNotices) {
  TFontEx font;
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Size(), 10);
  EXPECT_EQ(font.Style(), widgets::FontStyleRegular);
  EXPECT_EQ(font.Color(), 0xFE000000u);

  int notices = 0;
  font.OnChange = [&] { ++notices; };
  font.SetColor(0xFFFFFFFF);
  EXPECT_EQ(font.Color(), 0xFEFFFFFFu);
  EXPECT_EQ(font.Brush().Color(), 0xFEFFFFFFu);
  font.SetColor(0xEFFFFFFF);
  EXPECT_EQ(font.Color(), 0xEFFFFFFFu);
  font.SetSize(8);
  font.SetSize(8);  // unchanged: no notice
  font.SetName("Tahoma");
  font.SetStyle(widgets::FontStyleBold);
  EXPECT_EQ(notices, 5);
  EXPECT_EQ(pango_font_description_get_weight(font.Handle()), PANGO_WEIGHT_BOLD);

  TFontEx copy;
  int copyNotices = 0;
  copy.OnChange = [&] { ++copyNotices; };
  font.Format().SetAlignment(widgets::StringAlignmentFar);
  copy.Assign(font);
  EXPECT_EQ(copyNotices, 1);
  EXPECT_EQ(copy.Name(), "Tahoma");
  EXPECT_EQ(copy.Size(), 8);
  EXPECT_EQ(copy.Color(), 0xEFFFFFFFu);
  EXPECT_EQ(copy.Format().Alignment(), widgets::StringAlignmentFar);
}

TEST(CanvasText, TextOutDrawsInTheFontColourAndStaysNearThePoint) {
  TCanvasEx canvas(80, 30);
  canvas.Font().SetColor(0xFFFFFFFF);
  canvas.TextOut(5, 5, u"Radyo");
  TInk ink = InkOf(canvas.Bitmap());
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.Left, 5);
  EXPECT_LE(ink.Left, 8);
  EXPECT_GE(ink.Top, 5);
  // Opaque text is drawn at alpha 254, so no pixel becomes fully opaque.
  EXPECT_GE(MaxAlpha(canvas.Bitmap()), 250u);
  EXPECT_LT(MaxAlpha(canvas.Bitmap()), 255u);
}

TEST(CanvasText, TextExtentGrowsWithTheTextAndCountsTrailingSpaces) {
  TCanvasEx canvas(10, 10);
  canvas.Font().SetName("Tahoma");
  canvas.Font().SetSize(8);
  auto shortText = canvas.TextExtent(u"Radyo");
  auto longText = canvas.TextExtent(u"Radyo Listesi");
  auto spaced = canvas.TextExtent(u"Radyo   ");
  EXPECT_GT(longText.Width, shortText.Width);
  EXPECT_GT(spaced.Width, shortText.Width);
  EXPECT_EQ(longText.Height, shortText.Height);
  EXPECT_GE(shortText.Height, 10);
  EXPECT_LE(shortText.Height, 18);
  EXPECT_EQ(canvas.TextWidth(u"Radyo"), shortText.Width);
  canvas.Font().SetSize(16);
  EXPECT_GT(canvas.TextHeight(u"Radyo"), shortText.Height);
}

TEST(CanvasText, HotkeyPrefixIsHiddenOrShownButNeverDrawnAsText) {
  TCanvasEx canvas(10, 10);
  auto plain = canvas.TextExtent(u"Dosya");
  auto literal = canvas.TextExtent(u"&Dosya");
  EXPECT_GT(literal.Width, plain.Width);
  canvas.StringFormat().SetHotkeyPrefix(widgets::HotkeyPrefixHide);
  EXPECT_EQ(canvas.TextExtent(u"&Dosya").Width, plain.Width);
  canvas.StringFormat().SetHotkeyPrefix(widgets::HotkeyPrefixShow);
  EXPECT_EQ(canvas.TextExtent(u"&Dosya").Width, plain.Width);
}

// The canvas keeps the last text laid out; asking again for the same text
// must still honour what changed around it (an ellipsis width, a style).
TEST(CanvasText, TheSameTextAgainFollowsTheSettingsOfEachCall) {
  TCanvasEx canvas(120, 30);
  canvas.Font().SetColor(0xFFFFFFFF);
  const std::u16string text = u"Radyo Listesi Uzun";
  auto full = canvas.TextExtent(text);
  canvas.StringFormat().SetTrimming(widgets::StringTrimmingEllipsisCharacter);
  canvas.TextRect(TRect{0, 0, 30, 30}, text);
  EXPECT_EQ(canvas.TextExtent(text).Width, full.Width) << "the ellipsis width stays with the rectangle";

  // No descenders: the underline is the lowest ink.
  canvas.Clear();
  canvas.TextOut(0, 0, u"RADAR");
  TInk plain = InkOf(canvas.Bitmap());
  canvas.Clear();
  canvas.Font().SetStyle(widgets::FontStyleUnderline);
  canvas.TextOut(0, 0, u"RADAR");
  TInk underlined = InkOf(canvas.Bitmap());
  EXPECT_GT(underlined.Bottom, plain.Bottom) << "the underline is drawn although the text is the same";
  canvas.Clear();
  canvas.Font().SetStyle(widgets::FontStyleRegular);
  canvas.TextOut(0, 0, u"RADAR");
  EXPECT_EQ(InkOf(canvas.Bitmap()).Bottom, plain.Bottom);
}

TEST(CanvasText, TextRectAlignsInsideTheRectangle) {
  TCanvasEx canvas(120, 40);
  canvas.Font().SetColor(0xFFFFFFFF);
  canvas.StringFormat().SetAlignment(widgets::StringAlignmentFar);
  canvas.StringFormat().SetLineAlignment(widgets::StringAlignmentCenter);
  canvas.TextRect(TRect{10, 0, 110, 40}, u"Kayıt");
  TInk right = InkOf(canvas.Bitmap());
  ASSERT_FALSE(right.Empty());
  EXPECT_LE(right.Right, 109);
  EXPECT_GE(right.Right, 100);
  EXPECT_GT(right.Top, 8);
  EXPECT_LT(right.Bottom, 32);

  canvas.Clear();
  canvas.StringFormat().SetAlignment(widgets::StringAlignmentCenter);
  canvas.TextRect(TRect{10, 0, 110, 40}, u"Kayıt");
  TInk centre = InkOf(canvas.Bitmap());
  EXPECT_NEAR((centre.Left + centre.Right) / 2.0, 60.0, 3.0);
}

TEST(CanvasText, EllipsisKeepsLongTextInsideTheRectangleEvenWithoutClipping) {
  const std::u16string text = u"Çok uzun bir radyo istasyonu adı burada bitmiyor";
  TCanvasEx canvas(200, 20);
  canvas.Font().SetColor(0xFFFFFFFF);
  canvas.StringFormat().SetFormatFlags(widgets::StringFormatFlagsNoWrap |
                                       widgets::StringFormatFlagsNoClip);
  canvas.StringFormat().SetTrimming(widgets::StringTrimmingNone);
  canvas.TextRect(TRect{0, 0, 60, 20}, text);
  EXPECT_GT(InkOf(canvas.Bitmap()).Right, 100);  // runs on past the rectangle

  canvas.Clear();
  canvas.StringFormat().SetTrimming(widgets::StringTrimmingEllipsisCharacter);
  canvas.TextRect(TRect{0, 0, 60, 20}, text);
  TInk trimmed = InkOf(canvas.Bitmap());
  ASSERT_FALSE(trimmed.Empty());
  EXPECT_LT(trimmed.Right, 60);
  EXPECT_GT(trimmed.Right, 40);

  canvas.Clear();
  canvas.StringFormat().SetTrimming(widgets::StringTrimmingEllipsisPath);
  canvas.TextRect(TRect{0, 0, 60, 20}, u"C:\\Users\\Radyo\\Kayıtlar\\kayit.mp3");
  trimmed = InkOf(canvas.Bitmap());
  ASSERT_FALSE(trimmed.Empty());
  EXPECT_LT(trimmed.Right, 60);
}

TEST(CanvasText, PathEllipsisKeepsTheLastPart) {
  auto fitsIn = [](size_t n) {
    return [n](const std::u16string& s) { return s.size() <= n; };
  };
  const std::u16string path = u"C:\\Music\\Recordings\\radio.mp3";
  EXPECT_EQ(widgets::PathEllipsis(path, fitsIn(100)), path);
  EXPECT_EQ(widgets::PathEllipsis(path, fitsIn(20)), u"C:\\Music\\\u2026\\radio.mp3");
  EXPECT_EQ(widgets::PathEllipsis(path, fitsIn(11)), u"\u2026\\radio.mp3");
  // Not even the last part fits: its end is kept.
  EXPECT_EQ(widgets::PathEllipsis(path, fitsIn(6)), u"\u2026o.mp3");
  EXPECT_EQ(widgets::PathEllipsis(u"/home/user/kayit.ogg", fitsIn(14)), u"/ho\u2026/kayit.ogg");
  EXPECT_EQ(widgets::PathEllipsis(u"kayitdosyasi.ogg", fitsIn(8)), u"\u2026asi.ogg");
}

TEST(DataDecode, Base64AndHexSkipNoiseAndDropLoneDigits) {
  EXPECT_EQ(widgets::DecodeBase64("aGVs\r\nbG8="), "hello");
  EXPECT_EQ(widgets::DecodeBase64("aGVsbG8"), "hello");
  EXPECT_EQ(widgets::DecodeBase64(""), "");
  EXPECT_EQ(widgets::DecodeBase64("!!!"), "");
  EXPECT_EQ(widgets::DecodeHex("48 65-6c6C 6"), "Hell");
  EXPECT_EQ(widgets::DecodeHex("4"), "");
  EXPECT_EQ(widgets::DecodeHex("zz"), "");
  EXPECT_EQ(widgets::DecodeData("aGk=", "base64"), "hi");
  EXPECT_EQ(widgets::DecodeData("6869", "hex"), "hi");
  EXPECT_EQ(widgets::DecodeData("6869", "anything"), "hi");
}
