// The sample lists of the contact sheet, as the player window shows them:
// the favourites (numbers, playing and local-file looks) and the database
// (check boxes) on the dark list panel. With QOR_LISTBOX_PICTURE set to a
// file name the picture is saved there for a look.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/ui/listbox/ListBoxFixture.h"
#include "ui/listbox/ListBoxSample.h"
#include "ui/listbox/PlayListContent.h"

using namespace testlistbox;
using namespace ui;

namespace {

TEST(ListBoxSample, BothBoxesShowEveryLookOnTheDarkPanel) {
  constexpr int kPanelHeight = 10 * 15 + 38;
  widgets::TWindowEx window;
  window.SetBounds(50, 50, 600, kPanelHeight);
  window.SetVisible(true);
  TPlayListContent panels[2];
  TPlayListBoxEx boxes[2];
  for (int i = 0; i < 2; ++i) {
    panels[i].SetColour(0xff202020);
    panels[i].SetParent(&window);
    panels[i].SetBounds(i * 300, 0, 290, kPanelHeight);
    panels[i].SetVisible(true);
    boxes[i].SetParent(&panels[i]);
    boxes[i].SetBounds(50, 12, 218, 150);
    boxes[i].SetVisibleRows(10);
    boxes[i].SetVisible(true);
    FillListBoxSample(boxes[i]);
  }
  boxes[0].SetFavouritesMode(1);
  boxes[1].SetShowCheckBoxes(true);
  window.Paint();
  widgets::TOffscreenWindow* native = widgets::OffscreenWindowOf(window);
  ASSERT_EQ(native->PixelWidth, 600);

  EXPECT_EQ(boxes[0].TopIndex(), 10);
  EXPECT_TRUE(boxes[0].Scroller()->Visible());
  EXPECT_GT(boxes[0].Thumb()->Top(), 0);
  // A row of box i in view, as a test of its pixels.
  auto rowHas = [&](int box, int entry, int x0, int x1, bool (*test)(uint32_t)) {
    const int top = 12 + (entry - 10) * 15;
    for (int y = top; y < top + 15; ++y)
      for (int x = x0; x < x1; ++x)
        if (test(native->PixelAt(box * 300 + 50 + x, y))) return true;
    return false;
  };
  auto light = [](uint32_t p) { return Rgb(p).R > 200 && Rgb(p).B > 200; };
  auto grey = [](uint32_t p) { return Rgb(p).R > 150 && Rgb(p).R <= 0xc2 && Rgb(p).R == Rgb(p).B; };
  EXPECT_TRUE(rowHas(0, kSampleSelected, 190, 197, light));
  EXPECT_TRUE(rowHas(0, kSamplePlaying, 36, 150, IsOrange));
  EXPECT_TRUE(rowHas(0, kSampleLocalFile, 36, 150, grey));
  EXPECT_FALSE(rowHas(0, kSampleLocalFile, 36, 150, light));
  EXPECT_TRUE(rowHas(1, kSampleTicked, 8, 21, IsOrange));
  EXPECT_TRUE(rowHas(1, kSampleSelected, 190, 197, light));
  // The panel itself is dark and opaque behind the rows.
  const uint32_t panel = native->PixelAt(300 + 40, 60);
  EXPECT_GE(panel >> 24, 0xf0u);
  EXPECT_LT(Rgb(panel).R, 0x30);

  if (const char* path = std::getenv("QOR_LISTBOX_PICTURE")) {
    widgets::TBitmapEx picture(600, kPanelHeight);
    for (int y = 0; y < kPanelHeight; ++y)
      for (int x = 0; x < 600; ++x) picture.SetPixel(x, y, native->PixelAt(x, y));
    EXPECT_TRUE(picture.SaveToPng(path));
  }
}

}  // namespace
