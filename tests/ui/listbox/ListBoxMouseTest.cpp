// The mouse on the station list box: check boxes, the pressed look, the
// wheel as the owner wires it, and dragging the thumb.
#include "tests/ui/listbox/ListBoxFixture.h"

#include "ui/listbox/ListBoxInput.h"

using namespace testlistbox;

namespace {

class ListBoxMouse : public ListBoxTest {
protected:
  void SetUp() override {
    ListBoxTest::SetUp();
    Box.OnCheck = [this](widgets::TObject* sender, int index, qor::TPlayItem* item) {
      EXPECT_EQ(sender, &Box);
      EXPECT_EQ(Box.Item(index), item);
      Checks.push_back(index);
    };
  }
  // Window coordinates of a point of the box.
  int X(int x) const { return kBoxLeft + x; }
  std::vector<int> Checks;
};

TEST_F(ListBoxMouse, TheCheckBoxColumnTogglesTheTickAndTheNameDoesNot) {
  Fill(Box, 25);
  Box.SetShowCheckBoxes(true);
  Box.ScrollBy(-5);
  // Row 5 + 2 = entry 7, at the column's left edge and at a row's last pixel.
  Native->Click(X(Box.CheckLeft()), RowY(2));
  ASSERT_EQ(Checks, std::vector<int>{7});
  EXPECT_TRUE(Box.Item(7)->Ticked);
  Native->Click(X(Box.CheckLeft() + Box.CheckWidth() - 1), RowY(2, 14));
  EXPECT_EQ(Checks, (std::vector<int>{7, 7}));
  EXPECT_FALSE(Box.Item(7)->Ticked);
  // The name, the pixel past the column, the right button.
  Native->Click(X(100), RowY(2));
  Native->Click(X(Box.CheckLeft() + Box.CheckWidth()), RowY(2));
  Native->Click(X(Box.CheckLeft() + 2), RowY(3), 3);
  EXPECT_EQ(Checks.size(), 2u);
  for (int i = 0; i < Box.Count(); ++i) EXPECT_FALSE(Box.Item(i)->Ticked) << i;
  // The favourites box has no check boxes to flip.
  Box.SetFavouritesMode(1);
  Native->Click(X(Box.CheckLeft() + 2), RowY(2));
  EXPECT_EQ(Checks.size(), 2u);
  EXPECT_FALSE(Box.Item(7)->Ticked);
}

TEST_F(ListBoxMouse, TheCheckBoxColumnShowsTheHand) {
  Fill(Box, 25);
  Box.SetShowCheckBoxes(true);
  Native->MouseMove(X(Box.CheckLeft() + 3), RowY(1));
  EXPECT_EQ(Native->Cursor, 13);
  Native->MouseMove(X(120), RowY(1));
  EXPECT_EQ(Native->Cursor, 0);
  // The favourites box keeps the arrow.
  Box.SetFavouritesMode(1);
  Native->MouseMove(X(Box.CheckLeft() + 3), RowY(1));
  EXPECT_EQ(Native->Cursor, 0);
}

TEST_F(ListBoxMouse, AClickBelowTheLastEntryTicksNothing) {
  Fill(Box, 4);
  Box.SetShowCheckBoxes(true);
  Native->Click(X(Box.CheckLeft() + 2), RowY(6));
  EXPECT_TRUE(Checks.empty());
}

TEST_F(ListBoxMouse, TheBoxTakesTheFocusAndTheFavouritesShowThePressedRow) {
  Fill(Box, 25);
  Box.SetFavouritesMode(1);
  // The owner selects the row under the cursor, as the player window does.
  Box.OnMouseDown = [this](widgets::TObject*, widgets::UINT, int, int y) { Box.SetItemIndex(Box.RowAt(y)); };
  EXPECT_FALSE(Box.Focused());
  Native->MouseDown(X(60), RowY(3));
  EXPECT_TRUE(Box.Focused());
  EXPECT_EQ(Box.ItemIndex(), 3);
  Native->MouseMove(X(62), RowY(3));
  EXPECT_TRUE(Box.Pressed());
  Native->MouseUp(X(62), RowY(3));
  EXPECT_FALSE(Box.Pressed());
  // A move without the button is not a press.
  Native->MouseMove(X(64), RowY(4));
  EXPECT_FALSE(Box.Pressed());
}

TEST_F(ListBoxMouse, AWheelNotchMovesFourRows) {
  Fill(Box, 40);
  Box.OnMouseWheel = [this](widgets::TObject*, widgets::UINT, int delta, int, int) {
    ui::ScrollListBoxByWheel(Box, delta);
  };
  Native->Wheel(X(60), RowY(2), -120);
  EXPECT_EQ(Box.TopIndex(), 4);
  Native->Wheel(X(60), RowY(2), -240);
  EXPECT_EQ(Box.TopIndex(), 12);
  // Over the thumb the turn reaches the box as well.
  const int thumbX = X(Box.Width() - Box.ScrollerWidth() + 5);
  Native->Wheel(thumbX, kBoxTop + Box.Thumb()->Top() + 10, 120);
  EXPECT_EQ(Box.TopIndex(), 8);
  // A small turn of a fine wheel is less than a row.
  Native->Wheel(X(60), RowY(2), 29);
  EXPECT_EQ(Box.TopIndex(), 8);
  Native->Wheel(X(60), RowY(2), 1200);
  EXPECT_EQ(Box.TopIndex(), 0);
}

TEST_F(ListBoxMouse, DraggingTheThumbScrollsByTheScaleAndStopsAtTheEnds) {
  Fill(Box, 100);
  Box.UpdateScrollBar();
  ASSERT_TRUE(Box.Scroller()->Visible());
  const int thumbX = X(Box.Width() - Box.ScrollerWidth() + 5);
  const int grabY = kBoxTop + 10;
  Native->MouseDown(thumbX, grabY);
  Native->MouseMove(thumbX, grabY + 50);
  EXPECT_EQ(Box.Thumb()->Top(), 50);
  EXPECT_EQ(Box.TopIndex(), 45);  // 50 pixels of 100 over 90 rows
  // The thumb keeps the mouse when the pointer leaves it.
  Native->MouseMove(X(40), grabY + 33);
  EXPECT_EQ(Box.Thumb()->Top(), 33);
  EXPECT_EQ(Box.TopIndex(), 30);  // 29.7 rounds up
  Native->MouseMove(thumbX, grabY + 500);
  EXPECT_EQ(Box.Thumb()->Top(), 100);
  EXPECT_EQ(Box.TopIndex(), 90);
  Native->MouseMove(thumbX, grabY - 500);
  EXPECT_EQ(Box.Thumb()->Top(), 0);
  EXPECT_EQ(Box.TopIndex(), 0);
  Native->MouseUp(thumbX, grabY - 500);
  // Released: moving on changes nothing.
  Native->MouseMove(thumbX, grabY + 40);
  EXPECT_EQ(Box.TopIndex(), 0);
}

TEST_F(ListBoxMouse, TheThumbTurnsOrangeUnderThePointer) {
  Fill(Box, 30);
  Box.UpdateScrollBar();
  const int thumbX = X(Box.Width() - Box.ScrollerWidth() + 5);
  Native->MouseMove(thumbX, kBoxTop + 20);
  testkit::PumpUntil([&] { return Box.Thumb()->TintColor() == ui::clListAccent; });
  EXPECT_EQ(Box.Thumb()->TintColor(), ui::clListAccent);
  Native->MouseMove(X(50), kBoxTop + 20);
  testkit::PumpUntil([&] { return Box.Thumb()->TintColor() == 0xffffffff; });
  EXPECT_EQ(Box.Thumb()->TintColor(), 0xffffffffu);
}

}  // namespace
