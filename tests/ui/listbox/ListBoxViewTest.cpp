// Selection, paging and scrolling of the station list box, and its thumb.
#include "tests/ui/listbox/ListBoxFixture.h"

#include "core/Messages.h"
#include "ui/listbox/ListBoxInput.h"

using namespace testlistbox;
using ui::NavigateListBox;

namespace {

using ListBoxView = ListBoxTest;

TEST_F(ListBoxView, PagesStartAtMultiplesOfTheRowCountAndStopAtTheEnd) {
  Fill(Box, 25);
  Box.SelectAndShowPage(17);
  EXPECT_EQ(Box.ItemIndex(), 17);
  EXPECT_EQ(Box.TopIndex(), 10);
  Box.SelectAndShowPage(24);
  EXPECT_EQ(Box.ItemIndex(), 24);
  EXPECT_EQ(Box.TopIndex(), 15);
  Box.SelectAndShowPage(9);
  EXPECT_EQ(Box.TopIndex(), 0);
  // Out of range: clamped to the list.
  Box.SelectAndShowPage(400);
  EXPECT_EQ(Box.ItemIndex(), 24);
  EXPECT_EQ(Box.TopIndex(), 15);
  Box.SelectAndShowPage(-3);
  EXPECT_EQ(Box.ItemIndex(), 0);
  EXPECT_EQ(Box.TopIndex(), 0);
}

TEST_F(ListBoxView, EndThenUpKeepsTheLastPage) {
  Fill(Box, 30);
  ASSERT_TRUE(NavigateListBox(Box, widgets::VK_END));
  EXPECT_EQ(Box.ItemIndex(), 29);
  EXPECT_EQ(Box.TopIndex(), 20);
  ASSERT_TRUE(NavigateListBox(Box, widgets::VK_UP));
  EXPECT_EQ(Box.ItemIndex(), 28);
  EXPECT_EQ(Box.TopIndex(), 20);
  ASSERT_TRUE(NavigateListBox(Box, widgets::VK_HOME));
  EXPECT_EQ(Box.ItemIndex(), 0);
  EXPECT_EQ(Box.TopIndex(), 0);
  // Down past the last row in view scrolls by one row.
  for (int i = 0; i < 10; ++i) NavigateListBox(Box, widgets::VK_DOWN);
  EXPECT_EQ(Box.ItemIndex(), 10);
  EXPECT_EQ(Box.TopIndex(), 1);
  ASSERT_TRUE(NavigateListBox(Box, widgets::VK_NEXT));
  EXPECT_EQ(Box.ItemIndex(), 20);
  EXPECT_EQ(Box.TopIndex(), 11);
  ASSERT_TRUE(NavigateListBox(Box, widgets::VK_PRIOR));
  EXPECT_EQ(Box.ItemIndex(), 10);
  EXPECT_EQ(Box.TopIndex(), 10);
  EXPECT_FALSE(NavigateListBox(Box, widgets::VK_LEFT));
  EXPECT_EQ(Box.ItemIndex(), 10);
}

TEST_F(ListBoxView, AnEmptyBoxKeepsNoSelection) {
  Box.MoveSelection(1);
  EXPECT_EQ(Box.ItemIndex(), -1);
  EXPECT_EQ(Box.TopIndex(), 0);
  Box.MoveSelectedItem(1);
  Box.SelectAndShowPage(3);
  EXPECT_EQ(Box.ItemIndex(), -1);
  EXPECT_EQ(Box.TopIndex(), 0);
  ASSERT_NE(Box.Scroller(), nullptr);
  EXPECT_FALSE(Box.Scroller()->Visible());
}

TEST_F(ListBoxView, AShortListHidesTheTrackAndNeverScrolls) {
  Fill(Box, 5);
  Box.UpdateScrollBar();
  EXPECT_FALSE(Box.Scroller()->Visible());
  Box.ScrollBy(-3);
  EXPECT_EQ(Box.TopIndex(), 0);
  Box.MoveSelection(4);
  EXPECT_EQ(Box.ItemIndex(), 3);
  EXPECT_EQ(Box.TopIndex(), 0);
  Box.SelectAndShowPage(4);
  EXPECT_EQ(Box.TopIndex(), 0);
  Box.MoveSelection(ui::kListEdgeDelta);
  EXPECT_EQ(Box.ItemIndex(), 4);
  EXPECT_EQ(Box.TopIndex(), 0);
  // More entries than rows show the track.
  Fill(Box, 6);
  Box.UpdateScrollBar();
  EXPECT_TRUE(Box.Scroller()->Visible());
}

TEST_F(ListBoxView, ScrollingIsClampedAndMovesTheThumbByTheScale) {
  Fill(Box, 25);
  Box.UpdateScrollBar();
  // 15 rows of travel over 150 - 50 pixels.
  EXPECT_FLOAT_EQ(Box.Scale(), 0.15f);
  Box.ScrollBy(-10);
  EXPECT_EQ(Box.TopIndex(), 10);
  EXPECT_EQ(Box.Thumb()->Top(), 67);
  Box.ScrollBy(-100);
  EXPECT_EQ(Box.TopIndex(), 15);
  EXPECT_EQ(Box.Thumb()->Top(), 100);
  Box.ScrollBy(4);
  EXPECT_EQ(Box.TopIndex(), 11);
  EXPECT_EQ(Box.Thumb()->Top(), 73);
  Box.ScrollBy(1000);
  EXPECT_EQ(Box.TopIndex(), 0);
  EXPECT_EQ(Box.Thumb()->Top(), 0);
  // Entries deleted from the end: ScrollBy(0) brings the view back.
  Box.ScrollBy(-15);
  for (int i = 0; i < 8; ++i) Box.DeleteItem(Box.Count() - 1);
  Box.ScrollBy(0);
  EXPECT_EQ(Box.TopIndex(), 7);
}

TEST_F(ListBoxView, MovingTheSelectedEntryTradesPlaces) {
  Fill(Box, 30);
  Box.SetItemIndex(3);
  Box.MoveSelectedItem(1);
  EXPECT_EQ(Box.ItemIndex(), 4);
  EXPECT_EQ(Box.Item(4)->Name, u"Radyo 4");
  EXPECT_EQ(Box.Item(3)->Name, u"Radyo 5");
  // A large delta swaps with the last entry; the ones between stay.
  Box.MoveSelectedItem(ui::kListEdgeDelta);
  EXPECT_EQ(Box.ItemIndex(), 29);
  EXPECT_EQ(Box.TopIndex(), 20);
  EXPECT_EQ(Box.Item(29)->Name, u"Radyo 4");
  EXPECT_EQ(Box.Item(4)->Name, u"Radyo 30");
  EXPECT_EQ(Box.Item(5)->Name, u"Radyo 6");
  // Without a selection there is nothing to take along.
  Box.SetItemIndex(-1);
  Box.MoveSelectedItem(1);
  EXPECT_EQ(Box.ItemIndex(), 0);
  EXPECT_EQ(Box.Item(0)->Name, u"Radyo 1");
}

TEST_F(ListBoxView, ClearingForgetsTheViewUntilTheOwnerScrolls) {
  Fill(Box, 25);
  Box.Search(u"radyo 2");
  ASSERT_GT(Box.Results().Count(), 0);
  Box.SelectAndShowPage(20);
  Box.ClearItems();
  EXPECT_EQ(Box.Count(), 0);
  EXPECT_EQ(Box.TopIndex(), -1);
  EXPECT_EQ(Box.ItemIndex(), -1);
  EXPECT_EQ(Box.Results().Count(), 0);
  EXPECT_FALSE(Box.Updating());
  Fill(Box, 3);
  Box.ScrollBy(0);
  EXPECT_EQ(Box.TopIndex(), 0);
}

TEST_F(ListBoxView, SearchesAndReadersResumePainting) {
  Fill(Box, 12);
  EXPECT_EQ(Box.Search(u"RADYO 1"), 4);  // 1, 10, 11, 12
  EXPECT_EQ(Box.Results()[1], 1010);
  EXPECT_EQ(Box.Search(u""), 0);
  EXPECT_EQ(Box.Results().Count(), 4) << "an empty query keeps the last results";
  ASSERT_NE(Box.FindByName(u"radyo 7"), nullptr);
  EXPECT_EQ(Box.FindByName(u"radyo 7")->Id, 1007);
  EXPECT_FALSE(Box.LoadDatabase("/nonexistent/broadcast.rpf"));
  EXPECT_EQ(Box.Count(), 12);
  EXPECT_FALSE(Box.Updating());
}

TEST_F(ListBoxView, RowsUnderAPointAndTheLastRowInView) {
  Fill(Box, 25);
  Box.ScrollBy(-12);
  EXPECT_EQ(Box.RowAt(0), 12);
  EXPECT_EQ(Box.RowAt(14), 12);
  EXPECT_EQ(Box.RowAt(15), 13);
  EXPECT_EQ(Box.RowAt(-1), 11);
  EXPECT_EQ(Box.LastVisibleIndex(), 21);
  Box.ScrollBy(-10);
  EXPECT_EQ(Box.LastVisibleIndex(), 24);
}

}  // namespace
