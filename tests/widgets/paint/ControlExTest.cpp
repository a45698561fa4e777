#include "PaintFixture.h"
#include "widgets/paint/ImageEx.h"

using namespace widgets;
using namespace testpaint;

namespace {

TEST_F(PaintTest, WindowPresentsItsCanvasWithItsOpacity) {
  EXPECT_TRUE(Native->Params.Rgba);
  EXPECT_FALSE(Native->Params.Decorated);
  EXPECT_GE(Native->PresentCount, 1) << "showing the window presents a first picture";
  EXPECT_EQ(Native->PixelWidth, 100);
  EXPECT_EQ(Native->PixelAt(50, 30), 0xFFFFFFFFu);
  Window.SetOpacity(100);
  Window.InvalidateTree();
  EXPECT_EQ(Native->Opacity, 100);
}

TEST_F(PaintTest, OpacityHalvesAChildAndZeroHidesItButKeepsItsInput) {
  TControlEx child;
  Place(child, Window, 10, 10, 20, 20);
  PaintSolid(child, 0xFFFF0000);
  child.SetOpacity(128);
  Window.InvalidateTree();
  uint32_t p = Native->PixelAt(15, 15);
  EXPECT_EQ(Alpha(p), 255u);
  EXPECT_EQ(Red(p), 255u);
  EXPECT_NEAR(double(Green(p)), 127.0, 1.0);
  EXPECT_NEAR(double(Blue(p)), 127.0, 1.0);
  EXPECT_EQ(Native->PixelAt(5, 5), 0xFFFFFFFFu);

  child.SetOpacity(0);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFFFFFFFFu);
  int clicks = 0;
  child.OnClick = [&](TObject*, UINT, int, int) { ++clicks; };
  Native->Click(15, 15);
  EXPECT_EQ(clicks, 1);
}

TEST_F(PaintTest, ACachedControlPaintsOnceUntilRedraw) {
  TControlEx cached, plain;
  Place(cached, Window, 0, 0, 10, 10);
  Place(plain, Window, 20, 0, 10, 10);
  int cachedPaints = 0, plainPaints = 0;
  cached.SetCached(true);
  cached.OnPaint = [&](TObject*) { ++cachedPaints; };
  plain.OnPaint = [&](TObject*) { ++plainPaints; };
  for (int i = 0; i < 3; ++i) Window.InvalidateTree();
  EXPECT_EQ(cachedPaints, 1);
  EXPECT_EQ(plainPaints, 3);
  cached.SetRedraw(true);
  Window.InvalidateTree();
  Window.InvalidateTree();
  EXPECT_EQ(cachedPaints, 2);
}

// Pictures are cached: a window that repaints for other reasons blends
// them as they are, and each setting that changes one draws it again.
TEST_F(PaintTest, APictureIsDrawnAgainOnlyWhenOneOfItsSettingsChanges) {
  TImageEx image;
  Place(image, Window, 10, 10, 20, 20);
  image.SetAutoSize(false);
  image.SetImage(Solid(20, 20, 0xFFFF0000));
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFFFF0000u);
  EXPECT_FALSE(image.Redraw());
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFFFF0000u) << "the cached picture is still presented";

  image.SetTint(0xFF00FF00);
  Window.InvalidateTree();
  uint32_t tinted = Native->PixelAt(15, 15);
  EXPECT_GT(Green(tinted), Red(tinted));
  image.SetImageOpacity(0);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFFFFFFFFu);
  image.SetImageOpacity(255);
  image.SetImage(Solid(20, 20, 0xFF0000FF));
  image.SetStretch(true);
  image.SetBounds(10, 10, 40, 20);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(45, 15), 0xFF0000FFu) << "a new size draws the stretched picture again";
}

// Children blend into their parent's canvas: a cached parent starts each
// picture from its own, so a child that moves or goes leaves no trace.
TEST_F(PaintTest, ACachedParentShowsNoTraceOfWhereItsChildrenWere) {
  TImageEx panel;
  Place(panel, Window, 0, 0, 60, 40);
  panel.SetAutoSize(false);
  panel.SetImage(Solid(60, 40, 0xFF000000));
  TControlEx child;
  Place(child, panel, 0, 0, 10, 10);
  PaintSolid(child, 0xFFFF0000);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(5, 5), 0xFFFF0000u);
  child.SetLeft(30);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(5, 5), 0xFF000000u) << "the old place shows the panel again";
  EXPECT_EQ(Native->PixelAt(35, 5), 0xFFFF0000u);
  child.SetVisible(false);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(35, 5), 0xFF000000u) << "a hidden child leaves no picture behind";
  EXPECT_FALSE(panel.Redraw()) << "the panel's own picture was not drawn again";
}

TEST_F(PaintTest, ALockedControlPresentsItsLastPictureWithoutItsChildren) {
  TControlEx panel, inner;
  Place(panel, Window, 10, 10, 40, 30);
  Place(inner, panel, 20, 0, 10, 10);
  uint32_t colour = 0xFF0000FF;
  panel.OnPaint = [&](TObject*) {
    panel.Canvas().Brush().SetColor(colour);
    panel.Canvas().FillRect(0, 0, 20, 30);
  };
  int innerPaints = 0;
  inner.OnPaint = [&](TObject*) {
    ++innerPaints;
    inner.Canvas().Brush().SetColor(0xFF00FF00);
    inner.Canvas().FillRect(0, 0, 10, 10);
  };
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFF0000FFu);
  EXPECT_EQ(Native->PixelAt(35, 15), 0xFF00FF00u);
  const int paintsBefore = innerPaints;

  panel.SetLocked(true);
  colour = 0xFFFF0000;
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFF0000FFu) << "the old picture stays";
  EXPECT_EQ(Native->PixelAt(35, 15), 0xFF00FF00u) << "children are part of it";
  EXPECT_EQ(innerPaints, paintsBefore);

  panel.SetLocked(false);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFFFF0000u);
}

TEST_F(PaintTest, OneCompositePerRequestAndNestedRequestsAreFree) {
  TControlEx child, hidden;
  Place(child, Window, 0, 0, 10, 10);
  Place(hidden, Window, 20, 0, 10, 10);
  hidden.SetVisible(false);
  int hiddenPaints = 0;
  hidden.OnPaint = [&](TObject*) { ++hiddenPaints; };
  int nested = 0;
  child.OnPaint = [&](TObject*) {
    ++nested;
    child.InvalidateTree();  // a change during painting asks again
  };
  const int before = Native->PresentCount;
  Window.InvalidateTree();
  EXPECT_EQ(Native->PresentCount, before + 1);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(hiddenPaints, 0);
}

TEST_F(PaintTest, BlurredAndClippedBlendModes) {
  TControlEx child;
  Place(child, Window, 10, 10, 20, 20);
  PaintSolid(Window, 0x00000000);
  PaintSolid(child, 0xFF000000);
  child.SetBlendClipped(TRect{5, 5, 10, 10});
  child.SetOpacity(255);
  Window.InvalidateTree();
  EXPECT_EQ(Native->PixelAt(15, 15), 0xFF000000u);
  EXPECT_EQ(Native->PixelAt(19, 19), 0xFF000000u);
  EXPECT_EQ(Native->PixelAt(20, 20), 0u);
  EXPECT_EQ(Native->PixelAt(12, 12), 0u);

  child.SetBlendBlurred(1);
  child.SetOpacity(0);  // not applied when blurred
  child.OnPaint = [&](TObject*) {
    child.Canvas().Brush().SetColor(0xFF000000);
    child.Canvas().FillRect(4, 4, 16, 16);
  };
  Window.InvalidateTree();
  EXPECT_GE(Alpha(Native->PixelAt(20, 20)), 250u);
  // In place: the left and upper neighbours (63 each) already changed.
  EXPECT_EQ(Alpha(Native->PixelAt(14, 14)), 159u) << "the corner is softened";
  EXPECT_GT(Alpha(Native->PixelAt(13, 14)), 0u) << "and spreads outwards";
  EXPECT_EQ(Native->PixelAt(10, 10), 0u);
}

TEST_F(PaintTest, FontChangesAndResizesKeepTheCanvasAtTheControlSize) {
  TControlEx child;
  Place(child, Window, 0, 0, 10, 10);
  EXPECT_EQ(child.Canvas().Width(), 10);
  child.SetBounds(0, 0, 30, 12);
  EXPECT_EQ(child.Canvas().Width(), 30);
  EXPECT_EQ(child.Canvas().Height(), 12);
  int resized = 0;
  Window.OnResize = [&](TObject*) {
    ++resized;
    EXPECT_EQ(Window.Canvas().Width(), 120);
  };
  Window.SetBounds(40, 30, 120, 60);
  EXPECT_EQ(resized, 1);
}

TEST_F(PaintTest, WindowStylesReachTheNativeWindow) {
  EXPECT_TRUE(Native->ToolWindow);
  EXPECT_FALSE(Window.ShowTaskBar());
  Window.SetShowTaskBar(true);
  EXPECT_FALSE(Native->ToolWindow);
  EXPECT_TRUE(Window.ShowTaskBar());
  EXPECT_TRUE(Native->Visible);

  const int activations = Native->Activations;
  Window.SetAlwaysTop(true);
  EXPECT_TRUE(Native->Topmost);
  EXPECT_GT(Native->Activations, activations);
  Window.SetAlwaysTop(false);
  EXPECT_FALSE(Native->Topmost);

  Window.SetTransparent(true);
  EXPECT_TRUE(Native->InputTransparent);
  EXPECT_TRUE(Window.Transparent());
  Window.SetTransparent(false);
  EXPECT_FALSE(Native->InputTransparent);
}

TEST_F(PaintTest, CloseActions) {
  TCloseAction next = caHide;
  Window.OnClose = [&](TObject*, TCloseAction& action) { action = next; };
  Window.Close();
  EXPECT_TRUE(Window.HandleAllocated());
  EXPECT_FALSE(Window.Visible());
  next = caNone;
  Window.SetVisible(true);
  Window.Close();
  EXPECT_TRUE(Window.Visible());
  next = caFree;
  Window.Close();
  EXPECT_FALSE(Window.HandleAllocated());
}

}  // namespace
