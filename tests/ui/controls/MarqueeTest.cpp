// The sliding caption: start delay, the turning points, fades and the
// cases where it must stay still.
#include "ControlsFixture.h"

#include "ui/controls/MarqueeLabelEx.h"

#include <algorithm>
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

}  // namespace
