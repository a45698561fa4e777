#include <glib.h>
#include <gtest/gtest.h>

#include "ControlFixture.h"

using namespace widgets;
using testwidgets::ControlTest;
using testkit::PumpUntil;
using testwidgets::Wire;

namespace {

TEST_F(ControlTest, ClickOnlyWhenReleasedInside) {
  Wire(Left, "L", Log);
  Native->Click(20, 20);
  EXPECT_EQ(Log.Joined(), "L.down L.up L.click");

  // A control that captures the mouse (as buttons do) sees the release
  // outside itself, but that is no click.
  Log.Events.clear();
  Left.OnMouseDown = [&](TObject*, UINT, int, int) {
    Log.Add("L.down");
    SetCapture(Left.Handle());
  };
  Left.OnMouseUp = [&](TObject*, UINT keys, int x, int y) {
    Log.Add("L.up");
    EXPECT_EQ(keys, MK_LBUTTON);
    EXPECT_EQ(x, 250 - 10);
    EXPECT_EQ(y, 150 - 10);
    ReleaseCapture();
  };
  Native->MouseDown(20, 20);
  Native->MouseUp(250, 150);
  EXPECT_EQ(Log.Count("L.down"), 1);
  EXPECT_EQ(Log.Count("L.up"), 1);
  EXPECT_EQ(Log.Count("L.click"), 0);

  // Without capture the release belongs to the control under the pointer,
  // which never saw the press.
  Log.Events.clear();
  Wire(Left, "L", Log);
  Wire(Right, "R", Log);
  Native->MouseDown(20, 20);
  Native->MouseUp(160, 20);
  EXPECT_EQ(Log.Joined(), "L.down R.up");
}

TEST_F(ControlTest, RightAndMiddleButtonsNeverClick) {
  Wire(Left, "L", Log);
  UINT upKeys = 0;
  Left.OnMouseUp = [&](TObject*, UINT keys, int, int) { upKeys = keys; };
  Native->Click(20, 20, 3);
  EXPECT_EQ(upKeys, MK_RBUTTON) << "the released button is added to the keys";
  Native->Click(20, 20, 2);
  EXPECT_EQ(upKeys, MK_MBUTTON);
  EXPECT_EQ(Log.Count("L.click"), 0);
  // Left with Shift held is not a plain left press either.
  Native->SetModifiers(true, false, false);
  Native->Click(20, 20, 1);
  Native->SetModifiers(false, false, false);
  EXPECT_EQ(Log.Count("L.click"), 0);
  Native->Click(20, 20, 1);
  EXPECT_EQ(Log.Count("L.click"), 1);
}

TEST_F(ControlTest, DraggingGivesOnlyOnDrag) {
  Native->MouseMove(5, 5);  // on the window, not on Left
  ProcessMessages();
  Wire(Left, "L", Log);
  Native->MouseDown(20, 20);
  Native->MouseMove(25, 22);
  Native->MouseMove(30, 24);
  ProcessMessages();
  EXPECT_EQ(Log.Joined(), "L.down L.drag L.drag");
  Native->MouseUp(30, 24);
  Native->MouseMove(31, 24);
  ProcessMessages();
  EXPECT_EQ(Log.Count("L.move"), 1);
  EXPECT_EQ(Log.Count("L.enter"), 1);
}

TEST_F(ControlTest, EnterFollowsEveryMoveThenHoverThenLeave) {
  Wire(Left, "L", Log);
  Wire(Right, "R", Log);
  Native->MouseMove(20, 20);
  Native->MouseMove(21, 20);
  ProcessMessages();
  EXPECT_EQ(Log.Joined(), "L.move L.move L.enter L.enter");
  EXPECT_TRUE(Left.MouseInside());
  ASSERT_TRUE(PumpUntil([&] { return Log.Count("L.hover") == 1; }));
  Native->MouseMove(160, 20);
  ProcessMessages();
  EXPECT_EQ(Log.Count("L.leave"), 1);
  EXPECT_FALSE(Left.MouseInside());
  EXPECT_EQ(Log.Count("R.enter"), 1);
  Native->MouseLeave();
  EXPECT_EQ(Log.Count("R.leave"), 1);
}

TEST_F(ControlTest, HiddenDisabledAndShapedControlsLetThePointerThrough) {
  struct TRound : TControl {
    using TControl::TControl;
    // Only the left half takes input, as a button with a transparent margin.
    bool HitTest(int x, int y) override { return TControl::HitTest(x, y) && x < Width() / 2; }
  };
  TRound shaped(&Window);
  shaped.SetParent(&Window);
  shaped.SetBounds(10, 100, 100, 50);
  shaped.SetVisible(true);
  Wire(Window, "W", Log);
  Wire(Left, "L", Log);
  Wire(shaped, "S", Log);

  Left.SetVisible(false);
  Native->Click(20, 20);
  Left.SetVisible(true);
  Left.SetEnabled(false);
  Native->Click(20, 20);
  Left.SetEnabled(true);
  Native->Click(20, 20);
  Native->Click(20, 110);
  Native->Click(90, 110);
  EXPECT_EQ(Log.Joined(),
            "W.down W.up W.click W.down W.up W.click L.down L.up L.click S.down S.up S.click W.down W.up W.click");
}

TEST_F(ControlTest, DoubleClickAndItsSequence) {
  Wire(Left, "L", Log);
  Native->DoubleClick(20, 20);
  EXPECT_EQ(Log.Joined(), "L.down L.up L.click L.dbl L.up");
  Log.Events.clear();
  Native->Click(20, 20);
  Native->Click(20, 20);  // a second apart: two clicks
  EXPECT_EQ(Log.Count("L.dbl"), 0);
  EXPECT_EQ(Log.Count("L.click"), 2);
}

TEST_F(ControlTest, CursorIndexOutOfRangeIsIgnored) {
  Left.SetCursor(13);
  Left.SetCursor(16);
  Left.SetCursor(-1);
  EXPECT_EQ(Left.Cursor(), 13);
  Native->MouseMove(20, 20);
  EXPECT_EQ(Native->Cursor, 13) << "hand over the control";
  Native->MouseMove(160, 20);
  EXPECT_EQ(Native->Cursor, 0) << "class arrow over a control without cursor";
  // A parent's cursor covers children that have none.
  Window.SetCursor(2);
  Native->MouseMove(161, 20);
  EXPECT_EQ(Native->Cursor, 2);
}

TEST_F(ControlTest, CaptureTakesMovesFromOutside) {
  Wire(Right, "R", Log);
  int lastX = 0, lastY = 0;
  Left.OnDrag = [&](TObject*, UINT, int x, int y) {
    lastX = x;
    lastY = y;
  };
  Left.OnMouseDown = [&](TObject*, UINT, int, int) { SetCapture(Left.Handle()); };
  Native->MouseDown(20, 20);
  Native->MouseMove(200, 30);
  EXPECT_EQ(lastX, 190);
  EXPECT_EQ(lastY, 20);
  EXPECT_EQ(Log.Count("R.drag"), 0);
  EXPECT_EQ(Log.Count("R.move"), 0);
  Native->MouseUp(200, 30);
  EXPECT_EQ(Log.Count("R.up"), 0);
}

TEST_F(ControlTest, WheelCarriesScreenCoordinatesAndBubblesUp) {
  int delta = 0, sx = 0, sy = 0;
  bool windowSaw = false;
  Left.OnMouseWheel = [&](TObject*, UINT, int d, int x, int y) {
    delta = d;
    sx = x;
    sy = y;
  };
  Window.OnMouseWheel = [&](TObject*, UINT, int, int, int) { windowSaw = true; };
  Native->Wheel(20, 30, -120);
  EXPECT_EQ(delta, -120);
  EXPECT_EQ(sx, 100 + 20);
  EXPECT_EQ(sy, 50 + 30);
  EXPECT_TRUE(windowSaw) << "unhandled by the system, the wheel goes to the parent";
}

// Waits until the tick count has moved past `stamp`, so that a new stamp
// can be told from it.
void TickPast(DWORD stamp) {
  while (GetTickCount() <= stamp) g_usleep(1000);
}

TEST_F(ControlTest, NativeAndSentInputStampTheLastInputTimeButTimersDoNot) {
  DWORD before = GetLastInputTime();
  SendMessage(Left.Handle(), WM_TIMER, 1);
  EXPECT_EQ(GetLastInputTime(), before) << "a timer is not user input";
  TickPast(before);
  Native->Wheel(20, 30, -120);
  DWORD wheel = GetLastInputTime();
  EXPECT_GT(wheel, before);
  EXPECT_LE(wheel, GetTickCount());
  TickPast(wheel);
  SendMessage(Left.Handle(), WM_KEYDOWN, 'A');
  EXPECT_GT(GetLastInputTime(), wheel) << "a key sent to a control counts as well";
}

TEST_F(ControlTest, OnCharZeroStopsTheCharacterAndKeysCanBeChanged) {
  struct TProbe : TControl {
    using TControl::TControl;
    std::vector<TMessage> Defaults;
    void DefaultHandler(TMessage& m) override {
      if (m.Msg == WM_CHAR || m.Msg == WM_KEYDOWN) Defaults.push_back(m);
      TControl::DefaultHandler(m);
    }
  };
  TProbe edit(&Window);
  edit.SetParent(&Window);
  edit.SetBounds(0, 150, 50, 20);
  edit.SetVisible(true);
  edit.SetFocus();
  ASSERT_TRUE(edit.Focused());
  edit.OnChar = [](TObject*, char16_t& ch) {
    if (ch == u'x') ch = 0;
    if (ch == u'a') ch = u'b';
  };
  edit.OnKeyDown = [](TObject*, std::uint16_t& key, TShiftState) {
    if (key == VK_LEFT) key = VK_RIGHT;
  };
  Native->KeyDown('X', u'x');
  Native->KeyDown('A', u'a');
  Native->KeyDown(VK_LEFT);
  ASSERT_EQ(edit.Defaults.size(), 4u);
  EXPECT_EQ(edit.Defaults[0].Msg, UINT(WM_KEYDOWN));
  EXPECT_EQ(edit.Defaults[1].Msg, UINT(WM_KEYDOWN));
  EXPECT_EQ(edit.Defaults[2].Msg, UINT(WM_CHAR));
  EXPECT_EQ(edit.Defaults[2].WParam, WPARAM(u'b'));
  EXPECT_EQ(edit.Defaults[3].WParam, WPARAM(VK_RIGHT));
}

TEST_F(ControlTest, ShiftStateAndFocusedKeyTarget) {
  TShiftState seen = 99;
  std::uint16_t key = 0;
  Right.OnKeyDown = [&](TObject*, std::uint16_t& k, TShiftState s) {
    key = k;
    seen = s;
  };
  bool leftGot = false;
  Left.OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { leftGot = true; };
  Right.SetFocus();
  Native->SetModifiers(true, true, false);
  Native->KeyDown(VK_DOWN);
  EXPECT_EQ(seen, ssShift | ssCtrl);
  EXPECT_EQ(key, VK_DOWN);
  Native->SetModifiers(false, false, true);
  Native->KeyDown(VK_F1);  // Alt alone makes it a system key: not OnKeyDown
  Native->SetModifiers(false, true, true);
  Native->KeyDown('Q');
  EXPECT_EQ(seen, ssAlt | ssCtrl);
  Native->SetModifiers(false, false, false);
  EXPECT_FALSE(leftGot);
}

TEST_F(ControlTest, FocusMovesWithKillAndSetFocus) {
  std::vector<std::string> order;
  Left.OnSetFocus = [&](TObject*) { order.push_back("L.set"); };
  Left.OnKillFocus = [&](TObject*) { order.push_back("L.kill"); };
  Right.OnSetFocus = [&](TObject*) { order.push_back("R.set"); };
  Left.SetFocus();
  Right.SetFocus();
  Right.SetVisible(false);
  Left.SetEnabled(false);
  Left.SetFocus();  // disabled: ignored
  EXPECT_EQ(order, (std::vector<std::string>{"L.set", "L.kill", "R.set"}));
  EXPECT_TRUE(Right.Focused());
  Native->Focus(false);
  EXPECT_EQ(GetFocus(), 0u);
  Native->Focus(true);
  EXPECT_TRUE(Right.Focused()) << "focus comes back with the window";
}

TEST_F(ControlTest, CaptionDragMovesTheWindowWithThePointer) {
  Window.OnWindowPosChanging = [&](TObject*, tagWINDOWPOS& pos) {
    // Snapping: within 7 pixels of x = 140 the window sticks there.
    if (!(pos.flags & SWP_NOMOVE) && pos.x >= 133 && pos.x <= 147) pos.x = 140;
  };
  int moving = 0;
  Window.OnMoving = [&](TObject*, UINT, TRect& r) {
    ++moving;
    EXPECT_EQ(r.Width(), 300);
  };
  Left.OnMouseDown = [&](TObject*, UINT, int, int) {
    ReleaseCapture();
    SendMessage(Window.Handle(), WM_SYSCOMMAND, 0xF012, 0);
  };
  Wire(Right, "R", Log);
  Native->MouseDown(20, 20);  // screen (120, 70)
  Native->MouseMove(50, 40);  // screen (150, 90): the window follows by (30, 20)
  EXPECT_EQ(Window.Left(), 130);
  EXPECT_EQ(Window.Top(), 70);
  EXPECT_EQ(Native->Bounds.Left, 130);
  EXPECT_EQ(moving, 1);
  Native->MouseMove(25, 20);  // screen (155, 90): 135 snaps to 140
  EXPECT_EQ(Window.Left(), 140);
  EXPECT_EQ(Native->Bounds.Left, 140) << "the adjusted place reaches the screen";
  Native->MouseMove(160 - 140, 20);  // over Right: no input to controls while moving
  Native->MouseUp(160 - 140, 20);
  EXPECT_TRUE(Log.Events.empty());
  Native->MouseMove(200, 100);  // the move is over
  EXPECT_EQ(Window.Left(), 140);

  // A control that answers HTCAPTION moves the window without seeing the press.
  struct TGrip : TControl {
    using TControl::TControl;
    void WndProc(TMessage& m) override {
      if (m.Msg == WM_NCHITTEST) {
        m.Result = HTCAPTION;
        return;
      }
      TControl::WndProc(m);
    }
  } grip(&Window);
  grip.SetParent(&Window);
  grip.SetBounds(0, 180, 300, 20);
  grip.SetVisible(true);
  Wire(grip, "G", Log);
  Native->MouseDown(50, 190);
  Native->MouseMove(50, 150);  // up by 40
  EXPECT_EQ(Window.Top(), 70 - 40);
  Native->KeyDown(VK_ESCAPE);  // Esc puts it back and ends the move
  EXPECT_EQ(Window.Top(), 70);
  Native->MouseUp(50, 150);
  EXPECT_EQ(Log.Count("G.down"), 0);
}

}  // namespace

namespace {

TEST_F(ControlTest, RightReleaseAsksForAContextMenuInScreenCoordinates) {
  std::vector<std::string> seen;
  Left.OnContextMenu = [&](TObject*, int x, int y) {
    seen.push_back("L " + std::to_string(x) + "," + std::to_string(y));
  };
  Window.OnContextMenu = [&](TObject*, int x, int y) {
    seen.push_back("W " + std::to_string(x) + "," + std::to_string(y));
  };
  Native->Click(20, 30, 3);
  // The child's own handler, then the default passes it to the parent.
  EXPECT_EQ(seen, (std::vector<std::string>{"L 120,80", "W 120,80"}));
  seen.clear();
  Native->Click(20, 30, 1);
  EXPECT_TRUE(seen.empty());
}

}  // namespace

namespace {

TEST_F(ControlTest, MediaKeysBecomeApplicationCommandsForTheWindow) {
  std::vector<unsigned> seen;
  struct TTarget : TWindow {
    std::vector<unsigned>* Seen;
    void WndProc(TMessage& m) override {
      if (m.Msg == WM_APPCOMMAND) {
        Seen->push_back(GET_APPCOMMAND_LPARAM(m.LParam));
        m.Result = 1;
        return;
      }
      TWindow::WndProc(m);
    }
  } window;
  window.Seen = &seen;
  window.SetBounds(0, 0, 100, 100);
  TControl child(&window);
  child.SetParent(&window);
  child.SetBounds(0, 0, 50, 50);
  child.SetVisible(true);
  window.SetVisible(true);
  child.SetFocus();
  TOffscreenWindow* native = OffscreenWindowOf(window);
  native->KeyDown(VK_VOLUME_UP);
  native->KeyDown(VK_MEDIA_PLAY_PAUSE);
  native->KeyDown('A');
  EXPECT_EQ(seen, (std::vector<unsigned>{APPCOMMAND_VOLUME_UP, APPCOMMAND_MEDIA_PLAY_PAUSE}))
      << "from the focused child up to the window";
}

}  // namespace
