// The glowing image button, the throbber and the grips.
#include "ControlsFixture.h"

#include "ui/controls/AnimatedButtonEx.h"
#include "ui/controls/Grips.h"
#include "ui/controls/ThrobberEx.h"

using namespace testcontrols;
using namespace widgets;

namespace {

class AnimatedButtonTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Place(Button, 10, 10, 20, 20);
    Button.SetImage(2001);
    ASSERT_NE(Button.Image(), nullptr);
  }
  void Enter() {
    Native->MouseMove(15, 15);
    core::ProcessMessages();
  }
  void Leave() {
    Native->MouseMove(200, 100);
    core::ProcessMessages();
  }
  ui::TAnimatedButtonEx Button{&Window};
};

TEST_F(AnimatedButtonTest, GlowComesInTwiceAsFastAsItGoesAndStaysInRange) {
  EXPECT_EQ(Button.Width(), Button.Image()->Width()) << "AutoSize takes the picture's size";
  Enter();
  EXPECT_EQ(Button.FadeDirection(), +1);
  Button.Tick();
  Button.Tick();
  Button.Tick();
  EXPECT_EQ(Button.GlowAlpha(), 60);
  // Away within a few ticks: the fade-out starts from the level reached.
  Leave();
  EXPECT_EQ(Button.FadeDirection(), -1);
  Button.Tick();
  EXPECT_EQ(Button.GlowAlpha(), 50);
  for (int i = 0; i < 10; ++i) Button.Tick();
  EXPECT_EQ(Button.GlowAlpha(), 0);
  Enter();
  for (int i = 0; i < 20; ++i) Button.Tick();
  EXPECT_EQ(Button.GlowAlpha(), 255);
}

TEST_F(AnimatedButtonTest, FadeRunsOnItsOwnTimerAndPaintsTheTintedGlow) {
  Redraw();
  const TBitmapEx& canvas = Button.Canvas().Bitmap();
  // An opaque pixel of the picture, compared plain and fully glowing.
  int px = -1, py = -1;
  for (int y = 0; y < canvas.Height() && px < 0; ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      if (Alpha(Button.Image()->Pixel(x, y)) == 255) {
        px = x;
        py = y;
        break;
      }
  ASSERT_GE(px, 0);
  EXPECT_EQ(canvas.Pixel(px, py), Button.Image()->Pixel(px, py));
  Enter();
  ASSERT_TRUE(testkit::PumpUntil([&] { return Button.GlowAlpha() == 255; }));
  Redraw();
  std::uint32_t glowing = canvas.Pixel(px, py);
  std::uint32_t glow = Button.GlowImage()->Pixel(px, py);
  EXPECT_EQ(glowing, glow) << "the opaque glow covers the picture";
  EXPECT_GT(Red(glow), Blue(glow)) << "the glow is orange";
  Leave();
  ASSERT_TRUE(testkit::PumpUntil([&] { return Button.GlowAlpha() == 0; }));
}

TEST_F(AnimatedButtonTest, GlowColourWithoutFullAlphaShowsNoGlow) {
  Button.SetGlowColour(0x80FF0000);
  EXPECT_EQ(Button.GlowColour(), 0u);
  ASSERT_NE(Button.GlowImage(), nullptr);
  EXPECT_TRUE(SamePixels(*Button.GlowImage(), *Button.Image()));
  Button.SetGlowColour(0xFF00FF00);
  EXPECT_EQ(Button.GlowColour(), 0xFF00FF00u);
  EXPECT_FALSE(SamePixels(*Button.GlowImage(), *Button.Image()));
}

TEST_F(AnimatedButtonTest, PressedLookWhileHeldAndClickOnRelease) {
  int clicks = 0;
  Button.OnClick = [&](core::TObject*, UINT, int, int) { ++clicks; };
  Native->MouseDown(15, 15);
  EXPECT_TRUE(Button.Pressed());
  EXPECT_EQ(GetCapture(), Button.WindowHandle());
  Native->MouseUp(15, 15);
  EXPECT_FALSE(Button.Pressed());
  EXPECT_EQ(GetCapture(), 0u);
  EXPECT_EQ(clicks, 1);
}

class ThrobberTest : public ControlsTest {
 protected:
  ui::TThrobberEx Throbber{&Window};
};

TEST_F(ThrobberTest, FramesWrapBothWaysAndPauseHolds) {
  Throbber.SetFrame(-5);
  EXPECT_EQ(Throbber.Frame(), 17);
  Throbber.Advance();
  EXPECT_EQ(Throbber.Frame(), 0);
  Throbber.SetFrame(18);
  EXPECT_EQ(Throbber.Frame(), 0);
  Throbber.SetFrame(7);
  Throbber.SetPaused(true);
  Throbber.Advance();
  EXPECT_EQ(Throbber.Frame(), 7);
  Throbber.SetPaused(false);
  Throbber.Advance();
  EXPECT_EQ(Throbber.Frame(), 8);
}

TEST_F(ThrobberTest, ShowsOnlyTheCellOfTheFrame) {
  Place(Throbber, 5, 5, 18, 18);
  Throbber.SetImage(5003);
  ASSERT_NE(Throbber.Image(), nullptr);
  ASSERT_EQ(Throbber.Image()->Height(), 18 * 18);
  for (int frame : {0, 5, 17}) {
    Throbber.SetFrame(frame);
    Redraw();
    auto cell = Throbber.Image()->Crop(0, frame * 18, 18, 18);
    EXPECT_TRUE(SamePixels(Throbber.Canvas().Bitmap(), *cell)) << "frame " << frame;
  }
}

TEST_F(ControlsTest, GripsKeepTheDragWhenThePointerLeavesThem) {
  ui::TGrabber grabber{&Window};
  ui::TThumbEx thumb{&Window};
  Place(grabber, 0, 50, 300, 4);
  Place(thumb, 280, 10, 10, 20);
  EXPECT_EQ(grabber.Cursor(), 10) << "vertical resize cursor";
  for (TControl* grip : {static_cast<TControl*>(&grabber), static_cast<TControl*>(&thumb)}) {
    int drags = 0, lastY = 0;
    grip->OnDrag = [&](core::TObject*, UINT, int, int y) {
      ++drags;
      lastY = y;
    };
    int x = grip->Left() + 2, y = grip->Top() + 2;
    Native->MouseDown(x, y);
    Native->MouseMove(x, y + 40);
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(lastY, 42) << "reported in the grip's coordinates";
    Native->MouseUp(x, y + 40);
    EXPECT_EQ(GetCapture(), 0u);
  }
  Redraw();
  EXPECT_EQ(Native->PixelAt(10, 51), 0u) << "the grabber draws nothing";
}

}  // namespace
