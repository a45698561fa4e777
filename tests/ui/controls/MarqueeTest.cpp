// The sliding caption: start delay, the turning points, fades and the
// cases where it must stay still.
#include "ControlsFixture.h"

#include "ui/controls/MarqueeLabelEx.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace testcontrols;
using namespace widgets;

namespace {

class MarqueeTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Marquee.TickCount = [this] { return Now; };
    Marquee.Font().SetName("Arial");
    Marquee.Font().SetSize(8);
    Marquee.Font().SetStyle(FontStyleBold);
    Marquee.Font().SetColor(0xEFFFFFFF);
    Marquee.SetCaption(u"Radyo Kelvarin - Uzun bir şarkı adı ve sanatçısı, kayan yazı");
    TextWidth = Marquee.Canvas().TextWidth(Marquee.Caption());
    ASSERT_GT(TextWidth, 150);
    Place(Marquee, 10, 10, TextWidth - 100, 16);
    Marquee.Reset(0);
  }
  // Past the start delay, as the clock sees it.
  void PassDelay() { Now += 2001; }
  // Right-most column of the control's picture: alpha of its middle row.
  std::uint32_t EdgeAlpha() {
    Redraw();
    return Alpha(Marquee.Canvas().Bitmap().Pixel(Marquee.Width() - 1, 8));
  }

  // Whether the native window shows the window's picture pixel for pixel.
  bool ShownAsComposed() {
    const TBitmapEx& canvas = Window.Canvas().Bitmap();
    canvas.Flush();
    if (Native->PixelWidth != canvas.Width() || Native->PixelHeight != canvas.Height()) return false;
    for (int y = 0; y < canvas.Height(); ++y)
      for (int x = 0; x < canvas.Width(); ++x)
        if (Native->PixelAt(x, y) != canvas.Pixel(x, y)) return false;
    return true;
  }
  // The label's picture now against one drawn again from scratch.
  bool SameAsAWholeRepaint() {
    const std::unique_ptr<TBitmapEx> stepped = Marquee.Canvas().Bitmap().Clone();
    Window.RepaintAll();
    Redraw();
    return SamePixels(*stepped, Marquee.Canvas().Bitmap());
  }

  core::DWORD Now = 5000;
  int TextWidth = 0;
  ui::TMarqueeLabelEx Marquee{&Window};
};

TEST_F(MarqueeTest, OffsetRunsToMinus120ThenPlus20AndBack) {
  Marquee.Tick();
  EXPECT_EQ(Marquee.Offset(), 0) << "still during the start delay";
  PassDelay();
  std::vector<int> offsets;
  for (int i = 0; i < 120 + 140 + 140; ++i) {
    Marquee.Tick();
    offsets.push_back(Marquee.Offset());
  }
  EXPECT_TRUE(Marquee.Overflowing());
  EXPECT_EQ(offsets[119], -120);
  EXPECT_EQ(offsets[120], -119);
  EXPECT_EQ(offsets[259], 20);
  EXPECT_EQ(offsets[260], 19);
  EXPECT_EQ(offsets[399], -120);
  EXPECT_EQ(*std::min_element(offsets.begin(), offsets.end()), -120);
  EXPECT_EQ(*std::max_element(offsets.begin(), offsets.end()), 20);
  for (size_t i = 1; i < offsets.size(); ++i) ASSERT_EQ(std::abs(offsets[i] - offsets[i - 1]), 1);
}

TEST_F(MarqueeTest, NewCaptionWaitsTwoSecondsBeforeSliding) {
  PassDelay();
  for (int i = 0; i < 30; ++i) Marquee.Tick();
  ASSERT_EQ(Marquee.Offset(), -30);
  Marquee.SetCaption(Marquee.Caption() + u" yeni");
  Marquee.Reset(0);
  Now += 1999;
  for (int i = 0; i < 10; ++i) Marquee.Tick();
  EXPECT_EQ(Marquee.Offset(), 0);
  EXPECT_FALSE(Marquee.Started());
  Now += 2;
  Marquee.Tick();
  EXPECT_TRUE(Marquee.Started());
  EXPECT_EQ(Marquee.Offset(), -1);
}

TEST_F(MarqueeTest, FittingCaptionNeverMovesNorFadesUntilTheControlNarrows) {
  Marquee.SetBounds(10, 10, TextWidth + 10, 16);
  PassDelay();
  for (int i = 0; i < 50; ++i) Marquee.Tick();
  EXPECT_EQ(Marquee.Offset(), 0);
  EXPECT_FALSE(Marquee.Overflowing());
  EXPECT_EQ(EdgeAlpha(), 0u) << "no fade beside a caption that fits";
  Marquee.SetWidth(TextWidth - 40);
  Marquee.Tick();
  EXPECT_TRUE(Marquee.Overflowing());
  EXPECT_EQ(Marquee.Offset(), -1);
  EXPECT_GT(EdgeAlpha(), 0x80u) << "the right fade follows the new width";
}

TEST_F(MarqueeTest, ScrollingOffKeepsTheCaptionStillAndClippedWithoutFades) {
  Marquee.SetScrollEnabled(false);
  PassDelay();
  for (int i = 0; i < 50; ++i) Marquee.Tick();
  EXPECT_EQ(Marquee.Offset(), 0);
  EXPECT_FALSE(Marquee.Overflowing());
  Redraw();
  const TBitmapEx& picture = Marquee.Canvas().Bitmap();
  // Text reaches the right edge (clipped) but nothing dark lies over it.
  bool textAtEdge = false;
  for (int x = picture.Width() - 10; x < picture.Width(); ++x)
    for (int y = 0; y < picture.Height(); ++y) {
      std::uint32_t p = picture.Pixel(x, y);
      if (Alpha(p) == 0) continue;
      textAtEdge = true;
      EXPECT_EQ(Red(p), Green(p)) << "white text, no fade colour";
    }
  EXPECT_TRUE(textAtEdge);
}

TEST_F(MarqueeTest, FadesGoFromEdgeColourToInnerColour) {
  Marquee.SetEdgeColour(0xFF202020);
  Marquee.SetFadeWidth(39);
  EXPECT_EQ(Marquee.LeftFade().Left, -1);
  EXPECT_EQ(Marquee.LeftFade().Width(), 39);
  EXPECT_EQ(Marquee.RightFade().Left, Marquee.Width() - 39 + 1);
  EXPECT_EQ(Marquee.RightFade().Width(), 40);
  PassDelay();
  Marquee.Tick();
  Marquee.SetCaption(u"");  // the fades alone
  Redraw();
  const TBitmapEx& picture = Marquee.Canvas().Bitmap();
  std::uint32_t edge = Alpha(picture.Pixel(0, 8));
  std::uint32_t inner = Alpha(picture.Pixel(30, 8));
  std::uint32_t right = Alpha(picture.Pixel(picture.Width() - 1, 8));
  EXPECT_GT(edge, 240u);
  EXPECT_LT(inner, 60u);
  EXPECT_GT(right, 230u);
  EXPECT_EQ(Alpha(picture.Pixel(picture.Width() / 2, 8)), 0u);
}

TEST_F(MarqueeTest, SlidesOnItsOwnTimer) {
  Marquee.TickCount = core::GetTickCount;
  Marquee.SetStartDelay(0);
  Marquee.Reset(0);
  ASSERT_TRUE(testkit::PumpUntil([&] { return Marquee.Offset() <= -3; }));
}

// Unseen, the label stops its timer (no wake-ups for a hidden window); it
// slides on from where it was once shown again or resumed by its owner.
TEST_F(MarqueeTest, StopsItsTimerWhileUnseenAndGoesOnWhenShownOrResumed) {
  Marquee.TickCount = core::GetTickCount;
  Marquee.SetStartDelay(0);
  Marquee.Reset(0);
  ASSERT_TRUE(Marquee.Sliding());
  ASSERT_TRUE(testkit::PumpUntil([&] { return Marquee.Offset() <= -2; }));

  Window.SetVisible(false);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !Marquee.Sliding(); }));
  const int stopped = Marquee.Offset();
  testkit::PumpFor(200);
  EXPECT_EQ(Marquee.Offset(), stopped);
  Window.SetVisible(true);
  EXPECT_FALSE(Marquee.Sliding()) << "the window's own showing is the owner's to pass on";
  Marquee.Resume();
  ASSERT_TRUE(testkit::PumpUntil([&] { return Marquee.Offset() < stopped; }));

  Marquee.SetVisible(false);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !Marquee.Sliding(); }));
  Marquee.SetVisible(true);
  EXPECT_TRUE(Marquee.Sliding()) << "showing the label itself starts it";
}

// Each step copies the caption's strip and reports only the band of rows
// its pixels cover: through both turns and a caption changed mid-slide,
// every frame is what drawing the label from scratch gives and what the
// window presents.
TEST_F(MarqueeTest, SlideStepsMatchAWholeRepaintThroughTurnsAndACaptionChange) {
  Redraw();
  PassDelay();
  bool turnedLeft = false, turnedRight = false;
  int previous = Marquee.Offset();
  for (int step = 0; step < 300; ++step) {
    if (step == 90) {
      // A new caption of another width, mid-slide and without a reset.
      Marquee.SetCaption(u"İstanbul'dan canlı: Çağrı Şenol - Gözlerinin içine bak (akustik)");
      ASSERT_GT(Marquee.Canvas().TextWidth(Marquee.Caption()), Marquee.Width());
    }
    Marquee.Tick();
    const int offset = Marquee.Offset();
    if (step > 0 && offset > previous) turnedLeft = true;
    if (turnedLeft && offset < previous) turnedRight = true;
    previous = offset;
    Native->PresentedRects.clear();
    Redraw();
    ASSERT_TRUE(ShownAsComposed()) << "step " << step;
    // The first step brings the fades and the new caption a new strip:
    // those frames are drawn whole.
    if (step != 0 && step != 90) {
      const TRect& ink = Marquee.TextInk();
      ASSERT_LT(ink.Height(), Marquee.Height());
      for (const core::TRect& r : Native->PresentedRects) {
        EXPECT_GE(r.Top, Marquee.Top() + ink.Top) << "step " << step;
        EXPECT_LE(r.Bottom, Marquee.Top() + ink.Bottom) << "step " << step;
        EXPECT_LE(r.Width(), Marquee.Width()) << "step " << step;
      }
    }
    if (step % 7 == 0 || step == 90 || step == 91) {
      ASSERT_TRUE(SameAsAWholeRepaint()) << "step " << step;
    }
  }
  EXPECT_TRUE(turnedLeft && turnedRight) << "both turning points were passed";
  EXPECT_TRUE(SameAsAWholeRepaint());
}

// The strip shows the caption as drawing the text in place does: Turkish
// letters, an offset left of the edge, and centred in a taller label.
TEST_F(MarqueeTest, TheCaptionLooksAsTextDrawnInPlace) {
  Marquee.SetCaption(u"Şarkı: ĞÜŞİÖÇ ğüşıöç - Kızılırmak Türküsü");
  for (bool centred : {false, true}) {
    Marquee.SetCentreVertically(centred);
    Marquee.SetBounds(10, 10, 400, centred ? 30 : 16);
    for (int offset : {0, -37}) {
      Marquee.Reset(offset);  // still: no fades
      Redraw();
      TCanvasEx expected(Marquee.Width(), Marquee.Height());
      expected.SetTextRenderingHint(Marquee.Canvas().TextRenderingHint());
      expected.Font().Assign(Marquee.Font());
      const int y = centred ? (Marquee.ClientHeight() - expected.TextHeight(Marquee.Caption())) / 2 : 0;
      expected.TextOut(offset, y, Marquee.Caption());
      expected.Bitmap().Flush();
      EXPECT_TRUE(SamePixels(Marquee.Canvas().Bitmap(), expected.Bitmap())) << "offset " << offset << " centred " << centred;
    }
  }
}

// Sliding, the fades lie over the text as cairo's gradients drawn over it.
TEST_F(MarqueeTest, TheFadesLookAsGradientsDrawnOverTheText) {
  PassDelay();
  for (int i = 0; i < 40; ++i) Marquee.Tick();
  ASSERT_TRUE(Marquee.Overflowing());
  Redraw();
  const int w = Marquee.Width(), h = Marquee.Height();
  TCanvasEx expected(w, h);
  expected.SetTextRenderingHint(Marquee.Canvas().TextRenderingHint());
  expected.Font().Assign(Marquee.Font());
  expected.TextOut(Marquee.Offset(), 0, Marquee.Caption());
  cairo_t* cr = expected.Context();
  auto fade = [&](const core::TRect& r, std::uint32_t from, std::uint32_t to) {
    cairo_pattern_t* brush = cairo_pattern_create_linear(r.Left, 0, r.Right, 0);
    for (auto [at, c] : {std::pair{0.0, from}, std::pair{1.0, to}})
      cairo_pattern_add_color_stop_rgba(brush, at, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                        (c & 0xFF) / 255.0, (c >> 24) / 255.0);
    cairo_rectangle(cr, r.Left, r.Top, r.Width(), r.Height());
    cairo_set_source(cr, brush);
    cairo_fill(cr);
    cairo_pattern_destroy(brush);
  };
  fade(Marquee.LeftFade(), Marquee.EdgeColour(), Marquee.InnerColour());
  fade(Marquee.RightFade(), Marquee.InnerColour(), Marquee.EdgeColour());
  expected.Bitmap().Flush();
  EXPECT_TRUE(SamePixels(Marquee.Canvas().Bitmap(), expected.Bitmap()));
}

// A caption wider than any strip is drawn in place on every step.
TEST_F(MarqueeTest, ACaptionTooWideForAStripStillSlides) {
  std::u16string caption;
  while (Marquee.Canvas().TextWidth(caption) < 20000) caption += u"Çok uzun bir başlık, ";
  Marquee.SetCaption(caption);
  Redraw();
  PassDelay();
  for (int step = 0; step < 5; ++step) {
    Marquee.Tick();
    Redraw();
    ASSERT_TRUE(ShownAsComposed());
  }
  EXPECT_EQ(Marquee.Offset(), -5);
  EXPECT_TRUE(SameAsAWholeRepaint());
}

}  // namespace
