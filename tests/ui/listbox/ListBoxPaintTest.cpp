// What the station list box and its background panel draw.
#include "tests/ui/listbox/ListBoxFixture.h"

#include <cstdlib>

#include "ui/listbox/PlayListContent.h"

using namespace testlistbox;

namespace {

using ListBoxPaint = ListBoxTest;

constexpr int kNameX = 40;  // inside the name in both row layouts

// Bright text is white drawn at 0xdf over the dark backdrop.
bool Bright(uint32_t p) { return Rgb(p).R > 210 && Rgb(p).G > 210; }
bool Dark(uint32_t p) { return Rgb(p).R < 90 && Rgb(p).G < 90; }

TEST_F(ListBoxPaint, AnEmptyBoxPaintsOnlyTheBackground) {
  Repaint();
  for (int y = 0; y < Box.Height(); ++y)
    for (int x = 0; x < Box.Width(); ++x) ASSERT_EQ(At(x, y), kBackdrop) << x << "," << y;
}

TEST_F(ListBoxPaint, SelectedPlayingAndLocalRowsHaveTheirLooks) {
  Fill(Box, 25);
  Box.SetFavouritesMode(1);
  Box.Item(13)->Url = "file:///home/qor/m\xc3\xbczik.mp3";
  Box.ScrollBy(-10);
  Box.SetItemIndex(11);
  Box.SetActiveId(Box.Item(12)->Id);
  Repaint();
  const int w = Box.Width() - Box.ScrollerWidth();
  // Selected (not focused): a light fill across the row with dark text.
  EXPECT_TRUE(Bright(At(w - 2, 15 + 1)));
  EXPECT_EQ(At(w + 2, 15 + 1), kBackdrop) << "the fill stops at the track";
  EXPECT_TRUE(AnyIn(kNameX, 15, w, 30, Dark));
  // Playing: orange name, no fill.
  EXPECT_EQ(At(w - 2, 30 + 1), kBackdrop);
  EXPECT_TRUE(AnyIn(kNameX, 30, w, 45, IsOrange));
  // Local file: light grey, never as bright as the other names.
  EXPECT_EQ(Box.Item(13)->AddressKind, qor::akLocalFile);
  EXPECT_EQ(Box.Item(14)->AddressKind, qor::akNetwork);
  const int grey = Brightest(kNameX, 45, w, 60);
  EXPECT_GT(grey, 150);
  EXPECT_LE(grey, 0xc0 + 2);
  EXPECT_GT(Brightest(kNameX, 60, w, 75), 210);
  // Only the rows in view were classified.
  EXPECT_EQ(Box.Item(9)->AddressKind, qor::akUnknown);
  EXPECT_EQ(Box.Item(20)->AddressKind, qor::akUnknown);

  // Focused, then pressed.
  Native->MouseDown(kBoxLeft + 60, RowY(1));
  Repaint();
  const uint32_t focused = At(w - 2, 15 + 1);
  EXPECT_GT(Rgb(focused).R, Rgb(0xff000000 | 0xcf * 0x010101).R) << "focused fill is lighter";
  Native->MouseMove(kBoxLeft + 62, RowY(1));
  ASSERT_TRUE(Box.Pressed());
  Repaint();
  EXPECT_TRUE(IsOrange(At(w - 2, 15 + 1)));
  EXPECT_TRUE(AnyIn(kNameX, 15, w, 30, Bright));
  Native->MouseUp(kBoxLeft + 62, RowY(1));
}

TEST_F(ListBoxPaint, NumbersStandRightAlignedBeforeTheNames) {
  Fill(Box, 120);
  Box.ScrollBy(-95);
  Repaint();
  // "96." ... "105.": ink only in 0..31 and from 36 on.
  for (int row = 0; row < 10; ++row) {
    const int top = row * 15;
    EXPECT_TRUE(AnyIn(20, top, 32, top + 15, Bright)) << row;
    EXPECT_FALSE(AnyIn(32, top, 36, top + 15, Bright)) << row;
    EXPECT_TRUE(AnyIn(36, top, 60, top + 15, Bright)) << row;
  }
  // The three-digit numbers reach further left than the two-digit ones.
  auto leftmost = [&](int row) {
    for (int x = 0; x < 32; ++x)
      if (AnyIn(x, row * 15, x + 1, row * 15 + 15, Bright)) return x;
    return 32;
  };
  EXPECT_LT(leftmost(9), leftmost(0));
}

TEST_F(ListBoxPaint, CheckBoxesShowTheTickAndColourTheName) {
  Fill(Box, 25);
  Box.SetShowCheckBoxes(true);
  Box.SetTicked(2, true);
  Box.SetItemIndex(4);
  Repaint();
  const int left = Box.CheckLeft(), right = left + 13;
  EXPECT_TRUE(AnyIn(left, 30, right, 45, IsOrange)) << "ticked box";
  EXPECT_TRUE(AnyIn(28, 30, 100, 45, IsOrange)) << "ticked name";
  EXPECT_TRUE(AnyIn(left, 0, right, 15, Bright)) << "empty box";
  EXPECT_FALSE(AnyIn(left, 0, right, 15, IsOrange));
  EXPECT_TRUE(AnyIn(left + 1, 61, right - 1, 74, Dark)) << "the selected row's dark box";
  // Nothing of the row numbers (rows above the selected one).
  EXPECT_FALSE(AnyIn(0, 0, left, 60, Bright));
}

TEST_F(ListBoxPaint, DeletingThePlayingEntryRemovesItsHighlight) {
  Fill(Box, 12);
  Box.SetFavouritesMode(1);
  Box.SetActiveId(1003);
  Repaint();
  EXPECT_EQ(Box.ActiveIndex(), 2);
  EXPECT_TRUE(AnyIn(kNameX, 30, 200, 45, IsOrange));
  // Sorting moves the highlight with its entry.
  Box.ExchangeItems(2, 5);
  Repaint();
  EXPECT_EQ(Box.ActiveIndex(), 5);
  EXPECT_FALSE(AnyIn(kNameX, 30, 200, 45, IsOrange));
  EXPECT_TRUE(AnyIn(kNameX, 75, 200, 90, IsOrange));
  Box.DeleteItem(5);
  Repaint();
  EXPECT_EQ(Box.ActiveIndex(), -1);
  EXPECT_FALSE(AnyIn(0, 0, 200, 150, IsOrange));
}

// The rows are drawn again only when what they show changes; a window
// that repaints for its spectrum reuses them, and a change made straight
// to an entry still shows.
TEST_F(ListBoxPaint, RowsAreDrawnAgainOnlyWhenWhatTheyShowChanges) {
  Fill(Box, 12);
  Box.SetShowCheckBoxes(true);
  Repaint();
  ASSERT_FALSE(Box.Redraw());
  Repaint();
  EXPECT_FALSE(Box.Redraw()) << "nothing changed: the cached rows are presented";
  ASSERT_FALSE(AnyIn(kNameX, 30, 200, 45, IsOrange));
  ASSERT_TRUE(AnyIn(kNameX + 5, 0, 200, 15, Bright));

  Box.Item(2)->Ticked = true;
  Repaint();
  EXPECT_TRUE(AnyIn(kNameX, 30, 200, 45, IsOrange)) << "a ticked entry shows at once";
  Box.Item(0)->Name.assign(1, u'W');
  Repaint();
  EXPECT_FALSE(AnyIn(kNameX + 5, 0, 200, 15, Bright)) << "the shorter name is drawn";
  Box.SetItemIndex(4);
  Repaint();
  EXPECT_TRUE(Bright(At(Box.Width() - Box.ScrollerWidth() - 2, 60 + 1))) << "the new selection is drawn";
}

TEST_F(ListBoxPaint, NothingIsDrawnWhileUpdatingOrFromAnInvalidTop) {
  Fill(Box, 12);
  Box.BeginUpdate();
  Repaint();
  EXPECT_FALSE(AnyIn(0, 0, 200, 150, Bright));
  Box.EndUpdate();
  Repaint();
  EXPECT_TRUE(AnyIn(0, 0, 200, 150, Bright));
  Box.ClearItems();
  Fill(Box, 12);  // TopIndex stays -1 until the owner scrolls
  Repaint();
  EXPECT_FALSE(AnyIn(0, 0, 200, 150, Bright));
  Box.ScrollBy(0);
  Repaint();
  EXPECT_TRUE(AnyIn(0, 0, 200, 150, Bright));
}

TEST_F(ListBoxPaint, LongNamesEndBeforeTheTrack) {
  Box.AddItem(qor::MakeItem(u"1", 1, std::u16string(60, u'W'), "http://127.0.0.1/"));
  Repaint();
  const int w = Box.Width() - Box.ScrollerWidth();
  EXPECT_TRUE(AnyIn(w - 30, 0, w - 1, 15, Bright));
  EXPECT_FALSE(AnyIn(w - 1, 0, w + 2, 15, Bright));
}

// The panel behind the lists.
class ListContent : public ListBoxTest {};

TEST_F(ListContent, OnlyOpaqueColoursTintThePieces) {
  ui::TPlayListContent content;
  ASSERT_NE(content.Piece(1), nullptr);
  EXPECT_EQ(content.Colour(), 0xffffffffu);
  const uint32_t white = content.Piece(1)->Pixel(100, 7);
  content.SetColour(0xff202020);
  const uint32_t dark = content.Piece(1)->Pixel(100, 7);
  EXPECT_EQ(content.Colour(), 0xff202020u);
  EXPECT_EQ(dark >> 24, white >> 24);
  EXPECT_LT(Rgb(dark).R, 0x21);
  EXPECT_EQ(Rgb(dark).R, Rgb(dark).G);
  content.SetColour(0x80ff0000);
  EXPECT_EQ(content.Colour(), 0u);
  EXPECT_EQ(content.Piece(1)->Pixel(100, 7), dark) << "a refused colour keeps the pieces";
}

TEST_F(ListContent, PiecesStackDownThePanel) {
  ui::TPlayListContent content;
  content.SetColour(0xffffffff);
  content.SetParent(&Window);
  // 12 + 3 x 15 + 26: the bottom piece ends exactly at the panel's foot.
  content.SetBounds(0, 0, 290, 83);
  content.SetVisible(true);
  Window.OnPaint = nullptr;
  Repaint();
  const int x = 145;
  for (int y : {1, 20, 50, 81}) EXPECT_NE(Native->PixelAt(x, y) >> 24, 0u) << y;
  // Too short for a third middle piece: the bottom moves up to 42 ... 67.
  content.SetBounds(0, 0, 290, 79);
  Repaint();
  EXPECT_NE(Native->PixelAt(x, 66) >> 24, 0u);
  EXPECT_EQ(Native->PixelAt(x, 70) >> 24, 0u);

  widgets::MEASUREITEMSTRUCT item;
  item.itemHeight = 40;
  content.Perform(widgets::WM_MEASUREITEM, 0, reinterpret_cast<widgets::LPARAM>(&item));
  EXPECT_EQ(item.itemHeight, 15u);
}

}  // namespace
